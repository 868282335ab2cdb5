// The SMBIOS parser and the firmware classes, on real machines' tables and
// on hand-made broken ones.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/smbios.h"
#include "tests/support/tempdir.h"
#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;
namespace sm = smbios;

const std::string kData = std::string(TQ_SHARED_TESTDATA) + "/smbios/";

using tq::testing::readFile;

class RealTables : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kData)) GTEST_SKIP() << "no shared SMBIOS test data";
    }
    // A root whose firmware table is the given file, stored as the kernel would not
    // (one file in any form): the provider finds the table's form itself.
    std::string rootWith(Tree& t, const std::string& file) {
        t.copy(kData + file, "/sys/firmware/dmi/tables/DMI");
        return t.root();
    }
};

// A structure: type, formatted bytes after the 4-byte header, strings.
std::string structure(std::uint8_t type, std::uint16_t handle, const std::string& body,
                      const std::vector<std::string>& strings) {
    std::string s;
    s.push_back(static_cast<char>(type));
    s.push_back(static_cast<char>(4 + body.size()));
    s.push_back(static_cast<char>(handle & 0xFF));
    s.push_back(static_cast<char>(handle >> 8));
    s += body;
    for (const auto& str : strings) s += str + '\0';
    if (strings.empty()) s.push_back('\0');
    s.push_back('\0');
    return s;
}

const char* const kBios = "Select * from Win32_Bios";
const char* const kBoard = "Select * from Win32_BaseBoard";
const char* const kProduct = "SELECT * FROM Win32_ComputerSystemProduct";
const char* const kMemory = "Select * from CIM_PhysicalMemory";
const char* const kCpu = "Select * from Win32_Processor";
const char* const kSlots = "Select * from Win32_SystemSlot";
const char* const kOnBoard = "Select * from Win32_OnBoardDevice";

TEST_F(RealTables, AsrockRyzenBoardBiosAndDdr4Memory) {
    Tree t;
    expectAnswers(rootWith(t, "ASRock-Single-Ryzen.dmi"), {
        {kBios, 1, {{0, "Manufacturer", "American Megatrends International, LLC."}, {0, "SMBIOSBIOSVersion", "P1.20"},
                    {0, "Description", "P1.20"}, {0, "ReleaseDate", "20210519000000.000000+000"}}},
        {"SELECT Manufacturer FROM Win32_BaseBoard", 1, {{0, "Manufacturer", "ASRockRack"}}},
        {kBoard, 1, {{0, "Product", "X570D4U"}}},
        // Two of four slots hold a 32 GB DDR4 module; DDR4 has no MemoryType code of its own.
        {kMemory, 2, {{0, "Capacity", "34359738368"}, {1, "Capacity", "34359738368"}, {0, "MemoryType", 0},
                      {1, "MemoryType", 0}, {0, "SMBIOSMemoryType", 0x1A}, {1, "SMBIOSMemoryType", 0x1A},
                      {0, "Speed", 2400}, {1, "Speed", 2400}, {0, "DeviceLocator", "DIMM 1"},
                      {0, "BankLabel", "P0 CHANNEL A"}, {1, "BankLabel", "P0 CHANNEL B"}}},
        // No /proc/cpuinfo in the tree: the populated socket stands for the processor.
        {kCpu, 1, {{0, "DeviceID", "CPU0"}, {0, "Name", "AMD Ryzen 9 5900X 12-Core Processor"},
                   {0, "Description", "AMD64 Family 25 Model 33 Stepping 0"}, {0, "MaxClockSpeed", 3700},
                   {0, "NumberOfCores", 12}, {0, "ProcessorId", "178BFBFF00A20F10"}}},
        // The product fields the firmware left as placeholders pass as they are.
        {kProduct, 1, {{0, "Name", "To Be Filled By O.E.M."}, {0, "UUID", "00000000-0000-0000-0000-D05099FAA835"}}},
    });
}

