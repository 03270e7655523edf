#include "platform/gdiplus/image_codecs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "support/test_images.h"

namespace {

using imaging::DecodedImage;
using imaging::DecodeImage;
using imaging::ImageFormat;
using verdel_test::AppendGifBytes;
using verdel_test::Bytes;
using verdel_test::SolidJpeg;

// Straight RGBA pixels written as a PNG with libpng's simplified writer.
Bytes MakePng(int width, int height, const std::vector<std::uint8_t>& rgba, bool alpha = true) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<std::uint8_t> source = rgba;
    if (!alpha) {
        source.clear();
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            source.insert(source.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
        }
    }
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, source.data(), 0, nullptr));
    Bytes file(size);
    EXPECT_TRUE(
        png_image_write_to_memory(&image, file.data(), &size, 0, source.data(), 0, nullptr));
    file.resize(size);
    return file;
}

// A 4 x 4 two-frame GIF: frame 0 red with a transparent top-left pixel,
// frame 1 a blue 2 x 2 square at (2, 2).
Bytes MakeAnimatedGif() {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EXPECT_EQ(EGifPutScreenDesc(gif, 4, 4, 8, 0, map), GIF_OK);
    auto addFrame = [&](int left, int top, int side, GifByteType fill, int transparent) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 10, transparent};
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension), GIF_OK);
        EXPECT_EQ(EGifPutImageDesc(gif, left, top, side, side, false, nullptr), GIF_OK);
        for (int y = 0; y < side; ++y) {
            std::vector<GifPixelType> line(side, fill);
            if (y == 0 && transparent >= 0) {
                line[0] = static_cast<GifPixelType>(transparent);
            }
            EXPECT_EQ(EGifPutLine(gif, line.data(), side), GIF_OK);
        }
    };
    addFrame(0, 0, 4, 1, 0);
    addFrame(2, 2, 2, 2, -1);
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(map);
    return out;
}

std::uint32_t PixelAt(const DecodedImage& image, int x, int y, int frame = 0) {
    std::uint32_t pixel;
    std::memcpy(&pixel, image.Frame(frame)->data() + (std::size_t(y) * image.width + x) * 4, 4);
    return pixel;  // 0xAARRGGBB
}

TEST(ImageCodecsTest, PngDecodesToPremultipliedBgra) {
    const std::vector<std::uint8_t> rgba = {
        255, 0,   0,  255,  // red
        0,   255, 0,  128,  // half-transparent green
        0,   0,   0,  0,    // transparent
        10,  20,  30, 255, 200, 100, 50, 255, 1, 2, 3, 255,
    };
    auto image = DecodeImage(MakePng(3, 2, rgba));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->format, ImageFormat::Png);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(image->FrameCount(), 1);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*image, 1, 0), 0x80008000u);
    EXPECT_EQ(PixelAt(*image, 2, 0), 0u);
    EXPECT_EQ(PixelAt(*image, 0, 1), 0xFF0A141Eu);
    EXPECT_EQ(PixelAt(*image, 2, 1), 0xFF010203u);

    auto opaque = DecodeImage(MakePng(3, 2, rgba, false));
    ASSERT_TRUE(opaque);
    EXPECT_FALSE(opaque->hasAlpha);
    EXPECT_EQ(PixelAt(*opaque, 2, 0), 0xFF000000u);
}

// Every prefix of a file that ends before its pixels do is a cut file: none
// decodes, none crashes. (A PNG whose closing 12-byte end chunk alone is
// missing still holds every pixel and decodes.)
TEST(ImageCodecsTest, TruncatedFilesGiveNoImage) {
    const std::vector<std::uint8_t> rgba(16 * 16 * 4, 77);
    struct Case {
        const char* name;
        Bytes file;
        std::size_t whole;  // bytes after which the pixels are complete
    };
    const Bytes png = MakePng(16, 16, rgba);
    const Bytes jpeg = SolidJpeg(64, 48, {10, 200, 30});
    const Bytes gif = MakeAnimatedGif();
    const Bytes bmp = imaging::EncodeBmp(*DecodeImage(png));
    const Case cases[] = {
        {"png", png, png.size() - 12},
        {"jpeg", jpeg, jpeg.size()},
        {"gif", gif, gif.size()},
        {"bmp", bmp, bmp.size()},
    };
    for (const auto& [name, file, whole] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(DecodeImage(file));
        for (std::size_t length = 0; length < file.size(); ++length) {
            EXPECT_EQ(DecodeImage(std::span(file.data(), length)).has_value(), length >= whole)
                << length;
        }
    }
}

