#include "fixture_site.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace verdel_test {
namespace {

constexpr std::size_t kPatternPeriod = 4093;
constexpr std::size_t kSendSlice = 256 * 1024;
constexpr std::size_t kMaxHead = 1 << 20;

const std::string& PatternRun() {
    // The period once, then enough of it again that any slice of up to
    // kSendSlice bytes is one contiguous run.
    static const std::string run = [] {
        std::string table(kPatternPeriod, '\0');
        std::uint32_t seed = 0x2545F491u;
        for (char& c : table) {
            seed = seed * 1664525u + 1013904223u;
            c = static_cast<char>(seed >> 24);
        }
        std::string result;
        result.reserve(kPatternPeriod + kSendSlice);
        while (result.size() < kPatternPeriod + kSendSlice) {
            result += table;
        }
        return result;
    }();
    return run;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// One accepted connection, plain or TLS.
struct Transport {
    int fd = -1;
    SSL* ssl = nullptr;

    Transport() = default;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;
    ~Transport() {
        if (ssl != nullptr) {
            SSL_free(ssl);
        }
    }

    long Receive(char* buffer, std::size_t size) {
        if (ssl != nullptr) {
            return SSL_read(ssl, buffer, static_cast<int>(size));
        }
        return ::recv(fd, buffer, size, 0);
    }

    bool SendAll(const char* data, std::size_t size) {
        while (size > 0) {
            const long sent = ssl != nullptr ? SSL_write(ssl, data, static_cast<int>(size))
                                             : ::send(fd, data, size, MSG_NOSIGNAL);
            if (sent <= 0) {
                return false;
            }
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return true;
    }

    bool SendAll(std::string_view text) { return SendAll(text.data(), text.size()); }
};

// A key and a self-signed certificate for 127.0.0.1 and localhost.
struct Credentials {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    std::string pem;

    Credentials() {
        key = EVP_EC_gen("P-256");
        certificate = X509_new();
        if (key == nullptr || certificate == nullptr) {
            throw std::runtime_error("fixture site: no key");
        }
        X509_set_version(certificate, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), 7 * 24 * 3600);
        X509_set_pubkey(certificate, key);
        X509_NAME* name = X509_get_subject_name(certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(certificate, name);
        X509V3_CTX context;
        X509V3_set_ctx_nodb(&context);
        X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
        const std::pair<int, const char*> extensions[] = {
            {NID_basic_constraints, "critical,CA:TRUE"},
            {NID_key_usage, "critical,digitalSignature,keyCertSign"},
            {NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost"},
        };
        for (const auto& [nid, value] : extensions) {
            X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
            X509_add_ext(certificate, extension, -1);
            X509_EXTENSION_free(extension);
        }
        X509_sign(certificate, key, EVP_sha256());
        BIO* memory = BIO_new(BIO_s_mem());
        PEM_write_bio_X509(memory, certificate);
        char* data = nullptr;
        const long size = BIO_get_mem_data(memory, &data);
        pem.assign(data, static_cast<std::size_t>(size));
        BIO_free(memory);
    }
    Credentials(const Credentials&) = delete;
    Credentials& operator=(const Credentials&) = delete;
    ~Credentials() {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
};

// Splits the head into request line parts and header lines.
bool ParseHead(std::string_view head, ReceivedRequest& request) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < head.size()) {
        const std::size_t end = head.find("\r\n", start);
        if (end == std::string_view::npos || end == start) {
            break;
        }
        lines.emplace_back(head.substr(start, end - start));
        start = end + 2;
    }
    if (lines.empty()) {
        return false;
    }
    const std::string& requestLine = lines.front();
    const auto firstSpace = requestLine.find(' ');
    const auto lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string::npos || lastSpace == firstSpace) {
        return false;
    }
    request.method = requestLine.substr(0, firstSpace);
    request.target = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    request.headerLines.assign(lines.begin() + 1, lines.end());

    std::string_view target = request.target;
    for (std::string_view scheme : {"http://", "https://"}) {
        if (target.starts_with(scheme)) {
            target.remove_prefix(scheme.size());
            const auto slash = target.find('/');
            target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
        }
    }
    const auto question = target.find('?');
    request.path = std::string(target.substr(0, question));
    request.query =
        question == std::string_view::npos ? "" : std::string(target.substr(question + 1));
    return true;
}

}  // namespace

std::string ReceivedRequest::Header(std::string_view name) const {
    for (const std::string& line : headerLines) {
        const auto colon = line.find(':');
        if (colon != std::string::npos &&
            SameName(Trim(std::string_view(line).substr(0, colon)), name)) {
            return std::string(Trim(std::string_view(line).substr(colon + 1)));
        }
    }
    return {};
}

Reply Reply::Text(std::string body, std::string contentType) {
    Reply reply;
    reply.headers.push_back("Content-Type: " + contentType);
    reply.body = std::move(body);
    return reply;
}

Reply Reply::Redirect(std::string location, int status) {
    Reply reply;
    reply.status = status;
    reply.reason = status == 301 ? "Moved Permanently" : "Found";
    reply.headers.push_back("Location: " + location);
    reply.body = "moved";
    return reply;
}

Reply Reply::Pattern(std::int64_t length) {
    Reply reply;
    reply.headers.push_back("Content-Type: application/octet-stream");
    reply.patternLength = length;
    return reply;
}

std::string PatternBytes(std::int64_t offset, std::size_t length) {
    const std::string& run = PatternRun();
    std::string bytes;
    bytes.reserve(length);
    while (bytes.size() < length) {
        const std::size_t at =
            static_cast<std::size_t>((offset + static_cast<std::int64_t>(bytes.size())) %
                                     static_cast<std::int64_t>(kPatternPeriod));
        bytes.append(run, at, std::min(length - bytes.size(), kSendSlice));
    }
    return bytes;
}

struct FixtureSite::Impl {
    struct Connection {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    int listenFd = -1;
    int port = 0;
    std::unique_ptr<Credentials> credentials;
    SSL_CTX* tls = nullptr;
    std::thread acceptor;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool recording = true;
    std::map<std::string, Handler> routes;
    std::vector<ReceivedRequest> requests;
    std::list<std::unique_ptr<Connection>> connections;

