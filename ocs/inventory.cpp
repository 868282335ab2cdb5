#include "ocs/inventory.h"

#include <charconv>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>

#include <pugixml.hpp>

#include "wmi/service.h"
#include "wmi/trap.h"

namespace tq::ocs {

struct Inventory::Content {
    pugi::xml_document doc;  // <CONTENT> and its sections
};

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

    std::string memoryMb;
    r.first("Select * from Win32_ComputerSystem", [&](const Object& cs) {
        inv.name_ = trimmed(cleanText(text(cs, "Name")));
        hw.field("WORKGROUP", text(cs, "Domain"));
        hw.field("USERID", text(cs, "UserName"));
        memoryMb = megabytes(number(cs, "TotalPhysicalMemory"));
        bi.field("SMANUFACTURER", cs, "Manufacturer");
        bi.field("SMODEL", cs, "Model");
    });
    if (inv.name_.empty()) inv.name_ = trimmed(cleanText(options.designation));
    hw.field("NAME", inv.name_);

    r.first("Select * from Win32_OperatingSystem", [&](const Object& os) {
        hw.field("OSNAME", os, "Caption");
        hw.field("OSVERSION", os, "Version");
        hw.field("OSCOMMENTS", os, "CSDVersion");
        hw.field("WINPRODID", os, "SerialNumber");
        hw.field("WINOWNER", os, "RegisteredUser");
        hw.field("WINCOMPANY", os, "Organization");
        hw.field("ARCH", os, "OSArchitecture");
        if (memoryMb.empty()) {
            if (auto kb = number(os, "TotalVisibleMemorySize")) memoryMb = std::to_string(*kb / 1024);
        }
        if (auto kb = number(os, "SizeStoredInPagingFiles")) hw.field("SWAP", std::to_string(*kb / 1024));
    });
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
        cpu.field("MANUFACTURER", c, "Manufacturer")
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
        disk.field("MANUFACTURER", d, "Manufacturer")
            .field("NAME", firstOf(d, {"Caption", "Model", "Name"}))
            .field("MODEL", d, "Model")
            .field("DESCRIPTION", d, "InterfaceType")
            .field("TYPE", d, "MediaType")
            .field("DISKSIZE", megabytes(number(d, "Size")))
            .field("SERIALNUMBER", d, "SerialNumber")
            .field("FIRMWARE", d, "FirmwareRevision");
    });
    r.each("Select * from Win32_CDROMDrive", [&](const Object& d) {
        Section drive(content.append_child("STORAGES"));
        drive.field("MANUFACTURER", d, "Manufacturer")
            .field("NAME", firstOf(d, {"Caption", "Name"}))
            .field("MODEL", firstOf(d, {"Name", "Caption"}))
            .field("DESCRIPTION", d, "Drive")
            .field("TYPE", "CD-ROM")
            .field("SERIALNUMBER", d, "SerialNumber")
            .field("FIRMWARE", d, "MfrAssignedRevisionLevel");
    });

    r.each("Select * from Win32_LogicalDisk", [&](const Object& d) {
        Section drive(content.append_child("DRIVES"));
        drive.field("LETTER", d, "DeviceID")
            .field("TYPE", named(number(d, "DriveType"), kDriveTypes))
            .field("FILESYSTEM", d, "FileSystem")
            .field("TOTAL", megabytes(number(d, "Size")))
            .field("FREE", megabytes(number(d, "FreeSpace")))
            .field("VOLUMN", d, "VolumeName")
            .field("SERIAL", d, "VolumeSerialNumber");
    });

    r.each("Select * from Win32_NetworkAdapter", [&](const Object& a) {
        const std::string mac = text(a, "MACAddress");
        if (mac.empty()) return;  // tunnels and miniports without an address
        Section net(content.append_child("NETWORKS"));
        net.field("DESCRIPTION", firstOf(a, {"Name", "Description", "ProductName"}))
            .field("TYPE", a, "AdapterType")
            .field("MACADDR", mac)
            .field("SPEED", linkSpeed(number(a, "Speed")))
            .field("DRIVER", a, "ServiceName");
        if (auto enabled = flag(a, "NetEnabled")) net.field("STATUS", *enabled ? "Up" : "Down");
        if (auto physical = flag(a, "PhysicalAdapter")) net.field("VIRTUALDEV", *physical ? "0" : "1");
    });

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
                   .field("CAPTION", d, "DeviceID")
                   .field("DESCRIPTION", d, "Description")
                   .field("VERSION", d, "DriverVersion");
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
