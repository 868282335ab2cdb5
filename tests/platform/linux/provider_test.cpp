// The provider over recorded trees of a desktop, a laptop and this machine:
// the classes, identifier forms, drive letters and fallbacks the program's
// queries see.
#include <gtest/gtest.h>

#include <filesystem>

#include "report/main.h"
#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;

const std::string kPci = "/sys/devices/pci0000:00";

// ATA IDENTIFY words as sysfs prints them: 8 hex words a line.
std::string identify(const std::string& model, const std::string& fw, const std::string& serial, bool atapi) {
    std::vector<unsigned> w(256, 0);
    w[0] = atapi ? 0x85C0 : 0x0040;
    auto put = [&](std::size_t from, std::size_t words, std::string s) {
        s.resize(words * 2, ' ');
        for (std::size_t i = 0; i < words; ++i)
            w[from + i] = (static_cast<unsigned char>(s[2 * i]) << 8) | static_cast<unsigned char>(s[2 * i + 1]);
    };
    put(10, 10, serial);
    put(23, 4, fw);
    put(27, 20, model);
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < w.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%04x", w[i]);
        out += buf;
        out += (i + 1) % 8 ? ' ' : '\n';
    }
    return out;
}

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
    std::string cpu =
        "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 167\n"
        "model name\t: 11th Gen Intel(R) Core(TM) i7-11700K @ 3.60GHz\nstepping\t: 1\ncpu MHz\t\t: 4800.000\n"
        "physical id\t: 0\ncore id\t\t: 0\nflags\t\t: fpu vmx lm\n\n"
        "processor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 167\n"
        "model name\t: 11th Gen Intel(R) Core(TM) i7-11700K @ 3.60GHz\nstepping\t: 1\ncpu MHz\t\t: 4800.000\n"
        "physical id\t: 0\ncore id\t\t: 1\nflags\t\t: fpu vmx lm\n\n";
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
    t.file("/etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n");
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

    // Disks: NVMe, a SATA disk, a SATA DVD writer, a USB stick.
    std::string nvme = kPci + "/0000:00:0e.0/nvme/nvme0";
    t.attrs(nvme, {{"model", "Samsung SSD 980 PRO 1TB                 "}, {"firmware_rev", "5B2QGXA7"},
                   {"serial", "S5GXNF0R123456"}});
    t.attrs(nvme + "/nvme0n1", {{"size", "1953525168"}, {"removable", "0"}});
    t.linkTo(nvme + "/nvme0n1/device", nvme);
    t.attrs(nvme + "/nvme0n1/nvme0n1p1", {{"partition", "1"}});
    t.attrs(nvme + "/nvme0n1/nvme0n1p2", {{"partition", "2"}});
    t.linkTo("/sys/block/nvme0n1", nvme + "/nvme0n1");
    t.linkTo("/sys/class/block/nvme0n1p2", nvme + "/nvme0n1/nvme0n1p2");
    t.linkTo("/sys/dev/block/259:2", nvme + "/nvme0n1/nvme0n1p2");
    t.linkTo("/sys/dev/block/259:1", nvme + "/nvme0n1/nvme0n1p1");

    std::string sata = kPci + "/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0";
    t.attrs(sata, {{"vendor", "ATA     "}, {"model", "ST2000DM008-2FR1"}, {"rev", "0001"}, {"scsi_level", "6"}});
    t.attrs(sata + "/block/sda", {{"size", "3907029168"}, {"removable", "0"}});
    t.linkTo(sata + "/block/sda/device", sata);
    t.attrs(sata + "/block/sda/sda1", {{"partition", "1"}});
    t.linkTo("/sys/block/sda", sata + "/block/sda");
    t.linkTo("/sys/class/block/sda1", sata + "/block/sda/sda1");
    t.linkTo("/sys/dev/block/8:1", sata + "/block/sda/sda1");
    t.file("/sys/class/ata_device/dev3.0/id", identify("ST2000DM008-2FR102", "0001", "ZFL0ABCD", false));

    std::string odd = kPci + "/0000:00:17.0/ata4/host3/target3:0:0/3:0:0:0";
    t.attrs(odd, {{"vendor", "HL-DT-ST"}, {"model", "DVDRAM GH24NSD1 "}, {"rev", "LK00"}, {"scsi_level", "6"}});
    t.attrs(odd + "/block/sr0", {{"size", "0"}, {"removable", "1"}});
    t.linkTo(odd + "/block/sr0/device", odd);
    t.linkTo("/sys/block/sr0", odd + "/block/sr0");
    t.file("/sys/class/ata_device/dev4.0/id", identify("HL-DT-ST DVDRAM GH24NSD1", "LK00", "", true));

    std::string stick = kPci + "/0000:00:14.0/usb1/1-4/1-4:1.0/host6/target6:0:0/6:0:0:0";
    t.attrs(stick, {{"vendor", "SanDisk "}, {"model", "Cruzer Blade    "}, {"rev", "1.00"}, {"scsi_level", "7"}});
    t.attrs(stick + "/block/sdb", {{"size", "31266816"}, {"removable", "1"}});
    t.linkTo(stick + "/block/sdb/device", stick);
    t.attrs(stick + "/block/sdb/sdb1", {{"partition", "1"}});
    t.linkTo("/sys/block/sdb", stick + "/block/sdb");
    t.linkTo("/sys/class/block/sdb1", stick + "/block/sdb/sdb1");
    t.linkTo("/sys/dev/block/8:17", stick + "/block/sdb/sdb1");
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

