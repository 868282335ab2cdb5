// Installs the running platform's seams and names its management source.
#pragma once

#include <string>

#include "wmi/service.h"

namespace tq::platform {

struct InstallOptions {
    // POSIX: the folder that stands for drive C: ("/" when empty).
    std::string driveC;
    // The folder the report goes to, as a native path; the program's own
    // folder when empty.
    std::string applicationFolder;
    // Linux: the root below which the provider reads the machine ("/").
    std::string root;
};

// Sets files, shell, registry and locale of platform::current(); the user
// interface is the program's to set.
void installPlatform(const InstallOptions& options);

// The binder that reaches this platform's own management service.
wmi::Binder platformBinder(const InstallOptions& options);

// Turns a native path given on the command line into the path the seams take.
std::string toPlatformPath(const std::string& nativePath);

}  // namespace tq::platform
