#pragma once
// The parts of a web address as the web page access takes it apart. "http://"
// is assumed for an address that names no scheme.
#include <string>
#include <string_view>

namespace net {

// The host in lower case; with keepPort, any ":port" behind it stays.
std::string UrlHost(std::string_view url, bool keepPort = false);
// The port written in the address, else 443 for https and 80 otherwise; 0
// when what follows the ':' is not a number.
int UrlPort(std::string_view url);
// Path and query as the caller wrote them; "/" when there is no path.
std::string UrlObject(std::string_view url);

}  // namespace net
