// The hard-disk section, with the label of drive C:, and the firmware cut
// that the hard-disk and CD-ROM sections share.

#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

std::string FirmwareFromId(const Value& id) {
    // Bus prefix and device kind take the first 20 characters; the revision
    // is the 8 characters before the instance's "\".
    if (!id.isText() || textLength(id.rawText()) < 20) fail::raise(fail::kInvalidArgument);
    std::string rest = textMid(id.rawText(), 21);
    const std::size_t p = textFind(rest, "\\");
    if (p >= 9) rest = textMid(rest, p - 8, 8);
    return textReplace(rest, "_", " ");
}

std::string DiskSizeGb(const Value& size, std::string_view separator) {
    const std::optional<double> bytes = size.number();
    if (!bytes) fail::raise(fail::kTypeMismatch);
    const double gb = roundToTenths(*bytes / 1000000000.0 - 0.3);
    return formatNumber(gb, separator) + " GB";
}

std::string GetVolumeLabel(wmi::Run& run, const std::string& drive) {
    trap::Trap& t = run.trap;
    std::string result;
    t.on();
    wmi::ServicePtr service;
    wmi::CollectionPtr disks;
    t.step([&] { service = run.bind(wmi::kMonikerUpper); });
    t.step([&] {
        disks = wmi::execQuery(service, "SELECT VolumeName FROM Win32_LogicalDisk WHERE "
                                        "DeviceID = '" +
                                            drive + ":'");
    });
    wmi::walk(t, disks, [&](const Object& disk) {
        if (notEmpty(t, disk, "VolumeName")) t.step([&] { result = disk["VolumeName"].str(); });
        return Walk::Stop;
    });
    return result;
}

void WriteHddSection(ReportStream& stream) {
    Probe p(stream);
    p.head("HDD");
    p.bind();
    p.query("Select * from Win32_DiskDrive Where Size >'2036385280'");
    p.walk([&](const Object& disk) {
        p.separator();
        p.row("Name", [&] { return p.nbsp(disk["Model"]); });
        std::string firmware;
        p.step([&] { firmware = FirmwareFromId(disk["PNPDeviceID"]); });
        p.row("Size", [&] { return DiskSizeGb(disk["Size"], p.run().decimalSeparator); });
        p.row("Firmware", [&] { return firmware + std::string(kNbsp); });
        ++p.counter;
    });
    const std::string label = GetVolumeLabel(p.run(), "C");
    if (!label.empty()) p.row("Label of Drive C:", [&] { return label; });
    p.finish();
}

}  // namespace tq::probes
