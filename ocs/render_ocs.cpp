// The model as OCS Inventory NG's INVENTORY request: upper-case sections in
// the order its agents send them, sizes in MB, dates as the server stores
// them. A field whose value is empty is left out.
#include <charconv>
#include <string>

#include "ocs/facts.h"
#include "ocs/inventory.h"
#include "ocs/render.h"

namespace tq::ocs {

namespace {

using model::Number;

// A link speed in bits per second as the server's agents write it.
std::string linkSpeed(const Number& bps) {
    if (!bps || *bps == 0) return {};
    const std::uint64_t v = *bps;
    if (v >= 1000000000u && v % 1000000000u == 0) return std::to_string(v / 1000000000u) + " Gb/s";
    if (v >= 1000000u) return std::to_string(v / 1000000u) + " Mb/s";
    if (v >= 1000u) return std::to_string(v / 1000u) + " Kb/s";
    return std::to_string(v) + " b/s";
}

// A day's three parts, "/" between them, each zero-padded to its width (the
// builders read them from digits: never negative).
std::string datePart(const int (&parts)[3], const int (&widths)[3]) {
    char out[64];
    std::size_t n = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) out[n++] = '/';
        char digits[16];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, parts[i]);
        for (auto len = end - digits; len < widths[i]; ++len) out[n++] = '0';
        for (const char* d = digits; d != end; ++d) out[n++] = *d;
    }
    return std::string(out, n);
}

// MM/DD/YYYY, as the server keeps firmware dates.
std::string usDate(const model::When& w) {
    if (!w.known()) return w.text;
    return datePart({w.month, w.day, w.year}, {2, 2, 4});
}
// YYYY/MM/DD, as the server keeps install dates.
std::string isoDate(const model::When& w) {
    if (!w.known()) return w.text;
    return datePart({w.year, w.month, w.day}, {4, 2, 2});
}

// The request written straight into its text, indented by two spaces per
// level, as an XML library's indented output has it: no document tree and
// no second copy of the text.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    void open(const char* name, int depth) {
        indent(depth);
        out_ += '<';
        out_ += name;
        out_ += ">\n";
    }
    void close(const char* name, int depth) {
        indent(depth);
        out_ += "</";
        out_ += name;
        out_ += ">\n";
    }
    // An element holding text; `value` is already clean.
    void element(const char* name, std::string_view value, int depth) {
        indent(depth);
        out_ += '<';
        out_ += name;
        out_ += '>';
        escaped(value);
        out_ += "</";
        out_ += name;
        out_ += ">\n";
    }
    std::string& text() { return out_; }
    std::size_t size() const { return out_.size(); }

private:
    void indent(int depth) { out_.append(static_cast<std::size_t>(depth) * 2, ' '); }
    void escaped(std::string_view v) {
        std::size_t from = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            const char* with = v[i] == '&' ? "&amp;" : v[i] == '<' ? "&lt;" : v[i] == '>' ? "&gt;" : nullptr;
            if (!with) continue;
            out_.append(v.substr(from, i - from));
            out_ += with;
            from = i + 1;
        }
        out_.append(v.substr(from));
    }

    std::string& out_;
};

