#include "app/settings.h"

#include <charconv>
#include <cstddef>

#include "app/catalog.h"
#include "platform/kernel/folders.h"
#include "platform/kernel/profile.h"

namespace app {

namespace {

// A version counts as higher than this release only beyond this margin.
constexpr double kVersionMargin = 0.0000001;

std::string Read(const std::string& path, std::string_view section, std::string_view key) {
    return profile::ReadString(path, section, key);
}

bool Write(const std::string& path, std::string_view section, std::string_view key,
           std::string_view value) {
    return profile::WriteString(path, section, key, value);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string SettingsPath() {
    return SettingsPathIn(folders::Folder(folders::KnownFolder::Documents));
}

std::string SettingsPathIn(std::string_view documentsFolder) {
    return std::string(documentsFolder) + std::string(kSettingsFileName);
}

void ReadPreferences(const std::string& settingsPath, Preferences& preferences) {
    preferences.PreferredCategory = Read(settingsPath, kPreferenceSection, kCategoryKey);
    preferences.PreferredLanguage = Read(settingsPath, kPreferenceSection, kLanguageKey);
    preferences.PreferredSource = Read(settingsPath, kPreferenceSection, kSourceKey);
    if (preferences.PreferredSource.empty()) {
        preferences.PreferredSource = PlaySource::kSohu;
    }
}

double VersionNumber(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    if (end < text.size() && text[end] == '.') {
        std::size_t fraction = end + 1;
        while (fraction < text.size() && IsDigit(text[fraction])) {
            ++fraction;
        }
        if (fraction > end + 1) {
            end = fraction;  // a point counts only with digits behind it
        }
    }
    double value = 0;
    if (end > 0 && std::from_chars(text.data(), text.data() + end, value).ec != std::errc()) {
        return 0;
    }
    return value;
}

void NormaliseVersion(const std::string& settingsPath, Preferences& preferences) {
    preferences.InstalledVersion = Read(settingsPath, kVersionSection, kVersionKey);
    const double release = VersionNumber(kReleaseVersion);
    if (preferences.InstalledVersion.empty() ||
        !(VersionNumber(preferences.InstalledVersion) - release > kVersionMargin)) {
        preferences.InstalledVersion = kReleaseVersion;
        Write(settingsPath, kVersionSection, kVersionKey, kReleaseVersion);
    }
}

bool SavePreferences(const std::string& settingsPath, int categoryItem, int languageItem,
                     int sourceItem, Preferences& preferences) {
    preferences.PreferredCategory = categoryItem != 0 ? Category::kFilm : Category::kTv;
    preferences.PreferredLanguage =
        languageItem != 0 ? AudioLanguage::kJapanese : AudioLanguage::kMandarin;
    preferences.PreferredSource = sourceItem == 0   ? PlaySource::kSohu
                                  : sourceItem == 1 ? PlaySource::kLetv
                                                    : PlaySource::kIqiyi;
    bool saved =
        Write(settingsPath, kPreferenceSection, kCategoryKey, preferences.PreferredCategory);
    saved = Write(settingsPath, kPreferenceSection, kLanguageKey, preferences.PreferredLanguage) &&
            saved;
    saved =
        Write(settingsPath, kPreferenceSection, kSourceKey, preferences.PreferredSource) && saved;
    return saved;
}

std::string SaveFailedMessage(std::string_view settingsPath) {
    return "设置未能保存，无法写入文件：\r\n" + std::string(settingsPath);
}

}  // namespace app
