#include "platform/winhttp/winhttp.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/inet/handle_table.h"
#include "platform/inet/http_exchange.h"
#include "platform/kernel/codepage.h"

namespace win {
namespace {

using platform::http::Exchange;
using platform::http::ExchangeRequest;
using platform::http::HandleTable;
using platform::http::HeaderNameIs;
using platform::http::RedirectPolicy;
using platform::http::Timeouts;

struct Session : HandleTable::Object {
    std::string agent;
    std::string proxyList;
    Timeouts timeouts;
};

struct Connection : HandleTable::Object {
    std::shared_ptr<Session> session;
    std::string server;
    INTERNET_PORT port = INTERNET_DEFAULT_PORT;
};

struct Request : HandleTable::Object {
    std::shared_ptr<Connection> connection;
    std::string verb;
    std::string object;
    bool secure = false;
    std::vector<std::string> lines;
    std::optional<Timeouts> timeouts;
    RedirectPolicy redirects = RedirectPolicy::NotFromHttpsToHttp;
    std::string user;
    std::string password;
    std::string proxyUser;
    std::string proxyPassword;
    std::unique_ptr<Exchange> exchange;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

std::u16string_view Wide(const WCHAR* text, DWORD length = static_cast<DWORD>(-1)) {
    if (text == nullptr) {
        return {};
    }
    return length == static_cast<DWORD>(-1) ? std::u16string_view(text)
                                            : std::u16string_view(text, length);
}

// Header texts and names cross in the ANSI code page, so that GBK values
// come back byte for byte.
std::string Ansi(std::u16string_view text) {
    return codepage::Utf16ToGbk(text);
}

std::string HeaderName(std::string_view line) {
    std::string_view name = line.substr(0, line.find(':'));
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    return std::string(name);
}

bool ValueIsEmpty(std::string_view line) {
    const auto colon = line.find(':');
    return colon == std::string_view::npos ||
           line.find_first_not_of(' ', colon + 1) == std::string_view::npos;
}

bool AddLines(std::vector<std::string>& lines, const std::vector<std::string>& added,
              DWORD modifiers) {
    bool ok = true;
    for (const std::string& line : added) {
        if (line.find(':') == std::string::npos) {
            ok = false;
            continue;
        }
        const std::string name = HeaderName(line);
        auto existing = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return HeaderNameIs(l, name); });
        const bool found = existing != lines.end();
        if ((modifiers & WINHTTP_ADDREQ_FLAG_REPLACE) != 0) {
            if (found && ValueIsEmpty(line)) {
                lines.erase(existing);
            } else if (found) {
                *existing = line;
            } else if ((modifiers & (WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_ADD_IF_NEW)) !=
                       0) {
                lines.push_back(line);
            } else {
                ok = false;
            }
        } else if ((modifiers & WINHTTP_ADDREQ_FLAG_ADD_IF_NEW) != 0 && found) {
            ok = false;
        } else {
            lines.push_back(line);
        }
    }
    return ok;
}

std::string RequestUrl(const Request& request) {
    return platform::http::RequestAddress(request.secure, request.connection->server,
                                          request.connection->port, request.object);
}

bool CopyWideText(std::u16string_view text, void* buffer, DWORD* bufferLength) {
    const DWORD needed = static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
    if (buffer == nullptr || *bufferLength < needed) {
        *bufferLength = needed;
        return false;
    }
    std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
    static_cast<WCHAR*>(buffer)[text.size()] = u'\0';
    *bufferLength = needed - sizeof(WCHAR);
    return true;
}

bool CopyNumber(DWORD value, void* buffer, DWORD* bufferLength) {
    if (buffer == nullptr || *bufferLength < sizeof value) {
        *bufferLength = sizeof value;
        return false;
    }
    std::memcpy(buffer, &value, sizeof value);
    *bufferLength = sizeof value;
    return true;
}

std::string HeaderValue(const std::string& rawHeaders, std::string_view name) {
    for (const std::string& line : platform::http::SplitHeaderLines(rawHeaders)) {
        if (HeaderNameIs(line, name)) {
            std::string_view value = std::string_view(line).substr(line.find(':') + 1);
            while (!value.empty() && value.front() == ' ') {
                value.remove_prefix(1);
            }
            return std::string(value);
        }
    }
    return {};
}

bool ReadNumberOption(void* buffer, DWORD length, DWORD& value) {
    if (buffer == nullptr || length < sizeof(DWORD)) {
        return false;
    }
    std::memcpy(&value, buffer, sizeof value);
    return true;
}

}  // namespace

