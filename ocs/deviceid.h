// The DEVICEID by which servers know a machine: its name, a dash and the
// time of its first inventory (NAME-YYYY-MM-DD-HH-MM-SS). It is kept in a
// small state file per machine, so that many machines can share one state
// folder (an operator's stick or share) and each finds its own id again on
// its next run, whatever it sends or writes.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/statefile.h"

namespace tq::ocs {

// The id for a machine name at a local time. Characters other than ASCII
// letters, digits, '.', '_' and '-' become '_' (one per character).
std::string makeDeviceId(std::string_view name, const std::tm& local);

// True for a text of the form makeDeviceId gives.
bool isDeviceId(std::string_view id);

// The single state file per server address that early versions kept (or
// "file" for exports): readable, distinct per address.
std::string stateFileName(std::string_view serverKey);

// What tells machines apart in a shared folder, as the inventory gives it.
struct Machine {
    std::string name;    // HARDWARE NAME
    std::string uuid;    // HARDWARE UUID (SMBIOS)
    std::string serial;  // BIOS SSN
};

// A machine's device id, the same for every server and inventory file, kept
// in the first writable state folder (the machine's own before the user's).
// Nothing is written until the id is needed: reserve() claims it in that
// folder (a ".taken" file, so that no other machine there takes the same id,
// even in the same second; runs of one machine at the same time share the
// claim), commit() keeps it, and without commit() the claim and any folder
// made for it are removed again when the object goes. A lock file in the
// folder keeps runs at the same time apart while they choose and keep ids.
//
// An id that this machine already has elsewhere is adopted rather than a new
// one made: from a later folder (the user's state), from the per-server files
// of earlier versions (the given server's first, then the oldest), or from
// the single file per server of an earlier version, which goes to the first
// machine whose name its id begins with and is removed once kept.
//
// reserve() first removes what killed runs left in the folder: temporary id
// files and claims that no run holds and no machine's file keeps.
class DeviceIdState {
public:
    // `serverKey` names the server (or "file") in the per-server files of
    // earlier versions; `legacyKey` names it in the older single file.
    DeviceIdState(std::vector<platform::StateFolder> folders, std::string_view serverKey, std::string_view legacyKey,
                  Machine machine);
    ~DeviceIdState();
    DeviceIdState(const DeviceIdState&) = delete;
    DeviceIdState& operator=(const DeviceIdState&) = delete;

    // The kept id, or a new one for `now` (a later second when the folder
    // already holds that id for another machine). Throws std::runtime_error
    // when a state file cannot be read or written or holds no id.
    std::string reserve(const std::tm& now);
    // Keeps the reserved id for the machine's later runs. Throws.
    void commit();

private:
    std::string path(const std::string& name) const;
    platform::HeldFile lockFolder();
    void removeLeftovers() const;
    std::vector<std::pair<std::string, std::string>> adoptable() const;
    bool claim(const std::string& id);
    void rollback() noexcept;

    std::vector<platform::StateFolder> folders_;
    std::size_t home_ = 0;  // the folder written
    std::string serverPrefix_, filePrefix_, legacyFile_, machineFile_, hash_;
    Machine machine_;
    std::string id_, claimPath_, adoptedLegacy_;
    platform::HeldFile claim_;
    std::vector<std::string> madeFolders_;
    bool known_ = false, committed_ = false;
};

}  // namespace tq::ocs
