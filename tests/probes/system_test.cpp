// Motherboard, graphics (with driver dates), operating system and
// performance rating sections, and the driver-signature log.
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

// ---- Motherboard ---------------------------------------------------------

TEST(MotherboardSection, ThreeBlocksIntoOneTable) {
    PlatformScope scope;
    RepositoryScope repo(R"({
      "Win32_ComputerSystemProduct": [{"Name": "<b>OptiPlex 7050</b>"}, {"Name": ""}],
      "Win32_BaseBoard": [{"Manufacturer": "Dell Inc."}],
      "Win32_ComputerSystem": [{"Manufacturer": null}]})");
    EXPECT_EQ(runSection(probes::WriteMotherboardSection),
              section("Motherboard", {{"Product", "<b>OptiPlex 7050</b>&nbsp;"},
                                      {"Manufacturer (BaseBoard)", "Dell Inc.&nbsp;"}}));
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(MotherboardSection, UnboundGivesThreeMessagesAndThreeErrorRows) {
    PlatformScope scope;
    EXPECT_EQ(runSection(probes::WriteMotherboardSection),
              section("Motherboard", {{"Error", "Object required&nbsp;"},
                                      {"Error", "Object required&nbsp;"},
                                      {"Error", "Object required&nbsp;"}}));
    ASSERT_EQ(scope.ui.messages.size(), 3u);
    for (const auto& m : scope.ui.messages) {
        EXPECT_EQ(m.prompt, "Error: try to get motherboarddata in Modul 'MB'");
        EXPECT_EQ(m.style, 16);
        EXPECT_EQ(m.title, "Tallyquest");
    }
}

// ---- Dates ---------------------------------------------------------------

TEST(WmiDates, ConvertAndRender) {
    PlatformScope scope;  // en-US locale
    using probes::ConvertWmiDate;
    using probes::FormatDate;
    EXPECT_EQ(ConvertWmiDate("20200701143005.000000-000"), (probes::DateTime{2020, 7, 1, 14, 30, 5}));
    EXPECT_EQ(FormatDate(ConvertWmiDate("20200701143005.000000-000")), "7/1/2020 2:30:05 PM");
    EXPECT_EQ(FormatDate(ConvertWmiDate("20191231000000.000000-000")), "12/31/2019");
    EXPECT_EQ(FormatDate(ConvertWmiDate("20240229000001")), "2/29/2024 12:00:01 AM");
}

TEST(WmiDates, InvalidOrShortTextsAreTypeMismatches) {
    for (const char* bad : {"2020070114300", "", "20201301000000", "20200230000000", "20230229000000",
                            "20200701240000", "20200701236000", "20200701000060", "2020-7-1000000", "20200700000000"}) {
        try {
            probes::ConvertWmiDate(bad);
            ADD_FAILURE() << bad << " converted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), fail::kTypeMismatch) << bad;
        }
    }
}

// ---- Graphics ------------------------------------------------------------

TEST(GraphicsSection, AdaptersWithAllRowsAndNumberForms) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_VideoController": [
        {"Name": "NVIDIA GeForce GTX 1060 6GB", "DeviceID": "VideoController1",
         "PNPDeviceID": "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1", "DriverVersion": "27.21.14.5671",
         "DriverDate": "20201020000000.000000-000", "CurrentHorizontalResolution": 1920,
         "CurrentVerticalResolution": 1080, "CurrentBitsPerPixel": 32, "AdapterRAM": 134217728},
        {"Name": ""},
        {"Name": "Basic Display", "CurrentHorizontalResolution": 1024, "CurrentBitsPerPixel": 0,
         "AdapterRAM": 100000000, "DriverDate": "20060621143000.000000-000"},
        {"Name": "Bad date", "DriverDate": "2006", "AdapterRAM": -1}]})");
    EXPECT_EQ(runSection(probes::WriteGraphicsSection),
              section("VGA", {{"Name", "NVIDIA GeForce GTX 1060 6GB&nbsp;"},
                              {"DeviceID", "VideoController1&nbsp;"},
                              {"PNPDeviceID", "PCI\\VEN_10DE&DEV_1C03&REV_A1\\4&1&nbsp;"},
                              {"DriverVersion", "27.21.14.5671&nbsp;"},
                              {"DriverDate", "10/20/2020&nbsp;"},
                              {"VideoMode", "1920 x 1080"},
                              {"Colour_bits", "32&nbsp;"},
                              {"Video-RAM", "128 MB"},
                              kSep,
                              {"Name", "Basic Display&nbsp;"},
                              {"DriverDate", "6/21/2006 2:30:00 PM&nbsp;"},
                              {"Video-RAM", "95.367431640625 MB"},
                              kSep,
                              {"Name", "Bad date&nbsp;"},
                              // The failed date is the last step of the walk: it is reported.
                              {"Error", "Type mismatch&nbsp;"}}));
}

