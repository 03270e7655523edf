#include "platform/com/http_request.h"

#include <new>

#include "platform/inet/http_exchange.h"
#include "platform/kernel/codepage.h"

namespace com {
namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";

}  // namespace

struct WinHttpRequest::State {
    platform::http::Timeouts timeouts;
    std::string method;
    std::string url;
    bool opened = false;
    std::unique_ptr<platform::http::Exchange> exchange;
};

WinHttpRequest::WinHttpRequest() : state_(std::make_unique<State>()) {}

WinHttpRequest::~WinHttpRequest() = default;

win::HRESULT WinHttpRequest::SetTimeouts(long resolve, long connect, long send, long receive) {
    if (resolve < -1 || connect < -1 || send < -1 || receive < -1) {
        return win::E_INVALIDARG;
    }
    state_->timeouts = {static_cast<int>(resolve), static_cast<int>(connect),
                        static_cast<int>(send), static_cast<int>(receive)};
    return win::S_OK;
}

win::HRESULT WinHttpRequest::Open(std::u16string_view method, std::u16string_view url, bool async) {
    state_->exchange.reset();
    state_->opened = false;
    if (async || method.empty() || url.empty()) {
        return win::E_INVALIDARG;
    }
    const std::string address = codepage::Utf16ToUtf8(url);
    state_->method = codepage::Utf16ToGbk(method);
    state_->url = address.find("://") == std::string::npos ? "http://" + address : address;
    state_->opened = true;
    return win::S_OK;
}

win::HRESULT WinHttpRequest::Send(std::string_view body) {
    if (!state_->opened) {
        return E_REQUEST_NOT_OPEN;
    }
    platform::http::ExchangeRequest request;
    request.method = state_->method;
    request.url = state_->url;
    request.headerLines = {"Accept: */*", std::string("User-Agent: ") + kAgent};
    request.bodyLength = static_cast<std::int64_t>(body.size());
    request.timeouts = state_->timeouts;
    request.redirects = platform::http::RedirectPolicy::NotFromHttpsToHttp;
    state_->exchange = std::make_unique<platform::http::Exchange>(std::move(request));
    const bool answered = state_->exchange->Start(body) && state_->exchange->ReceiveResponse();
    return answered ? win::S_OK : E_REQUEST_FAILED;
}

win::HRESULT WinHttpRequest::Status(long* status) const {
    if (status == nullptr) {
        return win::E_INVALIDARG;
    }
    if (state_->exchange == nullptr || state_->exchange->Status() == 0) {
        return E_REQUEST_NOT_OPEN;
    }
    *status = state_->exchange->Status();
    return win::S_OK;
}

win::HRESULT WinHttpRequest::GetResponseHeader(std::u16string_view name,
                                               std::u16string* value) const {
    if (value == nullptr) {
        return win::E_INVALIDARG;
    }
    if (state_->exchange == nullptr || state_->exchange->Status() == 0) {
        return E_REQUEST_NOT_OPEN;
    }
    const std::string wanted = codepage::Utf16ToGbk(name);
    for (const std::string& line :
         platform::http::SplitHeaderLines(state_->exchange->RawHeaders())) {
        if (platform::http::HeaderNameIs(line, wanted)) {
            const auto first = line.find_first_not_of(' ', line.find(':') + 1);
            const auto last = line.find_last_not_of(' ');
            *value =
                first == std::string::npos
                    ? std::u16string()
                    : codepage::GbkToUtf16(std::string_view(line).substr(first, last - first + 1));
            return win::S_OK;
        }
    }
    return E_HEADER_NOT_FOUND;
}

std::unique_ptr<WinHttpRequest> CreateWinHttpRequest() {
    if (!IsInitialized()) {
        return nullptr;
    }
    try {
        return std::unique_ptr<WinHttpRequest>(new WinHttpRequest());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace com
