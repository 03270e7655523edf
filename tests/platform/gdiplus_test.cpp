#include "platform/gdiplus/gdiplus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "platform/gdi/surface.h"
#include "platform/gdiplus/image_codecs.h"
#include "support/test_images.h"

namespace {

using namespace win;
using verdel_test::AppendGifBytes;
using verdel_test::Bytes;
using verdel_test::SolidJpeg;

// A straight-alpha picture given row by row as 0xAARRGGBB, saved as PNG.
Bytes Png(int width, int height, const std::vector<std::uint32_t>& argb) {
    imaging::DecodedImage image;
    image.width = width;
    image.height = height;
    image.hasAlpha = true;
    for (std::uint32_t p : argb) {
        const unsigned a = p >> 24;
        auto premultiplied = [a](unsigned c) {
            return static_cast<std::uint8_t>((c * a + 127) / 255);
        };
        image.pixels.insert(image.pixels.end(),
                            {premultiplied(p & 0xFF), premultiplied((p >> 8) & 0xFF),
                             premultiplied((p >> 16) & 0xFF), static_cast<std::uint8_t>(a)});
    }
    return imaging::EncodePng(image);
}

// Two 1 x 1 frames: red, then blue.
Bytes TwoFrameGif() {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    GifColorType colours[2] = {{255, 0, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 1, 1, 8, 0, map);
    for (GifPixelType index : {0, 1}) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 10, NO_TRANSPARENT_COLOR};
        GifByteType extension[4];
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&control, extension)),
                         extension);
        EGifPutImageDesc(gif, 0, 0, 1, 1, false, nullptr);
        EGifPutLine(gif, &index, 1);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// What loading from bytes does: a fixed block, a stream over it, decode,
// then the block freed at once.
GpImage* LoadFromBytes(const Bytes& bytes, GpStatus* status = nullptr) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes.size());
    if (!bytes.empty()) {
        std::memcpy(block, bytes.data(), bytes.size());
    }
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(block, FALSE, &stream);
    GpImage* image = nullptr;
    GpStatus result = GdipLoadImageFromStream(stream, &image);
    if (status) {
        *status = result;
    }
    stream->Release();
    GlobalFree(block);
    return image;
}

// A top-down (or bottom-up) 32-bit DIB in a memory DC, filled with one pixel.
class Canvas {
  public:
    Canvas(int width, int height, std::uint32_t fill, bool topDown = true)
        : width_(width), height_(height), topDown_(topDown) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = topDown ? -height : height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < width * height; ++i) {
            static_cast<std::uint32_t*>(bits_)[i] = fill;
        }
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    std::uint32_t At(int x, int y) const {
        const int row = topDown_ ? y : height_ - 1 - y;
        return static_cast<const std::uint32_t*>(bits_)[row * width_ + x];
    }
    std::uint32_t& Bits(int index) { return static_cast<std::uint32_t*>(bits_)[index]; }

  private:
    int width_;
    int height_;
    bool topDown_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    void* bits_ = nullptr;
};

