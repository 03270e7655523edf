// The imaging library over our codecs and the drawing layer.
#include "platform/gdiplus/gdiplus.h"

#include <mutex>
#include <set>
#include <unordered_set>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/gdiplus/image_codecs.h"

namespace win {

namespace {

// Every image is one of these: decoded pixels and the frame shown.
class DecodedBitmap final : public GpBitmap {
  public:
    explicit DecodedBitmap(imaging::DecodedImage image) : decoded(std::move(image)) {}
    const std::vector<std::uint8_t>& Pixels() const { return *decoded.Frame(activeFrame); }

    imaging::DecodedImage decoded;
    int activeFrame = 0;
};

DecodedBitmap& Own(GpImage* image) {
    return static_cast<DecodedBitmap&>(*image);
}

}  // namespace

class GpGraphics {
  public:
    explicit GpGraphics(HDC dc) : hdc(dc) {}
    HDC hdc;
};

namespace {

using namespace Gdiplus;

// A stream's bytes beyond this are not read.
constexpr std::size_t kMaxStreamBytes = std::size_t{256} << 20;

struct Library {
    std::mutex mutex;
    std::set<ULONG_PTR> starts;
    ULONG_PTR nextToken = 1;
    std::unordered_set<const GpImage*> images;
    std::unordered_set<const GpGraphics*> graphics;
};

Library& State() {
    static Library* library = new Library;
    return *library;
}

bool Running() {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    return !state.starts.empty();
}

bool IsImage(const GpImage* image) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    return image != nullptr && state.images.count(image) != 0;
}

bool IsGraphics(const GpGraphics* graphics) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    return graphics != nullptr && state.graphics.count(graphics) != 0;
}

DecodedBitmap* Keep(DecodedBitmap* image) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.images.insert(image);
    return image;
}

// The status of a call on an image: not running, or not a live image.
std::optional<GpStatus> Refuse(const GpImage* image) {
    if (!Running()) {
        return GdiplusNotInitialized;
    }
    if (!IsImage(image)) {
        return InvalidParameter;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadRest(IStream* stream) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[64 * 1024];
    while (bytes.size() < kMaxStreamBytes) {
        ULONG read = 0;
        if (FAILED(stream->Read(chunk, sizeof chunk, &read))) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + read);
        if (read < sizeof chunk) {
            break;
        }
    }
    return bytes;
}

template <class T>
GpStatus Load(IStream* stream, T** result) {
    if (result == nullptr) {
        return InvalidParameter;
    }
    *result = nullptr;
    if (!Running()) {
        return GdiplusNotInitialized;
    }
    if (stream == nullptr) {
        return InvalidParameter;
    }
    auto bytes = ReadRest(stream);
    if (!bytes) {
        return Win32Error;
    }
    auto decoded = imaging::DecodeImage(*bytes);
    if (!decoded) {
        return UnknownImageFormat;
    }
    *result = Keep(new DecodedBitmap(std::move(*decoded)));
    return Ok;
}

bool KnownDimension(const GUID* dimension) {
    return dimension != nullptr && (IsEqualGUID(*dimension, FrameDimensionTime) ||
                                    IsEqualGUID(*dimension, FrameDimensionPage));
}

UINT FrameCount(GpImage* image, const GUID& dimension) {
    return IsEqualGUID(dimension, FrameDimensionTime)
               ? static_cast<UINT>(Own(image).decoded.FrameCount())
               : 1;
}

}  // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                        GdiplusStartupOutput* output) {
    if (token == nullptr || input == nullptr) {
        return InvalidParameter;
    }
    if (input->GdiplusVersion != 1) {
        return UnsupportedGdiplusVersion;
    }
    if (output) {
        output->NotificationHook = [](ULONG_PTR* hookToken) -> GpStatus {
            if (hookToken) {
                *hookToken = 0;
            }
            return Ok;
        };
        output->NotificationUnhook = [](ULONG_PTR) {};
    }
    auto& state = State();
    std::lock_guard lock(state.mutex);
    *token = state.nextToken++;
    state.starts.insert(*token);
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.starts.erase(token);
}

GpStatus GdipLoadImageFromStream(IStream* stream, GpImage** image) {
    return Load(stream, image);
}

GpStatus GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap) {
    return Load(stream, bitmap);
}

GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP bitmap, HPALETTE, GpBitmap** result) {
    if (result == nullptr) {
        return InvalidParameter;
    }
    *result = nullptr;
    if (!Running()) {
        return GdiplusNotInitialized;
    }
    BITMAP info{};
    if (GetObjectA(bitmap, sizeof info, &info) != static_cast<int>(sizeof info)) {
        return InvalidParameter;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    auto copy = gdi::CopyFromDC(dc, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(dc, previous);
    DeleteDC(dc);
    if (!copy) {
        return GenericError;
    }
    imaging::DecodedImage image;
    image.width = copy->Width();
    image.height = copy->Height();
    image.format = imaging::ImageFormat::Bmp;
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = copy->Data() + static_cast<std::size_t>(y) * copy->Stride();
        std::copy(row, row + image.width * 4,
                  image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width * 4);
    }
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        image.pixels[i] = 255;
    }
    *result = Keep(new DecodedBitmap(std::move(image)));
    return Ok;
}

