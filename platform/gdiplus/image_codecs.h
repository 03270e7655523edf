#pragma once
// Image files in memory decoded to pixels, and pixels encoded to files.
//
// Pixels are 32-bit BGRA with premultiplied alpha (bytes B, G, R, A in
// memory), rows top-down, width * 4 bytes a row. Decoding never fails
// loudly: bytes that are not a whole, readable PNG, JPEG, GIF or BMP file
// (truncated, corrupt, too large) give no image.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace imaging {

enum class ImageFormat { Png, Jpeg, Gif, Bmp };

struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // the first frame
    // Frames after the first of an animated GIF, each composed as shown.
    std::vector<std::vector<std::uint8_t>> laterFrames;
    // Whether the file can carry transparency (PNG or GIF with it, BMP with
    // alpha bytes); a JPEG never does.
    bool hasAlpha = false;
    ImageFormat format = ImageFormat::Png;

    int FrameCount() const { return 1 + static_cast<int>(laterFrames.size()); }
    // Frame `index` (0 = pixels); null when there is no such frame.
    const std::vector<std::uint8_t>* Frame(int index) const;
};

// The format the signature of the bytes names, if any.
std::optional<ImageFormat> DetectFormat(std::span<const std::uint8_t> bytes);

std::optional<DecodedImage> DecodeImage(std::span<const std::uint8_t> bytes);

// A Windows bitmap file: headers of 54 bytes, rows bottom-up from offset 54,
// each padded to 4 bytes; 24 bits a pixel for an image without alpha, else
// 32 bits with straight (not premultiplied) alpha.
std::vector<std::uint8_t> EncodeBmp(const DecodedImage& image);
// A PNG file with straight alpha; empty when encoding fails.
std::vector<std::uint8_t> EncodePng(const DecodedImage& image);

}  // namespace imaging
