// The Win32 seams against a scratch folder, the registry and the locale.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/windows/text.h"
#include "platform/windows/win32.h"
#include "failure_of.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

using platform::kAttrHidden, platform::kAttrNormal, platform::kAttrReadOnly, platform::kAttrSystem;

class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = folderForm(narrow(std::filesystem::temp_directory_path().wstring())) + "\\tq-win-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directory(widen(dir_));
    }
    void TearDown() override {
        for (const auto& e : std::filesystem::directory_iterator(widen(dir_)))
            ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(widen(dir_));
    }
    std::string path(const std::string& name) const { return dir_ + "\\" + name; }
    std::string bytesOf(const std::string& name) const {
        std::ifstream in(widen(path(name)).c_str(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void put(const std::string& name, const std::string& bytes, DWORD attrs = FILE_ATTRIBUTE_NORMAL) {
        std::ofstream(widen(path(name)).c_str(), std::ios::binary) << bytes;
        ::SetFileAttributesW(widen(path(name)).c_str(), attrs);
    }

    const bool latin1_ = ::GetACP() == 1252;
    std::string dir_;
    WinFiles files_;
};

TEST_F(Scratch, WrittenLinesAreAnsiWithCrLfAndReplaceTheContent) {
    // Longer old content is gone; a hidden file is replaced too.
    put("old.htm", "previous content that is long", FILE_ATTRIBUTE_HIDDEN);
    auto w = files_.createTextFile(path("old.htm"));
    w->writeLine("<td>M\u00FCller</td>");
    w->writeLine("");
    w->writeLine("\u20AC");
    w->close();
    if (latin1_) EXPECT_EQ(bytesOf("old.htm"), "<td>M\xFCller</td>\r\n\r\n\x80\r\n");
    else EXPECT_EQ(bytesOf("old.htm").substr(0, 5), "<td>M");
    EXPECT_EQ(numberOf([&] { w->writeLine("late"); }), fail::kBadFileNameOrNumber);
}

// The report replaces the earlier one only when complete; a run that stops
// midway leaves it as it was and no temporary file behind.
TEST_F(Scratch, EarlierReportSurvivesAnUnfinishedRun) {
    put("PC.htm", "earlier report");
    files_.createTextFile(path("PC.htm"))->close();
    EXPECT_EQ(bytesOf("PC.htm"), "earlier report");
    files_.openForWriting(path("PC.htm"))->writeLine("half");
    EXPECT_EQ(bytesOf("PC.htm"), "earlier report");
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(widen(dir_))) entries += e.path().filename() == L"PC.htm" ? 1 : 100;
    EXPECT_EQ(entries, 1u);
    auto w = files_.openForWriting(path("PC.htm"));
    w->writeLine("new");
    w->close();
    EXPECT_EQ(bytesOf("PC.htm"), "new\r\n");
}

// Until the report is complete its temporary file stands for it: a first
// run killed before the end leaves no empty report. Creating a report's file
// removes what killed runs left (temporary files no program holds open), and
// a name Windows takes as a device is no file at all.
TEST_F(Scratch, TemporaryFileStandsForTheReportAndLeftoversGo) {
    files_.createTextFile(path("PC.htm"))->close();
    EXPECT_TRUE(files_.fileExists(path("PC.htm")));
    EXPECT_FALSE(std::filesystem::exists(widen(path("PC.htm"))));

    put(".tallyquest-stale.tmp", "left by a killed run");
    HANDLE held = ::CreateFileW(widen(path(".tallyquest-held.tmp")).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    files_.createTextFile(path("Other.htm"))->close();
    std::size_t temporaries = 0;
    for (const auto& e : std::filesystem::directory_iterator(widen(dir_))) {
        EXPECT_NE(e.path().filename(), L".tallyquest-stale.tmp");
        temporaries += e.path().filename().wstring().rfind(L".tallyquest-", 0) == 0;
    }
    EXPECT_EQ(temporaries, 3u);  // the one held elsewhere, and this program's two
    ::CloseHandle(held);
    for (const char* name : {"PC.htm", "Other.htm"}) {
        auto w = files_.openForWriting(path(name));
        w->writeLine(name);
        w->close();
        EXPECT_EQ(bytesOf(name), std::string(name) + "\r\n");
    }

    for (const char* device : {"CON.htm", "nul .htm", "com1.htm", "LPT9.txt.htm", "CONOUT$.htm"}) {
        EXPECT_FALSE(files_.fileExists(path(device))) << device;
        EXPECT_EQ(numberOf([&] { files_.createTextFile(path(device)); }), fail::kBadFileNameOrNumber) << device;
        EXPECT_EQ(numberOf([&] { files_.openForWriting(path(device)); }), fail::kBadFileNameOrNumber) << device;
    }
}

// A report's name is refused when its file is made, before any run, with the
// system's own words and number when the system cannot take it (too long, a
// reserved character, a folder that is gone), and nothing lands anywhere;
// names in any language and paths beyond MAX_PATH work up to the limit.
TEST_F(Scratch, ReportNamesWorkUpToTheSystemsLimitAndAreRefusedWithItsReason) {
    const std::string deep = path(std::string(120, 'd')) + "\\" + std::string(120, 'e');
    for (const std::string& folder : {deep.substr(0, deep.rfind('\\')), deep})
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + widen(folder)).c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS)
            << folder;
    for (const std::string& name : {path("B\u00FCro.htm"), path("\u4E2D\u6587.htm"), path(std::string(251, 'y') + ".htm"),
                                    deep + "\\J\u00FCrgen \u738B.htm"}) {
        const Failure f = failureOf([&] {
            files_.createTextFile(name)->close();
            auto w = files_.openForWriting(name);
            w->writeLine("G\u00FC\u4E2D");
            w->close();
        });
        EXPECT_EQ(f.number, 0) << name << ": " << f.description;
        EXPECT_TRUE(files_.fileExists(name)) << name;
        if (latin1_) {
            EXPECT_EQ(files_.openForInput(name)->readLine(), "G\u00FC?");
        }
    }
    // Gone again through the long form, which the clean-up does not use.
    ::DeleteFileW((L"\\\\?\\" + widen(deep + "\\J\u00FCrgen \u738B.htm")).c_str());
    for (const std::string& folder : {deep, deep.substr(0, deep.rfind('\\'))})
        ::RemoveDirectoryW((L"\\\\?\\" + widen(folder)).c_str());
    const auto before = std::distance(std::filesystem::directory_iterator(widen(dir_)), {});
    for (const std::string& name : {path(std::string(252, 'x') + ".htm"), path("gone\\PC.htm"), path("a|b.htm"),
                                    path("a:b.htm"), path("a?b.htm"), path("tab\there.htm")}) {
        const Failure f = failureOf([&] { files_.createTextFile(name); });
        EXPECT_NE(f.number, 0) << name;
        EXPECT_TRUE(f.description.size() > 4 && f.description.back() == ')' && f.description.find('(') > 1 &&
                    f.description.find('\n') == std::string::npos)
            << name << ": " << f.description;
        EXPECT_FALSE(files_.fileExists(name)) << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(widen(dir_)), {}), before);
    const std::string denied = systemMessage(ERROR_ACCESS_DENIED);
    EXPECT_EQ(denied.substr(denied.size() - 4), " (5)");
    EXPECT_GT(denied.size(), 5u);
}