class GdiplusTest : public testing::Test {
  protected:
    void SetUp() override {
        GdiplusStartupInput input;
        ASSERT_EQ(GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { GdiplusShutdown(token_); }

    // Draws the image at its own size (or scaled) into a fresh graphics.
    void Draw(HDC dc, GpImage* image, REAL x, REAL y, REAL w, REAL h) {
        GpGraphics* graphics = nullptr;
        ASSERT_EQ(GdipCreateFromHDC(dc, &graphics), Gdiplus::Ok);
        EXPECT_EQ(GdipDrawImageRect(graphics, image, x, y, w, h), Gdiplus::Ok);
        EXPECT_EQ(GdipDeleteGraphics(graphics), Gdiplus::Ok);
    }

    ULONG_PTR token_ = 0;
};

TEST(GdiplusStartupTest, CallsNeedTheLibraryRunningAndStartsNest) {
    GpImage* image = reinterpret_cast<GpImage*>(1);
    EXPECT_EQ(GdipLoadImageFromStream(nullptr, &image), Gdiplus::GdiplusNotInitialized);
    EXPECT_EQ(image, nullptr);

    GdiplusStartupInput input;
    ULONG_PTR first = 0;
    ULONG_PTR second = 0;
    ASSERT_EQ(GdiplusStartup(&first, &input, nullptr), Gdiplus::Ok);
    ASSERT_EQ(GdiplusStartup(&second, &input, nullptr), Gdiplus::Ok);
    EXPECT_NE(first, second);
    GdiplusShutdown(first);
    GdiplusShutdown(first);  // a used token changes nothing
    image = LoadFromBytes(Png(1, 1, {0xFF000000}));
    ASSERT_NE(image, nullptr);
    GdiplusShutdown(second);
    UINT width = 0;
    EXPECT_EQ(GdipGetImageWidth(image, &width), Gdiplus::GdiplusNotInitialized);
    // Disposing works whether or not the library runs.
    EXPECT_EQ(GdipDisposeImage(image), Gdiplus::Ok);

    input.GdiplusVersion = 2;
    EXPECT_EQ(GdiplusStartup(&first, &input, nullptr), Gdiplus::UnsupportedGdiplusVersion);
}

TEST_F(GdiplusTest, ImageFromBytesKnowsItsSizeAfterTheBlockIsGone) {
    GpImage* image = LoadFromBytes(Png(7, 3, std::vector<std::uint32_t>(21, 0xFF00FF00)));
    ASSERT_NE(image, nullptr);
    UINT width = 0;
    UINT height = 0;
    EXPECT_EQ(GdipGetImageWidth(image, &width), Gdiplus::Ok);
    EXPECT_EQ(GdipGetImageHeight(image, &height), Gdiplus::Ok);
    EXPECT_EQ(width, 7u);
    EXPECT_EQ(height, 3u);
    REAL w = 0;
    REAL h = 0;
    EXPECT_EQ(GdipGetImageDimension(image, &w, &h), Gdiplus::Ok);
    EXPECT_EQ(w, 7.0f);
    EXPECT_EQ(h, 3.0f);
    // Still drawable: the pixels were decoded before the memory went.
    Canvas canvas(7, 3, 0);
    Draw(canvas.dc(), image, 0, 0, 7, 3);
    EXPECT_EQ(canvas.At(6, 2), 0xFF00FF00u);
    EXPECT_EQ(GdipDisposeImage(image), Gdiplus::Ok);
    EXPECT_EQ(GdipDisposeImage(image), Gdiplus::InvalidParameter);
    EXPECT_EQ(GdipGetImageWidth(image, &width), Gdiplus::InvalidParameter);
}

TEST_F(GdiplusTest, UndecodableBytesGiveNoImage) {
    for (const Bytes& bytes :
         {Bytes{}, Bytes{'h', 'e', 'l', 'l', 'o'}, Bytes{0x89, 'P', 'N', 'G'}}) {
        GpStatus status = Gdiplus::Ok;
        EXPECT_EQ(LoadFromBytes(bytes, &status), nullptr);
        EXPECT_EQ(status, Gdiplus::UnknownImageFormat);
    }
}

TEST_F(GdiplusTest, DrawingBlendsWithAlpha) {
    // Opaque red, half-transparent green, fully transparent.
    GpImage* image = LoadFromBytes(Png(3, 1, {0xFFFF0000, 0x8000FF00, 0x00000000}));
    ASSERT_NE(image, nullptr);
    Canvas canvas(5, 1, 0xFFFFFFFF);
    Draw(canvas.dc(), image, 1, 0, 3, 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(1, 0), 0xFFFF0000u);
    const std::uint32_t blended = canvas.At(2, 0);
    EXPECT_EQ(blended >> 24, 0xFFu);
    EXPECT_NEAR(int((blended >> 16) & 0xFF), 127, 1);
    EXPECT_EQ((blended >> 8) & 0xFF, 0xFFu);
    EXPECT_NEAR(int(blended & 0xFF), 127, 1);
    EXPECT_EQ(canvas.At(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(4, 0), 0xFFFFFFFFu);

    // Onto transparent pixels (a fresh DIB section) the image's own alpha
    // stays, as a layered window needs it.
    Canvas clear(3, 1, 0);
    Draw(clear.dc(), image, 0, 0, 3, 1);
    EXPECT_EQ(clear.At(1, 0) >> 24, 0x80u);
    EXPECT_EQ(clear.At(2, 0), 0u);
    GdipDisposeImage(image);
}

TEST_F(GdiplusTest, DrawingScalesToTheRectangle) {
    GpImage* image = LoadFromBytes(Png(2, 2, std::vector<std::uint32_t>(4, 0xFF0000FF)));
    ASSERT_NE(image, nullptr);
    Canvas canvas(12, 12, 0xFF000000);
    Draw(canvas.dc(), image, 2, 3, 8, 6);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x < 10 && y >= 3 && y < 9;
            EXPECT_EQ(canvas.At(x, y), inside ? 0xFF0000FFu : 0xFF000000u) << x << "," << y;
        }
    }
    GdipDisposeImage(image);
}

// A bottom-up DIB shows the image upright, its top row stored last.
TEST_F(GdiplusTest, DrawingIntoBottomUpDibKeepsTheImageUpright) {
    GpImage* image = LoadFromBytes(Png(1, 2, {0xFFFF0000, 0xFF0000FF}));
    ASSERT_NE(image, nullptr);
    Canvas canvas(1, 2, 0, false);
    Draw(canvas.dc(), image, 0, 0, 1, 2);
    EXPECT_EQ(canvas.Bits(1), 0xFFFF0000u);  // the last stored row is the top
    EXPECT_EQ(canvas.Bits(0), 0xFF0000FFu);
    GdipDisposeImage(image);
}

TEST_F(GdiplusTest, AnimatedGifSelectsFrames) {
    GpImage* image = LoadFromBytes(TwoFrameGif());
    ASSERT_NE(image, nullptr);
    UINT count = 0;
    EXPECT_EQ(GdipImageGetFrameCount(image, &FrameDimensionTime, &count), Gdiplus::Ok);
    EXPECT_EQ(count, 2u);
    Canvas canvas(1, 1, 0);
    Draw(canvas.dc(), image, 0, 0, 1, 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFFFF0000u);  // the first frame until told otherwise
    EXPECT_EQ(GdipImageSelectActiveFrame(image, &FrameDimensionTime, 1), Gdiplus::Ok);
    Draw(canvas.dc(), image, 0, 0, 1, 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(GdipImageSelectActiveFrame(image, &FrameDimensionTime, 2), Gdiplus::InvalidParameter);
    EXPECT_EQ(GdipImageSelectActiveFrame(image, &FrameDimensionTime, 0), Gdiplus::Ok);
    Draw(canvas.dc(), image, 0, 0, 1, 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFFFF0000u);
    GdipDisposeImage(image);

    // A still image has the one frame, which can be selected.
    GpImage* still = LoadFromBytes(Png(1, 1, {0xFF000000}));
    EXPECT_EQ(GdipImageSelectActiveFrame(still, &FrameDimensionTime, 0), Gdiplus::Ok);
    GdipDisposeImage(still);
}

// Re-encoding a downloaded JPEG as a Windows bitmap, the way the preview
// cuts up sprite sheets.
TEST_F(GdiplusTest, JpegSavesAsTwentyFourBitBitmap) {
    const Bytes jpeg = SolidJpeg(320, 180, {128, 128, 128});
    HGLOBAL input = GlobalAlloc(GMEM_MOVEABLE, jpeg.size());
    std::memcpy(GlobalLock(input), jpeg.data(), jpeg.size());
    GlobalUnlock(input);
    IStream* in = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(input, FALSE, &in), S_OK);
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromStream(in, &bitmap), Gdiplus::Ok);
    IStream* out = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &out), S_OK);
    ASSERT_EQ(GdipSaveImageToStream(bitmap, out, &kBmpEncoder, nullptr), Gdiplus::Ok);
    HGLOBAL output = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(out, &output), S_OK);
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(output));
    ASSERT_NE(bytes, nullptr);
    Bytes bmp(bytes, bytes + GlobalSize(output));
    GlobalUnlock(output);
    out->Release();
    in->Release();
    GdipDisposeImage(bitmap);
    GlobalFree(input);

    ASSERT_EQ(bmp.size(), 54u + 320 * 3 * 180);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    auto u32 = [&](int at) {
        return bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24;
    };
    EXPECT_EQ(u32(2), static_cast<int>(bmp.size()));
    EXPECT_EQ(u32(10), 54);
    EXPECT_EQ(u32(14), 40);
    EXPECT_EQ(u32(18), 320);
    EXPECT_EQ(u32(22), 180);  // positive: bottom row first
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(u32(30), 0);
    EXPECT_NEAR(bmp[54], 128, 3);
}

