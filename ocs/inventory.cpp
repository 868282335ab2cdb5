#include "ocs/inventory.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "ocs/content.h"
#include "wmi/service.h"
#include "wmi/trap.h"
#include "wmi/wql.h"

namespace tq::ocs {

namespace {

using wmi::Object;

// The property's text form; "" when absent, missing or not a scalar.
std::string text(const Object& o, std::string_view name) {
    std::string s;
    trap::step([&] {
        const Value& v = o[name];
        if (v.isText() || v.isInteger() || v.isBoolean() || v.isReal()) s = v.str();
    });
    return s;
}

// An unsigned number: 16- and 32-bit properties arrive as signed integers
// (so -1 is 4294967295), 64-bit ones as texts holding the digits.
std::optional<std::uint64_t> number(const Object& o, std::string_view name) {
    std::optional<std::uint64_t> n;
    trap::step([&] {
        const Value& v = o[name];
        if (v.isInteger()) {
            n = static_cast<std::uint32_t>(v.rawInteger());
        } else if (v.isReal()) {
            if (v.rawReal() >= 0 && v.rawReal() < 1.8e19) n = static_cast<std::uint64_t>(v.rawReal());
        } else if (v.isText() || v.isOther()) {  // Other: a JSON number past 32 bits
            std::string_view t = v.rawText();
            while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
            while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
            std::uint64_t out = 0;
            const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
            if (ec == std::errc() && end == t.data() + t.size() && !t.empty()) n = out;
        }
    });
    return n;
}

std::optional<bool> flag(const Object& o, std::string_view name) {
    std::optional<bool> b;
    trap::step([&] {
        const Value& v = o[name];
        if (v.isBoolean()) b = v.rawBoolean();
    });
    return b;
}

std::string trimmed(std::string s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// The first of some properties that holds a text.
std::string firstOf(const Object& o, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
        if (std::string t = text(o, n); !trimmed(t).empty()) return t;
    return {};
}

std::string digits(std::optional<std::uint64_t> n) { return n ? std::to_string(*n) : std::string(); }
std::string megabytes(std::optional<std::uint64_t> bytes) {
    return bytes ? std::to_string(*bytes / (1024u * 1024u)) : std::string();
}

// A code from a table of names; "" for codes the table does not hold.
template <std::size_t N>
std::string named(std::optional<std::uint64_t> code, const std::pair<int, const char*> (&table)[N]) {
    if (!code) return {};
    for (const auto& [k, v] : table)
        if (static_cast<std::uint64_t>(k) == *code) return v;
    return {};
}

// One section element; values that are empty leave their field out.
class Section {
public:
    explicit Section(pugi::xml_node node) : node_(node) {}
    Section& field(const char* tag, std::string_view value) {
        const std::string clean = trimmed(cleanText(value));
        if (!clean.empty()) node_.append_child(tag).text().set(clean.c_str());
        return *this;
    }
    Section& field(const char* tag, const Object& o, std::string_view name) { return field(tag, text(o, name)); }

private:
    pugi::xml_node node_;
};

// Runs a query on the inventory's service and hands over each object.
class Reader {
public:
    Reader() {
        trap::step([&] { service_ = wmi::bind(wmi::kMoniker); });
    }
    void each(std::string_view query, const std::function<void(const Object&)>& f) {
        if (!service_) return;
        wmi::CollectionPtr c;
        if (!trap::step([&] { c = wmi::execQuery(service_, query); })) return;
        wmi::walk(c, [&](const Object& o) { f(o); });
    }
    // The first object's properties, read by `f`.
    void first(std::string_view query, const std::function<void(const Object&)>& f) {
        bool done = false;
        each(query, [&](const Object& o) {
            if (done) return;
            done = true;
            f(o);
        });
    }

private:
    wmi::ServicePtr service_;
};

constexpr std::pair<int, const char*> kArchitectures[] = {
    {0, "x86"}, {1, "MIPS"}, {2, "Alpha"}, {3, "PowerPC"}, {5, "ARM"}, {6, "ia64"}, {9, "x86_64"}, {12, "ARM64"},
};

// SMBIOS memory device types (the management class's SMBIOSMemoryType).
constexpr std::pair<int, const char*> kSmbiosMemoryTypes[] = {
    {3, "DRAM"},   {4, "EDRAM"},  {5, "VRAM"},   {6, "SRAM"},   {7, "RAM"},     {8, "ROM"},
    {9, "FLASH"},  {10, "EEPROM"}, {11, "FEPROM"}, {12, "EPROM"}, {13, "CDRAM"},  {14, "3DRAM"},
    {15, "SDRAM"}, {16, "SGRAM"},  {17, "RDRAM"},  {18, "DDR"},   {19, "DDR2"},   {20, "DDR2 FB-DIMM"},
    {24, "DDR3"},  {25, "FBD2"},   {26, "DDR4"},   {27, "LPDDR"}, {28, "LPDDR2"}, {29, "LPDDR3"},
    {30, "LPDDR4"}, {32, "HBM"},   {33, "HBM2"},   {34, "DDR5"},  {35, "LPDDR5"}, {36, "HBM3"},
};
// The older MemoryType codes, for firmware that leaves the SMBIOS one at 0.
constexpr std::pair<int, const char*> kMemoryTypes[] = {
    {2, "DRAM"}, {3, "Synchronous DRAM"}, {4, "Cache DRAM"}, {5, "EDO"}, {6, "EDRAM"}, {7, "VRAM"},
    {8, "SRAM"}, {9, "RAM"}, {10, "ROM"}, {11, "Flash"}, {12, "EEPROM"}, {13, "FEPROM"}, {14, "EPROM"},
    {15, "CDRAM"}, {16, "3DRAM"}, {17, "SDRAM"}, {18, "SGRAM"}, {19, "RDRAM"}, {20, "DDR"}, {21, "DDR2"},
    {22, "DDR2 FB-DIMM"}, {24, "DDR3"}, {25, "FBD2"},
};
constexpr std::pair<int, const char*> kDriveTypes[] = {
    {1, "No root directory"}, {2, "Removable Drive"}, {3, "Hard Drive"},
    {4, "Network Drive"},     {5, "CD-Rom Drive"},     {6, "RAM Disk"},
};
constexpr std::pair<int, const char*> kPointingTypes[] = {
    {1, "Other"},      {2, "Unknown"},    {3, "Mouse"},        {4, "Track Ball"},
    {5, "Track Point"}, {6, "Glide Point"}, {7, "Touch Pad"}, {8, "Touch Screen"},
    {9, "Mouse - Optical Sensor"},
};
constexpr std::pair<int, const char*> kInterfaces[] = {
    {1, "Other"},   {2, "Unknown"}, {3, "Serial"},    {4, "PS/2"},  {5, "Infrared"},
    {6, "HP-HIL"},  {7, "Bus mouse"}, {8, "ADB"},    {160, "Bus mouse DB-9"},
    {161, "Bus mouse micro-DIN"}, {162, "USB"},
};
constexpr std::pair<int, const char*> kSlotUsage[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "Available"}, {4, "In Use"},
};

// A link speed in bits per second as the server's agents write it.
std::string linkSpeed(std::optional<std::uint64_t> bps) {
    if (!bps || *bps == 0) return {};
    const std::uint64_t v = *bps;
    if (v >= 1000000000u && v % 1000000000u == 0) return std::to_string(v / 1000000000u) + " Gb/s";
    if (v >= 1000000u) return std::to_string(v / 1000000u) + " Mb/s";
    if (v >= 1000u) return std::to_string(v / 1000u) + " Kb/s";
    return std::to_string(v) + " b/s";
}

// The texts of an array property (the service gives arrays as JSON); a
// single text counts as an array of one. Empty when absent.
std::vector<std::string> texts(const Object& o, std::string_view name) {
    std::vector<std::string> out;
    trap::step([&] {
        const Value& v = o[name];
        if (v.isText() && !v.rawText().empty()) out.push_back(v.rawText());
        if (!v.isOther()) return;
        const auto j = nlohmann::json::parse(v.rawText(), nullptr, false);
        if (!j.is_array()) return;
        for (const auto& e : j)
            if (e.is_string()) out.push_back(e.get<std::string>());
    });
    return out;
}

// An IPv4 or IPv6 address as its bytes (IPv4 in the first four).
struct Address {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};
};

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

// An adapter's IP configuration, from Win32_NetworkAdapterConfiguration.
struct IpConfig {
    std::string description, dhcpServer, mtu;
    std::vector<std::string> addresses, subnets, gateways, dns;
    bool dhcp = false;

