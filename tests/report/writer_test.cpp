// The report writers: their exact lines, and one message per failing call.
#include <gtest/gtest.h>

#include "report/html.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "wmi/trap.h"

namespace tq {
namespace {

using testing::MemoryStream;
using testing::PlatformScope;

const std::vector<std::string> kHeadTop = testing::reportHead("PC 01.htm", "PC 01");
const std::string kContentRow = "<tr><td>&nbsp;</td><td colspan='2'>";

TEST(HtmlHeader, WithoutCommentGoesFromDesignationToContentRow) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    MemoryStream m;
    report::WriteHtmlHeader(report::gStrFileName, m.stream);
    std::vector<std::string> expected = kHeadTop;
    expected.push_back(kContentRow);
    EXPECT_EQ(*m.lines, expected);
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(HtmlHeader, CommentRowAndDesignationFromProgramState) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    report::gStrComment = " ";  // a single blank still counts as a comment
    MemoryStream m;
    report::WriteHtmlHeader("PC 01.htm", m.stream);
    ASSERT_EQ(m.lines->size(), kHeadTop.size() + 2);
    EXPECT_EQ((*m.lines)[kHeadTop.size()],
              "<tr><td>&nbsp;</td><td colspan='3'><br><B>Comment:</B>&nbsp;  <br><br></font></td></tr>");
    EXPECT_EQ(m.lines->back(), kContentRow);

    // The designation comes from the file name, the title from the argument.
    report::gStrFileName = "box.htm.htm";
    m.lines->clear();
    report::WriteHtmlHeader("other", m.stream);
    EXPECT_EQ((*m.lines)[1], "<title>other</title>");
    EXPECT_EQ((*m.lines)[20], "<tr><td>&nbsp;</td><td colspan='3'><font size='4'>Designation: box.htm</font></td></tr>");
}

TEST(TableWriters, ExactLinesAndNothingEscaped) {
    PlatformScope scope;
    MemoryStream m;
    report::WriteTableHead("Bios", m.stream);
    report::WriteTableRow("", "<b>bold</b>&nbsp;", m.stream);
    report::TableRowWriter row("", m.stream);  // the same row, made in pieces
    for (const char* piece : {"<b>", "bold</b>", "&nbsp;"}) row.add(piece);
    row.end();
    report::WriteTableFooter(m.stream);
    report::WriteHtmlFooter(m.stream);
    const std::vector<std::string> expected = {
        "<table border='0' cellpadding='2' cellspacing='0' style='border-collapse:collapse'>",
        "<tr><td bgcolor='#29A9A9' class='td1'><strong>&nbsp;Bios</strong></td></tr>",
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, split in two
        "<tr><td width='150' bgcolor='#E0F3F3' class='td1'></td><td width='550' bgcolor='#E0F3F3' "
        "class='td1'><b>bold</b>&nbsp;</td></tr>",
        "<tr><td width='150' bgcolor='#E0F3F3' class='td1'></td><td width='550' bgcolor='#E0F3F3' "
        "class='td1'><b>bold</b>&nbsp;</td></tr>",
        "</table><br>",
        "</td></tr></table>",
        "</body></html>",
    };
    EXPECT_EQ(*m.lines, expected);
}

TEST(TableWriters, BrokenStreamShowsOneMessagePerCallAndLeavesFailurePending) {
    PlatformScope scope;
    report::gStrFileName = "x.htm";
    wmi::Run run(nullptr);
    trap::Trap& t = run.trap;
    report::ReportStream never(run);  // never opened
    report::WriteHtmlHeader("x.htm", never);
    EXPECT_EQ(t.pending().number, fail::kObjectRequired);
    report::WriteTableHead("t", never);
    report::WriteTableRow("a", "b", never);
    report::TableRowWriter row("a", never);  // one message however many pieces
    row.add("b");
    row.add("c");
    row.end();
    report::WriteTableFooter(never);
    report::WriteHtmlFooter(never);
    const std::vector<std::string> expected = {
        "Error occure while writing the header of output-file.",
        "Error occure while writing a head of table from output-file.",
        "Error occure while writing a row of output-file.",
        "Error occure while writing a row of output-file.",
        "Error occure while writing a footer of table from output-file.",
        "Error occure while writing the footer of output-file.",
    };
    EXPECT_EQ(scope.ui.prompts(), expected);
    for (const auto& msg : scope.ui.messages) {
        EXPECT_EQ(msg.style, 16);
        EXPECT_EQ(msg.title, "Tallyquest");
    }
    EXPECT_GT(t.pending().number, 0);

    // A stream that fails part-way (disk full) still gets every line tried.
    MemoryStream m;
    *m.failing = true;
    report::WriteHtmlFooter(m.stream);
    EXPECT_EQ(scope.ui.messages.size(), 7u);
    EXPECT_EQ(m.run.trap.pending().number, fail::kDiskFull);
}

TEST(TableWriters, WriterClearsAnEarlierFailureWhenItStarts) {
    PlatformScope scope;
    MemoryStream m;
    m.run.trap.setPending({424, "Object required"});
    report::WriteTableFooter(m.stream);
    EXPECT_EQ(m.run.trap.pending().number, 0);
    EXPECT_TRUE(scope.ui.messages.empty());
}

}  // namespace
}  // namespace tq
