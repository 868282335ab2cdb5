#include "platform/linux/machine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <set>
#include <utility>

#include "platform/linux/ids.h"

namespace tq::linuxprov {

// ---- Props ----

void Props::set(std::string name, Value v) {
    for (auto& [n, val] : values) {
        if (n == name) {
            val = std::move(v);
            return;
        }
    }
    values.emplace_back(std::move(name), std::move(v));
}

void Props::text(std::string name, const std::optional<std::string>& s) {
    if (s && !s->empty()) set(std::move(name), Value::text(*s));
}

void Props::uint(std::string name, std::optional<std::uint64_t> v) {
    if (!v || *v > 0xFFFFFFFFu) return;
    set(std::move(name), Value::integer(static_cast<std::int32_t>(static_cast<std::uint32_t>(*v))));
}

void Props::uint64(std::string name, std::optional<std::uint64_t> v) {
    if (v) set(std::move(name), Value::text(std::to_string(*v)));
}

void Props::texts(std::string name, const std::vector<std::string>& items) {
    if (items.empty()) return;
    std::string out = "[";
    for (const auto& i : items) {
        if (out.size() > 1) out += ',';
        out += jsonText(i);
    }
    set(std::move(name), Value::other(out + "]"));
}

std::string jsonText(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out.push_back(c);
        }
    }
    return out + "\"";
}

const Value* Props::find(std::string_view name) const {
    for (const auto& [n, v] : values)
        if (n == name) return &v;
    return nullptr;
}

std::string Props::str(std::string_view name) const {
    const Value* v = find(name);
    return v && v->isText() ? v->rawText() : std::string();
}

// ---- Machine ----

namespace {
// Said once per run: the table is cut, so what it lists past the cut is missing.
void noteOversizedTable(const std::string& root) {
    static bool said = false;
    if (std::exchange(said, true)) return;
    std::fprintf(stderr,
                 "tallyquest: the firmware table below %s is larger than %zu KB; only its first %zu KB are read\n",
                 root.c_str(), smbios::kMaxTableBytes >> 10, smbios::kMaxTableBytes >> 10);
}

}  // namespace

std::string readingLimits(const std::string& root) {
    // What the report lacks: what only the table holds, and what the
    // fields everyone may read did not give either.
    Machine m(root);
    std::vector<std::string> lacking;
    if (m.udevMemoryDevices().empty()) lacking.push_back("memory modules");
    if (!m.dmiId("sys_vendor")) lacking.push_back("system maker");
    lacking.push_back("slots");
    lacking.push_back("on-board devices");
    if (!m.dmiId("product_serial")) lacking.push_back("serial numbers");
    if (!m.dmiId("product_uuid")) lacking.push_back("the UUID");
    std::string list;
    for (std::size_t i = 0; i < lacking.size(); ++i)
        list += (i == 0 ? "" : i + 1 == lacking.size() ? " and " : ", ") + lacking[i];
    return "cannot read the firmware table " + m.fs.path("/sys/firmware/dmi/tables/DMI") + " (root's alone): " + list +
           " need root: run with sudo";
}

Machine::Machine(std::string root, std::function<void(const std::string&)> refused)
    : fs(std::move(root)), refused_(std::move(refused)) {}

const smbios::Table& Machine::smbios() {
    if (!smbios_) {
        auto table = fs.read("/sys/firmware/dmi/tables/DMI", smbios::kMaxTableBytes + 1);
        if (table && table->size() > smbios::kMaxTableBytes) noteOversizedTable(fs.root());
        auto entry = fs.read("/sys/firmware/dmi/tables/smbios_entry_point", 4096);
        if (table && entry && smbios::parseEntryPoint(*entry)) smbios_ = smbios::parsePair(*entry, *table);
        else if (table) smbios_ = smbios::parseBlob(*table);
        else smbios_ = smbios::Table{};
        // Root's alone (mode 0400): there, but not to be read by this user.
        smbiosDenied_ = !table && fs.exists("/sys/firmware/dmi/tables/DMI");
        if (smbiosDenied_ && refused_) refused_(fs.root());
    }
    return *smbios_;
}

bool Machine::smbiosDenied() {
    smbios();
    return smbiosDenied_;
}

