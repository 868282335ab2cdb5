#include "factory/SysBuilder.h"

#include "probes/probe.h"
#include "report/html.h"

namespace tq::factory {

bool CopyLogFile(const std::string& path, report::ReportStream& stream) {
    auto& files = *stream.platform().files;
    bool stop = false;
    trap::Trap& t = stream.trap();
    t.on();
    std::string found;
    t.step([&] { found = files.lookup(path, platform::kAttrHidden); });
    if (found.empty()) return false;

    // A hidden or read-only log must be readable first.
    t.step([&] { files.setAttributes(path, platform::kAttrNormal); });
    report::WriteTableHead(path, stream);
    probes::LogFile log(t, files);
    log.open(path);
    std::string line;
    while (t.test([&] { return !log.atEnd() && !stop; })) {
        if (!log.read(line)) break;
        if (!line.empty()) report::WriteTableRow("", line, stream);
        if (textFind(line, "End copy", 1, true) > 0) stop = true;
    }
    log.close();
    report::WriteTableFooter(stream);
    t.step([&] { files.setAttributes(path, platform::kAttrHidden); });
    return true;
}

void WriteFactoryLogs(report::ReportStream& stream) {
    if (CopyLogFile("C:\\Prodlog.txt", stream)) return;
    if (CopyLogFile("C:\\systembuilder.dat", stream)) return;
    CopyLogFile("C:\\868.dat", stream);
}

}  // namespace tq::factory
