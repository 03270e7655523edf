#include "platform/kernel/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/codepage.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

std::string ReadDisk(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Polls until the condition holds; the cap only turns a hang into a failure.
template <typename Condition>
bool Eventually(Condition condition) {
    const auto cap = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > cap) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Zombie children of this process.
int Zombies() {
    int zombies = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string stat = ReadDisk(entry.path() / "stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 1));
        char state = 0;
        int parent = 0;
        fields >> state >> parent;
        if (state == 'Z' && parent == ::getpid()) {
            ++zombies;
        }
    }
    return zombies;
}

class ProcessTest : public testing::Test {
  protected:
    void SetUp() override { fs::create_directory(dir_); }
    std::string Gbk(const fs::path& path) const { return codepage::Utf8ToGbk(path.string()); }
    process::Command Shell(const std::string& script, std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), {"-c", script, "sh"});
        return process::Command{"/bin/sh", arguments, Gbk(dir_)};
    }

    verdel_test::TempFolder temp_{"verdel-process"};
    fs::path dir_ = temp_.Disk() / u8"更新 脚本";
};

TEST_F(ProcessTest, ArgumentsArriveAsTheyAreWithoutAShell) {
    const std::vector<std::string> arguments = {
        "国语 空格", "\"quoted\" 'single'", "$HOME", "a;b|c&", "", "*", "back\\slash"};
    const auto code =
        process::Run(Shell("for a; do printf '%s\\n' \"$a\"; done > out.txt", arguments));
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadDisk(dir_ / "out.txt"),
              Utf8(u8"国语 空格\n\"quoted\" 'single'\n$HOME\na;b|c&\n\n*\nback\\slash\n"));
}

TEST_F(ProcessTest, RunReportsTheExitCode) {
    struct Case {
        std::string script;
        std::optional<int> code;
    };
    const std::vector<Case> cases = {
        {"exit 0", 0}, {"exit 7", 7}, {"kill -9 $$", std::nullopt},  // ended by a signal
    };
    for (const Case& c : cases) {
        EXPECT_EQ(process::Run(Shell(c.script)), c.code) << c.script;
    }
    EXPECT_EQ(process::Run({"sh", {"-c", "exit 3"}, ""}), 3);  // found in PATH
}

TEST_F(ProcessTest, ProgramsThatCannotStartAreReported) {
    EXPECT_EQ(process::Run({Gbk(dir_ / "missing"), {}, ""}), std::nullopt);
    EXPECT_FALSE(process::StartHiddenProcess(Gbk(dir_ / "missing"), {}));
    EXPECT_FALSE(process::StartHiddenProcess("verdel-no-such-program", {}));
    EXPECT_FALSE(process::StartHiddenProcess("", {}));
    EXPECT_FALSE(process::Start({"/bin/sh", {"-c", "exit 0"}, Gbk(dir_ / "missing")}));
}

TEST_F(ProcessTest, ScriptsWithChineseNamesStart) {
    const fs::path script = dir_ / u8"Verdel更新脚本（此脚本运行完毕会自行删除）.sh";
    std::ofstream(script) << "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran.txt\"\n";
    fs::permissions(script, fs::perms::owner_all);
    EXPECT_EQ(process::Run({Gbk(script), {}, ""}), 0);
    EXPECT_EQ(ReadDisk(dir_ / "ran.txt"), "ran\n");
}

// The started process runs on after the call returns and is reaped when it ends.
TEST_F(ProcessTest, HiddenProcessRunsOnItsOwnAndLeavesNoZombie) {
    // A descriptor without close-on-exec, numbered apart from the shell's own.
    const int opened = ::open("/dev/null", O_RDONLY);
    const int leaked = ::fcntl(opened, F_DUPFD, 60);
    ::close(opened);
    ASSERT_GE(leaked, 60);
    ASSERT_TRUE(process::StartHiddenProcess(
        "/bin/sh", {"-c",
                    "cd \"$0\" && while [ ! -e go ]; do sleep 0.01; done;"
                    " readlink /proc/$$/fd/0 > stdin.txt; [ -e /proc/$$/fd/$1 ] && touch leaked;"
                    " echo $$ > pid.txt; cat /proc/self/stat > stat.txt; mv stat.txt done.txt",
                    Gbk(dir_), std::to_string(leaked)}));
    ::close(leaked);
    // The child waits for "go", so the call cannot have waited for it.
    std::ofstream(dir_ / "go").close();
    ASSERT_TRUE(Eventually([&] { return fs::exists(dir_ / "done.txt"); }));

    EXPECT_EQ(ReadDisk(dir_ / "stdin.txt"), "/dev/null\n");
    EXPECT_FALSE(fs::exists(dir_ / "leaked"));
    // "cat" runs in the session the started shell leads.
    const std::string stat = ReadDisk(dir_ / "done.txt");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string state, parent, group, session;
    fields >> state >> parent >> group >> session;
    EXPECT_EQ(session + "\n", ReadDisk(dir_ / "pid.txt"));

    EXPECT_TRUE(Eventually([] { return Zombies() == 0; }));
}

TEST(ExitProcessTest, EndsWithTheCodeAndFlushesOutput) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test's child runs in a process of its own: the name is fixed.
    const fs::path file = fs::temp_directory_path() / "verdel-exit-process-test";
    fs::remove(file);
    EXPECT_EXIT(
        {
            std::FILE* out = std::fopen(file.c_str(), "w");
            std::fputs("buffered", out);
            win::ExitProcess(42);
        },
        testing::ExitedWithCode(42), "");
    EXPECT_EQ(ReadDisk(file), "buffered");
    fs::remove(file);
}

TEST(ExitProcessTest, AHandlerCanTakeItsPlace) {
    struct Ended {
        win::UINT code;
    };
    process::SetExitHandler([](win::UINT code) { throw Ended{code}; });
    try {
        win::ExitProcess(5);
    } catch (const Ended& ended) {
        EXPECT_EQ(ended.code, 5u);
    }
    process::SetExitHandler(nullptr);
}

}  // namespace
