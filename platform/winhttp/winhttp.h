#pragma once
// The WinHTTP calls of the program's download client: synchronous session,
// connection and request handles; the body written in pieces after the
// request; the response read in pieces as it arrives.
//
// Behaviour the program relies on:
// - The request carries the request line, Host, and the header lines added
//   to it, in the order they were added (a replaced line keeps its place),
//   then the body with Content-Length: nothing else (no agent line unless
//   the session was opened with an agent name, no Accept line).
// - Redirects are followed except from https to http, unless switched off
//   with WINHTTP_OPTION_DISABLE_FEATURE / WINHTTP_DISABLE_REDIRECTS or set
//   with WINHTTP_OPTION_REDIRECT_POLICY.
// - Header texts cross between UTF-16 and bytes in code page 936.
// - Timeouts set on the session apply to its requests unless set on the
//   request itself; they are taken when the request is sent.
#include "platform/kernel/win_types.h"

namespace win {

using HINTERNET = void*;
using INTERNET_PORT = WORD;
using DWORD_PTR = ULONG_PTR;

constexpr DWORD WINHTTP_ACCESS_TYPE_DEFAULT_PROXY = 0;
constexpr DWORD WINHTTP_ACCESS_TYPE_NO_PROXY = 1;
constexpr DWORD WINHTTP_ACCESS_TYPE_NAMED_PROXY = 3;

constexpr INTERNET_PORT INTERNET_DEFAULT_PORT = 0;

constexpr DWORD WINHTTP_FLAG_SECURE = 0x00800000;

constexpr DWORD WINHTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD WINHTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD WINHTTP_ADDREQ_FLAG_REPLACE = 0x80000000;

constexpr DWORD WINHTTP_AUTH_TARGET_SERVER = 0;
constexpr DWORD WINHTTP_AUTH_TARGET_PROXY = 1;
constexpr DWORD WINHTTP_AUTH_SCHEME_BASIC = 1;

constexpr DWORD WINHTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD WINHTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD WINHTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD WINHTTP_QUERY_FLAG_NUMBER = 0x20000000;

constexpr DWORD WINHTTP_OPTION_RESOLVE_TIMEOUT = 2;
constexpr DWORD WINHTTP_OPTION_CONNECT_TIMEOUT = 3;
constexpr DWORD WINHTTP_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD WINHTTP_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD WINHTTP_OPTION_DISABLE_FEATURE = 63;
constexpr DWORD WINHTTP_OPTION_REDIRECT_POLICY = 88;
constexpr DWORD WINHTTP_DISABLE_REDIRECTS = 0x00000002;
constexpr DWORD WINHTTP_OPTION_REDIRECT_POLICY_NEVER = 0;
constexpr DWORD WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP = 1;
constexpr DWORD WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS = 2;

BOOL WinHttpCheckPlatform();
// agent: nullptr for none. proxy: "host:port" or "scheme=host:port" entries
// for WINHTTP_ACCESS_TYPE_NAMED_PROXY. Only synchronous use (flags 0).
HINTERNET WinHttpOpen(const WCHAR* agent, DWORD accessType, const WCHAR* proxy,
                      const WCHAR* proxyBypass, DWORD flags);
// Fails for an empty server name; makes no connection yet.
HINTERNET WinHttpConnect(HINTERNET session, const WCHAR* serverName, INTERNET_PORT serverPort,
                         DWORD reserved);
// verb: nullptr for "GET"; object: nullptr for "/"; referrer and acceptTypes
// (nullptr-terminated) become Referer and Accept lines.
HINTERNET WinHttpOpenRequest(HINTERNET connect, const WCHAR* verb, const WCHAR* objectName,
                             const WCHAR* version, const WCHAR* referrer, const WCHAR** acceptTypes,
                             DWORD flags);
// headersLength of (DWORD)-1 means up to the terminating NUL; several
// lines are separated by CR LF.
BOOL WinHttpAddRequestHeaders(HINTERNET request, const WCHAR* headers, DWORD headersLength,
                              DWORD modifiers);
BOOL WinHttpSetCredentials(HINTERNET request, DWORD authTargets, DWORD authScheme,
                           const WCHAR* userName, const WCHAR* password, void* authParams);
// Sends the request with optionalLength bytes of the body; totalLength is
// the whole body, the rest follows with WinHttpWriteData. FALSE when the
// request could not be sent.
BOOL WinHttpSendRequest(HINTERNET request, const WCHAR* headers, DWORD headersLength,
                        const void* optional, DWORD optionalLength, DWORD totalLength,
                        DWORD_PTR context);
BOOL WinHttpWriteData(HINTERNET request, const void* buffer, DWORD numberOfBytesToWrite,
                      DWORD* numberOfBytesWritten);
BOOL WinHttpReceiveResponse(HINTERNET request, void* reserved);
// *bufferLength in bytes: in, the buffer's size; out, the bytes written
// without the terminator, or the bytes needed (terminator included) when
// the call fails for lack of room.
BOOL WinHttpQueryHeaders(HINTERNET request, DWORD infoLevel, const WCHAR* name, void* buffer,
                         DWORD* bufferLength, DWORD* index);
// TRUE with *read 0 at the end of the body; FALSE (and *read 0) when the
// body cannot be read further (connection lost, cut short, timed out).
BOOL WinHttpReadData(HINTERNET request, void* buffer, DWORD numberOfBytesToRead,
                     DWORD* numberOfBytesRead);
// The options above, each a DWORD in a 4-byte buffer.
BOOL WinHttpSetOption(HINTERNET internet, DWORD option, void* buffer, DWORD bufferLength);
// On a session or request handle; milliseconds, 0 or -1 for no limit.
BOOL WinHttpSetTimeouts(HINTERNET internet, int resolveTimeout, int connectTimeout, int sendTimeout,
                        int receiveTimeout);
BOOL WinHttpCloseHandle(HINTERNET internet);

}  // namespace win
