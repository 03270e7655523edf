#pragma once
// Inside the kernel layer only: the one lock that guards every kernel object,
// and the wait that all blocking services are built on.
//
// Every state change that may end a wait (a message posted, a thread ending,
// the manual clock moving) happens under the lock and wakes all waiters,
// which re-check their own condition. The program has a handful of threads,
// so one shared condition is both simple and cheap.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/kernel/clock.h"

namespace kernel::core {

std::mutex& Lock();
// Call with the lock held, after changing state a waiter may be waiting for.
void WakeAll();

// With the lock held: blocks until ready() holds (true) or the deadline has
// passed on the kernel clock (false). The deadline counts towards
// NextDeadline while the wait lasts.
bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready,
               std::optional<Ticks> deadline);

// Marks the calling thread as one started by CreateThread (a worker), or
// one counted as such.
void MarkWorkerThread();
void UnmarkWorkerThread();
bool IsWorkerThread();
// Brackets a block of a worker that waits for someone else (a kernel wait, a
// critical section held by another thread). The harness counts a waiting
// worker as idle. Needs no lock.
void BeginWorkerWait();
void EndWorkerWait();
// Workers blocked in such a wait, or in WaitUntil with nothing changed
// since they last looked at their condition (lock held).
int WaitingWorkers();

// Earliest registered wait deadline (lock held).
std::optional<Ticks> EarliestWaitDeadline();

// A kernel object a handle refers to. Waitable objects say when they are
// signalled and what a satisfied wait does to them (an auto-reset timer
// resets). Both are called with the lock held.
class Object {
  public:
    virtual ~Object() = default;
    virtual bool IsSignalled() const { return false; }
    virtual void OnWaitSatisfied() {}
    // The time at which the object becomes signalled by itself, if any.
    virtual std::optional<Ticks> SignalTime() const { return std::nullopt; }
};

// Handle table (lock held for all three).
win::HANDLE AddHandle(std::shared_ptr<Object> object);
std::shared_ptr<Object> FindHandle(win::HANDLE handle);
bool RemoveHandle(win::HANDLE handle);

// Window timers of every thread take part in NextDeadline (lock held).
void SetTimerDeadlineSource(std::function<std::optional<Ticks>()> source);

}  // namespace kernel::core
