#pragma once
// Temporary folders for tests, and running a step without the superuser's
// rights (CI runs as root, which file permissions do not bind).
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace verdel_test {

// A fresh folder under the temporary folder, removed with everything in it
// (read-only parts included) when the object goes.
class TempFolder {
  public:
    explicit TempFolder(std::string_view prefix = "verdel");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Disk() const { return disk_; }
    // The folder as the program spells paths (GBK), with its trailing "/",
    // followed by a GBK name.
    std::string Gbk(std::string_view gbkName = "") const;

  private:
    std::filesystem::path disk_;
};

// Runs attempt as it is for an ordinary user; as root, in a child process of
// the user "nobody". Its result, or none when the child could not run it.
std::optional<bool> RunUnprivileged(const std::function<bool()>& attempt);

}  // namespace verdel_test
