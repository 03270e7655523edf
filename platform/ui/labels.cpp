// Labels: a text on the face colour, word-wrapped on demand; the
// transparent label draws only its text.
#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

const char* Label::ClassName() const {
    return "VerdelLabel";
}

bool Label::WordWrap() const {
    return OnFormThread([&] { return wordWrap_; });
}

void Label::SetWordWrap(bool wrap) {
    OnFormThread([&] {
        wordWrap_ = wrap;
        Invalidate();
    });
}

void Label::Paint(Painter& painter) {
    painter.Fill(painter.Whole(), look::kFace);
    COLORREF color = Enabled() ? textColor_ : look::kGrayText;
    painter.Text(painter.Whole(), text_, color, TextAlign::Left, wordWrap_);
}

std::unique_ptr<Control> Label::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<Label>(form, spec);
    copy->wordWrap_ = wordWrap_;
    return copy;
}

const char* TransparentLabel::ClassName() const {
    return "VerdelTransparentLabel";
}

DWORD TransparentLabel::ExStyle() const {
    return WS_EX_TRANSPARENT;
}

void TransparentLabel::Paint(Painter& painter) {
    painter.Text(painter.Whole(), text_, textColor_, TextAlign::Left, wordWrap_);
}

// What lies beneath shows through, so the parent paints that part again
// (and the label over it).
void TransparentLabel::Invalidate() {
    if (!hwnd_) {
        return;
    }
    HWND parent = GetParent(hwnd_);
    if (!parent) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        return;
    }
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    InvalidateRect(parent, &rect, FALSE);
}

std::unique_ptr<Control> TransparentLabel::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<TransparentLabel>(form, spec);
    copy->wordWrap_ = wordWrap_;
    return copy;
}

}  // namespace ui
