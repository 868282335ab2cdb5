#include "wmi/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/seams.h"
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

std::string formatNumber(double d, bool single) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    if (d == 0) return "0";
    const int maxDigits = single ? 7 : 15;
    char buf[64];
    int len = 0;
    for (int p = 1; p <= maxDigits; ++p) {
        len = std::snprintf(buf, sizeof buf, "%.*G", p, d);
        if (single ? static_cast<float>(std::strtod(buf, nullptr)) == static_cast<float>(d)
                   : std::strtod(buf, nullptr) == d)
            break;
    }
    std::string out(buf, static_cast<std::size_t>(len));
    // The scripting runtime writes exponents as E+15 / E-07 with at least two digits.
    if (auto e = out.find('E'); e != std::string::npos) {
        std::string mant = out.substr(0, e), ex = out.substr(e + 1);
        char sign = '+';
        if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) sign = ex[0], ex.erase(0, 1);
        while (ex.size() > 2 && ex[0] == '0') ex.erase(0, 1);
        if (ex.size() < 2) ex.insert(0, "0");
        out = mant + "E" + sign + ex;
    }
    if (auto dot = out.find('.'); dot != std::string::npos) {
        const std::string sep = platform::locale().decimalSeparator();
        out.replace(dot, 1, sep);
    }
    return out;
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
