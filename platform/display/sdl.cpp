// The SDL2 driver: every visible top-level window is a real window on the
// desktop, showing the pixels the window system painted, and the person's
// mouse, wheel, keys and typed text come in as raw input.
//
// Everything SDL happens on the thread that created the driver (the window
// thread). Windows of other threads (a worker's message box) show the
// frames their own thread takes whenever it is about to wait. The kernel gives the driver its turn
// whenever that thread is about to block for messages: the driver first brings the real windows in
// step with the window system (shown, hidden, moved, resized, restacked,
// retitled, new pixels), then turns the SDL events waiting into raw input,
// which the retrieval then finds. Doing it there means a frame always shows
// a finished paint, input is routed on the thread that owns the windows, and
// no other thread touches window pixels. A watcher thread sleeps on the X
// connection and wakes the window thread when events arrive, so an idle
// program costs no CPU; with another video driver the watcher wakes the
// thread every 10 ms instead.
//
// Real windows carry no decoration of the desktop: the window system draws
// captions and frames itself, so a real window shows exactly the window's
// rectangle, the same pixels a headless screenshot shows.
#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/display/compose.h"
#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/codepage.h"
#include "platform/kernel/threads.h"
#include "platform/window/input.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"

namespace display {
namespace {

using win::HWND;

constexpr int kFallbackWakeMilliseconds = 10;
constexpr int kServedWaitMilliseconds = 1000;

// Wakes the window thread when the display connection has something to
// read; after each wake it waits until the thread took its turn (or a
// second passed), so unread data does not make it spin.
class DeviceWatcher {
  public:
    DeviceWatcher(int displayFd, win::DWORD windowThread)
        : fd_(displayFd), windowThread_(windowThread) {
        thread_ = std::thread([this] { Run(); });
    }
    ~DeviceWatcher() {
        Signal(stop_);
        thread_.join();
        ::close(stop_);
        ::close(served_);
    }
    DeviceWatcher(const DeviceWatcher&) = delete;
    DeviceWatcher& operator=(const DeviceWatcher&) = delete;

    // The window thread took its turn.
    void Served() { Signal(served_); }

  private:
    static void Signal(int fd) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(fd, &one, sizeof one);
    }
    static void Drain(int fd) {
        std::uint64_t count = 0;
        [[maybe_unused]] auto read = ::read(fd, &count, sizeof count);
    }

    // Waits for fd or stop; false when stopping.
    bool WaitFor(int fd, int milliseconds) {
        pollfd fds[2] = {{stop_, POLLIN, 0}, {fd, POLLIN, 0}};
        int count = fd >= 0 ? 2 : 1;
        while (::poll(fds, nfds_t(count), milliseconds) < 0) {
        }
        return !(fds[0].revents & POLLIN);
    }

    void Run() {
        while (WaitFor(fd_, fd_ >= 0 ? -1 : kFallbackWakeMilliseconds)) {
            Drain(served_);
            kernel::WakeForDevice(windowThread_);
            if (fd_ >= 0 && !WaitFor(served_, kServedWaitMilliseconds)) {
                return;
            }
        }
    }

