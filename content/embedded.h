#pragma once
// The content data built into the program: the files under content/, each
// found by its path relative to that folder ("catalog/MandarinTitles.txt").
#include <span>
#include <string_view>

namespace content {

struct Block {
    std::string_view name;
    std::string_view bytes;
};

// The bytes of one embedded file; the empty view when no file has that name.
// The bytes live as long as the program and are followed by a NUL byte.
std::string_view Get(std::string_view name);

// Every embedded file, ordered by name.
std::span<const Block> All();

}  // namespace content
