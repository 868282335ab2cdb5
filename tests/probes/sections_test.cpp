// Every section against small recorded machines: which items pass, the
// conditional and separator rows, where the head goes, and the nested markup
// of the hotfix and slot sections. The unbound service is covered by the
// whole-report test.
#include <gtest/gtest.h>

#include "probes/probes.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::RepositoryScope;
using testing::runSection;
using testing::section;
using Rows = std::vector<std::pair<std::string, std::string>>;
using Writer = void (*)(report::ReportStream&);
const std::pair<std::string, std::string> kSep{"&nbsp;", "&nbsp;"};

std::vector<std::string> run(Writer write, const std::string& json) {
    RepositoryScope repo(json);
    return runSection(write);
}

// A machine without any objects: early heads give the title alone, late heads nothing.
TEST(Sections, EmptyMachine) {
    PlatformScope scope;
    RepositoryScope repo("{}");
    const std::vector<std::string> none;
    const struct {
        Writer write;
        std::vector<std::string> expected;
    } cases[] = {
        {probes::WriteMotherboardSection, section("Motherboard", {})}, {probes::WriteCpuSection, none},
        {probes::WriteMemorySection, section("Memory", {})}, {probes::WriteGraphicsSection, section("VGA", {})},
        {probes::WriteHddSection, section("HDD", {})}, {probes::WriteRemovableDrivesSection, none},
        {probes::WriteCdromSection, none}, {probes::WriteModemSection, none}, {probes::WriteKeyboardSection, none},
        {probes::WriteMouseSection, section("Mouse", {})}, {probes::WriteMultimediaSection, none},
        {probes::WriteOnboardSection, section("On Board", {})},
        {probes::WriteNetworkSection, section("Networkdevices", {{"&nbsp;", "Networkdevices not present."}})},
        {probes::WriteOsSection, section("Operatingsystem", {})},
        {probes::WritePerformanceRatingSection, section("Windows System Assessment (Scoring)", {})},
        {probes::WriteHotfixSection, none}, {probes::WritePnpDriverSection, section("PNP", {})},
        {probes::WriteDefectiveHardwareSection, none},
    };
    Failure left;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(runSection(cases[i].write, &left), cases[i].expected) << "case " << i;
    EXPECT_TRUE(scope.ui.messages.empty());
    EXPECT_EQ(left.number, 0);
}

struct Case {
    const char* what;
    Writer write;
    std::string json;
    std::string title;
    Rows rows;
};

void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        PlatformScope scope;
        EXPECT_EQ(run(c.write, c.json), section(c.title, c.rows)) << c.what;
        EXPECT_TRUE(scope.ui.messages.empty()) << c.what;
    }
}