    int fd_;
    win::DWORD windowThread_;
    int stop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    int served_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::thread thread_;
};

// A real window standing for one top-level window.
struct RealWindow {
    SDL_Window* sdl = nullptr;
    Uint32 id = 0;
    // Where the real window is as far as we know: what we last asked for,
    // or what it last reported.
    win::RECT known{};
    std::string title;
    bool topmost = false;
    bool shown = false;
    bool minimized = false;
    // What the real window shows now (straight opaque pixels), empty when
    // it must be drawn afresh.
    std::vector<std::uint32_t> presented;
};

// Frames of windows that other threads own. Only its owner touches a
// window's pixels, so each thread takes the frames of its own windows when
// it is about to wait, and wakes the driver's thread to show them.
struct Frame {
    Image image;
    std::string title;
};

struct Frames {
    std::mutex lock;
    std::map<HWND, Frame> latest;
};

int Width(const win::RECT& rect) {
    return rect.right - rect.left;
}

int Height(const win::RECT& rect) {
    return rect.bottom - rect.top;
}

std::string TitleOf(HWND window) {
    char buffer[512] = {};
    win::GetWindowTextA(window, buffer, int(sizeof buffer));
    return codepage::GbkToUtf8(buffer);
}

// The calling thread's part: its shown windows' frames, when they changed.
void TakeFrames(Frames& frames, win::DWORD driverThread) {
    win::DWORD self = win::GetCurrentThreadId();
    bool changed = false;
    for (const windowing::ScreenWindow& window : windowing::ScreenWindows()) {
        if (!window.surface || win::GetWindowThreadProcessId(window.window, nullptr) != self) {
            continue;
        }
        const windowing::Surface& surface = *window.surface;
        Frame frame{
            detail::FromSurface(surface, win::RECT{0, 0, surface.width, surface.height}, false),
            TitleOf(window.window)};
        std::lock_guard guard(frames.lock);
        Frame& slot = frames.latest[window.window];
        if (slot.image.width != frame.image.width || slot.image.pixels != frame.image.pixels ||
            slot.title != frame.title) {
            slot = std::move(frame);
            changed = true;
        }
    }
    if (changed) {
        kernel::WakeForDevice(driverThread);
    }
}

// What kind of real window a top-level window is.
Uint32 KindOf(HWND window) {
    auto style = win::DWORD(win::GetWindowLongA(window, win::GWL_STYLE));
    auto exStyle = win::DWORD(win::GetWindowLongA(window, win::GWL_EXSTYLE));
    char className[64] = {};
    win::GetClassNameA(window, className, int(sizeof className));
    Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    bool captioned = (style & win::WS_CAPTION) == win::WS_CAPTION;
    bool popup = (style & win::WS_POPUP) && !captioned;
    if (SDL_strcasecmp(className, "tooltips_class32") == 0) {
        flags |= SDL_WINDOW_TOOLTIP;
    } else if (popup &&
               (exStyle & (win::WS_EX_TOOLWINDOW | win::WS_EX_NOACTIVATE | win::WS_EX_TOPMOST))) {
        flags |= SDL_WINDOW_POPUP_MENU;  // drop-down lists, menus
    } else if (exStyle & win::WS_EX_TOOLWINDOW) {
        flags |= SDL_WINDOW_UTILITY;
    }
    if (win::GetWindow(window, win::GW_OWNER) ||
        (flags & ~(SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN))) {
        flags |= SDL_WINDOW_SKIP_TASKBAR;
    }
    if (style & win::WS_THICKFRAME) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    return flags;
}

// Virtual keys of the keys the window system knows by name; letters and
// digits are their characters.
win::UINT VirtualKeyOf(const SDL_Keysym& key) {
    SDL_Keycode code = key.sym;
    if (code >= SDLK_a && code <= SDLK_z) {
        return win::UINT('A' + (code - SDLK_a));
    }
    if (code >= SDLK_0 && code <= SDLK_9) {
        return win::UINT('0' + (code - SDLK_0));
    }
    if (code >= SDLK_F1 && code <= SDLK_F12) {
        return win::UINT(0x70 + (code - SDLK_F1));
    }
    switch (code) {
        case SDLK_BACKSPACE:
            return win::VK_BACK;
        case SDLK_TAB:
            return win::VK_TAB;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return win::VK_RETURN;
        case SDLK_ESCAPE:
            return win::VK_ESCAPE;
        case SDLK_SPACE:
            return win::VK_SPACE;
        case SDLK_PAGEUP:
            return 0x21;
        case SDLK_PAGEDOWN:
            return 0x22;
        case SDLK_END:
            return win::VK_END;
        case SDLK_HOME:
            return win::VK_HOME;
        case SDLK_LEFT:
            return win::VK_LEFT;
        case SDLK_UP:
            return win::VK_UP;
        case SDLK_RIGHT:
            return win::VK_RIGHT;
        case SDLK_DOWN:
            return win::VK_DOWN;
        case SDLK_INSERT:
            return 0x2D;
        case SDLK_DELETE:
            return win::VK_DELETE;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return win::VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return win::VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return win::VK_MENU;
        default:
            return 0;
    }
}

class SdlDriver final : public Driver {
  public:
    SdlDriver(win::SIZE size, win::DWORD thread) : Driver(size), thread_(thread) {
        windowing::SetTextFromBackend(true);
        SDL_StartTextInput();
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        kernel::SetBeforeWaitHook([this, thread, frames = frames_] {
            if (win::GetCurrentThreadId() == thread) {
                return Turn();
            }
            // Other threads never touch the driver itself.
            TakeFrames(*frames, thread);
            return false;
        });
    }

