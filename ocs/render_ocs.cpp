// The model as OCS Inventory NG's INVENTORY request: upper-case sections in
// the order its agents send them, sizes in MB, dates as the server stores
// them. A field whose value is empty is left out.
#include <cstdio>
#include <sstream>

#include <pugixml.hpp>

#include "ocs/facts.h"
#include "ocs/inventory.h"
#include "ocs/render.h"

namespace tq::ocs {

namespace {

using model::Number;

std::string digits(const Number& n) { return n ? std::to_string(*n) : std::string(); }

// A link speed in bits per second as the server's agents write it.
std::string linkSpeed(const Number& bps) {
    if (!bps || *bps == 0) return {};
    const std::uint64_t v = *bps;
    if (v >= 1000000000u && v % 1000000000u == 0) return std::to_string(v / 1000000000u) + " Gb/s";
    if (v >= 1000000u) return std::to_string(v / 1000000u) + " Mb/s";
    if (v >= 1000u) return std::to_string(v / 1000u) + " Kb/s";
    return std::to_string(v) + " b/s";
}

// MM/DD/YYYY, as the server keeps firmware dates.
std::string usDate(const model::When& w) {
    if (!w.known()) return w.text;
    char out[32];
    std::snprintf(out, sizeof out, "%02d/%02d/%04d", w.month, w.day, w.year);
    return out;
}
// YYYY/MM/DD, as the server keeps install dates.
std::string isoDate(const model::When& w) {
    if (!w.known()) return w.text;
    char out[32];
    std::snprintf(out, sizeof out, "%04d/%02d/%02d", w.year, w.month, w.day);
    return out;
}

// One section element; values that are empty leave their field out.
class Section {
public:
    Section(pugi::xml_node parent, const char* name) : node_(parent.append_child(name)) {}
    Section& operator()(const char* tag, std::string_view value) {
        const std::string clean = facts::trimmed(cleanText(value));
        if (!clean.empty()) node_.append_child(tag).text().set(clean.c_str());
        return *this;
    }
    Section& operator()(const char* tag, const Number& n) { return (*this)(tag, digits(n)); }

private:
    pugi::xml_node node_;
};

void hardware(pugi::xml_node c, const model::Inventory& m) {
    const model::OperatingSystem& os = m.os;
    const model::Hardware& hw = m.hardware;
    Section s(c, "HARDWARE");
    s("OSNAME", os.label)("OSVERSION", os.version)("OSCOMMENTS", os.comments);
    s("WINPRODID", os.productId)("WINOWNER", os.owner)("WINCOMPANY", os.company)("ARCH", os.arch);
    s("SWAP", hw.swapMb)("WORKGROUP", hw.workgroup)("USERID", hw.userId)("NAME", hw.name);
    s("CHECKSUM", "4194303");  // every section is sent whole each time: all of them marked changed
    s("UUID", hw.uuid);
    if (!m.cpus.empty()) {
        s("PROCESSORT", m.cpus.front().name)("PROCESSORS", m.cpus.front().speed);
        s("PROCESSORN", std::to_string(m.cpus.size()));
    }
    s("MEMORY", hw.memoryMb)("IPADDR", hw.ipAddress)("DEFAULTGATEWAY", hw.defaultGateway)("DNS", hw.dns);
}

void bios(pugi::xml_node c, const model::Bios& b) {
    Section(c, "BIOS")("SMANUFACTURER", b.systemMaker)("SMODEL", b.systemModel)("SSN", b.systemSerial)(
        "BMANUFACTURER", b.maker)("BVERSION", b.version)("BDATE", usDate(b.date))("MMANUFACTURER", b.boardMaker)(
        "MMODEL", b.boardModel)("MSN", b.boardSerial)("TYPE", b.type)("ASSETTAG", b.assetTag);
}

std::string yesNo(const model::Flag& f) { return f ? (*f ? "1" : "0") : ""; }

}  // namespace

std::string renderOcs(const model::Inventory& m, std::string_view deviceId) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node request = doc.append_child("REQUEST");
    pugi::xml_node c = request.append_child("CONTENT");

