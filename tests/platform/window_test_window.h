#pragma once
// A window class for tests whose procedure records every message and lets a
// test answer chosen messages per window.
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/window/window.h"

namespace window_test {

struct Seen {
    win::HWND window;
    win::UINT message;
    win::WPARAM wParam;
    win::LPARAM lParam;
};

using Handler =
    std::function<std::optional<win::LRESULT>(win::HWND, win::UINT, win::WPARAM, win::LPARAM)>;

class Log {
  public:
    static Log& Get() {
        static Log log;
        return log;
    }
    void Clear() {
        std::lock_guard guard(mutex_);
        seen_.clear();
        handlers_.clear();
    }
    void Add(const Seen& seen) {
        std::lock_guard guard(mutex_);
        seen_.push_back(seen);
    }
    std::vector<Seen> All() {
        std::lock_guard guard(mutex_);
        return seen_;
    }
    // Messages of one kind, optionally for one window.
    std::vector<Seen> Of(win::UINT message, win::HWND window = nullptr) {
        std::lock_guard guard(mutex_);
        std::vector<Seen> found;
        for (const Seen& seen : seen_) {
            if (seen.message == message && (!window || seen.window == window)) {
                found.push_back(seen);
            }
        }
        return found;
    }
    void Handle(win::HWND window, Handler handler) {
        std::lock_guard guard(mutex_);
        handlers_[window] = std::move(handler);
    }
    Handler HandlerOf(win::HWND window) {
        std::lock_guard guard(mutex_);
        auto it = handlers_.find(window);
        return it == handlers_.end() ? Handler{} : it->second;
    }

  private:
    std::mutex mutex_;
    std::vector<Seen> seen_;
    std::map<win::HWND, Handler> handlers_;
};

inline win::LRESULT Procedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                              win::LPARAM lParam) {
    Log::Get().Add(Seen{window, message, wParam, lParam});
    if (Handler handler = Log::Get().HandlerOf(window)) {
        if (auto result = handler(window, message, wParam, lParam)) {
            return *result;
        }
    }
    return win::DefWindowProcA(window, message, wParam, lParam);
}

constexpr const char* kClass = "VerdelTestWindow";
constexpr const char* kDoubleClickClass = "VerdelTestWindowDbl";

inline void RegisterClasses() {
    for (const char* name : {kClass, kDoubleClickClass}) {
        win::WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = name == kClass ? 0 : win::CS_DBLCLKS;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hbrBackground = reinterpret_cast<win::HBRUSH>(std::uintptr_t(15 + 1));
        windowClass.lpszClassName = name;
        win::RegisterClassExA(&windowClass);  // again in later tests: already there
    }
}

inline win::HWND Make(win::DWORD style, int x, int y, int width, int height,
                      win::HWND parent = nullptr, win::DWORD exStyle = 0, const char* text = "",
                      const char* className = kClass) {
    RegisterClasses();
    return win::CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                                nullptr, nullptr, nullptr);
}

inline win::HWND Popup(int x, int y, int width, int height, win::DWORD exStyle = 0) {
    return Make(win::WS_POPUP | win::WS_VISIBLE, x, y, width, height, nullptr, exStyle);
}

inline win::HWND Child(win::HWND parent, int x, int y, int width, int height,
                       win::DWORD extraStyle = 0) {
    return Make(win::WS_CHILD | win::WS_VISIBLE | extraStyle, x, y, width, height, parent);
}

}  // namespace window_test
