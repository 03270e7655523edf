#include "platform/kernel/waits.h"

#include "platform/kernel/kernel_core.h"
#include "platform/kernel/wait_helpers.h"

namespace win {

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::unique_lock lock(kernel::core::Lock());
    auto object = kernel::core::FindHandle(handle);
    if (!object) {
        return WAIT_FAILED;
    }
    std::optional<kernel::Ticks> timeout = kernel::core::TimeoutDeadline(milliseconds);
    while (true) {
        if (object->IsSignalled()) {
            object->OnWaitSatisfied();
            return WAIT_OBJECT_0;
        }
        if (timeout && kernel::Now() >= *timeout) {
            return WAIT_TIMEOUT;
        }
        auto deadline = kernel::core::Earliest(timeout, object->SignalTime());
        kernel::core::WaitUntil(
            lock, [&] { return object->IsSignalled(); }, deadline);
    }
}

}  // namespace win
