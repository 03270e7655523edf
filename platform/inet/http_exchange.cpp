#include "platform/inet/http_exchange.h"

#include <curl/curl.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <mutex>  // also brings the steady clock; <chrono> itself cannot be compiled as GBK

namespace platform::http {
namespace {

using Clock = std::chrono::steady_clock;

// Body bytes held for a reader that falls behind; beyond it the transfer
// waits until the reader has taken some.
constexpr std::size_t kReceiveLimit = 1 << 20;
constexpr long kReceiveBufferSize = 256 * 1024;
constexpr long kMaxRedirects = 10;
constexpr int kIdlePollMs = 1000;

std::mutex& TrustMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& TrustedPem() {
    static std::string pem;
    return pem;
}

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        // A peer that closes while TLS data goes out must fail that write,
        // not end the program.
        std::signal(SIGPIPE, SIG_IGN);
    });
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return HeaderNameIs(line, name); });
}

// curl reads a line "Name:" with nothing behind the colon as "do not send
// Name"; the form "Name;" sends the empty header.
std::string CurlHeaderLine(const std::string& line) {
    const auto colon = line.find(':');
    if (colon != std::string::npos &&
        TrimSpaces(std::string_view(line).substr(colon + 1)).empty()) {
        return line.substr(0, colon) + ";";
    }
    return line;
}

int StatusOfLine(std::string_view line) {
    // "HTTP/1.1 200 OK"
    const auto space = line.find(' ');
    if (space == std::string_view::npos) {
        return 0;
    }
    int status = 0;
    for (std::size_t i = space + 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        status = status * 10 + (line[i] - '0');
        if (status > 999) {
            return 0;
        }
    }
    return status;
}