TEST(Sections, SystemBoardProcessorAndAssessment) {
    expectCases({
        {"motherboard", probes::WriteMotherboardSection, R"({
           "Win32_ComputerSystemProduct": [{"Name": "<b>OptiPlex 7050</b>"}, {"Name": ""}],
           "Win32_BaseBoard": [{"Manufacturer": "Dell Inc."}], "Win32_ComputerSystem": [{"Manufacturer": null}]})",
         "Motherboard", {{"Product", "&lt;b&gt;OptiPlex 7050&lt;/b&gt;&nbsp;"}, {"Manufacturer (BaseBoard)", "Dell Inc.&nbsp;"}}},
        // CPU0 only (not "CPU1", not "cpu0"), leading blanks cut; the first driver's ID.
        {"cpu", probes::WriteCpuSection, R"({"Win32_Processor": [
           {"DeviceID": "CPU1", "Name": "Other", "MaxClockSpeed": 1}, {"DeviceID": "cpu0", "Name": "lower"},
           {"DeviceID": "CPU0", "Name": "   Intel(R) Core(TM) i5  ", "MaxClockSpeed": 3400,
            "Description": "Intel64 Family 6", "L2CacheSize": 1024}],
           "Win32_PnPSignedDriver": [{"DeviceClass": "PROCESSOR", "HardWareID": "ACPI\\GenuineIntel"},
                                     {"DeviceClass": "PROCESSOR", "HardWareID": "second"}]})",
         "CPU", {{"Name", "Intel(R) Core(TM) i5  &nbsp;"}, {"MaxClockSpeed", "3400&nbsp;"},
                 {"Device Type", "Intel64 Family 6&nbsp;"}, {"L2CacheSize", "1024&nbsp;"},
                 {"HardWareID", "ACPI\\GenuineIntel&nbsp;"}}},
        // The name row is always written; a first driver without ID ends the look.
        {"cpu blank", probes::WriteCpuSection, R"({"Win32_Processor": [{"DeviceID": "CPU0", "Name": "    "}],
           "Win32_PnPSignedDriver": [{"DeviceClass": "PROCESSOR"}, {"DeviceClass": "PROCESSOR", "HardWareID": "x"}]})",
         "CPU", {{"Name", "&nbsp;"}}},
        {"cpu driver alone writes the head", probes::WriteCpuSection,
         R"({"Win32_PnPSignedDriver": [{"DeviceClass": "PROCESSOR", "HardWareID": "ID"}]})", "CPU",
         {{"HardWareID", "ID&nbsp;"}}},
        // Six rows per assessment, even for an absent score; scores as text.
        {"winsat", probes::WritePerformanceRatingSection, R"({"Win32_WinSAT": [
           {"CPUScore": 8.1, "MemoryScore": 8.1, "DiskScore": 7.95, "GraphicsScore": 9.9, "D3DScore": 9.9,
            "WinSPRLevel": 7.9},
           {"CPUScore": null, "MemoryScore": 5, "DiskScore": 5.5, "GraphicsScore": 4, "D3DScore": 3,
            "WinSPRLevel": 3}]})",
         "Windows System Assessment (Scoring)",
         {{"Processor", "8.1&nbsp;"}, {"Memory", "8.1&nbsp;"}, {"Primary hard disk", "7.95&nbsp;"},
          {"Graphics", "9.9&nbsp;"}, {"Gaming graphics", "9.9&nbsp;"},
          {"Windows System Performance Rating", "7.9&nbsp;"}, {"Processor", "&nbsp;"}, {"Memory", "5&nbsp;"},
          {"Primary hard disk", "5.5&nbsp;"}, {"Graphics", "4&nbsp;"}, {"Gaming graphics", "3&nbsp;"},
          {"Windows System Performance Rating", "3&nbsp;"}}},
    });
}

