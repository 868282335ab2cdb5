// Win32_InstalledWin32Program: the installed packages from dpkg's status
// file (/var/lib/dpkg/status), one object per installed package and
// architecture:
//   Name           the package ("libc6")
//   Version        its version ("2.36-9+deb12u4")
//   Vendor         the maintainer's organisation as its mail domain names it
//                  ("Debian" for @debian.org, @lists.debian.org), else (a mail
//                  service's or the person's own domain) the maintainer's
//                  name; absent without a Maintainer field
//   ProgramId      "<architecture>\<package>" ("amd64\libc6"): the text before
//                  the first "\" is the architecture
//   Language, MsiProductCode  absent (dpkg keeps neither)
// and, beyond the class, what the inventory also sends:
//   Architecture   the package's architecture ("amd64", "all")
//   EstimatedSize  dpkg's Installed-Size, in KB
//   Description    the package's one-line description
//   InstallDate    the day (YYYYMMDD, local time) dpkg last wrote the
//                  package's file list, /var/lib/dpkg/info/<name>[:<arch>].list
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "platform/linux/machine.h"

namespace tq::linuxprov {

namespace {

constexpr std::size_t kStatusLimit = 64u << 20;  // a few MB on a full desktop
constexpr std::size_t kFieldLimit = 512;         // longer names and versions are no package's

// Mail domains of people rather than organisations.
bool personalDomain(std::string_view domain) {
    static constexpr std::array<std::string_view, 22> kPersonal = {
        "gmail",    "googlemail", "yahoo", "hotmail", "outlook", "live",   "msn",        "icloud",
        "me",       "mac",        "gmx",   "web",     "posteo",  "proton", "protonmail", "mailbox",
        "fastmail", "yandex",     "mail",  "free",    "riseup",  "aol"};
    return std::find(kPersonal.begin(), kPersonal.end(), domain) != kPersonal.end();
}

// The organisation of a mail domain: the label left of its public suffix
// ("lists.debian.org" -> "Debian", "example.co.uk" -> "Example").
std::string organisation(std::string domain) {
    domain = lower(domain);
    auto labels = split(domain, '.');
    labels.erase(std::remove(labels.begin(), labels.end(), std::string()), labels.end());
    if (labels.size() < 2) return {};
    std::size_t org = labels.size() - 2;
    // Two-part public suffixes ("co.uk", "com.au", "org.br").
    static constexpr std::array<std::string_view, 6> kSecond = {"co", "com", "org", "net", "ac", "gov"};
    if (org > 0 && labels.back().size() == 2 && std::find(kSecond.begin(), kSecond.end(), labels[org]) != kSecond.end())
        --org;
    std::string name = labels[org];
    if (name.empty() || personalDomain(name) || !std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
        }))
        return {};
    // Short names are initials ("mit" -> "MIT", "gnu" -> "GNU").
    if (name.size() <= 3) return upper(name);
    name[0] = upper(name[0]);
    return name;
}

// "Name <address>": the organisation of the address, else the name.
std::string vendorOf(std::string_view maintainer) {
    const auto lt = maintainer.find('<'), gt = maintainer.rfind('>');
    std::string name = trim(maintainer.substr(0, lt));
    if (lt != std::string_view::npos && gt != std::string_view::npos && gt > lt) {
        std::string_view mail = maintainer.substr(lt + 1, gt - lt - 1);
        if (auto at = mail.rfind('@'); at != std::string_view::npos) {
            std::string org = organisation(std::string(mail.substr(at + 1)));
            // A domain named after its owner ("Jo Smith <jo@smith.name>") is a
            // person's, not an organisation's.
            std::string joined = lower(name);
            const std::string last = joined.substr(joined.rfind(' ') + 1);
            joined.erase(std::remove(joined.begin(), joined.end(), ' '), joined.end());
            const bool own = lower(org) == last || lower(org) == joined;
            if (!org.empty() && !own) return org;
        }
    }
    if (name.empty() && lt == std::string_view::npos) name = trim(maintainer);
    return name;
}

