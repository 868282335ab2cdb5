// The report's sections in the order the run writes them, each with the
// progress value shown after it (none for the last).
#pragma once

#include <vector>

#include "report/stream.h"

namespace tq::report {

struct Section {
    const char* name;
    void (*write)(ReportStream& stream);
    int progress;  // < 0: no progress update afterwards
};

const std::vector<Section>& reportSections();

}  // namespace tq::report
