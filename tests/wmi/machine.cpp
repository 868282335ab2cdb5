#include "machine.h"

#include "wmi/snapshot.h"

namespace tq::wmi::testing {

std::shared_ptr<Repository> sampleMachine() {
    return parseSnapshot(R"({
  "Win32_Bios": [{"Manufacturer": "American Megatrends Inc.", "Description": "<b>1.20</b>",
                  "SMBIOSBIOSVersion": "1.20"}],
  "Win32_Processor": [{"DeviceID": "CPU0", "Name": "AMD Ryzen 5", "MaxClockSpeed": 3600}],
  "Win32_PnPSignedDriver": [
    {"DeviceClass": "PROCESSOR", "HardWareID": "ACPI\\AuthenticAMD", "Description": "AMD Processor",
     "DeviceID": "ACPI\\CPU0", "IsSigned": true},
    {"DeviceClass": "USB", "Description": "USB Root Hub", "Location": "PCI bus 0, device 20, function 0",
     "DeviceID": "PCI\\VEN_8086&DEV_A36D", "IsSigned": true},
    {"DeviceClass": "HDC", "Description": "SATA AHCI", "Location": "PCI bus 0, device 23, function 0",
     "DeviceID": "PCI\\VEN_8086&DEV_A352", "IsSigned": false},
    {"DeviceClass": "SYSTEM", "Description": "PCI Express Root Port", "Location": "PCI bus 0, device 28, function 0",
     "DeviceID": "PCI\\VEN_8086&DEV_A338"},
    {"DeviceClass": "DISPLAY", "Description": "Intel UHD Graphics", "Location": "PCI bus 0, device 2, function 0",
     "DeviceID": "PCI\\VEN_8086&DEV_3E92"},
    {"DeviceClass": "SYSTEM", "Description": "System timer", "DeviceID": "ACPI\\PNP0100"},
    {"DeviceClass": "Processor", "HardWareID": "ACPI\\Second", "Description": "Second Processor"}],
  "Win32_DiskDrive": [{"Model": "Big", "Size": "500107862016"}, {"Model": "Equal", "Size": "2036385280"},
                      {"Model": "Small", "Size": "1000000"}, {"Model": "NoSize"},
                      {"Model": "Huge", "Size": "18446744073709551614"}],
  "Win32_LogicalDisk": [{"DeviceID": "A:", "DriveType": 2, "Description": "3 1/2 Inch Floppy"},
                        {"DeviceID": "C:", "DriveType": 3, "VolumeName": "System"},
                        {"DeviceID": "E:", "DriveType": 5, "VolumeName": "DVD"}],
  "Win32_CDROMDrive": [{"Caption": "HL-DT-ST DVDRAM", "Drive": "E:"}],
  "Win32_PhysicalMemory": [{"Capacity": "8589934592", "MemoryType": 24, "Tag": "Physical Memory 0"},
                           {"Capacity": "4294967296", "MemoryType": 0, "Tag": "Physical Memory 1"}],
  "Win32_Keyboard": [{"Description": "Standard PS/2 Keyboard", "Layout": "00000407"}],
  "Win32_PointingDevice": [{"Description": "HID-compliant mouse"}],
  "Win32_POTSModem": [{"AttachedTo": "COM3", "Caption": "Modem A", "PNPDeviceID": "PCI\\VEN_11C1"},
                      {"AttachedTo": "COM4", "Caption": "Modem B"}],
  "Win32_QuickFixEngineering": [{"HotFixID": "KB100"}, {"HotFixID": "File 1"}, {"HotFixID": "file 1"},
                                {"Description": "no id"}, {"HotFixID": "KB200"}],
  "Win32_PnPEntity": [{"Name": "Working", "ConfigManagerErrorCode": 0},
                      {"Name": "No driver", "ConfigManagerErrorCode": 28}, {"Name": "Unknown state"},
                      {"Name": "Not started", "ConfigManagerErrorCode": 10}],
  "Win32_ComputerSystemProduct": [{"Vendor": "LENOVO", "Name": "ThinkCentre"}],
  "Win32_BaseBoard": [{"Manufacturer": "ASRock", "Product": "B450M"}],
  "Win32_ComputerSystem": [{"Manufacturer": "To Be Filled"}],
  "Win32_NetworkAdapter": [
    {"Name": "Intel Ethernet", "Description": "Intel Ethernet", "PNPDeviceID": "PCI\\VEN_8086&DEV_15B8",
     "NetConnectionID": "Ethernet", "MACAddress": "00:11:22:33:44:55"},
    {"Name": "1394 Net Adapter", "Description": "1394 Net Adapter", "PNPDeviceID": "V1394\\NIC1394\\1234"},
    {"Name": "Realtek LAN", "Description": "Realtek PCIe GbE", "PNPDeviceID": "PCI\\VEN_10EC&DEV_8168",
     "NetConnectionID": "Local Area Connection", "MACAddress": "AA:BB:CC:DD:EE:FF"},
    {"Name": "WAN Miniport", "PNPDeviceID": "SWD\\MSRRAS\\MS_NDISWANIP"},
    {"Name": "Hyper-V", "PNPDeviceID": "ROOT\\NET\\0000", "NetConnectionID": "vEthernet"}],
  "Win32_VideoController": [{"Name": "Intel UHD Graphics 630", "AdapterRAM": 1073741824,
                             "PNPDeviceID": "PCI\\VEN_8086&DEV_3E92"}],
  "Win32_SoundDevice": [{"Caption": "High Definition Audio Device", "PNPDeviceID": "HDAUDIO\\FUNC_01"},
                        {"Caption": "USB audio", "PNPDeviceID": "USB\\VID_0D8C"}, {"Caption": "Game controller"}],
  "Win32_OperatingSystem": [{"Caption": "Windows 10 Pro", "CountryCode": "49"}],
  "Win32_WinSAT": [{"CPUScore": 7.3, "WinSPRLevel": 5.9}],
  "Win32_SystemSlot": [{"SlotDesignation": "PCIEX16_1", "CurrentUsage": 4},
                       {"SlotDesignation": "PCIEX1_1", "CurrentUsage": 3}],
  "Win32_OnBoardDevice": [{"DeviceType": 3, "Description": "Onboard VGA"},
                          {"DeviceType": 7, "Description": "Onboard Sound"}]})",
                         "sample machine");
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
