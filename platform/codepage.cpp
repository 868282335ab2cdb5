#include "platform/codepage.h"

#include <cstdint>

namespace tq::platform {
namespace {
// Code points of bytes 0x80..0x9F; 0 where the code page leaves a byte
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D: U+0081 and so on).
constexpr char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int toCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    // The five bytes the code page leaves undefined stand for themselves,
    // both ways, as Windows maps them.
    if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] == 0) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c && c != 0) return 0x80 + i;
    return -1;
}
}  // namespace

std::string utf8ToCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        // Runs of ASCII, most of a report, are copied as they are.
        std::size_t ascii = i;
        while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
        out.append(s.data() + i, ascii - i);
        i = ascii;
        if (i == s.size()) break;
        auto b = static_cast<unsigned char>(s[i]);
        char32_t c = 0;
        std::size_t n = 0;
        // clang-format off
        if (b < 0x80) { c = b; n = 1; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; n = 2; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; n = 3; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; n = 4; }
        else { out += '?'; ++i; continue; }
        if (i + n > s.size()) { out += '?'; break; }
        bool ok = true;
        // clang-format on
        for (std::size_t k = 1; k < n; ++k) {
            auto cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        i += n;
        int byte = toCp1252(c);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

std::string cp1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char b : s) {
        if (b < 0x80) out += static_cast<char>(b);
        else if (b < 0xA0) appendUtf8(out, kHigh[b - 0x80] ? kHigh[b - 0x80] : char32_t(b));
        else appendUtf8(out, b);
    }
    return out;
}

}  // namespace tq::platform
