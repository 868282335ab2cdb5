// Win32_NetworkAdapterConfiguration: the IP configuration of each network
// adapter, one object per Win32_NetworkAdapter object with the same Index.
//
// What each property holds:
//   Index                the adapter's Index (its place among the interfaces
//                        with hardware behind them)
//   Description          the adapter's name, or the interface name without one
//   SettingID            the interface name ("enp3s0")
//   IPEnabled            the interface is up and holds an address
//   IPAddress, IPSubnet  arrays: IPv4 addresses first, then IPv6 ones (global,
//                        then link-local); the IPv4 mask as "255.255.255.0",
//                        the IPv6 prefix length as a decimal text ("64")
//   DefaultIPGateway     array: the interface's default routes, IPv4 first
//   DNSServerSearchOrder array: the link's servers (systemd-networkd), else the
//                        resolver's (/etc/resolv.conf, past a local stub),
//                        else the lease's
//   DNSDomain            the lease's domain, else the resolver's domain or
//                        first search domain
//   DHCPEnabled          a DHCP lease names an address the interface holds
//   DHCPServer           that lease's server
//   MACAddress, MTU      from the interface
// Arrays and the texts that only make sense with an address are absent when
// the adapter is not IP-enabled, as Windows gives them.
//
// Below another root everything comes from files: IPv4 addresses from
// /proc/net/fib_trie (their interface and mask from /proc/net/route), IPv6
// ones from /proc/net/if_inet6. The running machine's addresses come from
// getifaddrs.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <map>
#include <memory>
#include <set>

#include "platform/linux/machine.h"

