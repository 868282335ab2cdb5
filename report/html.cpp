#include "report/html.h"

#include <initializer_list>

#include "report/main.h"
#include "wmi/trap.h"

namespace tq::report {
namespace {

// Writes each line as its own step, then shows the writer's message once
// when a failure is pending.
void writeLines(ReportStream& stream, std::initializer_list<std::string_view> lines, std::string_view message) {
    trap::Trap& t = stream.trap();
    t.on();
    for (std::string_view line : lines) t.step([&] { stream.writeLine(line); });
    if (t.failed()) stream.ui().messageBox(std::string(message), kStyleCritical, std::string(kAppTitle));
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

void WriteHtmlHeader(std::string_view title, ReportStream& stream) {
    trap::Trap& t = stream.trap();
    t.on();
    const std::string name = gStrFileName;
    // The designation is the file name without the ".htm" the dialog appended.
    const std::string designation = textLeft(name, textLength(name) >= 4 ? textLength(name) - 4 : 0);
    const std::string h2 = "<title>" + std::string(title) + "</title>";
    const std::string h21 =
        "<tr><td>&nbsp;</td><td colspan='3'><font size='4'>Designation: " + designation + "</font></td></tr>";
    auto line = [&](std::string_view text) { t.step([&] { stream.writeLine(text); }); };
    line("<html><head>");
    line(h2);
    line("<!-- Version 4.0 -->");
    line("<style type='text/css'>");
    line("<!--");
    line("body {  background-color: #FFFFFF;}");
    line("td {font-family: Arial;     font-size: 11px; }");
    line(".td1   { font-family: Arial;     font-size: 11px;  border: 1px solid #666666; }");
    line("-->");
    line("</style>");
    line("</head>");
    line("<body topmargin='0' leftmargin='0'>");
    line("");
    line("<table width='710' border='0' cellspacing='0' cellpadding='0'>");
    line("<tr><td width='10' bgcolor='C3DADA'>&nbsp;</td>");
    line("<td bgcolor='C3DADA' height='50'><font face='Arial' color='666666' size='4'><strong>TALLYQUEST "
         "Result</strong></font>");
    line("<td bgcolor='C3DADA' align='right'><font face='Arial' color='666666' "
         "size='4'><strong>VALDREMONT&nbsp;&nbsp;</strong></font></td>");
    line("<td width='10' bgcolor='C3DADA'>&nbsp;</td>");
    line("</tr>");
    line("<tr><td>&nbsp;</td><td colspan='3'>&nbsp;</td></tr>");
    line(h21);
    if (!gStrComment.empty())
        line("<tr><td>&nbsp;</td><td colspan='3'><br><B>Comment:</B>&nbsp; " + gStrComment +
             "<br><br></font></td></tr>");
    line("<tr><td>&nbsp;</td><td colspan='2'>");
    if (t.failed())
        stream.ui().messageBox("Error occure while writing the header of output-file.", kStyleCritical,
                               std::string(kAppTitle));
}

void WriteTableHead(std::string_view title, ReportStream& stream) {
    const std::string t2 =
        "<tr><td bgcolor='#29A9A9' class='td1'><strong>&nbsp;" + std::string(title) + "</strong></td></tr>";
    writeLines(stream, {"<table border='0' cellpadding='2' cellspacing='0' style='border-collapse:collapse'>", t2},
               "Error occure while writing a head of table from output-file.");
}

namespace {
constexpr std::string_view kRowStart = "<tr><td width='150' bgcolor='#E0F3F3' class='td1'>";
constexpr std::string_view kRowMiddle = "</td><td width='550' bgcolor='#E0F3F3' class='td1'>";
constexpr std::string_view kRowEnd = "</td></tr>";
constexpr std::string_view kRowMessage = "Error occure while writing a row of output-file.";
}  // namespace

void WriteTableRow(std::string_view label, std::string_view value, ReportStream& stream) {
    std::string r1;
    r1.reserve(label.size() + value.size() + 120);
    r1 += kRowStart;
    r1 += label;
    r1 += kRowMiddle;
    r1 += value;
    r1 += kRowEnd;
    writeLines(stream, {r1}, kRowMessage);
}

TableRowWriter::TableRowWriter(std::string_view label, ReportStream& stream) : stream_(stream) {
    stream_.trap().on();
    failed_ = !stream_.trap().step([&] {
        stream_.write(kRowStart);
        stream_.write(label);
        stream_.write(kRowMiddle);
    });
}

void TableRowWriter::add(std::string_view piece) {
    if (!failed_) failed_ = !stream_.trap().step([&] { stream_.write(piece); });
}

void TableRowWriter::end() {
    trap::Trap& t = stream_.trap();
    if (!failed_) failed_ = !t.step([&] { stream_.writeLine(kRowEnd); });
    if (failed_ && t.failed())
        stream_.ui().messageBox(std::string(kRowMessage), kStyleCritical, std::string(kAppTitle));
}

void WriteTableFooter(ReportStream& stream) {
    writeLines(stream, {"</table><br>"}, "Error occure while writing a footer of table from output-file.");
}

void WriteHtmlFooter(ReportStream& stream) {
    writeLines(stream, {"</td></tr></table>", "</body></html>"},
               "Error occure while writing the footer of output-file.");
}

}  // namespace tq::report
