#include "ocs/assets.h"

#include <cctype>

#include "wmi/ascii.h"

namespace tq::ocs {
namespace {

std::string folded(std::string_view s) {
    std::string out;
    for (char c : s)
        if (!std::isspace(static_cast<unsigned char>(c))) out.push_back(ascii::lower(c));
    return out;
}

}  // namespace

std::string chassisName(unsigned type) {
    // clang-format off
    static const char* const names[] = {
        "",                     "Other",              "Unknown",             "Desktop",
        "Low Profile Desktop",  "Pizza Box",          "Mini Tower",          "Tower",
        "Portable",             "Laptop",             "Notebook",            "Hand Held",
        "Docking Station",      "All in One",         "Sub Notebook",        "Space-saving",
        "Lunch Box",            "Main Server Chassis", "Expansion Chassis",  "SubChassis",
        "Bus Expansion Chassis", "Peripheral Chassis", "RAID Chassis",       "Rack Mount Chassis",
        "Sealed-case PC",       "Multi-system chassis", "Compact PCI",        "Advanced TCA",
        "Blade",                "Blade Enclosure",    "Tablet",              "Convertible",
        "Detachable",           "IoT Gateway",        "Embedded PC",         "Mini PC",
        "Stick PC"};
    // clang-format on
    type &= 0x7F;
    return type < std::size(names) ? names[type] : std::string();
}

bool placeholderTag(std::string_view tag) {
    const std::string f = folded(tag);
    if (f.empty()) return true;
    // One character over and over: "0000000", "XXXXXXXX", "...".
    if (f.find_first_not_of(f[0]) == std::string::npos) return true;
    // clang-format off
    static const char* const placeholders[] = {
        "defaultstring", "tobefilledbyo.e.m.", "tobefilledbyoem", "noassettag", "noassetinformation",
        "asset-1234567890", "assettag", "assettagnum", "chassisassettag", "systemassettag", "baseboardassettag",
        "none", "notspecified", "notavailable", "n/a", "na", "unknown", "invalid", "empty", "oem", "o.e.m.",
        "0123456789", "1234567890", "123456789", "atn12345678901234567", "type2-boardassettag",
        "type3-chassisassettag", "filledbyoem", "notapplicable", "defaultvalue", "system"};
    // clang-format on
    for (const char* p : placeholders)
        if (f == p) return true;
    return false;
}

}  // namespace tq::ocs
