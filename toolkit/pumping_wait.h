#pragma once
#include <cstdint>

// Waits for duration x unit while the calling thread's window messages go on
// being handled. Units: 0 milliseconds (the default), 1 seconds, 2 minutes,
// 3 hours; any other value is itself the number of milliseconds per unit.
// Always returns true once the time has passed (at once when the waiting
// timer cannot be made).
bool PumpingWait(std::int64_t duration, std::int64_t unit = 0);
