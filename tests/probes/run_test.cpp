// The report run from the created file to the opened document (a whole run
// that saves and opens its report is among the whole-report tests).
#include <gtest/gtest.h>

#include "probes/reportrun.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "wmi/trap.h"

namespace tq {
namespace {

using testing::PlatformScope;

int lastSectionProgress() {
    int last = -1;
    for (const auto& s : probes::reportSections())
        if (s.progress >= 0) last = s.progress;
    return last;
}

TEST(RunReport, MissingFileReturnsToTheMainWindow) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    EXPECT_EQ(probes::RunReport(), probes::RunOutcome::NotCreated);
    EXPECT_EQ(scope.ui.dialogCloses, 1);
    ASSERT_EQ(scope.ui.messages.size(), 1u);
    EXPECT_EQ(scope.ui.messages[0].prompt, "Could not create the file...");
    EXPECT_EQ(scope.ui.messages[0].style, 0);
    EXPECT_EQ(scope.ui.messages[0].title, "Tallyquest");
    const std::vector<std::string> events = {"create", "caption:Tallyquest", "picture",
                                             "status:Scan is running, please wait...", "show", "close"};
    EXPECT_EQ(scope.ui.events, events);
    EXPECT_EQ(scope.ui.pointers, (std::vector<int>{11, 0}));
    EXPECT_FALSE(scope.ui.mainClosed);
    EXPECT_TRUE(scope.shell.executed.empty());
    EXPECT_EQ(report::gObjFso, nullptr);
    EXPECT_FALSE(scope.files.fileExists("C:\\Tallyquest\\PC 01.htm"));

    // The main window stays usable: a second run with the file in place works.
    scope.files.add("C:\\Tallyquest\\PC 01.htm");
    EXPECT_EQ(probes::RunReport(), probes::RunOutcome::Saved);
    EXPECT_TRUE(scope.ui.mainClosed);
}

TEST(RunReport, FailingFooterEndsWithTheFinalErrorAndOpensNothing) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    scope.files.add("C:\\Tallyquest\\PC 01.htm");
    const int last = lastSectionProgress();
    scope.ui.onProgress = [&](int p) {
        if (p == last) scope.files.failWrites = true;
    };
    EXPECT_EQ(probes::RunReport(), probes::RunOutcome::Failed);
    const auto prompts = scope.ui.prompts();
    ASSERT_GE(prompts.size(), 2u);
    EXPECT_EQ(prompts[prompts.size() - 2], "Error occure while writing the footer of output-file.");
    EXPECT_EQ(prompts.back(), "An error occured while scanning the system - Disk full - Tallyquest will be close");
    EXPECT_EQ(scope.ui.messages.back().style, 16);
    EXPECT_EQ(scope.ui.messages.back().title, "Tallyquest");
    EXPECT_TRUE(scope.shell.executed.empty());
    EXPECT_TRUE(scope.ui.mainClosed);
}

TEST(RunReport, ReportThatCannotBeOpenedShowsEveryWritersMessage) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    scope.files.add("C:\\Tallyquest\\PC 01.htm", "kept", platform::kAttrReadOnly);
    EXPECT_EQ(probes::RunReport(), probes::RunOutcome::Failed);
    const auto prompts = scope.ui.prompts();
    ASSERT_GE(prompts.size(), 3u);
    EXPECT_EQ(prompts.front(), "Error occure while writing the header of output-file.");
    EXPECT_EQ(prompts[prompts.size() - 2], "Error occure while writing the footer of output-file.");
    EXPECT_EQ(prompts.back(),
              "An error occured while scanning the system - Object required - Tallyquest will be close");
    EXPECT_EQ(scope.files.content("C:\\Tallyquest\\PC 01.htm"), "kept");
    EXPECT_TRUE(scope.shell.executed.empty());
}

TEST(RunReport, ProgramAtADriveRootGivesTwoSeparators) {
    PlatformScope scope;
    scope.files.appFolder = "C:\\";
    report::gStrFileName = "PC 01.htm";
    scope.files.add("C:\\\\PC 01.htm");
    probes::RunReport();
    EXPECT_EQ(scope.ui.messages.back().prompt, "The file is saved on C:\\\\PC 01.htm");
}

TEST(RunReport, IsNotReentrant) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    scope.files.add("C:\\Tallyquest\\PC 01.htm");
    int nested = 0;
    scope.ui.onProgress = [&](int) {
        EXPECT_TRUE(probes::reportRunning());
        const auto before = scope.ui.dialogCloses;
        EXPECT_EQ(probes::RunReport(), probes::RunOutcome::AlreadyRunning);
        nested += scope.ui.dialogCloses - before;
    };
    EXPECT_EQ(probes::RunReport(), probes::RunOutcome::Saved);
    EXPECT_EQ(nested, 0);
    EXPECT_FALSE(probes::reportRunning());
    EXPECT_EQ(scope.shell.executed.size(), 1u);
}

}  // namespace
}  // namespace tq
