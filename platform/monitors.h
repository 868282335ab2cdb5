// Monitors on Windows: the EDID that Windows keeps for each present monitor
// in the display device's registry key ("Device Parameters", value "EDID"),
// answered as objects of our class Tallyquest_MonitorEDID so that a snapshot
// records them and a replay reads them as the machine gave them.
//
// The registry rather than root\wmi's WmiMonitorID: it holds the whole EDID
// (both serial numbers, the descriptors, the extension blocks), read by the
// same parser as on Linux, where WmiMonitorID gives only cut texts; and it
// needs no second connection to another namespace for every run. The
// present monitors come from Win32_PnPEntity (the monitor device class), as
// the registry also keeps monitors long unplugged.
#pragma once

#include <memory>

#include "platform/seams.h"
#include "wmi/repository.h"
#include "wmi/service.h"

namespace tq::platform {

// The monitors `service` lists as present, each with its EDID as upper-case
// hex digits (DeviceID: the instance identifier, "DISPLAY\DEL4071\5&...").
// A monitor whose key holds no EDID is left out.
std::shared_ptr<wmi::Repository> registryMonitors(wmi::Service& service, Registry& registry);

// A service that answers Tallyquest_MonitorEDID from registryMonitors over
// `inner` and `registry` (which outlives it); every other query goes to `inner`.
wmi::ServicePtr withRegistryMonitors(wmi::ServicePtr inner, Registry& registry);

}  // namespace tq::platform
