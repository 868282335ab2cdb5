// Sections built as nested markup (hotfixes, slots) and the device lists
// with driver lookups (multimedia, on-board, network, PnP drivers, defective
// hardware).
#include <gtest/gtest.h>

#include "probes/probes.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::RepositoryScope;
using testing::runSection;
using testing::section;
const std::pair<std::string, std::string> kSep{"&nbsp;", "&nbsp;"};

// ---- Hotfix --------------------------------------------------------------

const std::string kHotfixStart =
    "<table border='0' cellspacing='3' cellpadding='0'><tr valign='top'><td>"
    "<table border='1' cellspacing='0' cellpadding='0'>"
    "<tr><td width='290' align='center'>Description</td>"
    "<td width='60' align='center'>Hotfix ID</td>"
    "<td width='5' borders='0'></td>"
    "<td width='290' align='center'>Description</td>"
    "<td width='60' align='center'>Hotfix ID</td></tr>";

std::string fixCells(const std::string& description, const std::string& id) {
    return "<td width='290' valign='top'>&nbsp;" + description + "</td><td width='60' valign='top'>&nbsp;" + id +
           "</td>";
}

TEST(HotfixSection, OneUpdateFillsTheSecondPairWithBlankCells) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_QuickFixEngineering": [
        {"HotFixID": "File 1", "Description": "never asked for"},
        {"HotFixID": "KB4023057", "Description": "Update"}]})");
    EXPECT_EQ(runSection(probes::WriteHotfixSection),
              section("Hotfix", {{"&nbsp;", kHotfixStart + "<tr>" + fixCells("Update", "KB4023057") +
                                                "<td width='5' borders='0'></td>" +
                                                "<td>&nbsp;</td><td>&nbsp;</td></tr>" + "</table></tr></table>"}}));
}

TEST(HotfixSection, PairsPerLineAndMissingDescriptions) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_QuickFixEngineering": [
        {"HotFixID": "KB1", "Description": "Security Update"},
        {"HotFixID": "KB2", "Description": ""},
        {"HotFixID": "", "Description": "passed over"},
        {"HotFixID": "KB3"},
        {"HotFixID": "KB4", "Description": "<i>Hotfix</i>"}]})");
    const std::string gap = "<td width='5' borders='0'></td>";
    EXPECT_EQ(runSection(probes::WriteHotfixSection),
              section("Hotfix", {{"&nbsp;", kHotfixStart + "<tr>" + fixCells("Security Update", "KB1") + gap +
                                                fixCells("no Entry", "KB2") + "</tr>" + "<tr>" +
                                                fixCells("no Entry", "KB3") + gap + fixCells("<i>Hotfix</i>", "KB4") +
                                                "</tr>" + "</table></tr></table>"}}));
}

TEST(HotfixSection, NothingWithoutUpdatesAndFailureRowWhenUnbound) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_QuickFixEngineering": [{"HotFixID": "File 1"}]})");
        EXPECT_TRUE(runSection(probes::WriteHotfixSection).empty());
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteHotfixSection), section("Hotfix", {{"Error", "Object required&nbsp;"}}));
    }
}

// ---- Slots ---------------------------------------------------------------

const std::string kSlotLabels =
    "<table border='0' cellspacing='3' cellpadding='0'><tr><td>Tag</td></tr><tr><td>Slot Description</td></tr>"
    "<tr><td>Belegung</td></tr></table>";
const std::string kSlotsStart = "<table border='0' cellspacing='0' cellpadding='0'><tr>";

std::string slotCell(const std::string& tag, const std::string& designation, const std::string& occupancy) {
    return "<td><table border='0 ' cellspacing='3' cellpadding='0'><tr><td>" + tag + "</td></tr><tr><td>" +
           designation + "</td></tr><tr><td>" + occupancy + "</td></tr></table></td>";
}

