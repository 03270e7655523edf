#include "platform/kernel/profile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/files.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using verdel_test::RunUnprivileged;

class ProfileTest : public testing::Test {
  protected:
    void SetUp() override { path_ = temp_.Gbk("Verdel_配置.ini"); }
    void Put(const std::string& bytes) { ASSERT_TRUE(files::WriteWholeFile(path_, bytes)); }
    std::string Bytes() const {
        std::string bytes;
        files::ReadWholeFile(path_, &bytes);
        return bytes;
    }
    std::string Read(const char* section, const char* key, const char* fallback = "",
                     win::DWORD size = 256) const {
        std::vector<char> buffer(size + 1, 'x');
        const win::DWORD copied = win::GetPrivateProfileStringA(section, key, fallback,
                                                                buffer.data(), size, path_.c_str());
        EXPECT_EQ(buffer[copied], '\0');
        return std::string(buffer.data(), copied);
    }
    bool Write(const char* section, const char* key, const char* value) {
        return win::WritePrivateProfileStringA(section, key, value, path_.c_str()) == win::TRUE;
    }

    verdel_test::TempFolder temp_{"verdel-profile"};
    fs::path dir_ = temp_.Disk();
    std::string path_;
};

// A file with something wrong on almost every line.
const std::string kMessy =
    "garbage before any section\0\xFF\r\n"s
    "key=outside\r\n"
    "[偏好设置]\r\n"
    "  分类  =  剧场版 \t \r\n"
    "语言=\"日语\"\r\n"
    "播放源\r\n"
    "empty =\r\n"
    "a=b=c\r\n"
    "\r\n"
    "[Other]\n"
    "KEY=Upper\n"
    "key=second\n"
    "nul=a\0b\n"s
    "[other]\n"
    "more=ignored\n"
    "[筣]\n"
    "k=bracket byte\n"
    "[笰]\n"
    "k=letter byte\n"
    "[ 版本号 ]\r\n"
    "版本号=2.1";

TEST_F(ProfileTest, ReadsValuesFromAMessyFile) {
    Put(kMessy);
    struct Case {
        const char* section;
        const char* key;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"偏好设置", "分类", "剧场版"},  // blanks around name and value
        {"偏好设置", "语言", "日语"},    // quotes removed
        {"偏好设置", "播放源", "默认"},  // no "=": not a key
        {"偏好设置", "empty", ""},       // empty, yet present
        {"偏好设置", "a", "b=c"},
        {"偏好设置", "key", "默认"},  // only lines of the section count
        {"other", "key", "Upper"},    // names without regard to case
        {"OTHER", "Key", "Upper"},    // the first match wins
        {"other", "more", "默认"},    // a second section of the name is not read
        {"other", "nul", "a"},        // a NUL ends the value
        {"筣", "k", "bracket byte"},  // "]" as a second byte
        {"笰", "k", "letter byte"},
        {"筧", "k", "默认"},          // second bytes never fold
        {"版本号", "版本号", "2.1"},  // last line without a line end
        {"missing", "k", "默认"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.section, c.key, "默认"), c.value) << c.section << "/" << c.key;
        if (c.value != "默认") {
            EXPECT_EQ(profile::ReadString(path_, c.section, c.key), c.value);
        }
    }
}

TEST_F(ProfileTest, MissingFileReadsDefaultsAndStaysMissing) {
    EXPECT_EQ(Read("偏好设置", "分类", "TV版  "), "TV版");  // trailing blanks of the default go
    EXPECT_EQ(Read("偏好设置", "分类", nullptr), "");
    EXPECT_EQ(profile::ReadString(path_, "偏好设置", "分类"), "");
    EXPECT_FALSE(files::Exists(path_));
}

TEST_F(ProfileTest, ValuesAreCutToTheBufferWithoutSplittingACharacter) {
    Put("[s]\r\nk=国语abc\r\n");
    EXPECT_EQ(Read("s", "k", "", 8), "国语abc");
    EXPECT_EQ(Read("s", "k", "", 6), "国语a");
    EXPECT_EQ(Read("s", "k", "", 4), "国");
    EXPECT_EQ(Read("s", "k", "", 3), "国");
    EXPECT_EQ(Read("s", "k", "", 2), "");
    EXPECT_EQ(Read("s", "k", "", 1), "");
}

TEST_F(ProfileTest, ListsSectionAndKeyNames) {
    Put(kMessy);
    EXPECT_EQ(Read(nullptr, nullptr), "偏好设置\0Other\0other\0筣\0笰\0版本号\0"s);
    EXPECT_EQ(Read("偏好设置", nullptr), "分类\0语言\0empty\0a\0"s);
    EXPECT_EQ(Read("偏好设置", nullptr, "", 7), "分类\0"s);  // cut: size - 2 bytes
}

TEST_F(ProfileTest, WritingCreatesTheFileWithCrLf) {
    ASSERT_TRUE(Write("版本号", "版本号", "2.0"));
    EXPECT_EQ(Bytes(), "[版本号]\r\n版本号=2.0\r\n");
    ASSERT_TRUE(Write("偏好设置", "分类", "TV版"));
    ASSERT_TRUE(Write("偏好设置", "语言", "国语"));
    ASSERT_TRUE(Write("版本号", "版本号", "2.1"));
    EXPECT_EQ(Bytes(),
              "[版本号]\r\n版本号=2.1\r\n"
              "[偏好设置]\r\n分类=TV版\r\n语言=国语\r\n");
    EXPECT_EQ(profile::ReadString(path_, "偏好设置", "语言"), "国语");
}