std::vector<std::map<std::string, std::string>> Machine::udevMemoryDevices() {
    std::map<unsigned, std::map<std::string, std::string>> byIndex;
    const auto text = fs.read("/run/udev/data/+dmi:id", 1u << 20);
    if (!text) return {};
    constexpr std::string_view kPrefix = "E:MEMORY_DEVICE_";
    for (const auto& l : split(*text, '\n')) {
        if (!startsWith(l, kPrefix)) continue;
        const std::string_view rest = std::string_view(l).substr(kPrefix.size());
        const auto underscore = rest.find('_'), eq = rest.find('=');
        if (underscore == std::string_view::npos || eq == std::string_view::npos || underscore > eq) continue;
        const auto index = parseNumber(rest.substr(0, underscore), 10);
        if (!index || *index > 1024) continue;
        byIndex[static_cast<unsigned>(*index)][std::string(rest.substr(underscore + 1, eq - underscore - 1))] =
            cleanText(rest.substr(eq + 1));
    }
    std::vector<std::map<std::string, std::string>> out;
    for (auto& [index, fields] : byIndex)
        if (fields["PRESENT"] != "0" && !fields["SIZE"].empty()) out.push_back(std::move(fields));
    return out;
}

std::optional<std::string> Machine::dmiId(std::string_view field) {
    std::string v = cleanText(fs.line("/sys/class/dmi/id/" + std::string(field)));
    if (v.empty()) return std::nullopt;
    return v;
}

std::string Machine::kernelRelease() {
    if (!release_) release_ = cleanText(fs.line("/proc/sys/kernel/osrelease"));
    return *release_;
}

std::string Machine::hostname() {
    if (!hostname_) {
        hostname_ = cleanText(fs.line("/proc/sys/kernel/hostname"));
        if (hostname_->empty()) hostname_ = cleanText(fs.line("/etc/hostname"));
    }
    return *hostname_;
}

std::string Machine::moduleVersion(const std::string& module) {
    if (!module.empty()) {
        auto it = moduleVersions_.find(module);
        if (it == moduleVersions_.end())
            it = moduleVersions_.emplace(module, cleanText(fs.line("/sys/module/" + module + "/version"))).first;
        if (!it->second.empty()) return it->second;
    }
    return kernelRelease();
}

std::string Machine::driverModule(const std::string& sysPath) {
    std::string drv = fs.linkName(sysPath + "/driver");
    if (drv.empty()) return {};
    std::string mod = fs.linkName(sysPath + "/driver/module");
    return mod.empty() ? drv : mod;
}

const std::vector<Cpu>& Machine::cpus() {
    if (cpus_) return *cpus_;
    cpus_.emplace();
    auto text = fs.read("/proc/cpuinfo", 4u << 20);
    if (!text) return *cpus_;
    for (auto& block : parseCpuinfo(*text)) {
        Cpu c;
        auto n = parseNumber(block["processor"], 10);
        c.cpuIndex = n && *n < 100000 ? static_cast<int>(*n) : static_cast<int>(cpus_->size());
        std::optional<std::uint64_t> pkg;
        if (block.count("physical id")) pkg = parseNumber(block["physical id"], 10);
        if (!pkg)
            pkg = fs.number(
                "/sys/devices/system/cpu/cpu" + std::to_string(c.cpuIndex) + "/topology/physical_package_id", 10);
        c.package = pkg && *pkg < 4096 ? static_cast<int>(*pkg) : 0;
        c.info = std::move(block);
        cpus_->push_back(std::move(c));
    }
    return *cpus_;
}

std::optional<std::string> processorDescription(const std::map<std::string, std::string>& info) {
    auto get = [&](const char* k) -> std::string {
        auto it = info.find(k);
        return it == info.end() ? std::string() : it->second;
    };
    std::string vendor = get("vendor_id");
    auto fam = parseNumber(get("cpu family"), 10), model = parseNumber(get("model"), 10),
         step = parseNumber(get("stepping"), 10);
    if (!fam || !model || !step) return std::nullopt;
    std::string arch;
    if (vendor == "GenuineIntel") arch = "Intel64";
    else if (vendor == "AuthenticAMD" || vendor == "HygonGenuine") arch = "AMD64";
    else if (!vendor.empty()) arch = vendor;
    else return std::nullopt;
    return arch + " Family " + std::to_string(*fam) + " Model " + std::to_string(*model) + " Stepping " +
           std::to_string(*step);
}

std::string pciDeviceClass(std::uint32_t cls) {
    unsigned base = (cls >> 16) & 0xFF, sub = (cls >> 8) & 0xFF;
    switch (base) {
    case 0x00: return sub == 0x01 ? "DISPLAY" : "SYSTEM";
    case 0x01:
        if (sub == 0x01 || sub == 0x05 || sub == 0x06) return "HDC";  // IDE, ATA, SATA
        return "SCSIADAPTER";
    case 0x02: return "NET";
    case 0x03: return "DISPLAY";
    case 0x04: return sub == 0x03 ? "SYSTEM" : "MEDIA";  // the HD Audio controller is a system device
    case 0x07: return sub == 0x03 ? "MODEM" : (sub == 0x00 || sub == 0x01) ? "PORTS" : "SYSTEM";
    case 0x08: return sub == 0x05 ? "SDHOST" : "SYSTEM";
    case 0x0C:
        if (sub == 0x03) return "USB";
        if (sub == 0x00) return "1394";
        if (sub == 0x04) return "SCSIADAPTER";
        return "SYSTEM";
    case 0x0D: return sub == 0x11 ? "BLUETOOTH" : "NET";
    default: return "SYSTEM";
    }
}

