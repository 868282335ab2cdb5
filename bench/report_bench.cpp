// Whole report runs from a snapshot: the realistic machine of the tests, and
// a large synthetic machine whose every driver-version lookup walks 20,000
// signed drivers; and, on Linux, whole reports through the provider over
// recorded trees: 200 PCI network functions, and a USB device folder with
// thousands of entries that link back to it. Prints the medians and the
// peak memory and fails when they miss their targets.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/install.h"
#include "platform/seams.h"
#include "report/main.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

#ifdef __linux__
#include "platform/linux/provider.h"
#include "tests/platform/linux/tree_files.h"
#endif

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
std::map<std::string, std::vector<double>> gSeconds;  // per benchmark, every run (wall time)
std::map<std::string, std::vector<double>> gCpu;      // per benchmark, every run (CPU time)

double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::string realisticSnapshot() { return std::string(TQ_SOURCE_DIR) + "/tests/data/realistic-machine.json"; }

// The realistic machine plus 20,000 signed drivers, 200 sound devices and
// 200 connected network adapters. The drivers that the devices' names match
// come last, so that every lookup walks all drivers.
std::shared_ptr<wmi::Repository> largeMachine() {
    auto repo = wmi::loadSnapshot(realisticSnapshot());
    constexpr int kDrivers = 20000, kSound = 200, kAdapters = 200;
    const char* classes[] = {"SYSTEM", "HIDClass", "USB", "MEDIA", "DISKDRIVE", "PRINTQUEUE", "SOFTWAREDEVICE", "NET"};
    const int matching = kSound + kAdapters;
    for (int i = 0; i < kDrivers - matching; ++i) {
        auto& d = repo->add("Win32_PnPSignedDriver");
        const std::string n = "Generic Device " + std::to_string(i);
        d.set("DeviceName", Value::text(n));
        d.set("Description", Value::text(n));
        d.set("DriverVersion", Value::text("10.0.19041." + std::to_string(i % 5000)));
        d.set("DeviceClass", Value::text(classes[i % 8]));
        d.set("DeviceID", Value::text("ROOT\\DEVICE\\" + std::to_string(i)));
        d.set("Location", i % 50 == 0 ? Value::text("PCI bus 4, device " + std::to_string(i % 32)) : Value());
    }
    for (int i = 0; i < kSound; ++i) {
        const std::string n = "USB Audio Device " + std::to_string(i);
        auto& s = repo->add("Win32_SoundDevice");
        s.set("Caption", Value::text(n));
        s.set("Description", Value::text(n));
        s.set("Manufacturer", Value::text("Generic USB Audio"));
        s.set("DeviceID", Value::text("USB\\VID_0D8C&PID_0014&MI_00&REV_0100\\7&" + std::to_string(i) + "&0&0000"));
        s.set("PNPDeviceID", s.get("DeviceID"));
        auto& d = repo->add("Win32_PnPSignedDriver");
        d.set("Description", Value::text(n));
        d.set("DriverVersion", Value::text("10.0.19041.1"));
        d.set("DeviceClass", Value::text("MEDIA"));
    }
    for (int i = 0; i < kAdapters; ++i) {
        const std::string n = "Intel(R) Ethernet Server Adapter #" + std::to_string(i);
        auto& a = repo->add("Win32_NetworkAdapter");
        a.set("Name", Value::text(n));
        a.set("Description", Value::text(n));
        a.set("NetConnectionID", Value::text("Ethernet " + std::to_string(i)));
        a.set("PNPDeviceID", Value::text("PCI\\VEN_8086&DEV_1521&REV_01\\" + std::to_string(i)));
        char mac[32];
        std::snprintf(mac, sizeof mac, "A0:36:9F:00:%02X:%02X", i / 256, i % 256);
        a.set("MACAddress", Value::text(mac));
        auto& d = repo->add("Win32_PnPSignedDriver");
        d.set("DeviceName", Value::text(n));
        d.set("Description", Value::text(n));
        d.set("DriverVersion", Value::text("12.15.22.6"));
        d.set("DeviceClass", Value::text("NET"));
        d.set("Location", Value::text("PCI bus 5, device 0, function " + std::to_string(i)));
    }
    return repo;
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

// Whole reports, each run's binds answered by one repository from `source`
// (called anew for every run, as every run reads the machine afresh).
void runReports(benchmark::State& state, const std::string& name,
                const std::function<std::shared_ptr<wmi::Repository>()>& source) {
    report::gStrFileName = name + ".htm";
    for (auto _ : state) {
        platform::files().createTextFile(report::reportPath())->close();
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpuSeconds();
        wmi::setBinder(wmi::makeBinder(source()));
        report::RunReport();
        gCpu[name].push_back(cpuSeconds() - c0);
        gSeconds[name].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
}
void runReports(benchmark::State& state, const std::string& name, std::shared_ptr<wmi::Repository> repo) {
    runReports(state, name, [&repo] { return repo; });
}

void BM_RealisticMachine(benchmark::State& state) { runReports(state, "realistic", wmi::loadSnapshot(realisticSnapshot())); }
void BM_LargeMachine(benchmark::State& state) { runReports(state, "large", largeMachine()); }

BENCHMARK(BM_RealisticMachine)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_LargeMachine)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(1);

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
        t.attrs(dev, {{"vendor", "0x8086"}, {"device", "0x1521"}, {"subsystem_vendor", "0x8086"},
                      {"subsystem_device", "0x0001"}, {"class", "0x020000"}, {"revision", "0x01"}});
        t.linkTo("/sys/bus/pci/devices/" + std::string(addr), dev);
        t.linkTo(dev + "/driver", "/sys/bus/pci/drivers/igb");
        char mac[24];
        std::snprintf(mac, sizeof mac, "a0:36:9f:00:%02x:%02x", i / 256, i % 256);
        t.attrs(dev + "/net/" + ifname, {{"address", mac}, {"type", "1"}, {"operstate", "up"}, {"flags", "0x1003"},
                                         {"carrier", "1"}, {"speed", "1000"}, {"ifindex", std::to_string(i + 2)}});
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
    t.attrs(dev, {{"idVendor", "046d"}, {"idProduct", "c52b"}, {"bcdDevice", "1211"}, {"bDeviceClass", "00"},
                  {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/1-1", dev);
    for (int i = 1; i <= links; ++i) {
        t.link(dev + "/1-" + std::to_string(i), ".");
        t.linkTo("/sys/bus/usb/devices/1-1." + std::to_string(i), dev);
    }
    return t;
}

void BM_ProviderManyNics(benchmark::State& state) {
    const std::string root = manyNics(200).root();
    runReports(state, "nics", [&root] { return linuxprov::makeRepository(root); });
}
void BM_ProviderSelfLinks(benchmark::State& state) {
    const std::string root = selfLinks(3000).root();
    runReports(state, "selflinks", [&root] { return linuxprov::makeRepository(root); });
}
BENCHMARK(BM_ProviderManyNics)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(1);
BENCHMARK(BM_ProviderSelfLinks)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(1);
#endif

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const auto folder = std::filesystem::temp_directory_path() / ("tq-bench-" + std::to_string(::getpid()));
    setUp(folder);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);

    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const double peakMb = usage.ru_maxrss / 1024.0;
    bool ok = true;
    auto check = [&](const char* name, double limitMs, bool cpu = false) {
        auto& runs = cpu ? gCpu : gSeconds;
        if (!runs.count(name)) return;
        const double ms = median(runs[name]) * 1000.0;
        const bool met = ms < limitMs;
        ok = ok && met;
        std::printf("%-10s median %9.2f ms%s (target < %.0f ms) %s\n", name, ms, cpu ? " CPU" : "", limitMs,
                    met ? "ok" : "MISSED");
    };
    check("realistic", 10);
    check("large", 1000);
    check("nics", 2000, true);
    check("selflinks", 3000, true);
    const bool memoryMet = peakMb < 100;
    ok = ok && memoryMet;
    std::printf("peak memory %.1f MB (target < 100 MB) %s\n", peakMb, memoryMet ? "ok" : "MISSED");
    return ok ? 0 : 1;
}
