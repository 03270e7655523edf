// The menu bar: a strip along the top of the form with the titles; a click
// on a title opens its pop-up (a top-level window holding the capture),
// whose enabled entries report Clicked. Separators and disabled entries do
// nothing.
#include <algorithm>

#include "platform/ui/control_window.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/look.h"
#include "platform/ui/menu_bar.h"
#include "platform/window/window.h"

namespace ui {

using namespace win;

namespace {

constexpr const char* kBarClass = "VerdelMenuBar";
constexpr const char* kPopupClass = "VerdelMenuPopup";
constexpr const char* kFormProperty = "VerdelMenuForm";
constexpr int kTitlePadding = 8;
constexpr int kEntryHeight = 22;
constexpr int kSeparatorHeight = 7;
constexpr int kPopupMinWidth = 120;

struct OpenMenu {
    HWND popup = nullptr;
    HWND bar = nullptr;
    MenuItem* title = nullptr;
    std::vector<MenuItem*> entries;
    int hot = -1;
};
OpenMenu open;  // one pop-up at a time, on the window thread

Form* FormOf(HWND window) {
    return static_cast<Form*>(GetPropA(window, kFormProperty));
}

std::vector<MenuItem*> Shown(const std::vector<MenuItem*>& items) {
    std::vector<MenuItem*> shown;
    for (MenuItem* item : items) {
        if (item->Visible()) {
            shown.push_back(item);
        }
    }
    return shown;
}

int MeasureText(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    int width = 0;
    {
        Painter painter(dc, 0, 0);
        width = painter.TextWidth(text);
    }
    ReleaseDC(window, dc);
    return width;
}

// The titles' places along the bar (client coordinates).
std::vector<std::pair<MenuItem*, RECT>> TitlePlaces(HWND bar) {
    std::vector<std::pair<MenuItem*, RECT>> places;
    Form* form = FormOf(bar);
    if (!form) {
        return places;
    }
    int x = 2;
    for (MenuItem* title : Shown(form->MenuItems(""))) {
        int width = MeasureText(bar, title->Text()) + 2 * kTitlePadding;
        places.push_back({title, RECT{x, 0, x + width, Form::kMenuBarHeight}});
        x += width;
    }
    return places;
}

std::vector<RECT> EntryPlaces(const std::vector<MenuItem*>& entries, int width) {
    std::vector<RECT> places;
    int y = 2;
    for (MenuItem* entry : entries) {
        int height = entry->Separator() ? kSeparatorHeight : kEntryHeight;
        places.push_back(RECT{2, y, width - 2, y + height});
        y += height;
    }
    return places;
}

void ClosePopup() {
    HWND popup = open.popup;
    HWND bar = open.bar;
    if (!popup) {
        return;
    }
    open = OpenMenu{};
    if (GetCapture() == popup) {
        ReleaseCapture();
    }
    DestroyWindow(popup);
    if (bar) {
        InvalidateRect(bar, nullptr, FALSE);
    }
}

void OpenPopup(HWND bar, MenuItem* title, const RECT& titleRect) {
    ClosePopup();
    Form* form = FormOf(bar);
    std::vector<MenuItem*> entries = Shown(form->MenuItems(title->Name()));
    if (entries.empty()) {
        return;
    }
    int width = kPopupMinWidth;
    for (MenuItem* entry : entries) {
        width = std::max(width, MeasureText(bar, entry->Text()) + 48);
    }
    auto places = EntryPlaces(entries, width);
    int height = int(places.back().bottom) + 2;
    POINT corner{titleRect.left, titleRect.bottom};
    ClientToScreen(bar, &corner);
    HWND popup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass,
                                 "", WS_POPUP, corner.x, corner.y, width, height,
                                 GetAncestor(bar, GA_ROOT), nullptr, nullptr, nullptr);
    open = OpenMenu{popup, bar, title, entries, -1};
    ShowWindow(popup, SW_SHOWNA);
    SetCapture(popup);
    InvalidateRect(bar, nullptr, FALSE);
}

int EntryAt(POINT client) {
    RECT rect{};
    GetClientRect(open.popup, &rect);
    if (!PtInRect(&rect, client)) {
        return -1;
    }
    auto places = EntryPlaces(open.entries, rect.right);
    for (int i = 0; i < int(places.size()); ++i) {
        if (PtInRect(&places[std::size_t(i)], client)) {
            return i;
        }
    }
    return -1;
}

void PaintBar(HWND bar) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(bar, &paint);
    RECT client{};
    GetClientRect(bar, &client);
    {
        Painter painter(dc, client.right, client.bottom);
        painter.Fill(painter.Whole(), look::kWindow);
        painter.Fill(RECT{0, client.bottom - 1, client.right, client.bottom}, look::kGrid);
        for (auto& [title, rect] : TitlePlaces(bar)) {
            if (open.title == title) {
                painter.Fill(rect, look::kHotFill);
                painter.Frame(rect, look::kHotBorder);
            }
            painter.Text(rect, title->Text(), title->Enabled() ? look::kText : look::kGrayText,
                         TextAlign::Center);
        }
    }
    EndPaint(bar, &paint);
}

