// The DEVICEID by which a server knows the machine: its name, a dash and the
// time of its first inventory (NAME-YYYY-MM-DD-HH-MM-SS), kept in a small
// state file per server so that later runs update the same machine.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tq::ocs {

// The id for a machine name at a local time. Characters other than ASCII
// letters, digits, '.', '_' and '-' become '_' (one per character).
std::string makeDeviceId(std::string_view name, const std::tm& local);

// True for a text of the form makeDeviceId gives.
bool isDeviceId(std::string_view id);

// The state file's name for a server address (or "file" for exports):
// readable, distinct per address.
std::string stateFileName(std::string_view serverKey);

// The id kept in `folder` for `serverKey`; on the first run a new one for
// `name` and `now`, saved there. Throws std::runtime_error when the state
// file cannot be read or written or does not hold an id.
std::string obtainDeviceId(const std::string& folder, std::string_view serverKey, std::string_view name,
                           const std::tm& now);

}  // namespace tq::ocs
