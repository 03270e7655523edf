#include "platform/kernel/kernel_core.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <set>
#include <unordered_map>

#include "platform/kernel/handles.h"

namespace kernel::core {
namespace {

struct State {
    std::mutex lock;
    std::condition_variable changed;
    std::multiset<Ticks> waitDeadlines;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> handles;
    std::uintptr_t nextHandle = 4;
    std::function<std::optional<Ticks>()> timerDeadlines;
};

State& TheState() {
    static State* state = new State;  // outlives every thread, never destroyed
    return *state;
}

std::atomic<int> waitingWorkers{0};
thread_local bool isWorker = false;
// Workers in WaitUntil that have looked at their condition since the last
// change (lock held). A change wakes them all, and they count as busy again
// until each has looked, so the harness never sees a woken thread as idle.
int settledWaiters = 0;
std::uint64_t changes = 0;

std::atomic<bool> manualClock{false};
std::atomic<Ticks> manualNow{0};

// The manual clock starts at one fixed moment, so runs are repeatable.
constexpr Ticks kManualStart = 1'000'000LL * 10'000'000LL;
// 2026-01-01 00:00:00 UTC as 100-ns units since 1601.
constexpr Ticks kManualSystemBase = 134'117'856'000'000'000LL;
constexpr Ticks kUnixEpochAs1601 = 116'444'736'000'000'000LL;

Ticks SteadyTicks() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

}  // namespace

std::mutex& Lock() {
    return TheState().lock;
}

void WakeAll() {
    ++changes;
    settledWaiters = 0;
    TheState().changed.notify_all();
}

bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready,
               std::optional<Ticks> deadline) {
    State& state = TheState();
    std::multiset<Ticks>::iterator registered;
    if (deadline) {
        registered = state.waitDeadlines.insert(*deadline);
    }
    bool result = false;
    while (true) {
        if (ready()) {
            result = true;
            break;
        }
        Ticks now = Now();
        if (deadline && now >= *deadline) {
            break;
        }
        std::uint64_t seen = changes;
        if (isWorker) {
            ++settledWaiters;
        }
        if (deadline && !ClockIsManual()) {
            auto left = std::chrono::nanoseconds((*deadline - now) * 100);
            state.changed.wait_for(lock, left);
        } else {
            state.changed.wait(lock);
        }
        if (isWorker && changes == seen) {
            --settledWaiters;  // woken without a change: look again
        }
    }
    if (deadline) {
        state.waitDeadlines.erase(registered);
    }
    return result;
}

void MarkWorkerThread() {
    isWorker = true;
}

void UnmarkWorkerThread() {
    isWorker = false;
}

bool IsWorkerThread() {
    return isWorker;
}

void BeginWorkerWait() {
    if (isWorker) {
        ++waitingWorkers;
    }
}

void EndWorkerWait() {
    if (isWorker) {
        --waitingWorkers;
    }
}

int WaitingWorkers() {
    return waitingWorkers.load() + settledWaiters;
}

std::optional<Ticks> EarliestWaitDeadline() {
    State& state = TheState();
    std::optional<Ticks> earliest;
    if (!state.waitDeadlines.empty()) {
        earliest = *state.waitDeadlines.begin();
    }
    if (state.timerDeadlines) {
        if (auto timer = state.timerDeadlines(); timer && (!earliest || *timer < *earliest)) {
            earliest = timer;
        }
    }
    return earliest;
}

win::HANDLE AddHandle(std::shared_ptr<Object> object) {
    State& state = TheState();
    std::uintptr_t value = state.nextHandle;
    state.nextHandle += 4;
    state.handles.emplace(value, std::move(object));
    return reinterpret_cast<win::HANDLE>(value);
}

std::shared_ptr<Object> FindHandle(win::HANDLE handle) {
    State& state = TheState();
    auto it = state.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == state.handles.end() ? nullptr : it->second;
}

bool RemoveHandle(win::HANDLE handle) {
    return TheState().handles.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
}

void SetTimerDeadlineSource(std::function<std::optional<Ticks>()> source) {
    TheState().timerDeadlines = std::move(source);
}

}  // namespace kernel::core

namespace kernel {

Ticks Now() {
    return core::manualClock.load() ? core::manualNow.load() : core::SteadyTicks();
}

void UseManualClock() {
    std::lock_guard guard(core::Lock());
    core::manualNow = core::kManualStart;
    core::manualClock = true;
    core::WakeAll();
}

void UseRealClock() {
    std::lock_guard guard(core::Lock());
    core::manualClock = false;
    core::WakeAll();
}

bool ClockIsManual() {
    return core::manualClock.load();
}

void AdvanceClock(Ticks by) {
    std::lock_guard guard(core::Lock());
    if (core::manualClock && by > 0) {
        core::manualNow += by;
    }
    core::WakeAll();
}

std::optional<Ticks> NextDeadline() {
    std::lock_guard guard(core::Lock());
    return core::EarliestWaitDeadline();
}

}  // namespace kernel

namespace win {

DWORD GetTickCount() {
    return static_cast<DWORD>(kernel::Now() / kernel::kTicksPerMillisecond);
}

void GetSystemTimeAsFileTime(FILETIME* time) {
    kernel::Ticks value;
    if (kernel::ClockIsManual()) {
        value = kernel::core::kManualSystemBase + (kernel::Now() - kernel::core::kManualStart);
    } else {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        value = kernel::core::kUnixEpochAs1601 + now.tv_sec * 10'000'000LL + now.tv_nsec / 100;
    }
    time->dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFF);
    time->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(value) >> 32);
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard guard(kernel::core::Lock());
    return kernel::core::RemoveHandle(handle) ? TRUE : FALSE;
}

}  // namespace win
