// Cookie merging and address splitting on arbitrary response and page
// texts: they never crash, a deleted cookie never survives a merge, and a
// port always fits.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/cookie_jar.h"
#include "net/url_parts.h"
#include "toolkit/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    net::CookieJar jar = input.ConsumeRandomLengthString(256);
    net::CookieJar fresh = input.ConsumeRandomLengthString(256);
    const std::string url = input.ConsumeRemainingBytesAsString();

    const std::string merged = net::MergeCookies(jar, fresh);
    if (merged != jar) {
        std::abort();  // the merged jar is also stored into the jar
    }
    for (const std::string& item : ItemsBetween(";" + merged + ";", ";", ";")) {
        if (item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0) {
            std::abort();
        }
    }

    (void)net::UrlHost(url);
    (void)net::UrlHost(url, true);
    (void)net::UrlObject(url);
    const int port = net::UrlPort(url);
    if (port < 0 || port > 99999) {
        std::abort();
    }
    return 0;
}