BOOL WinHttpCheckPlatform() {
    return TRUE;
}

HINTERNET WinHttpOpen(const WCHAR* agent, DWORD accessType, const WCHAR* proxy, const WCHAR*,
                      DWORD flags) {
    if (flags != 0) {
        return nullptr;  // only synchronous sessions
    }
    auto session = std::make_shared<Session>();
    session->agent = Ansi(Wide(agent));
    if (accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        session->proxyList = Ansi(Wide(proxy));
    }
    return Handles().Add(session);
}

HINTERNET WinHttpConnect(HINTERNET sessionHandle, const WCHAR* serverName, INTERNET_PORT serverPort,
                         DWORD) {
    auto session = Handles().Find<Session>(sessionHandle);
    const std::u16string_view server = Wide(serverName);
    if (session == nullptr || server.empty()) {
        return nullptr;
    }
    auto connection = std::make_shared<Connection>();
    connection->session = std::move(session);
    connection->server = codepage::Utf16ToUtf8(server);
    connection->port = serverPort;
    return Handles().Add(connection);
}

HINTERNET WinHttpOpenRequest(HINTERNET connect, const WCHAR* verb, const WCHAR* objectName,
                             const WCHAR*, const WCHAR* referrer, const WCHAR** acceptTypes,
                             DWORD flags) {
    auto connection = Handles().Find<Connection>(connect);
    if (connection == nullptr) {
        return nullptr;
    }
    auto request = std::make_shared<Request>();
    request->connection = std::move(connection);
    request->verb = verb == nullptr || *verb == u'\0' ? "GET" : Ansi(Wide(verb));
    request->object = objectName == nullptr || *objectName == u'\0'
                          ? "/"
                          : codepage::Utf16ToUtf8(Wide(objectName));
    request->secure = (flags & WINHTTP_FLAG_SECURE) != 0;
    if (referrer != nullptr && *referrer != u'\0') {
        request->lines.push_back("Referer: " + Ansi(Wide(referrer)));
    }
    if (acceptTypes != nullptr && acceptTypes[0] != nullptr) {
        std::string accept = "Accept: ";
        for (const WCHAR** type = acceptTypes; *type != nullptr; ++type) {
            accept += (type == acceptTypes ? "" : ", ");
            accept += Ansi(Wide(*type));
        }
        request->lines.push_back(accept);
    }
    return Handles().Add(request);
}

BOOL WinHttpAddRequestHeaders(HINTERNET handle, const WCHAR* headers, DWORD headersLength,
                              DWORD modifiers) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr || headers == nullptr) {
        return FALSE;
    }
    const auto added = platform::http::SplitHeaderLines(Ansi(Wide(headers, headersLength)));
    return AddLines(request->lines, added, modifiers) ? TRUE : FALSE;
}

BOOL WinHttpSetCredentials(HINTERNET handle, DWORD authTargets, DWORD authScheme,
                           const WCHAR* userName, const WCHAR* password, void*) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr || authScheme != WINHTTP_AUTH_SCHEME_BASIC) {
        return FALSE;
    }
    const std::string user = codepage::Utf16ToUtf8(Wide(userName));
    const std::string secret = codepage::Utf16ToUtf8(Wide(password));
    if (authTargets == WINHTTP_AUTH_TARGET_SERVER) {
        request->user = user;
        request->password = secret;
    } else if (authTargets == WINHTTP_AUTH_TARGET_PROXY) {
        request->proxyUser = user;
        request->proxyPassword = secret;
    } else {
        return FALSE;
    }
    return TRUE;
}

