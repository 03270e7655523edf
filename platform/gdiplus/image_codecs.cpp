// Format detection, dispatch and the pixel conversions the codecs share.
#include "platform/gdiplus/image_codecs.h"

#include <cstring>

#include "platform/gdiplus/codec_internal.h"

namespace imaging {
namespace detail {

bool SizeAllowed(long long width, long long height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<std::size_t>(width * height) <= kMaxPixels;
}

void Premultiply(std::span<std::uint8_t> bgra) {
    for (std::size_t i = 0; i + 3 < bgra.size(); i += 4) {
        const unsigned alpha = bgra[i + 3];
        if (alpha == 255) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            bgra[i + c] = static_cast<std::uint8_t>((bgra[i + c] * alpha + 127) / 255);
        }
    }
}

void Unpremultiply(std::span<std::uint8_t> bgra) {
    for (std::size_t i = 0; i + 3 < bgra.size(); i += 4) {
        const unsigned alpha = bgra[i + 3];
        if (alpha == 255) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            bgra[i + c] = alpha == 0 ? 0
                                     : static_cast<std::uint8_t>(
                                           std::min(255u, (bgra[i + c] * 255 + alpha / 2) / alpha));
        }
    }
}

}  // namespace detail

const std::vector<std::uint8_t>* DecodedImage::Frame(int index) const {
    if (index == 0) {
        return &pixels;
    }
    if (index < 0 || index > static_cast<int>(laterFrames.size())) {
        return nullptr;
    }
    return &laterFrames[index - 1];
}

std::optional<ImageFormat> DetectFormat(std::span<const std::uint8_t> bytes) {
    auto startsWith = [&](std::initializer_list<std::uint8_t> signature) {
        return bytes.size() >= signature.size() &&
               std::equal(signature.begin(), signature.end(), bytes.begin());
    };
    if (startsWith({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
        return ImageFormat::Png;
    }
    if (startsWith({0xFF, 0xD8, 0xFF})) {
        return ImageFormat::Jpeg;
    }
    if (startsWith({'G', 'I', 'F', '8', '7', 'a'}) || startsWith({'G', 'I', 'F', '8', '9', 'a'})) {
        return ImageFormat::Gif;
    }
    if (startsWith({'B', 'M'})) {
        return ImageFormat::Bmp;
    }
    return std::nullopt;
}

std::optional<DecodedImage> DecodeImage(std::span<const std::uint8_t> bytes) {
    auto format = DetectFormat(bytes);
    if (!format) {
        return std::nullopt;
    }
    std::optional<DecodedImage> image;
    try {
        switch (*format) {
            case ImageFormat::Png:
                image = detail::DecodePng(bytes);
                break;
            case ImageFormat::Jpeg:
                image = detail::DecodeJpeg(bytes);
                break;
            case ImageFormat::Gif:
                image = detail::DecodeGif(bytes);
                break;
            case ImageFormat::Bmp:
                image = detail::DecodeBmp(bytes);
                break;
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (image) {
        image->format = *format;
    }
    return image;
}

}  // namespace imaging
