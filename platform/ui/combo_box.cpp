// The combo box as a drop-down list: the box shows the selected item; its
// list opens in a pop-up window that holds the mouse capture until an item
// is chosen or the mouse is pressed elsewhere.
//
// A person's choice reports ListClosed, then ItemChosen (also for the item
// already selected); a list closed without a choice reports ListClosed
// only. Select() from code reports nothing.
#include <algorithm>

#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

constexpr const char* kListClass = "VerdelComboList";
constexpr const char* kListOwner = "VerdelComboListOwner";
constexpr const char* kListHot = "VerdelComboListHot";
constexpr int kItemHeight = 18;
constexpr int kMostShown = 12;
constexpr int kButtonWidth = 17;

ComboBox* OwnerOf(HWND list) {
    return static_cast<ComboBox*>(GetPropA(list, kListOwner));
}

int HotOf(HWND list) {
    return int(reinterpret_cast<std::intptr_t>(GetPropA(list, kListHot))) - 1;
}

void SetHot(HWND list, int hot) {
    if (HotOf(list) != hot) {
        SetPropA(list, kListHot, reinterpret_cast<HANDLE>(std::intptr_t(hot + 1)));
        InvalidateRect(list, nullptr, FALSE);
    }
}

int ItemAt(HWND list, POINT client) {
    RECT rect{};
    GetClientRect(list, &rect);
    if (!PtInRect(&rect, client) || client.y < 1) {
        return -1;
    }
    ComboBox* combo = OwnerOf(list);
    int index = (client.y - 1) / kItemHeight;
    return combo && index < int(combo->Items().size()) ? index : -1;
}

void PaintList(HWND list) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(list, &paint);
    RECT client{};
    GetClientRect(list, &client);
    {
        Painter painter(dc, client.right, client.bottom);
        painter.Fill(painter.Whole(), look::kWindow);
        painter.Frame(painter.Whole(), look::kButtonBorder);
        if (ComboBox* combo = OwnerOf(list)) {
            int hot = HotOf(list);
            const auto& items = combo->Items();
            for (int i = 0; i < int(items.size()); ++i) {
                RECT row{1, 1 + i * kItemHeight, client.right - 1, 1 + (i + 1) * kItemHeight};
                bool lit = i == hot;
                if (lit) {
                    painter.Fill(row, look::kSelection);
                }
                row.left += 3;
                painter.Text(row, items[std::size_t(i)].text,
                             lit ? look::kSelectionText : look::kText);
            }
        }
    }
    EndPaint(list, &paint);
}