    ~SdlDriver() override {
        kernel::SetBeforeWaitHook(nullptr);
        watcher_.reset();
        if (captured_) {
            SDL_CaptureMouse(SDL_FALSE);
        }
        for (auto& [handle, real] : windows_) {
            SDL_DestroyWindow(real.sdl);
        }
        windows_.clear();
        windowing::SetTextFromBackend(false);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void Present() override {
        if (win::GetCurrentThreadId() != thread_) {
            return;
        }
        std::vector<windowing::ScreenWindow> shown = windowing::ScreenWindows();
        LetGo(shown);
        std::vector<HWND> order;
        for (const windowing::ScreenWindow& window : shown) {
            Frame frame = FrameOf(window);
            // A window of another thread shows once that thread gave a frame.
            RealWindow* real = frame.image.pixels.empty() && !Own(window.window)
                                   ? nullptr
                                   : Ensure(window.window, frame.title);
            if (!real) {
                continue;
            }
            Follow(*real, window, std::move(frame.title));
            Draw(*real, window, std::move(frame.image));
            order.push_back(window.window);
        }
        Restack(order);
        FollowCapture();
        FollowCursor();
        FollowActivation();
    }

    Image CaptureShown(HWND window) const override {
        Image image;
        auto it = windows_.find(window);
        if (it == windows_.end() || !it->second.shown) {
            return image;
        }
        SDL_Surface* surface = SDL_GetWindowSurface(it->second.sdl);
        if (!surface) {
            return image;
        }
        image.width = surface->w;
        image.height = surface->h;
        image.pixels.resize(std::size_t(surface->w) * std::size_t(surface->h));
        SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels,
                          surface->pitch, SDL_PIXELFORMAT_ARGB8888, image.pixels.data(),
                          surface->w * 4);
        for (std::uint32_t& pixel : image.pixels) {
            pixel |= 0xFF000000u;
        }
        return image;
    }

  private:
    // The driver's turn before the window thread blocks: show, then read
    // input. True when events were handled (the retrieval looks again).
    bool Turn() {
        Present();
        bool handled = false;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            Handle(event);
            handled = true;
        }
        if (watcher_) {
            watcher_->Served();
        }
        return handled;
    }

    bool Own(HWND window) const {
        return win::GetWindowThreadProcessId(window, nullptr) == thread_;
    }

    // A window's frame: composed here for the driver thread's own windows,
    // else as its thread last took it.
    Frame FrameOf(const windowing::ScreenWindow& window) {
        if (!Own(window.window)) {
            std::lock_guard guard(frames_->lock);
            auto it = frames_->latest.find(window.window);
            return it == frames_->latest.end() ? Frame{} : it->second;
        }
        Frame frame;
        frame.title = TitleOf(window.window);
        if (window.layered) {
            frame.image = detail::ComposeArea(ScreenSize(), window.rect, window.window);
        } else if (window.surface) {
            const windowing::Surface& surface = *window.surface;
            frame.image =
                detail::FromSurface(surface, win::RECT{0, 0, surface.width, surface.height}, false);
        }
        return frame;
    }

    // Real windows of windows no longer shown: gone with their window,
    // minimised with it, or hidden.
    void LetGo(const std::vector<windowing::ScreenWindow>& shown) {
        for (auto it = windows_.begin(); it != windows_.end();) {
            HWND handle = it->first;
            RealWindow& real = it->second;
            bool stillShown = std::any_of(shown.begin(), shown.end(), [&](const auto& window) {
                return window.window == handle;
            });
            if (stillShown) {
                ++it;
                continue;
            }
            if (!win::IsWindow(handle)) {
                SDL_DestroyWindow(real.sdl);
                std::lock_guard guard(frames_->lock);
                frames_->latest.erase(handle);
                it = windows_.erase(it);
                continue;
            }
            if (win::IsWindowVisible(handle) && win::IsIconic(handle)) {
                if (!real.minimized) {
                    SDL_MinimizeWindow(real.sdl);
                    real.minimized = true;
                }
            } else if (real.shown) {
                SDL_HideWindow(real.sdl);
                real.shown = false;
            }
            ++it;
        }
    }

