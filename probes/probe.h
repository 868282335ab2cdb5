// The section probe pattern: one report section, a titled table of
// label/value rows, written from one or more queries under failure trapping.
//
//   Probe p(stream);                          // trapping on (the stream's)
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

#include <memory>
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
using trap::Walk;
using wmi::Object;

// The separator row between two devices, and the value of an empty cell.
inline constexpr std::string_view kNbsp = "&nbsp;";

class Probe {
public:
    // Turns failure trapping on.
    explicit Probe(ReportStream& stream);

    ReportStream& stream() noexcept { return stream_; }
    wmi::Run& run() noexcept { return stream_.run(); }
    trap::Trap& trap() noexcept { return stream_.trap(); }
    // The platform's seams the run works through.
    platform::Files& files() noexcept { return *stream_.platform().files; }
    platform::UserInterface& ui() noexcept { return stream_.ui(); }
    platform::Locale& locale() noexcept { return *stream_.platform().locale; }

    // The run's trapping, for the probe's own steps and conditions.
    template <class F>
    bool step(F&& f) noexcept {
        return trap().step(std::forward<F>(f));
    }
    template <class F>
    bool test(F&& cond) noexcept {
        return trap().test(std::forward<F>(cond));
    }
    bool failed() noexcept { return trap().failed(); }
    const Failure& pending() noexcept { return trap().pending(); }
    void setPending(Failure f) noexcept { trap().setPending(std::move(f)); }
    void clear() noexcept { trap().clear(); }
    void on() noexcept { trap().on(); }
    // The two tests of the pattern on an item's property (see below).
    bool nonEmptyText(const Object& item, std::string_view property);
    bool notEmpty(const Object& item, std::string_view property);

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
        wmi::walk(trap(), result_, std::forward<Body>(body));
    }
    // Runs the body on the first item of the last result only, then leaves
    // the walk, whatever the body did.
    template <class Body>
    void first(Body&& body) {
        wmi::walk(trap(), result_, [&](const Object& item) {
            step([&] { body(item); });
            return Walk::Stop;
        });
    }
    // Releases the result and the service.
    void release();
    // Starts another block of the same section: trapping on again.
    void restart() { on(); }

    // Early head: writes the table head now.
    void head(std::string_view title);
    // Late head: names the title; writeHead() writes it when it is not yet written.
    void lateHead(std::string_view title);
    void writeHead();
    bool headWritten() const noexcept { return headWritten_; }

    // One row as one step: `value` computes the cell (reading properties may
    // fail, which abandons the row), then the row is written. The cell is
    // the machine's text: every value a probe takes from a property, a
    // lookup or a cut of either reaches the report here, its "<" and ">"
    // escaped (EscapeMarkup), so no device can put markup into the report.
    // (The hotfix and slot sections, which nest tables of their own in one
    // row, escape the values they put into them the same way.)
    template <class F>
    void row(std::string_view label, F&& value) {
        step([&] {
            const std::string v = std::forward<F>(value)();
            report::WriteTableRow(label, report::EscapeMarkup(v), stream_);
        });
    }
    // A row of the program's own text (its markup, a log's lines), written
    // as given.
    void rowText(std::string_view label, std::string_view value);
    // Row `label` with the property followed by "&nbsp;", written only when
    // the property is a non-empty text (rowIfText) or not empty (rowIfNotEmpty).
    void rowIfText(std::string_view label, const Object& item, std::string_view property);
    void rowIfNotEmpty(std::string_view label, const Object& item, std::string_view property);
    // The text of a value as a row shows it: the value (numbers with the
    // run's decimal separator) followed by "&nbsp;".
    std::string nbsp(const Value& v) { return v.str(run().decimalSeparator) + std::string(kNbsp); }
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

    // A failure check without footer, for sections that check after each of
    // several blocks: the message box (when given) and the failure row.
    void check(std::string_view messageBox = {});
    void footer();

    // The failure row alone: label "Error", the description and "&nbsp;".
    void failureRow(const std::string& description);
    // Shows a critical message box under the program's title.
    void message(std::string_view text);

private:
    ReportStream& stream_;
    wmi::ServicePtr service_;
    wmi::CollectionPtr result_;
    std::string lateTitle_;
    bool late_ = false;
    bool headWritten_ = false;
};

// A text log read line by line through the files' seam, for the sections that
// copy logs. A log that could not be opened has no end to test (52 "Bad file
// name or number"), so the loops over it end at once; closing it does nothing.
class LogFile {
public:
    LogFile(trap::Trap& trap, platform::Files& files) : trap_(trap), files_(files) {}
    // Opens for input (a step): a failure leaves the log unopened.
    void open(const std::string& path);
    bool atEnd();  // throws Error
    // Reads the next line (a step); false when the read failed.
    bool read(std::string& line);
    void close();

private:
    trap::Trap& trap_;
    platform::Files& files_;
    std::unique_ptr<platform::LineReader> reader_;
};

// The two tests of the pattern on an item's property, as trapped conditions:
// a property that cannot be read makes the test fail (the failure pending).
bool nonEmptyText(trap::Trap& trap, const Object& item, std::string_view property);
bool notEmpty(trap::Trap& trap, const Object& item, std::string_view property);

// A value read as text: an absent value cannot be (94 "Invalid use of Null").
std::string textOf(const Value& v);

}  // namespace tq::probes
