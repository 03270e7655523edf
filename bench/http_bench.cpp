// HTTP clients on loopback against the fixture site, beside the curl
// command line doing the same work in the same run:
// - AccessWebPage GET of a 10 KB page, requests per second; curl fetches
//   the same page many times in one process (once reusing its connection,
//   once with a new connection per request, as AccessWebPage makes).
// - WinHttpClient::DownloadToFile of a 200 MB body, throughput and peak
//   memory, against curl -o.
// Counters "vs_curl" give the ratio of our throughput to curl's.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "net/web_page.h"
#include "net/winhttp_client.h"
#include "support/fixture_site.h"

extern char** environ;

namespace {

constexpr std::int64_t kPageSize = 10 * 1024;
constexpr std::int64_t kDownloadSize = 200LL * 1024 * 1024;
constexpr int kCurlUrlsPerRun = 200;

verdel_test::FixtureSite& Site() {
    static auto* site = [] {
        auto* s = new verdel_test::FixtureSite();
        s->SetRecording(false);
        s->Serve("/page", verdel_test::Reply::Text(verdel_test::PatternBytes(0, kPageSize)));
        s->Serve("/big", verdel_test::Reply::Pattern(kDownloadSize));
        return s;
    }();
    return *site;
}

const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "verdel-bench-XXXXXX").string();
        return std::string(mkdtemp(pattern.data()));
    }();
    return folder;
}

struct ChildRun {
    bool ok = false;
    long maxRssKb = 0;
};

// Runs a program (no shell) and waits for it.
ChildRun Run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ChildRun run;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid) {
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.maxRssKb = usage.ru_maxrss;
    }
    return run;
}

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) {
            return std::stol(line.substr(std::string(field).size()));
        }
    }
    return 0;
}

void ResetPeakRss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> CurlPageArguments(bool newConnectionEach) {
    std::vector<std::string> arguments = {"curl", "-s", "--fail"};
    if (newConnectionEach) {
        arguments.insert(arguments.end(), {"-H", "Connection: close"});
    }
    for (int i = 0; i < kCurlUrlsPerRun; ++i) {
        arguments.insert(arguments.end(), {"-o", "/dev/null", Site().Url("/page")});
    }
    return arguments;
}

// Each iteration runs the anchor and the subject back to back, so that a
// busy machine slows both alike; the counters give both rates and their
// ratio.
void BM_PagesBesideCurl(benchmark::State& state) {
    const std::vector<std::string> reuse = CurlPageArguments(false);
    const std::vector<std::string> fresh = CurlPageArguments(true);
    const std::string url = Site().Url("/page");
    double curlReuseSeconds = 0;
    double curlFreshSeconds = 0;
    double ownSeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        if (!Run(reuse).ok) {
            state.SkipWithError("curl failed");
            return;
        }
        curlReuseSeconds += SecondsSince(start);
        start = Clock::now();
        if (!Run(fresh).ok) {
            state.SkipWithError("curl failed");
            return;
        }
        curlFreshSeconds += SecondsSince(start);
        start = Clock::now();
        for (int i = 0; i < kCurlUrlsPerRun; ++i) {
            if (static_cast<std::int64_t>(net::AccessWebPage(url).size()) != kPageSize) {
                state.SkipWithError("short page");
                return;
            }
        }
        ownSeconds += SecondsSince(start);
    }
    const double pages = static_cast<double>(state.iterations() * kCurlUrlsPerRun);
    state.counters["own_per_s"] = pages / ownSeconds;
    state.counters["curl_new_conn_per_s"] = pages / curlFreshSeconds;
    state.counters["curl_reuse_per_s"] = pages / curlReuseSeconds;
    // AccessWebPage opens a connection per call, as curl does with
    // "Connection: close"; the reusing run is the upper bound.
    state.counters["vs_curl"] = curlFreshSeconds / ownSeconds;
    state.counters["vs_curl_reuse"] = curlReuseSeconds / ownSeconds;
}

void BM_DownloadBesideCurl(benchmark::State& state) {
    const std::string curlTarget = Folder() + "/curl.bin";
    const std::string ownTarget = Folder() + "/Verdel.exe.tmp";
    double curlSeconds = 0;
    double ownSeconds = 0;
    long curlPeakKb = 0;
    long ownPeakKb = 0;
    long ownGrowthKb = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        const ChildRun run = Run({"curl", "-s", "--fail", "-o", curlTarget, Site().Url("/big")});
        if (!run.ok) {
            state.SkipWithError("curl failed");
            return;
        }
        curlSeconds += SecondsSince(start);
        curlPeakKb = std::max(curlPeakKb, run.maxRssKb);
        std::filesystem::remove(curlTarget);

        ResetPeakRss();
        const long before = StatusKb("VmRSS:");
        start = Clock::now();
        net::WinHttpClient client;
        client.Open("GET", Site().Url("/big"));
        client.AddHeader("Accept", "*/*");
        client.Send();
        if (!client.DownloadToFile(Folder(), "Verdel.exe.tmp")) {
            state.SkipWithError("download failed");
            return;
        }
        ownSeconds += SecondsSince(start);
        const long peak = StatusKb("VmHWM:");
        ownPeakKb = std::max(ownPeakKb, peak);
        ownGrowthKb = std::max(ownGrowthKb, peak - before);
        std::filesystem::remove(ownTarget);
    }
    const double megabytes = static_cast<double>(state.iterations() * kDownloadSize) / (1 << 20);
    state.counters["own_MB_per_s"] = megabytes / ownSeconds;
    state.counters["curl_MB_per_s"] = megabytes / curlSeconds;
    state.counters["vs_curl"] = curlSeconds / ownSeconds;
    state.counters["curl_peak_rss_MB"] = static_cast<double>(curlPeakKb) / 1024;
    // The process also holds the fixture site; the growth during the
    // download is what the transfer itself needs.
    state.counters["own_peak_rss_MB"] = static_cast<double>(ownPeakKb) / 1024;
    state.counters["own_growth_MB"] = static_cast<double>(ownGrowthKb) / 1024;
}

BENCHMARK(BM_PagesBesideCurl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_DownloadBesideCurl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
