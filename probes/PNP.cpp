// The PnP driver section: signed PCI, USB and HDC drivers, with the MAC
// address of network devices.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

std::string WqlString(std::string_view text) {
    std::string literal = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') literal += '\\';
        literal += c;
    }
    return literal + "'";
}

std::string GetMacAddress(const std::string& name) {
    std::string result;
    trap::on();
    wmi::ServicePtr service;
    wmi::CollectionPtr adapters;
    trap::step([&] { service = wmi::bind(wmi::kMonikerPlain); });
    trap::step([&] {
        adapters = wmi::execQuery(service, "SELECT MACAddress FROM Win32_NetworkAdapter "
                                           "WHERE Name = " + WqlString(name) + " ");
    });
    wmi::walk(adapters, [&](const Object& adapter) {
        if (nonEmptyText(adapter, "MACAddress")) result = adapter["MACAddress"].rawText();
        return Walk::Stop;
    });
    // The lookup never reports a failure.
    trap::clear();
    return result;
}

void WritePnpDriverSection(ReportStream& stream) {
    Probe p(stream);
    p.bind(wmi::kMonikerPlain);
    p.query("SELECT * FROM Win32_PnPSignedDriver WHERE "
            "(Location LIKE '%PCI%') OR DeviceClass='USB' OR DeviceClass='HDC'");
    p.head("PNP");
    p.walk([&](const Object& driver) {
        if (nonEmptyText(driver, "DeviceName")) {
            p.separator();
            p.row("DeviceName", [&] { return nbsp(driver["DeviceName"]); });
            p.rowIfText("DriverVersion", driver, "DriverVersion");
            p.rowIfText("PNPDeviceID", driver, "DeviceID");
            if (trap::test([&] { return driver["DeviceClass"].isText() && driver["DeviceClass"].rawText() == "NET"; })) {
                std::string mac;
                trap::step([&] { mac = GetMacAddress(driver["DeviceName"].rawText()); });
                if (textLength(mac) > 0) p.row("MAC Address", [&] { return mac; });
            }
        }
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
