#pragma once
// Handles to kernel objects (threads, waitable timers).
#include "platform/kernel/win_types.h"

namespace win {

// Closing a handle releases the caller's reference; the object lives on
// while others (a running thread, another handle) still hold it.
BOOL CloseHandle(HANDLE handle);

}  // namespace win
