// Window procedures, messages sent and posted, window longs, properties,
// texts and timers.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/kernel/clock.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"
#include "platform/window/input.h"
#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {

using namespace win;

LRESULT CallProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return 0;
        }
        proc = window->proc;
    }
    return proc ? proc(handle, message, wParam, lParam)
                : DefWindowProcA(handle, message, wParam, lParam);
}

namespace {

std::string PropName(const char* name) {
    auto value = reinterpret_cast<std::uintptr_t>(name);
    if (value < 0x10000) {
        return "#" + std::to_string(value);  // an atom
    }
    return name;
}

bool AdmitsLocked(HWND filter, HWND target) {
    for (Window* at = Find(target); at; at = at->parent ? Find(at->parent) : nullptr) {
        if (at->handle == filter) {
            return true;
        }
    }
    return false;
}

}  // namespace
}  // namespace windowing

namespace win {

using namespace windowing;

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(window, message, wParam, lParam) : 0;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD thread = 0;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return 0;
        }
        thread = window->thread;
    }
    if (thread == GetCurrentThreadId()) {
        return CallProcedure(handle, message, wParam, lParam);
    }
    auto result = kernel::SendToThread(
        thread, [=] { return CallProcedure(handle, message, wParam, lParam); });
    return result.value_or(0);
}

BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!handle) {
        return PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam);
    }
    DWORD thread = 0;
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        thread = window->thread;
    }
    MSG msg{handle, message, wParam, lParam, 0, {0, 0}};
    return kernel::PostToThread(thread, msg) ? TRUE : FALSE;
}

LONG_PTR SetWindowLongA(HWND handle, int index, LONG_PTR value) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return 0;
    }
    LONG_PTR old = 0;
    switch (index) {
        case GWL_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(window->proc);
            window->proc = reinterpret_cast<WNDPROC>(value);
            break;
        case GWL_STYLE:
            old = LONG_PTR(window->style);
            window->style = DWORD(value);
            break;
        case GWL_EXSTYLE:
            old = LONG_PTR(window->exStyle);
            window->exStyle = DWORD(value);
            if (!(window->exStyle & WS_EX_LAYERED) && window->layeredContent) {
                window->layeredContent = false;
                window->constantAlpha = 255;
                window->surface.reset();
                EnsureSurface(*window);
            }
            break;
        case GWL_USERDATA:
            old = window->userData;
            window->userData = value;
            break;
        case GWL_ID:
            old = window->id;
            window->id = value;
            break;
        case GWL_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(window->instance);
            window->instance = reinterpret_cast<HINSTANCE>(value);
            break;
        case GWL_HWNDPARENT:
            old = reinterpret_cast<LONG_PTR>(window->owner);
            if (!window->IsChild()) {
                window->owner = reinterpret_cast<HWND>(value);
            }
            break;
        default:
            if (index < 0 ||
                std::size_t(index) + sizeof(LONG_PTR) > window->extra.size() * sizeof(LONG_PTR)) {
                return 0;
            }
            std::memcpy(&old, reinterpret_cast<char*>(window->extra.data()) + index, sizeof old);
            std::memcpy(reinterpret_cast<char*>(window->extra.data()) + index, &value,
                        sizeof value);
            break;
    }
    return old;
}

LONG_PTR GetWindowLongA(HWND handle, int index) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return 0;
    }
    switch (index) {
        case GWL_WNDPROC:
            return reinterpret_cast<LONG_PTR>(window->proc);
        case GWL_STYLE:
            return LONG_PTR(window->style);
        case GWL_EXSTYLE:
            return LONG_PTR(window->exStyle);
        case GWL_USERDATA:
            return window->userData;
        case GWL_ID:
            return window->id;
        case GWL_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(window->instance);
        case GWL_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>(window->IsChild() ? window->parent : window->owner);
        default: {
            if (index < 0 ||
                std::size_t(index) + sizeof(LONG_PTR) > window->extra.size() * sizeof(LONG_PTR)) {
                return 0;
            }
            LONG_PTR value = 0;
            std::memcpy(&value, reinterpret_cast<char*>(window->extra.data()) + index,
                        sizeof value);
            return value;
        }
    }
}

DWORD GetWindowThreadProcessId(HWND handle, DWORD* processId) {
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return 0;
    }
    if (processId) {
        *processId = DWORD(::getpid());
    }
    return window->thread;
}

