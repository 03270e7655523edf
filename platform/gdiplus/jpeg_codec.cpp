// JPEG through libjpeg-turbo. Its default error handler ends the process;
// ours jumps back to the decoder, which then reports no image. Nothing in
// the function that sets the jump point owns memory, so the jump skips no
// destructor.
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/gdiplus/codec_internal.h"

namespace imaging::detail {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool truncated;
};

[[noreturn]] void OnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings stay silent; a premature end of the data is remembered, since a
// cut file would otherwise decode with its missing part filled in grey.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        reinterpret_cast<ErrorManager*>(info->err)->truncated = true;
    }
}

void OnOutput(j_common_ptr) {}

// Adobe CMYK is stored inverted.
void CmykToBgra(const std::uint8_t* cmyk, std::uint8_t* bgra, int width) {
    for (int x = 0; x < width; ++x) {
        const unsigned k = cmyk[4 * x + 3];
        bgra[4 * x + 0] = static_cast<std::uint8_t>(cmyk[4 * x + 2] * k / 255);
        bgra[4 * x + 1] = static_cast<std::uint8_t>(cmyk[4 * x + 1] * k / 255);
        bgra[4 * x + 2] = static_cast<std::uint8_t>(cmyk[4 * x + 0] * k / 255);
        bgra[4 * x + 3] = 255;
    }
}

struct Output {
    int width = 0;
    int height = 0;
    std::uint8_t* pixels = nullptr;  // owned by the caller, allocated by `allocate`
};

using Allocate = std::uint8_t* (*)(void* context, std::size_t bytes);

// True when the whole image was decoded into out.
bool Decode(std::span<const std::uint8_t> bytes, Output& out, Allocate allocate, void* context,
            std::uint8_t* rowBuffer, std::size_t rowBufferSize) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    errors.base.output_message = OnOutput;
    errors.truncated = false;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
        !SizeAllowed(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    const std::size_t stride = static_cast<std::size_t>(out.width) * 4;
    out.pixels = allocate(context, stride * out.height);
    if (out.pixels == nullptr || stride > rowBufferSize) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        std::uint8_t* row = out.pixels + stride * info.output_scanline;
        JSAMPROW target = cmyk ? rowBuffer : row;
        jpeg_read_scanlines(&info, &target, 1);
        if (cmyk) {
            CmykToBgra(rowBuffer, row, out.width);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return !errors.truncated;
}

std::uint8_t* AllocatePixels(void* context, std::size_t bytes) {
    auto& pixels = *static_cast<std::vector<std::uint8_t>*>(context);
    try {
        pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return pixels.data();
}

}  // namespace

std::optional<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> bytes) {
    DecodedImage image;
    std::vector<std::uint8_t> rowBuffer(static_cast<std::size_t>(kMaxSide) * 4);
    Output out;
    if (!Decode(bytes, out, AllocatePixels, &image.pixels, rowBuffer.data(), rowBuffer.size())) {
        return std::nullopt;
    }
    image.width = out.width;
    image.height = out.height;
    image.hasAlpha = false;
    return image;
}

}  // namespace imaging::detail
