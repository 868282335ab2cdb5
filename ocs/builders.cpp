// The inventory's builders: one per section, each reading its classes once
// from the run's management service into the model. Where a Windows and a
// Linux machine differ, the system's profile (chosen from the operating
// system's class) says how. A new section is a structure in ocs/model.h, a
// builder here called from buildInventory, and its lines in each renderer.
#include "ocs/builders.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <fstream>
#include <map>

#include <nlohmann/json.hpp>

#include "ocs/assets.h"
#include "ocs/codes.h"
#include "ocs/edid.h"
#include "ocs/facts.h"
#include "wmi/ascii.h"
#include "wmi/trap.h"
#include "wmi/wql.h"

namespace tq::ocs {

namespace {

using namespace facts;
using namespace codes;
using wmi::Object;

constexpr std::string_view kStandardMoniker = "winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\StandardCimv2";

// How the server's agents describe a machine of each system.
struct Profile {
    bool distributionNames = false;      // the system named by its distribution ("Debian GNU/Linux", "12")
    bool hostNameOwnCase = false;        // the name from DNSHostName, in its own letter case, without the domain
    bool shortCpuMakers = false;         // "Intel" and "AMD" rather than the vendor strings
    bool dropPlaceholderMakers = false;  // not Windows' "(Standard disk drives)"
    std::string_view diskNames[3];       // the first of these that the disk has names it
    std::string_view diskBus;
    bool opticalDriveLetter = false;
    bool drivesByMountPoint = false;  // no letters: the mount point, the file system's own name, the device
    bool adapterByInterface = false;  // an adapter is named by its interface ("eth0")
    std::string_view controllerCaption, controllerVersion;
    const char* kernelName = "";
    bool statusFromConnection = false;  // an adapter is up when connected (Windows), not when enabled (Linux)
    bool standardNamespace = false;     // Windows' root\StandardCimv2 network classes may be there
};

constexpr Profile kWindows{.diskNames = {"Caption", "Model", "Name"},
                           .diskBus = "InterfaceType",
                           .opticalDriveLetter = true,
                           .controllerCaption = "DeviceID",
                           .controllerVersion = "DriverVersion",
                           .kernelName = "MSWin32",
                           .statusFromConnection = true,
                           .standardNamespace = true};
constexpr Profile kLinux{.distributionNames = true,
                         .hostNameOwnCase = true,
                         .shortCpuMakers = true,
                         .dropPlaceholderMakers = true,
                         .diskNames = {"KernelName", "Caption", "Model"},
                         .diskBus = "Transport",
                         .drivesByMountPoint = true,
                         .adapterByInterface = true,
                         .controllerCaption = "DeviceName",
                         .controllerVersion = "ModuleVersion",
                         .kernelName = "linux"};

// Runs a query on the inventory's service and hands over each object.
class Reader {
public:
    explicit Reader(wmi::Run& r) : run(r), t(r.trap) {
        t.step([&] { service_ = run.bind(wmi::kMoniker); });
    }
    wmi::Run& run;
    trap::Trap& t;
    void each(std::string_view query, const std::function<void(const Object&)>& f) {
        if (!service_) return;
        wmi::CollectionPtr c;
        if (!t.step([&] { c = wmi::execQuery(service_, query); })) return;
        wmi::walk(t, c, [&](const Object& o) { f(o); });
    }
    void first(std::string_view query, const std::function<void(const Object&)>& f) {
        bool done = false;
        each(query, [&](const Object& o) {
            if (!done) f(o);
            done = true;
        });
    }

private:
    wmi::ServicePtr service_;
};

// What every builder works with.
struct Build {
    Reader& r;
    const Profile& system;
    model::Inventory& m;
};

std::string shown(std::string_view s) { return trimmed(cleanText(s)); }

// ------------------------------------------------------------- builders ----

void operatingSystem(Build& b) {
    b.r.first("Select * from Win32_OperatingSystem", [&](const Object& o) {
        model::OperatingSystem& os = b.m.os;
        const std::string caption = text(o, "Caption"), kernel = text(o, "Version");
        const std::string distribution = text(o, "DistributionName"), release = text(o, "DistributionVersion");
        if (b.system.distributionNames && !distribution.empty()) {
            os.name = distribution;
            os.version = release;
            os.label = trimmed(distribution + " " + release);
            os.comments = caption;
        } else {
            os.name = os.label = caption;
            os.version = kernel;
            os.comments = text(o, "CSDVersion");
        }
        os.fullVersion = text(o, "DistributionRelease");  // "12.11", where the system writes it
        if (trimmed(os.fullVersion).empty()) os.fullVersion = os.version;
        os.fullName = caption;
        if (b.system.distributionNames || !caption.empty()) os.kernelName = b.system.kernelName;
        os.kernelVersion = kernel;
        os.servicePack = text(o, "CSDVersion");
        os.arch = text(o, "OSArchitecture");
        os.installDate = cimWhen(text(o, "InstallDate"));
        os.productId = text(o, "SerialNumber");
        os.owner = text(o, "RegisteredUser");
        os.company = text(o, "Organization");
        if (auto kb = number(o, "TotalVisibleMemorySize")) b.m.hardware.memoryMb = *kb / 1024;
        if (auto kb = number(o, "SizeStoredInPagingFiles")) b.m.hardware.swapMb = *kb / 1024;
    });
}

void computerSystem(Build& b, const InventoryOptions& options) {
    model::Hardware& hw = b.m.hardware;
    b.r.first("Select * from Win32_ComputerSystem", [&](const Object& cs) {
        std::string name = b.system.hostNameOwnCase ? text(cs, "DNSHostName") : std::string();
        name = shown(name.substr(0, name.find('.')));
        hw.name = name.empty() ? shown(text(cs, "Name")) : name;
        hw.workgroup = text(cs, "Domain");
        hw.userId = text(cs, "UserName");
        if (auto total = megabytes(number(cs, "TotalPhysicalMemory"))) hw.memoryMb = total;
        b.m.bios.systemMaker = text(cs, "Manufacturer");
        b.m.bios.systemModel = text(cs, "Model");
        hw.vmSystem = vmSystem(b.m.bios.systemMaker, b.m.bios.systemModel);
    });
    if (hw.name.empty()) hw.name = shown(options.designation);
    b.r.first("Select * from Win32_ComputerSystemProduct", [&](const Object& p) {
        hw.uuid = text(p, "UUID");
        b.m.bios.systemSerial = text(p, "IdentifyingNumber");
    });
}

void bios(Build& b) {
    model::Bios& bi = b.m.bios;
    b.r.first("Select * from Win32_Bios", [&](const Object& o) {
        bi.maker = text(o, "Manufacturer");
        bi.version = text(o, "SMBIOSBIOSVersion");
        if (bi.version.empty()) bi.version = text(o, "Version");
        bi.date = cimWhen(text(o, "ReleaseDate"));
        // The product serial, or else the firmware's.
        if (shown(bi.systemSerial).empty()) bi.systemSerial = text(o, "SerialNumber");
    });
    b.r.first("Select * from Win32_BaseBoard", [&](const Object& o) {
        bi.boardMaker = text(o, "Manufacturer");
        bi.boardModel = text(o, "Product");
        bi.boardSerial = text(o, "SerialNumber");
    });
}

void cpus(Build& b) {
    b.r.each("Select * from Win32_Processor", [&](const Object& o) {
        model::Cpu c;
        const std::string maker = text(o, "Manufacturer");
        c.maker = b.system.shortCpuMakers ? shortMaker(maker) : maker;
        c.name = text(o, "Name");
        c.speed = number(o, "MaxClockSpeed");
        c.currentSpeed = number(o, "CurrentClockSpeed");
        c.cores = number(o, "NumberOfCores");
        c.threads = number(o, "NumberOfLogicalProcessors");
        c.socket = text(o, "SocketDesignation");
        c.arch = named(number(o, "Architecture"), kArchitectures);
        c.dataWidth = number(o, "DataWidth");
        c.addressWidth = number(o, "AddressWidth");
        c.l2CacheKb = number(o, "L2CacheSize");
        c.serial = text(o, "ProcessorId");
        b.m.cpus.push_back(std::move(c));
    });
}

void memories(Build& b) {
    std::uint64_t modulesBytes = 0;
    b.r.each("Select * from CIM_PhysicalMemory", [&](const Object& o) {
        modulesBytes += number(o, "Capacity").value_or(0);
        model::Memory mem;
        mem.caption = firstOf(o, {"DeviceLocator", "Caption"});
        mem.description = text(o, "BankLabel");
        mem.capacityMb = megabytes(number(o, "Capacity"));
        mem.speed = number(o, "Speed");
        mem.type = named(number(o, "SMBIOSMemoryType"), kSmbiosMemoryTypes);
        if (mem.type.empty()) mem.type = named(number(o, "MemoryType"), kMemoryTypes);
        mem.maker = text(o, "Manufacturer");
        mem.makerName = makerName(mem.maker);
        mem.serial = text(o, "SerialNumber");
        mem.slot = static_cast<int>(b.m.memories.size()) + 1;
        b.m.memories.push_back(std::move(mem));
    });
    // The total the system reports, or else what its modules add up to.
    if (!b.m.hardware.memoryMb && modulesBytes > 0) b.m.hardware.memoryMb = megabytes(modulesBytes);
}

void storages(Build& b) {
    const auto maker = [&](const Object& o) {
        std::string s = text(o, "Manufacturer");
        return b.system.dropPlaceholderMakers && placeholder(s) ? std::string() : s;
    };
    b.r.each("Select * from Win32_DiskDrive", [&](const Object& o) {
        model::Storage s;
        s.maker = maker(o);
        s.name = firstOf(o, {b.system.diskNames[0], b.system.diskNames[1], b.system.diskNames[2]});
        s.model = text(o, "Model");
        s.description = text(o, b.system.diskBus);
        s.type = text(o, "MediaType");
        // The device's own byte count where the system gives it (Linux), else
        // the geometry's (Windows).
        const auto bytes = number(o, "ByteSize");
        s.sizeMb = megabytes(bytes ? bytes : number(o, "Size"));
        s.serial = firstOf(o, {"SerialNumber", "DeviceSerial"});
        s.firmware = text(o, "FirmwareRevision");
        if (trimmed(s.maker).empty()) s.maker = text(o, "Vendor");
        b.m.storages.push_back(std::move(s));
    });
    b.r.each("Select * from Win32_CDROMDrive", [&](const Object& o) {
        model::Storage s;
        s.maker = maker(o);
        s.name = firstOf(o, {"Caption", "Name"});
        s.model = firstOf(o, {"Name", "Caption"});
        if (b.system.opticalDriveLetter) s.description = text(o, "Drive");
        s.type = "CD-ROM";
        s.serial = text(o, "SerialNumber");
        s.firmware = text(o, "MfrAssignedRevisionLevel");
        b.m.storages.push_back(std::move(s));
    });
}

void drives(Build& b) {
    b.r.each("Select * from Win32_LogicalDisk", [&](const Object& o) {
        model::Drive d;
        d.totalMb = megabytes(number(o, "Size"));
        d.freeMb = megabytes(number(o, "FreeSpace"));
        if (b.system.drivesByMountPoint) {
            d.type = text(o, "MountPoint");
            if (d.type.empty()) return;  // not mounted
            d.fileSystem = text(o, "FileSystemType");
            if (d.fileSystem.empty()) d.fileSystem = wmi::text::lower(text(o, "FileSystem"));
            d.volume = text(o, "BlockDevice");
        } else {
            d.letter = text(o, "DeviceID");
            d.type = named(number(o, "DriveType"), kDriveTypes);
            d.fileSystem = text(o, "FileSystem");
            d.volume = text(o, "VolumeName");
            d.serial = text(o, "VolumeSerialNumber");
        }
        b.m.drives.push_back(std::move(d));
    });
}

// An adapter's IP configuration, from Win32_NetworkAdapterConfiguration.
struct IpConfig {
    std::string description, dhcpServer;
    model::Number mtu;
    std::vector<std::string> addresses, subnets, gateways, dns;
    bool dhcp = false;

