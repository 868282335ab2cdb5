// Installs the running platform's seams and names its management source.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/seams.h"
#include "wmi/service.h"
#include "wmi/trace.h"

namespace tq::platform {

// What the machine's own source could not read for this user (on Linux the
// firmware table, root's alone): the source notes it as it reads, and the
// program that made the source says it.
class ReadingLimits {
public:
    // Notes the root below which the firmware table was refused (the first counts).
    void tableRefused(const std::string& root);
    // What the report lacks for it, as one sentence; empty when nothing was refused.
    std::string sentence() const;

private:
    mutable std::mutex lock_;
    std::optional<std::string> refusedRoot_;
};

struct InstallOptions {
    // POSIX: the folder that stands for drive C: ("/" when empty).
    std::string driveC;
    // The folder the report goes to, as a native path; the program's own
    // folder when empty.
    std::string applicationFolder;
    // Linux: the root below which the provider reads the machine ("/").
    std::string root;
    // Where the management source traces the faults it survives (none when empty).
    wmi::TraceSink trace;
    // Where the management source notes what it could not read (nowhere when null).
    std::shared_ptr<ReadingLimits> limits;
};

// This platform's own implementations of the seams, held by the program
// that installed them.
class InstalledSeams {
public:
    virtual ~InstalledSeams() = default;
};

// Sets files, shell, registry and locale of `platform` to this platform's
// own, which live as long as what it returns; the user interface and the
// binder are the program's to set.
[[nodiscard]] std::unique_ptr<InstalledSeams> installPlatform(Platform& platform, const InstallOptions& options);

// The binder that reaches this platform's own management service.
wmi::Binder platformBinder(const InstallOptions& options);

// The windowed programs' binder: `binder` when the program answers from one
// of its own (a snapshot), otherwise the platform's, traced into the file
// that TALLYQUEST_TRACE_WMI names (a file that cannot be used leaves the
// program untraced).
wmi::Binder tracedProgramBinder(wmi::Binder binder, InstallOptions options);

// The running program's own folder, as a native path.
std::string programFolder();

// Whether a folder may take a user's files: the user may write there and it
// is no system folder of installed programs (/usr/bin, Program Files, where
// even an administrator's reports do not belong).
bool fitForUserFiles(const std::string& nativeFolder);

}  // namespace tq::platform