    // The first address (or gateway) of the family asked for, else the first.
    static std::string preferring(const std::vector<std::string>& list, bool v6) {
        for (const std::string& s : list)
            if (auto a = parseAddress(s); a && a->v6 == v6) return s;
        return list.empty() ? std::string() : list.front();
    }
};

// A date as the management service or the registry gives it
// (YYYYMMDD..., or M/D/YYYY) as the server stores dates (YYYY/MM/DD).
std::string installDate(std::string_view s) {
    if (s.size() >= 8 && std::all_of(s.begin(), s.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }))
        return std::string(s.substr(0, 4)) + "/" + std::string(s.substr(4, 2)) + "/" + std::string(s.substr(6, 2));
    return usDateToIso(s);
}

// The processor maker in the short form the Linux agents give.
std::string shortMaker(const std::string& vendor) {
    if (vendor == "GenuineIntel") return "Intel";
    if (vendor == "AuthenticAMD") return "AMD";
    return vendor;
}

// Windows' generic makers ("(Standard disk drives)"), which say nothing.
bool placeholder(const std::string& maker) { return !maker.empty() && maker.front() == '('; }

}  // namespace

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

std::optional<bool> isIPv6Address(std::string_view s) {
    if (auto a = parseAddress(s)) return a->v6;
    return std::nullopt;
}