struct Stanza {
    std::string_view package, version, maintainer, status, architecture, installedSize, description;
};

// The day dpkg last wrote the package's file list: when it was installed or
// upgraded. Multi-arch packages name the list after their architecture too.
std::string installDay(Machine& m, const std::string& name, const std::string& arch) {
    std::optional<std::int64_t> t = m.fs.modified("/var/lib/dpkg/info/" + name + ".list");
    if (!t) t = m.fs.modified("/var/lib/dpkg/info/" + name + ":" + arch + ".list");
    if (!t) return {};
    const std::time_t when = static_cast<std::time_t>(*t);
    std::tm local{};
    if (!localtime_r(&when, &local)) return {};
    char out[48];
    std::snprintf(out, sizeof out, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return out;
}

void addPackage(Machine& m, Objects& out, const Stanza& s) {
    // "install ok installed", "hold ok installed": the last word is the state.
    const std::string status = trim(s.status);
    const auto sp = status.rfind(' ');
    if (sp == std::string::npos || status.substr(sp + 1) != "installed") return;
    const std::string name = cleanText(trim(s.package));
    if (name.empty() || name.size() > kFieldLimit || s.version.size() > kFieldLimit) return;
    Props p;
    p.text("Name", name);
    const std::string arch = cleanText(trim(s.architecture.substr(0, kFieldLimit)));
    p.text("ProgramId", arch + "\\" + name);
    p.text("Vendor", cleanText(vendorOf(s.maintainer.substr(0, 4 * kFieldLimit))));
    p.text("Version", cleanText(trim(s.version)));
    if (!arch.empty()) p.text("Architecture", arch);
    const std::string size = trim(s.installedSize);
    if (!size.empty() && size.size() < 10 &&
        std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; }))
        p.uint("EstimatedSize", std::stoull(size));
    const std::string description = cleanText(trim(s.description.substr(0, 4 * kFieldLimit)));
    if (!description.empty()) p.text("Description", description);
    // Names with a slash or a dot-dot would reach past dpkg's folder.
    if (name.find('/') == std::string::npos && name.find("..") == std::string::npos &&
        arch.find('/') == std::string::npos && arch.find("..") == std::string::npos)
        if (std::string day = installDay(m, name, arch); !day.empty()) p.text("InstallDate", day);
    out.push_back(std::move(p));
}

}  // namespace

Objects buildInstalledPrograms(Machine& m) {
    auto text = m.fs.read("/var/lib/dpkg/status", kStatusLimit + 1);
    if (!text) return {};
    std::string_view all = *text;
    // A file cut at the limit loses its last, unfinished stanza.
    if (all.size() > kStatusLimit) {
        all = all.substr(0, kStatusLimit);
        const auto end = all.rfind("\n\n");
        all = all.substr(0, end == std::string_view::npos ? 0 : end + 1);
    }
    Objects out;
    Stanza cur;
    bool any = false;
    std::size_t pos = 0;
    while (pos <= all.size()) {
        auto nl = all.find('\n', pos);
        if (nl == std::string_view::npos) nl = all.size();
        std::string_view line = all.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) {
            if (any) addPackage(m, out, cur);
            cur = Stanza{};
            any = false;
            continue;
        }
        if (line[0] == ' ' || line[0] == '\t') continue;  // a continued field
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, colon), value = line.substr(colon + 1);
        any = true;
        if (key == "Package") cur.package = value;
        else if (key == "Version") cur.version = value;
        else if (key == "Maintainer") cur.maintainer = value;
        else if (key == "Status") cur.status = value;
        else if (key == "Architecture") cur.architecture = value;
        else if (key == "Installed-Size") cur.installedSize = value;
        else if (key == "Description") cur.description = value;
    }
    if (any) addPackage(m, out, cur);
    return out;
}

}  // namespace tq::linuxprov
