// The shared tooltip window driven by raw mouse input on the manual clock:
// the show delay, hiding on leave and press, text updates of the single tip,
// placement and wrapping, and the subclassing of the tool windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/kernel/clock.h"
#include "platform/window/tooltip.h"
#include "support/harness.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::LPARAM;
using win::POINT;
using win::RECT;

constexpr const char* kTipText = "点击播放";

HWND MakeTip() {
    HWND tip = win::CreateWindowExA(win::WS_EX_TOPMOST, win::TOOLTIPS_CLASSA, nullptr, 0, 0, 0, 0,
                                    0, nullptr, nullptr, nullptr, nullptr);
    win::SendMessageA(tip, win::TTM_SETMAXTIPWIDTH, 0, 1024);
    return tip;
}

win::TOOLINFOA ToolOf(HWND window, const char* text, win::UINT flags = win::TTF_SUBCLASS) {
    win::TOOLINFOA info{};
    info.cbSize = win::TTTOOLINFOA_SIZE;
    info.uFlags = flags;
    info.hwnd = window;
    info.uId = 0;
    win::GetClientRect(window, &info.rect);
    info.lpszText = const_cast<char*>(text);
    return info;
}

win::LRESULT Send(HWND tip, win::UINT message, win::TOOLINFOA info) {
    return win::SendMessageA(tip, message, 0, reinterpret_cast<LPARAM>(&info));
}

std::string TextOf(HWND window) {
    char buffer[256] = {};
    win::GetWindowTextA(window, buffer, int(sizeof buffer));
    return buffer;
}

RECT RectOf(HWND window) {
    RECT rect{};
    win::GetWindowRect(window, &rect);
    return rect;
}

void Wait(int milliseconds) {
    kernel::AdvanceClock(kernel::Ticks(milliseconds) * kernel::kTicksPerMillisecond);
    harness::PumpPending();
}

std::uint32_t Pixel(win::COLORREF color) {
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

class ToolTips : public ::testing::Test {
  protected:
    void SetUp() override {
        Log::Get().Clear();
        parent_ = Popup(100, 100, 400, 300);
        child_ = Child(parent_, 50, 50, 120, 40);
        tip_ = MakeTip();
    }
    void TearDown() override { Log::Get().Clear(); }

    // Moves into the child and waits until its tip shows.
    void ShowTip() {
        session_.MoveTo(child_, POINT{10, 10});
        ASSERT_TRUE(harness::PumpUntil([&] { return win::IsWindowVisible(tip_) != win::FALSE; }));
    }

    harness::Session session_;
    HWND parent_ = nullptr;
    HWND child_ = nullptr;
    HWND tip_ = nullptr;
};

TEST_F(ToolTips, TheTipShowsOnlyAfterTheMouseRestsInTheToolForTheInitialDelay) {
    ASSERT_NE(tip_, nullptr);
    EXPECT_EQ(win::FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr), tip_);
    EXPECT_EQ(win::DWORD(win::GetWindowLongA(tip_, win::GWL_STYLE)) & win::WS_CAPTION, 0u);
    EXPECT_TRUE(win::GetWindowLongA(tip_, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
    ASSERT_EQ(Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, kTipText)), win::TRUE);

    session_.MoveTo(child_, POINT{10, 10});
    Wait(300);
    session_.MoveTo(child_, POINT{20, 12});  // moving inside the tool keeps the count going
    Wait(199);
    EXPECT_FALSE(win::IsWindowVisible(tip_));
    Wait(1);
    ASSERT_TRUE(win::IsWindowVisible(tip_));
    EXPECT_EQ(TextOf(tip_), kTipText);

    // Below-right of the cursor, drawn on the info colour inside a border.
    POINT cursor{};
    win::GetCursorPos(&cursor);
    RECT rect = RectOf(tip_);
    EXPECT_GE(rect.left, cursor.x);
    EXPECT_GT(rect.top, cursor.y);
    EXPECT_GT(rect.right - rect.left, 20);
    harness::PumpUntilIdle();
    display::Image screen = session_.CaptureScreen();
    EXPECT_EQ(screen.At(rect.left, rect.top), Pixel(win::GetSysColor(win::COLOR_INFOTEXT)));
    EXPECT_EQ(screen.At(rect.left + 2, rect.top + 2), Pixel(win::GetSysColor(win::COLOR_INFOBK)));

    // Leaving the tool puts the tip away; coming back waits the delay again.
    session_.MoveTo(parent_, POINT{300, 250});
    EXPECT_FALSE(win::IsWindowVisible(tip_));
    win::DWORD back = win::GetTickCount();
    ShowTip();
    EXPECT_EQ(win::GetTickCount() - back, win::kToolTipInitialDelay);
}

TEST_F(ToolTips, APressHidesTheTipUntilTheMouseComesBack) {
    Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, kTipText));
    ShowTip();
    session_.Press(child_, POINT{10, 10});
    EXPECT_FALSE(win::IsWindowVisible(tip_));
    session_.Release(child_, POINT{10, 10});
    session_.MoveTo(child_, POINT{12, 12});
    Wait(2000);
    EXPECT_FALSE(win::IsWindowVisible(tip_));
    session_.MoveTo(parent_, POINT{300, 250});
    ShowTip();
}

