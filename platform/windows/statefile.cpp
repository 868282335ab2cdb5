#include "platform/statefile.h"

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/replacefile.h"
#include "platform/windows/text.h"
#include "platform/windows/win32.h"

namespace tq::platform {
namespace {

struct File {
    HANDLE h;
    explicit File(HANDLE handle) : h(handle) {}
    ~File() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
};

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + win::systemMessage(::GetLastError()));
}

// Locks cover one byte far beyond the end, so that they never stop a read.
bool lockRange(HANDLE h, DWORD flags) {
    OVERLAPPED at{};
    at.OffsetHigh = 0x40000000;
    return ::LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}
void unlockRange(HANDLE h) {
    OVERLAPPED at{};
    at.OffsetHigh = 0x40000000;
    ::UnlockFileEx(h, 0, 1, 0, &at);
}
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens a regular file (not a reparse point) for holding and removing.
HANDLE openHoldable(const std::string& path, DWORD access, DWORD disposition) {
    HANDLE h = ::CreateFileW(win::widen(path).c_str(), access | DELETE, kShareAll, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        ::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// Removes the file once the handle closes, when the handle holds it alone.
bool removeWhenAlone(HANDLE h) {
    if (!lockRange(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) return false;
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose) != 0;
}

}  // namespace

std::vector<StateFolder> stateFolders() { return {{win::executableFolder(), true}}; }

std::vector<std::string> folderNames(const std::string& folder, std::size_t maxNames) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE f = ::FindFirstFileW(win::widen(joinPath(folder, "*")).c_str(), &found);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring_view n = found.cFileName;
        if (n != L"." && n != L"..") names.push_back(win::narrow(n));
    } while (names.size() < maxNames && ::FindNextFileW(f, &found));
    ::FindClose(f);
    return names;
}

// A temporary that replaceFile is writing is open without sharing: it
// cannot be opened here, so it stays.
bool removeIfUnheld(const std::string& path) noexcept {
    try {
        File f(openHoldable(path, GENERIC_READ, OPEN_EXISTING));
        return f.h != INVALID_HANDLE_VALUE && removeWhenAlone(f.h);
    } catch (...) {
        return false;
    }
}

void HeldFile::release() noexcept {
    if (handle_ != kNone) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNone;
}

HeldFile HeldFile::holdAlone(const std::string& path, int seconds) {
    HANDLE h = openHoldable(path, GENERIC_READ, OPEN_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_PATH_NOT_FOUND) return {};
        fail("cannot open " + path);
    }
    HeldFile held;
    held.handle_ = reinterpret_cast<std::intptr_t>(h);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!lockRange(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) {
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error(path + " stays locked by another program");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return held;
}

HeldFile HeldFile::createShared(const std::string& path, std::string_view content) {
    HANDLE h = openHoldable(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    if (h == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_EXISTS || ::GetLastError() == ERROR_ALREADY_EXISTS) return {};
        fail("cannot create " + path);
    }
    HeldFile held;
    held.handle_ = reinterpret_cast<std::intptr_t>(h);
    lockRange(h, 0);
    DWORD wrote = 0;
    if (!::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr) ||
        wrote != content.size()) {
        const DWORD e = ::GetLastError();
        FILE_DISPOSITION_INFO dispose{};
        dispose.DeleteFile = TRUE;
        ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
        ::SetLastError(e);
        fail("cannot write " + path);
    }
    return held;
}

