// The value forms the sections share: firmware cut from identifiers, disk,
// memory and date forms, and the quoted MAC lookup.
#include <gtest/gtest.h>

#include "probes/probes.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

using testing::PlatformScope;

TEST(Forms, FirmwareCutFromIdentifier) {
    std::string vp = "Ven_HL-DT-ST&Prod_DVDRAM_GH24NSB0";
    vp.resize(40, '_');
    const std::pair<std::string, std::string> cases[] = {
        // IDE\CDROM + 40-character field + "1.00____" + "\" + instance.
        {"IDE\\CDROM" + vp + "1.00____\\5&1234&0&1.0.0", "1.00    "},
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
    PlatformScope scope;  // en-US decimal point
    const std::pair<const char*, const char*> cases[] = {
        {"250059350016", "249.8 GB"}, {"80026361856", "79.7 GB"}, {"1000204886016", "999.9 GB"},
        {"2300000000", "2 GB"},  {"120300000000", "120 GB"}, {"2000300000000", "2000 GB"},  // whole: plain digits
        // Just above and just below a half in double arithmetic, then exactly halfway.
        {"102750000000", "102.5 GB"}, {"103150000000", "102.9 GB"}, {"1750000000", "1.4 GB"},
        {"2550000000", "2.2 GB"}, {"3050000000", "2.8 GB"},
    };
    for (const auto& [bytes, gb] : cases) EXPECT_EQ(probes::DiskSizeGb(Value::text(bytes)), gb) << bytes;
    EXPECT_THROW(probes::DiskSizeGb(Value()), Error);
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
    PlatformScope scope;  // en-US locale
    using probes::ConvertWmiDate;
    using probes::FormatDate;
    EXPECT_EQ(FormatDate(ConvertWmiDate("20200701143005.000000-000")), "7/1/2020 2:30:05 PM");
    EXPECT_EQ(FormatDate(ConvertWmiDate("20191231000000.000000-000")), "12/31/2019");
    EXPECT_EQ(FormatDate(ConvertWmiDate("20240229000001")), "2/29/2024 12:00:01 AM");
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

TEST(Forms, MacLookupQuotesNamesAndLeavesNoFailure) {
    PlatformScope scope;
    wmi::Run unbound(nullptr);
    EXPECT_EQ(probes::GetMacAddress(unbound, "x"), "");
    EXPECT_EQ(unbound.trap.pending().number, 0);
    testing::RepositoryScope repo(R"({"Win32_NetworkAdapter": [{"Name": "x", "MACAddress": "m"}]})");
    wmi::Run run(platform::current().binder);
    // A name that would end the literal early finds nothing and changes nothing.
    EXPECT_EQ(probes::GetMacAddress(run, "' OR Name <> '"), "");
    EXPECT_EQ(probes::GetMacAddress(run, "x"), "m");
    EXPECT_EQ(probes::GetMacAddress(run, "y"), "");
    EXPECT_EQ(run.trap.pending().number, 0);
}

}  // namespace
}  // namespace tq
