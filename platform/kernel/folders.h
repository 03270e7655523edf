#pragma once
// Known folders, as GBK texts. Folder paths end with "/", so a file name is
// appended directly.
//
// Tests and the demo give the program a folder layout of their own at run
// time; an overridden folder replaces the real one for the whole process
// until it is cleared.
#include <string>
#include <string_view>

namespace folders {

enum class KnownFolder {
    Documents,  // the user's documents: XDG_DOCUMENTS_DIR, else ~/Documents; created when missing
    Temporary,  // TMPDIR, else /tmp
    Program,    // the folder of the running executable
};

std::string Folder(KnownFolder folder);

// The running executable: its file name without folder, and the full path
// (the Program folder followed by the name). Empty when unknown.
std::string ProgramFileName();
std::string ProgramFilePath();

// `path` replaces the folder ("/" is added when missing); an empty path
// brings the real folder back. An overridden Documents folder is created
// when missing too.
void SetOverride(KnownFolder folder, std::string_view path);
// Replaces the executable's file name (tests that check how it is used).
void SetProgramFileNameOverride(std::string_view name);
void ClearOverrides();

}  // namespace folders
