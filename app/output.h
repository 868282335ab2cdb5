// Where tallyquest-report's files go: "-" is standard output, a FIFO or a
// terminal that the user names is written to as a stream, and anything else
// is replaced whole (written beside it and renamed over it; a link at the
// name is refused).
#pragma once

#include <string>
#include <string_view>

namespace tq::app {

// Writes `bytes` to `path` as above. Throws std::runtime_error with the
// reason when they cannot all be written.
void writeOutput(const std::string& path, std::string_view bytes);

// Whether `path` is standard output or a stream named by the user (a FIFO,
// a character device); checked without opening it.
bool isStream(const std::string& path);

}  // namespace tq::app
