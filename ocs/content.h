// What an inventory holds once read: the server's sections as XML, and the
// few facts the GLPI form needs that those sections do not keep.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "ocs/inventory.h"

namespace tq::ocs {

struct Inventory::Content {
    pugi::xml_document doc;  // <CONTENT> and its sections

    // The operating system as GLPI describes it.
    struct System {
        bool isLinux = false;
        std::string name, version, fullName, kernelVersion, servicePack, arch, dnsDomain, installDate;
    } system;
};

// True for an IPv6 address, false for an IPv4 one, nothing for neither.
std::optional<bool> isIPv6Address(std::string_view s);

}  // namespace tq::ocs
