#include "ocs/codes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "ocs/facts.h"
#include "wmi/ascii.h"
#include "wmi/cimdate.h"
#include "wmi/wql.h"

namespace tq::ocs::codes {

using facts::trimmed;

model::When cimWhen(std::string s) {
    model::When w;
    if (const auto d = cimdate::parse(s, false)) w.year = d->year, w.month = d->month, w.day = d->day;
    if (const auto t = cimdate::parse(s)) w.hour = t->hour, w.minute = t->minute, w.second = t->second;
    w.text = std::move(s);
    return w;
}

model::When usWhen(std::string s) {
    model::When w;
    int m = 0, d = 0, y = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%2d/%2d/%4d%c", &m, &d, &y, &tail) == 3 && m >= 1 && m <= 12 && d >= 1 && d <= 31 &&
        y >= 1000)
        w.year = y, w.month = m, w.day = d;
    w.text = std::move(s);
    return w;
}

model::When installWhen(std::string s) {
    if (!cimdate::parse(s, false)) return usWhen(std::move(s));
    model::When w = cimWhen(std::move(s));
    w.hour = -1;
    return w;
}

std::string shortMaker(const std::string& vendor) {
    if (vendor == "GenuineIntel") return "Intel";
    if (vendor == "AuthenticAMD") return "AMD";
    return vendor;
}

bool placeholder(const std::string& maker) { return !maker.empty() && maker.front() == '('; }

std::string busOf(std::string_view pnp) {
    const std::string id = wmi::text::lower(pnp);
    const auto starts = [&](std::string_view p) { return id.rfind(p, 0) == 0; };
    if (starts("usb\\") || starts("hid\\vid_")) return "USB";
    if (starts("acpi\\pnp03") || starts("acpi\\pnp0f") || starts("*pnp03") || starts("*pnp0f")) return "PS/2";
    if (starts("bthenum\\") || starts("bthle") || id.find("{00001124-") != std::string::npos) return "Bluetooth";
    return {};
}

// Windows gives a module's maker as its JEDEC code: bank and code, twice
// ("80CE000080CE"), or in the older form the code first ("CE00000000000000").
std::string makerName(const std::string& maker) {
    static const std::pair<const char*, const char*> kMakers[] = {
        {"80CE", "Samsung"},    {"CE00", "Samsung"},  {"80AD", "SK Hynix"}, {"AD00", "SK Hynix"},
        {"802C", "Micron"},     {"2C00", "Micron"},   {"859B", "Crucial"},  {"059B", "Crucial"},
        {"0198", "Kingston"},   {"8198", "Kingston"}, {"9801", "Kingston"}, {"029E", "Corsair"},
        {"829E", "Corsair"},    {"04CB", "A-DATA"},   {"84CB", "A-DATA"},   {"04CD", "G.Skill"},
        {"84CD", "G.Skill"},    {"0443", "Ramaxel"},  {"8443", "Ramaxel"},  {"04EF", "Team Group"},
        {"84EF", "Team Group"}, {"80CD", "Nanya"},    {"0B03", "Nanya"},    {"837A", "Apacer"},
        {"017A", "Apacer"},     {"8551", "Qimonda"},  {"80A4", "IBM"},      {"0215", "Transcend"},
        {"8215", "Transcend"},
    };
    const std::string code = ascii::upper(trimmed(maker));
    const bool hex = code.size() >= 4 && code.size() % 2 == 0 && std::all_of(code.begin(), code.end(), [](char c) {
                         return std::isxdigit(static_cast<unsigned char>(c));
                     });
    if (!hex) return maker;
    for (const auto& [prefix, name] : kMakers)
        if (code.compare(0, 4, prefix) == 0) return name;
    return {};
}

std::string vmSystem(const std::string& maker, const std::string& model) {
    // clang-format off
    static const std::pair<const char*, const char*> kSystems[] = {
        {"vmware", "VMware"}, {"virtualbox", "VirtualBox"}, {"innotek", "VirtualBox"}, {"qemu", "QEMU"},
        {"kvm", "KVM"},       {"xen", "Xen"},               {"parallels", "Parallels"}, {"bochs", "Bochs"},
        {"bhyve", "bhyve"},   {"virtual machine", "Hyper-V"},
    };
    // clang-format on
    const std::string both = wmi::text::lower(maker + " " + model);
    for (const auto& [needle, name] : kSystems)
        if (both.find(needle) != std::string::npos) return name;
    return {};
}

std::string idPart(std::string_view id, std::string_view key) {
    const std::string upperId = ascii::upper(id);
    const std::size_t at = upperId.find(key);
    if (at == std::string::npos || upperId.size() < at + key.size() + 4) return {};
    std::string out = wmi::text::lower(std::string_view(upperId).substr(at + key.size(), 4));
    return std::all_of(out.begin(), out.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })
               ? out
               : std::string();
}

}  // namespace tq::ocs::codes
