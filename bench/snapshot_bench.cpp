// Peak memory of loading snapshots shaped to cost the most per byte: empty
// objects, one-property objects, long property names, many classes, heap
// texts. Each loads in a child of its own, every class is then walked as a
// query walks it, and the child's peak is checked against its target (20 MB
// of empty objects under 250 MB; anything up to the size limit under 2 GB,
// refused or not).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace {

using namespace tq::wmi;

// Writes `{"<class>": [` then items from `item(i)` separated by commas
// until the file holds about `bytes`, then `]}`.
void writeSnapshot(const std::string& path, const std::string& head, std::uint64_t bytes,
                   const std::function<std::string(std::uint64_t)>& item, const std::string& tail = "]}") {
    std::ofstream out(path, std::ios::binary);
    std::string buf = head;
    std::uint64_t written = 0;
    for (std::uint64_t i = 0; written + buf.size() + tail.size() + 64 < bytes; ++i) {
        if (i) buf += ',';
        buf += item(i);
        if (buf.size() > (1u << 20)) {
            out << buf;
            written += buf.size();
            buf.clear();
        }
    }
    out << buf << tail;
}

struct Outcome {
    double peakMb = 0;
    std::string result;  // "loaded" or the refusal
};

Outcome loadInChild(const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) return {0, "pipe failed"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string result = "loaded";
        try {
            auto repo = loadSnapshot(path);
            std::size_t objects = 0;
            for (const std::string& c : repo->classNames()) objects += repo->objectsOf(c).size();
            result += " (" + std::to_string(objects) + " objects)";
        } catch (const SnapshotError& e) {
            result = e.what();
            result.erase(0, result.find(": ") + 2);  // the file's name
        }
        (void)!::write(fds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    Outcome o;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) o.result.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    o.peakMb = usage.ru_maxrss / 1024.0;
    if (!WIFEXITED(status)) o.result = "child died";
    return o;
}

std::string padded(std::uint64_t i, std::size_t width) {
    std::string s = std::to_string(i);
    return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / ("tq-snapshot-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "snapshot.json").string();
    constexpr std::uint64_t kMb = 1u << 20;
    const std::uint64_t full = kMaxSnapshotBytes;
    const std::string drivers = "{\"Win32_PnPSignedDriver\": [";
    struct Case {
        const char* name;
        std::uint64_t bytes;
        std::string head;
        std::function<std::string(std::uint64_t)> item;
        std::string tail;
        double targetMb;
    };
    const Case cases[] = {
        {"20 MB of {}", 20 * kMb, drivers, [](std::uint64_t) { return std::string("{}"); }, "]}", 250},
        {"256 MB of {}", full, drivers, [](std::uint64_t) { return std::string("{}"); }, "]}", 2048},
        {"256 MB of {\"a\":1}", full, "{\"Custom\": [", [](std::uint64_t) { return std::string("{\"a\":1}"); }, "]}",
         2048},
        {"256 MB of {\"Name\":1}", full, drivers, [](std::uint64_t) { return std::string("{\"DeviceName\":1}"); }, "]}",
         2048},
        {"256 MB of long names", full, "{\"Custom\": [{",
         [](std::uint64_t i) { return "\"p" + padded(i, 16) + "\":1"; }, "}]}", 2048},
        {"256 MB of classes", full, "{", [](std::uint64_t i) { return "\"c" + padded(i, 16) + "\":[{}]"; }, "}", 2048},
        {"256 MB of texts", full, drivers,
         [](std::uint64_t) { return std::string("{\"DeviceName\":\"sixteen letters!\"}"); }, "]}", 2048},
    };
    bool ok = true;
    for (const Case& c : cases) {
        writeSnapshot(path, c.head, c.bytes, c.item, c.tail);
        const Outcome o = loadInChild(path);
        const bool met = o.peakMb > 0 && o.peakMb < c.targetMb && o.result != "child died";
        ok = ok && met;
        std::printf("%-22s peak %7.1f MB (target < %4.0f MB) %-6s %s\n", c.name, o.peakMb, c.targetMb,
                    met ? "ok" : "MISSED", o.result.c_str());
        std::fflush(stdout);
    }
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
