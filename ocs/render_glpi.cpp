// The model in GLPI's native JSON form: lower-case section names, numbers,
// Booleans and dates as its schema wants them. Values GLPI would refuse (an
// unknown architecture, a date it cannot read) are left out rather than sent.
#include <cstdio>
#include <limits>

#include <nlohmann/json.hpp>

#include "ocs/facts.h"
#include "ocs/inventory.h"
#include "ocs/render.h"
#include "wmi/ascii.h"

namespace tq::ocs {

namespace {

using Json = nlohmann::ordered_json;
using model::Number;

// An entry under construction; empty values leave their key out.
class Entry {
public:
    Entry& operator()(const char* key, std::string_view text) {
        std::string clean = facts::trimmed(cleanText(text));
        if (!clean.empty()) j_[key] = std::move(clean);
        return *this;
    }
    Entry& operator()(const char* key, const char* text) { return (*this)(key, std::string_view(text)); }
    Entry& operator()(const char* key, const Number& n) {
        if (n && *n <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            j_[key] = static_cast<std::int64_t>(*n);
        return *this;
    }
    Entry& operator()(const char* key, const model::Flag& f) {
        if (f) j_[key] = *f;
        return *this;
    }
    Entry& operator()(const char* key, int n) { return (*this)(key, Number(static_cast<std::uint64_t>(n))); }
    bool has(const char* key) const { return j_.contains(key); }
    Json& json() { return j_; }

private:
    Json j_ = Json::object();
};

// YYYY-MM-DD, when the day is a real one.
std::string day(const model::When& w) {
    if (!w.known() || w.year < 1000 || w.year > 9999 || w.month < 1 || w.month > 12 || w.day < 1 || w.day > 31)
        return {};
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", w.year, w.month, w.day);
    return out;
}

// "2023-04-15 10:30:00", when the time of day is known.
std::string dayAndTime(const model::When& w) {
    if (!w.known() || w.hour < 0) return {};
    char out[48];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", w.year, w.month, w.day, w.hour, w.minute, w.second);
    return out;
}

// The architecture under GLPI's name; "" for one it does not know.
std::string arch(const std::string& ours) {
    static const std::pair<const char*, const char*> names[] = {
        {"x86", "i686"},  {"x86_64", "x86_64"}, {"ARM", "arm"},         {"ARM64", "aarch64"},
        {"MIPS", "mips"}, {"Alpha", "alpha"},   {"PowerPC", "powerpc"},
    };
    for (const auto& [name, theirs] : names)
        if (ours == name) return theirs;
    return {};
}

// An interface state among those GLPI knows; "" otherwise.
std::string status(const std::string& s) {
    const std::string l = ascii::lower(facts::trimmed(s));
    for (const char* ok : {"up", "down", "dormant", "notpresent", "lowerlayerdown", "unknown", "testing"})
        if (l == ok) return l;
    return {};
}

Json network(const model::Network& n) {
    Entry e;
    e("description", n.description)("type", n.kind == model::NetKind::Ethernet ? "ethernet"
                                            : n.kind == model::NetKind::Wifi   ? "wifi"
                                                                               : "")("mac", n.mac);
    if (n.speedBps && *n.speedBps >= 1000000u) e("speed", std::to_string(*n.speedBps / 1000000u));
    e("driver", n.driver)("mtu", n.mtu)("status", status(n.status))("virtualdev", n.virtualDevice)(
        "ipdhcp", n.dhcpServer)("ipgateway", n.gateway);
    if (n.addressV6) {
        const bool v6 = *n.addressV6;
        e(v6 ? "ipaddress6" : "ipaddress", n.address)(v6 ? "ipmask6" : "ipmask", n.mask)(v6 ? "ipsubnet6" : "ipsubnet",
                                                                                         n.subnet);
    }
    return std::move(e.json());
}

template <class T, class F>
void list(Json& body, const char* key, const std::vector<T>& items, F&& entry, const char* required = nullptr) {
    Json out = Json::array();
    for (const T& x : items) {
        Entry e;
        entry(e, x);
        if (!required || e.has(required)) out.push_back(std::move(e.json()));
    }
    if (!out.empty()) body[key] = std::move(out);
}

}  // namespace

std::string renderGlpi(const model::Inventory& m, std::string_view deviceId) {
    Json body = Json::object();
    const model::Hardware& hw = m.hardware;
    Entry h;
    h("name", hw.name)("workgroup", hw.workgroup)("lastloggeduser", hw.userId)("memory", hw.memoryMb)(
        "swap", hw.swapMb)("uuid", hw.uuid)("dns", hw.dns)("defaultgateway", hw.defaultGateway)(
        "winprodid", m.os.productId)("winowner", m.os.owner)("wincompany", m.os.company)("vmsystem", hw.vmSystem)(
        "chassis_type", m.bios.type)("datelastloggeduser", dayAndTime(hw.lastLogon));
    if (!h.json().empty()) body["hardware"] = std::move(h.json());
    const model::Bios& b = m.bios;
    Entry bi;
    bi("smanufacturer", b.systemMaker)("smodel", b.systemModel)("ssn", b.systemSerial)("bmanufacturer", b.maker)(
        "bversion", b.version)("bdate", day(b.date))("mmanufacturer", b.boardMaker)("mmodel", b.boardModel)(
        "msn", b.boardSerial)("assettag", b.assetTag);
    if (!bi.json().empty()) body["bios"] = std::move(bi.json());

    list(body, "cpus", m.cpus, [](Entry& e, const model::Cpu& x) {
        e("manufacturer", x.maker)("name", x.name)("speed", x.speed)("core", x.cores)("thread", x.threads)(
            "arch", arch(x.arch))("id", x.serial);
    });
    list(body, "memories", m.memories, [](Entry& e, const model::Memory& x) {
        e("caption", x.caption)("description", x.description)("capacity", x.capacityMb)(
            "speed", x.speed ? std::to_string(*x.speed) : "")("type", x.type)("manufacturer", x.makerName)(
            "serialnumber", x.serial)("numslots", x.slot);
    });
    list(body, "storages", m.storages, [](Entry& e, const model::Storage& x) {
        e("manufacturer", x.maker)("name", x.name)("model", x.model)("description", x.description)("type", x.type)(
            "disksize", x.sizeMb)("serial", x.serial)("firmware", x.firmware);
    });
    list(body, "drives", m.drives, [](Entry& e, const model::Drive& x) {
        e("letter", x.letter)("type", x.type)("filesystem", x.fileSystem)("total", x.totalMb)("free", x.freeMb)(
            "volumn", x.volume)("serial", x.serial);
    });
    Json networks = Json::array();
    for (const model::Network& n : m.networks)
        if (Json j = network(n); j.contains("description")) networks.push_back(std::move(j));
    if (!networks.empty()) body["networks"] = std::move(networks);
    list(body, "videos", m.videos, [](Entry& e, const model::Video& x) {
        e("name", x.name)("chipset", x.chipset)("memory", x.memoryMb)("resolution", x.resolution);
    });
    list(body, "sounds", m.sounds, [](Entry& e, const model::Sound& x) {
        e("name", x.name)("manufacturer", x.maker)("description", x.description);
    });
    list(body, "inputs", m.inputs, [](Entry& e, const model::Input& x) {
        e("type", x.type)("caption", x.caption)("description", x.description)("manufacturer", x.maker)(
            "interface", x.bus)("pointingtype", x.pointType);
    });
    list(body, "modems", m.modems, [](Entry& e, const model::Modem& x) {
        e("name", x.name)("model", x.model)("description", x.description)("type", x.type);
    });
    list(
        body, "slots", m.slots,
        [](Entry& e, const model::Slot& x) {
            e("name", x.name)("description", x.description)("designation", x.designation)(
                "status", x.status == "In Use"      ? "used"
                          : x.status == "Available" ? "free"
                                                    : "");
        },
        "name");
    list(body, "controllers", m.controllers, [](Entry& e, const model::Controller& x) {
        e("name", x.name)("manufacturer", x.maker)("type", x.type)("caption", x.caption)("driver", x.driver)(
            "pciclass", x.pciClass)("vendorid", x.vendorId)("productid", x.productId);
    });
    list(
        body, "softwares", m.softwares,
        [](Entry& e, const model::Software& x) {
            e("name", x.name)("version", x.version)("publisher", x.publisher)("comments", x.comments)(
                "install_date", day(x.installDate))("filesize", x.sizeBytes)("guid", x.guid)("arch", x.arch)("folder",
                                                                                                             x.folder);
        },
        "name");

    list(body, "monitors", m.monitors, [](Entry& e, const model::Monitor& x) {
        e("manufacturer", x.maker)("caption", x.model)("name", x.model)("description", x.description)(
            "serial", x.serial)("altserial", x.altSerial)("port", x.port)("base64", x.base64);
    });
    list(
        body, "printers", m.printers,
        [](Entry& e, const model::Printer& x) {
            e("name", x.name)("driver", x.driver)("port", x.port)("description", x.description)("comment", x.comment)(
                "sharename", x.shareName)("servername", x.serverName)("status", x.status)("shared", x.shared)(
                "network", x.network);
        },
        "name");
    list(body, "usbdevices", m.usbDevices, [](Entry& e, const model::UsbDevice& x) {
        e("name", x.name)("caption", x.name)("manufacturer", x.maker)("serial", x.serial)(
            "vendorid", ascii::lower(x.vendorId))("productid", ascii::lower(x.productId))("class", x.usbClass)(
            "subclass", x.subclass);
    });
    list(body, "batteries", m.batteries, [](Entry& e, const model::Battery& x) {
        e("name", x.name)("manufacturer", x.maker)("serial", x.serial)("chemistry", x.chemistry)("date", day(x.date))(
            "capacity", x.designCapacity)("real_capacity", x.fullCapacity)("voltage", x.voltage);
    });

    const model::OperatingSystem& os = m.os;
    Entry o;
    o("name", os.name)("version", os.fullVersion)("full_name", os.fullName)("kernel_name", os.kernelName)(
        "kernel_version", os.kernelVersion)("service_pack", os.servicePack)("arch", os.arch)(
        "dns_domain", os.dnsDomain)("install_date", dayAndTime(os.installDate));
    if (!o.json().empty()) body["operatingsystem"] = std::move(o.json());
    body["versionclient"] = "Tallyquest_v" TQ_VERSION;

    Json doc = Json::object();
    doc["action"] = "inventory";
    doc["deviceid"] = cleanText(deviceId);
    doc["itemtype"] = "Computer";
    if (std::string tag = facts::trimmed(cleanText(m.tag)); !tag.empty()) doc["tag"] = tag;
    doc["content"] = std::move(body);
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tq::ocs
