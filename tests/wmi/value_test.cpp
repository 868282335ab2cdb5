// Text forms of property values, as appending them to a text gives them.
// (The plain forms of texts, integers and Booleans: every report row.)
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "machine.h"
#include "wmi/value.h"

namespace tq {
namespace {

using wmi::testing::failureOf;

TEST(ValueText, FloatingPointNumbers) {
    // The value, whether it is a single, and its text with "." as the
    // separator; with "," the same text with a comma.
    // clang-format off
    const std::tuple<double, bool, std::string> cases[] = {
        // Whole numbers are plain digits, trailing zeros included.
        {120.0, false, "120"}, {2000.0, false, "2000"}, {100.0, false, "100"}, {20.0, false, "20"},
        {10.0f, true, "10"}, {-300.0, false, "-300"}, {999999999999999.0, false, "999999999999999"},
        {100000000000000.0, false, "100000000000000"}, {9999999.0f, true, "9999999"}, {1000000.0f, true, "1000000"},
        // Fractions: up to 15 significant digits, 7 for singles, no trailing zero.
        {95.367431640625, false, "95.367431640625"}, {102.5, false, "102.5"}, {0.1 + 0.2, false, "0.3"},
        {7.3f, true, "7.3"}, {7.3f, false, "7.30000019073486"}, {2.0 / 3, false, "0.666666666666667"},
        {0.0001, false, "0.0001"},
        // The exponent form from 1E+15 (singles 1E+07) and below 1E-04.
        {1e15, false, "1E+15"}, {1234567890123456.0, false, "1.23456789012346E+15"}, {1e20, false, "1E+20"},
        {1e7f, true, "1E+07"}, {12345678.0f, true, "1.234568E+07"}, {0.00001, false, "1E-05"},
        {1.5e-7, false, "1.5E-07"}, {1e-300, false, "1E-300"}, {0.0, false, "0"},
    };
    // clang-format on
    for (auto [value, single, text] : cases) {
        EXPECT_EQ(Value::real(value, single).str("."), text) << value;
        for (char& ch : text) ch = ch == '.' ? ',' : ch;
        EXPECT_EQ(Value::real(value, single).str(","), text) << value;
    }
}

TEST(ValueText, TenthsDecidedOnTheExactValue) {
    // value, the tenths. Each double lies a hair off the decimal it was
    // written as; the hair decides, not the rounding of value * 10.
    // clang-format off
    const std::pair<double, double> cases[] = {
        {102.75 - 0.3, 102.5},  // 102.45000000000000284: above the half
        {103.15 - 0.3, 102.9},  // 102.85000000000000853
        {0.75 - 0.3, 0.5},      // 0.45000000000000001
        {1.75 - 0.3, 1.4},      // 1.4499999999999999556: below the half
        {0.25, 0.2}, {0.75, 0.8}, {-2.25, -2.2},  // exactly halfway: the even tenth
        {249.759350016, 249.8}, {79.726361856, 79.7}, {-1.45, -1.4}, {-0.45, -0.5},
        {5e15, 5e15}, {0.0, 0.0},
    };
    // clang-format on
    for (const auto& [value, tenths] : cases) EXPECT_EQ(roundToTenths(value), tenths) << value;
}

TEST(ValueText, LengthAndTests) {
    EXPECT_EQ(Value::text("\xC3\xA4\xC3\xB6").length(), 2u);  // characters, not bytes
    EXPECT_EQ(Value::integer(-12).length(), 3u);
    EXPECT_FALSE(Value().isNotEmpty());
    EXPECT_FALSE(Value::text("").isNotEmpty());
    EXPECT_TRUE(Value::integer(0).isNotEmpty());
    EXPECT_FALSE(Value::integer(5).isNonEmptyText());
    EXPECT_TRUE(Value::text(" ").isNonEmptyText());
    EXPECT_EQ(Value::text(" 2036385280 ").number(), 2036385280.0);
    EXPECT_EQ(Value::text("12x").number(), std::nullopt);
    EXPECT_EQ(Value::boolean(true).number(), -1.0);
    // An array or object has no text form.
    const Value array = Value::other("[1,2]");
    EXPECT_EQ(failureOf([&] { (void)array.length(); }).number, fail::kTypeMismatch);
    EXPECT_EQ(failureOf([&] { (void)array.isNotEmpty(); }).number, fail::kTypeMismatch);
}

}  // namespace
}  // namespace tq