TEST_F(RealTables, DellOnBoardDevicesOnlyAsType41AndOneSlotInUse) {
    Tree t;
    expectAnswers(rootWith(t, "Dell-PowerEdge-R630-Dual-Xeon.dmi"), {
        {kProduct, 1, {{0, "Vendor", "Dell Inc."}, {0, "Name", "PowerEdge R630"}, {0, "IdentifyingNumber", "790H8D2"},
                       {0, "UUID", "4C4C4544-0039-3010-8048-B7C04F384432"}}},
        {"SELECT Manufacturer FROM Win32_ComputerSystem", 1, {{0, "Manufacturer", "Dell Inc."}}},
        {kOnBoard, 8, {{0, "Description", "Integrated NIC 1"}, {0, "DeviceType", 5},  // Ethernet
                        {0, "Tag", "On Board Device 0"}, {2, "Tag", "On Board Device 2"}}},
        {kSlots, 1, {{0, "SlotDesignation", "PCIe Slot 2"}, {0, "CurrentUsage", 4}, {0, "Tag", "System Slot 0"}}},
        // The second socket is reported unpopulated.
        {kCpu, 1, {{0, "Description", "Intel64 Family 6 Model 63 Stepping 2"}, {0, "MaxClockSpeed", 2400}}},
    });
}

TEST_F(RealTables, SupermicroDdr3SlotsAndOnBoardVideo) {
    Tree t;
    expectAnswers(rootWith(t, "SuperMicro-Dual-Xeon.dmi"), {
        {kMemory, 16, {{0, "Capacity", "4294967296"}, {0, "MemoryType", 24},  // DDR3 keeps its code
                       {0, "Speed", 1333}, {0, "DeviceLocator", "P1-DIMMA1"}, {0, "Tag", "Physical Memory 0"}}},
        {kSlots, 2, {{0, "CurrentUsage", 4}, {1, "CurrentUsage", 3},
                     {1, "SlotDesignation", "RSC-R1UW-2E16 SLOT2 PCI-E x16"}, {1, "Tag", "System Slot 1"}}},
        {kOnBoard, 6, {{0, "DeviceType", 3}, {0, "Description", "Matrox VGA"}}},
    });
}

TEST_F(RealTables, BeelinkDumpFileWithDdr5) {
    Tree t;
    expectAnswers(rootWith(t, "Beelink-EQ12.dmi"), {
        {kBios, 1, {{0, "SMBIOSBIOSVersion", "N95V106"}, {0, "SMBIOSMajorVersion", 3}, {0, "SMBIOSMinorVersion", 5}}},
        {kMemory, 1, {{0, "Capacity", "17179869184"}, {0, "MemoryType", 0}, {0, "SMBIOSMemoryType", 0x22},  // DDR5
                      {0, "Speed", 5600}}},
        {kSlots, 5, {}},
        {kOnBoard, 16, {{2, "DeviceType", 3}}},  // the type 41 video device
    });
}

TEST_F(RealTables, SurfaceRawFirmwareTable) {
    Tree t;
    expectAnswers(rootWith(t, "SurfaceLaptop3-rsmb.dat"), {
        {kProduct, 1, {{0, "Name", "Surface Laptop 3"}, {0, "Vendor", "Microsoft Corporation"}}},
        {kBios, 1, {{0, "SMBIOSBIOSVersion", "1.2238.140"}}},
        {kMemory, 2, {{0, "Manufacturer", "Hynix"}, {1, "BankLabel", "P0 CHANNEL B"}}},
        {kCpu, 1, {{0, "Name", "AMD Ryzen 7 Microsoft Surface (R) Edition"}}},
    });
}

TEST_F(RealTables, HyperVStopsAtTheBrokenStructure) {
    auto table = sm::parseBlob(readFile(kData + "HyperV.dmi"));
    ASSERT_FALSE(table.structures.empty());
    EXPECT_EQ(table.structures.back().type, 11);  // everything after it is dropped
    EXPECT_EQ(table.ofType(17).size(), 0u);
    Tree t;
    expectAnswers(rootWith(t, "HyperV.dmi"), {
        {kBios, 1, {{0, "SMBIOSBIOSVersion", "090008"}}},  // trailing blank trimmed
        {kBoard, 1, {{0, "Product", "Virtual Machine"}}},
        {kMemory, 0, {}},
        {kSlots, 0, {}},
    });
}

