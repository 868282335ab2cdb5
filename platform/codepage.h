// Conversion between the program's UTF-8 text and Windows-1252, the
// single-byte code page the report and the logs use where the platform has
// no ANSI code page of its own.
#pragma once

#include <string>
#include <string_view>

namespace tq::platform {

// Characters Windows-1252 cannot hold become "?" (one per character);
// malformed UTF-8 bytes too. Every byte round-trips: the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are U+0081 and so on,
// as on Windows.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view bytes);

}  // namespace tq::platform
