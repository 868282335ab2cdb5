// The Linux provider: answers the management classes the program reads from
// the machine itself (sysfs, procfs, the SMBIOS tables), below a root folder
// so that a recorded tree can stand in for the machine.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "wmi/repository.h"
#include "wmi/service.h"
#include "wmi/trace.h"

namespace tq::linuxprov {

// Told the root below which this user may not read the firmware table.
using RefusedTable = std::function<void(const std::string& root)>;

// A binder whose every bind reads the machine below `root` afresh. A class
// whose reader gives up is left empty, and `faults` traces why; a firmware
// table this user may not read is told to `refused`.
wmi::Binder makeBinder(std::string root = "/", wmi::TraceSink faults = {}, RefusedTable refused = {});

// A fresh repository over the machine below `root`; each class is read when
// a query first asks for it.
std::shared_ptr<wmi::Repository> makeRepository(std::string root = "/", wmi::TraceSink faults = {},
                                                RefusedTable refused = {});

// What the report lacks when the firmware table below `root` is refused to
// this user, as one sentence ("... memory modules and ... need root: run
// with sudo").
std::string readingLimits(const std::string& root);

}  // namespace tq::linuxprov
