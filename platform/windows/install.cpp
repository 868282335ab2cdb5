#include <memory>

#include "platform/install.h"
#include "platform/windows/win32.h"
#include "platform/windows/wmi_com.h"

namespace tq::platform {
namespace {
std::unique_ptr<win::WinFiles> gFiles;
std::unique_ptr<win::WinShell> gShell;
std::unique_ptr<win::WinRegistry> gRegistry;
std::unique_ptr<win::WinLocale> gLocale;
}  // namespace

void installPlatform(Platform& platform, const InstallOptions& options) {
    gFiles = std::make_unique<win::WinFiles>(options.applicationFolder);
    gShell = std::make_unique<win::WinShell>();
    gRegistry = std::make_unique<win::WinRegistry>();
    gLocale = std::make_unique<win::WinLocale>();
    platform.files = gFiles.get();
    platform.shell = gShell.get();
    platform.registry = gRegistry.get();
    platform.locale = gLocale.get();
}

wmi::Binder platformBinder(const InstallOptions&) { return win::makeComBinder(); }

// Native paths are Windows paths already; only "/" is turned into "\".
std::string toPlatformPath(const std::string& nativePath) {
    std::string p = nativePath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string programFolder() { return win::executableFolder(); }

// The management service reads for every user what the report shows.
std::string readingLimits() { return {}; }

bool fitForUserFiles(const std::string& nativeFolder) {
    return win::folderWritable(nativeFolder) && !win::isSystemProgramFolder(nativeFolder);
}

}  // namespace tq::platform
