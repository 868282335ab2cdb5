// Failure trapping with real queries against a repository: a failing step
// is abandoned and its failure pending, a failing test does not hold. (The
// latest failure winning and walks that cannot start: every section's failure
// rows; the service's own failures never shown: the probe pattern's test.)
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "machine.h"
#include "wmi/run.h"
#include "wmi/service.h"
#include "wmi/trap.h"

namespace tq::wmi {
namespace {

TEST(Trapping, FailingStepIsAbandonedFailingTestDoesNotHold) {
    wmi::Run run{makeBinder(testing::sampleMachine())};
    trap::Trap& t = run.trap;
    std::vector<std::string> rows;
    ServicePtr s;
    t.step([&] { s = run.bind(kMoniker); });
    CollectionPtr c;
    t.step([&] { c = execQuery(s, "SELECT AttachedTo,Caption FROM Win32_POTSModem WHERE PNPDeviceID IS NOT NULL"); });
    walk(t, c, [&](const Object& modem) {
        t.step([&] { rows.push_back("Caption " & modem["Caption"]); });
        t.step([&] {
            rows.push_back("before");
            rows.push_back("Id " & modem["PNPDeviceID"]);  // not selected: fails here
            rows.push_back("after");
        });
        if (t.test([&] { return modem["PNPDeviceID"].isNonEmptyText(); })) rows.push_back("held");
        if (t.test([&] { return modem["AttachedTo"].isNonEmptyText(); }))  // holds: steps go on
            t.step([&] { rows.push_back("Port " & modem["AttachedTo"]); });
    });
    EXPECT_EQ(rows, (std::vector<std::string>{"Caption Modem A", "before", "Port COM3"}));
    EXPECT_EQ(t.pending().number, fail::kNotSupported);
    EXPECT_TRUE(t.failed());
}

}  // namespace
}  // namespace tq::wmi

namespace tq {

// What no failure number stands for becomes "Internal error"; a fault of the
// program (a logic error, something not an exception class) stops a debug build.
TEST(TrapUnexpected, InternalErrorRowAndDebugBuildsStopOnProgramFaults) {
    trap::Trap t;
    EXPECT_FALSE(t.step([] { throw std::system_error(std::make_error_code(std::errc::io_error)); }));
    EXPECT_EQ(t.pending(), (Failure{fail::kInternal, "Internal error"}));
    const auto programFault = [&t] {
        t.on();
        t.step([] { throw std::logic_error("a broken invariant"); });
        t.step([] { throw 7; });
        return t.pending().number;
    };
#ifdef NDEBUG
    EXPECT_EQ(programFault(), fail::kInternal);
#else
    EXPECT_DEATH(programFault(), "unexpected exception: a broken invariant");
#endif
}

}  // namespace tq
