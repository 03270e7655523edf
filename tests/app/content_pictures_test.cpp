#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/local_files.h"
#include "content/embedded.h"
#include "platform/gdiplus/image_codecs.h"

namespace {

std::span<const std::uint8_t> Bytes(std::string_view bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

struct Picture {
    std::string name;
    imaging::ImageFormat format;
    int width;
    int height;
};

std::vector<Picture> BuiltInPictures() {
    using imaging::ImageFormat;
    std::vector<Picture> pictures = {
        {"pictures/logo.png", ImageFormat::Png, 128, 40},
        {"pictures/logo_hover.png", ImageFormat::Png, 128, 40},
        {"pictures/clear.png", ImageFormat::Png, 24, 24},
        {"pictures/clear_hover.png", ImageFormat::Png, 24, 24},
        {"pictures/icon.png", ImageFormat::Png, 128, 128},
        {"pictures/icon_hover.png", ImageFormat::Png, 128, 128},
        {"pictures/DefaultCover.jpg", ImageFormat::Jpeg, 160, 90},
        {"pictures/no_result.png", ImageFormat::Png, 391, 324},
        {"pictures/busy.png", ImageFormat::Png, 31, 31},
        {"pictures/grid_background.png", ImageFormat::Png, 100, 78},
        {"pictures/image_window.png", ImageFormat::Png, 256, 256},
        {"pictures/play_overlay.png", ImageFormat::Png, 35, 34},
        {"pictures/play_button.png", ImageFormat::Png, 54, 54},
        {"pictures/play_button_hover.png", ImageFormat::Png, 54, 54},
    };
    for (int k = 1; k <= 18; ++k) {
        const std::string number = (k < 10 ? "0" : "") + std::to_string(k);
        pictures.push_back(
            {"pictures/films/poster_" + number + ".jpg", ImageFormat::Jpeg, 162, 230});
        pictures.push_back(
            {"pictures/films/caption_" + number + ".jpg", ImageFormat::Jpeg, 162, 40});
    }
    return pictures;
}

TEST(ContentPicturesTest, EveryPictureDecodesAtItsSize) {
    for (const Picture& picture : BuiltInPictures()) {
        SCOPED_TRACE(picture.name);
        const std::string_view bytes = content::Get(picture.name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(imaging::DetectFormat(Bytes(bytes)), picture.format);
        const auto image = imaging::DecodeImage(Bytes(bytes));
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, picture.width);
        EXPECT_EQ(image->height, picture.height);
        EXPECT_EQ(image->format, picture.format);
    }
}

// Alpha of pixel (x, y) of a decoded picture.
int AlphaAt(const imaging::DecodedImage& image, int x, int y) {
    return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3];
}

TEST(ContentPicturesTest, LayeredWindowPictureHasPerPixelAlpha) {
    const auto image = imaging::DecodeImage(Bytes(content::Get("pictures/image_window.png")));
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(AlphaAt(*image, 0, 0), 0);        // the corner shows what lies beneath
    EXPECT_EQ(AlphaAt(*image, 128, 116), 255);  // the emblem's centre is solid
    bool halfTransparent = false;
    for (int y = 0; y < image->height && !halfTransparent; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const int alpha = AlphaAt(*image, x, y);
            halfTransparent = halfTransparent || (alpha > 40 && alpha < 215);
        }
    }
    EXPECT_TRUE(halfTransparent);  // the glow and the shadow blend
}

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

// Reads bit fields most significant bit first.
struct Bits {
    std::string_view bytes;
    std::size_t position = 0;
    std::uint32_t Unsigned(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++position) {
            value = value << 1 |
                    ((static_cast<std::uint8_t>(bytes[position / 8]) >> (7 - position % 8)) & 1);
        }
        return value;
    }
    std::int32_t Signed(int count) {
        const std::uint32_t value = Unsigned(count);
        return value >> (count - 1) ? static_cast<std::int32_t>(value) - (1 << count)
                                    : static_cast<std::int32_t>(value);
    }
};

TEST(ContentPicturesTest, LoadingMovieIsACompressedOneFrameMovie) {
    const std::string_view movie = app::LoadingMovie();
    ASSERT_GT(movie.size(), 8u);
    EXPECT_EQ(movie.substr(0, 3), "CWS");
    EXPECT_EQ(static_cast<int>(movie[3]), 14);
    const std::uint32_t length = Le32(movie, 4);

    std::string body(length - 8 + 16, '\0');  // room to see a longer body
    uLongf got = body.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(body.data()), &got,
                         reinterpret_cast<const Bytef*>(movie.data() + 8), movie.size() - 8),
              Z_OK);
    EXPECT_EQ(got + 8, length);
    body.resize(got);

    Bits bits{body};
    const int size = static_cast<int>(bits.Unsigned(5));
    EXPECT_EQ(bits.Signed(size), 0);
    EXPECT_EQ(bits.Signed(size), 500 * 20);  // twips
    EXPECT_EQ(bits.Signed(size), 0);
    EXPECT_EQ(bits.Signed(size), 375 * 20);
    std::size_t at = (bits.position + 7) / 8;
    EXPECT_EQ(static_cast<std::uint8_t>(body[at]), 0);  // frame rate 40.0, 8.8 fixed
    EXPECT_EQ(static_cast<std::uint8_t>(body[at + 1]), 40);
    EXPECT_EQ(static_cast<std::uint8_t>(body[at + 2]), 1);  // one frame
    EXPECT_EQ(static_cast<std::uint8_t>(body[at + 3]), 0);

    // The tags: file attributes first, the last one the end tag.
    at += 4;
    std::vector<int> codes;
    while (at + 2 <= body.size()) {
        const int header =
            static_cast<std::uint8_t>(body[at]) | static_cast<std::uint8_t>(body[at + 1]) << 8;
        std::size_t tagLength = header & 0x3F;
        at += 2;
        if (tagLength == 0x3F) {
            tagLength = Le32(body, at);
            at += 4;
        }
        codes.push_back(header >> 6);
        at += tagLength;
    }
    EXPECT_EQ(at, body.size());
    ASSERT_GE(codes.size(), 4u);
    EXPECT_EQ(codes.front(), 69);           // FileAttributes
    EXPECT_EQ(codes[1], 9);                 // SetBackgroundColor
    EXPECT_EQ(codes[codes.size() - 2], 1);  // ShowFrame
    EXPECT_EQ(codes.back(), 0);             // End
}

}  // namespace