bool BlockHasLocation(std::string_view block) {
    std::size_t start = 0;
    while (start < block.size()) {
        auto end = block.find('\n', start);
        if (end == std::string_view::npos) {
            end = block.size();
        }
        if (HeaderNameIs(block.substr(start, end - start), "Location")) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool IsRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

struct Exchange::State {
    ExchangeRequest request;
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    std::string trustedPem;

    // Body still to be handed to curl.
    std::string sendBuffer;
    std::size_t sendOffset = 0;
    std::int64_t bodySent = 0;
    bool sendPaused = false;

    // Body received and not yet read.
    std::string receiveBuffer;
    std::size_t receiveOffset = 0;
    bool receivePaused = false;

    bool attached = false;
    bool connected = false;
    bool finished = false;
    CURLcode result = CURLE_OK;

    std::string headerBlock;
    bool blockComplete = false;
    bool finalHeaders = false;
    int blockStatus = 0;
    int status = 0;

    Clock::time_point lastActivity = Clock::now();

    ~State() {
        if (multi != nullptr && easy != nullptr && attached) {
            curl_multi_remove_handle(multi, easy);
        }
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
        curl_slist_free_all(headers);
    }

    void Touch() { lastActivity = Clock::now(); }

    std::size_t SendPending() const { return sendBuffer.size() - sendOffset; }
    std::size_t ReceivePending() const { return receiveBuffer.size() - receiveOffset; }

    bool IsFinalBlock() const {
        if (blockStatus >= 100 && blockStatus < 200 && blockStatus != 101) {
            return false;
        }
        if (request.redirects != RedirectPolicy::Never && IsRedirectStatus(blockStatus) &&
            BlockHasLocation(headerBlock)) {
            return false;  // curl follows it
        }
        return true;
    }

    // --- curl callbacks (never throw across them) ---

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto& self = *static_cast<State*>(user);
        const std::size_t length = size * count;
        try {
            std::string_view line(data, length);
            self.Touch();
            if (line.starts_with("HTTP/")) {
                self.headerBlock.assign(line);
                self.blockComplete = false;
                self.blockStatus = StatusOfLine(line);
            } else if (!self.blockComplete) {
                self.headerBlock.append(line);
                if (line == "\r\n" || line == "\n") {
                    self.blockComplete = true;
                    if (self.IsFinalBlock()) {
                        self.finalHeaders = true;
                        self.status = self.blockStatus;
                    }
                }
            }
            return length;
        } catch (...) {
            return 0;
        }
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto& self = *static_cast<State*>(user);
        const std::size_t length = size * count;
        if (self.ReceivePending() >= kReceiveLimit) {
            self.receivePaused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        try {
            self.receiveBuffer.append(data, length);
            self.Touch();
            return length;
        } catch (...) {
            return 0;
        }
    }

    static std::size_t OnSend(char* buffer, std::size_t size, std::size_t count, void* user) {
        auto& self = *static_cast<State*>(user);
        const std::size_t room = size * count;
        const std::size_t pending = self.SendPending();
        if (pending == 0) {
            if (self.bodySent >= self.request.bodyLength) {
                return 0;
            }
            self.sendPaused = true;
            return CURL_READFUNC_PAUSE;
        }
        const std::size_t n = std::min(room, pending);
        std::memcpy(buffer, self.sendBuffer.data() + self.sendOffset, n);
        self.sendOffset += n;
        self.bodySent += static_cast<std::int64_t>(n);
        if (self.sendOffset == self.sendBuffer.size()) {
            self.sendBuffer.clear();
            self.sendOffset = 0;
        }
        self.Touch();
        return n;
    }

    static int OnConnected(void* user, char*, char*, int, int) {
        auto& self = *static_cast<State*>(user);
        self.connected = true;
        self.Touch();
        return CURL_PREREQFUNC_OK;
    }

    // --- setup ---

    bool Configure() {
        easy = curl_easy_init();
        multi = curl_multi_init();
        if (easy == nullptr || multi == nullptr) {
            return false;
        }
        const std::string url = EscapeUrl(request.url);
        bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &State::OnHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &State::OnBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &State::OnSend);
        curl_easy_setopt(easy, CURLOPT_READDATA, this);
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &State::OnConnected);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);

        ConfigureMethod();
        ConfigureRedirects();
        ConfigureProxyAndCredentials();
        ConfigureTimeouts();
        ConfigureTrust();
        ok = ConfigureHeaders() && ok;
        return ok;
    }

    bool HasBody() const { return request.bodyLength > 0 || request.method == "POST"; }

    void ConfigureMethod() {
        const std::string& method = request.method;
        if (method == "HEAD") {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else if (HasBody()) {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.bodyLength));
            if (method != "POST") {
                curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
            }
        } else if (method == "GET") {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        }
    }

    void ConfigureRedirects() {
        if (request.redirects == RedirectPolicy::Never) {
            curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
            return;
        }
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
        const bool secure =
            EqualsIgnoringCase(std::string_view(request.url).substr(0, 6), "https:");
        const bool httpsOnly = secure && request.redirects == RedirectPolicy::NotFromHttpsToHttp;
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, httpsOnly ? "https" : "http,https");
    }

    void ConfigureProxyAndCredentials() {
        // An explicit empty proxy also keeps curl away from proxy settings
        // of the environment.
        const std::string proxy = request.proxy.empty() ? "" : "http://" + request.proxy;
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
        if (!request.proxy.empty() && !request.proxyUser.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
        }
        if (!request.user.empty()) {
            curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(easy, CURLOPT_USERNAME, request.user.c_str());
            curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
        }
    }

    void ConfigureTimeouts() {
        const Timeouts& t = request.timeouts;
        long connectMs = 0;  // curl's own default
        if (t.connect > 0) {
            connectMs = t.connect + std::max(t.resolve, 0);
        }
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    }

    void ConfigureTrust() {
        {
            std::lock_guard lock(TrustMutex());
            trustedPem = TrustedPem();
        }
        if (!trustedPem.empty()) {
            curl_blob blob{trustedPem.data(), trustedPem.size(), CURL_BLOB_NOCOPY};
            curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
        }
    }

    bool ConfigureHeaders() {
        const std::vector<std::string>& lines = request.headerLines;
        std::vector<std::string> list;
        for (const std::string& line : lines) {
            list.push_back(CurlHeaderLine(line));
        }
        // curl's own additions, switched off unless the caller listed them.
        if (!HasHeader(lines, "Accept")) {
            list.emplace_back("Accept:");
        }
        if (!HasHeader(lines, "Expect")) {
            list.emplace_back("Expect:");
        }
        if (HasBody() && !HasHeader(lines, "Content-Type")) {
            list.emplace_back("Content-Type:");
        }
        if (!request.proxy.empty() && !HasHeader(lines, "Proxy-Connection")) {
            list.emplace_back("Proxy-Connection:");
        }
        for (const std::string& line : list) {
            curl_slist* grown = curl_slist_append(headers, line.c_str());
            if (grown == nullptr) {
                return false;
            }
            headers = grown;
        }
        return curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers) == CURLE_OK;
    }

    // --- driving ---

    void ApplyPauses() {
        const int bits = (receivePaused ? CURLPAUSE_RECV : 0) | (sendPaused ? CURLPAUSE_SEND : 0);
        curl_easy_pause(easy, bits);
    }

    void CollectMessages() {
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                finished = true;
                result = message->data.result;
            }
        }
        if (finished && !finalHeaders && blockStatus != 0) {
            // curl chose not to go on (for example a redirect it does not
            // follow): the last response it received is the final one.
            finalHeaders = true;
            status = blockStatus;
        }
    }

    void Abort(CURLcode why) {
        if (attached) {
            curl_multi_remove_handle(multi, easy);
            attached = false;
        }
        finished = true;
        result = why;
    }

    // Runs the transfer until done() holds or it ends. idleLimitMs bounds the
    // time without progress once connected.
    bool Drive(const std::function<bool()>& done, int idleLimitMs) {
        const Clock::time_point callStart = Clock::now();
        while (true) {
            if (done()) {
                return true;
            }
            if (finished) {
                return false;
            }
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                Abort(CURLE_FAILED_INIT);
                return done();
            }
            CollectMessages();
            if (done()) {
                return true;
            }
            if (finished) {
                return false;
            }
            int waitMs = kIdlePollMs;
            if (connected && idleLimitMs > 0) {
                const auto since = std::max(lastActivity, callStart);
                const auto idle =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since)
                        .count();
                if (idle >= idleLimitMs) {
                    Abort(CURLE_OPERATION_TIMEDOUT);
                    return false;
                }
                waitMs = static_cast<int>(std::min<long long>(kIdlePollMs, idleLimitMs - idle));
            }
            curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        }
    }
};

