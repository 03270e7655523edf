// The WinHTTP client object against the fixture site: request bytes,
// uploads, downloads into files with progress, header readers.
#include "net/winhttp_client.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/files.h"
#include "support/fixture_site.h"
#include "support/temp_folder.h"

namespace {

using net::WinHttpClient;
using verdel_test::FixtureSite;
using verdel_test::PatternBytes;
using verdel_test::ReceivedRequest;
using verdel_test::Reply;

std::string Lines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += line + "\r\n";
    }
    return joined;
}

// Collects progress reports from the watcher thread. The routine keeps the
// collected state alive, since a watcher may outlive the test's log.
class ProgressLog {
  public:
    struct Report {
        std::int32_t user;
        std::int64_t total;
        std::int64_t done;
        std::int64_t elapsed;
    };

    net::ProgressRoutine Routine() {
        return [shared = shared_](std::int32_t user, std::int64_t& total, std::int64_t& done,
                                  std::int64_t& elapsed) {
            std::lock_guard lock(shared->mutex);
            shared->reports.push_back({user, total, done, elapsed});
            shared->changed.notify_all();
        };
    }

    // Waits (10 s at most) for a report with done == total.
    std::vector<Report> WaitForFinal(std::int64_t total) {
        std::unique_lock lock(shared_->mutex);
        shared_->changed.wait_for(lock, std::chrono::seconds(10), [&] {
            return !shared_->reports.empty() && shared_->reports.back().done == total;
        });
        return shared_->reports;
    }

    std::vector<Report> Now() {
        std::lock_guard lock(shared_->mutex);
        return shared_->reports;
    }

  private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<Report> reports;
    };
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

class WinHttpClientTest : public ::testing::Test {
  protected:
    FixtureSite site;
    verdel_test::TempFolder temp{"verdel-net"};
    // The folder without its trailing separator, as the update passes it.
    const std::string folderPath = temp.Gbk().substr(0, temp.Gbk().size() - 1);

    std::string Target() const { return folderPath + "\\Verdel.exe.tmp"; }
};

TEST_F(WinHttpClientTest, DownloadRequestCarriesExactlyTheAddedHeaders) {
    site.Serve("/Verdel.exe", Reply::Text("exe"));
    WinHttpClient client;
    ASSERT_NE(client.Open("get", site.Url("/Verdel.exe")), 0);
    EXPECT_TRUE(client.AddHeader("Accept", "*/*"));
    EXPECT_TRUE(client.AddHeader("Referer", "http://board.test/"));
    EXPECT_TRUE(client.AddHeader(
        "User-Agent", " Mozilla/5.0 (Windows NT 6.1; WOW64; rv:23.0) Gecko/20100101 Firefox/23.0"));
    // Adding a header again replaces it in its place.
    EXPECT_TRUE(client.AddHeader("Referer", "http://board.test/home"));
    ASSERT_NE(client.Send(), 0);
    EXPECT_EQ(client.ResponseBytes(), "exe");

    EXPECT_EQ(site.LastRequest().raw,
              Lines({"GET /Verdel.exe HTTP/1.1", "Host: " + site.HostPort(), "Accept:*/*",
                     "Referer:http://board.test/home",
                     "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:23.0) Gecko/20100101 "
                     "Firefox/23.0",
                     ""}));
}

TEST_F(WinHttpClientTest, UrlsAreSplitIntoHostPortAndPath) {
    site.Serve("/", Reply::Text("root"));
    site.Serve("/x", Reply::Text("x"));
    site.Serve("/A", Reply::Text("A"));
    struct Case {
        std::string url;
        std::string requestLine;
    };
    const std::vector<Case> cases = {
        {"h.test/x", "GET http://h.test/x HTTP/1.1"},
        {"http://h.test", "GET http://h.test/ HTTP/1.1"},
        {"http://H.Test:8080/A?q=1&r=2", "GET http://h.test:8080/A?q=1&r=2 HTTP/1.1"},
    };
    WinHttpClient client;
    client.SetProxy(site.HostPort());
    for (const Case& c : cases) {
        ASSERT_NE(client.Open("GET", c.url), 0) << c.url;
        ASSERT_NE(client.Send(), 0) << c.url;
        const ReceivedRequest request = site.LastRequest();
        EXPECT_EQ(request.head.substr(0, request.head.find("\r\n")), c.requestLine);
    }
}

