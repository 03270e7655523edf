// The text helpers on arbitrary bytes, checked against a plain model that
// walks the text character by character from its first byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/text.h"

namespace {

constexpr size_t kNone = std::string::npos;

bool IsLead(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}
char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Where the characters of `text` start; the end of the text is included.
std::vector<bool> Starts(std::string_view text) {
    std::vector<bool> starts(text.size() + 1, false);
    for (size_t at = 0; at < text.size(); at += IsLead(text[at]) ? 2 : 1) {
        starts[at] = true;
    }
    starts[text.size()] = true;
    return starts;
}

bool MatchesAt(std::string_view text, std::string_view needle, size_t at, bool ignoreCase) {
    if (at + needle.size() > text.size()) {
        return false;
    }
    for (size_t i = 0; i < needle.size(); ++i) {
        const char a = text[at + i], b = needle[i];
        if (ignoreCase ? Fold(a) != Fold(b) : a != b) {
            return false;
        }
    }
    return true;
}

size_t Find(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    const std::vector<bool> starts = Starts(text);
    for (size_t at = from; at <= text.size(); ++at) {
        if (starts[at] && MatchesAt(text, needle, at, ignoreCase)) {
            return at;
        }
    }
    return kNone;
}

std::string Replace(std::string text, std::string_view find, std::string_view replacement,
                    size_t from, long long limit, bool ignoreCase) {
    if (find.empty() || text.empty() || from >= text.size()) {
        return text;
    }
    const std::vector<bool> starts = Starts(text);
    std::string result = text.substr(0, from);
    size_t at = from;
    while (at < text.size()) {
        if (limit > 0 && starts[at] && MatchesAt(text, find, at, ignoreCase)) {
            result += replacement;
            at += find.size();
            --limit;
        } else {
            result += text[at++];
        }
    }
    return result;
}

size_t IndexOf(int position) {
    return position <= 1 ? 0 : size_t(position) - 1;
}

std::string TextBetweenModel(std::string_view text, std::string left, std::string right, int start,
                             bool caseSensitive) {
    left = Replace(left, "#\xD2\xFD\xBA\xC5", "\"", 0, 1LL << 40, false);
    right = Replace(right, "#\xD2\xFD\xBA\xC5", "\"", 0, 1LL << 40, false);
    const size_t from = IndexOf(start);
    if (right.empty() || from >= text.size()) {
        return {};
    }
    const size_t l = Find(text, left, from, !caseSensitive);
    if (l == kNone) {
        return {};
    }
    const size_t r = Find(text, right, l + left.size(), !caseSensitive);
    return r == kNone ? std::string()
                      : std::string(text.substr(l + left.size(), r - l - left.size()));
}

std::string TextAfterLastModel(std::string_view text, std::string_view marker, bool ignoreCase) {
    if (marker.empty()) {
        return std::string(text);
    }
    size_t last = kNone;
    for (size_t at = Find(text, marker, 0, ignoreCase); at != kNone;
         at = Find(text, marker, at + 1, ignoreCase)) {
        last = at;
    }
    return last == kNone ? std::string() : std::string(text.substr(last + marker.size()));
}

size_t BlankAt(std::string_view text, size_t at) {
    if (text[at] == ' ') {
        return 1;
    }
    return at + 1 < text.size() && text[at] == '\xA1' && text[at + 1] == '\xA1' ? 2 : 0;
}

std::string TrimModel(std::string_view text) {
    size_t begin = text.size(), end = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t blank = BlankAt(text, at);
        const size_t length = blank ? blank : (IsLead(text[at]) && at + 1 < text.size() ? 2 : 1);
        if (!blank) {
            begin = std::min(begin, at);
            end = at + length;
        }
        at += length;
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::string RemoveModel(std::string_view text) {
    std::string result;
    for (size_t at = 0; at < text.size();) {
        const size_t blank = BlankAt(text, at);
        const size_t length = blank ? blank : (IsLead(text[at]) && at + 1 < text.size() ? 2 : 1);
        if (!blank) {
            result.append(text.substr(at, length));
        }
        at += length;
    }
    return result;
}

std::vector<std::string> ItemsModel(std::string_view text, std::string_view left,
                                    std::string_view right) {
    std::vector<std::string> items;
    size_t from = 0;
    for (;;) {
        const size_t l = Find(text, left, from, false);
        if (l == kNone) {
            break;
        }
        const size_t r = Find(text, right, l + left.size(), false);
        if (r == kNone) {
            break;
        }
        std::string item = TrimModel(text.substr(l + left.size(), r - l - left.size()));
        from = item.empty() ? l + left.size() : r;
        if (!item.empty()) {
            items.push_back(item);
        }
        if (from <= l) {
            if (l == text.size()) {
                break;
            }
            from = l + 1;
        }
    }
    return items;
}

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool flag = input.ConsumeBool();
    const int start = input.ConsumeIntegralInRange<int>(-2, 64);
    const int count = input.ConsumeIntegralInRange<int>(-1, 4);
    const std::string left = input.ConsumeRandomLengthString(8);
    const std::string right = input.ConsumeRandomLengthString(8);
    const std::string find2 = input.ConsumeRandomLengthString(4);
    const std::string text = input.ConsumeRemainingBytesAsString();

    Check(TextAfterLast(text, left, flag) == TextAfterLastModel(text, left, flag));
    Check(TextBetween(text, left, right, start, flag) ==
          TextBetweenModel(text, left, right, start, flag));
    Check(ItemsBetween(text, left, right) == ItemsModel(text, left, right));
    Check(TrimBlanks(text) == TrimModel(text));
    Check(RemoveBlanks(text) == RemoveModel(text));

    ReplaceOptions options{.start = start, .caseSensitive = flag};
    if (count >= 0) {
        options.count = count;
    }
    const long long limit = count >= 0 ? count : 1LL << 40;
    const std::string expected = Replace(Replace(text, left, right, IndexOf(start), limit, !flag),
                                         find2, left, IndexOf(start), limit, !flag);
    Check(ReplacePairs(text, options, left, right, find2, left) == expected);
    return 0;
}
