// Small facts of the assets an inventory names: the chassis by the names
// the SMBIOS enclosure types carry, and asset tags that firmware leaves
// as placeholders.
#pragma once

#include <string>
#include <string_view>

namespace tq::ocs {

// The name of an SMBIOS chassis type ("Desktop", "Notebook", "Laptop",
// "Tower", ...); "" for a type without one. The top bit (a lock) is ignored.
std::string chassisName(unsigned type);

// True for an asset tag that firmware leaves unset: empty, "Default string",
// "To Be Filled By O.E.M.", "No Asset Tag", "Asset-1234567890", one
// character repeated, and the like.
bool placeholderTag(std::string_view tag);

}  // namespace tq::ocs