TEST_F(WinHttpClientTest, UploadGoesOutWhole) {
    site.Route("/up",
               [](const ReceivedRequest& r) { return Reply::Text(std::to_string(r.body.size())); });
    const std::string body = PatternBytes(0, 5000);
    ProgressLog log;
    WinHttpClient client;
    ASSERT_NE(client.Open("POST", site.Url("/up")), 0);
    ASSERT_NE(client.Send(body, log.Routine(), 7), 0);

    EXPECT_EQ(client.ResponseText(), "5000");
    EXPECT_EQ(site.LastRequest().body, body);
    EXPECT_EQ(site.LastRequest().Header("Content-Length"), "5000");
    const auto reports = log.WaitForFinal(5000);
    ASSERT_FALSE(reports.empty());
    // Before the final report only the offsets of the two 2048-byte chunks
    // behind the 904-byte head can show.
    for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
        EXPECT_TRUE(reports[i].done == 904 || reports[i].done == 2952) << reports[i].done;
    }
    EXPECT_EQ(reports.back().user, 7);
    EXPECT_EQ(reports.back().total, 5000);
}

TEST_F(WinHttpClientTest, DownloadWritesEveryByteAndReportsTheTotalLast) {
    Reply slow = Reply::Pattern(60000);
    slow.bytesPerSecond = 50000;  // about 1.2 s: the watcher polls every 500 ms
    site.Serve("/slow", slow);
    ProgressLog log;
    WinHttpClient client;
    ASSERT_NE(client.Open("GET", site.Url("/slow")), 0);
    ASSERT_NE(client.Send(), 0);

    EXPECT_TRUE(client.DownloadToFile(folderPath, "Verdel.exe.tmp", log.Routine(), 123));

    std::string bytes;
    ASSERT_TRUE(files::ReadWholeFile(Target(), &bytes));
    EXPECT_EQ(bytes, PatternBytes(0, 60000));
    const auto reports = log.WaitForFinal(60000);
    ASSERT_GE(reports.size(), 2u);
    std::int64_t previous = 0;
    for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
        EXPECT_GT(reports[i].done, previous);
        EXPECT_LT(reports[i].done, 60000);
        EXPECT_EQ(reports[i].total, 60000);
        previous = reports[i].done;
    }
    EXPECT_EQ(reports.back().user, 123);
    EXPECT_EQ(reports.back().total, 60000);
    EXPECT_EQ(reports.back().done, 60000);
    EXPECT_EQ(reports.back().elapsed, reports[reports.size() - 2].elapsed + 50);
}

TEST_F(WinHttpClientTest, FolderNamesAreGbkAndAnExistingFileIsReplaced) {
    const std::string chinese = folderPath + "\\下载";
    ASSERT_TRUE(std::filesystem::create_directory(files::DiskPath(chinese)));
    ASSERT_TRUE(files::WriteWholeFile(chinese + "\\a.bin", std::string(100000, 'o')));
    site.Serve("/f", Reply::Pattern(3000));
    WinHttpClient client;
    client.Open("GET", site.Url("/f"));
    client.Send();

    EXPECT_TRUE(client.DownloadToFile(chinese + "\\", "a.bin"));

    std::string bytes;
    ASSERT_TRUE(files::ReadWholeFile(chinese + "\\a.bin", &bytes));
    EXPECT_EQ(bytes, PatternBytes(0, 3000));
}

TEST_F(WinHttpClientTest, NoFileWithoutFolderLengthOrWholeBody) {
    Reply noLength = Reply::Pattern(3000);
    noLength.sendLength = false;
    Reply zero = Reply::Text("");
    Reply cut = Reply::Pattern(20000);
    cut.closeAfter = 12000;
    Reply stalled = Reply::Pattern(20000);
    stalled.stallAfter = 6000;
    stalled.stallMs = 20000;
    site.Serve("/none", noLength);
    site.Serve("/zero", zero);
    site.Serve("/cut", cut);
    site.Serve("/stall", stalled);
    struct Case {
        std::string path;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {"/none", folderPath},
        {"/zero", folderPath},
        {"/cut", folderPath},
        {"/stall", folderPath},
        {"/cut", folderPath + "\\missing"},
    };
    for (const Case& c : cases) {
        ProgressLog log;
        WinHttpClient client;
        ASSERT_NE(client.Open("GET", site.Url(c.path)), 0);
        client.SetTimeouts(300);
        ASSERT_NE(client.Send(), 0);
        EXPECT_FALSE(client.DownloadToFile(c.folder, "Verdel.exe.tmp", log.Routine(), 1)) << c.path;
        EXPECT_FALSE(files::Exists(c.folder + "\\Verdel.exe.tmp")) << c.path;
        if (c.folder != folderPath) {
            EXPECT_FALSE(files::Exists(c.folder)) << c.path;
        }
        // No final report claims the cut transfer complete.
        for (const auto& report : log.Now()) {
            EXPECT_LT(report.done, report.total) << c.path;
        }
    }
}

