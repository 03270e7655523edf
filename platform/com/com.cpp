#include "platform/com/com.h"

namespace {

thread_local int initCount = 0;

}  // namespace

namespace win {

HRESULT CoInitialize(void* reserved) {
    if (reserved != nullptr) {
        return E_INVALIDARG;
    }
    return initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initCount > 0) {
        --initCount;
    }
}

}  // namespace win

namespace com {

bool IsInitialized() {
    return initCount > 0;
}

}  // namespace com