TEST_F(GdiplusTest, SavingNeedsAnEncoderWeHave) {
    GpImage* image = LoadFromBytes(Png(2, 1, {0xFF112233, 0x80FFFFFF}));
    ASSERT_NE(image, nullptr);
    IStream* out = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &out);
    EXPECT_EQ(GdipSaveImageToStream(image, out, &kJpegEncoder, nullptr), Gdiplus::NotImplemented);
    const CLSID unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(GdipSaveImageToStream(image, out, &unknown, nullptr), Gdiplus::FileNotFound);
    HGLOBAL block = nullptr;
    GetHGlobalFromStream(out, &block);
    EXPECT_EQ(GlobalSize(block), 0u);

    // PNG keeps the alpha.
    ASSERT_EQ(GdipSaveImageToStream(image, out, &kPngEncoder, nullptr), Gdiplus::Ok);
    out->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    GpImage* back = nullptr;
    ASSERT_EQ(GdipLoadImageFromStream(out, &back), Gdiplus::Ok);
    Canvas canvas(2, 1, 0);
    Draw(canvas.dc(), back, 0, 0, 2, 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFF112233u);
    EXPECT_EQ(canvas.At(1, 0), 0x80808080u);
    GdipDisposeImage(back);
    GdipDisposeImage(image);
    out->Release();
}

