#include "platform/windows/win32.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/devicename.h"
#include "platform/linereader.h"
#include "platform/windows/text.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

// A Win32 error as the failure numbers of file access know it; with
// `systemReason`, described in the system's own words (for the line the
// headless program gives when a report cannot be created).
[[noreturn]] void raiseFileError(DWORD err, std::int32_t fallback, bool systemReason = false) {
    std::int32_t number = fallback;
    switch (err) {
    case ERROR_FILE_NOT_FOUND: number = fail::kFileNotFound; break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE: number = fail::kPathNotFound; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: number = fail::kPermissionDenied; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: number = fail::kDiskFull; break;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: number = fail::kBadFileNameOrNumber; break;
    default: break;
    }
    if (systemReason) fail::raise(number, systemMessage(err));
    fail::raise(number);
}

// The form in which the file functions take a path of any length, up to
// the system's own limit: made full as Windows reads a path (separators,
// "." and "..", the current folder), then "\\?\C:\..." or
// "\\?\UNC\server\share\...". Device paths stay as they are.
std::wstring longPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
    std::wstring full(std::max<std::size_t>(path.size() + 1, MAX_PATH), L'\0');
    for (;;) {
        const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return path;
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        if (full.size() > 2 && (full[2] == L'?' || full[2] == L'.')) return full;
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
    return full;
}
std::wstring longPath(const std::string& utf8) { return longPath(widen(utf8)); }

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const noexcept { return h_; }
    bool valid() const noexcept { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release() noexcept {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset() noexcept {
        if (valid()) ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

// The folder part of a path ("C:\dir" of "C:\dir\file"; "." without one).
std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    std::wstring folder = path.substr(0, slash);
    if (!folder.empty() && folder.back() == L':') folder += L'\\';  // a drive's root
    return folder;
}

// A report's temporary file: created new in the report's folder and held
// open without sharing deletion, so that a later run's clean-up, which
// deletes what it can, leaves it alone while this program lives.
struct TempFile {
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring name;
    bool open() const noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
};

constexpr std::wstring_view kTempPrefix = L".tallyquest-";
constexpr std::wstring_view kTempSuffix = L".tmp";

std::wstring inFolder(const std::wstring& folder, std::wstring_view name) {
    return folder + (folder.back() == L'\\' ? L"" : L"\\") + std::wstring(name);
}

TempFile makeTempFile(const std::wstring& folder, bool systemReason) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempFile t;
        t.name = inFolder(folder, std::wstring(kTempPrefix) + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(++counter) + std::wstring(kTempSuffix));
        t.h = ::CreateFileW(t.name.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (t.open()) return t;
        const DWORD err = ::GetLastError();
        if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS)
            raiseFileError(err, fail::kPathFileAccess, systemReason);
    }
    fail::raise(fail::kPathFileAccess);
}

