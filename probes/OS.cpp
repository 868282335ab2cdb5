// The operating system section and the stored system assessment scores.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteOsSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_OperatingSystem");
    p.head("Operatingsystem");
    p.walk([&](const Object& os) {
        if (!p.nonEmptyText(os, "Caption")) return;
        p.row("Name", [&] { return p.nbsp(os["Caption"]); });
        p.rowIfText("BuildType", os, "BuildType");
        p.rowIfText("CountryCode", os, "CountryCode");
        p.rowIfText("CSDVersion", os, "CSDVersion");
        p.rowIfText("Version", os, "Version");
    });
    p.finish();
}

void WritePerformanceRatingSection(ReportStream& stream) {
    Probe p(stream);
    p.bind();
    p.queryDefaults("Select * From Win32_WinSAT");
    p.head("Windows System Assessment (Scoring)");
    p.walk([&](const Object& sat) {
        p.row("Processor", [&] { return p.nbsp(sat["CPUScore"]); });
        p.row("Memory", [&] { return p.nbsp(sat["MemoryScore"]); });
        p.row("Primary hard disk", [&] { return p.nbsp(sat["DiskScore"]); });
        p.row("Graphics", [&] { return p.nbsp(sat["GraphicsScore"]); });
        p.row("Gaming graphics", [&] { return p.nbsp(sat["D3DScore"]); });
        p.row("Windows System Performance Rating", [&] { return p.nbsp(sat["WinSPRLevel"]); });
    });
    // This section names no failure, it only marks one.
    if (p.failed()) p.rowText("-", "-&nbsp;");
    p.footer();
    p.release();
}

}  // namespace tq::probes
