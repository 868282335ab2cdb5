// Small files the program keeps or writes whole: its own state (the device
// id an inventory server knows the machine by) and exported inventories.
// Reads are bounded and refuse links, FIFOs and devices; writes go to a
// temporary file that replaces the target in one step, so a file is never
// left half-written and a link is never followed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq::platform {

// The folder for the program's state: next to the program on Windows,
// $XDG_STATE_HOME/tallyquest or ~/.local/state/tallyquest elsewhere. It may
// not exist yet (makeFolders). Throws std::runtime_error.
std::string stateFolder();

// Creates the folder and its missing parents; returns the ones it made,
// outermost first. Throws std::runtime_error, also when `path` is no folder.
std::vector<std::string> makeFolders(const std::string& path);

// Creates a file that does not exist yet, holding `content`; false when
// something already has the name (nothing is changed then). Throws
// std::runtime_error for other failures.
bool createNewFile(const std::string& path, std::string_view content);

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

}  // namespace tq::platform
