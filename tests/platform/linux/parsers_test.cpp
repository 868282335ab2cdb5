// The text readers of sysfs, procfs and /etc files, and the name databases.
#include <gtest/gtest.h>

#include "platform/linux/ids.h"
#include "platform/linux/sysfs.h"
#include "tests/support/tempdir.h"
#include "tree.h"

namespace tq::linuxprov {
namespace {

TEST(Parsers, Assignments) {
    auto a = parseAssignments("# comment\nPRETTY_NAME=\"Debian \\\"12\\\"\"\nID=debian\nBAD\nQ='it'\nOPEN=\"x\n");
    EXPECT_EQ(a, (std::map<std::string, std::string>{{"PRETTY_NAME", "Debian \"12\""}, {"ID", "debian"}, {"Q", "it"}}));
}

TEST(Parsers, AtaIdentifyRefusesShortAndMalformedWords) {
    EXPECT_FALSE(parseAtaIdentify("0040 zz"));
    EXPECT_FALSE(parseAtaIdentify("0040 0000"));  // too short to hold a model
    EXPECT_FALSE(parseAtaIdentify("123456789"));
}

TEST(Parsers, KernelDatesInUbuntusFormAndMalformed) {
    EXPECT_EQ(kernelBuildDate("#25-Ubuntu SMP PREEMPT_DYNAMIC Thu Feb  1 17:30:24 UTC 2024").value_or(""),
              "20240201173024.000000-000");
    EXPECT_FALSE(kernelBuildDate("#1 SMP PREEMPT_DYNAMIC @0"));
    EXPECT_FALSE(kernelBuildDate("(2024-13-45)"));
}

TEST(Parsers, KeyboardLayoutsAndCountries) {
    auto k = parseKeyboardConfig("XKBLAYOUT=\"us,de\"\nXKBVARIANT=\"intl,\"\n");
    EXPECT_EQ(k.layout, "us");
    EXPECT_EQ(windowsLayoutId(k.layout, k.variant).value_or(""), "00020409");
    EXPECT_EQ(parseKeyboardConfig("KEYMAP=fr-latin9\n").layout, "fr");
    EXPECT_EQ(parseKeyboardConfig("Section \"InputClass\"\n  Option \"XkbLayout\" \"ch\"\n").layout, "ch");
    EXPECT_FALSE(windowsLayoutId("tlh", ""));
    EXPECT_EQ(countryCodeForLocale("de_CH.UTF-8").value_or(""), "41");
    EXPECT_FALSE(countryCodeForLocale("C.UTF-8"));
}

TEST(Parsers, AsoundCodecHeader) {
    auto c = parseAsoundCodec(
        "Codec: Realtek ALC892\nAddress: 2\nAFG Function Id: 0x1 (unsol 1)\nVendor Id: 0x10ec0892\n"
        "Subsystem Id: 0x1462ee35\nRevision Id: 0x100302\nNode 0x02 [Audio Output] wcaps 0x41d: Stereo Amp-Out\n"
        "Vendor Id: 0xffffffff\n");
    ASSERT_TRUE(c);
    EXPECT_EQ(std::tie(c->name, c->address, c->vendorId, c->subsystemId, c->revisionId, c->modem),
              std::make_tuple(std::string("Realtek ALC892"), 2u, 0x10ec0892u, 0x1462ee35u, 0x100302u, false));
    EXPECT_FALSE(parseAsoundCodec("Codec: nothing else\n"));
}

TEST(Parsers, TextCleaningAndNumbers) {
    EXPECT_EQ(cleanText("M\xFCller\x01"), "M\xC3\xBCller");  // Latin-1 to UTF-8, controls dropped
    EXPECT_EQ(cleanText("M\xC3\xBCller"), "M\xC3\xBCller");  // UTF-8 stays
    EXPECT_FALSE(parseNumber("99999999999999999999999"));
    EXPECT_FALSE(parseNumber("12a", 10));
}

TEST(IdDatabase, KeepsOnlyTheWantedVendors) {
    const char* db =
        "# comment\n8086  Intel Corporation\n\t15f3  Ethernet Controller I225-V\n\t\t8086 0001  Some board\n"
        "10ec  Realtek Semiconductor Co., Ltd.\n\t8168  RTL8111/8168\n"
        "C 02  Network controller\n\t00  Ethernet controller\n";
    auto n = IdNames::parse(db, {0x8086});
    EXPECT_EQ(n.vendor(0x8086).value_or(""), "Intel Corporation");
    EXPECT_EQ(n.device(0x8086, 0x15f3).value_or(""), "Ethernet Controller I225-V");
    EXPECT_FALSE(n.vendor(0x10ec));
    EXPECT_FALSE(n.device(0x8086, 0x0001)) << "subsystem lines are not devices";
    EXPECT_EQ(shortVendor("Intel Corporation"), "Intel");
    EXPECT_EQ(shortVendor("Realtek Semiconductor Co., Ltd."), "Realtek Semiconductor");
    EXPECT_FALSE(IdNames::load("/nonexistent/pci.ids", {0x8086}).vendor(0x8086));
}

// A bind's view reads each file and folder once: what changed since is not
// seen, and a read with a larger limit than before reads again.
TEST(FsView, ReadsEachFileOnce) {
    const tq::testing::TempDir dir;
    dir.write("sys/a", "first\n");
    dir.write("sys/b", std::string(100, 'x'));
    const Fs fs(dir.path);
    EXPECT_EQ(fs.line("/sys/a"), "first");
    EXPECT_EQ(fs.list("/sys"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(fs.read("/sys/b", 10).value_or(""), std::string(10, 'x'));
    dir.write("sys/a", "second\n");
    dir.write("sys/b", std::string(100, 'y'));
    dir.write("sys/c", "new");
    EXPECT_EQ(fs.read("/sys/a").value_or(""), "first\n");
    EXPECT_EQ(fs.list("/sys").size(), 2u);
    EXPECT_EQ(fs.read("/sys/b", 5).value_or(""), std::string(5, 'x'));
    EXPECT_EQ(fs.read("/sys/b", 50).value_or(""), std::string(50, 'y'));
    EXPECT_FALSE(fs.read("/sys/missing"));
}

// A database large enough that lookups skip most of it: vendors of one
// device each around one of 4,000 devices, comments and subsystem lines.
TEST(IdDatabase, FindsVendorsAndDevicesInALargeDatabase) {
    std::string db = "# header\n\n";
    char line[64];
    for (unsigned v = 0x0010; v < 0x3000; v += 3) {
        std::snprintf(line, sizeof line, "%04x  Vendor %u\n", v, v);
        db += line;
        const unsigned count = v == 0x1000 ? 4000 : 1;
        for (unsigned d = 0; d < count; ++d) {
            std::snprintf(line, sizeof line, "\t%04x  Device %u.%u\n\t\t%04x 0001  Board\n", d * 7, v, d, v);
            db += line;
            if (d % 100 == 50) db += "# a note\n";
        }
    }
    db += "C 00  Unclassified\n\t00  Non-VGA\n";
    // clang-format off
    const std::tuple<std::uint16_t, std::uint16_t, std::string, std::string> cases[] = {
        {0x0010, 0, "Vendor 16", "Device 16.0"},               {0x1000, 0, "Vendor 4096", "Device 4096.0"},
        {0x1000, 7 * 1234, "Vendor 4096", "Device 4096.1234"}, {0x1000, 7 * 3999, "Vendor 4096", "Device 4096.3999"},
        {0x1000, 5, "Vendor 4096", "-"},                       {0x2ffe, 0, "Vendor 12286", "Device 12286.0"},
        {0x0011, 0, "-", "-"},                                 {0xffff, 0, "-", "-"},
    };
    // clang-format on
    std::set<std::uint16_t> vendors;
    std::set<std::uint32_t> devices;
    for (const auto& [vendor, device, vendorName, deviceName] : cases) {
        vendors.insert(vendor);
        devices.insert(static_cast<std::uint32_t>(vendor) << 16 | device);
    }
    for (const bool some : {true, false}) {
        const auto n = IdNames::parse(db, vendors, some ? &devices : nullptr);
        for (const auto& [vendor, device, vendorName, deviceName] : cases) {
            SCOPED_TRACE(std::to_string(vendor) + ":" + std::to_string(device));
            EXPECT_EQ(n.vendor(vendor).value_or("-"), vendorName);
            EXPECT_EQ(n.device(vendor, device).value_or("-"), deviceName);
        }
    }
}

}  // namespace
}  // namespace tq::linuxprov
