// Mouse and keyboard driven by raw input at the headless display: routing,
// capture, leave notices, hit-testing, dragging and tracking sizes.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::LPARAM;
using win::LRESULT;
using win::POINT;
using win::UINT;
using win::WPARAM;
using windowing::MouseButton;

bool IsMouseMessage(UINT message) {
    return (message >= win::WM_MOUSEMOVE && message <= win::WM_MOUSEWHEEL) ||
           (message >= win::WM_NCMOUSEMOVE && message <= win::WM_NCRBUTTONUP);
}

std::vector<Seen> MouseMessages() {
    std::vector<Seen> found;
    for (const Seen& seen : Log::Get().All()) {
        if (IsMouseMessage(seen.message)) {
            found.push_back(seen);
        }
    }
    return found;
}

class WindowInput : public ::testing::Test {
  protected:
    void SetUp() override { Log::Get().Clear(); }
    void TearDown() override { Log::Get().Clear(); }
    harness::Session session_;
};

TEST_F(WindowInput, MouseGoesToTheTopmostWindowUnderTheCursorInClientCoordinates) {
    HWND back = Popup(100, 100, 300, 300);
    HWND front = Popup(200, 200, 300, 300);
    HWND child = Child(front, 10, 10, 50, 50);
    session_.MoveToScreen(POINT{150, 150});
    session_.MoveToScreen(POINT{300, 300});
    session_.MoveToScreen(POINT{215, 220});
    auto moves = Log::Get().Of(win::WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].window, back);
    EXPECT_EQ(win::GET_X_LPARAM(moves[0].lParam), 50);
    EXPECT_EQ(moves[1].window, front);
    EXPECT_EQ(win::GET_Y_LPARAM(moves[1].lParam), 100);
    EXPECT_EQ(moves[2].window, child);
    EXPECT_EQ(win::GET_X_LPARAM(moves[2].lParam), 5);
    EXPECT_EQ(win::GET_Y_LPARAM(moves[2].lParam), 10);
    POINT cursor{};
    win::GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 215);

    // A press activates the window under it and comes with the button flag.
    session_.PressScreen(POINT{150, 150});
    EXPECT_EQ(win::GetForegroundWindow(), back);
    auto presses = Log::Get().Of(win::WM_LBUTTONDOWN);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].window, back);
    EXPECT_TRUE(presses[0].wParam & win::MK_LBUTTON);
    session_.ReleaseScreen(POINT{150, 150});
    EXPECT_FALSE(Log::Get().Of(win::WM_LBUTTONUP).at(0).wParam & win::MK_LBUTTON);
    EXPECT_EQ(win::WindowFromPoint(POINT{250, 250}), back);  // raised by the activation
}

TEST_F(WindowInput, CaptureRoutesEveryMouseMessageToTheCapturingWindowUntilReleased) {
    HWND left = Popup(0, 0, 200, 200);
    HWND right = Popup(300, 0, 200, 200);
    HWND rightChild = Child(right, 0, 0, 100, 100);
    session_.MoveTo(left, POINT{10, 10});
    win::SetForegroundWindow(left);
    EXPECT_EQ(win::SetCapture(left), nullptr);
    EXPECT_EQ(win::GetCapture(), left);
    Log::Get().Clear();

    session_.MoveTo(rightChild, POINT{5, 5});
    session_.Press(rightChild, POINT{5, 5});
    session_.Release(rightChild, POINT{5, 5});
    session_.Press(right, POINT{150, 150}, MouseButton::Right);
    session_.Release(right, POINT{150, 150}, MouseButton::Right);
    session_.MoveToScreen(POINT{1000, 700});  // over the desktop
    auto routed = MouseMessages();
    std::vector<UINT> kinds;
    for (const Seen& seen : routed) {
        EXPECT_EQ(seen.window, left);
        kinds.push_back(seen.message);
    }
    EXPECT_EQ(kinds,
              (std::vector<UINT>{win::WM_MOUSEMOVE, win::WM_LBUTTONDOWN, win::WM_LBUTTONUP,
                                 win::WM_RBUTTONDOWN, win::WM_RBUTTONUP, win::WM_MOUSEMOVE}));
    // Client coordinates of the capturing window, beyond its edge.
    EXPECT_EQ(win::GET_X_LPARAM(routed[0].lParam), 305);
    EXPECT_EQ(win::GET_X_LPARAM(routed.back().lParam), 1000);
    // The capture does not activate the window under the press.
    EXPECT_NE(win::GetForegroundWindow(), right);

    win::ReleaseCapture();
    auto changed = Log::Get().Of(win::WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].window, left);
    EXPECT_EQ(win::GetCapture(), nullptr);
    Log::Get().Clear();
    session_.MoveTo(rightChild, POINT{6, 6});
    ASSERT_EQ(MouseMessages().size(), 1u);
    EXPECT_EQ(MouseMessages()[0].window, rightChild);

    // Taking the capture from a window tells it who took it.
    win::SetCapture(left);
    Log::Get().Clear();
    win::SetCapture(right);
    changed = Log::Get().Of(win::WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].window, left);
    EXPECT_EQ(reinterpret_cast<HWND>(changed[0].lParam), right);
}

