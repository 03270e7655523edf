// Rectangles, coordinates, positions, sizes, z-order and visibility.
#include <algorithm>

#include "platform/kernel/threads.h"
#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

bool InBand(HWND handle, bool topmost) {
    Window* window = Find(handle);
    return window && window->Topmost() == topmost;
}

// Places a window in its sibling list (lock held). Top-level windows keep
// the topmost ones above all others.
void Restack(Window& window, HWND insertAfter) {
    auto& siblings = SiblingsOf(window);
    std::erase(siblings, window.handle);
    bool topLevel = !window.IsChild();
    if (topLevel && insertAfter == HWND_TOPMOST) {
        window.exStyle |= WS_EX_TOPMOST;
        insertAfter = HWND_TOP;
    } else if (topLevel && insertAfter == HWND_NOTOPMOST) {
        window.exStyle &= ~WS_EX_TOPMOST;
        insertAfter = HWND_TOP;
    } else if (topLevel && insertAfter == HWND_BOTTOM) {
        window.exStyle &= ~WS_EX_TOPMOST;
    }
    auto at = siblings.begin();
    if (insertAfter == HWND_TOP) {
        if (topLevel && !window.Topmost()) {
            at = std::find_if(siblings.begin(), siblings.end(),
                              [](HWND other) { return !InBand(other, true); });
        }
    } else if (insertAfter == HWND_BOTTOM) {
        at = siblings.end();
    } else {
        auto after = std::find(siblings.begin(), siblings.end(), insertAfter);
        at = after == siblings.end() ? siblings.begin() : after + 1;
        if (topLevel) {
            // A window put after a window of the other band joins that band's edge.
            Window* other = Find(insertAfter);
            if (other && other->Topmost() != window.Topmost()) {
                at = std::find_if(siblings.begin(), siblings.end(),
                                  [](HWND h) { return !InBand(h, true); });
            }
        }
    }
    siblings.insert(at, window.handle);
}

void InvalidateWhole(Window& window) {
    window.frameDirty = true;
    Invalidate(window, nullptr, true, true);
}

// The parent's area a child covered (parent client coordinates).
void ExposeParentArea(Window& child, const RECT& area) {
    if (Window* parent = Find(child.parent)) {
        RECT copy = area;
        Invalidate(*parent, &copy, true, false);
    }
}

}  // namespace
}  // namespace windowing

namespace win {

using namespace windowing;

BOOL GetWindowRect(HWND handle, RECT* rect) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window || !rect) {
        return FALSE;
    }
    POINT origin = WindowOriginOnScreen(*window);
    *rect = RECT{origin.x, origin.y, origin.x + (window->rect.right - window->rect.left),
                 origin.y + (window->rect.bottom - window->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND handle, RECT* rect) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window || !rect) {
        return FALSE;
    }
    RECT client = ClientArea(*window);
    *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return TRUE;
}

BOOL ClientToScreen(HWND handle, POINT* point) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window || !point) {
        return FALSE;
    }
    POINT origin = ClientOriginOnScreen(*window);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND handle, POINT* point) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window || !point) {
        return FALSE;
    }
    POINT origin = ClientOriginOnScreen(*window);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    auto lock = Lock();
    POINT fromOrigin{0, 0}, toOrigin{0, 0};
    if (from) {
        Window* window = Find(from);
        if (!window) {
            return 0;
        }
        fromOrigin = ClientOriginOnScreen(*window);
    }
    if (to) {
        Window* window = Find(to);
        if (!window) {
            return 0;
        }
        toOrigin = ClientOriginOnScreen(*window);
    }
    int dx = fromOrigin.x - toOrigin.x;
    int dy = fromOrigin.y - toOrigin.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELPARAM(dx, dy);
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(handle, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    WINDOWPOS position{handle, insertAfter, x, y, width, height, flags};
    bool topLevel = false;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        topLevel = !window->IsChild();
        if (flags & SWP_NOMOVE) {
            position.x = window->rect.left;
            position.y = window->rect.top;
        }
        if (flags & SWP_NOSIZE) {
            position.cx = window->rect.right - window->rect.left;
            position.cy = window->rect.bottom - window->rect.top;
        }
    }
    if (!(flags & SWP_NOSENDCHANGING)) {
        SendMessageA(handle, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));
    }
    flags = position.flags;
    bool activate = false;
    std::vector<std::pair<DWORD, bool>> states;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        RECT old = window->rect;
        bool wasVisible = window->Visible();
        RECT fresh{position.x, position.y, position.x + std::max(position.cx, 0),
                   position.y + std::max(position.cy, 0)};
        bool moved = fresh.left != old.left || fresh.top != old.top;
        bool sized = (fresh.right - fresh.left) != (old.right - old.left) ||
                     (fresh.bottom - fresh.top) != (old.bottom - old.top);
        if (!moved) {
            position.flags |= SWP_NOMOVE;
        }
        if (!sized) {
            position.flags |= SWP_NOSIZE;
        }
        window->rect = fresh;
        if (!(flags & SWP_NOZORDER)) {
            Restack(*window, position.hwndInsertAfter);
        }
        if (flags & SWP_SHOWWINDOW) {
            window->style |= WS_VISIBLE;
        }
        if (flags & SWP_HIDEWINDOW) {
            window->style &= ~WS_VISIBLE;
        }
        bool shown = !wasVisible && window->Visible();
        bool hidden = wasVisible && !window->Visible();
        EnsureSurface(*window);
        if (!(flags & SWP_NOREDRAW)) {
            if (window->IsChild() && (moved || sized || hidden)) {
                ExposeParentArea(*window, old);
            }
            if (shown || sized || (flags & SWP_FRAMECHANGED) ||
                (window->IsChild() && (moved || !(flags & SWP_NOZORDER)))) {
                InvalidateWhole(*window);
            }
        }
        activate = topLevel && window->Visible() && !(flags & SWP_NOACTIVATE) &&
                   !(window->exStyle & WS_EX_NOACTIVATE) && (shown || !(flags & SWP_NOZORDER));
        states = PaintStates();
    }
    PublishPaintStates(states);
    SendMessageA(handle, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
    if (activate) {
        SetActiveWindow(handle);
    }
    return TRUE;
}

