// ASCII letter case, comparison without regard to it, and trimming: for
// keywords, names, identifiers and the fields of system files. Bytes outside
// ASCII stay as they are (the query layer folds other letters too, in
// wmi/wql.h, where the service's own comparisons need it).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tq::ascii {

constexpr char lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lower(c);
    return out;
}
inline std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = upper(c);
    return out;
}

// <0, 0 or >0, comparing the lower-case forms byte by byte.
constexpr int icompare(std::string_view a, std::string_view b) noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(lower(a[i])), y = static_cast<unsigned char>(lower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
constexpr bool iequals(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && icompare(a, b) == 0;
}
constexpr bool istartsWith(std::string_view s, std::string_view prefix) noexcept {
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

// What isspace finds in the "C" locale.
inline constexpr std::string_view kBlanks = " \t\n\v\f\r";
// `s` without the leading and trailing characters that are in `chars`.
constexpr std::string_view trim(std::string_view s, std::string_view chars = kBlanks) noexcept {
    const std::size_t first = s.find_first_not_of(chars);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(chars) - first + 1);
}

}  // namespace tq::ascii