Exchange::Exchange(ExchangeRequest request) : state_(std::make_unique<State>()) {
    InitialiseCurlOnce();
    state_->request = std::move(request);
}

Exchange::~Exchange() = default;

bool Exchange::Start(std::string_view firstPiece) {
    State& s = *state_;
    if (s.attached || s.finished) {
        return false;
    }
    if (!s.Configure()) {
        s.finished = true;
        s.result = CURLE_URL_MALFORMAT;
        return false;
    }
    s.sendBuffer.assign(firstPiece);
    if (curl_multi_add_handle(s.multi, s.easy) != CURLM_OK) {
        s.finished = true;
        s.result = CURLE_FAILED_INIT;
        return false;
    }
    s.attached = true;
    s.Drive([&] { return s.connected && s.SendPending() == 0; }, s.request.timeouts.send);
    // A failure before any answer means the request could not be sent.
    return !(s.finished && s.result != CURLE_OK && s.blockStatus == 0);
}

bool Exchange::Write(std::string_view piece) {
    State& s = *state_;
    if (!s.attached || s.finished) {
        return false;
    }
    if (piece.empty()) {
        return true;
    }
    s.sendBuffer.append(piece);
    if (s.sendPaused) {
        s.sendPaused = false;
        s.ApplyPauses();
    }
    return s.Drive([&] { return s.SendPending() == 0; }, s.request.timeouts.send);
}

bool Exchange::ReceiveResponse() {
    State& s = *state_;
    if (!s.attached && !s.finished) {
        return false;
    }
    s.Drive([&] { return s.finalHeaders; }, s.request.timeouts.receive);
    if (!s.finalHeaders) {
        return false;
    }
    return !(s.finished && s.result != CURLE_OK && s.ReceivePending() == 0 && s.status == 0);
}