    // The first address (or gateway) of the family asked for, else the first.
    static std::string preferring(const std::vector<std::string>& list, bool v6) {
        for (const std::string& s : list)
            if (auto a = parseAddress(s); a && a->v6 == v6) return s;
        return list.empty() ? std::string() : list.front();
    }
};

// What Windows' own network classes (root\StandardCimv2, Windows 8 and
// later) add per interface: whether it is 802.11, its IPv4 MTU. Elsewhere
// the namespace cannot be bound and nothing is added.
struct NetFacts {
    std::map<std::uint64_t, bool> wireless;
    std::map<std::uint64_t, std::uint64_t> mtu;
};

NetFacts standardNetFacts(wmi::Run& run) {
    trap::Trap& t = run.trap;
    NetFacts f;
    wmi::ServicePtr service;
    if (!t.step([&] { service = run.bind(kStandardMoniker); })) return f;
    const auto each = [&](std::string_view query, const std::function<void(const Object&)>& g) {
        wmi::CollectionPtr c;
        if (t.step([&] { c = wmi::execQuery(service, query); })) wmi::walk(t, c, [&](const Object& o) { g(o); });
    };
    // NDIS physical media: 1 wireless LAN, 9 native 802.11.
    each("Select InterfaceIndex, PhysicalMediumType from MSFT_NetAdapter", [&](const Object& o) {
        const auto index = number(o, "InterfaceIndex"), medium = number(o, "PhysicalMediumType");
        if (index && medium) f.wireless[*index] = *medium == 1 || *medium == 9;
    });
    each("Select InterfaceIndex, NlMtu from MSFT_NetIPInterface Where AddressFamily = 2", [&](const Object& o) {
        const auto index = number(o, "InterfaceIndex"), mtu = number(o, "NlMtu");
        if (index && mtu) f.mtu[*index] = *mtu;
    });
    return f;
}

// A wireless adapter by its name, where nothing better tells.
bool wirelessByName(const std::string& name) {
    const std::string n = wmi::text::lower(name);
    for (const char* s : {"802.11", "wireless", "wi-fi", "wifi", "wlan"})
        if (n.find(s) != std::string::npos) return true;
    return false;
}

// NetConnectionStatus: 2 connected; the disconnected, disabled and missing states.
std::string connectionStatus(model::Number code) {
    if (!code) return {};
    if (*code == 2) return "Up";
    if (*code == 0 || (*code >= 3 && *code <= 7)) return "Down";
    return {};
}

void networks(Build& b) {
    const NetFacts standard = b.system.standardNamespace ? standardNetFacts(b.r.run) : NetFacts();
    // Each adapter's IP configuration, joined to the adapter by Index.
    std::map<std::uint64_t, IpConfig> configs;
    b.r.each("Select * from Win32_NetworkAdapterConfiguration", [&](const Object& c) {
        const auto index = number(c, "Index");
        if (!index) return;
        IpConfig& k = configs[*index];
        k.description = text(c, "Description");
        if (flag(c, "IPEnabled").value_or(true)) {
            k.addresses = texts(c, "IPAddress");
            k.subnets = texts(c, "IPSubnet");
            k.gateways = texts(c, "DefaultIPGateway");
        }
        k.dns = texts(c, "DNSServerSearchOrder");
        k.dhcp = flag(c, "DHCPEnabled").value_or(false);
        k.dhcpServer = text(c, "DHCPServer");
        k.mtu = number(c, "MTU");
        if (b.m.os.dnsDomain.empty()) b.m.os.dnsDomain = text(c, "DNSDomain");
    });

    // One entry per address (one without any for an adapter that has none).
    const IpConfig* routed = nullptr;     // the first adapter with a default gateway
    const IpConfig* addressed = nullptr;  // else the first with an address
    b.r.each("Select * from Win32_NetworkAdapter", [&](const Object& a) {
        model::Network n;
        n.mac = text(a, "MACAddress");
        if (n.mac.empty()) return;  // tunnels and miniports without an address
        const auto index = number(a, "Index");
        const auto found = index ? configs.find(*index) : configs.end();
        const IpConfig* k = found == configs.end() ? nullptr : &found->second;
        if (b.system.adapterByInterface) n.description = text(a, "NetConnectionID");
        if (trimmed(n.description).empty() && k) n.description = k->description;
        if (trimmed(n.description).empty()) n.description = firstOf(a, {"Name", "Description", "ProductName"});
        n.adapterType = text(a, "AdapterType");
        const std::string type = wmi::text::lower(n.adapterType);
        if (type.find("ethernet") != std::string::npos) n.kind = model::NetKind::Ethernet;
        // Windows calls a Wi-Fi card "Ethernet 802.3": its own network
        // classes, Linux's wireless folder or else the card's name tell.
        const auto interfaceIndex = number(a, "InterfaceIndex");
        const auto medium = interfaceIndex ? standard.wireless.find(*interfaceIndex) : standard.wireless.end();
        const bool wireless = medium != standard.wireless.end()
                                  ? medium->second
                                  : flag(a, "Wireless")
                                        .value_or(type.find("wireless") != std::string::npos ||
                                                  type.find("802.11") != std::string::npos ||
                                                  wirelessByName(firstOf(a, {"Name", "Description"})));
        if (wireless) n.kind = model::NetKind::Wifi;
        n.speedBps = number(a, "Speed");
        n.driver = text(a, "ServiceName");
        if (k) n.mtu = k->mtu;
        if (const auto mtu = interfaceIndex ? standard.mtu.find(*interfaceIndex) : standard.mtu.end();
            !n.mtu && mtu != standard.mtu.end())
            n.mtu = mtu->second;
        if (b.system.statusFromConnection) n.status = connectionStatus(number(a, "NetConnectionStatus"));
        if (auto enabled = flag(a, "NetEnabled"); n.status.empty() && enabled) n.status = *enabled ? "Up" : "Down";
        if (auto physical = flag(a, "PhysicalAdapter")) n.virtualDevice = !*physical;
        if (!k || k->addresses.empty()) {
            b.m.networks.push_back(std::move(n));
            return;
        }
        if (!routed && !k->gateways.empty()) routed = k;
        if (!addressed) addressed = k;
        for (std::size_t i = 0; i < k->addresses.size(); ++i) {
            model::Network e = n;
            e.address = k->addresses[i];
            if (const auto address = parseAddress(e.address)) {
                e.addressV6 = address->v6;
                if (auto mask = i < k->subnets.size() ? maskFor(*address, k->subnets[i]) : std::nullopt) {
                    Address subnet = *address;
                    for (std::size_t x = 0; x < subnet.bytes.size(); ++x) subnet.bytes[x] &= mask->bytes[x];
                    e.mask = formatAddress(*mask);
                    e.subnet = formatAddress(subnet);
                }
                for (const std::string& g : k->gateways)
                    if (auto gw = parseAddress(g); gw && gw->v6 == address->v6) {
                        e.gateway = g;
                        break;
                    }
                if (!address->v6 && k->dhcp) e.dhcpServer = k->dhcpServer;
            }
            b.m.networks.push_back(std::move(e));
        }
    });
    // The machine's address, gateway and name servers: those of the adapter
    // that holds the default route.
    if (const IpConfig* k = routed ? routed : addressed) {
        b.m.hardware.ipAddress = IpConfig::preferring(k->addresses, false);
        b.m.hardware.defaultGateway = IpConfig::preferring(k->gateways, false);
        for (const std::string& d : k->dns) b.m.hardware.dns += (b.m.hardware.dns.empty() ? "" : "/") + d;
    }
}

void videos(Build& b) {
    b.r.each("Select * from Win32_VideoController", [&](const Object& o) {
        model::Video v;
        v.name = firstOf(o, {"Name", "Caption", "Description"});
        v.chipset = text(o, "VideoProcessor");
        v.memoryMb = megabytes(number(o, "AdapterRAM"));
        const auto w = number(o, "CurrentHorizontalResolution"), h = number(o, "CurrentVerticalResolution");
        if (w && h && *w && *h) v.resolution = std::to_string(*w) + "x" + std::to_string(*h);
        v.driverVersion = text(o, "DriverVersion");
        b.m.videos.push_back(std::move(v));
    });
}

void sounds(Build& b) {
    b.r.each("Select * from Win32_SoundDevice", [&](const Object& o) {
        b.m.sounds.push_back({firstOf(o, {"Name", "Caption", "ProductName"}), text(o, "Manufacturer"),
                              firstOf(o, {"ProductName", "Description"})});
    });
}

void inputs(Build& b) {
    b.r.each("Select * from Win32_Keyboard", [&](const Object& o) {
        model::Input in;
        in.type = "Keyboard";
        in.caption = text(o, "Caption");
        in.description = text(o, "Description");
        in.bus = busOf(text(o, "PNPDeviceID"));
        b.m.inputs.push_back(std::move(in));
    });
    b.r.each("Select * from Win32_PointingDevice", [&](const Object& o) {
        model::Input in;
        in.type = "Pointing";
        in.caption = firstOf(o, {"Name", "Caption"});
        in.description = text(o, "Description");
        in.maker = text(o, "Manufacturer");
        in.pointType = named(number(o, "PointingType"), kPointingTypes);
        in.bus = named(number(o, "DeviceInterface"), kInterfaces);
        if (in.bus.empty() || in.bus == "Unknown" || in.bus == "Other") in.bus = busOf(text(o, "PNPDeviceID"));
        b.m.inputs.push_back(std::move(in));
    });
}

void modems(Build& b) {
    b.r.each("Select * from Win32_POTSModem", [&](const Object& o) {
        b.m.modems.push_back({text(o, "Name"), text(o, "Model"), text(o, "Description"), text(o, "DeviceType")});
    });
}

void slots(Build& b) {
    b.r.each("Select * from Win32_SystemSlot", [&](const Object& o) {
        b.m.slots.push_back({text(o, "SlotDesignation"), text(o, "Description"), text(o, "Tag"),
                             named(number(o, "CurrentUsage"), kSlotUsage)});
    });
}

void controllers(Build& b) {
    b.r.each("SELECT * FROM Win32_PnPSignedDriver WHERE (Location LIKE '%PCI%') OR DeviceClass='USB' OR "
             "DeviceClass='HDC'",
             [&](const Object& o) {
                 model::Controller c;
                 c.name = text(o, "DeviceName");
                 if (c.name.empty()) return;
                 c.maker = text(o, "Manufacturer");
                 c.type = text(o, "DeviceClass");
                 c.caption = text(o, b.system.controllerCaption);
                 c.description = text(o, "Description");
                 c.version = text(o, b.system.controllerVersion);
                 c.driver = text(o, "DriverName");
                 const std::string id = text(o, "DeviceID");
                 if (wmi::text::lower(id).rfind("pci\\", 0) == 0) {
                     c.vendorId = idPart(id, "VEN_");
                     c.productId = idPart(id, "DEV_");
                     c.pciClass = text(o, "PCIClass");  // Linux gives it; Windows' ids may carry it
                     if (c.pciClass.empty()) c.pciClass = idPart(text(o, "HardWareID") + text(o, "CompatID"), "CC_");
                 }
                 b.m.controllers.push_back(std::move(c));
             });
}

void softwares(Build& b) {
    b.r.each("Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'", [&](const Object& o) {
        model::Software s;
        s.name = text(o, "HotFixID");
        if (s.name.empty()) return;
        s.comments = text(o, "Description");
        s.installDate = usWhen(text(o, "InstalledOn"));
        s.folder = text(o, "Caption");
        b.m.softwares.push_back(std::move(s));
    });
    // Installed programs. Besides the class's own properties, what the
    // registry's uninstall entries or dpkg add: the date, the size in KB
    // and the architecture.
    b.r.each("Select * from Win32_InstalledWin32Program", [&](const Object& o) {
        model::Software s;
        s.name = text(o, "Name");
        if (trimmed(s.name).empty()) return;
        s.version = text(o, "Version");
        s.publisher = text(o, "Vendor");
        s.language = text(o, "Language");
        s.guid = text(o, "MsiProductCode");
        s.comments = text(o, "Description");
        s.installDate = installWhen(text(o, "InstallDate"));
        if (const auto kb = number(o, "EstimatedSize"); kb && *kb < (1u << 21)) s.sizeBytes = *kb * 1024;  // 32 bits
        s.arch = text(o, "Architecture");
        b.m.softwares.push_back(std::move(s));
    });
}

// ---- the assets: monitors, printers, USB devices, batteries, enclosure ----

// The pnp.ids database of the machine that builds the inventory (Debian's
// hwdata); empty where there is none.
const std::string& pnpIds() {
    static const std::string db = [] {
        const char* path = "/usr/share/hwdata/pnp.ids";
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) return std::string();
        std::ifstream in(path, std::ios::binary);
        std::string out(1u << 20, '\0');
        in.read(out.data(), static_cast<std::streamsize>(out.size()));
        out.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        return out;
    }();
    return db;
}

void monitors(Build& b) {
    b.r.each("SELECT * FROM Tallyquest_MonitorEDID", [&](const Object& o) {
        const auto raw = edid::fromHex(text(o, "EDID"));
        const auto e = raw ? edid::parse(*raw) : std::nullopt;
        if (!e || e->maker.empty()) return;
        model::Monitor m;
        m.maker = edid::pnpName(pnpIds(), e->maker).value_or(edid::commonMaker(e->maker).value_or(e->maker));
        m.model = e->model();
        m.description = e->week ? std::to_string(e->week) + "/" + std::to_string(e->year) : std::to_string(e->year);
        m.serial = e->serial();
        m.altSerial = e->altSerial();
        m.port = text(o, "Port");
        m.base64 = edid::base64(*raw);
        b.m.monitors.push_back(std::move(m));
    });
}

constexpr std::pair<int, const char*> kPrinterStatus[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "Idle"}, {4, "Printing"}, {5, "Warmup"}, {6, "Stopped Printing"}, {7, "Offline"},
};

