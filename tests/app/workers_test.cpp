#include "app/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/kernel/waits.h"

namespace app {
namespace {

win::DWORD Record(void* argument) {
    static_cast<std::atomic<int>*>(argument)->store(7);
    return 3;
}

TEST(WorkersTest, WorkerRunsTheRoutineOnItsArgumentAndEnds) {
    std::atomic<int> seen = 0;
    WorkerThread thread = StartWorker(Record, &seen);
    ASSERT_TRUE(thread);
    ASSERT_EQ(win::WaitForSingleObject(thread.Handle(), 10000), win::WAIT_OBJECT_0);
    EXPECT_EQ(seen.load(), 7);
    win::DWORD code = 0;
    ASSERT_TRUE(win::GetExitCodeThread(thread.Handle(), &code));
    EXPECT_EQ(code, 3u);
}

TEST(WorkersTest, JobKeepsItsStateAndAnUnkeptWorkerStillRuns) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto text = std::make_shared<std::string>();
    {
        // The handle is closed at once; the thread goes on.
        StartWorker([done, text] {
            *text = "一次";
            done->store(true);
        });
    }
    for (int i = 0; i < 10000 && !done->load(); ++i) {
        win::Sleep(1);
    }
    ASSERT_TRUE(done->load());
    EXPECT_EQ(*text, "一次");
}

TEST(WorkersTest, LockIsReentrantAndExcludesOtherThreads) {
    Lock lock = CreateLock();
    win::EnterCriticalSection(lock.get());
    win::EnterCriticalSection(lock.get());  // the owner may enter again
    std::atomic<int> got = -1;
    WorkerThread other = StartWorker([&] { got = win::TryEnterCriticalSection(lock.get()); });
    ASSERT_EQ(win::WaitForSingleObject(other.Handle(), 10000), win::WAIT_OBJECT_0);
    EXPECT_EQ(got.load(), 0);
    win::LeaveCriticalSection(lock.get());
    win::LeaveCriticalSection(lock.get());
    EXPECT_TRUE(win::TryEnterCriticalSection(lock.get()));
    win::LeaveCriticalSection(lock.get());
}

}  // namespace
}  // namespace app
