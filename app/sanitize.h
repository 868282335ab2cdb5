// --sanitize: a binder whose objects hold no serial numbers, MAC or IP
// addresses, user names or UUIDs, so that nothing written from them (the
// report, the inventories, a dump) carries them.
#pragma once

#include <string_view>

#include "wmi/service.h"

namespace tq::app {

// Whether a property holds something that identifies the machine or a
// person (by its name, in any letter case).
bool identifyingProperty(std::string_view name);

// The binder's services with every such property blanked: a text becomes
// empty, any other value absent.
wmi::Binder sanitizingBinder(wmi::Binder inner);

}  // namespace tq::app
