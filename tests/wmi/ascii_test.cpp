// ASCII case and trimming: only ASCII letters change, the comparisons agree
// with each other, and trimming takes the characters asked for.
#include <gtest/gtest.h>

#include "wmi/ascii.h"

namespace tq {
namespace {

TEST(Ascii, CaseComparisonAndTrim) {
    EXPECT_EQ(ascii::lower("Win32_BIOS \xC3\x84@[`{"), "win32_bios \xC3\x84@[`{");
    EXPECT_EQ(ascii::upper("pci\\ven_8086 \xC3\xA4@[`{"), "PCI\\VEN_8086 \xC3\xA4@[`{");
    const struct {
        const char *a, *b;
        int order;
    } cases[] = {{"WQL", "wql", 0}, {"", "", 0},       {"abc", "abd", -1},          {"ab", "abc", -1},
                 {"B", "a", 1},     {"_", "a", -1},    {"\xC3\x84", "\xC3\xA4", -1}, {"Z", "\xC3\xA4", -1}};
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(ascii::icompare(a, b), order) << a << " " << b;
        EXPECT_EQ(ascii::icompare(b, a), -order) << a << " " << b;
        EXPECT_EQ(ascii::iequals(a, b), order == 0) << a << " " << b;
        EXPECT_EQ(ascii::Less{}(a, b), order < 0) << a << " " << b;
    }
    EXPECT_TRUE(ascii::istartsWith("WinMgmts:{x}", "winmgmts:"));
    EXPECT_FALSE(ascii::istartsWith("winmgmt", "winmgmts:"));
    EXPECT_EQ(ascii::trim(" \t\v\fa b\r\n"), "a b");
    EXPECT_EQ(ascii::trim(" \t "), "");
    EXPECT_EQ(ascii::trim(std::string_view("\0 serial \0", 10), std::string_view(" \0", 2)), "serial");
    EXPECT_EQ(ascii::trim("\vx\v", " \t\r\n"), "\vx\v");
}

}  // namespace
}  // namespace tq
