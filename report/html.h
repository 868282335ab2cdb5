// The five writers through which every line of the report reaches the file.
// The writers escape nothing: labels, values, titles and the comment are
// written as received (the probes escape what they take from the machine,
// see EscapeMarkup). Each writer traps its own failures and shows one message when a
// line could not be written; the failure stays pending for the caller.
#pragma once

#include <string>
#include <string_view>

#include "report/stream.h"

namespace tq::report {

void WriteHtmlHeader(std::string_view title, ReportStream& stream);
void WriteTableHead(std::string_view title, ReportStream& stream);
void WriteTableRow(std::string_view label, std::string_view value, ReportStream& stream);
// WriteTableRow for a value made piece by piece (a list of any length):
// the row is written as it is made, never held whole. The start and every
// piece are steps; after the first failing one nothing more is written,
// and end() shows the row writer's message once.
class TableRowWriter {
public:
    TableRowWriter(std::string_view label, ReportStream& stream);
    void add(std::string_view piece);
    void end();

private:
    ReportStream& stream_;
    bool failed_ = false;
};
void WriteTableFooter(ReportStream& stream);
void WriteHtmlFooter(ReportStream& stream);

// A text from the machine as the report may hold it: every "<" as "&lt;" and
// every ">" as "&gt;", so that no value becomes markup; everything else ("&"
// of identifiers included) stays as it is.
std::string EscapeMarkup(std::string_view text);

// The program's title, used for message boxes that name no other.
inline constexpr std::string_view kAppTitle = "Tallyquest";
// Message box styles.
inline constexpr int kStyleOk = 0;
inline constexpr int kStyleCritical = 16;

}  // namespace tq::report