TEST(Sections, MemoryGraphicsAndDrives) {
    std::string cdVp = "Ven_TSSTcorp&Prod_CDDVDW_SH-224DB";
    cdVp.resize(40, '_');
    expectCases({
        {"memory", probes::WriteMemorySection, R"({"CIM_PhysicalMemory": [
           {"MemoryType": 17, "Capacity": "1073741824", "Speed": 667, "DeviceLocator": "DIMM 1"},
           {"MemoryType": null, "Capacity": "1073741824"},
           {"MemoryType": 25, "Capacity": "0", "Speed": 0, "DeviceLocator": ""}, {"MemoryType": 0}]})",
         "Memory", {{"MemoryType", "SDRAM &nbsp;"}, {"Capacity", "1024 MB"}, {"Speed", "667&nbsp;"},
                    {"Slot", "DIMM 1&nbsp;"}, kSep, {"MemoryType", "**Unknown**&nbsp;"}, {"Speed", "unknown"}, kSep,
                    {"MemoryType", "Unknown &nbsp;"}, {"Speed", "unknown"}}},
        {"graphics", probes::WriteGraphicsSection, R"({"Win32_VideoController": [
           {"Name": "NVIDIA GeForce GTX 1060 6GB", "DeviceID": "VideoController1",
            "PNPDeviceID": "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1", "DriverVersion": "27.21.14.5671",
            "DriverDate": "20201020000000.000000-000", "CurrentHorizontalResolution": 1920,
            "CurrentVerticalResolution": 1080, "CurrentBitsPerPixel": 32, "AdapterRAM": 134217728},
           {"Name": ""},
           {"Name": "Basic Display", "CurrentHorizontalResolution": 1024, "CurrentBitsPerPixel": 0,
            "AdapterRAM": 100000000, "DriverDate": "20060621143000.000000-000"},
           {"Name": "Bad date", "DriverDate": "2006", "AdapterRAM": -1}]})",
         "VGA", {{"Name", "NVIDIA GeForce GTX 1060 6GB&nbsp;"}, {"DeviceID", "VideoController1&nbsp;"},
                 {"PNPDeviceID", "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1&nbsp;"},
                 {"DriverVersion", "27.21.14.5671&nbsp;"}, {"DriverDate", "10/20/2020&nbsp;"},
                 {"VideoMode", "1920 x 1080"}, {"Colour_bits", "32&nbsp;"}, {"Video-RAM", "128 MB"}, kSep,
                 {"Name", "Basic Display&nbsp;"}, {"DriverDate", "6/21/2006 2:30:00 PM&nbsp;"},
                 {"Video-RAM", "95.367431640625 MB"}, kSep, {"Name", "Bad date&nbsp;"},
                 // The failed date is the last step of the walk: it is reported.
                 {"Error", "Type mismatch&nbsp;"}}},
        {"hdd", probes::WriteHddSection, R"({"Win32_DiskDrive": [
           {"Model": "Samsung SSD 860", "Size": "250059350016",
            "PNPDeviceID": "SCSI\\DISK&VEN_&PROD_SAMSUNG_SSD_860\\4&2&0&000000"},
           {"Model": "small", "Size": "2036385280", "PNPDeviceID": "x"},
           {"Model": "WDC WD10EZEX", "Size": "1000204886016", "PNPDeviceID": "short"}],
           "Win32_LogicalDisk": [{"DeviceID": "D:", "VolumeName": "Data"}, {"DeviceID": "C:", "VolumeName": "System"}]})",
         "HDD", {{"Name", "Samsung SSD 860&nbsp;"}, {"Size", "249.8 GB"}, {"Firmware", " SSD 860&nbsp;"}, kSep,
                 {"Name", "WDC WD10EZEX&nbsp;"}, {"Size", "999.9 GB"},
                 // A short identifier: no firmware, not the previous disk's.
                 {"Firmware", "&nbsp;"}, {"Label of Drive C:", "System"}}},
        {"removable", probes::WriteRemovableDrivesSection, R"({"Win32_LogicalDisk": [
           {"DriveType": 2, "Description": "Removable Disk", "DeviceID": "E:"},
           {"DriveType": 3, "Description": "Local Fixed Disk", "DeviceID": "C:"},
           {"DriveType": 2, "Description": "", "DeviceID": "F:"}, {"DriveType": 2, "Description": "Removable Disk"}]})",
         "Removeable Drives",
         {{"Name", "Removable Disk&nbsp;"}, {"DeviceID", "E:&nbsp;"}, kSep, {"Name", "Removable Disk&nbsp;"}}},
        {"cdrom", probes::WriteCdromSection, R"({"Win32_CDROMDrive": [
           {"Caption": "TSSTcorp CDDVDW SH-224DB", "Id": "E:", "DeviceID": "IDE\\CDROM)" + cdVp +
                                                      R"(SB01____\\5&2A0&0&1.0.0"},
           {"Caption": ""}, {"Caption": "Virtual DVD", "Id": "F:"}]})",
         "CDROM", {{"Name", "TSSTcorp CDDVDW SH-224DB&nbsp;"}, {"ID", "E:&nbsp;"}, {"Firmware", "SB01    &nbsp;"},
                   kSep, {"Name", "Virtual DVD&nbsp;"}, {"ID", "F:&nbsp;"}}},
    });
}

