// Copying the factory log into the report.
#include <gtest/gtest.h>

#include "factory/SysBuilder.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;
using testing::section;

// The first log found is copied and left hidden, the others stay as they
// were; a copy ends after the line with the stop marker, in any case.
TEST(FactoryLogs, FirstLogFoundIsCopiedAndLeftHidden) {
    struct Log {
        const char *path, *text;
        int attributes, after;
    };
    const int hidden = platform::kAttrHidden, normal = platform::kAttrNormal;
    const struct {
        std::vector<Log> logs;
        std::vector<std::string> expected;
    } cases[] = {
        {{{"C:\\Prodlog.txt", "Order 4711\r\n\r\n   \r\n<b>QC passed</b>\r\n", platform::kAttrReadOnly, hidden},
          {"C:\\868.dat", "other\r\n", normal, normal}},
         section("C:\\Prodlog.txt", {{"", "Order 4711"}, {"", "   "}, {"", "<b>QC passed</b>"}})},
        {{{"C:\\systembuilder.dat", "SB\r\n", hidden | platform::kAttrArchive, hidden},
          {"C:\\868.dat", "868\r\n", normal, normal}},
         section("C:\\systembuilder.dat", {{"", "SB"}})},
        {{{"C:\\868.dat", "", normal, hidden}}, section("C:\\868.dat", {})},
        {{{"C:\\Prodlog.txt", "x\r\n", platform::kAttrSystem, platform::kAttrSystem}}, {}},  // not found by the lookup
        {{{"C:\\Prodlog.txt", "a\rb\nc\r\nstep 9: --end COPY-- ok\r\nnot copied\r\n", normal, hidden}},
         section("C:\\Prodlog.txt", {{"", "a"}, {"", "b\nc"}, {"", "step 9: --end COPY-- ok"}})},
    };
    for (const auto& c : cases) {
        PlatformScope scope;
        for (const Log& l : c.logs) scope.files.add(l.path, l.text, l.attributes);
        EXPECT_EQ(testing::runSection(scope.platform, factory::WriteFactoryLogs), c.expected) << c.logs[0].path;
        for (const Log& l : c.logs) EXPECT_EQ(scope.files.find(l.path)->attributes, l.after) << l.path;
    }
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
