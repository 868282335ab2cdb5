// tallyquest: the windows program on the Win32 API. Starts behind the start
// notice, shows the main window and ends when its last window closes.
// Reports go beside the program, or into the user's Documents folder when
// the program's folder takes no reports (not writable, Program Files).
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "platform/install.h"
#include "platform/seams.h"
#include "platform/windows/text.h"
#include "report/html.h"
#include "ui/win32/win32ui.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace {

const wchar_t* const kHelpText = L"usage: tallyquest.exe [--help | --version]\n"
                                 L"Shows a summary of this machine in a window and writes its inventory as the "
                                 L"HTML report DESIGNATION.htm, beside the program or, when its folder takes no "
                                 L"reports (not writable, Program Files), in the Documents folder. "
                                 L"tallyquest-report.exe writes it without windows (tallyquest-report.exe --help).\n"
                                 L"\n"
                                 L"options:\n"
                                 L"  -h, --help, /?\tshow this help\n"
                                 L"  -V, --version\tshow the program's version\n"
                                 L"\n"
                                 L"environment:\n"
                                 L"  TALLYQUEST_SNAPSHOT\tanswer the management queries from a snapshot file\n"
                                 L"  TALLYQUEST_TRACE_WMI\tappend a line per management query to a file";

// --help and --version answer in a message box, before anything is read.
bool answeredCommandLine() {
    int count = 0;
    wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args) return false;
    const wchar_t* text = nullptr;
    std::wstring version;
    for (int i = 1; i < count && !text; ++i) {
        const std::wstring a = args[i];
        if (a == L"--help" || a == L"-h" || a == L"/?" || a == L"-?") {
            text = kHelpText;
        } else if (a == L"--version" || a == L"-V") {
            version = L"tallyquest " + tq::win::widen(TQ_VERSION);
            text = version.c_str();
        }
    }
    if (text) ::MessageBoxW(nullptr, text, L"Tallyquest", MB_OK | MB_ICONINFORMATION);
    ::LocalFree(args);
    return text != nullptr;
}

// The user's Documents folder, made when missing; empty when there is none.
std::string documentsFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &path)))
        folder = tq::win::narrow(path);
    ::CoTaskMemFree(path);
    return folder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace tq;
    if (answeredCommandLine()) return 0;
    platform::InstallOptions options;
    if (!platform::fitForUserFiles(platform::programFolder())) options.applicationFolder = documentsFolder();
    platform::Platform platform;
    const auto seams = platform::installPlatform(platform, options);
    ui::win32::Win32UserInterface windows(instance, platform);
    platform.ui = &windows;

    // TALLYQUEST_SNAPSHOT answers the management queries from a snapshot file.
    const wchar_t* snapshot = _wgetenv(L"TALLYQUEST_SNAPSHOT");
    wmi::Binder binder;
    if (snapshot && *snapshot) {
        try {
            binder = wmi::makeBinder(wmi::loadSnapshot(win::narrow(snapshot)));
        } catch (const std::exception& e) {
            windows.messageBox(e.what(), report::kStyleCritical, std::string(report::kAppTitle));
            return 1;
        }
    }
    platform.binder = platform::tracedProgramBinder(std::move(binder), options);

    try {
        windows.startMainWindow();
    } catch (const std::exception& e) {
        windows.messageBox(e.what(), report::kStyleCritical, std::string(report::kAppTitle));
        return 1;
    }
    return windows.run();
}
