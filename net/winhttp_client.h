#pragma once
// A synchronous HTTP/HTTPS client over WinHTTP, made for downloads with
// progress reports. One object serves one request at a time, on one thread:
// Open, add headers, Send (optionally with a body and upload progress),
// then stream the body into a file (DownloadToFile) or read it into memory
// (ResponseBytes, ResponseText); header readers work on the stored response
// headers.
//
// Texts the caller passes are GBK; they reach WinHTTP as UTF-16. No
// operation shows a message: failures are 0, false or empty results.
#include <cstdint>
#include <string>
#include <string_view>

#include "net/progress_block.h"
#include "platform/winhttp/winhttp.h"

namespace net {

class WinHttpClient {
  public:
    WinHttpClient();
    ~WinHttpClient();
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    // An option of the request (a 32-bit value); after Open.
    bool SetOption(std::uint32_t option, std::uint32_t value);
    // Before the first Open: the session uses the proxy from then on.
    win::BOOL SetProxy(std::string_view server, std::string_view user = {},
                       std::string_view password = {});
    // The same limit for resolving, connecting, sending and receiving;
    // after Open.
    bool SetTimeouts(int milliseconds);
    // Basic credentials for the server; before Send.
    win::BOOL SetCredentials(std::string_view user, std::string_view password);
    // A new request over the object's session; 0 on failure, with no handle
    // left open.
    win::BOOL Open(std::string_view method, std::string_view url);
    // name + ":" + value, replacing a header of that name or adding it.
    bool AddHeader(std::string_view name, std::string_view value);
    // The request with body: its first (length mod 2048) bytes go with the
    // request, the rest in 2048-byte chunks. Stores the response headers.
    // 0 when the request could not be sent.
    win::BOOL Send(std::string_view body = {}, ProgressRoutine progress = {},
                   std::int32_t userValue = 0);
    // Streams the body into folder\fileName in pieces of at most 5120 bytes.
    // True only when the file was created and received every byte the
    // response's Content-Length announced; false, with no file left behind,
    // when the folder is missing, no length is announced, the file cannot be
    // created or the transfer is cut short. With a ProgressRoutine the last
    // report gives the total as done only for a complete transfer; a failed
    // one ends its reports without it.
    bool DownloadToFile(std::string_view folder, std::string_view fileName,
                        ProgressRoutine progress = {}, std::int32_t userValue = 0);
    // The body (read once, then kept).
    std::string ResponseBytes();
    // The body up to its first zero byte, decoded as UTF-8, in GBK.
    std::string ResponseText();
    std::string GetCookie(std::string_view name = {}, bool valueOnly = false, int trim = 0);
    // The Location value; empty when there is none.
    std::string GetLocation();
    // The header's value; the whole header block for an empty name or one
    // that does not occur.
    std::string GetHeader(std::string_view name = {});
    win::BOOL Close();

  private:
    void CloseHandles();
    std::string HeaderText() const;
    void ReadRemainingBody();

    win::BOOL platform_ = 0;
    std::u16string proxyServer_;
    std::u16string proxyUser_;
    std::u16string proxyPassword_;
    std::u16string serverUser_;
    std::u16string serverPassword_;
    std::u16string responseHeaders_;
    std::string responseBody_;
    win::HINTERNET session_ = nullptr;
    win::HINTERNET connection_ = nullptr;
    win::HINTERNET request_ = nullptr;
};

}  // namespace net