namespace {

struct PciRaw {
    std::string path, addr;
    std::uint16_t vendor = 0, device = 0, subVendor = 0, subDevice = 0;
    std::uint32_t cls = 0;
    std::uint8_t rev = 0;
    bool hasSubsys = false;
};

std::optional<std::uint16_t> u16(const Fs& fs, const std::string& p) {
    auto v = fs.number(p, 16);
    if (!v || *v > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}

// Bus, device and function of a PCI address "dddd:bb:dd.f".
bool pciAddress(std::string_view a, unsigned& bus, unsigned& dev, unsigned& fn) {
    if (a.size() != 12 || a[4] != ':' || a[7] != ':' || a[10] != '.') return false;
    auto b = parseNumber(a.substr(5, 2), 16), d = parseNumber(a.substr(8, 2), 16), f = parseNumber(a.substr(11, 1), 16);
    if (!b || !d || !f || *d > 31 || *f > 7) return false;
    bus = static_cast<unsigned>(*b);
    dev = static_cast<unsigned>(*d);
    fn = static_cast<unsigned>(*f);
    return true;
}

std::string deviceName(const IdNames& names, std::uint16_t v, std::uint16_t d, const char* bus) {
    if (auto n = names.device(v, d)) return *n;
    std::string vendor = names.vendor(v) ? shortVendor(*names.vendor(v)) : std::string(bus) + " Vendor " + hex(v, 4);
    return vendor + " Device " + hex(d, 4);
}

std::string vendorName(const IdNames& names, std::uint16_t v, const char* bus) {
    if (auto n = names.vendor(v)) return shortVendor(*n);
    return std::string(bus) + " Vendor " + hex(v, 4);
}

// A serial number fit to stand as an instance identifier.
// The names of the vendors and devices a scan found (`ids` gives each
// one's vendor and device number), from the database below the root, or
// from the installed one when a recorded tree carries none.
template <class Range, class Ids>
IdNames loadNames(const Fs& fs, const std::string& db, const Range& found, Ids ids) {
    std::set<std::uint16_t> vendors;
    std::set<std::uint32_t> wanted;
    for (const auto& r : found) {
        const auto [v, d] = ids(r);
        vendors.insert(v);
        wanted.insert((static_cast<std::uint32_t>(v) << 16) | d);
    }
    IdNames names = IdNames::load(fs.path(db), vendors, &wanted);
    if (!names.vendor(*vendors.begin()) && !fs.live()) names = IdNames::load(db, vendors, &wanted);
    return names;
}

bool usableSerial(std::string_view s) {
    if (s.empty() || s.size() > 100) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.')) return false;
    return true;
}

}  // namespace

std::string Machine::functionPath(const std::string& pciPath) {
    // The virtio transport binds the PCI device and hands its function to
    // a device of the virtio bus below it (virtio0), with the driver that
    // does the work (virtio_net, virtio_blk, ...).
    if (fs.linkName(pciPath + "/driver") != "virtio-pci") return pciPath;
    for (const auto& child : fs.list(pciPath)) {
        if (child.rfind("virtio", 0) != 0 || child.size() == 6) continue;
        const std::string sub = pciPath + "/" + child;
        if (!fs.linkName(sub + "/driver").empty()) return sub;
    }
    return pciPath;
}

void Machine::scanPci(std::vector<Device>& out) {
    std::vector<PciRaw> raw;
    std::set<std::string> seen;  // a folder that several entries lead to is one device
    for (const auto& addr : fs.list("/sys/bus/pci/devices")) {
        PciRaw r;
        r.addr = addr;
        auto p = fs.resolve("/sys/bus/pci/devices/" + addr);
        r.path = p ? *p : "/sys/bus/pci/devices/" + addr;
        if (!seen.insert(r.path).second) continue;
        auto v = u16(fs, r.path + "/vendor"), d = u16(fs, r.path + "/device");
        if (!v || !d) continue;
        r.vendor = *v;
        r.device = *d;
        auto sv = u16(fs, r.path + "/subsystem_vendor"), sd = u16(fs, r.path + "/subsystem_device");
        if (sv && sd) {
            r.subVendor = *sv;
            r.subDevice = *sd;
            r.hasSubsys = true;
        }
        auto c = fs.number(r.path + "/class", 16);
        r.cls = c && *c <= 0xFFFFFF ? static_cast<std::uint32_t>(*c) : 0;
        auto rv = fs.number(r.path + "/revision", 16);
        r.rev = rv && *rv <= 0xFF ? static_cast<std::uint8_t>(*rv) : 0;
        raw.push_back(std::move(r));
    }
    if (raw.empty()) return;
    IdNames names = loadNames(fs, "/usr/share/misc/pci.ids", raw, [](const auto& r) {
        return std::pair<std::uint16_t, std::uint16_t>(r.vendor, r.device);
    });

    for (const auto& r : raw) {
        Device d;
        d.sysPath = r.path;
        std::string hw = "PCI\\VEN_" + hex(r.vendor, 4) + "&DEV_" + hex(r.device, 4);
        if (r.hasSubsys) hw += "&SUBSYS_" + hex(r.subDevice, 4) + hex(r.subVendor, 4);
        hw += "&REV_" + hex(r.rev, 2);
        d.hardwareId = hw;
        unsigned bus = 0, dev = 0, fn = 0;
        bool addrOk = pciAddress(r.addr, bus, dev, fn);
        // The instance: nesting depth, a hash of the parent's path, the slot.
        std::string parent = dirName(r.path);
        int depth = 0;
        for (const auto& part : split(r.path, '/')) {
            unsigned b, dv, f;
            if (pciAddress(part, b, dv, f)) ++depth;
        }
        std::string slot = hex((dev << 3) | fn, 2);
        if (depth > 1) {
            unsigned pb, pd, pf;
            if (pciAddress(baseName(parent), pb, pd, pf)) slot = hex((pd << 3) | pf, 2) + slot;
        }
        d.deviceId =
            hw + "\\" + std::to_string(2 + std::max(depth, 1)) + "&" + hex(stableHash(parent), 8) + "&0&" + slot;
        d.name = deviceName(names, r.vendor, r.device, "PCI");
        d.manufacturer = vendorName(names, r.vendor, "PCI");
        d.deviceClass = pciDeviceClass(r.cls);
        if (addrOk)
            d.location = "PCI bus " + std::to_string(bus) + ", device " + std::to_string(dev) + ", function " +
                         std::to_string(fn);
        const std::string function = functionPath(r.path);
        d.driver = fs.linkName(function + "/driver");
        if (!d.driver.empty()) d.driverVersion = moduleVersion(driverModule(function));
        // Bridges work without a driver of their own: the kernel's PCI core
        // serves them, as the system's PCI driver does on Windows.
        d.needsDriver = ((r.cls >> 16) & 0xFF) != 0x06;
        if (d.driver.empty() && !d.needsDriver) {
            d.servedByCore = true;
            d.driverVersion = kernelRelease();
        }
        d.pciClass = r.cls;
        d.sound = (r.cls >> 8) == 0x0401;
        out.push_back(std::move(d));
    }
}

namespace {
std::string usbInterfaceClass(unsigned cls, unsigned sub) {
    switch (cls) {
    case 0x01: return "MEDIA";
    case 0x02: return sub == 0x06 || sub == 0x0D || sub == 0x0A ? "NET" : "PORTS";
    case 0x03: return "HIDCLASS";
    case 0x06: return "IMAGE";
    case 0x07: return "PRINTER";
    case 0x0E: return "CAMERA";
    case 0x0B: return "SMARTCARDREADER";
    case 0xE0: return "BLUETOOTH";
    default: return "USB";
    }
}
std::string usbInterfaceName(unsigned cls) {
    switch (cls) {
    case 0x01: return "USB Audio Device";
    case 0x02: return "USB Communications Device";
    case 0x03: return "USB Input Device";
    case 0x06: return "USB Imaging Device";
    case 0x07: return "USB Printing Support";
    case 0x08: return "USB Mass Storage Device";
    case 0x09: return "Generic USB Hub";
    case 0x0E: return "USB Video Device";
    case 0xE0: return "USB Wireless Device";
    default: return {};
    }
}
}  // namespace

void Machine::scanUsb(std::vector<Device>& out) {
    struct Raw {
        std::string name, path;
        std::uint16_t vid = 0, pid = 0, rev = 0;
    };
    std::vector<Raw> devs;
    std::set<std::string> seen;  // a folder that several entries lead to is one device
    auto entries = fs.list("/sys/bus/usb/devices");
    for (const auto& e : entries) {
        if (e.find(':') != std::string::npos) continue;
        Raw r;
        r.name = e;
        auto p = fs.resolve("/sys/bus/usb/devices/" + e);
        r.path = p ? *p : "/sys/bus/usb/devices/" + e;
        if (!seen.insert(r.path).second) continue;
        auto v = u16(fs, r.path + "/idVendor"), pr = u16(fs, r.path + "/idProduct");
        if (!v || !pr) continue;
        r.vid = *v;
        r.pid = *pr;
        r.rev = u16(fs, r.path + "/bcdDevice").value_or(0);
        devs.push_back(std::move(r));
    }
    if (devs.empty()) return;
    IdNames names = loadNames(fs, "/usr/share/misc/usb.ids", devs,
                              [](const auto& r) { return std::pair<std::uint16_t, std::uint16_t>(r.vid, r.pid); });

    for (const auto& r : devs) {
        std::string vp = "VID_" + hex(r.vid, 4) + "&PID_" + hex(r.pid, 4);
        std::string product = cleanText(fs.line(r.path + "/product"));
        std::string maker = cleanText(fs.line(r.path + "/manufacturer"));
        std::string parent = dirName(r.path);
        // Interfaces of this device, in order.
        std::vector<std::string> ifaces;
        for (const auto& e : fs.list(r.path))
            if (startsWith(e, r.name + ":")) ifaces.push_back(e);
        Device d;
        d.sysPath = r.path;
        if (startsWith(r.name, "usb")) {
            std::string ver = trim(fs.line(r.path + "/version"));
            bool three = !ver.empty() && ver[0] >= '3';
            std::string hub = three ? "ROOT_HUB30" : "ROOT_HUB20";
            d.hardwareId = "USB\\" + hub + "&VID" + hex(r.vid, 4) + "&PID" + hex(r.pid, 4) + "&REV" + hex(r.rev, 4);
            d.deviceId = "USB\\" + hub + "\\4&" + hex(stableHash(parent), 8) + "&0&0";
            d.name = three ? "USB Root Hub (USB 3.0)" : "USB Root Hub";
            d.manufacturer = "(Standard USB HUBs)";
            d.deviceClass = "USB";
            d.needsDriver = false;
            d.driver = fs.linkName(r.path + "/driver");
            if (!d.driver.empty()) d.driverVersion = kernelRelease();
            out.push_back(std::move(d));
            continue;
        }
        std::string serial = trim(fs.line(r.path + "/serial"));
        std::string port = r.name.substr(r.name.find_last_of(".-") + 1);
        auto portNo = parseNumber(port, 10);
        auto busNo = fs.number(r.path + "/busnum", 10);
        d.hardwareId = "USB\\" + vp + "&REV_" + hex(r.rev, 4);
        d.deviceId = "USB\\" + vp + "\\" +
                     (usableSerial(serial) ? upper(serial) : "5&" + hex(stableHash(parent), 8) + "&0&" + port);
        if (portNo && busNo) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "Port_#%04u.Hub_#%04u", static_cast<unsigned>(*portNo % 10000),
                          static_cast<unsigned>(*busNo % 10000));
            d.location = buf;
        }
        auto dn = names.device(r.vid, r.pid);
        d.name = !product.empty() ? product : dn ? *dn : "USB Device " + vp;
        d.manufacturer = !maker.empty() ? maker : vendorName(names, r.vid, "USB");
        unsigned devClass = static_cast<unsigned>(fs.number(r.path + "/bDeviceClass", 16).value_or(0));
        // The class as Windows gives it: the device's own, else that of its
        // one interface; a device of several interfaces is a composite one.
        {
            unsigned c = devClass, sc = 0, pr = 0;
            std::string from = r.path + "/b" + std::string(devClass ? "Device" : "Interface");
            if (!devClass && ifaces.size() == 1) from = r.path + "/" + ifaces[0] + "/bInterface";
            if (devClass || ifaces.size() == 1) {
                c = static_cast<unsigned>(fs.number(from + "Class", 16).value_or(0) & 0xFF);
                sc = static_cast<unsigned>(fs.number(from + "SubClass", 16).value_or(0) & 0xFF);
                pr = static_cast<unsigned>(fs.number(from + "Protocol", 16).value_or(0) & 0xFF);
                const std::string cls = "USB\\Class_" + hex(c, 2);
                d.compatibleIds = {cls + "&SubClass_" + hex(sc, 2) + "&Prot_" + hex(pr, 2),
                                   cls + "&SubClass_" + hex(sc, 2), cls};
            } else if (ifaces.size() > 1) {
                d.compatibleIds = {"USB\\DevClass_00&SubClass_00&Prot_00", "USB\\DevClass_00&SubClass_00",
                                   "USB\\DevClass_00", "USB\\COMPOSITE"};
            }
        }
        if (devClass == 0x09) {
            d.deviceClass = "USB";
            d.needsDriver = false;
            d.driver = fs.linkName(r.path + "/driver");
        } else if (ifaces.size() == 1) {
            std::string ip = r.path + "/" + ifaces[0];
            unsigned ic = static_cast<unsigned>(fs.number(ip + "/bInterfaceClass", 16).value_or(0));
            unsigned is = static_cast<unsigned>(fs.number(ip + "/bInterfaceSubClass", 16).value_or(0));
            d.deviceClass = usbInterfaceClass(ic, is);
            d.sound = ic == 0x01 && is == 0x01;
            d.driver = fs.linkName(ip + "/driver");
            if (!d.driver.empty()) d.driverVersion = moduleVersion(driverModule(ip));
        } else {
            d.deviceClass = "USB";
            d.driver = fs.linkName(r.path + "/driver");
            if (!d.driver.empty()) d.driverVersion = kernelRelease();
        }
        if (d.driverVersion.empty() && !d.driver.empty()) d.driverVersion = kernelRelease();
        // The interfaces below take the device's name and maker when they have none of their own.
        const std::string devName = d.name, devMaker = d.manufacturer;
        out.push_back(std::move(d));
        if (ifaces.size() < 2) continue;
        for (const auto& ifn : ifaces) {
            std::string ip = r.path + "/" + ifn;
            auto num = fs.number(ip + "/bInterfaceNumber", 16);
            if (!num || *num > 0xFF) continue;
            unsigned ic = static_cast<unsigned>(fs.number(ip + "/bInterfaceClass", 16).value_or(0));
            unsigned is = static_cast<unsigned>(fs.number(ip + "/bInterfaceSubClass", 16).value_or(0));
            Device i;
            i.sysPath = ip;
            std::string mi = "&MI_" + hex(*num, 2);
            i.hardwareId = "USB\\" + vp + "&REV_" + hex(r.rev, 4) + mi;
            i.deviceId = "USB\\" + vp + mi + "\\6&" + hex(stableHash(r.path), 8) + "&0&" + hex(*num, 4);
            std::string label = cleanText(fs.line(ip + "/interface"));
            std::string byClass = usbInterfaceName(ic);
            i.name = !label.empty() ? label : !byClass.empty() ? byClass : devName;
            i.manufacturer = devMaker;
            i.deviceClass = usbInterfaceClass(ic, is);
            i.sound = ic == 0x01 && is == 0x01;
            i.location = "0000." + hex(r.vid, 4) + "." + hex(*num, 4);
            i.driver = fs.linkName(ip + "/driver");
            if (!i.driver.empty()) i.driverVersion = moduleVersion(driverModule(ip));
            out.push_back(std::move(i));
        }
    }
}

