// The WQL engine against the sample machine (the program's own queries run in
// the section and whole-report tests): precedence, LIKE, literal conversion,
// select lists, superclasses, case rules, and which failures a query gives
// and when.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "machine.h"
#include "tests/support/tempdir.h"
#include "wmi/wql.h"

namespace tq::wmi {
namespace {

using testing::column;
using testing::failureOf;
using testing::kInvalidClass;
using testing::kInvalidQuery;
using testing::kInvalidQueryType;
using testing::sampleMachine;
using V = std::vector<std::string>;

class Wql : public ::testing::Test {
protected:
    std::shared_ptr<Repository> repo = sampleMachine();
    V col(const std::string& q, const std::string& p) { return column(repo, q, p); }
    std::int32_t errorOf(const std::string& q, int flags = 0, const std::string& lang = "WQL") {
        return failureOf([&] {
                   CollectionPtr c = makeService(repo)->execQuery(q, lang, flags);
                   while (c->next()) {
                   }
               })
            .number;
    }
};

// Precedence, literals taking the property's type, and case rules, as
// recorded queries: tests/data/sample-machine.queries.
TEST_F(Wql, RecordedQueriesGiveTheirColumns) {
    std::istringstream in(tq::testing::readFile(std::string(TQ_SOURCE_DIR) + "/tests/data/sample-machine.queries"));
    int queries = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        V fields;
        for (std::size_t at = 0, tab; at <= line.size(); at = tab + 1) {
            tab = std::min(line.find('\t', at), line.size());
            fields.push_back(line.substr(at, tab - at));
        }
        ASSERT_GE(fields.size(), 2u) << line;
        EXPECT_EQ(col(fields[0], fields[1]), V(fields.begin() + 2, fields.end())) << fields[0];
        ++queries;
    }
    EXPECT_EQ(queries, 30);
}

TEST(WqlLike, PatternsAndClasses) {
    // clang-format off
    const struct { const char *pattern, *value; bool matches; } cases[] = {
        {"%", "", true}, {"abc", "ABC", true}, {"abc", "abcd", false}, {"a%c", "abbbc", true}, {"a%c", "ac", true},
        {"a%c", "acb", false}, {"%a%b%", "xxaxxbxx", true}, {"%aab", "aaab", true},  // backtracks a partial match
        {"a_c", "abc", true}, {"a_c", "ac", false}, {"_", "\xC3\xA4", true},          // one character, two bytes
        {"\xC3\x84%", "\xC3\xA4x", true},                                            // Ä matches ä
        {"[abc]x", "Bx", true}, {"[abc]x", "dx", false}, {"[a-f]1", "E1", true}, {"[a-f]1", "g1", false},
        {"[^a]%", "bcd", true}, {"[^a]%", "abc", false}, {"[%]", "%", true}, {"[%]", "x", false},
        {"[a-]", "-", true}, {"[0-9][0-9]%", "42 things", true},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(wql::LikePattern(c.pattern).matches(c.value), c.matches) << c.pattern << " ~ " << c.value;
    for (const char* bad : {"[abc", "[]", "[^]", "x[", "[a-"})
        EXPECT_EQ(failureOf([&] { wql::LikePattern p(bad); }).number, kInvalidQuery) << bad;
}

// Quotes inside a literal, escaped, in either kind of quotes.
TEST_F(Wql, EscapedQuotesInLiterals) {
    auto r = std::make_shared<Repository>();
    r->add("Win32_Keyboard").set("Description", Value::text("O'Brien \"quoted\""));
    for (const char* q : {"SELECT * FROM Win32_Keyboard WHERE Description = 'O\\'Brien \"quoted\"'",
                          "SELECT * FROM Win32_Keyboard WHERE Description = \"O'Brien \\\"quoted\\\"\""})
        EXPECT_EQ(column(r, q, "Description").size(), 1u) << q;
}

TEST_F(Wql, UnknownClassesCompareByTheValuesKind) {
    auto r = std::make_shared<Repository>();
    Instance& a = r->add("Custom_Thing");
    a.set("Count", Value::integer(10));
    a.set("Label", Value::text("10"));
    a.set("Flag", Value::boolean(true));
    const std::pair<const char*, std::size_t> cases[] = {
        {"Count > '9'", 1},                          // as numbers
        {"Label > 9", 0},                            // as texts: "10" < "9"
        {"Flag = TRUE", 1},     {"Count > 'x'", 0},  // no number: no match, and no failure
        {"Missing = 1", 0},                          // not listed: absent
        {"Missing IS NULL", 1},
    };
    for (const auto& [where, n] : cases)
        EXPECT_EQ(column(r, std::string("SELECT * FROM Custom_Thing WHERE ") + where, "Count").size(), n) << where;
}

TEST_F(Wql, SelectListLimitsWhatCanBeRead) {
    const auto c = makeService(repo)->execQuery("SELECT AttachedTo,Caption FROM Win32_POTSModem", "WQL", kProbeFlags);
    const Object* o = c->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get("attachedto").str(), "COM3");
    EXPECT_EQ(o->names(), (V{"AttachedTo", "Caption"}));
    EXPECT_EQ(o->className(), "Win32_POTSModem");
    EXPECT_EQ(failureOf([&] { o->get("PNPDeviceID"); }),
              (Failure{fail::kNotSupported, "Object doesn't support this property or method"}));
    // The condition may use other properties.
    EXPECT_EQ(col("SELECT Caption FROM Win32_POTSModem WHERE AttachedTo = 'COM4'", "Caption"), (V{"Modem B"}));
}

TEST_F(Wql, SuperclassQueriesYieldSubclassObjects) {
    CollectionPtr c =
        makeService(repo)->execQuery("SELECT * FROM CIM_PhysicalMemory WHERE MemoryType = 24", "WQL", kProbeFlags);
    const Object* o = c->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->className(), "Win32_PhysicalMemory");
    EXPECT_EQ(o->get("Capacity").str(), "8589934592");
    EXPECT_EQ(c->next(), nullptr);
    // The subclass alone does not yield its superclass's own objects.
    repo->add("CIM_PhysicalMemory").set("Tag", Value::text("generic"));
    EXPECT_EQ(col("SELECT * FROM Win32_PhysicalMemory", "Tag"), (V{"Physical Memory 0", "Physical Memory 1"}));
    EXPECT_EQ(col("SELECT * FROM CIM_PhysicalMemory", "Tag"), (V{"generic", "Physical Memory 0", "Physical Memory 1"}));
}

