// The WQL engine of the in-memory repository: parses the subset of the
// query language that the service supports for plain data queries,
//   SELECT * | prop, ... FROM class [WHERE condition]
// and evaluates conditions against stored objects with the service's rules:
// keywords, class and property names and string comparisons ignore case, a
// comparison with an absent value is false, and a literal is converted to
// the CIM type of the property it is compared with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wmi/schema.h"
#include "wmi/service.h"
#include "wmi/text.h"

namespace tq::wmi {

namespace wql {

// A compiled LIKE pattern: % any run, _ one character, [abc], [a-z], [^a].
class LikePattern {
public:
    // Throws Error (invalid query) for an unterminated or empty set.
    explicit LikePattern(std::string_view pattern);
    bool matches(std::string_view value) const;

private:
    struct Item {
        enum class Kind : std::uint8_t { Any, One, Char, Set } kind = Kind::Char;
        bool negated = false;
        char32_t c = 0;
        std::vector<std::pair<char32_t, char32_t>> ranges;  // Set: folded ranges
    };
    bool itemMatches(const Item& it, char32_t c) const noexcept;
    std::vector<Item> items_;
};

// A literal as written in a query.
struct Literal {
    enum class Kind : std::uint8_t { String, Number, Boolean, Null } kind = Kind::Null;
    std::string text;  // String: the unescaped text (a LIKE's pattern too); Number: as written
    bool boolean = false;
};

enum class Op : std::uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

// A parsed condition tree.
struct Node {
    enum class Kind : std::uint8_t { And, Or, Not, Compare, IsNull, Like } kind;
    std::vector<std::unique_ptr<Node>> children;  // And/Or: two or more; Not: one
    std::string property;                         // Compare, IsNull, Like
    Op op = Op::Eq;                               // Compare: property op literal
    Literal literal;                              // Compare
    bool negated = false;                         // IsNull: IS NOT NULL; Like: NOT LIKE
    std::unique_ptr<LikePattern> pattern;
};

struct Query {
    std::string className;
    bool all = true;                  // SELECT *
    std::vector<std::string> select;  // the select list otherwise
    std::unique_ptr<Node> where;      // null without WHERE
};

// The text a value compares as with a text literal: false for an absent
// value and for kinds that have none.
bool comparedText(const Value& v, std::string& out);

// Parses a query. Throws Error with the service's "invalid query" status
// for anything outside the grammar (and for nesting deeper than kMaxDepth).
inline constexpr int kMaxDepth = 100;
Query parse(std::string_view query);

// What a parsed query asks, as one text: keywords, class and property names
// in one letter case, blanks and parentheses normalised, literals exactly as
// written. Queries that ask the same thing share it.
std::string canonicalText(const Query& query);

// A condition bound to a class: property references checked against the
// class's schema (when the class is known) and literals converted to the
// properties' CIM types once.
class Condition {
public:
    // Throws Error (invalid query) for a property the known class lacks, an
    // array property, or a literal that cannot take the property's type.
    Condition(const Node& root, const ClassDef* def);
    ~Condition();
    Condition(Condition&&) noexcept;
    Condition& operator=(Condition&&) noexcept;

    bool matches(const Object& object) const;

    struct Compiled;  // opaque: the bound tree

private:
    std::unique_ptr<Compiled> root_;
};

}  // namespace wql
}  // namespace tq::wmi