TEST(SlotsSection, SlotsSideBySideWithOccupancy) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_SystemSlot": [
        {"Tag": "System Slot 0", "SlotDesignation": "PCIEX16_1", "CurrentUsage": 4},
        {"Tag": "System Slot 1", "SlotDesignation": "PCIEX1_1", "CurrentUsage": 0},
        {"Tag": "", "SlotDesignation": "PCIEX1_2", "CurrentUsage": 3},
        {"Tag": "System Slot 3", "CurrentUsage": 5},
        {"Tag": "System Slot 4", "SlotDesignation": "PCI1"}]})");
    EXPECT_EQ(runSection(probes::WriteSlotsSection),
              section("Slots", {{kSlotLabels, kSlotsStart + slotCell("System Slot 0", "PCIEX16_1", "Ja") +
                                                  slotCell("", "PCIEX1_2", "Nein") +
                                                  // Usage 5: empty, not the previous slot's "Nein".
                                                  slotCell("System Slot 3", "", "") + "</table>"}}));
}

TEST(SlotsSection, EmptyMarkupWithoutSlotsAndErrorRowWhenUnbound) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_SystemSlot": []})");
        EXPECT_EQ(runSection(probes::WriteSlotsSection), section("Slots", {{kSlotLabels, kSlotsStart + "</table>"}}));
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteSlotsSection), section("Slots", {{"Error", "Object required&nbsp;"}}));
    }
}

// ---- Multimedia ----------------------------------------------------------

TEST(MultimediaSection, DevicesWithDriverVersionAndShortenedIds) {
    PlatformScope scope;
    RepositoryScope repo(R"({
      "Win32_SoundDevice": [
        {"DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0892&SUBSYS_1458A182&REV_1003\\4&2B0&0&0001",
         "Description": "Realtek High Definition Audio", "Manufacturer": "Realtek"},
        {"DeviceID": "", "Description": "skipped"},
        {"DeviceID": "ROOT\\SOUND\\0000", "Description": "No Driver"}],
      "Win32_PnPSignedDriver": [
        {"Description": "Realtek High Definition Audio", "DriverVersion": null},
        {"Description": "realtek high definition audio", "DriverVersion": "0.0"},
        {"Description": "Realtek High Definition Audio", "DriverVersion": "6.0.1.8036"}]})");
    EXPECT_EQ(runSection(probes::WriteMultimediaSection),
              section("MultiMedia",
                      {{"Name", "Realtek High Definition Audio&nbsp;"},
                       {"Driver Version", "6.0.1.8036&nbsp;"},
                       {"Manufacturer", "Realtek&nbsp;"},
                       {"PNPDeviceID", "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0892&SUBSYS_1458A182&REV_1003&nbsp;"},
                       kSep,
                       {"Name", "No Driver&nbsp;"},
                       {"PNPDeviceID", "ROOT\\SOUND\\0000&nbsp;"}}));
}

TEST(MultimediaSection, NoDevicesNoSectionUnboundHeadAndError) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_SoundDevice": []})");
        EXPECT_TRUE(runSection(probes::WriteMultimediaSection).empty());
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteMultimediaSection),
                  section("MultiMedia", {{"Error", "Object required&nbsp;"}}));
    }
}

// ---- On board ------------------------------------------------------------

