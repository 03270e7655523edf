// HTTPS, chosen by the address's scheme, against a TLS fixture site whose
// certificate the test trusts.
#include <gtest/gtest.h>

#include "net/web_page.h"
#include "net/winhttp_client.h"
#include "platform/inet/http_exchange.h"
#include "support/fixture_site.h"

namespace {

using verdel_test::FixtureSite;
using verdel_test::Reply;

class HttpsTest : public ::testing::Test {
  protected:
    FixtureSite site{verdel_test::Scheme::Https};

    void SetUp() override { platform::http::SetTrustedCertificates(site.CertificatePem()); }
    void TearDown() override { platform::http::SetTrustedCertificates(""); }
};

TEST_F(HttpsTest, WebPageOverTls) {
    site.Serve("/secure", Reply::Text("secret"));
    const std::string url = site.Url("/secure");
    ASSERT_TRUE(url.starts_with("https://"));

    EXPECT_EQ(net::AccessWebPage(url), "secret");
    EXPECT_EQ(site.LastRequest().Header("Referer"), url);
    EXPECT_TRUE(site.LastRequest().raw.starts_with(
        "GET /secure HTTP/1.1\r\nHost: " + site.HostPort() + "\r\n"));
}

TEST_F(HttpsTest, ClientDownloadsOverTls) {
    site.Serve("/v.exe", Reply::Pattern(70000));
    net::WinHttpClient client;
    ASSERT_NE(client.Open("GET", site.Url("/v.exe")), 0);
    ASSERT_NE(client.Send(), 0);
    EXPECT_EQ(client.ResponseBytes(), verdel_test::PatternBytes(0, 70000));
}

TEST_F(HttpsTest, UntrustedCertificateGivesNothing) {
    site.Serve("/secure", Reply::Text("secret"));
    platform::http::SetTrustedCertificates("");
    EXPECT_EQ(net::AccessWebPage(site.Url("/secure")), "");
    net::WinHttpClient client;
    client.Open("GET", site.Url("/secure"));
    EXPECT_EQ(client.Send(), 0);
    EXPECT_TRUE(site.Requests().empty());
}

}  // namespace
