#pragma once
// Threads with exit codes, sleeping, and the counts the test harness reads
// to tell whether the program is idle.
#include "platform/kernel/win_types.h"

namespace win {

using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);

constexpr DWORD THREAD_QUERY_INFORMATION = 0x0040;
constexpr DWORD SYNCHRONIZE = 0x00100000;

// Starts routine(parameter) on a new thread with the default stack. The
// thread is never joined; the handle (signalled when the thread ends) tells
// its exit code. Security attributes and stack size are accepted and ignored.
HANDLE CreateThread(void* securityAttributes, std::size_t stackSize, LPTHREAD_START_ROUTINE routine,
                    void* parameter, DWORD creationFlags, DWORD* threadId);
// STILL_ACTIVE while the thread runs, then the routine's result.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
// A new handle to a thread started by CreateThread that still exists (it
// runs, or another handle keeps it); null otherwise.
HANDLE OpenThread(DWORD desiredAccess, BOOL inheritHandle, DWORD threadId);
DWORD GetCurrentThreadId();
// Sleeps on the kernel clock.
void Sleep(DWORD milliseconds);

}  // namespace win

namespace kernel {

// Threads started by CreateThread that have not ended yet.
int RunningThreads();
// Of those, the ones not blocked waiting for a message, a timer, the clock
// or a lock another thread holds.
int BusyThreads();
// Counts the calling thread (one not started by CreateThread, such as a
// test's window thread) in RunningThreads and BusyThreads as a worker is
// counted, until called again with false.
void CountCallingThread(bool counted);

}  // namespace kernel
