#include "report/stream.h"

#include "wmi/failure.h"

namespace tq::report {

void ReportStream::writeLine(std::string_view text) {
    if (!writer_) fail::raise(fail::kObjectRequired);
    if (closed_) fail::raise(fail::kBadFileNameOrNumber);
    writer_->writeLine(text);
}

void ReportStream::close() {
    if (!writer_) fail::raise(fail::kObjectRequired);
    if (closed_) return;
    closed_ = true;
    writer_->close();
}

}  // namespace tq::report