TEST_F(GdiplusTest, BitmapFromGdiBitmapIsOpaque) {
    Canvas source(2, 1, 0);
    source.Bits(0) = 0x00102030;  // alpha byte 0, as GDI leaves it
    source.Bits(1) = 0x80405060;
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromHBITMAP(source.bitmap(), nullptr, &bitmap), Gdiplus::Ok);
    Canvas target(2, 1, 0xFFFFFFFF);
    Draw(target.dc(), bitmap, 0, 0, 2, 1);
    EXPECT_EQ(target.At(0, 0), 0xFF102030u);
    EXPECT_EQ(target.At(1, 0), 0xFF405060u);
    GdipDisposeImage(bitmap);
    EXPECT_EQ(GdipCreateBitmapFromHBITMAP(nullptr, nullptr, &bitmap), Gdiplus::InvalidParameter);
    EXPECT_EQ(bitmap, nullptr);
}

// A true-colour control's paint: what lies under it is copied from the
// window's DC, an off-screen bitmap gets that copy and then the control's
// translucent picture stretched over it, and the result goes back.
TEST_F(GdiplusTest, ControlComposesItsPictureOverTheCapturedBackground) {
    auto window = gdi::Surface::Create(20, 10);
    HDC paint = gdi::CreateDCForSurface(window, POINT{4, 2}, {RECT{4, 2, 12, 6}});
    RECT all{0, 0, 8, 4};
    HBRUSH grey = CreateSolidBrush(RGB(100, 100, 100));
    FillRect(paint, &all, grey);
    DeleteObject(grey);

    HBITMAP cache = CreateCompatibleBitmap(paint, 8, 4);
    HDC cacheDc = CreateCompatibleDC(paint);
    HGDIOBJ oldCache = SelectObject(cacheDc, cache);
    ASSERT_TRUE(BitBlt(cacheDc, 0, 0, 8, 4, paint, 0, 0, SRCCOPY));
    SelectObject(cacheDc, oldCache);
    DeleteDC(cacheDc);

    HBITMAP offscreen = CreateCompatibleBitmap(paint, 8, 4);
    HDC memory = CreateCompatibleDC(paint);
    HGDIOBJ oldOffscreen = SelectObject(memory, offscreen);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(memory, &graphics), Gdiplus::Ok);
    GpBitmap* background = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromHBITMAP(cache, nullptr, &background), Gdiplus::Ok);
    EXPECT_EQ(GdipDrawImageRect(graphics, background, 0, 0, 8, 4), Gdiplus::Ok);
    GpImage* picture = LoadFromBytes(Png(1, 1, {0x80FFFFFF}));  // half-transparent white
    EXPECT_EQ(GdipDrawImageRect(graphics, picture, 0, 0, 8, 4), Gdiplus::Ok);
    ASSERT_TRUE(BitBlt(paint, 0, 0, 8, 4, memory, 0, 0, SRCCOPY));
    GdipDeleteGraphics(graphics);
    GdipDisposeImage(background);
    GdipDisposeImage(picture);
    SelectObject(memory, oldOffscreen);
    DeleteDC(memory);
    DeleteObject(offscreen);
    DeleteObject(cache);
    DeleteDC(paint);

    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            const std::uint32_t pixel = window->Pixel(x, y);
            if (x >= 4 && x < 12 && y >= 2 && y < 6) {
                // 100 + (255 - 100) * 128 / 255, give or take rounding.
                EXPECT_EQ(pixel >> 24, 0xFFu);
                EXPECT_NEAR(int(pixel & 0xFF), 178, 1) << x << "," << y;
                EXPECT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF);
            } else {
                EXPECT_EQ(pixel, 0u) << x << "," << y;
            }
        }
    }
}

