// Every SMBIOS field the provider reads, on a table made here with a value
// of its own in each field (its offsets written out, not taken from the
// provider; dmidecode decodes these bytes as the comments say) and on real
// machines' tables, whose expected values are those dmidecode decodes from
// them. Then the parser on hand-made broken tables.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/smbios.h"
#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;
namespace sm = smbios;

// The shared firmware dumps: TQ_SHARED_TESTDATA, else beside the checkout.
std::string sharedTables() {
    const char* dir = std::getenv("TQ_SHARED_TESTDATA");
    return std::string(dir && *dir ? dir : TQ_SHARED_TESTDATA) + "/smbios/";
}

// A structure `length` bytes long with the fields {offset, width, value}
// (little-endian), the rest zero.
std::string smb(std::uint8_t type, std::uint16_t handle, std::size_t length,
                std::initializer_list<std::array<std::uint64_t, 3>> fields, const std::vector<std::string>& strings) {
    std::string body(length - 4, '\0');
    for (const auto& [offset, width, value] : fields)
        for (std::uint64_t i = 0; i < width; ++i) body.at(offset - 4 + i) = static_cast<char>(value >> (8 * i));
    return structure(type, handle, body, strings);
}

std::string madeTable() {
    std::string t;
    // BIOS: Vendor, BIOS Version, Release Date; System BIOS 5.26; EC firmware 1.12.
    // clang-format off
    t += smb(0, 0x0000, 0x18, {{0x04, 1, 1}, {0x05, 1, 2}, {0x06, 2, 0xF000}, {0x08, 1, 3}, {0x14, 1, 5},
                               {0x15, 1, 26}, {0x16, 1, 1}, {0x17, 1, 12}}, {"Firmware Maker", "FW 7.1", "05/19/21"});
    // System: Manufacturer .. Serial Number, UUID 00 01 .. 0F, SKU Number, Family.
    t += smb(1, 0x0100, 0x1B, {{0x04, 1, 1}, {0x05, 1, 2}, {0x06, 1, 3}, {0x07, 1, 4}, {0x08, 8, 0x0706050403020100},
                               {0x10, 8, 0x0F0E0D0C0B0A0908}, {0x18, 1, 6}, {0x19, 1, 5}, {0x1A, 1, 6}},
             {"System Maker", "System Model", "Rev B", "SYS-SN", "SKU-42", "Family-X"});
    // Baseboard: hosting board, removable, hot swappable, not replaceable.
    t += smb(2, 0x0200, 0x0F, {{0x04, 1, 1}, {0x05, 1, 2}, {0x06, 1, 3}, {0x07, 1, 4}, {0x08, 1, 5}, {0x09, 1, 0x15},
                               {0x0B, 2, 0x0300}, {0x0D, 1, 0x0A}}, {"Board Maker", "Board B1", "Board Rev", "BOARD-SN", "Tag"});
    // Chassis: a notebook (0Ah) with a lock.
    t += smb(3, 0x0300, 0x15, {{0x04, 1, 1}, {0x05, 1, 0x8A}, {0x06, 1, 2}, {0x07, 1, 3}, {0x08, 1, 4}, {0x09, 1, 3},
                               {0x0A, 1, 3}, {0x0B, 1, 3}, {0x0C, 1, 3}, {0x12, 1, 1}}, {"Case Maker", "Case Rev", "CASE-SN", "CASE-TAG"});
    // Caches: L2 1 MB in its word (64 KB units), L3 16 MB only in Installed Cache Size 2.
    t += smb(7, 0x0701, 0x1B, {{0x04, 1, 1}, {0x05, 2, 0x0181}, {0x07, 2, 0x8010}, {0x09, 2, 0x8010},
                               {0x13, 4, 0x80000010}, {0x17, 4, 0x80000010}}, {"L2"});
    t += smb(7, 0x0702, 0x1B, {{0x04, 1, 1}, {0x05, 2, 0x0182}, {0x07, 2, 0xFFFF}, {0x09, 2, 0xFFFF},
                               {0x13, 4, 0x80000100}, {0x17, 4, 0x80000100}}, {"L3"});
    // Processors: Core i7 (C6h) at 3000 MHz of 4700, 8 cores, 16 threads; one whose
    // family (6Bh) and counts (300, 600) are only in the second fields.
    t += smb(4, 0x0400, 0x30, {{0x04, 1, 1}, {0x05, 1, 3}, {0x06, 1, 0xC6}, {0x07, 1, 2}, {0x08, 4, 0x000906EA},
                               {0x0C, 4, 0xBFEBFBFF}, {0x10, 1, 3}, {0x11, 1, 0x8C}, {0x12, 2, 100}, {0x14, 2, 4700},
                               {0x16, 2, 3000}, {0x18, 1, 0x41}, {0x19, 1, 0x2C}, {0x1A, 2, 0xFFFF}, {0x1C, 2, 0x0701},
                               {0x1E, 2, 0x0702}, {0x23, 1, 8}, {0x24, 1, 8}, {0x25, 1, 16}, {0x28, 2, 0xC6},
                               {0x2A, 2, 8}, {0x2C, 2, 8}, {0x2E, 2, 16}}, {"CPU0", "Intel(R) Corporation", "Test CPU"});
    t += smb(4, 0x0401, 0x30, {{0x04, 1, 1}, {0x05, 1, 3}, {0x06, 1, 0xFE}, {0x07, 1, 2}, {0x08, 4, 0x00A20F10},
                               {0x0C, 4, 0x178BFBFF}, {0x16, 2, 2500}, {0x18, 1, 0x41}, {0x19, 1, 0x06},
                               {0x1A, 2, 0xFFFF}, {0x1C, 2, 0xFFFF}, {0x1E, 2, 0xFFFF}, {0x23, 1, 0xFF}, {0x24, 1, 0xFF},
                               {0x25, 1, 0xFF}, {0x28, 2, 0x6B}, {0x2A, 2, 300}, {0x2C, 2, 300}, {0x2E, 2, 600}},
             {"CPU1", "AMD"});
    // Slot: 64-bit, in use, ID 7, PME and hot-plug, at 0002:3A:03.5.
    t += smb(9, 0x0900, 0x11, {{0x04, 1, 1}, {0x05, 1, 0xA5}, {0x06, 1, 0x06}, {0x07, 1, 4}, {0x08, 1, 4},
                               {0x09, 2, 7}, {0x0B, 1, 0x04}, {0x0C, 1, 0x03}, {0x0D, 2, 2}, {0x0F, 1, 0x3A},
                               {0x10, 1, 0x1D}}, {"PCIE_X16"});
    // On-board devices: video (enabled), Ethernet (disabled); a SATA controller (type 41).
    t += smb(10, 0x0A00, 0x08, {{0x04, 1, 0x83}, {0x05, 1, 1}, {0x06, 1, 0x05}, {0x07, 1, 2}}, {"VGA", "LAN"});
    t += smb(41, 0x2900, 0x0B, {{0x04, 1, 1}, {0x05, 1, 0x89}, {0x06, 1, 1}, {0x0A, 1, 0xFA}}, {"SATA"});
    // Memory: DDR3 8 GB, 72/64 bits, DIMM, registered synchronous, 1600 (1333) MT/s,
    // rank 2, 1.35/1.5/1.425 V; DDR5 64 GB in Extended Size, 70000 (66000) MT/s in
    // the extended speeds; DDR2 of 512 kB.
    t += smb(17, 0x1100, 0x5C, {{0x04, 2, 0x1000}, {0x06, 2, 0xFFFE}, {0x08, 2, 72}, {0x0A, 2, 64}, {0x0C, 2, 0x2000},
                                {0x0E, 1, 0x09}, {0x10, 1, 1}, {0x11, 1, 2}, {0x12, 1, 0x18}, {0x13, 2, 0x2080},
                                {0x15, 2, 1600}, {0x17, 1, 3}, {0x18, 1, 4}, {0x1A, 1, 5}, {0x1B, 1, 2}, {0x20, 2, 1333},
                                {0x22, 2, 1350}, {0x24, 2, 1500}, {0x26, 2, 1425}},
             {"DIMM_A1", "BANK 0", "Mem Maker", "MEM-SN", "PART-123"});
    t += smb(17, 0x1101, 0x5C, {{0x04, 2, 0x1000}, {0x0C, 2, 0x7FFF}, {0x10, 1, 1}, {0x12, 1, 0x22}, {0x15, 2, 0xFFFF},
                                {0x1C, 4, 65536}, {0x20, 2, 0xFFFF}, {0x54, 4, 70000}, {0x58, 4, 66000}}, {"DIMM_B1"});
    t += smb(17, 0x1102, 0x5C, {{0x04, 2, 0x1000}, {0x0C, 2, 0x8200}, {0x10, 1, 1}, {0x12, 1, 0x13}}, {"DIMM_C1"});
    // Battery: 4500 mWh x 10, 11400 mV, unknown chemistry (02h) that the SBDS text names.
    t += smb(22, 0x1600, 0x1A, {{0x04, 1, 1}, {0x05, 1, 2}, {0x06, 1, 3}, {0x07, 1, 4}, {0x08, 1, 5}, {0x09, 1, 0x02},
                                {0x0A, 2, 4500}, {0x0C, 2, 11400}, {0x0E, 1, 6}, {0x0F, 1, 3}, {0x14, 1, 7}, {0x15, 1, 10}},
             {"Front", "Battery Maker", "04/01/2022", "BAT-SN", "Battery One", "2.0", "LiP"});
    // clang-format on
    return t + structure(127, 0xFEFF, "", {});
}

