#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace {

using namespace win;

// A memory DC drawing into a 32-bit DIB section; pixels read back from the
// DIB's bits as 0xAARRGGBB.
class Dib {
  public:
    Dib(int width, int height, bool topDown = true) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = topDown ? -height : height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Dib() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    std::uint32_t* Row(int memoryRow) const {
        return static_cast<std::uint32_t*>(bits_) + static_cast<std::size_t>(memoryRow) * width_;
    }
    // (x, y) from the top-left of the picture, whatever the row order.
    std::uint32_t At(int x, int y, bool topDown = true) const {
        return Row(topDown ? y : height_ - 1 - y)[x];
    }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    void* bits_ = nullptr;
};

constexpr std::uint32_t Opaque(BYTE r, BYTE g, BYTE b) {
    return 0xFF000000u | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

TEST(GdiDrawingTest, FillRectPaintsExactlyTheRectangle) {
    Dib dib(8, 6);
    RECT rect{2, 1, 5, 4};
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    EXPECT_NE(FillRect(dib.dc(), &rect, brush), 0);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 4;
            EXPECT_EQ(dib.At(x, y), inside ? Opaque(10, 20, 30) : 0u) << x << "," << y;
        }
    }
    DeleteObject(brush);
}

TEST(GdiDrawingTest, FillRectBrushKinds) {
    Dib dib(4, 4);
    RECT all{0, 0, 4, 4};
    // A system colour + 1 stands for that colour's brush.
    FillRect(dib.dc(), &all, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(dib.At(3, 3), Opaque(255, 255, 255));
    FillRect(dib.dc(), &all, GetSysColorBrush(COLOR_BTNFACE));
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(dib.At(0, 0), Opaque(GetRValue(face), GetGValue(face), GetBValue(face)));
    // The null brush paints nothing but succeeds; a stale handle fails.
    FillRect(dib.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_NE(FillRect(dib.dc(), &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
    EXPECT_EQ(dib.At(1, 1), Opaque(0, 0, 0));
    HBRUSH gone = CreateSolidBrush(RGB(255, 0, 0));
    DeleteObject(gone);
    EXPECT_EQ(FillRect(dib.dc(), &all, gone), 0);
    EXPECT_EQ(dib.At(1, 1), Opaque(0, 0, 0));
}

TEST(GdiDrawingTest, FrameRectDrawsOnePixelBorder) {
    Dib dib(5, 5);
    RECT rect{0, 0, 5, 5};
    FrameRect(dib.dc(), &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool border = x == 0 || y == 0 || x == 4 || y == 4;
            EXPECT_EQ(dib.At(x, y), border ? Opaque(255, 255, 255) : 0u) << x << "," << y;
        }
    }
}

// Positive heights store the bottom row first, negative the top row first;
// drawing and direct writes to the bits agree either way.
TEST(GdiDrawingTest, DibSectionRowOrderFollowsHeightSign) {
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        Dib dib(3, 4, topDown);
        RECT topRow{0, 0, 3, 1};
        FillRect(dib.dc(), &topRow, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const int memoryRow = topDown ? 0 : 3;
        EXPECT_EQ(dib.Row(memoryRow)[0], Opaque(255, 255, 255));
        EXPECT_EQ(dib.Row(3 - memoryRow)[0], 0u);

        // A pixel written into the bits is what a blit reads.
        dib.Row(memoryRow)[1] = 0x80402010;
        Dib copy(3, 4);
        ASSERT_TRUE(BitBlt(copy.dc(), 0, 0, 3, 4, dib.dc(), 0, 0, SRCCOPY));
        EXPECT_EQ(copy.At(1, 0), 0x80402010u);
        EXPECT_EQ(copy.At(0, 0), Opaque(255, 255, 255));
        EXPECT_EQ(copy.At(0, 3), 0u);
        EXPECT_EQ(GetPixel(dib.dc(), 0, 0), RGB(255, 255, 255));
    }
}

TEST(GdiDrawingTest, BitBltCopiesEveryByteWithOffsets) {
    Dib source(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            // Premultiplied values with partial alpha survive unchanged.
            source.Row(y)[x] = 0x40000000u | (std::uint32_t(y) << 8) | std::uint32_t(x);
        }
    }
    Dib dest(6, 6);
    ASSERT_TRUE(BitBlt(dest.dc(), 3, 2, 2, 3, source.dc(), 1, 0, SRCCOPY));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 3 && x < 5 && y >= 2 && y < 5;
            const std::uint32_t expected =
                inside ? 0x40000000u | (std::uint32_t(y - 2) << 8) | std::uint32_t(x - 3 + 1) : 0u;
            EXPECT_EQ(dest.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(GdiDrawingTest, BitBltWithinOneBitmapReadsTheOldPixels) {
    Dib dib(4, 1);
    for (int x = 0; x < 4; ++x) {
        dib.Row(0)[x] = Opaque(0, 0, static_cast<BYTE>(x + 1));
    }
    ASSERT_TRUE(BitBlt(dib.dc(), 1, 0, 3, 1, dib.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dib.At(0, 0), Opaque(0, 0, 1));
    EXPECT_EQ(dib.At(1, 0), Opaque(0, 0, 1));
    EXPECT_EQ(dib.At(2, 0), Opaque(0, 0, 2));
    EXPECT_EQ(dib.At(3, 0), Opaque(0, 0, 3));
}

TEST(GdiDrawingTest, BitBltRasterOperations) {
    Dib dib(2, 1);
    EXPECT_TRUE(BitBlt(dib.dc(), 0, 0, 1, 1, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(dib.At(0, 0), Opaque(255, 255, 255));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ old = SelectObject(dib.dc(), brush);
    EXPECT_TRUE(BitBlt(dib.dc(), 1, 0, 1, 1, nullptr, 0, 0, PATCOPY));
    EXPECT_EQ(dib.At(1, 0), Opaque(1, 2, 3));
    SelectObject(dib.dc(), old);
    DeleteObject(brush);
    // A copy without a source, or an operation not offered, fails.
    EXPECT_FALSE(BitBlt(dib.dc(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dib.dc(), 0, 0, 1, 1, dib.dc(), 0, 0, 0x00EE0086));
    EXPECT_EQ(dib.At(0, 0), Opaque(255, 255, 255));
}

TEST(GdiDrawingTest, StretchBltRepeatsPixelsWhenEnlarging) {
    Dib source(2, 1);
    source.Row(0)[0] = Opaque(255, 0, 0);
    source.Row(0)[1] = Opaque(0, 0, 255);
    Dib dest(4, 2);
    ASSERT_TRUE(StretchBlt(dest.dc(), 0, 0, 4, 2, source.dc(), 0, 0, 2, 1, SRCCOPY));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(dest.At(0, y), Opaque(255, 0, 0));
        EXPECT_EQ(dest.At(1, y), Opaque(255, 0, 0));
        EXPECT_EQ(dest.At(2, y), Opaque(0, 0, 255));
        EXPECT_EQ(dest.At(3, y), Opaque(0, 0, 255));
    }
}

TEST(GdiDrawingTest, SelectObjectReturnsThePreviousObjectOfItsKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP first = CreateCompatibleBitmap(dc, 2, 2);
    HBITMAP second = CreateCompatibleBitmap(dc, 2, 2);
    HGDIOBJ original = SelectObject(dc, first);
    EXPECT_NE(original, nullptr);
    EXPECT_EQ(SelectObject(dc, second), first);
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    HGDIOBJ originalBrush = SelectObject(dc, brush);
    EXPECT_NE(originalBrush, nullptr);
    EXPECT_EQ(SelectObject(dc, originalBrush), brush);
    EXPECT_EQ(SelectObject(dc, original), second);
    // A compatible bitmap starts opaque black.
    SelectObject(dc, first);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 0));
    SelectObject(dc, original);

    EXPECT_TRUE(DeleteObject(first));
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(SelectObject(dc, first), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), nullptr);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
}

TEST(GdiDrawingTest, ObjectsDeletedWhileSelectedStayUsable) {
    Dib target(2, 2);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    HGDIOBJ original = SelectObject(dc, bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    RECT all{0, 0, 2, 2};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(BitBlt(target.dc(), 0, 0, 2, 2, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(1, 1), Opaque(255, 255, 255));
    SelectObject(dc, original);
    DeleteDC(dc);
}

TEST(GdiDrawingTest, StockObjectsOutliveDeletion) {
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    ASSERT_NE(white, nullptr);
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), white);
    Dib dib(1, 1);
    RECT all{0, 0, 1, 1};
    FillRect(dib.dc(), &all, static_cast<HBRUSH>(white));
    EXPECT_EQ(dib.At(0, 0), Opaque(255, 255, 255));
    EXPECT_NE(GetStockObject(DEFAULT_GUI_FONT), nullptr);
    EXPECT_EQ(GetStockObject(99), nullptr);
}

TEST(GdiDrawingTest, GetObjectDescribesBitmapsAndFonts) {
    Dib dib(7, 3, false);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(dib.bitmap(), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 7);
    EXPECT_EQ(info.bmHeight, 3);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmBits, static_cast<void*>(dib.Row(0)));
    HFONT font = CreateFontA(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
    LOGFONTA log{};
    ASSERT_GT(GetObjectA(font, sizeof log, &log), 0);
    EXPECT_EQ(log.lfHeight, -16);
    EXPECT_EQ(log.lfWeight, FW_BOLD);
    EXPECT_STREQ(log.lfFaceName, "宋体");
    DeleteObject(font);
    EXPECT_EQ(GetObjectA(font, sizeof log, &log), 0);
}

TEST(GdiDrawingTest, BadDibRequestsFail) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biWidth = 0;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 5), nullptr);
}

// A window's DC draws at its origin in the surface, only inside its clip.
TEST(GdiDrawingTest, SurfaceDcDrawsAtOriginInsideClip) {
    auto surface = gdi::Surface::Create(10, 10);
    HDC dc = gdi::CreateDCForSurface(surface, POINT{2, 3}, {RECT{2, 3, 6, 5}, RECT{8, 8, 9, 9}});
    ASSERT_NE(dc, nullptr);
    RECT all{-50, -50, 50, 50};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = (x >= 2 && x < 6 && y >= 3 && y < 5) || (x == 8 && y == 8);
            EXPECT_EQ(surface->Pixel(x, y), inside ? 0xFFFFFFFFu : 0u) << x << "," << y;
        }
    }
    // Logical (0, 0) is surface (2, 3).
    SetPixel(dc, 1, 0, RGB(0, 0, 255));
    EXPECT_EQ(surface->Pixel(3, 3), Opaque(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 7, 7), CLR_INVALID);  // outside the clip
    // Bitmaps cannot be selected into a window's DC.
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 1, 1);
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
    DeleteObject(bitmap);

    auto copy = gdi::CopyFromDC(dc, 0, 0, 3, 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(copy->Pixel(1, 0), Opaque(0, 0, 255));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(gdi::CopyFromDC(dc, 0, 0, 1, 1), nullptr);
}

