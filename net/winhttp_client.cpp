#include "net/winhttp_client.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "net/web_page.h"
#include "platform/kernel/codepage.h"
#include "platform/kernel/files.h"
#include "toolkit/text.h"

namespace net {
namespace {

constexpr std::size_t kUploadChunk = 2048;
constexpr win::DWORD kDownloadPiece = 5120;
constexpr win::DWORD kReadPiece = 10240;
constexpr std::size_t kFileBuffer = 256 * 1024;
constexpr win::DWORD kReplaceOrAdd =
    win::WINHTTP_ADDREQ_FLAG_REPLACE | win::WINHTTP_ADDREQ_FLAG_ADD_IF_NEW;

std::u16string Wide(std::string_view gbk) {
    return codepage::GbkToUtf16(gbk);
}

// An empty text becomes no string at all.
const win::WCHAR* OrNull(const std::u16string& text) {
    return text.empty() ? nullptr : text.c_str();
}

// The leading decimal number of a text (blanks before it skipped); 0 when
// it does not begin with one.
std::int64_t NumericValue(std::string_view text) {
    std::size_t i = text.find_first_not_of(' ');
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (INT64_MAX - 9) / 10) {
            return 0;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

struct UrlSplit {
    std::string host;
    win::INTERNET_PORT port = 0;
    std::string path;
    bool secure = false;
};

UrlSplit SplitUrl(std::string_view url) {
    UrlSplit split;
    const std::string lower = LowerAscii(url);
    split.secure = lower.substr(0, 5) == "https";
    std::size_t start = 0;
    if (lower.starts_with("http://")) {
        start = 7;
    } else if (lower.starts_with("https://")) {
        start = 8;
    }
    const std::size_t slash = lower.find('/', start);
    const std::string hostPart =
        lower.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    const std::size_t colon = hostPart.find(':');
    split.host = hostPart.substr(0, colon);
    if (colon != std::string::npos) {
        const std::int64_t port = NumericValue(std::string_view(hostPart).substr(colon + 1));
        split.port = port > 0xFFFF ? 0 : static_cast<win::INTERNET_PORT>(port);
    } else {
        split.port = split.secure ? 443 : 80;
    }
    std::size_t at = FindText(url, split.host, 0, true);
    if (at == kNotFound) {
        at = 0;
    }
    const std::size_t pathStart = FindText(url, "/", at);
    split.path = pathStart == kNotFound ? "/" : std::string(url.substr(pathStart));
    return split;
}

// The text from `start` to the next CR LF (or the end).
std::string ToLineEnd(std::string_view text, std::size_t start) {
    if (start >= text.size()) {
        return {};
    }
    const std::size_t end = FindText(text, "\r\n", start);
    return std::string(text.substr(start, end == kNotFound ? std::string_view::npos : end - start));
}

std::string CutTail(std::string text, int trim) {
    const std::size_t cut = static_cast<std::size_t>(std::max(trim, 0));
    text.resize(text.size() > cut ? text.size() - cut : 0);
    return text;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Marks the end of a watched transfer on every way out: the finish marker
// when it completed, `abandoned` otherwise.
class ProgressEnd {
  public:
    explicit ProgressEnd(std::shared_ptr<ProgressBlock> block) : block_(std::move(block)) {}
    ~ProgressEnd() {
        if (block_ == nullptr) {
            return;
        }
        if (completed_) {
            block_->bytesDone.store(kProgressFinished);
        } else {
            block_->abandoned.store(true);
        }
    }
    ProgressEnd(const ProgressEnd&) = delete;
    ProgressEnd& operator=(const ProgressEnd&) = delete;

    void Completed() { completed_ = true; }

  private:
    std::shared_ptr<ProgressBlock> block_;
    bool completed_ = false;
};

}  // namespace

WinHttpClient::WinHttpClient() : platform_(win::WinHttpCheckPlatform()) {}

WinHttpClient::~WinHttpClient() {
    Close();
}

bool WinHttpClient::SetOption(std::uint32_t option, std::uint32_t value) {
    win::DWORD buffer = value;
    return win::WinHttpSetOption(request_, option, &buffer, sizeof buffer) != win::FALSE;
}

win::BOOL WinHttpClient::SetProxy(std::string_view server, std::string_view user,
                                  std::string_view password) {
    proxyServer_ = Wide(server);
    proxyUser_ = Wide(user);
    proxyPassword_ = Wide(password);
    return platform_;
}

bool WinHttpClient::SetTimeouts(int milliseconds) {
    return win::WinHttpSetTimeouts(session_, milliseconds, milliseconds, milliseconds,
                                   milliseconds) != win::FALSE;
}

win::BOOL WinHttpClient::SetCredentials(std::string_view user, std::string_view password) {
    serverUser_ = Wide(user);
    serverPassword_ = Wide(password);
    return platform_;
}

win::BOOL WinHttpClient::Open(std::string_view method, std::string_view url) {
    if (session_ == nullptr) {
        session_ =
            proxyServer_.empty()
                ? win::WinHttpOpen(nullptr, win::WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0)
                : win::WinHttpOpen(nullptr, win::WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                   proxyServer_.c_str(), nullptr, 0);
        if (session_ == nullptr) {
            return 0;
        }
    }
    if (connection_ != nullptr) {
        win::WinHttpCloseHandle(connection_);
        connection_ = nullptr;
    }
    const UrlSplit split = SplitUrl(url);
    const std::u16string host = Wide(split.host);
    connection_ = win::WinHttpConnect(session_, OrNull(host), split.port, 0);
    if (connection_ == nullptr) {
        CloseHandles();
        return 0;
    }
    if (request_ != nullptr) {
        win::WinHttpCloseHandle(request_);
        request_ = nullptr;
    }
    const std::u16string verb = Wide(UpperAscii(method));
    const std::u16string path = Wide(split.path);
    request_ = win::WinHttpOpenRequest(connection_, OrNull(verb), OrNull(path), nullptr, nullptr,
                                       nullptr, split.secure ? win::WINHTTP_FLAG_SECURE : 0);
    if (request_ == nullptr) {
        CloseHandles();
        return 0;
    }
    return platform_;
}

bool WinHttpClient::AddHeader(std::string_view name, std::string_view value) {
    const std::u16string line = Wide(std::string(name) + ":" + std::string(value));
    return win::WinHttpAddRequestHeaders(request_, line.c_str(), static_cast<win::DWORD>(-1),
                                         kReplaceOrAdd) != win::FALSE;
}

win::BOOL WinHttpClient::Send(std::string_view body, ProgressRoutine progress,
                              std::int32_t userValue) {
    responseHeaders_.clear();
    responseBody_.clear();
    if (!proxyUser_.empty()) {
        win::WinHttpSetCredentials(request_, win::WINHTTP_AUTH_TARGET_PROXY,
                                   win::WINHTTP_AUTH_SCHEME_BASIC, proxyUser_.c_str(),
                                   OrNull(proxyPassword_), nullptr);
    }
    if (!serverUser_.empty()) {
        win::WinHttpSetCredentials(request_, win::WINHTTP_AUTH_TARGET_SERVER,
                                   win::WINHTTP_AUTH_SCHEME_BASIC, serverUser_.c_str(),
                                   OrNull(serverPassword_), nullptr);
    }
    const std::size_t total = body.size();
    const std::size_t head = total % kUploadChunk;
    const std::size_t chunks = total / kUploadChunk;
    if (!win::WinHttpSendRequest(request_, nullptr, 0, body.data(), static_cast<win::DWORD>(head),
                                 static_cast<win::DWORD>(total), 0)) {
        return 0;
    }
    std::shared_ptr<ProgressBlock> block;
    if (progress) {
        block = StartProgressWatcher(std::move(progress), userValue,
                                     static_cast<std::int64_t>(total), TransferKind::Upload);
    }
    TransferClock clock;
    for (std::size_t i = 1; i <= chunks; ++i) {
        const std::size_t offset = head + (i - 1) * kUploadChunk;
        if (block != nullptr) {
            block->elapsedMs.store(clock.Step());
            block->bytesDone.store(static_cast<std::int64_t>(offset));
        }
        win::DWORD written = 0;
        win::WinHttpWriteData(request_, body.data() + offset, kUploadChunk, &written);
    }
    if (block != nullptr) {
        block->bytesDone.store(kProgressFinished);
    }
    win::WinHttpReceiveResponse(request_, nullptr);
    win::DWORD size = 0;
    win::WinHttpQueryHeaders(request_, win::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, nullptr, &size,
                             nullptr);
    if (size >= sizeof(win::WCHAR)) {
        std::vector<win::WCHAR> buffer(size / sizeof(win::WCHAR) + 1, u'\0');
        if (win::WinHttpQueryHeaders(request_, win::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                     buffer.data(), &size, nullptr)) {
            responseHeaders_.assign(buffer.data(), size / sizeof(win::WCHAR));
        }
    }
    return platform_;
}

bool WinHttpClient::DownloadToFile(std::string_view folder, std::string_view fileName,
                                   ProgressRoutine progress, std::int32_t userValue) {
    const std::string folderText(folder);
    if (win::PathIsDirectoryA(folderText.c_str()) !=
        static_cast<win::BOOL>(win::FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    std::string path = folderText;
    if (!path.ends_with('\\')) {
        path += '\\';
    }
    path += fileName;
    const std::int64_t total = NumericValue(GetHeader("Content-Length"));
    if (total <= 0) {
        return false;
    }
    std::shared_ptr<ProgressBlock> block;
    if (progress) {
        block = StartProgressWatcher(std::move(progress), userValue, total, TransferKind::Download);
    }
    ProgressEnd end(block);

    // The pieces are small; the file takes them in large writes. The buffer
    // outlives the file.
    std::vector<char> fileBuffer(kFileBuffer);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(files::DiskPath(path).c_str(), "wb"));
    if (file == nullptr) {
        return false;
    }
    std::setvbuf(file.get(), fileBuffer.data(), _IOFBF, fileBuffer.size());
    std::vector<char> piece(kDownloadPiece);
    std::int64_t written = 0;
    TransferClock clock;
    bool writeFailed = false;
    while (true) {
        win::DWORD read = 0;
        if (!win::WinHttpReadData(request_, piece.data(), kDownloadPiece, &read) || read == 0) {
            break;
        }
        if (std::fwrite(piece.data(), 1, read, file.get()) != read) {
            writeFailed = true;
            break;
        }
        written += read;
        if (block != nullptr) {
            block->elapsedMs.store(clock.Step());
            block->bytesDone.store(written);
        }
    }
    const bool closed = std::fclose(file.release()) == 0;
    // A transfer cut short would leave a truncated file in place of the
    // real one; the caller retries instead.
    if (writeFailed || !closed || written != total) {
        files::Delete(path);
        return false;
    }
    end.Completed();
    return true;
}

void WinHttpClient::ReadRemainingBody() {
    if (!responseBody_.empty()) {
        return;
    }
    std::vector<char> piece(kReadPiece);
    while (true) {
        win::DWORD read = 0;
        if (!win::WinHttpReadData(request_, piece.data(), kReadPiece, &read) || read == 0) {
            return;
        }
        responseBody_.append(piece.data(), read);
    }
}

std::string WinHttpClient::ResponseBytes() {
    ReadRemainingBody();
    return responseBody_;
}

std::string WinHttpClient::ResponseText() {
    ReadRemainingBody();
    const std::string_view body(
        responseBody_.data(),
        std::find(responseBody_.begin(), responseBody_.end(), '\0') - responseBody_.begin());
    return Utf8ToGbk(body);
}

std::string WinHttpClient::HeaderText() const {
    return codepage::Utf16ToGbk(responseHeaders_);
}

std::string WinHttpClient::GetHeader(std::string_view name) {
    const std::string headers = HeaderText();
    if (name.empty()) {
        return headers;
    }
    const std::string marker = std::string(name) + ":";
    const std::size_t at = FindText(headers, marker);
    if (at == kNotFound) {
        return headers;
    }
    return ToLineEnd(headers, at + marker.size() + 1);
}

std::string WinHttpClient::GetLocation() {
    const std::string headers = HeaderText();
    const std::size_t at = FindText(headers, "Location");
    return at == kNotFound ? std::string() : ToLineEnd(headers, at + 10);
}

std::string WinHttpClient::GetCookie(std::string_view name, bool valueOnly, int trim) {
    const std::string headers = HeaderText();
    std::string all;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = FindText(headers, "Set-Cookie", from);
        if (at == kNotFound) {
            return CutTail(all, trim);
        }
        const std::size_t start = std::min(at + 12, headers.size());
        const std::size_t semicolon = FindText(headers, ";", start);
        std::string pair;
        if (semicolon != kNotFound) {
            pair = headers.substr(start, std::min(semicolon + 2, headers.size()) - start);
        }
        const std::size_t equals = pair.find('=');
        const std::string pairName = pair.substr(0, equals);
        if (pairName == name) {
            if (!valueOnly) {
                return CutTail(pair, trim);
            }
            const std::size_t valueStart = equals == std::string::npos ? pair.size() : equals + 1;
            const std::size_t valueEnd = pair.find(';');
            const std::string value = valueEnd == std::string::npos || valueEnd < valueStart
                                          ? std::string()
                                          : pair.substr(valueStart, valueEnd - valueStart);
            return CutTail(value, trim);
        }
        all += pair;
        from = at + 1;
    }
}

void WinHttpClient::CloseHandles() {
    for (win::HINTERNET* handle : {&request_, &connection_, &session_}) {
        if (*handle != nullptr) {
            win::WinHttpCloseHandle(*handle);
            *handle = nullptr;
        }
    }
}

win::BOOL WinHttpClient::Close() {
    CloseHandles();
    proxyServer_.clear();
    proxyUser_.clear();
    proxyPassword_.clear();
    serverUser_.clear();
    serverPassword_.clear();
    responseHeaders_.clear();
    responseBody_.clear();
    return platform_;
}

}  // namespace net
