#include "platform/linux/smbios.h"

#include "platform/linux/sysfs.h"
#include "wmi/cimdate.h"

namespace tq::linuxprov::smbios {

namespace {

// The entry points' fields.
namespace EntryPoint64 {  // "_SM3_"
inline constexpr std::size_t SmbiosMajorVersion = 0x07, SmbiosMinorVersion = 0x08, StructureTableMaximumSize = 0x0C,
                             StructureTableAddress = 0x10, kSize = 0x18;
}
namespace EntryPoint32 {  // "_SM_"
inline constexpr std::size_t SmbiosMajorVersion = 0x06, SmbiosMinorVersion = 0x07, IntermediateAnchorString = 0x10,
                             StructureTableLength = 0x16, StructureTableAddress = 0x18, kSize = 0x1F;
}
namespace LegacyEntryPoint {  // "_DMI_" alone
inline constexpr std::size_t StructureTableLength = 0x06, StructureTableAddress = 0x08, BcdRevision = 0x0E,
                             kSize = 0x0F;
}
// Windows' raw firmware table: a header, then the structure table.
namespace RawSmbiosData {
inline constexpr std::size_t Used20CallingMethod = 0, SmbiosMajorVersion = 1, SmbiosMinorVersion = 2, Length = 4,
                             SmbiosTableData = 8;
}

std::uint64_t le(std::string_view b, std::size_t off, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(b[off + i])) << (8 * i);
    return v;
}
}  // namespace

