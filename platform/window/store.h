#pragma once
// Inside the window layer only: the window records and the one mutex that
// guards them.
//
// Lock order: the kernel may ask this layer (filterAdmits) while it holds
// its own lock, so the window mutex is never held while calling into the
// kernel, and never while running a window procedure.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window/surface.h"
#include "platform/window/window_types.h"

namespace windowing {

struct WindowClass {
    std::string name;
    win::UINT style = 0;
    win::WNDPROC proc = nullptr;
    win::HBRUSH brush = nullptr;
    win::HCURSOR cursor = nullptr;
    win::HINSTANCE instance = nullptr;
    int windowExtra = 0;
    win::ATOM atom = 0;
};

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct Window {
    win::HWND handle = nullptr;
    win::DWORD thread = 0;
    std::shared_ptr<const WindowClass> windowClass;
    win::WNDPROC proc = nullptr;
    win::DWORD style = 0;
    win::DWORD exStyle = 0;
    win::LONG_PTR userData = 0;
    win::LONG_PTR id = 0;
    win::HINSTANCE instance = nullptr;
    win::HWND parent = nullptr;       // the parent of a child window
    win::HWND owner = nullptr;        // the owner of a top-level window
    std::vector<win::HWND> children;  // top of the z-order first
    win::RECT rect{};                 // parent's client coordinates; screen for top-level windows
    std::string text;
    std::map<std::string, win::HANDLE, CaseInsensitiveLess> props;
    std::vector<win::LONG_PTR> extra;

    bool destroying = false;
    bool minimized = false;
    bool redrawOff = false;  // WM_SETREDRAW FALSE: invalidation is ignored

    // Painting: the update area is merged into one rectangle (client
    // coordinates) until the window is painted.
    bool hasUpdate = false;
    win::RECT update{};
    bool erase = false;
    bool frameDirty = false;
    bool inPaint = false;

    // Top-level windows: their pixels.
    std::shared_ptr<Surface> surface;
    bool layeredContent = false;  // pixels come from UpdateLayeredWindow
    win::BYTE constantAlpha = 255;

    bool IsChild() const { return (style & win::WS_CHILD) != 0; }
    bool Visible() const { return (style & win::WS_VISIBLE) != 0; }
    bool Enabled() const { return (style & win::WS_DISABLED) == 0; }
    bool Topmost() const { return (exStyle & win::WS_EX_TOPMOST) != 0; }
};

// A drag of a window's caption or frame, started by DefWindowProcA on
// WM_NCLBUTTONDOWN and carried on by the mouse input that follows.
struct Drag {
    win::HWND window = nullptr;
    win::LRESULT hit = 0;
    win::POINT start{};
    win::RECT startRect{};
};

struct InputState {
    win::HWND focus = nullptr;
    win::HWND active = nullptr;
    win::HWND capture = nullptr;
    win::POINT cursor{0, 0};
    int cursorCount = 0;
    win::HWND leaveTracked = nullptr;
    win::HWND lastUnderMouse = nullptr;
    bool left = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    std::optional<Drag> drag;
    // Double clicks: the last press.
    win::HWND lastPressWindow = nullptr;
    win::UINT lastPressMessage = 0;
    win::DWORD lastPressTime = 0;
    win::POINT lastPressPoint{};
};

struct Store {
    std::mutex mutex;
    std::unordered_map<win::HWND, std::shared_ptr<Window>> windows;
    std::vector<win::HWND> topLevels;  // top of the z-order first
    std::map<std::string, std::shared_ptr<WindowClass>, CaseInsensitiveLess> classes;
    std::uintptr_t nextHandle = 0x10000;
    win::ATOM nextAtom = 0xC000;
    InputState input;
    win::SIZE screen{1366, 768};
};

// Rectangle arithmetic (right and bottom exclusive).
bool Intersect(win::RECT& out, const win::RECT& a, const win::RECT& b);
win::RECT Union(const win::RECT& a, const win::RECT& b);
void Offset(win::RECT& rect, int dx, int dy);
bool Empty(const win::RECT& rect);

Store& TheStore();
std::unique_lock<std::mutex> Lock();

// With the lock held.
Window* Find(win::HWND window);
// The sibling list window sits in (its parent's children, or the top-level list).
std::vector<win::HWND>& SiblingsOf(const Window& window);
Window* TopLevelOf(Window* window);
// Whether window and all its ancestors are visible.
bool ReallyVisible(const Window& window);
// Window frame thicknesses of a style: left/top/right/bottom insets of the
// client area inside the window rectangle.
win::RECT FrameInsets(win::DWORD style, win::DWORD exStyle);
// Client rectangle in the window's own window coordinates.
win::RECT ClientArea(const Window& window);
// The origin of window's rectangle in screen coordinates, and of its client area.
win::POINT WindowOriginOnScreen(const Window& window);
win::POINT ClientOriginOnScreen(const Window& window);
// Makes sure a visible top-level window has a surface of its size.
void EnsureSurface(Window& window);
// The parts of a window's drawing area (client area, or whole window) that
// it may draw on, in surface coordinates: inside its ancestors' client
// areas, without visible children when it has WS_CLIPCHILDREN and without
// visible siblings above it when it has WS_CLIPSIBLINGS.
std::vector<win::RECT> DrawableParts(const Window& window, const DrawTarget& target,
                                     bool wholeWindow);
// Recomputes, per thread, whether a window waits for paint; the caller
// passes the result to the kernel after unlocking.
std::vector<std::pair<win::DWORD, bool>> PaintStates();
void Invalidate(Window& window, const win::RECT* rect, bool erase, bool children);

// Without the lock.
void PublishPaintStates(const std::vector<std::pair<win::DWORD, bool>>& states);
// Runs the window's procedure on the calling thread (which owns it).
win::LRESULT CallProcedure(win::HWND window, win::UINT message, win::WPARAM wParam,
                           win::LPARAM lParam);
// Removes focus, capture, activation and tracking references to a window
// that is going away; sends the matching messages.
void ForgetInputOf(win::HWND window);
// The drag step for a mouse move or release, on the window's thread.
void ContinueDrag(win::POINT screen, bool release);
// Bounds a size by the window's WM_GETMINMAXINFO answer (overlapped and
// sizable top-level windows only).
void ClampToTrackingSizes(win::HWND window, int& width, int& height);
void InstallKernelHooks();
// Device contexts through the graphics layer: a DC over the window's
// client area (or whole window), clipped to clientClip when given (client
// coordinates); a fill with a brush; a DC's pixels as premultiplied BGRA.
win::HDC MakeWindowDC(win::HWND window, bool wholeWindow, const win::RECT* clientClip);
bool FillWithBrush(win::HDC dc, const win::RECT& rect, win::HBRUSH brush);
bool ReadDCPixels(win::HDC dc, win::POINT source, win::SIZE size, std::vector<std::uint32_t>& out);

// Private messages that carry input steps to the owning thread.
constexpr win::UINT kDragStep = 0x03F0;
constexpr win::UINT kDragEnd = 0x03F1;

}  // namespace windowing
