// The small text modules: ASCII case and trimming (only ASCII letters
// change, the comparisons agree), and management datetimes taken apart,
// checked against the calendar and made from parts and from moments.
#include <gtest/gtest.h>

#include "wmi/ascii.h"
#include "wmi/cimdate.h"

namespace tq {
namespace {

TEST(Ascii, CaseComparisonAndTrim) {
    EXPECT_EQ(ascii::lower("AZ Win32_BIOS \xC3\x84@[`{"), "az win32_bios \xC3\x84@[`{");
    EXPECT_EQ(ascii::upper("az pci\\ven_8086 \xC3\xA4@[`{"), "AZ PCI\\VEN_8086 \xC3\xA4@[`{");
    // clang-format off
    const struct { const char *a, *b; int order; } cases[] = {
        {"WQL", "wql", 0}, {"", "", 0}, {"abc", "abd", -1}, {"ab", "abc", -1}, {"B", "a", 1}, {"_", "a", -1},
        {"\xC3\x84", "\xC3\xA4", -1}, {"Z", "\xC3\xA4", -1},
    };
    // clang-format on
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(ascii::icompare(a, b), order) << a << " " << b;
        EXPECT_EQ(ascii::icompare(b, a), -order) << a << " " << b;
        EXPECT_EQ(ascii::iequals(a, b), order == 0) << a << " " << b;
    }
    EXPECT_TRUE(ascii::istartsWith("WinMgmts:{x}", "winmgmts:"));
    EXPECT_FALSE(ascii::istartsWith("winmgmt", "winmgmts:"));
    EXPECT_EQ(ascii::trim(" \t\v\fa b\r\n"), "a b");
    EXPECT_EQ(ascii::trim(" \t "), "");
    EXPECT_EQ(ascii::trim(std::string_view("\0 serial \0", 10), std::string_view(" \0", 2)), "serial");
}

TEST(CimDate, ParseCheckFormat) {
    using cimdate::DateTime;
    EXPECT_EQ(cimdate::parse("20230415103005.000000+060"), (DateTime{2023, 4, 15, 10, 30, 5}));
    EXPECT_EQ(cimdate::parse("20230415**********.******+***", false), (DateTime{2023, 4, 15}));
    for (const char* bad : {"2023041510300", "20230415**********", "2023-04-15", ""})
        EXPECT_FALSE(cimdate::parse(bad)) << bad;
    EXPECT_FALSE(cimdate::parse("2023041\xC3\xA4", false));
    for (const DateTime& d : {DateTime{2024, 2, 29, 23, 59, 59}, DateTime{2000, 2, 29}, DateTime{2023, 12, 31}})
        EXPECT_TRUE(cimdate::valid(d)) << cimdate::format(d);
    for (const DateTime& d : {DateTime{2023, 2, 29}, DateTime{1900, 2, 29}, DateTime{2023, 4, 31},
                              DateTime{2023, 13, 1}, DateTime{2023, 0, 1}, DateTime{2023, 1, 0},
                              DateTime{2023, 1, 1, 24}, DateTime{2023, 1, 1, 0, 60}, DateTime{2023, 1, 1, 0, 0, 60}})
        EXPECT_FALSE(cimdate::valid(d)) << cimdate::format(d);
    EXPECT_EQ(cimdate::format({2024, 2, 1, 17, 30, 24}, "-000"), "20240201173024.000000-000");
    // Moments as the C library's gmtime gives them, four-digit years and beyond.
    // clang-format off
    const std::pair<long long, const char*> moments[] = {
        {0, "19700101000000.000000+000"}, {1700003600, "20231114231320.000000+000"},
        {951782400, "20000229000000.000000+000"}, {-1, "19691231235959.000000+000"},
        {253402300800, "100000101000000.000000+000"}, {INT64_MAX, ""},
    };
    // clang-format on
    for (const auto& [seconds, text] : moments) EXPECT_EQ(cimdate::fromUnixTime(seconds), text) << seconds;
}

}  // namespace
}  // namespace tq
