// The defective-hardware section: devices with a configuration error.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteDefectiveHardwareSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_PnPEntity Where ConfigManagerErrorCode <> '0'");
    p.lateHead("not installed hardware");
    p.walk([&](const Object& device) {
        if (!p.nonEmptyText(device, "Name")) return;
        p.writeHead();
        p.separator();
        p.row("Name", [&] { return p.nbsp(device["Name"]); });
        if (p.test([&] { return !device["Service"].isAbsent() && device["Service"].str() != ""; }))
            p.row("Service", [&] { return p.nbsp(device["Service"]); });
        if (p.notEmpty(device, "DeviceID"))
            p.row("DeviceID", [&] { return TrimPnpId(textOf(device["DeviceID"])) + std::string(kNbsp); });
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
