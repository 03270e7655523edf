#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/gdiplus/image_codecs.h"

#include <fstream>
#include <iostream>
#include <thread>
#include <vector>

namespace {

using namespace win;

// A white top-down DIB section to draw text on.
class Page {
  public:
    Page(int width, int height, COLORREF paper = RGB(255, 255, 255))
        : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        HBRUSH brush = CreateSolidBrush(paper);
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
        paper_ = At(0, 0);
    }
    ~Page() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    std::uint32_t At(int x, int y) const {
        return static_cast<const std::uint32_t*>(bits_)[static_cast<std::size_t>(y) * width_ + x];
    }
    // The smallest rectangle holding every pixel that is no longer paper.
    RECT Ink() const {
        RECT ink{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (At(x, y) != paper_) {
                    ink.left = std::min<LONG>(ink.left, x);
                    ink.top = std::min<LONG>(ink.top, y);
                    ink.right = std::max<LONG>(ink.right, x + 1);
                    ink.bottom = std::max<LONG>(ink.bottom, y + 1);
                }
            }
        }
        return ink;
    }
    int Count(std::uint32_t pixel, const RECT& area) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                count += At(x, y) == pixel;
            }
        }
        return count;
    }
    // Pixels at least this dark in every channel.
    int Dark(const RECT& area, int below = 96) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                const std::uint32_t p = At(x, y);
                count += int((p >> 16) & 0xFF) < below && int((p >> 8) & 0xFF) < below &&
                         int(p & 0xFF) < below;
            }
        }
        return count;
    }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    void* bits_ = nullptr;
    std::uint32_t paper_ = 0;
};

class Font {
  public:
    explicit Font(int pixels, const char* face = "宋体")
        : font_(CreateFontA(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0,
                            face)) {}
    ~Font() { DeleteObject(font_); }
    HFONT get() const { return font_; }

  private:
    HFONT font_;
};

const std::string kChinese = "国语第一集";

TEST(GdiTextTest, ChineseTextDrawsDarkPixelsInsideItsBox) {
    Page page(200, 60);
    Font font(20);
    SelectObject(page.dc(), font.get());
    SetBkMode(page.dc(), TRANSPARENT);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(page.dc(), kChinese.data(), int(kChinese.size()), &size));
    // Five full-width characters of a 20-pixel CJK font.
    EXPECT_EQ(size.cx, 100);
    EXPECT_GE(size.cy, 20);
    ASSERT_TRUE(TextOutA(page.dc(), 10, 5, kChinese.data(), int(kChinese.size())));
    const RECT box{10, 5, 10 + size.cx, 5 + size.cy};
    EXPECT_GT(page.Dark(box), 100);
    const RECT ink = page.Ink();
    EXPECT_GE(ink.left, box.left);
    EXPECT_GE(ink.top, box.top);
    EXPECT_LE(ink.right, box.right);
    EXPECT_LE(ink.bottom, box.bottom);
    // Every character has its own ink: the box's fifths all hold dark pixels.
    for (int i = 0; i < 5; ++i) {
        const RECT cell{box.left + 20 * i, box.top, box.left + 20 * (i + 1), box.bottom};
        EXPECT_GT(page.Dark(cell), 10) << i;
    }
}

TEST(GdiTextTest, DifferentCharactersDrawDifferently) {
    Font font(24);
    auto draw = [&](const std::string& text) {
        Page page(30, 30);
        SelectObject(page.dc(), font.get());
        TextOutA(page.dc(), 0, 0, text.data(), int(text.size()));
        std::string pixels;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 30; ++x) {
                pixels += page.At(x, y) == 0xFFFFFFFFu ? '.' : '#';
            }
        }
        return pixels;
    };
    EXPECT_NE(draw("国"), draw("语"));
    EXPECT_NE(draw("一"), draw("二"));
}

