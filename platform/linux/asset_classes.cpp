// The assets an inventory tracks beyond the report: monitors (their EDIDs),
// the enclosure with its asset tag, batteries, paging files and the last
// login. Each reads the machine below the root as the other builders do.
#include <utmpx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/linux/machine.h"
#include "platform/posix/regular.h"
#include "wmi/cimdate.h"

namespace tq::linuxprov {
namespace {

// The largest EDID a DRM output gives: 256 blocks of 128 bytes.
constexpr std::size_t kMaxEdid = 256 * 128;

std::string hexBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) out += hex(c, 2);
    return out;
}

// Microunits in a sysfs attribute (µWh, µAh, µV), if given and sane.
std::optional<std::uint64_t> micro(Machine& m, const std::string& path) {
    auto v = m.fs.number(path, 10);
    if (!v || *v > (1ull << 40)) return std::nullopt;
    return v;
}

// The battery chemistry as the management classes number it (the same
// codes as SMBIOS): 4 NiCd, 5 NiMH, 6 lithium-ion, 8 lithium polymer.
std::optional<std::uint64_t> chemistryCode(std::string_view technology) {
    const std::string t = lower(technology);
    if (t == "nimh") return 5;
    if (t == "li-ion") return 6;
    if (t == "li-poly") return 8;
    if (t == "nicd") return 4;
    if (t == "life" || t == "limn") return 1;  // other
    if (t == "unknown") return 2;
    return std::nullopt;
}

std::uint64_t sbdsChemistry(std::string_view text) {
    const std::string t = lower(text);
    if (t.find("lip") != std::string::npos || t.find("poly") != std::string::npos) return 8;
    if (t.find("lion") != std::string::npos || t.find("li-ion") != std::string::npos) return 6;
    if (t.find("nimh") != std::string::npos) return 5;
    if (t.find("nicd") != std::string::npos) return 4;
    if (t.find("pbac") != std::string::npos || t.find("lead") != std::string::npos) return 3;
    return 1;  // other
}

}  // namespace

Objects buildMonitorEdids(Machine& m) {
    Objects out;
    for (const auto& e : m.fs.list("/sys/class/drm")) {
        // Outputs are named after their card: "card0-HDMI-A-1".
        if (!startsWith(e, "card") || e.find('-') == std::string::npos) continue;
        const std::string base = "/sys/class/drm/" + e;
        if (m.fs.line(base + "/status") != "connected") continue;
        auto edid = m.fs.read(base + "/edid", kMaxEdid);
        if (!edid || edid->empty()) continue;
        Props p;
        p.text("DeviceID", e);
        p.text("EDID", hexBytes(*edid));
        p.text("Port", e.substr(e.find('-') + 1));
        out.push_back(std::move(p));
    }
    return out;
}

Objects buildSystemEnclosure(Machine& m) {
    const auto& t = m.smbios();
    Props p;
    std::optional<std::string> maker, version, serial, tag;
    std::optional<std::uint64_t> type;
    bool lock = false;
    if (const auto* s = t.first(smbios::SystemEnclosure::kType)) {
        using namespace smbios::SystemEnclosure;
        maker = s->string(Manufacturer);
        if (auto b = s->byte(Type)) {
            type = *b & 0x7Fu;
            lock = (*b & kChassisLockPresent) != 0;
        }
        version = s->string(Version);
        serial = s->string(SerialNumber);
        tag = s->string(AssetTagNumber);
    } else if (t.structures.empty()) {
        maker = m.dmiId("chassis_vendor");
        if (auto c = m.dmiId("chassis_type")) type = parseNumber(*c, 10);
        version = m.dmiId("chassis_version");
        serial = m.dmiId("chassis_serial");
        tag = m.dmiId("chassis_asset_tag");
    } else {
        return {};  // a table without an enclosure
    }
    if (!maker && !type && !serial && !tag) return {};
    p.text("Caption", "System Enclosure");
    if (type && *type > 0 && *type < 0x80) p.set("ChassisTypes", Value::other("[" + std::to_string(*type) + "]"));
    p.text("CreationClassName", "Win32_SystemEnclosure");
    p.text("Description", "System Enclosure");
    p.boolean("LockPresent", lock);
    p.text("Manufacturer", maker);
    p.text("Name", "System Enclosure");
    p.text("SerialNumber", serial);
    p.text("SMBIOSAssetTag", tag);
    p.text("Tag", "System Enclosure 0");
    p.text("Version", version);
    return {p};
}

