// The report run: the sections in the order the run writes them, each with
// the progress value shown after it, and the driver that writes them.
#pragma once

#include <vector>

#include "platform/seams.h"
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

// Drives the reports of a program through its platform, and knows whether
// one is in progress: a run is not re-entrant, and the windows, whose
// clicks its progress updates let through, ask it before they start one.
class ReportRunner {
public:
    explicit ReportRunner(platform::Platform& platform) : platform_(platform) {}
    platform::Platform& platform() const noexcept { return platform_; }
    bool running() const noexcept { return running_; }

    // One report from the created file to the opened document, in a run of
    // its own through the platform's binder, or in the caller's run.
    RunOutcome run(const std::vector<Section>& sections = reportSections());
    RunOutcome run(wmi::Run& run, const std::vector<Section>& sections = reportSections());

private:
    platform::Platform& platform_;
    bool running_ = false;
};

// One report of a program that runs no other at the same time.
inline RunOutcome RunReport(platform::Platform& platform, const std::vector<Section>& sections = reportSections()) {
    return ReportRunner(platform).run(sections);
}
inline RunOutcome RunReport(platform::Platform& platform, wmi::Run& run,
                            const std::vector<Section>& sections = reportSections()) {
    return ReportRunner(platform).run(run, sections);
}

}  // namespace tq::probes
