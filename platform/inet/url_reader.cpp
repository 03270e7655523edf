#include "platform/inet/url_reader.h"

#include "platform/inet/http_exchange.h"

namespace win {

bool ReadUrl(std::string_view url, std::string& bytes) {
    bytes.clear();
    platform::http::ExchangeRequest request;
    request.url =
        url.find("://") == std::string_view::npos ? "http://" + std::string(url) : std::string(url);
    request.headerLines = {"Accept: */*"};
    platform::http::Exchange exchange(std::move(request));
    if (!exchange.Start({}) || !exchange.ReceiveResponse()) {
        return false;
    }
    char piece[16384];
    while (const std::size_t read = exchange.Read(piece, sizeof piece)) {
        bytes.append(piece, read);
    }
    const int status = exchange.Status();
    if (exchange.Failed() || status < 200 || status >= 300) {
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace win
