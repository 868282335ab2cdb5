// The two forms the inventory is sent in, each written from the model.
#pragma once

#include <string>
#include <string_view>

#include "ocs/model.h"

namespace tq::ocs {

// The OCS Inventory NG INVENTORY request, UTF-8 XML with its declaration.
std::string renderOcs(const model::Inventory& m, std::string_view deviceId);
// GLPI's native JSON inventory.
std::string renderGlpi(const model::Inventory& m, std::string_view deviceId);

}  // namespace tq::ocs