TEST(GraphicsSection, UnboundGivesHeadAndError) {
    PlatformScope scope;
    EXPECT_EQ(runSection(probes::WriteGraphicsSection), section("VGA", {{"Error", "Object required&nbsp;"}}));
}

// ---- Operating system and performance rating -----------------------------

TEST(OsSection, ConditionalRows) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_OperatingSystem": [
        {"Caption": "Microsoft Windows 10 Pro", "BuildType": "Multiprocessor Free", "CountryCode": "49",
         "CSDVersion": null, "Version": "10.0.19045"},
        {"Caption": ""}]})");
    EXPECT_EQ(runSection(probes::WriteOsSection),
              section("Operatingsystem", {{"Name", "Microsoft Windows 10 Pro&nbsp;"},
                                          {"BuildType", "Multiprocessor Free&nbsp;"},
                                          {"CountryCode", "49&nbsp;"},
                                          {"Version", "10.0.19045&nbsp;"}}));
}

TEST(PerformanceSection, SixRowsPerAssessmentWithScoresAsText) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_WinSAT": [
        {"CPUScore": 8.1, "MemoryScore": 8.1, "DiskScore": 7.95, "GraphicsScore": 9.9, "D3DScore": 9.9,
         "WinSPRLevel": 7.9},
        {"CPUScore": null, "MemoryScore": 5, "DiskScore": 5.5, "GraphicsScore": 4, "D3DScore": 3, "WinSPRLevel": 3}]})");
    EXPECT_EQ(runSection(probes::WritePerformanceRatingSection),
              section("Windows System Assessment (Scoring)",
                      {{"Processor", "8.1&nbsp;"}, {"Memory", "8.1&nbsp;"}, {"Primary hard disk", "7.95&nbsp;"},
                       {"Graphics", "9.9&nbsp;"}, {"Gaming graphics", "9.9&nbsp;"},
                       {"Windows System Performance Rating", "7.9&nbsp;"},
                       {"Processor", "&nbsp;"}, {"Memory", "5&nbsp;"}, {"Primary hard disk", "5.5&nbsp;"},
                       {"Graphics", "4&nbsp;"}, {"Gaming graphics", "3&nbsp;"},
                       {"Windows System Performance Rating", "3&nbsp;"}}));
}

TEST(PerformanceSection, FailureMarkedWithDashesOnly) {
    PlatformScope scope;
    EXPECT_EQ(runSection(probes::WritePerformanceRatingSection),
              section("Windows System Assessment (Scoring)", {{"-", "-&nbsp;"}}));
}

// ---- Driver signature log ------------------------------------------------

std::string line61(const std::string& name, const std::string& status) {
    std::string l = name;
    l.resize(60, ' ');
    return l + status;
}

struct SigverifScope : PlatformScope {
    SigverifScope() { files.env["WinDir"] = "C:\\Windows"; }
    void log(const std::string& text) { files.add("C:\\Windows\\SIGVERIF.TXT", text); }
};