namespace tq::linuxprov {

namespace {

constexpr std::size_t kNetFileLimit = 4u << 20;    // routes and tries of busy routers
constexpr std::size_t kLeaseFileLimit = 1u << 20;  // dhclient appends a lease per renewal
constexpr std::size_t kMaxServers = 16;

struct Address {
    bool v6 = false;
    std::string text;    // "192.168.1.5", "fe80::1"
    std::string subnet;  // "255.255.255.0", "64"
    bool linkLocal = false;
};

std::string v4Text(std::uint32_t hostOrder) {
    in_addr a{};
    a.s_addr = htonl(hostOrder);
    char buf[INET_ADDRSTRLEN];
    return ::inet_ntop(AF_INET, &a, buf, sizeof buf) ? buf : "";
}

std::string v6Text(const std::uint8_t* bytes) {
    char buf[INET6_ADDRSTRLEN];
    return ::inet_ntop(AF_INET6, bytes, buf, sizeof buf) ? buf : "";
}

std::optional<std::uint32_t> parseV4(std::string_view s) {
    in_addr a{};
    if (s.size() >= INET_ADDRSTRLEN || ::inet_pton(AF_INET, std::string(s).c_str(), &a) != 1) return std::nullopt;
    return ntohl(a.s_addr);
}

// A valid address in its usual form, or empty.
std::string canonicalIp(std::string_view s) {
    s = s.substr(0, s.find('%'));  // "fe80::1%eth0"
    if (s.size() >= INET6_ADDRSTRLEN) return {};
    const std::string t(s);
    in6_addr a6{};
    if (::inet_pton(AF_INET6, t.c_str(), &a6) == 1) return v6Text(a6.s6_addr);
    if (auto v4 = parseV4(t)) return v4Text(*v4);
    return {};
}

// 32 hex digits (if_inet6, ipv6_route) as the 16 bytes of an address.
bool hexV6(std::string_view h, std::array<std::uint8_t, 16>& out) {
    if (h.size() != 32) return false;
    for (std::size_t i = 0; i < 16; ++i) {
        auto b = parseNumber(h.substr(2 * i, 2), 16);
        if (!b) return false;
        out[i] = static_cast<std::uint8_t>(*b);
    }
    return true;
}

// /proc/net/route's hex fields hold addresses in the kernel's (little-endian) byte order.
std::optional<std::uint32_t> routeV4(std::string_view h) {
    auto v = parseNumber(h, 16);
    if (!v || *v > 0xFFFFFFFFu) return std::nullopt;
    return ntohl(static_cast<std::uint32_t>(*v));
}

std::vector<std::string> fields(std::string_view line) {
    std::vector<std::string> out;
    for (auto& f : split(line, ' '))
        for (auto& g : split(f, '\t'))
            if (!g.empty()) out.push_back(std::move(g));
    return out;
}

struct Route4 {
    std::string iface;
    std::uint32_t dest = 0, gateway = 0, mask = 0, metric = 0;
    unsigned flags = 0;
};

std::vector<Route4> routes4(const Fs& fs) {
    std::vector<Route4> out;
    auto text = fs.read("/proc/net/route", kNetFileLimit);
    if (!text) return out;
    for (const auto& line : split(*text, '\n')) {
        auto f = fields(line);
        if (f.size() < 8 || f[0] == "Iface") continue;
        auto dest = routeV4(f[1]), gw = routeV4(f[2]), mask = routeV4(f[7]);
        auto flags = parseNumber(f[3], 16), metric = parseNumber(f[6], 10);
        if (!dest || !gw || !mask || !flags) continue;
        out.push_back({cleanText(f[0]), *dest, *gw, *mask, static_cast<std::uint32_t>(metric.value_or(0) & 0xFFFFFFFFu),
                       static_cast<unsigned>(*flags & 0xFFFF)});
    }
    return out;
}

constexpr unsigned kRouteUp = 0x1, kRouteGateway = 0x2;

// The local IPv4 addresses the kernel's trie lists ("/32 host LOCAL").
std::vector<std::uint32_t> trieLocals(const Fs& fs) {
    std::vector<std::uint32_t> out;
    auto text = fs.read("/proc/net/fib_trie", kNetFileLimit);
    if (!text) return out;
    std::uint32_t leaf = 0;  // the address of the leaf whose entries follow
    bool inLeaf = false;
    std::set<std::uint32_t> seen;
    for (const auto& line : split(*text, '\n')) {
        auto f = fields(line);
        if (f.size() == 2 && f[0] == "|--") {
            auto a = parseV4(f[1]);
            inLeaf = a.has_value();
            leaf = a.value_or(0);
        } else if (f.size() >= 3 && f[0] == "/32" && f[1] == "host" && f[2] == "LOCAL" && inLeaf) {
            if ((leaf >> 24) != 127 && seen.insert(leaf).second) out.push_back(leaf);
        } else if (!f.empty() && f[0][0] != '/') {
            inLeaf = false;
        }
    }
    return out;
}

using AddressMap = std::map<std::string, std::vector<Address>>;  // by interface name

void addV6(AddressMap& out, const std::string& iface, const std::uint8_t* bytes, unsigned prefix) {
    Address a;
    a.v6 = true;
    a.text = v6Text(bytes);
    a.subnet = std::to_string(prefix);
    a.linkLocal = bytes[0] == 0xFE && (bytes[1] & 0xC0) == 0x80;
    if (!a.text.empty()) out[iface].push_back(std::move(a));
}

void addV4(AddressMap& out, const std::string& iface, std::uint32_t addr, std::uint32_t mask) {
    out[iface].push_back({false, v4Text(addr), v4Text(mask), false});
}

// Addresses from the files below the root.
AddressMap addressesFromFiles(const Fs& fs, const std::vector<Route4>& routes) {
    AddressMap out;
    for (std::uint32_t local : trieLocals(fs)) {
        // The interface whose most specific on-link route holds the address.
        const Route4* best = nullptr;
        for (const auto& r : routes)
            if (r.gateway == 0 && r.mask != 0 && (local & r.mask) == r.dest && (!best || r.mask > best->mask))
                best = &r;
        if (best) addV4(out, best->iface, local, best->mask);
    }
    if (auto text = fs.read("/proc/net/if_inet6", kNetFileLimit)) {
        for (const auto& line : split(*text, '\n')) {
            auto f = fields(line);
            std::array<std::uint8_t, 16> bytes{};
            if (f.size() < 6 || !hexV6(f[0], bytes)) continue;
            auto prefix = parseNumber(f[2], 16);
            if (!prefix || *prefix > 128) continue;
            addV6(out, cleanText(f[5]), bytes.data(), static_cast<unsigned>(*prefix));
        }
    }
    return out;
}

// The running machine's addresses.
AddressMap addressesLive() {
    AddressMap out;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return out;
    std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> guard(list, ::freeifaddrs);
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || !i->ifa_name) continue;
        if (i->ifa_addr->sa_family == AF_INET) {
            const auto* a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
            const auto* m = reinterpret_cast<const sockaddr_in*>(i->ifa_netmask);
            addV4(out, i->ifa_name, ntohl(a->sin_addr.s_addr), m ? ntohl(m->sin_addr.s_addr) : 0xFFFFFFFFu);
        } else if (i->ifa_addr->sa_family == AF_INET6) {
            const auto* a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
            const auto* m = reinterpret_cast<const sockaddr_in6*>(i->ifa_netmask);
            unsigned prefix = 0;
            if (m)
                for (unsigned char b : m->sin6_addr.s6_addr)
                    for (int k = 7; k >= 0 && (b >> k) & 1; --k) ++prefix;
            addV6(out, i->ifa_name, a->sin6_addr.s6_addr, prefix);
        }
    }
    return out;
}

