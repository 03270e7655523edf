#pragma once
// The imaging library: images decoded from streams, their size and frames,
// drawing them scaled with alpha into a DC, and saving them to streams.
//
// Calls are refused with GdiplusNotInitialized unless the library is
// running: GdiplusStartup counts starts, GdiplusShutdown ends one each.
// Disposing images and deleting graphics works at any time. An image holds
// its decoded pixels and never reads its stream again.
#include "platform/com/guid.h"
#include "platform/com/memory_stream.h"
#include "platform/gdi/gdi.h"

namespace win {

using REAL = float;
using UINT32 = std::uint32_t;

namespace Gdiplus {

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

}  // namespace Gdiplus

using GpStatus = Gdiplus::Status;

using DebugEventProc = void (*)(int level, char* message);

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    DebugEventProc DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

using NotificationHookProc = GpStatus (*)(ULONG_PTR* token);
using NotificationUnhookProc = void (*)(ULONG_PTR token);

struct GdiplusStartupOutput {
    NotificationHookProc NotificationHook;
    NotificationUnhookProc NotificationUnhook;
};

// Version 1 only. `output` is filled when given (hooks that do nothing).
GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                        GdiplusStartupOutput* output);
// Ends the start that gave `token`; unknown or used tokens are ignored.
void GdiplusShutdown(ULONG_PTR token);

// Images are made and disposed by the calls below only; a bitmap is an
// image wherever an image is asked for.
class GpImage {
  public:
    virtual ~GpImage() = default;
    GpImage(const GpImage&) = delete;
    GpImage& operator=(const GpImage&) = delete;

  protected:
    GpImage() = default;
};
class GpBitmap : public GpImage {
  protected:
    GpBitmap() = default;
};
class GpGraphics;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;

struct EncoderParameters;

// Encoders of ImageCodecInfo; BMP and PNG can be saved.
// {557CF400-1A04-11D3-9A73-0000F81EF32E} and the like.
constexpr CLSID kBmpEncoder = {
    0x557CF400, 0x1A04, 0x11D3, {0x9A, 0x73, 0, 0, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr CLSID kJpegEncoder = {
    0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0, 0, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr CLSID kGifEncoder = {
    0x557CF402, 0x1A04, 0x11D3, {0x9A, 0x73, 0, 0, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr CLSID kTiffEncoder = {
    0x557CF405, 0x1A04, 0x11D3, {0x9A, 0x73, 0, 0, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0, 0, 0xF8, 0x1E, 0xF3, 0x2E}};

// Frame dimensions: time (animated GIF) and page.
constexpr GUID FrameDimensionTime = {
    0x6AEDBD6D, 0x3FB5, 0x418A, {0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72}};
constexpr GUID FrameDimensionPage = {
    0x7462DC86, 0x6180, 0x4C7E, {0x8E, 0x3F, 0xEE, 0x73, 0x33, 0xA7, 0xA4, 0x83}};

// Images from the rest of a stream (PNG, JPEG, GIF, BMP). *image is null on
// failure; UnknownImageFormat for bytes that do not decode.
GpStatus GdipLoadImageFromStream(IStream* stream, GpImage** image);
GpStatus GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap);
// A copy of a GDI bitmap's pixels, shown opaque (its alpha bytes unused).
GpStatus GdipCreateBitmapFromHBITMAP(HBITMAP bitmap, HPALETTE palette, GpBitmap** result);
GpStatus GdipDisposeImage(GpImage* image);

GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
GpStatus GdipGetImageDimension(GpImage* image, REAL* width, REAL* height);
GpStatus GdipImageGetFrameCount(GpImage* image, const GUID* dimension, UINT* count);
// Frame `index` of the time dimension (an animated GIF's frames) or the
// page dimension (one page) becomes the one drawn and saved.
GpStatus GdipImageSelectActiveFrame(GpImage* image, const GUID* dimension, UINT index);

// The image's active frame in the format of the encoder, written at the
// stream's position. Encoder parameters are not read.
GpStatus GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                               const EncoderParameters* parameters);

// Drawing into a DC: images are scaled to the rectangle (bilinear) and
// blended over the DC's pixels with their alpha.
GpStatus GdipCreateFromHDC(HDC hdc, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipDrawImage(GpGraphics* graphics, GpImage* image, REAL x, REAL y);
GpStatus GdipDrawImageI(GpGraphics* graphics, GpImage* image, int x, int y);
GpStatus GdipDrawImageRect(GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width,
                           REAL height);
GpStatus GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                            int height);

}  // namespace win