TEST_F(WinHttpClientTest, HeaderReaders) {
    Reply r = Reply::Text("x", "text/plain; charset=gbk");
    r.headers.push_back("Set-Cookie: a=1; path=/");
    r.headers.push_back("Set-Cookie: b=2; path=/");
    r.headers.push_back("Set-Cookie: c=3; path=/");
    r.headers.push_back("X-Name: 国语");
    site.Serve("/h", r);
    site.Serve("/plain", Reply::Text("p"));
    WinHttpClient client;
    client.Open("GET", site.Url("/h"));
    client.Send();
    const std::string block = client.GetHeader();

    EXPECT_TRUE(block.starts_with("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=gbk\r\n"));
    EXPECT_TRUE(block.ends_with("Content-Length: 1\r\n\r\n"));
    EXPECT_EQ(client.GetHeader("Content-Type"), "text/plain; charset=gbk");
    EXPECT_EQ(client.GetHeader("X-Name"), "国语");
    EXPECT_EQ(client.GetHeader("X-Missing"), block);
    EXPECT_EQ(client.GetHeader("content-type"), block);  // exact search
    EXPECT_EQ(client.GetLocation(), "");
    EXPECT_EQ(client.GetCookie("b", true), "2");
    EXPECT_EQ(client.GetCookie("b"), "b=2; ");
    EXPECT_EQ(client.GetCookie("b", false, 2), "b=2");
    EXPECT_EQ(client.GetCookie("none"), "a=1; b=2; c=3; ");
    EXPECT_EQ(client.GetCookie("", false, 2), "a=1; b=2; c=3");

    client.Open("GET", site.Url("/plain"));
    client.Send();
    EXPECT_EQ(client.GetCookie(), "");
}

TEST_F(WinHttpClientTest, RedirectsFollowedUnlessSwitchedOff) {
    site.Serve("/old", Reply::Redirect(site.Url("/new")));
    site.Serve("/new", Reply::Text("new"));
    WinHttpClient client;
    client.Open("GET", site.Url("/old"));
    client.Send();
    EXPECT_EQ(client.ResponseBytes(), "new");
    EXPECT_EQ(client.GetLocation(), "");

    client.Open("GET", site.Url("/old"));
    EXPECT_TRUE(
        client.SetOption(win::WINHTTP_OPTION_DISABLE_FEATURE, win::WINHTTP_DISABLE_REDIRECTS));
    client.Send();
    EXPECT_EQ(client.GetLocation(), site.Url("/new"));
    EXPECT_EQ(client.ResponseBytes(), "moved");
}

TEST_F(WinHttpClientTest, ResponseTextIsGbk) {
    site.Serve("/u", Reply::Text(reinterpret_cast<const char*>(u8"最新版本 2.1")));
    WinHttpClient client;
    client.Open("GET", site.Url("/u"));
    client.Send();
    EXPECT_EQ(client.ResponseText(), "最新版本 2.1");
    EXPECT_EQ(client.ResponseBytes(), reinterpret_cast<const char*>(u8"最新版本 2.1"));
}

TEST_F(WinHttpClientTest, FailedOpenLeavesTheObjectUsable) {
    site.Serve("/ok", Reply::Text("ok"));
    WinHttpClient client;
    EXPECT_EQ(client.Open("GET", "http:///nohost"), 0);
    EXPECT_EQ(client.Send(), 0);
    EXPECT_NE(client.Open("GET", site.Url("/ok")), 0);
    EXPECT_NE(client.Send(), 0);
    EXPECT_EQ(client.ResponseBytes(), "ok");

    const std::string closed = [] {
        FixtureSite gone;
        return gone.Url("/p");
    }();
    EXPECT_NE(client.Open("GET", closed), 0);
    EXPECT_EQ(client.Send(), 0);
}

}  // namespace
