// The download-link lookup against a hosted space served by the fixture site.
#include "space/hosted_space.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fixture_site.h"

namespace {

using verdel_test::FixtureSite;
using verdel_test::ReceivedRequest;
using verdel_test::Reply;

std::string Item(const std::string& label, const std::string& link) {
    return "<li><a href='/note/fd.htm?" + link + "'>查看</a><font>" + label + "</font></li>\r\n";
}

// A space whose content centre is the fixture site itself: the sub-server
// "127.0.0" followed by the domain ".1:<port>" is the site's address.
class HostedSpaceTest : public ::testing::Test {
  protected:
    FixtureSite site;
    app::Configuration config = [this] {
        app::Configuration c = app::DefaultConfiguration();
        c.BoardHomeUrl = site.Url("/home");
        c.BoardDomain = ".1:" + std::to_string(site.Port());
        c.FolderId = "1438920";
        return c;
    }();

    void ServeSpace(const std::string& listing, const std::string& frameKey = "K7x") {
        site.Serve("/home",
                   Reply::Text("<html><body><iframe name=\"frxcx\" id=\"frxcx\" src=\"http://" +
                               site.HostPort() + "/Ccenter.aspx?z=" + frameKey +
                               "\" width=\"100%\"></iframe>空间首页</body></html>"));
        site.Route("/Ccenter.aspx", [listing](const ReceivedRequest& r) {
            if (r.method == "GET") {
                Reply session = Reply::Text("<html>内容中心</html>");
                session.headers.push_back("Set-Cookie: ASP.NET_SessionId=s3ss; path=/; HttpOnly");
                return session;
            }
            return Reply::Text(listing);
        });
    }
};

TEST_F(HostedSpaceTest, FirstMatchingEntryGivesTheLinkThroughTheSessionsListing) {
    ServeSpace(Item("2.0", "http://files.test/v20/Verdel.exe") +
               Item("2.1", "http://files.test/first/Verdel.exe") +
               Item("2.1", "http://files.test/second/Verdel.exe"));
    space::BoardState state;

    space::FindDownloadLink(config, state, "2.1");

    EXPECT_EQ(state.DownloadLink, "http://files.test/first/Verdel.exe");
    EXPECT_EQ(state.BoardSubHost, "127.0.0");
    const std::vector<ReceivedRequest> requests = site.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/home");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].target, "/Ccenter.aspx?z=K7x");
    EXPECT_EQ(requests[1].Header("Cookie"), "");
    EXPECT_EQ(requests[2].method, "POST");
    EXPECT_EQ(requests[2].target, "/Ccenter.aspx?z=K7x");
    EXPECT_EQ(requests[2].body, "Yz0=dq&Yz1=1438920&Yz2=&Yz3=&Yz4=");
    EXPECT_EQ(requests[2].Header("Cookie"), "ASP.NET_SessionId=s3ss");
    EXPECT_EQ(requests[2].Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(HostedSpaceTest, LabelsMustEqualTheVersionExactly) {
    const std::vector<std::string> listings = {
        Item(" 2.1 ", "http://files.test/spaced.exe"),
        "<li><a href='/note/fd.htm?http://files.test/nofont.exe'>2.1</a></li>",
        Item("2.10", "http://files.test/longer.exe") + Item("2.0", "http://files.test/older.exe"),
        "",
    };
    for (const std::string& listing : listings) {
        ServeSpace(listing);
        space::BoardState state;
        space::FindDownloadLink(config, state, "2.1");
        EXPECT_EQ(state.DownloadLink, "") << listing;
    }
}

TEST_F(HostedSpaceTest, PageKeyIsBehindTheLastMarker) {
    ServeSpace("", "A1&back=Ccenter.aspx?z=B2");
    const space::BoardFrame board = space::DiscoverBoard(config);
    EXPECT_EQ(board.pageKey, "B2");
    EXPECT_EQ(board.subHost, "127.0.0");
    EXPECT_EQ(board.frame,
              "http://" + site.HostPort() + "/Ccenter.aspx?z=A1&back=Ccenter.aspx?z=B2");
}

TEST_F(HostedSpaceTest, HomePageWithoutFrameFindsNothing) {
    site.Serve("/home", Reply::Text("<html>维护中</html>"));
    space::BoardState state{"old", "key", ""};
    space::FindDownloadLink(config, state, "2.1");
    EXPECT_EQ(state.BoardSubHost, "");
    EXPECT_EQ(state.DownloadLink, "");
    EXPECT_EQ(site.Requests().size(), 1u);  // the content centre has no host to go to
}

}  // namespace