// The table as the kernel gives it: a 32-bit entry point (SMBIOS 2.4: the
// UUID in the byte order of its bytes) whose length ends the table before
// a memory device that must not be read.
TEST(SmbiosFields, EveryFieldReadFromAMadeTable) {
    const std::string table = madeTable();
    std::string entry = "_SM_" + std::string(0x0C, '\0') + "_DMI_" + std::string(0x0E, '\0');
    entry[6] = 2;
    entry[7] = 4;
    entry[0x16] = static_cast<char>(table.size() & 0xFF);
    entry[0x17] = static_cast<char>(table.size() >> 8);
    Tree t;
    t.file("/sys/firmware/dmi/tables/smbios_entry_point", entry);
    t.file("/sys/firmware/dmi/tables/DMI", table + smb(17, 0x11FF, 0x5C, {{0x0C, 2, 1024}}, {}));
    // clang-format off
    expectAnswers(t.root(), {
        {"Select * from Win32_Bios", 1,
         {{0, "SMBIOSMajorVersion", 2}, {0, "SMBIOSMinorVersion", 4}, {0, "Manufacturer", "Firmware Maker"}, {0, "SMBIOSBIOSVersion", "FW 7.1"},
          {0, "ReleaseDate", "20210519000000.000000+000"}, {0, "SystemBiosMajorVersion", 5},
          {0, "SystemBiosMinorVersion", 26}, {0, "EmbeddedControllerMajorVersion", 1},
          {0, "EmbeddedControllerMinorVersion", 12},
          {0, "SerialNumber", "SYS-SN"}}},  // Windows gives the system's serial number as the BIOS's
        {"Select * from Win32_ComputerSystemProduct", 1,
         {{0, "Vendor", "System Maker"}, {0, "Name", "System Model"}, {0, "Version", "Rev B"},
          {0, "IdentifyingNumber", "SYS-SN"}, {0, "UUID", "00010203-0405-0607-0809-0A0B0C0D0E0F"},
          {0, "SKUNumber", "SKU-42"}}},
        {"Select * from Win32_ComputerSystem", 1,
         {{0, "Manufacturer", "System Maker"}, {0, "Model", "System Model"}, {0, "SystemSKUNumber", "SKU-42"},
          {0, "SystemFamily", "Family-X"}, {0, "PCSystemType", 2}}},
        {"Select * from Win32_BaseBoard", 1,
         {{0, "Manufacturer", "Board Maker"}, {0, "Product", "Board B1"}, {0, "Version", "Board Rev"},
          {0, "SerialNumber", "BOARD-SN"}, {0, "HostingBoard", "True"}, {0, "Removable", "True"},
          {0, "Replaceable", "False"}, {0, "HotSwappable", "True"}}},
        {"Select * from Win32_SystemEnclosure", 1,
         {{0, "Manufacturer", "Case Maker"}, {0, "ChassisTypes", "[10]"}, {0, "LockPresent", "True"},
          {0, "Version", "Case Rev"}, {0, "SerialNumber", "CASE-SN"}, {0, "SMBIOSAssetTag", "CASE-TAG"}}},
        {"Select * from Win32_Processor", 2,
         {{0, "SocketDesignation", "CPU0"}, {0, "Family", 0xC6}, {0, "Manufacturer", "Intel(R) Corporation"},
          {0, "ProcessorId", "BFEBFBFF000906EA"}, {0, "Description", "Intel64 Family 6 Model 158 Stepping 10"},
          {0, "Name", "Test CPU"}, {0, "CurrentClockSpeed", 3000}, {0, "MaxClockSpeed", 3000},
          {0, "UpgradeMethod", 0x2C}, {0, "L2CacheSize", 1024}, {0, "L3CacheSize", 16384}, {0, "NumberOfCores", 8},
          {0, "NumberOfLogicalProcessors", 16}, {1, "Family", 0x6B}, {1, "NumberOfCores", 300},
          {1, "NumberOfLogicalProcessors", 600}, {1, "Description", "AMD64 Family 25 Model 33 Stepping 0"},
          {1, "L2CacheSize", nullptr}}},
        {"Select * from Win32_SystemSlot", 1,
         {{0, "SlotDesignation", "PCIE_X16"}, {0, "MaxDataWidth", 3}, {0, "CurrentUsage", 4}, {0, "Number", 7},
          {0, "PMESignal", "True"}, {0, "SupportsHotPlug", "True"}, {0, "SegmentGroupNumber", 2},
          {0, "BusNumber", 0x3A}, {0, "DeviceNumber", 3}, {0, "FunctionNumber", 5}}},
        {"Select * from Win32_OnBoardDevice", 3,
         {{0, "DeviceType", 3}, {0, "Enabled", "True"}, {0, "Description", "VGA"}, {1, "DeviceType", 5},
          {1, "Enabled", "False"}, {1, "Description", "LAN"}, {2, "DeviceType", 9}, {2, "Description", "SATA"}}},
        {"Select * from Win32_PhysicalMemory", 3,
         {{0, "DeviceLocator", "DIMM_A1"}, {0, "BankLabel", "BANK 0"}, {0, "Capacity", "8589934592"},
          {0, "TotalWidth", 72}, {0, "DataWidth", 64}, {0, "FormFactor", 8}, {0, "MemoryType", 24},
          {0, "SMBIOSMemoryType", 0x18}, {0, "TypeDetail", 0x2080}, {0, "Speed", 1600},
          {0, "Manufacturer", "Mem Maker"}, {0, "SerialNumber", "MEM-SN"}, {0, "PartNumber", "PART-123"},
          {0, "Attributes", 2}, {0, "ConfiguredClockSpeed", 1333}, {0, "MinVoltage", 1350}, {0, "MaxVoltage", 1500},
          {0, "ConfiguredVoltage", 1425}, {1, "Capacity", "68719476736"}, {1, "MemoryType", 0},
          {1, "Speed", 70000}, {1, "ConfiguredClockSpeed", 66000}, {2, "Capacity", "524288"}, {2, "MemoryType", 21}}},
        {"Select * from Win32_PortableBattery", 1,
         {{0, "Location", "Front"}, {0, "Manufacturer", "Battery Maker"}, {0, "ManufactureDate", "04/01/2022"},
          {0, "SerialNumber", "BAT-SN"}, {0, "Name", "Battery One"}, {0, "Chemistry", 8},
          {0, "DesignCapacity", 45000}, {0, "CapacityMultiplier", 10}, {0, "DesignVoltage", "11400"},
          {0, "SmartBatteryVersion", "2.0"}, {0, "MaxBatteryError", 3}}},
    });
    // With the kernel's processor list, the firmware's socket adds its voltage (1.2 V).
    t.file("/proc/cpuinfo", "processor\t: 0\nvendor_id\t: GenuineIntel\n\n");
    expectAnswers(t.root(), {{"Select * from Win32_Processor", 1,
                              {{0, "CurrentVoltage", 12}, {0, "SocketDesignation", "CPU0"}, {0, "Family", 0xC6}}}});
    // clang-format on
}

