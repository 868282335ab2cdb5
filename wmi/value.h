// A property value as reading a management property gives it: absent, a
// text, a 32-bit signed integer, a Boolean, a floating-point number, or some
// other kind (arrays, embedded objects, 64-bit numbers not delivered as text).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tq {

class Value {
public:
    enum class Kind : std::uint8_t { Absent, Text, Integer, Boolean, Real, Other };

    Value() = default;  // absent
    static Value text(std::string s);
    static Value integer(std::int32_t i);
    static Value boolean(bool b);
    // `single` marks a single-precision number, which prints in its shortest
    // single-precision form (7.3, not 7.30000019073486).
    static Value real(double d, bool single = false);
    // Another kind; `repr` is its JSON form, kept so that snapshots round-trip.
    static Value other(std::string repr);

    Kind kind() const noexcept { return kind_; }
    bool isAbsent() const noexcept { return kind_ == Kind::Absent; }
    bool isText() const noexcept { return kind_ == Kind::Text; }
    bool isInteger() const noexcept { return kind_ == Kind::Integer; }
    bool isBoolean() const noexcept { return kind_ == Kind::Boolean; }
    bool isReal() const noexcept { return kind_ == Kind::Real; }
    bool isOther() const noexcept { return kind_ == Kind::Other; }
    bool isSingle() const noexcept { return single_; }

    // Raw payloads; only meaningful for the matching kind.
    const std::string& rawText() const noexcept { return text_; }  // Text, and Other's JSON
    std::int32_t rawInteger() const noexcept { return int_; }
    bool rawBoolean() const noexcept { return int_ != 0; }
    double rawReal() const noexcept { return real_; }

    // The text form, as appending the value to a text gives it: nothing when
    // absent, the digits of an integer, the text itself, "True"/"False",
    // a floating-point number in its shortest form with the locale's decimal
    // separator. Other kinds fail with a type mismatch.
    std::string str() const;

    // Length of the text form in characters; absent values have none (0 here,
    // and every comparison of an absent value is false, see isNotEmpty).
    std::size_t length() const;

    // The two tests the probes use throughout.
    bool isNonEmptyText() const noexcept { return kind_ == Kind::Text && !text_.empty(); }
    bool isNotEmpty() const;  // fails (type mismatch) for other kinds

    // The value as a number: integers, reals, Booleans (-1/0) and texts that
    // hold a number. Empty when it is none of these.
    std::optional<double> number() const;

    bool operator==(const Value& o) const;

private:
    Kind kind_ = Kind::Absent;
    bool single_ = false;
    std::int32_t int_ = 0;
    double real_ = 0.0;
    std::string text_;
};

// a & "text": the value's text form followed by the text.
std::string operator&(const Value& v, std::string_view s);
std::string operator&(std::string_view s, const Value& v);

// The text form of a floating-point number: at most 15 significant digits
// (7 for single precision), no trailing zeros, plain digits for whole
// numbers below 1E+15 (1E+07), the decimal separator below.
std::string formatNumber(double d, bool single = false);

// The decimal separator of number texts: the user's, handed in by whoever
// installs the platform's locale ("." until then).
void setDecimalSeparator(std::string sep);
const std::string& decimalSeparator();

// x rounded to one decimal place, decided on the exact value of x; a tie
// (x exactly halfway) goes to the even tenth.
double roundToTenths(double x);

// Counts code points of UTF-8 text.
std::size_t textLength(std::string_view utf8);

}  // namespace tq
