// EDIDs of real monitors (tests/data/edid) read as edid-decode reads them,
// and damaged ones: cut short, a broken checksum, no descriptors, extra
// extension blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "ocs/assets.h"
#include "ocs/edid.h"
#include "tests/support/tempdir.h"

namespace tq::edid {
namespace {

const std::string kDir = std::string(TQ_SOURCE_DIR) + "/tests/data/edid/";
const char* const kCorpus[] = {"dell-d1918h", "samsung-syncmaster", "aoc-1619w", "lenovo-lt2252p",
                               "lg-tv",       "auo-laptop-panel"};

std::string bytesOf(const std::string& name) { return tq::testing::readFile(kDir + name + ".bin"); }

#ifndef _WIN32
// edid-decode's reading: "Label: value" lines of the base block.
std::map<std::string, std::string> decoded(const std::string& name) {
    const tq::testing::TempDir tmp;
    std::system(("edid-decode '" + kDir + name + ".bin' >" + tmp.path + "/out 2>/dev/null").c_str());
    std::map<std::string, std::string> out;
    std::istringstream lines(tmp.read("out"));
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": "), from = line.find_first_not_of(' ');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 2);
        if (value.starts_with('\'') && value.ends_with('\'')) value = value.substr(1, value.size() - 2);
        out.emplace(line.substr(from, colon - from), value);  // the base block's come first
    }
    return out;
}

TEST(Edid, RealMonitorsReadAsEdidDecodeReadsThem) {
    if (std::system("command -v edid-decode >/dev/null 2>&1") != 0) GTEST_SKIP() << "edid-decode is not installed";
    for (const char* name : kCorpus) {
        SCOPED_TRACE(name);
        auto want = decoded(name);  // "" for a label it does not print
        ASSERT_TRUE(want.count("Manufacturer"));
        const auto m = parse(bytesOf(name));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->maker, want.at("Manufacturer"));
        EXPECT_EQ(std::to_string(m->productCode), want.at("Model"));
        EXPECT_EQ(std::to_string(m->serialNumber), want.count("Serial Number") ? want.at("Serial Number") : "0");
        EXPECT_EQ(m->name, want["Display Product Name"]);
        EXPECT_EQ(m->serialText, want["Display Product Serial Number"]);
        // "week 6 of 2018", or the year alone.
        const std::string made = want.count("Made in") ? want.at("Made in") : "Model year: " + want.at("Model year");
        EXPECT_EQ(made, m->week ? "week " + std::to_string(m->week) + " of " + std::to_string(m->year)
                                : std::to_string(m->year));
    }
}
#endif

