// Text forms of property values, as appending them to a text gives them.
#include <gtest/gtest.h>

#include "machine.h"
#include "wmi/value.h"

namespace tq {
namespace {

using wmi::testing::failureOf;

TEST(ValueText, FormsOfEachKind) {
    EXPECT_EQ(Value() & "&nbsp;", "&nbsp;");
    EXPECT_EQ(Value::integer(42) & "&nbsp;", "42&nbsp;");
    EXPECT_EQ(Value::text("<b>x</b>") & "", "<b>x</b>");
    EXPECT_EQ("[" & Value::boolean(true), "[True");
    // Shortest forms: up to 15 digits for doubles, 7 for singles.
    const std::pair<Value, const char*> cases[] = {
        {Value(), ""}, {Value::integer(-2147483647 - 1), "-2147483648"}, {Value::boolean(false), "False"},
        {Value::real(95.367431640625), "95.367431640625"}, {Value::real(7.3f, true), "7.3"},
        {Value::real(7.3f), "7.30000019073486"}, {Value::real(0.1 + 0.2), "0.3"}, {Value::real(2.0), "2"},
        {Value::real(1e20), "1E+20"}, {Value::real(1.5e-7), "1.5E-07"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(v.str(), text);
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
