// The HTTP request object (the update's size probe) and the URL reader
// against the fixture site.
#include "platform/com/http_request.h"

#include <gtest/gtest.h>

#include "platform/inet/url_reader.h"
#include "support/fixture_site.h"

namespace {

using verdel_test::FixtureSite;
using verdel_test::Reply;

class HttpRequestTest : public ::testing::Test {
  protected:
    void SetUp() override { win::CoInitialize(nullptr); }
    void TearDown() override { win::CoUninitialize(); }

    std::u16string Wide(const std::string& ascii) {
        return std::u16string(ascii.begin(), ascii.end());
    }

    FixtureSite site;
};

TEST_F(HttpRequestTest, HeadProbeReportsStatusAndLength) {
    site.Serve("/Verdel.exe", Reply::Pattern(1234567));
    auto request = com::CreateWinHttpRequest();
    ASSERT_NE(request, nullptr);
    ASSERT_EQ(request->SetTimeouts(5000, 5000, 10000, 5000), win::S_OK);
    ASSERT_EQ(request->Open(u"HEAD", Wide(site.Url("/Verdel.exe"))), win::S_OK);
    ASSERT_EQ(request->Send(), win::S_OK);

    long status = 0;
    std::u16string length;
    EXPECT_EQ(request->Status(&status), win::S_OK);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(request->GetResponseHeader(u"content-length", &length), win::S_OK);
    EXPECT_EQ(length, u"1234567");
    EXPECT_EQ(site.LastRequest().raw,
              "HEAD /Verdel.exe HTTP/1.1\r\nHost: " + site.HostPort() +
                  "\r\nAccept: */*\r\n"
                  "User-Agent: Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)\r\n\r\n");
    std::u16string none;
    EXPECT_EQ(request->GetResponseHeader(u"X-None", &none), com::E_HEADER_NOT_FOUND);
}

TEST_F(HttpRequestTest, MissingFileAndSilentServer) {
    auto request = com::CreateWinHttpRequest();
    ASSERT_EQ(request->Open(u"HEAD", Wide(site.Url("/absent"))), win::S_OK);
    ASSERT_EQ(request->Send(), win::S_OK);
    long status = 0;
    request->Status(&status);
    EXPECT_EQ(status, 404);

    Reply silent = Reply::Text("late");
    silent.delayMs = 10000;
    site.Serve("/silent", silent);
    request->SetTimeouts(200, 200, 200, 200);
    ASSERT_EQ(request->Open(u"HEAD", Wide(site.Url("/silent"))), win::S_OK);
    EXPECT_EQ(request->Send(), com::E_REQUEST_FAILED);
    EXPECT_EQ(request->Status(&status), com::E_REQUEST_NOT_OPEN);
}

TEST_F(HttpRequestTest, ObjectNeedsComOnItsThread) {
    win::CoUninitialize();
    EXPECT_EQ(com::CreateWinHttpRequest(), nullptr);
    win::CoInitialize(nullptr);
    auto request = com::CreateWinHttpRequest();
    EXPECT_EQ(request->Send(), com::E_REQUEST_NOT_OPEN);
}

TEST(UrlReaderTest, WholeBodyOnSuccessOnly) {
    FixtureSite site;
    site.Serve("/codes.txt", Reply::Text("乐视=[<object>]"));
    site.Serve("/moved", Reply::Redirect("/codes.txt"));
    Reply cut = Reply::Pattern(5000);
    cut.closeAfter = 100;
    site.Serve("/cut", cut);
    std::string bytes = "old";

    EXPECT_TRUE(win::ReadUrl(site.Url("/moved"), bytes));
    EXPECT_EQ(bytes, "乐视=[<object>]");
    EXPECT_EQ(site.LastRequest().raw,
              "GET /codes.txt HTTP/1.1\r\nHost: " + site.HostPort() + "\r\nAccept: */*\r\n\r\n");
    EXPECT_FALSE(win::ReadUrl(site.Url("/absent"), bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(win::ReadUrl(site.Url("/cut"), bytes));
    EXPECT_EQ(bytes, "");
}

}  // namespace