void Machine::scanHdAudio(std::vector<Device>& out) {
    struct Codec {
        std::string path, controller, vendorName, chipName;
        std::uint32_t vendorId = 0, subsystemId = 0, revisionId = 0;
        unsigned address = 0;
        bool modem = false;
    };
    std::vector<Codec> codecs;
    for (const auto& e : fs.list("/sys/bus/hdaudio/devices")) {
        auto p = fs.resolve("/sys/bus/hdaudio/devices/" + e);
        if (!p) continue;
        Codec c;
        c.path = *p;
        auto v = fs.number(c.path + "/vendor_id", 16);
        if (!v || *v > 0xFFFFFFFFu) continue;
        c.vendorId = static_cast<std::uint32_t>(*v);
        c.subsystemId = static_cast<std::uint32_t>(fs.number(c.path + "/subsystem_id", 16).value_or(0) & 0xFFFFFFFFu);
        c.revisionId = static_cast<std::uint32_t>(fs.number(c.path + "/revision_id", 16).value_or(0) & 0xFFFFFFFFu);
        c.vendorName = cleanText(fs.line(c.path + "/vendor_name"));
        c.chipName = cleanText(fs.line(c.path + "/chip_name"));
        c.modem = fs.number(c.path + "/type", 16).value_or(1) == 2;
        // "hdaudioC0D2": codec address 2.
        auto dpos = e.rfind('D');
        if (dpos != std::string::npos)
            if (auto a = parseNumber(e.substr(dpos + 1), 10); a && *a < 16) c.address = static_cast<unsigned>(*a);
        c.controller = dirName(c.path);
        codecs.push_back(std::move(c));
    }
    if (codecs.empty()) {
        // Older kernels: the codec files of /proc/asound.
        for (const auto& card : fs.list("/proc/asound")) {
            if (!startsWith(card, "card")) continue;
            auto n = parseNumber(card.substr(4), 10);
            if (!n) continue;
            auto ctl = fs.resolve("/sys/class/sound/" + card + "/device");
            for (const auto& f : fs.list("/proc/asound/" + card)) {
                if (!startsWith(f, "codec#")) continue;
                auto text = fs.read("/proc/asound/" + card + "/" + f, 64 * 1024);
                if (!text) continue;
                auto info = parseAsoundCodec(*text);
                if (!info) continue;
                Codec c;
                c.path = "/proc/asound/" + card + "/" + f;
                c.controller = ctl ? *ctl : "/proc/asound/" + card;
                c.vendorId = info->vendorId;
                c.subsystemId = info->subsystemId;
                c.revisionId = info->revisionId;
                c.address = info->address;
                c.modem = info->modem;
                auto sp = info->name.find(' ');
                c.vendorName = sp == std::string::npos ? info->name : info->name.substr(0, sp);
                c.chipName = sp == std::string::npos ? std::string() : info->name.substr(sp + 1);
                codecs.push_back(std::move(c));
            }
        }
    }
    for (const auto& c : codecs) {
        Device d;
        d.sysPath = c.path;
        std::string func = c.modem ? "FUNC_02" : "FUNC_01";
        d.hardwareId = "HDAUDIO\\" + func + "&VEN_" + hex(c.vendorId >> 16, 4) + "&DEV_" + hex(c.vendorId & 0xFFFF, 4) +
                       "&SUBSYS_" + hex(c.subsystemId, 8) + "&REV_" + hex((c.revisionId >> 8) & 0xFFFF, 4);
        d.deviceId = d.hardwareId + "\\4&" + hex(stableHash(c.controller), 8) + "&0&" + hex(c.address, 2) +
                     (c.modem ? "02" : "01");
        std::string chip = trim(c.vendorName + " " + c.chipName);
        if (chip.empty()) chip = "VEN_" + hex(c.vendorId >> 16, 4) + "&DEV_" + hex(c.vendorId & 0xFFFF, 4);
        d.name = chip + (c.modem ? " High Definition Audio Modem" : " High Definition Audio");
        d.manufacturer = c.vendorName.empty() ? "Vendor " + hex(c.vendorId >> 16, 4) : c.vendorName;
        d.deviceClass = c.modem ? "MODEM" : "MEDIA";
        d.location = "Internal High Definition Audio Bus";
        d.sound = !c.modem;
        if (startsWith(c.path, "/sys/")) {
            d.driver = fs.linkName(c.path + "/driver");
            if (!d.driver.empty()) d.driverVersion = moduleVersion(driverModule(c.path));
        } else {
            d.driver = "snd_hda_codec";  // the proc files exist only while a codec driver runs
            d.driverVersion = kernelRelease();
        }
        out.push_back(std::move(d));
    }
}

