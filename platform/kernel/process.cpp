#include "platform/kernel/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/kernel/codepage.h"
#include "platform/kernel/files.h"

extern char** environ;

namespace process {
namespace {

// The spawn attributes and file actions of a hidden child, released on
// every way out.
class SpawnSetup {
  public:
    explicit SpawnSetup(const std::string& workingFolder) {
        ::posix_spawnattr_init(&attributes_);
        ::posix_spawn_file_actions_init(&actions_);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        ok_ = ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                           POSIX_SPAWN_SETSIGDEF) == 0 &&
              ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
              ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
              ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY,
                                                 0) == 0 &&
              ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) == 0 &&
              (workingFolder.empty() ||
               ::posix_spawn_file_actions_addchdir_np(&actions_, workingFolder.c_str()) == 0);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool ok() const { return ok_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

  private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
    bool ok_ = false;
};

// The child's process id, or -1.
pid_t Spawn(const Command& command) {
    const std::string program = files::DiskPath(command.program);
    std::vector<std::string> arguments = {program};
    for (const std::string& argument : command.arguments) {
        arguments.push_back(codepage::GbkToUtf8(argument));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const SpawnSetup setup(command.workingFolder.empty() ? std::string()
                                                         : files::DiskPath(command.workingFolder));
    if (program.empty() || !setup.ok()) {
        return -1;
    }
    const bool searchPath = program.find('/') == std::string::npos;
    pid_t child = -1;
    const int failed = searchPath ? ::posix_spawnp(&child, program.c_str(), setup.actions(),
                                                   setup.attributes(), argv.data(), environ)
                                  : ::posix_spawn(&child, program.c_str(), setup.actions(),
                                                  setup.attributes(), argv.data(), environ);
    return failed == 0 ? child : -1;
}

// The child's end status, or -1.
int WaitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

std::mutex& ExitLock() {
    static std::mutex lock;
    return lock;
}

std::function<void(win::UINT)>& ExitHandler() {
    static std::function<void(win::UINT)> handler;
    return handler;
}

}  // namespace

bool Start(const Command& command) {
    const pid_t child = Spawn(command);
    if (child < 0) {
        return false;
    }
    // One small thread per child waits for its end, so no zombie is left
    // and no signal handler of the process is touched.
    try {
        std::thread([child] { WaitFor(child); }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child is started all the same.
    }
    return true;
}

bool StartHiddenProcess(std::string_view program, const std::vector<std::string>& arguments) {
    return Start(Command{std::string(program), arguments, {}});
}

std::optional<int> Run(const Command& command) {
    const pid_t child = Spawn(command);
    if (child < 0) {
        return std::nullopt;
    }
    const int status = WaitFor(child);
    if (status < 0 || !WIFEXITED(status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

void SetExitHandler(std::function<void(win::UINT)> handler) {
    const std::lock_guard<std::mutex> guard(ExitLock());
    ExitHandler() = std::move(handler);
}

}  // namespace process

namespace win {

void ExitProcess(UINT exitCode) {
    std::function<void(UINT)> handler;
    {
        const std::lock_guard<std::mutex> guard(process::ExitLock());
        handler = process::ExitHandler();
    }
    if (handler) {
        handler(exitCode);
    }
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}

}  // namespace win