TEST(Sections, InputDevicesAndModems) {
    expectCases({
        // Late head, no separators between keyboards.
        {"keyboard", probes::WriteKeyboardSection, R"({"Win32_Keyboard": [
           {"Description": "Standard PS/2 Keyboard", "Layout": "00000407", "PNPDeviceID": "ACPI\\PNP0303\\4&1"},
           {"Description": ""}, {"Description": "HID Keyboard Device", "Layout": ""}]})",
         "Keyboard", {{"Name", "Standard PS/2 Keyboard&nbsp;"}, {"Device Layout", "00000407&nbsp;"},
                      {"PNPDeviceID", "ACPI\\PNP0303\\4&1&nbsp;"}, {"Name", "HID Keyboard Device&nbsp;"}}},
        {"mouse", probes::WriteMouseSection, R"({"Win32_PointingDevice": [
           {"Description": "HID-compliant mouse", "Manufacturer": "Microsoft", "PNPDeviceID": "HID\\VID_046D"},
           {"Description": "", "Manufacturer": "x"}, {"Description": "Synaptics", "Manufacturer": null}]})",
         "Mouse", {{"Name", "HID-compliant mouse&nbsp;"}, {"Manufacturer", "Microsoft&nbsp;"},
                   {"PNPDeviceID", "HID\\VID_046D&nbsp;"}, {"Name", "Synaptics&nbsp;"}}},
        {"modem", probes::WriteModemSection, R"({"Win32_POTSModem": [
           {"Caption": "Ghost", "AttachedTo": "COM9", "PNPDeviceID": null},
           {"Caption": "Agere Soft Modem", "AttachedTo": "COM3", "PNPDeviceID": "PCI\\VEN_11C1"},
           {"Caption": "USB Modem", "PNPDeviceID": "USB\\VID_0572"}]})",
         "Modem", {{"Name", "Agere Soft Modem&nbsp;"}, {"ModemCom", "COM3&nbsp;"}, {"Name", "USB Modem&nbsp;"}}},
    });
}

