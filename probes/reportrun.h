// The report run: the sections in the order the run writes them, each with
// the progress value shown after it, and the driver that writes them.
#pragma once

#include <vector>

#include "report/stream.h"
#include "wmi/run.h"

namespace tq::probes {

struct Section {
    const char* name;
    void (*write)(report::ReportStream& stream);
    int progress;  // < 0: no progress update afterwards
};

const std::vector<Section>& reportSections();

// How a report run ended.
enum class RunOutcome {
    Saved,           // "The file is saved on ...", the document handed to the shell
    NotCreated,      // "Could not create the file...": back to the main window
    Failed,          // the final error message: a failure pending after the footer
    AlreadyRunning,  // refused: another run is in progress
};

// Drives one report from the created file to the opened document, in a run
// of its own through the program's binder, or in the caller's run.
RunOutcome RunReport(const std::vector<Section>& sections = reportSections());
RunOutcome RunReport(wmi::Run& run, const std::vector<Section>& sections = reportSections());
// True while a report run is in progress (a run is not re-entrant).
bool reportRunning();

}  // namespace tq::probes
