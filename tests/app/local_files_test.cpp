#include "app/local_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/settings.h"
#include "platform/kernel/codepage.h"
#include "platform/kernel/files.h"
#include "platform/kernel/folders.h"
#include "support/temp_folder.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using folders::KnownFolder;

// A home of its own: documents, temporary and program folders.
class LocalFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"documents", "temp", "program"}) {
            fs::create_directory(home.Disk() / name);
        }
        folders::SetOverride(KnownFolder::Documents, home.Gbk("documents"));
        folders::SetOverride(KnownFolder::Temporary, home.Gbk("temp"));
        folders::SetOverride(KnownFolder::Program, home.Gbk("program"));
        paths = CurrentLocalFilePaths();
    }
    void TearDown() override { folders::ClearOverrides(); }

    static fs::path Disk(const std::string& gbkPath) { return codepage::GbkToUtf8(gbkPath); }

    static std::string Bytes(const std::string& gbkPath) {
        std::ifstream file(Disk(gbkPath), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    static void Put(const std::string& gbkPath, std::string_view bytes) {
        ASSERT_TRUE(files::WriteWholeFile(gbkPath, bytes)) << gbkPath;
    }

    verdel_test::TempFolder home{"verdel-local-files"};
    LocalFilePaths paths;
};

TEST_F(LocalFilesTest, PathsAreTheFoldersFollowedByTheFileNames) {
    const std::string documents = home.Gbk("documents") + "/";
    const std::string temp = home.Gbk("temp") + "/";
    EXPECT_EQ(paths.SettingsPath, documents + "Verdel_配置.ini");
    EXPECT_EQ(paths.SettingsPath, SettingsPath());
    EXPECT_EQ(paths.LatestEpisodesPath, documents + "Verdel_最新集数.txt");
    EXPECT_EQ(paths.PlayFilePath, temp + "Verdel_播放.htm");
    EXPECT_EQ(paths.BufferFilePath, temp + "Verdel_缓冲.swf");
    EXPECT_EQ(UpdateLeftoverPath(), home.Gbk("program") + "/Verdel.exe.tmp");
    // The names are real names on disk.
    EXPECT_TRUE(Disk(paths.BufferFilePath).filename().u8string() == u8"Verdel_缓冲.swf");
}

TEST_F(LocalFilesTest, MissingBufferFileGetsTheMovieAndOnlyTheHiddenAttribute) {
    ASSERT_FALSE(LoadingMovie().empty());
    WriteBufferFileIfMissing(paths.BufferFilePath);

    EXPECT_EQ(Bytes(paths.BufferFilePath), LoadingMovie());
    const win::DWORD attributes = win::GetFileAttributesA(paths.BufferFilePath.c_str());
    const std::string probe = home.Gbk("probe");
    Put(probe, "");
    if (!files::SetHidden(probe, true)) {
        GTEST_SKIP() << "this file system stores no user extended attributes";
    }
    EXPECT_EQ(attributes, win::FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(LocalFilesTest, PresentBufferFileIsLeftUntouched) {
    Put(paths.BufferFilePath, "an older movie");
    const auto written = fs::last_write_time(Disk(paths.BufferFilePath));

    WriteBufferFileIfMissing(paths.BufferFilePath);

    EXPECT_EQ(Bytes(paths.BufferFilePath), "an older movie");
    EXPECT_FALSE(files::IsHidden(paths.BufferFilePath));
    EXPECT_EQ(fs::last_write_time(Disk(paths.BufferFilePath)), written);
}

TEST_F(LocalFilesTest, MissingLatestEpisodesFileIsCreatedEmptyAndAPresentOneIsKept) {
    CreateLatestEpisodesFileIfMissing(paths.LatestEpisodesPath);
    ASSERT_TRUE(fs::is_regular_file(Disk(paths.LatestEpisodesPath)));
    EXPECT_EQ(fs::file_size(Disk(paths.LatestEpisodesPath)), 0u);

    const std::string additions = "774-第774集-id1\r\n775-第775集-id2";
    Put(paths.LatestEpisodesPath, additions);
    CreateLatestEpisodesFileIfMissing(paths.LatestEpisodesPath);
    EXPECT_EQ(Bytes(paths.LatestEpisodesPath), additions);
}

TEST_F(LocalFilesTest, UpdateLeftoverIsDeletedAndNothingElse) {
    const std::string program = home.Gbk("program") + "/";
    Put(UpdateLeftoverPath(), "an old executable");
    Put(program + "Verdel.exe", "the executable");
    Put(program + "Verdel.exe.tmp.bak", "not ours");

    DeleteUpdateLeftover();
    EXPECT_FALSE(files::Exists(UpdateLeftoverPath()));
    EXPECT_EQ(Bytes(program + "Verdel.exe"), "the executable");
    EXPECT_TRUE(files::Exists(program + "Verdel.exe.tmp.bak"));

    DeleteUpdateLeftover();  // nothing left to delete
    EXPECT_TRUE(files::Exists(program + "Verdel.exe"));
}

TEST_F(LocalFilesTest, ShutdownRemovesPlayAndBufferFilesOnly) {
    WriteBufferFileIfMissing(paths.BufferFilePath);
    Put(paths.PlayFilePath, "<html></html>");
    CreateLatestEpisodesFileIfMissing(paths.LatestEpisodesPath);

    DeleteTemporaryFiles(paths);
    EXPECT_FALSE(files::Exists(paths.PlayFilePath));
    EXPECT_FALSE(files::Exists(paths.BufferFilePath));
    EXPECT_TRUE(files::Exists(paths.LatestEpisodesPath));

    DeleteTemporaryFiles(paths);  // both already gone
    // The next start writes the movie again.
    WriteBufferFileIfMissing(paths.BufferFilePath);
    EXPECT_EQ(Bytes(paths.BufferFilePath), LoadingMovie());
}

TEST_F(LocalFilesTest, UnwritableFoldersArePassedOverSilently) {
    using fs::perms;
    Put(paths.PlayFilePath, "<html></html>");
    Put(UpdateLeftoverPath(), "an old executable");
    const auto readOnly = perms::owner_read | perms::group_read | perms::others_read |
                          perms::owner_exec | perms::group_exec | perms::others_exec;
    for (const char* name : {"documents", "temp", "program"}) {
        fs::permissions(home.Disk() / name, readOnly);
    }

    const auto ran = verdel_test::RunUnprivileged([&] {
        DeleteUpdateLeftover();
        WriteBufferFileIfMissing(paths.BufferFilePath);
        CreateLatestEpisodesFileIfMissing(paths.LatestEpisodesPath);
        DeleteTemporaryFiles(paths);
        return true;
    });
    ASSERT_TRUE(ran.has_value());
    EXPECT_TRUE(*ran);

    for (const char* name : {"documents", "temp", "program"}) {
        fs::permissions(home.Disk() / name, perms::owner_all);
    }
    EXPECT_FALSE(files::Exists(paths.BufferFilePath));
    EXPECT_FALSE(files::Exists(paths.LatestEpisodesPath));
    EXPECT_TRUE(files::Exists(paths.PlayFilePath));
    EXPECT_TRUE(files::Exists(UpdateLeftoverPath()));
}

TEST_F(LocalFilesTest, AFolderInTheWayOfAFileIsLeftAlone) {
    fs::create_directory(Disk(paths.LatestEpisodesPath));
    fs::create_directory(Disk(paths.PlayFilePath));
    CreateLatestEpisodesFileIfMissing(paths.LatestEpisodesPath);
    DeleteTemporaryFiles(paths);
    EXPECT_TRUE(fs::is_directory(Disk(paths.LatestEpisodesPath)));
    EXPECT_TRUE(fs::is_directory(Disk(paths.PlayFilePath)));
}

}  // namespace
}  // namespace app
