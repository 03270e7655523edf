#include "support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace xtest {
namespace {

constexpr int kStartCapMilliseconds = 5000;

long long NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// argv and envp arrays that live as long as the strings they point into.
struct Exec {
    std::vector<std::string> words;
    std::vector<std::string> environment;
    std::vector<char*> argv;
    std::vector<char*> envp;

    Exec(std::vector<std::string> command, std::vector<std::string> extra)
        : words(std::move(command)) {
        for (char** at = environ; at && *at; ++at) {
            std::string entry = *at;
            std::string name = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const std::string& wanted : extra) {
                replaced = replaced || wanted.compare(0, name.size(), name) == 0;
            }
            if (!replaced) {
                environment.push_back(entry);
            }
        }
        environment.insert(environment.end(), extra.begin(), extra.end());
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
    }
};

// Forks and runs exec; the child dies with this process. Only
// async-signal-safe calls run between fork and exec.
pid_t Spawn(Exec& exec, const std::string& path, int stdoutFd, int keepFd) {
    pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(stdoutFd >= 0 ? stdoutFd : devnull, 1);
    dup2(devnull, 2);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd) {
            close(fd);
        }
    }
    execve(path.c_str(), exec.argv.data(), exec.envp.data());
    _exit(127);
}

// Waits for pid to end within the cap; its exit code, or -1.
int Reap(pid_t pid, int capMilliseconds) {
    long long deadline = NowMilliseconds() + capMilliseconds;
    while (true) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 || NowMilliseconds() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(2000);
    }
}

}  // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {};
}

Xvfb::Xvfb(int width, int height) {
    std::string path = FindProgram("Xvfb");
    if (path.empty()) {
        problem_ = "Xvfb is not installed (scripts/setup installs the xvfb package)";
        return;
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        problem_ = "no pipe for -displayfd";
        return;
    }
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    Exec exec({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", screen,
               "-nolisten", "tcp", "-noreset"},
              {});
    pid_ = Spawn(exec, path, -1, pipeFds[1]);
    close(pipeFds[1]);
    // Xvfb writes the display number it took once it accepts clients.
    std::string number;
    long long deadline = NowMilliseconds() + kStartCapMilliseconds;
    while (number.find('\n') == std::string::npos) {
        long long left = deadline - NowMilliseconds();
        pollfd wait{pipeFds[0], POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, int(left)) <= 0) {
            break;
        }
        char buffer[32];
        ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        number.append(buffer, std::size_t(got));
    }
    close(pipeFds[0]);
    if (number.find('\n') == std::string::npos) {
        problem_ = "Xvfb did not report a display within 5 s";
        StopProgram(pid_);
        pid_ = -1;
        return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (Reap(pid_, 2000) == -1) {
            StopProgram(pid_);
        }
    }
}

ToolResult RunTool(const std::vector<std::string>& command, const std::string& display,
                   int capMilliseconds) {
    ToolResult result;
    std::string path = command.empty() ? std::string() : FindProgram(command[0]);
    int pipeFds[2];
    if (path.empty() || pipe(pipeFds) != 0) {
        return result;
    }
    Exec exec(command, {"DISPLAY=" + display, "LC_ALL=C.UTF-8"});
    pid_t pid = Spawn(exec, path, pipeFds[1], -1);
    close(pipeFds[1]);
    long long deadline = NowMilliseconds() + capMilliseconds;
    while (true) {
        long long left = deadline - NowMilliseconds();
        pollfd wait{pipeFds[0], POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, int(left)) <= 0) {
            break;
        }
        char buffer[4096];
        ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        result.output.append(buffer, std::size_t(got));
    }
    close(pipeFds[0]);
    result.exitCode = Reap(pid, int(std::max(deadline - NowMilliseconds(), 1LL)));
    return result;
}

pid_t StartProgram(const std::vector<std::string>& command,
                   const std::vector<std::string>& environment, int stdoutFd) {
    std::string path = command.empty() ? std::string() : command[0];
    if (!path.empty() && path.find('/') == std::string::npos) {
        path = FindProgram(path);
    }
    if (path.empty()) {
        return -1;
    }
    Exec exec(command, environment);
    return Spawn(exec, path, stdoutFd, -1);
}

void StopProgram(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

DisplayVariable::DisplayVariable(const std::string& display) {
    if (const char* old = std::getenv("DISPLAY")) {
        had_ = true;
        old_ = old;
    }
    setenv("DISPLAY", display.c_str(), 1);
}

DisplayVariable::~DisplayVariable() {
    if (had_) {
        setenv("DISPLAY", old_.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}

}  // namespace xtest