void printers(Build& b) {
    b.r.each("SELECT * FROM Win32_Printer", [&](const Object& o) {
        model::Printer p;
        p.name = text(o, "Name");
        if (trimmed(p.name).empty()) return;
        p.driver = text(o, "DriverName");
        p.port = text(o, "PortName");
        p.description = text(o, "Location");
        p.comment = text(o, "Comment");
        p.shareName = text(o, "ShareName");
        p.serverName = text(o, "ServerName");
        p.status = named(number(o, "PrinterStatus"), kPrinterStatus);
        p.shared = flag(o, "Shared");
        p.network = flag(o, "Network");
        b.m.printers.push_back(std::move(p));
    });
}

// USB class codes as the class's name.
// clang-format off
constexpr std::pair<int, const char*> kUsbClasses[] = {
    {0x01, "Audio"},          {0x02, "Communications"},  {0x03, "Human Interface Device"},
    {0x05, "Physical"},       {0x06, "Image"},           {0x07, "Printer"},
    {0x08, "Mass Storage"},   {0x09, "Hub"},             {0x0A, "CDC Data"},
    {0x0B, "Smart Card"},     {0x0D, "Content Security"}, {0x0E, "Video"},
    {0x0F, "Personal Healthcare"}, {0x10, "Audio/Video"}, {0x11, "Billboard"},
    {0xDC, "Diagnostic"},     {0xE0, "Wireless"},        {0xEF, "Miscellaneous"},
    {0xFE, "Application Specific"}, {0xFF, "Vendor Specific"},
};
// clang-format on

