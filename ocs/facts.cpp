#include "ocs/facts.h"

#include <algorithm>
#include <charconv>

#include <nlohmann/json.hpp>

#include "wmi/ascii.h"

namespace tq::ocs {

std::string cleanText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if ((c >= 0x20 && c != 0x7F) || c == '\t' || c == '\n' || c == '\r') out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates, beyond U+10FFFF and the non-characters U+FFFE/U+FFFF.
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) ||
                   cp > 0x10FFFF || cp == 0xFFFE || cp == 0xFFFF))
            ok = false;
        if (!ok) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        // C1 control characters are dropped like the C0 ones.
        if (!(cp >= 0x80 && cp <= 0x9F)) out.append(s.substr(i, len));
        i += len;
    }
    return out;
}

}  // namespace tq::ocs

namespace tq::ocs::facts {

std::string text(const Object& o, std::string_view name) {
    const Value* v = o.find(name);
    if (v && (v->isText() || v->isInteger() || v->isBoolean() || v->isReal())) return v->str();
    return {};
}

model::Number number(const Object& o, std::string_view name) {
    const Value* v = o.find(name);
    if (!v) return std::nullopt;
    if (v->isInteger()) return static_cast<std::uint32_t>(v->rawInteger());
    if (v->isReal()) {
        if (v->rawReal() >= 0 && v->rawReal() < 1.8e19) return static_cast<std::uint64_t>(v->rawReal());
        return std::nullopt;
    }
    if (!v->isText() && !v->isOther()) return std::nullopt;  // Other: a JSON number past 32 bits
    std::string_view t = v->rawText();
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    std::uint64_t out = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    if (ec == std::errc() && end == t.data() + t.size() && !t.empty()) return out;
    return std::nullopt;
}

model::Flag flag(const Object& o, std::string_view name) {
    const Value* v = o.find(name);
    if (v && v->isBoolean()) return v->rawBoolean();
    return std::nullopt;
}

std::vector<std::string> texts(const Object& o, std::string_view name) {
    std::vector<std::string> out;
    const Value* v = o.find(name);
    if (!v) return out;
    if (v->isText() && !v->rawText().empty()) out.push_back(v->rawText());
    if (!v->isOther()) return out;
    const auto j = nlohmann::json::parse(v->rawText(), nullptr, false);
    if (!j.is_array()) return out;
    for (const auto& e : j)
        if (e.is_string()) out.push_back(e.get<std::string>());
    return out;
}

std::string trimmed(std::string s) { return std::string(ascii::trim(s, " \t\r\n")); }

std::string firstOf(const Object& o, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
        if (std::string t = text(o, n); !trimmed(t).empty()) return t;
    return {};
}

model::Number megabytes(model::Number bytes) {
    if (!bytes) return std::nullopt;
    return *bytes / (1024u * 1024u);
}

namespace {
std::optional<Address> parseIPv4(std::string_view s, Address a = {}, std::size_t at = 0) {
    for (int part = 0; part < 4; ++part) {
        unsigned n = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
        const std::size_t used = static_cast<std::size_t>(end - s.data());
        if (ec != std::errc() || used == 0 || used > 3 || n > 255) return std::nullopt;
        a.bytes[at + static_cast<std::size_t>(part)] = static_cast<std::uint8_t>(n);
        s.remove_prefix(used);
        if (part < 3) {
            if (s.empty() || s.front() != '.') return std::nullopt;
            s.remove_prefix(1);
        }
    }
    if (!s.empty()) return std::nullopt;
    return a;
}

// The 16-bit groups of one side of "::"; an IPv4 tail counts as two.
std::optional<std::vector<std::uint16_t>> groups(std::string_view s, bool allowIPv4Tail) {
    std::vector<std::uint16_t> out;
    while (!s.empty()) {
        const std::size_t colon = s.find(':');
        const std::string_view g = s.substr(0, colon);
        if (colon == std::string_view::npos && allowIPv4Tail && g.find('.') != std::string_view::npos) {
            const auto v4 = parseIPv4(g);
            if (!v4) return std::nullopt;
            out.push_back(static_cast<std::uint16_t>(v4->bytes[0] << 8 | v4->bytes[1]));
            out.push_back(static_cast<std::uint16_t>(v4->bytes[2] << 8 | v4->bytes[3]));
            return out;
        }
        unsigned n = 0;
        const auto [end, ec] = std::from_chars(g.data(), g.data() + g.size(), n, 16);
        if (g.empty() || g.size() > 4 || ec != std::errc() || end != g.data() + g.size()) return std::nullopt;
        out.push_back(static_cast<std::uint16_t>(n));
        if (colon == std::string_view::npos) break;
        s.remove_prefix(colon + 1);
        if (s.empty()) return std::nullopt;  // a trailing single colon
    }
    return out;
}

}  // namespace

std::optional<Address> parseAddress(std::string_view s) {
    s = s.substr(0, s.find('%'));  // a zone index
    if (s.find(':') == std::string_view::npos) return parseIPv4(s);
    const std::size_t gap = s.find("::");
    auto head = groups(s.substr(0, gap), gap == std::string_view::npos);
    std::optional<std::vector<std::uint16_t>> tail = std::vector<std::uint16_t>();
    if (gap != std::string_view::npos) tail = groups(s.substr(gap + 2), true);
    if (!head || !tail) return std::nullopt;
    const std::size_t n = head->size() + tail->size();
    if (gap == std::string_view::npos ? n != 8 : n > 7) return std::nullopt;
    std::array<std::uint16_t, 8> g{};
    std::copy(head->begin(), head->end(), g.begin());
    std::copy(tail->begin(), tail->end(), g.end() - static_cast<std::ptrdiff_t>(tail->size()));
    Address a;
    a.v6 = true;
    for (std::size_t i = 0; i < 8; ++i) {
        a.bytes[2 * i] = static_cast<std::uint8_t>(g[i] >> 8);
        a.bytes[2 * i + 1] = static_cast<std::uint8_t>(g[i] & 0xFF);
    }
    return a;
}

// Dotted IPv4; IPv6 in its short form (lower case, the longest run of zero
// groups as "::").
std::string formatAddress(const Address& a) {
    if (!a.v6)
        return std::to_string(a.bytes[0]) + "." + std::to_string(a.bytes[1]) + "." + std::to_string(a.bytes[2]) + "." +
               std::to_string(a.bytes[3]);
    std::array<unsigned, 8> g{};
    for (std::size_t i = 0; i < 8; ++i) g[i] = static_cast<unsigned>(a.bytes[2 * i] << 8 | a.bytes[2 * i + 1]);
    std::size_t bestAt = 8, bestLen = 1;
    for (std::size_t i = 0; i < 8;) {
        std::size_t j = i;
        while (j < 8 && g[j] == 0) ++j;
        if (j - i > bestLen) bestAt = i, bestLen = j - i;
        i = j == i ? i + 1 : j;
    }
    std::string out;
    char buf[8];
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == bestAt) {
            out += "::";
            i += bestLen - 1;
            continue;
        }
        if (!out.empty() && out.back() != ':') out += ':';
        std::snprintf(buf, sizeof buf, "%x", g[i]);
        out += buf;
    }
    return out;
}

// The mask of a subnet entry: a dotted mask, or a prefix length (how the
// service gives IPv6 subnets).
std::optional<Address> maskFor(const Address& address, std::string_view entry) {
    unsigned prefix = 0;
    const auto [end, ec] = std::from_chars(entry.data(), entry.data() + entry.size(), prefix);
    if (ec == std::errc() && end == entry.data() + entry.size() && !entry.empty()) {
        if (prefix > (address.v6 ? 128u : 32u)) return std::nullopt;
        Address m;
        m.v6 = address.v6;
        for (std::size_t i = 0; i < 16 && prefix > 0; ++i, prefix -= std::min(prefix, 8u))
            m.bytes[i] = static_cast<std::uint8_t>(0xFF00u >> std::min(prefix, 8u));
        return m;
    }
    auto m = parseAddress(entry);
    if (!m || m->v6 != address.v6) return std::nullopt;
    return m;
}

}  // namespace tq::ocs::facts
