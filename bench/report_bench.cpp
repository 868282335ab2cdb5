// Whole report runs from a snapshot: the realistic machine of the tests, and
// a large synthetic machine whose every driver-version lookup walks 20,000
// signed drivers. Prints the medians and the peak memory and fails when they
// miss their targets.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

void runReports(benchmark::State& state, const std::string& name, std::shared_ptr<wmi::Repository> repo) {
    wmi::setBinder(wmi::makeBinder(std::move(repo)));
    report::gStrFileName = name + ".htm";
    for (auto _ : state) {
        platform::files().createTextFile(report::reportPath())->close();
        const auto t0 = std::chrono::steady_clock::now();
        report::RunReport();
        gSeconds[name].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
}

void BM_RealisticMachine(benchmark::State& state) { runReports(state, "realistic", wmi::loadSnapshot(realisticSnapshot())); }
void BM_LargeMachine(benchmark::State& state) { runReports(state, "large", largeMachine()); }

BENCHMARK(BM_RealisticMachine)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_LargeMachine)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(1);

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
    auto check = [&](const char* name, double limitMs) {
        if (!gSeconds.count(name)) return;
        const double ms = median(gSeconds[name]) * 1000.0;
        const bool met = ms < limitMs;
        ok = ok && met;
        std::printf("%-10s median %9.2f ms  (target < %.0f ms) %s\n", name, ms, limitMs, met ? "ok" : "MISSED");
    };
    check("realistic", 10);
    check("large", 1000);
    const bool memoryMet = peakMb < 100;
    ok = ok && memoryMet;
    std::printf("peak memory %.1f MB (target < 100 MB) %s\n", peakMb, memoryMet ? "ok" : "MISSED");
    return ok ? 0 : 1;
}