void PaintPopup(HWND popup) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(popup, &paint);
    RECT client{};
    GetClientRect(popup, &client);
    {
        Painter painter(dc, client.right, client.bottom);
        painter.Fill(painter.Whole(), look::kFace);
        painter.Frame(painter.Whole(), look::kButtonBorder);
        auto places = EntryPlaces(open.entries, client.right);
        for (int i = 0; i < int(open.entries.size()); ++i) {
            MenuItem* entry = open.entries[std::size_t(i)];
            RECT rect = places[std::size_t(i)];
            if (entry->Separator()) {
                int y = (rect.top + rect.bottom) / 2;
                painter.Fill(RECT{rect.left + 26, y, rect.right - 2, y + 1}, look::kGrid);
                continue;
            }
            bool enabled = entry->Enabled();
            if (i == open.hot && enabled) {
                painter.Fill(rect, look::kHotFill);
                painter.Frame(rect, look::kHotBorder);
            }
            RECT text{rect.left + 28, rect.top, rect.right - 8, rect.bottom};
            painter.Text(text, entry->Text(), enabled ? look::kText : look::kGrayText);
        }
    }
    EndPaint(popup, &paint);
}

LRESULT BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PaintBar(bar);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN: {
            POINT at = PointOf(lParam);
            for (auto& [title, rect] : TitlePlaces(bar)) {
                if (PtInRect(&rect, at) && title->Enabled()) {
                    if (open.title == title) {
                        ClosePopup();
                    } else {
                        OpenPopup(bar, title, rect);
                    }
                    return 0;
                }
            }
            return 0;
        }
        case WM_DESTROY:
            if (open.bar == bar) {
                ClosePopup();
            }
            return 0;
        case WM_NCDESTROY:
            RemovePropA(bar, kFormProperty);
            return DefWindowProcA(bar, message, wParam, lParam);
        default:
            return DefWindowProcA(bar, message, wParam, lParam);
    }
}

LRESULT PopupProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
    if (popup != open.popup) {
        return message == WM_PAINT || message == WM_ERASEBKGND
                   ? (ValidateRect(popup, nullptr), 0)
                   : DefWindowProcA(popup, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT:
            PaintPopup(popup);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEACTIVATE:
            return 3;
        case WM_MOUSEMOVE: {
            int hot = EntryAt(PointOf(lParam));
            if (hot != open.hot) {
                open.hot = hot;
                InvalidateRect(popup, nullptr, FALSE);
            }
            return 0;
        }
        case WM_LBUTTONDOWN: {
            if (EntryAt(PointOf(lParam)) >= 0) {
                return 0;
            }
            // A press on another title of the bar opens that one instead.
            POINT screen = PointOf(lParam);
            ClientToScreen(popup, &screen);
            HWND bar = open.bar;
            POINT onBar = screen;
            ScreenToClient(bar, &onBar);
            MenuItem* current = open.title;
            ClosePopup();
            for (auto& [title, rect] : TitlePlaces(bar)) {
                if (PtInRect(&rect, onBar) && title != current && title->Enabled()) {
                    OpenPopup(bar, title, rect);
                }
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            int index = EntryAt(PointOf(lParam));
            if (index < 0) {
                return 0;
            }
            MenuItem* entry = open.entries[std::size_t(index)];
            if (entry->Separator() || !entry->Enabled()) {
                return 0;
            }
            ClosePopup();
            if (entry->Clicked) {
                entry->Clicked();
            }
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                ClosePopup();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (HWND(lParam) != popup) {
                ClosePopup();
            }
            return 0;
        case WM_DESTROY: {
            // Destroyed from outside (its owner went first).
            HWND bar = open.bar;
            open = OpenMenu{};
            if (GetCapture() == popup) {
                ReleaseCapture();
            }
            if (bar && IsWindow(bar)) {
                InvalidateRect(bar, nullptr, FALSE);
            }
            return 0;
        }
        default:
            return DefWindowProcA(popup, message, wParam, lParam);
    }
}

void EnsureClasses() {
    static bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &BarProc;
        windowClass.lpszClassName = kBarClass;
        RegisterClassExA(&windowClass);
        windowClass.lpfnWndProc = &PopupProc;
        windowClass.lpszClassName = kPopupClass;
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

HWND CreateMenuBar(Form& form) {
    EnsureClasses();
    RECT client{};
    GetClientRect(form.Hwnd(), &client);
    HWND bar = CreateWindowExA(0, kBarClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                               Form::kMenuBarHeight, form.Hwnd(), nullptr, nullptr, nullptr);
    SetPropA(bar, kFormProperty, &form);
    return bar;
}

void ResizeMenuBar(HWND bar, int width) {
    MoveWindow(bar, 0, 0, width, Form::kMenuBarHeight, TRUE);
}

HWND OpenMenuPopup() {
    return open.popup;
}

const MenuItem* OpenMenuTitle() {
    return open.title;
}

bool MenuItemScreenRect(const MenuItem& item, RECT* rect) {
    HWND window = item.form().Hwnd();
    if (!window) {
        return false;
    }
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (FormOf(child) != &item.form()) {
            continue;
        }
        for (auto& [title, place] : TitlePlaces(child)) {
            if (title == &item) {
                *rect = place;
                MapWindowPoints(child, nullptr, reinterpret_cast<POINT*>(rect), 2);
                return true;
            }
        }
    }
    if (!open.popup) {
        return false;
    }
    RECT client{};
    GetClientRect(open.popup, &client);
    auto places = EntryPlaces(open.entries, client.right);
    for (std::size_t i = 0; i < open.entries.size(); ++i) {
        if (open.entries[i] == &item) {
            *rect = places[i];
            MapWindowPoints(open.popup, nullptr, reinterpret_cast<POINT*>(rect), 2);
            return true;
        }
    }
    return false;
}

HWND MenuItem::Hwnd() const {
    return form_.Hwnd();
}

void MenuItem::CreateWindowIn(HWND) {}

std::unique_ptr<Control> MenuItem::Clone(Form& form, const ControlSpec& spec) const {
    return std::make_unique<MenuItem>(form, spec);
}

}  // namespace ui