// Whether a text is printable ASCII throughout: then it is clean already.
bool plainAscii(std::string_view s) {
    for (const char c : s)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

// One section element; values that are empty leave their field out, and a
// section without any is written as an empty element.
class Section {
public:
    static constexpr int kDepth = 2;  // REQUEST, CONTENT, the section

    Section(Writer& w, const char* name) : w_(w), name_(name), start_(w.size()) {
        w_.open(name, kDepth);
        opened_ = w_.size();
    }
    ~Section() {
        if (w_.size() != opened_) {
            w_.close(name_, kDepth);
            return;
        }
        // Nothing in it: "<NAME />".
        std::string& out = w_.text();
        out.resize(start_);
        out.append(static_cast<std::size_t>(kDepth) * 2, ' ');
        out += '<';
        out += name_;
        out += " />\n";
    }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    Section& operator()(const char* tag, std::string_view value) {
        if (plainAscii(value)) {  // the usual case: only the ends to trim
            const auto first = value.find_first_not_of(' ');
            if (first != std::string_view::npos)
                w_.element(tag, value.substr(first, value.find_last_not_of(' ') - first + 1), kDepth + 1);
            return *this;
        }
        const std::string clean = facts::trimmed(cleanText(value));
        if (!clean.empty()) w_.element(tag, clean, kDepth + 1);
        return *this;
    }
    Section& operator()(const char* tag, const Number& n) {
        if (!n) return *this;
        char digits[24];
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, *n);
        return (*this)(tag, std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }

private:
    Writer& w_;
    const char* name_;
    std::size_t start_, opened_;
};

void hardware(Writer& c, const model::Inventory& m) {
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

void bios(Writer& c, const model::Bios& b) {
    Section(c, "BIOS")("SMANUFACTURER", b.systemMaker)("SMODEL", b.systemModel)("SSN", b.systemSerial)(
        "BMANUFACTURER", b.maker)("BVERSION", b.version)("BDATE", usDate(b.date))("MMANUFACTURER", b.boardMaker)(
        "MMODEL", b.boardModel)("MSN", b.boardSerial)("TYPE", b.type)("ASSETTAG", b.assetTag);
}

std::string yesNo(const model::Flag& f) { return f ? (*f ? "1" : "0") : ""; }

}  // namespace

std::string renderOcs(const model::Inventory& m, std::string_view deviceId) {
    // The text's room reserved up front from the longest list, the programs
    // (their tags, a date and a size, and their texts unless escaped): grown
    // by doubling it would hold its old and its new copy at once. What is
    // reserved and never written takes no memory.
    std::size_t room = 64 * 1024;
    for (const model::Software& x : m.softwares)
        room += 340 + x.name.size() + x.version.size() + x.publisher.size() + x.language.size() + x.comments.size() +
                x.guid.size() + x.installDate.text.size() + x.folder.size() + x.arch.size();
    std::string text;
    text.reserve(room);
    Writer c(text);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    c.open("REQUEST", 0);
    c.open("CONTENT", 1);

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
        Section(c, "STORAGES")("MANUFACTURER", x.maker)("NAME", x.name)("MODEL", x.model)("DESCRIPTION", x.description)(
            "TYPE", x.type)("DISKSIZE", x.sizeMb)("SERIALNUMBER", x.serial)("FIRMWARE", x.firmware);
    for (const model::Drive& x : m.drives)
        Section(c, "DRIVES")("LETTER", x.letter)("TYPE", x.type)("FILESYSTEM", x.fileSystem)("TOTAL", x.totalMb)(
            "FREE", x.freeMb)("VOLUMN", x.volume)("SERIAL", x.serial);
    for (const model::Network& x : m.networks) {
        Section s(c, "NETWORKS");
        s("DESCRIPTION", x.description)("TYPE", x.kind == model::NetKind::Wifi ? "Wifi" : x.adapterType);
        s("MACADDR", x.mac)("SPEED", linkSpeed(x.speedBps))("DRIVER", x.driver)("MTU", x.mtu)("STATUS", x.status);
        if (x.virtualDevice) s("VIRTUALDEV", *x.virtualDevice ? "1" : "0");
        s("IPADDRESS", x.address)("IPMASK", x.mask)("IPSUBNET", x.subnet)("IPGATEWAY", x.gateway)("IPDHCP",
                                                                                                  x.dhcpServer);
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
        Section(c, "SLOTS")("NAME", x.name)("DESCRIPTION", x.description)("DESIGNATION", x.designation)("STATUS",
                                                                                                        x.status);
    for (const model::Controller& x : m.controllers)
        Section(c, "CONTROLLERS")("NAME", x.name)("MANUFACTURER", x.maker)("TYPE", x.type)("CAPTION", x.caption)(
            "DESCRIPTION", x.description)("VERSION", x.version);
    for (const model::Software& x : m.softwares)
        Section(c, "SOFTWARES")("NAME", x.name)("VERSION", x.version)("PUBLISHER", x.publisher)("LANGUAGE", x.language)(
            "COMMENTS", x.comments)("GUID", x.guid)("INSTALLDATE", isoDate(x.installDate))("FILESIZE", x.sizeBytes)(
            "FOLDER", x.folder)("ARCHITECTURE", x.arch);
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
    c.element("VERSIONCLIENT", "Tallyquest_v" TQ_VERSION, 2);
    c.close("CONTENT", 1);
    c.element("DEVICEID", cleanText(deviceId), 1);
    c.element("QUERY", "INVENTORY", 1);
    c.close("REQUEST", 0);
    return text;
}

}  // namespace tq::ocs