TEST_F(Desktop, ProcessorInTheWindowsForms) {
    auto cpus = q("Select * from Win32_Processor");
    ASSERT_EQ(cpus.size(), 1u) << "one package";
    const auto& c = cpus[0];
    EXPECT_EQ(text(c, "DeviceID"), "CPU0");
    EXPECT_EQ(text(c, "Name"), "11th Gen Intel(R) Core(TM) i7-11700K @ 3.60GHz");
    EXPECT_EQ(text(c, "Description"), "Intel64 Family 6 Model 167 Stepping 1");
    EXPECT_EQ(integer(c, "MaxClockSpeed"), 3600);  // nominal, not the boost clock
    EXPECT_EQ(integer(c, "L2CacheSize"), 1024);    // two 512 KB caches
    EXPECT_EQ(integer(c, "L3CacheSize"), 16384);   // one shared cache
    EXPECT_EQ(integer(c, "NumberOfCores"), 2);
    EXPECT_EQ(text(c, "Manufacturer"), "GenuineIntel");

    auto drv = q("SELECT HardWareID FROM Win32_PnPSignedDriver Where Deviceclass = 'PROCESSOR'");
    ASSERT_EQ(drv.size(), 2u) << "one per logical processor";
    EXPECT_EQ(text(drv[0], "HardWareID"),
              "ACPI\\GenuineIntel_-_Intel64_Family_6_Model_167_-_11th_Gen_Intel(R)_Core(TM)_i7-11700K_@_3.60GHz");
}

TEST_F(Desktop, PciDevicesWithIdentifiersDriversAndProblems) {
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
    EXPECT_EQ(report::TrimPnpId(id), "PCI\\VEN_8086&DEV_15F3&SUBSYS_7D251462&REV_03");
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

    auto broken = q("Select * from Win32_PnPEntity Where ConfigManagerErrorCode <> '0'");
    ASSERT_EQ(broken.size(), 1u) << "the SMBus controller; the host bridge needs no driver";
    EXPECT_EQ(text(broken[0], "Name"), "Tiger Lake-H SMBus Controller");
    EXPECT_FALSE(has(broken[0], "Service"));
    EXPECT_EQ(report::TrimPnpId(text(broken[0], "DeviceID")), "PCI\\VEN_8086&DEV_43A3&SUBSYS_7D251462&REV_01");
}

TEST_F(Desktop, NetworkAdapterWithMacAndConnectionName) {
    auto all = q("SELECT * FROM Win32_NetworkAdapter WHERE NetConnectionID  > 0 ");
    ASSERT_EQ(all.size(), 1u) << "lo has no hardware behind it";
    EXPECT_EQ(text(all[0], "MACAddress"), "D8:BB:C1:0A:0B:0C");
    EXPECT_EQ(text(all[0], "NetConnectionID"), "enp3s0");
    EXPECT_EQ(text(all[0], "Description"), "Ethernet Controller I225-V");
    EXPECT_EQ(text(all[0], "Speed"), "1000000000");
    auto lan = q("SELECT * FROM Win32_NetworkAdapter WHERE PNPDeviceID LIKE 'PCI%VEN%' AND NetConnectionID  > 0");
    EXPECT_EQ(lan.size(), 1u);
    // The MAC lookup by the driver's device name finds the adapter.
    auto mac = q("SELECT MACAddress FROM Win32_NetworkAdapter WHERE Name = 'Ethernet Controller I225-V' ");
    ASSERT_EQ(mac.size(), 1u);
    EXPECT_EQ(text(mac[0], "MACAddress"), "D8:BB:C1:0A:0B:0C");
}

