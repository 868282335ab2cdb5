// The headless program end to end: options, exit statuses, and the report
// file's bytes for a snapshot.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "tests/support/fakes.h"
#include "tests/support/shell.h"

namespace {

namespace fs = std::filesystem;

using tq::testing::quote;
using tq::testing::readFile;
using tq::testing::RunResult;

const char* const kSnapshot = R"({
  "Win32_Bios": [{"Manufacturer": "Dell Inc.", "Description": "1.2.3 <i>beta</i>", "SMBIOSBIOSVersion": "1.2.3"}]
})";

class Headless : public ::testing::Test {
protected:
    // A run that hangs fails the test instead of holding it.
    RunResult run(const std::string& args) {
        return sh(prefix + "LC_ALL=C timeout 60 " + quote(TQ_REPORT_BINARY) + " " + args);
    }
    // A report into `folder` from a snapshot, without on-board devices.
    RunResult report(const std::string& folder, const std::string& args, const std::string& snapshot = "") {
        return run("--snapshot " + quote(snapshot.empty() ? snap : snapshot) + " --onboard none --folder " +
                   quote(folder) + " " + args);
    }
    // A command line, its error output kept in the test's folder.
    RunResult sh(const std::string& command) const { return tq::testing::runShell(command, dir + "/stderr.txt"); }
    // The program on a snapshot without on-board devices, its state below the test's folder.
    std::string program(const std::string& snapshot) const {
        return "XDG_STATE_HOME=" + quote(dir + "/state") + " LC_ALL=C timeout 60 " + quote(TQ_REPORT_BINARY) +
               " --snapshot " + quote(snapshot) + " --onboard none ";
    }
    // The names in a folder that begin with `prefix`.
    static std::set<std::string> names(const std::string& folder, const std::string& prefix = "") {
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().filename().string().starts_with(prefix)) found.insert(e.path().filename().string());
        return found;
    }
    tq::testing::TempDir tmp;
    const std::string dir = tmp.path;
    const std::string snap = tmp.write("s.json", kSnapshot);
    std::string prefix;  // shell commands before the run
};

// A usage error says its reason and where the help is, nothing more;
// --help and --version answer with status 0.
// Files stream: "-" is standard output, a pipe behind /dev/stdout and a
// FIFO are written to in place, each with the report's very bytes; an
// inventory on standard output leaves the report out.
TEST_F(Headless, UsageErrorAndStreams) {
    RunResult r = run("--folder " + quote(dir) + " -v");
    EXPECT_EQ(r.status, 64);
    EXPECT_EQ(r.err, "tallyquest-report: unknown option -v\nTry 'tallyquest-report --help' for more information.\n");
    EXPECT_EQ(sh(quote(TQ_REPORT_BINARY) + " --help >/dev/null").status, 0);
    ASSERT_EQ(sh(quote(TQ_REPORT_BINARY) + " --version >" + quote(dir + "/version.txt")).status, 0);
    EXPECT_EQ(readFile(dir + "/version.txt"), "tallyquest-report " TQ_VERSION "\n");

    const std::string program = this->program(snap);
    ASSERT_EQ(report(dir, "PC").status, 0);
    const std::string html = readFile(dir + "/PC.htm");
    ASSERT_FALSE(html.empty());
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    const struct {
        std::string command, output;
    } streams[] = {
        {program + "--output - PC >" + quote(dir + "/dash.htm"), dir + "/dash.htm"},
        {"((" + program + "--output /dev/stdout PC; echo $? >" + quote(dir + "/status") + ") | cat >" +
             quote(dir + "/pipe.htm") + ")",
         dir + "/pipe.htm"},
        {"(cat " + quote(dir + "/fifo") + " >" + quote(dir + "/fifo.htm") + " &) ; " + program + "--output " +
             quote(dir + "/fifo") + " PC; sleep 1",
         dir + "/fifo.htm"},
    };
    for (const auto& s : streams) {
        r = sh(s.command);
        EXPECT_EQ(r.status, 0) << s.command << r.err;
        EXPECT_EQ(r.err, "") << s.command;
        EXPECT_EQ(readFile(s.output), html) << s.command;
    }
    EXPECT_EQ(readFile(dir + "/status"), "0\n");
    EXPECT_EQ(fs::status(dir + "/fifo").type(), fs::file_type::fifo);

    fs::create_directories(dir + "/cwd");
    r = sh("cd " + quote(dir + "/cwd") + " && " + program + "--glpi-file - PC >" + quote(dir + "/inv.json"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir + "/inv.json").rfind("{\n  \"action\": \"inventory\"", 0), 0u);
    EXPECT_TRUE(fs::is_empty(dir + "/cwd"));
}