// The hex digits after `key` in an identifier ("Class_03" -> "03"), upper case; "" when not there.
std::string hexAfter(std::string_view id, std::string_view key, std::size_t n) {
    const std::string up = ascii::upper(id), k = ascii::upper(key);
    const auto at = up.find(k);
    if (at == std::string::npos || at + k.size() + n > up.size()) return {};
    const std::string v = up.substr(at + k.size(), n);
    return v.find_first_not_of("0123456789ABCDEF") == std::string::npos ? v : std::string();
}

void usbDevices(Build& b) {
    b.r.each("SELECT * FROM Win32_PnPEntity", [&](const Object& o) {
        const std::string id = text(o, "DeviceID");
        const std::string low = wmi::text::lower(id);
        // Devices, not their interfaces; hubs and root hubs left out.
        if (low.rfind("usb\\vid_", 0) != 0 || low.find("&mi_") != std::string::npos) return;
        const std::vector<std::string> compat = texts(o, "CompatibleID");
        std::string usbClass, subclass;
        for (const std::string& c : compat)
            if (usbClass.empty() && !hexAfter(c, "Class_", 2).empty()) {
                usbClass = hexAfter(c, "Class_", 2);
                subclass = hexAfter(c, "SubClass_", 2);
            }
        const std::string service = wmi::text::lower(text(o, "Service"));
        if (usbClass == "09" || service == "usbhub" || service == "usbhub3" || service == "hub") return;
        model::UsbDevice u;
        u.name = text(o, "Name");
        u.maker = text(o, "Manufacturer");
        if (!u.maker.empty() && u.maker.front() == '(') u.maker.clear();  // "(Standard USB Host Controller)"
        u.vendorId = hexAfter(id, "VID_", 4);
        u.productId = hexAfter(id, "PID_", 4);
        // The instance part is the device's serial when it is not one Windows made up.
        const std::string instance = id.substr(id.rfind('\\') + 1);
        if (instance.find('&') == std::string::npos && instance.size() < 128) u.serial = instance;
        u.usbClass = usbClass;
        u.subclass = subclass;
        if (!usbClass.empty()) u.className = named(model::Number(std::stoul(usbClass, nullptr, 16)), kUsbClasses);
        b.m.usbDevices.push_back(std::move(u));
    });
}

