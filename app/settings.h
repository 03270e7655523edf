#pragma once
// The settings file: what the user chose to see at start-up and the installed
// version, in a profile (INI) file in the Documents folder. It is read and
// written only through the profile-string functions, one value at a time.
#include <string>
#include <string_view>

namespace app {

inline constexpr std::string_view kSettingsFileName = "Verdel_配置.ini";

inline constexpr std::string_view kPreferenceSection = "偏好设置";
inline constexpr std::string_view kCategoryKey = "分类";
inline constexpr std::string_view kLanguageKey = "语言";
inline constexpr std::string_view kSourceKey = "播放源";
inline constexpr std::string_view kVersionSection = "版本号";
inline constexpr std::string_view kVersionKey = "版本号";

// The version of this release, written when the file holds none or a lower one.
inline constexpr std::string_view kReleaseVersion = "2.0";

// Texts of the message boxes that report a save (caption of both: "提示：").
inline constexpr std::string_view kSaveMessageCaption = "提示：";
inline constexpr std::string_view kSavedMessage = "保存成功";

// The settings as the program holds them. The category and dub keep the text
// as read (empty when missing); the source is "搜狐" when the file has none.
struct Preferences {
    std::string PreferredCategory;
    std::string PreferredLanguage;
    std::string PreferredSource;
    std::string InstalledVersion;
};

// The Documents folder (with its trailing separator) + "Verdel_配置.ini".
std::string SettingsPath();
std::string SettingsPathIn(std::string_view documentsFolder);

// Reads the three "偏好设置" keys; writes nothing.
void ReadPreferences(const std::string& settingsPath, Preferences& preferences);

// Reads "版本号"/"版本号" into InstalledVersion; when it is empty or not
// higher than 2.0 it becomes "2.0", also in the file.
void NormaliseVersion(const std::string& settingsPath, Preferences& preferences);

// The numeric value of a version text: its longest leading decimal number
// ("2.1.3" counts as 2.1), 0 when it starts with none.
double VersionNumber(std::string_view text);

// Sets the three preferences from the settings window's selected items
// (category, dub, source) and writes them in that order. Returns whether
// every write succeeded; the caller shows kSavedMessage only then, else
// SaveFailedMessage.
bool SavePreferences(const std::string& settingsPath, int categoryItem, int languageItem,
                     int sourceItem, Preferences& preferences);

// The message that tells the user the settings could not be written to the file.
std::string SaveFailedMessage(std::string_view settingsPath);

}  // namespace app
