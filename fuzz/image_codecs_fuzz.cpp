// Image files of arbitrary bytes, as they arrive from the network: decoding
// never crashes, whatever decodes has consistent sizes, and a small one
// survives being written as BMP and PNG and read back unchanged in size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/gdiplus/image_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = imaging::DecodeImage(std::span(data, size));
    if (!image) {
        return 0;
    }
    const std::size_t frameBytes = static_cast<std::size_t>(image->width) * image->height * 4;
    for (int frame = 0; frame < image->FrameCount(); ++frame) {
        if (image->Frame(frame)->size() != frameBytes) {
            std::abort();
        }
    }
    // Large pictures are only checked for size: encoding them again would
    // slow the search down without reaching new code.
    if (frameBytes > (std::size_t{4} << 20)) {
        return 0;
    }
    for (const auto& file : {imaging::EncodeBmp(*image), imaging::EncodePng(*image)}) {
        auto again = imaging::DecodeImage(file);
        if (!again || again->width != image->width || again->height != image->height) {
            std::abort();
        }
    }
    return 0;
}
