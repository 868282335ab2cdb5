// The CD-ROM section.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteCdromSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_CDROMDrive");
    p.lateHead("CDROM");
    p.walk([&](const Object& drive) {
        if (!p.nonEmptyText(drive, "Caption")) return;
        p.writeHead();
        p.separator();
        p.row("Name", [&] { return p.nbsp(drive["Caption"]); });
        p.row("ID", [&] { return p.nbsp(drive["Id"]); });
        if (p.nonEmptyText(drive, "DeviceID")) {
            std::string firmware;
            p.step([&] { firmware = FirmwareFromId(drive["DeviceID"]); });
            p.row("Firmware", [&] { return firmware + std::string(kNbsp); });
        }
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
