#pragma once
// Starting other programs and ending this one.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/win_types.h"

namespace process {

struct Command {
    std::string program;                 // GBK; a name without "/" is looked up in PATH
    std::vector<std::string> arguments;  // GBK, each passed as it is, never through a shell
    std::string workingFolder;           // GBK; empty: this program's current folder
};

// Starts the command hidden and returns at once. Hidden: no terminal input
// (standard input is /dev/null), a session of its own, default signal
// handling, none of this program's files open but the standard three. The
// child is reaped when it ends, and lives on when this program ends.
// False when the program could not be started.
bool Start(const Command& command);
bool StartHiddenProcess(std::string_view program, const std::vector<std::string>& arguments);

// Starts the command hidden and waits for it: its exit code, or empty when it
// could not be started or was ended by a signal.
std::optional<int> Run(const Command& command);

// Tests replace ending the process: the handler is called with the exit code
// instead. It must not return (it may throw, or park the thread); when it
// does, the process ends after all.
void SetExitHandler(std::function<void(win::UINT exitCode)> handler);

}  // namespace process

namespace win {

// Ends the program at once with the exit code, from any thread. Buffered
// output is flushed; exit handlers and static destructors do not run, since
// the other threads keep running until the process is gone and would find
// the objects they use destroyed.
[[noreturn]] void ExitProcess(UINT exitCode);

}  // namespace win