// One value changes; every other byte stays, LF-only lines and garbage too.
TEST_F(ProfileTest, WritingKeepsEveryOtherByte) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        std::string before;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"偏好设置", "分类", "TV版", "x\0\xFF\n[偏好设置]\n  分类 = 剧场版 \n语言=日语\n"s,
         "x\0\xFF\n[偏好设置]\n  分类=TV版\r\n语言=日语\n"s},
        {"OTHER", "NEW", "1", "[a]\r\nk=v\r\n[other]\r\nk=v\r\n\r\n\r\n[c]\r\n",
         "[a]\r\nk=v\r\n[other]\r\nk=v\r\nNEW=1\r\n\r\n\r\n[c]\r\n"},
        {"a", "b", "2", "[a]\r\nk=1", "[a]\r\nk=1\r\nb=2\r\n"},
        {"a", "b", "2", "[a]\r\nk=1\r", "[a]\r\nk=1\r\r\nb=2\r\n"},
        {"a", "b", "2", "[a]", "[a]\r\nb=2\r\n"},
        {"new", "k", "v", "junk only\n", "junk only\n[new]\r\nk=v\r\n"},
        {"new", "k", "v", "no line end", "no line end\r\n[new]\r\nk=v\r\n"},
        {"s", "K", "2", "[s]\nk=1\nK=3\n", "[s]\nk=2\r\nK=3\n"},  // the key keeps its spelling
        {"s", "k", "a\r\n[evil]\r\nx=y", "", "[s]\r\nk=a\r\n"},   // values stay on their line
    };
    for (const Case& c : cases) {
        Put(c.before);
        ASSERT_TRUE(Write(c.section, c.key, c.value)) << c.before;
        EXPECT_EQ(Bytes(), c.after) << c.before;
    }
}

TEST_F(ProfileTest, DeletingKeysAndSections) {
    const std::string before = "[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n[c]\r\n";
    Put(before);
    ASSERT_TRUE(Write("a", "K", nullptr));
    EXPECT_EQ(Bytes(), "[a]\r\nj=2\r\n[b]\r\nk=3\r\n[c]\r\n");
    ASSERT_TRUE(Write("B", nullptr, nullptr));
    EXPECT_EQ(Bytes(), "[a]\r\nj=2\r\n[c]\r\n");
    ASSERT_TRUE(Write("missing", nullptr, nullptr));
    ASSERT_TRUE(Write("a", "missing", nullptr));
    EXPECT_EQ(Bytes(), "[a]\r\nj=2\r\n[c]\r\n");
    files::Delete(path_);
    ASSERT_TRUE(Write("a", "k", nullptr));
    EXPECT_FALSE(files::Exists(path_));  // deleting from nothing creates nothing
}

TEST_F(ProfileTest, NamesThatCannotBeReadBackAreRefused) {
    Put("[s]\r\n");
    EXPECT_FALSE(Write("a]b", "k", "v"));
    EXPECT_FALSE(Write("a\nb", "k", "v"));
    EXPECT_FALSE(Write("s", "a=b", "v"));
    EXPECT_FALSE(Write("s", "a\r\nb", "v"));
    EXPECT_FALSE(Write("s", " ", "v"));
    EXPECT_FALSE(Write("s\xB9", "k", "v"));  // a two-byte character cut short
    EXPECT_FALSE(Write(nullptr, "k", "v"));
    EXPECT_EQ(Bytes(), "[s]\r\n");
    EXPECT_TRUE(Write("筣", "筣", "v"));
    EXPECT_EQ(profile::ReadString(path_, "筣", "筣"), "v");
}

TEST_F(ProfileTest, FailedWritesSayFalseAndKeepTheOldFile) {
    Put("[s]\r\nk=old\r\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    fs::permissions(codepage::GbkToUtf8(path_), fs::perms::owner_read | fs::perms::owner_write |
                                                    fs::perms::group_read | fs::perms::others_read);
    const std::string path = path_;
    const auto wrote = RunUnprivileged([&] {
        return win::WritePrivateProfileStringA("s", "k", "new", path.c_str()) == win::TRUE;
    });
    ASSERT_TRUE(wrote.has_value());
    EXPECT_FALSE(*wrote);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(Bytes(), "[s]\r\nk=old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

    EXPECT_FALSE(
        win::WritePrivateProfileStringA("s", "k", "v", (path_ + "/missing/a.ini").c_str()));
    // A path that cannot be read is never replaced.
    fs::remove(codepage::GbkToUtf8(path_));
    fs::create_directory(codepage::GbkToUtf8(path_));
    EXPECT_FALSE(Write("s", "k", "v"));
    EXPECT_TRUE(files::IsDirectory(path_));
}

// Writes from many threads to one file all arrive.
TEST_F(ProfileTest, ConcurrentWritesLoseNothing) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < 10; ++i) {
                const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
                EXPECT_TRUE(profile::WriteString(path_, "并发", key, std::to_string(i)));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 10; ++i) {
            const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
            EXPECT_EQ(profile::ReadString(path_, "并发", key), std::to_string(i));
        }
    }
}

}  // namespace
