// The headless display: windows composed in z-order on a fixed screen,
// layered windows blended per pixel, screenshots as PNG.
#include <gtest/gtest.h>
#include <png.h>

#include "platform/gdi/gdi.h"
#include "platform/window/surface.h"
#include "support/harness.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::POINT;

constexpr std::uint32_t kButtonFace = 0xFFF0F0F0u;
constexpr std::uint32_t kDesktop = 0xFF3A6EA5u;

class Display : public ::testing::Test {
  protected:
    void SetUp() override { Log::Get().Clear(); }
    void TearDown() override { Log::Get().Clear(); }
    harness::Session session_{true, 640, 480};
};

// Premultiplied BGRA of a colour with alpha (r, g, b straight).
std::uint32_t Premultiplied(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    return (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
}

TEST_F(Display, TheScreenHasTheDriversSizeAndShowsWindowsInZOrder) {
    EXPECT_EQ(win::GetSystemMetrics(win::SM_CXSCREEN), 640);
    EXPECT_EQ(win::GetSystemMetrics(win::SM_CYSCREEN), 480);
    HWND back = Popup(10, 10, 100, 100);
    HWND front = Popup(60, 60, 100, 100);
    // The front window paints its client area red.
    Log::Get().Handle(
        front,
        [](HWND self, win::UINT message, win::WPARAM, win::LPARAM) -> std::optional<win::LRESULT> {
            if (message == win::WM_PAINT) {
                win::PAINTSTRUCT paint{};
                win::HDC dc = win::BeginPaint(self, &paint);
                win::HBRUSH red = win::CreateSolidBrush(win::RGB(255, 0, 0));
                win::FillRect(dc, &paint.rcPaint, red);
                win::DeleteObject(red);
                win::EndPaint(self, &paint);
                return 0;
            }
            return std::nullopt;
        });
    harness::PumpUntilIdle();
    display::Image screen = session_.Display().CaptureScreen();
    ASSERT_EQ(screen.width, 640);
    ASSERT_EQ(screen.height, 480);
    EXPECT_EQ(screen.At(5, 5), kDesktop);
    EXPECT_EQ(screen.At(20, 20), kButtonFace);  // the class brush erased it
    EXPECT_EQ(screen.At(80, 80), 0xFFFF0000u);  // the front window covers the back one

    win::SetWindowPos(back, win::HWND_TOPMOST, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE);
    harness::PumpUntilIdle();
    EXPECT_EQ(session_.Display().CaptureScreen().At(80, 80), kButtonFace);
    win::ShowWindow(back, win::SW_HIDE);
    EXPECT_EQ(session_.Display().CaptureScreen().At(80, 80), 0xFFFF0000u);
    EXPECT_EQ(session_.Display().CaptureScreen().At(20, 20), kDesktop);

    display::Image window = session_.Display().CaptureWindow(front);
    EXPECT_EQ(window.width, 100);
    EXPECT_EQ(window.At(50, 50), 0xFFFF0000u);
}

TEST_F(Display, LayeredWindowsBlendPerPixelAndLetTheMouseThroughWhereClear) {
    HWND under = Popup(0, 0, 200, 200);
    harness::PumpUntilIdle();
    HWND layered = Popup(50, 50, 10, 10, win::WS_EX_LAYERED);
    // Left column clear, middle half-transparent red, right opaque blue.
    std::vector<std::uint32_t> pixels(4 * 2);
    for (int y = 0; y < 2; ++y) {
        pixels[std::size_t(y * 4 + 0)] = 0;
        pixels[std::size_t(y * 4 + 1)] = Premultiplied(255, 0, 0, 128);
        pixels[std::size_t(y * 4 + 2)] = Premultiplied(0, 0, 255, 255);
        pixels[std::size_t(y * 4 + 3)] = Premultiplied(0, 0, 255, 255);
    }
    POINT place{100, 100};
    ASSERT_TRUE(windowing::SetLayeredPixels(layered, &place, win::SIZE{4, 2}, pixels.data(), 255));
    win::RECT rect{};
    win::GetWindowRect(layered, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.right - rect.left, 4);

    display::Image screen = session_.Display().CaptureScreen();
    EXPECT_EQ(screen.At(100, 100), kButtonFace);  // clear: what lies beneath
    std::uint32_t half = screen.At(101, 100);
    EXPECT_EQ((half >> 16) & 0xFF, 128u + 0xF0u * 127u / 255u);
    EXPECT_EQ(half & 0xFF, 0xF0u * 127u / 255u);
    EXPECT_EQ(screen.At(102, 101), 0xFF0000FFu);

    // A constant alpha of 128 halves every pixel's opacity.
    ASSERT_TRUE(windowing::SetLayeredPixels(layered, nullptr, win::SIZE{4, 2}, pixels.data(), 128));
    std::uint32_t faded = session_.Display().CaptureScreen().At(102, 100);
    EXPECT_EQ(faded & 0xFF, 128u + 0xF0u * 127u / 255u);

    // The mouse passes through the clear pixels only.
    Log::Get().Clear();
    session_.Click(under, POINT{102, 100});
    session_.Click(under, POINT{100, 100});
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, under).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, layered).size(), 1u);

    // A window without the layered style takes no layered content.
    EXPECT_FALSE(windowing::SetLayeredPixels(under, nullptr, win::SIZE{4, 2}, pixels.data(), 255));
}

