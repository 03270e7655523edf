#pragma once
// The one clock every timed service of the kernel follows: waitable timers,
// window timers, sleeps and timed waits.
//
// Production runs on real time. Scenario tests switch to a manual clock that
// moves only when the test moves it, so a three-second wait costs no real
// time and every run orders its events the same way.
#include <cstdint>
#include <optional>

#include "platform/kernel/win_types.h"

namespace kernel {

// Time in 100-nanosecond units.
using Ticks = std::int64_t;
constexpr Ticks kTicksPerMillisecond = 10'000;

Ticks Now();

void UseManualClock();
void UseRealClock();
bool ClockIsManual();
// Moves the manual clock forward and wakes everything waiting on it.
void AdvanceClock(Ticks by);
// The earliest time something waits for: a waitable timer, a window timer,
// a sleep or a timed wait. None when nothing does.
std::optional<Ticks> NextDeadline();

}  // namespace kernel

namespace win {

DWORD GetTickCount();
// Wall-clock time as 100-nanosecond units since 1601 (on the manual clock:
// a fixed start plus the time the clock was moved).
void GetSystemTimeAsFileTime(FILETIME* time);

}  // namespace win