BOOL SetPropA(HWND handle, const char* name, HANDLE value) {
    if (!name) {
        return FALSE;
    }
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return FALSE;
    }
    window->props[PropName(name)] = value;
    return TRUE;
}

HANDLE GetPropA(HWND handle, const char* name) {
    if (!name) {
        return nullptr;
    }
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return nullptr;
    }
    auto it = window->props.find(PropName(name));
    return it == window->props.end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND handle, const char* name) {
    if (!name) {
        return nullptr;
    }
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return nullptr;
    }
    auto it = window->props.find(PropName(name));
    if (it == window->props.end()) {
        return nullptr;
    }
    HANDLE value = it->second;
    window->props.erase(it);
    return value;
}

BOOL SetWindowTextA(HWND handle, const char* text) {
    if (!IsWindow(handle)) {
        return FALSE;
    }
    return SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                           : FALSE;
}

int GetWindowTextA(HWND handle, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    return int(
        SendMessageA(handle, WM_GETTEXT, WPARAM(bufferSize), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND handle) {
    return int(SendMessageA(handle, WM_GETTEXTLENGTH, 0, 0));
}

UINT_PTR SetTimer(HWND handle, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
    DWORD thread = GetCurrentThreadId();
    if (handle) {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return 0;
        }
        thread = window->thread;
    }
    return kernel::SetThreadTimer(thread, handle, id, milliseconds, proc);
}

BOOL KillTimer(HWND handle, UINT_PTR id) {
    DWORD thread = GetCurrentThreadId();
    if (handle) {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window) {
            return FALSE;
        }
        thread = window->thread;
    }
    return kernel::KillThreadTimer(thread, handle, id) ? TRUE : FALSE;
}

}  // namespace win

namespace windowing {

namespace {

bool NextPaint(HWND filter, MSG* out) {
    DWORD self = GetCurrentThreadId();
    std::vector<std::pair<DWORD, bool>> states;
    HWND found = nullptr;
    {
        auto lock = Lock();
        // Parents before their children, and siblings from the bottom of the
        // z-order up, so what lies above paints last.
        std::vector<HWND> pending(TheStore().topLevels.rbegin(), TheStore().topLevels.rend());
        while (!pending.empty() && !found) {
            HWND handle = pending.back();
            pending.pop_back();
            Window* window = Find(handle);
            if (!window || !ReallyVisible(*window)) {
                continue;
            }
            if (window->thread == self && window->hasUpdate && !window->destroying &&
                (!filter || AdmitsLocked(filter, handle))) {
                found = handle;
                break;
            }
            pending.insert(pending.end(), window->children.begin(), window->children.end());
        }
        if (!found) {
            states = PaintStates();
        }
    }
    if (!found) {
        PublishPaintStates(states);
        return false;
    }
    *out = MSG{found, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
    return true;
}

LRESULT Dispatch(const MSG& msg) {
    if (msg.message == kDragStep || msg.message == kDragEnd) {
        ContinueDrag(POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)},
                     msg.message == kDragEnd);
        return 0;
    }
    return CallProcedure(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

// Character keys give WM_CHAR, posted so that it is retrieved next.
bool Translate(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) {
        return false;
    }
    UINT key = UINT(msg.wParam);
    bool shift = GetKeyState(int(VK_SHIFT)) < 0;
    int character = 0;
    if (TextFromBackend()) {
        bool control = key == VK_RETURN || key == VK_BACK || key == VK_TAB || key == VK_ESCAPE;
        character = control ? int(key) : 0;
    } else if (key >= 'A' && key <= 'Z') {
        character = shift ? int(key) : int(key - 'A' + 'a');
    } else if (key >= '0' && key <= '9') {
        character = int(key);
    } else if (key == VK_SPACE || key == VK_RETURN || key == VK_BACK || key == VK_TAB ||
               key == VK_ESCAPE) {
        character = int(key);
    }
    if (character == 0) {
        return false;
    }
    PostMessageA(msg.hwnd, WM_CHAR, WPARAM(character), msg.lParam);
    return true;
}

}  // namespace

void InstallKernelHooks() {
    static std::once_flag once;
    std::call_once(once, [] {
        kernel::WindowHooks hooks;
        hooks.nextPaint = NextPaint;
        hooks.dispatch = Dispatch;
        hooks.translate = Translate;
        hooks.filterAdmits = [](HWND filter, HWND target) {
            auto lock = Lock();
            return AdmitsLocked(filter, target);
        };
        kernel::SetWindowHooks(std::move(hooks));
    });
}

}  // namespace windowing
