#include "platform/com/guid.h"

#include <cstring>
#include <optional>

namespace win {
namespace {

std::optional<unsigned> HexDigit(WCHAR c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return std::nullopt;
}

// Reads `count` hex digits at text[at]; text is NUL-terminated, so reading
// stops at the end without passing it.
std::optional<std::uint32_t> Hex(const WCHAR* text, int at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        auto digit = HexDigit(text[at + i]);
        if (!digit) {
            return std::nullopt;
        }
        value = (value << 4) | *digit;
    }
    return value;
}

std::optional<GUID> Parse(const WCHAR* t) {
    // {8-4-4-4-12}: braces at 0 and 37, dashes at 9, 14, 19 and 24.
    for (int i = 0; i < 38; ++i) {
        if (t[i] == 0) {
            return std::nullopt;
        }
    }
    if (t[0] != u'{' || t[9] != u'-' || t[14] != u'-' || t[19] != u'-' || t[24] != u'-' ||
        t[37] != u'}' || t[38] != 0) {
        return std::nullopt;
    }
    auto d1 = Hex(t, 1, 8);
    auto d2 = Hex(t, 10, 4);
    auto d3 = Hex(t, 15, 4);
    if (!d1 || !d2 || !d3) {
        return std::nullopt;
    }
    GUID guid{*d1, static_cast<WORD>(*d2), static_cast<WORD>(*d3), {}};
    const int starts[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        auto byte = Hex(t, starts[i], 2);
        if (!byte) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<BYTE>(*byte);
    }
    return guid;
}

}  // namespace

BOOL IsEqualGUID(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

HRESULT CLSIDFromString(const WCHAR* text, CLSID* clsid) {
    if (clsid == nullptr) {
        return E_INVALIDARG;
    }
    *clsid = CLSID{};
    if (text == nullptr) {
        return CO_E_CLASSSTRING;
    }
    auto guid = Parse(text);
    if (!guid) {
        return CO_E_CLASSSTRING;
    }
    *clsid = *guid;
    return S_OK;
}

}  // namespace win
