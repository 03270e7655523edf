// Invalidation and painting: merged update areas, one paint per loop turn,
// erase and frame messages, parents before children.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::LPARAM;
using win::LRESULT;
using win::UINT;
using win::WPARAM;

class WindowPaint : public ::testing::Test {
  protected:
    void SetUp() override { Log::Get().Clear(); }
    void TearDown() override { Log::Get().Clear(); }
    harness::Session session_;
};

// Paints with BeginPaint/EndPaint and keeps what each paint covered.
std::vector<win::RECT> PaintsOf(HWND window, std::vector<win::RECT>& painted) {
    Log::Get().Handle(
        window, [&painted](HWND self, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == win::WM_PAINT) {
                win::PAINTSTRUCT paint{};
                win::BeginPaint(self, &paint);
                painted.push_back(paint.rcPaint);
                win::EndPaint(self, &paint);
                return 0;
            }
            return std::nullopt;
        });
    return painted;
}

TEST_F(WindowPaint, InvalidationsMergeIntoOnePaintPerLoopTurn) {
    HWND window = Popup(0, 0, 300, 200);
    std::vector<win::RECT> painted;
    PaintsOf(window, painted);
    harness::PumpUntilIdle();
    ASSERT_EQ(painted.size(), 1u);  // the first show
    painted.clear();

    win::RECT a{10, 10, 20, 20}, b{100, 50, 120, 60}, c{15, 15, 30, 25};
    win::InvalidateRect(window, &a, win::FALSE);
    win::InvalidateRect(window, &b, win::FALSE);
    win::InvalidateRect(window, &c, win::FALSE);
    win::RECT update{};
    EXPECT_TRUE(win::GetUpdateRect(window, &update, win::FALSE));
    harness::PumpUntilIdle();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0].left, 10);
    EXPECT_EQ(painted[0].top, 10);
    EXPECT_EQ(painted[0].right, 120);
    EXPECT_EQ(painted[0].bottom, 60);
    EXPECT_FALSE(win::GetUpdateRect(window, &update, win::FALSE));

    // Posted messages come before the paint, and a paint waits for them.
    painted.clear();
    win::InvalidateRect(window, nullptr, win::FALSE);
    win::PostMessageA(window, win::WM_USER, 0, 0);
    harness::PumpUntilIdle();
    std::vector<UINT> order;
    for (const Seen& seen : Log::Get().All()) {
        if (seen.message == win::WM_USER || seen.message == win::WM_PAINT) {
            order.push_back(seen.message);
        }
    }
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[order.size() - 2], win::WM_USER);
    EXPECT_EQ(order.back(), win::WM_PAINT);
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0].right, 300);
}

TEST_F(WindowPaint, EraseOnlyWhenAskedAndUpdateWindowPaintsAtOnce) {
    HWND window = Popup(0, 0, 100, 100);
    harness::PumpUntilIdle();
    Log::Get().Clear();
    win::InvalidateRect(window, nullptr, win::FALSE);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_ERASEBKGND).size(), 0u);
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 1u);

    win::InvalidateRect(window, nullptr, win::TRUE);
    EXPECT_TRUE(win::UpdateWindow(window));
    // Painted inside UpdateWindow, before any loop turn.
    EXPECT_EQ(Log::Get().Of(win::WM_ERASEBKGND).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 2u);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 2u);
    win::ValidateRect(window, nullptr);
    EXPECT_TRUE(win::UpdateWindow(window));
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 2u);
}

TEST_F(WindowPaint, ParentsPaintBeforeTheChildrenTheyCover) {
    HWND parent = Popup(0, 0, 300, 300);
    HWND child = Child(parent, 50, 50, 100, 100);
    HWND clipped = Make(win::WS_POPUP | win::WS_VISIBLE | win::WS_CLIPCHILDREN, 400, 0, 100, 100);
    HWND clippedChild = Child(clipped, 0, 0, 50, 50);
    harness::PumpUntilIdle();
    Log::Get().Clear();

    // Without WS_CLIPCHILDREN the parent paints over the child, so it paints again.
    win::RECT area{60, 60, 70, 70};
    win::InvalidateRect(parent, &area, win::TRUE);
    win::InvalidateRect(clipped, nullptr, win::TRUE);
    harness::PumpUntilIdle();
    std::vector<HWND> order;
    for (const Seen& seen : Log::Get().Of(win::WM_PAINT)) {
        order.push_back(seen.window);
    }
    ASSERT_EQ(order.size(), 3u);
    auto at = [&](HWND window) {
        return std::find(order.begin(), order.end(), window) - order.begin();
    };
    EXPECT_LT(at(parent), at(child));
    EXPECT_LT(at(clipped), std::ptrdiff_t(order.size()));
    EXPECT_EQ(std::count(order.begin(), order.end(), clippedChild), 0);
}

TEST_F(WindowPaint, HiddenWindowsArePaintedWhenShownWithTheirFrame) {
    HWND window = Make(win::WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 0u);
    win::InvalidateRect(window, nullptr, win::TRUE);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 0u);
    win::ShowWindow(window, win::SW_SHOW);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT, window).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_NCPAINT, window).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_ERASEBKGND, window).size(), 1u);
}

TEST_F(WindowPaint, AProcedureThatDoesNotValidateIsAskedAgain) {
    HWND window = Popup(0, 0, 50, 50);
    int paints = 0;
    Log::Get().Handle(window,
                      [&](HWND self, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
                          if (message == win::WM_PAINT) {
                              if (++paints == 3) {
                                  win::ValidateRect(self, nullptr);
                              }
                              return 0;  // no BeginPaint: the area stays invalid
                          }
                          return std::nullopt;
                      });
    harness::PumpUntilIdle();
    EXPECT_EQ(paints, 3);
}

TEST_F(WindowPaint, SetRedrawOffIgnoresInvalidationUntilSwitchedOn) {
    HWND list = Popup(0, 0, 200, 200);
    HWND cell = Child(list, 0, 0, 50, 50);
    harness::PumpUntilIdle();
    Log::Get().Clear();
    win::SendMessageA(list, win::WM_SETREDRAW, win::FALSE, 0);
    for (int row = 0; row < 50; ++row) {
        win::InvalidateRect(list, nullptr, win::TRUE);
        win::InvalidateRect(cell, nullptr, win::TRUE);
    }
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT).size(), 0u);
    win::SendMessageA(list, win::WM_SETREDRAW, win::TRUE, 0);
    win::InvalidateRect(list, nullptr, win::TRUE);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT, list).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_PAINT, cell).size(), 1u);
}

}  // namespace
