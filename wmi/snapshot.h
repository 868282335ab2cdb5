// Snapshot files: a JSON object mapping class names to arrays of objects,
// each mapping property names to values. JSON strings are texts, integers in
// the 32-bit signed range integers, true/false Booleans, null absent,
// fractions floating-point, anything else another kind.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "wmi/repository.h"

namespace tq::wmi {

// A snapshot that cannot be read or parsed; what() names the file, and the
// line and column where parsing stopped.
class SnapshotError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The largest snapshot file loaded.
inline constexpr std::uint64_t kMaxSnapshotBytes = 256ull << 20;

// The most entries (class arrays, objects and properties together) a
// snapshot may list: many times what a machine's inventory needs, and what
// bounds the memory a snapshot within kMaxSnapshotBytes takes.
inline constexpr std::size_t kMaxSnapshotEntries = 4'000'000;

// Loads a snapshot file into a new repository, whole or not at all. The file
// is read as a stream straight into the objects; only a regular file of at
// most kMaxSnapshotBytes listing at most kMaxSnapshotEntries is loaded, and
// running out of memory is a refusal.
std::shared_ptr<Repository> loadSnapshot(const std::string& path);
// The same from text; `name` stands for the file in error messages.
std::shared_ptr<Repository> parseSnapshot(std::string_view json, std::string_view name,
                                          std::size_t maxEntries = kMaxSnapshotEntries);

// Every object of the classes the program reads, from a service, as
// snapshot text. A class the service rejects is left out.
std::string dumpSnapshot(Service& service);

}  // namespace tq::wmi
