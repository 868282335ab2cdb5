// Processor, drive, memory, keyboard, mouse and modem sections.
#include <gtest/gtest.h>

#include "probes/probes.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::RepositoryScope;
using testing::rowLine;
using testing::runSection;
using testing::section;
using Rows = std::vector<std::pair<std::string, std::string>>;
const std::pair<std::string, std::string> kSep{"&nbsp;", "&nbsp;"};

// ---- Processor -----------------------------------------------------------

TEST(CpuSection, FirstProcessorOnlyWithStrippedNameAndDriverId) {
    PlatformScope scope;
    RepositoryScope repo(R"({
      "Win32_Processor": [
        {"DeviceID": "CPU1", "Name": "Other", "MaxClockSpeed": 1},
        {"DeviceID": "CPU0", "Name": "   Intel(R) Core(TM) i5  ", "MaxClockSpeed": 3400,
         "Description": "Intel64 Family 6", "L2CacheSize": 1024}],
      "Win32_PnPSignedDriver": [
        {"DeviceClass": "PROCESSOR", "HardWareID": "ACPI\\GenuineIntel"},
        {"DeviceClass": "PROCESSOR", "HardWareID": "second"}]})");
    EXPECT_EQ(runSection(probes::WriteCpuSection),
              section("CPU", {{"Name", "Intel(R) Core(TM) i5  &nbsp;"},
                              {"MaxClockSpeed", "3400&nbsp;"},
                              {"Device Type", "Intel64 Family 6&nbsp;"},
                              {"L2CacheSize", "1024&nbsp;"},
                              {"HardWareID", "ACPI\\GenuineIntel&nbsp;"}}));
}

TEST(CpuSection, NameRowAlwaysWrittenAndConditionalRowsSkipped) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Processor": [{"DeviceID": "CPU0", "Name": "    "}],
                            "Win32_PnPSignedDriver": [{"DeviceClass": "PROCESSOR"}, {"DeviceClass": "PROCESSOR", "HardWareID": "x"}]})");
    // All-blank name gives "&nbsp;"; the first driver has no ID and ends the look.
    EXPECT_EQ(runSection(probes::WriteCpuSection), section("CPU", {{"Name", "&nbsp;"}}));
}

TEST(CpuSection, LateHeadForDriverAloneOrNothing) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_Processor": [{"DeviceID": "cpu0", "Name": "lower case"}],
                                "Win32_PnPSignedDriver": [{"DeviceClass": "PROCESSOR", "HardWareID": "ID"}]})");
        EXPECT_EQ(runSection(probes::WriteCpuSection), section("CPU", {{"HardWareID", "ID&nbsp;"}}));
    }
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_Processor": [], "Win32_PnPSignedDriver": []})");
        EXPECT_TRUE(runSection(probes::WriteCpuSection).empty());
    }
    {
        PlatformScope scope;  // unbound: head and failure row
        EXPECT_EQ(runSection(probes::WriteCpuSection), section("CPU", {{"Error", "Object required&nbsp;"}}));
    }
}

// ---- Drives --------------------------------------------------------------

TEST(DriveHelpers, FirmwareCutFromIdentifier) {
    using probes::FirmwareFromId;
    std::string vp = "Ven_HL-DT-ST&Prod_DVDRAM_GH24NSB0";
    vp.resize(40, '_');
    // IDE\CDROM + 40-character field + "1.00____" + "\" + instance.
    EXPECT_EQ(FirmwareFromId(Value::text("IDE\\CDROM" + vp + "1.00____\\5&1234&0&1.0.0")), "1.00    ");
    // No "\" after the 20th character: all of the rest, "_" as blanks.
    EXPECT_EQ(FirmwareFromId(Value::text("12345678901234567890AB_CD")), "AB CD");
    // A "\" at position 8 of the rest or earlier keeps the whole rest.
    EXPECT_EQ(FirmwareFromId(Value::text("12345678901234567890ABCDEFG\\x")), "ABCDEFG\\x");
    EXPECT_EQ(FirmwareFromId(Value::text("12345678901234567890")), "");
    EXPECT_THROW(FirmwareFromId(Value::text("SHORT\\ID")), Error);
    EXPECT_THROW(FirmwareFromId(Value()), Error);
}

TEST(DriveHelpers, DiskSizeInGigabytesRoundedToOneDecimal) {
    PlatformScope scope;
    using probes::DiskSizeGb;
    EXPECT_EQ(DiskSizeGb(Value::text("250059350016")), "249.8 GB");
    EXPECT_EQ(DiskSizeGb(Value::text("80026361856")), "79.7 GB");
    EXPECT_EQ(DiskSizeGb(Value::text("1000204886016")), "999.9 GB");
    EXPECT_EQ(DiskSizeGb(Value::text("2300000000")), "2 GB");  // whole: no separator
    EXPECT_THROW(DiskSizeGb(Value()), Error);
}