TEST_F(ToolTips, AddingTheToolAgainOrUpdatingItChangesTheTextOfTheSingleTip) {
    Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, "短"));
    ShowTip();
    int shortWidth = RectOf(tip_).right - RectOf(tip_).left;

    std::string longer = "一段长得多的提示文字";
    Send(tip_, win::TTM_UPDATETIPTEXTA, ToolOf(child_, longer.c_str()));
    EXPECT_EQ(TextOf(tip_), longer);  // the shown tip follows at once
    EXPECT_GT(RectOf(tip_).right - RectOf(tip_).left, shortWidth);

    char copied[] = "再次添加";
    EXPECT_EQ(Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, copied)), win::TRUE);
    copied[0] = 'X';  // the tooltip keeps its own copy
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(TextOf(tip_), "再次添加");
    EXPECT_EQ(win::FindWindowExA(nullptr, tip_, "tooltips_class32", nullptr), nullptr);

    // Updating a tool that was never added changes nothing.
    HWND other = Child(parent_, 200, 200, 50, 50);
    Send(tip_, win::TTM_UPDATETIPTEXTA, ToolOf(other, "别的"));
    EXPECT_EQ(TextOf(tip_), "再次添加");
}

TEST_F(ToolTips, TheToolWindowKeepsItsMessagesAndGetsItsProcedureBackWhenTheToolGoes) {
    auto original = win::GetWindowLongA(child_, win::GWL_WNDPROC);
    Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, kTipText));
    EXPECT_NE(win::GetWindowLongA(child_, win::GWL_WNDPROC), original);

    session_.MoveTo(child_, POINT{5, 6});
    session_.Click(child_, POINT{5, 6});
    auto moves = Log::Get().Of(win::WM_MOUSEMOVE, child_);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(win::GET_X_LPARAM(moves.back().lParam), 5);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, child_).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONUP, child_).size(), 1u);

    Send(tip_, win::TTM_DELTOOLA, ToolOf(child_, nullptr));
    EXPECT_EQ(win::GetWindowLongA(child_, win::GWL_WNDPROC), original);
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_GETTOOLCOUNT, 0, 0), 0);
    session_.MoveTo(parent_, POINT{300, 250});
    session_.MoveTo(child_, POINT{10, 10});
    Wait(2000);
    EXPECT_FALSE(win::IsWindowVisible(tip_));
}

TEST_F(ToolTips, DestroyingTheToolWindowHidesItsTipAndForgetsTheTool) {
    Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, kTipText));
    ShowTip();
    win::DestroyWindow(child_);
    harness::PumpUntilIdle();
    EXPECT_FALSE(win::IsWindowVisible(tip_));
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_GETTOOLCOUNT, 0, 0), 0);
    EXPECT_EQ(Log::Get().Of(win::WM_NCDESTROY, child_).size(), 1u);  // reached its own procedure
    session_.MoveTo(parent_, POINT{60, 60});
    Wait(2000);
    EXPECT_FALSE(win::IsWindowVisible(tip_));
}

TEST_F(ToolTips, AToolRecordTooSmallOrMissingIsRefused) {
    for (win::UINT size : {0u, 4u, win::TTTOOLINFOA_SIZE - 1}) {
        win::TOOLINFOA info = ToolOf(child_, kTipText);
        info.cbSize = size;
        EXPECT_EQ(Send(tip_, win::TTM_ADDTOOLA, info), win::FALSE) << size;
    }
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_ADDTOOLA, 0, 0), win::FALSE);
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_UPDATETIPTEXTA, 0, 0), 0);
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_DELTOOLA, 0, 0), 0);
    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_GETTOOLCOUNT, 0, 0), 0);

    // The full record size is as good as the 32-bit one; a callback marker
    // for the text reads as no text.
    win::TOOLINFOA full = ToolOf(child_, reinterpret_cast<const char*>(-1));
    full.cbSize = sizeof(win::TOOLINFOA);
    EXPECT_EQ(Send(tip_, win::TTM_ADDTOOLA, full), win::TRUE);
    ShowTip();
    EXPECT_EQ(TextOf(tip_), "");
}

TEST_F(ToolTips, ACentredTipSitsBelowTheMiddleOfItsTool) {
    Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, kTipText, win::TTF_SUBCLASS | win::TTF_CENTERTIP));
    session_.MoveTo(child_, POINT{3, 3});
    ASSERT_TRUE(harness::PumpUntil([&] { return win::IsWindowVisible(tip_) != win::FALSE; }));
    RECT tool = RectOf(child_);
    RECT rect = RectOf(tip_);
    EXPECT_LE(std::abs((rect.left + rect.right) - (tool.left + tool.right)), 2);
    EXPECT_GE(rect.top, tool.bottom);
}

TEST_F(ToolTips, LongTextWrapsAtTheMaximumTipWidth) {
    std::string text;
    for (int i = 0; i < 12; ++i) {
        text += "很长的提示 ";
    }
    Send(tip_, win::TTM_ADDTOOLA, ToolOf(child_, text.c_str()));
    ShowTip();
    RECT wide = RectOf(tip_);
    EXPECT_LE(wide.right - wide.left, 1024);
    session_.MoveTo(parent_, POINT{300, 250});

    EXPECT_EQ(win::SendMessageA(tip_, win::TTM_SETMAXTIPWIDTH, 0, 150), 1024);
    ShowTip();
    RECT narrow = RectOf(tip_);
    EXPECT_LE(narrow.right - narrow.left, 150);
    EXPECT_GT(narrow.bottom - narrow.top, 2 * (wide.bottom - wide.top) - 8);
}

}  // namespace
