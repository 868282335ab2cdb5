// Whole report runs from a snapshot: the realistic machine of the tests, and
// machines of many devices (bench/many_devices.h), read from their snapshot
// text at each run as the headless program reads them, whose every sound
// device, video controller and network adapter asks for its driver's
// version and every network driver for its MAC address. Prints the medians
// of the CPU time per run and the peak memory, and fails when they miss
// their targets: the 20,000-driver machine costs no more than 1.5 times as
// much with 1,000 sound devices and 1,000 adapters as without them, and the
// cost per driver stays flat from 1,000 to 20,000 drivers (with a device per
// 10 drivers). On Linux also whole reports through the provider over
// recorded trees: 200 PCI network functions (under 2 s of CPU), and a USB
// device folder with 3,000 entries that link back to it (under 3 s).
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
#include "probes/reportrun.h"
#include "report/main.h"
#include "tests/support/quiet_ui.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

#ifdef __linux__
#include "platform/linux/provider.h"
#include "tests/platform/linux/tree_files.h"
#endif

namespace {

using namespace tq;

using testing::QuietUi;

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
platform::Platform gPlatform;  // the benchmark's platform: its files, with the quiet shell and user interface
std::unique_ptr<platform::InstalledSeams> gSeams;
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
    gSeams = platform::installPlatform(gPlatform, options);
    gPlatform.ui = &gUi;
    gPlatform.shell = &gShell;
}