// Real machines' tables in each stored form, against dmidecode's decoding.
TEST(SmbiosFields, RealTablesAsDmidecodeDecodesThem) {
    if (!std::filesystem::exists(sharedTables())) GTEST_SKIP() << "no shared SMBIOS test data";
    const char *const bios = "Select * from Win32_Bios", *const product = "Select * from Win32_ComputerSystemProduct",
                      *const cpu = "Select * from Win32_Processor", *const memory = "Select * from CIM_PhysicalMemory";
    // clang-format off
    const std::vector<std::pair<const char*, std::vector<Answer>>> tables = {
        {"ASRock-Single-Ryzen.dmi",  // a bare table
         {{bios, 1, {{0, "SystemBiosMinorVersion", 17}, {0, "SerialNumber", "To Be Filled By O.E.M."}}},
          {product, 1, {{0, "UUID", "00000000-0000-0000-0000-D05099FAA835"}}},
          {"Select * from Win32_BaseBoard", 1, {{0, "Product", "X570D4U"}, {0, "SerialNumber", "209624590000277"}}},
          // Two of four slots hold 32 GB of DDR4, which has no MemoryType code of its own.
          {memory, 2, {{0, "Capacity", "34359738368"}, {0, "MemoryType", 0}, {0, "SMBIOSMemoryType", 0x1A},
                       {1, "BankLabel", "P0 CHANNEL B"}, {0, "PartNumber", "KF3200C16D4/32GX"}}},
          // No /proc/cpuinfo in the tree: the populated socket stands for the processor.
          {cpu, 1, {{0, "Name", "AMD Ryzen 9 5900X 12-Core Processor"}, {0, "Family", 107}, {0, "UpgradeMethod", 0x31},
                    {0, "MaxClockSpeed", 3700}, {0, "NumberOfLogicalProcessors", 24}, {0, "L3CacheSize", 65536}}}}},
        {"Dell-PowerEdge-R630-Dual-Xeon.dmi",  // on-board devices only as type 41; one of two sockets
         {{product, 1, {{0, "IdentifyingNumber", "790H8D2"}, {0, "UUID", "4C4C4544-0039-3010-8048-B7C04F384432"}}},
          {"Select * from Win32_OnBoardDevice", 8, {{0, "Description", "Integrated NIC 1"}, {0, "DeviceType", 5}}},
          {"Select * from Win32_SystemSlot", 1, {{0, "Number", 2}, {0, "BusNumber", 4}, {0, "PMESignal", "True"}}},
          {cpu, 1, {{0, "Family", 0xB3}, {0, "SocketDesignation", "CPU1"}}}}},
        {"Beelink-EQ12.dmi",  // a dmidecode dump: 64-bit entry point, SMBIOS 3.5
         {{bios, 1, {{0, "SMBIOSMajorVersion", 3}, {0, "SMBIOSMinorVersion", 5}, {0, "SerialNumber", "BN1004GH10075"}}},
          {product, 1, {{0, "UUID", "03000200-0400-0500-0006-000700080009"}}},
          {memory, 1, {{0, "SMBIOSMemoryType", 0x22}, {0, "Speed", 5600}, {0, "ConfiguredClockSpeed", 4800}}},
          {cpu, 1, {{0, "Name", "Intel(R) N100"}, {0, "CurrentClockSpeed", 2871}}}}},
        {"SurfaceLaptop3-rsmb.dat",  // Windows' raw firmware table
         {{product, 1, {{0, "Name", "Surface Laptop 3"}, {0, "UUID", "4EE6523F-D56A-F3EA-8E2A-891CF96286EA"}}},
          {bios, 1, {{0, "SMBIOSMinorVersion", 2}, {0, "ReleaseDate", "20200116000000.000000+000"}}},
          {memory, 2, {{0, "Manufacturer", "Hynix"}, {0, "Attributes", 1}}}}},
        {"HyperV.dmi",  // broken after a type 11 structure: what follows is dropped
         {{bios, 1, {{0, "SMBIOSBIOSVersion", "090008"}}},  // trailing blank trimmed
          {memory, 0, {}}}},
    };
    // clang-format on
    for (const auto& [file, answers] : tables) {
        SCOPED_TRACE(file);
        Tree t;
        t.copy(sharedTables() + file, "/sys/firmware/dmi/tables/DMI");
        expectAnswers(t.root(), answers);
    }
}

