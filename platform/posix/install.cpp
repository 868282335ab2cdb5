#include <cstdlib>
#include <memory>

#include "platform/install.h"
#include "platform/linux/provider.h"
#include "platform/posix/posix.h"
#include "platform/posix/registry.h"

namespace tq::platform {
namespace {
struct PosixSeams final : InstalledSeams {
    PosixSeams(const posix::PathMap& map, const std::string& folder) : files(map, folder), shell(files.paths()) {}
    posix::PosixFiles files;
    posix::PosixShell shell;
    posix::PosixLocale locale;
    // The system information tool's stand-in over the process's PATH.
    posix::StandInRegistry registry{std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin",
                                    {"hardinfo2", "hardinfo"}};
};
}  // namespace

std::unique_ptr<InstalledSeams> installPlatform(Platform& platform, const InstallOptions& options) {
    posix::PathMap map(options.driveC.empty() ? "/" : options.driveC);
    const std::string folder =
        options.applicationFolder.empty() ? posix::executableFolder() : options.applicationFolder;
    auto seams = std::make_unique<PosixSeams>(map, folder);
    platform.files = &seams->files;
    platform.shell = &seams->shell;
    platform.locale = &seams->locale;
    platform.registry = &seams->registry;
    return seams;
}

wmi::Binder platformBinder(const InstallOptions& options) {
    linuxprov::RefusedTable refused;
    if (options.limits) refused = [limits = options.limits](const std::string& root) { limits->tableRefused(root); };
    return linuxprov::makeBinder(options.root.empty() ? "/" : options.root, options.trace, std::move(refused));
}

std::string ReadingLimits::sentence() const {
    std::optional<std::string> root;
    {
        std::lock_guard<std::mutex> guard(lock_);
        root = refusedRoot_;
    }
    return root ? linuxprov::readingLimits(*root) : std::string();
}

std::string programFolder() { return posix::executableFolder(); }

bool fitForUserFiles(const std::string& nativeFolder) {
    return posix::folderWritable(nativeFolder) && !posix::isSystemProgramFolder(nativeFolder);
}

}  // namespace tq::platform
