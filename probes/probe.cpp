#include "probes/probe.h"

namespace tq::probes {

Probe::Probe(ReportStream& stream) : stream_(stream) { on(); }

void Probe::bind(std::string_view moniker) {
    service_.reset();
    step([&] { service_ = run().bind(moniker); });
}

void Probe::query(std::string_view wql, int flags) {
    result_.reset();
    step([&] { result_ = wmi::execQuery(service_, wql, flags); });
}

void Probe::queryDefaults(std::string_view wql) { query(wql, wmi::kDefaultFlags); }

void Probe::release() {
    result_.reset();
    service_.reset();
}

void Probe::head(std::string_view title) {
    report::WriteTableHead(title, stream_);
    headWritten_ = true;
}

void Probe::lateHead(std::string_view title) {
    late_ = true;
    lateTitle_ = std::string(title);
}

void Probe::writeHead() {
    if (headWritten_) return;
    head(lateTitle_);
}

void Probe::rowText(std::string_view label, std::string_view value) { report::WriteTableRow(label, value, stream_); }

void Probe::rowIfText(std::string_view label, const Object& item, std::string_view property) {
    if (nonEmptyText(item, property)) row(label, [&] { return nbsp(item[property]); });
}

void Probe::rowIfNotEmpty(std::string_view label, const Object& item, std::string_view property) {
    if (notEmpty(item, property)) row(label, [&] { return nbsp(item[property]); });
}

void Probe::separator() {
    if (counter > 0) rowText(kNbsp, kNbsp);
}

void Probe::failureRow(const std::string& description) { rowText("Error", description + std::string(kNbsp)); }

void Probe::message(std::string_view text) {
    ui().messageBox(std::string(text), report::kStyleCritical, std::string(report::kAppTitle));
}

void Probe::check(std::string_view messageBox) {
    if (!failed()) return;
    const std::string description = pending().description;
    if (!messageBox.empty()) message(messageBox);
    failureRow(description);
}

void Probe::footer() { report::WriteTableFooter(stream_); }

bool Probe::nonEmptyText(const Object& item, std::string_view property) {
    return probes::nonEmptyText(trap(), item, property);
}

bool Probe::notEmpty(const Object& item, std::string_view property) { return probes::notEmpty(trap(), item, property); }

bool nonEmptyText(trap::Trap& trap, const Object& item, std::string_view property) {
    return trap.test([&] { return item[property].isNonEmptyText(); });
}

bool notEmpty(trap::Trap& trap, const Object& item, std::string_view property) {
    return trap.test([&] { return item[property].isNotEmpty(); });
}

std::string textOf(const Value& v) {
    if (v.isAbsent()) fail::raise(fail::kInvalidUseOfNull);
    return v.str();
}

void LogFile::open(const std::string& path) {
    reader_.reset();
    trap_.step([&] { reader_ = files_.openForInput(path); });
}

bool LogFile::atEnd() {
    if (!reader_) fail::raise(fail::kBadFileNameOrNumber);
    return reader_->atEnd();
}

bool LogFile::read(std::string& line) {
    return trap_.step([&] {
        if (!reader_) fail::raise(fail::kBadFileNameOrNumber);
        line = reader_->readLine();
    });
}

void LogFile::close() {
    if (reader_) trap_.step([&] { reader_->close(); });
    reader_.reset();
}

void Probe::finish(std::string_view messageBox, std::string_view fallbackTitle) {
    if (headWritten_ || !late_) {
        if (failed()) {
            const std::string description = pending().description;
            if (!messageBox.empty()) message(messageBox);
            failureRow(description);
        }
        report::WriteTableFooter(stream_);
    } else if (failed()) {
        const std::string description = pending().description;
        head(fallbackTitle.empty() ? std::string_view(lateTitle_) : fallbackTitle);
        failureRow(description);
        report::WriteTableFooter(stream_);
    }
    release();
}

}  // namespace tq::probes
