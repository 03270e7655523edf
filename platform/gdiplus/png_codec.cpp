// PNG through libpng's simplified interface, which reports every error as a
// return value.
#include <png.h>

#include "platform/gdiplus/codec_internal.h"

namespace imaging {
namespace detail {

std::optional<DecodedImage> DecodePng(std::span<const std::uint8_t> bytes) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        png_image_free(&png);
        return std::nullopt;
    }
    if (!SizeAllowed(png.width, png.height)) {
        png_image_free(&png);
        return std::nullopt;
    }
    DecodedImage image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.hasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_BGRA;
    image.pixels.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    png_image_free(&png);
    Premultiply(image.pixels);
    return image;
}

}  // namespace detail

std::vector<std::uint8_t> EncodePng(const DecodedImage& image) {
    if (!detail::SizeAllowed(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        return {};
    }
    std::vector<std::uint8_t> straight = image.pixels;
    detail::Unpremultiply(straight);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(png, size, 0, straight.data(), 0, nullptr)) {
        png_image_free(&png);
        return {};
    }
    std::vector<std::uint8_t> file(size);
    if (!png_image_write_to_memory(&png, file.data(), &size, 0, straight.data(), 0, nullptr)) {
        png_image_free(&png);
        return {};
    }
    png_image_free(&png);
    file.resize(size);
    return file;
}

}  // namespace imaging
