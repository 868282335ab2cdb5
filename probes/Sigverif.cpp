// The driver signature section: the introduction and the unsigned files of
// the signature verification tool's log in the Windows folder.
#include "probes/probe.h"
#include "probes/probes.h"

namespace tq::probes {

namespace {
// Keeps what stands before the last "<br>"; fails when there is none.
void cutLastBreak(std::string& text) {
    const std::size_t p = text.rfind("<br>");
    if (p == std::string::npos) fail::raise(fail::kInvalidArgument);
    text.erase(p);
}
}  // namespace

void WriteSignatureSection(ReportStream& stream) {
    Probe p(stream);
    auto& files = p.files();
    int lineCounter = 1;
    std::string collected;

    std::string winDir;
    p.step([&] { winDir = files.environment("WinDir").value_or(""); });
    const std::string path = winDir + "\\" + "SIGVERIF.TXT";
    if (!p.test([&] { return files.fileExists(path); })) return;

    LogFile log(p.trap(), files);
    log.open(path);
    // Introduction: up to the separator line, whose heading line goes too.
    std::string line;
    while (p.test([&] { return !log.atEnd() && lineCounter < 14; })) {
        if (!log.read(line)) break;
        if (line.find("---") != std::string::npos) {
            p.step([&] { cutLastBreak(collected); });
            p.step([&] { cutLastBreak(collected); });
            lineCounter = 14;
        } else {
            if (line.find("***") == std::string::npos && !line.empty()) collected += line + "<br>";
            ++lineCounter;
        }
    }
    p.lateHead("Sigverif");
    if (!collected.empty()) {
        p.writeHead();
        p.rowText("", collected + std::string(kNbsp));
    }

    // Details: the files the tool found unsigned (status at column 61).
    collected.clear();
    while (p.test([&] { return !log.atEnd(); })) {
        if (!log.read(line)) break;
        if (textMid(line, 61, 10) == "Not Signed" && !line.empty()) collected += line + "<br>";
        if (textMid(line, 61, 14) == "Nicht signiert" && !line.empty()) collected += line + "<br>";
    }
    if (!collected.empty()) {
        p.writeHead();
        p.rowText("", collected + std::string(kNbsp));
    }
    log.close();

    // The failure is reported here and goes no further.
    p.finish();
    p.clear();
}

}  // namespace tq::probes