// A window that asks for a leave notice on its first move, as a hover
// effect does.
void AskForLeaveOnMove(HWND window) {
    Log::Get().Handle(
        window, [](HWND self, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == win::WM_MOUSEMOVE) {
                win::TRACKMOUSEEVENT track{sizeof(win::TRACKMOUSEEVENT), win::TME_LEAVE, self, 0};
                win::TrackMouseEvent(&track);
            }
            return std::nullopt;
        });
}

TEST_F(WindowInput, ALeaveNoticeArrivesOnce) {
    HWND frame = Popup(0, 0, 400, 400);
    HWND button = Child(frame, 100, 100, 50, 50);
    AskForLeaveOnMove(button);
    session_.MoveTo(button, POINT{10, 10});
    session_.MoveTo(button, POINT{20, 20});
    EXPECT_EQ(Log::Get().Of(win::WM_MOUSELEAVE).size(), 0u);
    session_.MoveTo(frame, POINT{10, 10});
    session_.MoveTo(frame, POINT{20, 10});
    session_.MoveToScreen(POINT{900, 600});
    auto leaves = Log::Get().Of(win::WM_MOUSELEAVE);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves[0].window, button);

    // Coming back asks again, and leaving again notices again, once.
    session_.MoveTo(button, POINT{5, 5});
    session_.MoveTo(frame, POINT{5, 5});
    session_.MoveTo(frame, POINT{6, 5});
    EXPECT_EQ(Log::Get().Of(win::WM_MOUSELEAVE).size(), 2u);

    // Asking while the cursor is elsewhere gives the notice at once.
    Log::Get().Clear();
    win::TRACKMOUSEEVENT track{sizeof(win::TRACKMOUSEEVENT), win::TME_LEAVE, button, 0};
    win::TrackMouseEvent(&track);
    harness::PumpUntilIdle();
    EXPECT_EQ(Log::Get().Of(win::WM_MOUSELEAVE, button).size(), 1u);
}

TEST_F(WindowInput, DisabledAndHiddenWindowsAndTransparentHitTests) {
    HWND frame = Popup(0, 0, 400, 400);
    HWND disabled = Child(frame, 0, 0, 100, 100, win::WS_DISABLED);
    HWND hidden = Make(win::WS_CHILD, 100, 0, 100, 100, frame);
    HWND below = Child(frame, 200, 0, 100, 100);
    HWND group = Make(win::WS_CHILD | win::WS_VISIBLE, 200, 0, 100, 100, frame);
    // Created later, so below `below` in the z-order: bring it up.
    win::SetWindowPos(group, win::HWND_TOP, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE);
    Log::Get().Handle(group, [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == win::WM_NCHITTEST) {
            return win::HTTRANSPARENT;
        }
        return std::nullopt;
    });
    HWND transparent =
        Make(win::WS_CHILD | win::WS_VISIBLE, 300, 0, 100, 100, frame, win::WS_EX_TRANSPARENT);

    session_.Click(disabled, POINT{10, 10});
    session_.Click(frame, POINT{150, 10});
    session_.Click(frame, POINT{250, 10});
    session_.Click(frame, POINT{350, 10});
    auto presses = Log::Get().Of(win::WM_LBUTTONDOWN);
    ASSERT_EQ(presses.size(), 4u);
    EXPECT_EQ(presses[0].window, frame);        // a disabled child leaves it to its parent
    EXPECT_EQ(presses[1].window, frame);        // a hidden child is not there
    EXPECT_EQ(presses[2].window, below);        // HTTRANSPARENT passes to the window beneath
    EXPECT_EQ(presses[3].window, transparent);  // WS_EX_TRANSPARENT children still get the mouse
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, hidden).size(), 0u);

    // A disabled top-level window swallows the mouse.
    win::EnableWindow(frame, win::FALSE);
    Log::Get().Clear();
    session_.Click(frame, POINT{350, 10});
    EXPECT_EQ(MouseMessages().size(), 0u);
}