GpStatus GdipDisposeImage(GpImage* image) {
    {
        auto& state = State();
        std::lock_guard lock(state.mutex);
        if (image == nullptr || state.images.erase(image) == 0) {
            return InvalidParameter;
        }
    }
    delete image;
    return Ok;
}

GpStatus GdipGetImageWidth(GpImage* image, UINT* width) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (width == nullptr) {
        return InvalidParameter;
    }
    *width = static_cast<UINT>(Own(image).decoded.width);
    return Ok;
}

GpStatus GdipGetImageHeight(GpImage* image, UINT* height) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (height == nullptr) {
        return InvalidParameter;
    }
    *height = static_cast<UINT>(Own(image).decoded.height);
    return Ok;
}

GpStatus GdipGetImageDimension(GpImage* image, REAL* width, REAL* height) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (width == nullptr || height == nullptr) {
        return InvalidParameter;
    }
    *width = static_cast<REAL>(Own(image).decoded.width);
    *height = static_cast<REAL>(Own(image).decoded.height);
    return Ok;
}

GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimension, UINT* count) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (!KnownDimension(dimension) || count == nullptr) {
        return InvalidParameter;
    }
    *count = FrameCount(image, *dimension);
    return Ok;
}

GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimension, UINT index) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (!KnownDimension(dimension) || index >= FrameCount(image, *dimension)) {
        return InvalidParameter;
    }
    Own(image).activeFrame = static_cast<int>(index);
    return Ok;
}

GpStatus GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                               const EncoderParameters*) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (stream == nullptr || encoder == nullptr) {
        return InvalidParameter;
    }
    imaging::DecodedImage frame;
    frame.width = Own(image).decoded.width;
    frame.height = Own(image).decoded.height;
    frame.hasAlpha = Own(image).decoded.hasAlpha;
    frame.pixels = Own(image).Pixels();
    std::vector<std::uint8_t> file;
    if (IsEqualGUID(*encoder, kBmpEncoder)) {
        file = imaging::EncodeBmp(frame);
    } else if (IsEqualGUID(*encoder, kPngEncoder)) {
        file = imaging::EncodePng(frame);
    } else if (IsEqualGUID(*encoder, kJpegEncoder) || IsEqualGUID(*encoder, kGifEncoder) ||
               IsEqualGUID(*encoder, kTiffEncoder)) {
        return NotImplemented;
    } else {
        return FileNotFound;
    }
    if (file.empty()) {
        return GenericError;
    }
    ULONG written = 0;
    if (FAILED(stream->Write(file.data(), static_cast<ULONG>(file.size()), &written)) ||
        written != file.size()) {
        return Win32Error;
    }
    return Ok;
}

GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics) {
    if (graphics == nullptr) {
        return InvalidParameter;
    }
    *graphics = nullptr;
    if (!Running()) {
        return GdiplusNotInitialized;
    }
    if (GetBkMode(hdc) == 0) {  // not a live DC
        return InvalidParameter;
    }
    auto* made = new GpGraphics(hdc);
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.graphics.insert(made);
    *graphics = made;
    return Ok;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) {
    {
        auto& state = State();
        std::lock_guard lock(state.mutex);
        if (graphics == nullptr || state.graphics.erase(graphics) == 0) {
            return InvalidParameter;
        }
    }
    delete graphics;
    return Ok;
}

GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width,
                           REAL height) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    if (!IsGraphics(graphics)) {
        return InvalidParameter;
    }
    const auto& pixels = Own(image).Pixels();
    if (!gdi::DrawPixels(graphics->hdc, pixels.data(), Own(image).decoded.width,
                         Own(image).decoded.height, x, y, width, height, true)) {
        return Win32Error;
    }
    return Ok;
}

GpStatus GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                            int height) {
    return GdipDrawImageRect(graphics, image, static_cast<REAL>(x), static_cast<REAL>(y),
                             static_cast<REAL>(width), static_cast<REAL>(height));
}

GpStatus GdipDrawImage(GpGraphics* graphics, GpImage* image, REAL x, REAL y) {
    if (auto refused = Refuse(image)) {
        return *refused;
    }
    return GdipDrawImageRect(graphics, image, x, y, static_cast<REAL>(Own(image).decoded.width),
                             static_cast<REAL>(Own(image).decoded.height));
}

GpStatus GdipDrawImageI(GpGraphics* graphics, GpImage* image, int x, int y) {
    return GdipDrawImage(graphics, image, static_cast<REAL>(x), static_cast<REAL>(y));
}

}  // namespace win
