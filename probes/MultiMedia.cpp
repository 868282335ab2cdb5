// The multimedia section and the driver-version lookup the device sections share.
#include "probes/probe.h"
#include "probes/probes.h"
#include "wmi/search.h"

namespace tq::probes {

std::string GetDriverVersion(wmi::Run& run, const std::string& name) {
    // The first signed driver described as `name` that has a version. The
    // description is read first: most drivers differ in it, so their version
    // is never read. One walk over the drivers serves every device of a run.
    static const wmi::Search drivers(
        wmi::kMoniker, "SELECT * FROM Win32_PnPSignedDriver", wmi::Search::Match::Exact,
        [](const Object& driver) { return wmi::ifText(driver["Description"]); },
        [](const Object& driver) { return wmi::ifNonEmptyText(driver["DriverVersion"]); });
    run.trap.on();
    return drivers.find(run, name).value_or("");
}

}  // namespace tq::probes

namespace tq::probes {

void WriteMultimediaSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("SELECT * FROM Win32_SoundDevice");
    p.lateHead("MultiMedia");
    p.walk([&](const Object& sound) {
        if (!p.nonEmptyText(sound, "DeviceID")) return;
        p.writeHead();
        p.separator();
        if (p.nonEmptyText(sound, "Description")) {
            p.row("Name", [&] { return p.nbsp(sound["Description"]); });
            std::string version;
            p.step([&] { version = GetDriverVersion(p.run(), sound["Description"].rawText()); });
            if (!version.empty()) p.row("Driver Version", [&] { return version + std::string(kNbsp); });
        }
        p.rowIfText("Manufacturer", sound, "Manufacturer");
        if (p.nonEmptyText(sound, "DeviceID"))
            p.row("PNPDeviceID", [&] { return TrimPnpId(sound["DeviceID"].rawText()) + std::string(kNbsp); });
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
