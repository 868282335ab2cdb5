#include "platform/statefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "platform/posix/posix.h"
#include "platform/replacefile.h"

namespace tq::platform {
namespace {

[[noreturn]] void fail(const std::string& what, int err) { throw std::runtime_error(what + ": " + std::strerror(err)); }

// True while `fd` is still the file named `path` (not removed or replaced).
bool stillAt(int fd, const std::string& path) {
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && held.st_nlink > 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// A regular file of this user's, opened without following a link; -1 else.
int openOwnRegular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

// New folders get mode 0700: the state is the user's own.
std::vector<std::string> makeFolders(const std::string& path) {
    std::vector<std::string> made;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        const std::size_t slash = path.find('/', pos);
        const std::string sofar = path.substr(0, slash == std::string::npos ? path.size() : slash);
        if (!sofar.empty()) {
            if (::mkdir(sofar.c_str(), 0700) == 0) made.push_back(sofar);
            else if (errno != EEXIST) fail("cannot create " + sofar, errno);
        }
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail("cannot use " + path, errno);
    if (!S_ISDIR(st.st_mode)) throw std::runtime_error(path + " is not a folder");
    return made;
}

void removeQuietly(const std::string& path) noexcept {
    if (::unlink(path.c_str()) != 0 && errno == EISDIR) ::rmdir(path.c_str());
}

std::vector<StateFolder> stateFolders() {
    std::vector<StateFolder> folders;
    const char* system = std::getenv("TALLYQUEST_SYSTEM_STATE");
    const std::string machine = system && system[0] == '/' ? system : "/var/lib/tallyquest";
    struct stat st {};
    if (::stat(machine.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        folders.push_back({machine, ::access(machine.c_str(), W_OK | X_OK) == 0});
    std::string base;
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') throw std::runtime_error("neither XDG_STATE_HOME nor HOME names a folder");
        base = std::string(home) + "/.local/state";
    }
    folders.push_back({base + "/tallyquest", true});
    return folders;
}

std::vector<std::string> folderNames(const std::string& folder, std::size_t maxNames) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return names;
    while (const dirent* e = ::readdir(d)) {
        if (names.size() >= maxNames) break;
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(d);
    return names;
}

bool removeIfUnheld(const std::string& path) noexcept {
    const int fd = openOwnRegular(path);
    if (fd < 0) return false;
    const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillAt(fd, path) && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

void HeldFile::release() noexcept {
    if (handle_ != kNone) ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

HeldFile HeldFile::holdAlone(const std::string& path, int seconds) {
    // Read-only is enough for a lock, and lets others' runs lock a file
    // made by another user in a shared folder; created only when missing, as
    // a sticky folder may refuse O_CREAT on another user's file.
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(path.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT && (fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644)) >= 0)
        ::fchmod(fd, 0644);  // whatever the umask: every user's runs lock it
    if (fd < 0) {
        if (errno == ENOENT || errno == EEXIST) return {};
        fail("cannot open " + path, errno);
    }
    HeldFile held;
    held.handle_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw std::runtime_error(path + " is not a regular file");
    // Polled, so that a lock someone keeps forever ends in a message.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) fail("cannot lock " + path, errno);
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error(path + " stays locked by another program");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!stillAt(fd, path)) return {};
    return held;
}

HeldFile HeldFile::createShared(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return {};
        fail("cannot create " + path, errno);
    }
    HeldFile held;
    held.handle_ = fd;
    ::flock(fd, LOCK_SH);  // nobody else knows the file yet
    ::fchmod(fd, 0644);
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n != static_cast<ssize_t>(content.size())) {
        const int err = n < 0 ? errno : EIO;
        ::unlink(path.c_str());
        fail("cannot write " + path, err);
    }
    return held;
}

HeldFile HeldFile::joinShared(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    HeldFile held;
    held.handle_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_SH) != 0) return {};
    return held;
}

void HeldFile::releaseAndRemoveIfLast(const std::string& path) noexcept {
    if (handle_ == kNone) return;
    const int fd = static_cast<int>(handle_);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillAt(fd, path)) ::unlink(path.c_str());
    release();
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        if (errno == ELOOP) throw std::runtime_error(path + " is a symbolic link");
        fail("cannot open " + path, errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) fail("cannot read " + path, errno);
    if (!S_ISREG(st.st_mode)) throw std::runtime_error(path + " is not a regular file");
    if (static_cast<std::size_t>(st.st_size) > maxBytes) throw std::runtime_error(path + " is too large");
    std::string out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot read " + path, errno);
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > maxBytes) throw std::runtime_error(path + " is too large");
    }
    return out;
}

namespace detail {

void refuseUnlessRegular(const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) throw std::runtime_error(target + " is a symbolic link");
        if (!S_ISREG(st.st_mode)) throw std::runtime_error(target + " is not a regular file");
    } else if (errno != ENOENT) {
        fail("cannot write " + target, errno);
    }
}

// mkstemp's name. The temporary is held while it is written: removeIfUnheld
// takes only those that a killed run left. One removed before the hold
// began is made again.
Temporary createTemporary(const std::string& target) {
    Temporary temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp.name = target + ".XXXXXX";
        fd = ::mkstemp(temp.name.data());
        if (fd < 0) fail("cannot write " + target, errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !stillAt(fd, temp.name)) {
            ::close(fd);
            fd = -1;
            if (attempt == 10) fail("cannot write " + target, EAGAIN);
        }
    }
    ::fchmod(fd, 0644);
    temp.handle = fd;
    return temp;
}

FileError writeAll(std::intptr_t handle, std::string_view content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(static_cast<int>(handle), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return static_cast<FileError>(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

FileError moveOver(std::intptr_t& handle, const std::string& from, const std::string& target) {
    return static_cast<FileError>(posix::durableRename(static_cast<int>(handle), from, target));
}

FileError closeFile(std::intptr_t& handle) noexcept {
    if (handle < 0) return 0;
    const int r = ::close(static_cast<int>(handle));
    handle = -1;
    return r != 0 ? static_cast<FileError>(errno) : 0;
}

void removeFile(const std::string& name) noexcept { ::unlink(name.c_str()); }

void raise(const std::string& what, FileError err) { fail(what, static_cast<int>(err)); }

}  // namespace detail

}  // namespace tq::platform
