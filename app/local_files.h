#pragma once
// The files the program keeps beside its windows: the settings file and the
// stored 日语 additions in the Documents folder, the play file and the
// loading movie (the buffer file) in the temporary folder, and what a
// self-update leaves in the program's own folder.
//
// The start-up and shutdown steps that touch them never report a failure: a
// file that cannot be written or deleted is passed over and the program goes on.
#include <string>
#include <string_view>

namespace app {

inline constexpr std::string_view kLatestEpisodesFileName = "Verdel_最新集数.txt";
inline constexpr std::string_view kPlayFileName = "Verdel_播放.htm";
inline constexpr std::string_view kBufferFileName = "Verdel_缓冲.swf";
inline constexpr std::string_view kUpdateLeftoverName = "Verdel.exe.tmp";

// The name of the loading movie among the embedded content.
inline constexpr std::string_view kLoadingMovieContent = "movie/loading.swf";

// The four paths the program sets at start-up (SettingsPath of settings.h
// gives the first), each its folder followed directly by the file name.
struct LocalFilePaths {
    std::string SettingsPath;        // Documents + "Verdel_配置.ini"
    std::string LatestEpisodesPath;  // Documents + "Verdel_最新集数.txt"
    std::string PlayFilePath;        // temporary folder + "Verdel_播放.htm"
    std::string BufferFilePath;      // temporary folder + "Verdel_缓冲.swf"
};

// The paths in the folders as they are now.
LocalFilePaths CurrentLocalFilePaths();

// The program's own folder + "Verdel.exe.tmp".
std::string UpdateLeftoverPath();

// The built-in loading movie, byte for byte as the buffer file holds it.
std::string_view LoadingMovie();

// Start-up: deletes "Verdel.exe.tmp" in the program's folder when it is there.
void DeleteUpdateLeftover();

// Start-up: when the buffer file is missing, writes the loading movie to it
// and gives it the hidden attribute (and no other). A present file, of any
// content, is left as it is.
void WriteBufferFileIfMissing(const std::string& bufferFilePath);

// Start-up: when the file of stored additions is missing, creates it empty.
void CreateLatestEpisodesFileIfMissing(const std::string& latestEpisodesPath);

// Shutdown: deletes the play file, then the buffer file, each when it exists.
void DeleteTemporaryFiles(const LocalFilePaths& paths);

}  // namespace app
