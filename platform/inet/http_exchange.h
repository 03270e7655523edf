#pragma once
// One HTTP/1.1 exchange that its caller drives step by step: send the request
// with the first piece of its body, write the rest in further pieces, wait
// for the final response's headers, then pull the body piece by piece as it
// arrives. The layer's HTTP interfaces (the WinInet and WinHTTP subsets, the
// HTTP request object and the URL reader) all run their exchanges on it.
//
// What reaches the server is the request line, a Host line, the caller's
// header lines exactly as written and in their order, and the body; the
// layer adds nothing else except Content-Length for a body whose caller did
// not list one. At most a bounded amount of the response body is buffered:
// when the reader falls behind, the transfer waits for it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::http {

// Milliseconds; 0 or less waits without limit. The send and receive limits
// bound the time without progress once the connection stands.
struct Timeouts {
    int resolve = 0;
    int connect = 60000;
    int send = 30000;
    int receive = 30000;
};

enum class RedirectPolicy {
    Never,
    NotFromHttpsToHttp,
    Always,
};

struct ExchangeRequest {
    std::string method = "GET";
    std::string url;                       // scheme://host[:port]/object
    std::vector<std::string> headerLines;  // "Name: value", sent as written
    std::int64_t bodyLength = 0;           // all the body bytes the caller will hand over
    RedirectPolicy redirects = RedirectPolicy::Always;
    std::string proxy;  // host:port of an HTTP proxy; empty for a direct connection
    std::string proxyUser;
    std::string proxyPassword;
    std::string user;  // basic credentials for the server; empty for none
    std::string password;
    Timeouts timeouts;
};

class Exchange {
  public:
    explicit Exchange(ExchangeRequest request);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // Connects and sends the request line, the headers and firstPiece of the
    // body. False when no response can come (no connection, bad address).
    bool Start(std::string_view firstPiece);
    // Hands over the next piece of the body; returns once the transfer took
    // it. False when the exchange has failed.
    bool Write(std::string_view piece);
    // Waits until the final response's headers are complete (interim 1xx
    // answers and followed redirects are passed over). False on failure.
    bool ReceiveResponse();
    // Up to size bytes of the body, waiting for at least one; 0 at the end
    // of the body or on failure.
    std::size_t Read(char* buffer, std::size_t size);

    // The exchange ended in an error (connection, timeout, body cut short).
    bool Failed() const;
    // Status code of the final response; 0 before it.
    int Status() const;
    // The final response's status line and header lines exactly as
    // received, each with its line end, and the empty line that closes them.
    const std::string& RawHeaders() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The address of a request to server and object: https or http, with the
// port only when it is neither 0 (the scheme's default) nor that default.
std::string RequestAddress(bool secure, std::string_view server, unsigned port,
                           std::string_view object);

// The read call both HTTP interfaces offer: the next piece of the body into
// buffer, its size in *read (0 at the end; *read is cleared first when
// given). False without an exchange, buffer or count, or when the exchange
// failed and nothing came.
bool ReadPiece(Exchange* exchange, void* buffer, std::uint32_t size, std::uint32_t* read);

// Certificates (PEM) that HTTPS connections trust instead of the system's;
// empty restores the system's. For a private test site.
void SetTrustedCertificates(std::string pem);

// The URL with bytes that may not appear in a request line (controls, space,
// bytes of 0x80 and above) written as %XX.
std::string EscapeUrl(std::string_view url);

// The proxy for a request from a proxy list of "host:port" entries (any
// scheme) and "scheme=host:port" entries, separated by blanks or ';'.
// Empty when no entry applies.
std::string ProxyForScheme(std::string_view list, bool secure);

// Header lines of a text whose lines end with CR LF; a bare CR or LF also
// ends a line. Empty lines are dropped.
std::vector<std::string> SplitHeaderLines(std::string_view text);

// True when the name of the header line (text before its ':') is name,
// without regard to case.
bool HeaderNameIs(std::string_view line, std::string_view name);

}  // namespace platform::http
