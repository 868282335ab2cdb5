// The processor section: the first processor and its driver's hardware ID.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteCpuSection(ReportStream& stream) {
    Probe p(stream);
    std::string name;
    p.bind();
    p.query("Select * from Win32_Processor");
    p.lateHead("CPU");
    p.walk([&](const Object& cpu) {
        if (!p.test([&] { return cpu["DeviceID"].isText() && cpu["DeviceID"].rawText() == "CPU0"; })) return;
        p.writeHead();
        if (p.nonEmptyText(cpu, "Name")) {
            p.step([&] {
                name = cpu["Name"].rawText();
                name.erase(
                    0, name.find_first_not_of(' ') == std::string::npos ? name.size() : name.find_first_not_of(' '));
            });
        }
        p.row("Name", [&] { return name + std::string(kNbsp); });
        p.rowIfNotEmpty("MaxClockSpeed", cpu, "MaxClockSpeed");
        p.rowIfNotEmpty("Device Type", cpu, "Description");
        p.rowIfNotEmpty("L2CacheSize", cpu, "L2CacheSize");
    });

    p.query("SELECT HardWareID FROM Win32_PnPSignedDriver Where Deviceclass = 'PROCESSOR'");
    p.first([&](const Object& driver) {
        p.writeHead();
        p.rowIfNotEmpty("HardWareID", driver, "HardWareID");
    });
    p.finish();
}

}  // namespace tq::probes
