#pragma once
// Picture files made in tests with the real encoders, so decoders are tested
// on what those libraries write.
#include <cstdint>
#include <vector>

#include <gif_lib.h>

namespace verdel_test {

using Bytes = std::vector<std::uint8_t>;

// A JPEG of one colour: RGB, or CMYK values as stored; through libjpeg.
Bytes SolidJpeg(int width, int height, std::vector<std::uint8_t> pixel, bool cmyk = false);

// Output function for giflib's EGifOpen: appends to the Bytes in UserData.
int AppendGifBytes(GifFileType* gif, const GifByteType* data, int length);

}  // namespace verdel_test
