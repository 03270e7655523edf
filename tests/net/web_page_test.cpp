// Web page access against the fixture site: the exact request bytes, bodies,
// cookies, redirects and raw headers.
#include "net/web_page.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "net/url_parts.h"
#include "support/fixture_site.h"

namespace {

using net::AccessWebPage;
using net::AccessWebPageText;
using net::AccessWebPageUtf8;
using net::CookieJar;
using net::WebPageOptions;
using verdel_test::FixtureSite;
using verdel_test::ReceivedRequest;
using verdel_test::Reply;

const std::string kAgentLine = std::string("User-Agent: ") + net::kDefaultAgent;

std::string Lines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += line + "\r\n";
    }
    return joined;
}

class WebPageTest : public ::testing::Test {
  protected:
    FixtureSite site;
};

TEST_F(WebPageTest, PlainGetSendsTheDefaultHeadersInOrder) {
    site.Serve("/p", Reply::Text("hello"));
    const std::string url = site.Url("/p");

    EXPECT_EQ(AccessWebPage(url), "hello");

    EXPECT_EQ(site.LastRequest().raw,
              Lines({"GET /p HTTP/1.1", "Host: " + site.HostPort(), "Referer: " + url,
                     "Accept: */*", "Accept-Language: zh-cn",
                     "Content-Type: application/x-www-form-urlencoded", kAgentLine, ""}));
}

TEST_F(WebPageTest, CallersHeadersDecideWhichDefaultsAreAdded) {
    site.Serve("/p", Reply::Text("ok"));
    const std::string url = site.Url("/p");
    struct Case {
        std::string extra;
        std::vector<std::string> sent;  // header lines after Host
    };
    const std::vector<Case> cases = {
        // A Referer of the caller's (no space after the colon) is kept.
        {"Referer:y",
         {"Referer:y", "Accept: */*", "Accept-Language: zh-cn",
          "Content-Type: application/x-www-form-urlencoded", kAgentLine}},
        // The Accept-Language search is exact, so a lower-case line does
        // not stop the default.
        {"accept-language: en",
         {"accept-language: en", "Referer: " + url, "Accept: */*", "Accept-Language: zh-cn",
          "Content-Type: application/x-www-form-urlencoded", kAgentLine}},
        // The agent search ignores case: the caller's line is the agent.
        {"user-agent: X",
         {"user-agent: X", "Referer: " + url, "Accept: */*", "Accept-Language: zh-cn",
          "Content-Type: application/x-www-form-urlencoded"}},
        {"Accept: text/html\r\nContent-Type: text/plain\r\nAccept-Language: de",
         {"Accept: text/html", "Content-Type: text/plain", "Accept-Language: de", "Referer: " + url,
          kAgentLine}},
    };
    for (const Case& c : cases) {
        AccessWebPage(url, {.extraHeaders = c.extra});
        std::vector<std::string> expected = {"GET /p HTTP/1.1", "Host: " + site.HostPort()};
        expected.insert(expected.end(), c.sent.begin(), c.sent.end());
        expected.push_back("");
        EXPECT_EQ(site.LastRequest().raw, Lines(expected)) << c.extra;
    }
}

TEST_F(WebPageTest, CallersHostLineReplacesTheHost) {
    site.Serve("/stat.htm", Reply::Text("counted"));
    AccessWebPage(site.Url("/stat.htm?id=7"), {.extraHeaders = "Host:x\r\nReferer:y"});
    EXPECT_EQ(site.LastRequest().raw,
              Lines({"GET /stat.htm?id=7 HTTP/1.1", "Host:x", "Referer:y", "Accept: */*",
                     "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded",
                     kAgentLine, ""}));
}

TEST_F(WebPageTest, AddressesWithoutPathSchemeOrWithPortsReachTheRightObject) {
    // Through the site acting as proxy, any host name can be asked for.
    site.Serve("/", Reply::Text("root"));
    site.Serve("/x", Reply::Text("x"));
    site.Serve("/a", Reply::Text("a"));
    struct Case {
        std::string url;
        std::string requestLine;
        std::string host;
    };
    const std::vector<Case> cases = {
        {"http://h.test", "GET http://h.test/ HTTP/1.1", "h.test"},
        {"h.test/x", "GET http://h.test/x HTTP/1.1", "h.test"},
        {"http://H.Test:8080/a?b=1&c=%20", "GET http://h.test:8080/a?b=1&c=%20 HTTP/1.1",
         "h.test:8080"},
    };
    for (const Case& c : cases) {
        AccessWebPage(c.url, {.proxy = site.HostPort()});
        const ReceivedRequest request = site.LastRequest();
        EXPECT_EQ(request.head.substr(0, request.head.find("\r\n")), c.requestLine) << c.url;
        EXPECT_EQ(request.Header("Host"), c.host) << c.url;
        // The default referrer is the address exactly as the caller wrote it.
        EXPECT_EQ(request.Header("Referer"), c.url);
    }
}