TEST(SignatureSection, IntroductionWithoutHeadingAndUnsignedFiles) {
    SigverifScope scope;
    const std::string unsignedEn = line61("oem12.inf", "Not Signed   n/a");
    const std::string unsignedDe = line61("tool.sys   ", "Nicht signiert  ");
    scope.log("Microsoft Signature Verification\r\n"
              "\r\n"
              "Log file generated on 5/3/2021 at 10:12 AM\r\n"
              "*** Scan ***\r\n"
              "OS Platform: Windows 10 (x64)\r\n"
              "Scan Results: Total Files: 412, Signed: 410, Unsigned: 2\r\n"
              "\r\n"
              "File             Modified     Version    Status\r\n"
              "----------       --------     -------    ------\r\n" +
              line61("kernel32.dll", "Signed") + "\r\n" + unsignedEn + "\r\n" + unsignedDe + "\r\n" +
              line61("x", "not signed") + "\r\n");
    EXPECT_EQ(runSection(probes::WriteSignatureSection),
              section("Sigverif", {{"", "Microsoft Signature Verification<br>Log file generated on 5/3/2021 at "
                                        "10:12 AM<br>OS Platform: Windows 10 (x64)<br>Scan Results: Total Files: "
                                        "412, Signed: 410, Unsigned: 2&nbsp;"},
                                   {"", unsignedEn + "<br>" + unsignedDe + "<br>&nbsp;"}}));
    EXPECT_EQ(trap::pending().number, 0);
}

TEST(SignatureSection, WithoutSeparatorTheFirstThirteenLinesFormTheIntroduction) {
    SigverifScope scope;
    std::string text, intro;
    for (int i = 1; i <= 16; ++i) {
        const std::string l = i == 14 ? line61("late.sys", "Not Signed") : "line " + std::to_string(i);
        text += l + "\r\n";
        if (i <= 13) intro += l + "<br>";
    }
    scope.log(text);
    EXPECT_EQ(runSection(probes::WriteSignatureSection),
              section("Sigverif", {{"", intro + "&nbsp;"}, {"", line61("late.sys", "Not Signed") + "<br>&nbsp;"}}));
}

TEST(SignatureSection, LineRulesOfTheLog) {
    SigverifScope scope;
    // A lone LF does not end a line; a lone CR does.
    scope.log("one\ntwo\rthree\r\nheading\r\n---\r\n");
    EXPECT_EQ(runSection(probes::WriteSignatureSection), section("Sigverif", {{"", "one\ntwo<br>three&nbsp;"}}));
}

TEST(SignatureSection, MissingLockedOrUncuttableLogs) {
    {
        SigverifScope scope;  // no log: no section
        EXPECT_TRUE(runSection(probes::WriteSignatureSection).empty());
    }
    {
        PlatformScope scope;  // WinDir unset: "\SIGVERIF.TXT"
        scope.files.add("\\SIGVERIF.TXT", "intro\r\nhead\r\n---\r\n");
        EXPECT_EQ(runSection(probes::WriteSignatureSection), section("Sigverif", {{"", "intro&nbsp;"}}));
    }
    {
        SigverifScope scope;
        scope.log("x");
        scope.files.find("C:\\Windows\\SIGVERIF.TXT")->locked = true;
        EXPECT_EQ(runSection(probes::WriteSignatureSection),
                  section("Sigverif", {{"Error", "Bad file name or number&nbsp;"}}));
        EXPECT_EQ(trap::pending().number, 0);  // cleared once reported
    }
    {
        SigverifScope scope;  // a separator after a single line: the cut fails
        scope.log("\r\nonly\r\n---\r\n" + line61("a", "Signed") + "\r\n");
        EXPECT_EQ(runSection(probes::WriteSignatureSection),
                  section("Sigverif", {{"", "only&nbsp;"}}));
    }
    {
        SigverifScope scope;  // nothing to collect, the cut failure shows
        scope.log("---\r\n");
        EXPECT_EQ(runSection(probes::WriteSignatureSection),
                  section("Sigverif", {{"Error", "Invalid procedure call or argument&nbsp;"}}));
    }
}

}  // namespace
}  // namespace tq
