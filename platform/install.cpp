#include "platform/install.h"

#include "platform/wmitrace.h"

namespace tq::platform {

void ReadingLimits::tableRefused(const std::string& root) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!refusedRoot_) refusedRoot_ = root;
}

wmi::Binder tracedProgramBinder(wmi::Binder binder, InstallOptions options) {
    wmi::TraceSink trace;
    if (const std::string file = wmiTraceVariable(); !file.empty()) startWmiTrace(file, trace);
    if (!binder) {
        options.trace = trace;
        binder = platformBinder(options);
    }
    return wmi::traced(std::move(binder), trace);
}

}  // namespace tq::platform