    void MakeTls() {
        credentials = std::make_unique<Credentials>();
        tls = SSL_CTX_new(TLS_server_method());
        if (tls == nullptr || SSL_CTX_use_certificate(tls, credentials->certificate) != 1 ||
            SSL_CTX_use_PrivateKey(tls, credentials->key) != 1) {
            throw std::runtime_error("fixture site: no TLS");
        }
    }

    void Listen() {
        // Writes to a client that has gone must fail, not end the tests.
        std::signal(SIGPIPE, SIG_IGN);
        listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (listenFd < 0) {
            throw std::runtime_error("fixture site: no socket");
        }
        int yes = 1;
        ::setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listenFd, 128) != 0) {
            ::close(listenFd);
            throw std::runtime_error("fixture site: cannot listen");
        }
        socklen_t size = sizeof address;
        ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
        acceptor = std::thread([this] { AcceptLoop(); });
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            for (auto& connection : connections) {
                ::shutdown(connection->fd, SHUT_RDWR);
            }
        }
        wake.notify_all();
        ::shutdown(listenFd, SHUT_RDWR);
        acceptor.join();
        ::close(listenFd);
        for (auto& connection : connections) {
            connection->thread.join();
            ::close(connection->fd);
        }
        if (tls != nullptr) {
            SSL_CTX_free(tls);
        }
    }

    void AcceptLoop() {
        while (true) {
            const int fd = ::accept(listenFd, nullptr, nullptr);
            std::lock_guard lock(mutex);
            if (stopping) {
                if (fd >= 0) {
                    ::close(fd);
                }
                return;
            }
            ReapFinished();
            if (fd < 0) {
                continue;
            }
            int yes = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            auto connection = std::make_unique<Connection>();
            connection->fd = fd;
            Connection* raw = connection.get();
            connection->thread = std::thread([this, raw] {
                try {
                    ServeConnection(raw->fd);
                } catch (...) {
                    // A malformed request or a handler that threw: drop the connection.
                }
                ::shutdown(raw->fd, SHUT_RDWR);
                raw->done = true;
            });
            connections.push_back(std::move(connection));
        }
    }

    // Called with the mutex held.
    void ReapFinished() {
        for (auto it = connections.begin(); it != connections.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                ::close((*it)->fd);
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
    }

    // Waits; false when the site is stopping.
    bool Pause(int milliseconds) {
        std::unique_lock lock(mutex);
        return !wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return stopping; });
    }

    bool Stopping() const {
        std::lock_guard lock(mutex);
        return stopping;
    }

    // --- one connection ---

    struct Reader {
        Transport& transport;
        std::string pending;

        bool Fill() {
            char buffer[65536];
            const long n = transport.Receive(buffer, sizeof buffer);
            if (n <= 0) {
                return false;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            return true;
        }

        // The next `size` bytes.
        std::optional<std::string> Take(std::size_t size) {
            while (pending.size() < size) {
                if (!Fill()) {
                    return std::nullopt;
                }
            }
            std::string taken = pending.substr(0, size);
            pending.erase(0, size);
            return taken;
        }

        // Bytes up to and including `marker`.
        std::optional<std::string> TakeThrough(std::string_view marker, std::size_t limit) {
            std::size_t at;
            while ((at = pending.find(marker)) == std::string::npos) {
                if (pending.size() > limit || !Fill()) {
                    return std::nullopt;
                }
            }
            return Take(at + marker.size());
        }
    };

    void ServeConnection(int fd) {
        Transport transport;
        transport.fd = fd;
        if (tls != nullptr) {
            transport.ssl = SSL_new(tls);
            if (transport.ssl == nullptr || SSL_set_fd(transport.ssl, fd) != 1 ||
                SSL_accept(transport.ssl) != 1) {
                return;
            }
        }
        Reader reader{transport, {}};
        while (!Stopping()) {
            std::optional<ReceivedRequest> request = ReadRequest(reader, transport);
            if (!request) {
                return;
            }
            Record(*request);
            const Reply reply = Answer(*request);
            if (!SendReply(transport, *request, reply) || !KeepsAlive(*request, reply)) {
                return;
            }
        }
    }

    std::optional<ReceivedRequest> ReadRequest(Reader& reader, Transport& transport) {
        std::optional<std::string> head = reader.TakeThrough("\r\n\r\n", kMaxHead);
        if (!head) {
            return std::nullopt;
        }
        ReceivedRequest request;
        request.head = *head;
        if (!ParseHead(request.head, request)) {
            return std::nullopt;
        }
        if (SameName(request.Header("Expect"), "100-continue")) {
            transport.SendAll("HTTP/1.1 100 Continue\r\n\r\n");
        }
        request.raw = request.head;
        if (SameName(request.Header("Transfer-Encoding"), "chunked")) {
            if (!ReadChunkedBody(reader, request)) {
                return std::nullopt;
            }
        } else if (const std::string length = request.Header("Content-Length"); !length.empty()) {
            std::optional<std::string> body = reader.Take(std::stoull(length));
            if (!body) {
                return std::nullopt;
            }
            request.body = *body;
            request.raw += *body;
        }
        return request;
    }

    static bool ReadChunkedBody(Reader& reader, ReceivedRequest& request) {
        while (true) {
            std::optional<std::string> sizeLine = reader.TakeThrough("\r\n", kMaxHead);
            if (!sizeLine) {
                return false;
            }
            request.raw += *sizeLine;
            const std::size_t size = std::stoull(*sizeLine, nullptr, 16);
            if (size == 0) {
                std::optional<std::string> end = reader.TakeThrough("\r\n", kMaxHead);
                if (!end) {
                    return false;
                }
                request.raw += *end;
                return true;
            }
            std::optional<std::string> data = reader.Take(size + 2);
            if (!data) {
                return false;
            }
            request.raw += *data;
            request.body += data->substr(0, size);
        }
    }

    void Record(const ReceivedRequest& request) {
        std::lock_guard lock(mutex);
        if (recording) {
            requests.push_back(request);
        }
    }

    Reply Answer(const ReceivedRequest& request) {
        Handler handler;
        {
            std::lock_guard lock(mutex);
            const auto it = routes.find(request.path);
            if (it != routes.end()) {
                handler = it->second;
            }
        }
        if (!handler) {
            Reply missing = Reply::Text("not found", "text/plain");
            missing.status = 404;
            missing.reason = "Not Found";
            return missing;
        }
        return handler(request);
    }

    static bool KeepsAlive(const ReceivedRequest& request, const Reply& reply) {
        return reply.sendLength && reply.announcedLength < 0 && reply.closeAfter < 0 &&
               !SameName(request.Header("Connection"), "close");
    }

    static std::int64_t BodyLength(const Reply& reply) {
        return reply.patternLength >= 0 ? reply.patternLength
                                        : static_cast<std::int64_t>(reply.body.size());
    }

    bool SendReply(Transport& transport, const ReceivedRequest& request, const Reply& reply) {
        if (reply.delayMs > 0 && !Pause(reply.delayMs)) {
            return false;
        }
        std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
        for (const std::string& line : reply.headers) {
            head += line + "\r\n";
        }
        const std::int64_t length = BodyLength(reply);
        if (reply.sendLength) {
            const std::int64_t announced =
                reply.announcedLength >= 0 ? reply.announcedLength : length;
            head += "Content-Length: " + std::to_string(announced) + "\r\n";
        }
        head += "\r\n";
        const bool bodyless =
            request.method == "HEAD" || reply.status == 204 || reply.status == 304;
        const bool plain = reply.patternLength < 0 && reply.closeAfter < 0 && reply.stallMs == 0 &&
                           reply.bytesPerSecond == 0;
        if (bodyless || plain) {
            // One send, so small answers leave in one segment.
            if (!bodyless) {
                head += reply.body;
            }
            return transport.SendAll(head);
        }
        return transport.SendAll(head) && SendBody(transport, reply, length);
    }

    bool SendBody(Transport& transport, const Reply& reply, std::int64_t length) {
        const std::int64_t end =
            reply.closeAfter >= 0 ? std::min(reply.closeAfter, length) : length;
        const std::string& run = PatternRun();
        std::int64_t offset = 0;
        bool stalled = reply.stallMs == 0;
        const auto started = std::chrono::steady_clock::now();
        while (offset < end) {
            if (!stalled && offset >= reply.stallAfter) {
                stalled = true;
                if (!Pause(reply.stallMs)) {
                    return false;
                }
            }
            std::int64_t slice = std::min<std::int64_t>(end - offset, kSendSlice);
            if (!stalled) {
                slice = std::min(slice, reply.stallAfter - offset);
            }
            if (reply.bytesPerSecond > 0) {
                slice = std::min<std::int64_t>(
                    slice, std::max<std::int64_t>(1, reply.bytesPerSecond / 20));
                const auto due =
                    started + std::chrono::milliseconds(offset * 1000 / reply.bytesPerSecond);
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    due - std::chrono::steady_clock::now());
                if (wait.count() > 0 && !Pause(static_cast<int>(wait.count()))) {
                    return false;
                }
            }
            const char* data = reply.patternLength >= 0
                                   ? run.data() + offset % static_cast<std::int64_t>(kPatternPeriod)
                                   : reply.body.data() + offset;
            if (!transport.SendAll(data, static_cast<std::size_t>(slice))) {
                return false;
            }
            offset += slice;
        }
        return end == length;  // a cut body ends the connection
    }
};

