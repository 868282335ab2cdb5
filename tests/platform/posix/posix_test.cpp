// The POSIX seams: Windows paths below a drive C folder, single-byte files
// with CR LF, the line rules of reading, attributes, the locale.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/codepage.h"
#include "platform/posix/posix.h"
#include "platform/wmitrace.h"
#include "tests/support/tempdir.h"
#include "tests/wmi/machine.h"
#include "wmi/failure.h"
#include "wmi/repository.h"
#include "wmi/trace.h"

namespace tq {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;

TEST(PathMap, WindowsPathsLieBelowTheDriveCFolderMatchingCase) {
    TempDir c;
    c.write("Windows/SIGVERIF.TXT", "x");
    posix::PathMap map(c.path);
    EXPECT_EQ(map.toNative("C:\\windows\\sigverif.txt"), c.path + "/Windows/SIGVERIF.TXT");
    EXPECT_EQ(map.toNative("\\WINDOWS\\Sigverif.txt"), c.path + "/Windows/SIGVERIF.TXT");
    EXPECT_EQ(map.toNative("c:\\Prodlog.txt"), c.path + "/Prodlog.txt");  // not there: name as given
    EXPECT_EQ(map.toNative("/etc/hostname"), "/etc/hostname");
    EXPECT_NE(map.toNative("D:\\x").rfind(c.path, 0), 0u);  // other drives are nowhere
    EXPECT_EQ(map.toWindows(c.path + "/Reports/new"), "C:\\Reports\\new");
    EXPECT_EQ(map.toWindows(c.path), "C:\\");
    EXPECT_EQ(posix::PathMap("/").toWindows("/home/op"), "C:\\home\\op");
    EXPECT_EQ(map.toWindows("/elsewhere"), "/elsewhere");
}

TEST(PosixFiles, ReportBytesAreWindows1252WithCrLf) {
    TempDir c;
    posix::PosixFiles files(posix::PathMap(c.path), c.path + "/app");
    fs::create_directories(c.path + "/app");
    EXPECT_EQ(files.applicationFolder(), c.path + "/app");
    auto w = files.openForWriting(c.path + "/app\\PC 01.htm");
    w->writeLine("M\xC3\xBCller \xE2\x82\xAC \xE4\xB8\xAD");  // ü, €, a CJK character
    w->writeLine("");
    w->close();
    EXPECT_EQ(c.read("app/PC 01.htm"), "M\xFCller \x80 ?\r\n\r\n");
    EXPECT_TRUE(files.fileExists("C:\\APP\\pc 01.HTM"));  // the Windows side matches without case
    EXPECT_FALSE(files.fileExists("C:\\app"));            // a folder is no file
}

// The program's own files lie below the application folder as named: the
// exact name (never a differently-cased existing file), a folder holding a
// backslash, and the native path in what a person reads.
TEST(PosixFiles, OwnFilesTakeTheirExactNameBelowTheFolder) {
    TempDir c;
    const std::string folder = c.path + "/odd\\name";
    fs::create_directories(folder);
    c.write("odd\\name/server.htm", "older report");
    posix::PosixFiles files(posix::PathMap("/"), folder);
    const std::string report = files.applicationFolder() + "\\SERVER.htm";
    files.createTextFile(report)->close();
    auto w = files.openForWriting(report);
    w->writeLine("new");
    w->close();
    EXPECT_EQ(c.read("odd\\name/SERVER.htm"), "new\r\n");
    EXPECT_EQ(c.read("odd\\name/server.htm"), "older report");
    EXPECT_FALSE(fs::exists(c.path + "/odd"));
    EXPECT_EQ(files.displayPath(report), folder + "/SERVER.htm");
    EXPECT_EQ(posix::PosixFiles(posix::PathMap("/"), "/").displayPath("/\\PC.htm"), "/PC.htm");
}

// Writing replaces the report only when complete: a dropped writer leaves
// the earlier report as it was and no temporary file behind. (A full disk
// and a symlink at the name: the headless program's test.)
TEST(PosixFiles, ReportIsReplacedOnlyWhenComplete) {
    TempDir c;
    c.write("victim.txt", "not yours");
    posix::PosixFiles files(posix::PathMap("/"), c.path);
    const std::string report = c.path + "\\PC.htm";
    auto reset = [&] {
        fs::remove(c.path + "/PC.htm");
        c.write("PC.htm", "earlier report");
    };
    auto leftovers = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(c.path)) names.insert(e.path().filename().string());
        return names;
    };
    const std::set<std::string> clean = {"PC.htm", "victim.txt"};

    // A run that ends without closing.
    reset();
    files.openForWriting(report)->writeLine("half");
    EXPECT_EQ(c.read("PC.htm"), "earlier report");
    EXPECT_EQ(leftovers(), clean);

    // Creating the report's file keeps the earlier report until it is
    // replaced; the run's temporary file stands for it meanwhile, and on a
    // first run nothing at all appears at the name before the report is whole.
    for (bool first : {false, true}) {
        if (first) fs::remove(c.path + "/PC.htm");
        files.createTextFile(report)->close();
        EXPECT_TRUE(files.fileExists(report));
        EXPECT_EQ(leftovers().size(), first ? 2u : 3u);
        EXPECT_EQ(c.read("PC.htm"), first ? "" : "earlier report");
        auto w = files.openForWriting(report);
        w->writeLine("new");
        w->close();
        EXPECT_EQ(c.read("PC.htm"), "new\r\n");
        EXPECT_EQ(leftovers(), clean);
    }

    // A read-only report is not replaced (root may write it anyway; CI runs
    // this once more as an ordinary user).
    if (::geteuid() != 0) {
        reset();
        ::chmod((c.path + "/PC.htm").c_str(), 0444);
        EXPECT_THROW(files.openForWriting(report), Error);
        EXPECT_EQ(c.read("PC.htm"), "earlier report");
    }
}

