// The value forms the sections share: firmware cut from identifiers, disk,
// memory and date forms. (The MAC lookup is covered by the section and
// budget tests.)
#include <gtest/gtest.h>

#include "platform/seams.h"
#include "probes/probes.h"

namespace tq {
namespace {

TEST(Forms, FirmwareCutFromIdentifier) {
    // A drive's identifier (IDE\CDROM, 40-character field, firmware, "\", instance)
    // is among the recorded machines of the section tests.
    const std::pair<std::string, std::string> cases[] = {
        // No "\" after the 20th character: all of the rest, "_" as blanks.
        {"12345678901234567890AB_CD", "AB CD"},
        // A "\" at position 8 of the rest or earlier keeps the whole rest.
        {"12345678901234567890ABCDEFG\\x", "ABCDEFG\\x"},
        {"12345678901234567890", ""},
    };
    for (const auto& [id, firmware] : cases) EXPECT_EQ(probes::FirmwareFromId(Value::text(id)), firmware) << id;
    EXPECT_THROW(probes::FirmwareFromId(Value::text("SHORT\\ID")), Error);
    EXPECT_THROW(probes::FirmwareFromId(Value()), Error);
}

TEST(Forms, DiskGigabytesLessPointThreeToOneDecimal) {
    const std::pair<const char*, const char*> cases[] = {
        {"250059350016", "249.8 GB"}, {"80026361856", "79.7 GB"}, {"1000204886016", "999.9 GB"},
        {"2300000000", "2 GB"},       {"120300000000", "120 GB"}, {"2000300000000", "2000 GB"},  // whole: plain digits
        {"102750000000", "102.5 GB"},  // the tenths as the value tests decide them, halves included
    };
    for (const auto& [bytes, gb] : cases) EXPECT_EQ(probes::DiskSizeGb(Value::text(bytes), "."), gb) << bytes;
    EXPECT_THROW(probes::DiskSizeGb(Value(), "."), Error);
}

TEST(Forms, MemoryTypeNamesAndMegabytesHalfToEven) {
    const std::pair<int, const char*> names[] = {
        {0, "Unknown "}, {17, "SDRAM "}, {20, "DDR "}, {21, "**Unknown**"}, {-1, "**Unknown**"}};
    for (const auto& [code, name] : names) EXPECT_EQ(probes::MemoryTypeName(code), name) << code;
    const std::pair<const char*, int> cases[] = {
        {"1073741824", 1024}, {"1572864", 2}, {"2621440", 2}, {"3670016", 4},  // 1.5, 2.5, 3.5 MiB
    };
    for (const auto& [bytes, mb] : cases) EXPECT_EQ(probes::CapacityMb(Value::text(bytes)), mb) << bytes;
    EXPECT_THROW(probes::CapacityMb(Value::text("4503599627370496")), Error);
}

TEST(Forms, DatesConvertAndRender) {
    using probes::ConvertWmiDate;
    auto& en = platform::usEnglishLocale();
    EXPECT_EQ(probes::FormatDate(en, ConvertWmiDate("20200701143005.000000-000")), "7/1/2020 2:30:05 PM");
    EXPECT_EQ(probes::FormatDate(en, ConvertWmiDate("20191231000000.000000-000")), "12/31/2019");
    EXPECT_EQ(probes::FormatDate(en, ConvertWmiDate("20240229000001")), "2/29/2024 12:00:01 AM");
    // The calendar's own checks are the date module's; these are the probe's.
    for (const char* bad : {"2020070114300", "20200230000000", "00990701000000", "2020-7-1000000"}) {
        try {
            ConvertWmiDate(bad);
            ADD_FAILURE() << bad << " converted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), fail::kTypeMismatch) << bad;
        }
    }
}

}  // namespace
}  // namespace tq
