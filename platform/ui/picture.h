#pragma once
// Pictures the controls show: decoded from PNG or JPEG bytes into
// premultiplied BGRA pixels (B, G, R, A bytes in memory), rows top first.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ui {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * 4 bytes a row
};

// None when the bytes are neither a PNG nor a JPEG picture we can read.
std::optional<Picture> DecodePicture(const std::string& bytes);

}  // namespace ui
