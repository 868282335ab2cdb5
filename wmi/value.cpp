#include "wmi/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "wmi/failure.h"

namespace tq {

Value Value::text(std::string s) {
    Value v;
    v.kind_ = Kind::Text;
    v.text_ = std::move(s);
    return v;
}
Value Value::integer(std::int32_t i) {
    Value v;
    v.kind_ = Kind::Integer;
    v.int_ = i;
    return v;
}
Value Value::boolean(bool b) {
    Value v;
    v.kind_ = Kind::Boolean;
    v.int_ = b ? 1 : 0;
    return v;
}
Value Value::real(double d, bool single) {
    Value v;
    v.kind_ = Kind::Real;
    v.real_ = d;
    v.single_ = single;
    return v;
}
Value Value::other(std::string repr) {
    Value v;
    v.kind_ = Kind::Other;
    v.text_ = std::move(repr);
    return v;
}

std::size_t textLength(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

namespace {
std::string& decimalSeparatorRef() {
    static std::string sep = ".";
    return sep;
}
}  // namespace

void setDecimalSeparator(std::string sep) { decimalSeparatorRef() = std::move(sep); }
const std::string& decimalSeparator() { return decimalSeparatorRef(); }

std::string formatNumber(double d, bool single) {
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
        out.replace(dot, 1, decimalSeparatorRef());
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

std::string Value::str() const {
    switch (kind_) {
    case Kind::Absent: return {};
    case Kind::Text: return text_;
    case Kind::Integer: return std::to_string(int_);
    case Kind::Boolean: return int_ ? "True" : "False";
    case Kind::Real: return formatNumber(real_, single_);
    case Kind::Other: break;
    }
    fail::raise(fail::kTypeMismatch);
}

std::size_t Value::length() const {
    switch (kind_) {
    case Kind::Absent: return 0;
    case Kind::Text: return textLength(text_);
    case Kind::Other: fail::raise(fail::kTypeMismatch);
    default: return textLength(str());
    }
}

bool Value::isNotEmpty() const { return kind_ != Kind::Absent && length() > 0; }

std::optional<double> Value::number() const {
    switch (kind_) {
    case Kind::Integer: return int_;
    case Kind::Boolean: return int_ ? -1.0 : 0.0;
    case Kind::Real: return real_;
    case Kind::Text: {
        std::string_view s = text_;
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
    if (kind_ != o.kind_) return false;
    switch (kind_) {
    case Kind::Absent: return true;
    case Kind::Text:
    case Kind::Other: return text_ == o.text_;
    case Kind::Integer:
    case Kind::Boolean: return int_ == o.int_;
    case Kind::Real: return real_ == o.real_ && single_ == o.single_;
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
