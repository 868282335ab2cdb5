// The BIOS section and the probe pattern it is written on.
#include <gtest/gtest.h>

#include "probes/probe.h"
#include "probes/probes.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::RepositoryScope;
using testing::runSection;
using testing::section;

// Values are written escaped: markup from the machine shows as text, "&" stays.
TEST(BiosSection, RowsForEachBiosInOrder) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Bios": [
        {"Manufacturer": "American Megatrends Inc.", "Description": "<b>1.40</b> R&D", "SMBIOSBIOSVersion": "1.40"},
        {"Description": "second"}]})");
    EXPECT_EQ(runSection(probes::WriteBiosSection),
              section("Bios", {{"Manufacturer", "American Megatrends Inc.&nbsp;"},
                               {"Description", "&lt;b&gt;1.40&lt;/b&gt; R&D&nbsp;"},
                               {"SMBIOS", "1.40&nbsp;"},
                               {"Manufacturer", "&nbsp;"},
                               {"Description", "second&nbsp;"},
                               {"SMBIOS", "&nbsp;"}}));
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(BiosSection, AllPropertiesNullGiveNbspCells) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Bios": [{"Manufacturer": null, "Description": null, "SMBIOSBIOSVersion": null}]})");
    EXPECT_EQ(runSection(probes::WriteBiosSection),
              section("Bios", {{"Manufacturer", "&nbsp;"}, {"Description", "&nbsp;"}, {"SMBIOS", "&nbsp;"}}));
}

TEST(BiosSection, UnreachableServiceGivesHeadErrorRowAndEnd) {
    PlatformScope scope;  // no repository: binding fails
    EXPECT_EQ(runSection(probes::WriteBiosSection), section("Bios", {{"Error", "Object required&nbsp;"}}));
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(BiosSection, NoBiosObjectGivesTitleOnly) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Bios": []})");
    EXPECT_EQ(runSection(probes::WriteBiosSection), section("Bios", {}));
}

TEST(BiosSection, PropertyOfAnotherKindAbandonsThatRowOnly) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Bios": [{"Manufacturer": "M", "Description": ["a", "b"], "SMBIOSBIOSVersion": "9"}]})");
    // The array cannot be appended (type mismatch); the next row still comes,
    // and the row write after it clears the failure again.
    EXPECT_EQ(runSection(probes::WriteBiosSection),
              section("Bios", {{"Manufacturer", "M&nbsp;"}, {"SMBIOS", "9&nbsp;"}}));
}

// A late-head probe on the pattern, as the device sections use it.
void writeLateHeadProbe(report::ReportStream& stream) {
    probes::Probe p(stream);
    p.bind();
    p.query("Select * from Win32_Keyboard");
    p.lateHead("Keyboard");
    p.walk([&](const wmi::Object& k) {
        if (!trap::test([&] { return k["Description"].isNonEmptyText(); })) return;
        p.writeHead();
        p.separator();
        p.row("Name", [&] { return probes::nbsp(k["Description"]); });
        ++p.counter;
    });
    p.finish("Error: try to get data about Keyboard.", "KB");
}

TEST(ProbePattern, LateHeadLeavesNoTraceWithoutRowsOrFailure) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Keyboard": [{"Description": ""}]})");
    EXPECT_TRUE(runSection(writeLateHeadProbe).empty());
}

TEST(ProbePattern, LateHeadWithFailureAndNoRowsUsesFallbackTitleWithoutMessage) {
    PlatformScope scope;
    EXPECT_EQ(runSection(writeLateHeadProbe), section("KB", {{"Error", "Object required&nbsp;"}}));
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(ProbePattern, SeparatorRowsBetweenDevicesNotBeforeTheFirst) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Keyboard": [{"Description": "A"}, {"Description": null}, {"Description": "B"}]})");
    EXPECT_EQ(runSection(writeLateHeadProbe),
              section("Keyboard", {{"Name", "A&nbsp;"}, {"&nbsp;", "&nbsp;"}, {"Name", "B&nbsp;"}}));
}

TEST(ProbePattern, RejectedQueryLeavesNegativeFailureThatIsNeverShown) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_Bios": []})");
    auto probe = [](report::ReportStream& stream) {
        probes::Probe p(stream);
        p.bind();
        p.query("Select * from Win32_NoSuchClass");
        p.lateHead("Nothing");
        p.walk([&](const wmi::Object&) { p.writeHead(); });
        EXPECT_LT(trap::pending().number, 0);
        p.finish();
    };
    EXPECT_TRUE(runSection(probe).empty());
}

TEST(GetDriverVersion, FirstDriverWithAVersionAndTheExactName) {
    PlatformScope scope;
    RepositoryScope repo(R"({"Win32_PnPSignedDriver": [
        {"Description": "Realtek Audio", "DriverVersion": null},
        {"Description": "realtek audio", "DriverVersion": "1.0"},
        {"Description": "Realtek Audio", "DriverVersion": "6.0.1.8"},
        {"Description": "Realtek Audio", "DriverVersion": "7.0"}]})");
    EXPECT_EQ(probes::GetDriverVersion("Realtek Audio"), "6.0.1.8");
    EXPECT_EQ(probes::GetDriverVersion("REALTEK AUDIO"), "");
    EXPECT_EQ(probes::GetDriverVersion("Realtek"), "");
}

TEST(GetDriverVersion, UnreachableServiceGivesEmptyText) {
    PlatformScope scope;
    EXPECT_EQ(probes::GetDriverVersion("x"), "");
}

}  // namespace
}  // namespace tq
