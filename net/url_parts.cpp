#include "net/url_parts.h"

#include "toolkit/text.h"

namespace net {

std::string UrlHost(std::string_view url, bool keepPort) {
    std::string text = LowerAscii(url);
    if (!text.ends_with('/')) {
        text += '/';
    }
    std::string prefix = "https://";
    if (!text.starts_with(prefix)) {
        prefix = "http://";
        if (FindText(text, prefix) == kNotFound) {
            text = prefix + text;
        }
    }
    std::string host = TextBetween(text, prefix, "/");
    if (!keepPort) {
        host = host.substr(0, host.find(':'));
    }
    return host;
}

int UrlPort(std::string_view url) {
    const std::string host = UrlHost(url, true);
    const auto colon = host.rfind(':');
    if (colon == std::string::npos) {
        return LowerAscii(url.substr(0, 5)) == "https" ? 443 : 80;
    }
    // The leading decimal number of the text behind the colon.
    long port = 0;
    for (std::size_t i = colon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9'; ++i) {
        port = port * 10 + (host[i] - '0');
        if (port > 99999) {
            return 0;
        }
    }
    return static_cast<int>(port);
}

std::string UrlObject(std::string_view url) {
    std::size_t at = FindText(url, UrlHost(url), 0, true);
    if (at == kNotFound) {
        at = 0;
    }
    const std::size_t slash = FindText(url, "/", at);
    return slash == kNotFound ? "/" : std::string(url.substr(slash));
}

}  // namespace net