// Default gateways by interface: IPv4 by metric, then IPv6 by metric.
std::map<std::string, std::vector<std::string>> gateways(const Fs& fs, const std::vector<Route4>& routes) {
    std::vector<std::tuple<std::string, std::uint32_t, std::string>> v4, v6;  // iface, metric, address
    for (const auto& r : routes)
        if (r.dest == 0 && r.mask == 0 && r.gateway != 0 &&
            (r.flags & (kRouteUp | kRouteGateway)) == (kRouteUp | kRouteGateway))
            v4.emplace_back(r.iface, r.metric, v4Text(r.gateway));
    if (auto text = fs.read("/proc/net/ipv6_route", kNetFileLimit)) {
        for (const auto& line : split(*text, '\n')) {
            // dest destlen src srclen nexthop metric refcnt use flags iface
            auto f = fields(line);
            std::array<std::uint8_t, 16> dest{}, hop{};
            if (f.size() < 10 || !hexV6(f[0], dest) || !hexV6(f[4], hop) || f[1] != "00") continue;
            auto flags = parseNumber(f[8], 16), metric = parseNumber(f[5], 16);
            const bool zeroHop = std::all_of(hop.begin(), hop.end(), [](std::uint8_t b) { return b == 0; });
            if (!flags || (*flags & (kRouteUp | kRouteGateway)) != (kRouteUp | kRouteGateway) || zeroHop) continue;
            v6.emplace_back(cleanText(f[9]), static_cast<std::uint32_t>(metric.value_or(0) & 0xFFFFFFFFu),
                            v6Text(hop.data()));
        }
    }
    std::map<std::string, std::vector<std::string>> out;
    for (auto* list : {&v4, &v6}) {
        std::stable_sort(list->begin(), list->end(),
                         [](const auto& a, const auto& b) { return std::get<1>(a) < std::get<1>(b); });
        for (const auto& [iface, metric, addr] : *list) {
            auto& g = out[iface];
            if (std::find(g.begin(), g.end(), addr) == g.end()) g.push_back(addr);
        }
    }
    return out;
}

struct Resolver {
    std::vector<std::string> servers;
    std::string domain;
    bool stubOnly = false;  // only a local stub, whose servers are unknown
};

Resolver parseResolvConf(std::string_view text) {
    Resolver r;
    std::string search;
    for (const auto& line : split(text, '\n')) {
        auto f = fields(line.substr(0, line.find_first_of("#;")));
        if (f.size() < 2) continue;
        if (f[0] == "nameserver" && r.servers.size() < kMaxServers) {
            std::string ip = canonicalIp(f[1]);
            if (!ip.empty() && std::find(r.servers.begin(), r.servers.end(), ip) == r.servers.end())
                r.servers.push_back(ip);
        } else if (f[0] == "domain") {
            r.domain = cleanText(f[1]);
        } else if (f[0] == "search" && search.empty()) {
            search = cleanText(f[1]);
        }
    }
    if (r.domain.empty()) r.domain = search;
    return r;
}

