// The management service's support trace (wmi/trace.h) into a file the user
// names: `--trace-wmi FILE` or the environment variable TALLYQUEST_TRACE_WMI.
// The file is appended to (created when missing), one write per line; a
// link, a FIFO, a device or a folder at the name is refused. A trace that
// cannot be opened or written never stops a run.
#pragma once

#include <string>

#include "wmi/trace.h"

namespace tq::platform {

// The environment variable's value, or "" when it is not set.
std::string wmiTraceVariable();

// Opens the trace file at a native path and sets `sink` to write into it.
// Returns "" or, when the file cannot be used, why not (`sink` unchanged).
std::string startWmiTrace(const std::string& nativePath, wmi::TraceSink& sink);

}  // namespace tq::platform