// SMBIOS type 22: the batteries the firmware describes.
Objects buildPortableBatteries(Machine& m) {
    Objects out;
    for (const auto* s : m.smbios().ofType(smbios::PortableBattery::kType)) {
        using namespace smbios::PortableBattery;
        Props p;
        auto name = s->string(DeviceName);
        p.text("Caption", "Portable Battery");
        // Unknown (2) defers to the Smart Battery chemistry text ("LION", "LiP", "PbAc").
        if (auto c = s->byte(DeviceChemistry)) {
            auto sbds = *c == 0x02 ? s->string(SbdsDeviceChemistry) : std::nullopt;
            p.uint("Chemistry", sbds ? sbdsChemistry(*sbds) : *c);
        }
        const auto multiplierByte = s->byte(DesignCapacityMultiplier);
        const unsigned multiplier = multiplierByte.value_or(1) ? multiplierByte.value_or(1) : 1;
        if (auto cap = s->word(DesignCapacity); cap && *cap) p.uint("DesignCapacity", std::uint64_t{*cap} * multiplier);
        if (multiplierByte) p.uint("CapacityMultiplier", multiplier);
        if (auto v = s->word(DesignVoltage); v && *v) p.uint64("DesignVoltage", *v);
        p.text("Description", "Portable Battery");
        p.text("DeviceID", name);
        p.text("Location", s->string(Location));
        // The date as a text, or the Smart Battery form: days, months and
        // years since 1980 packed in a word.
        auto date = s->string(ManufactureDate);
        if (!date) {
            if (auto w = s->word(SbdsManufactureDate); w && *w) {
                const unsigned day = *w & 0x1F, month = (*w >> 5) & 0x0F, year = 1980 + (*w >> 9);
                if (day >= 1 && month >= 1 && month <= 12) {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "%02u/%02u/%04u", month, day, year);
                    date = buf;
                }
            }
        }
        p.text("ManufactureDate", date);
        p.text("Manufacturer", s->string(Manufacturer));
        if (auto e = s->byte(MaximumErrorInBatteryData); e && *e != 0xFF) p.uint("MaxBatteryError", *e);
        p.text("Name", name);
        p.text("SmartBatteryVersion", s->string(SbdsVersionNumber));
        // Beyond the class: the serial, a text or the Smart Battery number.
        auto serial = s->string(SerialNumber);
        if (!serial)
            if (auto w = s->word(SbdsSerialNumber); w && *w) serial = hex(*w, 4);
        p.text("SerialNumber", serial);
        p.text("Status", "OK");
        out.push_back(std::move(p));
    }
    return out;
}

// The kernel's batteries of the system (not those of a mouse or a pen).
Objects buildBatteries(Machine& m) {
    Objects out;
    for (const auto& e : m.fs.list("/sys/class/power_supply")) {
        const std::string base = "/sys/class/power_supply/" + e;
        if (m.fs.line(base + "/type") != "Battery" || m.fs.line(base + "/scope") == "Device") continue;
        if (m.fs.line(base + "/present") == "0") continue;
        const std::string model = cleanText(m.fs.line(base + "/model_name"));
        const std::string maker = cleanText(m.fs.line(base + "/manufacturer"));
        const std::string serial = cleanText(m.fs.line(base + "/serial_number"));
        // Capacities in mWh: from energy, or from charge times the design voltage.
        const auto voltage = micro(m, base + "/voltage_min_design");
        auto mwh = [&](const char* energy, const char* charge) -> std::optional<std::uint64_t> {
            if (auto e = micro(m, base + "/" + energy)) return *e / 1000;
            if (auto c = micro(m, base + "/" + charge); c && voltage) return *c * *voltage / 1000000000ull;
            return std::nullopt;
        };
        Props p;
        const std::string status = m.fs.line(base + "/status");
        p.uint("BatteryStatus", status == "Discharging" ? 1 : status == "Charging" ? 6 : status == "Full" ? 3 : 2);
        p.text("Caption", "Internal Battery");
        p.uint("Chemistry", chemistryCode(m.fs.line(base + "/technology")));
        p.text("Description", "Internal Battery");
        if (auto d = mwh("energy_full_design", "charge_full_design"); d && *d) p.uint("DesignCapacity", *d);
        if (voltage && *voltage) p.uint64("DesignVoltage", *voltage / 1000);
        std::string id = trim(serial + " " + maker + " " + model);
        p.text("DeviceID", id.empty() ? e : id);
        if (auto c = m.fs.number(base + "/capacity", 10); c && *c <= 100) p.uint("EstimatedChargeRemaining", *c);
        if (auto f = mwh("energy_full", "charge_full"); f && *f) p.uint("FullChargeCapacity", *f);
        p.text("Name", model.empty() ? e : model);
        p.text("Status", "OK");
        // Beyond the class: what the kernel knows of the battery itself.
        p.text("Manufacturer", maker);
        p.text("SerialNumber", serial);
        auto y = m.fs.number(base + "/manufacture_year", 10), mo = m.fs.number(base + "/manufacture_month", 10),
             d = m.fs.number(base + "/manufacture_day", 10);
        if (y && mo && d && *y >= 1980 && *y < 2200 && *mo >= 1 && *mo <= 12 && *d >= 1 && *d <= 31) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%02u/%02u/%04u", static_cast<unsigned>(*mo), static_cast<unsigned>(*d),
                          static_cast<unsigned>(*y));
            p.text("ManufactureDate", std::string(buf));
        }
        out.push_back(std::move(p));
    }
    return out;
}

