// The seams on Windows: files through the Win32 file functions (paths and
// file contents in the ANSI code page), the shell, the registry and the
// user's locale.
#pragma once

#include <memory>
#include <string>

#include <windows.h>

#include "platform/seams.h"

namespace tq::win {

// The folder of the running executable, as the seams give folders.
std::string executableFolder();

// Without a trailing "\" except at a drive root ("C:\").
std::string folderForm(std::string path);

// Whether the user may create files in a folder: tried with a scratch file
// that is gone again when its handle closes (access lists, write-protected
// media and shares all answer truly that way).
bool folderWritable(const std::string& folder);

// Whether a folder lies in the Windows folder or in a Program Files folder.
bool isSystemProgramFolder(const std::string& folder);

// Makes a file written through `file` take the name `to` durably: flushes
// it to the disk and moves it over `to` (through the handle where the file
// system allows, else closed and moved through to the disk). Closes `file`;
// returns 0 or the error of the step that failed.
DWORD durableReplace(HANDLE& file, const std::wstring& from, const std::wstring& to);

// Files through the Win32 file functions. A report is written to a temporary
// file in its folder (made, and held, when the report's file is created)
// and moved over its name when complete and on the disk; creating a report's
// file first removes the temporary files that killed runs left there. A name
// that Windows takes as a device is no file: it never exists and cannot be
// created or written.
class WinFiles final : public platform::Files {
public:
    // `applicationFolder` empty: the executable's folder.
    explicit WinFiles(std::string applicationFolder = {});
    ~WinFiles() override;
    std::string applicationFolder() override { return appFolder_; }
    bool fileExists(const std::string& path) override;
    std::unique_ptr<platform::TextWriter> openForWriting(const std::string& path) override;
    std::unique_ptr<platform::TextWriter> createTextFile(const std::string& path) override;
    std::string lookup(const std::string& path, int attributes) override;
    void setAttributes(const std::string& path, int attributes) override;
    std::unique_ptr<platform::LineReader> openForInput(const std::string& path) override;
    std::optional<std::string> environment(const std::string& name) override;

private:
    std::string appFolder_;
    // The temporary files made for reports whose run has not written them.
    struct Reserved;
    std::unique_ptr<Reserved> reserved_;
};

class WinShell final : public platform::Shell {
public:
    std::intptr_t execute(std::uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showMode) override;
    void launch(const std::string& path) override;
    std::string firstMatch(const std::string& path) override;
};

// Root keys are given as their 32-bit values (HKEY_LOCAL_MACHINE is
// 0x80000002); string values come back as UTF-8, their size in bytes of
// that form.
class WinRegistry final : public platform::Registry {
public:
    long openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& handle) override;
    long queryValue(std::uintptr_t handle, const std::string& name, std::uint32_t& type, std::string& buffer,
                    std::uint32_t& size) override;
    long closeKey(std::uintptr_t handle) override;
    long enumKey(std::uintptr_t handle, std::uint32_t index, std::string& name) override;
};

class WinLocale final : public platform::Locale {
public:
    std::string decimalSeparator() override;
    std::string shortDate(int year, int month, int day) override;
    std::string longTime(int hour, int minute, int second) override;
};

}  // namespace tq::win