// The machine's resolver. A local stub (systemd-resolved's 127.0.0.53)
// stands for the servers it forwards to, which it lists beside itself.
Resolver resolver(const Fs& fs) {
    Resolver r;
    if (auto text = fs.read("/etc/resolv.conf", 64 * 1024)) r = parseResolvConf(*text);
    const bool stub = !r.servers.empty() && std::all_of(r.servers.begin(), r.servers.end(),
                                                        [](const std::string& s) { return startsWith(s, "127."); });
    if (stub)
        if (auto text = fs.read("/run/systemd/resolve/resolv.conf", 64 * 1024)) {
            Resolver up = parseResolvConf(*text);
            r.servers = up.servers;
            if (r.domain.empty()) r.domain = up.domain;
            return r;
        }
    r.stubOnly = stub;
    return r;
}

// Space-separated addresses (networkd's DNS=) in their usual form.
std::vector<std::string> addressList(std::string_view text) {
    std::vector<std::string> out;
    for (const auto& f : fields(text)) {
        std::string ip = canonicalIp(f);
        if (!ip.empty() && out.size() < kMaxServers) out.push_back(ip);
    }
    return out;
}

struct Lease {
    std::string address, server, domain;
    std::vector<std::string> dns;
};

// KEY=value leases: systemd-networkd's and NetworkManager's internal client's.
std::optional<Lease> assignmentLease(const Fs& fs, const std::string& path) {
    auto text = fs.read(path, kLeaseFileLimit);
    if (!text) return std::nullopt;
    auto a = parseAssignments(*text);
    Lease l;
    l.address = canonicalIp(a["ADDRESS"]);
    l.server = canonicalIp(a["SERVER_ADDRESS"]);
    l.domain = a["DOMAINNAME"];
    l.dns = addressList(a["DNS"]);
    if (l.address.empty() && l.server.empty()) return std::nullopt;
    return l;
}

// dhclient's lease files: the last "lease { ... }" block for the interface
// (a file of one interface may leave its blocks without an "interface" line).
std::optional<Lease> dhclientLease(const Fs& fs, const std::string& path, const std::string& iface) {
    auto text = fs.read(path, kLeaseFileLimit);
    if (!text) return std::nullopt;
    std::optional<Lease> found;
    Lease cur;
    std::string curIface;
    bool in = false;
    auto unquote = [](std::string v) {
        if (!v.empty() && v.back() == ';') v.pop_back();
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        return cleanText(v);
    };
    for (const auto& raw : split(*text, '\n')) {
        const std::string line = trim(raw);
        if (startsWith(line, "lease") && line.find('{') != std::string::npos) {
            in = true;
            cur = Lease{};
            curIface.clear();
        } else if (in && line == "}") {
            in = false;
            if ((curIface.empty() || curIface == iface) && !cur.address.empty()) found = cur;
        } else if (in) {
            auto f = fields(line);
            if (f.size() >= 2 && f[0] == "interface") curIface = unquote(f[1]);
            else if (f.size() >= 2 && f[0] == "fixed-address") cur.address = canonicalIp(unquote(f[1]));
            else if (f.size() >= 3 && f[0] == "option" && f[1] == "dhcp-server-identifier")
                cur.server = canonicalIp(unquote(f[2]));
            else if (f.size() >= 3 && f[0] == "option" && f[1] == "domain-name") cur.domain = unquote(f[2]);
            else if (f.size() >= 3 && f[0] == "option" && f[1] == "domain-name-servers") {
                std::string list = line.substr(line.find("domain-name-servers") + 19);
                std::replace(list.begin(), list.end(), ',', ' ');
                cur.dns = addressList(unquote(trim(list)));
            }
        }
    }
    return found;
}

// The lease the system keeps for an interface: systemd-networkd's, then
// NetworkManager's, then dhclient's own files.
std::optional<Lease> leaseFor(const Fs& fs, const std::string& iface, std::optional<std::uint64_t> ifindex) {
    if (ifindex)
        if (auto l = assignmentLease(fs, "/run/systemd/netif/leases/" + std::to_string(*ifindex))) return l;
    const std::string suffix = "-" + iface + ".lease";
    for (const char* dir : {"/var/lib/NetworkManager", "/var/lib/dhcp", "/var/lib/dhclient"}) {
        for (const auto& f : fs.list(dir)) {
            const std::string path = std::string(dir) + "/" + f;
            const bool ours =
                f.size() > suffix.size() && f.compare(f.size() - suffix.size(), suffix.size(), suffix) == 0;
            if (ours && startsWith(f, "internal-"))
                if (auto l = assignmentLease(fs, path)) return l;
            const bool dhclient = ours || f == "dhclient." + iface + ".leases" ||
                                  f == "dhclient-" + iface + ".leases" || f == "dhclient.leases";
            if (dhclient && startsWith(f, "dhclient"))
                if (auto l = dhclientLease(fs, path, iface)) return l;
        }
    }
    return std::nullopt;
}

}  // namespace