TEST(UrlPartsTest, HostPortAndObject) {
    struct Case {
        std::string url;
        std::string host;
        std::string hostWithPort;
        int port;
        std::string object;
    };
    const std::vector<Case> cases = {
        {"https://h.test:8443/a", "h.test", "h.test:8443", 8443, "/a"},
        {"HTTPS://H.TEST/", "h.test", "h.test", 443, "/"},
        {"http://h.test", "h.test", "h.test", 80, "/"},
        {"h.test/x", "h.test", "h.test", 80, "/x"},
        {"http://h.test:abc/p", "h.test", "h.test:abc", 0, "/p"},
        {"http://H.test/Path/File.HTM?Q=A", "h.test", "h.test", 80, "/Path/File.HTM?Q=A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(net::UrlHost(c.url), c.host) << c.url;
        EXPECT_EQ(net::UrlHost(c.url, true), c.hostWithPort) << c.url;
        EXPECT_EQ(net::UrlPort(c.url), c.port) << c.url;
        EXPECT_EQ(net::UrlObject(c.url), c.object) << c.url;
    }
}

TEST_F(WebPageTest, PostSendsTheByteBodyOverTheFormData) {
    site.Route("/form", [](const ReceivedRequest& r) { return Reply::Text("got " + r.body); });
    const std::string url = site.Url("/form");

    const std::string form = "a=1&b=国语";
    EXPECT_EQ(AccessWebPage(url, {.method = 1, .formData = form}), "got " + form);
    EXPECT_EQ(
        site.LastRequest().raw,
        Lines({"POST /form HTTP/1.1", "Host: " + site.HostPort(), "Referer: " + url, "Accept: */*",
               "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded",
               kAgentLine, "Content-Length: " + std::to_string(form.size()), ""}) +
            form);

    const std::string bytes("\x01\x00\xff", 3);
    AccessWebPage(url, {.method = 1, .formData = "ignored", .byteBody = bytes});
    EXPECT_EQ(site.LastRequest().body, bytes);

    // A body over 1 MiB goes out without any Expect line.
    const std::string large(1500 * 1024, 'z');
    AccessWebPage(url, {.method = 1, .byteBody = large});
    EXPECT_EQ(site.LastRequest().body, large);
    EXPECT_EQ(site.LastRequest().Header("Expect"), "");
}

TEST_F(WebPageTest, CookiesAreMergedIntoTheJarAndSentBack) {
    site.Serve("/set", [] {
        Reply r = Reply::Text("set");
        r.headers.push_back("Set-Cookie: b=3; path=/");
        r.headers.push_back("Set-Cookie: c=4; expires=Thu, 01 Jan 2037 00:00:00 GMT; path=/");
        return r;
    }());
    site.Serve("/none", Reply::Text("none"));
    CookieJar jar = "a=1; b=2";
    CookieJar fresh;

    AccessWebPage(site.Url("/set"), {.cookieJar = &jar, .responseCookies = &fresh});

    EXPECT_EQ(site.LastRequest().Header("Cookie"), "a=1; b=2");
    EXPECT_EQ(fresh, "b=3;c=4");
    EXPECT_EQ(jar, "b=3; c=4; a=1");

    AccessWebPage(site.Url("/none"), {.cookieJar = &jar});
    EXPECT_EQ(site.LastRequest().Header("Cookie"), "b=3; c=4; a=1");
    EXPECT_EQ(jar, "b=3; c=4; a=1");

    CookieJar empty;
    AccessWebPage(site.Url("/none"), {.cookieJar = &empty});
    EXPECT_EQ(site.LastRequest().Header("Cookie"), "");
    EXPECT_EQ(site.LastRequest().raw.find("Cookie"), std::string::npos);
}

TEST_F(WebPageTest, DeletedCookieLeavesTheJar) {
    site.Serve("/logout", [] {
        Reply r = Reply::Text("bye");
        r.headers.push_back("Set-Cookie: a=deleted; expires=Thu, 01 Jan 1970 00:00:01 GMT");
        return r;
    }());
    CookieJar jar = "a=1; b=2";
    AccessWebPage(site.Url("/logout"), {.cookieJar = &jar});
    EXPECT_EQ(jar, "b=2");
}

TEST_F(WebPageTest, RedirectsFollowedOrReportedWithTheirTarget) {
    site.Serve("/old", Reply::Redirect("/new"));
    site.Serve("/new", Reply::Text("new page"));
    std::string target = "before";
    std::string raw;

    EXPECT_EQ(AccessWebPage(site.Url("/old"), {.redirectTarget = &target, .rawHeaders = &raw}),
              "new page");
    EXPECT_EQ(raw, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 8\r\n\r\n");
    EXPECT_EQ(target, raw);  // the final answer has no Location
    ASSERT_EQ(site.Requests().size(), 2u);
    EXPECT_EQ(site.Requests()[1].path, "/new");

    site.ClearRequests();
    EXPECT_EQ(AccessWebPage(site.Url("/old"),
                            {.redirectTarget = &target, .noRedirect = true, .rawHeaders = &raw}),
              "moved");
    EXPECT_EQ(target, "/new");
    EXPECT_EQ(raw, "HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 5\r\n\r\n");
    EXPECT_EQ(site.Requests().size(), 1u);
}

TEST_F(WebPageTest, HeaderBlockOf5000BytesIsNotRead) {
    // The raw headers must fit the 5000-byte buffer with their terminator.
    const std::string fixed =
        "HTTP/1.1 200 OK\r\nSet-Cookie: s=1; path=/\r\nLocation: /x\r\n"
        "X-Fill: \r\nContent-Length: 4\r\n\r\n";
    for (const std::size_t size : {4999u, 5000u}) {
        Reply r;
        r.headers = {"Set-Cookie: s=1; path=/", "Location: /x",
                     "X-Fill: " + std::string(size - fixed.size(), 'f')};
        r.body = "body";
        site.Serve("/big", r);
        std::string raw = "unset";
        std::string target = "unset";
        CookieJar fresh = "unset";

        EXPECT_EQ(AccessWebPage(site.Url("/big"), {.responseCookies = &fresh,
                                                   .redirectTarget = &target,
                                                   .noRedirect = true,
                                                   .rawHeaders = &raw}),
                  "body");
        if (size == 4999) {
            EXPECT_EQ(raw.size(), 4999u);
            EXPECT_EQ(target, "/x");
            EXPECT_EQ(fresh, "s=1");
        } else {
            EXPECT_EQ(raw, "");
            EXPECT_EQ(target, "");
            EXPECT_EQ(fresh, "");
        }
    }
}

TEST_F(WebPageTest, SetCookieWithoutSemicolonGivesAnEmptyItem) {
    site.Serve("/bare", [] {
        Reply r = Reply::Text("x");
        r.headers.push_back("Set-Cookie: bare=1");
        r.headers.push_back("Set-Cookie: kept=2; path=/");
        return r;
    }());
    CookieJar jar = "a=1";
    CookieJar fresh;
    AccessWebPage(site.Url("/bare"), {.cookieJar = &jar, .responseCookies = &fresh});
    EXPECT_EQ(jar, "kept=2; a=1");
}

TEST_F(WebPageTest, WrappersDecodeUtf8OrKeepGbk) {
    site.Serve("/utf8", Reply::Text(reinterpret_cast<const char*>(u8"国语 第1集")));
    site.Serve("/gbk", Reply::Text(std::string("国语\0tail", 10)));

    EXPECT_EQ(AccessWebPageUtf8(site.Url("/utf8")), "国语 第1集");
    EXPECT_EQ(AccessWebPageText(site.Url("/gbk")), "国语");
    EXPECT_NE(AccessWebPageUtf8(site.Url("/gbk")), "国语");
}

TEST_F(WebPageTest, FailuresGiveAnEmptyBody) {
    std::string target = "kept";
    CookieJar jar = "a=1; b=2";
    // No host: nothing can be opened, the outputs stay as they were.
    EXPECT_EQ(AccessWebPage("http:///x", {.cookieJar = &jar, .redirectTarget = &target}), "");
    EXPECT_EQ(target, "kept");
    EXPECT_EQ(jar, "a=1; b=2");

    // Nobody listening: the request was opened, so the usual processing runs.
    const std::string closed = [] {
        FixtureSite gone;
        return gone.Url("/p");
    }();
    EXPECT_EQ(AccessWebPage(closed, {.cookieJar = &jar, .redirectTarget = &target}), "");
    EXPECT_EQ(target, "");
    EXPECT_EQ(jar, "a=1; b=2");

    // A body cut short gives what arrived.
    Reply cut = Reply::Pattern(4000);
    cut.closeAfter = 1500;
    site.Serve("/cut", cut);
    EXPECT_EQ(AccessWebPage(site.Url("/cut")), verdel_test::PatternBytes(0, 1500));
}

TEST_F(WebPageTest, CallsOnSeveralThreadsAtOnceStayApart) {
    for (int i = 0; i < 4; ++i) {
        Reply r = Reply::Pattern(20000 + i);
        r.headers.push_back("Set-Cookie: t=" + std::to_string(i) + "; path=/");
        site.Serve("/t" + std::to_string(i), r);
    }
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 10; ++round) {
                CookieJar jar;
                const std::string body =
                    AccessWebPage(site.Url("/t" + std::to_string(i)), {.cookieJar = &jar});
                if (body != verdel_test::PatternBytes(0, 20000 + i) ||
                    jar != "t=" + std::to_string(i)) {
                    ++failures[i];
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
