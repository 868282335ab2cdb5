#include "platform/statefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/posix/posix.h"

namespace tq::platform {
namespace {

[[noreturn]] void fail(const std::string& what, int err) {
    throw std::runtime_error(what + ": " + std::strerror(err));
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

bool createNewFile(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        fail("cannot create " + path, errno);
    }
    const ssize_t n = ::write(fd, content.data(), content.size());
    const int err = errno;
    if (::close(fd) != 0 || n != static_cast<ssize_t>(content.size())) {
        ::unlink(path.c_str());
        fail("cannot write " + path, n < 0 ? err : EIO);
    }
    return true;
}

void removeQuietly(const std::string& path) noexcept {
    if (::unlink(path.c_str()) != 0 && errno == EISDIR) ::rmdir(path.c_str());
}

std::string stateFolder() {
    std::string base;
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') throw std::runtime_error("neither XDG_STATE_HOME nor HOME names a folder");
        base = std::string(home) + "/.local/state";
    }
    return base + "/tallyquest";
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

void replaceFile(const std::string& path, std::string_view content) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) throw std::runtime_error(path + " is a symbolic link");
        if (!S_ISREG(st.st_mode)) throw std::runtime_error(path + " is not a regular file");
    } else if (errno != ENOENT) {
        fail("cannot write " + path, errno);
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) fail("cannot write " + path, errno);
    auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        fail("cannot write " + path, err);
    };
    ::fchmod(fd, 0644);
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (const int err = posix::durableRename(fd, temp, path)) abandon(err);
    if (::close(fd) != 0) fail("cannot write " + path, errno);
}

}  // namespace tq::platform
