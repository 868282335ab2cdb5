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
    static const std::set<Extension> list = {
        {"Win32_Battery", "Manufacturer"},      // the kernel's record of the battery itself
        {"Win32_Battery", "SerialNumber"},      // likewise
        {"Win32_Battery", "ManufactureDate"},   // likewise
        {"Win32_PortableBattery", "SerialNumber"},  // the firmware's serial, text or Smart Battery number
        {"Win32_DiskDrive", "KernelName"},      // the kernel's name ("sda"), for the inventory
        {"Win32_DiskDrive", "Transport"},       // the bus (nvme, ata, usb, virtio, scsi)
        {"Win32_DiskDrive", "Vendor"},          // the bus's maker field
        {"Win32_DiskDrive", "DeviceSerial"},    // the serial the kernel gives, whatever the bus
        {"Win32_DiskDrive", "ByteSize"},        // the size as the kernel counts it, not whole cylinders
        {"Win32_LogicalDisk", "BlockDevice"},   // the device behind a drive letter
        {"Win32_LogicalDisk", "MountPoint"},    // where it is mounted
        {"Win32_LogicalDisk", "FileSystemType"},  // the kernel's name of the file system ("ext4")
        {"Win32_NetworkAdapter", "Wireless"},   // an 802.11 interface
        {"Win32_OperatingSystem", "DistributionName"},     // os-release's name
        {"Win32_OperatingSystem", "DistributionVersion"},  // os-release's version number
        {"Win32_OperatingSystem", "DistributionRelease"},  // the point release ("12.11")
        {"Win32_PnPSignedDriver", "ModuleVersion"},  // a kernel module's own version
        {"Win32_PnPSignedDriver", "PCIClass"},       // a PCI function's class and subclass
        {"Win32_InstalledWin32Program", "Architecture"},   // the package's architecture
        {"Win32_InstalledWin32Program", "Description"},    // its one-line description
        {"Win32_InstalledWin32Program", "EstimatedSize"},  // its installed size in KB
        {"Win32_InstalledWin32Program", "InstallDate"},    // the day it was installed
    };
    return list;
}

inline bool isExtension(std::string_view className, std::string_view property) {
    return extensionList().count({className, property}) != 0;
}

}  // namespace tq::linuxprov::testing