constexpr std::pair<int, const char*> kChemistries[] = {
    {1, "Other"},       {2, "Unknown"},  {3, "Lead Acid"},       {4, "Nickel Cadmium"}, {5, "Nickel Metal Hydride"},
    {6, "Lithium-ion"}, {7, "Zinc air"}, {8, "Lithium Polymer"},
};

void batteries(Build& b) {
    // The firmware's batteries (SMBIOS type 22) first; the system's own
    // (Win32_Battery, the kernel's) add the full-charge capacity and fill
    // what the firmware leaves out, taken in the same order.
    std::vector<model::Battery> firmware, system;
    auto read = [&](const Object& o, std::vector<model::Battery>& into) {
        model::Battery x;
        x.name = text(o, "Name");
        x.maker = text(o, "Manufacturer");
        x.serial = text(o, "SerialNumber");
        x.chemistry = named(number(o, "Chemistry"), kChemistries);
        if (x.chemistry == "Unknown" || x.chemistry == "Other") x.chemistry.clear();
        x.location = text(o, "Location");
        x.sbdsVersion = text(o, "SmartBatteryVersion");
        x.date = usWhen(text(o, "ManufactureDate"));
        x.designCapacity = number(o, "DesignCapacity");
        x.fullCapacity = number(o, "FullChargeCapacity");
        x.voltage = number(o, "DesignVoltage");
        x.maxError = number(o, "MaxBatteryError");
        into.push_back(std::move(x));
    };
    b.r.each("SELECT * FROM Win32_PortableBattery", [&](const Object& o) { read(o, firmware); });
    b.r.each("SELECT * FROM Win32_Battery", [&](const Object& o) { read(o, system); });
    std::vector<model::Battery>& out = firmware.empty() ? system : firmware;
    if (!firmware.empty())
        for (std::size_t i = 0; i < firmware.size() && i < system.size(); ++i) {
            model::Battery& f = firmware[i];
            const model::Battery& s = system[i];
            if (f.name.empty()) f.name = s.name;
            if (f.maker.empty()) f.maker = s.maker;
            if (f.serial.empty()) f.serial = s.serial;
            if (f.chemistry.empty()) f.chemistry = s.chemistry;
            if (!f.date.known()) f.date = s.date;
            if (!f.designCapacity) f.designCapacity = s.designCapacity;
            if (!f.voltage) f.voltage = s.voltage;
            f.fullCapacity = s.fullCapacity;
        }
    for (model::Battery& x : out) b.m.batteries.push_back(std::move(x));
}