TEST_F(Scratch, LinesEndAtCrOrCrLfButNotAtLoneLfAndAreReadFromTheAnsiCodePage) {
    put("log.txt", std::string("first\r\nsecond\rthird\nstill third\r\n\r\n") +
                       (latin1_ ? "Gr\xF6\xDF" "e \x80" : "last"));
    auto r = files_.openForInput(path("log.txt"));
    std::vector<std::string> lines;
    while (!r->atEnd()) lines.push_back(r->readLine());
    const std::string last = latin1_ ? "Gr\u00F6\u00DFe \u20AC" : "last";
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "third\nstill third", "", last}));
    EXPECT_EQ(numberOf([&] { r->readLine(); }), fail::kInputPastEnd);
    r->close();
    EXPECT_EQ(numberOf([&] { r->atEnd(); }), fail::kBadFileNameOrNumber);
}

TEST_F(Scratch, FailuresCarryThePlatformsNumbers) {
    put("locked.htm", "x");
    // Held open by someone else without sharing.
    HANDLE other = ::CreateFileW(widen(path("locked.htm")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    const std::pair<std::function<void()>, std::int32_t> rows[] = {
        {[&] { files_.openForWriting(path("no-such-dir\\r.htm")); }, fail::kPathNotFound},
        {[&] { files_.openForWriting(path("locked.htm")); }, fail::kPermissionDenied},
        {[&] { files_.openForInput(path("locked.htm")); }, fail::kPermissionDenied},
        {[&] { files_.openForInput(path("absent.txt")); }, fail::kFileNotFound},
        {[&] { files_.openForInput(path("absent\\x.txt")); }, fail::kPathNotFound},
        {[&] { files_.setAttributes(path("absent.txt"), kAttrHidden); }, fail::kFileNotFound},
    };
    for (const auto& [call, number] : rows) EXPECT_EQ(numberOf(call), number);
    ::CloseHandle(other);
    EXPECT_EQ(bytesOf("locked.htm"), "x");
}

TEST_F(Scratch, LookupAdmitsHiddenAndSystemFilesOnlyWhenNamedAndAttributesAreSetExactly) {
    put("plain.txt", "a");
    put("readonly.txt", "a", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    put("hidden.txt", "a", FILE_ATTRIBUTE_HIDDEN);
    put("system.txt", "a", FILE_ATTRIBUTE_SYSTEM);
    ::CreateDirectoryW(widen(path("folder")).c_str(), nullptr);
    const std::tuple<const char*, int, const char*> rows[] = {
        {"plain.txt", kAttrHidden, "plain.txt"},   {"readonly.txt", kAttrHidden, "readonly.txt"},
        {"hidden.txt", kAttrHidden, "hidden.txt"}, {"hidden.txt", kAttrNormal, ""},
        {"system.txt", kAttrHidden, ""},           {"system.txt", kAttrSystem, "system.txt"},
        {"folder", kAttrHidden, ""},               {"absent.txt", kAttrHidden, ""},
        {"PLAIN.TXT", kAttrHidden, "plain.txt"},  // the name as stored
    };
    for (const auto& [name, filter, found] : rows) EXPECT_EQ(files_.lookup(path(name), filter), found) << name;
    EXPECT_TRUE(files_.fileExists(path("plain.txt")));
    EXPECT_FALSE(files_.fileExists(path("absent.txt")));
    EXPECT_FALSE(files_.fileExists(path("folder")));

    // Setting attributes replaces them all.
    const DWORD rhs = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (const auto& [set, want] : {std::pair<int, DWORD>{kAttrReadOnly, FILE_ATTRIBUTE_READONLY},
                                    {kAttrHidden, FILE_ATTRIBUTE_HIDDEN}, {kAttrSystem, FILE_ATTRIBUTE_SYSTEM},
                                    {kAttrNormal, 0}}) {
        files_.setAttributes(path("hidden.txt"), set);
        EXPECT_EQ(::GetFileAttributesW(widen(path("hidden.txt")).c_str()) & rhs, want) << set;
    }
}

TEST_F(Scratch, ProgramFoldersFitForReportsAreWritableAndNoSystemFolders) {
    EXPECT_TRUE(folderWritable(dir_));
    EXPECT_TRUE(folderWritable(dir_ + "\\"));
    EXPECT_FALSE(folderWritable(path("missing")));
    EXPECT_TRUE(std::filesystem::is_empty(widen(dir_)));  // the scratch file is gone again

    wchar_t programFiles[MAX_PATH], windows[MAX_PATH];
    ASSERT_GT(::GetEnvironmentVariableW(L"ProgramFiles", programFiles, MAX_PATH), 0u);
    ASSERT_GT(::GetEnvironmentVariableW(L"SystemRoot", windows, MAX_PATH), 0u);
    const std::string pf = narrow(programFiles), win = narrow(windows);
    const struct {
        std::string folder;
        bool system;
    } cases[] = {
        {pf, true}, {pf + "\\Tallyquest", true}, {pf + "\\Tallyquest\\", true}, {win + "\\system32", true},
        {pf + "x", false}, {dir_, false}, {"D:\\Tools\\Tallyquest", false}, {"\\\\server\\share", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isSystemProgramFolder(c.folder), c.system) << c.folder;
    std::string upper = pf + "\\TQ";
    ::CharUpperA(upper.data());
    EXPECT_TRUE(isSystemProgramFolder(upper));
}

TEST(WinFilesSeam, FoldersAndEnvironment) {
    WinFiles files;
    const std::string folder = files.applicationFolder();
    ASSERT_GE(folder.size(), 3u);
    EXPECT_EQ(folder[1], ':');
    if (folder.size() > 3) { EXPECT_NE(folder.back(), '\\'); }
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(narrow(exe).rfind(folder, 0), 0u);
    EXPECT_EQ(WinFiles("D:\\reports\\").applicationFolder(), "D:\\reports");
    EXPECT_EQ(folderForm("C:\\"), "C:\\");
    EXPECT_EQ(folderForm("C:"), "C:\\");

    auto windir = files.environment("WinDir");
    ASSERT_TRUE(windir);
    const DWORD a = ::GetFileAttributesA(utf8ToAnsi(*windir).c_str());
    EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) << *windir;
    EXPECT_FALSE(files.environment("TQ_SURELY_NOT_SET_42"));
    ::SetEnvironmentVariableA("TQ_EMPTY_VALUE", "");
    auto empty = files.environment("TQ_EMPTY_VALUE");
    if (empty) { EXPECT_EQ(*empty, ""); }
}

class RegistrySeam : public ::testing::Test {
protected:
    static constexpr const char* kKey = "Software\\TallyquestTest";
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
};

TEST_F(RegistrySeam, StringValuesComeBackAsUtf8WithTheirTerminator) {
    const bool latin1 = ::GetACP() == 1252;
    const std::string ansi = latin1 ? "C:\\Tools\\\xC4rger.exe" : "C:\\Tools\\a.exe";
    const DWORD n = 0x12345678;
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "PATH", REG_SZ, ansi.c_str(), ansi.size() + 1), 0);
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Number", REG_DWORD, &n, sizeof n), 0);
    WinRegistry reg;
    std::uintptr_t h = 0;
    ASSERT_EQ(reg.openKey(0x80000001u, kKey, 0x2003Fu, h), 0);  // HKEY_CURRENT_USER as its 32-bit value
    std::string buffer(1024, '\0');
    std::uint32_t size = 1024, type = 0;
    ASSERT_EQ(reg.queryValue(h, "PATH", type, buffer, size), 0);
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_SZ));
    const std::string utf8 = latin1 ? "C:\\Tools\\\u00C4rger.exe" : "C:\\Tools\\a.exe";
    ASSERT_EQ(size, utf8.size() + 1);
    EXPECT_EQ(buffer.substr(0, size), utf8 + '\0');

    size = 1024;
    ASSERT_EQ(reg.queryValue(h, "Number", type, buffer, size), 0);
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_DWORD));
    EXPECT_EQ(buffer.substr(0, size), std::string("\x78\x56\x34\x12", 4));
    size = 1024;
    EXPECT_NE(reg.queryValue(h, "Absent", type, buffer, size), 0);
    EXPECT_EQ(reg.closeKey(h), 0);

    EXPECT_EQ(reg.openKey(0x80000002u, "SOFTWARE\\Tallyquest\\Nowhere", 0x2003Fu, h),
              static_cast<long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(h, 0u);
}