// Removes what killed runs left in a folder: temporary files of ours that
// can be deleted, that is that no running program holds. Folders and links
// stay.
void removeLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(inFolder(folder, std::wstring(kTempPrefix) + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring_view name = data.cFileName;
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (name.size() <= kTempPrefix.size() + kTempSuffix.size() ||
            name.substr(0, kTempPrefix.size()) != kTempPrefix ||
            name.substr(name.size() - kTempSuffix.size()) != kTempSuffix)
            continue;
        ::DeleteFileW(inFolder(folder, name).c_str());
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

void release(TempFile& t) noexcept {
    if (!t.open()) return;
    ::CloseHandle(t.h);
    ::DeleteFileW(t.name.c_str());
    t.h = INVALID_HANDLE_VALUE;
}

}  // namespace

// The temporary files that the report-name step made for reports (by the
// report's path): the run checks for it and writes into it. Those still
// here when the files object goes (the program ends normally) go with it.
struct WinFiles::Reserved : std::map<std::wstring, TempFile> {
    ~Reserved() {
        for (auto& entry : *this) release(entry.second);
    }
};

namespace {

// The report's writer: lines go to a temporary file in the report's folder
// (the one the report-name step made, or a new one); a successful close
// flushes it to the disk and moves it over the report's name. A failed write
// or close, or a writer dropped unclosed, removes the temporary file and
// leaves the earlier report as it was.
class ReplacingWriter final : public platform::TextWriter {
public:
    ReplacingWriter(std::wstring target, bool eager, std::map<std::wstring, TempFile>& reserved)
        : target_(std::move(target)), reserved_(reserved) {
        if (eager) start();
    }
    ~ReplacingWriter() override { release(temp_); }
    void writeLine(std::string_view text) override {
        std::string bytes = utf8ToAnsi(text);
        bytes += "\r\n";
        write(bytes);
    }
    // A long line (the updates' row) goes out piece by piece, never held whole.
    bool writePart(std::string_view text) override {
        write(utf8ToAnsi(text));
        return true;
    }
    void write(const std::string& bytes) {
        if (closed_) fail::raise(fail::kBadFileNameOrNumber);
        if (!temp_.open()) start();
        DWORD written = 0;
        if (!::WriteFile(temp_.h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            if (!error_) error_ = ::GetLastError() ? ::GetLastError() : ERROR_DISK_FULL;
            raiseFileError(error_, fail::kDiskFull);
        }
    }
    void close() override {
        if (closed_) return;
        closed_ = true;
        if (!temp_.open()) return;  // nothing written: the file stays as it was
        if (!error_) error_ = durableReplace(temp_.h, temp_.name, target_);
        if (error_) {
            if (temp_.open()) release(temp_);
            else ::DeleteFileW(temp_.name.c_str());
            raiseFileError(error_, fail::kPathFileAccess);
        }
    }

private:
    void start() {
        auto& files = reserved_;
        if (auto it = files.find(target_); it != files.end()) {
            temp_ = it->second;
            files.erase(it);
        } else {
            temp_ = makeTempFile(folderOf(target_), false);
        }
    }

    std::wstring target_;
    std::map<std::wstring, TempFile>& reserved_;
    TempFile temp_;
    DWORD error_ = 0;
    bool closed_ = false;
};

// Checks that an existing file at a report's name may be replaced: not a
// folder, not read-only, not held by another program. True when it exists.
bool replaceable(const std::wstring& path, bool systemReason = false) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        // Absent is fine; a name or folder the system cannot use is not.
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) return false;
        raiseFileError(err, fail::kPathFileAccess, systemReason);
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY) raiseFileError(ERROR_DIRECTORY, fail::kPathFileAccess, systemReason);
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return true;  // a link is replaced, not followed
    if (a & FILE_ATTRIBUTE_READONLY) raiseFileError(ERROR_ACCESS_DENIED, fail::kPermissionDenied, systemReason);
    Handle h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    if (!h.valid()) raiseFileError(::GetLastError(), fail::kPathFileAccess, systemReason);
    // Only a file on disk is a report (no device, pipe or console).
    if (::GetFileType(h.get()) != FILE_TYPE_DISK)
        raiseFileError(ERROR_INVALID_NAME, fail::kPathFileAccess, systemReason);
    return true;
}

// A report's name that the system cannot take, found before anything is
// read: characters no file name may hold (a colon would name a stream of
// another file), then the system itself asked, which alone knows its limits
// (the name's length, the file system's rules): a file made at the name and
// gone again as its handle closes, also when the program is killed.
void checkNewName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring_view name = std::wstring_view(path).substr(slash == std::wstring::npos ? 0 : slash + 1);
    if (std::any_of(name.begin(), name.end(), [](wchar_t c) {
            return c < 32 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos;
        }))
        raiseFileError(ERROR_INVALID_NAME, fail::kBadFileNameOrNumber, true);
    const HANDLE h =
        ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
        return;
    }
    const DWORD err = ::GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) raiseFileError(err, fail::kPathFileAccess, true);
}

// The first entry matching `path` whose attributes the filter admits:
// ordinary, read-only and archive files always, hidden, system and folders
// only when named.
std::string findFirst(const std::string& path, int filter) {
    WIN32_FIND_DATAW data;
    HANDLE h = ::FindFirstFileW(longPath(path).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string found;
    do {
        const DWORD a = data.dwFileAttributes;
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(filter & platform::kAttrDirectory)) continue;
        if (a & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // a link is no file of ours
        if ((a & FILE_ATTRIBUTE_HIDDEN) && !(filter & platform::kAttrHidden)) continue;
        if ((a & FILE_ATTRIBUTE_SYSTEM) && !(filter & platform::kAttrSystem)) continue;
        found = narrow(name);
        break;
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    return found;
}

}  // namespace

std::string folderForm(std::string path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    if (path.size() == 2 && path[1] == ':') path += '\\';
    return path;
}

std::string executableFolder() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return ".";
        if (n < buf.size()) {
            std::wstring full(buf.data(), n);
            const std::size_t slash = full.find_last_of(L"\\/");
            return folderForm(narrow(slash == std::wstring::npos ? L"." : full.substr(0, slash)));
        }
        buf.resize(buf.size() * 2);
    }
}

