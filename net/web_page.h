#pragma once
// Web page access: one complete HTTP/1.1 exchange in a single blocking call,
// with browser-like default headers and the caller's own cookie jar. Every
// web request of the program except the update download goes through here.
//
// Nothing is kept between calls; several threads may call at once. Failures
// are silent: an unreachable page gives an empty body.
#include <string>
#include <string_view>

#include "net/cookie_jar.h"

namespace net {

// The optional arguments, in their declared order. Outputs are written
// only when a pointer is given.
struct WebPageOptions {
    int method = 0;                         // 0 GET, 1 POST
    std::string formData{};                 // POST body when byteBody is empty
    CookieJar* cookieJar = nullptr;         // in/out: sent as Cookie, replaced by the merged jar
    CookieJar* responseCookies = nullptr;   // out: the cookies this response set
    std::string extraHeaders{};             // the caller's header lines, joined by CR LF
    std::string* redirectTarget = nullptr;  // out: Location, or the raw headers when there is none
    bool noRedirect = false;                // do not follow redirects
    std::string byteBody{};                 // POST body; wins over formData
    std::string proxy{};                    // host:port of an HTTP proxy
    std::string* rawHeaders = nullptr;      // out: the response's status line and headers
};

inline constexpr const char* kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; 2Pac; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

// The response body (bytes); empty on failure. When no session, connection
// or request can be opened the outputs are left as they were.
std::string AccessWebPage(std::string_view url, const WebPageOptions& options = {});
// The body decoded as UTF-8 and written in GBK.
std::string AccessWebPageUtf8(std::string_view url, const WebPageOptions& options = {});
// The body taken as a GBK text as it is, up to its first NUL byte.
std::string AccessWebPageText(std::string_view url, const WebPageOptions& options = {});

// UTF-8 bytes as a GBK text, up to the first NUL character; characters GBK
// lacks become "?".
std::string Utf8ToGbk(std::string_view bytes);

}  // namespace net
