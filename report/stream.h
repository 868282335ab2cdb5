// The report stream: the open text file of the report, held by the report
// run and passed to every writer. Writing to a stream that was never opened
// fails like calling a missing object; writing after close fails too. The
// stream carries the run it belongs to: its service and its pending failure,
// which every writer records into; and the platform the run works through.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/seams.h"
#include "wmi/run.h"

namespace tq::report {

class ReportStream {
public:
    ReportStream(wmi::Run& run, platform::Platform& platform) : run_(&run), platform_(&platform) {}
    ReportStream(wmi::Run& run, platform::Platform& platform, std::unique_ptr<platform::TextWriter> writer)
        : run_(&run), platform_(&platform), writer_(std::move(writer)) {}

    wmi::Run& run() const noexcept { return *run_; }
    platform::Platform& platform() const noexcept { return *platform_; }
    platform::UserInterface& ui() const noexcept { return *platform_->ui; }
    trap::Trap& trap() const noexcept { return run_->trap; }

    bool isOpen() const noexcept { return writer_ != nullptr && !closed_; }
    void writeLine(std::string_view text = {});  // throws Error
    // The start of a line that the next writeLine ends, written as it comes
    // where the file allows (a row of millions of entries is never held whole).
    void write(std::string_view text);  // throws Error
    void close();                       // throws Error

private:
    wmi::Run* run_;
    platform::Platform* platform_;
    std::unique_ptr<platform::TextWriter> writer_;
    bool closed_ = false;
    std::string held_;  // parts of the line a writer could not take
};

}  // namespace tq::report
