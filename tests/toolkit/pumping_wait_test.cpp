#include <gtest/gtest.h>

#include <time.h>

#include <atomic>
#include <thread>

#include "platform/kernel/clock.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"
#include "platform/kernel/waits.h"
#include "toolkit/pumping_wait.h"

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

TEST(PumpingWait, DurationZeroReturnsAtOnce) {
    kernel::EnsureMessageQueue();
    double start = WallSeconds();
    EXPECT_TRUE(PumpingWait(0));
    EXPECT_LT(WallSeconds() - start, 0.5);
}

TEST(PumpingWait, HandlesMessagesWhileBlockingWithoutSpinning) {
    kernel::EnsureMessageQueue();
    win::DWORD self = win::GetCurrentThreadId();
    std::atomic<int> handledHere{0};
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        win::PostThreadMessageA(self, win::WM_USER, 0, 0);
        kernel::SendToThread(self, [&] {
            handledHere += win::GetCurrentThreadId() == self;
            return win::LRESULT{0};
        });
    });
    double wallStart = WallSeconds();
    double cpuStart = ThreadCpuSeconds();
    EXPECT_TRUE(PumpingWait(2, 1));
    double wall = WallSeconds() - wallStart;
    double cpu = ThreadCpuSeconds() - cpuStart;
    other.join();

    EXPECT_GE(wall, 1.95);
    EXPECT_LT(wall, 4.0);
    EXPECT_LT(cpu, 0.1) << "the wait blocks in the kernel";
    EXPECT_EQ(handledHere, 1) << "a call sent during the wait ran inside it";
    win::MSG msg;
    EXPECT_FALSE(win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE))
        << "the posted message was pumped";
}

TEST(PumpingWait, FollowsTheManualClock) {
    kernel::UseManualClock();
    std::atomic<bool> done{false};
    win::HANDLE waiter = win::CreateThread(
        nullptr, 0,
        [](void* flag) -> win::DWORD {
            PumpingWait(3, 1);
            *static_cast<std::atomic<bool>*>(flag) = true;
            return 0;
        },
        &done, 0, nullptr);
    while (!kernel::NextDeadline()) {
        std::this_thread::yield();
    }
    kernel::Ticks wait = *kernel::NextDeadline() - kernel::Now();
    EXPECT_EQ(wait, 3000 * kernel::kTicksPerMillisecond);
    kernel::AdvanceClock(wait);
    while (!done) {
        std::this_thread::yield();
    }
    kernel::UseRealClock();
    win::WaitForSingleObject(waiter, win::INFINITE);
    win::CloseHandle(waiter);
}

}  // namespace
