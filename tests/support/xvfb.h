#pragma once
// A virtual X server of a test's own, and the X tools that act on it.
//
// Xvfb picks a free display number itself (-displayfd) and goes with the
// object (and with the test process, should that die first). Tools run
// without a shell, with the server's DISPLAY and a UTF-8 locale, so that
// xdotool types Chinese as the characters themselves.
#include <sys/types.h>

#include <string>
#include <vector>

namespace xtest {

// The full path of a program on PATH, or empty.
std::string FindProgram(const std::string& name);

class Xvfb {
  public:
    // Starts a server of the given screen size (24-bit colour). Running()
    // says whether it came up within a few seconds; Problem() says why not.
    explicit Xvfb(int width = 1024, int height = 768);
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool Running() const { return !display_.empty(); }
    // ":N"
    const std::string& Display() const { return display_; }
    const std::string& Problem() const { return problem_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
    std::string problem_;
};

struct ToolResult {
    int exitCode = -1;   // -1: could not run, or killed at the cap
    std::string output;  // standard output
};

// Runs program (a name on PATH) with arguments against display; kills it
// after capMilliseconds.
ToolResult RunTool(const std::vector<std::string>& command, const std::string& display,
                   int capMilliseconds = 5000);

// Starts a program in the background with extra environment entries
// ("NAME=value") added to this process's; its process id, or -1.
pid_t StartProgram(const std::vector<std::string>& command,
                   const std::vector<std::string>& environment, int stdoutFd = -1);
// Ends a program started so (SIGKILL) and collects it.
void StopProgram(pid_t pid);

// Sets DISPLAY for this process while it lives.
class DisplayVariable {
  public:
    explicit DisplayVariable(const std::string& display);
    ~DisplayVariable();
    DisplayVariable(const DisplayVariable&) = delete;
    DisplayVariable& operator=(const DisplayVariable&) = delete;

  private:
    bool had_ = false;
    std::string old_;
};

}  // namespace xtest
