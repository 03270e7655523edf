// The properties and operations every control shares.
#include "platform/ui/control.h"

#include "platform/ui/control_window.h"
#include "platform/ui/form.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

Control::Control(Form& form, const ControlSpec& spec)
    : form_(form),
      kind_(spec.kind),
      name_(spec.name),
      parentName_(spec.parent),
      page_(spec.page),
      place_{spec.left, spec.top, spec.left + spec.width, spec.top + spec.height},
      text_(spec.text) {}

Control::~Control() {
    if (hwnd_ && IsWindow(hwnd_)) {
        RemovePropA(hwnd_, kControlProperty);
        HWND window = hwnd_;
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
}

HWND Control::Hwnd() const {
    return hwnd_;
}

const char* Control::ClassName() const {
    return "VerdelControl";
}

DWORD Control::Style() const {
    return WS_CHILD | WS_CLIPSIBLINGS;
}

void Control::Paint(Painter&) {}

std::optional<LRESULT> Control::Handle(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

std::unique_ptr<Control> Control::Clone(Form&, const ControlSpec&) const {
    return nullptr;
}

void Control::CopyCommonTo(Control& other) const {
    other.text_ = text_;
    other.tag_ = tag_;
    other.textColor_ = textColor_;
    other.visible_ = visible_;
    other.enabled_ = enabled_;
    other.Clicked = Clicked;
    other.GotFocus = GotFocus;
    other.LostFocus = LostFocus;
    other.MouseMoved = MouseMoved;
    other.LeftPressed = LeftPressed;
    other.LeftReleased = LeftReleased;
    other.WheelTurned = WheelTurned;
}

Control* Control::ParentControl() const {
    if (hwnd_) {
        return ControlOf(GetParent(hwnd_));
    }
    if (parentName_.empty()) {
        return kind_ == Kind::Window ? nullptr : &form_;
    }
    return form_.Find(parentName_);
}

bool Control::ShownNow() const {
    if (!visible_) {
        return false;
    }
    auto* tab = dynamic_cast<const TabControl*>(ParentControl());
    return !tab || tab->CurrentPage() == page_;
}

void Control::ApplyVisibility() {
    if (!hwnd_) {
        return;
    }
    bool shown = ShownNow();
    if (bool(GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != shown) {
        ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
    }
}

void Control::CreateWindowIn(HWND parent) {
    ControlWindow::EnsureClass(ClassName());
    POINT offset{0, 0};
    if (Control* container = ControlOf(parent)) {
        offset = container->ChildOffset();
    }
    DWORD style = Style() | (ShownNow() ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
    CreateWindowExA(ExStyle(), ClassName(), text_.c_str(), style, place_.left + offset.x,
                    place_.top + offset.y, place_.right - place_.left, place_.bottom - place_.top,
                    parent, nullptr, nullptr, this);
}

void Control::Invalidate() {
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void Control::Redraw() {
    OnFormThread([&] { Invalidate(); });
}

bool Control::Visible() const {
    return OnFormThread([&] { return visible_; });
}

void Control::SetVisible(bool visible) {
    OnFormThread([&] {
        visible_ = visible;
        ApplyVisibility();
    });
}

bool Control::Enabled() const {
    return OnFormThread([&] { return hwnd_ ? IsWindowEnabled(hwnd_) != FALSE : enabled_; });
}

void Control::SetEnabled(bool enabled) {
    OnFormThread([&] {
        enabled_ = enabled;
        if (hwnd_) {
            EnableWindow(hwnd_, enabled ? TRUE : FALSE);
        }
    });
}

namespace {

// The control's rectangle as its properties tell it: in the parent's
// client area less the parent's child offset; top-level windows on screen.
RECT PlaceOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    HWND parent = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
    if (parent) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        if (Control* container = ControlOf(parent)) {
            POINT offset = container->ChildOffsetOf();
            OffsetRect(&rect, -offset.x, -offset.y);
        }
    }
    return rect;
}

}  // namespace

int Control::Left() const {
    return OnFormThread([&] { return int((hwnd_ ? PlaceOf(hwnd_) : place_).left); });
}

int Control::Top() const {
    return OnFormThread([&] { return int((hwnd_ ? PlaceOf(hwnd_) : place_).top); });
}

int Control::Width() const {
    return OnFormThread([&] {
        RECT rect = hwnd_ ? PlaceOf(hwnd_) : place_;
        return int(rect.right - rect.left);
    });
}

int Control::Height() const {
    return OnFormThread([&] {
        RECT rect = hwnd_ ? PlaceOf(hwnd_) : place_;
        return int(rect.bottom - rect.top);
    });
}

void Control::Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
                   std::optional<int> height) {
    OnFormThread([&] {
        RECT now = hwnd_ ? PlaceOf(hwnd_) : place_;
        int x = left.value_or(now.left), y = top.value_or(now.top);
        int w = width.value_or(now.right - now.left), h = height.value_or(now.bottom - now.top);
        place_ = RECT{x, y, x + w, y + h};
        if (!hwnd_) {
            return;
        }
        POINT offset{0, 0};
        if (GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD) {
            if (Control* container = ControlOf(GetParent(hwnd_))) {
                offset = container->ChildOffsetOf();
            }
        }
        MoveWindow(hwnd_, x + offset.x, y + offset.y, w, h, TRUE);
    });
}

std::string Control::Text() const {
    return OnFormThread([&] { return text_; });
}

void Control::SetText(const std::string& text) {
    OnFormThread([&] {
        if (hwnd_) {
            SetWindowTextA(hwnd_, text.c_str());  // the procedure keeps text_
        } else {
            text_ = text;
        }
    });
}

COLORREF Control::TextColor() const {
    return OnFormThread([&] { return textColor_; });
}

void Control::SetTextColor(COLORREF color) {
    OnFormThread([&] {
        textColor_ = color;
        Invalidate();
    });
}

std::string Control::Tag() const {
    return OnFormThread([&] { return tag_; });
}

void Control::SetTag(const std::string& tag) {
    OnFormThread([&] { tag_ = tag; });
}

void Control::Focus() {
    OnFormThread([&] {
        if (hwnd_) {
            SetFocus(hwnd_);
        }
    });
}

bool Control::HasFocus() const {
    return OnFormThread([&] { return hwnd_ && GetFocus() == hwnd_; });
}

Control& Control::Copy() {
    Control* made = OnFormThread([&]() -> Control* {
        ControlSpec spec{kind_, form_.FreshName(name_), parentName_, 0, 0, 0, 0, text_, page_};
        RECT now = hwnd_ ? PlaceOf(hwnd_) : place_;
        spec.left = now.left;
        spec.top = now.top;
        spec.width = now.right - now.left;
        spec.height = now.bottom - now.top;
        std::unique_ptr<Control> copy = Clone(form_, spec);
        CopyCommonTo(*copy);
        Control& adopted = form_.Adopt(std::move(copy));
        HWND parent = hwnd_ ? GetParent(hwnd_) : form_.hwnd_;
        if (form_.hwnd_ && parent) {
            adopted.CreateWindowIn(parent);
        }
        return &adopted;
    });
    return *made;
}

void Control::SetParentWindow(HWND parent) {
    OnFormThread([&] {
        if (!hwnd_) {
            return;
        }
        POINT offset{0, 0};
        if (Control* container = ControlOf(parent)) {
            parentName_ = container->kind_ == Kind::Window ? std::string() : container->name_;
            offset = container->ChildOffsetOf();
        }
        RECT now = PlaceOf(hwnd_);
        SetParent(hwnd_, parent);
        MoveWindow(hwnd_, now.left + offset.x, now.top + offset.y, now.right - now.left,
                   now.bottom - now.top, TRUE);
        ApplyVisibility();
    });
}

}  // namespace ui
