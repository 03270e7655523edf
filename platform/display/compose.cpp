#include "platform/display/compose.h"

#include <algorithm>

namespace display::detail {
namespace {

constexpr std::uint32_t kDesktop = 0xFF3A6EA5u;

std::uint32_t Channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// Source-over of a premultiplied pixel scaled by a constant alpha.
std::uint32_t Blend(std::uint32_t under, std::uint32_t over, std::uint32_t constant) {
    std::uint32_t alpha = Channel(over, 24) * constant / 255;
    std::uint32_t result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        std::uint32_t top = Channel(over, shift) * constant / 255;
        std::uint32_t value = top + Channel(under, shift) * (255 - alpha) / 255;
        result |= std::min<std::uint32_t>(value, 255) << shift;
    }
    return result;
}

}  // namespace

Image ComposeScreen(win::SIZE size) {
    return ComposeArea(size, win::RECT{0, 0, size.cx, size.cy}, nullptr);
}

Image ComposeArea(win::SIZE size, const win::RECT& area, win::HWND top) {
    Image screen;
    screen.width = std::max<int>(area.right - area.left, 0);
    screen.height = std::max<int>(area.bottom - area.top, 0);
    screen.pixels.assign(std::size_t(screen.width) * std::size_t(screen.height), kDesktop);
    for (const windowing::ScreenWindow& shown : windowing::ScreenWindows()) {
        if (shown.surface) {
            const windowing::Surface& surface = *shown.surface;
            int left = std::max<int>({shown.rect.left, 0, area.left});
            int upper = std::max<int>({shown.rect.top, 0, area.top});
            int right = std::min<int>({shown.rect.left + surface.width, size.cx, area.right});
            int bottom = std::min<int>({shown.rect.top + surface.height, size.cy, area.bottom});
            for (int y = upper; y < bottom; ++y) {
                const std::uint32_t* row = surface.pixels.data() + std::size_t(y - shown.rect.top) *
                                                                       std::size_t(surface.width);
                std::uint32_t* out =
                    screen.pixels.data() + std::size_t(y - area.top) * std::size_t(screen.width);
                for (int x = left; x < right; ++x) {
                    std::uint32_t pixel = row[x - shown.rect.left];
                    std::uint32_t& at = out[x - area.left];
                    at = shown.layered ? Blend(at, pixel, shown.constantAlpha)
                                       : (pixel | 0xFF000000u);
                }
            }
        }
        if (shown.window == top) {
            break;
        }
    }
    return screen;
}

Image FromSurface(const windowing::Surface& surface, const win::RECT& part, bool keepAlpha) {
    Image image;
    int left = std::max<int>(part.left, 0), top = std::max<int>(part.top, 0);
    int right = std::min<int>(part.right, surface.width);
    int bottom = std::min<int>(part.bottom, surface.height);
    if (right <= left || bottom <= top) {
        return image;
    }
    image.width = right - left;
    image.height = bottom - top;
    image.pixels.reserve(std::size_t(image.width) * std::size_t(image.height));
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            std::uint32_t pixel =
                surface.pixels[std::size_t(y) * std::size_t(surface.width) + std::size_t(x)];
            std::uint32_t alpha = Channel(pixel, 24);
            if (!keepAlpha) {
                image.pixels.push_back(pixel | 0xFF000000u);
                continue;
            }
            if (alpha == 0) {
                image.pixels.push_back(0);
                continue;
            }
            std::uint32_t straight = alpha << 24;
            for (int shift = 0; shift < 24; shift += 8) {
                straight |= std::min<std::uint32_t>(Channel(pixel, shift) * 255 / alpha, 255)
                            << shift;
            }
            image.pixels.push_back(straight);
        }
    }
    return image;
}

}  // namespace display::detail