TEST_F(Display, UpdateLayeredWindowShowsAMemoryDcsPixels) {
    HWND under = Popup(0, 0, 200, 200);
    harness::PumpUntilIdle();
    HWND layered = Make(win::WS_POPUP, 0, 0, 256, 256, nullptr, win::WS_EX_LAYERED);
    // A bottom-up 32-bit DIB section: top row half-transparent red, bottom row opaque green.
    win::HDC screen = win::GetDC(layered);
    win::HDC memory = win::CreateCompatibleDC(screen);
    win::BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    win::HBITMAP dib = win::CreateDIBSection(memory, &info, 0, &bits, nullptr, 0);
    ASSERT_TRUE(dib);
    auto* rows = static_cast<std::uint32_t*>(bits);
    rows[0] = rows[1] = Premultiplied(0, 255, 0, 255);  // bottom row first
    rows[2] = rows[3] = Premultiplied(255, 0, 0, 128);
    win::HGDIOBJ old = win::SelectObject(memory, dib);
    win::SIZE size{2, 2};
    win::POINT source{0, 0};
    win::POINT place{20, 30};
    win::BLENDFUNCTION blend{win::AC_SRC_OVER, 0, 255, win::AC_SRC_ALPHA};
    ASSERT_TRUE(win::UpdateLayeredWindow(layered, screen, &place, &size, memory, &source, 0, &blend,
                                         win::ULW_ALPHA));
    win::SelectObject(memory, old);
    win::DeleteObject(dib);
    win::DeleteDC(memory);
    win::ReleaseDC(layered, screen);
    win::ShowWindow(layered, win::SW_SHOWNA);
    harness::PumpUntilIdle();

    win::RECT rect{};
    win::GetWindowRect(layered, &rect);
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.right - rect.left, 2);
    display::Image shot = session_.Display().CaptureScreen();
    EXPECT_EQ(shot.At(20, 31), 0xFF00FF00u);
    EXPECT_EQ((shot.At(21, 30) >> 16) & 0xFF, 128u + 0xF0u * 127u / 255u);
    EXPECT_EQ(shot.At(22, 30), kButtonFace);
    (void)under;
}

// Fills its client area with one colour on every paint.
void PaintsIn(HWND window, win::COLORREF color) {
    Log::Get().Handle(window,
                      [color](HWND self, win::UINT message, win::WPARAM,
                              win::LPARAM) -> std::optional<win::LRESULT> {
                          if (message == win::WM_PAINT) {
                              win::PAINTSTRUCT paint{};
                              win::HDC dc = win::BeginPaint(self, &paint);
                              win::RECT all{0, 0, 1000, 1000};
                              win::HBRUSH brush = win::CreateSolidBrush(color);
                              win::FillRect(dc, &all, brush);
                              win::DeleteObject(brush);
                              win::EndPaint(self, &paint);
                              return 0;
                          }
                          return std::nullopt;
                      });
}

TEST_F(Display, PaintingStaysOutOfClippedChildrenAndSiblingsAbove) {
    HWND parent = Make(win::WS_POPUP | win::WS_VISIBLE | win::WS_CLIPCHILDREN, 0, 0, 200, 200);
    HWND top = Make(win::WS_CHILD | win::WS_VISIBLE, 10, 10, 50, 50, parent);
    HWND below =
        Make(win::WS_CHILD | win::WS_VISIBLE | win::WS_CLIPSIBLINGS, 30, 30, 50, 50, parent);
    PaintsIn(parent, win::RGB(255, 0, 0));
    PaintsIn(top, win::RGB(0, 0, 255));
    PaintsIn(below, win::RGB(0, 255, 0));
    harness::PumpUntilIdle();
    auto at = [&](int x, int y) { return session_.Display().CaptureScreen().At(x, y); };
    EXPECT_EQ(at(5, 5), 0xFFFF0000u);
    EXPECT_EQ(at(40, 40), 0xFF0000FFu);  // the sibling above keeps its pixels
    EXPECT_EQ(at(70, 70), 0xFF00FF00u);

    // The parent clips its children out: repainting it alone leaves them be.
    Log::Get().Clear();
    PaintsIn(parent, win::RGB(255, 255, 0));
    win::InvalidateRect(parent, nullptr, win::FALSE);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 1u);
    EXPECT_EQ(at(5, 5), 0xFFFFFF00u);
    EXPECT_EQ(at(20, 20), 0xFF0000FFu);
    EXPECT_EQ(at(70, 70), 0xFF00FF00u);

    // The lower sibling repainting alone stays out of the one above it.
    win::InvalidateRect(below, nullptr, win::FALSE);
    harness::PumpUntilIdle();
    EXPECT_EQ(at(40, 40), 0xFF0000FFu);
}

TEST_F(Display, ScreenshotsAreValidPngs) {
    HWND window = Popup(0, 0, 30, 20);
    harness::PumpUntilIdle();
    display::Image shot = session_.Display().CaptureScreen();
    std::string bytes = display::EncodePng(shot);
    ASSERT_GT(bytes.size(), 8u);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint32_t> decoded(std::size_t(image.width) * image.height);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr));
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    EXPECT_EQ(decoded, shot.pixels);

    EXPECT_TRUE(display::EncodePng(display::Image{}).empty());
    EXPECT_TRUE(display::EncodePng(session_.Display().CaptureWindow(window)).size() > 8);
    EXPECT_TRUE(session_.Display().CaptureWindow(nullptr).pixels.empty());
}

}  // namespace
