// Mouse and keyboard: the cursor, hit-testing, routing raw input to windows,
// leave tracking and key state.
#include "platform/window/input.h"

#include <algorithm>
#include <atomic>
#include <set>

#include "platform/kernel/clock.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"
#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

constexpr DWORD kDoubleClickTime = 500;
constexpr int kDoubleClickDistance = 4;

bool Contains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

// A per-pixel-alpha layered window lets the mouse through where it is fully
// transparent; with WS_EX_TRANSPARENT it lets it through everywhere.
bool LetsMouseThrough(const Window& window, POINT screen) {
    if (!(window.exStyle & WS_EX_LAYERED)) {
        return false;
    }
    if (window.exStyle & WS_EX_TRANSPARENT) {
        return true;
    }
    if (!window.layeredContent || !window.surface) {
        return false;
    }
    int x = screen.x - window.rect.left, y = screen.y - window.rect.top;
    const Surface& surface = *window.surface;
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) {
        return true;
    }
    return (surface.pixels[std::size_t(y) * std::size_t(surface.width) + std::size_t(x)] >> 24) ==
           0;
}

// The window under a screen point by geometry (lock held): the topmost
// visible top-level window, then down through visible children. A disabled
// child leaves the point to its parent; a disabled top-level window
// swallows it (swallowed is set, none returned). Windows in skip answered
// HTTRANSPARENT and are passed over.
HWND Descend(POINT screen, const std::set<HWND>& skip, bool& swallowed) {
    swallowed = false;
    Window* root = nullptr;
    for (HWND handle : TheStore().topLevels) {
        Window* window = Find(handle);
        if (!window || !ReallyVisible(*window) || window->destroying || skip.count(handle)) {
            continue;
        }
        RECT rect = window->rect;
        if (!Contains(rect, screen) || LetsMouseThrough(*window, screen)) {
            continue;
        }
        root = window;
        break;
    }
    if (!root) {
        return nullptr;
    }
    if (!root->Enabled()) {
        swallowed = true;
        return nullptr;
    }
    Window* at = root;
    while (true) {
        POINT origin = ClientOriginOnScreen(*at);
        POINT local{screen.x - origin.x, screen.y - origin.y};
        RECT client = ClientArea(*at);
        RECT clientLocal{0, 0, client.right - client.left, client.bottom - client.top};
        if (!Contains(clientLocal, local)) {
            return at->handle;
        }
        Window* next = nullptr;
        for (HWND handle : at->children) {
            Window* child = Find(handle);
            if (child && child->Visible() && !skip.count(handle) && Contains(child->rect, local)) {
                next = child;
                break;
            }
        }
        if (!next || !next->Enabled()) {
            return at->handle;
        }
        at = next;
    }
}

struct Hit {
    HWND window = nullptr;
    LRESULT code = HTNOWHERE;
};