// --sanitize: no MAC or IP address of the machine in anything written,
// though each output holds them without it.
TEST_F(Headless, SanitizeLeavesAddressesOutOfEveryOutput) {
    const std::string data = std::string(TQ_SOURCE_DIR) + "/tests/data/";
    // (A dump needs no designation; what it holds loads back: the snapshot's tests.)
    for (const char* output : {"--output - PC", "--ocs-file - PC", "--glpi-file - PC", "--dump-snapshot -"}) {
        for (const bool sanitize : {false, true}) {
            const RunResult r = sh(program(data + "realistic-network.json") + (sanitize ? "--sanitize " : "") + output +
                                   " >" + quote(dir + "/out"));
            ASSERT_EQ(r.status, 0) << output << r.err;
            const std::string out = readFile(dir + "/out");
            int found = 0;
            for (const char* address : {"B4:2E:99:3A:4F:5C", "192.168.178.23", "2a02:8108:1a40"})
                found += out.find(address) != std::string::npos;
            EXPECT_EQ(found == 0, sanitize) << output << ": " << found << " addresses";
        }
    }
    // A laptop's monitor serial (inside its EDID too) and its last user.
    const std::string laptop = program(data + "windows-laptop-assets.json") + "--sanitize --glpi-file - PC";
    ASSERT_EQ(sh(laptop + " >" + quote(dir + "/out")).status, 0);
    const std::string out = readFile(dir + "/out");
    EXPECT_EQ(out.find("2C8FJ8255K5E"), std::string::npos);
    EXPECT_EQ(out.find("alice"), std::string::npos);
    EXPECT_NE(out.find("\"monitors\""), std::string::npos);
}

// --open without a viewer to start: the report is saved, and a line says
// it could not be opened.
TEST_F(Headless, OpenSaysWhenNoViewerStarts) {
    const RunResult r = sh("LC_ALL=C timeout 60 env PATH=/nonexistent " + quote(TQ_REPORT_BINARY) + " --snapshot " +
                           quote(snap) + " --onboard none --folder " + quote(dir) + " --open PC");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tallyquest-report: cannot open the report: xdg-open could not be started"), std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(dir + "/PC.htm"));
}

// A report that cannot be created (a folder that is gone, a name longer than
// the system takes) is found before anything is read, the board's on-board
// devices included: the message of the windows, then one line with the path
// and the system's reason, status 2, no query and no file.
TEST_F(Headless, ReportThatCannotBeCreatedEndsWithStatus2BeforeAnyQuery) {
    const std::string trace = dir + "/trace.txt";
    const std::string tooLong(252, 'x');
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {dir + "/no/such/folder", "PC", "No such file or directory"},
        {dir, tooLong, "File name too long"},
    };
    for (const auto& [folder, designation, reason] : cases) {
        const RunResult r = run("--snapshot " + quote(snap) + " --trace-wmi " + quote(trace) + " --folder " +
                                quote(folder) + " " + quote(designation));
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err, "Could not create the file...\ntallyquest-report: cannot create " + folder + "/" +
                             designation + ".htm: " + reason + "\n");
        EXPECT_EQ(readFile(trace), "") << designation;
    }
    // The longest name the system takes works.
    EXPECT_EQ(run("--snapshot " + quote(snap) + " --folder " + quote(dir) + " " + tooLong.substr(1)).status, 0);
    EXPECT_EQ(names(dir), (std::set<std::string>{"s.json", "stderr.txt", "trace.txt", tooLong.substr(1) + ".htm"}));
}

