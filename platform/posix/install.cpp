#include <memory>

#include "platform/install.h"
#include "platform/linux/provider.h"
#include "platform/posix/posix.h"
#include "platform/posix/registry.h"

namespace tq::platform {
namespace {
std::unique_ptr<posix::PosixFiles> gFiles;
std::unique_ptr<posix::PosixShell> gShell;
std::unique_ptr<posix::PosixLocale> gLocale;
}  // namespace

void installPlatform(Platform& platform, const InstallOptions& options) {
    posix::PathMap map(options.driveC.empty() ? "/" : options.driveC);
    const std::string folder = options.applicationFolder.empty() ? posix::executableFolder() : options.applicationFolder;
    gFiles = std::make_unique<posix::PosixFiles>(map, folder);
    gShell = std::make_unique<posix::PosixShell>(gFiles->paths());
    gLocale = std::make_unique<posix::PosixLocale>();
    platform.files = gFiles.get();
    platform.shell = gShell.get();
    platform.locale = gLocale.get();
    platform.registry = &posix::standInRegistry();
}

wmi::Binder platformBinder(const InstallOptions& options) {
    return linuxprov::makeBinder(options.root.empty() ? "/" : options.root, options.trace);
}

std::string readingLimits() { return linuxprov::readingLimits(); }

std::string toPlatformPath(const std::string& nativePath) {
    return gFiles ? gFiles->paths().toWindows(nativePath) : nativePath;
}

std::string programFolder() { return posix::executableFolder(); }

bool fitForUserFiles(const std::string& nativeFolder) {
    return posix::folderWritable(nativeFolder) && !posix::isSystemProgramFolder(nativeFolder);
}

}  // namespace tq::platform
