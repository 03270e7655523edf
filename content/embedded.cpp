#include "content/embedded.h"

#include <algorithm>
#include <vector>

#include "content/embedded_table.h"

namespace content {

namespace {

std::vector<Block> MakeBlocks() {
    std::vector<Block> blocks;
    blocks.reserve(detail::kBlockCount);
    for (std::size_t i = 0; i < detail::kBlockCount; ++i) {
        const detail::BlockRecord& record = detail::kBlocks[i];
        blocks.push_back({record.name, std::string_view(record.bytes, *record.size)});
    }
    return blocks;
}

const std::vector<Block>& Blocks() {
    static const std::vector<Block> blocks = MakeBlocks();  // sorted by the build
    return blocks;
}

}  // namespace

std::string_view Get(std::string_view name) {
    const std::vector<Block>& blocks = Blocks();
    auto found =
        std::lower_bound(blocks.begin(), blocks.end(), name,
                         [](const Block& block, std::string_view n) { return block.name < n; });
    if (found == blocks.end() || found->name != name) {
        return {};
    }
    return found->bytes;
}

std::span<const Block> All() {
    return Blocks();
}

}  // namespace content
