#include "report/sections.h"

#include "factory/SysBuilder.h"
#include "probes/probes.h"

namespace tq::report {

const std::vector<Section>& reportSections() {
    using namespace probes;
    static const std::vector<Section> sections = {
        {"Motherboard", WriteMotherboardSection, 5},
        {"Bios", WriteBiosSection, 10},
        {"CPU", WriteCpuSection, 15},
        {"Memory", WriteMemorySection, 20},
        {"VGA", WriteGraphicsSection, 25},
        {"HDD", WriteHddSection, 30},
        {"Removable drives", WriteRemovableDrivesSection, 35},
        {"CDROM", WriteCdromSection, 40},
        {"Modem", WriteModemSection, 45},
        {"Keyboard", WriteKeyboardSection, 50},
        {"Mouse", WriteMouseSection, 57},
        {"MultiMedia", WriteMultimediaSection, 59},
        {"On Board", WriteOnboardSection, 64},
        {"Networkdevices", WriteNetworkSection, 67},
        {"Slots", WriteSlotsSection, 70},
        {"Operatingsystem", WriteOsSection, 75},
        {"Performance rating", WritePerformanceRatingSection, 77},
        {"Hotfix", WriteHotfixSection, 80},
        {"PNP", WritePnpDriverSection, 85},
        {"Defective hardware", WriteDefectiveHardwareSection, 90},
        {"Sigverif", WriteSignatureSection, 95},
        {"Factory log", factory::WriteFactoryLogs, -1},
    };
    return sections;
}

}  // namespace tq::report
