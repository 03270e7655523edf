#include "toolkit/text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr size_t kNone = std::string_view::npos;

// Spelled as GBK bytes so that every compiler sees the same texts.
constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5";  // "#引号"
constexpr char kFullWidthSpaceByte = '\xA1';                    // A1 A1 is the full-width space

bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameBytes(const char* a, const char* b, size_t length, bool ignoreCase) {
    if (!ignoreCase) {
        return std::memcmp(a, b, length) == 0;
    }
    for (size_t i = 0; i < length; ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

// Tells whether byte positions start a character. A byte below 0x80 always
// ends a character (a one-byte character or a second byte), so what decides
// is the parity of the run of bytes of 0x80 or more in front of a position.
// The walk back over that run stops at the last position known to start a
// character; with rising positions the total cost stays linear in the text.
class CharacterStarts {
  public:
    explicit CharacterStarts(std::string_view text) : text_(text) {}

    // `knownStart` starts a character and lies at or before every position
    // asked until the next call.
    void Know(size_t knownStart, size_t nextPosition) {
        if (known_ > nextPosition || knownStart > known_) {
            known_ = knownStart;
        }
    }

    bool IsStart(size_t pos) {
        size_t runBegin = pos;
        while (runBegin > known_ && IsLeadByte(text_[runBegin - 1])) {
            --runBegin;
        }
        const bool start = (pos - runBegin) % 2 == 0;
        known_ = start ? pos : pos + 1;
        return start;
    }

  private:
    std::string_view text_;
    size_t known_ = 0;
};

// The positions in [from, last] whose byte equals the needle's first byte
// (either case of a letter when case is ignored), found with memchr. The
// next position of each case is kept, so asking with rising `from` scans
// every byte at most once per case.
class FirstByteScanner {
  public:
    FirstByteScanner(std::string_view text, size_t last, char first, bool ignoreCase)
        : text_(text), last_(last), lower_(ignoreCase ? FoldCase(first) : first), upper_(lower_) {
        if (ignoreCase && lower_ >= 'a' && lower_ <= 'z') {
            upper_ = static_cast<char>(lower_ - 'a' + 'A');
        }
    }

    size_t Next(size_t from) {
        if (!scanned_) {
            scanned_ = true;
            nextLower_ = Scan(lower_, from);
            nextUpper_ = upper_ == lower_ ? kNone : Scan(upper_, from);
        }
        if (nextLower_ < from) {
            nextLower_ = Scan(lower_, from);
        }
        if (upper_ == lower_) {
            return nextLower_;
        }
        if (nextUpper_ < from) {
            nextUpper_ = Scan(upper_, from);
        }
        return std::min(nextLower_, nextUpper_);
    }

  private:
    size_t Scan(char c, size_t from) const {
        if (from > last_) {
            return kNone;
        }
        const void* hit = std::memchr(text_.data() + from, c, last_ - from + 1);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) : kNone;
    }

    std::string_view text_;
    size_t last_;
    char lower_;
    char upper_;
    size_t nextLower_ = 0;
    size_t nextUpper_ = 0;
    bool scanned_ = false;
};

// Finds the occurrences of one needle in one text that start a character.
// Across calls, `from` must not decrease.
class Finder {
  public:
    Finder(std::string_view text, std::string_view needle, bool ignoreCase)
        : text_(text),
          needle_(needle),
          ignoreCase_(ignoreCase),
          starts_(text),
          scanner_(text, needle.size() <= text.size() ? text.size() - needle.size() : 0,
                   needle.empty() ? '\0' : needle[0], ignoreCase) {}

    // The first occurrence at or after `from`, or kNone. `knownStart` (at or
    // before `from`) is a position known to start a character. An empty
    // needle is found at the first character start from `from` on.
    size_t Find(size_t from, size_t knownStart) {
        const size_t size = text_.size();
        if (from > size) {
            return kNone;
        }
        starts_.Know(knownStart, from);
        if (needle_.empty()) {
            return from == size || starts_.IsStart(from) ? from : from + 1;
        }
        if (needle_.size() > size - from) {
            return kNone;
        }
        for (size_t at = scanner_.Next(from); at != kNone; at = scanner_.Next(at + 1)) {
            if (SameBytes(text_.data() + at + 1, needle_.data() + 1, needle_.size() - 1,
                          ignoreCase_) &&
                starts_.IsStart(at)) {
                return at;
            }
        }
        return kNone;
    }

  private:
    std::string_view text_;
    std::string_view needle_;
    bool ignoreCase_;
    CharacterStarts starts_;
    FirstByteScanner scanner_;
};

// One pass of the replacer: occurrences of `find` from byte index `from` on,
// left to right, at most `limit` of them.
void ReplaceInPlace(std::string& text, std::string_view find, std::string_view replacement,
                    size_t from, long long limit, bool ignoreCase) {
    if (find.empty() || text.empty() || from >= text.size() || limit <= 0) {
        return;
    }
    Finder finder(text, find, ignoreCase);
    std::string result;
    size_t copied = 0;
    bool replaced = false;
    for (size_t at = finder.Find(from, 0); at != kNone; at = finder.Find(from, at)) {
        if (!replaced) {
            result.reserve(text.size());
            replaced = true;
        }
        result.append(text, copied, at - copied);
        result.append(replacement);
        copied = from = at + find.size();
        if (--limit == 0) {
            break;
        }
    }
    if (replaced) {
        result.append(text, copied);
        text.swap(result);
    }
}

size_t IndexFromPosition(int position) {
    return position <= 1 ? 0 : size_t(position) - 1;
}

std::string QuotesInMarker(std::string_view marker) {
    std::string prepared(marker);
    ReplaceInPlace(prepared, kQuoteMarker, "\"", 0, LLONG_MAX, false);
    return prepared;
}

// Length of the character at `at` (a cut character at the very end is one byte).
size_t CharacterLength(std::string_view text, size_t at) {
    return IsLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
}

// Length of the blank at `at`, which starts a character; 0 when it is none.
size_t BlankLength(std::string_view text, size_t at) {
    if (text[at] == ' ') {
        return 1;
    }
    if (text[at] == kFullWidthSpaceByte && at + 1 < text.size() &&
        text[at + 1] == kFullWidthSpaceByte) {
        return 2;
    }
    return 0;
}

}  // namespace