// Swap areas from /proc/swaps, or the total from the memory statistics.
Objects buildPageFileUsage(Machine& m) {
    Objects out;
    if (auto swaps = m.fs.read("/proc/swaps", 1u << 20)) {
        const auto lines = split(*swaps, '\n');
        for (std::size_t i = 1; i < lines.size(); ++i) {
            std::vector<std::string> f;
            for (auto& w : split(lines[i], ' '))
                for (auto& x : split(w, '\t'))
                    if (!x.empty()) f.push_back(x);
            if (f.size() < 4) continue;
            auto size = parseNumber(f[2], 10), used = parseNumber(f[3], 10);
            if (!size || *size > (1ull << 50)) continue;
            // The kernel writes blanks in the name as \040.
            std::string name;
            for (std::size_t k = 0; k < f[0].size(); ++k) {
                if (f[0][k] == '\\' && k + 3 < f[0].size()) {
                    auto v = parseNumber(f[0].substr(k + 1, 3), 8);
                    if (v && *v < 256) {
                        name.push_back(static_cast<char>(*v));
                        k += 3;
                        continue;
                    }
                }
                name.push_back(f[0][k]);
            }
            Props p;
            p.uint("AllocatedBaseSize", *size / 1024);
            p.text("Caption", name);
            if (used && *used <= *size) p.uint("CurrentUsage", *used / 1024);
            p.text("Description", name);
            p.text("Name", name);
            out.push_back(std::move(p));
        }
        return out;
    }
    if (auto mem = m.fs.read("/proc/meminfo", 64 * 1024)) {
        for (const auto& l : split(*mem, '\n')) {
            if (!startsWith(l, "SwapTotal:")) continue;
            auto f = split(trim(l.substr(10)), ' ');
            auto kb = parseNumber(f[0], 10);
            if (!kb || *kb == 0 || *kb > (1ull << 50)) continue;
            Props p;
            p.uint("AllocatedBaseSize", *kb / 1024);
            p.text("Name", "swap");
            out.push_back(std::move(p));
        }
    }
    return out;
}

std::optional<Login> lastLogin(Machine& m) {
    // The C library reads one login file at a time through process-wide state.
    static std::mutex lock;
    for (const char* file : {"/var/log/wtmp", "/run/utmp", "/var/run/utmp"}) {
        const std::string path = m.fs.path(file);
        // Only a regular file: a FIFO or a device would block or never end.
        const int fd = posix::openRegular(path.c_str(), false);
        if (fd < 0) continue;
        ::close(fd);
        std::lock_guard<std::mutex> guard(lock);
        if (::utmpxname(path.c_str()) != 0) continue;
        ::setutxent();
        std::optional<Login> best;
        // A bound on the records walked (384 MB of them): a year of a busy
        // server's logins is far fewer, and a hostile file ends there.
        for (int n = 0; n < 1000000; ++n) {
            const struct utmpx* u = ::getutxent();
            if (!u) break;
            if (u->ut_type != USER_PROCESS) continue;
            std::string user(u->ut_user, strnlen(u->ut_user, sizeof u->ut_user));
            user = cleanText(user);
            if (user.empty()) continue;
            const std::int64_t when = u->ut_tv.tv_sec;
            if (!best || when >= best->when) best = Login{user, when};
        }
        ::endutxent();
        ::utmpxname(_PATH_UTMPX);
        if (best) return best;
    }
    return std::nullopt;
}

Objects buildNetworkLoginProfiles(Machine& m) {
    auto login = lastLogin(m);
    if (!login) return {};
    Props p;
    p.text("Caption", login->user);
    p.text("Description", login->user);
    if (login->when > 0) p.text("LastLogon", cimdate::fromUnixTime(login->when));
    p.text("Name", login->user);
    return {p};
}

}  // namespace tq::linuxprov
