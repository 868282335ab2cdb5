// The hotfix section: the installed updates, two per line, as one nested
// table written as the value of a single row.
#include "probes/probe.h"
#include "probes/probes.h"
#include "wmi/run.h"

namespace tq::probes {

void WriteHotfixSection(ReportStream& stream) {
    // A machine may list millions of updates: the row is written as it is
    // made, so the list is walked twice, first to learn whether a failure
    // replaces it, then to write it. The run keeps the answer, so the
    // query is sent once.
    constexpr std::string_view kQuery = "Select * from Win32_QuickFixEngineering Where HotFixID <> 'File 1'";
    Probe p(stream);
    p.bind();
    p.query(kQuery);
    p.lateHead("Hotfix");

    // One pass over the list; `put` receives the markup piece by piece.
    auto pass = [&](auto&& put) {
        int column = 1;
        bool tableOpen = false;
        p.walk([&](const Object& fix) {
            if (!p.nonEmptyText(fix, "HotFixID")) return;
            std::string description = "no Entry";
            if (p.nonEmptyText(fix, "Description")) p.step([&] { description = fix["Description"].rawText(); });
            if (!p.headWritten()) p.writeHead();
            if (!tableOpen) {
                tableOpen = true;
                put("<table border='1' cellspacing='0' cellpadding='0'>"
                    "<tr><td width='290' align='center'>Description</td>"
                    "<td width='60' align='center'>Hotfix ID</td>"
                    "<td width='5' borders='0'></td>"
                    "<td width='290' align='center'>Description</td>"
                    "<td width='60' align='center'>Hotfix ID</td></tr>");
            }
            if (column == 1) put("<tr>");
            put("<td width='290' valign='top'>&nbsp;" + report::EscapeMarkup(description) + "</td>");
            p.step([&] {
                put("<td width='60' valign='top'>&nbsp;" + report::EscapeMarkup(fix["HotFixID"].str()) + "</td>");
            });
            if (column == 1) {
                put("<td width='5' borders='0'></td>");
                column = 2;
            } else {
                put("</tr>");
                column = 1;
            }
        });
        return column;
    };
    pass([](std::string_view) {});

    // Once the head is written, a pending failure replaces the whole list.
    if (!p.headWritten()) return p.finish();
    if (p.failed()) {
        p.check();
    } else {
        p.query(kQuery);
        report::TableRowWriter row(kNbsp, stream);
        row.add("<table border='0' cellspacing='3' cellpadding='0'><tr valign='top'><td>");
        const int column = pass([&](std::string_view piece) { row.add(piece); });
        if (column == 2) row.add("<td>&nbsp;</td><td>&nbsp;</td></tr>");
        row.add("</table></tr></table>");
        row.end();
    }
    p.footer();
    p.release();
}

}  // namespace tq::probes