BOOL BringWindowToTop(HWND handle) {
    return SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND handle, int command) {
    bool wasVisible = false, child = false, minimized = false;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        wasVisible = window->Visible();
        child = window->IsChild();
        minimized = window->minimized;
    }
    if (command == SW_HIDE) {
        if (!wasVisible) {
            return FALSE;
        }
        SendMessageA(handle, WM_SHOWWINDOW, FALSE, 0);
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ForgetInputOf(handle);
        return TRUE;
    }
    bool minimize =
        command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
    bool restore = !minimize && minimized &&
                   (command == SW_RESTORE || command == SW_SHOWNORMAL || command == SW_MAXIMIZE);
    if (!wasVisible) {
        SendMessageA(handle, WM_SHOWWINDOW, TRUE, 0);
    }
    if (minimize || restore) {
        {
            auto lock = Lock();
            if (Window* window = Find(handle)) {
                window->minimized = minimize;
            }
        }
        if (minimize) {
            ForgetInputOf(handle);
        }
        RECT client{};
        GetClientRect(handle, &client);
        SendMessageA(handle, WM_SIZE, minimize ? SIZE_MINIMIZED : SIZE_RESTORED,
                     MAKELPARAM(client.right, client.bottom));
    }
    bool noActivate = child || minimize || command == SW_SHOWNA || command == SW_SHOWNOACTIVATE;
    UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
    if (noActivate) {
        flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    }
    SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, flags);
    if (restore) {
        auto lock = Lock();
        if (Window* window = Find(handle)) {
            window->frameDirty = true;
            Invalidate(*window, nullptr, true, true);
        }
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND handle) {
    auto lock = Lock();
    // WS_VISIBLE on the window and every ancestor; a minimized window counts.
    for (Window* at = Find(handle); at; at = at->parent ? Find(at->parent) : nullptr) {
        if (!at->Visible()) {
            return FALSE;
        }
        if (!at->parent) {
            return TRUE;
        }
    }
    return FALSE;
}

BOOL IsIconic(HWND handle) {
    auto lock = Lock();
    Window* window = Find(handle);
    return window && window->minimized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    bool wasDisabled = false;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        wasDisabled = !window->Enabled();
        if (wasDisabled == !enable) {
            return wasDisabled ? TRUE : FALSE;
        }
        if (enable) {
            window->style &= ~WS_DISABLED;
        } else {
            window->style |= WS_DISABLED;
        }
    }
    if (!enable) {
        // A disabled window gives up the focus and the capture.
        if (GetFocus() == handle) {
            SetFocus(nullptr);
        }
        if (GetCapture() == handle) {
            ReleaseCapture();
        }
    }
    SendMessageA(handle, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND handle) {
    auto lock = Lock();
    Window* window = Find(handle);
    return window && window->Enabled() ? TRUE : FALSE;
}

int GetSystemMetrics(int index) {
    SIZE screen = ScreenSize();
    switch (index) {
        case SM_CXSCREEN:
            return screen.cx;
        case SM_CYSCREEN:
            return screen.cy;
        default:
            return 0;
    }
}

}  // namespace win

namespace windowing {

void SetScreenSize(int width, int height) {
    auto lock = Lock();
    TheStore().screen = win::SIZE{width, height};
}

win::SIZE ScreenSize() {
    auto lock = Lock();
    return TheStore().screen;
}

}  // namespace windowing