std::size_t Exchange::Read(char* buffer, std::size_t size) {
    State& s = *state_;
    if (size == 0 || (!s.attached && !s.finished)) {
        return 0;
    }
    if (s.ReceivePending() == 0 && s.receivePaused) {
        s.receivePaused = false;
        s.ApplyPauses();
    }
    s.Drive([&] { return s.ReceivePending() > 0; }, s.request.timeouts.receive);
    const std::size_t n = std::min(size, s.ReceivePending());
    if (n == 0) {
        return 0;
    }
    std::memcpy(buffer, s.receiveBuffer.data() + s.receiveOffset, n);
    s.receiveOffset += n;
    if (s.receiveOffset == s.receiveBuffer.size()) {
        s.receiveBuffer.clear();
        s.receiveOffset = 0;
    } else if (s.receiveOffset >= kReceiveLimit) {
        s.receiveBuffer.erase(0, s.receiveOffset);
        s.receiveOffset = 0;
    }
    if (s.receivePaused && s.ReceivePending() < kReceiveLimit) {
        s.receivePaused = false;
        s.ApplyPauses();
    }
    return n;
}

bool Exchange::Failed() const {
    return state_->finished && state_->result != CURLE_OK;
}

int Exchange::Status() const {
    return state_->finalHeaders ? state_->status : 0;
}

const std::string& Exchange::RawHeaders() const {
    static const std::string none;
    return state_->finalHeaders ? state_->headerBlock : none;
}

void SetTrustedCertificates(std::string pem) {
    std::lock_guard lock(TrustMutex());
    TrustedPem() = std::move(pem);
}

std::string EscapeUrl(std::string_view url) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(url.size());
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            escaped.push_back('%');
            escaped.push_back(kHex[byte >> 4]);
            escaped.push_back(kHex[byte & 0x0F]);
        } else {
            escaped.push_back(c);
        }
    }
    return escaped;
}

std::string ProxyForScheme(std::string_view list, bool secure) {
    const std::string_view wanted = secure ? "https" : "http";
    std::string chosen;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(" ;", start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view entry = list.substr(start, end - start);
        start = end + 1;
        if (entry.empty()) {
            continue;
        }
        const auto equals = entry.find('=');
        if (equals != std::string_view::npos) {
            if (!EqualsIgnoringCase(entry.substr(0, equals), wanted)) {
                continue;
            }
            entry.remove_prefix(equals + 1);
        } else if (!chosen.empty()) {
            continue;  // a scheme's own entry wins over a general one
        }
        if (entry.starts_with("http://")) {
            entry.remove_prefix(7);
        }
        chosen.assign(entry);
        if (equals != std::string_view::npos) {
            break;
        }
    }
    return chosen;
}

std::vector<std::string> SplitHeaderLines(std::string_view text) {
    // A CR or LF anywhere ends a line, so no header can smuggle in another.
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            lines.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

bool HeaderNameIs(std::string_view line, std::string_view name) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    return EqualsIgnoringCase(TrimSpaces(line.substr(0, colon)), name);
}

std::string RequestAddress(bool secure, std::string_view server, unsigned port,
                           std::string_view object) {
    const unsigned defaultPort = secure ? 443 : 80;
    std::string url = secure ? "https://" : "http://";
    url += server;
    if (port != 0 && port != defaultPort) {
        url += ":" + std::to_string(port);
    }
    if (!object.starts_with("/")) {
        url += "/";
    }
    url += object;
    return url;
}

bool ReadPiece(Exchange* exchange, void* buffer, std::uint32_t size, std::uint32_t* read) {
    if (read != nullptr) {
        *read = 0;
    }
    if (exchange == nullptr || buffer == nullptr || read == nullptr) {
        return false;
    }
    *read = static_cast<std::uint32_t>(exchange->Read(static_cast<char*>(buffer), size));
    return *read > 0 || !exchange->Failed();
}

}  // namespace platform::http
