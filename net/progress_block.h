#pragma once
// Progress reports of a transfer. The transfer never calls its caller back
// itself: it writes counters into a ProgressBlock, and a watcher thread that
// the transfer starts polls them and calls the ProgressRoutine.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/kernel/win_types.h"

namespace net {

// user value, then total bytes, bytes done, elapsed milliseconds. Runs on
// the watcher thread, never on the caller's.
using ProgressRoutine =
    std::function<void(std::int32_t, std::int64_t&, std::int64_t&, std::int64_t&)>;

// Bytes done of a finished transfer: its last write to the block.
inline constexpr std::int64_t kProgressFinished = -768;

struct ProgressBlock {
    ProgressRoutine routine;
    std::int32_t userValue = 0;
    std::int64_t total = 0;
    std::atomic<std::int64_t> bytesDone{0};
    std::atomic<std::int64_t> elapsedMs{0};
    // Set instead of the finish marker when the transfer gave up: the
    // watcher then ends without a final report.
    std::atomic<bool> abandoned{false};
    win::DWORD threadId = 0;
};

enum class TransferKind {
    Download,  // polled every 500 ms, with the calling thread's messages pumped
    Upload,    // polled every 10 ms
};

// Fills a block for the calling thread and starts its watcher. The watcher
// keeps the block alive until it ends: after the finish marker (with one
// last report of the total as done), after `abandoned`, or when the
// transferring thread has exited.
std::shared_ptr<ProgressBlock> StartProgressWatcher(ProgressRoutine routine, std::int32_t userValue,
                                                    std::int64_t total, TransferKind kind);

// Accumulates the gaps between successive steps of a transfer, taken from
// the system time in 100-nanosecond units, into elapsed milliseconds. The
// sum is divided, not each gap, so pieces that come faster than one a
// millisecond still count.
class TransferClock {
  public:
    TransferClock();
    // Adds the gap since the previous step (or the start); returns the
    // elapsed milliseconds so far.
    std::int64_t Step();

  private:
    std::int64_t previous_;
    std::int64_t sum_ = 0;
};

}  // namespace net
