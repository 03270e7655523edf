#pragma once
// The fixture site: an HTTP/1.1 server on the loopback interface that the
// tests start themselves. It records every request byte for byte and
// answers from scripted routes, and misbehaves on demand: cut a body short,
// stall, send no Content-Length, trickle at a chosen rate.
//
// Adding a route is one call:
//     site.Serve("/note", Reply::Text(page));
//     site.Route("/login", [](const ReceivedRequest& r) { return Reply::Text(r.body); });
//
// It also answers as an HTTP proxy: a request line with an absolute URL
// ("GET http://h.test/x HTTP/1.1") is routed by that URL's path, so tests
// can use any host name.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace verdel_test {

// One request as the site received it.
struct ReceivedRequest {
    std::string raw;                       // every byte, body included
    std::string head;                      // request line, header lines and the empty line
    std::string method;                    // "GET"
    std::string target;                    // as in the request line
    std::string path;                      // the target's path, without query
    std::string query;                     // behind "?", without it
    std::vector<std::string> headerLines;  // without their CR LF, in order
    std::string body;

    // The value of the first header of that name (any case), blanks around
    // it removed; empty when absent.
    std::string Header(std::string_view name) const;
};

// A scripted answer.
struct Reply {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::string> headers;  // sent as written, in order, before Content-Length
    std::string body;
    // When 0 or more: a body of that many pattern bytes instead of `body`,
    // made while it is sent (so it can be hundreds of megabytes).
    std::int64_t patternLength = -1;
    // Send "Content-Length: " + the body's length after the headers.
    bool sendLength = true;
    // When 0 or more: the length announced instead of the real one.
    std::int64_t announcedLength = -1;
    // When 0 or more: close the connection after this many body bytes.
    std::int64_t closeAfter = -1;
    // Wait this long before the first byte of the answer.
    int delayMs = 0;
    // Stop for stallMs after stallAfter body bytes (0: before the body).
    int stallMs = 0;
    std::int64_t stallAfter = 0;
    // When above 0: the body trickles at about this many bytes a second.
    std::int64_t bytesPerSecond = 0;

    static Reply Text(std::string body, std::string contentType = "text/html");
    static Reply Redirect(std::string location, int status = 302);
    static Reply Pattern(std::int64_t length);
};

using Handler = std::function<Reply(const ReceivedRequest&)>;

// The bytes of pattern bodies: byte i of every pattern body is
// PatternBytes(i, 1). Its period is not a power of two, so a lost, doubled
// or reordered piece shows.
std::string PatternBytes(std::int64_t offset, std::size_t length);

enum class Scheme {
    Http,
    // TLS with a certificate made for this site (127.0.0.1 and localhost),
    // which clients trust only when told to (CertificatePem).
    Https,
};

class FixtureSite {
  public:
    // Listens on 127.0.0.1 at a free port.
    explicit FixtureSite(Scheme scheme = Scheme::Http);
    ~FixtureSite();
    FixtureSite(const FixtureSite&) = delete;
    FixtureSite& operator=(const FixtureSite&) = delete;

    int Port() const;
    std::string HostPort() const;  // "127.0.0.1:port"
    // "http://127.0.0.1:port" + it ("https://" for an Https site).
    std::string Url(std::string_view pathAndQuery) const;
    // The site's certificate (PEM); empty for an Http site.
    std::string CertificatePem() const;

    // Answers requests whose path is `path` (any method, any query). A path
    // without a route gets 404.
    void Route(std::string path, Handler handler);
    void Serve(std::string path, Reply reply);

    std::vector<ReceivedRequest> Requests() const;
    // The last request received; an empty one when there is none.
    ReceivedRequest LastRequest() const;
    void ClearRequests();
    // Long benchmark runs need not keep every request.
    void SetRecording(bool on);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace verdel_test
