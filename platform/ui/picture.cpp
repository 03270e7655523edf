#include "platform/ui/picture.h"

#include <span>

#include "platform/gdiplus/image_codecs.h"

namespace ui {

std::optional<Picture> DecodePicture(const std::string& bytes) {
    std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       bytes.size());
    auto format = imaging::DetectFormat(data);
    if (!format ||
        (*format != imaging::ImageFormat::Png && *format != imaging::ImageFormat::Jpeg)) {
        return std::nullopt;
    }
    auto image = imaging::DecodeImage(data);
    if (!image) {
        return std::nullopt;
    }
    return Picture{image->width, image->height, std::move(image->pixels)};
}

}  // namespace ui
