// The removable-drive section.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteRemovableDrivesSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_LogicalDisk Where DriveType ='2'");
    p.lateHead("Removeable Drives");
    p.walk([&](const Object& drive) {
        if (!p.nonEmptyText(drive, "Description")) return;
        p.writeHead();
        p.separator();
        p.row("Name", [&] { return p.nbsp(drive["Description"]); });
        p.rowIfText("DeviceID", drive, "DeviceID");
        ++p.counter;
    });
    p.finish("Error: try to get data about floppy drive.", "FDD");
}

}  // namespace tq::probes