TEST_F(Desktop, VideoControllerWithModeAndSaturatedMemory) {
    auto v = q("Select * from Win32_VideoController");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(text(v[0], "DeviceID"), "VideoController1");
    EXPECT_EQ(text(v[0], "Name"), "Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]");
    EXPECT_EQ(integer(v[0], "CurrentHorizontalResolution"), 2560);
    EXPECT_EQ(integer(v[0], "CurrentVerticalResolution"), 1440);
    EXPECT_EQ(integer(v[0], "CurrentBitsPerPixel"), 32);
    EXPECT_LT(integer(v[0], "AdapterRAM"), 0) << "16 GB does not arrive as a positive 32-bit value";
    EXPECT_EQ(text(v[0], "DriverDate"), "20240201000000.000000-000");
    EXPECT_EQ(text(v[0], "DriverVersion"), "6.1.0-18-amd64");
    EXPECT_TRUE(text(v[0], "PNPDeviceID").rfind("PCI\\VEN_1002&DEV_73BF&SUBSYS_E4381DA2&REV_C1\\", 0) == 0);
}

TEST_F(Desktop, HdAudioCodecAsSoundDevice) {
    auto s = q("SELECT * FROM Win32_SoundDevice WHERE Caption LIKE '%Audio%' ");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(text(s[0], "Manufacturer"), "Realtek");
    std::string id = text(s[0], "DeviceID");
    EXPECT_EQ(report::TrimPnpId(id), "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0897&SUBSYS_14627D25&REV_1004");
    EXPECT_EQ(text(s[0], "PNPDeviceID"), id);
}

TEST_F(Desktop, DisksInTheirIdentifierForms) {
    auto disks = q("Select * from Win32_DiskDrive Where Size >'2036385280'");
    ASSERT_EQ(disks.size(), 3u);
    const Row& nvme = disks[0];
    EXPECT_EQ(text(nvme, "Model"), "Samsung SSD 980 PRO 1TB");
    EXPECT_EQ(text(nvme, "Size"), "1000202273280");  // whole cylinders of 255 x 63 sectors
    const Row& sata = disks[1];
    EXPECT_EQ(text(sata, "Model"), "ST2000DM008-2FR102");  // the full name from IDENTIFY
    std::string pnp = text(sata, "PNPDeviceID");
    EXPECT_EQ(pnp.substr(0, 57), "IDE\\DISKST2000DM008-2FR102______________________0001____\\");
    // The firmware cut: 20 characters off, the 8 before the backslash.
    std::string rest = pnp.substr(20);
    auto p = rest.find('\\');
    EXPECT_EQ(rest.substr(p - 8, 8), "0001____");
    EXPECT_EQ(text(disks[2], "InterfaceType"), "USB");
    EXPECT_TRUE(text(disks[2], "PNPDeviceID").rfind("USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.00\\", 0) == 0);

    auto cd = q("Select * from Win32_CDROMDrive");
    ASSERT_EQ(cd.size(), 1u);
    EXPECT_EQ(text(cd[0], "Caption"), "HL-DT-ST DVDRAM GH24NSD1");
    EXPECT_EQ(text(cd[0], "DeviceID"), text(cd[0], "PNPDeviceID"));
    EXPECT_EQ(text(cd[0], "DeviceID").substr(0, 58), "IDE\\CDROMHL-DT-ST_DVDRAM_GH24NSD1________________LK00____\\");
    EXPECT_EQ(text(cd[0], "Id"), "F:");
}

