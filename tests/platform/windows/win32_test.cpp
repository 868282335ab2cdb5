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

// The report goes to a temporary file in its folder that stands for it until
// a successful close moves it over the earlier one (hidden or not); a run that
// stops midway leaves that as it was and no temporary file behind. Creating a
// report's file removes what killed runs left (temporary files no program
// holds open); a name Windows takes as a device is no file at all.
TEST_F(Scratch, ReportReplacesTheEarlierOneOnlyWhenComplete) {
    put("PC.htm", "earlier report that is long", FILE_ATTRIBUTE_HIDDEN);
    put(".tallyquest-stale.tmp", "left by a killed run");
    HANDLE held = ::CreateFileW(widen(path(".tallyquest-held.tmp")).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    files_.createTextFile(path("PC.htm"))->close();
    files_.createTextFile(path("New.htm"))->close();
    EXPECT_TRUE(files_.fileExists(path("New.htm")));
    EXPECT_FALSE(std::filesystem::exists(widen(path("New.htm"))));
    EXPECT_FALSE(std::filesystem::exists(widen(path(".tallyquest-stale.tmp"))));
    const auto entries = [&] { return std::distance(std::filesystem::directory_iterator(widen(dir_)), {}); };
    EXPECT_EQ(entries(), 4);  // the report, the temporary held elsewhere and this program's two
    ::CloseHandle(held);

    files_.openForWriting(path("PC.htm"))->writeLine("half");
    EXPECT_EQ(bytesOf("PC.htm"), "earlier report that is long");
    auto w = files_.openForWriting(path("PC.htm"));
    w->writeLine("<td>M\u00FCller</td>");
    w->writeLine("");
    w->writeLine("\u20AC");
    w->close();
    if (latin1_) EXPECT_EQ(bytesOf("PC.htm"), "<td>M\xFCller</td>\r\n\r\n\x80\r\n");
    else EXPECT_EQ(bytesOf("PC.htm").substr(0, 5), "<td>M");
    EXPECT_EQ(numberOf([&] { w->writeLine("late"); }), fail::kBadFileNameOrNumber);
    w = files_.openForWriting(path("New.htm"));
    w->writeLine("new");
    w->close();
    EXPECT_EQ(bytesOf("New.htm"), "new\r\n");
    // A close that cannot replace the report (held elsewhere) fails and leaves it.
    w = files_.openForWriting(path("New.htm"));
    w->writeLine("newer");
    HANDLE lock = ::CreateFileW(widen(path("New.htm")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(numberOf([&] { w->close(); }), 0);
    ::CloseHandle(lock);
    EXPECT_EQ(bytesOf("New.htm"), "new\r\n");
    EXPECT_EQ(entries(), 3);

    EXPECT_FALSE(files_.fileExists(path("CON.htm")));
    EXPECT_EQ(numberOf([&] { files_.createTextFile(path("com1.htm")); }), fail::kBadFileNameOrNumber);
    EXPECT_EQ(numberOf([&] { files_.openForWriting(path("CON.htm")); }), fail::kBadFileNameOrNumber);
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
    for (const std::string& name :
         {path("\u4E2D\u6587.htm"), path(std::string(251, 'y') + ".htm"), deep + "\\J\u00FCrgen \u738B.htm"}) {
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
    for (const std::string& name :
         {path(std::string(252, 'x') + ".htm"), path("gone\\PC.htm"), path("a:b.htm"), path("tab\there.htm")}) {
        const Failure f = failureOf([&] { files_.createTextFile(name); });
        EXPECT_NE(f.number, 0) << name;
        EXPECT_TRUE(f.description.size() > 4 && f.description.back() == ')' && f.description.find('(') > 1 &&
                    f.description.find('\n') == std::string::npos)
            << name << ": " << f.description;
        EXPECT_FALSE(files_.fileExists(name)) << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(widen(dir_)), {}), before);
}

// Lines are split by the reader shared with the other platforms; here they
// come from the ANSI code page.
TEST_F(Scratch, LinesAreReadFromTheAnsiCodePage) {
    put("log.txt", latin1_ ? "Gr\xF6\xDF"
                             "e \x80\r\nx"
                           : "last\r\nx");
    auto r = files_.openForInput(path("log.txt"));
    EXPECT_EQ(r->readLine(), latin1_ ? "Gr\u00F6\u00DFe \u20AC" : "last");
    EXPECT_EQ(r->readLine(), "x");
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
    // clang-format off
    const std::tuple<const char*, int, const char*> rows[] = {
        {"plain.txt", kAttrHidden, "plain.txt"},   {"readonly.txt", kAttrHidden, "readonly.txt"},
        {"hidden.txt", kAttrHidden, "hidden.txt"}, {"hidden.txt", kAttrNormal, ""},
        {"system.txt", kAttrHidden, ""},           {"system.txt", kAttrSystem, "system.txt"},
        {"folder", kAttrHidden, ""},               {"absent.txt", kAttrHidden, ""},
        {"PLAIN.TXT", kAttrHidden, "plain.txt"},  // the name as stored
    };
    // clang-format on
    for (const auto& [name, filter, found] : rows) EXPECT_EQ(files_.lookup(path(name), filter), found) << name;
    EXPECT_FALSE(files_.fileExists(path("folder")));

    // Setting attributes replaces them all.
    const auto attributes = [&] { return ::GetFileAttributesW(widen(path("hidden.txt")).c_str()) & 7; };
    files_.setAttributes(path("hidden.txt"), kAttrReadOnly | kAttrSystem);
    EXPECT_EQ(attributes(), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
    files_.setAttributes(path("hidden.txt"), kAttrNormal);
    EXPECT_EQ(attributes(), 0u);
}

TEST_F(Scratch, ProgramFoldersFitForReportsAreWritableAndNoSystemFolders) {
    EXPECT_TRUE(folderWritable(dir_ + "\\"));
    EXPECT_FALSE(folderWritable(path("missing")));
    EXPECT_TRUE(std::filesystem::is_empty(widen(dir_)));  // the scratch file is gone again

    const std::string pf = WinFiles().environment("ProgramFiles").value(),
                      win = WinFiles().environment("SystemRoot").value();
    std::string upper = pf + "\\TQ";
    ::CharUpperA(upper.data());
    const std::pair<std::string, bool> cases[] = {
        {pf, true},    {pf + "\\Tallyquest\\", true},    {win + "\\system32", true},   {upper, true}, {pf + "x", false},
        {dir_, false}, {"D:\\Tools\\Tallyquest", false}, {"\\\\server\\share", false},
    };
    for (const auto& [folder, system] : cases) EXPECT_EQ(isSystemProgramFolder(folder), system) << folder;
}

TEST(WinFilesSeam, FoldersAndEnvironment) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::string folder = WinFiles().applicationFolder(), exePath = narrow(exe);
    EXPECT_EQ(folder, exePath.substr(0, exePath.rfind('\\')));
    EXPECT_EQ(WinFiles("D:\\reports\\").applicationFolder(), "D:\\reports");
    EXPECT_EQ(folderForm("C:"), "C:\\");
    EXPECT_FALSE(WinFiles().environment("TQ_SURELY_NOT_SET_42"));
}

// Values come back with their type, texts as UTF-8 with their terminator.
TEST(WinRegistrySeam, ValuesOfEachType) {
    const char* key = "Software\\TallyquestTest";
    const bool latin1 = ::GetACP() == 1252;
    const std::string ansi = latin1 ? "C:\\\xC4rger.exe" : "C:\\a.exe", utf8 = latin1 ? "C:\\\u00C4rger.exe" : ansi;
    const DWORD n = 0x12345678;
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key, "PATH", REG_SZ, ansi.c_str(), ansi.size() + 1), 0);
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key, "Number", REG_DWORD, &n, sizeof n), 0);
    WinRegistry reg;
    std::uintptr_t h = 0;
    ASSERT_EQ(reg.openKey(0x80000001u, key, 0x2003Fu, h), 0);  // HKEY_CURRENT_USER as its 32-bit value
    const auto value = [&](const char* name) {
        std::string buffer(1024, '\0');
        std::uint32_t size = 1024, type = 0;
        const long status = reg.queryValue(h, name, type, buffer, size);
        return status ? std::string("failed") : std::to_string(type) + ":" + buffer.substr(0, size);
    };
    EXPECT_EQ(value("PATH"), "1:" + utf8 + '\0');
    EXPECT_EQ(value("Number"), "4:" + std::string("\x78\x56\x34\x12", 4));
    EXPECT_EQ(value("Absent"), "failed");
    EXPECT_EQ(reg.closeKey(h), 0);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, key);
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
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    if (!::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) || std::wstring(name) != L"en-US")
        GTEST_SKIP() << "the user's locale is not en-US";
    EXPECT_EQ(locale.decimalSeparator(), ".");
    EXPECT_EQ(locale.shortDate(2024, 3, 5), "3/5/2024");
    EXPECT_EQ(locale.longTime(14, 7, 9), "2:07:09 PM");
}

}  // namespace
}  // namespace tq::win