void Machine::scanProcessors(std::vector<Device>& out) {
    for (const auto& c : cpus()) {
        auto desc = processorDescription(c.info);
        auto it = c.info.find("model name");
        std::string name = it != c.info.end() ? it->second : std::string();
        auto vendor = c.info.count("vendor_id") ? c.info.at("vendor_id") : std::string();
        if (!desc || name.empty()) continue;
        auto under = [](std::string s) {
            std::replace(s.begin(), s.end(), ' ', '_');
            return s;
        };
        Device d;
        d.sysPath = "/sys/devices/system/cpu/cpu" + std::to_string(c.cpuIndex);
        // Windows names processors without their stepping.
        std::string family = desc->substr(0, desc->find(" Stepping"));
        d.hardwareId = "ACPI\\" + under(vendor + " - " + family + " - " + name);
        d.deviceId = upper(d.hardwareId) + "\\_" + std::to_string(c.cpuIndex);
        d.name = name;
        d.manufacturer = vendor == "GenuineIntel"   ? "Intel"
                         : vendor == "AuthenticAMD" ? "Advanced Micro Devices"
                                                    : vendor;
        d.deviceClass = "PROCESSOR";
        d.driver = "processor";
        d.driverVersion = kernelRelease();
        d.needsDriver = false;
        out.push_back(std::move(d));
    }
}

