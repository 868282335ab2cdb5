// The hotfix section: the installed updates, two per line, as one nested
// table written as the value of a single row.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

void WriteHotfixSection(ReportStream& stream) {
    std::string markup = "<table border='0' cellspacing='3' cellpadding='0'><tr valign='top'><td>";
    int column = 1;
    Probe p(stream);
    p.bind();
    p.query("Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'");
    p.lateHead("Hotfix");
    p.walk([&](const Object& fix) {
        if (!nonEmptyText(fix, "HotFixID")) return;
        std::string description = "no Entry";
        if (nonEmptyText(fix, "Description")) trap::step([&] { description = fix["Description"].rawText(); });
        if (!p.headWritten()) {
            p.writeHead();
            markup += "<table border='1' cellspacing='0' cellpadding='0'>";
            markup += "<tr><td width='290' align='center'>Description</td>";
            markup += "<td width='60' align='center'>Hotfix ID</td>";
            markup += "<td width='5' borders='0'></td>";
            markup += "<td width='290' align='center'>Description</td>";
            markup += "<td width='60' align='center'>Hotfix ID</td></tr>";
        }
        if (column == 1) markup += "<tr>";
        markup += "<td width='290' valign='top'>&nbsp;" + report::EscapeMarkup(description) + "</td>";
        trap::step([&] { markup += "<td width='60' valign='top'>&nbsp;" + report::EscapeMarkup(fix["HotFixID"].str()) + "</td>"; });
        if (column == 1) {
            markup += "<td width='5' borders='0'></td>";
            column = 2;
        } else {
            markup += "</tr>";
            column = 1;
        }
    });

    // Once the head is written, a pending failure replaces the whole list.
    if (!p.headWritten()) return p.finish();
    if (trap::failed()) {
        p.check();
    } else {
        if (column == 2) markup += "<td>&nbsp;</td><td>&nbsp;</td></tr>";
        markup += "</table></tr></table>";
        p.rowText(kNbsp, markup);
    }
    p.footer();
    p.release();
}

}  // namespace tq::probes