TEST_F(Desktop, DriveLetters) {
    auto all = q("Select * from Win32_LogicalDisk");
    ASSERT_EQ(all.size(), 4u) << "EFI partition, snaps and a second mount of a disk get no letter";
    EXPECT_EQ(text(all[0], "DeviceID"), "C:");
    EXPECT_EQ(text(all[0], "VolumeName"), "ROOTFS");
    EXPECT_EQ(text(all[1], "DeviceID"), "D:");
    EXPECT_EQ(text(all[1], "Description"), "Local Fixed Disk");
    EXPECT_EQ(text(all[1], "VolumeName"), "My Data");
    EXPECT_EQ(integer(all[2], "DriveType"), 2);
    EXPECT_EQ(text(all[2], "Description"), "Removable Disk");
    EXPECT_EQ(text(all[3], "DeviceID"), "F:");
    EXPECT_EQ(integer(all[3], "DriveType"), 5);
    EXPECT_EQ(text(all[3], "Description"), "CD-ROM Disc");

    auto removable = q("Select * from Win32_LogicalDisk Where DriveType ='2'");
    ASSERT_EQ(removable.size(), 1u);
    EXPECT_EQ(text(removable[0], "DeviceID"), "E:");
    auto label = q("SELECT VolumeName FROM Win32_LogicalDisk WHERE DeviceID = 'C:'");
    ASSERT_EQ(label.size(), 1u);
    EXPECT_EQ(text(label[0], "VolumeName"), "ROOTFS");
}

TEST_F(Desktop, KeyboardAndMouseFromTheUsbReceiver) {
    auto k = q("Select * from Win32_Keyboard");
    ASSERT_EQ(k.size(), 1u);
    EXPECT_EQ(text(k[0], "Description"), "Logitech USB Receiver");
    EXPECT_EQ(text(k[0], "Layout"), "00000407");
    EXPECT_TRUE(text(k[0], "PNPDeviceID").rfind("HID\\VID_046D&PID_C52B&MI_00\\", 0) == 0) << text(k[0], "PNPDeviceID");
    auto m = q("Select * from Win32_PointingDevice");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(text(m[0], "Manufacturer"), "Logitech");
    EXPECT_TRUE(text(m[0], "PNPDeviceID").rfind("HID\\VID_046D&PID_C52B&MI_01\\", 0) == 0);
    auto usb = q("SELECT * FROM Win32_PnPSignedDriver WHERE DeviceClass='USB'");
    bool receiver = false;
    for (const auto& d : usb)
        receiver = receiver || text(d, "DeviceID").rfind("USB\\VID_046D&PID_C52B\\", 0) == 0;
    EXPECT_TRUE(receiver) << "a composite device is of class USB";
}

