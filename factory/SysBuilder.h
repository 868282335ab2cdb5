// Factory logs: the first log the production line left in the root of drive
// C: is copied into the report, line by line, and left hidden.
#pragma once

#include <string>

#include "report/stream.h"

namespace tq::factory {

// Copies the first of the known factory logs that exists.
void WriteFactoryLogs(report::ReportStream& stream);

// Copies one log as a section titled with its path; false when there is no
// such file (hidden files included), and then nothing is written.
bool CopyLogFile(const std::string& path, report::ReportStream& stream);

}  // namespace tq::factory
