#include "net/text_search.h"

namespace net {
namespace {

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view what, bool ignoreCase) {
    for (std::size_t i = 0; i < what.size(); ++i) {
        const char a = text[at + i];
        const char b = what[i];
        if (ignoreCase ? Fold(a) != Fold(b) : a != b) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::size_t FindText(std::string_view text, std::string_view what, std::size_t from,
                     bool ignoreCase) {
    std::size_t at = 0;
    while (at < from && at < text.size()) {
        at += static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
    }
    while (at + what.size() <= text.size()) {
        if (MatchesAt(text, at, what, ignoreCase)) {
            return at;
        }
        at += static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
    }
    return kNotFound;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = Fold(c);
    }
    return lower;
}

}  // namespace net