const std::vector<Device>& Machine::devices() {
    if (devices_) return *devices_;
    devices_.emplace();
    scanPci(*devices_);
    scanUsb(*devices_);
    scanHdAudio(*devices_);
    scanProcessors(*devices_);
    // Identical network adapters are told apart as Windows does: "Name #2".
    std::map<std::string, int> seen;
    for (auto& d : *devices_) {
        if (d.deviceClass != "NET") continue;
        int n = ++seen[d.name];
        if (n > 1) d.name += " #" + std::to_string(n);
    }
    return *devices_;
}

const std::vector<NetInterface>& Machine::netInterfaces() {
    if (netInterfaces_) return *netInterfaces_;
    netInterfaces_.emplace();
    for (const auto& ifname : fs.list("/sys/class/net")) {
        NetInterface n;
        n.name = ifname;
        n.base = "/sys/class/net/" + ifname;
        auto devPath = fs.resolve(n.base + "/device");
        if (!devPath) continue;  // loopback, bridges, tunnels: no hardware behind them
        n.devPath = *devPath;
        n.dev = deviceFor(n.devPath);
        netInterfaces_->push_back(std::move(n));
    }
    return *netInterfaces_;
}

const Device* Machine::deviceFor(std::string_view sysPath) {
    if (bySysPath_.empty())
        for (const auto& d : devices()) bySysPath_.emplace(d.sysPath, &d);  // the first of a path wins
    std::string p(sysPath);
    while (p.size() > 1) {
        if (auto it = bySysPath_.find(p); it != bySysPath_.end()) return it->second;
        p = dirName(p);
    }
    return nullptr;
}

