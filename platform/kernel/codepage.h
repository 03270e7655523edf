#pragma once
// Code pages 936 (GBK, also the ANSI code page) and 65001 (UTF-8).
//
// Conversions never fail on bad input: an invalid or cut byte sequence, or a
// character the target code page lacks, becomes the default character "?"
// and the conversion steps on, so the rest of the text is kept.
#include <string>
#include <string_view>

#include "platform/kernel/win_types.h"

namespace win {

// Flags the program passes. They change nothing here: GBK has no composed
// forms to check, and bad input is always replaced, never refused.
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD WC_COMPOSITECHECK = 0x200;

// Windows semantics: cbMultiByte / cchWideChar of -1 means "up to and
// including the terminating NUL". With cchWideChar (cbMultiByte) 0 the call
// only counts the units it would write. Returns the units written or
// counted, 0 on an unsupported code page or a buffer that is too small.
// Bad UTF-8 and bad GBK decode to "?" (U+003F); a character GBK lacks, a
// non-BMP character and a lone surrogate encode to `defaultChar` (its first
// character; "?" when null) and set *usedDefaultChar. For UTF-8 output a
// lone surrogate becomes "?".
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByte, int cbMultiByte,
                        WCHAR* wideChar, int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wideChar, int cchWideChar,
                        char* multiByte, int cbMultiByte, const char* defaultChar,
                        BOOL* usedDefaultChar);

}  // namespace win

namespace codepage {

// The same conversions for whole strings, as the layer's own callers use them.
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace codepage
