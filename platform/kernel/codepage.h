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

// Windows semantics: cbMultiByte / cchWideChar of -1 means "up to and
// including the terminating NUL". With cchWideChar (cbMultiByte) 0 the call
// only counts the units it would write. Returns the units written or
// counted, 0 on an unsupported code page or a buffer that is too small.
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
