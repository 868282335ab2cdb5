#include "report/text.h"

#include <algorithm>

#include "wmi/ascii.h"

namespace tq {
namespace {
// Byte offset of the character at 0-based index `chars`, or s.size().
std::size_t offsetOf(std::string_view s, std::size_t chars) {
    std::size_t i = 0;
    while (i < s.size() && chars > 0) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        --chars;
    }
    return i;
}
}  // namespace

std::string textLeft(std::string_view s, std::size_t n) { return std::string(s.substr(0, offsetOf(s, n))); }

std::string textMid(std::string_view s, std::size_t start, std::size_t n) {
    if (start == 0) start = 1;
    const std::size_t from = offsetOf(s, start - 1);
    std::string_view rest = s.substr(from);
    return n == std::string_view::npos ? std::string(rest) : std::string(rest.substr(0, offsetOf(rest, n)));
}

std::size_t textFind(std::string_view s, std::string_view needle, std::size_t start, bool ignoreCase) {
    if (start == 0) start = 1;
    const std::size_t from = offsetOf(s, start - 1);
    if (from > s.size()) return 0;
    std::size_t pos;
    if (!ignoreCase) {
        pos = s.find(needle, from);
    } else {
        auto it = std::search(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(), needle.begin(), needle.end(),
                              [](char a, char b) { return ascii::lower(a) == ascii::lower(b); });
        pos = it == s.end() && !needle.empty() ? std::string_view::npos : static_cast<std::size_t>(it - s.begin());
    }
    if (pos == std::string_view::npos) return 0;
    return textLength(s.substr(0, pos)) + 1;
}

std::string textReplace(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    for (;;) {
        std::size_t p = s.find(from, i);
        if (p == std::string_view::npos) break;
        out.append(s.substr(i, p - i));
        out.append(to);
        i = p + from.size();
    }
    out.append(s.substr(i));
    return out;
}

}  // namespace tq
