// The file primitives under replaceFile (platform/statefile.cpp), one set
// per platform: the order of the steps and the clean-up after a failure are
// written once, above them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tq::platform::detail {

// errno or the Windows error code; 0 for success.
using FileError = unsigned long;

// A new file beside a target, "<target>.XXXXXX", open for writing and held
// so that removeIfUnheld leaves it alone while it is written.
struct Temporary {
    std::string name;
    std::intptr_t handle = -1;
};

// Throws std::runtime_error when `target` is a link or exists as anything
// but a regular file.
void refuseUnlessRegular(const std::string& target);
// Throws std::runtime_error when no temporary can be made.
Temporary createTemporary(const std::string& target);
FileError writeAll(std::intptr_t handle, std::string_view content);
// Flushes the temporary to the disk and renames it over `target` durably;
// the handle may be closed on the way (then set to -1).
FileError moveOver(std::intptr_t& handle, const std::string& from, const std::string& target);
// Closes the handle unless it already is; sets it to -1.
FileError closeFile(std::intptr_t& handle) noexcept;
void removeFile(const std::string& name) noexcept;
// Throws std::runtime_error with `what` and the system's text for `err`.
[[noreturn]] void raise(const std::string& what, FileError err);

}  // namespace tq::platform::detail
