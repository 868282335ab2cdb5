// Disks, optical drives and logical disks (drive letters).
#include <algorithm>
#include <sys/statvfs.h>

#include "platform/linux/machine.h"

namespace tq::linuxprov {

namespace {

// Text for an identifier field: blanks become "_", the rest upper case.
std::string idField(std::string_view s) {
    std::string r = upper(trim(s));
    std::replace(r.begin(), r.end(), ' ', '_');
    r.erase(std::remove_if(r.begin(), r.end(), [](char c) { return c == '\\' || c == '&'; }), r.end());
    return r;
}

std::string pad(std::string s, std::size_t n) {
    if (s.size() > n) s.resize(n);
    while (s.size() < n) s.push_back('_');
    return s;
}

// The ATA IDENTIFY data of the port a block device sits on.
std::optional<AtaIdentity> ataIdentity(Machine& m, const std::string& path) {
    for (const auto& part : split(path, '/')) {
        if (!startsWith(part, "ata") || part.size() < 4) continue;
        auto port = parseNumber(part.substr(3), 10);
        if (!port) continue;
        std::string prefix = "dev" + std::to_string(*port) + ".";
        for (const auto& d : m.fs.list("/sys/class/ata_device")) {
            if (!startsWith(d, prefix)) continue;
            auto text = m.fs.read("/sys/class/ata_device/" + d + "/id", 16 * 1024);
            if (!text) continue;
            if (auto id = parseAtaIdentify(*text)) return id;
        }
    }
    return std::nullopt;
}

std::vector<Drive> scanDrives(Machine& m) {
    std::vector<Drive> out;
    for (const auto& b : m.fs.list("/sys/block")) {
        if (startsWith(b, "loop") || startsWith(b, "ram") || startsWith(b, "zram") || startsWith(b, "dm-") ||
            startsWith(b, "md") || startsWith(b, "nbd") || startsWith(b, "fd"))
            continue;
        auto path = m.fs.resolve("/sys/block/" + b);
        if (!path || startsWith(*path, "/sys/devices/virtual/")) continue;
        Drive d;
        d.block = b;
        d.path = *path;
        d.optical = startsWith(b, "sr");
        d.nvme = startsWith(b, "nvme");
        d.usb = path->find("/usb") != std::string::npos;
        d.removable = m.fs.number(*path + "/removable", 10).value_or(0) == 1;
        d.sectors = m.fs.number(*path + "/size", 10);
        if (auto ss = m.fs.number(*path + "/queue/logical_block_size", 10); ss && *ss >= 512 && *ss <= 65536)
            d.sectorSize = *ss;
        std::string dev = *path + "/device";
        if (d.nvme) {
            // The namespace's device is the controller (or the namespace's parent on newer kernels).
            std::string ctl = m.fs.exists(dev + "/model") ? dev : dev + "/device";
            d.model = cleanText(m.fs.line(dev + "/model"));
            d.revision = cleanText(m.fs.line(dev + "/firmware_rev"));
            d.serial = cleanText(m.fs.line(dev + "/serial"));
            (void)ctl;
        } else {
            d.vendor = cleanText(m.fs.line(dev + "/vendor"));
            d.model = cleanText(m.fs.line(dev + "/model"));
            d.revision = cleanText(m.fs.line(dev + "/rev"));
            d.scsi = m.fs.exists(dev + "/scsi_level");
            if (d.scsi) {
                auto target = m.fs.resolve(dev);
                if (target) d.scsiAddress = baseName(*target);
            }
            if (startsWith(d.vendor, "0x")) d.vendor.clear();  // virtio gives the PCI vendor number
            bool onAtaPort = false;
            for (const auto& part : split(*path, '/'))
                onAtaPort = onAtaPort || (startsWith(part, "ata") && parseNumber(part.substr(3), 10).has_value());
            if (d.scsi && !d.usb && onAtaPort) {
                d.ata = true;
                if (auto id = ataIdentity(m, *path)) {
                    d.model = id->model;
                    d.revision = id->firmware;
                    d.serial = id->serial;
                } else if (!d.vendor.empty() && d.vendor != "ATA") {
                    d.model = d.vendor + " " + d.model;  // ATAPI drives answer INQUIRY with their own vendor
                }
            }
        }
        if (d.model.empty()) {
            // Paravirtual disks have no model of their own: the controller's name stands.
            if (const Device* pci = m.deviceFor(*path)) d.model = pci->name;
        }
        if (d.model.empty() && !d.optical && (!d.sectors || *d.sectors == 0)) continue;
        d.ownSerial = d.serial;
        for (const std::string& f : {dev + "/serial", *path + "/serial", dev + "/wwid"})
            if (d.ownSerial.empty()) d.ownSerial = cleanText(trim(m.fs.line(f)));
        // The identifier, in the forms Windows gives these buses.
        std::string inst = hex(stableHash(dirName(*path)), 8);
        if (d.ata) {
            std::string kind = d.optical ? "CDROM" : "DISK";
            d.pnpId =
                "IDE\\" + kind + pad(idField(d.model), 40) + pad(idField(d.revision), 8) + "\\5&" + inst + "&0&" +
                (d.scsiAddress.empty() ? std::string("0.0.0") : d.scsiAddress.substr(d.scsiAddress.find(':') + 1));
            std::replace(d.pnpId.begin(), d.pnpId.end(), ':', '.');
            d.interfaceType = "IDE";
        } else if (d.nvme) {
            d.pnpId = "SCSI\\DISK&VEN_NVME&PROD_" + idField(d.model).substr(0, 16) + "&REV_" +
                      pad(idField(d.revision), 8) + "\\5&" + inst + "&0&000000";
            d.interfaceType = "SCSI";
        } else {
            std::string bus = d.usb ? "USBSTOR" : "SCSI";
            std::string kind = d.optical ? "CDROM" : "DISK";
            std::string ven = idField(d.vendor), prod = idField(d.model);
            if (ven.empty())
                if (const Device* pci = m.deviceFor(*path)) ven = idField(pci->manufacturer);
            std::string serial = idField(trim(m.fs.line(*path + "/device/serial")));
            d.pnpId = bus + "\\" + kind + "&VEN_" + ven.substr(0, 8) + "&PROD_" + prod.substr(0, 16) + "&REV_" +
                      idField(d.revision).substr(0, 4) + "\\" +
                      (d.usb && !serial.empty() ? serial + "&0" : "4&" + inst + "&0&000000");
            d.interfaceType = d.usb ? "USB" : "SCSI";
        }
        out.push_back(std::move(d));
    }
    return out;
}

std::string driveModel(const Drive& d) {
    std::string model = d.model;
    if (!d.ata && !d.nvme && !d.vendor.empty() && !startsWith(upper(model), upper(d.vendor)))
        model = d.vendor + " " + model;
    return trim(model);
}

}  // namespace

const std::vector<Drive>& Machine::drives() {
    if (!drives_) drives_ = scanDrives(*this);
    return *drives_;
}

// The disks first, in their order as PHYSICALDRIVE numbers, then the optical drives.
std::vector<Device> driveDevices(Machine& m) {
    std::vector<Device> out;
    for (bool optical : {false, true}) {
        for (const auto& d : m.drives()) {
            if (d.optical != optical) continue;
            Device dev;
            dev.sysPath = d.path;
            dev.deviceId = d.pnpId;
            if (!optical) dev.hardwareId = d.pnpId.substr(0, d.pnpId.find('\\', d.pnpId.find('\\') + 1));
            dev.name = driveModel(d);
            dev.manufacturer = optical ? "(Standard CD-ROM drives)" : "(Standard disk drives)";
            dev.deviceClass = optical ? "CDROM" : "DISKDRIVE";
            dev.driver = optical ? "sr" : "sd";
            dev.needsDriver = false;
            out.push_back(std::move(dev));
        }
    }
    return out;
}

Objects buildDiskDrives(Machine& m) {
    Objects out;
    int index = 0;
    std::string host = upper(m.hostname().substr(0, m.hostname().find('.')));
    for (const auto& d : m.drives()) {
        if (d.optical) continue;
        Props p;
        std::string model = driveModel(d);
        if (d.sectors && *d.sectors) {
            // Windows' geometry: 255 heads, 63 sectors a track, whole cylinders only.
            std::uint64_t bytes = *d.sectors * 512;
            std::uint64_t sectorsLogical = bytes / d.sectorSize;
            std::uint64_t cyl = sectorsLogical / (255 * 63);
            p.uint("BytesPerSector", d.sectorSize);
            p.uint64("Size", cyl * 255 * 63 * d.sectorSize);
            p.uint("SectorsPerTrack", 63);
            p.uint64("TotalCylinders", cyl);
            p.uint("TotalHeads", 255);
            p.uint64("TotalSectors", cyl * 255 * 63);
            p.uint64("TotalTracks", cyl * 255);
            p.uint("TracksPerCylinder", 255);
        }
        p.text("Caption", model);
        p.text("CreationClassName", "Win32_DiskDrive");
        p.text("Description", "Disk drive");
        std::string devId = "\\\\.\\PHYSICALDRIVE" + std::to_string(index);
        p.text("DeviceID", devId);
        p.text("FirmwareRevision", d.revision);
        p.uint("Index", static_cast<std::uint64_t>(index));
        p.text("InterfaceType", d.interfaceType);
        p.text("Manufacturer", "(Standard disk drives)");
        p.boolean("MediaLoaded", true);
        p.text("MediaType", d.removable || d.usb ? "Removable Media" : "Fixed hard disk media");
        p.text("Model", model);
        p.text("Name", devId);
        std::uint64_t parts = 0;
        for (const auto& e : m.fs.list(d.path))
            if (startsWith(e, d.block) && m.fs.exists(d.path + "/" + e + "/partition")) ++parts;
        p.uint("Partitions", parts);
        p.text("PNPDeviceID", d.pnpId);
        p.text("SerialNumber", d.serial);
        p.text("Status", "OK");
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        // Linux's own names for the fleet inventory: the kernel's name and the bus.
        p.text("KernelName", d.block);
        p.text("Transport", d.nvme                                        ? "nvme"
                            : d.usb                                       ? "usb"
                            : d.ata                                       ? "ata"
                            : d.path.find("/virtio") != std::string::npos ? "virtio"
                            : d.scsi                                      ? "scsi"
                                                                          : "");
        // The maker (the bus's vendor field, not ATA's placeholder), the
        // serial (sysfs serial or wwid where the bus gives no other) and the
        // size in bytes as the kernel counts them.
        if (const std::string vendor = trim(d.vendor); !vendor.empty() && vendor != "ATA") p.text("Vendor", vendor);
        if (!d.ownSerial.empty()) p.text("DeviceSerial", d.ownSerial);
        if (d.sectors && *d.sectors) p.uint64("ByteSize", *d.sectors * 512);
        out.push_back(std::move(p));
        ++index;
    }
    return out;
}

Objects buildCdromDrives(Machine& m) {
    Objects out;
    std::string host = upper(m.hostname().substr(0, m.hostname().find('.')));
    for (const auto& d : m.drives()) {
        if (!d.optical) continue;
        Props p;
        std::string model = driveModel(d);
        p.uint("Availability", 3);
        p.text("Caption", model);
        p.uint("ConfigManagerErrorCode", 0);
        p.text("CreationClassName", "Win32_CDROMDrive");
        p.text("Description", "CD-ROM Drive");
        p.text("DeviceID", d.pnpId);
        auto letter = m.letterOf(d.block);
        p.text("Drive", letter);
        p.text("Id", letter);
        p.text("Manufacturer", "(Standard CD-ROM drives)");
        bool loaded = d.sectors && *d.sectors > 0;
        p.boolean("MediaLoaded", loaded);
        p.text("MediaType", "CD-ROM");
        p.text("MfrAssignedRevisionLevel", d.revision);
        p.text("Name", model);
        p.text("PNPDeviceID", d.pnpId);
        p.text("RevisionLevel", d.revision);
        p.text("SerialNumber", d.serial);
        if (loaded) p.uint64("Size", *d.sectors * 512);
        p.text("Status", "OK");
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        if (letter) {
            for (const auto& v : m.volumes())
                if (v.block == d.block && !v.label.empty()) p.text("VolumeName", v.label);
        }
        out.push_back(std::move(p));
    }
    return out;
}

Objects buildLogicalDisks(Machine& m) {
    Objects out;
    std::string host = upper(m.hostname().substr(0, m.hostname().find('.')));
    for (const auto& v : m.volumes()) {
        Props p;
        p.text("Caption", v.letter);
        p.text("CreationClassName", "Win32_LogicalDisk");
        const char* desc = v.driveType == 2 ? "Removable Disk" : v.driveType == 5 ? "CD-ROM Disc" : "Local Fixed Disk";
        p.text("Description", desc);
        p.text("DeviceID", v.letter);
        p.uint("DriveType", static_cast<std::uint64_t>(v.driveType));
        if (!v.fsType.empty()) p.text("FileSystem", upper(v.fsType));
        p.uint("MediaType", v.driveType == 3 ? 12 : 11);
        p.text("Name", v.letter);
        // Sizes only of the running machine's own mounts.
        if (m.fs.live() && !v.mountPoint.empty()) {
            struct statvfs st {};
            if (::statvfs(v.mountPoint.c_str(), &st) == 0) {
                p.uint64("FreeSpace", static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize);
                p.uint64("Size", static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize);
            }
        }
        p.text("SystemCreationClassName", "Win32_ComputerSystem");
        p.text("SystemName", host);
        if (!v.mountPoint.empty() || v.driveType != 5) p.text("VolumeName", v.label);
        // Linux's own names for the fleet inventory.
        p.text("MountPoint", v.mountPoint);
        p.text("FileSystemType", v.fsType);
        if (!v.block.empty()) p.text("BlockDevice", "/dev/" + v.block);
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace tq::linuxprov