TEST(Sections, DeviceListsWithDriverLookups) {
    expectCases({
        // The driver version: exact description, first non-empty version; identifiers shortened.
        {"multimedia", probes::WriteMultimediaSection, R"({"Win32_SoundDevice": [
           {"DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0892&SUBSYS_1458A182&REV_1003\\4&2B0&0&0001",
            "Description": "Realtek High Definition Audio", "Manufacturer": "Realtek"},
           {"DeviceID": "", "Description": "skipped"}, {"DeviceID": "ROOT\\SOUND\\0000", "Description": "No Driver"}],
           "Win32_PnPSignedDriver": [{"Description": "Realtek High Definition Audio", "DriverVersion": null},
             {"Description": "realtek high definition audio", "DriverVersion": "0.0"},
             {"Description": "Realtek High Definition Audio", "DriverVersion": "6.0.1.8036"}]})",
         "MultiMedia", {{"Name", "Realtek High Definition Audio&nbsp;"}, {"Driver Version", "6.0.1.8036&nbsp;"},
                        {"Manufacturer", "Realtek&nbsp;"},
                        {"PNPDeviceID", "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0892&SUBSYS_1458A182&REV_1003&nbsp;"}, kSep,
                        {"Name", "No Driver&nbsp;"}, {"PNPDeviceID", "ROOT\\SOUND\\0000&nbsp;"}}},
        {"network", probes::WriteNetworkSection, R"({"Win32_NetworkAdapter": [
           {"Description": "WAN Miniport", "PNPDeviceID": "ROOT\\MS_X"},
           {"Description": "Intel(R) I211 Gigabit", "NetConnectionID": "Ethernet",
            "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1&2", "MACAddress": "00:1B:21:3A:4F:5C"},
           {"Description": "", "NetConnectionID": "Ghost"}, {"Description": "TAP Adapter", "NetConnectionID": "VPN"}],
           "Win32_PnPSignedDriver": [{"Description": "Intel(R) I211 Gigabit", "DriverVersion": "12.15.22.6"}]})",
         "Networkdevices", {{"Description", "Intel(R) I211 Gigabit&nbsp;"}, {"Driver Version", "12.15.22.6&nbsp;"},
                            {"PNPDeviceID", "PCI\\VEN_8086&DEV_1539&REV_03&nbsp;"},
                            {"Mac-Address", "00:1B:21:3A:4F:5C&nbsp;"}, kSep, {"Description", "TAP Adapter&nbsp;"}}},
        // MAC addresses for NET class drivers only, looked up by exact (quoted) name.
        {"pnp", probes::WritePnpDriverSection, R"({"Win32_PnPSignedDriver": [
           {"DeviceClass": "USB", "DeviceID": "USB\\ROOT_HUB30\\4&1"},
           {"DeviceName": "Intel(R) Ethernet Connection", "DeviceClass": "NET", "Location": "PCI bus 0",
            "DriverVersion": "12.18.9.7", "DeviceID": "PCI\\VEN_8086&DEV_15B8&REV_00\\3&1"},
           {"DeviceName": "Intel(R) Ethernet Connection", "DeviceClass": "net", "Location": "PCI bus 1"},
           {"DeviceName": "O'Brien's NIC", "DeviceClass": "NET", "Location": "PCI bus 2"},
           {"DeviceName": "Unknown NIC", "DeviceClass": "NET", "Location": "PCI bus 4"},
           {"DeviceName": "Sound", "DeviceClass": "MEDIA", "Location": "HD Audio"}],
           "Win32_NetworkAdapter": [{"Name": "Intel(R) Ethernet Connection", "MACAddress": "00:1B:21:3A:4F:5C"},
             {"Name": "Intel(R) Ethernet Connection", "MACAddress": "11:11:11:11:11:11"},
             {"Name": "O'Brien's NIC", "MACAddress": "00:00:00:00:00:01"}]})",
         "PNP", {kSep,  // the first driver has no name but counts
                 {"DeviceName", "Intel(R) Ethernet Connection&nbsp;"}, {"DriverVersion", "12.18.9.7&nbsp;"},
                 {"PNPDeviceID", "PCI\\VEN_8086&DEV_15B8&REV_00\\3&1&nbsp;"}, {"MAC Address", "00:1B:21:3A:4F:5C"},
                 kSep, {"DeviceName", "Intel(R) Ethernet Connection&nbsp;"}, kSep,
                 {"DeviceName", "O'Brien's NIC&nbsp;"}, {"MAC Address", "00:00:00:00:00:01"}, kSep,
                 {"DeviceName", "Unknown NIC&nbsp;"}}},
        {"defective", probes::WriteDefectiveHardwareSection, R"({"Win32_PnPEntity": [
           {"Name": "Working", "ConfigManagerErrorCode": 0, "DeviceID": "ACPI\\X"},
           {"Name": "PCI Simple Communications Controller", "ConfigManagerErrorCode": 28,
            "DeviceID": "PCI\\VEN_8086&DEV_A13A&SUBSYS_1&REV_31\\3&11583659&0&B0"},
           {"Name": null, "ConfigManagerErrorCode": 28, "DeviceID": "X"},
           {"Name": "Base System Device", "ConfigManagerErrorCode": 1, "Service": "sdbus",
            "DeviceID": "ROOT\\UNKNOWN\\0000"}]})",
         "not installed hardware",
         {{"Name", "PCI Simple Communications Controller&nbsp;"},
          {"DeviceID", "PCI\\VEN_8086&DEV_A13A&SUBSYS_1&REV_31&nbsp;"}, kSep, {"Name", "Base System Device&nbsp;"},
          {"Service", "sdbus&nbsp;"}, {"DeviceID", "ROOT\\UNKNOWN\\0000&nbsp;"}}},
    });
}