std::string TextAfterLast(std::string_view text, std::string_view marker, bool ignoreCase) {
    if (marker.empty()) {
        return std::string(text);
    }
    Finder finder(text, marker, ignoreCase);
    size_t last = kNone;
    for (size_t at = finder.Find(0, 0); at != kNone; at = finder.Find(at + 1, at)) {
        last = at;
    }
    return last == kNone ? std::string() : std::string(text.substr(last + marker.size()));
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int start, bool caseSensitive) {
    const std::string leftMarker = QuotesInMarker(left);
    const std::string rightMarker = QuotesInMarker(right);
    const size_t from = IndexFromPosition(start);
    if (rightMarker.empty() || from >= text.size()) {
        return {};
    }
    const bool ignoreCase = !caseSensitive;
    const size_t leftAt = Finder(text, leftMarker, ignoreCase).Find(from, 0);
    if (leftAt == kNone) {
        return {};
    }
    const size_t inner = leftAt + leftMarker.size();
    const size_t rightAt = Finder(text, rightMarker, ignoreCase).Find(inner, leftAt);
    if (rightAt == kNone) {
        return {};
    }
    return std::string(text.substr(inner, rightAt - inner));
}

std::string ReplacePairs(std::string_view text, std::string_view find1,
                         std::string_view replacement1, std::string_view find2,
                         std::string_view replacement2, std::string_view find3,
                         std::string_view replacement3, std::string_view find4,
                         std::string_view replacement4, std::string_view find5,
                         std::string_view replacement5) {
    return ReplacePairs(text, ReplaceOptions{}, find1, replacement1, find2, replacement2, find3,
                        replacement3, find4, replacement4, find5, replacement5);
}

std::string ReplacePairs(std::string_view text, const ReplaceOptions& options,
                         std::string_view find1, std::string_view replacement1,
                         std::string_view find2, std::string_view replacement2,
                         std::string_view find3, std::string_view replacement3,
                         std::string_view find4, std::string_view replacement4,
                         std::string_view find5, std::string_view replacement5) {
    const std::string_view pairs[5][2] = {{find1, replacement1},
                                          {find2, replacement2},
                                          {find3, replacement3},
                                          {find4, replacement4},
                                          {find5, replacement5}};
    const size_t from = IndexFromPosition(options.start);
    const long long limit = options.count ? *options.count : LLONG_MAX;
    std::string result(text);
    for (const auto& [find, replacement] : pairs) {
        ReplaceInPlace(result, find, replacement, from, limit, !options.caseSensitive);
    }
    return result;
}

std::vector<std::string> ItemsBetween(std::string_view text, std::string_view left,
                                      std::string_view right) {
    std::vector<std::string> items;
    Finder lefts(text, left, false);
    Finder rights(text, right, false);
    size_t from = 0;
    size_t known = 0;
    for (;;) {
        const size_t leftAt = lefts.Find(from, known);
        if (leftAt == kNone) {
            break;
        }
        const size_t inner = leftAt + left.size();
        const size_t rightAt = rights.Find(inner, leftAt);
        if (rightAt == kNone) {
            break;
        }
        std::string item = TrimBlanks(text.substr(inner, rightAt - inner));
        if (!item.empty()) {
            items.push_back(std::move(item));
            from = known = rightAt;
        } else {
            from = inner;
            known = leftAt;
        }
        if (from <= leftAt) {  // an empty left marker would stand still
            if (leftAt == text.size()) {
                break;
            }
            from = leftAt + 1;
            known = leftAt;
        }
    }
    return items;
}

std::size_t FindText(std::string_view text, std::string_view what, std::size_t from,
                     bool ignoreCase) {
    return Finder(text, what, ignoreCase).Find(from, 0);
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), FoldCase);
    return lower;
}

std::string TrimBlanks(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t blank = BlankLength(text, begin);
        if (blank == 0) {
            break;
        }
        begin += blank;
    }
    if (begin == text.size()) {
        return {};
    }
    // Only the trailing bytes that can belong to blanks need a character
    // walk; it starts at a position sure to start a character: behind the
    // last byte below 0x80 in front of them, or at `begin`.
    size_t tail = text.size();
    while (tail > begin && (text[tail - 1] == ' ' || text[tail - 1] == kFullWidthSpaceByte)) {
        --tail;
    }
    size_t walk = tail;
    while (walk > begin && IsLeadByte(text[walk - 1])) {
        --walk;
    }
    size_t end = walk;
    while (walk < text.size()) {
        const size_t blank = BlankLength(text, walk);
        const size_t length = blank ? blank : CharacterLength(text, walk);
        walk += length;
        if (blank == 0) {
            end = walk;
        }
    }
    return std::string(text.substr(begin, end - begin));
}

std::string RemoveBlanks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const size_t blank = BlankLength(text, at);
        if (blank) {
            at += blank;
            continue;
        }
        const size_t length = CharacterLength(text, at);
        result.append(text, at, length);
        at += length;
    }
    return result;
}