HeldFile HeldFile::joinShared(const std::string& path) {
    HANDLE h = openHoldable(path, GENERIC_READ, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return {};
    HeldFile held;
    held.handle_ = reinterpret_cast<std::intptr_t>(h);
    if (!lockRange(h, 0)) return {};
    return held;
}

void HeldFile::releaseAndRemoveIfLast(const std::string&) noexcept {
    if (handle_ == kNone) return;
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    unlockRange(h);
    removeWhenAlone(h);
    release();
}

std::vector<std::string> makeFolders(const std::string& path) {
    std::vector<std::string> made;
    for (std::size_t pos = path.find_first_of("\\/", 0);; pos = path.find_first_of("\\/", pos + 1)) {
        const std::string sofar = path.substr(0, pos);
        // Skips the drive ("C:") and a share's server and name.
        if (!sofar.empty() && sofar.back() != ':' && sofar.find_first_not_of("\\/") != std::string::npos) {
            if (::CreateDirectoryW(win::widen(sofar).c_str(), nullptr)) made.push_back(sofar);
            else if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_ACCESS_DENIED &&
                     pos == std::string::npos)
                fail("cannot create " + sofar);
        }
        if (pos == std::string::npos) break;
    }
    const DWORD a = ::GetFileAttributesW(win::widen(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) fail("cannot use " + path);
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) throw std::runtime_error(path + " is not a folder");
    return made;
}

void removeQuietly(const std::string& path) noexcept {
    try {
        const std::wstring w = win::widen(path);
        if (!::DeleteFileW(w.c_str())) ::RemoveDirectoryW(w.c_str());
    } catch (...) {
    }
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes) {
    // The reparse point itself, never what it points to.
    File f(::CreateFileW(win::widen(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (f.h == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return std::nullopt;
        fail("cannot open " + path);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(f.h, &info)) fail("cannot read " + path);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) throw std::runtime_error(path + " is a link");
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || ::GetFileType(f.h) != FILE_TYPE_DISK)
        throw std::runtime_error(path + " is not a regular file");
    const unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes) throw std::runtime_error(path + " is too large");
    std::string out(static_cast<std::size_t>(size), '\0');
    DWORD got = 0;
    if (size > 0 && (!::ReadFile(f.h, out.data(), static_cast<DWORD>(size), &got, nullptr) || got != size))
        fail("cannot read " + path);
    return out;
}

namespace detail {

void refuseUnlessRegular(const std::string& target) {
    const DWORD a = ::GetFileAttributesW(win::widen(target).c_str());
    if (a != INVALID_FILE_ATTRIBUTES) {
        if (a & FILE_ATTRIBUTE_REPARSE_POINT) throw std::runtime_error(target + " is a link");
        if (a & FILE_ATTRIBUTE_DIRECTORY) throw std::runtime_error(target + " is not a regular file");
    }
}

// "<name>.XXXXXX" as elsewhere, from the process id and a counter. Open
// without sharing while written, so removeIfUnheld leaves it alone.
Temporary createTemporary(const std::string& target) {
    const std::wstring wide = win::widen(target);
    std::wstring name;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (unsigned n = 0; h == INVALID_HANDLE_VALUE && n < 100; ++n) {
        static constexpr wchar_t kDigits[] = L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        unsigned long long v = ::GetCurrentProcessId() * 1000003ull + ::GetTickCount64() + n * 7919ull;
        name = wide + L".";
        for (int i = 0; i < 6; ++i, v /= 62) name += kDigits[v % 62];
        h = ::CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) fail("cannot write " + target);
    return {win::narrow(name), reinterpret_cast<std::intptr_t>(h)};
}

FileError writeAll(std::intptr_t handle, std::string_view content) {
    DWORD wrote = 0;
    if (::WriteFile(reinterpret_cast<HANDLE>(handle), content.data(), static_cast<DWORD>(content.size()), &wrote,
                    nullptr) &&
        wrote == content.size())
        return 0;
    return ::GetLastError();
}

FileError moveOver(std::intptr_t& handle, const std::string& from, const std::string& target) {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    const DWORD err = win::durableReplace(h, win::widen(from), win::widen(target));
    handle = h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
    return err;
}

FileError closeFile(std::intptr_t& handle) noexcept {
    if (handle == -1) return 0;
    const BOOL closed = ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = -1;
    return closed ? 0 : ::GetLastError();
}

void removeFile(const std::string& name) noexcept {
    try {
        ::DeleteFileW(win::widen(name).c_str());
    } catch (...) {
    }
}

void raise(const std::string& what, FileError err) {
    ::SetLastError(err);
    fail(what);
}

}  // namespace detail

}  // namespace tq::platform
