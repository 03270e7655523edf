#pragma once
// The HTTP request object registered as "Winhttp.WinhttpRequest.5.1": one
// synchronous request at a time, sent with the object's own agent and
// Accept lines, redirects followed (not from https to http).
//
// Texts are UTF-16; the request line and header texts go out in code page
// 936 and come back through it, the URL's path as UTF-8, escaped.
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/com.h"

namespace com {

// Script error of a call made in the wrong state (Send before Open).
constexpr win::HRESULT E_REQUEST_NOT_OPEN = static_cast<win::HRESULT>(0x80072EF3);
// No response: the server could not be reached or timed out.
constexpr win::HRESULT E_REQUEST_FAILED = static_cast<win::HRESULT>(0x80072EFD);
// GetResponseHeader for a header the response does not have.
constexpr win::HRESULT E_HEADER_NOT_FOUND = static_cast<win::HRESULT>(0x80072F76);

class WinHttpRequest {
  public:
    ~WinHttpRequest();
    WinHttpRequest(const WinHttpRequest&) = delete;
    WinHttpRequest& operator=(const WinHttpRequest&) = delete;

    // Milliseconds for name resolution, connecting, sending and receiving;
    // 0 or -1 waits without limit. Applies to requests sent after it.
    win::HRESULT SetTimeouts(long resolve, long connect, long send, long receive);
    // Starts a new request. Only synchronous requests (async false).
    win::HRESULT Open(std::u16string_view method, std::u16string_view url, bool async = false);
    // Sends the opened request with body (bytes) and waits for the
    // response's headers.
    win::HRESULT Send(std::string_view body = {});
    // Status code of the last response.
    win::HRESULT Status(long* status) const;
    // The value of the response header name (any case).
    win::HRESULT GetResponseHeader(std::u16string_view name, std::u16string* value) const;

  private:
    friend std::unique_ptr<WinHttpRequest> CreateWinHttpRequest();
    WinHttpRequest();
    struct State;
    std::unique_ptr<State> state_;
};

// A new request object owned by the calling thread; null when COM is not
// initialised on it.
std::unique_ptr<WinHttpRequest> CreateWinHttpRequest();

}  // namespace com