// Bytes changed at random decode to something or nothing, and the process
// lives on (the JPEG library's own error handler would end it).
TEST(ImageCodecsTest, CorruptFilesNeverCrash) {
    const std::vector<std::uint8_t> rgba(24 * 24 * 4, 200);
    const Bytes files[] = {MakePng(24, 24, rgba), SolidJpeg(64, 64, {90, 90, 250}),
                           MakeAnimatedGif(),
                           imaging::EncodeBmp(*DecodeImage(MakePng(24, 24, rgba)))};
    std::mt19937 random(1234);
    for (const Bytes& original : files) {
        for (int round = 0; round < 300; ++round) {
            Bytes file = original;
            const int changes = 1 + round % 8;
            for (int i = 0; i < changes; ++i) {
                file[random() % file.size()] = static_cast<std::uint8_t>(random());
            }
            auto image = DecodeImage(file);
            if (image) {
                EXPECT_EQ(image->pixels.size(), std::size_t(image->width) * image->height * 4);
            }
        }
    }
}

TEST(ImageCodecsTest, BrokenJpegReturnsInsteadOfExiting) {
    const Bytes cases[] = {
        {0xFF, 0xD8, 0xFF},
        {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0},
        {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0xFF, 0xD9},
        Bytes(100, 0xFF),
    };
    for (const Bytes& bytes : cases) {
        EXPECT_FALSE(DecodeImage(bytes));
    }
    // A damaged scan is reported as no image, not shown half grey.
    Bytes file = SolidJpeg(320, 180, {255, 255, 255});
    Bytes cut(file.begin(), file.begin() + file.size() / 2);
    EXPECT_FALSE(DecodeImage(cut));
}

TEST(ImageCodecsTest, JpegDecodesItsSizeAndColour) {
    auto image = DecodeImage(SolidJpeg(320, 180, {200, 100, 50}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->format, ImageFormat::Jpeg);
    EXPECT_EQ(image->width, 320);
    EXPECT_EQ(image->height, 180);
    EXPECT_FALSE(image->hasAlpha);
    const std::uint32_t pixel = PixelAt(*image, 160, 90);
    EXPECT_EQ(pixel >> 24, 0xFFu);
    EXPECT_NEAR(int((pixel >> 16) & 0xFF), 200, 6);
    EXPECT_NEAR(int((pixel >> 8) & 0xFF), 100, 6);
    EXPECT_NEAR(int(pixel & 0xFF), 50, 6);
}

TEST(ImageCodecsTest, CmykJpegIsReadAsInverted) {
    // Stored inverted: 255 is no ink.
    auto white = DecodeImage(SolidJpeg(16, 16, {255, 255, 255, 255}, true));
    auto black = DecodeImage(SolidJpeg(16, 16, {255, 255, 255, 0}, true));
    ASSERT_TRUE(white && black);
    EXPECT_GT(PixelAt(*white, 8, 8) & 0xFF, 245u);
    EXPECT_LT(PixelAt(*black, 8, 8) & 0xFF, 10u);
}

TEST(ImageCodecsTest, AnimatedGifComposesEveryFrame) {
    auto image = DecodeImage(MakeAnimatedGif());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->format, ImageFormat::Gif);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 4);
    ASSERT_EQ(image->FrameCount(), 2);
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0u);  // transparent
    EXPECT_EQ(PixelAt(*image, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*image, 3, 3), 0xFFFF0000u);
    // The second frame lies over the first.
    EXPECT_EQ(PixelAt(*image, 3, 3, 1), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(*image, 1, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(image->Frame(2), nullptr);
}

TEST(ImageCodecsTest, BmpRoundTrips) {
    DecodedImage opaque;
    opaque.width = 3;
    opaque.height = 2;
    opaque.pixels = {1,  2,  3,  255, 4,  5,  6,  255, 7,  8,  9,  255,
                     10, 11, 12, 255, 13, 14, 15, 255, 16, 17, 18, 255};
    Bytes file = imaging::EncodeBmp(opaque);
    // 24 bits: rows of 9 bytes padded to 12.
    ASSERT_EQ(file.size(), 54u + 12 * 2);
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(file[10], 54);
    // The bottom row comes first.
    EXPECT_EQ(file[54], 10);
    auto back = DecodeImage(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, opaque.pixels);
    EXPECT_FALSE(back->hasAlpha);

    DecodedImage translucent = opaque;
    translucent.hasAlpha = true;
    translucent.pixels[3] = 0;  // transparent pixel
    translucent.pixels[0] = translucent.pixels[1] = translucent.pixels[2] = 0;
    translucent.pixels[4] = translucent.pixels[5] = translucent.pixels[6] = 128;
    translucent.pixels[7] = 128;  // half-transparent white
    Bytes file32 = imaging::EncodeBmp(translucent);
    ASSERT_EQ(file32.size(), 54u + 12 * 2);
    EXPECT_EQ(file32[28], 32);
    back = DecodeImage(file32);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, translucent.pixels);
    EXPECT_TRUE(back->hasAlpha);
}

