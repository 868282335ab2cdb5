// The modem section.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteModemSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("SELECT AttachedTo,Caption FROM Win32_POTSModem "
            "WHERE PNPDeviceID IS NOT NULL");
    p.lateHead("Modem");
    p.walk([&](const Object& modem) {
        if (!p.nonEmptyText(modem, "Caption")) return;
        p.writeHead();
        p.row("Name", [&] { return p.nbsp(modem["Caption"]); });
        p.rowIfText("ModemCom", modem, "AttachedTo");
    });
    p.finish("Error: try to get Modem information ...");
}

}  // namespace tq::probes
