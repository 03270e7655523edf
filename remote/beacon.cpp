#include "remote/beacon.h"

#include "net/web_page.h"

namespace remote {

void SendBeacon(const app::Configuration& config) {
    const std::string address =
        "http://" + config.BeaconHost + "/stat.htm?id=" + config.BeaconSiteId;
    const std::string headers =
        "Host:" + config.BeaconHost + "\r\n" + "Referer:" + config.BoardHomeUrl;
    net::AccessWebPage(address, {.extraHeaders = headers});
}

}  // namespace remote