void enclosure(Build& b) {
    b.r.first("SELECT * FROM Win32_SystemEnclosure", [&](const Object& o) {
        // The first type the enclosure names (an array of numbers).
        if (const Value* v = o.find("ChassisTypes"); v && v->isOther()) {
            const auto j = nlohmann::json::parse(v->rawText(), nullptr, false);
            if (j.is_array() && !j.empty() && j.front().is_number_unsigned())
                b.m.bios.type = chassisName(static_cast<unsigned>(j.front().get<std::uint64_t>() & 0xFF));
        } else if (auto n = number(o, "ChassisTypes")) {
            b.m.bios.type = chassisName(static_cast<unsigned>(*n & 0xFF));
        }
        const std::string tag = shown(text(o, "SMBIOSAssetTag"));
        if (!placeholderTag(tag)) b.m.bios.assetTag = tag;
    });
}

// When the user the machine names last logged on, from the login profiles.
void lastLogon(Build& b) {
    const std::string user = wmi::text::lower(b.m.hardware.userId);
    if (user.empty()) return;
    b.r.each("SELECT * FROM Win32_NetworkLoginProfile", [&](const Object& o) {
        if (wmi::text::lower(text(o, "Name")) == user) b.m.hardware.lastLogon = cimWhen(text(o, "LastLogon"));
    });
}