TEST(SmbiosParser, MalformedInputEndsTheWalkCleanly) {
    std::string good = structure(2, 5, std::string(4, '\0'), {"Board Maker", "B1"});
    for (const std::string& bad : {std::string("\x03\x05\x00\x00\x01Unterminated", 17),  // strings never end
                                   std::string("\x04\x40\x00\x00", 4),                   // length past the end
                                   std::string("\x04\x02\x00\x00\x00\x00", 6)}) {        // length below the header's
        EXPECT_EQ(sm::parseStructures(good + bad).structures.size(), 1u);
    }
    // Empty and tiny inputs.
    EXPECT_TRUE(sm::parseBlob("").structures.empty());
    EXPECT_TRUE(sm::parseBlob("_SM3_").structures.empty());
    // An entry point whose table lies beyond the file.
    std::string ep(0x18, '\0');
    ep.replace(0, 5, "_SM3_");
    ep[0x10] = 0x7F;
    EXPECT_TRUE(sm::parseBlob(ep).structures.empty());
}

TEST(SmbiosParser, StringNumbersAndFieldsAreBounded) {
    auto t = sm::parseStructures(structure(2, 0, std::string("\x01\x09\x00", 3), {"Maker", "  "}));
    ASSERT_EQ(t.structures.size(), 1u);
    const auto& s = t.structures[0];
    EXPECT_EQ(s.string(0x04).value_or(""), "Maker");
    EXPECT_FALSE(s.string(0x05).has_value()) << "string 9 does not exist";
    EXPECT_FALSE(s.string(0x06).has_value()) << "string 0 means none";
    EXPECT_FALSE(s.string(0x40).has_value()) << "beyond the formatted area";
    EXPECT_FALSE(s.dword(0x05).has_value());
    EXPECT_FALSE(sm::releaseDate("13/40/2021").has_value());
}

