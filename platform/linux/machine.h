// One bind's view of the machine: what the class builders share (the SMBIOS
// table, the device list, the network interfaces, the drive letters, module
// versions), each read once, when first needed, and kept only for the life
// of that view.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/smbios.h"
#include "platform/linux/sysfs.h"
#include "wmi/value.h"

namespace tq::linuxprov {

// The properties of one object, in the order they were set.
struct Props {
    std::vector<std::pair<std::string, Value>> values;

    void set(std::string name, Value v);
    // Text properties: an empty or missing text leaves the property absent.
    void text(std::string name, const std::optional<std::string>& s);
    void text(std::string name, const char* s) { text(std::move(name), std::optional<std::string>(s)); }
    void text(std::string name, const std::string& s) { text(std::move(name), std::optional<std::string>(s)); }
    // 16- and 32-bit unsigned properties, delivered as 32-bit signed integers.
    void uint(std::string name, std::optional<std::uint64_t> v);
    // 64-bit properties, delivered as texts holding the digits.
    void uint64(std::string name, std::optional<std::uint64_t> v);
    void boolean(std::string name, bool b) { set(std::move(name), Value::boolean(b)); }
    // Arrays of texts, as the service delivers them: the JSON array's text
    // as another kind of value. An empty list leaves the property absent.
    void texts(std::string name, const std::vector<std::string>& items);

    const Value* find(std::string_view name) const;
    std::string str(std::string_view name) const;  // the text, or empty
};
using Objects = std::vector<Props>;

// A Plug-and-Play device as the management classes describe it.
struct Device {
    std::string sysPath;     // below the root, links resolved; empty for made-up parents
    std::string deviceId;    // the instance identifier, Windows form
    std::string hardwareId;  // the most specific hardware identifier
    std::string name;        // DeviceName / Name
    std::string manufacturer;
    std::string deviceClass;  // SYSTEM, USB, NET, ... (upper case)
    std::string location;
    std::string driver;                      // the kernel driver, empty when none is bound
    std::string driverVersion;               // the module's version or the kernel release
    bool needsDriver = true;                 // bridges and hubs work without one
    bool servedByCore = false;               // a bridge without a driver of its own: the PCI core serves it
    bool sound = false;                      // a sound device: codec function, USB or PCI audio
    std::uint32_t pciClass = 0;              // PCI devices: the class code
    std::vector<std::string> compatibleIds;  // USB devices: their class, Windows form
};

// A network interface with hardware behind it: what Win32_NetworkAdapter and
// Win32_NetworkAdapterConfiguration describe, numbered (Index) by its place
// in the list.
struct NetInterface {
    std::string name;     // "enp3s0"
    std::string base;     // "/sys/class/net/enp3s0"
    std::string devPath;  // the device folder, links resolved
    const Device* dev = nullptr;
};

// A keyboard or pointing device of the input subsystem.
struct InputDevice {
    std::string name, path, pnpId, manufacturer, driver;
    bool keyboard = false, mouse = false, touchpad = false, stick = false, usb = false, ps2 = false;
    unsigned buttons = 0;
};

// A disk or optical drive of the block layer, with the identity its bus gives.
struct Drive {
    std::string block, path;  // "sda", resolved /sys/devices/... of the block device
    std::string model, vendor, revision, serial;
    std::string ownSerial;  // the serial the kernel gives, whatever the bus
    std::string pnpId, interfaceType;
    bool ata = false, nvme = false, usb = false, scsi = false, optical = false, removable = false;
    std::optional<std::uint64_t> sectors;
    std::uint64_t sectorSize = 512;
    std::string scsiAddress;  // host:channel:target:lun
};

struct Cpu {
    int package = 0;
    std::map<std::string, std::string> info;  // the /proc/cpuinfo block
    int cpuIndex = 0;                         // N of /sys/devices/system/cpu/cpuN
};

class Machine {
public:
    // `refused` is told the root when this user may not read the firmware table.
    explicit Machine(std::string root, std::function<void(const std::string&)> refused = {});

    Fs fs;

    // The SMBIOS table, from the first source that can be read; empty without one.
    const smbios::Table& smbios();
    // Bus devices: PCI, USB, HD Audio codecs and the processors.
    const std::vector<Device>& devices();
    // The device of a sysfs path, or of its nearest ancestor that is one.
    const Device* deviceFor(std::string_view sysPath);
    // The logical processors from /proc/cpuinfo, with their packages.
    const std::vector<Cpu>& cpus();
    // The network interfaces with hardware behind them, by name.
    const std::vector<NetInterface>& netInterfaces();
    // The disks and optical drives (storage_classes.cpp).
    const std::vector<Drive>& drives();
    // The keyboards and pointing devices of the input subsystem (device_classes.cpp).
    const std::vector<InputDevice>& inputs();