TEST(GdiTextTest, OpaqueBackgroundFillsTheTextBoxTransparentKeepsIt) {
    for (int mode : {OPAQUE, TRANSPARENT}) {
        SCOPED_TRACE(mode == OPAQUE ? "opaque" : "transparent");
        Page page(160, 40, RGB(0, 0, 255));
        Font font(16);
        SelectObject(page.dc(), font.get());
        SetBkMode(page.dc(), mode);
        SetBkColor(page.dc(), RGB(255, 255, 0));
        SetTextColor(page.dc(), RGB(0, 0, 0));
        SIZE size{};
        GetTextExtentPoint32A(page.dc(), kChinese.data(), int(kChinese.size()), &size);
        TextOutA(page.dc(), 4, 4, kChinese.data(), int(kChinese.size()));
        const RECT box{4, 4, 4 + size.cx, 4 + size.cy};
        const int area = size.cx * size.cy;
        const std::uint32_t blue = 0xFF0000FF;
        const std::uint32_t yellow = 0xFFFFFF00;
        if (mode == OPAQUE) {
            EXPECT_EQ(page.Count(blue, box), 0);
            EXPECT_GT(page.Count(yellow, box), area / 2);
        } else {
            EXPECT_EQ(page.Count(yellow, box), 0);
            EXPECT_GT(page.Count(blue, box), area / 2);
        }
        // Outside the box the page stays as it was.
        EXPECT_EQ(page.Count(blue, RECT{0, 0, 160, 4}), 160 * 4);
        EXPECT_EQ(page.Count(blue, RECT{box.right, 0, 160, 40}), (160 - box.right) * 40);
        EXPECT_GT(page.Dark(box), 50);
    }
}

TEST(GdiTextTest, TextColourIsUsed) {
    Page page(80, 30);
    Font font(20);
    SelectObject(page.dc(), font.get());
    SetTextColor(page.dc(), RGB(255, 0, 0));
    TextOutA(page.dc(), 0, 0, "国语", 4);
    EXPECT_GT(page.Count(0xFFFF0000u, RECT{0, 0, 80, 30}), 20);
    EXPECT_EQ(page.Dark(RECT{0, 0, 80, 30}), 0);
}

struct Placement {
    UINT format;
    const char* name;
};

// The ink of a one-line text sits where the format says inside the box.
TEST(GdiTextTest, DrawTextPlacesASingleLine) {
    const RECT box{20, 10, 220, 70};
    for (auto [format, name] :
         {Placement{DT_LEFT | DT_TOP, "left top"}, Placement{DT_CENTER | DT_VCENTER, "centre"},
          Placement{DT_RIGHT | DT_BOTTOM, "right bottom"}}) {
        SCOPED_TRACE(name);
        Page page(240, 80);
        Font font(16);
        SelectObject(page.dc(), font.get());
        SetBkMode(page.dc(), TRANSPARENT);
        RECT rect = box;
        const int height = DrawTextA(page.dc(), "国语", -1, &rect, format | DT_SINGLELINE);
        EXPECT_GT(height, 0);
        const RECT ink = page.Ink();
        ASSERT_LT(ink.left, ink.right);
        const int left = ink.left - box.left;
        const int right = box.right - ink.right;
        const int top = ink.top - box.top;
        const int bottom = box.bottom - ink.bottom;
        if (format & DT_CENTER) {
            EXPECT_NEAR(left, right, 3);
            EXPECT_NEAR(top, bottom, 5);
        } else if (format & DT_RIGHT) {
            EXPECT_LT(right, 4);
            EXPECT_LT(bottom, 6);
            EXPECT_GT(left, 150);
        } else {
            EXPECT_LT(left, 4);
            EXPECT_LT(top, 6);
            EXPECT_GT(right, 150);
        }
    }
}

