// A property value as reading a management property gives it: absent, a
// text, a 32-bit signed integer, a Boolean, a floating-point number, or some
// other kind (arrays, embedded objects, 64-bit numbers not delivered as text).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace tq {

// A value's text: a view that also gives itself as a std::string wherever
// one is wanted (a copy), so that callers may keep or pass it either way.
class TextRef : public std::string_view {
public:
    using std::string_view::basic_string_view;
    TextRef(std::string_view s) noexcept : std::string_view(s) {}
    operator std::string() const { return std::string(data(), size()); }
};

// Sixteen bytes whatever the kind: a snapshot holds millions of values. A
// short text lies in the value itself; a longer one in a copy of its own,
// or, for the values a repository holds, in the repository's texts.
class Value {
public:
    enum class Kind : std::uint8_t { Absent, Text, Integer, Boolean, Real, Other };

    Value() noexcept = default;  // absent
    Value(const Value& o);
    Value(Value&& o) noexcept {
        std::memcpy(rep_, o.rep_, sizeof rep_);
        std::memset(o.rep_, 0, sizeof o.rep_);
    }
    Value& operator=(const Value& o);
    Value& operator=(Value&& o) noexcept {
        if (this != &o) {
            release();
            std::memcpy(rep_, o.rep_, sizeof rep_);
            std::memset(o.rep_, 0, sizeof o.rep_);
        }
        return *this;
    }
    ~Value() { release(); }

    static Value text(std::string_view s);
    static Value integer(std::int32_t i);
    static Value boolean(bool b);
    // `single` marks a single-precision number, which prints in its shortest
    // single-precision form (7.3, not 7.30000019073486).
    static Value real(double d, bool single = false);
    // Another kind; `repr` is its JSON form, kept so that snapshots round-trip.
    static Value other(std::string_view repr);
    // A text or another kind whose text lives elsewhere for as long as the
    // value (the repository's texts); a copy of the value has its own.
    // Texts of at most kInlineText bytes are kept in the value anyway.
    static Value borrowed(Kind kind, std::string_view s) {
        Value v;
        if (kind == Kind::Text || kind == Kind::Other) v.setText(kind, s, false);
        return v;
    }
    static constexpr std::size_t kInlineText = 13;

    Kind kind() const noexcept { return static_cast<Kind>(rep_[0]); }
    bool isAbsent() const noexcept { return kind() == Kind::Absent; }
    bool isText() const noexcept { return kind() == Kind::Text; }
    bool isInteger() const noexcept { return kind() == Kind::Integer; }
    bool isBoolean() const noexcept { return kind() == Kind::Boolean; }
    bool isReal() const noexcept { return kind() == Kind::Real; }
    bool isOther() const noexcept { return kind() == Kind::Other; }
    bool isSingle() const noexcept { return (rep_[1] & kSingle) != 0; }

    // Raw payloads; only meaningful for the matching kind.
    TextRef rawText() const noexcept;  // Text, and Other's JSON; empty for other kinds
    std::int32_t rawInteger() const noexcept { return load<std::int32_t>(); }
    bool rawBoolean() const noexcept { return load<std::int32_t>() != 0; }
    double rawReal() const noexcept { return load<double>(); }

    // The text form, as appending the value to a text gives it: nothing when
    // absent, the digits of an integer, the text itself, "True"/"False",
    // a floating-point number in its shortest form with `decimalSeparator`
    // (a report or a window passes its run's, the user's; "." is the form
    // queries and the inventory read). Other kinds fail with a type mismatch.
    std::string str(std::string_view decimalSeparator = ".") const;

    // Length of the text form in characters; absent values have none (0 here,
    // and every comparison of an absent value is false, see isNotEmpty).
    std::size_t length() const;

    // The two tests the probes use throughout.
    bool isNonEmptyText() const noexcept { return isText() && !rawText().empty(); }
    bool isNotEmpty() const;  // fails (type mismatch) for other kinds

    // The value as a number: integers, reals, Booleans (-1/0) and texts that
    // hold a number. Empty when it is none of these.
    std::optional<double> number() const;

    bool operator==(const Value& o) const;

private:
    // rep_[0] the kind, rep_[1] flags; a text in the value: its length in
    // rep_[2], its bytes from rep_[3]; else a text's length in rep_[4..7],
    // and the integer, the number or the text's address in rep_[8..15].
    enum : unsigned char { kSingle = 1, kOwned = 2, kInline = 4 };
    alignas(8) unsigned char rep_[16] = {};

    template <class T>
    T load() const noexcept {
        T t;
        std::memcpy(&t, rep_ + 8, sizeof t);
        return t;
    }
    template <class T>
    void store(T t) noexcept {
        std::memcpy(rep_ + 8, &t, sizeof t);
    }
    bool hasText() const noexcept { return kind() == Kind::Text || kind() == Kind::Other; }
    void setText(Kind kind, std::string_view s, bool own) {
        rep_[0] = static_cast<unsigned char>(kind);
        if (s.size() > kInlineText) return setLong(s, own);
        rep_[1] = kInline;
        rep_[2] = static_cast<unsigned char>(s.size());
        if (!s.empty()) std::memcpy(rep_ + 3, s.data(), s.size());
    }
    void setLong(std::string_view s, bool own);
    void release() noexcept {
        if (rep_[1] & kOwned) delete[] load<const char*>();
    }
};
static_assert(sizeof(Value) == 16);

// a & "text": the value's text form followed by the text ("." in numbers).
std::string operator&(const Value& v, std::string_view s);
std::string operator&(std::string_view s, const Value& v);

// The text form of a floating-point number: at most 15 significant digits
// (7 for single precision), no trailing zeros, plain digits for whole
// numbers below 1E+15 (1E+07), `separator` between the whole and the
// fractional digits (the user's, from the run that shows the number).
std::string formatNumber(double d, std::string_view separator, bool single = false);

// x rounded to one decimal place, decided on the exact value of x; a tie
// (x exactly halfway) goes to the even tenth.
double roundToTenths(double x);

// Counts code points of UTF-8 text.
std::size_t textLength(std::string_view utf8);

}  // namespace tq