bool folderWritable(const std::string& folder) {
    const std::wstring probe = widen(folderForm(folder)) + L"\\~tq" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                               std::to_wstring(::GetTickCount64()) + L".tmp";
    const HANDLE h =
        ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

bool isSystemProgramFolder(const std::string& folder) {
    auto lower = [](std::wstring s) {
        if (!s.empty()) ::CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
        for (wchar_t& c : s)
            if (c == L'/') c = L'\\';
        while (!s.empty() && s.back() == L'\\') s.pop_back();
        return s;
    };
    const std::wstring f = lower(widen(folder));
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"SystemRoot"}) {
        wchar_t buf[MAX_PATH];
        const DWORD n = ::GetEnvironmentVariableW(name, buf, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) continue;
        const std::wstring base = lower(std::wstring(buf, n));
        if (base.empty()) continue;
        if (f == base || (f.size() > base.size() && f.compare(0, base.size(), base) == 0 && f[base.size()] == L'\\'))
            return true;
    }
    return false;
}

WinFiles::WinFiles(std::string applicationFolder)
    : appFolder_(applicationFolder.empty() ? executableFolder() : folderForm(std::move(applicationFolder))),
      reserved_(std::make_unique<Reserved>()) {}

WinFiles::~WinFiles() = default;

DWORD durableReplace(HANDLE& file, const std::wstring& from, const std::wstring& to) {
    DWORD err = ::FlushFileBuffers(file) ? 0 : ::GetLastError();
    if (!err) {
        // Renamed through the handle, so no clean-up can take the file
        // between its closing and its move; where that is not possible, moved
        // after closing, through to the disk.
        std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t));
        auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        info->ReplaceIfExists = TRUE;
        info->RootDirectory = nullptr;
        info->FileNameLength = static_cast<DWORD>(to.size() * sizeof(wchar_t));
        std::copy(to.begin(), to.end(), info->FileName);
        if (::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) {
            ::CloseHandle(file);
            file = INVALID_HANDLE_VALUE;
            return 0;
        }
    }
    if (!::CloseHandle(file) && !err) err = ::GetLastError();
    file = INVALID_HANDLE_VALUE;
    if (!err && !::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        err = ::GetLastError();
    return err;
}

bool WinFiles::fileExists(const std::string& path) {
    // A device is no file; a report's name counts as there once its
    // temporary file is made.
    if (platform::namesWindowsDevice(path)) return false;
    const std::wstring w = longPath(path);
    if (auto it = reserved_->find(w); it != reserved_->end()) return it->second.open();
    const DWORD a = ::GetFileAttributesW(w.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

std::unique_ptr<platform::TextWriter> WinFiles::openForWriting(const std::string& path) {
    if (platform::namesWindowsDevice(path)) fail::raise(fail::kBadFileNameOrNumber);
    const std::wstring w = longPath(path);
    replaceable(w);
    return std::make_unique<ReplacingWriter>(w, true, *reserved_);
}

std::unique_ptr<platform::TextWriter> WinFiles::createTextFile(const std::string& path) {
    // A device name would reach the device (the console, a port), never a file.
    if (platform::namesWindowsDevice(path))
        fail::raise(fail::kBadFileNameOrNumber, "the name of a device on Windows, not of a file");
    const std::wstring w = longPath(path);
    if (!replaceable(w, true)) checkNewName(w);
    const std::wstring folder = folderOf(w);
    removeLeftovers(folder);
    // Nothing appears at the name: the temporary file the run will write
    // stands for it, so a run killed at any moment leaves no empty report.
    TempFile made = makeTempFile(folder, true);
    if (auto it = reserved_->find(w); it != reserved_->end()) release(it->second);
    (*reserved_)[w] = made;
    return std::make_unique<ReplacingWriter>(w, false, *reserved_);
}

std::string WinFiles::lookup(const std::string& path, int attributes) { return findFirst(path, attributes); }

void WinFiles::setAttributes(const std::string& path, int attributes) {
    const DWORD mask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    DWORD a = static_cast<DWORD>(attributes) & mask;
    if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileAttributesW(longPath(path).c_str(), a)) raiseFileError(::GetLastError(), fail::kPathFileAccess);
}

std::unique_ptr<platform::LineReader> WinFiles::openForInput(const std::string& path) {
    Handle h(::CreateFileW(longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) raiseFileError(::GetLastError(), fail::kPathFileAccess);
    // Only a file on disk, of a bounded size: no pipe, device or console.
    constexpr std::uint64_t kMaxInput = 64u << 20;
    LARGE_INTEGER size{};
    if (::GetFileType(h.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(h.get(), &size) ||
        static_cast<std::uint64_t>(size.QuadPart) > kMaxInput)
        fail::raise(fail::kPathFileAccess);
    std::string data;
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(h.get(), buf, sizeof buf, &got, nullptr))
            raiseFileError(::GetLastError(), fail::kPathFileAccess);
        if (got == 0) break;
        data.append(buf, got);
        if (data.size() > kMaxInput) fail::raise(fail::kPathFileAccess);
    }
    return std::make_unique<platform::BufferLineReader>(std::move(data), ansiToUtf8);
}

std::optional<std::string> WinFiles::environment(const std::string& name) {
    const std::wstring wideName = widen(name);
    ::SetLastError(ERROR_SUCCESS);
    DWORD n = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (n == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::wstring value(n, L'\0');
    n = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), n);
    value.resize(n);
    return narrow(value);
}

