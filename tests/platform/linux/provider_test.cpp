// The provider over recorded trees (tests/data/trees) of a desktop, a laptop
// and this machine: the classes, identifier forms, drive letters and
// fallbacks the program's queries see.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>

#include "tests/support/tempdir.h"
#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;

const std::string kPci = "/sys/devices/pci0000:00";

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        tree.load("desktop")
            .file("/sys/class/ata_device/dev3.0/id", identify("ST2000DM008-2FR102", "0001", "ZFL0ABCD", false))
            .file("/sys/class/ata_device/dev4.0/id", identify("HL-DT-ST DVDRAM GH24NSD1", "LK00", "", true));
    }
    std::vector<Row> q(const std::string& wql) { return query(tree.root(), wql); }
    Tree tree;
};

TEST_F(Desktop, ProcessorAndPciDevicesWithIdentifiersDriversAndProblems) {
    // clang-format off
    expectAnswers(tree.root(), {
        {"Select * from Win32_Processor", 1,  // one package
         {{0, "DeviceID", "CPU0"}, {0, "Name", "11th Gen Intel(R) Core(TM) i7-11700K @ 3.60GHz"},
          {0, "Description", "Intel64 Family 6 Model 167 Stepping 1"},
          {0, "MaxClockSpeed", 3600},  // nominal, not the boost clock
          {0, "L2CacheSize", 1024},    // two 512 KB caches
          {0, "L3CacheSize", 16384},   // one shared cache
          {0, "NumberOfCores", 2}, {0, "Manufacturer", "GenuineIntel"}}},
        // One per logical processor.
        {"SELECT HardWareID FROM Win32_PnPSignedDriver Where Deviceclass = 'PROCESSOR'", 2,
         {{0, "HardWareID",
           "ACPI\\GenuineIntel_-_Intel64_Family_6_Model_167_-_11th_Gen_Intel(R)_Core(TM)_i7-11700K_@_3.60GHz"}}},
        // The SMBus controller lacks its driver; the host bridge needs none.
        {"Select * from Win32_PnPEntity Where ConfigManagerErrorCode <> '0'", 1,
         {{0, "Name", "Tiger Lake-H SMBus Controller"}, {0, "ConfigManagerErrorCode", 28}, {0, "Service", nullptr},
          {0, "DeviceID", "PCI\\VEN_8086&DEV_43A3&SUBSYS_7D251462&REV_01\\*"}}},
        {"SELECT * FROM Win32_PnPSignedDriver WHERE DeviceClass = 'NET'", 1,
         {{0, "DeviceName", "Ethernet Controller I225-V"},
          {0, "DriverVersion", "5.4.0-k"},  // the module's own version
          {0, "Location", "PCI bus 3, device 0, function 0"},
          {0, "DeviceID", "PCI\\VEN_8086&DEV_15F3&SUBSYS_7D251462&REV_03\\4&*"}}},
    });
    // clang-format on
    // The instance part is stable from one bind to the next.
    const char* nic = "SELECT DeviceID FROM Win32_PnPSignedDriver WHERE DeviceClass = 'NET'";
    EXPECT_EQ(text(q(nic).at(0), "DeviceID"), text(q(nic).at(0), "DeviceID"));

    std::set<std::string> names;
    for (const auto& d : q("SELECT * FROM Win32_PnPSignedDriver where (DeviceClass='SYSTEM' OR DeviceClass='USB' OR "
                           "DeviceClass='HDC') AND DeviceID like '%VEN%' "))
        names.insert(text(d, "DeviceName"));
    // HD Audio controllers are system devices; unknown devices are named by number.
    for (const char* name :
         {"Tiger Lake-H HD Audio Controller", "Tiger Lake-H USB 3.2 Gen 2x1 xHCI Host Controller", "Intel Device 43D2"})
        EXPECT_TRUE(names.count(name)) << name;
}

