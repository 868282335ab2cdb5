// Every section against small recorded machines (tests/data/sections): which
// items pass, the conditional and separator rows, where the head goes, the
// nested markup of the hotfix and slot sections; and the signature log. The
// unbound service is covered by the whole-report test.
#include <gtest/gtest.h>

#include <sstream>

#include "probes/probes.h"
#include "tests/support/fakes.h"
#include "tests/support/service_double.h"
#include "tests/support/tempdir.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::runSection;
using testing::section;
using Rows = std::vector<std::pair<std::string, std::string>>;
using Writer = void (*)(report::ReportStream&);

// A machine without any objects: early heads give the title alone, late heads nothing.
TEST(Sections, EmptyMachine) {
    PlatformScope scope;
    testing::ServiceDouble repo(scope.platform, "{}");
    const std::vector<std::string> none;
    // clang-format off
    const struct {
        Writer write;
        std::vector<std::string> expected;
    } cases[] = {
        {probes::WriteMotherboardSection, section("Motherboard", {})}, {probes::WriteBiosSection, section("Bios", {})},
        {probes::WriteCpuSection, none},
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
    // clang-format on
    Failure left;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(runSection(scope.platform, cases[i].write, &left), cases[i].expected) << "case " << i;
    EXPECT_TRUE(scope.ui.messages.empty());
    EXPECT_EQ(left.number, 0);
}

// Numbers take the decimal separator of the run that writes them (the
// whole report has ".").
TEST(Sections, NumbersWithTheRunsDecimalSeparator) {
    PlatformScope scope;
    testing::ServiceDouble repo(scope.platform, R"({"Win32_WinSAT": [{"CPUScore": 7.3, "WinSPRLevel": 5.9}],
        "Win32_DiskDrive": [{"Model": "Disk", "Size": "250059350016"}]})");
    testing::MemoryStream m(scope.platform);
    m.run.decimalSeparator = ",";
    probes::WritePerformanceRatingSection(m.stream);
    probes::WriteHddSection(m.stream);
    std::string all;
    for (const std::string& l : *m.lines) all += l;
    EXPECT_NE(all.find("7,3&nbsp;"), std::string::npos) << all;
    EXPECT_NE(all.find("249,8 GB"), std::string::npos) << all;
}

// A recorded machine, tests/data/sections/<machine>.json, and the rows its
// section gives, <name>.rows: "label TAB value" per line, "#" lines are notes.
enum class Ticks { Lan, All, None };
struct Case {
    const char* name;
    Writer write;
    const char* title;
    Ticks ticks = Ticks::Lan;
    const char* machine = nullptr;  // the name's own when not given
};

std::string sectionData(const std::string& file) {
    return testing::readFile(std::string(TQ_SOURCE_DIR) + "/tests/data/sections/" + file);
}

Rows rowsOf(const std::string& name) {
    Rows rows;
    std::istringstream in(sectionData(name + ".rows"));
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t');
        if (!line.empty() && line[0] != '#') rows.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return rows;
}