// An 8-bit bitmap as CropBitmap writes them: a full palette, pixels at 1078.
Bytes EightBitBmp(int width, int height, const std::vector<std::uint8_t>& indexes) {
    const int rowSize = (width + 3) / 4 * 4;
    const int absHeight = height < 0 ? -height : height;
    Bytes file(1078 + rowSize * absHeight, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = (v >> (8 * i)) & 0xFF;
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 1078);
    put32(14, 40);
    put32(18, width);
    put32(22, static_cast<std::uint32_t>(height));
    file[26] = 1;
    file[28] = 8;
    for (int i = 0; i < 256; ++i) {  // entry i = (B, G, R) = (i, 255 - i, 7)
        file[54 + 4 * i] = static_cast<std::uint8_t>(i);
        file[54 + 4 * i + 1] = static_cast<std::uint8_t>(255 - i);
        file[54 + 4 * i + 2] = 7;
    }
    for (int y = 0; y < absHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            file[1078 + rowSize * y + x] = indexes[y * width + x];
        }
    }
    return file;
}

TEST(ImageCodecsTest, PalettedBmpInEitherRowOrder) {
    auto bottomUp = DecodeImage(EightBitBmp(2, 2, {1, 2, 3, 4}));
    ASSERT_TRUE(bottomUp);
    EXPECT_EQ(PixelAt(*bottomUp, 0, 1), 0xFF07FE01u);  // first stored row is the bottom
    EXPECT_EQ(PixelAt(*bottomUp, 1, 0), 0xFF07FB04u);
    auto topDown = DecodeImage(EightBitBmp(2, -2, {1, 2, 3, 4}));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(PixelAt(*topDown, 0, 0), 0xFF07FE01u);
}

TEST(ImageCodecsTest, UnsupportedOrOversizedBmpGivesNoImage) {
    Bytes compressed = EightBitBmp(2, 2, {1, 2, 3, 4});
    compressed[30] = 1;  // run-length encoded
    EXPECT_FALSE(DecodeImage(compressed));
    Bytes huge = EightBitBmp(2, 2, {1, 2, 3, 4});
    huge[21] = 0x7F;  // width of about two thousand million pixels
    EXPECT_FALSE(DecodeImage(huge));
    Bytes offsetPastEnd = EightBitBmp(2, 2, {1, 2, 3, 4});
    offsetPastEnd[11] = 0xFF;
    EXPECT_FALSE(DecodeImage(offsetPastEnd));
}

TEST(ImageCodecsTest, UnknownBytesGiveNoImage) {
    const std::string text = "<html>not an image</html>";
    EXPECT_FALSE(imaging::DetectFormat(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    EXPECT_FALSE(DecodeImage(std::span<const std::uint8_t>()));
    EXPECT_EQ(imaging::DetectFormat(SolidJpeg(8, 8, {0, 0, 0})), ImageFormat::Jpeg);
}

TEST(ImageCodecsTest, PngEncodingRoundTrips) {
    DecodedImage image;
    image.width = 2;
    image.height = 1;
    image.hasAlpha = true;
    image.pixels = {255, 0, 0, 255, 64, 64, 64, 128};
    Bytes file = imaging::EncodePng(image);
    ASSERT_FALSE(file.empty());
    auto back = DecodeImage(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, image.pixels);
    image.pixels.pop_back();
    EXPECT_TRUE(imaging::EncodePng(image).empty());
}

}  // namespace