TEST(HddSection, DisksWithSeparatorFirmwareAndVolumeLabel) {
    PlatformScope scope;
    RepositoryScope repo(R"({
      "Win32_DiskDrive": [
        {"Model": "Samsung SSD 860", "Size": "250059350016",
         "PNPDeviceID": "SCSI\\DISK&VEN_&PROD_SAMSUNG_SSD_860\\4&2&0&000000"},
        {"Model": "small", "Size": "2036385280", "PNPDeviceID": "x"},
        {"Model": "WDC WD10EZEX", "Size": "1000204886016", "PNPDeviceID": "short"}],
      "Win32_LogicalDisk": [{"DeviceID": "D:", "VolumeName": "Data"}, {"DeviceID": "C:", "VolumeName": "System"}]})");
    EXPECT_EQ(runSection(probes::WriteHddSection),
              section("HDD", {{"Name", "Samsung SSD 860&nbsp;"},
                              {"Size", "249.8 GB"},
                              {"Firmware", " SSD 860&nbsp;"},
                              kSep,
                              {"Name", "WDC WD10EZEX&nbsp;"},
                              {"Size", "999.9 GB"},
                              // A short identifier: no firmware, not the previous disk's.
                              {"Firmware", "&nbsp;"},
                              {"Label of Drive C:", "System"}}));
}

TEST(HddSection, TitleAloneWithoutDisksOrLabel) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_DiskDrive": [{"Model": "m", "Size": "2036385280"}],
                            "Win32_LogicalDisk": [{"DeviceID": "C:", "VolumeName": null}]})");
    EXPECT_EQ(runSection(probes::WriteHddSection), section("HDD", {}));
}

TEST(RemovableDrivesSection, DrivesWithSeparatorAndOptionalDeviceId) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_LogicalDisk": [
        {"DriveType": 2, "Description": "Removable Disk", "DeviceID": "E:"},
        {"DriveType": 3, "Description": "Local Fixed Disk", "DeviceID": "C:"},
        {"DriveType": 2, "Description": "", "DeviceID": "F:"},
        {"DriveType": 2, "Description": "Removable Disk"}]})");
    EXPECT_EQ(runSection(probes::WriteRemovableDrivesSection),
              section("Removeable Drives",
                      {{"Name", "Removable Disk&nbsp;"}, {"DeviceID", "E:&nbsp;"}, kSep, {"Name", "Removable Disk&nbsp;"}}));
}

TEST(RemovableDrivesSection, NoneOrFailureTitledFdd) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_LogicalDisk": []})");
        EXPECT_TRUE(runSection(probes::WriteRemovableDrivesSection).empty());
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteRemovableDrivesSection),
                  section("FDD", {{"Error", "Object required&nbsp;"}}));
        EXPECT_TRUE(scope.ui.messages.empty());  // no message without a head
    }
}

TEST(CdromSection, TwoDrivesWithFirmwareFromDeviceId) {
    PlatformScope scope;
    std::string vp = "Ven_TSSTcorp&Prod_CDDVDW_SH-224DB";
    vp.resize(40, '_');
    const std::string id = "IDE\\\\CDROM" + vp + "SB01____\\\\5&2A0&0&1.0.0";
    RepositoryScope repo(R"({"Win32_CDROMDrive": [
        {"Caption": "TSSTcorp CDDVDW SH-224DB", "Id": "E:", "DeviceID": ")" + id + R"("},
        {"Caption": ""},
        {"Caption": "Virtual DVD", "Id": "F:"}]})");
    EXPECT_EQ(runSection(probes::WriteCdromSection),
              section("CDROM", {{"Name", "TSSTcorp CDDVDW SH-224DB&nbsp;"},
                                {"ID", "E:&nbsp;"},
                                {"Firmware", "SB01    &nbsp;"},
                                kSep,
                                {"Name", "Virtual DVD&nbsp;"},
                                {"ID", "F:&nbsp;"}}));
}

// ---- Memory --------------------------------------------------------------

TEST(MemoryHelpers, TypeNamesAndMegabytesHalfToEven) {
    EXPECT_EQ(probes::MemoryTypeName(0), "Unknown ");
    EXPECT_EQ(probes::MemoryTypeName(17), "SDRAM ");
    EXPECT_EQ(probes::MemoryTypeName(20), "DDR ");
    EXPECT_EQ(probes::MemoryTypeName(21), "**Unknown**");
    EXPECT_EQ(probes::MemoryTypeName(-1), "**Unknown**");
    EXPECT_EQ(probes::CapacityMb(Value::text("1073741824")), 1024);
    EXPECT_EQ(probes::CapacityMb(Value::text("1572864")), 2);  // 1.5 MiB
    EXPECT_EQ(probes::CapacityMb(Value::text("2621440")), 2);  // 2.5 MiB
    EXPECT_EQ(probes::CapacityMb(Value::text("3670016")), 4);  // 3.5 MiB
    EXPECT_THROW(probes::CapacityMb(Value::text("4503599627370496")), Error);
}

