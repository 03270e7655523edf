#pragma once
// Profile (INI) files: values by section and key, in code page 936.
//
// Section and key names match without regard to ASCII case (bytes of
// two-byte characters compare exactly); blanks (spaces and tabs) around
// names and values are not part of them; a value in matching quotes loses
// the quotes. The first matching section and the first matching key in it
// count. Lines that are neither "[section]" nor "key=value" are ignored
// when reading and kept when writing.
//
// Writing one value keeps every other byte of the file: the key's line is
// rewritten, a new key goes after the last line of its section, a new section
// at the end of the file, each with CR LF. The new file is written aside and
// then takes the old one's place, so a failed write leaves the old file whole.
#include <string>
#include <string_view>

#include "platform/kernel/win_types.h"

namespace win {

// Copies the value (or `defaultValue`, "" when null, without its trailing
// blanks) into the buffer, cut to size - 1 bytes, NUL-terminated, and
// returns the bytes copied. With a null key the buffer receives the
// section's key names, with a null section the section names, each
// NUL-terminated and the list ended by a further NUL.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* path);

// Sets the value, creating the file and the section when missing. A null
// value deletes the key, a null key the whole section. A value is written up
// to its first line break, so it cannot add lines. FALSE when the file could
// not be written.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path);

}  // namespace win

namespace profile {

// The value, "" when the file, the section or the key is missing. Like the
// buffer of GetPrivateProfileStringA, it ends before a NUL byte.
std::string ReadString(std::string_view path, std::string_view section, std::string_view key);

bool WriteString(std::string_view path, std::string_view section, std::string_view key,
                 std::string_view value);

}  // namespace profile
