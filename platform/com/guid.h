#pragma once
// Globally unique identifiers: class ids, interface ids and the imaging
// library's format and frame-dimension ids.
#include "platform/com/com.h"

namespace win {

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using CLSID = GUID;
using IID = GUID;

constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);

BOOL IsEqualGUID(const GUID& a, const GUID& b);

// Parses the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex
// digits of either case). Other texts give CO_E_CLASSSTRING and a zero id;
// there is no registry of program ids to look names up in.
HRESULT CLSIDFromString(const WCHAR* text, CLSID* clsid);

}  // namespace win