// The paging files' size, where the system lists them.
void swap(Build& b) {
    model::Number total;
    b.r.each("SELECT * FROM Win32_PageFileUsage", [&](const Object& o) {
        if (auto mb = number(o, "AllocatedBaseSize")) total = total.value_or(0) + *mb;
    });
    if (total) b.m.hardware.swapMb = total;
}

}  // namespace

model::Inventory buildInventory(wmi::Run& run, const InventoryOptions& options) {
    model::Inventory m;
    Reader r(run);
    // A Linux machine (the provider marks its system so, and so does a
    // snapshot of one) is described as the server's Linux agents describe it.
    const Profile* system = &kWindows;
    r.first("Select * from Win32_OperatingSystem", [&](const Object& os) {
        if (number(os, "OSType") == 36u) system = &kLinux;
    });
    Build b{r, *system, m};
    operatingSystem(b);
    computerSystem(b, options);
    bios(b);
    cpus(b);
    memories(b);
    storages(b);
    drives(b);
    networks(b);
    videos(b);
    sounds(b);
    inputs(b);
    modems(b);
    slots(b);
    controllers(b);
    softwares(b);
    monitors(b);
    printers(b);
    usbDevices(b);
    batteries(b);
    enclosure(b);
    lastLogon(b);
    swap(b);
    m.tag = options.tag.empty() ? options.designation : options.tag;
    return m;
}

}  // namespace tq::ocs
