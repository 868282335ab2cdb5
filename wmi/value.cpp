#include "wmi/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "wmi/failure.h"

namespace tq {

void Value::setLong(std::string_view s, bool own) {
    if (s.size() > UINT32_MAX) throw std::length_error("text too long for a value");
    const auto length = static_cast<std::uint32_t>(s.size());
    std::memcpy(rep_ + 4, &length, sizeof length);
    if (own) {
        char* copy = new char[s.size()];
        std::memcpy(copy, s.data(), s.size());
        rep_[1] = kOwned;
        store<const char*>(copy);
    } else {
        rep_[1] = 0;
        store<const char*>(s.data());
    }
}

Value::Value(const Value& o) {
    if (o.hasText() && !(o.rep_[1] & kInline)) setText(o.kind(), o.rawText(), true);
    else std::memcpy(rep_, o.rep_, sizeof rep_);
}
Value& Value::operator=(const Value& o) {
    if (this != &o) *this = Value(o);
    return *this;
}

Value Value::text(std::string_view s) {
    Value v;
    v.setText(Kind::Text, s, true);
    return v;
}
Value Value::integer(std::int32_t i) {
    Value v;
    v.rep_[0] = static_cast<unsigned char>(Kind::Integer);
    v.store(i);
    return v;
}
Value Value::boolean(bool b) {
    Value v;
    v.rep_[0] = static_cast<unsigned char>(Kind::Boolean);
    v.store<std::int32_t>(b ? 1 : 0);
    return v;
}
Value Value::real(double d, bool single) {
    Value v;
    v.rep_[0] = static_cast<unsigned char>(Kind::Real);
    v.rep_[1] = single ? kSingle : 0;
    v.store(d);
    return v;
}
Value Value::other(std::string_view repr) {
    Value v;
    v.setText(Kind::Other, repr, true);
    return v;
}

TextRef Value::rawText() const noexcept {
    if (!hasText()) return {};
    if (rep_[1] & kInline) return {reinterpret_cast<const char*>(rep_ + 3), rep_[2]};
    std::uint32_t length = 0;
    std::memcpy(&length, rep_ + 4, sizeof length);
    return {load<const char*>(), length};
}

std::size_t textLength(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string formatNumber(double d, std::string_view separator, bool single) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    if (d == 0) return "0";
    // At most 15 significant digits (7 for single precision), trailing zeros
    // dropped. The exponent form starts where the platform's own conversion
    // starts it: from 1E+15 (1E+07 for singles) and below 1E-04; every whole
    // number under that is written as plain digits ("120", not "1.2E+02").
    const int digits = single ? 7 : 15;
    char buf[64];
    const int len = std::snprintf(buf, sizeof buf, "%.*G", digits, d);
    std::string out(buf, static_cast<std::size_t>(len));
    // Exponents read E+15 / E-07: a sign and at least two digits, whatever
    // the C library's own width.
    if (auto e = out.find('E'); e != std::string::npos) {
        const int exponent = std::atoi(out.c_str() + e + 1);
        char tail[16];
        std::snprintf(tail, sizeof tail, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out.resize(e);
        out += tail;
    }
    if (auto dot = out.find('.'); dot != std::string::npos) {
        out.replace(dot, 1, separator);
    }
    return out;
}

double roundToTenths(double x) {
    // x * 10 is rounded once by the multiplication; fma gives back what that
    // rounding dropped, so the decision is taken on x itself. A product that
    // lands on a half only because of that rounding is not a half.
    const double p = x * 10.0;
    if (!std::isfinite(p) || std::fabs(p) >= 4503599627370496.0) return x;  // 2^52: no tenths below the ulp
    const double lost = std::fma(x, 10.0, -p);
    double r = std::nearbyint(p);  // halfway to even
    // Exact, as p and r lie within 0.5 of each other. On a half of p the
    // dropped part decides: x lies beyond the half or short of it. Only
    // when nothing was dropped is x itself halfway, and r stays even.
    const double d = p - r;
    if (d == 0.5 && lost > 0) r += 1;
    else if (d == -0.5 && lost < 0) r -= 1;
    return r / 10.0;
}

std::string Value::str(std::string_view decimalSeparator) const {
    switch (kind()) {
    case Kind::Absent: return {};
    case Kind::Text: return rawText();
    case Kind::Integer: return std::to_string(rawInteger());
    case Kind::Boolean: return rawBoolean() ? "True" : "False";
    case Kind::Real: return formatNumber(rawReal(), decimalSeparator, isSingle());
    case Kind::Other: break;
    }
    fail::raise(fail::kTypeMismatch);
}

std::size_t Value::length() const {
    switch (kind()) {
    case Kind::Absent: return 0;
    case Kind::Text: return textLength(rawText());
    case Kind::Other: fail::raise(fail::kTypeMismatch);
    default: return textLength(str());
    }
}

bool Value::isNotEmpty() const { return kind() != Kind::Absent && length() > 0; }

std::optional<double> Value::number() const {
    switch (kind()) {
    case Kind::Integer: return rawInteger();
    case Kind::Boolean: return rawBoolean() ? -1.0 : 0.0;
    case Kind::Real: return rawReal();
    case Kind::Text: {
        std::string_view s = rawText();
        while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        if (s.empty()) return std::nullopt;
        if (s.front() == '+') s.remove_prefix(1);
        double d = 0;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
        if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
        return d;
    }
    default: return std::nullopt;
    }
}

bool Value::operator==(const Value& o) const {
    if (kind() != o.kind()) return false;
    switch (kind()) {
    case Kind::Absent: return true;
    case Kind::Text:
    case Kind::Other: return std::string_view(rawText()) == std::string_view(o.rawText());
    case Kind::Integer:
    case Kind::Boolean: return rawInteger() == o.rawInteger();
    case Kind::Real: return rawReal() == o.rawReal() && isSingle() == o.isSingle();
    }
    return false;
}

std::string operator&(const Value& v, std::string_view s) {
    std::string r = v.str();
    r.append(s);
    return r;
}
std::string operator&(std::string_view s, const Value& v) {
    std::string r(s);
    r += v.str();
    return r;
}

}  // namespace tq
