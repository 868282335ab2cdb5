// The report run from the created file to the opened document.
#include <gtest/gtest.h>

#include "probes/reportrun.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "wmi/trap.h"

namespace tq {
namespace {

using testing::PlatformScope;

std::vector<std::string> splitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < content.size()) {
        std::size_t e = content.find("\r\n", i);
        if (e == std::string::npos) e = content.size();
        lines.push_back(content.substr(i, e - i));
        i = e + 2;
    }
    return lines;
}

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

TEST(RunReport, UnreachableServiceStillGivesAWholeReportAndOpensIt) {
    PlatformScope scope;
    report::gStrFileName = "PC 01.htm";
    scope.files.add("C:\\Tallyquest\\PC 01.htm", "old content");
    bool openedBeforeConfirm = true;
    scope.ui.onMessage = [&](const testing::Message& m) {
        if (m.title == "File is saved") openedBeforeConfirm = !scope.shell.executed.empty();
    };
    probes::RunReport();

    const auto lines = splitLines(scope.files.content("C:\\Tallyquest\\PC 01.htm"));
    ASSERT_GT(lines.size(), 25u);
    EXPECT_EQ(lines.front(), "<html><head>");
    EXPECT_EQ(lines[1], "<title>PC 01.htm</title>");
    EXPECT_EQ(lines[lines.size() - 2], "</td></tr></table>");
    EXPECT_EQ(lines.back(), "</body></html>");
    EXPECT_EQ(scope.files.content("C:\\Tallyquest\\PC 01.htm").substr(0, 14), "<html><head>\r\n");

    ASSERT_FALSE(scope.ui.messages.empty());
    const auto& last = scope.ui.messages.back();
    EXPECT_EQ(last.prompt, "The file is saved on C:\\Tallyquest\\PC 01.htm");
    EXPECT_EQ(last.style, 0);
    EXPECT_EQ(last.title, "File is saved");
    EXPECT_FALSE(openedBeforeConfirm);
    ASSERT_EQ(scope.shell.executed.size(), 1u);
    EXPECT_EQ(scope.shell.executed[0].owner, scope.ui.handle);
    EXPECT_EQ(scope.shell.executed[0].verb, "Open");
    EXPECT_EQ(scope.shell.executed[0].file, "C:\\Tallyquest\\PC 01.htm");
    EXPECT_EQ(scope.shell.executed[0].parameters, "");
    EXPECT_EQ(scope.shell.executed[0].show, 1);
    EXPECT_TRUE(scope.ui.mainClosed);

    // Progress after every section that has a value, then 100.
    std::vector<int> expected;
    for (const auto& s : probes::reportSections())
        if (s.progress >= 0) expected.push_back(s.progress);
    expected.push_back(100);
    EXPECT_EQ(scope.ui.progress, expected);
    EXPECT_EQ(scope.ui.pointers.front(), 11);
    EXPECT_EQ(scope.ui.pointers.back(), 0);
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
