// tallyquest: the windows program on the Win32 API. Starts behind the start
// notice, shows the main window and ends when its last window closes.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "platform/install.h"
#include "platform/seams.h"
#include "platform/wmitrace.h"
#include "platform/windows/text.h"
#include "report/html.h"
#include "ui/win32/win32ui.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace tq;
    const platform::InstallOptions options;
    platform::installPlatform(options);
    ui::win32::Win32UserInterface windows(instance);
    platform::current().ui = &windows;

    // TALLYQUEST_SNAPSHOT answers the management queries from a snapshot file.
    const wchar_t* snapshot = _wgetenv(L"TALLYQUEST_SNAPSHOT");
    if (snapshot && *snapshot) {
        try {
            wmi::setBinder(wmi::makeBinder(wmi::loadSnapshot(win::narrow(snapshot))));
        } catch (const std::exception& e) {
            windows.messageBox(e.what(), report::kStyleCritical, std::string(report::kAppTitle));
            return 1;
        }
    } else {
        wmi::setBinder(platform::platformBinder(options));
    }

    // TALLYQUEST_TRACE_WMI appends a line per management query to a file;
    // a file that cannot be used leaves the program untraced.
    if (const std::string trace = platform::wmiTraceVariable(); !trace.empty()) platform::startWmiTrace(trace);

    try {
        windows.startMainWindow();
    } catch (const std::exception& e) {
        windows.messageBox(e.what(), report::kStyleCritical, std::string(report::kAppTitle));
        return 1;
    }
    return windows.run();
}
