// Installed programs where the service has no Win32_InstalledWin32Program
// (Windows Server): the same facts from the registry's uninstall entries,
// answered as objects of that class.
#pragma once

#include <memory>

#include "platform/seams.h"
#include "wmi/repository.h"
#include "wmi/service.h"

namespace tq::win {

// Win32_InstalledWin32Program objects from the uninstall entries below
// HKLM (the 64-bit view, then the 32-bit one) and HKCU:
//   Name            DisplayName (entries without one are left out, as are
//                   system components and updates of another entry)
//   Version         DisplayVersion
//   Vendor          Publisher
//   Language        Language, as decimal digits
//   ProgramId       "<architecture>\<key>": "x64\..." from HKLM's 64-bit
//                   view, "x86\..." from its 32-bit view; the current
//                   user's entries carry no architecture ("<key>")
//   MsiProductCode  the key's name when it is a product code and the entry
//                   belongs to Windows Installer
std::shared_ptr<wmi::Repository> registryPrograms(platform::Registry& registry);

// A service that answers queries of Win32_InstalledWin32Program from
// registryPrograms(registry) when `inner` rejects the class or answers with
// no object; everything else it passes on. `registry` outlives the service.
wmi::ServicePtr withRegistryPrograms(wmi::ServicePtr inner, platform::Registry& registry);

}  // namespace tq::win
