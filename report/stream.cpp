#include "report/stream.h"

#include "wmi/failure.h"

namespace tq::report {

void ReportStream::writeLine(std::string_view text) {
    if (!writer_) fail::raise(fail::kObjectRequired);
    if (closed_) fail::raise(fail::kBadFileNameOrNumber);
    if (held_.empty()) return writer_->writeLine(text);
    held_ += text;
    std::string line = std::move(held_);
    held_.clear();
    writer_->writeLine(line);
}

void ReportStream::write(std::string_view text) {
    if (!writer_) fail::raise(fail::kObjectRequired);
    if (closed_) fail::raise(fail::kBadFileNameOrNumber);
    if (held_.empty() && writer_->writePart(text)) return;
    held_ += text;
}

void ReportStream::close() {
    if (!writer_) fail::raise(fail::kObjectRequired);
    if (closed_) return;
    closed_ = true;
    writer_->close();
}

}  // namespace tq::report
