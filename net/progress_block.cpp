#include "net/progress_block.h"

#include "platform/kernel/clock.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/threads.h"
#include "toolkit/pumping_wait.h"

namespace net {
namespace {

struct WatcherStart {
    std::shared_ptr<ProgressBlock> block;
    TransferKind kind;
};

std::int64_t SystemTimeTicks() {
    win::FILETIME now{};
    win::GetSystemTimeAsFileTime(&now);
    return (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool ThreadHasExited(win::HANDLE thread) {
    win::DWORD code = 0;
    return thread != nullptr && win::GetExitCodeThread(thread, &code) && code != win::STILL_ACTIVE;
}

void Watch(ProgressBlock& block, TransferKind kind) {
    // A transferring thread that the kernel did not start cannot be opened;
    // its transfer always ends with the finish marker or `abandoned`.
    const win::HANDLE thread =
        win::OpenThread(win::THREAD_QUERY_INFORMATION, win::FALSE, block.threadId);
    std::int64_t previous = 0;
    std::int64_t remembered = 0;
    while (!block.abandoned.load()) {
        std::int64_t done = block.bytesDone.load();
        if (done > 0 && done > previous) {
            std::int64_t total = block.total;
            std::int64_t elapsed = block.elapsedMs.load();
            block.routine(block.userValue, total, done, elapsed);
            remembered = elapsed + 50;
            previous = done;
        } else if (done == kProgressFinished) {
            std::int64_t total = block.total;
            std::int64_t all = block.total;
            std::int64_t elapsed = remembered;
            block.routine(block.userValue, total, all, elapsed);
            break;
        } else if (ThreadHasExited(thread)) {
            break;
        }
        if (kind == TransferKind::Download) {
            PumpingWait(500);
        } else {
            win::Sleep(10);
        }
    }
    if (thread != nullptr) {
        win::CloseHandle(thread);
    }
}

win::DWORD WatcherThread(void* parameter) {
    const std::unique_ptr<WatcherStart> start(static_cast<WatcherStart*>(parameter));
    try {
        Watch(*start->block, start->kind);
    } catch (...) {
        // A routine that throws ends the reports, never the program.
    }
    return 0;
}

}  // namespace

std::shared_ptr<ProgressBlock> StartProgressWatcher(ProgressRoutine routine, std::int32_t userValue,
                                                    std::int64_t total, TransferKind kind) {
    auto block = std::make_shared<ProgressBlock>();
    block->routine = std::move(routine);
    block->userValue = userValue;
    block->total = total;
    block->threadId = win::GetCurrentThreadId();
    auto start = std::make_unique<WatcherStart>(WatcherStart{block, kind});
    win::DWORD id = 0;
    const win::HANDLE watcher = win::CreateThread(nullptr, 0, &WatcherThread, start.get(), 0, &id);
    if (watcher != nullptr) {
        start.release();  // the watcher owns it now
        win::CloseHandle(watcher);
    }
    return block;
}

TransferClock::TransferClock() : previous_(SystemTimeTicks()) {}

std::int64_t TransferClock::Step() {
    const std::int64_t now = SystemTimeTicks();
    sum_ += now - previous_;
    previous_ = now;
    return sum_ / 10000;
}

}  // namespace net