TEST_F(Desktop, ClassesInTheWindowsForms) {
    // clang-format off
    expectAnswers(tree.root(), {
        {"SELECT * FROM Win32_NetworkAdapter WHERE NetConnectionID  > 0 ", 1,  // lo has no hardware behind it
         {{0, "MACAddress", "D8:BB:C1:0A:0B:0C"}, {0, "NetConnectionID", "enp3s0"}, {0, "Wireless", "False"},
          {0, "Description", "Ethernet Controller I225-V"}, {0, "Speed", "1000000000"}}},
        {"SELECT * FROM Win32_NetworkAdapter WHERE PNPDeviceID LIKE 'PCI%VEN%' AND NetConnectionID  > 0", 1, {}},
        // The MAC lookup by the driver's device name finds the adapter.
        {"SELECT MACAddress FROM Win32_NetworkAdapter WHERE Name = 'Ethernet Controller I225-V' ", 1,
         {{0, "MACAddress", "D8:BB:C1:0A:0B:0C"}}},
        {"Select * from Win32_VideoController", 1,
         {{0, "DeviceID", "VideoController1"}, {0, "Name", "Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]"},
          {0, "CurrentHorizontalResolution", 2560}, {0, "CurrentVerticalResolution", 1440},
          {0, "CurrentBitsPerPixel", 32},
          {0, "AdapterRAM", -1048576},  // 16 GB saturates just below 4 GB, a negative 32-bit value
          {0, "DriverDate", "20240201000000.000000-000"}, {0, "DriverVersion", "6.1.0-18-amd64"},
          {0, "PNPDeviceID", "PCI\\VEN_1002&DEV_73BF&SUBSYS_E4381DA2&REV_C1\\*"}}},
        {"SELECT * FROM Win32_SoundDevice WHERE Caption LIKE '%Audio%' ", 1,
         {{0, "Manufacturer", "Realtek"},
          {0, "DeviceID", "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0897&SUBSYS_14627D25&REV_1004\\*"},
          {0, "PNPDeviceID", "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0897&SUBSYS_14627D25&REV_1004\\*"}}},
        {"Select * from Win32_DiskDrive Where Size >'2036385280'", 3,
         {{0, "Model", "Samsung SSD 980 PRO 1TB"}, {0, "KernelName", "nvme0n1"}, {0, "Transport", "nvme"},
          {1, "Transport", "ata"}, {2, "Transport", "usb"},
          {0, "Size", "1000202273280"},       // whole cylinders of 255 x 63 sectors
          {1, "Model", "ST2000DM008-2FR102"},  // the full name from IDENTIFY
          // The firmware cut: 20 characters off, the 8 before the backslash.
          {1, "PNPDeviceID", "IDE\\DISKST2000DM008-2FR102______________________0001____\\*"},
          {2, "InterfaceType", "USB"},
          {2, "PNPDeviceID", "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.00\\*"},
          // Beyond the class: the kernel's maker, serial and byte count.
          {0, "DeviceSerial", "S5GXNF0R123456"}, {0, "ByteSize", "1000204886016"}, {0, "Vendor", nullptr},
          {1, "Vendor", nullptr},  // ATA's placeholder is no maker
          {2, "Vendor", "SanDisk"}, {2, "DeviceSerial", "t10.SanDisk Cruzer Blade 4C530001"}}},
        {"Select * from Win32_CDROMDrive", 1,
         {{0, "Caption", "HL-DT-ST DVDRAM GH24NSD1"}, {0, "Id", "F:"},
          {0, "DeviceID", "IDE\\CDROMHL-DT-ST_DVDRAM_GH24NSD1________________LK00____\\*"},
          {0, "PNPDeviceID", "IDE\\CDROMHL-DT-ST_DVDRAM_GH24NSD1________________LK00____\\*"}}},
        // The EFI partition, snaps and a second mount of a disk get no letter.
        {"Select * from Win32_LogicalDisk", 4,
         {{0, "DeviceID", "C:"}, {0, "VolumeName", "ROOTFS"}, {0, "MountPoint", "/"}, {0, "FileSystemType", "ext4"},
          {0, "BlockDevice", "/dev/nvme0n1p2"}, {1, "DeviceID", "D:"}, {1, "MountPoint", "/srv/my data"},
          {1, "Description", "Local Fixed Disk"}, {1, "VolumeName", "My Data"}, {2, "DriveType", 2},
          {2, "Description", "Removable Disk"}, {3, "DeviceID", "F:"}, {3, "DriveType", 5},
          {3, "Description", "CD-ROM Disc"}}},
        {"Select * from Win32_LogicalDisk Where DriveType ='2'", 1, {{0, "DeviceID", "E:"}}},
        {"SELECT VolumeName FROM Win32_LogicalDisk WHERE DeviceID = 'C:'", 1, {{0, "VolumeName", "ROOTFS"}}},
        // Keyboard and mouse from the USB receiver.
        {"Select * from Win32_Keyboard", 1,
         {{0, "Description", "Logitech USB Receiver"}, {0, "Layout", "00000407"},
          {0, "PNPDeviceID", "HID\\VID_046D&PID_C52B&MI_00\\*"}}},
        {"Select * from Win32_PointingDevice", 1,
         {{0, "Manufacturer", "Logitech"}, {0, "PNPDeviceID", "HID\\VID_046D&PID_C52B&MI_01\\*"}}},
        {"Select * from Win32_OperatingSystem", 1,
         {{0, "Caption", "Debian GNU/Linux 12 (bookworm)"}, {0, "Version", "6.1.0-18-amd64"},
          {0, "BuildType", "Multiprocessor Free"}, {0, "CountryCode", "49"}, {0, "CSDVersion", nullptr},
          {0, "OSType", 36}, {0, "DistributionName", "Debian GNU/Linux"}, {0, "DistributionVersion", "12"},
          {0, "DistributionRelease", "12.11"}}},
        // A module's own version; none where only the kernel's release stands.
        {"SELECT * FROM Win32_PnPSignedDriver WHERE DriverName = 'igc' OR DriverName = 'xhci_hcd'", 2,
         {{0, "ModuleVersion", nullptr}, {1, "ModuleVersion", "5.4.0-k"}, {1, "PCIClass", "0200"}}},
        // No firmware table and no DMI fields.
        {"SELECT * FROM Win32_ComputerSystem", 1, {{0, "Name", "WORKSHOP"}, {0, "Manufacturer", nullptr}}},
        {"Select * from Win32_Bios", 0, {}}, {"Select * From Win32_WinSAT", 0, {}},
        {"Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'", 0, {}},
        {"SELECT AttachedTo,Caption FROM Win32_POTSModem WHERE PNPDeviceID IS NOT NULL", 0, {}},
        // A composite device is of class USB.
        {"SELECT * FROM Win32_PnPSignedDriver WHERE DeviceClass='USB'", 4, {{1, "DeviceID", "USB\\VID_046D&PID_C52B\\*"}}},
    });
    // clang-format on
    // Each class is a function of the machine alone: the entities are the
    // same whether the drive and input classes were asked first or not.
    auto entities = [&](const std::vector<std::string>& classes) {
        auto service = wmi::makeService(makeRepository(tree.root()));
        std::vector<std::string> ids;
        for (const auto& c : classes) service->execQuery("Select * from " + c, "WQL", wmi::kProbeFlags)->next();
        auto result = service->execQuery("Select * from Win32_PnPEntity", "WQL", wmi::kProbeFlags);
        while (const wmi::Object* o = result->next()) ids.push_back(o->get("DeviceID").rawText());
        return ids;
    };
    EXPECT_EQ(entities({}), entities({"Win32_PointingDevice", "Win32_CDROMDrive"}));
}

