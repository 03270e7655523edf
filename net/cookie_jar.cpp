#include "net/cookie_jar.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "toolkit/text.h"

namespace net {
namespace {

std::vector<std::string> SplitItems(std::string_view jar) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= jar.size()) {
        std::size_t end = jar.find(';', start);
        if (end == std::string_view::npos) {
            end = jar.size();
        }
        if (end > start) {
            items.emplace_back(jar.substr(start, end - start));
        }
        start = end + 1;
    }
    return items;
}

std::string CookieName(std::string_view item) {
    return TrimBlanks(item.substr(0, item.find('=')));
}

}  // namespace

std::string MergeCookies(CookieJar& jar, CookieJar& fresh) {
    jar = RemoveBlanks(jar);
    fresh = RemoveBlanks(fresh);
    std::vector<std::string> merged = SplitItems(fresh);
    const std::vector<std::string> old = SplitItems(jar);
    for (const std::string& item : old) {
        const std::string name = CookieName(item);
        const bool replaced = std::any_of(merged.begin(), merged.end(), [&](const std::string& f) {
            return CookieName(f) == name;
        });
        if (!replaced) {
            merged.push_back(item);
        }
    }
    std::string result;
    for (const std::string& item : merged) {
        if (item.ends_with("=deleted")) {
            continue;
        }
        result += item;
        result += "; ";
    }
    if (!result.empty()) {
        result.resize(result.size() - 2);
    }
    jar = result;
    return result;
}

}  // namespace net
