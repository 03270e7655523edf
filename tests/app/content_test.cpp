#include "content/embedded.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::filesystem::path kContentFolder =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "content";

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(EmbeddedContentTest, EveryFileInAContentFolderIsEmbeddedByteForByte) {
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kContentFolder)) {
        const std::string name = entry.path().lexically_relative(kContentFolder).generic_string();
        if (!entry.is_regular_file() || name.find('/') == std::string::npos) {
            continue;
        }
        ++files;
        const std::string_view bytes = content::Get(name);
        EXPECT_EQ(bytes, FileBytes(entry.path())) << name;
        EXPECT_EQ(bytes.data()[bytes.size()], '\0') << name;
    }
    EXPECT_GE(files, 11);
    EXPECT_EQ(content::All().size(), static_cast<std::size_t>(files));
}

TEST(EmbeddedContentTest, UnknownNamesAndTopLevelFilesGiveNothing) {
    for (const char* name : {"", "catalog", "catalog/", "catalog/Missing.txt", "CMakeLists.txt",
                             "embedded.h", "catalog/mandarintitles.txt"}) {
        EXPECT_TRUE(content::Get(name).empty()) << name;
    }
    EXPECT_FALSE(content::Get("catalog/MandarinTitles.txt").empty());
}

TEST(EmbeddedContentTest, BlocksAreOrderedByName) {
    const auto blocks = content::All();
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        EXPECT_LT(blocks[i - 1].name, blocks[i].name);
    }
}

}  // namespace
