#include "platform/kernel/timers.h"

#include "platform/kernel/clock.h"
#include "platform/kernel/kernel_core.h"

namespace kernel {
namespace {

class WaitableTimer : public core::Object {
  public:
    explicit WaitableTimer(bool manualReset) : manualReset_(manualReset) {}

    void Set(Ticks due, Ticks period) {
        due_ = due;
        period_ = period;
    }
    void Cancel() { due_.reset(); }

    bool IsSignalled() const override { return due_ && Now() >= *due_; }
    std::optional<Ticks> SignalTime() const override { return due_; }
    void OnWaitSatisfied() override {
        if (manualReset_) {
            return;
        }
        if (period_ > 0) {
            *due_ += period_;
        } else {
            due_.reset();
        }
    }

  private:
    bool manualReset_;
    std::optional<Ticks> due_;
    Ticks period_ = 0;
};

Ticks SystemTimeNow() {
    win::FILETIME now;
    win::GetSystemTimeAsFileTime(&now);
    return (Ticks(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

}  // namespace
}  // namespace kernel

namespace win {

HANDLE CreateWaitableTimerA(void*, BOOL manualReset, const char*) {
    std::lock_guard guard(kernel::core::Lock());
    return kernel::core::AddHandle(std::make_shared<kernel::WaitableTimer>(manualReset != FALSE));
}

BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG periodMs,
                      PTIMERAPCROUTINE completionRoutine, void*, BOOL) {
    if (!dueTime || completionRoutine || periodMs < 0) {
        return FALSE;
    }
    kernel::Ticks now = kernel::Now();
    kernel::Ticks due = dueTime->QuadPart < 0 ? now - dueTime->QuadPart
                                              : now + (dueTime->QuadPart - kernel::SystemTimeNow());
    std::lock_guard guard(kernel::core::Lock());
    auto object = std::dynamic_pointer_cast<kernel::WaitableTimer>(kernel::core::FindHandle(timer));
    if (!object) {
        return FALSE;
    }
    object->Set(due, kernel::Ticks(periodMs) * kernel::kTicksPerMillisecond);
    kernel::core::WakeAll();
    return TRUE;
}

BOOL CancelWaitableTimer(HANDLE timer) {
    std::lock_guard guard(kernel::core::Lock());
    auto object = std::dynamic_pointer_cast<kernel::WaitableTimer>(kernel::core::FindHandle(timer));
    if (!object) {
        return FALSE;
    }
    object->Cancel();
    return TRUE;
}

}  // namespace win
