#include "support/temp_folder.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/kernel/codepage.h"

namespace verdel_test {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view prefix) {
    std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    disk_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(disk_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::permissions(disk_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(disk_, ignored);
}

std::string TempFolder::Gbk(std::string_view gbkName) const {
    return codepage::Utf8ToGbk(disk_.string()) + "/" + std::string(gbkName);
}

std::optional<bool> RunUnprivileged(const std::function<bool()>& attempt) {
    if (::geteuid() != 0) {
        return attempt();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(2);
        }
        ::_exit(attempt() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1) {
        return std::nullopt;
    }
    return WEXITSTATUS(status) == 0;
}

}  // namespace verdel_test
