// The memory section: one block per physical memory module.
#include <cmath>
#include <limits>

#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

std::string MemoryTypeName(std::int32_t code) {
    static constexpr const char* kNames[] = {
        "Unknown ", "Other ", "DRAM ",  "Synchronous DRAM ", "Cache DRAM ", "EDO ",   "EDRAM ", "VRAM ",  "SRAM ",
        "RAM ",     "ROM ",   "Flash ", "EEPROM ",           "FEPROM ",     "EPROM ", "CDRAM ", "3DRAM ", "SDRAM ",
        "SGRAM ",   "RDRAM ", "DDR ",
    };
    if (code < 0 || code > 20) return "**Unknown**";
    return kNames[code];
}

std::int32_t CapacityMb(const Value& capacity) {
    const double mb = std::nearbyint(*capacity.number() / 1024.0 / 1024.0);  // halfway to even
    if (mb > std::numeric_limits<std::int32_t>::max()) fail::raise(fail::kOverflow);
    return static_cast<std::int32_t>(mb);
}

void WriteMemorySection(ReportStream& stream) {
    Probe p(stream);
    p.head("Memory");
    p.bind();
    p.query("Select * from CIM_PhysicalMemory");
    p.walk([&](const Object& module) {
        if (!p.test([&] { return module["MemoryType"].isInteger(); })) return;
        p.separator();
        p.row("MemoryType", [&] { return MemoryTypeName(module["MemoryType"].rawInteger()) + std::string(kNbsp); });
        if (p.test([&] {
                const Value& c = module["Capacity"];
                return c.isText() && c.number().value_or(0) > 0;
            }))
            p.row("Capacity", [&] { return std::to_string(CapacityMb(module["Capacity"])) + " MB"; });
        if (p.test([&] { return module["Speed"].isInteger() && module["Speed"].rawInteger() > 0; }))
            p.row("Speed", [&] { return p.nbsp(module["Speed"]); });
        else p.rowText("Speed", "unknown");
        p.rowIfText("Slot", module, "DeviceLocator");
        ++p.counter;
    });
    p.finish();
}

}  // namespace tq::probes