TEST(GdiTextTest, DrawTextCalcRectMeasuresWithoutDrawing) {
    Page page(200, 200);
    Font font(16);
    SelectObject(page.dc(), font.get());
    SIZE size{};
    GetTextExtentPoint32A(page.dc(), kChinese.data(), int(kChinese.size()), &size);
    RECT rect{5, 5, 500, 500};
    const int height =
        DrawTextA(page.dc(), kChinese.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(rect.right - rect.left, size.cx);
    EXPECT_EQ(rect.bottom - rect.top, size.cy);
    EXPECT_EQ(height, size.cy);
    EXPECT_EQ(page.Dark(RECT{0, 0, 200, 200}), 0);

    // A prefix sign is not shown unless told so.
    RECT plain{0, 0, 500, 50};
    RECT prefixed = plain;
    RECT literal = plain;
    DrawTextA(page.dc(), "ab", -1, &plain, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(page.dc(), "&ab", -1, &prefixed, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(page.dc(), "&ab", -1, &literal, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(prefixed.right, plain.right);
    EXPECT_GT(literal.right, plain.right);
}

TEST(GdiTextTest, WordBreakWrapsInsideTheBoxWidth) {
    const std::string text = "这是一个很长的标签文字，需要自动换行显示在多行里面";
    Page page(120, 200);
    Font font(14);
    SelectObject(page.dc(), font.get());
    SetBkMode(page.dc(), TRANSPARENT);
    SIZE line{};
    GetTextExtentPoint32A(page.dc(), text.data(), int(text.size()), &line);
    ASSERT_GT(line.cx, 300);

    RECT measure{10, 10, 110, 10};
    const int height = DrawTextA(page.dc(), text.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(height, 3 * line.cy);
    EXPECT_LE(measure.right, 110);

    RECT box{10, 10, 110, 190};
    DrawTextA(page.dc(), text.c_str(), -1, &box, DT_WORDBREAK);
    const RECT ink = page.Ink();
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 110);
    EXPECT_GE(ink.bottom - ink.top, 2 * line.cy);
}

TEST(GdiTextTest, DrawTextClipsToItsBox) {
    Page page(200, 40);
    Font font(16);
    SelectObject(page.dc(), font.get());
    RECT box{0, 0, 30, 40};
    DrawTextA(page.dc(), kChinese.c_str(), -1, &box, DT_SINGLELINE);
    EXPECT_LE(page.Ink().right, 30);
    RECT loose{0, 0, 30, 40};
    DrawTextA(page.dc(), kChinese.c_str(), -1, &loose, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(page.Ink().right, 60);
}

TEST(GdiTextTest, LineBreaksMakeLinesUnlessSingleLine) {
    Page page(100, 100);
    Font font(16);
    SelectObject(page.dc(), font.get());
    RECT one{0, 0, 100, 100};
    RECT two = one;
    const int single = DrawTextA(page.dc(), "国\r\n语", -1, &one, DT_CALCRECT | DT_SINGLELINE);
    const int multi = DrawTextA(page.dc(), "国\r\n语", -1, &two, DT_CALCRECT);
    EXPECT_GT(multi, single * 3 / 2);
    EXPECT_GT(one.right, two.right);
}

TEST(GdiTextTest, BadArgumentsFail) {
    SIZE size{};
    EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "a", 1, &size));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "a", 1));
    Page page(10, 10);
    EXPECT_FALSE(TextOutA(page.dc(), 0, 0, "a", -1));
    EXPECT_TRUE(TextOutA(page.dc(), 0, 0, "", 0));
    EXPECT_EQ(DrawTextA(page.dc(), "a", 1, nullptr, 0), 0);
    // Broken GBK draws something and does not fail.
    EXPECT_TRUE(TextOutA(page.dc(), 0, 0, "\xB9", 1));
    // A NUL inside the counted text is drawn as a blank.
    SIZE withNul{};
    SIZE withSpace{};
    EXPECT_TRUE(GetTextExtentPoint32A(page.dc(), "a\0b", 3, &withNul));
    EXPECT_TRUE(GetTextExtentPoint32A(page.dc(), "a b", 3, &withSpace));
    EXPECT_EQ(withNul.cx, withSpace.cx);
    EXPECT_TRUE(GetTextExtentPoint32A(page.dc(), "", 0, &size));
    EXPECT_EQ(size.cx, 0);
    EXPECT_GT(size.cy, 0);
}

// Workers draw text at the same time as the window thread; each gets what
// one thread alone gets.
TEST(GdiTextTest, ThreadsDrawTextSideBySide) {
    auto render = [] {
        Page page(120, 30);
        Font font(16);
        SelectObject(page.dc(), font.get());
        std::string pixels;
        for (int round = 0; round < 20; ++round) {
            TextOutA(page.dc(), 2, 2, kChinese.data(), int(kChinese.size()));
        }
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 120; ++x) {
                pixels += static_cast<char>(page.At(x, y) & 0xFF);
            }
        }
        return pixels;
    };
    const std::string alone = render();
    std::vector<std::string> results(4);
    std::vector<std::thread> workers;
    for (auto& result : results) {
        workers.emplace_back([&result, &render] { result = render(); });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    for (const auto& result : results) {
        EXPECT_TRUE(result == alone);
    }
}