TEST_F(WindowInput, LayeredTransparentWindowsLetTheMouseThrough) {
    HWND under = Popup(0, 0, 300, 300);
    HWND overlay = Popup(0, 0, 300, 300, win::WS_EX_LAYERED | win::WS_EX_TRANSPARENT);
    session_.Click(under, POINT{50, 50});
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, under).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, overlay).size(), 0u);
}

TEST_F(WindowInput, KeysAndTextGoToTheFocusAndTheWheelToo) {
    HWND frame = Popup(0, 0, 300, 300);
    HWND edit = Child(frame, 0, 0, 100, 20);
    HWND other = Child(frame, 0, 50, 100, 20);
    win::SetFocus(edit);
    session_.Key('A');
    session_.Display().KeyDown(win::VK_SHIFT);
    session_.Key('B');
    session_.Display().KeyUp(win::VK_SHIFT);
    session_.Type("中a");
    session_.MoveTo(other, POINT{5, 5});
    session_.Wheel(-2);
    auto downs = Log::Get().Of(win::WM_KEYDOWN, edit);
    ASSERT_GE(downs.size(), 2u);
    EXPECT_EQ(downs[0].wParam, WPARAM('A'));
    std::string typed;
    for (const Seen& seen : Log::Get().Of(win::WM_CHAR, edit)) {
        typed.push_back(char(seen.wParam));
    }
    EXPECT_EQ(typed, "aB中a");
    auto wheels = Log::Get().Of(win::WM_MOUSEWHEEL);
    ASSERT_GE(wheels.size(), 1u);
    EXPECT_EQ(wheels[0].window, edit);
    EXPECT_EQ(win::GET_WHEEL_DELTA_WPARAM(wheels[0].wParam), -240);
    // DefWindowProc hands an unhandled wheel on to the parent.
    EXPECT_EQ(Log::Get().Of(win::WM_MOUSEWHEEL, frame).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_KEYDOWN, other).size(), 0u);
}

TEST_F(WindowInput, DoubleClicksOnlyForClassesThatAskForThem) {
    HWND plain = Popup(0, 0, 100, 100);
    HWND doubled =
        Make(win::WS_POPUP | win::WS_VISIBLE, 200, 0, 100, 100, nullptr, 0, "", kDoubleClickClass);
    for (HWND window : {plain, doubled}) {
        session_.Click(window, POINT{10, 10});
        session_.Click(window, POINT{11, 10});
    }
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDBLCLK, plain).size(), 0u);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, plain).size(), 2u);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDBLCLK, doubled).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_LBUTTONDOWN, doubled).size(), 1u);
}

// The player window's rule: never smaller than 699 x 391 by dragging.
void LimitTrackingSizes(HWND window) {
    Log::Get().Handle(window,
                      [](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
                          if (message == win::WM_GETMINMAXINFO) {
                              auto* info = reinterpret_cast<win::MINMAXINFO*>(lParam);
                              info->ptMinTrackSize = {699, 391};
                              info->ptMaxTrackSize = {5000, 5000};
                              return 0;
                          }
                          return std::nullopt;
                      });
}

win::RECT RectOf(HWND window) {
    win::RECT rect{};
    win::GetWindowRect(window, &rect);
    return rect;
}