TEST(SmbiosParser, SysfsPairLimitsTheTableToTheEntryPointLength) {
    std::string table = structure(0, 0, std::string("\x01\x02\x00\xF0\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 14),
                                  {"Vendor", "1.0"}) +
                        structure(127, 1, "", {});
    std::string garbage = structure(17, 2, std::string(0x24, '\0'), {});
    std::string ep(0x18, '\0');
    ep.replace(0, 5, "_SM3_");
    ep[7] = 3;
    ep[8] = 2;
    ep[0x0C] = static_cast<char>(table.size());
    auto t = sm::parsePair(ep, table + garbage);
    EXPECT_EQ(t.major, 3);
    EXPECT_EQ(t.minor, 2);
    ASSERT_EQ(t.structures.size(), 2u);
    EXPECT_EQ(t.structures[0].string(0x04).value_or(""), "Vendor");
}

TEST(SmbiosParser, MalformedInputEndsTheWalkCleanly) {
    std::string good = structure(2, 5, std::string(4, '\0'), {"Board Maker", "B1"});
    for (const std::string& bad : {std::string("\x03\x05\x00\x00\x01Unterminated", 17),  // strings never end
                                   std::string("\x04\x40\x00\x00", 4),                   // length past the end
                                   std::string("\x04\x02\x00\x00\x00\x00", 6)}) {       // length below the header's
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
}

TEST(SmbiosParser, UuidByteOrderFollowsTheVersion) {
    std::string body = std::string(4, '\0');  // manufacturer, product, version, serial
    for (int i = 0; i < 16; ++i) body.push_back(static_cast<char>(i + 1));
    auto t = sm::parseStructures(structure(1, 0, body, {}), 2, 4);
    ASSERT_EQ(t.structures.size(), 1u);
    EXPECT_EQ(sm::uuid(t.structures[0], t).value_or(""), "01020304-0506-0708-090A-0B0C0D0E0F10");
    t.minor = 6;
    EXPECT_EQ(sm::uuid(t.structures[0], t).value_or(""), "04030201-0605-0807-090A-0B0C0D0E0F10");
}

TEST(SmbiosParser, MemoryTypesAndSizes) {
    // DDR3 to DDR5 are checked on the real tables above.
    for (auto [smbiosType, cimType] : {std::pair{0x0F, 17}, {0x12, 20}, {0x13, 21}, {0x02, 0}})  // SDRAM, DDR, DDR2
        EXPECT_EQ(sm::cimMemoryType(smbiosType), cimType) << smbiosType;

    auto mod = [](std::uint16_t size, std::uint32_t ext) {
        std::string body(0x20 - 4, '\0');
        body[0x0C - 4] = static_cast<char>(size & 0xFF);
        body[0x0D - 4] = static_cast<char>(size >> 8);
        for (int i = 0; i < 4; ++i) body[0x1C - 4 + i] = static_cast<char>((ext >> (8 * i)) & 0xFF);
        return sm::parseStructures(structure(17, 0, body, {})).structures.at(0);
    };
    EXPECT_EQ(sm::memorySize(mod(1024, 0)).value_or(0), 1ull << 30);
    EXPECT_EQ(sm::memorySize(mod(0x8000 | 512, 0)).value_or(0), 512ull << 10);  // KB granularity
    EXPECT_EQ(sm::memorySize(mod(0x7FFF, 65536)).value_or(0), 64ull << 30);     // extended size
    EXPECT_FALSE(sm::memorySize(mod(0, 0)).has_value());
    EXPECT_FALSE(sm::memorySize(mod(0xFFFF, 0)).has_value());
    EXPECT_EQ(sm::releaseDate("05/19/21").value_or(""), "20210519000000.000000+000");
    EXPECT_FALSE(sm::releaseDate("13/40/2021").has_value());
}

// Handles are found through an index: the first structure with a handle
// wins, as a walk would find it, and structures added later are found too.
TEST(SmbiosParser, HandlesAreIndexedFirstWins) {
    std::string table;
    for (int i = 0; i < 3000; ++i) table += structure(9, static_cast<std::uint16_t>(i), std::string(13, '\0'), {});
    table += structure(2, 7, std::string(4, '\0'), {"Duplicate"});
    auto t = sm::parseStructures(table);
    ASSERT_EQ(t.structures.size(), 3001u);
    ASSERT_NE(t.byHandle(7), nullptr);
    EXPECT_EQ(t.byHandle(7)->type, 9);
    EXPECT_EQ(t.byHandle(2999), &t.structures[2999]);
    EXPECT_EQ(t.byHandle(4000), nullptr);
    t.structures.push_back(t.structures[0]);
    t.structures.back().handle = 4000;
    EXPECT_EQ(t.byHandle(4000), &t.structures.back());
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
    EXPECT_EQ(query(tree.root(), kSlots).size(), fit);
}

}  // namespace
}  // namespace tq::linuxprov
