// The system slots section: one row whose cells hold nested tables, the
// captions on the left and one column per slot on the right.
#include "probes/probe.h"
#include "probes/probes.h"
#include "wmi/run.h"

namespace tq::probes {

void WriteSlotsSection(ReportStream& stream) {
    // Written as it is made, as the hotfix list is: walked once to learn
    // whether a failure replaces the row, then again (from the run's
    // answer) to write it.
    constexpr std::string_view kQuery = "Select * from Win32_SystemSlot";
    Probe p(stream);
    const std::string labels = "<table border='0' cellspacing='3' cellpadding='0'><tr><td>Tag</td></tr><tr><td>Slot "
                               "Description</td></tr><tr><td>Belegung</td></tr></table>";
    p.bind();
    p.query(kQuery);
    p.head("Slots");
    auto pass = [&](auto&& put) {
        p.walk([&](const Object& slot) {
            if (!p.test([&] { return slot["currentusage"].isInteger() && slot["currentusage"].rawInteger() > 0; }))
                return;
            std::string occupancy;  // empty for a usage other than "available" or "in use"
            p.step([&] {
                const std::int32_t usage = slot["currentusage"].rawInteger();
                if (usage == 3) occupancy = "Nein";
                else if (usage == 4) occupancy = "Ja";
            });
            std::string tag, designation;
            if (p.nonEmptyText(slot, "Tag")) p.step([&] { tag = report::EscapeMarkup(slot["Tag"].rawText()); });
            if (p.nonEmptyText(slot, "SlotDesignation"))
                p.step([&] { designation = report::EscapeMarkup(slot["SlotDesignation"].rawText()); });
            put("<td><table border='0 ' cellspacing='3' cellpadding='0'><tr><td>" + tag + "</td>" + "</tr><tr><td>" +
                designation + "</td></tr><tr><td>" + occupancy + "</td></tr></table></td>");
        });
    };
    pass([](std::string_view) {});
    if (p.failed()) {
        p.check();
    } else {
        p.query(kQuery);
        report::TableRowWriter row(labels, stream);
        row.add("<table border='0' cellspacing='0' cellpadding='0'><tr>");
        pass([&](std::string_view piece) { row.add(piece); });
        row.add("</table>");
        row.end();
    }
    p.footer();
    p.release();
}

}  // namespace tq::probes