const char* const kOnboardMachine = R"({
  "Win32_NetworkAdapter": [
    {"Description": "1394 Net Adapter", "PNPDeviceID": "V1394\\NIC1394\\1&REV_01\\X", "MACAddress": "62-00-11"},
    {"Description": "1394 Net Adapter #2", "PNPDeviceID": "V1394\\NIC1394\\2"},
    {"Description": "", "PNPDeviceID": "PCI\\VEN_8086&DEV_0001&REV_01\\3", "NetConnectionID": "LAN-Verbindung"},
    {"Description": "Intel(R) Ethernet", "PNPDeviceID": "PCI\\VEN_8086&DEV_15B8&REV_00\\3&11583659&0&FE",
     "NetConnectionID": "Local Area Connection", "MACAddress": "00:1B:21:3A:4F:5C"}],
  "Win32_VideoController": [
    {"Description": "NVIDIA GeForce GTX 1060", "PNPDeviceID": "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1"},
    {"Description": "Mirror", "PNPDeviceID": null},
    {"PNPDeviceID": "PCI\\VEN_8086&DEV_0412"}],
  "Win32_SoundDevice": [
    {"Caption": "High Definition Audio Device", "Description": "High Definition Audio Device",
     "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1000\\4&2"},
    {"Caption": "USB Audio", "PNPDeviceID": "USB\\VID_0D8C"},
    {"Caption": "Speakers", "PNPDeviceID": "X"}],
  "Win32_PnPSignedDriver": [
    {"Description": "1394 Net Adapter", "DriverVersion": "10.0.1"},
    {"Description": "NVIDIA GeForce GTX 1060", "DriverVersion": "27.21.14.5671"},
    {"Description": "High Definition Audio Device", "DriverVersion": "10.0.19041.1"},
    {"Description": "USB Audio", "DriverVersion": "never looked up"}]})";

TEST(OnboardSection, AllBlocksTickedWithSeparatorsAcrossBlocks) {
    PlatformScope scope;
    scope.ui.vga = scope.ui.audio = scope.ui.lan = true;
    RepositoryScope repo(kOnboardMachine);
    EXPECT_EQ(runSection(probes::WriteOnboardSection),
              section("On Board", {{"Description", "1394 Net Adapter&nbsp;"},
                                   {"Driver Version", "10.0.1&nbsp;"},
                                   {"PNPDeviceID", "V1394\\NIC1394\\1&REV_01&nbsp;"},
                                   {"Mac-Address", "62-00-11&nbsp;"},
                                   kSep,
                                   {"Description", "NVIDIA GeForce GTX 1060&nbsp;"},
                                   {"Driver Version", "27.21.14.5671&nbsp;"},
                                   {"PNPDeviceID", "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1&nbsp;"},  // not shortened
                                   kSep,
                                   {"PNPDeviceID", "PCI\\VEN_8086&DEV_0412&nbsp;"},
                                   kSep,
                                   {"Description", "High Definition Audio Device&nbsp;"},
                                   {"Driver Version", "10.0.19041.1&nbsp;"},
                                   {"PNPDeviceID", "HDAUDIO\\FUNC_01&VEN_10EC&REV_1000&nbsp;"},
                                   kSep,
                                   // No Description property: no lookup, no version row.
                                   {"Description", "USB Audio&nbsp;"},
                                   {"PNPDeviceID", "USB\\VID_0D8C&nbsp;"}}));
}

TEST(OnboardSection, FirstLanAdapterOnlyAndNothingWhenItHasNoDescription) {
    PlatformScope scope;  // only LAN ticked
    RepositoryScope repo(R"({"Win32_NetworkAdapter": [
        {"Description": "", "PNPDeviceID": "PCI\\VEN_1", "NetConnectionID": "LAN"},
        {"Description": "Later", "PNPDeviceID": "PCI\\VEN_2", "NetConnectionID": "LAN 2"}],
        "Win32_PnPSignedDriver": []})");
    EXPECT_EQ(runSection(probes::WriteOnboardSection), section("On Board", {}));
}

TEST(OnboardSection, LanAloneAsFirstDeviceHasNoSeparator) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_NetworkAdapter": [
        {"Description": "Realtek PCIe GbE", "PNPDeviceID": "PCI\\VEN_10EC&DEV_8168&REV_15\\01",
         "NetConnectionID": "Ethernet Local"},
        {"Description": "Second", "PNPDeviceID": "PCI\\VEN_2", "NetConnectionID": "LAN 2"}],
        "Win32_PnPSignedDriver": []})");
    EXPECT_EQ(runSection(probes::WriteOnboardSection),
              section("On Board", {{"Description", "Realtek PCIe GbE&nbsp;"},
                                   {"PNPDeviceID", "PCI\\VEN_10EC&DEV_8168&REV_15&nbsp;"}}));
}

