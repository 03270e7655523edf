// The tab control: pages of child controls. The form text names the pages,
// one a line; without names there is no tab strip and the pages fill the
// whole control (switched from code).
#include <algorithm>

#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {
constexpr int kTabPadding = 12;
}

TabControl::TabControl(Form& form, const ControlSpec& spec) : Control(form, spec) {
    std::size_t start = 0;
    while (!text_.empty() && start <= text_.size()) {
        std::size_t end = text_.find('\n', start);
        titles_.push_back(text_.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    text_.clear();
}

const char* TabControl::ClassName() const {
    return "VerdelTabControl";
}

POINT TabControl::ChildOffset() const {
    return {0, titles_.empty() ? 0 : kStripHeight};
}

int TabControl::PageCount() const {
    return OnFormThread([&] {
        int most = std::max<int>(1, int(titles_.size()));
        for (Control* control : form_.Controls()) {
            if (control->ParentControl() == this) {
                most = std::max(most, control->page_ + 1);
            }
        }
        return most;
    });
}

int TabControl::CurrentPage() const {
    return OnFormThread([&] { return current_; });
}

void TabControl::SetCurrentPage(int page) {
    OnFormThread([&] {
        if (page < 0 || page == current_) {
            return;
        }
        current_ = page;
        for (Control* control : form_.Controls()) {
            if (control->ParentControl() == this) {
                control->ApplyVisibility();
            }
        }
        Invalidate();
    });
}

void TabControl::Paint(Painter& painter) {
    RECT whole = painter.Whole();
    painter.Fill(whole, look::kFace);
    if (titles_.empty()) {
        return;
    }
    RECT body{0, kStripHeight - 1, whole.right, whole.bottom};
    painter.Fill(body, look::kFace);
    painter.Frame(body, look::kBorder);
    int x = 2;
    for (int i = 0; i < int(titles_.size()); ++i) {
        int width = painter.TextWidth(titles_[std::size_t(i)]) + 2 * kTabPadding;
        bool current = i == current_;
        RECT tab{x, current ? 0 : 2, x + width, kStripHeight - (current ? 0 : 1)};
        painter.Fill(tab, current ? look::kFace : look::kButtonBottom);
        painter.Frame(RECT{tab.left, tab.top, tab.right, tab.bottom + (current ? 0 : 1)},
                      look::kBorder);
        if (current) {
            painter.Fill(RECT{tab.left + 1, kStripHeight - 1, tab.right - 1, kStripHeight},
                         look::kFace);
        }
        painter.Text(tab, titles_[std::size_t(i)], textColor_, TextAlign::Center);
        x += width;
    }
}

std::optional<LRESULT> TabControl::Handle(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_LBUTTONDOWN || titles_.empty()) {
        return std::nullopt;
    }
    POINT at = PointOf(lParam);
    if (at.y >= kStripHeight) {
        return std::nullopt;
    }
    HDC dc = GetDC(hwnd_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    int chosen = -1;
    {
        Painter measure(dc, client.right, client.bottom);
        int x = 2;
        for (int i = 0; i < int(titles_.size()); ++i) {
            int width = measure.TextWidth(titles_[std::size_t(i)]) + 2 * kTabPadding;
            if (at.x >= x && at.x < x + width) {
                chosen = i;
            }
            x += width;
        }
    }
    ReleaseDC(hwnd_, dc);
    if (chosen >= 0 && chosen != current_) {
        SetCurrentPage(chosen);
        if (PageChanged) {
            PageChanged();
        }
    }
    return std::nullopt;
}

std::unique_ptr<Control> TabControl::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<TabControl>(form, spec);
    copy->titles_ = titles_;
    copy->PageChanged = PageChanged;
    return copy;
}

}  // namespace ui
