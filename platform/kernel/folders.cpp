#include "platform/kernel/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/files.h"

namespace folders {
namespace {

struct Overrides {
    std::mutex lock;
    std::array<std::string, 3> folders;  // GBK, by KnownFolder; empty = the real one
    std::string programFileName;
};

Overrides& State() {
    static Overrides state;
    return state;
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// ---- Real folders, as UTF-8 disk paths ----------------------------------------

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        std::vector<char> buffer(16384);
        passwd entry;
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            home = found->pw_dir;
        }
    }
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    return home;
}

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs: a quoted path, absolute
// or starting with "$HOME", with backslash escapes.
std::optional<std::string> XdgDocumentsFolder(const std::string& home) {
    std::string configHome = Environment("XDG_CONFIG_HOME");
    if (configHome.empty() || configHome.front() != '/') {
        configHome = home + "/.config";
    }
    std::ifstream in(configHome + "/user-dirs.dirs", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        line.remove_prefix(kKey.size());
        std::string value;
        for (size_t i = 0; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
            }
            value.push_back(line[i]);
        }
        if (value.substr(0, 5) == "$HOME") {
            value = home + value.substr(5);
        }
        if (value.empty() || value.front() != '/') {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

// The whole chain of folders, each with the default permissions.
void CreateFolders(const std::string& diskPath) {
    for (size_t slash = diskPath.find('/', 1);; slash = diskPath.find('/', slash + 1)) {
        const std::string part = diskPath.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            return;
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

std::string RealDocuments() {
    const std::string home = HomeFolder();
    const std::string folder = XdgDocumentsFolder(home).value_or(home + "/Documents");
    CreateFolders(folder);
    return WithSeparator(folder);
}

std::string RealTemporary() {
    const std::string tmp = Environment("TMPDIR");
    return WithSeparator(!tmp.empty() && tmp.front() == '/' ? tmp : "/tmp");
}

std::string RealProgramFile() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return "";
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string RealProgramFolder() {
    const std::string file = RealProgramFile();
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? "" : file.substr(0, slash + 1);
}

std::string RealFolder(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::Documents:
            return RealDocuments();
        case KnownFolder::Temporary:
            return RealTemporary();
        case KnownFolder::Program:
            return RealProgramFolder();
    }
    return "";
}

}  // namespace

// Paths outside GBK (an emoji in the home folder's name) lose those
// characters to "?": the program's texts cannot hold them.
std::string Folder(KnownFolder folder) {
    {
        Overrides& state = State();
        const std::lock_guard<std::mutex> guard(state.lock);
        const std::string& path = state.folders[static_cast<size_t>(folder)];
        if (!path.empty()) {
            if (folder == KnownFolder::Documents) {
                CreateFolders(files::DiskPath(path));
            }
            return path;
        }
    }
    return codepage::Utf8ToGbk(RealFolder(folder));
}

std::string ProgramFileName() {
    {
        Overrides& state = State();
        const std::lock_guard<std::mutex> guard(state.lock);
        if (!state.programFileName.empty()) {
            return state.programFileName;
        }
    }
    const std::string file = RealProgramFile();
    return codepage::Utf8ToGbk(file.substr(file.rfind('/') + 1));
}

std::string ProgramFilePath() {
    const std::string name = ProgramFileName();
    return name.empty() ? "" : Folder(KnownFolder::Program) + name;
}

void SetOverride(KnownFolder folder, std::string_view path) {
    Overrides& state = State();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.folders[static_cast<size_t>(folder)] = WithSeparator(std::string(path));
}

void SetProgramFileNameOverride(std::string_view name) {
    Overrides& state = State();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.programFileName = name;
}

void ClearOverrides() {
    Overrides& state = State();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.folders = {};
    state.programFileName.clear();
}

}  // namespace folders
