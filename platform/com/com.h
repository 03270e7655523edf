#pragma once
// COM initialisation, counted per thread, and the result codes of the layer's
// COM objects.
//
// Initialising is per thread: every successful CoInitialize (S_OK the first
// time, S_FALSE when the thread is already initialised) is balanced by one
// CoUninitialize. Objects can only be created on an initialised thread and
// belong to the thread that created them.
#include "platform/kernel/win_types.h"

namespace win {

using HRESULT = LONG;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010E);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000B);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// `reserved` must be null.
HRESULT CoInitialize(void* reserved);
// Ends one CoInitialize of the calling thread; does nothing on a thread that
// is not initialised.
void CoUninitialize();

}  // namespace win

namespace com {

// Whether the calling thread has an unbalanced CoInitialize.
bool IsInitialized();

}  // namespace com