// A sheet of sample texts written as a PNG under the test's temporary
// folder, for people to look at; the test checks it decodes as drawn.
TEST(GdiTextTest, SampleSheetRendersToPng) {
    auto surface = gdi::Surface::Create(420, 260);
    HDC dc = gdi::CreateDCForSurface(surface, POINT{0, 0}, {RECT{0, 0, 420, 260}});
    RECT all{0, 0, 420, 260};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    struct Line {
        int pixels;
        LONG weight;
        COLORREF colour;
        const char* text;
    };
    const Line lines[] = {
        {12, FW_NORMAL, RGB(0, 0, 0), "默认字体：国语 日语 TV版 剧场版 第775集"},
        {14, FW_NORMAL, RGB(0, 0, 160), "搜狐 乐视 爱奇艺 —— 点击播放"},
        {16, FW_BOLD, RGB(160, 0, 0), "提示：温馨提示：更新提示：公告"},
        {20, FW_NORMAL, RGB(0, 100, 0), "mini播放器 询问：是否更新？"},
        {24, FW_BOLD, RGB(40, 40, 40), "中文字体渲染 ABC abc 123"},
    };
    int y = 8;
    for (const Line& line : lines) {
        HFONT font = CreateFontA(-line.pixels, 0, 0, 0, line.weight, 0, 0, 0, GB2312_CHARSET, 0, 0,
                                 0, 0, "宋体");
        HGDIOBJ previous = SelectObject(dc, font);
        SetTextColor(dc, line.colour);
        TextOutA(dc, 10, y, line.text, static_cast<int>(std::strlen(line.text)));
        SIZE size{};
        GetTextExtentPoint32A(dc, line.text, static_cast<int>(std::strlen(line.text)), &size);
        y += size.cy + 6;
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    RECT box{10, y, 410, 250};
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    InflateRect(&box, -4, -4);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(
        dc, "这是一个自动换行的标签：文字放在方框中间，每一行都居中显示，直到方框的宽度用完为止。",
        -1, &box, DT_CENTER | DT_WORDBREAK);
    DeleteDC(dc);

    imaging::DecodedImage image;
    image.width = surface->Width();
    image.height = surface->Height();
    surface->Flush();
    image.pixels.assign(surface->Data(), surface->Data() + surface->Stride() * surface->Height());
    const auto png = imaging::EncodePng(image);
    ASSERT_FALSE(png.empty());
    auto back = imaging::DecodeImage(png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, image.pixels);
    const std::string path = testing::TempDir() + "gdi_text_sample.png";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::cout << "sample sheet: " << path << "\n";
}

}  // namespace
