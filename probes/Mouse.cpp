// The mouse section: every pointing device.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteMouseSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_PointingDevice");
    p.head("Mouse");
    p.walk([&](const Object& mouse) {
        if (!p.nonEmptyText(mouse, "Description")) return;
        p.row("Name", [&] { return p.nbsp(mouse["Description"]); });
        p.rowIfText("Manufacturer", mouse, "Manufacturer");
        p.rowIfText("PNPDeviceID", mouse, "PNPDeviceID");
    });
    p.finish();
}

}  // namespace tq::probes
