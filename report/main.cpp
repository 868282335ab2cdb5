#include "report/main.h"

#include "report/html.h"
#include "report/sections.h"
#include "report/stream.h"
#include "wmi/run.h"
#include "wmi/trap.h"

namespace tq::report {

std::string gStrFileName;
std::string gStrComment;
platform::Files* gObjFso = nullptr;

namespace {
bool gRunning = false;

struct RunningFlag {
    RunningFlag() { gRunning = true; }
    ~RunningFlag() { gRunning = false; }
};
}  // namespace

bool reportRunning() { return gRunning; }

std::string reportPath() { return platform::files().applicationFolder() + "\\" + gStrFileName; }

void RunReport() {
    if (gRunning) return;
    RunningFlag running;
    wmi::RunScope run;  // one connection, each query once
    auto& ui = platform::ui();
    const std::string title(kAppTitle);

    ui.closeReportNameDialog();
    ui.setMousePointer(platform::kPointerHourglass);
    trap::on();

    trap::step([&] { ui.progressCreate(); });
    trap::step([&] { ui.progressSetCaption(title); });
    trap::step([&] { ui.progressVisiblePicture(0xFFFFFF, 0xC00000, false); });
    trap::step([&] { ui.progressSetStatus("Scan is running, please wait..."); });
    trap::step([&] { ui.progressShow(); });

    bool exists = false;
    trap::step([&] {
        if (!gObjFso) gObjFso = &platform::files();
        exists = gObjFso->fileExists(reportPath());
    });
    if (!exists) {
        gObjFso = nullptr;
        trap::step([&] { ui.progressClose(); });
        ui.setMousePointer(platform::kPointerDefault);
        ui.messageBox("Could not create the file...", kStyleOk, title);
        return;
    }

    ReportStream stream;
    trap::step([&] { stream = ReportStream(gObjFso->openForWriting(reportPath())); });
    WriteHtmlHeader(gStrFileName, stream);
    for (const Section& section : reportSections()) {
        section.write(stream);
        if (section.progress >= 0) trap::step([&] { ui.progressUpdate(section.progress); });
    }
    WriteHtmlFooter(stream);
    trap::step([&] { stream.close(); });
    trap::step([&] { ui.progressUpdate(100); });
    trap::step([&] { ui.progressClose(); });
    ui.setMousePointer(platform::kPointerDefault);

    if (trap::failed()) {
        ui.messageBox("An error occured while scanning the system - " + trap::pending().description +
                          " - Tallyquest will be close",
                      kStyleCritical, title);
        ui.closeMainWindow();
        return;
    }
    const std::string path = reportPath();
    // Named as the user finds it on this platform.
    ui.messageBox("The file is saved on " + platform::files().displayPath(path), kStyleOk, "File is saved");
    OpenDocument(ui.mainWindowHandle(), path);
    ui.closeMainWindow();
}

void OpenDocument(std::uintptr_t ownerWindow, const std::string& path) {
    auto& ui = platform::ui();
    ui.setMousePointer(platform::kPointerHourglass);
    platform::shell().execute(ownerWindow, "Open", path, "", "", 1);
    ui.setMousePointer(platform::kPointerDefault);
}

std::string TrimPnpId(std::string_view id) {
    const std::size_t p = textFind(id, "&REV", 1, true);
    if (p == 0) return std::string(id);
    const std::size_t q = textFind(id, "\\", p);
    // Without a "\" after the revision there is no instance part to cut.
    if (q == 0) return std::string(id);
    return textLeft(id, q - 1);
}

std::string EncodeUmlauts(std::string& text) {
    static constexpr std::pair<std::string_view, std::string_view> kPairs[] = {
        {"\"", "&quot;"},        {"\xC3\xB6", "&ouml;"}, {"\xC3\x96", "&Ouml;"}, {"\xC3\xA4", "&auml;"},
        {"\xC3\x84", "&Auml;"}, {"\xC3\xBC", "&uuml;"}, {"\xC3\x9C", "&Uuml;"},
    };
    for (const auto& [ch, entity] : kPairs)
        if (text.find(ch) != std::string::npos) text = textReplace(text, ch, entity);
    return text;
}

}  // namespace tq::report