    RealWindow* Ensure(HWND handle, const std::string& title) {
        auto it = windows_.find(handle);
        if (it != windows_.end()) {
            return &it->second;
        }
        win::RECT rect{};
        win::GetWindowRect(handle, &rect);
        RealWindow real;
        real.title = title;
        real.sdl =
            SDL_CreateWindow(real.title.c_str(), rect.left, rect.top, std::max(Width(rect), 1),
                             std::max(Height(rect), 1), KindOf(handle));
        if (!real.sdl) {
            return nullptr;
        }
        real.id = SDL_GetWindowID(real.sdl);
        real.known = rect;
        if (!watcher_) {
            StartWatcher(real.sdl);
        }
        return &windows_.emplace(handle, std::move(real)).first->second;
    }

    void StartWatcher(SDL_Window* window) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        int fd = -1;
        if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
            fd = ConnectionNumber(info.info.x11.display);
        }
        watcher_ = std::make_unique<DeviceWatcher>(fd, thread_);
    }

    // Place, size, title, always-on-top and visibility as the window has them.
    void Follow(RealWindow& real, const windowing::ScreenWindow& window, std::string title) {
        const win::RECT& rect = window.rect;
        if (Width(rect) != Width(real.known) || Height(rect) != Height(real.known)) {
            SDL_SetWindowSize(real.sdl, std::max(Width(rect), 1), std::max(Height(rect), 1));
            real.presented.clear();
        }
        if (rect.left != real.known.left || rect.top != real.known.top) {
            SDL_SetWindowPosition(real.sdl, rect.left, rect.top);
        }
        real.known = rect;
        if (title != real.title) {
            SDL_SetWindowTitle(real.sdl, title.c_str());
            real.title = std::move(title);
        }
        bool topmost =
            (win::GetWindowLongA(window.window, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST) != 0;
        if (topmost != real.topmost) {
            SDL_SetWindowAlwaysOnTop(real.sdl, topmost ? SDL_TRUE : SDL_FALSE);
            real.topmost = topmost;
        }
        if (real.minimized) {
            SDL_RestoreWindow(real.sdl);
            real.minimized = false;
        }
        if (!real.shown) {
            SDL_ShowWindow(real.sdl);
            real.shown = true;
            real.presented.clear();
            shownNow_.push_back(window.window);
        }
    }

    // The window's pixels as the screen composes them; only the rows that
    // changed since the last frame go to the real window.
    void Draw(RealWindow& real, const windowing::ScreenWindow& window, Image image) {
        SDL_Surface* target = SDL_GetWindowSurface(real.sdl);
        if (!target || target->w != Width(window.rect) || target->h != Height(window.rect)) {
            return;
        }
        if (image.width != target->w || image.height != target->h) {
            return;
        }
        int width = image.width;
        int first = 0, last = image.height - 1;
        if (real.presented.size() == image.pixels.size()) {
            auto same = [&](int row) {
                return std::memcmp(&image.pixels[std::size_t(row) * std::size_t(width)],
                                   &real.presented[std::size_t(row) * std::size_t(width)],
                                   std::size_t(width) * 4) == 0;
            };
            while (first <= last && same(first)) {
                ++first;
            }
            while (last >= first && same(last)) {
                --last;
            }
            if (first > last) {
                return;
            }
        }
        int rows = last - first + 1;
        SDL_ConvertPixels(
            width, rows, SDL_PIXELFORMAT_ARGB8888,
            &image.pixels[std::size_t(first) * std::size_t(width)], width * 4,
            target->format->format,
            static_cast<Uint8*>(target->pixels) + std::ptrdiff_t(first) * target->pitch,
            target->pitch);
        SDL_Rect band{0, first, width, rows};
        SDL_UpdateWindowSurfaceRects(real.sdl, &band, 1);
        real.presented = std::move(image.pixels);
    }

    // Stacks the real windows as the window system does, bottom first. A
    // real window shown now is on top already; others are raised only when
    // the order of the window system changed.
    void Restack(const std::vector<HWND>& order) {
        std::vector<HWND> expected;
        for (HWND handle : stacked_) {
            bool kept = std::find(order.begin(), order.end(), handle) != order.end() &&
                        std::find(shownNow_.begin(), shownNow_.end(), handle) == shownNow_.end();
            if (kept) {
                expected.push_back(handle);
            }
        }
        for (HWND handle : order) {
            if (std::find(expected.begin(), expected.end(), handle) == expected.end() &&
                std::find(shownNow_.begin(), shownNow_.end(), handle) != shownNow_.end()) {
                expected.push_back(handle);
            }
        }
        shownNow_.clear();
        std::size_t same = 0;
        while (same < order.size() && same < expected.size() && order[same] == expected[same]) {
            ++same;
        }
        for (std::size_t i = same; i < order.size() && order != expected; ++i) {
            auto it = windows_.find(order[i]);
            if (it != windows_.end()) {
                SDL_RaiseWindow(it->second.sdl);
            }
        }
        stacked_ = order;
    }

    void FollowCapture() {
        HWND capture = win::GetCapture();
        bool want = capture && windows_.count(win::GetAncestor(capture, win::GA_ROOT)) > 0;
        // Capturing needs the pointer over a window with the keyboard; it is
        // tried again next frame when it could not be taken.
        if (want != captured_ && (SDL_CaptureMouse(want ? SDL_TRUE : SDL_FALSE) == 0 || !want)) {
            captured_ = want;
        }
    }

    void FollowCursor() {
        bool show = windowing::CursorCount() >= 0;
        if (show != cursorShown_) {
            SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
            cursorShown_ = show;
        }
    }

    // The keyboard goes where the window system's active window is.
    void FollowActivation() {
        HWND active = win::GetActiveWindow();
        if (active == lastActive_) {
            return;
        }
        lastActive_ = active;
        auto it = windows_.find(active);
        if (it == windows_.end() || !it->second.shown) {
            return;
        }
        if (SDL_GetKeyboardFocus() != it->second.sdl) {
            SDL_SetWindowInputFocus(it->second.sdl);
        }
    }

    HWND WindowOf(Uint32 id) const {
        for (const auto& [handle, real] : windows_) {
            if (real.id == id) {
                return handle;
            }
        }
        return nullptr;
    }

    // Where a mouse event happened on the screen: the X event's own root
    // point when there is one (exact even while the window moves under the
    // pointer), else the real window's place plus the event's point.
    win::POINT ScreenPoint(Uint32 id, int x, int y) {
        if (rootPoint_) {
            win::POINT point = *rootPoint_;
            rootPoint_.reset();
            return point;
        }
        for (const auto& [handle, real] : windows_) {
            if (real.id == id) {
                return win::POINT{real.known.left + x, real.known.top + y};
            }
        }
        return win::POINT{x, y};
    }

    // The X event behind the SDL event that follows it.
    void NoteSystemEvent(const SDL_SysWMmsg& message) {
        if (message.subsystem != SDL_SYSWM_X11) {
            return;
        }
        const XEvent& event = message.msg.x11.event;
        rootPoint_.reset();
        if (event.type == EnterNotify || event.type == LeaveNotify) {
            rootPoint_ = win::POINT{event.xcrossing.x_root, event.xcrossing.y_root};
        } else if (event.type == MotionNotify) {
            rootPoint_ = win::POINT{event.xmotion.x_root, event.xmotion.y_root};
        } else if (event.type == ButtonPress || event.type == ButtonRelease) {
            rootPoint_ = win::POINT{event.xbutton.x_root, event.xbutton.y_root};
        }
    }

    // Window events: what the person or the desktop did to a real window.
    void HandleWindowEvent(const SDL_WindowEvent& event) {
        HWND handle = WindowOf(event.windowID);
        if (!handle) {
            return;
        }
        RealWindow& real = windows_.at(handle);
        switch (event.event) {
            case SDL_WINDOWEVENT_MOVED:
                if (event.data1 != real.known.left || event.data2 != real.known.top) {
                    real.known =
                        win::RECT{event.data1, event.data2, event.data1 + Width(real.known),
                                  event.data2 + Height(real.known)};
                    win::SetWindowPos(handle, nullptr, event.data1, event.data2, 0, 0,
                                      win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
                }
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                real.presented.clear();
                if (event.data1 != Width(real.known) || event.data2 != Height(real.known)) {
                    real.known.right = real.known.left + event.data1;
                    real.known.bottom = real.known.top + event.data2;
                    win::SetWindowPos(handle, nullptr, 0, 0, event.data1, event.data2,
                                      win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
                }
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                real.presented.clear();
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                real.minimized = true;
                win::ShowWindow(handle, win::SW_MINIMIZE);
                break;
            case SDL_WINDOWEVENT_RESTORED:
                if (real.minimized && win::IsIconic(handle)) {
                    real.minimized = false;
                    win::ShowWindow(handle, win::SW_RESTORE);
                }
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                Focused(handle);
                break;
            case SDL_WINDOWEVENT_CLOSE:
                if (win::IsWindowEnabled(handle)) {
                    win::PostMessageA(handle, win::WM_CLOSE, 0, 0);
                }
                break;
            default:
                break;
        }
    }

    // The desktop gave a real window the keyboard. A window disabled by a
    // modal window it owns hands the keyboard to that window.
    void Focused(HWND handle) {
        HWND target = handle;
        if (!win::IsWindowEnabled(handle)) {
            target = nullptr;
            for (const auto& [other, real] : windows_) {
                if (real.shown && win::IsWindowEnabled(other) && OwnedBy(other, handle)) {
                    target = other;
                }
            }
            lastActive_ = nullptr;  // the next frame moves the keyboard there
        }
        bool activates = target && !(win::GetWindowLongA(target, win::GWL_EXSTYLE) &
                                     (win::WS_EX_NOACTIVATE | win::WS_EX_TOOLWINDOW));
        if (activates && win::GetActiveWindow() != target) {
            win::SetActiveWindow(target);
        }
    }

    static bool OwnedBy(HWND window, HWND owner) {
        for (HWND at = win::GetWindow(window, win::GW_OWNER); at;
             at = win::GetWindow(at, win::GW_OWNER)) {
            if (at == owner) {
                return true;
            }
        }
        return false;
    }

    void Handle(const SDL_Event& event) {
        switch (event.type) {
            case SDL_WINDOWEVENT:
                HandleWindowEvent(event.window);
                break;
            case SDL_SYSWMEVENT:
                if (event.syswm.msg) {
                    NoteSystemEvent(*event.syswm.msg);
                }
                break;
            case SDL_MOUSEMOTION:
                MouseMove(ScreenPoint(event.motion.windowID, event.motion.x, event.motion.y));
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                const SDL_MouseButtonEvent& button = event.button;
                if (button.button != SDL_BUTTON_LEFT && button.button != SDL_BUTTON_RIGHT) {
                    break;
                }
                auto which = button.button == SDL_BUTTON_LEFT ? windowing::MouseButton::Left
                                                              : windowing::MouseButton::Right;
                win::POINT at = ScreenPoint(button.windowID, button.x, button.y);
                event.type == SDL_MOUSEBUTTONDOWN ? MouseDown(which, at) : MouseUp(which, at);
                break;
            }
            case SDL_MOUSEWHEEL: {
                int notches = event.wheel.y;
                if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
                    notches = -notches;
                }
                win::POINT at =
                    ScreenPoint(event.wheel.windowID, event.wheel.mouseX, event.wheel.mouseY);
                if (notches != 0) {
                    Wheel(notches, at);
                }
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (win::UINT key = VirtualKeyOf(event.key.keysym)) {
                    event.type == SDL_KEYDOWN ? KeyDown(key) : KeyUp(key);
                }
                break;
            case SDL_TEXTINPUT: {
                std::string text = codepage::Utf8ToGbk(event.text.text);
                if (!text.empty()) {
                    Text(text);
                }
                break;
            }
            default:
                break;
        }
    }

    win::DWORD thread_;
    std::shared_ptr<Frames> frames_ = std::make_shared<Frames>();
    std::map<HWND, RealWindow> windows_;
    std::vector<HWND> stacked_;   // bottom first, as last shown
    std::vector<HWND> shownNow_;  // real windows shown in this frame
    HWND lastActive_ = nullptr;
    std::optional<win::POINT> rootPoint_;
    bool captured_ = false;
    bool cursorShown_ = true;
    std::unique_ptr<DeviceWatcher> watcher_;
};

}  // namespace

std::unique_ptr<Driver> CreateSdl() {
    // The plain framebuffer path: measured three times faster to the first
    // frame than going through a renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // SDL's start mostly waits for the X server; the text machinery (font
    // configuration, the CJK font) starts meanwhile, so the first paint
    // does not pay for it.
    std::thread fonts([] {
        win::HDC dc = win::CreateCompatibleDC(nullptr);
        win::SIZE size{};
        const char* sample = "国语 Verdel";
        win::GetTextExtentPoint32A(dc, sample, int(std::strlen(sample)), &size);
        win::DeleteDC(dc);
    });
    int started = SDL_InitSubSystem(SDL_INIT_VIDEO);
    fonts.join();
    if (started != 0) {
        return nullptr;
    }
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::make_unique<SdlDriver>(win::SIZE{mode.w, mode.h}, win::GetCurrentThreadId());
}

}  // namespace display
