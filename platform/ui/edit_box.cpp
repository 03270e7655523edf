// The edit box: one line of GBK text typed byte by byte, a caret, and the
// text-changed event whenever the text becomes different (typed or set).
#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

constexpr int kPadding = 3;

bool IsLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Start of the character before position (whole GBK characters only).
int PreviousBoundary(const std::string& text, int position) {
    int previous = 0;
    for (int at = 0; at < position;) {
        previous = at;
        at += (IsLeadByte(static_cast<unsigned char>(text[std::size_t(at)])) &&
               at + 1 < int(text.size()))
                  ? 2
                  : 1;
    }
    return previous;
}

int NextBoundary(const std::string& text, int position) {
    if (position >= int(text.size())) {
        return int(text.size());
    }
    bool lead = IsLeadByte(static_cast<unsigned char>(text[std::size_t(position)]));
    return std::min(int(text.size()), position + (lead ? 2 : 1));
}

}  // namespace

EditBox::EditBox(Form& form, const ControlSpec& spec) : Control(form, spec) {
    caret_ = int(text_.size());
}

const char* EditBox::ClassName() const {
    return "VerdelEdit";
}

int EditBox::Caret() const {
    return OnFormThread([&] { return caret_; });
}

void EditBox::Paint(Painter& painter) {
    bool enabled = Enabled();
    bool focused = GetFocus() == hwnd_;
    painter.Fill(painter.Whole(), enabled ? look::kWindow : look::kFace);
    painter.Frame(painter.Whole(), focused ? look::kHotBorder : look::kBorder);
    RECT inside{kPadding, 1, painter.width() - kPadding, painter.height() - 1};
    painter.Text(inside, text_, enabled ? textColor_ : look::kGrayText);
    if (focused) {
        int x = kPadding + painter.TextWidth(text_.substr(0, std::size_t(caret_)));
        int lineHeight = look::kFontHeight + 2;
        int top = (painter.height() - lineHeight) / 2;
        painter.Fill(RECT{x, top, x + 1, top + lineHeight}, look::kText);
    }
}

void EditBox::Changed(const std::string& text, int caret) {
    keepCaret_ = true;
    caret_ = caret;
    SetWindowTextA(hwnd_, text.c_str());
    keepCaret_ = false;
}

void EditBox::Typed(unsigned char byte) {
    if (pendingLead_ >= 0) {
        std::string character{char(pendingLead_), char(byte)};
        pendingLead_ = -1;
        Changed(
            text_.substr(0, std::size_t(caret_)) + character + text_.substr(std::size_t(caret_)),
            caret_ + 2);
        return;
    }
    if (IsLeadByte(byte)) {
        pendingLead_ = byte;
        return;
    }
    if (byte < 0x20 || byte == 0x7F || byte == 0x80 || byte == 0xFF) {
        return;  // control characters are keys, not text
    }
    Changed(text_.substr(0, std::size_t(caret_)) + char(byte) + text_.substr(std::size_t(caret_)),
            caret_ + 1);
}

void EditBox::Key(UINT key) {
    int size = int(text_.size());
    switch (key) {
        case VK_BACK:
            if (caret_ > 0) {
                int from = PreviousBoundary(text_, caret_);
                Changed(text_.substr(0, std::size_t(from)) + text_.substr(std::size_t(caret_)),
                        from);
            }
            break;
        case VK_DELETE:
            if (caret_ < size) {
                int to = NextBoundary(text_, caret_);
                Changed(text_.substr(0, std::size_t(caret_)) + text_.substr(std::size_t(to)),
                        caret_);
            }
            break;
        case VK_LEFT:
            caret_ = PreviousBoundary(text_, caret_);
            break;
        case VK_RIGHT:
            caret_ = NextBoundary(text_, caret_);
            break;
        case VK_HOME:
            caret_ = 0;
            break;
        case VK_END:
            caret_ = size;
            break;
        default:
            return;
    }
    Invalidate();
}

std::optional<LRESULT> EditBox::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            std::string before = text_;
            text_ = lParam ? reinterpret_cast<const char*>(lParam) : "";
            if (!keepCaret_) {
                caret_ = int(text_.size());
                pendingLead_ = -1;
            }
            LRESULT result = DefWindowProcA(hwnd_, message, wParam, lParam);
            Invalidate();
            if (text_ != before && TextChanged) {
                TextChanged();
            }
            return result;
        }
        case WM_LBUTTONDOWN:
            if (GetFocus() != hwnd_) {
                SetFocus(hwnd_);
            }
            caret_ = int(text_.size());
            Invalidate();
            return std::nullopt;  // the common press handling follows
        case WM_CHAR:
            Typed(static_cast<unsigned char>(wParam & 0xFF));
            return 0;
        case WM_KEYDOWN:
            Key(UINT(wParam));
            return 0;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<Control> EditBox::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<EditBox>(form, spec);
    copy->TextChanged = TextChanged;
    return copy;
}

}  // namespace ui
