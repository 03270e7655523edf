#pragma once
// What the decoders of this folder share.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/gdiplus/image_codecs.h"

namespace imaging::detail {

// Images larger than this are refused rather than allocated.
constexpr int kMaxSide = 16384;
constexpr std::size_t kMaxPixels = std::size_t{32} << 20;
// All frames of an animation together.
constexpr std::size_t kMaxDecodedBytes = std::size_t{256} << 20;

bool SizeAllowed(long long width, long long height);

// Straight BGRA to premultiplied, in place, and back.
void Premultiply(std::span<std::uint8_t> bgra);
void Unpremultiply(std::span<std::uint8_t> bgra);

std::optional<DecodedImage> DecodePng(std::span<const std::uint8_t> bytes);
std::optional<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> bytes);
std::optional<DecodedImage> DecodeGif(std::span<const std::uint8_t> bytes);
std::optional<DecodedImage> DecodeBmp(std::span<const std::uint8_t> bytes);

}  // namespace imaging::detail
