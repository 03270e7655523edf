// The WinHTTP subset: header modifiers, the two-step header query, bodies
// written after the request, and receive timeouts.
#include "platform/winhttp/winhttp.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fixture_site.h"

namespace {

using verdel_test::FixtureSite;
using verdel_test::ReceivedRequest;
using verdel_test::Reply;

struct Handles {
    win::HINTERNET session = nullptr;
    win::HINTERNET connection = nullptr;
    win::HINTERNET request = nullptr;

    Handles(const FixtureSite& site, const char16_t* verb, const char16_t* path) {
        session = win::WinHttpOpen(nullptr, win::WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
        connection = win::WinHttpConnect(session, u"127.0.0.1",
                                         static_cast<win::INTERNET_PORT>(site.Port()), 0);
        request = win::WinHttpOpenRequest(connection, verb, path, nullptr, nullptr, nullptr, 0);
    }
    ~Handles() {
        win::WinHttpCloseHandle(request);
        win::WinHttpCloseHandle(connection);
        win::WinHttpCloseHandle(session);
    }
};

TEST(WinHttpTest, HeaderModifiersReplaceAddOrRefuse) {
    FixtureSite site;
    site.Serve("/h", Reply::Text("ok"));
    Handles h(site, u"GET", u"/h");
    constexpr win::DWORD kAll = static_cast<win::DWORD>(-1);
    const win::DWORD replaceOrAdd =
        win::WINHTTP_ADDREQ_FLAG_REPLACE | win::WINHTTP_ADDREQ_FLAG_ADD_IF_NEW;
    EXPECT_TRUE(win::WinHttpAddRequestHeaders(h.request, u"A: 1\r\nB: 2", kAll,
                                              win::WINHTTP_ADDREQ_FLAG_ADD));
    EXPECT_TRUE(win::WinHttpAddRequestHeaders(h.request, u"a:one", kAll, replaceOrAdd));
    EXPECT_FALSE(win::WinHttpAddRequestHeaders(h.request, u"B: 3", kAll,
                                               win::WINHTTP_ADDREQ_FLAG_ADD_IF_NEW));
    EXPECT_TRUE(
        win::WinHttpAddRequestHeaders(h.request, u"B:", kAll, win::WINHTTP_ADDREQ_FLAG_REPLACE));
    EXPECT_TRUE(win::WinHttpAddRequestHeaders(h.request, u"C: 国", kAll, replaceOrAdd));
    ASSERT_TRUE(win::WinHttpSendRequest(h.request, nullptr, 0, nullptr, 0, 0, 0));
    ASSERT_TRUE(win::WinHttpReceiveResponse(h.request, nullptr));

    EXPECT_EQ(site.LastRequest().raw,
              "GET /h HTTP/1.1\r\nHost: " + site.HostPort() + "\r\na:one\r\nC: 国\r\n\r\n");
}

TEST(WinHttpTest, RawHeadersAskedForTheirSizeFirst) {
    FixtureSite site;
    Reply r = Reply::Text("ok");
    r.headers.push_back("X-Name: 日语");
    site.Serve("/q", r);
    Handles h(site, nullptr, nullptr);
    site.Serve("/", r);
    ASSERT_TRUE(win::WinHttpSendRequest(h.request, nullptr, 0, nullptr, 0, 0, 0));
    ASSERT_TRUE(win::WinHttpReceiveResponse(h.request, nullptr));

    win::DWORD size = 0;
    EXPECT_FALSE(win::WinHttpQueryHeaders(h.request, win::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                          nullptr, &size, nullptr));
    std::vector<char16_t> buffer(size / 2);
    win::DWORD small = size - 2;
    EXPECT_FALSE(win::WinHttpQueryHeaders(h.request, win::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                          buffer.data(), &small, nullptr));
    EXPECT_EQ(small, size);
    ASSERT_TRUE(win::WinHttpQueryHeaders(h.request, win::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                         buffer.data(), &size, nullptr));
    const std::u16string text(buffer.data(), size / 2);
    EXPECT_EQ(
        text,
        u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nX-Name: 日语\r\nContent-Length: 2\r\n\r\n");

    win::DWORD status = 0;
    win::DWORD statusSize = sizeof status;
    ASSERT_TRUE(win::WinHttpQueryHeaders(
        h.request, win::WINHTTP_QUERY_STATUS_CODE | win::WINHTTP_QUERY_FLAG_NUMBER, nullptr,
        &status, &statusSize, nullptr));
    EXPECT_EQ(status, 200u);
}

TEST(WinHttpTest, BodyWrittenInPiecesAfterTheRequest) {
    FixtureSite site;
    site.Route("/up", [](const ReceivedRequest& r) { return Reply::Text(r.body); });
    Handles h(site, u"PUT", u"/up");
    // Over 1 MiB in all, so that no Expect line may sneak in.
    const std::string body = verdel_test::PatternBytes(0, 1536 * 1024 + 7);
    ASSERT_TRUE(win::WinHttpSendRequest(h.request, nullptr, 0, body.data(), 7,
                                        static_cast<win::DWORD>(body.size()), 0));
    for (std::size_t at = 7; at < body.size(); at += 65536) {
        win::DWORD written = 0;
        const auto piece = static_cast<win::DWORD>(std::min<std::size_t>(65536, body.size() - at));
        ASSERT_TRUE(win::WinHttpWriteData(h.request, body.data() + at, piece, &written));
        EXPECT_EQ(written, piece);
    }
    ASSERT_TRUE(win::WinHttpReceiveResponse(h.request, nullptr));
    const ReceivedRequest received = site.LastRequest();
    EXPECT_EQ(received.head, "PUT /up HTTP/1.1\r\nHost: " + site.HostPort() +
                                 "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
    EXPECT_EQ(received.body, body);

    std::string echoed;
    char piece[10240];
    win::DWORD read = 0;
    while (win::WinHttpReadData(h.request, piece, sizeof piece, &read) && read > 0) {
        echoed.append(piece, read);
    }
    EXPECT_EQ(echoed, body);
}

TEST(WinHttpTest, StalledBodyTimesOutAsAFailedRead) {
    FixtureSite site;
    Reply stalled = Reply::Pattern(100000);
    stalled.stallAfter = 30000;
    stalled.stallMs = 20000;
    site.Serve("/s", stalled);
    Handles h(site, u"GET", u"/s");
    ASSERT_TRUE(win::WinHttpSetTimeouts(h.request, 0, 1000, 1000, 250));
    ASSERT_TRUE(win::WinHttpSendRequest(h.request, nullptr, 0, nullptr, 0, 0, 0));
    ASSERT_TRUE(win::WinHttpReceiveResponse(h.request, nullptr));
    std::size_t total = 0;
    char piece[5120];
    win::DWORD read = 0;
    win::BOOL ok;
    while ((ok = win::WinHttpReadData(h.request, piece, sizeof piece, &read)) && read > 0) {
        total += read;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(total, 30000u);
}

TEST(WinHttpTest, StaleHandlesFail) {
    win::HINTERNET session =
        win::WinHttpOpen(nullptr, win::WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    ASSERT_TRUE(win::WinHttpCloseHandle(session));
    EXPECT_FALSE(win::WinHttpCloseHandle(session));
    EXPECT_EQ(win::WinHttpConnect(session, u"127.0.0.1", 80, 0), nullptr);
    win::DWORD read = 0;
    char byte;
    EXPECT_FALSE(win::WinHttpReadData(session, &byte, 1, &read));
}

}  // namespace
