// Window classes and the life of a window: creation and destruction.
#include <algorithm>
#include <cstring>

#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"
#include "platform/window/store.h"
#include "platform/window/tooltip.h"
#include "platform/window/window.h"

namespace windowing {
namespace {

using namespace win;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

std::shared_ptr<WindowClass> FindClass(const char* name) {
    auto& classes = TheStore().classes;
    auto value = reinterpret_cast<std::uintptr_t>(name);
    if (value < 0x10000) {
        for (auto& [key, windowClass] : classes) {
            if (windowClass->atom == value) {
                return windowClass;
            }
        }
        return nullptr;
    }
    auto it = classes.find(name);
    return it == classes.end() ? nullptr : it->second;
}

// Top-level windows enter above every window of their band.
void InsertTopLevel(HWND handle, bool topmost) {
    auto& list = TheStore().topLevels;
    auto at = list.begin();
    if (!topmost) {
        at = std::find_if(list.begin(), list.end(), [](HWND other) {
            Window* window = Find(other);
            return window && !window->Topmost();
        });
    }
    list.insert(at, handle);
}

void Unlink(Window& window) {
    auto& siblings = SiblingsOf(window);
    std::erase(siblings, window.handle);
}

void SendDestroyMessages(HWND handle) {
    std::vector<HWND> children;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return;
        }
        window->destroying = true;
        children = window->children;
    }
    CallProcedure(handle, WM_DESTROY, 0, 0);
    for (HWND child : children) {
        SendDestroyMessages(child);
    }
    CallProcedure(handle, WM_NCDESTROY, 0, 0);
    std::shared_ptr<Window> gone;
    {
        auto lock = Lock();
        auto& windows = TheStore().windows;
        auto it = windows.find(handle);
        if (it == windows.end()) {
            return;
        }
        gone = it->second;
        Unlink(*gone);
        windows.erase(it);
    }
    kernel::KillWindowTimers(handle);
}

// The windows of a thread go when the thread ends; their handles then read
// as not windows. No message can reach them any more, so none is sent.
struct ThreadWindows {
    bool used = false;
    ~ThreadWindows() {
        if (!used) {
            return;
        }
        DWORD self = GetCurrentThreadId();
        auto lock = Lock();
        Store& store = TheStore();
        std::vector<HWND> gone;
        for (auto& [handle, window] : store.windows) {
            if (window->thread == self) {
                gone.push_back(handle);
            }
        }
        for (HWND handle : gone) {
            if (Window* window = Find(handle)) {
                Unlink(*window);
            }
        }
        for (HWND handle : gone) {
            store.windows.erase(handle);
        }
        InputState& input = store.input;
        for (HWND* reference : {&input.focus, &input.active, &input.capture, &input.leaveTracked,
                                &input.lastUnderMouse, &input.lastPressWindow}) {
            if (*reference && !Find(*reference)) {
                *reference = nullptr;
            }
        }
        if (input.drag && !Find(input.drag->window)) {
            input.drag.reset();
        }
    }
};

thread_local ThreadWindows threadWindows;

}  // namespace
}  // namespace windowing

namespace win {

using namespace windowing;

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        return 0;
    }
    InstallKernelHooks();
    auto lock = Lock();
    auto& classes = TheStore().classes;
    if (classes.count(windowClass->lpszClassName)) {
        return 0;  // already registered
    }
    auto entry = std::make_shared<WindowClass>();
    entry->name = windowClass->lpszClassName;
    entry->style = windowClass->style;
    entry->proc = windowClass->lpfnWndProc;
    entry->brush = windowClass->hbrBackground;
    entry->cursor = windowClass->hCursor;
    entry->instance = windowClass->hInstance;
    entry->windowExtra = std::max(windowClass->cbWndExtra, 0);
    entry->atom = TheStore().nextAtom++;
    classes[entry->name] = entry;
    return entry->atom;
}

