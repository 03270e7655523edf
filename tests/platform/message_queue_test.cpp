#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"
#include "platform/kernel/timers.h"
#include "platform/kernel/waits.h"

namespace {

using kernel::kTicksPerMillisecond;

// A worker with its own queue that answers sent calls until told to quit.
struct QueueThread {
    std::atomic<win::DWORD> id{0};
    win::HANDLE handle = nullptr;

    static win::DWORD Loop(void* parameter) {
        auto* self = static_cast<QueueThread*>(parameter);
        kernel::EnsureMessageQueue();
        self->id = win::GetCurrentThreadId();
        win::MSG msg;
        while (win::GetMessageA(&msg, nullptr, 0, 0)) {
            if (msg.message == win::WM_USER) {
                return static_cast<win::DWORD>(msg.wParam);
            }
        }
        return 0;
    }
    void Start() {
        handle = win::CreateThread(nullptr, 0, Loop, this, 0, nullptr);
        while (id == 0) {
            std::this_thread::yield();
        }
    }
    win::DWORD Stop(win::WPARAM code = 7) {
        win::PostThreadMessageA(id, win::WM_USER, code, 0);
        win::WaitForSingleObject(handle, win::INFINITE);
        win::DWORD exit = 0;
        win::GetExitCodeThread(handle, &exit);
        win::CloseHandle(handle);
        return exit;
    }
};

TEST(MessageQueue, PostedMessagesComeInOrderThenQuit) {
    kernel::EnsureMessageQueue();
    win::DWORD self = win::GetCurrentThreadId();
    for (win::WPARAM i = 1; i <= 3; ++i) {
        ASSERT_TRUE(win::PostThreadMessageA(self, win::WM_USER + 1, i, 0));
    }
    win::PostQuitMessage(5);
    std::vector<win::WPARAM> seen;
    win::MSG msg;
    while (win::GetMessageA(&msg, nullptr, 0, 0)) {
        seen.push_back(msg.wParam);
    }
    EXPECT_EQ(seen, (std::vector<win::WPARAM>{1, 2, 3}));
    EXPECT_EQ(msg.message, win::WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_FALSE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
}

TEST(MessageQueue, AQuitPostedToTheThreadEndsItsLoop) {
    QueueThread worker;
    worker.Start();
    ASSERT_TRUE(win::PostThreadMessageA(worker.id, win::WM_QUIT, 3, 0));
    EXPECT_EQ(win::WaitForSingleObject(worker.handle, 5000), win::WAIT_OBJECT_0);
    win::CloseHandle(worker.handle);
}

TEST(MessageQueue, PeekHonoursTheRangeFilterAndNoRemove) {
    kernel::EnsureMessageQueue();
    win::DWORD self = win::GetCurrentThreadId();
    win::PostThreadMessageA(self, win::WM_USER + 1, 1, 0);
    win::PostThreadMessageA(self, win::WM_USER + 2, 2, 0);
    win::MSG msg;
    ASSERT_TRUE(
        win::PeekMessageA(&msg, nullptr, win::WM_USER + 2, win::WM_USER + 2, win::PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(
        win::PeekMessageA(&msg, nullptr, win::WM_USER + 2, win::WM_USER + 2, win::PM_REMOVE));
    ASSERT_TRUE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_FALSE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
}

TEST(MessageQueue, PostingToAThreadWithoutQueueFails) {
    EXPECT_FALSE(win::PostThreadMessageA(123456, win::WM_USER, 0, 0));
    EXPECT_FALSE(kernel::SendToThread(123456, [] { return win::LRESULT{1}; }).has_value());
}

TEST(MessageQueue, SentCallRunsOnTheOwningThreadAndTheCallerGetsItsResult) {
    QueueThread worker;
    worker.Start();
    std::atomic<win::DWORD> ranOn{0};
    auto result = kernel::SendToThread(worker.id, [&] {
        ranOn = win::GetCurrentThreadId();
        return win::LRESULT{99};
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 99);
    EXPECT_EQ(ranOn, worker.id.load());
    EXPECT_EQ(worker.Stop(7), 7u);
}

TEST(MessageQueue, ASenderStillAnswersCallsSentBackToIt) {
    // The worker's handler sends to us while we wait for it: no deadlock.
    kernel::EnsureMessageQueue();
    win::DWORD self = win::GetCurrentThreadId();
    QueueThread worker;
    worker.Start();
    std::atomic<bool> ranHere{false};
    auto result = kernel::SendToThread(worker.id, [&] {
        auto back = kernel::SendToThread(self, [&] {
            ranHere = win::GetCurrentThreadId() == self;
            return win::LRESULT{2};
        });
        return back.value_or(0) * 10;
    });
    EXPECT_EQ(result.value_or(0), 20);
    EXPECT_TRUE(ranHere);
    worker.Stop();
}

TEST(MessageQueue, SendingToAThreadThatEndsReturnsNothing) {
    QueueThread worker;
    worker.Start();
    win::DWORD id = worker.id;
    worker.Stop();
    EXPECT_FALSE(kernel::SendToThread(id, [] { return win::LRESULT{1}; }).has_value());
}

TEST(MessageQueue, MsgWaitWakesForAPostedMessageAndTimesOutOtherwise) {
    kernel::EnsureMessageQueue();
    win::HANDLE timer = win::CreateWaitableTimerA(nullptr, win::FALSE, nullptr);
    win::LARGE_INTEGER due{-10'000LL * 60'000};  // a minute away
    win::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, win::FALSE);
    EXPECT_EQ(win::MsgWaitForMultipleObjects(1, &timer, win::FALSE, 10, win::QS_ALLINPUT),
              win::WAIT_TIMEOUT);
    win::PostThreadMessageA(win::GetCurrentThreadId(), win::WM_USER, 0, 0);
    EXPECT_EQ(
        win::MsgWaitForMultipleObjects(1, &timer, win::FALSE, win::INFINITE, win::QS_ALLINPUT),
        win::WAIT_OBJECT_0 + 1);
    EXPECT_EQ(win::MsgWaitForMultipleObjects(1, &timer, win::FALSE, 0, win::QS_TIMER),
              win::WAIT_TIMEOUT)
        << "a posted message does not wake a wait for timers only";
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
    }
    win::CloseHandle(timer);
}

class ManualClock : public ::testing::Test {
  protected:
    void SetUp() override { kernel::UseManualClock(); }
    void TearDown() override { kernel::UseRealClock(); }
};

TEST_F(ManualClock, AWaitableTimerFiresOnlyWhenTheClockReachesIt) {
    win::HANDLE timer = win::CreateWaitableTimerA(nullptr, win::FALSE, nullptr);
    win::LARGE_INTEGER due{-3000 * kTicksPerMillisecond};
    ASSERT_TRUE(win::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, win::FALSE));
    kernel::Ticks start = kernel::Now();
    EXPECT_EQ(kernel::NextDeadline().value_or(0), 0) << "nobody waits yet";

    std::atomic<bool> done{false};
    std::thread waiter([&] {
        EXPECT_EQ(win::WaitForSingleObject(timer, win::INFINITE), win::WAIT_OBJECT_0);
        done = true;
    });
    while (!kernel::NextDeadline()) {
        std::this_thread::yield();
    }
    EXPECT_EQ(*kernel::NextDeadline(), start + 3000 * kTicksPerMillisecond);
    kernel::AdvanceClock(2999 * kTicksPerMillisecond);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done);
    kernel::AdvanceClock(1 * kTicksPerMillisecond);
    waiter.join();
    EXPECT_TRUE(done);
    // Auto reset: the satisfied wait took the signal.
    EXPECT_EQ(win::WaitForSingleObject(timer, 0), win::WAIT_TIMEOUT);
    win::CloseHandle(timer);
}

TEST_F(ManualClock, WindowTimersFallDueOnTheClockAndRepeat) {
    kernel::EnsureMessageQueue();
    win::DWORD self = win::GetCurrentThreadId();
    auto window = reinterpret_cast<win::HWND>(0x1234);
    ASSERT_NE(kernel::SetThreadTimer(self, window, 5, 500, nullptr), 0u);
    win::MSG msg;
    EXPECT_FALSE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(kernel::NextDeadline().value_or(0), kernel::Now() + 500 * kTicksPerMillisecond);

    kernel::AdvanceClock(500 * kTicksPerMillisecond);
    ASSERT_TRUE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.message, win::WM_TIMER);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_FALSE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE))
        << "one message per period";

    kernel::AdvanceClock(500 * kTicksPerMillisecond);
    EXPECT_TRUE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_TRUE(kernel::KillThreadTimer(self, window, 5));
    kernel::AdvanceClock(5000 * kTicksPerMillisecond);
    EXPECT_FALSE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE));
}

TEST_F(ManualClock, SleepingWorkersCountAsIdle) {
    win::HANDLE sleeper = win::CreateThread(
        nullptr, 0,
        [](void*) -> win::DWORD {
            win::Sleep(1000);
            return 0;
        },
        nullptr, 0, nullptr);
    while (!kernel::NextDeadline()) {
        std::this_thread::yield();
    }
    EXPECT_EQ(kernel::RunningThreads(), 1);
    EXPECT_EQ(kernel::BusyThreads(), 0);
    kernel::AdvanceClock(*kernel::NextDeadline() - kernel::Now());
    EXPECT_EQ(win::WaitForSingleObject(sleeper, 5000), win::WAIT_OBJECT_0);
    win::CloseHandle(sleeper);
}

}  // namespace
