#include <memory>

#include "platform/install.h"
#include "platform/windows/win32.h"
#include "platform/windows/wmi_com.h"

namespace tq::platform {
namespace {
struct WinSeams final : InstalledSeams {
    explicit WinSeams(const std::string& folder) : files(folder) {}
    win::WinFiles files;
    win::WinShell shell;
    win::WinRegistry registry;
    win::WinLocale locale;
};
}  // namespace

std::unique_ptr<InstalledSeams> installPlatform(Platform& platform, const InstallOptions& options) {
    auto seams = std::make_unique<WinSeams>(options.applicationFolder);
    platform.files = &seams->files;
    platform.shell = &seams->shell;
    platform.registry = &seams->registry;
    platform.locale = &seams->locale;
    return seams;
}

wmi::Binder platformBinder(const InstallOptions&) { return win::makeComBinder(); }

std::string programFolder() { return win::executableFolder(); }

// The management service reads for every user what the report shows.
std::string ReadingLimits::sentence() const { return {}; }

bool fitForUserFiles(const std::string& nativeFolder) {
    return win::folderWritable(nativeFolder) && !win::isSystemProgramFolder(nativeFolder);
}

}  // namespace tq::platform
