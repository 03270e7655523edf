// Device contexts of windows: the graphics layer draws into a window's part
// of its top-level surface, clipped to what of the window shows.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/window/store.h"
#include "platform/window/window.h"

namespace windowing {

using namespace win;

HDC MakeWindowDC(HWND window, bool wholeWindow, const RECT* clientClip) {
    auto target = TargetOf(window, wholeWindow);
    if (!target || !target->surface || target->surface->width <= 0 ||
        target->surface->height <= 0) {
        return target ? CreateCompatibleDC(nullptr) : nullptr;
    }
    std::vector<RECT> clips;
    {
        auto lock = Lock();
        Window* record = Find(window);
        if (!record) {
            return nullptr;
        }
        clips = DrawableParts(*record, *target, wholeWindow);
    }
    if (clientClip) {
        RECT wanted = *clientClip;
        Offset(wanted, target->origin.x, target->origin.y);
        std::vector<RECT> kept;
        for (const RECT& part : clips) {
            RECT overlap{};
            if (Intersect(overlap, part, wanted)) {
                kept.push_back(overlap);
            }
        }
        clips = std::move(kept);
    }
    std::shared_ptr<Surface> pixels = target->surface;
    auto wrapped = gdi::Surface::Wrap(pixels, pixels->Bytes(), pixels->width, pixels->height,
                                      pixels->Stride());
    return gdi::CreateDCForSurface(std::move(wrapped), target->origin, std::move(clips));
}

bool FillWithBrush(HDC dc, const RECT& rect, HBRUSH brush) {
    return dc && FillRect(dc, &rect, brush) != 0;
}

bool ReadDCPixels(HDC dc, POINT source, SIZE size, std::vector<std::uint32_t>& out) {
    auto copy = gdi::CopyFromDC(dc, source.x, source.y, size.cx, size.cy);
    if (!copy || copy->Width() != size.cx || copy->Height() != size.cy) {
        return false;
    }
    out.assign(std::size_t(size.cx) * std::size_t(size.cy), 0);
    for (int y = 0; y < size.cy; ++y) {
        std::memcpy(out.data() + std::size_t(y) * std::size_t(size.cx),
                    copy->Data() + std::ptrdiff_t(y) * copy->Stride(), std::size_t(size.cx) * 4);
    }
    return true;
}

}  // namespace windowing

namespace win {

HDC GetDC(HWND window) {
    if (!window) {
        return CreateCompatibleDC(nullptr);  // the screen: a DC to make compatible ones from
    }
    return windowing::MakeWindowDC(window, false, nullptr);
}

HDC GetWindowDC(HWND window) {
    if (!window) {
        return CreateCompatibleDC(nullptr);
    }
    return windowing::MakeWindowDC(window, true, nullptr);
}

int ReleaseDC(HWND, HDC dc) {
    return DeleteDC(dc) ? 1 : 0;
}

}  // namespace win
