// The seams on POSIX systems: Windows paths mapped below the folder that
// stands for drive C:, single-byte Windows-1252 files, the user's locale
// from LC_NUMERIC and LC_TIME, and the desktop's opener for documents.
#pragma once

#include <memory>
#include <string>

#include "platform/seams.h"

namespace tq::posix {

// Maps Windows paths to native ones and back.
class PathMap {
public:
    explicit PathMap(std::string driveC = "/");
    // "C:\dir\file" and "\dir\file" lie below the drive C folder; a native
    // path ("/...") stays as it is, with "\" read as "/". Existing names
    // match without regard to case; other drives map to no file. Below the
    // application folder (its native path, then "\") names are taken exactly
    // as given: that is where the program creates its own files.
    std::string toNative(const std::string& windowsPath) const;
    // The native folder that the seams name as it is.
    void setApplicationFolder(std::string nativeFolder);
    // A native folder as Windows would name it: "C:\..." below the drive C
    // folder, the native path itself elsewhere.
    std::string toWindows(const std::string& nativePath) const;
    const std::string& driveC() const noexcept { return driveC_; }

private:
    std::string driveC_;
    std::string appFolder_;
};

// The application folder is its native path. Files the program reads are
// opened without blocking and only when they are regular files; the report
// is written to a temporary file in its folder (made, and locked, when the
// report's file is created) and renamed over its name when complete and on
// the disk, so an earlier report survives a failed run, a killed run leaves
// no empty report, and a symlink at the name is replaced, never followed.
// Creating a report's file first removes the temporary files that killed
// runs left in its folder (those no running program holds locked).
class PosixFiles final : public platform::Files {
public:
    PosixFiles(PathMap map, std::string applicationFolderNative);
    ~PosixFiles() override;
    std::string applicationFolder() override;
    std::string displayPath(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    std::unique_ptr<platform::TextWriter> openForWriting(const std::string& path) override;
    std::unique_ptr<platform::TextWriter> createTextFile(const std::string& path) override;
    std::string lookup(const std::string& path, int attributes) override;
    void setAttributes(const std::string& path, int attributes) override;
    std::unique_ptr<platform::LineReader> openForInput(const std::string& path) override;
    std::optional<std::string> environment(const std::string& name) override;

    // The attributes of a native file as the platform would report them
    // (read-only from the owner's write permission, hidden and system from
    // an extended attribute where the file system holds one); -1 when there
    // is no such file or it is a symlink.
    static int attributesOf(const std::string& nativePath);

    // The most a file read as data may hold.
    static constexpr std::size_t kMaxInput = 64u << 20;

    const PathMap& paths() const noexcept { return map_; }

private:
    PathMap map_;
    std::string appFolder_;
    // The temporary files made for reports whose run has not written them.
    struct Reserved;
    std::unique_ptr<Reserved> reserved_;
};

class PosixShell final : public platform::Shell {
public:
    explicit PosixShell(PathMap map) : map_(std::move(map)) {}
    std::intptr_t execute(std::uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showMode) override;
    void launch(const std::string& path) override;
    std::string firstMatch(const std::string& path) override;

private:
    PathMap map_;
};

// Numbers and dates in the user's locale; under the C or POSIX locale they
// render as en-US Windows does.
class PosixLocale final : public platform::Locale {
public:
    PosixLocale();
    ~PosixLocale() override;
    std::string decimalSeparator() override;
    std::string shortDate(int year, int month, int day) override;
    std::string longTime(int hour, int minute, int second) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Makes a file written through `fd` take the name `to` durably: flushes the
// content to the disk, renames `from` over `to` and flushes the folder, so
// that after a power cut the name holds the old file or the whole new one.
// Returns 0 or the errno of the flush or rename that failed; `fd` stays open.
int durableRename(int fd, const std::string& from, const std::string& to);

// The folder of the running executable.
std::string executableFolder();

// Whether the user may create files in a folder (a folder on a read-only
// file system is not writable).
bool folderWritable(const std::string& nativeFolder);

// Whether a folder is one of the system's folders of installed programs
// (/usr/bin, /usr/local/bin, /bin, /opt/NAME/bin and their like).
bool isSystemProgramFolder(const std::string& nativeFolder);

}  // namespace tq::posix
