// The report writers: their exact lines, and one message per failing call.
#include <gtest/gtest.h>

#include "report/html.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "wmi/trap.h"

namespace tq {
namespace {

using testing::PlatformScope;

// The head's lines are those of the checked report. A comment adds its row
// before the content row; the designation comes from the file name, the
// title from the argument.
TEST(HtmlHeader, CommentRowAndDesignationFromProgramState) {
    PlatformScope scope;
    report::gStrFileName = "box.htm.htm";
    testing::MemoryStream plain(scope.platform), commented(scope.platform);
    report::WriteHtmlHeader("other", plain.stream);
    report::gStrComment = " ";  // a single blank still counts as a comment
    report::WriteHtmlHeader("other", commented.stream);
    ASSERT_EQ(plain.lines->size(), 22u);
    EXPECT_EQ((*plain.lines)[1], "<title>other</title>");
    EXPECT_EQ((*plain.lines)[20],
              "<tr><td>&nbsp;</td><td colspan='3'><font size='4'>Designation: box.htm</font></td></tr>");
    std::vector<std::string> expected = *plain.lines;
    expected.insert(expected.end() - 1,
                    "<tr><td>&nbsp;</td><td colspan='3'><br><B>Comment:</B>&nbsp;  <br><br></font></td></tr>");
    EXPECT_EQ(*commented.lines, expected);
    EXPECT_TRUE(scope.ui.messages.empty());
}

TEST(TableWriters, BrokenStreamShowsOneMessagePerCallAndLeavesFailurePending) {
    PlatformScope scope;
    report::gStrFileName = "x.htm";
    wmi::Run run(nullptr);
    trap::Trap& t = run.trap;
    report::ReportStream never(run, scope.platform);  // never opened
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
    for (const auto& msg : scope.ui.messages)
        EXPECT_EQ(std::tie(msg.style, msg.title), std::make_tuple(16, "Tallyquest"));
    EXPECT_GT(t.pending().number, 0);
}

}  // namespace
}  // namespace tq