TEST(MemorySection, ModulesWithSeparatorSpeedAndCapacityRules) {
    PlatformScope scope;
    RepositoryScope repo(R"({"CIM_PhysicalMemory": [
        {"MemoryType": 17, "Capacity": "1073741824", "Speed": 667, "DeviceLocator": "DIMM 1"},
        {"MemoryType": null, "Capacity": "1073741824"},
        {"MemoryType": 25, "Capacity": "0", "Speed": 0, "DeviceLocator": ""},
        {"MemoryType": 0}]})");
    EXPECT_EQ(runSection(probes::WriteMemorySection),
              section("Memory", {{"MemoryType", "SDRAM &nbsp;"},
                                 {"Capacity", "1024 MB"},
                                 {"Speed", "667&nbsp;"},
                                 {"Slot", "DIMM 1&nbsp;"},
                                 kSep,
                                 {"MemoryType", "**Unknown**&nbsp;"},
                                 {"Speed", "unknown"},
                                 kSep,
                                 {"MemoryType", "Unknown &nbsp;"},
                                 {"Speed", "unknown"}}));
}

TEST(MemorySection, TitleAloneWithoutModulesAndErrorWhenUnbound) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"CIM_PhysicalMemory": []})");
        EXPECT_EQ(runSection(probes::WriteMemorySection), section("Memory", {}));
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteMemorySection), section("Memory", {{"Error", "Object required&nbsp;"}}));
    }
}

// ---- Keyboard, mouse, modem ----------------------------------------------

TEST(KeyboardSection, BlocksWithoutSeparatorAndMessageOnlyWithHead) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Keyboard": [
        {"Description": "Standard PS/2 Keyboard", "Layout": "00000407", "PNPDeviceID": "ACPI\\PNP0303\\4&1"},
        {"Description": ""},
        {"Description": "HID Keyboard Device", "Layout": ""}]})");
    EXPECT_EQ(runSection(probes::WriteKeyboardSection),
              section("Keyboard", {{"Name", "Standard PS/2 Keyboard&nbsp;"},
                                   {"Device Layout", "00000407&nbsp;"},
                                   {"PNPDeviceID", "ACPI\\PNP0303\\4&1&nbsp;"},
                                   {"Name", "HID Keyboard Device&nbsp;"}}));
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(MouseSection, EarlyHeadEvenWhenEveryDeviceIsPassedOver) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_PointingDevice": [{"Description": "", "Manufacturer": "x"}]})");
    EXPECT_EQ(runSection(probes::WriteMouseSection), section("Mouse", {}));
}

TEST(MouseSection, RowsForEachDevice) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_PointingDevice": [
        {"Description": "HID-compliant mouse", "Manufacturer": "Microsoft", "PNPDeviceID": "HID\\VID_046D"},
        {"Description": "Synaptics", "Manufacturer": null}]})");
    EXPECT_EQ(runSection(probes::WriteMouseSection),
              section("Mouse", {{"Name", "HID-compliant mouse&nbsp;"},
                                {"Manufacturer", "Microsoft&nbsp;"},
                                {"PNPDeviceID", "HID\\VID_046D&nbsp;"},
                                {"Name", "Synaptics&nbsp;"}}));
}

TEST(ModemSection, OnlyModemsWithPnpIdAndOptionalPort) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_POTSModem": [
        {"Caption": "Ghost", "AttachedTo": "COM9", "PNPDeviceID": null},
        {"Caption": "Agere Soft Modem", "AttachedTo": "COM3", "PNPDeviceID": "PCI\\VEN_11C1"},
        {"Caption": "USB Modem", "PNPDeviceID": "USB\\VID_0572"}]})");
    EXPECT_EQ(runSection(probes::WriteModemSection),
              section("Modem", {{"Name", "Agere Soft Modem&nbsp;"}, {"ModemCom", "COM3&nbsp;"}, {"Name", "USB Modem&nbsp;"}}));
}

TEST(ModemSection, NoModemNoSectionFailureWithoutMessage) {
    {
        PlatformScope scope;
        RepositoryScope repo(R"({"Win32_POTSModem": [{"Caption": "Ghost"}]})");
        EXPECT_TRUE(runSection(probes::WriteModemSection).empty());
    }
    {
        PlatformScope scope;
        EXPECT_EQ(runSection(probes::WriteModemSection), section("Modem", {{"Error", "Object required&nbsp;"}}));
        EXPECT_TRUE(scope.ui.messages.empty());
    }
}

}  // namespace
}  // namespace tq
