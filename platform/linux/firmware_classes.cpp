// The classes that the firmware's SMBIOS table describes: BIOS, product,
// board, system, memory, slots, on-board devices, and the processor.
#include <algorithm>
#include <cmath>
#include <set>

#include <initializer_list>

#include "platform/linux/machine.h"

namespace tq::linuxprov {

using namespace smbios;

namespace {

std::optional<std::string> str(const smbios::Structure* s, std::size_t off) {
    if (!s) return std::nullopt;
    return s->string(off);
}

// The ACPI OEM identity that Windows shows as the BIOS version ("ALASKA - 1072009").
std::optional<std::string> acpiOemVersion(Machine& m) {
    auto t = m.fs.read("/sys/firmware/acpi/tables/FACP", 64);
    if (!t || t->size() < 28) return std::nullopt;
    std::string oem = trim(cleanText(t->substr(10, 6)));
    if (oem.empty()) return std::nullopt;
    std::uint32_t rev = 0;
    for (int i = 0; i < 4; ++i) rev |= static_cast<std::uint32_t>(static_cast<unsigned char>((*t)[24 + i])) << (8 * i);
    return oem + " - " + hex(rev, 1);
}

std::string hostnameUpper(Machine& m) {
    std::string h = m.hostname();
    auto dot = h.find('.');
    return upper(h.substr(0, dot));
}

}  // namespace

Objects buildBios(Machine& m) {
    const auto& t = m.smbios();
    const auto* s0 = t.first(BiosInformation::kType);
    Props p;
    std::optional<std::string> vendor, version, date;
    if (s0) {
        vendor = s0->string(BiosInformation::Vendor);
        version = s0->string(BiosInformation::BiosVersion);
        date = s0->string(BiosInformation::BiosReleaseDate);
    } else {
        vendor = m.dmiId("bios_vendor");
        version = m.dmiId("bios_version");
        date = m.dmiId("bios_date");
    }
    if (!vendor && !version && !date) return {};
    p.text("Manufacturer", vendor);
    p.text("Name", version);
    p.text("Caption", version);
    p.text("Description", version);
    p.text("SMBIOSBIOSVersion", version);
    p.text("SoftwareElementID", version);
    p.text("Version", acpiOemVersion(m));
    if (date) p.text("ReleaseDate", smbios::releaseDate(*date));
    // Windows gives the system's serial number as the BIOS's.
    p.text("SerialNumber", str(t.first(SystemInformation::kType), SystemInformation::SerialNumber));
    if (s0) {
        p.boolean("SMBIOSPresent", true);
        if (t.major) {
            p.uint("SMBIOSMajorVersion", t.major);
            p.uint("SMBIOSMinorVersion", t.minor);
        }
        using namespace BiosInformation;
        auto maj = s0->byte(SystemBiosMajorRelease), min = s0->byte(SystemBiosMinorRelease);
        if (maj && min && *maj != 0xFF) {
            p.uint("SystemBiosMajorVersion", *maj);
            p.uint("SystemBiosMinorVersion", *min);
        }
        auto ecMaj = s0->byte(EmbeddedControllerFirmwareMajorRelease),
             ecMin = s0->byte(EmbeddedControllerFirmwareMinorRelease);
        if (ecMaj && ecMin && *ecMaj != 0xFF) {
            p.uint("EmbeddedControllerMajorVersion", *ecMaj);
            p.uint("EmbeddedControllerMinorVersion", *ecMin);
        }
    } else if (auto rel = m.dmiId("bios_release")) {
        auto parts = split(*rel, '.');
        if (parts.size() == 2) {
            p.uint("SystemBiosMajorVersion", parseNumber(parts[0], 10));
            p.uint("SystemBiosMinorVersion", parseNumber(parts[1], 10));
        }
    }
    p.boolean("PrimaryBIOS", true);
    p.text("Status", "OK");
    p.uint("SoftwareElementState", 3);
    p.uint("TargetOperatingSystem", 0);
    return {p};
}

Objects buildComputerSystemProduct(Machine& m) {
    const auto& t = m.smbios();
    const auto* s1 = t.first(SystemInformation::kType);
    Props p;
    std::optional<std::string> name, vendor, version, serial, uuid, sku;
    if (s1) {
        using namespace SystemInformation;
        vendor = s1->string(Manufacturer);
        name = s1->string(ProductName);
        version = s1->string(Version);
        serial = s1->string(SerialNumber);
        uuid = smbios::uuid(*s1, t);
        sku = s1->string(SkuNumber);
    } else {
        vendor = m.dmiId("sys_vendor");
        name = m.dmiId("product_name");
        version = m.dmiId("product_version");
        serial = m.dmiId("product_serial");
        if (auto u = m.dmiId("product_uuid")) uuid = upper(*u);
        sku = m.dmiId("product_sku");
    }
    if (!name && !vendor) return {};
    p.text("Caption", "Computer System Product");
    p.text("Description", "Computer System Product");
    p.text("IdentifyingNumber", serial);
    p.text("Name", name);
    p.text("SKUNumber", sku);
    p.text("UUID", uuid);
    p.text("Vendor", vendor);
    p.text("Version", version);
    return {p};
}

Objects buildBaseBoard(Machine& m) {
    const auto& t = m.smbios();
    Objects out;
    auto boards = t.ofType(BaseboardInformation::kType);
    auto fill = [](Props& p, std::optional<std::string> maker, std::optional<std::string> product,
                   std::optional<std::string> version, std::optional<std::string> serial) {
        p.text("Caption", "Base Board");
        p.text("CreationClassName", "Win32_BaseBoard");
        p.text("Description", "Base Board");
        p.boolean("HostingBoard", true);
        p.text("Manufacturer", maker);
        p.text("Name", "Base Board");
        p.boolean("PoweredOn", true);
        p.text("Product", product);
        p.text("SerialNumber", serial);
        p.text("Status", "OK");
        p.text("Tag", "Base Board");
        p.text("Version", version);
    };
    for (const auto* b : boards) {
        using namespace BaseboardInformation;
        Props p;
        fill(p, b->string(Manufacturer), b->string(Product), b->string(Version), b->string(SerialNumber));
        if (auto f = b->byte(FeatureFlags)) {
            p.boolean("HostingBoard", (*f & kHostingBoard) != 0);
            p.boolean("Removable", (*f & kRemovable) != 0);
            p.boolean("Replaceable", (*f & kReplaceable) != 0);
            p.boolean("HotSwappable", (*f & kHotSwappable) != 0);
        }
        out.push_back(std::move(p));
        break;  // Windows reports the main board only
    }
    if (out.empty() && t.structures.empty()) {
        auto maker = m.dmiId("board_vendor"), product = m.dmiId("board_name");
        if (maker || product) {
            Props p;
            fill(p, maker, product, m.dmiId("board_version"), m.dmiId("board_serial"));
            out.push_back(std::move(p));
        }
    }
    return out;
}

Objects buildComputerSystem(Machine& m) {
    const auto& t = m.smbios();
    Props p;
    std::string name = hostnameUpper(m);
    std::optional<std::string> maker, model, family, sku;
    std::optional<std::uint64_t> chassis;
    if (const auto* s1 = t.first(SystemInformation::kType)) {
        using namespace SystemInformation;
        maker = s1->string(Manufacturer);
        model = s1->string(ProductName);
        sku = s1->string(SkuNumber);
        family = s1->string(Family);
    } else if (t.structures.empty()) {
        maker = m.dmiId("sys_vendor");
        model = m.dmiId("product_name");
        family = m.dmiId("product_family");
        sku = m.dmiId("product_sku");
    }
    if (const auto* s3 = t.first(SystemEnclosure::kType)) {
        if (auto c = s3->byte(SystemEnclosure::Type)) chassis = *c & 0x7Fu;  // without the lock bit
    } else if (t.structures.empty()) {
        if (auto c = m.dmiId("chassis_type")) chassis = parseNumber(*c, 10);
    }
    p.text("Caption", name);
    p.text("CreationClassName", "Win32_ComputerSystem");
    p.text("Description", "AT/AT COMPATIBLE");
    p.text("DNSHostName", m.hostname());
    p.text("Domain", "WORKGROUP");
    p.text("Manufacturer", maker);
    p.text("Model", model);
    p.text("Name", name);
    const auto& cpus = m.cpus();
    if (!cpus.empty()) {
        std::set<int> packages;
        for (const auto& c : cpus) packages.insert(c.package);
        p.uint("NumberOfProcessors", packages.size());
        p.uint("NumberOfLogicalProcessors", cpus.size());
    }
    p.boolean("PartOfDomain", false);
    if (chassis) {
        // Chassis type to the PC system type: 1 desktop, 2 mobile, 3 workstation, 4 server.
        static const std::set<std::uint64_t> mobile = {8, 9, 10, 11, 14, 30, 31, 32};
        static const std::set<std::uint64_t> server = {17, 23, 25, 28, 29};
        p.uint("PCSystemType", mobile.count(*chassis) ? 2 : server.count(*chassis) ? 4 : 1);
    }
    p.text("Status", "OK");
    p.text("SystemFamily", family);
    p.text("SystemSKUNumber", sku);
    std::string arch = m.fs.live() ? std::string() : std::string();
    p.text("SystemType", "x64-based PC");
    if (auto mem = m.fs.read("/proc/meminfo", 64 * 1024)) {
        for (const auto& l : split(*mem, '\n')) {
            if (!startsWith(l, "MemTotal:")) continue;
            auto f = split(trim(l.substr(9)), ' ');
            if (auto kb = parseNumber(f[0], 10); kb && *kb < (1ull << 50)) p.uint64("TotalPhysicalMemory", *kb * 1024);
        }
    }
    // The user of the latest login, as the service names the user logged on.
    if (auto login = lastLogin(m)) p.text("UserName", login->user);
    p.text("Workgroup", "WORKGROUP");
    return {p};
}

namespace {

// The SMBIOS code of a name as udev writes it (from the same table), by its
// place in the SMBIOS reference's list: 1 is the first.
std::optional<std::uint64_t> codeOf(const std::string& name, std::initializer_list<std::string_view> names) {
    std::uint64_t code = 1;
    for (std::string_view n : names) {
        if (n == name) return code;
        ++code;
    }
    return std::nullopt;
}

// The memory modules from udev's record of the table, for a user who may
// not read the table itself.
Objects physicalMemoryFromUdev(Machine& m) {
    Objects out;
    int index = 0;
    for (auto& d : m.udevMemoryDevices()) {
        auto field = [&](const char* name) -> std::optional<std::string> {
            auto it = d.find(name);
            if (it == d.end() || it->second.empty()) return std::nullopt;
            return it->second;
        };
        auto number = [&](const char* name) -> std::optional<std::uint64_t> {
            auto f = field(name);
            return f ? parseNumber(*f, 10) : std::nullopt;
        };
        Props p;
        p.text("BankLabel", field("BANK_LOCATOR"));
        p.uint64("Capacity", number("SIZE"));
        p.text("Caption", "Physical Memory");
        p.text("CreationClassName", "Win32_PhysicalMemory");
        p.uint("DataWidth", number("DATA_WIDTH"));
        p.text("Description", "Physical Memory");
        p.text("DeviceLocator", field("LOCATOR"));
        if (auto f =
                codeOf(d["FORM_FACTOR"], {"Other", "Unknown", "SIMM", "SIP", "Chip", "DIP", "ZIP", "Proprietary Card",
                                          "DIMM", "TSOP", "Row Of Chips", "RIMM", "SODIMM", "SRIMM", "FB-DIMM", "Die"}))
            p.uint("FormFactor", smbios::cimFormFactor(static_cast<int>(*f)));
        p.text("Manufacturer", field("MANUFACTURER"));
        // clang-format off
        if (auto t = codeOf(d["TYPE"], {"Other", "Unknown", "DRAM", "EDRAM", "VRAM", "SRAM", "RAM", "ROM", "Flash",
                                        "EEPROM", "FEPROM", "EPROM", "CDRAM", "3DRAM", "SDRAM", "SGRAM", "RDRAM",
                                        "DDR", "DDR2", "DDR2 FB-DIMM", "Reserved", "Reserved", "Reserved", "DDR3",
                                        "FBD2", "DDR4", "LPDDR", "LPDDR2", "LPDDR3", "LPDDR4",
                                        "Logical non-volatile device", "HBM", "HBM2", "DDR5", "LPDDR5", "HBM3"})) {
            p.uint("MemoryType", smbios::cimMemoryType(static_cast<int>(*t)));
            p.uint("SMBIOSMemoryType", *t);
        }
        // clang-format on
        p.text("Name", "Physical Memory");
        p.text("PartNumber", field("PART_NUMBER"));
        p.text("SerialNumber", field("SERIAL_NUMBER"));
        p.uint("Speed", number("SPEED_MTS"));
        p.uint("ConfiguredClockSpeed", number("CONFIGURED_SPEED_MTS"));
        if (auto rank = number("RANK")) p.uint("Attributes", *rank & 0x0F);
        p.text("Tag", "Physical Memory " + std::to_string(index++));
        p.uint("TotalWidth", number("TOTAL_WIDTH"));
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace

Objects buildPhysicalMemory(Machine& m) {
    const auto& t = m.smbios();
    if (t.structures.empty() && m.smbiosDenied()) return physicalMemoryFromUdev(m);
    Objects out;
    int index = 0;
    for (const auto* s : t.ofType(MemoryDevice::kType)) {
        using namespace MemoryDevice;
        auto size = smbios::memorySize(*s);
        if (!size) continue;  // an empty slot
        Props p;
        p.text("BankLabel", s->string(BankLocator));
        p.uint64("Capacity", *size);
        p.text("Caption", "Physical Memory");
        p.text("CreationClassName", "Win32_PhysicalMemory");
        if (auto w = s->word(DataWidth); w && *w != 0xFFFF) p.uint("DataWidth", *w);
        p.text("Description", "Physical Memory");
        p.text("DeviceLocator", s->string(DeviceLocator));
        if (auto f = s->byte(FormFactor)) p.uint("FormFactor", smbios::cimFormFactor(*f));
        p.text("Manufacturer", s->string(Manufacturer));
        if (auto mt = s->byte(MemoryType)) {
            p.uint("MemoryType", smbios::cimMemoryType(*mt));
            p.uint("SMBIOSMemoryType", *mt);
        }
        p.text("Name", "Physical Memory");
        p.text("PartNumber", s->string(PartNumber));
        p.text("SerialNumber", s->string(SerialNumber));
        std::optional<std::uint64_t> speed;
        if (auto sp = s->word(Speed)) {
            if (*sp == 0xFFFF) {
                if (auto ext = s->dword(ExtendedSpeed)) speed = *ext & 0x7FFFFFFFu;
            } else if (*sp) {
                speed = *sp;
            }
        }
        p.uint("Speed", speed);
        if (auto cs = s->word(ConfiguredMemorySpeed)) {
            if (*cs == 0xFFFF) {
                if (auto ext = s->dword(ExtendedConfiguredMemorySpeed))
                    p.uint("ConfiguredClockSpeed", *ext & 0x7FFFFFFFu);
            } else {
                p.uint("ConfiguredClockSpeed", *cs);
            }
        }
        if (auto a = s->byte(Attributes)) p.uint("Attributes", *a & 0x0F);  // the rank
        if (auto v = s->word(MinimumVoltage)) p.uint("MinVoltage", *v);
        if (auto v = s->word(MaximumVoltage)) p.uint("MaxVoltage", *v);
        if (auto v = s->word(ConfiguredVoltage)) p.uint("ConfiguredVoltage", *v);
        p.text("Tag", "Physical Memory " + std::to_string(index++));
        if (auto w = s->word(TotalWidth); w && *w != 0xFFFF) p.uint("TotalWidth", *w);
        if (auto td = s->word(TypeDetail)) p.uint("TypeDetail", *td);
        out.push_back(std::move(p));
    }
    return out;
}

Objects buildSystemSlots(Machine& m) {
    Objects out;
    int index = 0;
    for (const auto* s : m.smbios().ofType(SystemSlots::kType)) {
        using namespace SystemSlots;
        Props p;
        p.text("Caption", "System Slot");
        p.text("CreationClassName", "Win32_SystemSlot");
        if (auto u = s->byte(CurrentUsage)) p.uint("CurrentUsage", *u);
        p.text("Description", "System Slot");
        // 8 to 128 bits (3 to 7) as 0 to 4.
        if (auto w = s->byte(SlotDataBusWidth); w && *w >= 3 && *w <= 7) p.uint("MaxDataWidth", *w - 3u);
        p.text("Name", "System Slot");
        if (auto n = s->word(SlotId)) p.uint("Number", *n);
        if (auto c2 = s->byte(SlotCharacteristics2)) {
            p.boolean("PMESignal", (*c2 & kPmeSignal) != 0);
            p.boolean("SupportsHotPlug", (*c2 & kHotPlugDevices) != 0);
        }
        if (auto seg = s->word(SegmentGroupNumber); seg && *seg != 0xFFFF) p.uint("SegmentGroupNumber", *seg);
        if (auto bus = s->byte(BusNumber); bus && *bus != 0xFF) {
            p.uint("BusNumber", *bus);
            if (auto df = s->byte(DeviceFunctionNumber); df && *df != 0xFF) {
                p.uint("DeviceNumber", *df >> 3);
                p.uint("FunctionNumber", *df & 7u);
            }
        }
        p.text("SlotDesignation", s->string(SlotDesignation));
        p.text("Status", "OK");
        p.text("Tag", "System Slot " + std::to_string(index++));
        out.push_back(std::move(p));
    }
    return out;
}

Objects buildOnBoardDevices(Machine& m) {
    Objects out;
    int index = 0;
    auto add = [&](std::uint8_t type, std::optional<std::string> desc) {
        Props p;
        p.text("Caption", desc ? *desc : std::string("On Board Device"));
        p.text("CreationClassName", "Win32_OnBoardDevice");
        p.text("Description", desc);
        p.uint("DeviceType", type & 0x7Fu);  // without the status bit
        p.boolean("Enabled", (type & kDeviceEnabled) != 0);
        p.boolean("HotSwappable", false);
        p.text("Name", "On Board Device");
        p.text("Tag", "On Board Device " + std::to_string(index++));
        out.push_back(std::move(p));
    };
    for (const auto& s : m.smbios().structures) {
        if (s.type == OnBoardDevicesInformation::kType) {
            using namespace OnBoardDevicesInformation;
            std::size_t count = (s.length() - Header::kSize) / kDeviceSize;
            for (std::size_t i = 0; i < count; ++i) {
                auto type = s.byte(DeviceType + kDeviceSize * i);
                if (type) add(*type, s.string(DescriptionString + kDeviceSize * i));
            }
        } else if (s.type == OnboardDevicesExtendedInformation::kType) {
            using namespace OnboardDevicesExtendedInformation;
            auto type = s.byte(DeviceType);
            if (type) add(*type, s.string(ReferenceDesignation));
        }
    }
    return out;
}

// ---- processors ----

namespace {

// Sum of the distinct caches of one level across the CPUs of a package, in KB.
std::optional<std::uint64_t> cacheSize(Machine& m, const std::vector<const Cpu*>& cpus, int level) {
    std::set<std::string> seen;
    std::uint64_t total = 0;
    bool any = false;
    for (const auto* c : cpus) {
        std::string base = "/sys/devices/system/cpu/cpu" + std::to_string(c->cpuIndex) + "/cache";
        for (const auto& idx : m.fs.list(base)) {
            if (!startsWith(idx, "index")) continue;
            std::string d = base + "/" + idx;
            if (m.fs.number(d + "/level", 10).value_or(0) != static_cast<std::uint64_t>(level)) continue;
            std::string type = m.fs.line(d + "/type");
            if (type == "Instruction") continue;
            std::string shared = m.fs.line(d + "/shared_cpu_list");
            std::string key = shared.empty() ? d : type + ":" + shared;
            if (!seen.insert(key).second) continue;
            std::string size = m.fs.line(d + "/size");
            if (size.empty()) continue;
            std::uint64_t mult = 1;
            char unit = size.back();
            if (unit == 'K') size.pop_back();
            else if (unit == 'M') {
                size.pop_back();
                mult = 1024;
            }
            if (auto v = parseNumber(size, 10)) {
                total += *v * mult;
                any = true;
            }
        }
    }
    if (!any) return std::nullopt;
    return total;
}

// The cache size of a type 7 structure, in KB.
std::optional<std::uint64_t> smbiosCache(const smbios::Table& t, std::optional<std::uint16_t> handle) {
    if (!handle || *handle == 0xFFFF) return std::nullopt;
    const auto* c = t.byHandle(*handle);
    if (!c || c->type != CacheInformation::kType) return std::nullopt;
    // Bit 15 (bit 31 of the second form) counts in 64 KB units, else 1 KB.
    auto w = c->word(CacheInformation::InstalledSize);
    if (!w) return std::nullopt;
    if (*w == 0xFFFF) {
        auto d = c->dword(CacheInformation::InstalledCacheSize2);
        if (!d) return std::nullopt;
        std::uint64_t v = *d & 0x7FFFFFFFu;
        return (*d & 0x80000000u) ? v * 64 : v;
    }
    std::uint64_t v = *w & 0x7FFFu;
    return (*w & 0x8000u) ? v * 64 : v;
}

std::optional<std::uint64_t> brandClock(const std::string& name) {
    // "... @ 3.60GHz"
    auto at = name.rfind('@');
    if (at == std::string::npos) return std::nullopt;
    std::string s = trim(name.substr(at + 1));
    auto g = s.find("GHz");
    if (g == std::string::npos) return std::nullopt;
    s = s.substr(0, g);
    auto dot = s.find('.');
    auto whole = parseNumber(s.substr(0, dot), 10);
    if (!whole) return std::nullopt;
    std::uint64_t mhz = *whole * 1000;
    if (dot != std::string::npos) {
        std::string frac = s.substr(dot + 1);
        if (frac.size() > 3) frac.resize(3);
        while (frac.size() < 3) frac.push_back('0');
        auto f = parseNumber(frac, 10);
        if (!f) return std::nullopt;
        mhz += *f;
    }
    return mhz;
}

// Without /proc/cpuinfo: the populated sockets of the firmware table.
Objects processorsFromFirmware(const smbios::Table& t, const std::vector<const smbios::Structure*>& sockets,
                               const std::string& host) {
    Objects out;
    int n = 0;
    for (const auto* s4 : sockets) {
        using namespace ProcessorInformation;
        Props p;
        p.uint("AddressWidth", 64);
        p.uint("Architecture", 9);
        std::optional<std::string> desc;
        auto maker = s4->string(ProcessorManufacturer);
        auto eax = s4->dword(ProcessorId), edx = s4->dword(ProcessorIdFeatureFlags);
        if (eax && *eax && maker) {
            unsigned step = *eax & 0xF, model = (*eax >> 4) & 0xF, fam = (*eax >> 8) & 0xF;
            if (fam == 0xF) fam += (*eax >> 20) & 0xFF;
            if (fam == 6 || fam >= 0xF) model += ((*eax >> 16) & 0xF) << 4;
            std::string arch =
                maker->find("Intel") != std::string::npos ? "Intel64"
                : (maker->find("AMD") != std::string::npos || maker->find("Advanced Micro") != std::string::npos)
                    ? "AMD64"
                    : std::string();
            if (!arch.empty())
                desc = arch + " Family " + std::to_string(fam) + " Model " + std::to_string(model) + " Stepping " +
                       std::to_string(step);
        }
        p.text("Caption", desc);
        p.text("CreationClassName", "Win32_Processor");
        if (auto cs = s4->word(CurrentSpeed); cs && *cs) p.uint("CurrentClockSpeed", *cs);
        p.text("Description", desc);
        p.text("DeviceID", "CPU" + std::to_string(n++));
        if (auto fam = s4->byte(ProcessorFamily)) {
            std::optional<std::uint64_t> f = *fam;
            if (*fam == kFamilyInFamily2) {
                auto w = s4->word(ProcessorFamily2);
                f = w ? std::optional<std::uint64_t>(*w) : std::nullopt;
            }
            p.uint("Family", f);
        }
        p.uint("L2CacheSize", smbiosCache(t, s4->word(L2CacheHandle)));
        p.uint("L3CacheSize", smbiosCache(t, s4->word(L3CacheHandle)));
        p.text("Manufacturer", maker);
        // The nominal clock, as Windows gives it: the current speed, not the socket's maximum.
        if (auto cs = s4->word(CurrentSpeed); cs && *cs) p.uint("MaxClockSpeed", *cs);
        p.text("Name", s4->string(ProcessorVersion));
        if (auto c = s4->byte(CoreCount); c && *c && *c != 0xFF) p.uint("NumberOfCores", *c);
        else if (auto c2 = s4->word(CoreCount2)) p.uint("NumberOfCores", *c2);
        if (auto c = s4->byte(ThreadCount); c && *c && *c != 0xFF) p.uint("NumberOfLogicalProcessors", *c);
        else if (auto c2 = s4->word(ThreadCount2)) p.uint("NumberOfLogicalProcessors", *c2);
        if (eax && edx && (*eax || *edx)) p.text("ProcessorId", hex(*edx, 8) + hex(*eax, 8));
        p.uint("ProcessorType", 3);
        p.text("Role", "CPU");
        p.text("SocketDesignation", s4->string(SocketDesignation));
        p.text("Status", "OK");
        p.text("SystemName", host);
        if (auto u = s4->byte(ProcessorUpgrade)) p.uint("UpgradeMethod", *u);
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace

Objects buildProcessors(Machine& m) {
    const auto& cpus = m.cpus();
    const auto& t = m.smbios();
    namespace cpu = ProcessorInformation;
    auto sockets = t.ofType(cpu::kType);
    // Populated sockets only, in table order, stand for the packages.
    std::vector<const smbios::Structure*> populated;
    for (const auto* s : sockets)
        if (auto st = s->byte(cpu::Status); st && (*st & cpu::kSocketPopulated)) populated.push_back(s);

    std::map<int, std::vector<const Cpu*>> packages;
    for (const auto& c : cpus) packages[c.package].push_back(&c);
    Objects out;
    std::string host = hostnameUpper(m);
    if (packages.empty()) return processorsFromFirmware(t, populated, host);
    int n = 0;
    for (const auto& [pkg, list] : packages) {
        const auto& info = list.front()->info;
        auto get = [&](const char* k) -> std::string {
            auto it = info.find(k);
            return it == info.end() ? std::string() : it->second;
        };
        const smbios::Structure* s4 =
            static_cast<std::size_t>(n) < populated.size() ? populated[static_cast<std::size_t>(n)] : nullptr;
        Props p;
        std::string first = "/sys/devices/system/cpu/cpu" + std::to_string(list.front()->cpuIndex);
        p.uint("AddressWidth", 64);
        p.uint("Architecture", 9);
        auto desc = processorDescription(info);
        p.text("Caption", desc);
        p.uint("CpuStatus", 1);
        p.text("CreationClassName", "Win32_Processor");
        auto mhz = parseNumber(split(get("cpu MHz"), '.')[0], 10);
        if (auto cur = m.fs.number(first + "/cpufreq/scaling_cur_freq", 10)) mhz = *cur / 1000;
        p.uint("CurrentClockSpeed", mhz);
        p.uint("DataWidth", 64);
        p.text("Description", desc);
        p.text("DeviceID", "CPU" + std::to_string(n));
        if (s4) {
            if (auto fam = s4->byte(cpu::ProcessorFamily)) {
                if (*fam == cpu::kFamilyInFamily2) p.uint("Family", s4->word(cpu::ProcessorFamily2));
                else p.uint("Family", *fam);
            }
        }
        std::set<std::string> cores;
        for (const auto* c : list) {
            auto it = c->info.find("core id");
            cores.insert(it == c->info.end() ? std::to_string(c->cpuIndex) : it->second);
        }
        p.uint("L2CacheSize", cacheSize(m, list, 2).has_value()
                                  ? cacheSize(m, list, 2)
                                  : smbiosCache(t, s4 ? s4->word(cpu::L2CacheHandle) : std::nullopt));
        p.uint("L3CacheSize", cacheSize(m, list, 3).has_value()
                                  ? cacheSize(m, list, 3)
                                  : smbiosCache(t, s4 ? s4->word(cpu::L3CacheHandle) : std::nullopt));
        if (auto fam = parseNumber(get("cpu family"), 10)) p.uint("Level", *fam);
        p.text("Manufacturer", get("vendor_id"));
        // The nominal clock: the base frequency where the kernel knows it,
        // else the firmware's, the brand string's, the highest one.
        std::optional<std::uint64_t> nominal;
        if (auto b = m.fs.number(first + "/cpufreq/base_frequency", 10)) nominal = *b / 1000;
        if (!nominal) nominal = m.fs.number(first + "/acpi_cppc/nominal_freq", 10);
        if (!nominal && s4)
            if (auto cs = s4->word(cpu::CurrentSpeed); cs && *cs) nominal = *cs;
        if (!nominal) nominal = brandClock(get("model name"));
        if (!nominal)
            if (auto mx = m.fs.number(first + "/cpufreq/cpuinfo_max_freq", 10)) nominal = *mx / 1000;
        if (!nominal) nominal = mhz;
        p.uint("MaxClockSpeed", nominal);
        p.text("Name", get("model name"));
        p.uint("NumberOfCores", cores.size());
        p.uint("NumberOfEnabledCore", cores.size());
        p.uint("NumberOfLogicalProcessors", list.size());
        if (s4) {
            auto eax = s4->dword(cpu::ProcessorId), edx = s4->dword(cpu::ProcessorIdFeatureFlags);
            if (eax && edx && (*eax || *edx)) p.text("ProcessorId", hex(*edx, 8) + hex(*eax, 8));
            p.text("SocketDesignation", s4->string(cpu::SocketDesignation));
            if (auto u = s4->byte(cpu::ProcessorUpgrade)) p.uint("UpgradeMethod", *u);
            if (auto v = s4->byte(cpu::Voltage); v && (*v & cpu::kCurrentVoltage)) p.uint("CurrentVoltage", *v & 0x7Fu);
        }
        p.uint("ProcessorType", 3);
        auto model = parseNumber(get("model"), 10), step = parseNumber(get("stepping"), 10);
        if (model && step && *model < 256 && *step < 256) p.uint("Revision", (*model << 8) | *step);
        p.text("Role", "CPU");
        p.text("Status", "OK");
        p.uint("StatusInfo", 3);
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        p.uint("ThreadCount", list.size());
        std::string flags = " ";  // built by appends: GCC 12 warns wrongly on " " + s + " "
        flags += get("flags");
        flags += ' ';
        if (flags.size() > 2) {
            p.boolean("VMMonitorModeExtensions",
                      flags.find(" vmx ") != std::string::npos || flags.find(" svm ") != std::string::npos);
        }
        out.push_back(std::move(p));
        ++n;
    }
    return out;
}

}  // namespace tq::linuxprov