// What the program reads as data is a regular file or nothing: a FIFO, a
// device, a folder or a symlink is not found, not opened (never waited on)
// and never has its attributes changed; an oversized file is refused.
TEST(PosixFiles, OnlyRegularFilesAreReadAsData) {
    TempDir c;
    c.write("secret.txt", "private");
    ::chmod((c.path + "/secret.txt").c_str(), 0400);
    ASSERT_EQ(::mkfifo((c.path + "/fifo.txt").c_str(), 0600), 0);
    fs::create_symlink(c.path + "/secret.txt", c.path + "/link.txt");
    fs::create_symlink("/dev/zero", c.path + "/zero.txt");
    fs::create_directories(c.path + "/dir.txt");
    c.write("big.txt", "x");
    ASSERT_EQ(::truncate((c.path + "/big.txt").c_str(), static_cast<off_t>(posix::PosixFiles::kMaxInput) + 1), 0);
    posix::PosixFiles files(posix::PathMap(c.path), c.path);
    for (const char* name : {"C:\\fifo.txt", "C:\\link.txt", "C:\\zero.txt", "C:\\dir.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(files.fileExists(name));
        EXPECT_EQ(files.lookup(name, platform::kAttrHidden), "");
        EXPECT_THROW(files.openForInput(name), Error);
        EXPECT_THROW(files.setAttributes(name, platform::kAttrHidden), Error);
    }
    EXPECT_THROW(files.openForInput("C:\\big.txt"), Error);
    struct stat st;
    ASSERT_EQ(::stat((c.path + "/secret.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0400u);
}

TEST(PosixFiles, LinesEndAtCrOrCrLfNotAtALoneLf) {
    TempDir c;
    c.write("log.txt", "one\r\ntwo\rthree\nstill three\r\n\r\nlast \xE4");
    posix::PosixFiles files(posix::PathMap(c.path), c.path);
    auto r = files.openForInput("C:\\LOG.TXT");
    std::vector<std::string> lines;
    while (!r->atEnd()) lines.push_back(r->readLine());
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three\nstill three", "", "last \xC3\xA4"}));
    EXPECT_THROW(r->readLine(), Error);
    r->close();

    c.write("empty.txt", "");
    EXPECT_TRUE(files.openForInput("C:\\empty.txt")->atEnd());
    EXPECT_GT(wmi::testing::failureOf([&] { files.openForInput("C:\\missing.txt"); }).number, 0);
}

TEST(PosixFiles, LookupFindsHiddenFilesOnlyWhenAsked) {
    TempDir c;
    c.write("Prodlog.txt", "x");
    posix::PosixFiles files(posix::PathMap(c.path), c.path);
    EXPECT_EQ(files.lookup("C:\\prodlog.txt", platform::kAttrHidden), "Prodlog.txt");
    EXPECT_EQ(files.lookup("C:\\none.txt", platform::kAttrHidden), "");
    fs::create_directories(c.path + "/folder");
    EXPECT_EQ(files.lookup("C:\\folder", platform::kAttrHidden), "");

    files.setAttributes("C:\\Prodlog.txt", platform::kAttrHidden);
    const int attrs = posix::PosixFiles::attributesOf(c.path + "/Prodlog.txt");
    if (!(attrs & platform::kAttrHidden)) GTEST_SKIP() << "no extended attributes here";
    EXPECT_EQ(files.lookup("C:\\Prodlog.txt", platform::kAttrNormal), "");
    EXPECT_EQ(files.lookup("C:\\Prodlog.txt", platform::kAttrHidden), "Prodlog.txt");

    files.setAttributes("C:\\Prodlog.txt", platform::kAttrReadOnly);
    EXPECT_EQ(posix::PosixFiles::attributesOf(c.path + "/Prodlog.txt"), platform::kAttrReadOnly);
    files.setAttributes("C:\\Prodlog.txt", platform::kAttrNormal);
    EXPECT_EQ(posix::PosixFiles::attributesOf(c.path + "/Prodlog.txt"), 0);
}

// Every byte round-trips, the five undefined ones as the code points of
// the same number.
TEST(Codepage, RoundTripOfEveryByte) {
    std::string all;
    for (int b = 0; b < 0x100; ++b) all += static_cast<char>(b);
    EXPECT_EQ(platform::utf8ToCp1252(platform::cp1252ToUtf8(all)), all);
    EXPECT_EQ(platform::cp1252ToUtf8("\x81\x8D\x8F\x90\x9D\x80"), "\u0081\u008D\u008F\u0090\u009D\u20AC");
    EXPECT_EQ(platform::utf8ToCp1252("\u0081\u009D\u0080\u009F"), "\x81\x9D??");  // U+0080 and U+009F: no byte
    EXPECT_EQ(platform::utf8ToCp1252("\xFF\xC3"), "??");                          // malformed input
}

TEST(PosixLocale, PlainLocaleRendersAsUsEnglish) {
    ::setenv("LC_ALL", "C", 1);
    posix::PosixLocale l;
    EXPECT_EQ(l.decimalSeparator(), ".");
    EXPECT_EQ(l.shortDate(2009, 7, 4), "7/4/2009");
    EXPECT_EQ(l.longTime(0, 5, 9), "12:05:09 AM");
    EXPECT_EQ(l.longTime(13, 0, 0), "1:00:00 PM");
}

TEST(ProgramFolders, SystemFoldersOfInstalledProgramsTakeNoReports) {
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {"/usr/bin", true},     {"/usr/bin/", true},      {"/bin", true},            {"/usr/local/bin", true},
        {"/usr/sbin", true},    {"/usr/games", true},     {"/opt/tallyquest/bin", true}, {"/usr/binx", false},
        {"/usr/bin/tools", false}, {"/usr", false},       {"/opt/bin", false},       {"/opt/a/b/bin", false},
        {"/home/op/bin", false}, {"/home/op/build/app", false}, {"/media/stick", false}, {"/", false},
    };
    // clang-format on
    for (const auto& [folder, system] : cases) EXPECT_EQ(posix::isSystemProgramFolder(folder), system) << folder;
}

TEST(ProgramFolders, WritableOnlyWhenTheUserMayCreateFilesThere) {
    TempDir d;
    d.write("file", "x");
    fs::create_directories(d.path + "/locked");
    ::chmod((d.path + "/locked").c_str(), 0555);
    EXPECT_TRUE(posix::folderWritable(d.path));
    EXPECT_FALSE(posix::folderWritable(d.path + "/file"));  // not a folder
    EXPECT_FALSE(posix::folderWritable(d.path + "/missing"));
    EXPECT_EQ(posix::folderWritable(d.path + "/locked"), ::geteuid() == 0);  // root may write anywhere
    ::chmod((d.path + "/locked").c_str(), 0755);
}

TEST(WmiTrace, AppendsToARegularFileAndRefusesEverythingElse) {
    TempDir dir;
    dir.write("trace.txt", "earlier line\n");
    const std::string file = dir.path + "/trace.txt";
    wmi::TraceSink sink;
    ASSERT_EQ(platform::startWmiTrace(file, sink), "");
    wmi::traced(wmi::makeBinder(std::make_shared<wmi::Repository>()), sink)(wmi::kMoniker)
        ->execQuery("SELECT * FROM Win32_Bios", "WQL", wmi::kProbeFlags)
        ->next();
    const std::string trace = dir.read("trace.txt");
    EXPECT_EQ(trace.rfind("earlier line\n", 0), 0u);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 3);
    EXPECT_NE(trace.find("\t0 objects\tSELECT * FROM Win32_Bios\n"), std::string::npos);

    ASSERT_EQ(::mkfifo((dir.path + "/fifo").c_str(), 0600), 0);
    fs::create_symlink(file, dir.path + "/link");
    for (const std::string& refused : {dir.path + "/fifo", dir.path + "/link", std::string("/dev/null"), dir.path,
                                       dir.path + "/no/such/folder/trace"}) {
        SCOPED_TRACE(refused);
        wmi::TraceSink none;
        EXPECT_NE(platform::startWmiTrace(refused, none), "");  // and never blocks
        EXPECT_FALSE(none);
    }
    EXPECT_EQ(dir.read("trace.txt"), trace);
}

}  // namespace
}  // namespace tq
