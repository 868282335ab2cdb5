// The machine as the inventory describes it: one plain structure per
// section, filled once per run by the builders (ocs/builders.cpp) and written
// out by the renderers (OCS XML, GLPI JSON). What differs between a Windows
// and a Linux machine is settled by the builders; the renderers only format.
//
// Texts are as the source gave them (the renderers clean and trim them, and
// leave out the empty ones); numbers that the source may lack are optional.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tq::ocs::model {

using Number = std::optional<std::uint64_t>;
using Flag = std::optional<bool>;

// A day (and maybe a time) as the source gave it: `text` always, the parts
// when they could be read.
struct When {
    std::string text;
    int year = 0, month = 0, day = 0;
    int hour = -1, minute = 0, second = 0;  // hour -1: no time of day
    bool known() const { return year > 0; }
};

struct OperatingSystem {
    std::string name;         // "Debian GNU/Linux", "Microsoft Windows 10 Pro"
    std::string version;      // the release ("12") or, on Windows, the build ("10.0.19045")
    std::string fullVersion;  // the release as the system writes it ("12.11"); else `version`
    std::string label;        // the name the server's list shows ("Debian GNU/Linux 12")
    std::string comments;     // Windows: the service pack; Linux: the system's own caption
    std::string fullName;     // the system's caption
    std::string kernelName;   // "linux", "MSWin32"; "" when the system is unknown
    std::string kernelVersion, servicePack, arch, productId, owner, company, dnsDomain;
    When installDate;
};

struct Hardware {
    std::string name, workgroup, userId, uuid;
    Number memoryMb, swapMb;
    std::string ipAddress, defaultGateway, dns;  // of the adapter that holds the default route
    std::string vmSystem;  // "KVM", "VMware", ...: only where the machine says it is a virtual one
    When lastLogon;        // when `userId` last logged on, where the system keeps it
};

struct Bios {
    std::string systemMaker, systemModel, systemSerial;
    std::string maker, version;
    When date;
    std::string boardMaker, boardModel, boardSerial;
    std::string type;      // the chassis: "Desktop", "Notebook", "Laptop", ...
    std::string assetTag;  // unless the firmware left a placeholder
};

struct Cpu {
    std::string maker, name, socket, serial;
    std::string arch;  // "x86_64", "ARM64", ...: the management class's names
    Number speed, currentSpeed, cores, threads, dataWidth, addressWidth, l2CacheKb;
};

struct Memory {
    std::string caption, description, type, maker, serial;
    std::string makerName;  // a JEDEC maker code read as the maker's name
    Number capacityMb, speed;
    int slot = 0;  // counted from 1
};

struct Storage {
    std::string maker, name, model, description, type, serial, firmware;
    Number sizeMb;
};

struct Drive {
    std::string letter, type, fileSystem, volume, serial;
    Number totalMb, freeMb;
};

enum class NetKind { Other, Ethernet, Wifi };

struct Network {
    std::string description, adapterType, mac, driver, status, address, mask, subnet, gateway, dhcpServer;
    NetKind kind = NetKind::Other;
    Flag addressV6;  // unset when `address` does not parse (then no mask or subnet either)
    Number speedBps, mtu;
    Flag virtualDevice;
};

struct Video {
    std::string name, chipset, resolution, driverVersion;
    Number memoryMb;
};

struct Sound {
    std::string name, maker, description;
};

struct Controller {
    std::string name, maker, type, caption, description, version;
    std::string driver, pciClass, vendorId, productId;  // "8086", "15bc"; "" off PCI
};

struct Input {
    std::string type, caption, description, maker, pointType, bus;  // bus: "USB", "PS/2", ...
};

struct Modem {
    std::string name, model, description, type;
};

struct Slot {
    std::string name, description, designation, status;
};

struct Software {
    std::string name, version, publisher, comments, language, guid, folder, arch;
    When installDate;
    Number sizeBytes;
};

struct Monitor {
    std::string maker;        // the maker's name from pnp.ids, else the PNP id
    std::string model;        // the display name, else the product code
    std::string description;  // the week and year made ("6/2018"), or the year
    std::string serial, altSerial, port, base64;
};

struct Printer {
    std::string name, driver, port, description, comment, shareName, serverName, status;
    Flag shared, network;
};

struct UsbDevice {
    std::string name, maker, serial, vendorId, productId;  // "046D", "C31C"
    std::string usbClass, subclass, className;             // "03", "01", "Human Interface Device"
};

struct Battery {
    std::string name, maker, serial, chemistry, location, sbdsVersion;
    When date;
    Number designCapacity, fullCapacity, voltage, maxError;  // mWh, mWh, mV, %
};

struct Inventory {
    OperatingSystem os;
    Hardware hardware;
    Bios bios;
    std::vector<Cpu> cpus;
    std::vector<Memory> memories;
    std::vector<Storage> storages;
    std::vector<Drive> drives;
    std::vector<Network> networks;
    std::vector<Video> videos;
    std::vector<Sound> sounds;
    std::vector<Input> inputs;
    std::vector<Modem> modems;
    std::vector<Slot> slots;
    std::vector<Controller> controllers;
    std::vector<Software> softwares;  // updates first, then programs
    std::vector<Monitor> monitors;
    std::vector<Printer> printers;
    std::vector<UsbDevice> usbDevices;
    std::vector<Battery> batteries;
    std::string tag;
};

}  // namespace tq::ocs::model
