#pragma once
// The WinInet calls the program makes for its web page access: one session,
// one connection and one request per exchange, blocking calls.
//
// Behaviour the program relies on:
// - HttpSendRequestA sends the request line, Host, the caller's header lines
//   in their order, then "User-Agent: " + the session's agent unless the
//   caller's lines carry a User-Agent of their own, then the body (with
//   Content-Length when the caller did not list one). Nothing else: no
//   cache, no cookies of the layer's own.
// - Redirects are followed unless the request was opened with
//   INTERNET_FLAG_NO_AUTO_REDIRECT; HTTPS with INTERNET_FLAG_SECURE.
// - HttpQueryInfoA(HTTP_QUERY_RAW_HEADERS_CRLF) gives the final response's
//   status line and headers as received; it fails and leaves the buffer as
//   it was when they do not fit together with a terminating NUL.
#include "platform/kernel/win_types.h"

namespace win {

using HINTERNET = void*;
using INTERNET_PORT = WORD;
using DWORD_PTR = ULONG_PTR;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;  // the scheme's default port
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

constexpr DWORD INTERNET_SERVICE_HTTP = 3;

constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_NEED_FILE = 0x00000010;
constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;

constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;

// proxy: for INTERNET_OPEN_TYPE_PROXY a list of "host:port" or
// "scheme=host:port" entries separated by blanks or ';'.
HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy,
                        const char* proxyBypass, DWORD flags);
// Fails (no handle) for an empty server name; makes no connection yet.
HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char* userName, const char* password, DWORD service, DWORD flags,
                           DWORD_PTR context);
// verb: nullptr for "GET"; object: nullptr for "/"; referrer and
// acceptTypes (nullptr-terminated) become Referer and Accept lines.
HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           DWORD flags, DWORD_PTR context);
// headersLength of (DWORD)-1 means up to the terminating NUL. Returns once
// the final response's headers are in; FALSE when no response came.
BOOL HttpSendRequestA(HINTERNET request, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength);
// TRUE with *read 0 at the end of the body; FALSE (and *read 0) when the
// body cannot be read further (connection lost, cut short).
BOOL InternetReadFile(HINTERNET file, void* buffer, DWORD numberOfBytesToRead,
                      DWORD* numberOfBytesRead);
// *bufferLength: in, the buffer's size in bytes; out, the text's length
// without the NUL, or the size needed when the call fails for lack of room.
BOOL HttpQueryInfoA(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* bufferLength,
                    DWORD* index);
BOOL InternetCloseHandle(HINTERNET internet);

}  // namespace win
