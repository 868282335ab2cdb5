// The motherboard section: three queries into one table, each block with a
// failure check and message of its own.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

namespace {
constexpr std::string_view kMessage = "Error: try to get motherboarddata in Modul 'MB'";
}

void WriteMotherboardSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("SELECT * FROM Win32_ComputerSystemProduct");
    p.head("Motherboard");
    p.walk([&](const Object& product) { p.rowIfText("Product", product, "Name"); });
    p.check(kMessage);
    p.release();

    p.restart();
    p.bind();
    p.query("SELECT Manufacturer FROM Win32_BaseBoard");
    p.walk([&](const Object& board) { p.rowIfText("Manufacturer (BaseBoard)", board, "Manufacturer"); });
    p.check(kMessage);
    p.release();

    p.restart();
    p.bind();
    p.query("SELECT Manufacturer FROM Win32_ComputerSystem");
    p.walk([&](const Object& system) { p.rowIfText("Manufacturer (System)", system, "Manufacturer"); });
    p.check(kMessage);

    p.footer();
    p.release();
}

}  // namespace tq::probes
