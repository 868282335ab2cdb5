// The keyboard section.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteKeyboardSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_Keyboard");
    p.lateHead("Keyboard");
    p.walk([&](const Object& keyboard) {
        if (!p.nonEmptyText(keyboard, "Description")) return;
        p.writeHead();
        p.row("Name", [&] { return p.nbsp(keyboard["Description"]); });
        p.rowIfText("Device Layout", keyboard, "Layout");
        p.rowIfText("PNPDeviceID", keyboard, "PNPDeviceID");
    });
    p.finish("Error: try to get data about Keyboard.");
}

}  // namespace tq::probes