// Geometry first, then the window's own answer to WM_NCHITTEST.
Hit HitTestPoint(POINT screen) {
    std::set<HWND> skip;
    for (int guard = 0; guard < 64; ++guard) {
        HWND candidate = nullptr;
        bool swallowed = false;
        {
            auto lock = Lock();
            candidate = Descend(screen, skip, swallowed);
        }
        if (!candidate) {
            return Hit{};
        }
        LRESULT code = SendMessageA(candidate, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
        if (code != HTTRANSPARENT) {
            return Hit{candidate, code};
        }
        skip.insert(candidate);
    }
    return Hit{};
}

WPARAM KeyStateFlags(const InputState& input) {
    WPARAM flags = 0;
    flags |= input.left ? MK_LBUTTON : 0;
    flags |= input.right ? MK_RBUTTON : 0;
    flags |= input.shift ? MK_SHIFT : 0;
    flags |= input.control ? MK_CONTROL : 0;
    return flags;
}

void PostInput(HWND target, UINT message, WPARAM wParam, LPARAM lParam, POINT screen) {
    DWORD thread = 0;
    {
        auto lock = Lock();
        Window* window = Find(target);
        if (!window) {
            return;
        }
        thread = window->thread;
    }
    kernel::PostInputToThread(thread, MSG{target, message, wParam, lParam, GetTickCount(), screen});
}

LPARAM ClientPoint(HWND window, POINT screen) {
    POINT local = screen;
    ScreenToClient(window, &local);
    return MAKELPARAM(local.x, local.y);
}

// A tracked window whose client area the cursor has left gets its one
// leave notice.
void NoticeLeave(const Hit& under) {
    HWND tracked = nullptr;
    {
        auto lock = Lock();
        InputState& input = TheStore().input;
        input.lastUnderMouse = under.code == HTCLIENT ? under.window : nullptr;
        if (!input.leaveTracked || (input.leaveTracked == under.window && under.code == HTCLIENT)) {
            return;
        }
        tracked = input.leaveTracked;
        input.leaveTracked = nullptr;
    }
    PostInput(tracked, WM_MOUSELEAVE, 0, 0, POINT{0, 0});
}

// Where a mouse event goes: the capture, else the window under the point.
Hit Route(const Hit& under) {
    HWND capture = GetCapture();
    if (capture) {
        return Hit{capture, HTCLIENT};
    }
    return under;
}

bool DragActive(HWND& window) {
    auto lock = Lock();
    auto& drag = TheStore().input.drag;
    window = drag ? drag->window : nullptr;
    return drag.has_value();
}

void Activate(HWND target) {
    HWND root = GetAncestor(target, GA_ROOT);
    if (!root || GetActiveWindow() == root) {
        return;
    }
    if (GetWindowLongA(root, GWL_EXSTYLE) & WS_EX_NOACTIVATE) {
        return;
    }
    SetActiveWindow(root);
}

UINT ButtonMessage(MouseButton button, bool down, bool doubleClick, bool client) {
    UINT base = button == MouseButton::Left ? (client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN)
                                            : (client ? WM_RBUTTONDOWN : WM_NCRBUTTONDOWN);
    if (!down) {
        return base + 1;
    }
    return doubleClick ? base + 2 : base;
}

bool IsDoubleClick(HWND target, UINT pressMessage, POINT screen) {
    auto lock = Lock();
    InputState& input = TheStore().input;
    Window* window = Find(target);
    DWORD now = GetTickCount();
    bool twice = window && (window->windowClass->style & CS_DBLCLKS) &&
                 input.lastPressWindow == target && input.lastPressMessage == pressMessage &&
                 now - input.lastPressTime <= kDoubleClickTime &&
                 std::abs(screen.x - input.lastPressPoint.x) <= kDoubleClickDistance &&
                 std::abs(screen.y - input.lastPressPoint.y) <= kDoubleClickDistance;
    if (twice) {
        input.lastPressWindow = nullptr;  // a third press starts over
    } else {
        input.lastPressWindow = target;
        input.lastPressMessage = pressMessage;
        input.lastPressTime = now;
        input.lastPressPoint = screen;
    }
    return twice;
}

HWND KeyboardTarget() {
    auto lock = Lock();
    InputState& input = TheStore().input;
    return input.focus ? input.focus : input.active;
}

}  // namespace

void InjectMouseMove(POINT screen) {
    {
        auto lock = Lock();
        TheStore().input.cursor = screen;
    }
    HWND dragged = nullptr;
    if (DragActive(dragged)) {
        PostInput(dragged, kDragStep, 0, MAKELPARAM(screen.x, screen.y), screen);
        return;
    }
    Hit under = HitTestPoint(screen);
    NoticeLeave(under);
    Hit target = Route(under);
    if (!target.window) {
        return;
    }
    WPARAM flags = 0;
    {
        auto lock = Lock();
        flags = KeyStateFlags(TheStore().input);
    }
    if (target.code == HTCLIENT) {
        PostInput(target.window, WM_MOUSEMOVE, flags, ClientPoint(target.window, screen), screen);
    } else {
        PostInput(target.window, WM_NCMOUSEMOVE, WPARAM(target.code),
                  MAKELPARAM(screen.x, screen.y), screen);
    }
}

void InjectMouseButton(MouseButton button, bool down, POINT screen) {
    {
        auto lock = Lock();
        InputState& input = TheStore().input;
        input.cursor = screen;
        (button == MouseButton::Left ? input.left : input.right) = down;
    }
    HWND dragged = nullptr;
    if (DragActive(dragged)) {
        if (button == MouseButton::Left && !down) {
            PostInput(dragged, kDragEnd, 0, MAKELPARAM(screen.x, screen.y), screen);
        }
        return;
    }
    Hit under = HitTestPoint(screen);
    NoticeLeave(under);
    Hit target = Route(under);
    if (!target.window) {
        return;
    }
    if (down && !GetCapture()) {
        Activate(target.window);
        if (!IsWindow(target.window)) {
            return;
        }
    }
    bool client = target.code == HTCLIENT;
    bool twice =
        down && IsDoubleClick(target.window, ButtonMessage(button, true, false, client), screen);
    UINT message = ButtonMessage(button, down, twice, client);
    WPARAM flags = 0;
    {
        auto lock = Lock();
        flags = KeyStateFlags(TheStore().input);
    }
    if (client) {
        PostInput(target.window, message, flags, ClientPoint(target.window, screen), screen);
    } else {
        PostInput(target.window, message, WPARAM(target.code), MAKELPARAM(screen.x, screen.y),
                  screen);
    }
}

