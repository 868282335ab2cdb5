// The probe pattern the sections are written on. Late heads, separators and
// fallback titles are covered by the section and whole-report tests, the
// BIOS section and the driver-version lookup by the section and budget tests.
#include <gtest/gtest.h>

#include "probes/probe.h"
#include "probes/probes.h"
#include "tests/support/fakes.h"
#include "tests/support/service_double.h"

namespace tq {
namespace {

TEST(ProbePattern, RejectedQueryLeavesNegativeFailureThatIsNeverShown) {
    testing::PlatformScope scope;
    testing::ServiceDouble repo(scope.platform, R"({"Win32_Bios": []})");
    auto probe = [](report::ReportStream& stream) {
        probes::Probe p(stream);
        p.bind();
        p.query("Select * from Win32_NoSuchClass");
        p.lateHead("Nothing");
        p.walk([&](const wmi::Object&) { p.writeHead(); });
        EXPECT_LT(p.pending().number, 0);
        p.finish();
    };
    EXPECT_TRUE(testing::runSection(scope.platform, probe).empty());
}

}  // namespace
}  // namespace tq
