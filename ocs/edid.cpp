#include "ocs/edid.h"

namespace tq::edid {
namespace {

constexpr unsigned char kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t kDescriptors[4] = {54, 72, 90, 108};
constexpr std::size_t kDescriptorSize = 18;

unsigned byteAt(std::string_view b, std::size_t i) { return static_cast<unsigned char>(b[i]); }

// A descriptor's text: up to 13 bytes, ended by a line feed, padded with
// blanks. Only printable ASCII is kept.
std::string descriptorText(std::string_view d) {
    std::string out;
    for (std::size_t i = 5; i < kDescriptorSize; ++i) {
        const unsigned c = byteAt(d, i);
        if (c == 0x0A || c == 0x00) break;
        if (c >= 0x20 && c < 0x7F) out.push_back(static_cast<char>(c));
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    std::size_t lead = 0;
    while (lead < out.size() && out[lead] == ' ') ++lead;
    return out.substr(lead);
}

}  // namespace

std::optional<std::uint32_t> Monitor::usableSerialNumber() const {
    if (serialNumber == 0 || serialNumber == 0x01010101u || serialNumber == 0xFFFFFFFFu) return std::nullopt;
    return serialNumber;
}

std::string Monitor::model() const {
    if (!name.empty()) return name;
    static const char* digits = "0123456789ABCDEF";
    std::string s(4, '0');
    for (int i = 0; i < 4; ++i) s[3 - i] = digits[(productCode >> (4 * i)) & 0xF];
    return s;
}

std::string Monitor::serial() const {
    if (!serialText.empty()) return serialText;
    if (auto n = usableSerialNumber()) return std::to_string(*n);
    return {};
}

std::string Monitor::altSerial() const {
    if (serialText.empty()) return {};
    if (auto n = usableSerialNumber()) return std::to_string(*n);
    return {};
}

std::optional<Monitor> parse(std::string_view bytes) {
    if (bytes.size() > kMaxBytes) bytes = bytes.substr(0, kMaxBytes);
    if (bytes.size() < sizeof kHeader) return std::nullopt;
    for (std::size_t i = 0; i < sizeof kHeader; ++i)
        if (byteAt(bytes, i) != kHeader[i]) return std::nullopt;
    Monitor m;
    const auto has = [&](std::size_t offset, std::size_t size) { return offset + size <= bytes.size(); };
    if (has(8, 2)) {
        // Three letters of five bits each, 'A' being 1, big-endian.
        const unsigned id = byteAt(bytes, 8) << 8 | byteAt(bytes, 9);
        std::string maker;
        for (int shift : {10, 5, 0}) {
            const unsigned letter = (id >> shift) & 0x1F;
            if (letter < 1 || letter > 26) {
                maker.clear();
                break;
            }
            maker.push_back(static_cast<char>('A' + letter - 1));
        }
        m.maker = maker;
    }
    if (has(10, 2)) m.productCode = static_cast<std::uint16_t>(byteAt(bytes, 10) | byteAt(bytes, 11) << 8);
    if (has(12, 4))
        m.serialNumber =
            static_cast<std::uint32_t>(byteAt(bytes, 12) | byteAt(bytes, 13) << 8 | byteAt(bytes, 14) << 16) |
            static_cast<std::uint32_t>(byteAt(bytes, 15)) << 24;
    if (has(16, 2)) {
        const unsigned week = byteAt(bytes, 16), year = byteAt(bytes, 17);
        m.week = week >= 1 && week <= 54 ? static_cast<int>(week) : 0;
        m.year = 1990 + static_cast<int>(year);
    }
    for (std::size_t at : kDescriptors) {
        if (!has(at, kDescriptorSize)) break;
        const std::string_view d = bytes.substr(at, kDescriptorSize);
        // A display descriptor: no pixel clock, a zero byte, then its tag.
        if (byteAt(d, 0) != 0 || byteAt(d, 1) != 0 || byteAt(d, 2) != 0) continue;
        const unsigned tag = byteAt(d, 3);
        std::string* into = tag == 0xFC ? &m.name : tag == 0xFF ? &m.serialText : nullptr;
        // The first descriptor of a kind counts.
        if (into && into->empty()) *into = descriptorText(d);
    }
    return m;
}

std::string withoutSerials(std::string_view bytes) {
    std::string out(bytes);
    for (std::size_t i = 12; i < 16 && i < out.size(); ++i) out[i] = 0;
    for (std::size_t at : kDescriptors) {
        if (at + kDescriptorSize > out.size()) break;
        const std::string_view d = std::string_view(out).substr(at, kDescriptorSize);
        if (byteAt(d, 0) != 0 || byteAt(d, 1) != 0 || byteAt(d, 2) != 0 || byteAt(d, 3) != 0xFF) continue;
        // An empty text: a line feed, then blanks.
        out[at + 5] = '\n';
        for (std::size_t i = at + 6; i < at + kDescriptorSize; ++i) out[i] = ' ';
    }
    if (out.size() >= kBlock) {
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < kBlock; ++i) sum += byteAt(out, i);
        out[kBlock - 1] = static_cast<char>((256 - (sum & 0xFF)) & 0xFF);
    }
    return out;
}

std::string base64(std::string_view bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (bytes.size() > kMaxBytes) bytes = bytes.substr(0, kMaxBytes);
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = byteAt(bytes, i) << 16 | byteAt(bytes, i + 1) << 8 | byteAt(bytes, i + 2);
        for (int s : {18, 12, 6, 0}) out.push_back(alphabet[(v >> s) & 0x3F]);
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned v = byteAt(bytes, i) << 16;
        if (rest == 2) v |= byteAt(bytes, i + 1) << 8;
        out.push_back(alphabet[(v >> 18) & 0x3F]);
        out.push_back(alphabet[(v >> 12) & 0x3F]);
        out.push_back(rest == 2 ? alphabet[(v >> 6) & 0x3F] : '=');
        out.push_back('=');
    }
    return out;
}

