#include "net/web_page.h"

#include <algorithm>
#include <array>
#include <vector>

#include "net/url_parts.h"
#include "platform/inet/wininet.h"
#include "platform/kernel/codepage.h"
#include "toolkit/text.h"

namespace net {
namespace {

constexpr win::DWORD kReadChunk = 1024;
constexpr win::DWORD kHeaderBuffer = 5000;
constexpr win::DWORD kCompositeCheck = 0x200;  // WC_COMPOSITECHECK

// Closes one WinInet handle when it goes out of scope.
class InternetHandle {
  public:
    explicit InternetHandle(win::HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() { Close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    win::HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Close() {
        if (handle_ != nullptr) {
            win::InternetCloseHandle(handle_);
            handle_ = nullptr;
        }
    }

  private:
    win::HINTERNET handle_;
};

// The agent: a User-Agent line among the caller's headers (found without
// regard to case) names it; otherwise the default.
std::string AgentOf(std::string_view extraHeaders) {
    constexpr std::string_view kMarker = "User-Agent:";
    const std::size_t at = FindText(extraHeaders, kMarker, 0, true);
    if (at == kNotFound) {
        return kDefaultAgent;
    }
    const std::size_t start = at + kMarker.size();
    const std::size_t end = FindText(extraHeaders, "\r\n", start);
    return TrimBlanks(
        extraHeaders.substr(start, end == kNotFound ? std::string_view::npos : end - start));
}

bool Contains(std::string_view text, std::string_view what) {
    return FindText(text, what) != kNotFound;
}

// The caller's headers completed with the defaults (exact searches).
std::string CompleteHeaders(std::string headers, std::string_view url, const CookieJar& jar) {
    if (!Contains(headers, "Referer:")) {
        headers += headers.empty() ? "Referer: " : "\r\nReferer: ";
        headers += url;
    }
    if (!Contains(headers, "Accept:")) {
        headers += "\r\nAccept: */*";
    }
    if (!Contains(headers, "Accept-Language:")) {
        headers += "\r\nAccept-Language: zh-cn";
    }
    if (!Contains(headers, "Content-Type:")) {
        headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    if (!jar.empty()) {
        headers += "\r\nCookie: " + jar;
    }
    return headers;
}

win::DWORD RequestFlags(std::string_view url, bool noRedirect) {
    win::DWORD flags =
        win::INTERNET_FLAG_RELOAD | win::INTERNET_FLAG_NEED_FILE | win::INTERNET_FLAG_NO_COOKIES;
    if (noRedirect) {
        flags |= win::INTERNET_FLAG_NO_AUTO_REDIRECT;
    }
    if (LowerAscii(url.substr(0, 5)) == "https") {
        flags |= win::INTERNET_FLAG_SECURE;
    } else {
        flags |= win::INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    }
    return flags;
}

std::string ReadBody(win::HINTERNET request) {
    std::string body;
    std::array<char, kReadChunk> chunk{};
    while (true) {
        win::DWORD read = 0;
        win::InternetReadFile(request, chunk.data(), kReadChunk, &read);
        if (read == 0) {
            return body;
        }
        body.append(chunk.data(), read);
    }
}

// The raw headers when they fit the buffer; blank otherwise.
std::string ReadRawHeaders(win::HINTERNET request) {
    std::vector<char> buffer(kHeaderBuffer, '\0');
    win::DWORD length = kHeaderBuffer;
    win::HttpQueryInfoA(request, win::HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr);
    return std::string(buffer.data(),
                       std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin());
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Location and Set-Cookie values of the raw headers (exact searches).
void InterpretHeaders(std::string_view raw, std::string& redirect, std::string& cookies) {
    cookies.clear();
    for (std::string_view line : SplitLines(raw)) {
        if (Contains(line, "Location:")) {
            redirect = TrimBlanks(line.substr(line.find(':') + 1));
        }
        if (Contains(line, "Set-Cookie")) {
            cookies += TrimBlanks(TextBetween(line, "Set-Cookie:", ";"));
            cookies += "; ";
        }
    }
    if (cookies.size() >= 2) {
        cookies.resize(cookies.size() - 2);
    }
}

}  // namespace

std::string AccessWebPage(std::string_view url, const WebPageOptions& options) {
    const std::string verb = options.method == 1 ? "POST" : "GET";
    const std::string agent = AgentOf(options.extraHeaders);

    InternetHandle session(
        options.proxy.empty()
            ? win::InternetOpenA(agent.c_str(), win::INTERNET_OPEN_TYPE_DIRECT, "", "", 0)
            : win::InternetOpenA(agent.c_str(), win::INTERNET_OPEN_TYPE_PROXY,
                                 ("http=" + options.proxy).c_str(), "", 0));
    if (!session) {
        return {};
    }
    const std::string host = UrlHost(url);
    const int port = UrlPort(url);
    if (port < 0 || port > 0xFFFF) {
        return {};  // no such port: nothing can be connected
    }
    InternetHandle connection(win::InternetConnectA(session.get(), host.c_str(),
                                                    static_cast<win::INTERNET_PORT>(port), "", "",
                                                    win::INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        return {};
    }
    const std::string object = UrlObject(url);
    InternetHandle request(win::HttpOpenRequestA(connection.get(), verb.c_str(), object.c_str(),
                                                 "HTTP/1.1", nullptr, nullptr,
                                                 RequestFlags(url, options.noRedirect), 0));
    if (!request) {
        return {};
    }

    CookieJar localJar;
    CookieJar& jar = options.cookieJar != nullptr ? *options.cookieJar : localJar;
    const std::string headers = CompleteHeaders(options.extraHeaders, url, jar);
    const auto headerLength = static_cast<win::DWORD>(headers.size());
    if (options.method == 0) {
        win::HttpSendRequestA(request.get(), headers.c_str(), headerLength, nullptr, 0);
    } else {
        const std::string& body = options.byteBody.empty() ? options.formData : options.byteBody;
        win::HttpSendRequestA(request.get(), headers.c_str(), headerLength, body.data(),
                              static_cast<win::DWORD>(body.size()));
    }
    std::string body = ReadBody(request.get());
    const std::string raw = ReadRawHeaders(request.get());
    request.Close();
    connection.Close();
    session.Close();

    std::string redirect;
    CookieJar fresh;
    InterpretHeaders(raw, redirect, fresh);
    if (redirect.empty()) {
        redirect = raw;
    }
    MergeCookies(jar, fresh);
    if (options.responseCookies != nullptr) {
        *options.responseCookies = fresh;
    }
    if (options.redirectTarget != nullptr) {
        *options.redirectTarget = redirect;
    }
    if (options.rawHeaders != nullptr) {
        *options.rawHeaders = raw;
    }
    return body;
}

std::string AccessWebPageUtf8(std::string_view url, const WebPageOptions& options) {
    return Utf8ToGbk(AccessWebPage(url, options));
}

std::string AccessWebPageText(std::string_view url, const WebPageOptions& options) {
    std::string body = AccessWebPage(url, options);
    body.resize(std::find(body.begin(), body.end(), '\0') - body.begin());
    return body;
}

std::string Utf8ToGbk(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int length = static_cast<int>(bytes.size());
    const int wideCount =
        win::MultiByteToWideChar(win::CP_UTF8, 0, bytes.data(), length, nullptr, 0);
    if (wideCount <= 0) {
        return {};
    }
    std::vector<win::WCHAR> wide(static_cast<std::size_t>(wideCount));
    win::MultiByteToWideChar(win::CP_UTF8, 0, bytes.data(), length, wide.data(), wideCount);
    const int gbkCount = win::WideCharToMultiByte(win::CP_GBK, kCompositeCheck, wide.data(),
                                                  wideCount, nullptr, 0, nullptr, nullptr);
    if (gbkCount <= 0) {
        return {};
    }
    std::string gbk(static_cast<std::size_t>(gbkCount), '\0');
    win::WideCharToMultiByte(win::CP_GBK, kCompositeCheck, wide.data(), wideCount, gbk.data(),
                             gbkCount, nullptr, nullptr);
    gbk.resize(std::find(gbk.begin(), gbk.end(), '\0') - gbk.begin());
    return gbk;
}

}  // namespace net
