// The Win32 seams against a scratch folder, the registry and the locale.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/windows/text.h"
#include "platform/windows/win32.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

using platform::kAttrHidden;
using platform::kAttrNormal;
using platform::kAttrReadOnly;
using platform::kAttrSystem;

std::int32_t failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        const std::string base = narrow(tmp);
        dir_ = folderForm(base) + "\\tq-win-" + std::to_string(::GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::CreateDirectoryW(widen(dir_).c_str(), nullptr);
    }
    void TearDown() override {
        WIN32_FIND_DATAW d;
        HANDLE h = ::FindFirstFileW(widen(dir_ + "\\*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring p = widen(dir_) + L"\\" + d.cFileName;
                ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ::RemoveDirectoryW(p.c_str());
                else ::DeleteFileW(p.c_str());
            } while (::FindNextFileW(h, &d));
            ::FindClose(h);
        }
        ::RemoveDirectoryW(widen(dir_).c_str());
    }
    std::string path(const std::string& name) const { return dir_ + "\\" + name; }
    std::string bytesOf(const std::string& name) const {
        std::ifstream in(widen(path(name)).c_str(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void put(const std::string& name, const std::string& bytes, DWORD attrs = FILE_ATTRIBUTE_NORMAL) {
        {
            std::ofstream out(widen(path(name)).c_str(), std::ios::binary);
            out << bytes;
        }
        ::SetFileAttributesW(widen(path(name)).c_str(), attrs);
    }
    DWORD attributes(const std::string& name) const { return ::GetFileAttributesW(widen(path(name)).c_str()); }

    std::string dir_;
    WinFiles files_;
};

TEST_F(Scratch, WrittenLinesAreAnsiWithCrLf) {
    auto w = files_.openForWriting(path("report.htm"));
    w->writeLine("<td>M\u00FCller</td>");
    w->writeLine("");
    w->writeLine("\u20AC");
    w->close();
    if (::GetACP() == 1252) EXPECT_EQ(bytesOf("report.htm"), "<td>M\xFCller</td>\r\n\r\n\x80\r\n");
    else EXPECT_EQ(bytesOf("report.htm").substr(0, 6), "<td>M");
}

TEST_F(Scratch, WritingReplacesContentAndFailsAfterClose) {
    put("old.htm", "previous content that is long");
    auto w = files_.createTextFile(path("old.htm"));
    w->writeLine("new");
    w->close();
    EXPECT_EQ(bytesOf("old.htm"), "new\r\n");
    EXPECT_EQ(failureOf([&] { w->writeLine("late"); }), fail::kBadFileNameOrNumber);

    put("hidden.htm", "x", FILE_ATTRIBUTE_HIDDEN);
    auto h = files_.openForWriting(path("hidden.htm"));
    h->writeLine("y");
    h->close();
    EXPECT_EQ(bytesOf("hidden.htm"), "y\r\n");
}

TEST_F(Scratch, OpeningForWritingFailsWithThePlatformsNumbers) {
    EXPECT_EQ(failureOf([&] { files_.openForWriting(path("no-such-dir\\r.htm")); }), fail::kPathNotFound);
    // Held open by someone else without sharing.
    put("locked.htm", "x");
    HANDLE other = ::CreateFileW(widen(path("locked.htm")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(failureOf([&] { files_.openForWriting(path("locked.htm")); }), fail::kPermissionDenied);
    EXPECT_EQ(failureOf([&] { files_.openForInput(path("locked.htm")); }), fail::kPermissionDenied);
    ::CloseHandle(other);
    EXPECT_EQ(bytesOf("locked.htm"), "x");
}

TEST_F(Scratch, LinesEndAtCrOrCrLfButNotAtLoneLf) {
    put("log.txt", "first\r\nsecond\rthird\nstill third\r\n\r\nlast");
    auto r = files_.openForInput(path("log.txt"));
    std::vector<std::string> lines;
    while (!r->atEnd()) lines.push_back(r->readLine());
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "third\nstill third", "", "last"}));
    EXPECT_EQ(failureOf([&] { r->readLine(); }), fail::kInputPastEnd);
    r->close();
    EXPECT_EQ(failureOf([&] { r->atEnd(); }), fail::kBadFileNameOrNumber);
}

TEST_F(Scratch, InputIsReadFromTheAnsiCodePage) {
    if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page is not 1252";
    put("sig.txt", "Gr\xF6\xDF" "e \x80\r\n");
    auto r = files_.openForInput(path("sig.txt"));
    EXPECT_EQ(r->readLine(), "Gr\u00F6\u00DFe \u20AC");
    EXPECT_TRUE(r->atEnd());
}

TEST_F(Scratch, OpeningForInputFailsForMissingFiles) {
    EXPECT_EQ(failureOf([&] { files_.openForInput(path("absent.txt")); }), fail::kFileNotFound);
    EXPECT_EQ(failureOf([&] { files_.openForInput(path("absent\\x.txt")); }), fail::kPathNotFound);
}

TEST_F(Scratch, LookupAdmitsHiddenFilesOnlyWhenTheFilterNamesThem) {
    put("plain.txt", "a");
    put("readonly.txt", "a", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    put("hidden.txt", "a", FILE_ATTRIBUTE_HIDDEN);
    put("system.txt", "a", FILE_ATTRIBUTE_SYSTEM);
    ::CreateDirectoryW(widen(path("folder")).c_str(), nullptr);

    EXPECT_EQ(files_.lookup(path("plain.txt"), kAttrHidden), "plain.txt");
    EXPECT_EQ(files_.lookup(path("readonly.txt"), kAttrHidden), "readonly.txt");
    EXPECT_EQ(files_.lookup(path("hidden.txt"), kAttrHidden), "hidden.txt");
    EXPECT_EQ(files_.lookup(path("hidden.txt"), kAttrNormal), "");
    EXPECT_EQ(files_.lookup(path("system.txt"), kAttrHidden), "");
    EXPECT_EQ(files_.lookup(path("system.txt"), kAttrSystem), "system.txt");
    EXPECT_EQ(files_.lookup(path("folder"), kAttrHidden), "");
    EXPECT_EQ(files_.lookup(path("absent.txt"), kAttrHidden), "");
    EXPECT_EQ(files_.lookup(path("PLAIN.TXT"), kAttrHidden), "plain.txt");  // the name as stored
}

TEST_F(Scratch, AttributesAreSetExactly) {
    put("log.txt", "a", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    files_.setAttributes(path("log.txt"), kAttrNormal);
    EXPECT_EQ(attributes("log.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    files_.setAttributes(path("log.txt"), kAttrHidden);
    EXPECT_EQ(attributes("log.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    files_.setAttributes(path("log.txt"), kAttrReadOnly);
    EXPECT_TRUE(attributes("log.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(failureOf([&] { files_.setAttributes(path("absent.txt"), kAttrHidden); }), fail::kFileNotFound);
}

TEST_F(Scratch, FileExistsMeansAFile) {
    put("a.htm", "");
    EXPECT_TRUE(files_.fileExists(path("a.htm")));
    EXPECT_FALSE(files_.fileExists(path("b.htm")));
    EXPECT_FALSE(files_.fileExists(dir_));
}

TEST(WinFolders, ApplicationFolderIsTheExecutablesWithoutTrailingSeparator) {
    WinFiles files;
    const std::string folder = files.applicationFolder();
    ASSERT_GE(folder.size(), 3u);
    EXPECT_EQ(folder[1], ':');
    if (folder.size() > 3) EXPECT_NE(folder.back(), '\\');
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    EXPECT_EQ(narrow(exe).rfind(folder, 0), 0u);

    EXPECT_EQ(WinFiles("D:\\reports\\").applicationFolder(), "D:\\reports");
    EXPECT_EQ(folderForm("C:"), "C:\\");
    EXPECT_EQ(folderForm("C:\\"), "C:\\");
    EXPECT_EQ(folderForm("C:\\Tools\\Tq"), "C:\\Tools\\Tq");
}

TEST(WinEnvironment, WinDirIsSetAndMissingVariablesAreNot) {
    WinFiles files;
    auto windir = files.environment("WinDir");
    ASSERT_TRUE(windir);
    const DWORD a = ::GetFileAttributesA(utf8ToAnsi(*windir).c_str());
    EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) << *windir;
    EXPECT_FALSE(files.environment("TQ_SURELY_NOT_SET_42"));
    ::SetEnvironmentVariableA("TQ_EMPTY_VALUE", "");
    auto empty = files.environment("TQ_EMPTY_VALUE");
    if (empty) EXPECT_EQ(*empty, "");
}

class RegistryRead : public ::testing::Test {
protected:
    static constexpr std::uint32_t kCurrentUser = 0x80000001u;
    static constexpr std::uint32_t kLocalMachine = 0x80000002u;
    static constexpr std::uint32_t kAccess = 0x2003Fu;
    static constexpr const char* kKey = "Software\\TallyquestTest";

    void SetUp() override {
        HKEY k = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        const std::string path = ::GetACP() == 1252 ? "C:\\Tools\\\xC4rger.exe" : "C:\\Tools\\a.exe";
        ::RegSetValueExA(k, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>(path.size() + 1));
        DWORD n = 0x12345678;
        ::RegSetValueExA(k, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
        ::RegCloseKey(k);
    }
    void TearDown() override { ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

    WinRegistry reg_;
};

TEST_F(RegistryRead, StringValuesComeBackAsUtf8WithTheirTerminator) {
    std::uintptr_t h = 0;
    ASSERT_EQ(reg_.openKey(kCurrentUser, kKey, kAccess, h), 0);
    std::string buffer(1024, '\0');
    std::uint32_t size = 1024, type = 0;
    ASSERT_EQ(reg_.queryValue(h, "PATH", type, buffer, size), 0);
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_SZ));
    const std::string expected = ::GetACP() == 1252 ? "C:\\Tools\\\u00C4rger.exe" : "C:\\Tools\\a.exe";
    ASSERT_EQ(size, expected.size() + 1);
    EXPECT_EQ(buffer.substr(0, size - 1), expected);
    EXPECT_EQ(buffer[size - 1], '\0');

    size = 1024;
    ASSERT_EQ(reg_.queryValue(h, "Number", type, buffer, size), 0);
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(buffer.substr(0, 4), std::string("\x78\x56\x34\x12", 4));

    size = 1024;
    EXPECT_NE(reg_.queryValue(h, "Absent", type, buffer, size), 0);
    EXPECT_EQ(reg_.closeKey(h), 0);
}

TEST_F(RegistryRead, PredefinedRootsAndMissingKeys) {
    std::uintptr_t h = 0;
    // HKEY_LOCAL_MACHINE given as its 32-bit value still names the root.
    ASSERT_EQ(reg_.openKey(kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0x20019u, h), 0);
    reg_.closeKey(h);
    EXPECT_EQ(reg_.openKey(kLocalMachine, "SOFTWARE\\Tallyquest\\Nowhere", kAccess, h),
              static_cast<long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(h, 0u);
}

TEST(WinShellSeam, FirstMatchAndLaunchFailures) {
    WinShell shell;
    WinFiles files;
    const std::string windir = files.environment("WinDir").value_or("C:\\windows");
    EXPECT_EQ(shell.firstMatch(windir + "\\system32\\kernel32.dll").size(), 12u);
    EXPECT_EQ(shell.firstMatch(windir + "\\no-such-program.exe"), "");
    EXPECT_EQ(failureOf([&] { shell.launch(windir + "\\no-such-program.exe"); }), fail::kFileNotFound);
    EXPECT_LE(shell.execute(0, "Open", windir + "\\no-such-report.htm", "", "", 1), 32);
}

TEST(WinLocaleSeam, UsersNumbersAndDates) {
    WinLocale locale;
    const std::string sep = locale.decimalSeparator();
    EXPECT_TRUE(sep == "." || sep == ",") << sep;
    const std::string date = locale.shortDate(2024, 3, 5);
    EXPECT_NE(date.find("2024"), std::string::npos);
    EXPECT_NE(date.find('5'), std::string::npos);
    const std::string time = locale.longTime(14, 7, 9);
    EXPECT_NE(time.find("07"), std::string::npos) << time;
    EXPECT_NE(time.find("09"), std::string::npos) << time;
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) && std::wstring(name) == L"en-US") {
        EXPECT_EQ(sep, ".");
        EXPECT_EQ(date, "3/5/2024");
        EXPECT_EQ(time, "2:07:09 PM");
    }
}

}  // namespace
}  // namespace tq::win
