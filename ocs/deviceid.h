// The DEVICEID by which a server knows a machine: its name, a dash and the
// time of its first inventory (NAME-YYYY-MM-DD-HH-MM-SS). It is kept in a
// small state file per server and per machine, so that many machines can
// share one state folder (an operator's stick or share) and each finds its
// own id again on its next run.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tq::ocs {

// The id for a machine name at a local time. Characters other than ASCII
// letters, digits, '.', '_' and '-' become '_' (one per character).
std::string makeDeviceId(std::string_view name, const std::tm& local);

// True for a text of the form makeDeviceId gives.
bool isDeviceId(std::string_view id);

// The single state file per server address that earlier versions kept
// (or "file" for exports): readable, distinct per address.
std::string stateFileName(std::string_view serverKey);

// What tells machines apart in a shared folder, as the inventory gives it.
struct Machine {
    std::string name;    // HARDWARE NAME
    std::string uuid;    // HARDWARE UUID (SMBIOS)
    std::string serial;  // BIOS SSN
};

// One machine's device id for one server. Nothing is written until the
// id is needed: reserve() claims a new id in the folder (so that no other
// machine there takes the same one, even in the same second), commit()
// keeps it, and without commit() the claim and any folder made for it are
// removed again when the object goes.
//
// A state file of an earlier version (one per server) is taken over by the
// first machine whose name its id begins with, and removed once kept.
class DeviceIdState {
public:
    // `serverKey` names the server in the new files; `legacyKey` is the key
    // an earlier version used for the same server.
    DeviceIdState(std::string folder, std::string_view serverKey, std::string_view legacyKey, Machine machine);
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
    bool claim(const std::string& id);
    void rollback() noexcept;

    std::string folder_, prefix_, legacyFile_;
    Machine machine_;
    std::string id_, mine_, claim_, adopted_;
    std::vector<std::string> madeFolders_;
    bool folderReady_ = false, known_ = false, committed_ = false;
};

}  // namespace tq::ocs