// What killed runs left (their temporary files) the next run in that folder
// removes, but not a temporary file that a running program holds, nor
// anything else. (That a report is whole or absent: the file seam's tests.)
TEST_F(Headless, TheNextRunRemovesWhatKilledRunsLeft) {
    const std::string out = dir + "/out";
    fs::create_directories(out);
    // What a running program holds, and what is not a file of ours, stays.
    const int held = ::open((out + "/.tallyquest-held.tmp").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    tmp.write("out/.tallyquest-stale.tmp", "left by a killed run");
    fs::create_directories(out + "/.tallyquest-folder.tmp");
    const std::string victim = tmp.write("victim.txt", "keep");
    fs::create_symlink(victim, out + "/.tallyquest-link.tmp");
    const RunResult r = report(out, "Next");
    ::close(held);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(names(out, ".tallyquest-"),
              (std::set<std::string>{".tallyquest-held.tmp", ".tallyquest-folder.tmp", ".tallyquest-link.tmp"}));
    EXPECT_EQ(readFile(victim), "keep");
    EXPECT_TRUE(fs::exists(out + "/Next.htm"));
}

// The report reaches the disk before its name does: its temporary file is
// flushed, then renamed, then the folder flushed (seen with strace).
TEST_F(Headless, ReportIsFlushedBeforeItsRenameAndTheFolderAfter) {
    if (std::system("strace -o /dev/null true >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace cannot run here";
    const std::string out = dir + "/out", trace = dir + "/trace.txt";
    fs::create_directories(out);
    // The leak checker of a sanitizer build cannot stop a traced program's threads.
    prefix = "strace -f -o " + quote(trace) + " -e trace=openat,fsync,fdatasync,rename,renameat,renameat2 env " +
             "ASAN_OPTIONS=detect_leaks=0 ";
    ASSERT_EQ(report(out, "PC").status, 0);
    // Where `re` first matches at or after `from` (the trace's size when nowhere), its groups in `m`; "."
    // stops at a line's end.
    const std::string text = readFile(trace);
    std::smatch m;
    const auto find = [&](std::size_t from, const std::string& re) {
        const auto start = text.begin() + static_cast<std::ptrdiff_t>(from);
        return std::regex_search(start, text.end(), m, std::regex(re)) ? from + m.position(0) : text.size();
    };
    const std::size_t opened = find(0, R"re(openat\(.*"(.*/\.tallyquest-[^"]*\.tmp)".*O_CREAT.* = ([0-9]+))re");
    ASSERT_LT(opened, text.size()) << text;
    const std::string temp = m[1], fd = m[2];
    auto literal = [](const std::string& s) {
        return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
    };
    const std::size_t flushed = find(opened, "fsync\\(" + fd + "\\)");
    const std::size_t renamed = find(opened, "rename.*" + literal(temp) + ".*PC\\.htm");
    const std::size_t folder = find(renamed, "openat\\(.*\"" + literal(out) + "\".*O_DIRECTORY.* = ([0-9]+)");
    ASSERT_LT(folder, text.size()) << text;
    EXPECT_LT(find(folder, "fsync\\(" + std::string(m[1]) + "\\)"), text.size());
    EXPECT_LT(flushed, renamed);
    EXPECT_LT(renamed, folder);
}

// Without --folder the report lands beside a program in a folder of its own;
// a program whose folder the user may not write to (an installed one) puts
// it into the current folder, and the message names where it went.
TEST_F(Headless, ReportGoesBesideTheProgramOrIntoTheCurrentFolder) {
    fs::create_directories(dir + "/stick");
    fs::create_directories(dir + "/cwd");
    const std::string program = dir + "/stick/tallyquest-report";
    fs::copy_file(TQ_REPORT_BINARY, program);
    // The report's name, the folder it goes to, the one it does not.
    for (const auto& [name, to, other] :
         {std::array<std::string, 3>{"Own", "stick", "cwd"}, {"Installed", "cwd", "stick"}}) {
        if (name == "Installed" && ::geteuid() == 0) GTEST_SKIP() << "the administrator may write into any folder";
        ::chmod((dir + "/stick").c_str(), name == "Own" ? 0755 : 0555);
        const RunResult r = sh("cd " + quote(dir + "/cwd") + " && LC_ALL=C " + quote(program) + " --snapshot " +
                               quote(snap) + " --onboard none " + name);
        ::chmod((dir + "/stick").c_str(), 0755);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::exists(dir + "/" + to + "/" + name + ".htm"));
        EXPECT_FALSE(fs::exists(dir + "/" + other + "/" + name + ".htm"));
        EXPECT_NE(r.err.find(to + "/" + name + ".htm"), std::string::npos) << r.err;
    }
}

#ifdef TQ_WINDOWS_BINARY
// The windows program answers --version on the terminal, with no display to
// open a window on.
TEST_F(Headless, WindowsProgramVersionNeedsNoDisplay) {
    const std::string program =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 " + quote(TQ_WINDOWS_BINARY);
    ASSERT_EQ(sh(program + " --version >" + quote(dir + "/version.txt")).status, 0);
    EXPECT_EQ(readFile(dir + "/version.txt"), "tallyquest " TQ_VERSION "\n");
    // Without --help and without a display: one line, status 1.
    const RunResult r = sh(program);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tallyquest: no display to show the windows on", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}
#endif

// Options that name nothing usable are usage errors, each one line; a
// refused snapshot names its file, line and column.
TEST_F(Headless, UnusableOptionValuesAreUsageErrors) {
    const std::string file = tmp.write("plain.txt", "x");
    const std::string broken = tmp.write("broken.json", "{\n  \"Win32_Bios\": [ {\"x\": 1,, } ]\n}\n");
    const std::pair<std::string, std::string> cases[] = {
        {"--root " + quote(dir + "/missing") + " PC", "--root " + dir + "/missing: no such folder"},
        {"--root " + quote(file) + " PC", "--root " + file + ": is not a folder"},
        {"--root '' PC", "--root may not be empty"},
        {"--snapshot '' PC", "--snapshot may not be empty"},
        {"--snapshot " + quote(dir) + " PC", dir + ": is a folder"},
        {"--snapshot /dev/zero PC", "/dev/zero: is not a regular file"},
        {"--snapshot " + quote(broken) + " --folder " + quote(dir) + " PC", broken + ":2:27: expected a property name"},
        {"--folder " + quote(dir) + " --onboard " + quote("vga\n\x1b[2J") + " PC", "bad --onboard list vga\\n\\x1b[2J"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 64) << args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "tallyquest-report: " + message) << args;
    }
    EXPECT_FALSE(fs::exists(dir + "/PC.htm"));
}

// Messages name the report by its native path on one line, control
// characters escaped; the report is named as typed, in the code page's
// letters and "?" for the rest.
TEST_F(Headless, ReportNameFolderAndMessageAreExact) {
    RunResult r = report(dir, quote("PC\n\x1b[31m01"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "The file is saved on " + dir + "/PC\\n\\x1b[31m01.htm\n");
    // An operator named Jürgen 王, in his folder.
    const std::string folder = dir + "/J\u00FCrgen \u738B", name = "B\u00FCro \u4E2D";
    fs::create_directories(folder);
    r = report(folder, "--comment " + quote("Gr\u00FC\u00DFe \u4E2D") + " " + quote(name));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "The file is saved on " + folder + "/" + name + ".htm\n");
    const std::string html = readFile(folder + "/" + name + ".htm");
    for (const char* part : {"Designation: B\xFCro ?</font>", "&nbsp; Gr&uuml;\337e ?<br>"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
}

// A symlink as the report and a disk that fills: nothing outside is changed
// or overwritten, and an earlier report survives a failed run. (Hostile
// files the program reads: the file seam's tests.)
TEST_F(Headless, HostileFilesAroundTheRun) {
    const std::string out = dir + "/out";
    fs::create_directories(out);
    const std::string secret = tmp.write("secret.txt", "private line\r\n");
    fs::create_symlink(secret, out + "/PC.htm");
    RunResult r = report(out, "PC");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string earlier = readFile(out + "/PC.htm");
    EXPECT_FALSE(fs::is_symlink(out + "/PC.htm"));
    EXPECT_NE(earlier.find("Dell Inc."), std::string::npos);
    EXPECT_EQ(readFile(secret), "private line\r\n");

    // The disk fills (a file size limit stands in), over the earlier report
    // and on a first run: the final error, the earlier report as it was, no
    // empty report and no temporary file left.
    prefix = "trap '' XFSZ; ulimit -f 4; ";
    std::string fixes;
    for (int i = 0; i < 2000; ++i) fixes += (i ? ", " : "") + ("{\"HotFixID\": \"KB" + std::to_string(i)) + "\"}";
    const std::string big = tmp.write("big.json", "{\"Win32_QuickFixEngineering\": [" + fixes + "]}");
    for (const bool first : {false, true}) {
        if (first) fs::remove(out + "/PC.htm");
        r = report(out, "PC", big);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.find("The file is saved on"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("An error occured while scanning the system - "), std::string::npos) << r.err;
        EXPECT_EQ(names(out), first ? std::set<std::string>{} : std::set<std::string>{"PC.htm"});
        EXPECT_EQ(readFile(out + "/PC.htm"), first ? std::string() : earlier);
    }
}

}  // namespace
