// tallyquest-report's command line as people type it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/options.h"

namespace {

using tq::app::parseCommandLine;
using Action = tq::app::ParsedCommandLine::Action;

// The words of a command line split at blanks, '' standing for an empty word.
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;) out.push_back(word == "''" ? "" : word);
    return out;
}

TEST(Options, ActionsAndUsageErrors) {
    const struct {
        const char* line;
        Action action;
        const char* error;
    } cases[] = {
        {"-h", Action::Help, ""},
        {"-? PC", Action::Help, ""},
        {"--folder x --help", Action::Help, ""},
        {"-V", Action::Version, ""},
        {"-qV", Action::Version, ""},
        {"--version=1", Action::Usage, "--version takes no value"},
        {"-v PC", Action::Usage, "unknown option -v"},
        {"--bogus PC", Action::Usage, "unknown option --bogus"},
        {"--bogus=1 PC", Action::Usage, "unknown option --bogus"},
        {"--folder", Action::Usage, "--folder needs a value"},
        {"--folder= PC", Action::Usage, "--folder may not be empty"},
        {"--trace-wmi '' PC", Action::Usage, "--trace-wmi needs a value"},
        {"", Action::Usage, "no designation"},
        {"one two", Action::Usage, "more than one designation"},
        {"-- -", Action::Usage, "the designation may not be - (--output - writes the report to standard output)"},
        {"a/b", Action::Usage, "the designation may not hold any of \\ / : * ? < > | \""},
        {"--onboard vga,floppy PC", Action::Usage, "bad --onboard list vga,floppy"},
        {"--timeout=0 --server http://s PC", Action::Usage, "--timeout needs a number of seconds from 1 to 3600"},
        {"--timeout 1x --server http://s PC", Action::Usage, "--timeout needs a number of seconds from 1 to 3600"},
        {"--server ftp://host/x PC", Action::Usage, "--server needs an http:// or https:// address"},
        {"--proxy host:3128 --server http://s PC", Action::Usage,
         "--proxy needs an address such as http://proxy.example:3128, or none"},
        {"--proxy none PC", Action::Usage, "--proxy goes with --server"},
        {"--tag T PC", Action::Usage, "--tag and --timeout go with --server, --ocs-file or --glpi-file"},
        {"--server http://s --", Action::Usage, "--server, --ocs-file and --glpi-file need a designation"},
        {"--glpi-file - --ocs-file - PC", Action::Usage,
         "only one of --output, --ocs-file, --glpi-file and --dump-snapshot may be -"},
        {"--folder d --output f PC", Action::Usage, "--folder and --output exclude each other"},
        {"--open --output - PC", Action::Usage, "--open goes with a report written into a folder"},
        {"--root r PC", Action::Run, ""},
        {"--dump-snapshot d.json", Action::Run, ""},
    };
    for (const auto& c : cases) {
        const auto parsed = parseCommandLine(words(c.line), "", true);
        EXPECT_EQ(parsed.action, c.action) << c.line;
        EXPECT_EQ(parsed.error, c.error) << c.line;
    }
    // Where the machine is not read below a folder, --root is unknown.
    EXPECT_EQ(parseCommandLine(words("--root r PC"), "", false).error, "unknown option --root");
}

TEST(Options, ValuesAsTypedAndWhatIsWritten) {
    auto p = parseCommandLine(words("--comment=a=b --tag= --ocs-file=o.xml -q --folder out --sanitize -- -PC-"),
                              "env.trace", true);
    ASSERT_EQ(p.action, Action::Run) << p.error;
    EXPECT_EQ(std::tie(p.options.comment, p.options.folder, p.options.designation, p.options.traceFile),
              std::make_tuple("a=b", "out", "-PC-", "env.trace"));
    EXPECT_TRUE(p.options.ocs.haveTag && p.options.quiet && p.options.sanitize && p.options.writeReport);

    // A value may begin with "-"; a word after "--" is never an option.
    p = parseCommandLine(words("--comment -q -- --help"), "", true);
    EXPECT_EQ(std::tie(p.options.comment, p.options.designation), std::make_tuple("-q", "--help"));
    EXPECT_FALSE(p.options.quiet);

    // An inventory on standard output: no report unless one is asked for.
    // clang-format off
    const struct {
        const char* line;
        bool report;
    } reports[] = {
        {"--glpi-file - PC", false},          {"--ocs-file=- PC", false},
        {"--dump-snapshot - PC", false},      {"--glpi-file - --folder . PC", true},
        {"--glpi-file - --output r.htm PC", true}, {"--glpi-file g.json PC", true},
        {"--output - PC", true},
    };
    // clang-format on
    for (const auto& r : reports) {
        p = parseCommandLine(words(r.line), "", true);
        ASSERT_EQ(p.action, Action::Run) << r.line << ": " << p.error;
        EXPECT_EQ(p.options.writeReport, r.report) << r.line;
    }
}

}  // namespace
