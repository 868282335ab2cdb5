// File names that Windows takes as devices rather than files, whatever the
// folder: CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9 (and their
// superscript-digit forms), CONIN$ and CONOUT$, in any letter case, with or
// without an extension, and with the trailing blanks before it that Windows
// ignores ("con .htm" is the console too). Opening such a "file" reaches the
// device, so a report must never be written under such a name.
#pragma once

#include <string_view>

namespace tq::platform {

// True when the last part of `path` (after its last "\" or "/") names a device.
bool namesWindowsDevice(std::string_view path);

}  // namespace tq::platform
