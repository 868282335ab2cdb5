#include "platform/devicename.h"

#include <string>

#include "wmi/ascii.h"

namespace tq::platform {

bool namesWindowsDevice(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // The part before the first dot, without the blanks and dots Windows drops.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    const std::string upper = ascii::upper(name);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (upper == device) return true;
    if (upper.size() < 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
    const std::string_view number = std::string_view(upper).substr(3);
    if (number.size() == 1) return number[0] >= '0' && number[0] <= '9';
    // Superscript one, two and three (UTF-8).
    return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace tq::platform
