#pragma once
// Finding a text inside a GBK text: a match only starts on the first byte
// of a character. Positions are 0-based byte offsets.
#include <cstddef>
#include <string>
#include <string_view>

namespace net {

constexpr std::size_t kNotFound = std::string_view::npos;

// The first occurrence of `what` at or after `from`; kNotFound when there
// is none. Without regard to case folds A-Z only.
std::size_t FindText(std::string_view text, std::string_view what, std::size_t from = 0,
                     bool ignoreCase = false);

// A-Z folded to a-z, every other byte as it is.
std::string LowerAscii(std::string_view text);

}  // namespace net