TEST(GdiDrawingTest, SurfaceDcOutlivesItsOwnerHandle) {
    HDC dc;
    {
        auto surface = gdi::Surface::Create(2, 2);
        dc = gdi::CreateDCForSurface(surface, POINT{0, 0}, {RECT{0, 0, 2, 2}});
    }
    RECT all{0, 0, 2, 2};
    EXPECT_NE(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));
    DeleteDC(dc);
}

TEST(GdiDrawingTest, WrappedPixelsAreDrawnInPlace) {
    auto pixels = std::make_shared<std::vector<std::uint32_t>>(4 * 2, 0u);
    auto surface =
        gdi::Surface::Wrap(pixels, reinterpret_cast<std::uint8_t*>(pixels->data()), 4, 2, 16);
    ASSERT_NE(surface, nullptr);
    HDC dc = gdi::CreateDCForSurface(surface, POINT{0, 0}, {RECT{0, 0, 4, 2}});
    RECT cell{3, 1, 4, 2};
    FillRect(dc, &cell, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ((*pixels)[7], 0xFFFFFFFFu);
    EXPECT_EQ((*pixels)[6], 0u);
    DeleteDC(dc);
    EXPECT_EQ(gdi::Surface::Wrap(pixels, nullptr, 4, 2, 16), nullptr);
}

TEST(GdiDrawingTest, IntersectClipRectNarrowsDrawing) {
    Dib dib(4, 4);
    EXPECT_EQ(IntersectClipRect(dib.dc(), 1, 1, 3, 3), SIMPLEREGION);
    RECT all{0, 0, 4, 4};
    FillRect(dib.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(dib.At(0, 0), 0u);
    EXPECT_EQ(dib.At(1, 1), Opaque(255, 255, 255));
    EXPECT_EQ(dib.At(3, 2), 0u);
    EXPECT_EQ(IntersectClipRect(dib.dc(), 3, 3, 4, 4), NULLREGION);
}

TEST(GdiDrawingTest, DcAttributesReturnPreviousValues) {
    Dib dib(1, 1);
    EXPECT_EQ(GetBkMode(dib.dc()), OPAQUE);
    EXPECT_EQ(SetBkMode(dib.dc(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dib.dc(), 7), 0);
    EXPECT_EQ(GetBkMode(dib.dc()), TRANSPARENT);
    EXPECT_EQ(SetBkColor(dib.dc(), RGB(1, 2, 3)), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dib.dc()), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(dib.dc(), RGB(4, 5, 6)), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(dib.dc()), RGB(4, 5, 6));
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
}

TEST(GdiRectTest, Arithmetic) {
    RECT a;
    SetRect(&a, 0, 0, 10, 10);
    RECT b{5, 5, 15, 20};
    RECT out;
    EXPECT_TRUE(IntersectRect(&out, &a, &b));
    const RECT overlap{5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&out, &overlap));
    RECT far{20, 20, 30, 30};
    EXPECT_FALSE(IntersectRect(&out, &a, &far));
    EXPECT_TRUE(IsRectEmpty(&out));
    RECT touching{10, 0, 20, 10};  // right edges are exclusive
    EXPECT_FALSE(IntersectRect(&out, &a, &touching));
    EXPECT_TRUE(UnionRect(&out, &a, &b));
    EXPECT_EQ(out.right, 15);
    EXPECT_EQ(out.bottom, 20);
    RECT empty{};
    EXPECT_TRUE(UnionRect(&out, &empty, &b));
    EXPECT_TRUE(EqualRect(&out, &b));
    OffsetRect(&a, 3, -2);
    EXPECT_EQ(a.left, 3);
    EXPECT_EQ(a.top, -2);
    InflateRect(&a, 1, 2);
    EXPECT_EQ(a.left, 2);
    EXPECT_EQ(a.bottom, 10);
    RECT r{0, 0, 2, 2};
    EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
    EXPECT_TRUE(PtInRect(&r, POINT{1, 1}));
    EXPECT_FALSE(PtInRect(&r, POINT{2, 1}));
    EXPECT_FALSE(PtInRect(&r, POINT{1, -1}));
}

}  // namespace
