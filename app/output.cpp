#include "app/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/statefile.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tq::app {

namespace {

[[noreturn]] void fail(const std::string& what, int err) {
    throw std::runtime_error("cannot write " + what + ": " + std::strerror(err));
}

void writeStandardOutput(std::string_view bytes) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fflush(stdout);
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        fail("to standard output", errno);
}

}  // namespace

bool isStream(const std::string& path) {
    if (path == "-") return true;
#if defined(_WIN32)
    return false;
#else
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode));
#endif
}

void writeOutput(const std::string& path, std::string_view bytes) {
    if (path == "-") return writeStandardOutput(bytes);
#if !defined(_WIN32)
    // Opened without creating or truncating, so that a regular file at the
    // name is untouched here; only a FIFO or a character device (a pipe
    // behind /dev/stdout, a terminal) is written to in place.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const int err = n < 0 ? errno : EIO;
                ::close(fd);
                fail(path, err);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (::close(fd) != 0 && errno != EINTR) fail(path, errno);
        return;
    }
    if (fd >= 0) ::close(fd);
    if (fd >= 0 && S_ISBLK(st.st_mode)) throw std::runtime_error("cannot write " + path + ": is a block device");
#endif
    platform::replaceFile(path, bytes);
}

}  // namespace tq::app
