// Peak memory of a whole report run against that of loading its snapshot:
// 1,999,999 updates of 110-character ids in a 252 MB snapshot (as many
// objects as the snapshot's entry bound lets one class hold), a report of
// about 434 MB. The load (the snapshot read, every object walked) and the
// headless program's run each take a child of their own; the run may peak
// at most kMarginMb above the load (the run keeps a pointer per object of
// the answers it may be asked again, 16 MB here).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace {

constexpr double kMarginMb = 32;
constexpr int kUpdates = 1999999;

void writeSnapshot(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const std::string pad(101, 'x');
    std::string buf = "{\"Win32_QuickFixEngineering\": [";
    char id[16];
    for (int i = 0; i < kUpdates; ++i) {
        std::snprintf(id, sizeof id, "KB%07d", i);
        if (i) buf += ',';
        buf += "{\"HotFixID\":\"";
        buf += id;
        buf += pad;
        buf += "\"}";
        if (buf.size() > (1u << 20)) {
            out << buf;
            buf.clear();
        }
    }
    out << buf << "]}";
}

// The peak of a child that runs `work` (its exit status: 0 for success).
double peakOfChild(int (*work)(const std::string&), const std::string& arg, int& status) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(work(arg));
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss / 1024.0;
}

int load(const std::string& snapshot) {
    try {
        auto repo = tq::wmi::loadSnapshot(snapshot);
        std::size_t objects = 0;
        for (const std::string& c : repo->classNames())
            for (std::span<const tq::wmi::Instance> run : repo->runsOf(c))
                for (const tq::wmi::Instance& o : run) objects += o.className().empty() ? 0 : 1;
        return objects == kUpdates ? 0 : 1;
    } catch (const std::exception&) {
        return 2;
    }
}

int run(const std::string& snapshot) {
    const std::string folder = std::filesystem::path(snapshot).parent_path().string();
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 1);
    ::dup2(quiet, 2);
    ::execl(TQ_REPORT_BINARY, TQ_REPORT_BINARY, "--snapshot", snapshot.c_str(), "--folder", folder.c_str(), "HF",
            static_cast<char*>(nullptr));
    return 127;
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tq-run-memory-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string snapshot = (dir / "updates.json").string();
    writeSnapshot(snapshot);
    const double snapshotMb = static_cast<double>(fs::file_size(snapshot)) / 1e6;
    int loadStatus = 0, runStatus = 0;
    const double loadMb = peakOfChild(load, snapshot, loadStatus);
    const double runMb = peakOfChild(run, snapshot, runStatus);
    std::error_code ec;
    const auto reportMb = static_cast<double>(fs::file_size(dir / "HF.htm", ec)) / 1e6;
    fs::remove_all(dir);

    const bool loaded = WIFEXITED(loadStatus) && WEXITSTATUS(loadStatus) == 0;
    const bool ran = WIFEXITED(runStatus) && WEXITSTATUS(runStatus) == 0;
    const bool met = loaded && ran && runMb <= loadMb + kMarginMb;
    std::printf("snapshot %.0f MB, %d updates\n", snapshotMb, kUpdates);
    std::printf("load     peak %7.1f MB %s\n", loadMb, loaded ? "" : "(failed)");
    std::printf("run      peak %7.1f MB (target <= load + %.0f MB), report %.0f MB %s\n", runMb, kMarginMb, reportMb,
                ran ? "" : "(failed)");
    std::printf("%s\n", met ? "ok" : "MISSED");
    return met ? 0 : 1;
}
