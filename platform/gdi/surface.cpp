#include "platform/gdi/surface.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace gdi {

Surface::Surface(std::shared_ptr<void> owner, std::uint8_t* data, int width, int height, int stride)
    : owner_(std::move(owner)), data_(data), width_(width), height_(height), stride_(stride) {
    cairo_ =
        cairo_image_surface_create_for_data(data_, CAIRO_FORMAT_ARGB32, width_, height_, stride_);
}

Surface::~Surface() {
    cairo_surface_destroy(cairo_);
}

std::shared_ptr<Surface> Surface::Create(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    std::shared_ptr<std::uint8_t[]> pixels(
        new std::uint8_t[static_cast<std::size_t>(stride) * height]());
    std::uint8_t* data = pixels.get();
    return std::shared_ptr<Surface>(new Surface(std::move(pixels), data, width, height, stride));
}

std::shared_ptr<Surface> Surface::Wrap(std::shared_ptr<void> owner, std::uint8_t* data, int width,
                                       int height, int stride) {
    if (data == nullptr || width <= 0 || height <= 0 || stride != width * 4) {
        return nullptr;
    }
    return std::shared_ptr<Surface>(new Surface(std::move(owner), data, width, height, stride));
}

void Surface::Flush() const {
    cairo_surface_flush(cairo_);
}

void Surface::MarkDirty() {
    cairo_surface_mark_dirty(cairo_);
}

std::uint32_t Surface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    Flush();
    std::uint32_t pixel;
    std::memcpy(&pixel, data_ + static_cast<std::size_t>(y) * stride_ + x * 4, 4);
    return pixel;
}

}  // namespace gdi