BOOL WinHttpSendRequest(HINTERNET handle, const WCHAR* headers, DWORD headersLength,
                        const void* optional, DWORD optionalLength, DWORD totalLength, DWORD_PTR) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr) {
        return FALSE;
    }
    std::vector<std::string> lines = request->lines;
    if (headers != nullptr) {
        AddLines(lines, platform::http::SplitHeaderLines(Ansi(Wide(headers, headersLength))),
                 WINHTTP_ADDREQ_FLAG_ADD);
    }
    const Session& session = *request->connection->session;
    if (!session.agent.empty() &&
        std::none_of(lines.begin(), lines.end(),
                     [](const std::string& l) { return HeaderNameIs(l, "User-Agent"); })) {
        lines.push_back("User-Agent: " + session.agent);
    }
    const std::string_view first =
        optional == nullptr ? std::string_view()
                            : std::string_view(static_cast<const char*>(optional), optionalLength);

    ExchangeRequest exchange;
    exchange.method = request->verb;
    exchange.url = RequestUrl(*request);
    exchange.headerLines = std::move(lines);
    exchange.bodyLength =
        std::max<std::int64_t>(totalLength, static_cast<std::int64_t>(first.size()));
    exchange.redirects = request->redirects;
    exchange.proxy = platform::http::ProxyForScheme(session.proxyList, request->secure);
    exchange.proxyUser = request->proxyUser;
    exchange.proxyPassword = request->proxyPassword;
    exchange.user = request->user;
    exchange.password = request->password;
    exchange.timeouts = request->timeouts.value_or(session.timeouts);
    request->exchange = std::make_unique<Exchange>(std::move(exchange));
    return request->exchange->Start(first) ? TRUE : FALSE;
}

BOOL WinHttpWriteData(HINTERNET handle, const void* buffer, DWORD numberOfBytesToWrite,
                      DWORD* numberOfBytesWritten) {
    if (numberOfBytesWritten != nullptr) {
        *numberOfBytesWritten = 0;
    }
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr || request->exchange == nullptr || buffer == nullptr) {
        return FALSE;
    }
    const std::string_view piece(static_cast<const char*>(buffer), numberOfBytesToWrite);
    if (!request->exchange->Write(piece)) {
        return FALSE;
    }
    if (numberOfBytesWritten != nullptr) {
        *numberOfBytesWritten = numberOfBytesToWrite;
    }
    return TRUE;
}

BOOL WinHttpReceiveResponse(HINTERNET handle, void*) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr || request->exchange == nullptr) {
        return FALSE;
    }
    return request->exchange->ReceiveResponse() ? TRUE : FALSE;
}

BOOL WinHttpQueryHeaders(HINTERNET handle, DWORD infoLevel, const WCHAR*, void* buffer,
                         DWORD* bufferLength, DWORD*) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr || request->exchange == nullptr || bufferLength == nullptr ||
        request->exchange->Status() == 0) {
        return FALSE;
    }
    const Exchange& exchange = *request->exchange;
    const DWORD level = infoLevel & 0xFFFF;
    const bool number = (infoLevel & WINHTTP_QUERY_FLAG_NUMBER) != 0;
    std::string text;
    switch (level) {
        case WINHTTP_QUERY_RAW_HEADERS_CRLF:
            text = exchange.RawHeaders();
            break;
        case WINHTTP_QUERY_STATUS_CODE:
            if (number) {
                return CopyNumber(static_cast<DWORD>(exchange.Status()), buffer, bufferLength);
            }
            text = std::to_string(exchange.Status());
            break;
        case WINHTTP_QUERY_CONTENT_LENGTH:
            text = HeaderValue(exchange.RawHeaders(), "Content-Length");
            if (text.empty()) {
                return FALSE;
            }
            if (number) {
                return CopyNumber(static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10)),
                                  buffer, bufferLength);
            }
            break;
        default:
            return FALSE;
    }
    return CopyWideText(codepage::GbkToUtf16(text), buffer, bufferLength) ? TRUE : FALSE;
}

