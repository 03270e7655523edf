// GIF through giflib: every frame composed onto the logical screen the way
// a viewer shows it (transparency, disposal), first frame first.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/gdiplus/codec_internal.h"

namespace imaging::detail {
namespace {

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int Read(GifFileType* gif, GifByteType* buffer, int length) noexcept {
    auto* reader = static_cast<Reader*>(gif->UserData);
    const std::size_t left = reader->bytes.size() - reader->position;
    const std::size_t count = std::min(left, static_cast<std::size_t>(std::max(length, 0)));
    std::memcpy(buffer, reader->bytes.data() + reader->position, count);
    reader->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Draws one frame onto the canvas; false when the frame has no colours.
bool DrawFrame(const GifFileType& gif, const SavedImage& frame, const GraphicsControlBlock& control,
               std::vector<std::uint8_t>& canvas, int width, int height) {
    const ColorMapObject* colours =
        frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif.SColorMap;
    if (colours == nullptr || frame.RasterBits == nullptr) {
        return false;
    }
    const GifImageDesc& place = frame.ImageDesc;
    for (int y = 0; y < place.Height; ++y) {
        const int canvasY = place.Top + y;
        if (canvasY < 0 || canvasY >= height) {
            continue;
        }
        for (int x = 0; x < place.Width; ++x) {
            const int canvasX = place.Left + x;
            if (canvasX < 0 || canvasX >= width) {
                continue;
            }
            const int index = frame.RasterBits[static_cast<std::size_t>(y) * place.Width + x];
            if (index == control.TransparentColor || index >= colours->ColorCount) {
                continue;
            }
            const GifColorType& colour = colours->Colors[index];
            std::uint8_t* pixel =
                &canvas[(static_cast<std::size_t>(canvasY) * width + canvasX) * 4];
            pixel[0] = colour.Blue;
            pixel[1] = colour.Green;
            pixel[2] = colour.Red;
            pixel[3] = 255;
        }
    }
    return true;
}

void ClearArea(const GifImageDesc& place, std::vector<std::uint8_t>& canvas, int width,
               int height) {
    for (int y = std::max(place.Top, 0); y < std::min(place.Top + place.Height, height); ++y) {
        const int left = std::max(place.Left, 0);
        const int right = std::min(place.Left + place.Width, width);
        if (right > left) {
            std::memset(&canvas[(static_cast<std::size_t>(y) * width + left) * 4], 0,
                        static_cast<std::size_t>(right - left) * 4);
        }
    }
}

}  // namespace

std::optional<DecodedImage> DecodeGif(std::span<const std::uint8_t> bytes) {
    Reader reader{bytes};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, Read, &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount < 1) {
        return std::nullopt;
    }
    const int width = gif->SWidth;
    const int height = gif->SHeight;
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 4;
    if (!SizeAllowed(width, height) ||
        frameBytes * static_cast<std::size_t>(gif->ImageCount) > kMaxDecodedBytes) {
        return std::nullopt;
    }
    DecodedImage image;
    image.width = width;
    image.height = height;
    std::vector<std::uint8_t> canvas(frameBytes, 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& frame = gif->SavedImages[i];
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif.get(), i, &control);
        image.hasAlpha = image.hasAlpha || control.TransparentColor != NO_TRANSPARENT_COLOR;
        std::vector<std::uint8_t> before;
        if (control.DisposalMode == DISPOSE_PREVIOUS) {
            before = canvas;
        }
        if (!DrawFrame(*gif, frame, control, canvas, width, height)) {
            return std::nullopt;
        }
        if (i == 0) {
            image.pixels = canvas;
        } else {
            image.laterFrames.push_back(canvas);
        }
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            ClearArea(frame.ImageDesc, canvas, width, height);
        } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = std::move(before);
        }
    }
    return image;
}

}  // namespace imaging::detail
