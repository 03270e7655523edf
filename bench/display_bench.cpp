// Start to first frame on the screen under Xvfb, and resident memory once
// idle, for a program opening one window through our window system on the
// SDL2 display, beside the anchor: a bare SDL2 program opening one window
// of the same size on the same software path and drawing one frame. Each
// iteration starts both, back to back, on one X server of the bench's own.
// The manual time is ours; counters give both and the ratios, and the CPU
// time each spends while idle (zero when nothing polls).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/xvfb.h"

namespace {

constexpr int kFrameCapMilliseconds = 10000;
constexpr int kIdleMilliseconds = 500;

double NowSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

xtest::Xvfb& Server() {
    static auto* server = new xtest::Xvfb(1024, 768);
    return *server;
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// User and system CPU time of a process, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long user = 0, system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            user = std::stol(field);
        } else if (index == 15) {
            system = std::stol(field);
            break;
        }
    }
    return user + system;
}

struct Start {
    bool ok = false;
    double seconds = 0;  // start to first frame
    long residentKb = 0;
    long idleCpuTicks = 0;
};

// Starts program, waits for its first-frame line, lets it idle, measures.
Start Measure(const std::string& program) {
    Start result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return result;
    }
    double begin = NowSeconds();
    pid_t pid = xtest::StartProgram({program}, {"DISPLAY=" + Server().Display()}, pipeFds[1]);
    close(pipeFds[1]);
    pollfd wait{pipeFds[0], POLLIN, 0};
    char byte = 0;
    if (pid > 0 && poll(&wait, 1, kFrameCapMilliseconds) == 1 && read(pipeFds[0], &byte, 1) == 1) {
        result.seconds = NowSeconds() - begin;
        usleep(200 * 1000);
        long before = CpuTicks(pid);
        usleep(kIdleMilliseconds * 1000);
        result.idleCpuTicks = CpuTicks(pid) - before;
        result.residentKb = ResidentKb(pid);
        result.ok = true;
    }
    close(pipeFds[0]);
    xtest::StopProgram(pid);
    return result;
}

void FirstFrameBesideAnchor(benchmark::State& state) {
    if (!Server().Running()) {
        state.SkipWithError(Server().Problem().c_str());
        return;
    }
    double anchorSeconds = 0, oursSeconds = 0;
    double anchorKb = 0, oursKb = 0, anchorIdle = 0, oursIdle = 0;
    int runs = 0;
    for (auto _ : state) {
        Start anchor = Measure(DISPLAY_ANCHOR_PROGRAM);
        Start ours = Measure(DISPLAY_WINDOW_PROGRAM);
        if (!anchor.ok || !ours.ok) {
            state.SkipWithError("a program did not show its first frame");
            return;
        }
        state.SetIterationTime(ours.seconds);
        anchorSeconds += anchor.seconds;
        oursSeconds += ours.seconds;
        anchorKb += double(anchor.residentKb);
        oursKb += double(ours.residentKb);
        anchorIdle += double(anchor.idleCpuTicks);
        oursIdle += double(ours.idleCpuTicks);
        ++runs;
    }
    double ticksPerSecond = double(sysconf(_SC_CLK_TCK));
    double idleSeconds = runs * kIdleMilliseconds / 1000.0;
    state.counters["anchor_ms"] = anchorSeconds / runs * 1000;
    state.counters["ours_ms"] = oursSeconds / runs * 1000;
    state.counters["vs_anchor"] = oursSeconds / anchorSeconds;
    state.counters["anchor_rss_MB"] = anchorKb / runs / 1024;
    state.counters["ours_rss_MB"] = oursKb / runs / 1024;
    state.counters["anchor_idle_cpu_pct"] = anchorIdle / ticksPerSecond / idleSeconds * 100;
    state.counters["ours_idle_cpu_pct"] = oursIdle / ticksPerSecond / idleSeconds * 100;
}
BENCHMARK(FirstFrameBesideAnchor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