TEST_F(Wql, FailuresAndWhenTheySurface) {
    const std::string bios = "SELECT * FROM Win32_Bios";
    const std::string w = bios + " WHERE ";
    // clang-format off
    const std::string syntax[] = {
        "", "SELECT", "SELECT FROM Win32_Bios", "SELECT * Win32_Bios", "SELECT * FROM", "SELECT *, Name FROM Win32_Bios",
        "SELECT Name, FROM Win32_Bios", w, w + "Name =", w + "Name = 'x", w + "(Name = 'x'", w + "Name = 'x')",
        w + "Name = 'x' AND", w + "Name = Caption", w + "'a' = 'b'", w + "Name LIKE 5", w + "Name LIKE '[x'",
        w + "Name IS 'x'", w + "Name NOT = 'x'", w + "Name == 'x'", w + "Name = 12abc", bios + " trailing",
        bios + "; DROP", "SELECT * FROM Where", "DELETE FROM Win32_Bios",
        w + std::string(500, '(') + "Name = 'x'" + std::string(500, ')'),
        w + "NoSuchProperty = 1", "SELECT NoSuchProperty FROM Win32_Bios", w + "BIOSVersion = 'x'",  // an array
        // A numeric or Boolean property against a text that is no such value.
        "SELECT * FROM Win32_DiskDrive WHERE Size > 'big'", "SELECT * FROM Win32_DiskDrive WHERE Size = TRUE",
        "SELECT * FROM Win32_PnPSignedDriver WHERE IsSigned = 'perhaps'",
    };
    // clang-format on
    for (const std::string& q : syntax) EXPECT_EQ(errorOf(q), kInvalidQuery) << q;
    EXPECT_EQ(errorOf("SELECT * FROM Win32_Nothing"), kInvalidClass);
    EXPECT_EQ(errorOf(bios, 0, "SQL"), kInvalidQueryType);
    EXPECT_EQ(errorOf(bios, 0, "wql"), 0);
    // A known class without objects is an empty result.
    EXPECT_EQ(column(std::make_shared<Repository>(), "SELECT * FROM Win32_Keyboard", "Name"), (V{}));

    // Without "return immediately" execQuery fails at once ...
    ServicePtr s = makeService(repo);
    EXPECT_EQ(failureOf([&] { s->execQuery("SELECT * FROM Win32_Nothing", "WQL", kForwardOnly); }).number,
              kInvalidClass);
    // ... with it, the failure waits for the walk, and stays.
    CollectionPtr c;
    EXPECT_EQ(failureOf([&] { c = s->execQuery("SELECT * FROM Win32_Nothing", "WQL", kProbeFlags); }).number, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(failureOf([&] { c->next(); }).number, kInvalidClass);
    EXPECT_EQ(failureOf([&] { c->next(); }).number, kInvalidClass);
    EXPECT_EQ(failureOf([&] { s->execQuery("SELECT * FROM", "WQL", kProbeFlags)->next(); }),
              (Failure{kInvalidQuery, fail::describeService(fail::kWbemInvalidQuery)}));
}

// The repository stays alive as long as a result made from it.
TEST_F(Wql, AResultKeepsItsRepository) {
    auto r = std::make_shared<Repository>();
    r->add("Win32_Bios");
    CollectionPtr later = makeService(r)->execQuery("SELECT * FROM Win32_Bios", "WQL", kProbeFlags);
    r.reset();
    const Object* o = later->next();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->get("Manufacturer").kind(), Value::Kind::Absent);
}

}  // namespace
}  // namespace tq::wmi
