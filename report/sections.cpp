#include "report/sections.h"

#include "probes/probes.h"

namespace tq::report {

const std::vector<Section>& reportSections() {
    static const std::vector<Section> sections = {
        {"Bios", probes::WriteBiosSection, 10},
    };
    return sections;
}

}  // namespace tq::report
