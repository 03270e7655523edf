#pragma once
// Critical sections: re-entrant locks, as on Windows (the owning thread may
// enter again and must leave as often as it entered).
#include <mutex>

namespace win {

struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
bool TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

}  // namespace win
