// Windows and threads: messages sent from workers run on the owner's thread
// while it waits in its loops, in order, and window state can be changed
// from any thread.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
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

constexpr UINT kEnterModal = win::WM_USER + 1;
constexpr UINT kWork = win::WM_USER + 2;
constexpr UINT kLeaveModal = win::WM_USER + 3;

// A worker started through the kernel, running a std::function.
class Worker {
  public:
    explicit Worker(std::function<void()> job) : job_(std::move(job)) {
        handle_ = win::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Worker() {
        harness::PumpUntil([this] { return finished_.load(); });
        win::CloseHandle(handle_);
    }
    bool Finished() const { return finished_; }

  private:
    static win::DWORD Run(void* self) {
        auto* worker = static_cast<Worker*>(self);
        worker->job_();
        worker->finished_ = true;
        return 0;
    }
    std::function<void()> job_;
    win::HANDLE handle_ = nullptr;
    std::atomic<bool> finished_{false};
};

class WindowThreads : public ::testing::Test {
  protected:
    void SetUp() override { Log::Get().Clear(); }
    void TearDown() override { Log::Get().Clear(); }
};

TEST_F(WindowThreads, ASentMessageIsHandledWhileTheOwnerIsInAModalLoop) {
    harness::Session session(false);
    HWND window = Popup(0, 0, 100, 100);
    win::DWORD owner = win::GetCurrentThreadId();
    bool inModal = false, handledInModal = false;
    win::DWORD handlerThread = 0;
    Log::Get().Handle(
        window, [&](HWND self, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == kEnterModal) {
                // A loop of its own, as a modal window or a drag runs.
                inModal = true;
                win::MSG msg;
                while (inModal && win::GetMessageA(&msg, nullptr, 0, 0)) {
                    win::TranslateMessage(&msg);
                    win::DispatchMessageA(&msg);
                }
                return 0;
            }
            if (message == kWork) {
                handledInModal = inModal;
                handlerThread = win::GetCurrentThreadId();
                win::PostMessageA(self, kLeaveModal, 0, 0);
                return LRESULT(wParam * 2);
            }
            if (message == kLeaveModal) {
                inModal = false;
                return 0;
            }
            return std::nullopt;
        });
    win::PostMessageA(window, kEnterModal, 0, 0);
    std::atomic<LRESULT> answer{0};
    {
        Worker worker([&] {
            // Wait until the owner is inside its loop.
            while (!inModal) {
                std::this_thread::yield();
            }
            answer = win::SendMessageA(window, kWork, 21, 0);
        });
        harness::PumpUntil([&] { return worker.Finished(); });
    }
    EXPECT_EQ(answer.load(), 42);
    EXPECT_TRUE(handledInModal);
    EXPECT_EQ(handlerThread, owner);
    EXPECT_FALSE(inModal);
}

TEST_F(WindowThreads, ASentMessageIsHandledDuringPumpingWait) {
    harness::Session session(true);
    HWND window = Popup(0, 0, 100, 100);
    std::atomic<bool> waiting{false};
    bool handledDuringWait = false;
    Log::Get().Handle(window,
                      [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                          if (message == kWork) {
                              handledDuringWait = waiting;
                              return LRESULT(wParam + 1);
                          }
                          return std::nullopt;
                      });
    std::atomic<LRESULT> answer{0};
    win::DWORD start = win::GetTickCount();
    {
        Worker worker([&] {
            while (!waiting) {
                std::this_thread::yield();
            }
            answer = win::SendMessageA(window, kWork, 9, 0);
            // Only now may the three seconds pass.
            kernel::AdvanceClock(3000 * kernel::kTicksPerMillisecond);
        });
        waiting = true;
        PumpingWait(3, 1);
        waiting = false;
        EXPECT_TRUE(handledDuringWait);
    }
    EXPECT_EQ(answer.load(), 10);
    EXPECT_GE(win::GetTickCount() - start, 3000u);
}

TEST_F(WindowThreads, TwoWorkersCallsKeepTheirOrder) {
    harness::Session session(false);
    HWND window = Popup(0, 0, 100, 100);
    win::DWORD owner = win::GetCurrentThreadId();
    std::vector<std::vector<int>> seen(2);
    bool allOnOwner = true;
    Log::Get().Handle(
        window, [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == kWork) {
                seen[std::size_t(lParam)].push_back(int(wParam));
                allOnOwner = allOnOwner && win::GetCurrentThreadId() == owner;
                return LRESULT(wParam) * 10 + lParam;
            }
            return std::nullopt;
        });
    constexpr int kCalls = 200;
    std::atomic<int> wrongAnswers{0};
    auto job = [&](int worker) {
        return [&, worker] {
            for (int i = 0; i < kCalls; ++i) {
                if (win::SendMessageA(window, kWork, WPARAM(i), worker) != i * 10 + worker) {
                    ++wrongAnswers;
                }
            }
        };
    };
    {
        Worker first(job(0));
        Worker second(job(1));
        harness::PumpUntil([&] { return first.Finished() && second.Finished(); });
    }
    std::vector<int> expected(kCalls);
    for (int i = 0; i < kCalls; ++i) {
        expected[std::size_t(i)] = i;
    }
    EXPECT_EQ(seen[0], expected);
    EXPECT_EQ(seen[1], expected);
    EXPECT_EQ(wrongAnswers.load(), 0);
    EXPECT_TRUE(allOnOwner);
}