FixtureSite::FixtureSite(Scheme scheme) : impl_(std::make_unique<Impl>()) {
    if (scheme == Scheme::Https) {
        impl_->MakeTls();
    }
    impl_->Listen();
}

FixtureSite::~FixtureSite() {
    impl_->Stop();
}

int FixtureSite::Port() const {
    return impl_->port;
}

std::string FixtureSite::HostPort() const {
    return "127.0.0.1:" + std::to_string(impl_->port);
}

std::string FixtureSite::Url(std::string_view pathAndQuery) const {
    return (impl_->tls != nullptr ? "https://" : "http://") + HostPort() +
           std::string(pathAndQuery);
}

std::string FixtureSite::CertificatePem() const {
    return impl_->credentials == nullptr ? std::string() : impl_->credentials->pem;
}

void FixtureSite::Route(std::string path, Handler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->routes[std::move(path)] = std::move(handler);
}

void FixtureSite::Serve(std::string path, Reply reply) {
    Route(std::move(path), [reply = std::move(reply)](const ReceivedRequest&) { return reply; });
}

std::vector<ReceivedRequest> FixtureSite::Requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

ReceivedRequest FixtureSite::LastRequest() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests.empty() ? ReceivedRequest{} : impl_->requests.back();
}

void FixtureSite::ClearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->requests.clear();
}

void FixtureSite::SetRecording(bool on) {
    std::lock_guard lock(impl_->mutex);
    impl_->recording = on;
}

}  // namespace verdel_test
