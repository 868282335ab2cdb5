// Case-insensitive text helpers of the query layer, shared by the
// repository, the engine, snapshot files and kept objects. Folding covers
// ASCII and the common Latin, Greek and Cyrillic capitals; text is UTF-8
// (invalid bytes stand for themselves).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tq::wmi {

namespace text {
// Next code point of `s` from `pos` (advanced); invalid bytes come back as
// themselves (0x80..0xFF).
char32_t decode(std::string_view s, std::size_t& pos) noexcept;
char32_t fold(char32_t c) noexcept;
bool iequals(std::string_view a, std::string_view b) noexcept;
// <0, 0, >0 as a case-insensitive comparison by folded code points.
int icompare(std::string_view a, std::string_view b) noexcept;
// Hash that agrees with iequals for ASCII names (the property names).
std::size_t ihash(std::string_view s) noexcept;
std::string lower(std::string_view s);
// A key that two texts share exactly when icompare finds them equal.
std::string foldKey(std::string_view s);
}  // namespace text

}  // namespace tq::wmi
