// Copying the factory log into the report.
#include <gtest/gtest.h>

#include "factory/SysBuilder.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::runSection;
using testing::section;

std::vector<std::string> factoryLog(PlatformScope& scope) {
    return runSection(scope.platform, factory::WriteFactoryLogs);
}

TEST(FactoryLogs, FirstLogFoundIsCopiedAndLeftHidden) {
    PlatformScope scope;
    scope.files.add("C:\\Prodlog.txt", "Order 4711\r\n\r\n   \r\n<b>QC passed</b>\r\n", platform::kAttrReadOnly);
    scope.files.add("C:\\868.dat", "other\r\n");
    EXPECT_EQ(factoryLog(scope), section("C:\\Prodlog.txt", {{"", "Order 4711"}, {"", "   "}, {"", "<b>QC passed</b>"}}));
    EXPECT_EQ(scope.files.find("C:\\Prodlog.txt")->attributes, platform::kAttrHidden);
    EXPECT_EQ(scope.files.find("C:\\868.dat")->attributes, platform::kAttrNormal);
}

TEST(FactoryLogs, LaterCandidatesAndHiddenLogs) {
    {
        PlatformScope scope;
        scope.files.add("C:\\systembuilder.dat", "SB\r\n", platform::kAttrHidden | platform::kAttrArchive);
        scope.files.add("C:\\868.dat", "868\r\n");
        EXPECT_EQ(factoryLog(scope), section("C:\\systembuilder.dat", {{"", "SB"}}));
        EXPECT_EQ(scope.files.find("C:\\systembuilder.dat")->attributes, platform::kAttrHidden);
    }
    {
        PlatformScope scope;
        scope.files.add("C:\\868.dat", "");
        EXPECT_EQ(factoryLog(scope), section("C:\\868.dat", {}));
    }
    {
        PlatformScope scope;  // a system file is not found by the lookup
        scope.files.add("C:\\Prodlog.txt", "x\r\n", platform::kAttrSystem);
        EXPECT_TRUE(factoryLog(scope).empty());
    }
}

TEST(FactoryLogs, StopMarkerInAnyCaseEndsTheCopyAfterItsLine) {
    PlatformScope scope;
    scope.files.add("C:\\Prodlog.txt", "a\rb\nc\r\nstep 9: --end COPY-- ok\r\nnot copied\r\n");
    EXPECT_EQ(factoryLog(scope), section("C:\\Prodlog.txt", {{"", "a"}, {"", "b\nc"}, {"", "step 9: --end COPY-- ok"}}));
}

TEST(FactoryLogs, LockedLogGivesTitleOnlyAndReturnsFound) {
    PlatformScope scope;
    scope.files.add("C:\\Prodlog.txt", "x\r\n").locked = true;
    scope.files.add("C:\\868.dat", "868\r\n");
    testing::MemoryStream m(scope.platform);
    EXPECT_TRUE(factory::CopyLogFile("C:\\Prodlog.txt", m.stream));
    EXPECT_EQ(*m.lines, section("C:\\Prodlog.txt", {}));
    EXPECT_TRUE(scope.ui.messages.empty());
    EXPECT_FALSE(factory::CopyLogFile("C:\\missing.txt", m.stream));
}

}  // namespace
}  // namespace tq