// A laptop without a readable firmware table (no root): PS/2 keyboard and
// touchpad, Wi-Fi, the DMI fields readable by everyone.
TEST(Laptop, UnprivilegedFallbacksAndBuiltInInput) {
    Tree t;
    t.load("laptop");

    // clang-format off
    expectAnswers(t.root(), {
        {"Select * from Win32_Bios", 1, {{0, "Manufacturer", "LENOVO"}, {0, "SMBIOSBIOSVersion", "GLCN44WW"}}},
        {"SELECT * FROM Win32_ComputerSystemProduct", 1, {{0, "Name", "82LM"}, {0, "UUID", nullptr}}},  // root only
        {"SELECT Manufacturer FROM Win32_BaseBoard", 1, {{0, "Manufacturer", "LENOVO"}}},
        {"SELECT * FROM Win32_ComputerSystem", 1, {{0, "PCSystemType", 2}}},  // a notebook chassis
        // sysfs has no memory modules and no slots.
        {"Select * from CIM_PhysicalMemory", 0, {}}, {"Select * from Win32_SystemSlot", 0, {}},
        {"Select * from Win32_Processor", 1,
         {{0, "Description", "AMD64 Family 23 Model 104 Stepping 1"}, {0, "MaxClockSpeed", 1800}}},
        // Virtual input devices are left out; no configured layout, none made up.
        {"Select * from Win32_Keyboard", 1, {{0, "PNPDeviceID", "ACPI\\PNP0303\\4&*"}, {0, "Layout", nullptr}}},
        {"Select * from Win32_PointingDevice", 1,
         {{0, "Description", "SynPS/2 Synaptics TouchPad"}, {0, "PointingType", 7},
          {0, "PNPDeviceID", "ACPI\\SYN1E3E\\4&*"}}},
        {"SELECT * FROM Win32_NetworkAdapter WHERE NetConnectionID  > 0 ", 1,
         {{0, "Name", "Wi-Fi 6 AX200"}, {0, "NetConnectionStatus", 7}, {0, "Wireless", "True"}}},  // up, but no carrier
        {"Select * from Win32_OperatingSystem", 0, {}},  // no os-release, no kernel files
    });
    // clang-format on
}