std::optional<std::string> fromHex(std::string_view text) {
    std::string out;
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if ((c == ' ' || c == '\n' || c == '\r' || c == '\t') && high < 0) continue;
        else return std::nullopt;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>(high << 4 | v));
            high = -1;
            if (out.size() > kMaxBytes) return std::nullopt;
        }
    }
    if (high >= 0) return std::nullopt;
    return out;
}

std::string toHex(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(digits[byteAt(bytes, i) >> 4]);
        out.push_back(digits[byteAt(bytes, i) & 0xF]);
    }
    return out;
}

std::optional<std::string> pnpName(std::string_view database, std::string_view id) {
    if (id.size() != 3) return std::nullopt;
    std::size_t pos = 0;
    while (pos < database.size()) {
        std::size_t end = database.find('\n', pos);
        if (end == std::string_view::npos) end = database.size();
        std::string_view line = database.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() > 4 && line.substr(0, 3) == id && line[3] == '\t') {
            std::string_view name = line.substr(4);
            while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.remove_suffix(1);
            if (name.empty()) return std::nullopt;
            return std::string(name);
        }
    }
    return std::nullopt;
}

std::optional<std::string> commonMaker(std::string_view id) {
    // clang-format off
    static const std::pair<const char*, const char*> makers[] = {
        {"ACR", "Acer Technologies"},      {"APP", "Apple Computer Inc"},
        {"AUO", "AU Optronics"},           {"AUS", "ASUSTek COMPUTER INC"},
        {"BOE", "BOE"},                    {"CMN", "Chimei Innolux Corporation"},
        {"DEL", "Dell Inc."},              {"ENC", "Eizo Nanao Corporation"},
        {"FUS", "Fujitsu Siemens Computers GmbH"}, {"GSM", "LG Electronics"},
        {"HPN", "HP Inc."},                {"HSD", "HannStar Display Corp"},
        {"HWP", "Hewlett Packard"},        {"IVM", "Iiyama North America"},
        {"LEN", "Lenovo Group Limited"},   {"LGD", "LG Display"},
        {"NEC", "NEC Corporation"},        {"PHL", "Philips Consumer Electronics Company"},
        {"SAM", "Samsung Electric Company"}, {"SHP", "Sharp Corporation"},
        {"SNY", "Sony"},                   {"VSC", "ViewSonic Corporation"},
    };
    // clang-format on
    for (const auto& [pnp, name] : makers)
        if (id == pnp) return std::string(name);
    return std::nullopt;
}

}  // namespace tq::edid
