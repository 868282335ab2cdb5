// Text forms of property values, as appending them to a text gives them.
#include <gtest/gtest.h>

#include "machine.h"
#include "wmi/value.h"

namespace tq {
namespace {

using wmi::testing::failureOf;

TEST(ValueText, FormsOfEachKind) {
    EXPECT_EQ(Value().str(), "");
    EXPECT_EQ(Value() & "&nbsp;", "&nbsp;");
    EXPECT_EQ(Value::integer(42) & "&nbsp;", "42&nbsp;");
    EXPECT_EQ(Value::integer(-2147483647 - 1).str(), "-2147483648");
    EXPECT_EQ(Value::text("<b>x</b>") & "", "<b>x</b>");
    EXPECT_EQ("[" & Value::boolean(true), "[True");
    EXPECT_EQ(Value::boolean(false).str(), "False");
    // Shortest forms: up to 15 digits for doubles, 7 for singles.
    EXPECT_EQ(Value::real(95.367431640625).str(), "95.367431640625");
    EXPECT_EQ(Value::real(7.3f, true).str(), "7.3");
    EXPECT_EQ(Value::real(7.3f).str(), "7.30000019073486");
    EXPECT_EQ(Value::real(0.1 + 0.2).str(), "0.3");
    EXPECT_EQ(Value::real(2.0).str(), "2");
    EXPECT_EQ(Value::real(1e20).str(), "1E+20");
    EXPECT_EQ(Value::real(1.5e-7).str(), "1.5E-07");
}

TEST(ValueText, OtherKindsDoNotJoinTexts) {
    const Value array = Value::other("[1,2]");
    EXPECT_EQ(failureOf([&] { (void)(array & "&nbsp;"); }).number, fail::kTypeMismatch);
    EXPECT_EQ(failureOf([&] { (void)array.length(); }).number, fail::kTypeMismatch);
    EXPECT_EQ(failureOf([&] { (void)array.isNotEmpty(); }).number, fail::kTypeMismatch);
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
    EXPECT_NE(Value::integer(1), Value::boolean(true));
    EXPECT_NE(Value::real(7.3f, true), Value::real(7.3f));
}

}  // namespace
}  // namespace tq
