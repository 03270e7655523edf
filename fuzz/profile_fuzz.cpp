// Profile files of arbitrary bytes: reading never fails, and writing one
// value reads back as that value while every other value stays as it was,
// also when the value is deleted again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/files.h"
#include "platform/kernel/profile.h"

namespace {

// The section 偏好设置 and the key 分类, as GBK bytes.
constexpr const char* kSection = "\xC6\xAB\xBA\xC3\xC9\xE8\xD6\xC3";
constexpr const char* kKey = "\xB7\xD6\xC0\xE0";

const std::string& ProfilePath() {
    // tmpfs where there is one: the write's flush to disk costs nothing there.
    static const std::string path =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
        "/verdel-profile-fuzz-" + std::to_string(::getpid()) + ".ini";
    return path;
}

// A NUL-separated list, as the profile functions hand out names.
std::vector<std::string> SplitNames(const std::vector<char>& buffer, win::DWORD length) {
    std::vector<std::string> names;
    std::string name;
    for (win::DWORD i = 0; i < length; ++i) {
        if (buffer[i] == '\0') {
            names.push_back(name);
            name.clear();
        } else {
            name.push_back(buffer[i]);
        }
    }
    return names;
}

std::vector<std::string> Names(const char* section, const std::string& path) {
    std::vector<char> buffer(1 << 16);
    const win::DWORD length = win::GetPrivateProfileStringA(
        section, nullptr, "", buffer.data(), static_cast<win::DWORD>(buffer.size()), path.c_str());
    return SplitNames(buffer, length);
}

bool IsTheChangedValue(const std::string& section, const std::string& key) {
    return section == kSection && key == kKey;
}

// Every (section, key) the file lists, with its value; a bounded sample.
std::vector<std::pair<std::pair<std::string, std::string>, std::string>> Values(
    const std::string& path) {
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> values;
    for (const std::string& section : Names(nullptr, path)) {
        for (const std::string& key : Names(section.c_str(), path)) {
            if (values.size() < 200 && !IsTheChangedValue(section, key)) {
                values.push_back({{section, key}, profile::ReadString(path, section, key)});
            }
        }
    }
    return values;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ProfilePath();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!files::WriteWholeFile(path, bytes)) {
        return 0;
    }

    // Reading with buffers of every kind of size.
    char small[3];
    char large[512];
    win::GetPrivateProfileStringA(kSection, kKey, "x", small, sizeof small, path.c_str());
    win::GetPrivateProfileStringA("s", "k", nullptr, large, sizeof large, path.c_str());
    win::GetPrivateProfileStringA(nullptr, nullptr, "", small, sizeof small, path.c_str());
    const auto before = Values(path);

    // One value written reads back; nothing else changes.
    Check(win::WritePrivateProfileStringA(kSection, kKey, "v1", path.c_str()) == win::TRUE);
    Check(profile::ReadString(path, kSection, kKey) == "v1");
    for (const auto& [name, value] : before) {
        Check(profile::ReadString(path, name.first, name.second) == value);
    }

    Check(win::WritePrivateProfileStringA(kSection, kKey, nullptr, path.c_str()) == win::TRUE);
    for (const auto& [name, value] : before) {
        Check(profile::ReadString(path, name.first, name.second) == value);
    }
    files::Delete(path);
    return 0;
}
