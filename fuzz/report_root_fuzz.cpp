// Arbitrary bytes as a recorded machine: the input, cut at each "@@", fills
// the firmware table and the sysfs, procfs and /etc files the provider
// reads, one part per file; then a whole report through the provider. The
// tree lies in memory (tmpfs) where there is one, and only the files whose
// part changed since the last input are written again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "fuzz/report_harness.h"
#include "platform/linux/provider.h"
#include "wmi/repository.h"

namespace {

namespace fs = std::filesystem;

const char* const kFiles[] = {
    "/sys/firmware/dmi/tables/DMI",
    "/sys/firmware/dmi/tables/smbios_entry_point",
    "/proc/cpuinfo",
    "/etc/os-release",
    "/proc/self/mountinfo",
    "/proc/meminfo",
    "/proc/sys/kernel/osrelease",
    "/proc/sys/kernel/version",
    "/proc/sys/kernel/hostname",
    "/sys/class/dmi/id/product_name",
    "/sys/class/dmi/id/sys_vendor",
    "/sys/class/dmi/id/bios_version",
    "/sys/devices/pci0000:00/0000:00:02.0/vendor",
    "/sys/devices/pci0000:00/0000:00:02.0/device",
    "/sys/devices/pci0000:00/0000:00:02.0/class",
    "/sys/devices/pci0000:00/0000:00:02.0/revision",
    "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda/size",
    "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/model",
    "/sys/class/ata_device/dev1.0/id",
    "/sys/class/net/eth0/address",
    "/sys/class/net/eth0/operstate",
    "/proc/asound/card0/codec#0",
    "/etc/default/keyboard",
};

// The tree's folders and links, made once (and never destroyed: the
// clean-up at exit still needs the name).
const std::string& root() {
    static const std::string* const r = new std::string([] {
        std::error_code ec;
        const bool shm = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0;
        std::string tmpl = shm ? "/dev/shm/tq-fuzz-root-XXXXXX" : "/tmp/tq-fuzz-root-XXXXXX";
        const std::string dir = ::mkdtemp(tmpl.data());
        for (const char* f : kFiles) fs::create_directories(fs::path(dir + f).parent_path());
        auto link = [&](const std::string& at, const std::string& to) {
            fs::create_directories(fs::path(dir + at).parent_path());
            fs::create_symlink(to, dir + at);
        };
        link("/sys/bus/pci/devices/0000:00:02.0", "../../../devices/pci0000:00/0000:00:02.0");
        link("/sys/class/block/sda", "../../devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda");
        link("/sys/block/sda", "../devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda");
        link("/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda/device", "../..");
        link("/sys/class/net/eth0/device", "/sys/devices/pci0000:00/0000:00:02.0");
        link("/sys/devices/pci0000:00/0000:00:02.0/driver", "/sys/bus/pci/drivers/e1000e");
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(root(), ec);
        });
        return dir;
    }());
    return *r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tq;
    const std::string& dir = root();
    std::string_view in(reinterpret_cast<const char*>(data), size);
    static std::string written[std::size(kFiles)];
    static bool first = true;
    for (std::size_t i = 0; i < std::size(kFiles); ++i) {
        const std::size_t cut = in.find("@@");
        const std::string_view part = in.substr(0, cut);
        in = cut == std::string_view::npos ? std::string_view() : in.substr(cut + 2);
        if (!first && written[i] == part) continue;
        std::ofstream(dir + kFiles[i], std::ios::binary | std::ios::trunc)
            .write(part.data(), static_cast<std::streamsize>(part.size()));
        written[i].assign(part);  // in place: the run frees what it allocates
    }
    first = false;
    // One repository for the whole run: each class is read from the tree
    // once, rather than again for every section that binds.
    fuzzing::runReport(wmi::makeBinder(linuxprov::makeRepository(dir)));
    return 0;
}
