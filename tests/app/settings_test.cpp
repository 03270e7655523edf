#include "app/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel/codepage.h"
#include "platform/kernel/folders.h"
#include "platform/kernel/profile.h"
#include "support/temp_folder.h"

namespace app {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { path = SettingsPathIn(temp.Gbk()); }

    // The file on disk: its name is GBK in the program, UTF-8 on disk.
    std::filesystem::path DiskPath() const { return codepage::GbkToUtf8(path); }

    std::string FileBytes() const {
        std::ifstream file(DiskPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // The non-empty lines of the file, without their line breaks.
    std::vector<std::string> FileLines() const {
        std::vector<std::string> lines;
        std::string line;
        for (char c : FileBytes()) {
            if (c == '\r' || c == '\n') {
                if (!line.empty()) {
                    lines.push_back(line);
                }
                line.clear();
            } else {
                line += c;
            }
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
        return lines;
    }

    void Put(std::string_view section, std::string_view key, std::string_view value) {
        ASSERT_TRUE(profile::WriteString(path, section, key, value));
    }

    std::string Get(std::string_view section, std::string_view key) const {
        return profile::ReadString(path, section, key);
    }

    verdel_test::TempFolder temp{"verdel-settings"};
    std::filesystem::path folder = temp.Disk();
    std::string path;
    Preferences preferences;
};

TEST_F(SettingsTest, PathIsTheDocumentsFolderAndTheFileName) {
    EXPECT_EQ(SettingsPathIn("C:\\Users\\me\\Documents\\"),
              "C:\\Users\\me\\Documents\\Verdel_配置.ini");
    folders::SetOverride(folders::KnownFolder::Documents, folder.string());
    EXPECT_EQ(SettingsPath(), folder.string() + "/Verdel_配置.ini");
    folders::ClearOverrides();
}

TEST_F(SettingsTest, NoFileGivesDefaultsAndLeavesOnlyTheVersionBehind) {
    ReadPreferences(path, preferences);
    NormaliseVersion(path, preferences);

    EXPECT_EQ(preferences.PreferredCategory, "");
    EXPECT_EQ(preferences.PreferredLanguage, "");
    EXPECT_EQ(preferences.PreferredSource, "搜狐");
    EXPECT_EQ(preferences.InstalledVersion, "2.0");
    EXPECT_EQ(FileLines(), (std::vector<std::string>{"[版本号]", "版本号=2.0"}));
}

TEST_F(SettingsTest, PreferencesAreKeptAsWritten) {
    Put("偏好设置", "分类", "剧场版");
    Put("偏好设置", "语言", "abc");
    Put("偏好设置", "播放源", "爱奇艺");
    ReadPreferences(path, preferences);
    EXPECT_EQ(preferences.PreferredCategory, "剧场版");
    EXPECT_EQ(preferences.PreferredLanguage, "abc");
    EXPECT_EQ(preferences.PreferredSource, "爱奇艺");
}

TEST_F(SettingsTest, MissingSourceReadsAsSohuAndStaysMissing) {
    Put("偏好设置", "分类", "TV版");
    Put("偏好设置", "语言", "日语");
    const std::string before = FileBytes();

    ReadPreferences(path, preferences);

    EXPECT_EQ(preferences.PreferredSource, "搜狐");
    EXPECT_EQ(Get("偏好设置", "播放源"), "");
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(SettingsTest, VersionsNotAboveThisReleaseAreRewritten) {
    struct Case {
        const char* stored;
        const char* kept;
    } cases[] = {
        {"x", "2.0"},         {"1.5", "2.0"},     {"2.0", "2.0"}, {"2", "2.0"},
        {"", "2.0"},          {"1.99999", "2.0"}, {"2.1", "2.1"}, {"2.1.3", "2.1.3"},
        {"10", "10"},         {"3beta", "3beta"}, {"v3", "2.0"},  {"2.00000001", "2.0"},
        {"2.0001", "2.0001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Put("版本号", "版本号", c.stored);
        NormaliseVersion(path, preferences);
        EXPECT_EQ(preferences.InstalledVersion, c.kept);
        EXPECT_EQ(Get("版本号", "版本号"), c.kept);
    }
}

TEST(VersionNumberTest, TakesTheLongestLeadingDecimalNumber) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"2.0", 2.0}, {"2.1.3", 2.1}, {"2.05", 2.05},  {"x", 0},  {"", 0},     {"12", 12},
        {"3.", 3},    {".5", 0.5},    {"1.5abc", 1.5}, {"-1", 0}, {" 2.1", 0}, {"版本2", 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(VersionNumber(c.text), c.value) << c.text;
    }
}

TEST_F(SettingsTest, SaveWritesTheChosenItemsInOrder) {
    struct Case {
        int category, language, source;
        const char *categoryText, *languageText, *sourceText;
    } cases[] = {
        {0, 0, 0, "TV版", "国语", "搜狐"},
        {1, 1, 1, "剧场版", "日语", "乐视"},
        {0, 1, 2, "TV版", "日语", "爱奇艺"},
        {-1, 5, 9, "剧场版", "日语", "爱奇艺"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sourceText);
        std::filesystem::remove(DiskPath());
        EXPECT_TRUE(SavePreferences(path, c.category, c.language, c.source, preferences));
        EXPECT_EQ(preferences.PreferredCategory, c.categoryText);
        EXPECT_EQ(preferences.PreferredLanguage, c.languageText);
        EXPECT_EQ(preferences.PreferredSource, c.sourceText);
        EXPECT_EQ(FileLines(),
                  (std::vector<std::string>{"[偏好设置]", std::string("分类=") + c.categoryText,
                                            std::string("语言=") + c.languageText,
                                            std::string("播放源=") + c.sourceText}));
    }
}

TEST_F(SettingsTest, SaveKeepsOtherSectionsAndReadsBack) {
    Put("版本号", "版本号", "2.1");
    ASSERT_TRUE(SavePreferences(path, 1, 0, 1, preferences));
    Preferences read;
    ReadPreferences(path, read);
    NormaliseVersion(path, read);
    EXPECT_EQ(read.PreferredCategory, "剧场版");
    EXPECT_EQ(read.PreferredLanguage, "国语");
    EXPECT_EQ(read.PreferredSource, "乐视");
    EXPECT_EQ(read.InstalledVersion, "2.1");
}

TEST_F(SettingsTest, SaveThatCannotWriteReportsFailure) {
    // A folder that does not exist: nothing can be written, nothing is created.
    const std::string missing = SettingsPathIn(folder.string() + "/gone/");
    EXPECT_FALSE(SavePreferences(missing, 1, 1, 1, preferences));
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));

    // A folder standing where the file should be.
    std::filesystem::create_directory(DiskPath());
    EXPECT_FALSE(SavePreferences(path, 0, 0, 0, preferences));
    EXPECT_TRUE(std::filesystem::is_directory(DiskPath()));
    EXPECT_TRUE(std::filesystem::is_empty(DiskPath()));
}

TEST_F(SettingsTest, SaveIntoAReadOnlyFileReportsFailureAndLeavesItAlone) {
    Put("偏好设置", "分类", "TV版");
    const std::string before = FileBytes();
    // Everyone may read the folder and the file; nobody may write them.
    using std::filesystem::perms;
    const auto readOnly = perms::owner_read | perms::group_read | perms::others_read;
    std::filesystem::permissions(DiskPath(), readOnly);
    std::filesystem::permissions(
        folder, readOnly | perms::owner_exec | perms::group_exec | perms::others_exec);

    const auto saved =
        verdel_test::RunUnprivileged([&] { return SavePreferences(path, 1, 1, 2, preferences); });
    ASSERT_TRUE(saved.has_value());
    EXPECT_FALSE(*saved);

    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_EQ(FileBytes(), before);
}

TEST(SaveFailedMessageTest, NamesTheFile) {
    const std::string message = SaveFailedMessage("D:\\文档\\Verdel_配置.ini");
    EXPECT_NE(message.find("D:\\文档\\Verdel_配置.ini"), std::string::npos);
    EXPECT_NE(message.find("保存"), std::string::npos);
}

}  // namespace
}  // namespace app
