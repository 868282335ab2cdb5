// The inventory model filled from the run's management service.
#pragma once

#include "ocs/inventory.h"
#include "ocs/model.h"

namespace tq::ocs {

// Reads every section once; a class that cannot be read leaves its section
// empty. Failures met here stay with the caller's trap.
model::Inventory buildInventory(const InventoryOptions& options);

}  // namespace tq::ocs
