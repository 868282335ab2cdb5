// The management service reached over COM: a moniker bound to IWbemServices,
// ExecQuery, the forward-only walk and property reads by name.
#pragma once

#include <string_view>

#include "wmi/service.h"

namespace tq::win {

// Binds a moniker on the local machine's service. Throws Error: the
// service's status (negative) when it cannot be reached, MK_E_SYNTAX for a
// text that is no moniker of the service, 438 for a moniker that names an
// object rather than a namespace.
wmi::ServicePtr bindMoniker(std::string_view moniker);

// A binder for the program: every bind connects afresh. Where the service
// lacks Win32_InstalledWin32Program, the registry answers it (programs.h).
wmi::Binder makeComBinder();

}  // namespace tq::win