TEST(Edid, DamagedBlocksGiveWhatCanBeRead) {
    const std::string good = bytesOf("samsung-syncmaster");
    ASSERT_EQ(good.size(), kBlock);
    EXPECT_EQ(parse(good)->altSerial(), "1312961073");  // the number beside the descriptor's serial
    std::string noSerialDescriptor = good;
    noSerialDescriptor[108 + 3] = 0x10;  // the serial descriptor made a dummy one
    std::string badSum = good;
    badSum[127] = static_cast<char>(badSum[127] + 1);
    std::string noDescriptors = good;
    for (std::size_t i = 54; i < 126; ++i) noDescriptors[i] = 0;
    std::string garbage = good;
    garbage[108 + 5] = '\x01';  // control and high bytes in the text are dropped
    garbage[108 + 6] = '\xff';
    std::string extended = bytesOf("lg-tv") + std::string(3 * kBlock, '\x5a');

    struct Case {
        const char* what;
        std::string bytes;
        bool parsed;
        const char* maker;
        const char* name;
        const char* serial;
    };
    const Case cases[] = {
        {"whole", good, true, "SAM", "SyncMaster", "HSDXB03789"},
        {"numeric serial only", noSerialDescriptor, true, "SAM", "SyncMaster", "1312961073"},
        {"all-ones serial number",
         noSerialDescriptor.substr(0, 12) + std::string(4, '\xff') + noSerialDescriptor.substr(16), true, "SAM",
         "SyncMaster", ""},
        {"broken checksum", badSum, true, "SAM", "SyncMaster", "HSDXB03789"},
        {"zero descriptors", noDescriptors, true, "SAM", "", "1312961073"},
        {"bytes outside ASCII", garbage, true, "SAM", "SyncMaster", "DXB03789"},
        {"cut in the last descriptor", good.substr(0, 120), true, "SAM", "SyncMaster", "1312961073"},
        {"cut after the ids", good.substr(0, 12), true, "SAM", "", ""},
        {"header only", good.substr(0, 8), true, "", "", ""},
        {"short of the header", good.substr(0, 7), false, "", "", ""},
        {"no header", std::string(kBlock, '\0'), false, "", "", ""},
        {"empty", "", false, "", "", ""},
        {"extension blocks beyond the count", extended, true, "GSM", "LG TV", ""},
        {"larger than any EDID", good + std::string(kMaxBytes, '\xff'), true, "SAM", "SyncMaster", "HSDXB03789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto m = parse(c.bytes);
        ASSERT_EQ(m.has_value(), c.parsed);
        if (!m) continue;
        EXPECT_EQ(m->maker, c.maker);
        EXPECT_EQ(m->name, c.name);
        EXPECT_EQ(m->serial(), c.serial);
    }
}

TEST(Edid, EncodingsAndMakerNames) {
    // (EDIDs in both paddings, as the laptop's golden inventory holds them.)
    EXPECT_EQ(base64(std::string(kMaxBytes + 300, 'a')).size(), (kMaxBytes + 2) / 3 * 4);
    EXPECT_EQ(fromHex("00 ff\nAb"), std::string("\x00\xff\xab", 3));
    EXPECT_EQ(toHex(std::string("\x00\xff\xab", 3)), "00FFAB");
    EXPECT_FALSE(fromHex("0"));
    EXPECT_FALSE(fromHex("0 0"));
    EXPECT_FALSE(fromHex("zz"));
    EXPECT_FALSE(fromHex(std::string(2 * kMaxBytes + 2, 'a')));

    const std::string db = "# comment\nDEL\tDell Inc.\r\nDELL\tNot an id\nSAM\tSamsung Electric Company\nXYZ\t\n";
    EXPECT_EQ(pnpName(db, "DEL"), "Dell Inc.");
    EXPECT_EQ(pnpName(db, "SAM"), "Samsung Electric Company");
    EXPECT_FALSE(pnpName(db, "XYZ"));
    EXPECT_FALSE(pnpName(db, "AOC"));
    EXPECT_FALSE(pnpName(db, "DE"));
    EXPECT_FALSE(commonMaker("XYZ"));
    // The built-in names are the database's (where it is installed).
    const std::string hwdata = tq::testing::readFile("/usr/share/hwdata/pnp.ids");
    if (hwdata.empty()) return;
    for (const char* id : {"DEL", "AUO", "GSM", "LEN", "SAM", "ACR", "HWP", "VSC", "BOE", "PHL"})
        EXPECT_EQ(commonMaker(id), pnpName(hwdata, id)) << id;
}

TEST(Assets, ChassisNamesAndPlaceholderTags) {
    EXPECT_EQ(ocs::chassisName(0x80 | 7), "Tower");  // the lock bit
    EXPECT_EQ(ocs::chassisName(37), "");
    for (const char* tag : {"", "  ", "Default string", "To Be Filled By O.E.M.", "No Asset Tag", "Asset-1234567890",
                            "0000000000", "XXXXXXXX", "Not Specified", "N/A", "Chassis Asset Tag", "none"})
        EXPECT_TRUE(ocs::placeholderTag(tag)) << tag;
    for (const char* tag : {"INV-004711", "PC 0815", "12345"}) EXPECT_FALSE(ocs::placeholderTag(tag)) << tag;
}

}  // namespace
}  // namespace tq::edid