TEST_F(Desktop, OperatingSystemAndComputerSystem) {
    auto os = q("Select * from Win32_OperatingSystem");
    ASSERT_EQ(os.size(), 1u);
    EXPECT_EQ(text(os[0], "Caption"), "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(text(os[0], "Version"), "6.1.0-18-amd64");
    EXPECT_EQ(text(os[0], "BuildType"), "Multiprocessor Free");
    EXPECT_EQ(text(os[0], "CountryCode"), "49");
    EXPECT_FALSE(has(os[0], "CSDVersion"));
    auto cs = q("SELECT * FROM Win32_ComputerSystem");
    ASSERT_EQ(cs.size(), 1u);
    EXPECT_EQ(text(cs[0], "Name"), "WORKSHOP");
    EXPECT_FALSE(has(cs[0], "Manufacturer")) << "no firmware table and no DMI fields";
    EXPECT_TRUE(q("Select * from Win32_Bios").empty());
    EXPECT_TRUE(q("Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'").empty());
    EXPECT_TRUE(q("Select * From Win32_WinSAT").empty());
    EXPECT_TRUE(q("SELECT AttachedTo,Caption FROM Win32_POTSModem WHERE PNPDeviceID IS NOT NULL").empty());
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
    const std::string root = t.root();

    auto bios = query(root, "Select * from Win32_Bios");
    ASSERT_EQ(bios.size(), 1u);
    EXPECT_EQ(text(bios[0], "Manufacturer"), "LENOVO");
    EXPECT_EQ(text(bios[0], "SMBIOSBIOSVersion"), "GLCN44WW");
    auto product = query(root, "SELECT * FROM Win32_ComputerSystemProduct");
    ASSERT_EQ(product.size(), 1u);
    EXPECT_EQ(text(product[0], "Name"), "82LM");
    EXPECT_FALSE(has(product[0], "UUID")) << "readable by root only";
    EXPECT_EQ(text(query(root, "SELECT Manufacturer FROM Win32_BaseBoard")[0], "Manufacturer"), "LENOVO");
    auto cs = query(root, "SELECT * FROM Win32_ComputerSystem");
    EXPECT_EQ(integer(cs[0], "PCSystemType"), 2) << "a notebook chassis";
    EXPECT_TRUE(query(root, "Select * from CIM_PhysicalMemory").empty()) << "sysfs has no memory modules";
    EXPECT_TRUE(query(root, "Select * from Win32_SystemSlot").empty());

    auto cpu = query(root, "Select * from Win32_Processor");
    ASSERT_EQ(cpu.size(), 1u);
    EXPECT_EQ(text(cpu[0], "Description"), "AMD64 Family 23 Model 104 Stepping 1");
    EXPECT_EQ(integer(cpu[0], "MaxClockSpeed"), 1800);

    auto k = query(root, "Select * from Win32_Keyboard");
    ASSERT_EQ(k.size(), 1u) << "virtual input devices are left out";
    EXPECT_TRUE(text(k[0], "PNPDeviceID").rfind("ACPI\\PNP0303\\4&", 0) == 0);
    EXPECT_FALSE(has(k[0], "Layout")) << "no configured layout, none made up";
    auto m = query(root, "Select * from Win32_PointingDevice");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(text(m[0], "Description"), "SynPS/2 Synaptics TouchPad");
    EXPECT_EQ(integer(m[0], "PointingType"), 7);
    EXPECT_TRUE(text(m[0], "PNPDeviceID").rfind("ACPI\\SYN1E3E\\4&", 0) == 0);

    auto net = query(root, "SELECT * FROM Win32_NetworkAdapter WHERE NetConnectionID  > 0 ");
    ASSERT_EQ(net.size(), 1u);
    EXPECT_EQ(text(net[0], "Name"), "Wi-Fi 6 AX200");
    EXPECT_EQ(integer(net[0], "NetConnectionStatus"), 7) << "up, but no carrier";
    EXPECT_TRUE(query(root, "Select * from Win32_OperatingSystem").empty()) << "no os-release, no kernel files";
}

TEST(BrokenTree, UnreadableAndMalformedFilesLeaveThingsOut) {
    Tree t;
    t.file("/proc/cpuinfo", "processor : x\nvendor_id : \ncpu family : many\n");
    t.file("/proc/self/mountinfo", "garbage\n1 2 3\n22 1 x:y / / rw - ext4 /dev/sda1 rw\n");
    t.attrs(kPci + "/0000:00:02.0", {{"vendor", "0xzzzz"}, {"device", "0x1234"}});
    t.linkTo("/sys/bus/pci/devices/0000:00:02.0", kPci + "/0000:00:02.0");
    t.attrs(kPci + "/0000:00:03.0", {{"vendor", "0x8086"}, {"device", "0x15f3"}});  // no class, no revision
    t.linkTo("/sys/bus/pci/devices/0000:00:03.0", kPci + "/0000:00:03.0");
    t.file("/sys/firmware/dmi/tables/DMI", std::string("\x00\x18\x00\x00\x01\x02", 6));
    t.file("/sys/firmware/dmi/tables/smbios_entry_point", "_SM3_ broken");
    t.file("/sys/class/ata_device/dev1.0/id", "zzzz 12345\n");
    t.link("/sys/class/net/eth9", "../../devices/nowhere/net/eth9");
    const std::string root = t.root();

    auto cpu = query(root, "Select * from Win32_Processor");
    for (const auto& c : cpu) EXPECT_FALSE(has(c, "Description"));
    EXPECT_TRUE(query(root, "Select * from Win32_LogicalDisk").empty());
    EXPECT_TRUE(query(root, "Select * from Win32_Bios").empty());
    EXPECT_TRUE(query(root, "Select * from Win32_NetworkAdapter").empty());
    auto pnp = query(root, "Select * from Win32_PnPEntity");
    ASSERT_EQ(pnp.size(), 1u) << "the device with a readable identity";
    EXPECT_EQ(report::TrimPnpId(text(pnp[0], "DeviceID")), "PCI\\VEN_8086&DEV_15F3&REV_00");
    EXPECT_EQ(query("/nonexistent/root", "Select * from Win32_PnPEntity").size(), 0u);
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
    auto c = query("/", "SELECT VolumeName FROM Win32_LogicalDisk WHERE DeviceID = 'C:'");
    EXPECT_EQ(c.size(), 1u) << "the root file system is drive C:";
    for (const auto& n : query("/", "SELECT * FROM Win32_NetworkAdapter"))
        EXPECT_EQ(text(n, "MACAddress").size(), 17u);
}

}  // namespace
}  // namespace tq::linuxprov