// Run by an ordinary user (root drops to nobody in a child), the firmware
// table is root's alone: memory modules come from udev's record, and one
// sentence names what the report still lacks.
TEST(Unprivileged, MemoryFromUdevAndWhatTheReportLacks) {
    Tree t;
    t.file("/sys/firmware/dmi/tables/DMI", std::string("\x11\x28\x00\x00", 4));
    t.attrs("/sys/class/dmi/id", {{"sys_vendor", "LENOVO"}, {"product_name", "82LM"}});
    t.file("/run/udev/data/+dmi:id",
           "E:MEMORY_ARRAY_LOCATION=System Board Or Motherboard\n"
           "E:MEMORY_DEVICE_0_PRESENT=1\nE:MEMORY_DEVICE_0_SIZE=8589934592\nE:MEMORY_DEVICE_0_FORM_FACTOR=SODIMM\n"
           "E:MEMORY_DEVICE_0_LOCATOR=DIMM 0\nE:MEMORY_DEVICE_0_BANK_LOCATOR=BANK 0\nE:MEMORY_DEVICE_0_TYPE=DDR3\n"
           "E:MEMORY_DEVICE_0_SPEED_MTS=1600\nE:MEMORY_DEVICE_0_MANUFACTURER=Samsung\n"
           "E:MEMORY_DEVICE_1_PRESENT=0\nE:MEMORY_DEVICE_1_LOCATOR=DIMM 1\n");
    ::chmod((t.root() + "/sys/firmware/dmi/tables/DMI").c_str(), 0);
    const auto unprivileged = [&](bool udev) {
        if (!udev) std::filesystem::remove(t.root() + "/run/udev/data/+dmi:id");
        const std::string seenFile = t.root() + "/seen";
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open(seenFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);  // before dropping root
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
            std::string refused;
            const auto rows =
                query(t.root(), "Select * from Win32_PhysicalMemory", [&](const std::string& r) { refused = r; });
            std::string seen = std::to_string(rows.size());
            for (const auto& r : rows)
                seen += " " + text(r, "Capacity") + "/" + text(r, "DeviceLocator") + "/" + text(r, "BankLabel") + "/" +
                        std::to_string(integer(r, "FormFactor")) + "/" + std::to_string(integer(r, "MemoryType")) +
                        "/" + std::to_string(integer(r, "Speed")) + "/" + text(r, "Manufacturer");
            seen += "\n" + readingLimits(refused);
            ::_exit(::write(out, seen.data(), seen.size()) == static_cast<ssize_t>(seen.size()) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
        return tq::testing::readFile(seenFile);
    };
    const std::string table = t.root() + "/sys/firmware/dmi/tables/DMI";
    // clang-format off
    EXPECT_EQ(unprivileged(true), "1 8589934592/DIMM 0/BANK 0/12/24/1600/Samsung\n"
                                  "cannot read the firmware table " + table + " (root's alone): slots, on-board "
                                  "devices, serial numbers and the UUID need root: run with sudo");
    EXPECT_EQ(unprivileged(false), "0\ncannot read the firmware table " + table + " (root's alone): memory modules, "
                                   "slots, on-board devices, serial numbers and the UUID need root: run with sudo");
    // clang-format on
}

// A virtual machine: bridges without drivers of their own, virtio devices
// whose functions have their own drivers, a device whose driver is missing.
TEST(VirtualMachine, BridgesOfTheCoreVirtioFunctionsAndMissingDrivers) {
    Tree t;
    t.load("vm");

    // clang-format off
    expectAnswers(t.root(), {
        // The section's query, in address order.
        {"SELECT * FROM Win32_PnPSignedDriver WHERE (Location LIKE '%PCI%') OR DeviceClass='USB' OR "
         "DeviceClass='HDC'",
         7,
         {// Bridges without a driver: the PCI core's, signed, with the kernel's version.
          {0, "DeviceID", "PCI\\VEN_8086&DEV_0D57&SUBSYS_7D251462&REV_01\\3&*"}, {0, "DeviceName", "Intel*"},
          {0, "DeviceClass", "SYSTEM"}, {0, "DriverName", "pci"}, {0, "DriverVersion", "6.1.0-18-amd64"},
          {1, "DeviceID", "PCI\\VEN_8086&DEV_2918*"}, {1, "DeviceClass", "SYSTEM"}, {1, "DriverName", "pci"},
          {1, "DriverVersion", "6.1.0-18-amd64"},
          // Each virtio function shows its own driver and that module's version.
          {2, "DeviceClass", "NET"}, {2, "DriverName", "virtio_net"}, {2, "DriverVersion", "6.1.0-18-amd64"},
          {3, "DriverName", "virtio_blk"}, {3, "DriverVersion", "1.0"},
          {4, "DriverName", "virtio-pci"}, {4, "DriverVersion", "9.9-transport"},
          {5, "DeviceID", "PCI\\VEN_8086&DEV_43BC*"}, {5, "DriverName", "pcieport"},
          // A device whose driver is missing has no driver to list.
          {6, "DeviceID", "PCI\\VEN_8086&DEV_2930*"}, {6, "DeviceName", nullptr}, {6, "DriverName", nullptr}}},
        // Only the device without its driver counts as not installed.
        {"Select * from Win32_PnPEntity Where ConfigManagerErrorCode <> '0'", 1,
         {{0, "DeviceID", "PCI\\VEN_8086&DEV_2930*"}, {0, "ConfigManagerErrorCode", 28}, {0, "Service", nullptr},
          {0, "Status", "Error"}}},
        {"SELECT * FROM Win32_PnPEntity WHERE DeviceID LIKE '%VEN_1AF4%'", 3,
         {{0, "Service", "virtio_net"}, {1, "Service", "virtio_blk"}, {2, "Service", "virtio-pci"}}},
        {"SELECT * FROM Win32_NetworkAdapter WHERE NetConnectionID  > 0 ", 1, {{0, "ServiceName", "virtio_net"}}},
    });
    // clang-format on
    for (const auto& d : query(t.root(), "SELECT * FROM Win32_PnPSignedDriver WHERE DeviceClass = 'SYSTEM'"))
        EXPECT_TRUE(d.at("IsSigned") == Value::boolean(true)) << text(d, "DeviceID");
}

TEST(BrokenTree, UnreadableAndMalformedFilesLeaveThingsOut) {
    Tree t;
    t.file("/proc/cpuinfo", "processor : x\nvendor_id : \ncpu family : many\n");
    t.file("/proc/self/mountinfo", "garbage\n1 2 3\n22 1 x:y / / rw - ext4 /dev/sda1 rw\n");
    t.attrs(kPci + "/0000:00:02.0", {{"vendor", "0xzzzz"}, {"device", "0x1234"}});
    t.linkTo("/sys/bus/pci/devices/0000:00:02.0", kPci + "/0000:00:02.0");
    t.attrs(kPci + "/0000:00:03.0", {{"vendor", "0x8086"}, {"device", "0x15f3"}});  // no class, no revision
    t.linkTo("/sys/bus/pci/devices/0000:00:03.0", kPci + "/0000:00:03.0");
    // Entries that lead back to a folder already seen name no further device.
    t.linkTo("/sys/bus/pci/devices/0000:00:03.1", kPci + "/0000:00:03.0");
    t.link(kPci + "/0000:00:03.0/0000:00:03.0", ".");
    t.file("/sys/firmware/dmi/tables/DMI", std::string("\x00\x18\x00\x00\x01\x02", 6));
    t.file("/sys/firmware/dmi/tables/smbios_entry_point", "_SM3_ broken");
    t.file("/sys/class/ata_device/dev1.0/id", "zzzz 12345\n");
    t.link("/sys/class/net/eth9", "../../devices/nowhere/net/eth9");
    for (const auto& c : query(t.root(), "Select * from Win32_Processor")) EXPECT_FALSE(has(c, "Description"));
    // clang-format off
    expectAnswers(t.root(), {
        {"Select * from Win32_LogicalDisk", 0, {}}, {"Select * from Win32_Bios", 0, {}},
        {"Select * from Win32_NetworkAdapter", 0, {}},
        // The device with a readable identity, once.
        {"Select * from Win32_PnPEntity", 1, {{0, "DeviceID", "PCI\\VEN_8086&DEV_15F3&REV_00\\*"}}},
    });
    // clang-format on
    EXPECT_EQ(query("/nonexistent/root", "Select * from Win32_PnPEntity").size(), 0u);
}

// Three adapters: one with two IPv4 and two IPv6 addresses, gateways and a
// current DHCP lease; one with a static address, no gateway and a stale
// lease; one down. Their configurations join the adapters by Index.
TEST(Network, ConfigurationsOfAddressesRoutesResolverAndLeases) {
    Tree t;
    t.load("network");

    // clang-format off
    expectAnswers(t.root(), {
        {"SELECT * FROM Win32_NetworkAdapterConfiguration", 3,
         {{0, "SettingID", "enp3s0"}, {0, "MACAddress", "D8:BB:C1:0A:0B:0C"}, {0, "MTU", 1500},
          {0, "IPAddress", R"(["10.0.0.7","192.168.1.5","2001:db8::5","fe80::dabb:c1ff:fe0a:b0c"])"},
          {0, "IPSubnet", R"(["255.0.0.0","255.255.255.0","64","64"])"},
          {0, "DefaultIPGateway", R"(["192.168.1.1","fe80::1"])"},
          {0, "DNSServerSearchOrder", R"(["192.168.1.1","2001:db8::53"])"},
          {0, "DNSDomain", "home.lan"}, {0, "DHCPServer", "192.168.1.1"},
          // Static, no gateway; the lease names an address it does not hold.
          {1, "SettingID", "enp4s0"}, {1, "IPAddress", R"(["172.16.0.2"])"}, {1, "IPSubnet", R"(["255.255.0.0"])"},
          {1, "DefaultIPGateway", nullptr}, {1, "DHCPServer", nullptr}, {1, "DNSDomain", "lan"},
          // Down: no address, nothing that needs one.
          {2, "SettingID", "wlp5s0"}, {2, "IPAddress", nullptr}, {2, "IPSubnet", nullptr},
          {2, "DNSServerSearchOrder", nullptr}, {2, "DNSDomain", nullptr}}},
        {"SELECT Index FROM Win32_NetworkAdapterConfiguration WHERE IPEnabled = TRUE AND DHCPEnabled = TRUE", 1,
         {{0, "Index", 0}}},
        {"SELECT Index FROM Win32_NetworkAdapterConfiguration WHERE IPEnabled = FALSE", 1, {{0, "Index", 2}}},
    });
    // clang-format on
    const auto adapters = query(t.root(), "SELECT * FROM Win32_NetworkAdapter");
    const auto configs = query(t.root(), "SELECT * FROM Win32_NetworkAdapterConfiguration");
    ASSERT_EQ(adapters.size(), configs.size());
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        EXPECT_EQ(integer(adapters[i], "Index"), integer(configs[i], "Index"));
        EXPECT_EQ(text(adapters[i], "Description"), text(configs[i], "Description"));
        EXPECT_EQ(text(adapters[i], "NetConnectionID"), text(configs[i], "SettingID"));
    }
}

