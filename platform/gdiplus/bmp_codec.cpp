// Windows bitmap files, read and written by our own code.
#include <bit>
#include <cstring>

#include "platform/gdiplus/codec_internal.h"

namespace imaging {
namespace {

std::uint32_t U16(std::span<const std::uint8_t> b, std::size_t at) {
    return at + 2 <= b.size() ? b[at] | (b[at + 1] << 8) : 0;
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
    return at + 4 <= b.size() ? b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                    (static_cast<std::uint32_t>(b[at + 3]) << 24)
                              : 0;
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value) {
    b[at] = value & 0xFF;
    b[at + 1] = (value >> 8) & 0xFF;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = (value >> (8 * i)) & 0xFF;
    }
}

// One channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    std::uint8_t Read(std::uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
    }
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows top-down
    int bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t colours = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;

std::optional<Header> ReadHeader(std::span<const std::uint8_t> b) {
    Header h;
    h.pixelOffset = U32(b, 10);
    h.headerSize = U32(b, 14);
    if (h.headerSize == 12) {  // the old core header
        h.width = U16(b, 18);
        h.height = static_cast<std::int16_t>(U16(b, 20));
        h.bits = static_cast<int>(U16(b, 24));
    } else if (h.headerSize >= 40 && h.headerSize <= 124) {
        h.width = static_cast<std::int32_t>(U32(b, 18));
        h.height = static_cast<std::int32_t>(U32(b, 22));
        h.bits = static_cast<int>(U16(b, 28));
        h.compression = U32(b, 30);
        h.colours = U32(b, 46);
    } else {
        return std::nullopt;
    }
    if (b.size() < 14 + h.headerSize) {
        return std::nullopt;
    }
    if (h.compression == kBitFields) {
        // Masks follow a 40-byte header, or are part of a longer one.
        const std::size_t at = 54;
        for (int i = 0; i < (h.headerSize >= 56 ? 4 : 3); ++i) {
            h.masks[i] = U32(b, at + 4 * i);
        }
    } else if (h.bits == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else if (h.bits == 32) {
        h.masks[0] = 0x00FF0000;
        h.masks[1] = 0x0000FF00;
        h.masks[2] = 0x000000FF;
        h.masks[3] = 0xFF000000;
    }
    const bool known =
        h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 || h.bits == 32;
    const bool plain =
        h.compression == kRgb || (h.compression == kBitFields && (h.bits == 16 || h.bits == 32));
    if (!known || !plain || !detail::SizeAllowed(h.width, h.height < 0 ? -h.height : h.height)) {
        return std::nullopt;
    }
    return h;
}

}  // namespace

namespace detail {

std::optional<DecodedImage> DecodeBmp(std::span<const std::uint8_t> b) {
    auto header = ReadHeader(b);
    if (!header) {
        return std::nullopt;
    }
    const Header& h = *header;
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height < 0 ? -h.height : h.height);
    const std::size_t rowSize = ((static_cast<std::size_t>(width) * h.bits + 31) / 32) * 4;
    if (h.pixelOffset < 14 + h.headerSize || h.pixelOffset > b.size() ||
        (b.size() - h.pixelOffset) / rowSize < static_cast<std::size_t>(height)) {
        return std::nullopt;
    }

    // The palette of 1, 4 and 8 bits a pixel.
    std::vector<std::uint32_t> palette;
    if (h.bits <= 8) {
        const std::size_t entrySize = h.headerSize == 12 ? 3 : 4;
        const std::size_t count = h.colours ? std::min<std::size_t>(h.colours, 256) : 1u << h.bits;
        const std::size_t at = 14 + h.headerSize;
        for (std::size_t i = 0; i < count && at + (i + 1) * entrySize <= h.pixelOffset; ++i) {
            const std::uint8_t* entry = &b[at + i * entrySize];
            palette.push_back(0xFF000000u | (entry[2] << 16) | (entry[1] << 8) | entry[0]);
        }
    }

    DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const int fileRow = h.height < 0 ? y : height - 1 - y;
        const std::uint8_t* row = &b[h.pixelOffset + rowSize * fileRow];
        std::uint8_t* out = &image.pixels[static_cast<std::size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x, out += 4) {
            std::uint32_t argb = 0xFF000000u;
            if (h.bits <= 8) {
                const int perByte = 8 / h.bits;
                const int shift = 8 - h.bits * (x % perByte + 1);
                const unsigned index = (row[x / perByte] >> shift) & ((1u << h.bits) - 1);
                argb = index < palette.size() ? palette[index] : 0xFF000000u;
            } else if (h.bits == 24) {
                argb |= (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
            } else {
                const std::uint32_t pixel = h.bits == 16 ? (row[2 * x] | (row[2 * x + 1] << 8))
                                                         : U32(std::span(row, rowSize), 4 * x);
                const std::uint8_t a = h.masks[3] ? alpha.Read(pixel) : 255;
                anyAlpha = anyAlpha || (h.masks[3] && a != 0);
                argb = (static_cast<std::uint32_t>(a) << 24) | (red.Read(pixel) << 16) |
                       (green.Read(pixel) << 8) | blue.Read(pixel);
            }
            std::memcpy(out, &argb, 4);
        }
    }
    if (h.masks[3] && !anyAlpha) {
        // Alpha bytes all zero: a plain colour bitmap, shown opaque.
        for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
            image.pixels[i] = 255;
        }
    }
    image.hasAlpha = anyAlpha;
    Premultiply(image.pixels);
    return image;
}

}  // namespace detail

std::vector<std::uint8_t> EncodeBmp(const DecodedImage& image) {
    const std::size_t pixelCount = static_cast<std::size_t>(image.width) * image.height;
    if (!detail::SizeAllowed(image.width, image.height) || image.pixels.size() != pixelCount * 4) {
        return {};
    }
    const int bits = image.hasAlpha ? 32 : 24;
    const std::size_t rowSize = ((static_cast<std::size_t>(image.width) * bits + 31) / 32) * 4;
    const std::size_t size = 54 + rowSize * image.height;
    std::vector<std::uint8_t> file(size, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<std::uint32_t>(size));
    Put32(file, 10, 54);
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<std::uint32_t>(image.width));
    Put32(file, 22, static_cast<std::uint32_t>(image.height));
    Put16(file, 26, 1);
    Put16(file, 28, static_cast<std::uint32_t>(bits));
    std::vector<std::uint8_t> straight = image.pixels;
    detail::Unpremultiply(straight);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = &straight[static_cast<std::size_t>(y) * image.width * 4];
        std::uint8_t* out = &file[54 + rowSize * (image.height - 1 - y)];
        for (int x = 0; x < image.width; ++x) {
            std::memcpy(out + x * (bits / 8), in + 4 * x, bits / 8);
        }
    }
    return file;
}

}  // namespace imaging