// ---- On board: the IEEE 1394 block always, the others as ticked ----------

const char* const kOnboardMachine = R"({
  "Win32_NetworkAdapter": [
    {"Description": "1394 Net Adapter", "PNPDeviceID": "V1394\\NIC1394\\1&REV_01\\X", "MACAddress": "62-00-11"},
    {"Description": "1394 Net Adapter #2", "PNPDeviceID": "V1394\\NIC1394\\2"},
    {"Description": "", "PNPDeviceID": "PCI\\VEN_8086&DEV_0001&REV_01\\3", "NetConnectionID": "LAN-Verbindung"},
    {"Description": "Intel(R) Ethernet", "PNPDeviceID": "PCI\\VEN_8086&DEV_15B8&REV_00\\3&11583659&0&FE",
     "NetConnectionID": "Local Area Connection", "MACAddress": "00:1B:21:3A:4F:5C"}],
  "Win32_VideoController": [
    {"Description": "NVIDIA GeForce GTX 1060", "PNPDeviceID": "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1"},
    {"Description": "Mirror", "PNPDeviceID": null}, {"PNPDeviceID": "PCI\\VEN_8086&DEV_0412"}],
  "Win32_SoundDevice": [
    {"Caption": "High Definition Audio Device", "Description": "High Definition Audio Device",
     "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1000\\4&2"},
    {"Caption": "USB Audio", "PNPDeviceID": "USB\\VID_0D8C"}, {"Caption": "Speakers", "PNPDeviceID": "X"}],
  "Win32_PnPSignedDriver": [
    {"Description": "1394 Net Adapter", "DriverVersion": "10.0.1"},
    {"Description": "NVIDIA GeForce GTX 1060", "DriverVersion": "27.21.14.5671"},
    {"Description": "High Definition Audio Device", "DriverVersion": "10.0.19041.1"},
    {"Description": "USB Audio", "DriverVersion": "never looked up"}]})";

const Rows k1394Rows{{"Description", "1394 Net Adapter&nbsp;"}, {"Driver Version", "10.0.1&nbsp;"},
                     {"PNPDeviceID", "V1394\\NIC1394\\1&REV_01&nbsp;"}, {"Mac-Address", "62-00-11&nbsp;"}};

TEST(OnboardSection, TickedBlocksWithSeparatorsAcrossThem) {
    PlatformScope scope;
    scope.ui.vga = scope.ui.audio = scope.ui.lan = true;
    Rows rows = k1394Rows;
    rows.insert(rows.end(),
                {kSep, {"Description", "NVIDIA GeForce GTX 1060&nbsp;"}, {"Driver Version", "27.21.14.5671&nbsp;"},
                 {"PNPDeviceID", "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1&nbsp;"},  // not shortened
                 kSep, {"PNPDeviceID", "PCI\\VEN_8086&DEV_0412&nbsp;"}, kSep,
                 {"Description", "High Definition Audio Device&nbsp;"}, {"Driver Version", "10.0.19041.1&nbsp;"},
                 {"PNPDeviceID", "HDAUDIO\\FUNC_01&VEN_10EC&REV_1000&nbsp;"}, kSep,
                 // No Description property: no lookup, no version row.
                 {"Description", "USB Audio&nbsp;"}, {"PNPDeviceID", "USB\\VID_0D8C&nbsp;"}});
    // The first LAN adapter alone counts, and it has no description.
    EXPECT_EQ(run(probes::WriteOnboardSection, kOnboardMachine), section("On Board", rows));

    scope.ui.vga = scope.ui.audio = scope.ui.lan = false;
    EXPECT_EQ(run(probes::WriteOnboardSection, kOnboardMachine), section("On Board", k1394Rows));
}

