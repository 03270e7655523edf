#pragma once
// Files and their attributes.
//
// Paths are GBK texts, as every text of the program; on disk they are UTF-8,
// so "Verdel_配置.ini" carries its real name. A backslash in a path is a
// folder separator, as in the paths the program was designed with.
#include <string>
#include <string_view>

#include "platform/kernel/win_types.h"

namespace files {

// The path as the file system names it: UTF-8, "/" as separator.
std::string DiskPath(std::string_view gbkPath);

bool Exists(std::string_view path);  // a file or a folder
bool IsDirectory(std::string_view path);

// Deletes a file (not a folder).
bool Delete(std::string_view path);

// The file's bytes; *out is left alone when the file cannot be read.
bool ReadWholeFile(std::string_view path, std::string* out);

// Creates or replaces the file with these bytes. The bytes go to a file
// beside it first, which then takes the name, so a reader sees either the
// old content or the new, never a part. An existing file keeps its
// permissions; like a file created anew, it loses its hidden attribute.
bool WriteWholeFile(std::string_view path, std::string_view bytes);

// Renames a file or folder; an existing target is replaced.
bool Move(std::string_view from, std::string_view to);

// The hidden attribute is kept in the extended attribute "user.verdel.hidden",
// so every process sees it. On a file system without user extended
// attributes nothing can be stored: SetHidden(path, true) then fails and
// IsHidden reports false.
bool SetHidden(std::string_view path, bool hidden);
bool IsHidden(std::string_view path);

}  // namespace files

namespace win {

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// DIRECTORY, HIDDEN and READONLY (no write permission for the owner); NORMAL
// when none applies; INVALID_FILE_ATTRIBUTES when the path names nothing.
DWORD GetFileAttributesA(const char* path);

// Sets HIDDEN and READONLY as given, clearing them when absent; other bits
// are ignored. FALSE when the path names nothing or a bit cannot be stored.
BOOL SetFileAttributesA(const char* path, DWORD attributes);

BOOL DeleteFileA(const char* path);

// Fails when the target exists.
BOOL MoveFileA(const char* from, const char* to);

// FILE_ATTRIBUTE_DIRECTORY for an existing folder, else FALSE.
BOOL PathIsDirectoryA(const char* path);
BOOL PathFileExistsA(const char* path);

}  // namespace win