TEST(Sections, RecordedMachines) {
    const Case cases[] = {
        {"motherboard", probes::WriteMotherboardSection, "Motherboard"},
        {"bios", probes::WriteBiosSection, "Bios"},
        {"bios-array", probes::WriteBiosSection, "Bios"},
        {"cpu", probes::WriteCpuSection, "CPU"},
        {"cpu-blank", probes::WriteCpuSection, "CPU"},
        {"cpu-driver-only", probes::WriteCpuSection, "CPU"},
        {"winsat", probes::WritePerformanceRatingSection, "Windows System Assessment (Scoring)"},
        {"memory", probes::WriteMemorySection, "Memory"},
        {"graphics", probes::WriteGraphicsSection, "VGA"},
        {"hdd", probes::WriteHddSection, "HDD"},
        {"removable", probes::WriteRemovableDrivesSection, "Removeable Drives"},
        {"cdrom", probes::WriteCdromSection, "CDROM"},
        {"keyboard", probes::WriteKeyboardSection, "Keyboard"},
        {"mouse", probes::WriteMouseSection, "Mouse"},
        {"modem", probes::WriteModemSection, "Modem"},
        {"multimedia", probes::WriteMultimediaSection, "MultiMedia"},
        {"network", probes::WriteNetworkSection, "Networkdevices"},
        {"pnp", probes::WritePnpDriverSection, "PNP"},
        {"defective", probes::WriteDefectiveHardwareSection, "not installed hardware"},
        {"onboard-ticked", probes::WriteOnboardSection, "On Board", Ticks::All, "onboard"},
        {"onboard-unticked", probes::WriteOnboardSection, "On Board", Ticks::None, "onboard"},
        {"onboard-lan", probes::WriteOnboardSection, "On Board"},
        // Nested markup in a single row.
        {"hotfix", probes::WriteHotfixSection, "Hotfix"},
        {"slots", probes::WriteSlotsSection, "Slots"},
        {"slots-empty", probes::WriteSlotsSection, "Slots", Ticks::Lan, "empty"},
    };
    for (const Case& c : cases) {
        PlatformScope scope;
        if (c.ticks != Ticks::Lan) scope.ui.vga = scope.ui.audio = scope.ui.lan = c.ticks == Ticks::All;
        const testing::ServiceDouble repo(scope.platform,
                                          sectionData(std::string(c.machine ? c.machine : c.name) + ".json"));
        const Rows expected = rowsOf(c.name);
        ASSERT_FALSE(expected.empty()) << c.name;
        EXPECT_EQ(runSection(scope.platform, c.write), section(c.title, expected)) << c.name;
        EXPECT_TRUE(scope.ui.messages.empty()) << c.name;
    }
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
    auto lines = runSection(scope.platform, probes::WriteSignatureSection, &left);
    EXPECT_EQ(left.number, 0);  // reported here, never passed on
    return lines;
}

TEST(SignatureSection, LineRulesOfTheLog) {
    const std::string en = line61("oem12.inf", "Not Signed   n/a"), de = line61("tool.sys   ", "Nicht signiert  ");
    // Without a separator the first thirteen lines form the introduction.
    std::string thirteen, intro;
    for (int i = 1; i <= 16; ++i) {
        const std::string l = i == 14 ? line61("late.sys", "Not Signed") : "line " + std::to_string(i);
        thirteen += l + "\r\n";
        if (i <= 13) intro += l + "<br>";
    }
    const std::pair<std::string, Rows> cases[] = {
        // The introduction without its heading, then the unsigned files.
        {"Microsoft Signature Verification\r\n\r\n*** Scan ***\r\nTotal Files: 412\r\nFile      Status\r\n"
         "----------       ------\r\n" +
             line61("kernel32.dll", "Signed") + "\r\n" + en + "\r\n" + de + "\r\n" + line61("x", "not signed") + "\r\n",
         {{"", "Microsoft Signature Verification<br>Total Files: 412&nbsp;"}, {"", en + "<br>" + de + "<br>&nbsp;"}}},
        {thirteen, {{"", intro + "&nbsp;"}, {"", line61("late.sys", "Not Signed") + "<br>&nbsp;"}}},
        // A lone LF does not end a line; a lone CR does.
        {"one\ntwo\rthree\r\nheading\r\n---\r\n", {{"", "one\ntwo<br>three&nbsp;"}}},
        // A separator after a single line: the second cut fails, but the first one stands.
        {"\r\nonly\r\n---\r\n" + line61("a", "Signed") + "\r\n", {{"", "only&nbsp;"}}},
        // Nothing to collect: the cut failure shows.
        {"---\r\n", {{"Error", "Invalid procedure call or argument&nbsp;"}}},
    };
    for (const auto& [log, rows] : cases) EXPECT_EQ(signatures(log), section("Sigverif", rows)) << log;
}

TEST(SignatureSection, MissingOrLockedLogs) {
    EXPECT_EQ(signatures("x", true), section("Sigverif", {{"Error", "Bad file name or number&nbsp;"}}));
    PlatformScope scope;  // WinDir unset: "\SIGVERIF.TXT", and without it no section
    EXPECT_TRUE(runSection(scope.platform, probes::WriteSignatureSection).empty());
    scope.files.add("\\SIGVERIF.TXT", "intro\r\nhead\r\n---\r\n");
    EXPECT_EQ(runSection(scope.platform, probes::WriteSignatureSection), section("Sigverif", {{"", "intro&nbsp;"}}));
}

}  // namespace
}  // namespace tq
