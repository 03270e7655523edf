#pragma once
// Waiting for kernel objects (threads, waitable timers) on the kernel clock.
#include "platform/kernel/win_types.h"

namespace win {

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

}  // namespace win
