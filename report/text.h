// Text functions in the scripting runtime's terms: positions count from 1,
// lengths in characters (the program's strings are UTF-8).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "wmi/value.h"

namespace tq {

// The first n characters (all when n is larger).
std::string textLeft(std::string_view s, std::size_t n);
// The characters from position `start` (1-based) on, at most n of them;
// empty when start lies beyond the end.
std::string textMid(std::string_view s, std::size_t start, std::size_t n = std::string_view::npos);
// The position (1-based) of `needle` in s at or after `start`, 0 when absent.
// `ignoreCase` compares ASCII letters without regard to case.
std::size_t textFind(std::string_view s, std::string_view needle, std::size_t start = 1, bool ignoreCase = false);
// Every occurrence of `from` replaced by `to` (exact comparison).
std::string textReplace(std::string_view s, std::string_view from, std::string_view to);

}  // namespace tq
