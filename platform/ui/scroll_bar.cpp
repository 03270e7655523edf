// The vertical scroll bar: arrows at both ends, a track and a thumb sized
// by the page step. A person's moves report PositionChanged; wheel turns
// report WheelTurned in whole notches (through the common handling).
#include <algorithm>

#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

VScrollBar::VScrollBar(Form& form, const ControlSpec& spec) : Control(form, spec) {
    text_.clear();
}

const char* VScrollBar::ClassName() const {
    return "VerdelScrollBar";
}

int VScrollBar::Position() const {
    return OnFormThread([&] { return position_; });
}

void VScrollBar::SetPosition(int position) {
    OnFormThread([&] {
        position_ = std::clamp(position, 0, maximum_);
        Invalidate();
    });
}

int VScrollBar::Maximum() const {
    return OnFormThread([&] { return maximum_; });
}

void VScrollBar::SetMaximum(int maximum) {
    OnFormThread([&] {
        maximum_ = std::max(0, maximum);
        position_ = std::min(position_, maximum_);
        Invalidate();
    });
}

int VScrollBar::LineStep() const {
    return OnFormThread([&] { return line_; });
}

void VScrollBar::SetLineStep(int step) {
    OnFormThread([&] { line_ = std::max(1, step); });
}

int VScrollBar::PageStep() const {
    return OnFormThread([&] { return pageStep_; });
}

void VScrollBar::SetPageStep(int step) {
    OnFormThread([&] {
        pageStep_ = std::max(1, step);
        Invalidate();
    });
}

int VScrollBar::Arrow() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    return std::min<int>(client.right, client.bottom / 3);
}

VScrollBar::Thumb VScrollBar::ThumbPlace() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    int arrow = Arrow();
    int track = std::max(0, int(client.bottom) - 2 * arrow);
    int height = std::clamp(track * pageStep_ / std::max(1, maximum_ + pageStep_), 8, track);
    int top = arrow + (maximum_ > 0 ? (track - height) * position_ / maximum_ : 0);
    return Thumb{top, height};
}

void VScrollBar::UserMoves(int position) {
    position = std::clamp(position, 0, maximum_);
    if (position == position_) {
        return;
    }
    position_ = position;
    Invalidate();
    if (PositionChanged) {
        PositionChanged();
    }
}

void VScrollBar::Paint(Painter& painter) {
    RECT whole = painter.Whole();
    int arrow = Arrow();
    bool enabled = Enabled();
    painter.Fill(whole, look::kScrollTrack);
    RECT up{0, 0, whole.right, arrow}, down{0, whole.bottom - arrow, whole.right, whole.bottom};
    for (const RECT& end : {up, down}) {
        painter.Gradient(end, look::kButtonTop, look::kButtonBottom);
        painter.Frame(end, look::kBorder);
    }
    COLORREF arrows = enabled ? look::kArrow : look::kGrayText;
    painter.Arrow(whole.right / 2, arrow / 2, true, arrows);
    painter.Arrow(whole.right / 2, whole.bottom - arrow / 2, false, arrows);
    if (enabled && maximum_ > 0) {
        Thumb thumb = ThumbPlace();
        RECT rect{1, thumb.top, whole.right - 1, thumb.top + thumb.height};
        painter.Fill(rect, look::kScrollThumb);
        painter.Frame(rect, look::kBorder);
    }
}

std::optional<LRESULT> VScrollBar::Handle(UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN: {
            SetFocus(hwnd_);
            POINT at = PointOf(lParam);
            RECT client{};
            GetClientRect(hwnd_, &client);
            int arrow = Arrow();
            Thumb thumb = ThumbPlace();
            if (at.y < arrow) {
                UserMoves(position_ - line_);
            } else if (at.y >= client.bottom - arrow) {
                UserMoves(position_ + line_);
            } else if (at.y < thumb.top) {
                UserMoves(position_ - pageStep_);
            } else if (at.y >= thumb.top + thumb.height) {
                UserMoves(position_ + pageStep_);
            } else {
                dragOffset_ = at.y - thumb.top;
            }
            return std::nullopt;
        }
        case WM_MOUSEMOVE: {
            if (!dragOffset_ || !leftDown_) {
                return std::nullopt;
            }
            RECT client{};
            GetClientRect(hwnd_, &client);
            Thumb thumb = ThumbPlace();
            int room = int(client.bottom) - 2 * Arrow() - thumb.height;
            int top = PointOf(lParam).y - *dragOffset_ - Arrow();
            if (room > 0) {
                UserMoves(top * maximum_ / room);
            }
            return std::nullopt;
        }
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            dragOffset_.reset();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<Control> VScrollBar::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<VScrollBar>(form, spec);
    copy->position_ = position_;
    copy->maximum_ = maximum_;
    copy->line_ = line_;
    copy->pageStep_ = pageStep_;
    copy->PositionChanged = PositionChanged;
    return copy;
}

}  // namespace ui
