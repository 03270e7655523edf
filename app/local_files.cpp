#include "app/local_files.h"

#include "app/settings.h"
#include "content/embedded.h"
#include "platform/kernel/files.h"
#include "platform/kernel/folders.h"

namespace app {

namespace {

std::string InFolder(folders::KnownFolder folder, std::string_view name) {
    return folders::Folder(folder) + std::string(name);
}

// A failed delete is passed over: the next start or shutdown tries again.
void DeleteIfExists(const std::string& path) {
    if (files::Exists(path)) {
        win::DeleteFileA(path.c_str());
    }
}

}  // namespace

LocalFilePaths CurrentLocalFilePaths() {
    using folders::KnownFolder;
    return {
        .SettingsPath = SettingsPath(),
        .LatestEpisodesPath = InFolder(KnownFolder::Documents, kLatestEpisodesFileName),
        .PlayFilePath = InFolder(KnownFolder::Temporary, kPlayFileName),
        .BufferFilePath = InFolder(KnownFolder::Temporary, kBufferFileName),
    };
}

std::string UpdateLeftoverPath() {
    return InFolder(folders::KnownFolder::Program, kUpdateLeftoverName);
}

std::string_view LoadingMovie() {
    return content::Get(kLoadingMovieContent);
}

void DeleteUpdateLeftover() {
    DeleteIfExists(UpdateLeftoverPath());
}

void WriteBufferFileIfMissing(const std::string& bufferFilePath) {
    if (files::Exists(bufferFilePath)) {
        return;
    }
    if (files::WriteWholeFile(bufferFilePath, LoadingMovie())) {
        win::SetFileAttributesA(bufferFilePath.c_str(), win::FILE_ATTRIBUTE_HIDDEN);
    }
}

void CreateLatestEpisodesFileIfMissing(const std::string& latestEpisodesPath) {
    if (!files::Exists(latestEpisodesPath)) {
        files::WriteWholeFile(latestEpisodesPath, "");
    }
}

void DeleteTemporaryFiles(const LocalFilePaths& paths) {
    DeleteIfExists(paths.PlayFilePath);
    DeleteIfExists(paths.BufferFilePath);
}

}  // namespace app
