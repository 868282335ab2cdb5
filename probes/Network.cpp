// The network devices section: every adapter with a connection name.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteNetworkSection(ReportStream& stream) {
    Probe p(stream);
    p.head("Networkdevices");
    p.bind();
    p.query("SELECT * FROM Win32_NetworkAdapter "
            "WHERE NetConnectionID  > 0 ");
    p.walk([&](const Object& adapter) {
        if (!p.nonEmptyText(adapter, "Description")) return;
        p.separator();
        p.row("Description", [&] { return p.nbsp(adapter["Description"]); });
        std::string version;
        p.step([&] { version = GetDriverVersion(p.run(), adapter["Description"].rawText()); });
        if (textLength(version) > 0) p.row("Driver Version", [&] { return version + std::string(kNbsp); });
        if (p.nonEmptyText(adapter, "PNPDeviceID"))
            p.row("PNPDeviceID", [&] { return TrimPnpId(adapter["PNPDeviceID"].rawText()) + std::string(kNbsp); });
        p.rowIfText("Mac-Address", adapter, "MACAddress");
        ++p.counter;
    });
    if (p.counter == 0) {
        // The absence row must not hide why no adapter could be listed.
        const Failure why = p.pending();
        p.rowText(kNbsp, "Networkdevices not present.");
        if (p.pending().number == 0) p.setPending(why);
    }
    p.finish();
}

}  // namespace tq::probes
