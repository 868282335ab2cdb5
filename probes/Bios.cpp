// The BIOS section.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteBiosSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_Bios");
    p.head("Bios");
    p.walk([&](const Object& bios) {
        p.row("Manufacturer", [&] { return p.nbsp(bios["Manufacturer"]); });
        p.row("Description", [&] { return p.nbsp(bios["Description"]); });
        p.row("SMBIOS", [&] { return p.nbsp(bios["SMBIOSBIOSVersion"]); });
    });
    p.finish();
}

}  // namespace tq::probes
