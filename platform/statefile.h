// Small files the program keeps or writes whole: its own state (the device
// id an inventory server knows the machine by) and exported inventories.
// Reads are bounded and refuse links, FIFOs and devices; writes go to a
// temporary file that replaces the target in one step, so a file is never
// left half-written and a link is never followed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq::platform {

// A folder for the program's state, and whether this user may write in it.
struct StateFolder {
    std::string path;
    bool writable = false;
};

// Where the program's state is looked for, in this order: on Linux the
// machine's own folder (/var/lib/tallyquest, or $TALLYQUEST_SYSTEM_STATE)
// when it exists, then the user's ($XDG_STATE_HOME/tallyquest or
// ~/.local/state/tallyquest, which may not exist yet); on Windows the folder
// of the program. Throws std::runtime_error.
std::vector<StateFolder> stateFolders();

// Creates the folder and its missing parents; returns the ones it made,
// outermost first. Throws std::runtime_error, also when `path` is no folder.
std::vector<std::string> makeFolders(const std::string& path);

// Removes a file, or a folder when it is empty; failures are ignored.
void removeQuietly(const std::string& path) noexcept;

// A folder and a file name joined with the platform's separator.
std::string joinPath(const std::string& folder, const std::string& name);

// The content of a regular file of at most maxBytes; nullopt when there is
// no such file. Throws std::runtime_error for a link, a FIFO, a device, a
// folder, a larger file or a failing read.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes);

// Writes `content` to a temporary file beside `path` and renames it over
// `path`. Refuses (std::runtime_error) when `path` is a link or anything
// but a regular file; on failure the earlier file stays as it was.
void replaceFile(const std::string& path, std::string_view content);

// The names in a folder, at most maxNames of them; empty when it cannot be
// read.
std::vector<std::string> folderNames(const std::string& folder, std::size_t maxNames);

// The name of the file that `name` is a temporary of, as replaceFile makes
// them beside it ("inv.xml" for "inv.xml.a8Kq2z"); empty for other names.
std::string_view temporaryTarget(std::string_view name);

// Removes the temporaries that an interrupted replaceFile of `path` left
// beside it (no longer held by a writer). Failures are ignored.
void removeAbandonedTemporaries(const std::string& path) noexcept;

// Removes `path` when it is a regular file of this user's (no link, folder or
// device) and no program holds it (HeldFile, or a replaceFile writing it).
// True when it was removed.
bool removeIfUnheld(const std::string& path) noexcept;

// A file held open with a lock that other programs see (flock, LockFileEx),
// until the object goes: a lock file, or a reservation several runs share.
class HeldFile {
public:
    HeldFile() = default;
    ~HeldFile() { release(); }
    HeldFile(HeldFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    explicit operator bool() const { return handle_ != kNone; }

    // Holds `path` alone, creating it when missing, waiting up to `seconds`
    // for others to let go. Empty when the file or its folder went away
    // meanwhile (try again). Throws std::runtime_error, also on timeout.
    static HeldFile holdAlone(const std::string& path, int seconds);
    // Creates a new file holding `content` and holds it with others; empty
    // when the name is taken. Throws std::runtime_error otherwise.
    static HeldFile createShared(const std::string& path, std::string_view content);
    // Holds an existing regular file with others; empty when there is none.
    static HeldFile joinShared(const std::string& path);

    // Lets go, and removes `path` when nobody else holds it.
    void releaseAndRemoveIfLast(const std::string& path) noexcept;
    void release() noexcept;

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;
};

}  // namespace tq::platform
