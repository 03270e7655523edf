// Buttons: a push button, a button drawn by pictures, a check box and a
// hyperlink label. All report Clicked when the left button is pressed and
// released over them.
#include "platform/ui/browser.h"
#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

std::shared_ptr<const Picture> Decoded(const std::string& bytes) {
    if (bytes.empty()) {
        return nullptr;
    }
    auto picture = DecodePicture(bytes);
    return picture ? std::make_shared<const Picture>(std::move(*picture)) : nullptr;
}

void TrackLeave(HWND window) {
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
}

}  // namespace

const char* Button::ClassName() const {
    return "VerdelButton";
}

void Button::Paint(Painter& painter) {
    RECT whole = painter.Whole();
    bool enabled = Enabled();
    bool down = pressed_ && hot_;
    if (down) {
        painter.Fill(whole, look::kPressedFill);
    } else if (hot_ && enabled) {
        painter.Gradient(whole, look::kHotFill, look::kPressedFill);
    } else {
        painter.Gradient(whole, look::kButtonTop, look::kButtonBottom);
    }
    painter.Frame(whole, hot_ && enabled ? look::kHotBorder : look::kButtonBorder);
    if (GetFocus() == hwnd_) {
        painter.Frame(RECT{1, 1, whole.right - 1, whole.bottom - 1}, look::kHotFill);
    }
    RECT text = whole;
    if (down) {
        OffsetRect(&text, 1, 1);
    }
    painter.Text(text, text_, enabled ? textColor_ : look::kGrayText, TextAlign::Center);
}

std::optional<LRESULT> Button::Handle(UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetFocus(hwnd_);
            pressed_ = true;
            hot_ = true;
            Invalidate();
            return std::nullopt;
        case WM_LBUTTONUP:
            pressed_ = false;
            Invalidate();
            return std::nullopt;
        case WM_MOUSEMOVE: {
            RECT client{};
            GetClientRect(hwnd_, &client);
            bool inside = PtInRect(&client, PointOf(lParam)) != FALSE;
            if (inside != hot_) {
                hot_ = inside;
                Invalidate();
            }
            if (inside) {
                TrackLeave(hwnd_);
            }
            return std::nullopt;
        }
        case WM_MOUSELEAVE:
            hot_ = false;
            Invalidate();
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = false;
            Invalidate();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<Control> Button::Clone(Form& form, const ControlSpec& spec) const {
    return std::make_unique<Button>(form, spec);
}

const char* PictureButton::ClassName() const {
    return "VerdelPictureButton";
}

bool PictureButton::SetPictures(const std::string& normal, const std::string& hot,
                                const std::string& pressed) {
    auto n = Decoded(normal), h = Decoded(hot), p = Decoded(pressed);
    OnFormThread([&] {
        normal_ = n;
        hot_picture_ = h;
        pressed_picture_ = p;
        Invalidate();
    });
    return n && (hot.empty() || h) && (pressed.empty() || p);
}

void PictureButton::Paint(Painter& painter) {
    if (!normal_) {
        Button::Paint(painter);
        return;
    }
    painter.Fill(painter.Whole(), look::kFace);
    const Picture* picture = normal_.get();
    if (pressed_ && hot_ && pressed_picture_) {
        picture = pressed_picture_.get();
    } else if (hot_ && hot_picture_) {
        picture = hot_picture_.get();
    }
    painter.DrawPicture(*picture, 0, 0);
    painter.Text(painter.Whole(), text_, textColor_, TextAlign::Center);
}

std::unique_ptr<Control> PictureButton::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<PictureButton>(form, spec);
    copy->normal_ = normal_;
    copy->hot_picture_ = hot_picture_;
    copy->pressed_picture_ = pressed_picture_;
    return copy;
}

const char* CheckBox::ClassName() const {
    return "VerdelCheckBox";
}

bool CheckBox::Checked() const {
    return OnFormThread([&] { return checked_; });
}

void CheckBox::SetChecked(bool checked) {
    OnFormThread([&] {
        checked_ = checked;
        Invalidate();
    });
}

void CheckBox::Paint(Painter& painter) {
    constexpr int kBox = 13;
    RECT whole = painter.Whole();
    bool enabled = Enabled();
    painter.Fill(whole, look::kFace);
    int top = (whole.bottom - kBox) / 2;
    RECT box{0, top, kBox, top + kBox};
    painter.Fill(box, enabled ? look::kWindow : look::kFace);
    painter.Frame(box, hot_ && enabled ? look::kHotBorder : look::kButtonBorder);
    if (checked_) {
        // A tick: two strokes of a few pixels.
        COLORREF tick = enabled ? look::kText : look::kGrayText;
        for (int i = 0; i < 3; ++i) {
            painter.Fill(RECT{3 + i, top + 5 + i, 4 + i, top + 8 + i}, tick);
        }
        for (int i = 0; i < 4; ++i) {
            painter.Fill(RECT{6 + i, top + 6 - i, 7 + i, top + 9 - i}, tick);
        }
    }
    RECT text{kBox + 4, 0, whole.right, whole.bottom};
    painter.Text(text, text_, enabled ? textColor_ : look::kGrayText);
}

std::optional<LRESULT> CheckBox::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONUP && leftDown_) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (PtInRect(&client, PointOf(lParam))) {
            checked_ = !checked_;  // before Clicked, which the common handling reports
        }
    }
    return Button::Handle(message, wParam, lParam);
}

std::unique_ptr<Control> CheckBox::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<CheckBox>(form, spec);
    copy->checked_ = checked_;
    return copy;
}

HyperlinkLabel::HyperlinkLabel(Form& form, const ControlSpec& spec) : Button(form, spec) {
    textColor_ = look::kLink;
}

const char* HyperlinkLabel::ClassName() const {
    return "VerdelHyperlink";
}

std::string HyperlinkLabel::Address() const {
    return OnFormThread([&] { return address_; });
}

void HyperlinkLabel::SetAddress(const std::string& address) {
    OnFormThread([&] { address_ = address; });
}

void HyperlinkLabel::Paint(Painter& painter) {
    painter.Fill(painter.Whole(), look::kFace);
    painter.Text(painter.Whole(), text_, Enabled() ? textColor_ : look::kGrayText, TextAlign::Left,
                 false, hot_);
}

std::optional<LRESULT> HyperlinkLabel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONUP && leftDown_) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (PtInRect(&client, PointOf(lParam))) {
            OpenAddress(address_.empty() ? text_ : address_);
        }
    }
    if (message == WM_LBUTTONDOWN) {
        return std::nullopt;  // a link takes no focus
    }
    return Button::Handle(message, wParam, lParam);
}

std::unique_ptr<Control> HyperlinkLabel::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<HyperlinkLabel>(form, spec);
    copy->address_ = address_;
    return copy;
}

}  // namespace ui
