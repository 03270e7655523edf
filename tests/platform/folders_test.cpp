#include "platform/kernel/folders.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"

namespace {

namespace fs = std::filesystem;

// Sets an environment variable (nullptr unsets it) for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

std::string Gbk(const fs::path& path) {
    return codepage::Utf8ToGbk(path.string());
}

class FoldersTest : public testing::Test {
  protected:
    void SetUp() override { folders::ClearOverrides(); }
    void TearDown() override { folders::ClearOverrides(); }
    void WriteUserDirs(const std::string& text) {
        fs::create_directories(home_ / ".config");
        std::ofstream(home_ / ".config" / "user-dirs.dirs", std::ios::binary) << text;
    }

    verdel_test::TempFolder temp_{"verdel-home"};
    fs::path home_ = temp_.Disk();
};

TEST_F(FoldersTest, DocumentsFolderFollowsTheUserDirsFile) {
    const ScopedEnvironment home("HOME", home_.c_str());
    const ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
    struct Case {
        std::string userDirs;  // empty: no file
        fs::path expected;
    };
    const std::vector<Case> cases = {
        {"", home_ / "Documents"},
        {Utf8(u8"# comment\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n  XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n"),
         home_ / u8"文档"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/my \\\"docs\\\"\"\n", home_ / "my \"docs\""},
        {"XDG_DOCUMENTS_DIR=\"" + (home_ / "abs" / "docs").string() + "\"\n",
         home_ / "abs" / "docs"},
        {"XDG_DOCUMENTS_DIR=relative\n", home_ / "Documents"},
    };
    for (const Case& c : cases) {
        fs::remove_all(home_ / ".config");
        if (!c.userDirs.empty()) {
            WriteUserDirs(c.userDirs);
        }
        const std::string folder = folders::Folder(folders::KnownFolder::Documents);
        EXPECT_EQ(folder, Gbk(c.expected) + "/") << c.userDirs;
        EXPECT_TRUE(fs::is_directory(c.expected)) << c.userDirs;  // created when missing
    }
}

TEST_F(FoldersTest, ConfigFolderCanBeMoved) {
    const ScopedEnvironment home("HOME", home_.c_str());
    const ScopedEnvironment config("XDG_CONFIG_HOME", (home_ / "cfg").c_str());
    fs::create_directories(home_ / "cfg");
    std::ofstream(home_ / "cfg" / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/d\"\n";
    EXPECT_EQ(folders::Folder(folders::KnownFolder::Documents), Gbk(home_ / "d") + "/");
}

TEST_F(FoldersTest, TemporaryFolder) {
    {
        const ScopedEnvironment tmp("TMPDIR", home_.c_str());
        EXPECT_EQ(folders::Folder(folders::KnownFolder::Temporary), Gbk(home_) + "/");
    }
    {
        const ScopedEnvironment tmp("TMPDIR", (home_.string() + "/").c_str());
        EXPECT_EQ(folders::Folder(folders::KnownFolder::Temporary), Gbk(home_) + "/");
    }
    {
        const ScopedEnvironment tmp("TMPDIR", nullptr);
        EXPECT_EQ(folders::Folder(folders::KnownFolder::Temporary), "/tmp/");
    }
}

TEST_F(FoldersTest, ProgramFolderAndFile) {
    const fs::path exe = fs::canonical("/proc/self/exe");
    EXPECT_EQ(folders::Folder(folders::KnownFolder::Program), Gbk(exe.parent_path()) + "/");
    EXPECT_EQ(folders::ProgramFileName(), Gbk(exe.filename()));
    EXPECT_EQ(folders::ProgramFilePath(), Gbk(exe));
}

TEST_F(FoldersTest, OverridesReplaceTheRealFoldersUntilCleared) {
    const fs::path documents = home_ / u8"我的文档";
    folders::SetOverride(folders::KnownFolder::Documents, Gbk(documents));
    folders::SetOverride(folders::KnownFolder::Temporary, Gbk(home_ / "tmp") + "/");
    folders::SetOverride(folders::KnownFolder::Program, Gbk(home_ / "bin"));
    folders::SetProgramFileNameOverride("a.exe");

    EXPECT_EQ(folders::Folder(folders::KnownFolder::Documents), Gbk(documents) + "/");
    EXPECT_TRUE(fs::is_directory(documents));
    EXPECT_EQ(folders::Folder(folders::KnownFolder::Temporary), Gbk(home_ / "tmp") + "/");
    EXPECT_EQ(folders::Folder(folders::KnownFolder::Program), Gbk(home_ / "bin") + "/");
    EXPECT_EQ(folders::ProgramFileName(), "a.exe");
    EXPECT_EQ(folders::ProgramFilePath(), Gbk(home_ / "bin" / "a.exe"));

    folders::SetOverride(folders::KnownFolder::Temporary, "");
    const ScopedEnvironment tmp("TMPDIR", nullptr);
    EXPECT_EQ(folders::Folder(folders::KnownFolder::Temporary), "/tmp/");
    folders::ClearOverrides();
    EXPECT_EQ(folders::ProgramFileName(), Gbk(fs::canonical("/proc/self/exe").filename()));
}

}  // namespace
