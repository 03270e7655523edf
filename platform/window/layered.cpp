// Layered windows: per-pixel-alpha content given by the caller, and the list
// of top-level windows a display composes.
#include <algorithm>

#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {

using namespace win;

bool SetLayeredPixels(HWND handle, const POINT* position, SIZE size, const std::uint32_t* pixels,
                      BYTE constantAlpha) {
    if (size.cx < 0 || size.cy < 0 || (!pixels && size.cx * size.cy > 0)) {
        return false;
    }
    {
        auto lock = Lock();
        Window* window = Find(handle);
        if (!window || window->IsChild() || !(window->exStyle & WS_EX_LAYERED)) {
            return false;
        }
        window->layeredContent = true;
    }
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | (position ? 0 : SWP_NOMOVE);
    SetWindowPos(handle, nullptr, position ? position->x : 0, position ? position->y : 0, size.cx,
                 size.cy, flags);
    auto lock = Lock();
    Window* window = Find(handle);
    if (!window) {
        return false;
    }
    auto surface = std::make_shared<Surface>(size.cx, size.cy);
    std::copy_n(pixels, surface->pixels.size(), surface->pixels.begin());
    window->surface = std::move(surface);
    window->constantAlpha = constantAlpha;
    window->hasUpdate = false;
    window->erase = false;
    window->frameDirty = false;
    auto states = PaintStates();
    lock.unlock();
    PublishPaintStates(states);
    return true;
}

std::vector<ScreenWindow> ScreenWindows() {
    auto lock = Lock();
    std::vector<ScreenWindow> shown;
    auto& list = TheStore().topLevels;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        Window* window = Find(*it);
        if (!window || !ReallyVisible(*window) || window->destroying) {
            continue;
        }
        EnsureSurface(*window);
        bool layered = (window->exStyle & WS_EX_LAYERED) != 0;
        shown.push_back(ScreenWindow{window->handle, window->rect, window->surface, layered,
                                     layered ? window->constantAlpha : BYTE(255)});
    }
    return shown;
}

}  // namespace windowing

namespace win {

using namespace windowing;

BOOL UpdateLayeredWindow(HWND window, HDC, const POINT* position, const SIZE* size, HDC sourceDC,
                         const POINT* sourcePoint, COLORREF, const BLENDFUNCTION* blend,
                         DWORD flags) {
    BYTE alpha = blend ? blend->SourceConstantAlpha : 255;
    if (!size) {
        // Only a move or a new constant alpha.
        if (position) {
            SetWindowPos(window, nullptr, position->x, position->y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        auto lock = Lock();
        Window* record = Find(window);
        if (!record) {
            return FALSE;
        }
        record->constantAlpha = alpha;
        return TRUE;
    }
    std::vector<std::uint32_t> pixels;
    POINT source = sourcePoint ? *sourcePoint : POINT{0, 0};
    if (!sourceDC || !ReadDCPixels(sourceDC, source, *size, pixels) ||
        pixels.size() < std::size_t(size->cx) * std::size_t(size->cy)) {
        return FALSE;
    }
    bool perPixel = (flags & ULW_ALPHA) && blend && (blend->AlphaFormat & AC_SRC_ALPHA);
    if (!perPixel) {
        for (auto& pixel : pixels) {
            pixel |= 0xFF000000u;
        }
    }
    return SetLayeredPixels(window, position, *size, pixels.data(), alpha) ? TRUE : FALSE;
}

BOOL SetLayeredWindowAttributes(HWND window, COLORREF, BYTE alpha, DWORD) {
    auto lock = Lock();
    Window* record = Find(window);
    if (!record || !(record->exStyle & WS_EX_LAYERED)) {
        return FALSE;
    }
    record->constantAlpha = alpha;
    return TRUE;
}

}  // namespace win
