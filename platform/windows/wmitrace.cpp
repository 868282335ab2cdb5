#include "platform/wmitrace.h"

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "platform/windows/text.h"
#include "wmi/trace.h"

namespace tq::platform {

std::string wmiTraceVariable() {
    const wchar_t* v = _wgetenv(L"TALLYQUEST_TRACE_WMI");
    return v ? win::narrow(v) : "";
}

std::string startWmiTrace(const std::string& path, wmi::TraceSink& sink) {
    // Appending only; a reparse point is opened as itself, never followed.
    const HANDLE h = ::CreateFileW(win::widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "cannot open " + path + ": " + win::systemMessage(::GetLastError());
    auto file = std::shared_ptr<void>(h, [](HANDLE p) { ::CloseHandle(p); });
    BY_HANDLE_FILE_INFORMATION info{};
    // A device name (CON, NUL, COM1) opens a device, not a file.
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return path + " is not a regular file";
    sink = [file](std::string_view line) {
        std::string text(line);
        text += "\r\n";
        DWORD written = 0;
        ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    };
    return {};
}

}  // namespace tq::platform
