#include "machine.h"

#include <initializer_list>
#include <utility>

namespace tq::wmi::testing {
namespace {
using Props = std::initializer_list<std::pair<const char*, Value>>;

void add(Repository& r, const char* cls, Props props) {
    Instance& o = r.add(cls);
    for (const auto& [n, v] : props) o.set(n, v);
}
Value t(const char* s) { return Value::text(s); }
Value i(std::int32_t v) { return Value::integer(v); }
}  // namespace

std::shared_ptr<Repository> sampleMachine() {
    auto r = std::make_shared<Repository>();
    add(*r, "Win32_Bios", {{"Manufacturer", t("American Megatrends Inc.")}, {"Description", t("<b>1.20</b>")},
                           {"SMBIOSBIOSVersion", t("1.20")}});
    add(*r, "Win32_Processor", {{"DeviceID", t("CPU0")}, {"Name", t("AMD Ryzen 5")}, {"MaxClockSpeed", i(3600)}});

    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("PROCESSOR")}, {"HardWareID", t("ACPI\\AuthenticAMD")},
                                      {"Description", t("AMD Processor")}, {"DeviceID", t("ACPI\\CPU0")},
                                      {"IsSigned", Value::boolean(true)}});
    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("USB")}, {"Description", t("USB Root Hub")},
                                      {"Location", t("PCI bus 0, device 20, function 0")},
                                      {"DeviceID", t("PCI\\VEN_8086&DEV_A36D")}, {"IsSigned", Value::boolean(true)}});
    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("HDC")}, {"Description", t("SATA AHCI")},
                                      {"Location", t("PCI bus 0, device 23, function 0")},
                                      {"DeviceID", t("PCI\\VEN_8086&DEV_A352")}, {"IsSigned", Value::boolean(false)}});
    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("SYSTEM")}, {"Description", t("PCI Express Root Port")},
                                      {"Location", t("PCI bus 0, device 28, function 0")},
                                      {"DeviceID", t("PCI\\VEN_8086&DEV_A338")}});
    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("DISPLAY")}, {"Description", t("Intel UHD Graphics")},
                                      {"Location", t("PCI bus 0, device 2, function 0")},
                                      {"DeviceID", t("PCI\\VEN_8086&DEV_3E92")}});
    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("SYSTEM")}, {"Description", t("System timer")},
                                      {"DeviceID", t("ACPI\\PNP0100")}});
    add(*r, "Win32_PnPSignedDriver", {{"DeviceClass", t("Processor")}, {"HardWareID", t("ACPI\\Second")},
                                      {"Description", t("Second Processor")}});

    add(*r, "Win32_DiskDrive", {{"Model", t("Big")}, {"Size", t("500107862016")}});
    add(*r, "Win32_DiskDrive", {{"Model", t("Equal")}, {"Size", t("2036385280")}});
    add(*r, "Win32_DiskDrive", {{"Model", t("Small")}, {"Size", t("1000000")}});
    add(*r, "Win32_DiskDrive", {{"Model", t("NoSize")}});
    add(*r, "Win32_DiskDrive", {{"Model", t("Huge")}, {"Size", t("18446744073709551614")}});

    add(*r, "Win32_LogicalDisk", {{"DeviceID", t("A:")}, {"DriveType", i(2)}, {"Description", t("3 1/2 Inch Floppy")}});
    add(*r, "Win32_LogicalDisk", {{"DeviceID", t("C:")}, {"DriveType", i(3)}, {"VolumeName", t("System")}});
    add(*r, "Win32_LogicalDisk", {{"DeviceID", t("E:")}, {"DriveType", i(5)}, {"VolumeName", t("DVD")}});

    add(*r, "Win32_CDROMDrive", {{"Caption", t("HL-DT-ST DVDRAM")}, {"Drive", t("E:")}});

    add(*r, "Win32_PhysicalMemory", {{"Capacity", t("8589934592")}, {"MemoryType", i(24)}, {"Tag", t("Physical Memory 0")}});
    add(*r, "Win32_PhysicalMemory", {{"Capacity", t("4294967296")}, {"MemoryType", i(0)}, {"Tag", t("Physical Memory 1")}});

    add(*r, "Win32_Keyboard", {{"Description", t("Standard PS/2 Keyboard")}, {"Layout", t("00000407")}});
    add(*r, "Win32_PointingDevice", {{"Description", t("HID-compliant mouse")}});

    add(*r, "Win32_POTSModem", {{"AttachedTo", t("COM3")}, {"Caption", t("Modem A")}, {"PNPDeviceID", t("PCI\\VEN_11C1")}});
    add(*r, "Win32_POTSModem", {{"AttachedTo", t("COM4")}, {"Caption", t("Modem B")}});

    add(*r, "Win32_QuickFixEngineering", {{"HotFixID", t("KB100")}});
    add(*r, "Win32_QuickFixEngineering", {{"HotFixID", t("File 1")}});
    add(*r, "Win32_QuickFixEngineering", {{"HotFixID", t("file 1")}});
    add(*r, "Win32_QuickFixEngineering", {{"Description", t("no id")}});
    add(*r, "Win32_QuickFixEngineering", {{"HotFixID", t("KB200")}});

    add(*r, "Win32_PnPEntity", {{"Name", t("Working")}, {"ConfigManagerErrorCode", i(0)}});
    add(*r, "Win32_PnPEntity", {{"Name", t("No driver")}, {"ConfigManagerErrorCode", i(28)}});
    add(*r, "Win32_PnPEntity", {{"Name", t("Unknown state")}});
    add(*r, "Win32_PnPEntity", {{"Name", t("Not started")}, {"ConfigManagerErrorCode", i(10)}});

    add(*r, "Win32_ComputerSystemProduct", {{"Vendor", t("LENOVO")}, {"Name", t("ThinkCentre")}});
    add(*r, "Win32_BaseBoard", {{"Manufacturer", t("ASRock")}, {"Product", t("B450M")}});
    add(*r, "Win32_ComputerSystem", {{"Manufacturer", t("To Be Filled")}});

    add(*r, "Win32_NetworkAdapter", {{"Name", t("Intel Ethernet")}, {"Description", t("Intel Ethernet")},
                                     {"PNPDeviceID", t("PCI\\VEN_8086&DEV_15B8")}, {"NetConnectionID", t("Ethernet")},
                                     {"MACAddress", t("00:11:22:33:44:55")}});
    add(*r, "Win32_NetworkAdapter", {{"Name", t("1394 Net Adapter")}, {"Description", t("1394 Net Adapter")},
                                     {"PNPDeviceID", t("V1394\\NIC1394\\1234")}});
    add(*r, "Win32_NetworkAdapter", {{"Name", t("Realtek LAN")}, {"Description", t("Realtek PCIe GbE")},
                                     {"PNPDeviceID", t("PCI\\VEN_10EC&DEV_8168")},
                                     {"NetConnectionID", t("Local Area Connection")}, {"MACAddress", t("AA:BB:CC:DD:EE:FF")}});
    add(*r, "Win32_NetworkAdapter", {{"Name", t("WAN Miniport")}, {"PNPDeviceID", t("SWD\\MSRRAS\\MS_NDISWANIP")}});
    add(*r, "Win32_NetworkAdapter", {{"Name", t("Hyper-V")}, {"PNPDeviceID", t("ROOT\\NET\\0000")},
                                     {"NetConnectionID", t("vEthernet")}});

    add(*r, "Win32_VideoController", {{"Name", t("Intel UHD Graphics 630")}, {"AdapterRAM", i(1073741824)},
                                      {"PNPDeviceID", t("PCI\\VEN_8086&DEV_3E92")}});
    add(*r, "Win32_SoundDevice", {{"Caption", t("High Definition Audio Device")}, {"PNPDeviceID", t("HDAUDIO\\FUNC_01")}});
    add(*r, "Win32_SoundDevice", {{"Caption", t("USB audio")}, {"PNPDeviceID", t("USB\\VID_0D8C")}});
    add(*r, "Win32_SoundDevice", {{"Caption", t("Game controller")}});

    add(*r, "Win32_OperatingSystem", {{"Caption", t("Windows 10 Pro")}, {"CountryCode", t("49")}});
    Instance& sat = r->add("Win32_WinSAT");
    sat.set("CPUScore", Value::real(7.3f, true));
    sat.set("WinSPRLevel", Value::real(5.9f, true));
    add(*r, "Win32_SystemSlot", {{"SlotDesignation", t("PCIEX16_1")}, {"CurrentUsage", i(4)}});
    add(*r, "Win32_SystemSlot", {{"SlotDesignation", t("PCIEX1_1")}, {"CurrentUsage", i(3)}});
    add(*r, "Win32_OnBoardDevice", {{"DeviceType", i(3)}, {"Description", t("Onboard VGA")}});
    add(*r, "Win32_OnBoardDevice", {{"DeviceType", i(7)}, {"Description", t("Onboard Sound")}});
    return r;
}

std::vector<std::string> column(const std::shared_ptr<Repository>& repo, const std::string& query,
                                const std::string& property, int flags) {
    ServicePtr s = makeService(repo);
    CollectionPtr c = s->execQuery(query, "WQL", flags);
    std::vector<std::string> out;
    while (const Object* o = c->next()) out.push_back(o->get(property).str());
    return out;
}

Failure failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.failure();
    }
    return {};
}

}  // namespace tq::wmi::testing
