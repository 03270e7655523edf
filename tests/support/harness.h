#pragma once
// Driving windows in tests: pumping the window thread until a condition
// holds, the manual clock moved only while the program is idle, and raw
// input through the headless display at points of windows.
//
// The test thread is the window thread: it creates the windows and pumps
// their messages here. Scripted answers to message boxes and lookups of
// controls by form name come with the control set, as further members of
// Session.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/display/display.h"
#include "platform/window/window.h"

namespace harness {

constexpr int kDefaultCapMilliseconds = 5000;

// Handles every message queued for the calling thread now (sent calls,
// posted messages, input, paint, due timers). A quit message is kept aside:
// QuitCode tells it.
void PumpPending();
// True once WM_QUIT was retrieved by the harness; its exit code.
bool QuitReceived(int* exitCode = nullptr);

// True when no queue holds a message, no window waits for paint and no
// worker runs.
bool ProgramIdle();

// Pumps until condition() holds. On the manual clock, whenever the program
// is idle the clock jumps straight to the next deadline. Fails the test and
// returns false when the condition still does not hold after cap real
// milliseconds, or at once when the program is idle with nothing left to
// wait for.
bool PumpUntil(const std::function<bool()>& condition,
               int capMilliseconds = kDefaultCapMilliseconds);
// Pumps until the program is idle (without moving the clock).
bool PumpUntilIdle(int capMilliseconds = kDefaultCapMilliseconds);

// One test's display and clock. Installs a headless display of the given
// size and, when asked, the manual clock: then the calling thread (the
// window thread) counts as busy while it is not waiting, and a keeper moves
// the clock when the window thread waits inside a handler (PumpingWait, a
// modal loop) with everything else idle. On destruction: destroys the
// top-level windows of the calling thread, clears focus, capture and input
// state, removes the display and returns to real time.
class Session {
  public:
    explicit Session(bool manualClock = true, int screenWidth = 1366, int screenHeight = 768);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    display::Driver& Display() { return *display_; }

    // Raw input at a point in a window's client area; each pumps until idle.
    void MoveTo(win::HWND window, win::POINT client);
    void Press(win::HWND window, win::POINT client,
               windowing::MouseButton button = windowing::MouseButton::Left);
    void Release(win::HWND window, win::POINT client,
                 windowing::MouseButton button = windowing::MouseButton::Left);
    void Click(win::HWND window, win::POINT client,
               windowing::MouseButton button = windowing::MouseButton::Left);
    // Raw input at a screen point.
    void MoveToScreen(win::POINT screen);
    void PressScreen(win::POINT screen,
                     windowing::MouseButton button = windowing::MouseButton::Left);
    void ReleaseScreen(win::POINT screen,
                       windowing::MouseButton button = windowing::MouseButton::Left);
    // Press at one screen point, move to another in steps, release there.
    void DragScreen(win::POINT from, win::POINT to, int steps = 4,
                    windowing::MouseButton button = windowing::MouseButton::Left);
    void Wheel(int notches);
    void Key(win::UINT virtualKey);
    void Type(const std::string& gbkText);

    // The composed screen now, and the same written as PNG (for looking at
    // a test's result).
    display::Image CaptureScreen() { return display_->CaptureScreen(); }
    bool SaveScreenshot(const std::string& utf8Path);

    // Scripted message boxes, controls by form name and typing into them
    // come with the control set as further members here.

  private:
    void KeepClock();

    display::Driver* display_ = nullptr;
    bool manualClock_;
    std::atomic<bool> stopKeeper_{false};
    std::thread keeper_;
};

}  // namespace harness
