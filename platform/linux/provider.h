// The Linux provider: answers the management classes the program reads from
// the machine itself (sysfs, procfs, the SMBIOS tables), below a root folder
// so that a recorded tree can stand in for the machine.
#pragma once

#include <memory>
#include <string>

#include "wmi/repository.h"
#include "wmi/service.h"
#include "wmi/trace.h"

namespace tq::linuxprov {

// A binder whose every bind reads the machine below `root` afresh. A class
// whose reader gives up is left empty, and `faults` traces why.
wmi::Binder makeBinder(std::string root = "/", wmi::TraceSink faults = {});

// A fresh repository over the machine below `root`; each class is read when
// a query first asks for it.
std::shared_ptr<wmi::Repository> makeRepository(std::string root = "/", wmi::TraceSink faults = {});

// What this user could not read of the machine and what the report lacks
// for it, as one sentence ("... memory modules and ... need root: run with
// sudo"); empty when everything could be read.
std::string readingLimits();

}  // namespace tq::linuxprov