std::intptr_t WinShell::execute(std::uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory, int showMode) {
    // Wide, so that a path of any language reaches the viewer as it is.
    const std::wstring v = widen(verb), f = widen(file), p = widen(parameters), d = widen(directory);
    HINSTANCE r = ::ShellExecuteW(reinterpret_cast<HWND>(ownerWindow), v.empty() ? nullptr : v.c_str(), f.c_str(),
                                  p.empty() ? nullptr : p.c_str(), d.empty() ? nullptr : d.c_str(), showMode);
    return reinterpret_cast<std::intptr_t>(r);
}

void WinShell::launch(const std::string& path) {
    std::wstring commandLine = L"\"" + widen(path) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        fail::raise(fail::kFileNotFound);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

std::string WinShell::firstMatch(const std::string& path) { return findFirst(path, platform::kAttrNormal); }

long WinRegistry::openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& handle) {
    // The predefined keys are 32-bit values sign-extended to a handle.
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(root)));
    HKEY key = nullptr;
    const LONG status = ::RegOpenKeyExA(rootKey, utf8ToAnsi(path).c_str(), 0, access, &key);
    handle = status == ERROR_SUCCESS ? reinterpret_cast<std::uintptr_t>(key) : 0;
    return status;
}

long WinRegistry::queryValue(std::uintptr_t handle, const std::string& name, std::uint32_t& type, std::string& buffer,
                             std::uint32_t& size) {
    const DWORD capacity = std::min<DWORD>(size, static_cast<DWORD>(buffer.size()));
    std::string raw(capacity, '\0');
    DWORD t = 0, n = capacity;
    const LONG status = ::RegQueryValueExA(reinterpret_cast<HKEY>(handle), utf8ToAnsi(name).c_str(), nullptr, &t,
                                           reinterpret_cast<BYTE*>(raw.data()), &n);
    type = t;
    if (status != ERROR_SUCCESS) {
        size = n;
        return status;
    }
    raw.resize(std::min<DWORD>(n, capacity));
    if (t == REG_SZ || t == REG_EXPAND_SZ || t == REG_MULTI_SZ) raw = ansiToUtf8(raw);
    size = static_cast<std::uint32_t>(raw.size());
    if (raw.size() > buffer.size()) buffer.resize(raw.size(), '\0');
    std::copy(raw.begin(), raw.end(), buffer.begin());
    return status;
}

long WinRegistry::closeKey(std::uintptr_t handle) { return ::RegCloseKey(reinterpret_cast<HKEY>(handle)); }

long WinRegistry::enumKey(std::uintptr_t handle, std::uint32_t index, std::string& name) {
    char buf[256];  // the longest key name the registry allows, and its zero
    DWORD n = sizeof buf;
    const LONG status =
        ::RegEnumKeyExA(reinterpret_cast<HKEY>(handle), index, buf, &n, nullptr, nullptr, nullptr, nullptr);
    name = status == ERROR_SUCCESS ? ansiToUtf8(std::string(buf, n)) : std::string();
    return status;
}

std::string WinLocale::decimalSeparator() {
    wchar_t buf[16];
    const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buf, 16);
    if (n <= 1) return platform::usEnglishLocale().decimalSeparator();
    return narrow(std::wstring_view(buf, static_cast<std::size_t>(n - 1)));
}

std::string WinLocale::shortDate(int year, int month, int day) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    wchar_t buf[128];
    const int n = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128, nullptr);
    if (n <= 1) return platform::usEnglishLocale().shortDate(year, month, day);
    return narrow(std::wstring_view(buf, static_cast<std::size_t>(n - 1)));
}

std::string WinLocale::longTime(int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = 2000;
    st.wMonth = 1;
    st.wDay = 1;
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    wchar_t buf[128];
    const int n = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buf, 128);
    if (n <= 1) return platform::usEnglishLocale().longTime(hour, minute, second);
    return narrow(std::wstring_view(buf, static_cast<std::size_t>(n - 1)));
}

}  // namespace tq::win