    std::string kernelRelease();
    std::string hostname();
    // The version of a kernel module, or else the kernel release.
    std::string moduleVersion(const std::string& module);
    // The module behind the driver of a device folder, or the driver itself.
    std::string driverModule(const std::string& sysPath);
    // The folder whose driver does a PCI device's work: the device's own,
    // or the function a transport driver hands on.
    std::string functionPath(const std::string& pciPath);
    // A DMI field of /sys/class/dmi/id.
    std::optional<std::string> dmiId(std::string_view field);
    // Whether the firmware table is there but this user may not read it.
    bool smbiosDenied();
    // The memory devices udev recorded from the firmware table for everyone
    // to read (MEMORY_DEVICE_<n>_<FIELD> of /run/udev/data/+dmi:id), each as
    // its fields; the installed ones only.
    std::vector<std::map<std::string, std::string>> udevMemoryDevices();

    // Drive letters: C: for the root file system, then other local file
    // systems, removable media and optical drives.
    struct Volume {
        std::string letter;      // "C:"
        std::string block;       // "sda2", "sr0"
        std::string mountPoint;  // empty when not mounted
        std::string fsType;
        std::string label;
        int driveType = 3;  // 2 removable, 3 local disk, 5 optical
    };
    const std::vector<Volume>& volumes();
    std::optional<std::string> letterOf(std::string_view block);

private:
    void scanPci(std::vector<Device>& out);
    void scanUsb(std::vector<Device>& out);
    void scanHdAudio(std::vector<Device>& out);
    void scanProcessors(std::vector<Device>& out);

    std::optional<smbios::Table> smbios_;
    bool smbiosDenied_ = false;
    std::function<void(const std::string&)> refused_;
    std::optional<std::vector<Device>> devices_;
    std::optional<std::vector<Cpu>> cpus_;
    std::optional<std::vector<NetInterface>> netInterfaces_;
    std::optional<std::vector<Drive>> drives_;
    std::optional<std::vector<InputDevice>> inputs_;
    std::optional<std::vector<Volume>> volumes_;
    std::optional<std::string> release_, hostname_;
    std::map<std::string, std::string> moduleVersions_;
    std::map<std::string, const Device*> bySysPath_;  // devices() by their folder
};

// The class builders, one per management class the program reads. Each is
// a function of the machine view alone: they may run in any order.
Objects buildBios(Machine& m);
Objects buildComputerSystemProduct(Machine& m);
Objects buildBaseBoard(Machine& m);
Objects buildComputerSystem(Machine& m);
Objects buildPhysicalMemory(Machine& m);
Objects buildSystemSlots(Machine& m);
Objects buildOnBoardDevices(Machine& m);
Objects buildProcessors(Machine& m);
Objects buildPnPSignedDrivers(Machine& m);
Objects buildPnPEntities(Machine& m);
Objects buildDiskDrives(Machine& m);
Objects buildCdromDrives(Machine& m);
Objects buildLogicalDisks(Machine& m);
Objects buildNetworkAdapters(Machine& m);
Objects buildNetworkAdapterConfigurations(Machine& m);
Objects buildInstalledPrograms(Machine& m);
Objects buildVideoControllers(Machine& m);
Objects buildSoundDevices(Machine& m);
Objects buildKeyboards(Machine& m);
Objects buildPointingDevices(Machine& m);
Objects buildOperatingSystem(Machine& m);
Objects buildMonitorEdids(Machine& m);
Objects buildSystemEnclosure(Machine& m);
Objects buildPortableBatteries(Machine& m);
Objects buildBatteries(Machine& m);
Objects buildPageFileUsage(Machine& m);
Objects buildNetworkLoginProfiles(Machine& m);
Objects buildPrinters(Machine& m);

// The devices that PnPEntity lists beside the bus devices: the disks and
// optical drives (storage_classes.cpp), the keyboards and pointing devices
// (device_classes.cpp).
std::vector<Device> driveDevices(Machine& m);
std::vector<Device> inputDeviceEntries(Machine& m);

// The latest login of the login records (wtmp, else utmp): the user and
// the time in seconds since 1970.
struct Login {
    std::string user;
    std::int64_t when = 0;
};
std::optional<Login> lastLogin(Machine& m);

// The processor description in the Windows form: "Intel64 Family 6 Model 167 Stepping 1".
std::optional<std::string> processorDescription(const std::map<std::string, std::string>& info);
// A text as a JSON string, quotes included.
std::string jsonText(std::string_view s);
// The PCI class code (24 bits) to the device class name.
std::string pciDeviceClass(std::uint32_t classCode);

}  // namespace tq::linuxprov
