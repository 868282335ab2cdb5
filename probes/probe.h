// The section probe pattern: one report section, a titled table of
// label/value rows, written from one or more queries under failure trapping.
//
//   Probe p(stream);                          // trapping on
//   p.bind();                                  // the default moniker
//   p.query("Select * from Win32_Bios");
//   p.head("Bios");                            // early head
//   p.walk([&](const wmi::Object& it) {
//       p.row("Manufacturer", [&] { return it["Manufacturer"] & "&nbsp;"; });
//   });
//   p.finish();                                // failure check and footer
//
// A late-head probe calls lateHead(title) first and writeHead() before the
// first row of the first item that passes its filter; finish() then writes
// nothing at all when no head was written and no failure is pending.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "report/html.h"
#include "report/main.h"
#include "report/stream.h"
#include "wmi/service.h"
#include "wmi/trap.h"

namespace tq::probes {

using report::ReportStream;
using wmi::Object;
using trap::Walk;

// The separator row between two devices, and the value of an empty cell.
inline constexpr std::string_view kNbsp = "&nbsp;";

class Probe {
public:
    // Turns failure trapping on.
    explicit Probe(ReportStream& stream);

    ReportStream& stream() noexcept { return stream_; }

    // Binds a moniker (a step); a failed bind leaves no service, so the
    // queries and walks after it fail on the calling side.
    void bind(std::string_view moniker = wmi::kMoniker);
    // Runs a query on the bound service (a step); the result replaces the last one.
    void query(std::string_view wql, int flags = wmi::kProbeFlags);
    // Runs the query with the service's defaults, passing the text alone.
    void queryDefaults(std::string_view wql);
    // Walks the last query's result; the body may return Walk::Stop.
    template <class Body>
    void walk(Body&& body) {
        wmi::walk(result_, std::forward<Body>(body));
    }
    // Releases the result and the service.
    void release();

    // Early head: writes the table head now.
    void head(std::string_view title);
    // Late head: names the title; writeHead() writes it when it is not yet written.
    void lateHead(std::string_view title);
    void writeHead();
    bool headWritten() const noexcept { return headWritten_; }

    // One row as one step: `value` computes the cell (reading properties may
    // fail, which abandons the row), then the row is written.
    template <class F>
    void row(std::string_view label, F&& value) {
        trap::step([&] {
            const std::string v = std::forward<F>(value)();
            report::WriteTableRow(label, v, stream_);
        });
    }
    // A row with a fixed value.
    void rowText(std::string_view label, std::string_view value);
    // The separator row, when at least one device has been written.
    void separator();

    // The device counter (16-bit in the original design; an int here).
    int counter = 0;

    // The failure check and the footer. With an early head: the failure row
    // (after the message box, when one is given) and the footer. With a late
    // head: the same when the head was written; otherwise, only when a
    // failure is pending, the head titled `fallbackTitle` (or the late title),
    // the failure row and the footer, without message box.
    void finish(std::string_view messageBox = {}, std::string_view fallbackTitle = {});

    // The failure row alone: label "Error", the description and "&nbsp;".
    void failureRow(const std::string& description);
    // Shows a critical message box under the program's title.
    static void message(std::string_view text);

private:
    ReportStream& stream_;
    wmi::ServicePtr service_;
    wmi::CollectionPtr result_;
    std::string lateTitle_;
    bool late_ = false;
    bool headWritten_ = false;
};

// The text of a value as a row shows it: the value followed by "&nbsp;".
inline std::string nbsp(const Value& v) { return v & kNbsp; }

}  // namespace tq::probes