std::optional<std::uint8_t> Structure::byte(std::size_t o) const {
    if (!has(o, 1)) return std::nullopt;
    return static_cast<std::uint8_t>(le(formatted, o, 1));
}
std::optional<std::uint16_t> Structure::word(std::size_t o) const {
    if (!has(o, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(le(formatted, o, 2));
}
std::optional<std::uint32_t> Structure::dword(std::size_t o) const {
    if (!has(o, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(le(formatted, o, 4));
}
std::optional<std::uint64_t> Structure::qword(std::size_t o) const {
    if (!has(o, 8)) return std::nullopt;
    return le(formatted, o, 8);
}

std::optional<std::string> Structure::string(std::size_t o) const {
    auto n = byte(o);
    if (!n || *n == 0 || *n > strings.size()) return std::nullopt;
    std::string s = trim(cleanText(strings[*n - 1u]));
    if (s.empty()) return std::nullopt;
    return s;
}

std::vector<const Structure*> Table::ofType(std::uint8_t type) const {
    std::vector<const Structure*> out;
    for (const auto& s : structures)
        if (s.type == type) out.push_back(&s);
    return out;
}

const Structure* Table::first(std::uint8_t type) const {
    for (const auto& s : structures)
        if (s.type == type) return &s;
    return nullptr;
}

const Structure* Table::byHandle(std::uint16_t handle) const {
    if (indexed_ > structures.size()) {
        handles_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < structures.size(); ++indexed_) handles_.try_emplace(structures[indexed_].handle, indexed_);
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &structures[it->second];
}

Table parseStructures(std::string_view b, int major, int minor) {
    Table t;
    t.major = major;
    t.minor = minor;
    if (b.size() > kMaxTableBytes) b = b.substr(0, kMaxTableBytes);
    std::size_t o = 0;
    while (o + Header::kSize <= b.size()) {
        auto type = static_cast<std::uint8_t>(b[o + Header::Type]);
        auto len = static_cast<std::size_t>(static_cast<unsigned char>(b[o + Header::Length]));
        if (len < Header::kSize || o + len > b.size()) break;  // malformed: stop here
        // The string set ends with two NULs; a structure without strings has just those two.
        std::size_t s = o + len;
        std::size_t end = std::string_view::npos;
        for (std::size_t i = s; i + 1 < b.size(); ++i) {
            if (b[i] == '\0' && b[i + 1] == '\0') {
                end = i;
                break;
            }
        }
        if (end == std::string_view::npos) break;  // truncated string set
        Structure st;
        st.type = type;
        st.handle = static_cast<std::uint16_t>(le(b, o + Header::Handle, 2));
        st.formatted.assign(b.substr(o, len));
        if (end > s) {
            for (auto& str : split(b.substr(s, end - s), '\0')) st.strings.push_back(std::move(str));
        }
        t.structures.push_back(std::move(st));
        o = end + 2;
        if (type == EndOfTable::kType) break;  // end of table
    }
    return t;
}

std::optional<EntryPoint> parseEntryPoint(std::string_view b) {
    EntryPoint e;
    if (b.size() >= EntryPoint64::kSize && b.substr(0, 5) == "_SM3_") {
        using namespace EntryPoint64;
        e.major = static_cast<unsigned char>(b[SmbiosMajorVersion]);
        e.minor = static_cast<unsigned char>(b[SmbiosMinorVersion]);
        e.tableLength = static_cast<std::uint32_t>(le(b, StructureTableMaximumSize, 4));
        e.tableAddress = le(b, StructureTableAddress, 8);
        return e;
    }
    if (b.size() >= EntryPoint32::kSize && b.substr(0, 4) == "_SM_" &&
        b.substr(EntryPoint32::IntermediateAnchorString, 5) == "_DMI_") {
        using namespace EntryPoint32;
        e.major = static_cast<unsigned char>(b[SmbiosMajorVersion]);
        e.minor = static_cast<unsigned char>(b[SmbiosMinorVersion]);
        e.tableLength = static_cast<std::uint32_t>(le(b, StructureTableLength, 2));
        e.tableAddress = le(b, StructureTableAddress, 4);
        return e;
    }
    if (b.size() >= LegacyEntryPoint::kSize && b.substr(0, 5) == "_DMI_") {
        using namespace LegacyEntryPoint;
        auto bcd = static_cast<unsigned char>(b[BcdRevision]);
        e.major = bcd >> 4;
        e.minor = bcd & 0x0F;
        e.tableLength = static_cast<std::uint32_t>(le(b, StructureTableLength, 2));
        e.tableAddress = le(b, StructureTableAddress, 4);
        return e;
    }
    return std::nullopt;
}

Table parsePair(std::string_view entry, std::string_view table) {
    auto e = parseEntryPoint(entry);
    if (!e) return parseStructures(table);
    if (e->tableLength && e->tableLength < table.size()) table = table.substr(0, e->tableLength);
    return parseStructures(table, e->major, e->minor);
}

Table parseBlob(std::string_view b) {
    if (auto e = parseEntryPoint(b)) {
        // A dump file: the table follows at the offset that the entry point gives.
        if (e->tableAddress >= b.size()) {
            Table empty;
            empty.major = e->major;
            empty.minor = e->minor;
            return empty;
        }
        auto table = b.substr(static_cast<std::size_t>(e->tableAddress));
        if (e->tableLength && e->tableLength < table.size()) table = table.substr(0, e->tableLength);
        return parseStructures(table, e->major, e->minor);
    }
    // The Windows raw form: calling method (0 or 1), major, minor, DMI revision, 32-bit length.
    if (b.size() >= RawSmbiosData::SmbiosTableData) {
        using namespace RawSmbiosData;
        auto method = static_cast<unsigned char>(b[Used20CallingMethod]);
        auto major = static_cast<unsigned char>(b[SmbiosMajorVersion]);
        auto length = le(b, Length, 4);
        if (method <= 1 && major >= 2 && major <= 3 && length > 0 && length <= b.size() - SmbiosTableData)
            return parseStructures(b.substr(SmbiosTableData, static_cast<std::size_t>(length)), major,
                                   static_cast<unsigned char>(b[SmbiosMinorVersion]));
    }
    return parseStructures(b);
}

std::optional<std::string> uuid(const Structure& s, const Table& t) {
    using namespace SystemInformation;
    if (s.type != kType || !s.has(Uuid, kUuidSize)) return std::nullopt;
    const auto* u = reinterpret_cast<const unsigned char*>(s.formatted.data() + Uuid);
    bool zeros = true, ones = true;
    for (int i = 0; i < 16; ++i) {
        zeros = zeros && u[i] == 0;
        ones = ones && u[i] == 0xFF;
    }
    if (zeros || ones) return std::nullopt;
    bool swap = t.major == 0 || t.atLeast(2, 6);
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
        out += hex(u[swap ? order[i] : i], 2);
    }
    return out;
}

std::optional<std::string> releaseDate(std::string_view text) {
    auto parts = split(trim(text), '/');
    if (parts.size() != 3) return std::nullopt;
    auto m = parseNumber(parts[0], 10), d = parseNumber(parts[1], 10), y = parseNumber(parts[2], 10);
    if (!m || !d || !y || parts[2].size() > 4) return std::nullopt;
    std::uint64_t year = *y;
    if (parts[2].size() == 2) year += year < 80 ? 2000 : 1900;
    if (*m < 1 || *m > 12 || *d < 1 || *d > 31 || year < 1980 || year > 9999) return std::nullopt;
    return cimdate::format({static_cast<int>(year), static_cast<int>(*m), static_cast<int>(*d)});
}

int cimMemoryType(int t) {
    switch (t) {
    case 0x01: return 1;   // Other
    case 0x02: return 0;   // Unknown
    case 0x03: return 2;   // DRAM
    case 0x04: return 6;   // EDRAM
    case 0x05: return 7;   // VRAM
    case 0x06: return 8;   // SRAM
    case 0x07: return 9;   // RAM
    case 0x08: return 10;  // ROM
    case 0x09: return 11;  // Flash
    case 0x0A: return 12;  // EEPROM
    case 0x0B: return 13;  // FEPROM
    case 0x0C: return 14;  // EPROM
    case 0x0D: return 15;  // CDRAM
    case 0x0E: return 16;  // 3DRAM
    case 0x0F: return 17;  // SDRAM
    case 0x10: return 18;  // SGRAM
    case 0x11: return 19;  // RDRAM
    case 0x12: return 20;  // DDR
    case 0x13: return 21;  // DDR2
    case 0x14: return 22;  // DDR2 FB-DIMM
    case 0x18: return 24;  // DDR3
    case 0x19: return 25;  // FBD2
    default: return 0;     // DDR4, LPDDR*, DDR5, HBM... have no code of their own
    }
}

int cimFormFactor(int f) {
    switch (f) {
    case 0x01: return 1;   // Other
    case 0x03: return 7;   // SIMM
    case 0x04: return 2;   // SIP
    case 0x06: return 3;   // DIP
    case 0x07: return 4;   // ZIP
    case 0x08: return 6;   // Proprietary card
    case 0x09: return 8;   // DIMM
    case 0x0A: return 9;   // TSOP
    case 0x0C: return 11;  // RIMM
    case 0x0D: return 12;  // SODIMM
    case 0x0E: return 13;  // SRIMM
    default: return 0;
    }
}

std::optional<std::uint64_t> memorySize(const Structure& s) {
    auto size = s.word(MemoryDevice::Size);
    if (!size || *size == 0 || *size == 0xFFFF) return std::nullopt;
    if (*size == 0x7FFF) {  // the size is in Extended Size
        auto ext = s.dword(MemoryDevice::ExtendedSize);
        if (!ext) return std::nullopt;
        std::uint64_t mb = *ext & 0x7FFFFFFFu;
        if (!mb) return std::nullopt;
        return mb << 20;
    }
    std::uint64_t v = *size & 0x7FFFu;
    return (*size & 0x8000u) ? v << 10 : v << 20;
}

}  // namespace tq::linuxprov::smbios
