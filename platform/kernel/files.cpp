#include "platform/kernel/files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "platform/kernel/codepage.h"

namespace files {
namespace {

constexpr const char* kHiddenAttribute = "user.verdel.hidden";

// Closes the descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting whether the data reached the file.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool StatPath(std::string_view path, struct stat* st) {
    return ::stat(DiskPath(path).c_str(), st) == 0;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A file replaced through a symbolic link replaces the file it points to.
std::string ReplacedFile(const std::string& diskPath) {
    struct stat st;
    if (::lstat(diskPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return diskPath;
    }
    char resolved[PATH_MAX];
    return ::realpath(diskPath.c_str(), resolved) != nullptr ? std::string(resolved) : diskPath;
}

// Creates a new file beside `target` for writing, with the permissions a
// file created anew gets (the umask applies).
Descriptor CreateAside(const std::string& target, std::string* aside) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        *aside =
            target + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        Descriptor fd(::open(aside->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return Descriptor(-1);
}

}  // namespace

std::string DiskPath(std::string_view gbkPath) {
    // In UTF-8 a byte 0x5C is always a backslash; in GBK it may be the
    // second byte of a character, so separators are replaced after the
    // conversion.
    std::string path = codepage::GbkToUtf8(gbkPath);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

bool Exists(std::string_view path) {
    struct stat st;
    return StatPath(path, &st);
}

bool IsDirectory(std::string_view path) {
    struct stat st;
    return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

bool Delete(std::string_view path) {
    return ::unlink(DiskPath(path).c_str()) == 0;
}

bool ReadWholeFile(std::string_view path, std::string* out) {
    Descriptor fd(::open(DiskPath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    std::string bytes;
    struct stat st;
    if (::fstat(fd.get(), &st) == 0 && st.st_size > 0) {
        bytes.reserve(static_cast<size_t>(st.st_size));
    }
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;  // a folder, or a read error
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    *out = std::move(bytes);
    return true;
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
    const std::string target = ReplacedFile(DiskPath(path));
    struct stat old;
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) {
        return false;
    }
    std::string aside;
    Descriptor fd = CreateAside(target, &aside);
    if (fd.get() < 0) {
        return false;
    }
    const bool written = (!replacing || ::fchmod(fd.get(), old.st_mode & 07777) == 0) &&
                         WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.Close();
    if (!written || ::rename(aside.c_str(), target.c_str()) != 0) {
        ::unlink(aside.c_str());
        return false;
    }
    return true;
}

bool Move(std::string_view from, std::string_view to) {
    return ::rename(DiskPath(from).c_str(), DiskPath(to).c_str()) == 0;
}

bool SetHidden(std::string_view path, bool hidden) {
    const std::string disk = DiskPath(path);
    if (hidden) {
        return ::setxattr(disk.c_str(), kHiddenAttribute, "1", 1, 0) == 0;
    }
    if (::removexattr(disk.c_str(), kHiddenAttribute) == 0) {
        return true;
    }
    // Nothing stored, or nowhere to store it: the file is not hidden.
    struct stat st;
    return (errno == ENODATA || errno == ENOTSUP) && ::stat(disk.c_str(), &st) == 0;
}

bool IsHidden(std::string_view path) {
    return ::getxattr(DiskPath(path).c_str(), kHiddenAttribute, nullptr, 0) >= 0;
}

}  // namespace files

namespace win {
namespace {

bool SetReadOnly(const std::string& diskPath, const struct stat& st, bool readOnly) {
    const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
    mode_t mode = st.st_mode & 07777;
    if (readOnly) {
        mode &= ~writable;
    } else if ((mode & S_IWUSR) == 0) {
        mode |= S_IWUSR;
    }
    return mode == (st.st_mode & 07777) || ::chmod(diskPath.c_str(), mode) == 0;
}

}  // namespace

DWORD GetFileAttributesA(const char* path) {
    if (path == nullptr) {
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st;
    if (::stat(files::DiskPath(path).c_str(), &st) != 0) {
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else if ((st.st_mode & S_IWUSR) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (files::IsHidden(path)) {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    if (path == nullptr) {
        return FALSE;
    }
    const std::string disk = files::DiskPath(path);
    struct stat st;
    if (::stat(disk.c_str(), &st) != 0) {
        return FALSE;
    }
    const bool hiddenSet = files::SetHidden(path, (attributes & FILE_ATTRIBUTE_HIDDEN) != 0);
    const bool readOnlySet =
        S_ISDIR(st.st_mode) || SetReadOnly(disk, st, (attributes & FILE_ATTRIBUTE_READONLY) != 0);
    return hiddenSet && readOnlySet ? TRUE : FALSE;
}

BOOL DeleteFileA(const char* path) {
    return path != nullptr && files::Delete(path) ? TRUE : FALSE;
}

BOOL MoveFileA(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) {
        return FALSE;
    }
    const std::string source = files::DiskPath(from);
    const std::string target = files::DiskPath(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return TRUE;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return FALSE;
    }
    // A file system that cannot refuse to replace: test first.
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) {
        return FALSE;
    }
    return ::rename(source.c_str(), target.c_str()) == 0 ? TRUE : FALSE;
}

BOOL PathIsDirectoryA(const char* path) {
    return path != nullptr && files::IsDirectory(path) ? static_cast<BOOL>(FILE_ATTRIBUTE_DIRECTORY)
                                                       : FALSE;
}

BOOL PathFileExistsA(const char* path) {
    return path != nullptr && files::Exists(path) ? TRUE : FALSE;
}

}  // namespace win
