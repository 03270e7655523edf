#include "support/harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"

namespace harness {
namespace {

bool quitReceived = false;
int quitCode = 0;
// The window thread counts as busy while it is not waiting (see Session).
std::atomic<int> windowThreadCounted{0};

win::POINT ScreenPoint(win::HWND window, win::POINT client) {
    win::ClientToScreen(window, &client);
    return client;
}

// The clock time the next thing waits for, if it lies ahead.
bool AdvanceToNextDeadline() {
    auto next = kernel::NextDeadline();
    if (!next) {
        return false;
    }
    kernel::Ticks now = kernel::Now();
    kernel::AdvanceClock(*next > now ? *next - now : 0);
    return true;
}

}  // namespace

void PumpPending() {
    win::MSG msg;
    while (!quitReceived && win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
        if (msg.message == win::WM_QUIT) {
            quitReceived = true;
            quitCode = int(msg.wParam);
            return;
        }
        win::TranslateMessage(&msg);
        win::DispatchMessageA(&msg);
    }
}

bool QuitReceived(int* exitCode) {
    if (exitCode) {
        *exitCode = quitCode;
    }
    return quitReceived;
}

// Idle with `busy` threads still running. The queues are read on both sides
// of the thread count: a worker that sends or posts does so before it
// waits or ends, so a message that slipped in meanwhile shows on the second
// look.
static bool IdleWith(int busy) {
    return kernel::AllQueuesEmpty() && kernel::BusyThreads() == busy && kernel::AllQueuesEmpty();
}

bool ProgramIdle() {
    // The calling thread (the window thread, pumping) is busy by definition.
    return IdleWith(windowThreadCounted);
}

bool PumpUntil(const std::function<bool()>& condition, int capMilliseconds) {
    auto start = std::chrono::steady_clock::now();
    auto cap = std::chrono::milliseconds(capMilliseconds);
    kernel::EnsureMessageQueue();
    while (true) {
        PumpPending();
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() - start > cap) {
            ADD_FAILURE() << "harness: the condition did not hold within " << capMilliseconds
                          << " ms";
            return false;
        }
        if (ProgramIdle()) {
            if (kernel::ClockIsManual()) {
                if (!AdvanceToNextDeadline() && ProgramIdle() && !condition()) {
                    ADD_FAILURE() << "harness: the program is idle with nothing left to wait "
                                     "for, and the condition does not hold";
                    return false;
                }
                continue;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

bool PumpUntilIdle(int capMilliseconds) {
    auto start = std::chrono::steady_clock::now();
    kernel::EnsureMessageQueue();
    while (true) {
        PumpPending();
        if (ProgramIdle()) {
            return true;
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(capMilliseconds)) {
            ADD_FAILURE() << "harness: the program did not become idle within " << capMilliseconds
                          << " ms";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// While the window thread itself waits inside a handler (a PumpingWait, a
// modal loop), nobody pumps from the harness: this thread then moves the
// manual clock once every thread waits and no message is pending.
void Session::KeepClock() {
    while (!stopKeeper_) {
        if (IdleWith(0)) {
            AdvanceToNextDeadline();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

Session::Session(bool manualClock, int screenWidth, int screenHeight) : manualClock_(manualClock) {
    quitReceived = false;
    quitCode = 0;
    kernel::EnsureMessageQueue();
    if (manualClock_) {
        kernel::UseManualClock();
        kernel::CountCallingThread(true);
        windowThreadCounted = 1;
        keeper_ = std::thread([this] { KeepClock(); });
    }
    windowing::ResetInputState();
    display::Install(display::CreateHeadless(screenWidth, screenHeight));
    display_ = display::Current();
}

Session::~Session() {
    win::DWORD self = win::GetCurrentThreadId();
    std::vector<win::HWND> mine;
    for (win::HWND at = win::FindWindowExA(nullptr, nullptr, nullptr, nullptr); at;
         at = win::FindWindowExA(nullptr, at, nullptr, nullptr)) {
        if (win::GetWindowThreadProcessId(at, nullptr) == self) {
            mine.push_back(at);
        }
    }
    for (win::HWND window : mine) {
        win::DestroyWindow(window);
    }
    PumpPending();
    windowing::ResetInputState();
    display::Install(nullptr);
    if (manualClock_) {
        stopKeeper_ = true;
        keeper_.join();
        windowThreadCounted = 0;
        kernel::CountCallingThread(false);
        kernel::UseRealClock();
    }
}

void Session::MoveTo(win::HWND window, win::POINT client) {
    MoveToScreen(ScreenPoint(window, client));
}

void Session::Press(win::HWND window, win::POINT client, windowing::MouseButton button) {
    PressScreen(ScreenPoint(window, client), button);
}

void Session::Release(win::HWND window, win::POINT client, windowing::MouseButton button) {
    ReleaseScreen(ScreenPoint(window, client), button);
}

void Session::Click(win::HWND window, win::POINT client, windowing::MouseButton button) {
    win::POINT screen = ScreenPoint(window, client);
    MoveToScreen(screen);
    PressScreen(screen, button);
    ReleaseScreen(screen, button);
}

void Session::MoveToScreen(win::POINT screen) {
    display_->MouseMove(screen);
    PumpUntilIdle();
}

void Session::PressScreen(win::POINT screen, windowing::MouseButton button) {
    display_->MouseDown(button, screen);
    PumpUntilIdle();
}

void Session::ReleaseScreen(win::POINT screen, windowing::MouseButton button) {
    display_->MouseUp(button, screen);
    PumpUntilIdle();
}

void Session::DragScreen(win::POINT from, win::POINT to, int steps, windowing::MouseButton button) {
    MoveToScreen(from);
    PressScreen(from, button);
    steps = steps < 1 ? 1 : steps;
    for (int i = 1; i <= steps; ++i) {
        MoveToScreen(
            win::POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    }
    ReleaseScreen(to, button);
}

void Session::Wheel(int notches) {
    win::POINT cursor{};
    win::GetCursorPos(&cursor);
    display_->Wheel(notches, cursor);
    PumpUntilIdle();
}

void Session::Key(win::UINT virtualKey) {
    display_->KeyDown(virtualKey);
    PumpUntilIdle();
    display_->KeyUp(virtualKey);
    PumpUntilIdle();
}

void Session::Type(const std::string& gbkText) {
    display_->Text(gbkText);
    PumpUntilIdle();
}

bool Session::SaveScreenshot(const std::string& utf8Path) {
    return display::WritePng(display_->CaptureScreen(), utf8Path);
}

}  // namespace harness