TEST(OnboardSection, LanAloneAsFirstDeviceHasNoSeparator) {
    PlatformScope scope;  // only LAN ticked
    EXPECT_EQ(run(probes::WriteOnboardSection, R"({"Win32_NetworkAdapter": [
        {"Description": "Realtek PCIe GbE", "PNPDeviceID": "PCI\\VEN_10EC&DEV_8168&REV_15\\01",
         "NetConnectionID": "Ethernet Local"},
        {"Description": "Second", "PNPDeviceID": "PCI\\VEN_2", "NetConnectionID": "LAN 2"}]})"),
              section("On Board", {{"Description", "Realtek PCIe GbE&nbsp;"},
                                   {"PNPDeviceID", "PCI\\VEN_10EC&DEV_8168&REV_15&nbsp;"}}));
}

// ---- Nested markup -------------------------------------------------------

TEST(HotfixSection, TwoUpdatesPerLineTheLastPairFilledWithBlanks) {
    PlatformScope scope;
    const std::string start =
        "<table border='0' cellspacing='3' cellpadding='0'><tr valign='top'><td>"
        "<table border='1' cellspacing='0' cellpadding='0'><tr><td width='290' align='center'>Description</td>"
        "<td width='60' align='center'>Hotfix ID</td><td width='5' borders='0'></td>"
        "<td width='290' align='center'>Description</td><td width='60' align='center'>Hotfix ID</td></tr>";
    const std::string gap = "<td width='5' borders='0'></td>";
    auto fix = [](const std::string& description, const std::string& id) {
        return "<td width='290' valign='top'>&nbsp;" + description + "</td><td width='60' valign='top'>&nbsp;" +
               id + "</td>";
    };
    EXPECT_EQ(run(probes::WriteHotfixSection, R"({"Win32_QuickFixEngineering": [
        {"HotFixID": "File 1", "Description": "never asked for"}, {"HotFixID": "KB1<", "Description": "<i>Security</i>"},
        {"HotFixID": "KB2", "Description": ""}, {"HotFixID": "", "Description": "passed over"}, {"HotFixID": "KB3"}]})"),
              section("Hotfix", {{"&nbsp;", start + "<tr>" + fix("&lt;i&gt;Security&lt;/i&gt;", "KB1&lt;") + gap +
                                                fix("no Entry", "KB2") + "</tr><tr>" + fix("no Entry", "KB3") + gap +
                                                "<td>&nbsp;</td><td>&nbsp;</td></tr></table></tr></table>"}}));
}

TEST(SlotsSection, SlotsInUseOrAvailableSideBySide) {
    PlatformScope scope;
    const std::string labels =
        "<table border='0' cellspacing='3' cellpadding='0'><tr><td>Tag</td></tr><tr><td>Slot Description</td></tr>"
        "<tr><td>Belegung</td></tr></table>";
    auto slot = [](const std::string& tag, const std::string& designation, const std::string& occupancy) {
        return "<td><table border='0 ' cellspacing='3' cellpadding='0'><tr><td>" + tag + "</td></tr><tr><td>" +
               designation + "</td></tr><tr><td>" + occupancy + "</td></tr></table></td>";
    };
    EXPECT_EQ(run(probes::WriteSlotsSection, R"({"Win32_SystemSlot": [
        {"Tag": "System Slot 0", "SlotDesignation": "<PCIEX16_1>", "CurrentUsage": 4},
        {"Tag": "System Slot 1", "SlotDesignation": "PCIEX1_1", "CurrentUsage": 0},
        {"Tag": "", "SlotDesignation": "PCIEX1_2", "CurrentUsage": 3},
        {"Tag": "System Slot 3", "CurrentUsage": 5}, {"Tag": "System Slot 4", "SlotDesignation": "PCI1"}]})"),
              section("Slots", {{labels, "<table border='0' cellspacing='0' cellpadding='0'><tr>" +
                                             slot("System Slot 0", "&lt;PCIEX16_1&gt;", "Ja") + slot("", "PCIEX1_2", "Nein") +
                                             // Usage 5: empty, not the previous slot's "Nein".
                                             slot("System Slot 3", "", "") + "</table>"}}));
    EXPECT_EQ(run(probes::WriteSlotsSection, "{}"),
              section("Slots", {{labels, "<table border='0' cellspacing='0' cellpadding='0'><tr></table>"}}));
}


