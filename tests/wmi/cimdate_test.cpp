// Management datetimes taken apart, checked against the calendar, and made
// from parts and from moments.
#include <gtest/gtest.h>

#include "wmi/cimdate.h"

namespace tq {
namespace {

using cimdate::DateTime;

TEST(CimDate, ParseCheckAndFormat) {
    EXPECT_EQ(cimdate::parse("20230415103005.000000+060"), (DateTime{2023, 4, 15, 10, 30, 5}));
    EXPECT_EQ(cimdate::parse("20230415**********.******+***", false), (DateTime{2023, 4, 15}));
    for (const char* bad : {"2023041510300", "20230415**********.******+***", "2023-04-15", "2023041\xC3\xA4"})
        EXPECT_FALSE(cimdate::parse(bad)) << bad;
    EXPECT_FALSE(cimdate::parse("2023041", false));

    for (const DateTime& d : {DateTime{2024, 2, 29, 23, 59, 59}, DateTime{2000, 2, 29}, DateTime{2023, 12, 31}})
        EXPECT_TRUE(cimdate::valid(d)) << cimdate::format(d);
    for (const DateTime& d : {DateTime{2023, 2, 29}, DateTime{1900, 2, 29}, DateTime{2023, 4, 31}, DateTime{2023, 13, 1},
                              DateTime{2023, 0, 1}, DateTime{2023, 1, 0}, DateTime{2023, 1, 1, 24},
                              DateTime{2023, 1, 1, 0, 60}, DateTime{2023, 1, 1, 0, 0, 60}})
        EXPECT_FALSE(cimdate::valid(d)) << cimdate::format(d);

    EXPECT_EQ(cimdate::format({2021, 5, 19}), "20210519000000.000000+000");
    EXPECT_EQ(cimdate::format({2024, 2, 1, 17, 30, 24}, "-000"), "20240201173024.000000-000");
}

// As the C library's gmtime gives them, four-digit years and beyond.
TEST(CimDate, Moments) {
    const std::pair<long long, const char*> moments[] = {
        {0, "19700101000000.000000+000"},          {1700003600, "20231114231320.000000+000"},
        {951782400, "20000229000000.000000+000"},  {-1, "19691231235959.000000+000"},
        {253402300800, "100000101000000.000000+000"}, {INT64_MAX, ""},
    };
    for (const auto& [seconds, text] : moments) EXPECT_EQ(cimdate::fromUnixTime(seconds), text) << seconds;
}

}  // namespace
}  // namespace tq
