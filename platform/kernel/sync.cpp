#include "platform/kernel/sync.h"

#include "platform/kernel/kernel_core.h"

namespace win {

// The mutex is ready when the section is constructed; initialising and
// deleting keep the calls the program makes meaningful without extra state.
void InitializeCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) {
    if (section->mutex.try_lock()) {
        return;
    }
    kernel::core::BeginWorkerWait();
    section->mutex.lock();
    kernel::core::EndWorkerWait();
}
bool TryEnterCriticalSection(CRITICAL_SECTION* section) {
    return section->mutex.try_lock();
}
void LeaveCriticalSection(CRITICAL_SECTION* section) {
    section->mutex.unlock();
}
void DeleteCriticalSection(CRITICAL_SECTION*) {}

}  // namespace win