Objects buildNetworkAdapterConfigurations(Machine& m) {
    const auto& nics = m.netInterfaces();
    if (nics.empty()) return {};
    const auto routes = routes4(m.fs);
    const AddressMap addresses = m.fs.live() ? addressesLive() : addressesFromFiles(m.fs, routes);
    const auto gws = gateways(m.fs, routes);
    const Resolver res = resolver(m.fs);
    Objects out;
    std::uint64_t index = 0;
    for (const auto& nic : nics) {
        Props p;
        const auto flags = m.fs.number(nic.base + "/flags", 16);
        const bool up = flags && (*flags & IFF_UP);
        std::vector<Address> addrs;
        if (auto it = addresses.find(nic.name); it != addresses.end() && up) addrs = it->second;
        std::stable_sort(addrs.begin(), addrs.end(), [](const Address& a, const Address& b) {
            return std::make_pair(a.v6, a.linkLocal) < std::make_pair(b.v6, b.linkLocal);
        });
        const bool ipEnabled = !addrs.empty();
        const auto ifindex = m.fs.number(nic.base + "/ifindex", 10);
        std::optional<Lease> lease = leaseFor(m.fs, nic.name, ifindex);
        // A lease counts while the interface holds its address.
        if (lease && !lease->address.empty() &&
            std::none_of(addrs.begin(), addrs.end(), [&](const Address& a) { return a.text == lease->address; }))
            lease.reset();

        const std::string name = nic.dev ? nic.dev->name : nic.name;
        char number[16];
        std::snprintf(number, sizeof number, "[%08u] ", static_cast<unsigned>(index));
        p.text("Caption", number + name);
        p.text("Description", name);
        p.boolean("DHCPEnabled", lease.has_value());
        p.uint("Index", index);
        p.uint("InterfaceIndex", ifindex);
        p.boolean("IPEnabled", ipEnabled);
        std::string mac = upper(m.fs.line(nic.base + "/address"));
        if (mac.size() == 17 && mac != "00:00:00:00:00:00") p.text("MACAddress", mac);
        p.uint("MTU", m.fs.number(nic.base + "/mtu", 10));
        p.text("ServiceName", m.fs.linkName(nic.devPath + "/driver"));
        p.text("SettingID", cleanText(nic.name));
        if (ipEnabled) {
            std::vector<std::string> ips, subnets;
            for (const auto& a : addrs) {
                ips.push_back(a.text);
                subnets.push_back(a.subnet);
            }
            p.texts("IPAddress", ips);
            p.texts("IPSubnet", subnets);
            if (auto g = gws.find(nic.name); g != gws.end()) p.texts("DefaultIPGateway", g->second);
            std::vector<std::string> dns;
            std::string domain;
            if (ifindex)
                if (auto link = m.fs.read("/run/systemd/netif/links/" + std::to_string(*ifindex), 64 * 1024)) {
                    auto a = parseAssignments(*link);
                    dns = addressList(a["DNS"]);
                    domain = fields(a["DOMAINS"]).empty() ? std::string() : fields(a["DOMAINS"])[0];
                }
            if (dns.empty() && !res.stubOnly) dns = res.servers;
            if (dns.empty() && lease) dns = lease->dns;
            if (dns.empty()) dns = res.servers;
            p.texts("DNSServerSearchOrder", dns);
            if (lease && !lease->domain.empty()) domain = lease->domain;
            if (domain.empty()) domain = res.domain;
            p.text("DNSDomain", cleanText(domain));
            if (lease) p.text("DHCPServer", lease->server);
        }
        out.push_back(std::move(p));
        ++index;
    }
    return out;
}

}  // namespace tq::linuxprov
