#include "remote/beacon.h"

#include <gtest/gtest.h>

#include "net/web_page.h"
#include "support/fixture_site.h"

namespace {

TEST(BeaconTest, CountingRequestNamesTheSpaceAsReferrer) {
    verdel_test::FixtureSite site;
    site.Serve("/stat.htm", verdel_test::Reply::Text("document.write('')"));
    app::Configuration config = app::DefaultConfiguration();
    config.BeaconHost = site.HostPort();
    config.BeaconSiteId = "60217";
    config.BoardHomeUrl = "http://verdel.board.test/";

    remote::SendBeacon(config);

    EXPECT_EQ(site.LastRequest().raw,
              "GET /stat.htm?id=60217 HTTP/1.1\r\n"
              "Host:" +
                  site.HostPort() +
                  "\r\n"
                  "Referer:http://verdel.board.test/\r\n"
                  "Accept: */*\r\n"
                  "Accept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n"
                  "User-Agent: " +
                  std::string(net::kDefaultAgent) +
                  "\r\n"
                  "\r\n");
}

TEST(BeaconTest, UnreachableServiceIsIgnored) {
    app::Configuration config = app::DefaultConfiguration();
    {
        verdel_test::FixtureSite gone;
        config.BeaconHost = gone.HostPort();
    }
    remote::SendBeacon(config);  // returns without a trace
}

}  // namespace