void InjectMouseWheel(int delta, POINT screen) {
    WPARAM flags = 0;
    {
        auto lock = Lock();
        TheStore().input.cursor = screen;
        flags = KeyStateFlags(TheStore().input);
    }
    HWND target = KeyboardTarget();
    if (!target) {
        return;
    }
    PostInput(target, WM_MOUSEWHEEL, MAKEWPARAM(int(flags), delta), MAKELPARAM(screen.x, screen.y),
              screen);
}

void InjectKey(UINT virtualKey, bool down) {
    POINT cursor{};
    {
        auto lock = Lock();
        InputState& input = TheStore().input;
        if (virtualKey == VK_SHIFT) {
            input.shift = down;
        } else if (virtualKey == VK_CONTROL) {
            input.control = down;
        }
        cursor = input.cursor;
    }
    HWND target = KeyboardTarget();
    if (!target) {
        return;
    }
    LPARAM flags = down ? 1 : LPARAM(0xC0000001u);
    PostInput(target, down ? WM_KEYDOWN : WM_KEYUP, virtualKey, flags, cursor);
}

void InjectText(const std::string& text) {
    HWND target = KeyboardTarget();
    if (!target) {
        return;
    }
    for (unsigned char byte : text) {
        PostInput(target, WM_CHAR, byte, 1, POINT{0, 0});
    }
}

namespace {
std::atomic<bool> textFromBackend{false};
}  // namespace

void SetTextFromBackend(bool fromBackend) {
    textFromBackend = fromBackend;
}

bool TextFromBackend() {
    return textFromBackend;
}

int CursorCount() {
    auto lock = Lock();
    return TheStore().input.cursorCount;
}

void ResetInputState() {
    auto lock = Lock();
    InputState fresh;
    fresh.cursor = TheStore().input.cursor;
    TheStore().input = fresh;
}

}  // namespace windowing

namespace win {

using namespace windowing;

BOOL GetCursorPos(POINT* point) {
    if (!point) {
        return FALSE;
    }
    auto lock = Lock();
    *point = TheStore().input.cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    InjectMouseMove(POINT{x, y});
    return TRUE;
}

int ShowCursor(BOOL show) {
    auto lock = Lock();
    int& count = TheStore().input.cursorCount;
    count += show ? 1 : -1;
    return count;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
    if (!track || track->cbSize < sizeof(TRACKMOUSEEVENT)) {
        return FALSE;
    }
    bool leaveNow = false;
    {
        auto lock = Lock();
        InputState& input = TheStore().input;
        if (track->dwFlags & TME_QUERY) {
            track->dwFlags = input.leaveTracked ? TME_LEAVE : 0;
            track->hwndTrack = input.leaveTracked;
            return TRUE;
        }
        if (!(track->dwFlags & TME_LEAVE) || !Find(track->hwndTrack)) {
            return track->dwFlags & TME_LEAVE ? FALSE : TRUE;
        }
        if (track->dwFlags & TME_CANCEL) {
            if (input.leaveTracked == track->hwndTrack) {
                input.leaveTracked = nullptr;
            }
            return TRUE;
        }
        // A window the cursor is not over is told at once.
        leaveNow = input.lastUnderMouse != track->hwndTrack;
        input.leaveTracked = leaveNow ? nullptr : track->hwndTrack;
    }
    if (leaveNow) {
        PostMessageA(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
    }
    return TRUE;
}

short GetKeyState(int virtualKey) {
    auto lock = Lock();
    const InputState& input = TheStore().input;
    bool down = false;
    switch (virtualKey) {
        case VK_SHIFT:
            down = input.shift;
            break;
        case VK_CONTROL:
            down = input.control;
            break;
        case 0x01:  // VK_LBUTTON
            down = input.left;
            break;
        case 0x02:  // VK_RBUTTON
            down = input.right;
            break;
        default:
            break;
    }
    return down ? static_cast<short>(0x8000) : 0;
}

HWND WindowFromPoint(POINT point) {
    return HitTestPoint(point).window;
}

}  // namespace win
