// Whole reports: a realistic machine through the headless program, compared
// byte for byte, and the report of a machine whose service cannot be bound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <tuple>
#include <sstream>

#include <nlohmann/json.hpp>

#include "report/main.h"
#include "probes/reportrun.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace tq {
namespace {

namespace fs = std::filesystem;
using testing::section;

std::string quote(const std::string& s) { return "'" + s + "'"; }
const fs::path kData = fs::path(TQ_SOURCE_DIR) / "tests" / "data";

// The headless program's report of a snapshot, with the realistic machine's
// two logs in place; with a trace file, the queries it sent go there.
std::string reportOf(const fs::path& snapshot, const fs::path& trace = {}) {
    const testing::TempDir tmp;
    const fs::path dir = tmp.path;
    fs::create_directories(dir / "c" / "Windows");
    fs::create_directories(dir / "out");
    fs::copy_file(kData / "realistic-prodlog.txt", dir / "c" / "Prodlog.txt");
    fs::copy_file(kData / "realistic-sigverif.txt", dir / "c" / "Windows" / "SIGVERIF.TXT");

    const std::string cmd =
        "WinDir='C:\\Windows' LC_ALL=C " + quote(TQ_REPORT_BINARY) + " --snapshot " + quote(snapshot.string()) +
        " --drive-c " + quote((dir / "c").string()) + " --folder " + quote((dir / "out").string()) +
        (trace.empty() ? "" : " --trace-wmi " + quote(trace.string())) + " WS-0815 >/dev/null 2>&1 </dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    // The log that was copied is still there (now hidden), the other logs were never created.
    EXPECT_TRUE(fs::exists(dir / "c" / "Prodlog.txt"));
    return testing::readFile((dir / "out" / "WS-0815.htm").string());
}

TEST(WholeReport, RealisticMachineGivesTheCheckedReport) {
#if defined(_WIN32)
    GTEST_SKIP() << "runs the program through a POSIX shell; the Windows run checks the same report itself";
#endif
    const testing::TempDir traceDir;
    const fs::path trace = fs::path(traceDir.path) / "trace.txt";
    const std::string expected = testing::readFile((kData / "realistic-machine.htm").string());
    const std::string actual = reportOf(kData / "realistic-machine.json", trace);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(actual, expected);
    // The run connected once and sent each query once: "<ms> ms<TAB><outcome><TAB><query>".
    std::istringstream traced(testing::readFile(trace.string()));
    std::vector<std::string> sent;
    for (std::string line; std::getline(traced, line);) sent.push_back(line.substr(line.find('\t') + 1));
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().rfind("connected\t", 0), 0u);
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& l) { return l.find("connected") == 0; }),
              1);
    std::set<std::string> queries;
    for (const std::string& l : sent) EXPECT_TRUE(queries.insert(l.substr(l.find('\t') + 1)).second) << l;
}

// Every text of the realistic machine with markup appended (but empty ones
// and those the queries compare): no probe writes any of it as markup, and with the
// escaped markup taken out again the report is the checked one.
TEST(WholeReport, MarkupInEveryMachineTextIsWrittenEscaped) {
#if defined(_WIN32)
    GTEST_SKIP() << "runs the program through a POSIX shell";
#endif
    auto machine = nlohmann::json::parse(testing::readFile((kData / "realistic-machine.json").string()));
    const std::set<std::string> compared = {
        "DeviceClass", "HotFixID", "NetConnectionID",          "DriverDate",
        "Size",        "Capacity", "Win32_Processor.DeviceID", "Win32_LogicalDisk.DeviceID"};
    int marked = 0;
    for (auto& [cls, objects] : machine.items())
        for (auto& object : objects)
            for (auto& [name, value] : object.items())
                if (value.is_string() && !value.get<std::string>().empty() && !compared.count(name) &&
                    !compared.count(cls + "." + name)) {
                    value = value.get<std::string>() + "<q>";
                    ++marked;
                }
    const testing::TempDir tmp;
    const fs::path snapshot = tmp.write("marked.json", machine.dump());
    std::string actual = reportOf(snapshot);

    EXPECT_EQ(actual.find("<q>"), std::string::npos);
    std::size_t escaped = 0;
    for (std::size_t p; (p = actual.find("&lt;q&gt;")) != std::string::npos; ++escaped) actual.erase(p, 9);
    EXPECT_GT(escaped, 60u) << marked;
    EXPECT_EQ(actual, testing::readFile((kData / "realistic-machine.htm").string()));
}