TEST_F(WindowInput, MinimumTrackingSizeHoldsWhenAWindowIsDraggedSmaller) {
    HWND player = Make(win::WS_OVERLAPPEDWINDOW | win::WS_VISIBLE, 100, 100, 976, 646);
    LimitTrackingSizes(player);
    // Drag the bottom-right corner far up and left.
    win::RECT start = RectOf(player);
    POINT corner{start.right - 2, start.bottom - 2};
    EXPECT_EQ(win::SendMessageA(player, win::WM_NCHITTEST, 0, win::MAKELPARAM(corner.x, corner.y)),
              win::HTBOTTOMRIGHT);
    session_.MoveToScreen(corner);
    session_.PressScreen(corner);
    EXPECT_EQ(win::GetCapture(), player);
    session_.MoveToScreen(POINT{corner.x - 200, corner.y - 100});
    win::RECT mid = RectOf(player);
    EXPECT_EQ(mid.right - mid.left, 776);
    EXPECT_EQ(mid.bottom - mid.top, 546);
    session_.MoveToScreen(POINT{300, 200});
    session_.ReleaseScreen(POINT{300, 200});
    win::RECT small = RectOf(player);
    EXPECT_EQ(small.left, 100);
    EXPECT_EQ(small.top, 100);
    EXPECT_EQ(small.right - small.left, 699);
    EXPECT_EQ(small.bottom - small.top, 391);
    EXPECT_EQ(win::GetCapture(), nullptr);
    EXPECT_EQ(Log::Get().Of(win::WM_ENTERSIZEMOVE, player).size(), 1u);
    EXPECT_EQ(Log::Get().Of(win::WM_EXITSIZEMOVE, player).size(), 1u);
    // The window's own WM_SIZE reports the client area of the final size.
    EXPECT_FALSE(Log::Get().Of(win::WM_SIZE, player).empty());

    // Dragging the left edge right: the right edge stays where it is.
    win::RECT before = RectOf(player);
    POINT edge{before.left + 1, (before.top + before.bottom) / 2};
    session_.MoveToScreen(edge);
    session_.PressScreen(edge);
    session_.MoveToScreen(POINT{edge.x + 300, edge.y});
    session_.ReleaseScreen(POINT{edge.x + 300, edge.y});
    win::RECT after = RectOf(player);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.right - after.left, 699);

    // Sizes set from code are held too.
    win::MoveWindow(player, 0, 0, 100, 100, win::TRUE);
    EXPECT_EQ(RectOf(player).right, 699);
}

TEST_F(WindowInput, CaptionDragMovesTheWindowWithTheMouse) {
    HWND window = Make(win::WS_OVERLAPPEDWINDOW | win::WS_VISIBLE, 100, 100, 400, 300);
    POINT grip{300, 110};
    ASSERT_EQ(win::SendMessageA(window, win::WM_NCHITTEST, 0, win::MAKELPARAM(grip.x, grip.y)),
              win::HTCAPTION);
    session_.DragScreen(grip, POINT{400, 210});
    win::RECT rect = RectOf(window);
    EXPECT_EQ(rect.left, 200);
    EXPECT_EQ(rect.top, 200);
    EXPECT_EQ(rect.right - rect.left, 400);
    // The moves during the drag were the drag's, not the window's mouse moves.
    EXPECT_EQ(Log::Get().Of(win::WM_MOUSEMOVE, window).size(), 0u);
}

TEST_F(WindowInput, APressAnywhereCanDragThroughNcLButtonDownWithHtCaption) {
    // A captionless window that drags by its body: release the capture and
    // hand the press on as a caption press.
    HWND window = Popup(100, 100, 256, 256);
    Log::Get().Handle(
        window, [](HWND self, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == win::WM_LBUTTONDOWN) {
                win::ReleaseCapture();
                POINT cursor{};
                win::GetCursorPos(&cursor);
                win::SendMessageA(self, win::WM_NCLBUTTONDOWN, win::WPARAM(win::HTCAPTION),
                                  win::MAKELPARAM(cursor.x, cursor.y));
                return 0;
            }
            return std::nullopt;
        });
    session_.Press(window, POINT{50, 50});
    session_.MoveToScreen(POINT{160, 170});
    session_.ReleaseScreen(POINT{160, 170});
    win::RECT rect = RectOf(window);
    EXPECT_EQ(rect.left, 110);
    EXPECT_EQ(rect.top, 120);
}

}  // namespace
