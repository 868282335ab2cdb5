// The provider over recorded trees of a desktop, a laptop and this machine:
// the classes, identifier forms, drive letters and fallbacks the program's
// queries see.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>

#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;

const std::string kPci = "/sys/devices/pci0000:00";

void pci(Tree& t, const std::string& path, const std::string& vendor, const std::string& device,
         const std::string& cls, const std::string& driver = "", const std::string& subsys = "0x1462:0x7d25",
         const std::string& rev = "0x01") {
    auto colon = subsys.find(':');
    t.attrs(path, {{"vendor", vendor},
                   {"device", device},
                   {"subsystem_vendor", subsys.substr(0, colon)},
                   {"subsystem_device", subsys.substr(colon + 1)},
                   {"class", cls},
                   {"revision", rev}});
    t.linkTo("/sys/bus/pci/devices/" + std::filesystem::path(path).filename().string(), path);
    if (!driver.empty()) {
        t.linkTo(path + "/driver", "/sys/bus/pci/drivers/" + driver);
        t.linkTo("/sys/bus/pci/drivers/" + driver + "/module", "/sys/module/" + driver);
    }
}

// A desktop: Intel CPU, Tiger Lake chipset, Radeon card, NVMe and SATA
// disks, DVD writer, USB receiver with keyboard and mouse, one NIC.
void desktop(Tree& t) {
    std::string cpu;
    for (int c = 0; c < 2; ++c)
        cpu += "processor\t: " + std::to_string(c) + "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 167\n"
               "model name\t: 11th Gen Intel(R) Core(TM) i7-11700K @ 3.60GHz\nstepping\t: 1\ncpu MHz\t\t: 4800.000\n"
               "physical id\t: 0\ncore id\t\t: " + std::to_string(c) + "\nflags\t\t: fpu vmx lm\n\n";
    t.file("/proc/cpuinfo", cpu);
    for (int c = 0; c < 2; ++c) {
        std::string base = "/sys/devices/system/cpu/cpu" + std::to_string(c);
        t.attrs(base + "/cache/index2", {{"level", "2"}, {"type", "Unified"}, {"size", "512K"},
                                         {"shared_cpu_list", std::to_string(c)}});
        t.attrs(base + "/cache/index3", {{"level", "3"}, {"type", "Unified"}, {"size", "16384K"},
                                         {"shared_cpu_list", "0-1"}});
        t.attrs(base + "/cpufreq", {{"base_frequency", "3600000"}, {"scaling_cur_freq", "4700000"}});
    }
    t.attrs("/proc/sys/kernel", {{"osrelease", "6.1.0-18-amd64"},
                                 {"hostname", "workshop"},
                                 {"version", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)"}});
    t.file("/etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n");
    t.file("/etc/debian_version", "12.11\n");
    t.file("/etc/default/keyboard", "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\nXKBVARIANT=\"\"\n");
    t.file("/etc/default/locale", "LANG=de_DE.UTF-8\n");

    pci(t, kPci + "/0000:00:00.0", "0x8086", "0x4c43", "0x060000");  // host bridge, no driver needed
    pci(t, kPci + "/0000:00:1f.3", "0x8086", "0x43c8", "0x040380", "snd_hda_intel");
    pci(t, kPci + "/0000:00:1f.4", "0x8086", "0x43a3", "0x0c0500");  // SMBus without a driver
    pci(t, kPci + "/0000:00:14.0", "0x8086", "0x43ed", "0x0c0330", "xhci_hcd");
    pci(t, kPci + "/0000:00:17.0", "0x8086", "0x43d2", "0x010601", "ahci");
    pci(t, kPci + "/0000:00:1c.0", "0x8086", "0x43bc", "0x060400", "pcieport");
    pci(t, kPci + "/0000:00:1c.0/0000:03:00.0", "0x8086", "0x15f3", "0x020000", "igc", "0x1462:0x7d25", "0x03");
    t.attrs("/sys/module/igc", {{"version", "5.4.0-k"}});
    pci(t, kPci + "/0000:00:01.0", "0x8086", "0x4c01", "0x060400", "pcieport");
    pci(t, kPci + "/0000:00:01.0/0000:01:00.0", "0x1002", "0x73bf", "0x030000", "amdgpu", "0x1da2:0xe438", "0xc1");
    t.attrs(kPci + "/0000:00:01.0/0000:01:00.0", {{"mem_info_vram_total", "17163091968"}});
    pci(t, kPci + "/0000:00:0e.0", "0x144d", "0xa80a", "0x010802", "nvme", "0x144d:0xa801", "0x00");

    // Graphics: one card with a connected monitor and its frame buffer.
    std::string gpu = kPci + "/0000:00:01.0/0000:01:00.0";
    t.linkTo("/sys/class/drm/card0", gpu + "/drm/card0");
    t.linkTo(gpu + "/drm/card0/device", gpu);
    t.linkTo("/sys/class/drm/card0-DP-1", gpu + "/drm/card0/card0-DP-1");
    t.attrs(gpu + "/drm/card0/card0-DP-1", {{"status", "connected"}, {"enabled", "enabled"}});
    t.file(gpu + "/drm/card0/card0-DP-1/modes", "2560x1440\n1920x1080\n");
    t.linkTo(gpu + "/drm/card0/card0-DP-1/device", gpu);
    t.linkTo("/sys/class/graphics/fb0", gpu + "/graphics/fb0");
    t.linkTo(gpu + "/graphics/fb0/device", gpu);
    t.attrs(gpu + "/graphics/fb0", {{"bits_per_pixel", "32"}, {"virtual_size", "2560,1440"}});

    // HD Audio codec on the controller.
    std::string codec = kPci + "/0000:00:1f.3/hdaudioC0D0";
    t.attrs(codec, {{"vendor_id", "0x10ec0897"}, {"subsystem_id", "0x14627d25"}, {"revision_id", "0x100402"},
                    {"vendor_name", "Realtek"}, {"chip_name", "ALC897"}});
    t.linkTo("/sys/bus/hdaudio/devices/hdaudioC0D0", codec);
    t.linkTo(codec + "/driver", "/sys/bus/hdaudio/drivers/snd_hda_codec_realtek");

    // Network.
    std::string nic = kPci + "/0000:00:1c.0/0000:03:00.0";
    t.attrs(nic + "/net/enp3s0", {{"address", "d8:bb:c1:0a:0b:0c"}, {"type", "1"}, {"operstate", "up"},
                                  {"flags", "0x1003"}, {"carrier", "1"}, {"speed", "1000"}, {"ifindex", "2"}});
    t.linkTo("/sys/class/net/enp3s0", nic + "/net/enp3s0");
    t.linkTo(nic + "/net/enp3s0/device", nic);
    t.attrs("/sys/devices/virtual/net/lo", {{"address", "00:00:00:00:00:00"}, {"type", "772"}});
    t.linkTo("/sys/class/net/lo", "/sys/devices/virtual/net/lo");

    // Disks: NVMe, a SATA disk, a SATA DVD writer, a USB stick; each block
    // device with its partitions ("name major:minor").
    auto disk = [&t](const std::string& dev, const std::string& block, const char* size, const char* removable,
                     std::initializer_list<std::pair<const char*, const char*>> parts) {
        const std::string b = dev + "/" + block;
        const std::string name = b.substr(b.rfind('/') + 1);
        t.attrs(b, {{"size", size}, {"removable", removable}});
        t.linkTo(b + "/device", dev);
        t.linkTo("/sys/block/" + name, b);
        for (const auto& [part, number] : parts) {
            t.attrs(b + "/" + part, {{"partition", std::string(1, part[std::string(part).size() - 1])}});
            t.linkTo("/sys/class/block/" + std::string(part), b + "/" + part);
            t.linkTo("/sys/dev/block/" + std::string(number), b + "/" + part);
        }
    };
    std::string nvme = kPci + "/0000:00:0e.0/nvme/nvme0";
    t.attrs(nvme, {{"model", "Samsung SSD 980 PRO 1TB                 "}, {"firmware_rev", "5B2QGXA7"},
                   {"serial", "S5GXNF0R123456"}});
    disk(nvme, "nvme0n1", "1953525168", "0", {{"nvme0n1p1", "259:1"}, {"nvme0n1p2", "259:2"}});

    std::string sata = kPci + "/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0";
    t.attrs(sata, {{"vendor", "ATA     "}, {"model", "ST2000DM008-2FR1"}, {"rev", "0001"}, {"scsi_level", "6"}});
    disk(sata, "block/sda", "3907029168", "0", {{"sda1", "8:1"}});
    t.file("/sys/class/ata_device/dev3.0/id", identify("ST2000DM008-2FR102", "0001", "ZFL0ABCD", false));

    std::string odd = kPci + "/0000:00:17.0/ata4/host3/target3:0:0/3:0:0:0";
    t.attrs(odd, {{"vendor", "HL-DT-ST"}, {"model", "DVDRAM GH24NSD1 "}, {"rev", "LK00"}, {"scsi_level", "6"}});
    disk(odd, "block/sr0", "0", "1", {});
    t.file("/sys/class/ata_device/dev4.0/id", identify("HL-DT-ST DVDRAM GH24NSD1", "LK00", "", true));

    std::string stick = kPci + "/0000:00:14.0/usb1/1-4/1-4:1.0/host6/target6:0:0/6:0:0:0";
    t.attrs(stick, {{"vendor", "SanDisk "}, {"model", "Cruzer Blade    "}, {"rev", "1.00"}, {"scsi_level", "7"},
                    {"wwid", "t10.SanDisk Cruzer Blade 4C530001"}});
    disk(stick, "block/sdb", "31266816", "1", {{"sdb1", "8:17"}});
    t.linkTo("/sys/block/loop0", "/sys/devices/virtual/block/loop0");

    t.file("/proc/self/mountinfo",
           "22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
           "23 22 0:21 / /proc rw - proc proc rw\n"
           "24 22 259:1 / /boot/efi rw - vfat /dev/nvme0n1p1 rw\n"
           "25 22 8:1 / /srv/my\\040data rw - ext4 /dev/sda1 rw\n"
           "26 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
           "27 22 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
           "28 22 8:1 /sub /mnt/again rw - ext4 /dev/sda1 rw\n");
    t.link("/dev/disk/by-label/ROOTFS", "../../nvme0n1p2");
    t.link("/dev/disk/by-label/My\\x20Data", "../../sda1");
    t.link("/dev/disk/by-label/STICK", "../../sdb1");

    // USB: root hub, the stick, and a receiver with keyboard and mouse interfaces.
    std::string hub = kPci + "/0000:00:14.0/usb1";
    t.attrs(hub, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"bcdDevice", "0601"}, {"version", " 2.00"},
                  {"bDeviceClass", "09"}, {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/usb1", hub);
    t.linkTo(hub + "/driver", "/sys/bus/usb/drivers/usb");
    std::string rx = hub + "/1-3";
    t.attrs(rx, {{"idVendor", "046d"}, {"idProduct", "c52b"}, {"bcdDevice", "1211"}, {"product", "USB Receiver"},
                 {"manufacturer", "Logitech"}, {"bDeviceClass", "00"}, {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/1-3", rx);
    t.linkTo(rx + "/driver", "/sys/bus/usb/drivers/usb");
    for (int i = 0; i < 2; ++i) {
        std::string ifc = rx + "/1-3:1." + std::to_string(i);
        t.attrs(ifc, {{"bInterfaceNumber", "0" + std::to_string(i)}, {"bInterfaceClass", "03"},
                      {"bInterfaceSubClass", "01"}});
        t.linkTo("/sys/bus/usb/devices/1-3:1." + std::to_string(i), ifc);
        t.linkTo(ifc + "/driver", "/sys/bus/usb/drivers/usbhid");
        std::string input = ifc + "/0003:046D:C52B.000" + std::to_string(i + 1) + "/input/input" + std::to_string(5 + i);
        t.attrs(input, {{"name", i == 0 ? "Logitech USB Receiver" : "Logitech USB Receiver Mouse"}});
        t.attrs(input + "/id", {{"bustype", "0003"}, {"vendor", "046d"}, {"product", "c52b"}});
        if (i == 0) {
            t.attrs(input + "/capabilities", {{"ev", "120013"}, {"key", "1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe"}});
        } else {
            t.attrs(input + "/capabilities", {{"ev", "17"}, {"key", "ffff0000 0 0 0 0"}, {"rel", "1943"}});
        }
        t.linkTo("/sys/class/input/input" + std::to_string(5 + i), input);
    }
    std::string sd = hub + "/1-4";
    t.attrs(sd, {{"idVendor", "0781"}, {"idProduct", "5567"}, {"bcdDevice", "0100"}, {"product", "Cruzer Blade"},
                 {"manufacturer", "SanDisk"}, {"serial", "4C530001230606117211"}, {"bDeviceClass", "00"},
                 {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/1-4", sd);
    t.attrs(sd + "/1-4:1.0", {{"bInterfaceNumber", "00"}, {"bInterfaceClass", "08"}, {"bInterfaceSubClass", "06"}});
    t.linkTo(sd + "/1-4:1.0/driver", "/sys/bus/usb/drivers/usb-storage");
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override { desktop(tree); }
    std::vector<Row> q(const std::string& wql) { return query(tree.root(), wql); }
    Tree tree;
};

TEST_F(Desktop, ProcessorAndPciDevicesWithIdentifiersDriversAndProblems) {
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
    });

    auto drivers = q("SELECT * FROM Win32_PnPSignedDriver WHERE (Location LIKE '%PCI%') OR DeviceClass='USB' OR "
                     "DeviceClass='HDC'");
    const Row* nic = nullptr;
    for (const auto& d : drivers)
        if (text(d, "DeviceClass") == "NET") nic = &d;
    ASSERT_NE(nic, nullptr);
    EXPECT_EQ(text(*nic, "DeviceName"), "Ethernet Controller I225-V");
    EXPECT_EQ(text(*nic, "DriverVersion"), "5.4.0-k");  // the module's own version
    EXPECT_EQ(text(*nic, "Location"), "PCI bus 3, device 0, function 0");
    std::string id = text(*nic, "DeviceID");
    EXPECT_TRUE(id.rfind("PCI\\VEN_8086&DEV_15F3&SUBSYS_7D251462&REV_03\\4&", 0) == 0) << id;
    // The instance part is stable from one bind to the next.
    auto again = q("SELECT DeviceID FROM Win32_PnPSignedDriver WHERE DeviceClass = 'NET'");
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(text(again[0], "DeviceID"), id);

    auto sys = q("SELECT * FROM Win32_PnPSignedDriver where (DeviceClass='SYSTEM' OR DeviceClass='USB' OR "
                 "DeviceClass='HDC') AND DeviceID like '%VEN%' ");
    std::set<std::string> names;
    for (const auto& d : sys) names.insert(text(d, "DeviceName"));
    EXPECT_TRUE(names.count("Tiger Lake-H HD Audio Controller"));  // HD Audio controllers are system devices
    EXPECT_TRUE(names.count("Tiger Lake-H USB 3.2 Gen 2x1 xHCI Host Controller"));
    EXPECT_TRUE(names.count("Intel Device 43D2")) << "unknown devices are named by number";
}

TEST_F(Desktop, ClassesInTheWindowsForms) {
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
        {"Select * from Win32_Bios", 0, {}},
        {"Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'", 0, {}},
        {"Select * From Win32_WinSAT", 0, {}},
        {"SELECT AttachedTo,Caption FROM Win32_POTSModem WHERE PNPDeviceID IS NOT NULL", 0, {}},
    });
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
    // A composite device is of class USB.
    auto usb = q("SELECT * FROM Win32_PnPSignedDriver WHERE DeviceClass='USB'");
    EXPECT_TRUE(std::any_of(usb.begin(), usb.end(), [](const Row& d) {
        return text(d, "DeviceID").rfind("USB\\VID_046D&PID_C52B\\", 0) == 0;
    }));
}

// A laptop without a readable firmware table (no root): PS/2 keyboard and
// touchpad, Wi-Fi, the DMI fields readable by everyone.
TEST(Laptop, UnprivilegedFallbacksAndBuiltInInput) {
    Tree t;
    t.file("/proc/cpuinfo",
           "processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 23\nmodel\t\t: 104\n"
           "model name\t: AMD Ryzen 7 5700U with Radeon Graphics\nstepping\t: 1\ncpu MHz\t\t: 1400.000\n\n");
    t.attrs("/sys/devices/system/cpu/cpu0/cpufreq", {{"cpuinfo_max_freq", "4372000"}});
    t.attrs("/sys/devices/system/cpu/cpu0/acpi_cppc", {{"nominal_freq", "1800"}});
    t.attrs("/sys/class/dmi/id", {{"bios_vendor", "LENOVO"}, {"bios_version", "GLCN44WW"}, {"bios_date", "07/06/2022"},
                                  {"board_vendor", "LENOVO"}, {"board_name", "LNVNB161216"}, {"sys_vendor", "LENOVO"},
                                  {"product_name", "82LM"}, {"chassis_type", "10"}});
    t.file("/sys/firmware/dmi/tables/.keep", "");  // present but unreadable without root: no DMI file
    pci(t, kPci + "/0000:00:02.3/0000:02:00.0", "0x8086", "0x2723", "0x028000", "iwlwifi", "0x8086:0x0084", "0x1a");
    std::string wifi = kPci + "/0000:00:02.3/0000:02:00.0";
    t.attrs(wifi + "/net/wlp2s0", {{"address", "a0:b1:c2:d3:e4:f5"}, {"type", "1"}, {"operstate", "down"},
                                   {"flags", "0x1003"}, {"carrier", "0"}});
    t.file(wifi + "/net/wlp2s0/wireless/.keep", "");
    t.linkTo("/sys/class/net/wlp2s0", wifi + "/net/wlp2s0");
    t.linkTo(wifi + "/net/wlp2s0/device", wifi);
    std::string serio = "/sys/devices/platform/i8042/serio0";
    t.attrs(serio, {{"firmware_id", "PNP: PNP0303 PNP030b"}});
    t.attrs(serio + "/input/input0", {{"name", "AT Translated Set 2 keyboard"}});
    t.attrs(serio + "/input/input0/capabilities", {{"ev", "120013"}, {"key", "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe"}});
    t.linkTo("/sys/class/input/input0", serio + "/input/input0");
    std::string pad = "/sys/devices/platform/i8042/serio1";
    t.attrs(pad, {{"firmware_id", "PNP: SYN1e3e PNP0f13"}});
    t.attrs(pad + "/input/input1", {{"name", "SynPS/2 Synaptics TouchPad"}, {"properties", "5"}});
    t.attrs(pad + "/input/input1/capabilities",
            {{"ev", "b"}, {"key", "e520 10000 0 0 0 0"}, {"abs", "660800011000003"}});
    t.linkTo("/sys/class/input/input1", pad + "/input/input1");
    t.attrs("/sys/devices/virtual/input/input9", {{"name", "virtual keyboard"}});
    t.attrs("/sys/devices/virtual/input/input9/capabilities", {{"ev", "3"}, {"key", "fffffffffffffffe"}});
    t.linkTo("/sys/class/input/input9", "/sys/devices/virtual/input/input9");

    expectAnswers(t.root(), {
        {"Select * from Win32_Bios", 1, {{0, "Manufacturer", "LENOVO"}, {0, "SMBIOSBIOSVersion", "GLCN44WW"}}},
        {"SELECT * FROM Win32_ComputerSystemProduct", 1, {{0, "Name", "82LM"}, {0, "UUID", nullptr}}},  // root only
        {"SELECT Manufacturer FROM Win32_BaseBoard", 1, {{0, "Manufacturer", "LENOVO"}}},
        {"SELECT * FROM Win32_ComputerSystem", 1, {{0, "PCSystemType", 2}}},  // a notebook chassis
        {"Select * from CIM_PhysicalMemory", 0, {}},  // sysfs has no memory modules
        {"Select * from Win32_SystemSlot", 0, {}},
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
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
            const auto rows = query(t.root(), "Select * from Win32_PhysicalMemory");
            std::string seen = std::to_string(rows.size());
            for (const auto& r : rows)
                seen += " " + text(r, "Capacity") + "/" + text(r, "DeviceLocator") + "/" + text(r, "BankLabel") + "/" +
                        std::to_string(integer(r, "FormFactor")) + "/" + std::to_string(integer(r, "MemoryType")) +
                        "/" + std::to_string(integer(r, "Speed")) + "/" + text(r, "Manufacturer");
            seen += "\n" + readingLimits();
            [[maybe_unused]] auto n = ::write(out[1], seen.data(), seen.size());
            ::_exit(0);
        }
        ::close(out[1]);
        std::string seen;
        char buf[512];
        for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) seen.append(buf, static_cast<std::size_t>(n));
        ::close(out[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
        return seen;
    };
    const std::string table = t.root() + "/sys/firmware/dmi/tables/DMI";
    EXPECT_EQ(unprivileged(true), "1 8589934592/DIMM 0/BANK 0/12/24/1600/Samsung\n"
                                  "cannot read the firmware table " + table + " (root's alone): slots, on-board "
                                  "devices, serial numbers and the UUID need root: run with sudo");
    EXPECT_EQ(unprivileged(false), "0\ncannot read the firmware table " + table + " (root's alone): memory modules, "
                                   "slots, on-board devices, serial numbers and the UUID need root: run with sudo");
}

// A virtual machine: bridges without drivers of their own, virtio devices
// whose functions have their own drivers, a device whose driver is missing.
TEST(VirtualMachine, BridgesOfTheCoreVirtioFunctionsAndMissingDrivers) {
    Tree t;
    t.attrs("/proc/sys/kernel", {{"osrelease", "6.1.0-18-amd64"}, {"hostname", "vm"},
                                 {"version", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)"}});
    pci(t, kPci + "/0000:00:00.0", "0x8086", "0x0d57", "0x060000");  // host bridge
    pci(t, kPci + "/0000:00:01.0", "0x8086", "0x2918", "0x060100");  // ISA bridge
    pci(t, kPci + "/0000:00:1c.0", "0x8086", "0x43bc", "0x060400", "pcieport");
    // Virtio: the transport binds the PCI device, the function has its own driver.
    t.attrs("/sys/module/virtio-pci", {{"version", "9.9-transport"}});
    auto virtio = [&t](const std::string& addr, const char* device, const char* cls, const char* fn,
                       const char* driver) {
        const std::string path = kPci + "/" + addr;
        pci(t, path, "0x1af4", device, cls, "virtio-pci", "0x1af4:0x1100", "0x01");
        t.attrs(path + "/" + fn, {{"vendor", "0x1af4"}});
        if (*driver) {
            t.linkTo(path + "/" + fn + "/driver", std::string("/sys/bus/virtio/drivers/") + driver);
            t.linkTo(std::string("/sys/bus/virtio/drivers/") + driver + "/module", std::string("/sys/module/") + driver);
        }
    };
    virtio("0000:00:03.0", "0x1041", "0x020000", "virtio0", "virtio_net");
    virtio("0000:00:04.0", "0x1042", "0x010000", "virtio1", "virtio_blk");
    virtio("0000:00:05.0", "0x1045", "0x00ff00", "virtio2", "");  // the function without a driver
    t.attrs("/sys/module/virtio_blk", {{"version", "1.0"}});
    std::string nic = kPci + "/0000:00:03.0/virtio0";
    t.attrs(nic + "/net/enp0s3", {{"address", "52:54:00:12:34:56"}, {"type", "1"}, {"operstate", "up"},
                                  {"flags", "0x1003"}, {"carrier", "1"}});
    t.linkTo("/sys/class/net/enp0s3", nic + "/net/enp0s3");
    t.linkTo(nic + "/net/enp0s3/device", nic);
    pci(t, kPci + "/0000:00:1f.3", "0x8086", "0x2930", "0x0c0500");  // SMBus without its driver

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
    expectAnswers(t.root(), {
        {"Select * from Win32_LogicalDisk", 0, {}},
        {"Select * from Win32_Bios", 0, {}},
        {"Select * from Win32_NetworkAdapter", 0, {}},
        // The device with a readable identity, once.
        {"Select * from Win32_PnPEntity", 1, {{0, "DeviceID", "PCI\\VEN_8086&DEV_15F3&REV_00\\*"}}},
    });
    EXPECT_EQ(query("/nonexistent/root", "Select * from Win32_PnPEntity").size(), 0u);
}

// Three adapters: one with two IPv4 and two IPv6 addresses, gateways and a
// current DHCP lease; one with a static address, no gateway and a stale
// lease; one down. Their configurations join the adapters by Index.
TEST(Network, ConfigurationsOfAddressesRoutesResolverAndLeases) {
    Tree t;
    t.attrs("/proc/sys/kernel", {{"osrelease", "6.1.0-18-amd64"}, {"hostname", "desk"}});
    const struct {
        const char *addr, *dev, *ifname, *flags, *mac;
    } nics[] = {{"0000:03:00.0", "0x1533", "enp3s0", "0x1003", "d8:bb:c1:0a:0b:0c"},
                {"0000:04:00.0", "0x1533", "enp4s0", "0x1003", "d8:bb:c1:0a:0b:0d"},
                {"0000:05:00.0", "0x2723", "wlp5s0", "0x1002", "70:cf:49:01:02:03"}};
    for (const auto& n : nics) {
        const std::string dev = kPci + "/" + n.addr, net = dev + "/net/" + n.ifname;
        pci(t, dev, "0x8086", n.dev, "0x028000", "igb");
        t.attrs(net, {{"address", n.mac}, {"flags", n.flags}, {"mtu", "1500"},
                      {"ifindex", std::to_string(2 + (&n - nics))}});
        t.linkTo("/sys/class/net/" + std::string(n.ifname), net);
        t.linkTo(net + "/device", dev);
    }
    t.file("/proc/net/fib_trie",
           "Main:\n  +-- 0.0.0.0/0 3 0 5\n     |-- 0.0.0.0\n        /0 universe UNICAST\n"
           "Local:\n  +-- 0.0.0.0/0 3 0 5\n     |-- 10.0.0.7\n        /32 host LOCAL\n"
           "     |-- 127.0.0.1\n        /32 host LOCAL\n     |-- 172.16.0.2\n        /32 host LOCAL\n"
           "     |-- 192.168.1.5\n        /32 host LOCAL\n     |-- 192.168.1.255\n        /32 link BROADCAST\n");
    t.file("/proc/net/route",
           "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
           "enp3s0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
           "enp3s0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
           "enp3s0\t0000000A\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n"
           "enp4s0\t000010AC\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n");
    t.file("/proc/net/if_inet6",
           "20010db8000000000000000000000005 02 40 00 00   enp3s0\n"
           "fe80000000000000dabbc1fffe0a0b0c 02 40 20 80   enp3s0\n"
           "00000000000000000000000000000001 01 80 10 80       lo\n"
           "fe800000000000000000000000000009 04 40 20 80   wlp5s0\n");
    const std::string zero(32, '0');
    t.file("/proc/net/ipv6_route",
           zero + " 00 " + zero + " 00 fe800000000000000000000000000001 00000400 00000001 00000000 00000003   enp3s0\n" +
           zero + " 00 " + zero + " 00 " + zero + " ffffffff 00000001 00000000 00200200       lo\n");
    t.file("/etc/resolv.conf", "# by hand\nnameserver 192.168.1.1\nnameserver 2001:db8::53\nsearch lan example.org\n");
    t.file("/var/lib/dhcp/dhclient.enp3s0.leases",
           "lease {\n  interface \"enp3s0\";\n  fixed-address 192.168.1.77;\n"
           "  option dhcp-server-identifier 192.168.1.254;\n}\n"
           "lease {\n  interface \"enp3s0\";\n  fixed-address 192.168.1.5;\n  option subnet-mask 255.255.255.0;\n"
           "  option dhcp-server-identifier 192.168.1.1;\n  option domain-name \"home.lan\";\n}\n");
    t.file("/var/lib/NetworkManager/internal-6a5b-enp4s0.lease", "ADDRESS=172.16.9.9\nSERVER_ADDRESS=172.16.0.1\n");

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
    // Drive C: is the disk mounted at /; a chroot's root is no mount of its
    // own, a container's no disk.
    bool rootOnDisk = false;
    std::ifstream mountinfo("/proc/self/mountinfo");
    for (std::string line; std::getline(mountinfo, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers, within, at, word, type, source;
        if (!(fields >> id >> parent >> numbers >> within >> at) || at != "/") continue;
        while (fields >> word && word != "-") {}
        if (fields >> type >> source && source.rfind("/dev/", 0) == 0) rootOnDisk = true;
    }
    if (!rootOnDisk) GTEST_SKIP() << "no disk is mounted at / here (a chroot or container): no drive C: to look for";
    auto c = query("/", "SELECT VolumeName FROM Win32_LogicalDisk WHERE DeviceID = 'C:'");
    EXPECT_EQ(c.size(), 1u) << "the root file system is drive C:";
}

}  // namespace
}  // namespace tq::linuxprov
