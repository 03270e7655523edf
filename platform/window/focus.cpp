// Activation, the foreground window, keyboard focus and mouse capture.
#include <algorithm>

#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

// Whether window is target or one of target's ancestors (lock held).
bool Contains(HWND window, HWND target) {
    for (Window* at = Find(target); at; at = at->parent ? Find(at->parent) : nullptr) {
        if (at->handle == window) {
            return true;
        }
    }
    return false;
}

HWND RootOf(HWND handle) {
    auto lock = Lock();
    Window* top = TopLevelOf(Find(handle));
    return top ? top->handle : nullptr;
}

// The next window to activate when the active one goes away: the topmost
// visible top-level window other than leaving (lock held).
HWND NextActivation(HWND leaving) {
    for (HWND handle : TheStore().topLevels) {
        Window* window = Find(handle);
        if (handle != leaving && window && ReallyVisible(*window) && !window->destroying &&
            !(window->exStyle & WS_EX_NOACTIVATE)) {
            return handle;
        }
    }
    return nullptr;
}

void EndDragOf(HWND window) {
    bool ended = false;
    {
        auto lock = Lock();
        auto& drag = TheStore().input.drag;
        if (drag && drag->window == window) {
            drag.reset();
            ended = true;
        }
    }
    if (ended) {
        SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    }
}

}  // namespace

void ForgetInputOf(HWND handle) {
    bool focusInside = false, captureInside = false, activeInside = false;
    HWND next = nullptr;
    {
        auto lock = Lock();
        InputState& input = TheStore().input;
        focusInside = input.focus && Contains(handle, input.focus);
        captureInside = input.capture && Contains(handle, input.capture);
        activeInside = input.active && Contains(handle, input.active);
        if (input.leaveTracked && Contains(handle, input.leaveTracked)) {
            input.leaveTracked = nullptr;
        }
        if (input.lastUnderMouse && Contains(handle, input.lastUnderMouse)) {
            input.lastUnderMouse = nullptr;
        }
        if (input.lastPressWindow && Contains(handle, input.lastPressWindow)) {
            input.lastPressWindow = nullptr;
        }
        if (activeInside) {
            next = NextActivation(input.active);
        }
    }
    if (captureInside) {
        ReleaseCapture();
    }
    if (focusInside) {
        SetFocus(nullptr);
    }
    if (activeInside) {
        SetActiveWindow(next);
    }
}

}  // namespace windowing

namespace win {

using namespace windowing;

HWND SetActiveWindow(HWND handle) {
    HWND root = handle ? RootOf(handle) : nullptr;
    if (handle && !root) {
        return nullptr;
    }
    HWND old = nullptr;
    {
        auto lock = Lock();
        old = TheStore().input.active;
        if (old == root) {
            return old;
        }
        TheStore().input.active = root;
        if (Window* window = Find(root)) {
            // Activation brings a window to the top of its band.
            auto& list = TheStore().topLevels;
            std::erase(list, root);
            auto at = window->Topmost() ? list.begin()
                                        : std::find_if(list.begin(), list.end(), [](HWND other) {
                                              Window* w = Find(other);
                                              return w && !w->Topmost();
                                          });
            list.insert(at, root);
            window->frameDirty = true;
        }
        if (Window* window = Find(old)) {
            window->frameDirty = true;
        }
    }
    if (old) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(root));
        HWND focus = GetFocus();
        if (focus && (focus == old || IsChild(old, focus))) {
            SetFocus(nullptr);
        }
    }
    if (root) {
        SendMessageA(root, WM_NCACTIVATE, TRUE, 0);
        SendMessageA(root, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    }
    return old;
}

HWND GetActiveWindow() {
    auto lock = Lock();
    return TheStore().input.active;
}

BOOL SetForegroundWindow(HWND handle) {
    if (!IsWindow(handle)) {
        return FALSE;
    }
    SetActiveWindow(handle);
    return TRUE;
}

HWND GetForegroundWindow() {
    return GetActiveWindow();
}

HWND SetFocus(HWND handle) {
    if (handle && !IsWindow(handle)) {
        return nullptr;
    }
    if (handle) {
        HWND root = RootOf(handle);
        if (GetActiveWindow() != root) {
            SetActiveWindow(root);
        }
    }
    HWND old = GetFocus();
    if (old == handle) {
        return old;
    }
    if (old) {
        SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    }
    {
        auto lock = Lock();
        TheStore().input.focus = handle && Find(handle) ? handle : nullptr;
    }
    if (handle && IsWindow(handle)) {
        SendMessageA(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
    return old;
}

HWND GetFocus() {
    auto lock = Lock();
    return TheStore().input.focus;
}

HWND SetCapture(HWND handle) {
    HWND old = nullptr;
    {
        auto lock = Lock();
        if (!Find(handle)) {
            return nullptr;
        }
        old = TheStore().input.capture;
        TheStore().input.capture = handle;
    }
    if (old && old != handle) {
        EndDragOf(old);
        SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(handle));
    }
    return old;
}

BOOL ReleaseCapture() {
    HWND old = nullptr;
    {
        auto lock = Lock();
        old = TheStore().input.capture;
        TheStore().input.capture = nullptr;
    }
    if (old) {
        EndDragOf(old);
        SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() {
    auto lock = Lock();
    return TheStore().input.capture;
}

}  // namespace win