TEST(WinShellSeam, FirstMatchAndLaunchFailures) {
    WinShell shell;
    const std::string windir = WinFiles().environment("WinDir").value_or("C:\\windows");
    EXPECT_EQ(shell.firstMatch(windir + "\\system32\\kernel32.dll").size(), 12u);
    EXPECT_EQ(numberOf([&] { shell.launch(windir + "\\no-such-program.exe"); }), fail::kFileNotFound);
    EXPECT_LE(shell.execute(0, "Open", windir + "\\no-such-report.htm", "", "", 1), 32);
}

TEST(WinLocaleSeam, UsersNumbersAndDates) {
    WinLocale locale;
    const std::string sep = locale.decimalSeparator(), date = locale.shortDate(2024, 3, 5),
                      time = locale.longTime(14, 7, 9);
    EXPECT_TRUE(sep == "." || sep == ",") << sep;
    EXPECT_NE(date.find("2024"), std::string::npos) << date;
    EXPECT_NE(time.find("07"), std::string::npos) << time;
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) && std::wstring(name) == L"en-US") {
        EXPECT_EQ(sep, ".");
        EXPECT_EQ(date, "3/5/2024");
        EXPECT_EQ(time, "2:07:09 PM");
    }
}

}  // namespace
}  // namespace tq::win