// Callers name encoders and the time dimension by their registry texts.
TEST(GdiplusIdsTest, RegistryTextsNameTheLibrarysIds) {
    struct Case {
        const char16_t* text;
        CLSID id;
    };
    const Case cases[] = {
        {u"{557CF400-1A04-11D3-9A73-0000F81EF32E}", kBmpEncoder},
        {u"{557CF401-1A04-11D3-9A73-0000F81EF32E}", kJpegEncoder},
        {u"{557CF402-1A04-11D3-9A73-0000F81EF32E}", kGifEncoder},
        {u"{557CF405-1A04-11D3-9A73-0000F81EF32E}", kTiffEncoder},
        {u"{557CF406-1A04-11D3-9A73-0000F81EF32E}", kPngEncoder},
        {u"{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}", FrameDimensionTime},
        {u"{7462DC86-6180-4C7E-8E3F-EE7333A7A483}", FrameDimensionPage},
    };
    for (const auto& [text, id] : cases) {
        CLSID parsed{};
        ASSERT_EQ(CLSIDFromString(text, &parsed), S_OK);
        EXPECT_TRUE(IsEqualGUID(parsed, id));
    }
}

TEST_F(GdiplusTest, GraphicsNeedALiveDc) {
    GpGraphics* graphics = nullptr;
    EXPECT_EQ(GdipCreateFromHDC(nullptr, &graphics), Gdiplus::InvalidParameter);
    EXPECT_EQ(graphics, nullptr);
    EXPECT_EQ(GdipDeleteGraphics(nullptr), Gdiplus::InvalidParameter);
    GpImage* image = LoadFromBytes(Png(1, 1, {0xFF000000}));
    EXPECT_EQ(GdipDrawImageRect(nullptr, image, 0, 0, 1, 1), Gdiplus::InvalidParameter);
    GdipDisposeImage(image);
}

}  // namespace