// Report runs on a machine held in memory.
void runReports(benchmark::State& state, const std::string& name, std::shared_ptr<wmi::Repository> repo) {
    gPlatform.binder = wmi::makeBinder(std::move(repo));
    report::gStrFileName = name + ".htm";
    for (auto _ : state) {
        gPlatform.files->createTextFile(report::reportPath(*gPlatform.files))->close();
        const double t0 = cpuSeconds();
        probes::RunReport(gPlatform);
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
    gPlatform.files->createTextFile(report::reportPath(*gPlatform.files))->close();
    const double t0 = cpuSeconds();
    auto repo = wmi::parseSnapshot(text, name);
    gPlatform.binder = wmi::makeBinder(repo);
    probes::RunReport(gPlatform);
    gPlatform.binder = nullptr;
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

#ifdef __linux__
using linuxprov::testing::Tree;

// The parts every recorded machine has: kernel, host name, one processor.
void basics(Tree& t) {
    t.attrs("/proc/sys/kernel", {{"osrelease", "6.1.0-18-amd64"},
                                 {"hostname", "rack"},
                                 {"version", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)"}});
    t.file("/proc/cpuinfo", "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
                            "model name\t: Intel(R) Xeon(R) Gold 6230 CPU @ 2.10GHz\nstepping\t: 7\n\n");
    t.file("/etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
}

// A server with `functions` PCI network functions (8 to a device), each
// with its driver and a connected interface.
Tree& manyNics(int functions) {
    static Tree t;
    basics(t);
    const std::string port = "/sys/devices/pci0000:00/0000:00:1c.0";
    t.attrs(port, {{"vendor", "0x8086"}, {"device", "0x43bc"}, {"class", "0x060400"}, {"revision", "0x11"}});
    t.linkTo("/sys/bus/pci/devices/0000:00:1c.0", port);
    t.linkTo("/sys/bus/pci/drivers/igb/module", "/sys/module/igb");
    t.attrs("/sys/module/igb", {{"version", "5.6.0-k"}});
    for (int i = 0; i < functions; ++i) {
        char addr[16];
        std::snprintf(addr, sizeof addr, "0000:%02x:%02x.%d", 3 + i / 64, (i / 8) % 8, i % 8);
        const std::string dev = port + "/" + addr, ifname = "enp" + std::to_string(i);
        t.attrs(dev, {{"vendor", "0x8086"},
                      {"device", "0x1521"},
                      {"subsystem_vendor", "0x8086"},
                      {"subsystem_device", "0x0001"},
                      {"class", "0x020000"},
                      {"revision", "0x01"}});
        t.linkTo("/sys/bus/pci/devices/" + std::string(addr), dev);
        t.linkTo(dev + "/driver", "/sys/bus/pci/drivers/igb");
        char mac[24];
        std::snprintf(mac, sizeof mac, "a0:36:9f:00:%02x:%02x", i / 256, i % 256);
        t.attrs(dev + "/net/" + ifname, {{"address", mac},
                                         {"type", "1"},
                                         {"operstate", "up"},
                                         {"flags", "0x1003"},
                                         {"carrier", "1"},
                                         {"speed", "1000"},
                                         {"ifindex", std::to_string(i + 2)}});
        t.linkTo("/sys/class/net/" + ifname, dev + "/net/" + ifname);
        t.linkTo(dev + "/net/" + ifname + "/device", dev);
    }
    return t;
}

// A USB device whose folder holds `links` entries that lead back to itself
// ("1-1.5 -> ."), as a broken or hostile recording may.
Tree& selfLinks(int links) {
    static Tree t;
    basics(t);
    const std::string hc = "/sys/devices/pci0000:00/0000:00:14.0", hub = hc + "/usb1", dev = hub + "/1-1";
    t.attrs(hc, {{"vendor", "0x8086"}, {"device", "0x43ed"}, {"class", "0x0c0330"}, {"revision", "0x11"}});
    t.linkTo("/sys/bus/pci/devices/0000:00:14.0", hc);
    t.attrs(hub, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"bcdDevice", "0601"}, {"bDeviceClass", "09"}});
    t.linkTo("/sys/bus/usb/devices/usb1", hub);
    t.attrs(
        dev,
        {{"idVendor", "046d"}, {"idProduct", "c52b"}, {"bcdDevice", "1211"}, {"bDeviceClass", "00"}, {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/1-1", dev);
    for (int i = 1; i <= links; ++i) {
        t.link(dev + "/1-" + std::to_string(i), ".");
        t.linkTo("/sys/bus/usb/devices/1-1." + std::to_string(i), dev);
    }
    return t;
}

// Whole reports through the provider, each run reading the recorded tree
// afresh through the one view its run binds.
void runProvider(benchmark::State& state, const std::string& name, const std::string& root) {
    report::gStrFileName = name + ".htm";
    for (auto _ : state) {
        gPlatform.files->createTextFile(report::reportPath(*gPlatform.files))->close();
        const double t0 = cpuSeconds();
        gPlatform.binder = linuxprov::makeBinder(root);
        probes::RunReport(gPlatform);
        gPlatform.binder = nullptr;
        gSeconds[name].push_back(cpuSeconds() - t0);
    }
}
#endif

// The curve: drivers, with a sound device and an adapter per 20 drivers.
constexpr int kCurve[] = {1000, 5000, 10000, 20000};

void registerAll() {
    benchmark::RegisterBenchmark(
        "realistic", [](benchmark::State& s) { runReports(s, "realistic", wmi::loadSnapshot(realisticSnapshot())); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark("20000 drivers without and with devices", runPair)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(9);
    for (int n : kCurve)
        if (n != 20000)
            benchmark::RegisterBenchmark(("devices-" + std::to_string(n)).c_str(),
                                         [n](benchmark::State& s) {
                                             const std::string text = snapshotOf(n, n / 20, true);
                                             for (auto _ : s) runFromSnapshot("devices-" + std::to_string(n), text);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(9);
#ifdef __linux__
    benchmark::RegisterBenchmark("provider: 200 network functions",
                                 [](benchmark::State& s) { runProvider(s, "nics", manyNics(200).root()); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("provider: 3,000 self-links",
                                 [](benchmark::State& s) { runProvider(s, "selflinks", selfLinks(3000).root()); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
#endif
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
    check("nics", 2000);
    check("selflinks", 3000);
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
            std::printf("%6d drivers, %4d devices: %9.2f ms CPU, %6.2f us per driver\n", n, n / 10, ms(name),
                        perDriver);
        }
        if (hi > 0) std::printf("cost per driver varies %.2fx  (target < 2x) %s\n", hi / lo, verdict(hi / lo < 2));
    }
    std::printf("peak memory %.1f MB (target < 100 MB) %s\n", peakMb, verdict(peakMb < 100));
    return ok ? 0 : 1;
}