BOOL UnregisterClassA(const char* className, HINSTANCE) {
    if (!className) {
        return FALSE;
    }
    auto lock = Lock();
    auto found = FindClass(className);
    if (!found) {
        return FALSE;
    }
    for (auto& [handle, window] : TheStore().windows) {
        if (window->windowClass == found) {
            return FALSE;  // still in use
        }
    }
    TheStore().classes.erase(found->name);
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param) {
    RegisterToolTipClass();  // the built-in class
    InstallKernelHooks();
    kernel::EnsureMessageQueue();
    threadWindows.used = true;
    bool child = (style & WS_CHILD) != 0;
    HWND handle = nullptr;
    {
        auto lock = Lock();
        auto windowClass = className ? FindClass(className) : nullptr;
        if (!windowClass) {
            return nullptr;
        }
        Window* parentWindow = parent ? Find(parent) : nullptr;
        if ((child && !parentWindow) || (parent && !parentWindow)) {
            return nullptr;
        }
        if (x == CW_USEDEFAULT) {
            x = child ? 0 : 100;
            y = child ? 0 : 100;
        }
        if (width == CW_USEDEFAULT) {
            width = 640;
            height = 480;
        }
        auto window = std::make_shared<Window>();
        handle = reinterpret_cast<HWND>(TheStore().nextHandle);
        TheStore().nextHandle += 4;
        window->handle = handle;
        window->thread = GetCurrentThreadId();
        window->windowClass = windowClass;
        window->proc = windowClass->proc;
        if (!child && !(style & WS_POPUP)) {
            style |= WS_CAPTION | WS_CLIPSIBLINGS;  // overlapped windows always have a caption
        }
        window->style = style & ~WS_VISIBLE;
        window->exStyle = exStyle;
        window->instance = instance;
        window->extra.assign(
            (std::size_t(windowClass->windowExtra) + sizeof(LONG_PTR) - 1) / sizeof(LONG_PTR), 0);
        window->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
        if (child) {
            window->parent = parent;
            window->id = reinterpret_cast<LONG_PTR>(menu);
            parentWindow->children.push_back(handle);
        } else {
            window->owner = parentWindow ? TopLevelOf(parentWindow)->handle : nullptr;
        }
        TheStore().windows[handle] = window;
        if (!child) {
            InsertTopLevel(handle, window->Topmost());
        }
    }
    if (!child) {
        int w = width, h = height;
        ClampToTrackingSizes(handle, w, h);
        if (w != width || h != height) {
            auto lock = Lock();
            if (Window* window = Find(handle)) {
                window->rect.right = window->rect.left + w;
                window->rect.bottom = window->rect.top + h;
            }
        }
        width = w;
        height = h;
    }
    CREATESTRUCTA create{param, instance, menu,        parent,     height,    width,
                         y,     x,        LONG(style), windowName, className, exStyle};
    if (!CallProcedure(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
        SendDestroyMessages(handle);
        return nullptr;
    }
    if (CallProcedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!IsWindow(handle)) {
        return nullptr;  // destroyed while being created
    }
    RECT client{};
    GetClientRect(handle, &client);
    CallProcedure(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    POINT origin{0, 0};
    ClientToScreen(handle, &origin);
    if (parent) {
        ScreenToClient(parent, &origin);
    }
    CallProcedure(handle, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if (style & WS_VISIBLE) {
        ShowWindow(handle, SW_SHOW);
    }
    return IsWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
    std::vector<HWND> owned;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window || window->destroying || window->thread != GetCurrentThreadId()) {
            return FALSE;
        }
        for (HWND top : TheStore().topLevels) {
            Window* other = Find(top);
            if (other && other->owner == handle) {
                owned.push_back(top);
            }
        }
    }
    for (HWND ownedWindow : owned) {
        DestroyWindow(ownedWindow);
    }
    if (IsWindowVisible(handle)) {
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ForgetInputOf(handle);
    SendDestroyMessages(handle);
    std::vector<std::pair<DWORD, bool>> states;
    {
        auto lock = Lock();
        states = PaintStates();
    }
    PublishPaintStates(states);
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    auto lock = Lock();
    return Find(handle) ? TRUE : FALSE;
}

int GetClassNameA(HWND handle, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) {
        return 0;
    }
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        buffer[0] = '\0';
        return 0;
    }
    const std::string& name = window->windowClass->name;
    int count = std::min<int>(int(name.size()), bufferSize - 1);
    std::memcpy(buffer, name.data(), std::size_t(count));
    buffer[count] = '\0';
    return count;
}

}  // namespace win
