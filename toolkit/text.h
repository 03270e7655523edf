#pragma once
// Text cutters, replacers and blank handling for the program's GBK texts.
//
// Texts are code page 936 byte strings: a byte of 0x80 or more starts a
// two-byte character and the byte after it is its second byte. Lengths and
// positions count bytes, positions are 1-based. A search steps over a
// two-byte character as a unit, so a match never starts on a second byte.
// Matching without regard to case folds the bytes A-Z to lower case, second
// bytes included; exact matching compares the bytes as they are.
//
// Blanks are the ASCII space and the full-width space (A1 A1) only; tabs, CR
// and LF are not blanks.
//
// Every function returns a new text and never fails: what is not found
// yields the empty text (or no items).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The part of `text` behind the last occurrence of `marker`; the empty text
// when the marker does not occur or ends the text. An empty marker yields
// the whole text.
std::string TextAfterLast(std::string_view text, std::string_view marker, bool ignoreCase = false);

// The text between the first `left` found from position `start` and the
// first `right` after it. In both markers "#引号" stands for a double quote.
// An empty `left` counts as found where the search starts; an empty `right`
// yields the empty text. A `start` of 1 or less means the beginning, one
// beyond the text finds nothing.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int start = 1, bool caseSensitive = false);

struct ReplaceOptions {
    // At most this many replacements per pair; all of them when empty.
    std::optional<int> count = std::nullopt;
    // Bytes before this position stay as they are.
    int start = 1;
    // By default matching ignores case.
    bool caseSensitive = false;
};

// Up to five replacements applied one after the other, each pass on the
// result of the one before: every occurrence of `find i` (scanned left to
// right, never overlapping, replaced text never scanned again) becomes
// `replacement i`. An empty `find i` leaves the text unchanged.
std::string ReplacePairs(std::string_view text, std::string_view find1,
                         std::string_view replacement1, std::string_view find2 = {},
                         std::string_view replacement2 = {}, std::string_view find3 = {},
                         std::string_view replacement3 = {}, std::string_view find4 = {},
                         std::string_view replacement4 = {}, std::string_view find5 = {},
                         std::string_view replacement5 = {});
std::string ReplacePairs(std::string_view text, const ReplaceOptions& options,
                         std::string_view find1, std::string_view replacement1,
                         std::string_view find2 = {}, std::string_view replacement2 = {},
                         std::string_view find3 = {}, std::string_view replacement3 = {},
                         std::string_view find4 = {}, std::string_view replacement4 = {},
                         std::string_view find5 = {}, std::string_view replacement5 = {});

// The trimmed, non-empty texts between `left` and `right` (exact matching),
// in order. A text that ends inside an unclosed item yields the items before
// it.
std::vector<std::string> ItemsBetween(std::string_view text, std::string_view left,
                                      std::string_view right);

// The 0-based byte index of the first occurrence of `what` that starts a
// character at or after index `from`; kNotFound when there is none.
constexpr std::size_t kNotFound = std::string_view::npos;
std::size_t FindText(std::string_view text, std::string_view what, std::size_t from = 0,
                     bool ignoreCase = false);

// `text` with A-Z folded to lower case, every other byte as it is.
std::string LowerAscii(std::string_view text);

// `text` without blanks at either end.
std::string TrimBlanks(std::string_view text);

// `text` without any blank anywhere.
std::string RemoveBlanks(std::string_view text);
