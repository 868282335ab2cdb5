// The management service's moniker, taken apart:
//   winmgmts:[{security settings}][[locale=...]][!][\\server][\namespace][:object path]
// The security settings name the impersonation and authentication levels
// (and privileges, which the program never asks for); the namespace path may
// use "\" or "/".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq::win {

struct Moniker {
    // RPC_C_IMP_LEVEL_* and RPC_C_AUTHN_LEVEL_* values.
    unsigned long impersonation = 3;      // impersonate, the service's default
    unsigned long authentication = 0;     // default
    std::string authority;                // "" for the caller's own
    std::string locale;                   // "" for the caller's own
    std::vector<std::string> privileges;  // as written, "!" for revoked ones
    std::string server = ".";
    std::string nameSpace = "root\\cimv2";
    std::string objectPath;  // "" when the moniker names the namespace

    // The path ConnectServer takes: "\\server\namespace".
    std::string connectPath() const { return "\\\\" + server + "\\" + nameSpace; }
};

// Nothing when the text is not such a moniker.
std::optional<Moniker> parseMoniker(std::string_view text);

}  // namespace tq::win