    hardware(c, m);
    bios(c, m.bios);
    for (const model::Cpu& x : m.cpus)
        Section(c, "CPUS")("MANUFACTURER", x.maker)("TYPE", x.name)("SPEED", x.speed)("CURRENT_SPEED", x.currentSpeed)(
            "CORES", x.cores)("LOGICAL_CPUS", x.threads)("SOCKET", x.socket)("CPUARCH", x.arch)(
            "DATA_WIDTH", x.dataWidth)("CURRENT_ADDRESS_WIDTH", x.addressWidth)("L2CACHESIZE", x.l2CacheKb)(
            "SERIALNUMBER", x.serial);
    for (const model::Memory& x : m.memories)
        Section(c, "MEMORIES")("CAPTION", x.caption)("DESCRIPTION", x.description)("CAPACITY", x.capacityMb)(
            "SPEED", x.speed)("TYPE", x.type)("MANUFACTURER", x.maker)("SERIALNUMBER", x.serial)(
            "NUMSLOTS", std::to_string(x.slot));
    for (const model::Storage& x : m.storages)
        Section(c, "STORAGES")("MANUFACTURER", x.maker)("NAME", x.name)("MODEL", x.model)(
            "DESCRIPTION", x.description)("TYPE", x.type)("DISKSIZE", x.sizeMb)("SERIALNUMBER", x.serial)(
            "FIRMWARE", x.firmware);
    for (const model::Drive& x : m.drives)
        Section(c, "DRIVES")("LETTER", x.letter)("TYPE", x.type)("FILESYSTEM", x.fileSystem)("TOTAL", x.totalMb)(
            "FREE", x.freeMb)("VOLUMN", x.volume)("SERIAL", x.serial);
    for (const model::Network& x : m.networks) {
        Section s(c, "NETWORKS");
        s("DESCRIPTION", x.description)("TYPE", x.kind == model::NetKind::Wifi ? "Wifi" : x.adapterType);
        s("MACADDR", x.mac)("SPEED", linkSpeed(x.speedBps))("DRIVER", x.driver)("MTU", x.mtu)("STATUS", x.status);
        if (x.virtualDevice) s("VIRTUALDEV", *x.virtualDevice ? "1" : "0");
        s("IPADDRESS", x.address)("IPMASK", x.mask)("IPSUBNET", x.subnet)("IPGATEWAY", x.gateway)(
            "IPDHCP", x.dhcpServer);
    }
    for (const model::Video& x : m.videos)
        Section(c, "VIDEOS")("NAME", x.name)("CHIPSET", x.chipset)("MEMORY", x.memoryMb)("RESOLUTION", x.resolution)(
            "DRVVERSION", x.driverVersion);
    for (const model::Sound& x : m.sounds)
        Section(c, "SOUNDS")("NAME", x.name)("MANUFACTURER", x.maker)("DESCRIPTION", x.description);
    for (const model::Input& x : m.inputs)
        Section(c, "INPUTS")("TYPE", x.type)("CAPTION", x.caption)("DESCRIPTION", x.description)(
            "MANUFACTURER", x.maker)("POINTTYPE", x.pointType)("INTERFACE", x.bus);
    for (const model::Modem& x : m.modems)
        Section(c, "MODEMS")("NAME", x.name)("MODEL", x.model)("DESCRIPTION", x.description)("TYPE", x.type);
    for (const model::Slot& x : m.slots)
        Section(c, "SLOTS")("NAME", x.name)("DESCRIPTION", x.description)("DESIGNATION", x.designation)(
            "STATUS", x.status);
    for (const model::Controller& x : m.controllers)
        Section(c, "CONTROLLERS")("NAME", x.name)("MANUFACTURER", x.maker)("TYPE", x.type)("CAPTION", x.caption)(
            "DESCRIPTION", x.description)("VERSION", x.version);
    for (const model::Software& x : m.softwares)
        Section(c, "SOFTWARES")("NAME", x.name)("VERSION", x.version)("PUBLISHER", x.publisher)(
            "LANGUAGE", x.language)("COMMENTS", x.comments)("GUID", x.guid)("INSTALLDATE", isoDate(x.installDate))(
            "FILESIZE", x.sizeBytes)("FOLDER", x.folder)("ARCHITECTURE", x.arch);
    for (const model::Monitor& x : m.monitors)
        Section(c, "MONITORS")("MANUFACTURER", x.maker)("CAPTION", x.model)("DESCRIPTION", x.description)(
            "TYPE", x.port)("SERIAL", x.serial)("ALTSERIAL", x.altSerial)("BASE64", x.base64);
    for (const model::Printer& x : m.printers)
        Section(c, "PRINTERS")("NAME", x.name)("DRIVER", x.driver)("PORT", x.port)("DESCRIPTION", x.description)(
            "SERVERNAME", x.serverName)("SHARENAME", x.shareName)("COMMENT", x.comment)("SHARED", yesNo(x.shared))(
            "NETWORK", yesNo(x.network));
    for (const model::UsbDevice& x : m.usbDevices)
        Section(c, "USBDEVICES")("DESCRIPTION", x.name)("INTERFACE", "USB")("MANUFACTURER", x.maker)(
            "SERIAL", x.serial)("TYPE", x.className);
    for (const model::Battery& x : m.batteries)
        Section(c, "BATTERIES")("LOCATION", x.location)("MANUFACTURER", x.maker)("MANUFACTUREDATE", usDate(x.date))(
            "SERIALNUMBER", x.serial)("NAME", x.name)("CHEMISTRY", x.chemistry)("DESIGNCAPACITY", x.designCapacity)(
            "DESIGNVOLTAGE", x.voltage)("SBDSVERSION", x.sbdsVersion)("MAXERROR", x.maxError);
    Section(c, "ACCOUNTINFO")("KEYNAME", "TAG")("KEYVALUE", m.tag);
    c.append_child("VERSIONCLIENT").text().set("Tallyquest_v" TQ_VERSION);

    request.append_child("DEVICEID").text().set(cleanText(deviceId).c_str());
    request.append_child("QUERY").text().set("INVENTORY");
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

}  // namespace tq::ocs
