#pragma once
// The table that the build generates from the files under content/; only
// embedded.cpp reads it.
#include <cstddef>
#include <cstdint>

namespace content::detail {

struct BlockRecord {
    const char* name;
    const char* bytes;
    const std::uint64_t* size;
};

extern const BlockRecord kBlocks[];
extern const std::size_t kBlockCount;

}  // namespace content::detail
