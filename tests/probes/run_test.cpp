// The report run from the created file to the opened document (a whole run
// that saves and opens its report is among the whole-report tests).
#include <gtest/gtest.h>

#include <tuple>

#include "probes/reportrun.h"
#include "report/main.h"
#include "tests/support/fakes.h"

namespace tq {
namespace {

const std::string kReport = "C:\\Tallyquest\\PC 01.htm";

// A run of the report "PC 01.htm" on the fakes.
struct RunReport : ::testing::Test {
    testing::PlatformScope scope;
    RunReport() { report::gStrFileName = "PC 01.htm"; }
};

TEST_F(RunReport, MissingFileReturnsToTheMainWindow) {
    EXPECT_EQ(probes::RunReport(scope.platform), probes::RunOutcome::NotCreated);
    EXPECT_EQ(scope.ui.dialogCloses, 1);
    ASSERT_EQ(scope.ui.messages.size(), 1u);
    const testing::Message& m = scope.ui.messages[0];
    EXPECT_EQ(std::tie(m.prompt, m.style, m.title), std::make_tuple("Could not create the file...", 0, "Tallyquest"));
    const std::vector<std::string> events = {
        "create", "caption:Tallyquest", "picture", "status:Scan is running, please wait...", "show", "close"};
    EXPECT_EQ(scope.ui.events, events);
    EXPECT_EQ(scope.ui.pointers, (std::vector<int>{11, 0}));
    EXPECT_FALSE(scope.ui.mainClosed);
    EXPECT_TRUE(scope.shell.executed.empty());
    EXPECT_EQ(report::gObjFso, nullptr);
    EXPECT_FALSE(scope.files.fileExists(kReport));

    // The main window stays usable: a second run with the file in place works
    // (at a drive root, the folder's separator and the name's make two).
    scope.files.appFolder = "C:\\";
    scope.files.add("C:\\\\PC 01.htm");
    EXPECT_EQ(probes::RunReport(scope.platform), probes::RunOutcome::Saved);
    EXPECT_EQ(scope.ui.messages.back().prompt, "The file is saved on C:\\\\PC 01.htm");
    EXPECT_TRUE(scope.ui.mainClosed);
}

TEST_F(RunReport, FailingFooterEndsWithTheFinalErrorAndOpensNothing) {
    scope.files.add(kReport);
    int last = -1;  // the last section's progress
    for (const auto& s : probes::reportSections()) last = s.progress >= 0 ? s.progress : last;
    scope.ui.onProgress = [&](int p) {
        if (p == last) scope.files.failWrites = true;
    };
    EXPECT_EQ(probes::RunReport(scope.platform), probes::RunOutcome::Failed);
    const auto prompts = scope.ui.prompts();
    ASSERT_GE(prompts.size(), 2u);
    EXPECT_EQ(prompts[prompts.size() - 2], "Error occure while writing the footer of output-file.");
    EXPECT_EQ(prompts.back(), "An error occured while scanning the system - Disk full - Tallyquest will be close");
    EXPECT_EQ(scope.ui.messages.back().style, 16);
    EXPECT_EQ(scope.ui.messages.back().title, "Tallyquest");
    EXPECT_TRUE(scope.shell.executed.empty());
    EXPECT_TRUE(scope.ui.mainClosed);
}

TEST_F(RunReport, ReportThatCannotBeOpenedShowsEveryWritersMessage) {
    scope.files.add(kReport, "kept", platform::kAttrReadOnly);
    EXPECT_EQ(probes::RunReport(scope.platform), probes::RunOutcome::Failed);
    const auto prompts = scope.ui.prompts();
    ASSERT_GE(prompts.size(), 3u);
    EXPECT_EQ(prompts.front(), "Error occure while writing the header of output-file.");
    EXPECT_EQ(prompts[prompts.size() - 2], "Error occure while writing the footer of output-file.");
    EXPECT_EQ(prompts.back(),
              "An error occured while scanning the system - Object required - Tallyquest will be close");
    EXPECT_EQ(scope.files.content(kReport), "kept");
    EXPECT_TRUE(scope.shell.executed.empty());
}

TEST_F(RunReport, IsNotReentrant) {
    scope.files.add(kReport);
    probes::ReportRunner reports(scope.platform);
    int nested = 0;
    scope.ui.onProgress = [&](int) {
        EXPECT_TRUE(reports.running());
        const auto before = scope.ui.dialogCloses;
        EXPECT_EQ(reports.run(), probes::RunOutcome::AlreadyRunning);
        nested += scope.ui.dialogCloses - before;
    };
    EXPECT_EQ(reports.run(), probes::RunOutcome::Saved);
    EXPECT_EQ(nested, 0);
    EXPECT_FALSE(reports.running());
    EXPECT_EQ(scope.shell.executed.size(), 1u);
}

}  // namespace
}  // namespace tq
