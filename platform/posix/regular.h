// Opening a file the program reads as data: never blocking on a FIFO or a
// device, and accepting only a regular file (a sysfs attribute is one).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tq::posix {

// A descriptor open for reading, or -1 with errno set (EINVAL when the name
// is no regular file, ELOOP when `noFollow` and the name is a symlink).
inline int openRegular(const char* path, bool noFollow, struct stat* st = nullptr) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0));
    if (fd < 0) return -1;
    struct stat own;
    struct stat* s = st ? st : &own;
    if (::fstat(fd, s) != 0 || !S_ISREG(s->st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

}  // namespace tq::posix
