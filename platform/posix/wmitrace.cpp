#include "platform/wmitrace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "wmi/trace.h"

namespace tq::platform {

std::string wmiTraceVariable() {
    const char* v = std::getenv("TALLYQUEST_TRACE_WMI");
    return v ? v : "";
}

std::string startWmiTrace(const std::string& path, wmi::TraceSink& sink) {
    // Never blocks on a FIFO, never follows a link at the name.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == ELOOP) return path + " is a symbolic link";
        return "cannot open " + path + ": " + std::strerror(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return path + " is not a regular file";
    }
    auto file = std::shared_ptr<int>(new int(fd), [](int* p) {
        ::close(*p);
        delete p;
    });
    sink = [file](std::string_view line) {
        std::string text(line);
        text += '\n';
        // One write per line keeps lines whole beside other writers; a
        // failing write loses the line, not the run.
        const char* p = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t n = ::write(*file, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    };
    return {};
}

}  // namespace tq::platform
