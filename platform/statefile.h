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

namespace tq::platform {

// The folder for the program's state, created when missing: next to the
// program on Windows, $XDG_STATE_HOME/tallyquest or ~/.local/state/tallyquest
// elsewhere. Throws std::runtime_error.
std::string stateFolder();

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