TEST(OnboardSection, NothingTickedAndUnbound) {
    {
        PlatformScope scope;
        scope.ui.lan = false;
        RepositoryScope repo(kOnboardMachine);
        // The IEEE 1394 block is always there.
        EXPECT_EQ(runSection(probes::WriteOnboardSection).size(), 2u + 4u + 1u);
    }
    {
        PlatformScope scope;
        scope.ui.vga = scope.ui.audio = true;
        EXPECT_EQ(runSection(probes::WriteOnboardSection), section("On Board", {{"Error", "Object required&nbsp;"}}));
    }
}

// ---- Network -------------------------------------------------------------

TEST(NetworkSection, AdaptersWithConnectionNames) {
    PlatformScope scope;
    RepositoryScope repo(R"({
      "Win32_NetworkAdapter": [
        {"Description": "WAN Miniport", "PNPDeviceID": "ROOT\\MS_X"},
        {"Description": "Intel(R) I211 Gigabit", "NetConnectionID": "Ethernet",
         "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1&2", "MACAddress": "00:1B:21:3A:4F:5C"},
        {"Description": "", "NetConnectionID": "Ghost"},
        {"Description": "TAP Adapter", "NetConnectionID": "VPN"}],
      "Win32_PnPSignedDriver": [{"Description": "Intel(R) I211 Gigabit", "DriverVersion": "12.15.22.6"}]})");
    EXPECT_EQ(runSection(probes::WriteNetworkSection),
              section("Networkdevices", {{"Description", "Intel(R) I211 Gigabit&nbsp;"},
                                         {"Driver Version", "12.15.22.6&nbsp;"},
                                         {"PNPDeviceID", "PCI\\VEN_8086&DEV_1539&REV_03&nbsp;"},
                                         {"Mac-Address", "00:1B:21:3A:4F:5C&nbsp;"},
                                         kSep,
                                         {"Description", "TAP Adapter&nbsp;"}}));
}

TEST(NetworkSection, NotPresentRowAloneOrWithTheFailure) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_NetworkAdapter": [{"Description": "", "NetConnectionID": "x"}]})");
        EXPECT_EQ(runSection(probes::WriteNetworkSection),
                  section("Networkdevices", {{"&nbsp;", "Networkdevices not present."}}));
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteNetworkSection),
                  section("Networkdevices",
                          {{"&nbsp;", "Networkdevices not present."}, {"Error", "Object required&nbsp;"}}));
    }
}

// ---- PnP drivers and the MAC lookup --------------------------------------

