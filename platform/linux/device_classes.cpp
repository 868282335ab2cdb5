// The classes built from the device tree: signed drivers and PnP entities,
// network adapters, video controllers, sound devices, keyboards and pointing
// devices; and the operating system.
#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/linux/machine.h"
#include "wmi/cimdate.h"

namespace tq::linuxprov {

namespace {

std::string pnpClassName(const std::string& cls) {
    // clang-format off
    static const std::map<std::string, std::string> names = {
        {"SYSTEM", "System"},       {"USB", "USB"},           {"HDC", "hdc"},          {"NET", "Net"},
        {"DISPLAY", "Display"},     {"MEDIA", "MEDIA"},       {"PROCESSOR", "Processor"},
        {"SCSIADAPTER", "SCSIAdapter"}, {"HIDCLASS", "HIDClass"}, {"KEYBOARD", "Keyboard"},
        {"MOUSE", "Mouse"},         {"DISKDRIVE", "DiskDrive"}, {"CDROM", "CDROM"},
        {"BLUETOOTH", "Bluetooth"}, {"IMAGE", "Image"},       {"CAMERA", "Camera"},     {"PORTS", "Ports"},
        {"MODEM", "Modem"},         {"SDHOST", "SDHost"},     {"1394", "1394"},         {"PRINTER", "Printer"},
        {"SMARTCARDREADER", "SmartCardReader"}};
    // clang-format on
    auto it = names.find(cls);
    return it == names.end() ? cls : it->second;
}

std::string hostUpper(Machine& m) {
    std::string h = m.hostname();
    return upper(h.substr(0, h.find('.')));
}

std::optional<std::string> driverDate(Machine& m) { return kernelBuildDate(m.fs.line("/proc/sys/kernel/version")); }

}  // namespace

Objects buildPnPSignedDrivers(Machine& m) {
    Objects out;
    auto date = driverDate(m);
    std::string host = hostUpper(m);
    for (const auto& d : m.devices()) {
        Props p;
        const bool bound = !d.driver.empty() || d.servedByCore;
        if (bound) {
            p.text("Description", d.name);
            p.text("DeviceClass", d.deviceClass);
        }
        p.text("DeviceID", d.deviceId);
        if (bound) {
            p.text("DeviceName", d.name);
            p.text("DriverDate", date);
            p.text("DriverName", d.servedByCore ? std::string("pci") : d.driver);
            p.text("DriverProviderName", "Linux");
            p.text("DriverVersion", d.driverVersion);
            p.text("FriendlyName", d.name);
            // The module's own version, where it has one (not the kernel's
            // release that stands in for it above).
            if (d.driverVersion != m.kernelRelease()) p.text("ModuleVersion", d.driverVersion);
        }
        p.text("HardWareID", d.hardwareId);
        if (bound) p.boolean("IsSigned", true);
        p.text("Location", d.location);
        if (bound) {
            p.text("Manufacturer", d.manufacturer);
            p.text("Name", d.name);
            p.boolean("Started", true);
        }
        p.text("SystemName", host);
        // Beyond the class, for the fleet inventory: a PCI function's class
        // and subclass ("0200").
        if (d.pciClass) p.text("PCIClass", hex(d.pciClass >> 8, 4, false));
        out.push_back(std::move(p));
    }
    return out;
}

Objects buildPnPEntities(Machine& m) {
    Objects out;
    std::string host = hostUpper(m);
    auto add = [&](const Device& d) {
        Props p;
        bool missing = d.driver.empty() && d.needsDriver;
        p.text("Caption", d.name);
        p.uint("ConfigManagerErrorCode", missing ? 28 : 0);
        p.boolean("ConfigManagerUserConfig", false);
        p.text("CreationClassName", "Win32_PnPEntity");
        p.text("Description", d.name);
        p.text("DeviceID", d.deviceId);
        p.texts("CompatibleID", d.compatibleIds);
        if (!d.hardwareId.empty()) p.texts("HardwareID", {d.hardwareId});
        p.text("Manufacturer", d.manufacturer);
        p.text("Name", d.name);
        if (!missing) p.text("PNPClass", pnpClassName(d.deviceClass));
        p.text("PNPDeviceID", d.deviceId);
        p.boolean("Present", true);
        p.text("Service", d.driver);
        p.text("Status", missing ? "Error" : "OK");
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        out.push_back(std::move(p));
    };
    for (const auto& d : m.devices()) add(d);
    for (const auto& d : driveDevices(m)) add(d);
    for (const auto& d : inputDeviceEntries(m)) add(d);
    return out;
}

// ---- network ----

Objects buildNetworkAdapters(Machine& m) {
    Objects out;
    int index = 0;
    std::string host = hostUpper(m);
    for (const auto& nic : m.netInterfaces()) {
        const std::string& base = nic.base;
        const std::string& ifname = nic.name;
        const Device* dev = nic.dev;
        Props p;
        std::string name = dev ? dev->name : ifname;
        auto type = m.fs.number(base + "/type", 10);
        if (type && *type == 1) {
            p.text("AdapterType", "Ethernet 802.3");
            p.uint("AdapterTypeID", 0);
        }
        p.uint("Availability", 3);
        char cap[16];
        std::snprintf(cap, sizeof cap, "[%08d] ", index);
        p.text("Caption", cap + name);
        p.text("CreationClassName", "Win32_NetworkAdapter");
        p.text("Description", name);
        p.text("DeviceID", std::to_string(index));
        p.uint("Index", static_cast<std::uint64_t>(index));
        p.boolean("Installed", true);
        p.uint("InterfaceIndex", m.fs.number(base + "/ifindex", 10));
        std::string mac = upper(m.fs.line(base + "/address"));
        if (mac.size() == 17 && mac != "00:00:00:00:00:00") p.text("MACAddress", mac);
        if (dev) p.text("Manufacturer", dev->manufacturer);
        p.text("Name", name);
        p.text("NetConnectionID", cleanText(ifname));
        std::string oper = m.fs.line(base + "/operstate");
        auto carrier = m.fs.number(base + "/carrier", 10);
        auto flags = m.fs.number(base + "/flags", 16);
        bool up = flags && (*flags & 1);
        if (oper == "up") p.uint("NetConnectionStatus", 2);
        else if (up && carrier && *carrier == 0) p.uint("NetConnectionStatus", 7);
        else if (!oper.empty()) p.uint("NetConnectionStatus", 0);
        if (flags) p.boolean("NetEnabled", up);
        p.boolean("PhysicalAdapter", true);
        if (dev) p.text("PNPDeviceID", dev->deviceId);
        p.boolean("PowerManagementSupported", false);
        p.text("ProductName", name);
        p.text("ServiceName", m.fs.linkName(nic.devPath + "/driver"));
        if (auto speed = m.fs.line(base + "/speed"); !speed.empty() && speed[0] != '-')
            if (auto mbit = parseNumber(speed, 10); mbit && *mbit > 0 && *mbit < 10000000)
                p.uint64("Speed", *mbit * 1000000);
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        // Beyond the class, for the fleet inventory: an 802.11 interface.
        p.boolean("Wireless", m.fs.exists(base + "/wireless") || m.fs.exists(base + "/phy80211"));
        out.push_back(std::move(p));
        ++index;
    }
    return out;
}

// ---- graphics ----

Objects buildVideoControllers(Machine& m) {
    // Cards, connectors and frame buffers, by the PCI device behind them.
    std::map<std::string, std::pair<unsigned, unsigned>> modes;
    std::map<std::string, std::string> cardOf;
    for (const auto& e : m.fs.list("/sys/class/drm")) {
        if (!startsWith(e, "card")) continue;
        auto dash = e.find('-');
        std::string card = e.substr(0, dash);
        auto dev = m.fs.resolve("/sys/class/drm/" + card + "/device");
        if (!dev) continue;
        if (dash == std::string::npos) {
            cardOf.emplace(*dev, card);
            continue;
        }
        std::string c = "/sys/class/drm/" + e;
        if (m.fs.line(c + "/status") != "connected" || modes.count(*dev)) continue;
        if (m.fs.line(c + "/enabled") == "disabled") continue;
        std::string mode = m.fs.line(c + "/modes");
        auto x = mode.find('x');
        if (x == std::string::npos) continue;
        auto w = parseNumber(mode.substr(0, x), 10), h = parseNumber(split(mode.substr(x + 1), 'i')[0], 10);
        if (w && h && *w && *h && *w < 100000 && *h < 100000)
            modes[*dev] = {static_cast<unsigned>(*w), static_cast<unsigned>(*h)};
    }
    std::map<std::string, std::string> fbOf;
    for (const auto& fb : m.fs.list("/sys/class/graphics")) {
        if (!startsWith(fb, "fb")) continue;
        if (auto dev = m.fs.resolve("/sys/class/graphics/" + fb + "/device")) fbOf.emplace(*dev, fb);
    }
    auto date = driverDate(m);
    std::string host = hostUpper(m);
    Objects out;
    int n = 0;
    for (const auto& d : m.devices()) {
        if ((d.pciClass >> 16) != 0x03) continue;
        Props p;
        p.text("AdapterCompatibility", d.manufacturer);
        std::string card = cardOf.count(d.sysPath) ? cardOf[d.sysPath] : std::string();
        if (auto vram = m.fs.number(d.sysPath + "/mem_info_vram_total", 10); vram && *vram) {
            // The 32-bit property saturates just below 4 GB as on Windows.
            p.uint("AdapterRAM", std::min<std::uint64_t>(*vram, 0xFFF00000u));
        }
        p.uint("Availability", 3);
        p.text("Caption", d.name);
        p.uint("ConfigManagerErrorCode", d.driver.empty() ? 28 : 0);
        p.text("CreationClassName", "Win32_VideoController");
        std::optional<std::uint64_t> bpp, fw, fh;
        if (fbOf.count(d.sysPath)) {
            std::string fb = "/sys/class/graphics/" + fbOf[d.sysPath];
            bpp = m.fs.number(fb + "/bits_per_pixel", 10);
            auto vs = split(m.fs.line(fb + "/virtual_size"), ',');
            if (vs.size() == 2) {
                fw = parseNumber(vs[0], 10);
                fh = parseNumber(vs[1], 10);
            }
        }
        std::optional<std::uint64_t> w, h;
        if (modes.count(d.sysPath)) {
            w = modes[d.sysPath].first;
            h = modes[d.sysPath].second;
        } else if (fw && fh && *fw && *fh) {
            w = fw;
            h = fh;
        }
        if (bpp && (*bpp == 0 || *bpp > 64)) bpp.reset();
        if (w && h) {
            p.uint("CurrentBitsPerPixel", bpp);
            p.uint("CurrentHorizontalResolution", w);
            if (bpp) p.uint64("CurrentNumberOfColors", *bpp >= 64 ? UINT64_MAX : (1ull << *bpp));
            p.uint("CurrentVerticalResolution", h);
        }
        p.text("Description", d.name);
        p.text("DeviceID", "VideoController" + std::to_string(++n));
        if (!d.driver.empty()) {
            p.text("DriverDate", date);
            p.text("DriverVersion", d.driverVersion);
            p.text("InstalledDisplayDrivers", m.driverModule(m.functionPath(d.sysPath)));
        }
        p.text("Name", d.name);
        p.text("PNPDeviceID", d.deviceId);
        p.text("Status", "OK");
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        p.uint("VideoArchitecture", 5);
        if (w && h && bpp && *bpp < 64)
            p.text("VideoModeDescription",
                   std::to_string(*w) + " x " + std::to_string(*h) + " x " + std::to_string(1ull << *bpp) + " colors");
        p.text("VideoProcessor", d.name);
        out.push_back(std::move(p));
    }
    return out;
}

// ---- sound ----

Objects buildSoundDevices(Machine& m) {
    Objects out;
    std::string host = hostUpper(m);
    for (const auto& d : m.devices()) {
        if (!d.sound) continue;
        Props p;
        p.text("Caption", d.name);
        p.uint("ConfigManagerErrorCode", d.driver.empty() ? 28 : 0);
        p.text("CreationClassName", "Win32_SoundDevice");
        p.text("Description", d.name);
        p.text("DeviceID", d.deviceId);
        p.text("Manufacturer", d.manufacturer);
        p.text("Name", d.name);
        p.text("PNPDeviceID", d.deviceId);
        p.text("ProductName", d.name);
        p.text("Status", d.driver.empty() ? "Error" : "OK");
        p.uint("StatusInfo", 3);
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        out.push_back(std::move(p));
    }
    return out;
}

// ---- input ----

namespace {

// An input capability bitmap: hex words, most significant first.
std::vector<std::uint64_t> bitmap(const std::string& text) {
    std::vector<std::uint64_t> words;
    for (const auto& w : split(trim(text), ' ')) {
        if (w.empty()) continue;
        auto v = parseNumber(w, 16);
        if (!v) return {};
        words.push_back(*v);
        if (words.size() > 64) return {};
    }
    std::reverse(words.begin(), words.end());
    return words;
}

bool bit(const std::vector<std::uint64_t>& b, unsigned n) {
    return n / 64 < b.size() && ((b[n / 64] >> (n % 64)) & 1u);
}

std::vector<InputDevice> scanInput(Machine& m) {
    std::vector<InputDevice> out;
    for (const auto& e : m.fs.list("/sys/class/input")) {
        if (!startsWith(e, "input")) continue;
        auto path = m.fs.resolve("/sys/class/input/" + e);
        if (!path || startsWith(*path, "/sys/devices/virtual/")) continue;
        InputDevice in;
        in.path = *path;
        in.name = cleanText(m.fs.line(*path + "/name"));
        auto ev = bitmap(m.fs.line(*path + "/capabilities/ev"));
        auto key = bitmap(m.fs.line(*path + "/capabilities/key"));
        auto rel = bitmap(m.fs.line(*path + "/capabilities/rel"));
        auto abs = bitmap(m.fs.line(*path + "/capabilities/abs"));
        auto prop = bitmap(m.fs.line(*path + "/properties"));
        in.keyboard = bit(ev, 1) && !key.empty() && (key[0] & 0xFFFFFFFEu) == 0xFFFFFFFEu;
        bool left = bit(key, 0x110);
        in.mouse = bit(ev, 2) && bit(rel, 0) && bit(rel, 1) && left;
        in.touchpad = bit(ev, 3) && bit(abs, 0) && bit(abs, 1) && bit(key, 0x145) && !bit(prop, 1);
        in.stick = in.mouse && bit(prop, 5);
        for (unsigned b = 0x110; b <= 0x117; ++b) in.buttons += bit(key, b) ? 1u : 0u;
        if (!in.keyboard && !in.mouse && !in.touchpad) continue;
        auto vid = m.fs.number(*path + "/id/vendor", 16).value_or(0) & 0xFFFF;
        auto pid = m.fs.number(*path + "/id/product", 16).value_or(0) & 0xFFFF;
        std::string vp = "VID_" + hex(vid, 4) + "&PID_" + hex(pid, 4);
        // The bus device the input hangs from.
        std::string serio;
        for (std::string p = *path; p.size() > 1; p = dirName(p)) {
            std::string b = baseName(p);
            if (startsWith(b, "serio") && serio.empty()) serio = p;
        }
        const Device* bus = m.deviceFor(*path);
        if (bus && startsWith(bus->deviceId, "USB\\")) {
            in.usb = true;
            std::string mi;
            auto p = bus->deviceId.find("&MI_");
            if (p != std::string::npos) mi = bus->deviceId.substr(p, 6);
            in.pnpId = "HID\\" + vp + mi + "\\7&" + hex(stableHash(bus->sysPath), 8) + "&0&0000";
            in.manufacturer = bus->manufacturer;
        } else if (!serio.empty()) {
            in.ps2 = true;
            std::string fw = m.fs.line(serio + "/firmware_id");
            std::string id;
            if (startsWith(fw, "PNP:")) id = upper(split(trim(fw.substr(4)), ' ')[0]);
            if (id.empty()) id = in.keyboard ? "PNP0303" : "PNP0F13";
            in.pnpId = "ACPI\\" + id + "\\4&" + hex(stableHash(serio), 8) + "&0";
        } else {
            in.pnpId = "HID\\" + vp + "\\5&" + hex(stableHash(dirName(*path)), 8) + "&0&0000";
        }
        in.driver = m.fs.linkName(dirName(*path) + "/driver");
        if (in.driver.empty() && !serio.empty()) in.driver = m.fs.linkName(serio + "/driver");
        out.push_back(std::move(in));
    }
    return out;
}

// The keyboards, and the mice and touchpads, once each.
std::vector<const InputDevice*> inputsWhere(Machine& m, bool (*wanted)(const InputDevice&)) {
    std::vector<const InputDevice*> out;
    std::set<std::string> seen;
    for (const auto& in : m.inputs())
        if (wanted(in) && seen.insert(in.pnpId).second) out.push_back(&in);
    return out;
}
bool isKeyboard(const InputDevice& in) { return in.keyboard; }
bool isPointer(const InputDevice& in) { return in.mouse || in.touchpad; }

std::string pointerMaker(const InputDevice& in) {
    return in.manufacturer.empty() ? "(Standard mouse types)" : in.manufacturer;
}

}  // namespace

const std::vector<InputDevice>& Machine::inputs() {
    if (!inputs_) inputs_ = scanInput(*this);
    return *inputs_;
}

// The keyboards first, then the pointing devices.
std::vector<Device> inputDeviceEntries(Machine& m) {
    std::vector<Device> out;
    for (const auto* in : inputsWhere(m, isKeyboard)) {
        Device d;
        d.sysPath = in->path;
        d.deviceId = in->pnpId;
        d.name = in->name;
        d.manufacturer = in->manufacturer.empty() ? "(Standard keyboards)" : in->manufacturer;
        d.deviceClass = "KEYBOARD";
        d.driver = in->driver.empty() ? "kbd" : in->driver;
        out.push_back(std::move(d));
    }
    for (const auto* in : inputsWhere(m, isPointer)) {
        Device d;
        d.sysPath = in->path;
        d.deviceId = in->pnpId;
        d.name = in->name;
        d.manufacturer = pointerMaker(*in);
        d.deviceClass = "MOUSE";
        d.driver = in->driver.empty() ? "mousedev" : in->driver;
        out.push_back(std::move(d));
    }
    return out;
}

Objects buildKeyboards(Machine& m) {
    std::optional<std::string> layout;
    for (const char* f : {"/etc/default/keyboard", "/etc/vconsole.conf", "/etc/X11/xorg.conf.d/00-keyboard.conf"}) {
        auto text = m.fs.read(f, 64 * 1024);
        if (!text) continue;
        auto k = parseKeyboardConfig(*text);
        if (k.layout.empty()) continue;
        layout = windowsLayoutId(k.layout, k.variant);
        break;
    }
    Objects out;
    std::string host = hostUpper(m);
    for (const auto* input : inputsWhere(m, isKeyboard)) {
        const InputDevice& in = *input;
        Props p;
        p.text("Caption", in.name);
        p.uint("ConfigManagerErrorCode", 0);
        p.text("CreationClassName", "Win32_Keyboard");
        p.text("Description", in.name);
        p.text("DeviceID", in.pnpId);
        p.text("Layout", layout);
        p.text("Name", "Enhanced (101- or 102-key)");
        p.uint("NumberOfFunctionKeys", 12);
        p.text("PNPDeviceID", in.pnpId);
        p.text("Status", "OK");
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        out.push_back(std::move(p));
    }
    return out;
}

Objects buildPointingDevices(Machine& m) {
    Objects out;
    std::string host = hostUpper(m);
    for (const auto* input : inputsWhere(m, isPointer)) {
        const InputDevice& in = *input;
        Props p;
        std::string maker = pointerMaker(in);
        p.text("Caption", in.name);
        p.uint("ConfigManagerErrorCode", 0);
        p.text("CreationClassName", "Win32_PointingDevice");
        p.text("Description", in.name);
        p.text("DeviceID", in.pnpId);
        p.uint("DeviceInterface", in.usb ? 162 : in.ps2 ? 4 : 2);
        p.text("HardwareType", in.name);
        p.text("Manufacturer", maker);
        p.text("Name", in.name);
        if (in.buttons) p.uint("NumberOfButtons", in.buttons);
        p.text("PNPDeviceID", in.pnpId);
        p.uint("PointingType", in.touchpad ? 7 : in.stick ? 5 : 3);
        p.text("Status", "OK");
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        out.push_back(std::move(p));
    }
    return out;
}

// ---- operating system ----

Objects buildOperatingSystem(Machine& m) {
    auto osr = m.fs.read("/etc/os-release", 64 * 1024);
    if (!osr) osr = m.fs.read("/usr/lib/os-release", 64 * 1024);
    std::string release = m.kernelRelease();
    if (!osr && release.empty()) return {};
    auto a = osr ? parseAssignments(*osr) : std::map<std::string, std::string>{};
    std::string caption = a.count("PRETTY_NAME") ? a["PRETTY_NAME"] : a.count("NAME") ? a["NAME"] : "Linux";
    Props p;
    std::string kver = m.fs.line("/proc/sys/kernel/version");
    p.text("BootDevice", std::optional<std::string>());
    // Windows' build numbers: the kernel's major.minor.patch.
    std::string build;
    for (char c : release) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.')) break;
        build.push_back(c);
    }
    p.text("BuildNumber", build);
    if (!kver.empty())
        p.text("BuildType", kver.find("SMP") != std::string::npos ? "Multiprocessor Free" : "Uniprocessor Free");
    p.text("Caption", caption);
    std::optional<std::string> country;
    for (const char* f : {"/etc/default/locale", "/etc/locale.conf"}) {
        auto text = m.fs.read(f, 64 * 1024);
        if (!text) continue;
        auto l = parseAssignments(*text);
        std::string lang = l.count("LC_ALL") ? l["LC_ALL"] : l.count("LANG") ? l["LANG"] : std::string();
        if (!lang.empty()) {
            country = countryCodeForLocale(lang);
            break;
        }
    }
    p.text("CountryCode", country);
    p.text("CreationClassName", "Win32_OperatingSystem");
    p.text("CSCreationClassName", "Win32_ComputerSystem");
    p.text("CSName", hostUpper(m));
    p.boolean("Distributed", false);
    if (auto mem = m.fs.read("/proc/meminfo", 64 * 1024)) {
        for (const auto& l : split(*mem, '\n')) {
            auto kb = [&](std::string_view key) -> std::optional<std::uint64_t> {
                if (!startsWith(l, key)) return std::nullopt;
                return parseNumber(split(trim(l.substr(key.size())), ' ')[0], 10);
            };
            if (auto v = kb("MemTotal:")) p.uint64("TotalVisibleMemorySize", *v);
            if (auto v = kb("MemAvailable:")) p.uint64("FreePhysicalMemory", *v);
            if (auto v = kb("SwapTotal:")) p.uint64("SizeStoredInPagingFiles", *v);
        }
    }
    if (auto stat = m.fs.read("/proc/stat", 1u << 20)) {
        for (const auto& l : split(*stat, '\n')) {
            if (!startsWith(l, "btime ")) continue;
            if (auto t = parseNumber(l.substr(6), 10); t && *t < (1ull << 40))
                p.text("LastBootUpTime", cimdate::fromUnixTime(static_cast<std::int64_t>(*t)));
        }
    }
    p.text("Manufacturer", a.count("NAME") ? a["NAME"] : std::string());
    p.text("Name", caption + "|/|");
    p.text("OSArchitecture", "64-bit");
    p.uint("OSType", 36);  // LINUX in the CIM enumeration
    // The distribution as os-release names it, for the fleet inventory.
    p.text("DistributionName", a.count("NAME") ? a["NAME"] : std::string());
    p.text("DistributionVersion", a.count("VERSION_ID") ? a["VERSION_ID"] : std::string());
    // The release as the system writes it: Debian's point release
    // ("12.11"), else os-release's VERSION.
    std::string full = cleanText(trim(m.fs.line("/etc/debian_version")));
    if (full.empty() || full.size() > 64) full = a.count("VERSION") ? a["VERSION"] : std::string();
    p.text("DistributionRelease", full);
    p.boolean("Primary", true);
    p.uint("ServicePackMajorVersion", 0);
    p.uint("ServicePackMinorVersion", 0);
    p.text("Status", "OK");
    p.text("SystemDirectory", "/usr/lib");
    p.text("Version", release);
    p.text("WindowsDirectory", "/");
    return {p};
}

}  // namespace tq::linuxprov
