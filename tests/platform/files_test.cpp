#include "platform/kernel/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/codepage.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using verdel_test::RunUnprivileged;

// A fresh folder per test; `Gbk` gives the path as the program spells it.
class FilesTest : public testing::Test {
  protected:
    std::string Gbk(const std::string& gbkName) const { return temp_.Gbk(gbkName); }
    fs::path Disk(const char8_t* utf8Name) const { return dir_ / utf8Name; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    static std::string ReadDisk(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    verdel_test::TempFolder temp_{"verdel-files"};
    fs::path dir_ = temp_.Disk();
};

TEST_F(FilesTest, GbkNamesAreUtf8OnDiskAndBytesRoundTrip) {
    const std::string bytes = "[偏好设置]\r\n\0\xFF\n"s;
    ASSERT_TRUE(files::WriteWholeFile(Gbk("Verdel_配置.ini"), bytes));
    EXPECT_EQ(ReadDisk(Disk(u8"Verdel_配置.ini")), bytes);
    EXPECT_EQ(Names().size(), 1u);  // nothing left beside it

    std::string read = "old";
    ASSERT_TRUE(files::ReadWholeFile(Gbk("Verdel_配置.ini"), &read));
    EXPECT_EQ(read, bytes);
    // Backslashes separate folders, as in the program's own paths.
    ASSERT_TRUE(
        files::ReadWholeFile(codepage::Utf8ToGbk(dir_.string()) + "\\Verdel_配置.ini", &read));
    EXPECT_EQ(read, bytes);
    EXPECT_TRUE(files::Exists(Gbk("Verdel_配置.ini")));
}

TEST_F(FilesTest, WriteReplacesAndKeepsPermissions) {
    const std::string path = Gbk("播放.htm");
    ASSERT_TRUE(files::WriteWholeFile(path, std::string(100000, 'a')));
    fs::permissions(Disk(u8"播放.htm"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(files::WriteWholeFile(path, "short"));
    EXPECT_EQ(ReadDisk(Disk(u8"播放.htm")), "short");
    EXPECT_EQ(fs::status(Disk(u8"播放.htm")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(files::WriteWholeFile(path, ""));
    EXPECT_EQ(fs::file_size(Disk(u8"播放.htm")), 0u);
    EXPECT_EQ(Names().size(), 1u);
}

TEST_F(FilesTest, WriteThroughALinkReplacesTheLinkedFile) {
    ASSERT_TRUE(files::WriteWholeFile(Gbk("real.txt"), "old"));
    fs::create_symlink(Disk(u8"real.txt"), Disk(u8"link.txt"));
    ASSERT_TRUE(files::WriteWholeFile(Gbk("link.txt"), "new"));
    EXPECT_TRUE(fs::is_symlink(Disk(u8"link.txt")));
    EXPECT_EQ(ReadDisk(Disk(u8"real.txt")), "new");
}

TEST_F(FilesTest, FailuresAreReportedAndTouchNothing) {
    std::string read = "untouched";
    EXPECT_FALSE(files::ReadWholeFile(Gbk("missing"), &read));
    EXPECT_FALSE(files::ReadWholeFile(codepage::Utf8ToGbk(dir_.string()), &read));  // a folder
    EXPECT_EQ(read, "untouched");
    EXPECT_FALSE(files::WriteWholeFile(Gbk("no/such/folder.txt"), "x"));
    EXPECT_FALSE(files::WriteWholeFile(codepage::Utf8ToGbk(dir_.string()), "x"));
    EXPECT_FALSE(files::Delete(Gbk("missing")));
    fs::create_directory(Disk(u8"子目录"));
    EXPECT_FALSE(win::DeleteFileA(Gbk("子目录").c_str()));
    EXPECT_TRUE(fs::is_directory(Disk(u8"子目录")));

    // A folder the program may not write to keeps the old file.
    ASSERT_TRUE(files::WriteWholeFile(Gbk("a.txt"), "old"));
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    const std::string path = Gbk("a.txt");
    const auto changed = RunUnprivileged(
        [&] { return files::WriteWholeFile(path, "new") || win::DeleteFileA(path.c_str()); });
    ASSERT_TRUE(changed.has_value());
    EXPECT_FALSE(*changed);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadDisk(Disk(u8"a.txt")), "old");
    EXPECT_EQ(Names().size(), 2u);
}

TEST_F(FilesTest, DeleteAndMove) {
    ASSERT_TRUE(files::WriteWholeFile(Gbk("甲.txt"), "1"));
    ASSERT_TRUE(files::WriteWholeFile(Gbk("乙.txt"), "2"));
    EXPECT_FALSE(win::MoveFileA(Gbk("甲.txt").c_str(), Gbk("乙.txt").c_str()));
    EXPECT_EQ(ReadDisk(Disk(u8"乙.txt")), "2");
    EXPECT_TRUE(win::MoveFileA(Gbk("甲.txt").c_str(), Gbk("丙.txt").c_str()));
    EXPECT_TRUE(files::Move(Gbk("丙.txt"), Gbk("乙.txt")));
    EXPECT_EQ(ReadDisk(Disk(u8"乙.txt")), "1");
    EXPECT_TRUE(win::DeleteFileA(Gbk("乙.txt").c_str()));
    EXPECT_FALSE(files::Exists(Gbk("乙.txt")));
    EXPECT_TRUE(Names().empty());
}

TEST_F(FilesTest, AttributesOfFilesAndFolders) {
    EXPECT_EQ(win::GetFileAttributesA(Gbk("missing").c_str()), win::INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(win::SetFileAttributesA(Gbk("missing").c_str(), win::FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(win::GetFileAttributesA(Gbk("").c_str()), win::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(win::PathIsDirectoryA(Gbk("").c_str()), 0x10);

    const std::string path = Gbk("Verdel_缓冲.swf");
    ASSERT_TRUE(files::WriteWholeFile(path, "CWS"));
    EXPECT_EQ(win::PathIsDirectoryA(path.c_str()), win::FALSE);
    EXPECT_EQ(win::GetFileAttributesA(path.c_str()), win::FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(win::GetFileAttributesA(path.c_str()), win::FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(win::GetFileAttributesA(path.c_str()), win::FILE_ATTRIBUTE_NORMAL);
}

std::string HiddenValueSeenByAnotherProcess(const fs::path& path) {
    const std::string command =
        "getfattr --only-values -n user.verdel.hidden '" + path.string() + "' 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string value;
    char chunk[64];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        value.append(chunk, got);
    }
    ::pclose(pipe);
    return value;
}

TEST_F(FilesTest, HiddenAttributeIsStoredOnTheFile) {
    const std::string path = Gbk("Verdel_播放.htm");
    ASSERT_TRUE(files::WriteWholeFile(path, "<html>"));
    EXPECT_TRUE(
        win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_NORMAL));  // nothing to clear
    if (!win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_HIDDEN)) {
        EXPECT_FALSE(files::IsHidden(path));
        GTEST_SKIP() << "this file system stores no user extended attributes";
    }
    EXPECT_EQ(win::GetFileAttributesA(path.c_str()), win::FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(HiddenValueSeenByAnotherProcess(Disk(u8"Verdel_播放.htm")), "1");

    // Written anew, the file starts without attributes.
    ASSERT_TRUE(files::WriteWholeFile(path, "<html>2"));
    EXPECT_FALSE(files::IsHidden(path));

    ASSERT_TRUE(files::SetHidden(path, true));
    ASSERT_TRUE(win::SetFileAttributesA(path.c_str(), win::FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(win::GetFileAttributesA(path.c_str()), win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(HiddenValueSeenByAnotherProcess(Disk(u8"Verdel_播放.htm")), "");

    fs::create_directory(Disk(u8"目录"));
    ASSERT_TRUE(win::SetFileAttributesA(Gbk("目录").c_str(), win::FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(win::GetFileAttributesA(Gbk("目录").c_str()),
              win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_HIDDEN);
}

// Readers racing with writers see one whole version, never a mix or a cut.
TEST_F(FilesTest, ReadersNeverSeeAHalfWrittenFile) {
    const std::string path = Gbk("race.txt");
    const std::string versionA(200000, 'a');
    const std::string versionB(100000, 'b');
    ASSERT_TRUE(files::WriteWholeFile(path, versionA));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 40; ++i) {
            files::WriteWholeFile(path, i % 2 == 0 ? versionB : versionA);
        }
        done = true;
    });
    int reads = 0;
    while (!done || reads == 0) {
        std::string read;
        ASSERT_TRUE(files::ReadWholeFile(path, &read));
        ASSERT_TRUE(read == versionA || read == versionB) << read.size();
        ++reads;
    }
    writer.join();
    EXPECT_EQ(Names().size(), 1u);
}

}  // namespace
