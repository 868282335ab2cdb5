#include "probes/reportrun.h"

#include "factory/SysBuilder.h"
#include "probes/probes.h"
#include "report/html.h"
#include "report/main.h"
#include "wmi/run.h"
#include "wmi/trap.h"

namespace tq::probes {

const std::vector<Section>& reportSections() {
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

using namespace report;

RunOutcome ReportRunner::run(const std::vector<Section>& sections) {
    wmi::Run run(platform_.binder);  // one connection, each query once
    return this->run(run, sections);
}

RunOutcome ReportRunner::run(wmi::Run& run, const std::vector<Section>& sections) {
    if (running_) return RunOutcome::AlreadyRunning;
    running_ = true;
    struct Leave {
        bool& running;
        ~Leave() { running = false; }
    } leave{running_};
    auto& ui = *platform_.ui;
    const std::string title(kAppTitle);

    ui.closeReportNameDialog();
    ui.setMousePointer(platform::kPointerHourglass);
    run.decimalSeparator = platform_.locale->decimalSeparator();
    trap::Trap& t = run.trap;  // the writers and probes trap into it
    t.on();

    t.step([&] { ui.progressCreate(); });
    t.step([&] { ui.progressSetCaption(title); });
    t.step([&] { ui.progressVisiblePicture(0xFFFFFF, 0xC00000, false); });
    t.step([&] { ui.progressSetStatus("Scan is running, please wait..."); });
    t.step([&] { ui.progressShow(); });

    bool exists = false;
    t.step([&] {
        if (!gObjFso) gObjFso = platform_.files;
        exists = gObjFso->fileExists(reportPath(*platform_.files));
    });
    if (!exists) {
        gObjFso = nullptr;
        t.step([&] { ui.progressClose(); });
        ui.setMousePointer(platform::kPointerDefault);
        ui.messageBox("Could not create the file...", kStyleOk, title);
        return RunOutcome::NotCreated;
    }

    ReportStream stream(run, platform_);
    t.step([&] { stream = ReportStream(run, platform_, gObjFso->openForWriting(reportPath(*platform_.files))); });
    WriteHtmlHeader(gStrFileName, stream);
    for (const Section& section : sections) {
        section.write(stream);
        if (section.progress >= 0) t.step([&] { ui.progressUpdate(section.progress); });
    }
    WriteHtmlFooter(stream);
    t.step([&] { stream.close(); });
    t.step([&] { ui.progressUpdate(100); });
    t.step([&] { ui.progressClose(); });
    ui.setMousePointer(platform::kPointerDefault);

    if (t.failed()) {
        ui.messageBox(
            "An error occured while scanning the system - " + t.pending().description + " - Tallyquest will be close",
            kStyleCritical, title);
        ui.closeMainWindow();
        return RunOutcome::Failed;
    }
    const std::string path = reportPath(*platform_.files);
    // Named as the user finds it on this platform.
    ui.messageBox("The file is saved on " + platform_.files->displayPath(path), kStyleOk, "File is saved");
    OpenDocument(platform_, ui.mainWindowHandle(), path);
    ui.closeMainWindow();
    return RunOutcome::Saved;
}

}  // namespace tq::probes
