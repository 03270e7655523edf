#pragma once
// Small pieces the kernel's waits share (kernel layer only).
#include <optional>

#include "platform/kernel/clock.h"

namespace kernel::core {

// The deadline of a wait of so many milliseconds from now; none for INFINITE.
inline std::optional<Ticks> TimeoutDeadline(win::DWORD milliseconds) {
    if (milliseconds == win::INFINITE) {
        return std::nullopt;
    }
    return Now() + Ticks(milliseconds) * kTicksPerMillisecond;
}

inline std::optional<Ticks> Earliest(std::optional<Ticks> a, std::optional<Ticks> b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return *a < *b ? a : b;
}

}  // namespace kernel::core
