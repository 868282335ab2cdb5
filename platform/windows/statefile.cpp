#include "platform/statefile.h"

#include <windows.h>

#include <stdexcept>

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

}  // namespace

std::string stateFolder() { return win::executableFolder(); }

std::vector<std::string> makeFolders(const std::string& path) {
    std::vector<std::string> made;
    for (std::size_t pos = path.find_first_of("\\/", 0); ; pos = path.find_first_of("\\/", pos + 1)) {
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

bool createNewFile(const std::string& path, std::string_view content) {
    File f(::CreateFileW(win::widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
    if (f.h == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_EXISTS || ::GetLastError() == ERROR_ALREADY_EXISTS) return false;
        fail("cannot create " + path);
    }
    DWORD wrote = 0;
    if (!::WriteFile(f.h, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr) ||
        wrote != content.size()) {
        const DWORD e = ::GetLastError();
        ::CloseHandle(f.h);
        f.h = INVALID_HANDLE_VALUE;
        ::DeleteFileW(win::widen(path).c_str());
        ::SetLastError(e);
        fail("cannot write " + path);
    }
    return true;
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
    File f(::CreateFileW(win::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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

void replaceFile(const std::string& path, std::string_view content) {
    const std::wstring target = win::widen(path);
    const DWORD a = ::GetFileAttributesW(target.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) {
        if (a & FILE_ATTRIBUTE_REPARSE_POINT) throw std::runtime_error(path + " is a link");
        if (a & FILE_ATTRIBUTE_DIRECTORY) throw std::runtime_error(path + " is not a regular file");
    }
    const std::wstring temp = target + L".tmp" + std::to_wstring(::GetCurrentProcessId());
    File f(::CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f.h == INVALID_HANDLE_VALUE) fail("cannot write " + path);
    DWORD wrote = 0;
    DWORD e = ::WriteFile(f.h, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr) &&
                      wrote == content.size()
                  ? 0
                  : ::GetLastError();
    if (!e) e = win::durableReplace(f.h, temp, target);
    if (e) {
        if (f.h != INVALID_HANDLE_VALUE) ::CloseHandle(f.h);
        f.h = INVALID_HANDLE_VALUE;
        ::DeleteFileW(temp.c_str());
        ::SetLastError(e);
        fail("cannot write " + path);
    }
}

}  // namespace tq::platform
