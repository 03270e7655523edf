#include "platform/inet/wininet.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/inet/handle_table.h"
#include "platform/inet/http_exchange.h"

namespace win {
namespace {

using platform::http::Exchange;
using platform::http::ExchangeRequest;
using platform::http::HandleTable;
using platform::http::HeaderNameIs;

struct Session : HandleTable::Object {
    std::string agent;
    std::string proxyList;  // empty for direct connections
};

struct Connection : HandleTable::Object {
    std::shared_ptr<Session> session;
    std::string server;
    INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER;
};

struct Request : HandleTable::Object {
    std::shared_ptr<Connection> connection;
    std::string verb;
    std::string object;
    std::vector<std::string> openLines;  // Referer and Accept given at opening
    DWORD flags = 0;
    std::unique_ptr<Exchange> exchange;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

std::string TextOrEmpty(const char* text) {
    return text == nullptr ? std::string() : text;
}

std::string RequestUrl(const Request& request) {
    return platform::http::RequestAddress((request.flags & INTERNET_FLAG_SECURE) != 0,
                                          request.connection->server, request.connection->port,
                                          request.object);
}

bool Listed(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        if (HeaderNameIs(line, name)) {
            return true;
        }
    }
    return false;
}

// The lines of the request: those given at opening (unless the caller
// repeats them), the caller's in their order, then the session's agent.
std::vector<std::string> RequestLines(const Request& request, std::string_view callerHeaders) {
    const std::vector<std::string> caller = platform::http::SplitHeaderLines(callerHeaders);
    std::vector<std::string> lines;
    for (const std::string& line : request.openLines) {
        const std::string name = line.substr(0, line.find(':'));
        if (!Listed(caller, name)) {
            lines.push_back(line);
        }
    }
    lines.insert(lines.end(), caller.begin(), caller.end());
    const std::string& agent = request.connection->session->agent;
    if (!agent.empty() && !Listed(lines, "User-Agent")) {
        lines.push_back("User-Agent: " + agent);
    }
    return lines;
}

}  // namespace

HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy, const char*,
                        DWORD) {
    auto session = std::make_shared<Session>();
    session->agent = TextOrEmpty(agent);
    if (accessType == INTERNET_OPEN_TYPE_PROXY) {
        session->proxyList = TextOrEmpty(proxy);
    }
    return Handles().Add(session);
}

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char*, const char*, DWORD service, DWORD, DWORD_PTR) {
    auto session = Handles().Find<Session>(internet);
    if (session == nullptr || service != INTERNET_SERVICE_HTTP || serverName == nullptr ||
        *serverName == '\0') {
        return nullptr;
    }
    auto connection = std::make_shared<Connection>();
    connection->session = std::move(session);
    connection->server = serverName;
    connection->port = serverPort;
    return Handles().Add(connection);
}

HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName, const char*,
                           const char* referrer, const char** acceptTypes, DWORD flags, DWORD_PTR) {
    auto connection = Handles().Find<Connection>(connect);
    if (connection == nullptr) {
        return nullptr;
    }
    auto request = std::make_shared<Request>();
    request->connection = std::move(connection);
    request->verb = (verb == nullptr || *verb == '\0') ? "GET" : verb;
    request->object = (objectName == nullptr || *objectName == '\0') ? "/" : objectName;
    request->flags = flags;
    if (referrer != nullptr && *referrer != '\0') {
        request->openLines.push_back(std::string("Referer: ") + referrer);
    }
    if (acceptTypes != nullptr && acceptTypes[0] != nullptr) {
        std::string accept = "Accept: ";
        for (const char** type = acceptTypes; *type != nullptr; ++type) {
            accept += (type == acceptTypes ? "" : ", ");
            accept += *type;
        }
        request->openLines.push_back(accept);
    }
    return Handles().Add(request);
}

BOOL HttpSendRequestA(HINTERNET handle, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr) {
        return FALSE;
    }
    std::string_view callerHeaders;
    if (headers != nullptr) {
        callerHeaders = headersLength == static_cast<DWORD>(-1)
                            ? std::string_view(headers)
                            : std::string_view(headers, headersLength);
    }
    const std::string_view body =
        optional == nullptr ? std::string_view()
                            : std::string_view(static_cast<const char*>(optional), optionalLength);

    ExchangeRequest exchange;
    exchange.method = request->verb;
    exchange.url = RequestUrl(*request);
    exchange.headerLines = RequestLines(*request, callerHeaders);
    exchange.bodyLength = static_cast<std::int64_t>(body.size());
    exchange.redirects = (request->flags & INTERNET_FLAG_NO_AUTO_REDIRECT) != 0
                             ? platform::http::RedirectPolicy::Never
                             : platform::http::RedirectPolicy::Always;
    exchange.proxy = platform::http::ProxyForScheme(request->connection->session->proxyList,
                                                    (request->flags & INTERNET_FLAG_SECURE) != 0);
    request->exchange = std::make_unique<Exchange>(std::move(exchange));
    const bool sent = request->exchange->Start(body) && request->exchange->ReceiveResponse();
    return sent ? TRUE : FALSE;
}

BOOL InternetReadFile(HINTERNET file, void* buffer, DWORD numberOfBytesToRead,
                      DWORD* numberOfBytesRead) {
    auto request = Handles().Find<Request>(file);
    Exchange* exchange = request == nullptr ? nullptr : request->exchange.get();
    return platform::http::ReadPiece(exchange, buffer, numberOfBytesToRead, numberOfBytesRead)
               ? TRUE
               : FALSE;
}

BOOL HttpQueryInfoA(HINTERNET handle, DWORD infoLevel, void* buffer, DWORD* bufferLength, DWORD*) {
    auto request = Handles().Find<Request>(handle);
    if (request == nullptr || request->exchange == nullptr || bufferLength == nullptr) {
        return FALSE;
    }
    const Exchange& exchange = *request->exchange;
    if (exchange.Status() == 0) {
        return FALSE;  // no response
    }
    const DWORD level = infoLevel & 0xFFFF;
    if (level == HTTP_QUERY_STATUS_CODE && (infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0) {
        if (buffer == nullptr || *bufferLength < sizeof(DWORD)) {
            *bufferLength = sizeof(DWORD);
            return FALSE;
        }
        const DWORD status = static_cast<DWORD>(exchange.Status());
        std::memcpy(buffer, &status, sizeof status);
        *bufferLength = sizeof status;
        return TRUE;
    }
    std::string text;
    if (level == HTTP_QUERY_RAW_HEADERS_CRLF) {
        text = exchange.RawHeaders();
    } else if (level == HTTP_QUERY_STATUS_CODE) {
        text = std::to_string(exchange.Status());
    } else {
        return FALSE;
    }
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (buffer == nullptr || *bufferLength < needed) {
        *bufferLength = needed;
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *bufferLength = needed - 1;
    return TRUE;
}

BOOL InternetCloseHandle(HINTERNET internet) {
    return Handles().Remove(internet) ? TRUE : FALSE;
}

}  // namespace win
