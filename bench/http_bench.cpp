// HTTP clients on loopback against the fixture site, beside the curl
// command line doing the same work in the same run:
// - AccessWebPage GET of a 10 KB page, requests per second; curl fetches
//   the same page many times in one process (once reusing its connection,
//   once with a new connection per request, as AccessWebPage makes).
// - WinHttpClient::DownloadToFile of a 200 MB body, throughput and peak
//   memory, against curl -o.
// Counters "vs_curl" give the ratio to the curl anchor run just before.
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

double curlReuseRate = 0;
double curlPageRate = 0;
double curlDownloadRate = 0;

void CurlPages(benchmark::State& state, bool newConnectionEach) {
    const std::string url = Site().Url("/page");
    std::vector<std::string> arguments = {"curl", "-s", "--fail"};
    if (newConnectionEach) {
        arguments.insert(arguments.end(), {"-H", "Connection: close"});
    }
    for (int i = 0; i < kCurlUrlsPerRun; ++i) {
        arguments.insert(arguments.end(), {"-o", "/dev/null", url});
    }
    for (auto _ : state) {
        if (!Run(arguments).ok) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kCurlUrlsPerRun);
    state.SetBytesProcessed(state.iterations() * kCurlUrlsPerRun * kPageSize);
}

void BM_CurlPages_Reuse(benchmark::State& state) {
    const auto start = std::chrono::steady_clock::now();
    CurlPages(state, false);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curlReuseRate = static_cast<double>(state.iterations() * kCurlUrlsPerRun) / seconds;
}

void BM_CurlPages_NewConnection(benchmark::State& state) {
    const auto start = std::chrono::steady_clock::now();
    CurlPages(state, true);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curlPageRate = static_cast<double>(state.iterations() * kCurlUrlsPerRun) / seconds;
}

void BM_AccessWebPage(benchmark::State& state) {
    const std::string url = Site().Url("/page");
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const std::string body = net::AccessWebPage(url);
        if (static_cast<std::int64_t>(body.size()) != kPageSize) {
            state.SkipWithError("short page");
            return;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * kPageSize);
    const double rate = static_cast<double>(state.iterations()) / seconds;
    if (curlPageRate > 0) {
        state.counters["vs_curl"] = rate / curlPageRate;  // both a new connection per page
    }
    if (curlReuseRate > 0) {
        state.counters["vs_curl_reuse"] = rate / curlReuseRate;
    }
}

void BM_CurlDownload(benchmark::State& state) {
    const std::string target = Folder() + "/curl.bin";
    long peak = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const ChildRun run = Run({"curl", "-s", "--fail", "-o", target, Site().Url("/big")});
        if (!run.ok) {
            state.SkipWithError("curl failed");
            return;
        }
        peak = std::max(peak, run.maxRssKb);
        std::filesystem::remove(target);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    curlDownloadRate = static_cast<double>(state.iterations() * kDownloadSize) / seconds;
    state.SetBytesProcessed(state.iterations() * kDownloadSize);
    state.counters["peak_rss_MB"] = static_cast<double>(peak) / 1024;
}

void BM_DownloadToFile(benchmark::State& state) {
    const std::string target = Folder() + "/Verdel.exe.tmp";
    Site();
    long before = 0;
    long peak = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ResetPeakRss();
        before = StatusKb("VmRSS:");
        net::WinHttpClient client;
        client.Open("GET", Site().Url("/big"));
        client.AddHeader("Accept", "*/*");
        client.Send();
        if (!client.DownloadToFile(Folder(), "Verdel.exe.tmp")) {
            state.SkipWithError("download failed");
            return;
        }
        peak = std::max(peak, StatusKb("VmHWM:"));
        std::filesystem::remove(target);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetBytesProcessed(state.iterations() * kDownloadSize);
    // The process holds the fixture site too; the growth during the
    // download is what the transfer itself needs.
    state.counters["peak_rss_MB"] = static_cast<double>(peak) / 1024;
    state.counters["growth_MB"] = static_cast<double>(peak - before) / 1024;
    if (curlDownloadRate > 0) {
        state.counters["vs_curl"] =
            static_cast<double>(state.iterations() * kDownloadSize) / seconds / curlDownloadRate;
    }
}

// Registration order is run order: each anchor runs before its subject.
BENCHMARK(BM_CurlPages_Reuse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlPages_NewConnection)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AccessWebPage)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_CurlDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DownloadToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
