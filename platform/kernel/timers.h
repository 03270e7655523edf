#pragma once
// Waitable timers on the kernel clock.
#include "platform/kernel/win_types.h"

namespace win {

using PTIMERAPCROUTINE = void (*)(void* argument, DWORD timerLow, DWORD timerHigh);

HANDLE CreateWaitableTimerA(void* securityAttributes, BOOL manualReset, const char* name);
// A negative due time is relative to now, in 100-nanosecond units; a
// positive one is an absolute system time (FILETIME units). A period of 0
// signals once. Completion routines are not supported and make the call fail.
BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG periodMs,
                      PTIMERAPCROUTINE completionRoutine, void* argument, BOOL resume);
BOOL CancelWaitableTimer(HANDLE timer);

}  // namespace win
