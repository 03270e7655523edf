// The GUI harness: the manual clock moves only while the program is idle and
// jumps to the next deadline, also while the window thread waits inside a
// handler; a condition that cannot come true fails the test instead of
// hanging it.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/kernel/clock.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/threads.h"
#include "support/harness.h"
#include "toolkit/pumping_wait.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::LPARAM;
using win::LRESULT;
using win::UINT;
using win::WPARAM;

class WindowHarness : public ::testing::Test {
  protected:
    void SetUp() override { Log::Get().Clear(); }
    void TearDown() override { Log::Get().Clear(); }
};

TEST_F(WindowHarness, TimersFollowTheManualClockWhichJumpsToTheNextDeadline) {
    harness::Session session;
    HWND window = Popup(0, 0, 50, 50);
    win::DWORD start = win::GetTickCount();
    ASSERT_TRUE(win::SetTimer(window, 7, 3000, nullptr));
    EXPECT_TRUE(harness::PumpUntil([&] { return Log::Get().Of(win::WM_TIMER).size() == 3; }));
    EXPECT_EQ(win::GetTickCount() - start, 9000u);
    EXPECT_EQ(Log::Get().Of(win::WM_TIMER)[0].wParam, 7u);
    win::KillTimer(window, 7);
}

TEST_F(WindowHarness, TheClockStandsStillWhileAWorkerRuns) {
    harness::Session session;
    HWND window = Popup(0, 0, 50, 50);
    win::DWORD start = win::GetTickCount();
    win::SetTimer(window, 1, 1000, nullptr);
    auto job = [](void* target) -> win::DWORD {
        // Real work, not a kernel wait: the program is busy meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        win::PostMessageA(static_cast<HWND>(target), win::WM_USER, 0, 0);
        return 0;
    };
    win::HANDLE worker = win::CreateThread(nullptr, 0, job, window, 0, nullptr);
    EXPECT_TRUE(harness::PumpUntil([&] { return !Log::Get().Of(win::WM_USER).empty(); }));
    EXPECT_EQ(Log::Get().Of(win::WM_TIMER).size(), 0u);
    EXPECT_EQ(win::GetTickCount() - start, 0u);
    EXPECT_TRUE(harness::PumpUntil([&] { return !Log::Get().Of(win::WM_TIMER).empty(); }));
    EXPECT_EQ(win::GetTickCount() - start, 1000u);
    win::CloseHandle(worker);
}

TEST_F(WindowHarness, APumpingWaitInsideAHandlerEndsOnTheManualClock) {
    harness::Session session;
    HWND window = Popup(0, 0, 50, 50);
    bool waited = false;
    int pingsDuringWait = 0;
    Log::Get().Handle(window,
                      [&](HWND self, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
                          if (message == win::WM_USER) {
                              win::PostMessageA(self, win::WM_USER + 1, 0, 0);
                              PumpingWait(3, 1);  // three seconds, handling messages meanwhile
                              waited = true;
                              return 0;
                          }
                          if (message == win::WM_USER + 1) {
                              ++pingsDuringWait;
                              return 0;
                          }
                          return std::nullopt;
                      });
    win::DWORD start = win::GetTickCount();
    win::PostMessageA(window, win::WM_USER, 0, 0);
    EXPECT_TRUE(harness::PumpUntil([&] { return waited; }));
    EXPECT_EQ(pingsDuringWait, 1);
    EXPECT_EQ(win::GetTickCount() - start, 3000u);
}

TEST_F(WindowHarness, AConditionThatCannotComeTrueFailsInsteadOfHanging) {
    harness::Session session;
    EXPECT_NONFATAL_FAILURE(harness::PumpUntil([] { return false; }), "nothing left to wait for");
}

std::atomic<bool> releaseSpinner{false};
std::atomic<bool> spinnerEnded{false};

TEST_F(WindowHarness, AHangOfABusyWorkerFailsAfterTheCap) {
    harness::Session session;
    releaseSpinner = false;
    spinnerEnded = false;
    auto spin = [](void*) -> win::DWORD {
        while (!releaseSpinner) {
            std::this_thread::yield();
        }
        spinnerEnded = true;
        return 0;
    };
    win::HANDLE worker = win::CreateThread(nullptr, 0, spin, nullptr, 0, nullptr);
    EXPECT_NONFATAL_FAILURE(harness::PumpUntil([] { return false; }, 50), "within 50 ms");
    releaseSpinner = true;
    EXPECT_TRUE(harness::PumpUntil([] { return spinnerEnded.load(); }));
    win::CloseHandle(worker);
}

}  // namespace