LRESULT ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    ComboBox* combo = OwnerOf(list);
    switch (message) {
        case WM_PAINT:
            PaintList(list);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEACTIVATE:
            return 3;  // no activation
        case WM_MOUSEMOVE:
            SetHot(list, ItemAt(list, PointOf(lParam)));
            return 0;
        case WM_LBUTTONDOWN: {
            RECT client{};
            GetClientRect(list, &client);
            if (!PtInRect(&client, PointOf(lParam)) && combo) {
                combo->CloseList(-1);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            int item = ItemAt(list, PointOf(lParam));
            if (item >= 0 && combo) {
                combo->CloseList(item);
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (combo && HWND(lParam) != list && combo->ListWindow() == list) {
                combo->CloseList(-1);
            }
            return 0;
        case WM_DESTROY:
            if (combo && combo->ListWindow() == list) {
                combo->ForgetList();  // destroyed from outside (its owner went first)
            }
            if (GetCapture() == list) {
                ReleaseCapture();
            }
            return 0;
        case WM_NCDESTROY:
            RemovePropA(list, kListOwner);
            RemovePropA(list, kListHot);
            return DefWindowProcA(list, message, wParam, lParam);
        default:
            return DefWindowProcA(list, message, wParam, lParam);
    }
}

void EnsureListClass() {
    static bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &ListProc;
        windowClass.lpszClassName = kListClass;
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

ComboBox::ComboBox(Form& form, const ControlSpec& spec) : Control(form, spec) {
    std::size_t start = 0;
    while (!text_.empty() && start <= text_.size()) {
        std::size_t end = text_.find('\n', start);
        items_.push_back(
            Item{text_.substr(start, end == std::string::npos ? end : end - start), 0});
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    text_.clear();
}

const char* ComboBox::ClassName() const {
    return "VerdelComboBox";
}

void ComboBox::Clear() {
    OnFormThread([&] {
        items_.clear();
        selected_ = -1;
        Invalidate();
    });
}

int ComboBox::AddItem(const std::string& text, long long datum) {
    return OnFormThread([&] {
        items_.push_back(Item{text, datum});
        return int(items_.size()) - 1;
    });
}

int ComboBox::ItemCount() const {
    return OnFormThread([&] { return int(items_.size()); });
}

std::string ComboBox::ItemText(int index) const {
    return OnFormThread([&] {
        return index >= 0 && index < int(items_.size()) ? items_[std::size_t(index)].text
                                                        : std::string();
    });
}

long long ComboBox::ItemData(int index) const {
    return OnFormThread([&] {
        return index >= 0 && index < int(items_.size()) ? items_[std::size_t(index)].datum : 0LL;
    });
}

int ComboBox::Selected() const {
    return OnFormThread([&] { return selected_; });
}

void ComboBox::Select(int index) {
    OnFormThread([&] {
        selected_ = index >= 0 && index < int(items_.size()) ? index : -1;
        Invalidate();
    });
}

bool ComboBox::ListOpen() const {
    return OnFormThread([&] { return list_ != nullptr; });
}

HWND ComboBox::ListWindow() const {
    return OnFormThread([&] { return list_; });
}

void ComboBox::OpenList() {
    if (list_ || !hwnd_ || items_.empty()) {
        return;
    }
    EnsureListClass();
    RECT box{};
    GetWindowRect(hwnd_, &box);
    int shown = std::min<int>(int(items_.size()), kMostShown);
    HWND owner = GetAncestor(hwnd_, GA_ROOT);
    list_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kListClass, "",
                            WS_POPUP, box.left, box.bottom, box.right - box.left,
                            shown * kItemHeight + 2, owner, nullptr, nullptr, nullptr);
    SetPropA(list_, kListOwner, this);
    SetHot(list_, selected_);
    ShowWindow(list_, SW_SHOWNA);
    SetCapture(list_);
    Invalidate();
}

void ComboBox::ForgetList() {
    list_ = nullptr;
}

void ComboBox::CloseList(int chosen) {
    HWND list = list_;
    if (!list) {
        return;
    }
    list_ = nullptr;
    if (GetCapture() == list) {
        ReleaseCapture();
    }
    DestroyWindow(list);
    if (chosen >= 0 && chosen < int(items_.size())) {
        selected_ = chosen;
    }
    Invalidate();
    if (ListClosed) {
        ListClosed();
    }
    if (chosen >= 0 && ItemChosen) {
        ItemChosen();
    }
}

void ComboBox::Paint(Painter& painter) {
    bool enabled = Enabled();
    bool focused = GetFocus() == hwnd_;
    RECT whole = painter.Whole();
    if (list_) {
        painter.Gradient(whole, look::kHotFill, look::kPressedFill);
    } else {
        painter.Gradient(whole, look::kButtonTop, look::kButtonBottom);
    }
    painter.Frame(whole, focused || list_ ? look::kHotBorder : look::kBorder);
    if (selected_ >= 0 && selected_ < int(items_.size())) {
        RECT text{4, 1, whole.right - kButtonWidth, whole.bottom - 1};
        painter.Text(text, items_[std::size_t(selected_)].text,
                     enabled ? textColor_ : look::kGrayText);
    }
    painter.Arrow(whole.right - kButtonWidth / 2 - 1, whole.bottom / 2 + 1, false,
                  enabled ? look::kArrow : look::kGrayText);
}

std::optional<LRESULT> ComboBox::Handle(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetFocus(hwnd_);
            if (list_) {
                CloseList(-1);
            } else {
                OpenList();
            }
            return 0;
        case WM_LBUTTONUP:
            return 0;
        case WM_KEYDOWN: {
            UINT key = UINT(wParam);
            if (list_) {
                int hot = HotOf(list_);
                if (key == VK_ESCAPE) {
                    CloseList(-1);
                } else if (key == VK_RETURN) {
                    CloseList(hot);
                } else if (key == VK_DOWN || key == VK_UP) {
                    int next = std::clamp(hot + (key == VK_DOWN ? 1 : -1), 0,
                                          std::max(0, int(items_.size()) - 1));
                    SetHot(list_, next);
                }
                return 0;
            }
            if ((key == VK_DOWN || key == VK_UP) && !items_.empty()) {
                int next =
                    std::clamp(selected_ + (key == VK_DOWN ? 1 : -1), 0, int(items_.size()) - 1);
                if (next != selected_) {
                    selected_ = next;
                    Invalidate();
                    if (ItemChosen) {
                        ItemChosen();
                    }
                }
            }
            return 0;
        }
        case WM_KILLFOCUS:
            if (list_) {
                CloseList(-1);
            }
            return std::nullopt;
        case WM_DESTROY:
            if (list_) {
                HWND list = list_;
                list_ = nullptr;
                DestroyWindow(list);
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::unique_ptr<Control> ComboBox::Clone(Form& form, const ControlSpec& spec) const {
    auto copy = std::make_unique<ComboBox>(form, spec);
    copy->items_ = items_;
    copy->selected_ = selected_;
    copy->ItemChosen = ItemChosen;
    copy->ListClosed = ListClosed;
    return copy;
}

}  // namespace ui