// Handles are found through an index: the first structure with a handle
// wins, as a walk would find it.
TEST(SmbiosParser, HandlesAreIndexedFirstWins) {
    std::string table;
    for (int i = 0; i < 3000; ++i) table += structure(9, static_cast<std::uint16_t>(i), std::string(13, '\0'), {});
    table += structure(2, 7, std::string(4, '\0'), {"Duplicate"});
    auto t = sm::parseStructures(table);
    ASSERT_EQ(t.structures.size(), 3001u);
    EXPECT_EQ(t.byHandle(7), &t.structures[7]);
    EXPECT_EQ(t.byHandle(2999), &t.structures[2999]);
    EXPECT_EQ(t.byHandle(4000), nullptr);
}

// A table larger than firmware holds is cut at the bound, through the
// provider too: what lies past it is not read.
TEST(SmbiosParser, OversizedTablesAreCut) {
    const std::string slot = structure(9, 1, std::string(13, '\0'), {"SLOT"});
    std::string table;
    while (table.size() < 2 * sm::kMaxTableBytes) table += slot;
    const std::size_t fit = sm::kMaxTableBytes / slot.size();
    EXPECT_EQ(sm::parseStructures(table).structures.size(), fit);
    Tree tree;
    tree.file("/sys/firmware/dmi/tables/DMI", table);
    EXPECT_EQ(query(tree.root(), "Select * from Win32_SystemSlot").size(), fit);
}

}  // namespace
}  // namespace tq::linuxprov
