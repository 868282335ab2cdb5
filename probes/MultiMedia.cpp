// The multimedia section and the driver-version lookup the device sections share.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

std::string GetDriverVersion(const std::string& name) {
    std::string result;
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr drivers;
    trap::step([&] { service = wmi::bind(wmi::kMoniker); });
    trap::step([&] { drivers = wmi::execQuery(service, "SELECT * FROM Win32_PnPSignedDriver"); });
    // The name is tested first: most drivers differ in it, so their version
    // is never read.
    wmi::walk(drivers, [&](const Object& driver) {
        const Value& description = driver["Description"];
        if (!description.isText() || description.rawText() != name) return Walk::Next;
        const Value& version = driver["DriverVersion"];
        if (!version.isNonEmptyText()) return Walk::Next;
        result = version.rawText();
        return Walk::Stop;
    });
    return result;
}

}  // namespace tq::probes

namespace tq::probes {

void WriteMultimediaSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("SELECT * FROM Win32_SoundDevice");
    p.lateHead("MultiMedia");
    p.walk([&](const Object& sound) {
        if (!nonEmptyText(sound, "DeviceID")) return;
        p.writeHead();
        p.separator();
        if (nonEmptyText(sound, "Description")) {
            p.row("Name", [&] { return nbsp(sound["Description"]); });
            std::string version;
            trap::step([&] { version = GetDriverVersion(sound["Description"].rawText()); });
            if (!version.empty()) p.row("Driver Version", [&] { return version + std::string(kNbsp); });
        }
        p.rowIfText("Manufacturer", sound, "Manufacturer");
        if (nonEmptyText(sound, "DeviceID"))
            p.row("PNPDeviceID", [&] { return TrimPnpId(sound["DeviceID"].rawText()) + std::string(kNbsp); });
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