TEST_F(WindowThreads, AnOwnerCanSendBackToTheWorkerThatIsSendingToIt) {
    harness::Session session(false);
    HWND window = Popup(0, 0, 100, 100);
    std::atomic<HWND> workerWindow{nullptr};
    Log::Get().Handle(window, [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kWork) {
            // The worker is blocked in its own send; it answers this meanwhile.
            return win::SendMessageA(workerWindow, kWork + 10, 0, 0) + 1;
        }
        return std::nullopt;
    });
    std::atomic<LRESULT> answer{0};
    std::atomic<win::DWORD> answeredOn{0};
    win::DWORD workerThread = 0;
    {
        Worker worker([&] {
            HWND own = Popup(0, 0, 10, 10);
            Log::Get().Handle(own,
                              [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
                                  if (message == kWork + 10) {
                                      answeredOn = win::GetCurrentThreadId();
                                      return 41;
                                  }
                                  return std::nullopt;
                              });
            workerThread = win::GetCurrentThreadId();
            workerWindow = own;
            answer = win::SendMessageA(window, kWork, 0, 0);
            win::DestroyWindow(own);
        });
        harness::PumpUntil([&] { return worker.Finished(); });
    }
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(answeredOn.load(), workerThread);
}

TEST_F(WindowThreads, WindowStateChangesFromAWorkerAreSafe) {
    harness::Session session(false);
    HWND window = Popup(0, 0, 100, 100);
    HWND child = Child(window, 0, 0, 20, 20);
    win::DWORD owner = win::GetCurrentThreadId();
    std::atomic<int> textSetOnOwner{0};
    Log::Get().Handle(window, [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == win::WM_SETTEXT && win::GetCurrentThreadId() == owner) {
            ++textSetOnOwner;
        }
        return std::nullopt;
    });
    {
        Worker worker([&] {
            for (int i = 0; i < 100; ++i) {
                win::SetWindowPos(child, nullptr, i, i, 20 + i, 20, win::SWP_NOZORDER);
                win::SetPropA(window, "Lumo_DrawState",
                              reinterpret_cast<win::HANDLE>(std::uintptr_t(i)));
                win::InvalidateRect(window, nullptr, win::TRUE);
                win::ShowWindow(child, i % 2 ? win::SW_HIDE : win::SW_SHOWNA);
            }
            win::SetWindowTextA(window, "工作线程");
        });
        harness::PumpUntil([&] { return worker.Finished(); });
    }
    harness::PumpUntilIdle();
    win::RECT rect{};
    win::GetWindowRect(child, &rect);
    EXPECT_EQ(rect.left, 99);
    EXPECT_EQ(rect.right - rect.left, 119);
    EXPECT_FALSE(win::IsWindowVisible(child));
    EXPECT_EQ(win::GetPropA(window, "Lumo_DrawState"),
              reinterpret_cast<win::HANDLE>(std::uintptr_t(99)));
    char text[32];
    win::GetWindowTextA(window, text, sizeof text);
    EXPECT_EQ(std::string(text), "工作线程");
    EXPECT_EQ(textSetOnOwner.load(), 1);
}

TEST_F(WindowThreads, AThreadsWindowsGoWithTheThread) {
    harness::Session session(false);
    std::atomic<HWND> made{nullptr};
    std::atomic<HWND> madeChild{nullptr};
    {
        Worker worker([&] {
            HWND window = Popup(500, 500, 100, 100);
            madeChild = Child(window, 0, 0, 10, 10);
            win::SetFocus(window);
            made = window;
        });
        harness::PumpUntil([&] { return worker.Finished(); });
    }
    // The windows go as the thread's last act.
    EXPECT_TRUE(harness::PumpUntil([&] { return !win::IsWindow(made); }));
    EXPECT_FALSE(win::IsWindow(madeChild));
    EXPECT_EQ(win::WindowFromPoint(win::POINT{550, 550}), nullptr);
    EXPECT_EQ(win::GetFocus(), nullptr);
    EXPECT_EQ(win::SendMessageA(made, kWork, 1, 0), 0);
}

}  // namespace
