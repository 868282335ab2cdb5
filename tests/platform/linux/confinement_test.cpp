// A recorded tree is read as under chroot, and only its regular files are
// read: symlinks to host paths, links that climb out with "..", FIFOs and
// devices where the provider expects files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;

TEST(HostileTree, PathsResolveInsideTheRoot) {
    Tree host;
    host.file("/secret", "HOST SECRET\n");
    const std::string secret = host.root() + "/secret";
    Tree t;
    t.file("/etc/product", "Tree Product\n");
    t.file(secret, "Tree Copy\n");                             // the host's path, recreated inside the tree
    t.link("/sys/class/dmi/id/product_name", "/etc/product");  // absolute: taken from the root
    t.link("/sys/class/dmi/id/sys_vendor", secret);            // an absolute host path: the tree's copy
    t.link("/sys/class/dmi/id/product_version", "../../../../../../../../../../.." + secret);  // ".." stops at the root
    t.link("/sys/class/dmi/id/product_serial", "/sys/class/dmi/id/product_serial");            // a loop
    // clang-format off
    expectAnswers(t.root(), {{"SELECT * FROM Win32_ComputerSystemProduct", 1,
                              {{0, "Name", "Tree Product"}, {0, "Vendor", "Tree Copy"}, {0, "Version", "Tree Copy"},
                               {0, "IdentifyingNumber", nullptr}}}});
    // clang-format on
}

TEST(HostileTree, FifosAndDevicesAreAbsentFiles) {
    Tree t;
    t.attrs("/sys/class/dmi/id", {{"sys_vendor", "Maker"}, {"product_name", "Model"}});
    t.link("/sys/class/dmi/id/product_version", "/dev/zero");
    t.link("/dev/zero", "/dev/null");  // inside the tree, still no regular file
    for (const char* fifo :
         {"/proc/cpuinfo", "/sys/firmware/dmi/tables/DMI", "/etc/os-release", "/proc/self/mountinfo",
          "/proc/sys/kernel/hostname", "/etc/hostname", "/sys/class/dmi/id/bios_vendor", "/usr/share/misc/pci.ids"}) {
        std::filesystem::create_directories(std::filesystem::path(t.root() + fifo).parent_path());
        ASSERT_EQ(::mkfifo((t.root() + fifo).c_str(), 0600), 0) << fifo;
    }
    t.attrs("/sys/devices/pci0000:00/0000:00:02.0",
            {{"vendor", "0x8086"}, {"device", "0x15f3"}, {"class", "0x020000"}});
    t.linkTo("/sys/bus/pci/devices/0000:00:02.0", "/sys/devices/pci0000:00/0000:00:02.0");
    // Every query returns (none blocks), with what the regular files give.
    for (const char* q :
         {"Select * from Win32_Processor", "Select * from Win32_OperatingSystem", "Select * from Win32_LogicalDisk",
          "Select * from Win32_ComputerSystem", "Select * from Win32_Bios", "Select * from Win32_PnPEntity"})
        (void)query(t.root(), q);
    // clang-format off
    expectAnswers(t.root(),
                  {{"SELECT * FROM Win32_ComputerSystemProduct", 1, {{0, "Vendor", "Maker"}, {0, "Version", nullptr}}}});
    // clang-format on
}

}  // namespace
}  // namespace tq::linuxprov