BOOL WinHttpReadData(HINTERNET handle, void* buffer, DWORD numberOfBytesToRead,
                     DWORD* numberOfBytesRead) {
    auto request = Handles().Find<Request>(handle);
    Exchange* exchange = request == nullptr ? nullptr : request->exchange.get();
    return platform::http::ReadPiece(exchange, buffer, numberOfBytesToRead, numberOfBytesRead)
               ? TRUE
               : FALSE;
}

BOOL WinHttpSetOption(HINTERNET handle, DWORD option, void* buffer, DWORD bufferLength) {
    DWORD value = 0;
    if (!ReadNumberOption(buffer, bufferLength, value)) {
        return FALSE;
    }
    auto session = Handles().Find<Session>(handle);
    auto request = Handles().Find<Request>(handle);
    Timeouts* timeouts = nullptr;
    if (session != nullptr) {
        timeouts = &session->timeouts;
    } else if (request != nullptr) {
        if (!request->timeouts) {
            request->timeouts = request->connection->session->timeouts;
        }
        timeouts = &*request->timeouts;
    }
    const int ms = static_cast<int>(value);
    switch (option) {
        case WINHTTP_OPTION_RESOLVE_TIMEOUT:
        case WINHTTP_OPTION_CONNECT_TIMEOUT:
        case WINHTTP_OPTION_SEND_TIMEOUT:
        case WINHTTP_OPTION_RECEIVE_TIMEOUT:
            if (timeouts == nullptr) {
                return FALSE;
            }
            (option == WINHTTP_OPTION_RESOLVE_TIMEOUT   ? timeouts->resolve
             : option == WINHTTP_OPTION_CONNECT_TIMEOUT ? timeouts->connect
             : option == WINHTTP_OPTION_SEND_TIMEOUT    ? timeouts->send
                                                        : timeouts->receive) = ms;
            return TRUE;
        case WINHTTP_OPTION_DISABLE_FEATURE:
            if (request == nullptr) {
                return FALSE;
            }
            if ((value & WINHTTP_DISABLE_REDIRECTS) != 0) {
                request->redirects = RedirectPolicy::Never;
            }
            return TRUE;
        case WINHTTP_OPTION_REDIRECT_POLICY:
            if (request == nullptr || value > WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS) {
                return FALSE;
            }
            request->redirects = value == WINHTTP_OPTION_REDIRECT_POLICY_NEVER
                                     ? RedirectPolicy::Never
                                 : value == WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS
                                     ? RedirectPolicy::Always
                                     : RedirectPolicy::NotFromHttpsToHttp;
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL WinHttpSetTimeouts(HINTERNET handle, int resolveTimeout, int connectTimeout, int sendTimeout,
                        int receiveTimeout) {
    if (resolveTimeout < -1 || connectTimeout < -1 || sendTimeout < -1 || receiveTimeout < -1) {
        return FALSE;
    }
    const Timeouts timeouts{resolveTimeout, connectTimeout, sendTimeout, receiveTimeout};
    if (auto session = Handles().Find<Session>(handle)) {
        session->timeouts = timeouts;
        return TRUE;
    }
    if (auto request = Handles().Find<Request>(handle)) {
        request->timeouts = timeouts;
        return TRUE;
    }
    return FALSE;
}

BOOL WinHttpCloseHandle(HINTERNET internet) {
    return Handles().Remove(internet) ? TRUE : FALSE;
}

}  // namespace win
