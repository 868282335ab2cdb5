// The inventory model filled from the run's management service.
#pragma once

#include <string>

#include "ocs/model.h"
#include "wmi/run.h"

namespace tq::ocs {

struct InventoryOptions {
    std::string designation;  // the report's designation: the name of last resort
    std::string tag;          // ACCOUNTINFO TAG; the designation when empty
};

// Reads every section once; a class that cannot be read leaves its section
// empty. Failures met here stay pending in the run.
model::Inventory buildInventory(wmi::Run& run, const InventoryOptions& options);

}  // namespace tq::ocs
