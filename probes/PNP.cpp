// The PnP driver section: signed PCI, USB and HDC drivers, with the MAC
// address of network devices.
#include "probes/probe.h"
#include "probes/probes.h"
#include "wmi/search.h"

namespace tq::probes {

std::string GetMacAddress(wmi::Run& run, const std::string& name) {
    // What "SELECT MACAddress FROM Win32_NetworkAdapter WHERE Name = '...'"
    // gives: the first adapter of that name (letter case ignored, as WQL
    // compares texts), its address when that is a non-empty text. One walk
    // over the adapters serves every driver of a run.
    static const wmi::Search adapters(
        wmi::kMonikerPlain, "SELECT Name, MACAddress FROM Win32_NetworkAdapter", wmi::Search::Match::IgnoringCase,
        [](const Object& adapter) { return wmi::wqlText(adapter["Name"]); },
        [](const Object& adapter) -> std::optional<std::string> {
            // An address that cannot be read answers "": the lookup reports no failure.
            trap::Trap unreported;
            return nonEmptyText(unreported, adapter, "MACAddress") ? adapter["MACAddress"].rawText() : "";
        });
    run.trap.on();
    std::string result = adapters.find(run, name).value_or("");
    // The lookup never reports a failure.
    run.trap.clear();
    return result;
}

void WritePnpDriverSection(ReportStream& stream) {
    Probe p(stream);
    p.bind(wmi::kMonikerPlain);
    p.query("SELECT * FROM Win32_PnPSignedDriver WHERE "
            "(Location LIKE '%PCI%') OR DeviceClass='USB' OR DeviceClass='HDC'");
    p.head("PNP");
    p.walk([&](const Object& driver) {
        if (p.nonEmptyText(driver, "DeviceName")) {
            p.separator();
            p.row("DeviceName", [&] { return p.nbsp(driver["DeviceName"]); });
            p.rowIfText("DriverVersion", driver, "DriverVersion");
            p.rowIfText("PNPDeviceID", driver, "DeviceID");
            if (p.test([&] { return driver["DeviceClass"].isText() && driver["DeviceClass"].rawText() == "NET"; })) {
                std::string mac;
                p.step([&] { mac = GetMacAddress(p.run(), driver["DeviceName"].rawText()); });
                if (textLength(mac) > 0) p.row("MAC Address", [&] { return mac; });
            }
        }
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
