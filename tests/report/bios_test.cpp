// The BIOS section and the probe pattern it is written on.
#include <gtest/gtest.h>

#include <optional>

#include "probes/probe.h"
#include "probes/probes.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::RepositoryScope;
using testing::runSection;
using testing::section;

// Values are written escaped: markup from the machine shows as text, "&"
// stays. A property of another kind (an array) cannot be appended: that row
// is abandoned, the next one still comes and clears the failure again. (The
// unbound service is covered by the whole-report test.)
TEST(BiosSection, RowsForEachBiosInOrder) {
    const struct {
        const char* json;
        std::vector<std::pair<std::string, std::string>> rows;
    } cases[] = {
        {R"({"Win32_Bios": [
            {"Manufacturer": "American Megatrends Inc.", "Description": "<b>1.40</b> R&D", "SMBIOSBIOSVersion": "1.40"},
            {"Description": "second", "SMBIOSBIOSVersion": null}]})",
         {{"Manufacturer", "American Megatrends Inc.&nbsp;"}, {"Description", "&lt;b&gt;1.40&lt;/b&gt; R&D&nbsp;"},
          {"SMBIOS", "1.40&nbsp;"}, {"Manufacturer", "&nbsp;"}, {"Description", "second&nbsp;"}, {"SMBIOS", "&nbsp;"}}},
        {R"({"Win32_Bios": [{"Manufacturer": "M", "Description": ["a", "b"], "SMBIOSBIOSVersion": "9"}]})",
         {{"Manufacturer", "M&nbsp;"}, {"SMBIOS", "9&nbsp;"}}},
        {R"({"Win32_Bios": []})", {}},
    };
    for (const auto& c : cases) {
        PlatformScope scope;
        RepositoryScope repo(c.json);
        EXPECT_EQ(runSection(probes::WriteBiosSection), section("Bios", c.rows)) << c.json;
        EXPECT_TRUE(scope.ui.messages.empty());
    }
}

// A late-head probe on the pattern, as the device sections use it.
void writeLateHeadProbe(report::ReportStream& stream) {
    probes::Probe p(stream);
    p.bind();
    p.query("Select * from Win32_Keyboard");
    p.lateHead("Keyboard");
    p.walk([&](const wmi::Object& k) {
        if (!p.test([&] { return k["Description"].isNonEmptyText(); })) return;
        p.writeHead();
        p.separator();
        p.row("Name", [&] { return probes::nbsp(k["Description"]); });
        ++p.counter;
    });
    p.finish("Error: try to get data about Keyboard.", "KB");
}

// No head without rows or failure; a failure without rows takes the
// fallback title and shows no message; separators only between devices.
TEST(ProbePattern, LateHeadSeparatorsAndFallbackTitle) {
    const struct {
        const char* json;  // nullptr: no service
        std::vector<std::string> lines;
    } cases[] = {
        {R"({"Win32_Keyboard": [{"Description": ""}]})", {}},
        {nullptr, section("KB", {{"Error", "Object required&nbsp;"}})},
        {R"({"Win32_Keyboard": [{"Description": "A"}, {"Description": null}, {"Description": "B"}]})",
         section("Keyboard", {{"Name", "A&nbsp;"}, {"&nbsp;", "&nbsp;"}, {"Name", "B&nbsp;"}})},
    };
    for (const auto& c : cases) {
        PlatformScope scope;
        std::optional<RepositoryScope> repo;
        if (c.json) repo.emplace(c.json);
        EXPECT_EQ(runSection(writeLateHeadProbe), c.lines) << (c.json ? c.json : "no service");
        EXPECT_TRUE(scope.ui.messages.empty());
    }
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
        EXPECT_LT(p.pending().number, 0);
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
    wmi::Run run(platform::current().binder);
    EXPECT_EQ(probes::GetDriverVersion(run, "Realtek Audio"), "6.0.1.8");
    EXPECT_EQ(probes::GetDriverVersion(run, "REALTEK AUDIO"), "");
    EXPECT_EQ(probes::GetDriverVersion(run, "Realtek"), "");
    wmi::Run unreachable(nullptr);  // no service: an empty text
    EXPECT_EQ(probes::GetDriverVersion(unreachable, "Realtek Audio"), "");
}

}  // namespace
}  // namespace tq
