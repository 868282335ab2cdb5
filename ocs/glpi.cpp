// The inventory in GLPI's native JSON form: the same sections, under GLPI's
// lower-case names, with numbers, Booleans and dates as its schema wants
// them. Values GLPI would refuse (an unknown architecture, a date it cannot
// read) are left out rather than sent.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ocs/content.h"

namespace tq::ocs {
namespace {

using Json = nlohmann::ordered_json;

enum class Kind { Text, Integer, Flag, Date, Lower, SlotStatus, NetType, Speed, Arch };

struct Field {
    const char* tag;
    const char* key;
    Kind kind = Kind::Text;
};

struct Rule {
    const char* section;
    const char* key;
    bool many;
    std::vector<Field> fields;
    const char* required = nullptr;  // an entry without this key is not sent
};

const std::vector<Rule>& rules() {
    static const std::vector<Rule> r = {
        {"HARDWARE", "hardware", false,
         {{"NAME", "name"}, {"WORKGROUP", "workgroup"}, {"USERID", "lastloggeduser"},
          {"MEMORY", "memory", Kind::Integer}, {"SWAP", "swap", Kind::Integer}, {"UUID", "uuid"},
          {"DNS", "dns"}, {"DEFAULTGATEWAY", "defaultgateway"}, {"WINPRODID", "winprodid"},
          {"WINOWNER", "winowner"}, {"WINCOMPANY", "wincompany"}}},
        {"BIOS", "bios", false,
         {{"SMANUFACTURER", "smanufacturer"}, {"SMODEL", "smodel"}, {"SSN", "ssn"},
          {"BMANUFACTURER", "bmanufacturer"}, {"BVERSION", "bversion"}, {"BDATE", "bdate", Kind::Date},
          {"MMANUFACTURER", "mmanufacturer"}, {"MMODEL", "mmodel"}, {"MSN", "msn"}}},
        {"CPUS", "cpus", true,
         {{"MANUFACTURER", "manufacturer"}, {"TYPE", "name"}, {"SPEED", "speed", Kind::Integer},
          {"CORES", "core", Kind::Integer}, {"LOGICAL_CPUS", "thread", Kind::Integer},
          {"CPUARCH", "arch", Kind::Arch}, {"SERIALNUMBER", "id"}}},
        {"MEMORIES", "memories", true,
         {{"CAPTION", "caption"}, {"DESCRIPTION", "description"}, {"CAPACITY", "capacity", Kind::Integer},
          {"SPEED", "speed"}, {"TYPE", "type"}, {"MANUFACTURER", "manufacturer"},
          {"SERIALNUMBER", "serialnumber"}, {"NUMSLOTS", "numslots", Kind::Integer}}},
        {"STORAGES", "storages", true,
         {{"MANUFACTURER", "manufacturer"}, {"NAME", "name"}, {"MODEL", "model"}, {"DESCRIPTION", "description"},
          {"TYPE", "type"}, {"DISKSIZE", "disksize", Kind::Integer}, {"SERIALNUMBER", "serial"},
          {"FIRMWARE", "firmware"}}},
        {"DRIVES", "drives", true,
         {{"LETTER", "letter"}, {"TYPE", "type"}, {"FILESYSTEM", "filesystem"}, {"TOTAL", "total", Kind::Integer},
          {"FREE", "free", Kind::Integer}, {"VOLUMN", "volumn"}, {"SERIAL", "serial"}}},
        {"NETWORKS", "networks", true,
         {{"DESCRIPTION", "description"}, {"TYPE", "type", Kind::NetType}, {"MACADDR", "mac"},
          {"SPEED", "speed", Kind::Speed}, {"DRIVER", "driver"}, {"MTU", "mtu", Kind::Integer},
          {"STATUS", "status", Kind::Lower}, {"VIRTUALDEV", "virtualdev", Kind::Flag}, {"IPDHCP", "ipdhcp"},
          {"IPGATEWAY", "ipgateway"}},
         "description"},
        {"VIDEOS", "videos", true,
         {{"NAME", "name"}, {"CHIPSET", "chipset"}, {"MEMORY", "memory", Kind::Integer},
          {"RESOLUTION", "resolution"}}},
        {"SOUNDS", "sounds", true, {{"NAME", "name"}, {"MANUFACTURER", "manufacturer"}, {"DESCRIPTION", "description"}}},
        {"INPUTS", "inputs", true,
         {{"TYPE", "type"}, {"CAPTION", "caption"}, {"DESCRIPTION", "description"}, {"MANUFACTURER", "manufacturer"},
          {"INTERFACE", "interface"}, {"POINTTYPE", "pointingtype"}}},
        {"MODEMS", "modems", true,
         {{"NAME", "name"}, {"MODEL", "model"}, {"DESCRIPTION", "description"}, {"TYPE", "type"}}},
        {"SLOTS", "slots", true,
         {{"NAME", "name"}, {"DESCRIPTION", "description"}, {"DESIGNATION", "designation"},
          {"STATUS", "status", Kind::SlotStatus}},
         "name"},
        {"CONTROLLERS", "controllers", true,
         {{"NAME", "name"}, {"MANUFACTURER", "manufacturer"}, {"TYPE", "type"}, {"CAPTION", "caption"}}},
        {"SOFTWARES", "softwares", true,
         {{"NAME", "name"}, {"VERSION", "version"}, {"PUBLISHER", "publisher"}, {"COMMENTS", "comments"},
          {"INSTALLDATE", "install_date", Kind::Date}, {"FILESIZE", "filesize", Kind::Integer}, {"GUID", "guid"},
          {"ARCHITECTURE", "arch"}, {"FOLDER", "folder"}},
         "name"},
    };
    return r;
}

std::optional<std::int64_t> integer(std::string_view s) {
    std::int64_t n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return n;
}

// MM/DD/YYYY (firmware dates) or YYYY/MM/DD (install dates) as YYYY-MM-DD.
std::string isoDate(const std::string& s) {
    const std::string t = usDateToIso(cimDateToUs(s));  // both forms end as YYYY/MM/DD
    int y = 0, m = 0, d = 0;
    char tail = 0, out[32];
    if (std::sscanf(t.c_str(), "%4d/%2d/%2d%c", &y, &m, &d, &tail) != 3 || y < 1000 || m < 1 || m > 12 || d < 1 ||
        d > 31)
        return {};
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", y, m, d);
    return out;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A value in GLPI's form; null when GLPI would not take it.
Json convert(Kind kind, const std::string& v) {
    switch (kind) {
    case Kind::Text: return v;
    case Kind::Integer:
        if (auto n = integer(v)) return *n;
        return nullptr;
    case Kind::Flag: return v == "1";
    case Kind::Date:
        if (std::string d = isoDate(v); !d.empty()) return d;
        return nullptr;
    case Kind::Lower: {
        const std::string l = lower(v);
        for (const char* ok : {"up", "down", "dormant", "notpresent", "lowerlayerdown", "unknown", "testing"})
            if (l == ok) return l;
        return nullptr;
    }
    case Kind::SlotStatus:
        if (v == "In Use") return "used";
        if (v == "Available") return "free";
        return nullptr;
    case Kind::NetType: {
        const std::string l = lower(v);
        if (l.find("ethernet") != std::string::npos) return "ethernet";
        if (l.find("wireless") != std::string::npos || l.find("802.11") != std::string::npos) return "wifi";
        return nullptr;
    }
    case Kind::Speed: {  // "1 Gb/s", "866 Mb/s" as megabits
        const std::size_t space = v.find(' ');
        const auto n = integer(std::string_view(v).substr(0, space));
        if (!n || space == std::string::npos) return nullptr;
        const std::string unit = v.substr(space + 1);
        if (unit == "Gb/s") return std::to_string(*n * 1000);
        if (unit == "Mb/s") return std::to_string(*n);
        return nullptr;
    }
    case Kind::Arch: {
        static const std::pair<const char*, const char*> names[] = {
            {"x86", "i686"}, {"x86_64", "x86_64"}, {"ARM", "arm"}, {"ARM64", "aarch64"},
            {"MIPS", "mips"}, {"Alpha", "alpha"}, {"PowerPC", "powerpc"},
        };
        for (const auto& [ours, theirs] : names)
            if (v == ours) return theirs;
        return nullptr;
    }
    }
    return nullptr;
}

Json entry(const Rule& rule, pugi::xml_node node) {
    Json out = Json::object();
    for (const Field& f : rule.fields) {
        pugi::xml_node n = node.child(f.tag);
        if (!n) continue;
        Json v = convert(f.kind, n.text().get());
        if (!v.is_null()) out[f.key] = std::move(v);
    }
    if (rule.key == std::string_view("networks")) {
        // IPv4 and IPv6 addresses have keys of their own.
        const std::string address = node.child_value("IPADDRESS");
        if (const auto v6 = isIPv6Address(address)) {
            out[*v6 ? "ipaddress6" : "ipaddress"] = address;
            if (pugi::xml_node m = node.child("IPMASK")) out[*v6 ? "ipmask6" : "ipmask"] = m.text().get();
            if (pugi::xml_node s = node.child("IPSUBNET")) out[*v6 ? "ipsubnet6" : "ipsubnet"] = s.text().get();
        }
    }
    return out;
}

// A management datetime ("20230415103000.000000+060") as GLPI's
// "2023-04-15 10:30:00"; "" for anything else.
std::string dateTime(const std::string& s) {
    if (s.size() < 14) return {};
    for (std::size_t i = 0; i < 14; ++i)
        if (s[i] < '0' || s[i] > '9') return {};
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(8, 2) + ":" + s.substr(10, 2) +
           ":" + s.substr(12, 2);
}

}  // namespace

std::string Inventory::glpiJson(std::string_view deviceId) const {
    const pugi::xml_node content = content_->doc.child("CONTENT");
    Json body = Json::object();
    for (const Rule& rule : rules()) {
        Json list = Json::array();
        for (pugi::xml_node n : content.children(rule.section)) {
            Json e = entry(rule, n);
            if (rule.required && !e.contains(rule.required)) continue;
            if (!rule.many) {
                if (!e.empty()) body[rule.key] = std::move(e);
                break;
            }
            list.push_back(std::move(e));
        }
        if (rule.many && !list.empty()) body[rule.key] = std::move(list);
    }

    const Content::System& sys = content_->system;
    Json os = Json::object();
    const auto put = [&](const char* key, const std::string& v) {
        if (!v.empty()) os[key] = v;
    };
    put("name", sys.name);
    put("version", sys.version);
    put("full_name", sys.fullName);
    put("kernel_name", sys.isLinux ? "linux" : sys.fullName.empty() ? "" : "MSWin32");
    put("kernel_version", sys.kernelVersion);
    put("service_pack", sys.servicePack);
    put("arch", sys.arch);
    put("dns_domain", sys.dnsDomain);
    put("install_date", dateTime(sys.installDate));
    if (!os.empty()) body["operatingsystem"] = std::move(os);
    body["versionclient"] = content.child_value("VERSIONCLIENT");

    Json doc = Json::object();
    doc["action"] = "inventory";
    doc["deviceid"] = cleanText(deviceId);
    doc["itemtype"] = "Computer";
    if (const char* tag = content.child("ACCOUNTINFO").child_value("KEYVALUE"); *tag) doc["tag"] = tag;
    doc["content"] = std::move(body);
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tq::ocs