// ---- drive letters ----

namespace {
std::string decodeHexEscapes(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            if (auto v = parseNumber(s.substr(i + 2, 2), 16)) {
                out.push_back(static_cast<char>(*v));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return cleanText(out);
}
}  // namespace

const std::vector<Machine::Volume>& Machine::volumes() {
    if (volumes_) return *volumes_;
    volumes_.emplace();
    std::map<std::string, std::string> labels;  // block -> label
    for (const auto& l : fs.list("/dev/disk/by-label")) {
        std::string target = fs.linkName("/dev/disk/by-label/" + l);
        if (!target.empty()) labels[target] = decodeHexEscapes(l);
    }
    auto blockOf = [&](const Mount& m) -> std::string {
        std::string b = fs.linkName("/sys/dev/block/" + std::to_string(m.major) + ":" + std::to_string(m.minor));
        if (b.empty() && startsWith(m.source, "/dev/")) b = baseName(m.source);
        return b;
    };
    // The whole disk a block device belongs to ("sda" for "sda2").
    auto diskOf = [&](const std::string& block) -> std::string {
        auto p = fs.resolve("/sys/class/block/" + block);
        if (p && fs.exists(*p + "/partition")) return baseName(dirName(*p));
        return block;
    };
    auto removable = [&](const std::string& block) {
        std::string disk = diskOf(block);
        if (fs.number("/sys/block/" + disk + "/removable", 10).value_or(0) == 1) return true;
        auto p = fs.resolve("/sys/block/" + disk);
        return p && p->find("/usb") != std::string::npos;
    };
    std::vector<Volume> fixed, removableVols, optical;
    std::optional<Volume> root;
    std::set<std::string> seen;
    if (auto text = fs.read("/proc/self/mountinfo", 4u << 20)) {
        for (const auto& m : parseMountinfo(*text)) {
            if (!startsWith(m.source, "/dev/") || m.major == 0) continue;
            std::string block = blockOf(m);
            if (block.empty() || startsWith(block, "loop") || startsWith(block, "ram") || startsWith(block, "zram"))
                continue;
            if (m.fsType == "vfat" && (m.mountPoint == "/boot/efi" || m.mountPoint == "/efi")) continue;
            Volume v;
            v.block = block;
            v.mountPoint = m.mountPoint;
            v.fsType = m.fsType;
            if (labels.count(block)) v.label = labels[block];
            if (m.mountPoint == "/") {
                if (!root) {
                    root = v;
                    seen.insert(block);
                }
                continue;
            }
            if (startsWith(block, "sr")) continue;  // optical drives come last, mounted or not
            if (!seen.insert(block).second) continue;
            if (removable(block)) {
                v.driveType = 2;
                removableVols.push_back(v);
            } else {
                fixed.push_back(v);
            }
        }
    }
    std::map<std::string, Volume> mountedOptical;
    if (auto text = fs.read("/proc/self/mountinfo", 4u << 20))
        for (const auto& m : parseMountinfo(*text))
            if (startsWith(m.source, "/dev/sr")) {
                Volume v;
                v.block = baseName(m.source);
                v.mountPoint = m.mountPoint;
                v.fsType = m.fsType;
                mountedOptical.emplace(v.block, v);
            }
    for (const auto& b : fs.list("/sys/block")) {
        if (!startsWith(b, "sr")) continue;
        Volume v = mountedOptical.count(b) ? mountedOptical[b] : Volume{};
        v.block = b;
        v.driveType = 5;
        if (labels.count(b)) v.label = labels[b];
        optical.push_back(v);
    }
    if (root) {
        root->letter = "C:";
        volumes_->push_back(*root);
    }
    char next = 'D';
    for (auto* group : {&fixed, &removableVols, &optical}) {
        for (auto& v : *group) {
            if (next > 'Z') break;
            v.letter = std::string(1, next++) + ":";
            volumes_->push_back(v);
        }
    }
    return *volumes_;
}

std::optional<std::string> Machine::letterOf(std::string_view block) {
    for (const auto& v : volumes())
        if (v.block == block) return v.letter;
    return std::nullopt;
}

}  // namespace tq::linuxprov