// ---- Driver signature log ------------------------------------------------

std::string line61(std::string name, const std::string& status) {
    name.resize(60, ' ');
    return name + status;
}

std::vector<std::string> signatures(const std::string& log, bool locked = false) {
    PlatformScope scope;
    scope.files.env["WinDir"] = "C:\\Windows";
    scope.files.add("C:\\Windows\\SIGVERIF.TXT", log).locked = locked;
    Failure left;
    auto lines = runSection(probes::WriteSignatureSection, &left);
    EXPECT_EQ(left.number, 0);  // reported here, never passed on
    return lines;
}

TEST(SignatureSection, IntroductionWithoutHeadingAndUnsignedFiles) {
    const std::string en = line61("oem12.inf", "Not Signed   n/a"), de = line61("tool.sys   ", "Nicht signiert  ");
    EXPECT_EQ(signatures("Microsoft Signature Verification\r\n\r\n*** Scan ***\r\nTotal Files: 412\r\n"
                         "File      Status\r\n----------       ------\r\n" + line61("kernel32.dll", "Signed") + "\r\n" +
                         en + "\r\n" + de + "\r\n" + line61("x", "not signed") + "\r\n"),
              section("Sigverif", {{"", "Microsoft Signature Verification<br>Total Files: 412&nbsp;"},
                                   {"", en + "<br>" + de + "<br>&nbsp;"}}));
}

TEST(SignatureSection, LineRulesOfTheLog) {
    // Without a separator the first thirteen lines form the introduction.
    std::string text, intro;
    for (int i = 1; i <= 16; ++i) {
        const std::string l = i == 14 ? line61("late.sys", "Not Signed") : "line " + std::to_string(i);
        text += l + "\r\n";
        if (i <= 13) intro += l + "<br>";
    }
    EXPECT_EQ(signatures(text),
              section("Sigverif", {{"", intro + "&nbsp;"}, {"", line61("late.sys", "Not Signed") + "<br>&nbsp;"}}));
    // A lone LF does not end a line; a lone CR does.
    EXPECT_EQ(signatures("one\ntwo\rthree\r\nheading\r\n---\r\n"), section("Sigverif", {{"", "one\ntwo<br>three&nbsp;"}}));
    // A separator after a single line: the second cut fails, but the first one stands.
    EXPECT_EQ(signatures("\r\nonly\r\n---\r\n" + line61("a", "Signed") + "\r\n"), section("Sigverif", {{"", "only&nbsp;"}}));
    // Nothing to collect: the cut failure shows.
    EXPECT_EQ(signatures("---\r\n"), section("Sigverif", {{"Error", "Invalid procedure call or argument&nbsp;"}}));
}

TEST(SignatureSection, MissingOrLockedLogs) {
    EXPECT_EQ(signatures("x", true), section("Sigverif", {{"Error", "Bad file name or number&nbsp;"}}));
    {
        PlatformScope scope;  // WinDir unset: "\SIGVERIF.TXT", and without it no section
        EXPECT_TRUE(runSection(probes::WriteSignatureSection).empty());
        scope.files.add("\\SIGVERIF.TXT", "intro\r\nhead\r\n---\r\n");
        EXPECT_EQ(runSection(probes::WriteSignatureSection), section("Sigverif", {{"", "intro&nbsp;"}}));
    }
}

}  // namespace
}  // namespace tq