// dpkg's status: installed packages only, odd ones included.
TEST(Software, InstalledPackagesFromDpkgStatus) {
    Tree t;
    const std::string huge(2u << 20, 'x');
    // clang-format off
    t.file("/var/lib/dpkg/status",
           "Package: bash\nStatus: install ok installed\nArchitecture: amd64\n"
           "Maintainer: Matthias Klose <doko@debian.org>\nVersion: 5.2.15-2+b2\nInstalled-Size: 7164\n"
           "Description: GNU Bourne Again SHell\n Bash is an sh-compatible command language interpreter.\n .\n more\n\n"
           "Package: libc6\nStatus: install ok installed\nArchitecture: i386\n"
           "Maintainer: GNU Libc Maintainers <debian-glibc@lists.debian.org>\nVersion: 2.36-9\n\n"
           "Package: orphan\nStatus: install ok installed\nArchitecture: all\nVersion: 1.0\n\n"
           "Package: removed\nStatus: deinstall ok config-files\nArchitecture: amd64\nVersion: 0.9\n\n"
           "Package: personal\nStatus: hold ok installed\nArchitecture: arm64\n"
           "Maintainer: Jane Doe <jane@gmail.com>\nVersion: 3\nDescription: big\n " + huge + "\n\n"
           "Package: tools\nStatus: install ok installed\nArchitecture: amd64\n"
           "Maintainer: Team <pkg@tools.example.co.uk>\nVersion: 1\n\n"
           "Package: own\nStatus: install ok installed\nMaintainer: Thorsten Alteholz <debian@alteholz.de>\n");
    // Noon UTC: the same day in every time zone.
    for (const auto& [list, day] : {std::pair{"bash.list", 1706788800}, std::pair{"libc6:i386.list", 1689422400}}) {
        const std::string rel = std::string("/var/lib/dpkg/info/") + list;
        t.file(rel, "/.\n");
        const timespec times[2] = {{day, 0}, {day, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (t.root() + rel).c_str(), times, 0), 0);
    }
    expectAnswers(t.root(), {
        {"SELECT * FROM Win32_InstalledWin32Program", 6,
         {{0, "Name", "bash"}, {0, "Version", "5.2.15-2+b2"}, {0, "Vendor", "Debian"}, {0, "ProgramId", "amd64\\bash"},
          {0, "Language", nullptr}, {0, "MsiProductCode", nullptr}, {0, "Architecture", "amd64"}, {0, "EstimatedSize", 7164},
          {1, "Vendor", "Debian"}, {1, "ProgramId", "i386\\libc6"},
          {2, "Name", "orphan"}, {2, "Vendor", nullptr},
          {3, "Name", "personal"}, {3, "Vendor", "Jane Doe"}, {3, "Version", "3"},
          {4, "Vendor", "Example"}, {5, "Vendor", "Thorsten Alteholz"}, {5, "Version", nullptr},
          // The one-line description, and the day dpkg wrote the file list
          // (multi-arch packages name it with their architecture).
          {0, "Description", "GNU Bourne Again SHell"}, {0, "InstallDate", "20240201"},
          {1, "InstallDate", "20230715"}, {2, "Description", nullptr}, {2, "InstallDate", nullptr}}},
    });
    // clang-format on
    EXPECT_EQ(query("/nonexistent/root", "SELECT * FROM Win32_InstalledWin32Program").size(), 0u);
}

// This machine: whatever it has, the basic classes answer with its own values.
TEST(ThisMachine, AnswersFromTheRunningSystem) {
    if (!std::filesystem::exists("/proc/cpuinfo")) GTEST_SKIP() << "no procfs";
    auto cpu = query("/", "Select * from Win32_Processor");
    ASSERT_FALSE(cpu.empty());
    EXPECT_EQ(text(cpu[0], "DeviceID"), "CPU0");
    auto os = query("/", "Select * from Win32_OperatingSystem");
    ASSERT_EQ(os.size(), 1u);
    EXPECT_NE(text(os[0], "Version"), "<absent>");
    const auto adapters = query("/", "SELECT * FROM Win32_NetworkAdapter");
    for (const auto& n : adapters) EXPECT_EQ(text(n, "MACAddress").size(), 17u);
    // Every adapter has its configuration, from the live interfaces.
    EXPECT_EQ(query("/", "SELECT Index FROM Win32_NetworkAdapterConfiguration").size(), adapters.size());
}

}  // namespace
}  // namespace tq::linuxprov
