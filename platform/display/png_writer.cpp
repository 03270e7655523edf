// Screenshots as PNG through libpng's simplified writing interface.
#include <png.h>

#include <cstdio>
#include <fstream>

#include "platform/display/display.h"

namespace display {

std::string EncodePng(const Image& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
        return {};
    }
    // 0xAARRGGBB in memory on a little-endian machine is B, G, R, A.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return {};
    }
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return {};
    }
    bytes.resize(size);
    png_image_free(&png);
    return bytes;
}

bool WritePng(const Image& image, const std::string& utf8Path) {
    std::string bytes = EncodePng(image);
    if (bytes.empty()) {
        return false;
    }
    std::ofstream out(utf8Path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace display
