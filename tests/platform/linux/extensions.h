// The properties the Linux provider adds beyond the classes' own, each for
// a reason; tree.h's query() fails on any other name outside the schema.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace tq::linuxprov::testing {

using Extension = std::pair<std::string_view, std::string_view>;  // class, property

inline const std::set<Extension>& extensionList() {
    // clang-format off
    static const std::set<Extension> list = {
        // What the kernel knows of a battery itself; the firmware's battery serial.
        {"Win32_Battery", "Manufacturer"}, {"Win32_Battery", "SerialNumber"}, {"Win32_Battery", "ManufactureDate"},
        {"Win32_PortableBattery", "SerialNumber"},
        // A disk's kernel name ("sda"), bus, maker, own serial and size as the kernel counts it.
        {"Win32_DiskDrive", "KernelName"}, {"Win32_DiskDrive", "Transport"}, {"Win32_DiskDrive", "Vendor"},
        {"Win32_DiskDrive", "DeviceSerial"}, {"Win32_DiskDrive", "ByteSize"},
        // The device behind a drive letter, where it is mounted, the file system's own name ("ext4").
        {"Win32_LogicalDisk", "BlockDevice"}, {"Win32_LogicalDisk", "MountPoint"},
        {"Win32_LogicalDisk", "FileSystemType"},
        {"Win32_NetworkAdapter", "Wireless"},  // an 802.11 interface
        // The distribution as os-release names it, and its point release ("12.11").
        {"Win32_OperatingSystem", "DistributionName"}, {"Win32_OperatingSystem", "DistributionVersion"},
        {"Win32_OperatingSystem", "DistributionRelease"},
        // A kernel module's own version; a PCI function's class and subclass ("0200").
        {"Win32_PnPSignedDriver", "ModuleVersion"}, {"Win32_PnPSignedDriver", "PCIClass"},
        // A package's architecture, description, installed size in KB and day of installation.
        {"Win32_InstalledWin32Program", "Architecture"}, {"Win32_InstalledWin32Program", "Description"},
        {"Win32_InstalledWin32Program", "EstimatedSize"}, {"Win32_InstalledWin32Program", "InstallDate"},
    };
    // clang-format on
    return list;
}

inline bool isExtension(std::string_view className, std::string_view property) {
    return extensionList().count({className, property}) != 0;
}

}  // namespace tq::linuxprov::testing