TEST(PnpSection, DriversWithMacForNetworkClassOnly) {
    PlatformScope scope;
    RepositoryScope repo(R"({
      "Win32_PnPSignedDriver": [
        {"DeviceClass": "USB", "DeviceID": "USB\\ROOT_HUB30\\4&1"},
        {"DeviceName": "Intel(R) Ethernet Connection", "DeviceClass": "NET", "Location": "PCI bus 0",
         "DriverVersion": "12.18.9.7", "DeviceID": "PCI\\VEN_8086&DEV_15B8&REV_00\\3&1"},
        {"DeviceName": "Intel(R) Ethernet Connection", "DeviceClass": "net", "Location": "PCI bus 1"},
        {"DeviceName": "O'Brien's NIC", "DeviceClass": "NET", "Location": "PCI bus 2"},
        {"DeviceName": "Back\\slash NIC", "DeviceClass": "NET", "Location": "PCI bus 3"},
        {"DeviceName": "Unknown NIC", "DeviceClass": "NET", "Location": "PCI bus 4"},
        {"DeviceName": "Sound", "DeviceClass": "MEDIA", "Location": "HD Audio"}],
      "Win32_NetworkAdapter": [
        {"Name": "Intel(R) Ethernet Connection", "MACAddress": "00:1B:21:3A:4F:5C"},
        {"Name": "Intel(R) Ethernet Connection", "MACAddress": "11:11:11:11:11:11"},
        {"Name": "O'Brien's NIC", "MACAddress": "00:00:00:00:00:01"},
        {"Name": "Back\\slash NIC", "MACAddress": "00:00:00:00:00:02"}]})");
    EXPECT_EQ(runSection(probes::WritePnpDriverSection),
              section("PNP", {kSep,  // the first driver has no name but counts
                              {"DeviceName", "Intel(R) Ethernet Connection&nbsp;"},
                              {"DriverVersion", "12.18.9.7&nbsp;"},
                              {"PNPDeviceID", "PCI\\VEN_8086&DEV_15B8&REV_00\\3&1&nbsp;"},
                              {"MAC Address", "00:1B:21:3A:4F:5C"},
                              kSep,
                              {"DeviceName", "Intel(R) Ethernet Connection&nbsp;"},
                              kSep,
                              {"DeviceName", "O'Brien's NIC&nbsp;"},
                              {"MAC Address", "00:00:00:00:00:01"},
                              kSep,
                              {"DeviceName", "Back\\slash NIC&nbsp;"},
                              {"MAC Address", "00:00:00:00:00:02"},
                              kSep,
                              {"DeviceName", "Unknown NIC&nbsp;"}}));
}

TEST(PnpSection, MacLookupQuotesNamesAndLeavesNoFailure) {
    EXPECT_EQ(probes::WqlString("a'b\\c"), "'a\\'b\\\\c'");
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_NetworkAdapter": [{"Name": "x", "MACAddress": "m"}]})");
    // A name that would end the literal early finds nothing and changes nothing.
    EXPECT_EQ(probes::GetMacAddress("' OR Name <> '"), "");
    EXPECT_EQ(probes::GetMacAddress("x"), "m");
    EXPECT_EQ(trap::pending().number, 0);
}

TEST(PnpSection, UnboundGivesHeadAndError) {
    PlatformScope scope;
    EXPECT_EQ(runSection(probes::WritePnpDriverSection), section("PNP", {{"Error", "Object required&nbsp;"}}));
}

// ---- Defective hardware --------------------------------------------------

TEST(DefectiveHardwareSection, DevicesWithErrorCodes) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_PnPEntity": [
        {"Name": "Working", "ConfigManagerErrorCode": 0, "DeviceID": "ACPI\\X"},
        {"Name": "PCI Simple Communications Controller", "ConfigManagerErrorCode": 28,
         "DeviceID": "PCI\\VEN_8086&DEV_A13A&SUBSYS_1&REV_31\\3&11583659&0&B0"},
        {"Name": null, "ConfigManagerErrorCode": 28, "DeviceID": "X"},
        {"Name": "Base System Device", "ConfigManagerErrorCode": 1, "Service": "sdbus",
         "DeviceID": "ROOT\\UNKNOWN\\0000"}]})");
    EXPECT_EQ(runSection(probes::WriteDefectiveHardwareSection),
              section("not installed hardware",
                      {{"Name", "PCI Simple Communications Controller&nbsp;"},
                       {"DeviceID", "PCI\\VEN_8086&DEV_A13A&SUBSYS_1&REV_31&nbsp;"},
                       kSep,
                       {"Name", "Base System Device&nbsp;"},
                       {"Service", "sdbus&nbsp;"},
                       {"DeviceID", "ROOT\\UNKNOWN\\0000&nbsp;"}}));
}

TEST(DefectiveHardwareSection, NoSectionWhenEveryDeviceWorks) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_PnPEntity": [{"Name": "Working", "ConfigManagerErrorCode": 0}]})");
    EXPECT_TRUE(runSection(probes::WriteDefectiveHardwareSection).empty());
}

}  // namespace
}  // namespace tq
