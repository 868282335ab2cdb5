// The section probes and the lookups they share. Each probe writes one
// report section (or, for some, none) to the report stream.
#pragma once

#include <string>

#include "report/stream.h"

namespace tq::probes {

using report::ReportStream;

void WriteBiosSection(ReportStream& stream);

// The DriverVersion of the first signed driver whose Description equals
// `name` exactly, or "".
std::string GetDriverVersion(const std::string& name);

}  // namespace tq::probes
