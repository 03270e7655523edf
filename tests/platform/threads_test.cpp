#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/kernel/handles.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/threads.h"
#include "platform/kernel/waits.h"

namespace {

struct Gate {
    std::atomic<bool> open{false};
};

win::DWORD WaitForGateThenReturn42(void* parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    while (!gate->open) {
        std::this_thread::yield();
    }
    return 42;
}

TEST(Threads, ExitCodeIsStillActiveUntilTheRoutineReturns) {
    Gate gate;
    win::DWORD id = 0;
    win::HANDLE thread = win::CreateThread(nullptr, 0, WaitForGateThenReturn42, &gate, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, win::GetCurrentThreadId());

    win::DWORD code = 0;
    ASSERT_TRUE(win::GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, win::STILL_ACTIVE);

    gate.open = true;
    EXPECT_EQ(win::WaitForSingleObject(thread, 5000), win::WAIT_OBJECT_0);
    ASSERT_TRUE(win::GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(win::CloseHandle(thread));
    EXPECT_FALSE(win::GetExitCodeThread(thread, &code)) << "a closed handle is gone";
}

TEST(Threads, OpenThreadFindsARunningOrStillReferencedThreadOnly) {
    Gate gate;
    win::DWORD id = 0;
    win::HANDLE first = win::CreateThread(nullptr, 0, WaitForGateThenReturn42, &gate, 0, &id);
    win::HANDLE opened = win::OpenThread(win::THREAD_QUERY_INFORMATION, win::FALSE, id);
    ASSERT_NE(opened, nullptr);
    EXPECT_NE(opened, first);
    gate.open = true;
    ASSERT_EQ(win::WaitForSingleObject(opened, 5000), win::WAIT_OBJECT_0);
    win::CloseHandle(first);

    // One handle still keeps the ended thread's object, and its exit code.
    win::HANDLE again = win::OpenThread(win::THREAD_QUERY_INFORMATION, win::FALSE, id);
    ASSERT_NE(again, nullptr);
    win::DWORD code = 0;
    win::GetExitCodeThread(again, &code);
    EXPECT_EQ(code, 42u);
    win::CloseHandle(again);
    win::CloseHandle(opened);

    EXPECT_EQ(win::OpenThread(win::THREAD_QUERY_INFORMATION, win::FALSE, id), nullptr);
    EXPECT_EQ(win::OpenThread(win::THREAD_QUERY_INFORMATION, win::FALSE, 7), nullptr);
}

TEST(Threads, WaitOnARunningThreadTimesOut) {
    Gate gate;
    win::HANDLE thread = win::CreateThread(nullptr, 0, WaitForGateThenReturn42, &gate, 0, nullptr);
    EXPECT_EQ(win::WaitForSingleObject(thread, 20), win::WAIT_TIMEOUT);
    gate.open = true;
    EXPECT_EQ(win::WaitForSingleObject(thread, win::INFINITE), win::WAIT_OBJECT_0);
    win::CloseHandle(thread);
    EXPECT_EQ(win::WaitForSingleObject(thread, 0), win::WAIT_FAILED);
}

struct Counter {
    win::CRITICAL_SECTION section;
    int value = 0;
};

win::DWORD AddManyTimes(void* parameter) {
    auto* counter = static_cast<Counter*>(parameter);
    for (int i = 0; i < 20000; ++i) {
        win::EnterCriticalSection(&counter->section);
        win::EnterCriticalSection(&counter->section);  // re-entrant, as on Windows
        int seen = counter->value;
        counter->value = seen + 1;
        win::LeaveCriticalSection(&counter->section);
        win::LeaveCriticalSection(&counter->section);
    }
    return 0;
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads) {
    Counter counter;
    win::InitializeCriticalSection(&counter.section);
    win::HANDLE a = win::CreateThread(nullptr, 0, AddManyTimes, &counter, 0, nullptr);
    win::HANDLE b = win::CreateThread(nullptr, 0, AddManyTimes, &counter, 0, nullptr);
    win::WaitForSingleObject(a, win::INFINITE);
    win::WaitForSingleObject(b, win::INFINITE);
    EXPECT_EQ(counter.value, 40000);
    win::CloseHandle(a);
    win::CloseHandle(b);
    win::DeleteCriticalSection(&counter.section);
}

}  // namespace
