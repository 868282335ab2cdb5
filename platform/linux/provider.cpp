#include "platform/linux/provider.h"

#include <functional>
#include <map>
#include <set>

#include "platform/linux/machine.h"
#include "wmi/trace.h"

namespace tq::linuxprov {

namespace {

struct ClassSource {
    const char* className;  // the class whose objects are added
    Objects (*build)(Machine&);
};

// Classes that answer with no objects: no updates, no assessment, no modem.
Objects none(Machine&) { return {}; }

const std::map<std::string, ClassSource>& sources() {
    static const std::map<std::string, ClassSource> table = {
        {"win32_bios", {"Win32_Bios", buildBios}},
        {"win32_processor", {"Win32_Processor", buildProcessors}},
        {"win32_pnpsigneddriver", {"Win32_PnPSignedDriver", buildPnPSignedDrivers}},
        {"win32_cdromdrive", {"Win32_CDROMDrive", buildCdromDrives}},
        {"win32_logicaldisk", {"Win32_LogicalDisk", buildLogicalDisks}},
        {"win32_diskdrive", {"Win32_DiskDrive", buildDiskDrives}},
        {"cim_physicalmemory", {"Win32_PhysicalMemory", buildPhysicalMemory}},
        {"win32_physicalmemory", {"Win32_PhysicalMemory", buildPhysicalMemory}},
        {"win32_keyboard", {"Win32_Keyboard", buildKeyboards}},
        {"win32_pointingdevice", {"Win32_PointingDevice", buildPointingDevices}},
        {"win32_potsmodem", {"Win32_POTSModem", none}},
        {"win32_quickfixengineering", {"Win32_QuickFixEngineering", none}},
        {"win32_pnpentity", {"Win32_PnPEntity", buildPnPEntities}},
        {"win32_computersystemproduct", {"Win32_ComputerSystemProduct", buildComputerSystemProduct}},
        {"win32_baseboard", {"Win32_BaseBoard", buildBaseBoard}},
        {"win32_computersystem", {"Win32_ComputerSystem", buildComputerSystem}},
        {"win32_networkadapter", {"Win32_NetworkAdapter", buildNetworkAdapters}},
        {"win32_networkadapterconfiguration", {"Win32_NetworkAdapterConfiguration", buildNetworkAdapterConfigurations}},
        {"win32_installedwin32program", {"Win32_InstalledWin32Program", buildInstalledPrograms}},
        {"win32_videocontroller", {"Win32_VideoController", buildVideoControllers}},
        {"win32_sounddevice", {"Win32_SoundDevice", buildSoundDevices}},
        {"win32_operatingsystem", {"Win32_OperatingSystem", buildOperatingSystem}},
        {"win32_winsat", {"Win32_WinSAT", none}},
        {"win32_systemslot", {"Win32_SystemSlot", buildSystemSlots}},
        {"win32_onboarddevice", {"Win32_OnBoardDevice", buildOnBoardDevices}},
        {"win32_systemenclosure", {"Win32_SystemEnclosure", buildSystemEnclosure}},
        {"win32_battery", {"Win32_Battery", buildBatteries}},
        {"win32_portablebattery", {"Win32_PortableBattery", buildPortableBatteries}},
        {"win32_printer", {"Win32_Printer", buildPrinters}},
        {"win32_pagefileusage", {"Win32_PageFileUsage", buildPageFileUsage}},
        {"win32_networkloginprofile", {"Win32_NetworkLoginProfile", buildNetworkLoginProfiles}},
        {"tallyquest_monitoredid", {"Tallyquest_MonitorEDID", buildMonitorEdids}},
    };
    return table;
}

// What one repository knows of the machine; lives as long as the repository.
struct BindState {
    BindState(std::string root, RefusedTable refused) : machine(std::move(root), std::move(refused)) {}
    Machine machine;
    std::set<std::string> filled;
};

}  // namespace

std::shared_ptr<wmi::Repository> makeRepository(std::string root, wmi::TraceSink faults, RefusedTable refused) {
    auto repo = std::make_shared<wmi::Repository>();
    auto state = std::make_shared<BindState>(std::move(root), std::move(refused));
    repo->setLoader([state, faults = std::move(faults)](wmi::Repository& r, std::string_view className) {
        auto it = sources().find(lower(className));
        if (it == sources().end()) return;
        const ClassSource& src = it->second;
        if (!state->filled.insert(src.className).second) return;
        Objects objects;
        try {
            objects = src.build(state->machine);
        } catch (const std::exception& e) {
            // A reader that gives up leaves the class empty rather than the
            // query failing; the trace tells why.
            objects.clear();
            wmi::traceFault(faults, std::string(src.className) + " left empty", e.what());
        }
        for (auto& o : objects) {
            auto& inst = r.add(src.className);
            for (auto& [name, value] : o.values) inst.set(name, std::move(value));
        }
    });
    return repo;
}

wmi::Binder makeBinder(std::string root, wmi::TraceSink faults, RefusedTable refused) {
    return wmi::makeBinder([root, faults, refused]() { return makeRepository(root, faults, refused); });
}

}  // namespace tq::linuxprov
