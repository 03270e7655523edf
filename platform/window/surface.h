#pragma once
// What the graphics layer and the display backends need of the window layer:
// where a window's pixels live. Device contexts of windows (GetDC,
// BeginPaint) draw there through the graphics layer.
//
// Every visible top-level window owns a surface of its window size: 32-bit
// premultiplied BGRA pixels (B, G, R, A bytes in memory order), rows top
// first. Child windows draw into their top-level window's surface at their
// offset, clipped to their ancestors. A layered window's surface holds the
// pixels last given to UpdateLayeredWindow. Pixels are touched on the thread
// that owns the windows.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/window/window_types.h"

namespace windowing {

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height, premultiplied BGRA

    Surface(int w, int h) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), 0) {}
    int Stride() const { return width * 4; }
    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(pixels.data()); }
};

// Where a window draws: its top-level surface, the origin of the drawing
// area (client area, or the whole window) in surface coordinates, and the
// clip in surface coordinates (the window's visible part inside its
// ancestors' client areas).
struct DrawTarget {
    std::shared_ptr<Surface> surface;
    win::POINT origin{0, 0};
    win::RECT clip{0, 0, 0, 0};
};
// None when the window does not exist. wholeWindow: the window's frame
// included (a window DC) rather than the client area.
std::optional<DrawTarget> TargetOf(win::HWND window, bool wholeWindow);

// Layered content given as plain pixels (what UpdateLayeredWindow does once
// it has read the source DC): size.cx x size.cy premultiplied BGRA pixels,
// rows top first; position null keeps the window's place.
bool SetLayeredPixels(win::HWND window, const win::POINT* position, win::SIZE size,
                      const std::uint32_t* pixels, win::BYTE constantAlpha);

// A visible top-level window as the display composes it.
struct ScreenWindow {
    win::HWND window;
    win::RECT rect;  // screen coordinates
    std::shared_ptr<Surface> surface;
    bool layered = false;  // blended per pixel
    win::BYTE constantAlpha = 255;
};
// Visible top-level windows, bottom of the z-order first.
std::vector<ScreenWindow> ScreenWindows();

// The screen size the display backend offers (GetSystemMetrics reads it).
void SetScreenSize(int width, int height);
win::SIZE ScreenSize();

}  // namespace windowing