std::string cimDateToUs(std::string_view s) {
    if (s.size() < 8) return std::string(s);
    for (std::size_t i = 0; i < 8; ++i)
        if (s[i] < '0' || s[i] > '9') return std::string(s);
    return std::string(s.substr(4, 2)) + "/" + std::string(s.substr(6, 2)) + "/" + std::string(s.substr(0, 4));
}

std::string usDateToIso(std::string_view s) {
    int m = 0, d = 0, y = 0;
    char tail = 0;
    const std::string t(s);
    if (std::sscanf(t.c_str(), "%2d/%2d/%4d%c", &m, &d, &y, &tail) != 3 || m < 1 || m > 12 || d < 1 || d > 31 ||
        y < 1000)
        return t;
    char out[32];
    std::snprintf(out, sizeof out, "%04d/%02d/%02d", y, m, d);
    return out;
}

Inventory::Inventory() : content_(std::make_unique<Content>()) {}
Inventory::~Inventory() = default;
Inventory::Inventory(Inventory&&) noexcept = default;
Inventory& Inventory::operator=(Inventory&&) noexcept = default;

Inventory Inventory::read(const InventoryOptions& options) {
    // Failures of the inventory's own reads stay here: the report is done.
    const Failure before = trap::pending();
    trap::on();

    Inventory inv;
    pugi::xml_node content = inv.content_->doc.append_child("CONTENT");
    Reader r;

    pugi::xml_node hardware = content.append_child("HARDWARE");
    pugi::xml_node bios = content.append_child("BIOS");
    Section hw(hardware), bi(bios);

    // A Linux machine (the provider marks its system so, and so does a
    // snapshot of one) is described as the server's Linux agents describe it.
    Content::System& sys = inv.content_->system;
    std::string memoryMb;
    r.first("Select * from Win32_OperatingSystem", [&](const Object& os) {
        sys.isLinux = number(os, "OSType") == 36u;
        const std::string caption = text(os, "Caption"), kernel = text(os, "Version");
        const std::string distribution = text(os, "DistributionName"), release = text(os, "DistributionVersion");
        if (sys.isLinux && !distribution.empty()) {
            sys.name = distribution;
            sys.version = release;
            hw.field("OSNAME", trimmed(distribution + " " + release));
            hw.field("OSVERSION", release);
            hw.field("OSCOMMENTS", caption);
        } else {
            sys.name = caption;
            sys.version = kernel;
            hw.field("OSNAME", caption);
            hw.field("OSVERSION", kernel);
            hw.field("OSCOMMENTS", os, "CSDVersion");
        }
        sys.fullName = caption;
        sys.kernelVersion = kernel;
        sys.servicePack = text(os, "CSDVersion");
        sys.arch = text(os, "OSArchitecture");
        sys.installDate = text(os, "InstallDate");
        hw.field("WINPRODID", os, "SerialNumber");
        hw.field("WINOWNER", os, "RegisteredUser");
        hw.field("WINCOMPANY", os, "Organization");
        hw.field("ARCH", sys.arch);
        if (auto kb = number(os, "TotalVisibleMemorySize")) memoryMb = std::to_string(*kb / 1024);
        if (auto kb = number(os, "SizeStoredInPagingFiles")) hw.field("SWAP", std::to_string(*kb / 1024));
    });

    r.first("Select * from Win32_ComputerSystem", [&](const Object& cs) {
        // Linux's host name keeps its own letter case, without the domain.
        std::string name = sys.isLinux ? text(cs, "DNSHostName") : std::string();
        name = trimmed(cleanText(name.substr(0, name.find('.'))));
        inv.name_ = name.empty() ? trimmed(cleanText(text(cs, "Name"))) : name;
        hw.field("WORKGROUP", text(cs, "Domain"));
        hw.field("USERID", text(cs, "UserName"));
        if (auto total = megabytes(number(cs, "TotalPhysicalMemory")); !total.empty()) memoryMb = total;
        bi.field("SMANUFACTURER", cs, "Manufacturer");
        bi.field("SMODEL", cs, "Model");
    });
    if (inv.name_.empty()) inv.name_ = trimmed(cleanText(options.designation));
    hw.field("NAME", inv.name_);

    // Every section is sent whole each time: all of them marked changed.
    hw.field("CHECKSUM", "4194303");

    r.first("Select * from Win32_ComputerSystemProduct", [&](const Object& p) {
        hw.field("UUID", p, "UUID");
        bi.field("SSN", p, "IdentifyingNumber");
    });

    r.first("Select * from Win32_Bios", [&](const Object& b) {
        bi.field("BMANUFACTURER", b, "Manufacturer");
        std::string version = text(b, "SMBIOSBIOSVersion");
        bi.field("BVERSION", version.empty() ? text(b, "Version") : version);
        bi.field("BDATE", cimDateToUs(text(b, "ReleaseDate")));
        // The product serial, or else the firmware's.
        if (!bios.child("SSN")) bi.field("SSN", b, "SerialNumber");
    });
    r.first("Select * from Win32_BaseBoard", [&](const Object& b) {
        bi.field("MMANUFACTURER", b, "Manufacturer");
        bi.field("MMODEL", b, "Product");
        bi.field("MSN", b, "SerialNumber");
    });

    int processors = 0;
    std::string processorType, processorSpeed;
    r.each("Select * from Win32_Processor", [&](const Object& c) {
        Section cpu(content.append_child("CPUS"));
        const std::string type = text(c, "Name");
        const std::string speed = digits(number(c, "MaxClockSpeed"));
        const std::string maker = text(c, "Manufacturer");
        cpu.field("MANUFACTURER", sys.isLinux ? shortMaker(maker) : maker)
            .field("TYPE", type)
            .field("SPEED", speed)
            .field("CURRENT_SPEED", digits(number(c, "CurrentClockSpeed")))
            .field("CORES", digits(number(c, "NumberOfCores")))
            .field("LOGICAL_CPUS", digits(number(c, "NumberOfLogicalProcessors")))
            .field("SOCKET", c, "SocketDesignation")
            .field("CPUARCH", named(number(c, "Architecture"), kArchitectures))
            .field("DATA_WIDTH", digits(number(c, "DataWidth")))
            .field("L2CACHESIZE", digits(number(c, "L2CacheSize")))
            .field("SERIALNUMBER", c, "ProcessorId");
        if (processors++ == 0) processorType = type, processorSpeed = speed;
    });
    hw.field("PROCESSORT", processorType);
    hw.field("PROCESSORS", processorSpeed);
    if (processors > 0) hw.field("PROCESSORN", std::to_string(processors));

    int slot = 0;
    std::uint64_t modulesBytes = 0;
    r.each("Select * from CIM_PhysicalMemory", [&](const Object& m) {
        modulesBytes += number(m, "Capacity").value_or(0);
        Section mem(content.append_child("MEMORIES"));
        std::string type = named(number(m, "SMBIOSMemoryType"), kSmbiosMemoryTypes);
        if (type.empty()) type = named(number(m, "MemoryType"), kMemoryTypes);
        mem.field("CAPTION", firstOf(m, {"DeviceLocator", "Caption"}))
            .field("DESCRIPTION", m, "BankLabel")
            .field("CAPACITY", megabytes(number(m, "Capacity")))
            .field("SPEED", digits(number(m, "Speed")))
            .field("TYPE", type)
            .field("MANUFACTURER", m, "Manufacturer")
            .field("SERIALNUMBER", m, "SerialNumber")
            .field("NUMSLOTS", std::to_string(++slot));
    });

    // The total the system reports, or else what its modules add up to.
    if (memoryMb.empty() && modulesBytes > 0) memoryMb = megabytes(modulesBytes);
    hw.field("MEMORY", memoryMb);

    r.each("Select * from Win32_DiskDrive", [&](const Object& d) {
        Section disk(content.append_child("STORAGES"));
        const std::string maker = text(d, "Manufacturer");
        disk.field("MANUFACTURER", sys.isLinux && placeholder(maker) ? "" : maker)
            .field("NAME", firstOf(d, sys.isLinux ? std::initializer_list<std::string_view>{"KernelName", "Caption", "Model"}
                                                : std::initializer_list<std::string_view>{"Caption", "Model", "Name"}))
            .field("MODEL", d, "Model")
            .field("DESCRIPTION", d, sys.isLinux ? "Transport" : "InterfaceType")
            .field("TYPE", d, "MediaType")
            .field("DISKSIZE", megabytes(number(d, "Size")))
            .field("SERIALNUMBER", d, "SerialNumber")
            .field("FIRMWARE", d, "FirmwareRevision");
    });
    r.each("Select * from Win32_CDROMDrive", [&](const Object& d) {
        Section drive(content.append_child("STORAGES"));
        const std::string maker = text(d, "Manufacturer");
        drive.field("MANUFACTURER", sys.isLinux && placeholder(maker) ? "" : maker)
            .field("NAME", firstOf(d, {"Caption", "Name"}))
            .field("MODEL", firstOf(d, {"Name", "Caption"}))
            .field("DESCRIPTION", sys.isLinux ? "" : text(d, "Drive"))
            .field("TYPE", "CD-ROM")
            .field("SERIALNUMBER", d, "SerialNumber")
            .field("FIRMWARE", d, "MfrAssignedRevisionLevel");
    });

    r.each("Select * from Win32_LogicalDisk", [&](const Object& d) {
        if (sys.isLinux) {
            // Linux has no letters: the mount point, the file system by its
            // own name and the block device, as its agents send them.
            const std::string mountPoint = text(d, "MountPoint");
            if (mountPoint.empty()) return;
            std::string fs = text(d, "FileSystemType");
            if (fs.empty()) fs = wmi::text::lower(text(d, "FileSystem"));
            Section(content.append_child("DRIVES"))
                .field("TYPE", mountPoint)
                .field("FILESYSTEM", fs)
                .field("TOTAL", megabytes(number(d, "Size")))
                .field("FREE", megabytes(number(d, "FreeSpace")))
                .field("VOLUMN", d, "BlockDevice");
            return;
        }
        Section drive(content.append_child("DRIVES"));
        drive.field("LETTER", d, "DeviceID")
            .field("TYPE", named(number(d, "DriveType"), kDriveTypes))
            .field("FILESYSTEM", d, "FileSystem")
            .field("TOTAL", megabytes(number(d, "Size")))
            .field("FREE", megabytes(number(d, "FreeSpace")))
            .field("VOLUMN", d, "VolumeName")
            .field("SERIAL", d, "VolumeSerialNumber");
    });

    // Each adapter's IP configuration, joined to the adapter by Index.
    std::map<std::uint64_t, IpConfig> configs;
    r.each("Select * from Win32_NetworkAdapterConfiguration", [&](const Object& c) {
        const auto index = number(c, "Index");
        if (!index) return;
        IpConfig& k = configs[*index];
        k.description = text(c, "Description");
        if (flag(c, "IPEnabled").value_or(true)) {
            k.addresses = texts(c, "IPAddress");
            k.subnets = texts(c, "IPSubnet");
            k.gateways = texts(c, "DefaultIPGateway");
        }
        k.dns = texts(c, "DNSServerSearchOrder");
        k.dhcp = flag(c, "DHCPEnabled").value_or(false);
        k.dhcpServer = text(c, "DHCPServer");
        k.mtu = digits(number(c, "MTU"));
        if (sys.dnsDomain.empty()) sys.dnsDomain = text(c, "DNSDomain");
    });

    // One entry per address (one without any for an adapter that has none).
    const IpConfig* routed = nullptr;   // the first adapter with a default gateway
    const IpConfig* addressed = nullptr;  // else the first with an address
    r.each("Select * from Win32_NetworkAdapter", [&](const Object& a) {
        const std::string mac = text(a, "MACAddress");
        if (mac.empty()) return;  // tunnels and miniports without an address
        const auto index = number(a, "Index");
        const auto found = index ? configs.find(*index) : configs.end();
        const IpConfig* k = found == configs.end() ? nullptr : &found->second;
        // Linux's agents name an adapter by its interface.
        std::string description = sys.isLinux ? text(a, "NetConnectionID") : std::string();
        if (trimmed(description).empty() && k) description = k->description;
        if (trimmed(description).empty()) description = firstOf(a, {"Name", "Description", "ProductName"});
        const auto entry = [&] {
            Section net(content.append_child("NETWORKS"));
            net.field("DESCRIPTION", description)
                .field("TYPE", a, "AdapterType")
                .field("MACADDR", mac)
                .field("SPEED", linkSpeed(number(a, "Speed")))
                .field("DRIVER", a, "ServiceName")
                .field("MTU", k ? k->mtu : "");
            if (auto enabled = flag(a, "NetEnabled")) net.field("STATUS", *enabled ? "Up" : "Down");
            if (auto physical = flag(a, "PhysicalAdapter")) net.field("VIRTUALDEV", *physical ? "0" : "1");
            return net;
        };
        if (!k || k->addresses.empty()) {
            entry();
            return;
        }
        if (!routed && !k->gateways.empty()) routed = k;
        if (!addressed) addressed = k;
        for (std::size_t i = 0; i < k->addresses.size(); ++i) {
            Section net = entry();
            const std::string& shown = k->addresses[i];
            net.field("IPADDRESS", shown);
            const auto address = parseAddress(shown);
            if (!address) continue;
            if (auto mask = i < k->subnets.size() ? maskFor(*address, k->subnets[i]) : std::nullopt) {
                Address subnet = *address;
                for (std::size_t b = 0; b < subnet.bytes.size(); ++b) subnet.bytes[b] &= mask->bytes[b];
                net.field("IPMASK", formatAddress(*mask)).field("IPSUBNET", formatAddress(subnet));
            }
            for (const std::string& g : k->gateways)
                if (auto gw = parseAddress(g); gw && gw->v6 == address->v6) {
                    net.field("IPGATEWAY", g);
                    break;
                }
            if (!address->v6 && k->dhcp) net.field("IPDHCP", k->dhcpServer);
        }
    });
    // The machine's address, gateway and name servers: those of the adapter
    // that holds the default route.
    if (const IpConfig* k = routed ? routed : addressed) {
        hw.field("IPADDR", IpConfig::preferring(k->addresses, false));
        hw.field("DEFAULTGATEWAY", IpConfig::preferring(k->gateways, false));
        std::string dns;
        for (const std::string& d : k->dns) dns += (dns.empty() ? "" : "/") + d;
        hw.field("DNS", dns);
    }

    r.each("Select * from Win32_VideoController", [&](const Object& v) {
        Section video(content.append_child("VIDEOS"));
        const auto w = number(v, "CurrentHorizontalResolution");
        const auto h = number(v, "CurrentVerticalResolution");
        video.field("NAME", firstOf(v, {"Name", "Caption", "Description"}))
            .field("CHIPSET", v, "VideoProcessor")
            .field("MEMORY", megabytes(number(v, "AdapterRAM")))
            .field("RESOLUTION", w && h && *w && *h ? std::to_string(*w) + "x" + std::to_string(*h) : "")
            .field("DRVVERSION", v, "DriverVersion");
    });

    r.each("Select * from Win32_SoundDevice", [&](const Object& s) {
        Section sound(content.append_child("SOUNDS"));
        sound.field("NAME", firstOf(s, {"Name", "Caption", "ProductName"}))
            .field("MANUFACTURER", s, "Manufacturer")
            .field("DESCRIPTION", firstOf(s, {"ProductName", "Description"}));
    });

    r.each("Select * from Win32_Keyboard", [&](const Object& k) {
        Section input(content.append_child("INPUTS"));
        input.field("TYPE", "Keyboard")
            .field("CAPTION", k, "Caption")
            .field("DESCRIPTION", k, "Description")
            .field("INTERFACE", k, "Layout");
    });
    r.each("Select * from Win32_PointingDevice", [&](const Object& m) {
        Section input(content.append_child("INPUTS"));
        input.field("TYPE", "Pointing")
            .field("CAPTION", firstOf(m, {"Name", "Caption"}))
            .field("DESCRIPTION", m, "Description")
            .field("MANUFACTURER", m, "Manufacturer")
            .field("POINTTYPE", named(number(m, "PointingType"), kPointingTypes))
            .field("INTERFACE", named(number(m, "DeviceInterface"), kInterfaces));
    });

    r.each("Select * from Win32_POTSModem", [&](const Object& m) {
        Section modem(content.append_child("MODEMS"));
        modem.field("NAME", m, "Name")
            .field("MODEL", m, "Model")
            .field("DESCRIPTION", m, "Description")
            .field("TYPE", m, "DeviceType");
    });

    r.each("Select * from Win32_SystemSlot", [&](const Object& s) {
        Section slotSection(content.append_child("SLOTS"));
        slotSection.field("NAME", s, "SlotDesignation")
            .field("DESCRIPTION", s, "Description")
            .field("DESIGNATION", s, "Tag")
            .field("STATUS", named(number(s, "CurrentUsage"), kSlotUsage));
    });

    r.each("SELECT * FROM Win32_PnPSignedDriver WHERE (Location LIKE '%PCI%') OR DeviceClass='USB' OR "
           "DeviceClass='HDC'",
           [&](const Object& d) {
               if (text(d, "DeviceName").empty()) return;
               Section controller(content.append_child("CONTROLLERS"));
               controller.field("NAME", d, "DeviceName")
                   .field("MANUFACTURER", d, "Manufacturer")
                   .field("TYPE", d, "DeviceClass")
                   .field("CAPTION", d, sys.isLinux ? "DeviceName" : "DeviceID")
                   .field("DESCRIPTION", d, "Description")
                   .field("VERSION", d, sys.isLinux ? "ModuleVersion" : "DriverVersion");
           });

    r.each("Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'", [&](const Object& q) {
        const std::string id = text(q, "HotFixID");
        if (id.empty()) return;
        Section software(content.append_child("SOFTWARES"));
        software.field("NAME", id)
            .field("COMMENTS", q, "Description")
            .field("INSTALLDATE", usDateToIso(text(q, "InstalledOn")))
            .field("FOLDER", q, "Caption");
    });

    // Installed programs. Besides the class's own properties, what the
    // registry's uninstall entries or dpkg add: the date, the size in KB
    // and the architecture.
    r.each("Select * from Win32_InstalledWin32Program", [&](const Object& p) {
        const std::string name = text(p, "Name");
        if (trimmed(name).empty()) return;
        const auto kb = number(p, "EstimatedSize");
        Section(content.append_child("SOFTWARES"))
            .field("NAME", name)
            .field("VERSION", p, "Version")
            .field("PUBLISHER", p, "Vendor")
            .field("LANGUAGE", p, "Language")
            .field("GUID", p, "MsiProductCode")
            .field("INSTALLDATE", installDate(text(p, "InstallDate")))
            .field("FILESIZE", kb && *kb < (1u << 21) ? std::to_string(*kb * 1024) : "")  // the column's 32 bits
            .field("ARCHITECTURE", p, "Architecture");
    });

    pugi::xml_node account = content.append_child("ACCOUNTINFO");
    Section(account).field("KEYNAME", "TAG").field("KEYVALUE", options.tag.empty() ? options.designation : options.tag);
    Section(content).field("VERSIONCLIENT", "Tallyquest_v" TQ_VERSION);

    trap::setPending(before);
    return inv;
}

std::string Inventory::field(std::string_view section, std::string_view name) const {
    const pugi::xml_node content = content_->doc.child("CONTENT");
    return content.child(std::string(section).c_str()).child(std::string(name).c_str()).text().get();
}

std::string Inventory::requestXml(std::string_view deviceId) const {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node request = doc.append_child("REQUEST");
    request.append_copy(content_->doc.child("CONTENT"));
    request.append_child("DEVICEID").text().set(cleanText(deviceId).c_str());
    request.append_child("QUERY").text().set("INVENTORY");
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

}  // namespace tq::ocs