// A whole report even so, saved over the old file, confirmed and then opened.
TEST(WholeReport, UnboundServiceShowsEverySectionsFailureHandling) {
    testing::PlatformScope scope;
    scope.ui.vga = scope.ui.audio = scope.ui.lan = true;
    report::gStrFileName = "PC.htm";
    scope.files.add(report::reportPath(scope.files), "old content");
    bool openedBeforeConfirm = true;
    scope.ui.onMessage = [&](const testing::Message& m) {
        if (m.title == "File is saved") openedBeforeConfirm = !scope.shell.executed.empty();
    };
    EXPECT_EQ(probes::RunReport(scope.platform), probes::RunOutcome::Saved);

    EXPECT_EQ(scope.ui.progress, (std::vector<int>{5,  10, 15, 20, 25, 30, 35, 40, 45, 50, 57,
                                                   59, 64, 67, 70, 75, 77, 80, 85, 90, 95, 100}));
    EXPECT_EQ(scope.ui.pointers.front(), 11);  // busy while the run goes on
    EXPECT_EQ(scope.ui.pointers.back(), 0);
    const std::string mb = "Error: try to get motherboarddata in Modul 'MB'";
    ASSERT_EQ(scope.ui.prompts(),
              (std::vector<std::string>{mb, mb, mb, "The file is saved on C:\\Tallyquest\\PC.htm"}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::tie(scope.ui.messages[i].style, scope.ui.messages[i].title),
                  std::make_tuple(i < 3 ? 16 : 0, i < 3 ? "Tallyquest" : "File is saved"));
    EXPECT_FALSE(openedBeforeConfirm);
    ASSERT_EQ(scope.shell.executed.size(), 1u);
    const testing::FakeShell::Call& open = scope.shell.executed[0];
    EXPECT_EQ(std::tie(open.owner, open.verb, open.file, open.parameters, open.show),
              std::make_tuple(scope.ui.handle, "Open", "C:\\Tallyquest\\PC.htm", "", 1));
    EXPECT_TRUE(scope.ui.mainClosed);

    std::vector<std::string> lines;
    std::istringstream in(scope.files.content(report::reportPath(scope.files)));
    for (std::string l; std::getline(in, l);) lines.push_back(l.substr(0, l.size() - 1));  // drop CR
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "<html><head>");  // the old content is gone
    const auto start = std::find(lines.begin(), lines.end(), "<tr><td>&nbsp;</td><td colspan='2'>");
    ASSERT_NE(start, lines.end());
    const std::vector<std::string> body(start + 1, lines.end() - 2);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"</td></tr></table>", "</body></html>"}));

    const std::pair<std::string, std::string> error{"Error", "Object required&nbsp;"};
    std::vector<std::string> expected;
    auto add = [&](const std::vector<std::string>& s) { expected.insert(expected.end(), s.begin(), s.end()); };
    add(section("Motherboard", {error, error, error}));
    for (const char* title : {"Bios", "CPU", "Memory", "VGA", "HDD", "FDD", "CDROM", "Modem", "Keyboard", "Mouse",
                              "MultiMedia", "On Board"})
        add(section(title, {error}));
    add(section("Networkdevices", {{"&nbsp;", "Networkdevices not present."}, error}));
    add(section("Slots", {error}));
    add(section("Operatingsystem", {error}));
    add(section("Windows System Assessment (Scoring)", {{"-", "-&nbsp;"}}));
    for (const char* title : {"Hotfix", "PNP", "not installed hardware"}) add(section(title, {error}));
    // No signature log and no factory log: neither section.
    EXPECT_EQ(body, expected);
}

}  // namespace
}  // namespace tq
