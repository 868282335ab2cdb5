// The probe pattern the sections are written on (the BIOS section and the
// driver-version lookup are covered by the section and budget tests).
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
        EXPECT_LT(trap::pending().number, 0);
        p.finish();
    };
    EXPECT_TRUE(runSection(probe).empty());
}

}  // namespace
}  // namespace tq
