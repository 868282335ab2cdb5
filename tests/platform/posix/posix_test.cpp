// The POSIX seams: Windows paths below a drive C folder, single-byte files
// with CR LF, the line rules of reading, attributes, the locale.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/posix/posix.h"
#include "wmi/failure.h"

namespace tq {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tq-posix-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    void write(const std::string& rel, const std::string& bytes) const {
        fs::create_directories(fs::path(path + "/" + rel).parent_path());
        std::ofstream(path + "/" + rel, std::ios::binary) << bytes;
    }
    std::string read(const std::string& rel) const {
        std::ifstream in(path + "/" + rel, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string path;
};

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
    EXPECT_EQ(files.applicationFolder(), "C:\\app");
    auto w = files.openForWriting("C:\\app\\PC 01.htm");
    w->writeLine("M\xC3\xBCller \xE2\x82\xAC \xE4\xB8\xAD");  // ü, €, a CJK character
    w->writeLine("");
    w->close();
    EXPECT_EQ(c.read("app/PC 01.htm"), "M\xFCller \x80 ?\r\n\r\n");
    EXPECT_TRUE(files.fileExists("C:\\APP\\pc 01.HTM"));
    EXPECT_FALSE(files.fileExists("C:\\app"));  // a folder is no file
}

TEST(PosixFiles, OpeningForWritingFailsOnAReadOnlyFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
    TempDir c;
    c.write("r.htm", "keep");
    ::chmod((c.path + "/r.htm").c_str(), 0444);
    posix::PosixFiles files(posix::PathMap(c.path), c.path);
    EXPECT_THROW(files.openForWriting("C:\\r.htm"), Error);
    EXPECT_EQ(c.read("r.htm"), "keep");
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
    try {
        files.openForInput("C:\\missing.txt");
        FAIL();
    } catch (const Error& e) {
        EXPECT_GT(e.number(), 0);
    }
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

TEST(Codepage, RoundTripOfTheHighHalf) {
    std::string all;
    for (int b = 0x20; b < 0x100; ++b)
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all += static_cast<char>(b);
    EXPECT_EQ(platform::utf8ToCp1252(platform::cp1252ToUtf8(all)), all);
    EXPECT_EQ(platform::utf8ToCp1252("\xFF\xC3"), "??");  // malformed input
}

TEST(PosixLocale, PlainLocaleRendersAsUsEnglish) {
    ::setenv("LC_ALL", "C", 1);
    posix::PosixLocale l;
    EXPECT_EQ(l.decimalSeparator(), ".");
    EXPECT_EQ(l.shortDate(2009, 7, 4), "7/4/2009");
    EXPECT_EQ(l.longTime(0, 5, 9), "12:05:09 AM");
    EXPECT_EQ(l.longTime(13, 0, 0), "1:00:00 PM");
}

TEST(PosixLocale, UserLocaleGivesItsSeparatorAndForms) {
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    posix::PosixLocale l;
    ::setenv("LC_ALL", "C", 1);
    if (l.decimalSeparator() == ".") GTEST_SKIP() << "de_DE locale not installed";
    EXPECT_EQ(l.decimalSeparator(), ",");
    EXPECT_EQ(l.shortDate(2009, 7, 4), "04.07.2009");
    EXPECT_EQ(l.longTime(13, 5, 9), "13:05:09");
}

TEST(ProgramFolders, SystemFoldersOfInstalledProgramsTakeNoReports) {
    const struct {
        const char* folder;
        bool system;
    } cases[] = {
        {"/usr/bin", true},          {"/usr/bin/", true},         {"/bin", true},
        {"/usr/local/bin", true},    {"/usr/sbin", true},         {"/usr/games", true},
        {"/opt/tallyquest/bin", true},
        {"/usr/binx", false},        {"/usr/bin/tools", false},   {"/usr", false},
        {"/opt/bin", false},         {"/opt/a/b/bin", false},     {"/home/op/bin", false},
        {"/home/op/build/app", false}, {"/media/stick", false},   {"/", false},
    };
    for (const auto& c : cases) EXPECT_EQ(posix::isSystemProgramFolder(c.folder), c.system) << c.folder;
}

TEST(ProgramFolders, WritableOnlyWhenTheUserMayCreateFilesThere) {
    TempDir d;
    d.write("file", "x");
    fs::create_directories(d.path + "/locked");
    ::chmod((d.path + "/locked").c_str(), 0555);
    EXPECT_TRUE(posix::folderWritable(d.path));
    EXPECT_FALSE(posix::folderWritable(d.path + "/file"));      // not a folder
    EXPECT_FALSE(posix::folderWritable(d.path + "/missing"));
    if (::geteuid() != 0) {  // the administrator may write anywhere
        EXPECT_FALSE(posix::folderWritable(d.path + "/locked"));
    }
    ::chmod((d.path + "/locked").c_str(), 0755);
}

}  // namespace
}  // namespace tq
