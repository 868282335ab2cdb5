// tallyquest-report's command line: GNU-style options (long ones with a
// separate or "=" value, "--" ending them, -h, -V, -q), checked as a whole
// before anything runs.
#pragma once

#include <string>
#include <vector>

#include "app/ocs_send.h"

namespace tq::app {

struct Onboard {
    bool vga = false, audio = false, lan = true;
};

struct ReportOptions {
    std::string folder, snapshot, root, driveC, comment, dumpFile, traceFile, designation;
    std::string output;  // --output: a file, "-" for standard output
    bool haveDesignation = false, haveComment = false, haveOnboard = false;
    bool open = false, quiet = false, sanitize = false;
    Onboard onboard;
    OcsOptions ocs;

    // Whether the HTML report is written: always, unless an inventory or a
    // dump goes to standard output and no report was asked for by --output
    // or --folder.
    bool writeReport = true;
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Usage } action = Action::Run;
    std::string error;  // the reason of a usage error
    ReportOptions options;
};

// `traceDefault` is what TALLYQUEST_TRACE_WMI names ("" when unset).
// `belowFolder`: whether --root and --drive-c exist (Linux).
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, const std::string& traceDefault,
                                   bool belowFolder);

// "-" as a file argument: standard output.
inline bool isStandardOutput(const std::string& path) { return path == "-"; }

const char* helpText();

}  // namespace tq::app
