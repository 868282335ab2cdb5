#include "ocs/deviceid.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/statefile.h"
#include "wmi/ascii.h"

namespace tq::ocs {
namespace {

constexpr std::size_t kMaxName = 200;

bool plain(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : text) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

std::string hex(std::uint64_t h) {
    char out[20];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

// "ocs-" and the address readable, without its scheme.
std::string readablePrefix(std::string_view key) {
    std::string_view rest = key;
    if (const auto scheme = rest.find("://"); scheme != std::string_view::npos) rest.remove_prefix(scheme + 3);
    std::string readable = "ocs-";
    for (char c : rest) {
        if (readable.size() >= 64) break;
        readable += plain(static_cast<unsigned char>(c)) && c != '.' ? c : '_';
    }
    return readable;
}

// Upper case and no spaces around: the same machine however its tools
// spell it.
std::string folded(std::string_view s) { return ascii::upper(ascii::trim(s, " \t")); }

// `t` moved on by `seconds`, the fields taken as a calendar date and time.
std::tm later(const std::tm& t, int seconds) {
    using namespace std::chrono;
    const sys_days day{year{t.tm_year + 1900} / month{static_cast<unsigned>(t.tm_mon + 1)} /
                       std::chrono::day{static_cast<unsigned>(t.tm_mday)}};
    const sys_seconds at = day + hours{t.tm_hour} + minutes{t.tm_min} + std::chrono::seconds{t.tm_sec + seconds};
    const sys_days newDay = floor<days>(at);
    const year_month_day ymd{newDay};
    const hh_mm_ss<std::chrono::seconds> hms{at - newDay};
    std::tm out{};
    out.tm_year = static_cast<int>(ymd.year()) - 1900;
    out.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    out.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    out.tm_hour = static_cast<int>(hms.hours().count());
    out.tm_min = static_cast<int>(hms.minutes().count());
    out.tm_sec = static_cast<int>(hms.seconds().count());
    return out;
}

// The id a state file holds; throws when it holds something else.
std::optional<std::string> readId(const std::string& path) {
    std::optional<std::string> kept = platform::readSmallFile(path, 4096);
    if (!kept) return std::nullopt;
    std::string id = *kept;
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r' || id.back() == ' ')) id.pop_back();
    if (!isDeviceId(id))
        throw std::runtime_error(path + " does not hold a device id; remove it to register the machine anew");
    return id;
}

constexpr std::size_t kStampSize = 20;  // "-YYYY-MM-DD-HH-MM-SS"
// How many seconds on a new id may move to find one the folder does not hold.
constexpr int kMaxSteps = 3600;
constexpr std::size_t kMaxNames = 100000;  // names of a state folder looked at
constexpr int kLockSeconds = 60;
const std::string kStateSuffix = ".deviceid";
const std::string kLockName = "deviceid.lock";

// The id and machine a claim ("id-HASH.taken", holding the id and the
// machine's hash) names; nullopt for other names and unreadable claims.
std::optional<std::pair<std::string, std::string>> takenBy(const std::string& path, std::string_view name) {
    if (name.size() != 3 + 16 + 6 || !name.starts_with("id-") || !name.ends_with(".taken")) return std::nullopt;
    std::optional<std::string> text;
    try {
        text = platform::readSmallFile(path, 512);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!text) return std::nullopt;
    const std::size_t nl = text->find('\n');
    if (nl == std::string::npos || text->size() != nl + 1 + 16 + 1 || text->back() != '\n') return std::nullopt;
    std::pair<std::string, std::string> out{text->substr(0, nl), text->substr(nl + 1, 16)};
    if (!isDeviceId(out.first)) return std::nullopt;
    return out;
}

}  // namespace

std::string makeDeviceId(std::string_view name, const std::tm& t) {
    std::string out;
    for (std::size_t i = 0; i < name.size() && out.size() < kMaxName; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if ((c & 0xC0) == 0x80) continue;  // the rest of a UTF-8 character already replaced
        out += plain(c) ? static_cast<char>(c) : '_';
    }
    if (out.empty()) out = "unnamed";
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d-%02d-%02d", (t.tm_year + 1900) % 10000,
                  (t.tm_mon + 1) % 100, t.tm_mday % 100, t.tm_hour % 100, t.tm_min % 100, t.tm_sec % 100);
    return out + stamp;
}

bool isDeviceId(std::string_view id) {
    constexpr std::string_view kShape = "-0000-00-00-00-00-00";
    if (id.size() <= kShape.size() || id.size() > kMaxName + kShape.size()) return false;
    const std::string_view name = id.substr(0, id.size() - kShape.size());
    const std::string_view stamp = id.substr(id.size() - kShape.size());
    for (char c : name)
        if (!plain(static_cast<unsigned char>(c))) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] == '-' ? stamp[i] != '-' : (stamp[i] < '0' || stamp[i] > '9')) return false;
    }
    return true;
}

std::string stateFileName(std::string_view key) {
    // FNV-1a keeps addresses apart that read the same once simplified.
    return readablePrefix(key) + "-" + hex(fnv1a(key)) + ".deviceid";
}

DeviceIdState::DeviceIdState(std::vector<platform::StateFolder> folders, std::string_view serverKey,
                             std::string_view legacyKey, Machine machine)
    : folders_(std::move(folders)),
      serverPrefix_(readablePrefix(serverKey) + "-" + hex(fnv1a(serverKey)) + "-"),
      filePrefix_(readablePrefix("file") + "-" + hex(fnv1a("file")) + "-"),
      legacyFile_(stateFileName(legacyKey)),
      machine_(std::move(machine)) {
    if (folders_.empty()) throw std::runtime_error("no folder for the device id");
    while (home_ + 1 < folders_.size() && !folders_[home_].writable) ++home_;
    hash_ = hex(fnv1a(folded(machine_.uuid) + "\n" + folded(machine_.serial) + "\n" + folded(machine_.name)));
    machineFile_ = "machine-" + hash_ + ".deviceid";
}

DeviceIdState::~DeviceIdState() {
    if (!committed_) rollback();
}

std::string DeviceIdState::path(const std::string& name) const {
    return platform::joinPath(folders_[home_].path, name);
}

platform::HeldFile DeviceIdState::lockFolder() {
    // The lock file goes when a run that made the folder gives it up; a run
    // that waited for it then makes both anew.
    for (int attempt = 0; attempt < 20; ++attempt) {
        for (std::string& made : platform::makeFolders(folders_[home_].path)) madeFolders_.push_back(std::move(made));
        if (platform::HeldFile lock = platform::HeldFile::holdAlone(path(kLockName), kLockSeconds)) return lock;
    }
    throw std::runtime_error("cannot lock " + path(kLockName));
}

void DeviceIdState::removeLeftovers() const {
    for (const std::string& name : platform::folderNames(folders_[home_].path, kMaxNames)) {
        const std::string_view target = platform::temporaryTarget(name);
        if (target.size() > kStateSuffix.size() && target.ends_with(kStateSuffix)) {
            platform::removeIfUnheld(path(name));
        } else if (const auto claimed = takenBy(path(name), name)) {
            // A claim that its machine's file keeps stays; one that no run
            // holds and no file keeps is what a killed run left.
            std::optional<std::string> kept;
            try {
                kept = readId(path("machine-" + claimed->second + kStateSuffix));
            } catch (const std::exception&) {
            }
            if (kept != claimed->first) platform::removeIfUnheld(path(name));
        }
    }
}

std::vector<std::pair<std::string, std::string>> DeviceIdState::adoptable() const {
    std::vector<std::pair<std::string, std::string>> ids;  // id, the file it comes from
    for (std::size_t f = 0; f < folders_.size(); ++f) {
        auto at = [&](const std::string& name) { return platform::joinPath(folders_[f].path, name); };
        if (f > home_)
            if (std::optional<std::string> kept = readId(at(machineFile_))) ids.emplace_back(*kept, "");
        // Per-server files of earlier versions: this server's, then the
        // oldest of the other servers', then the inventory files' (a server
        // surely knows its id; a file may never have been imported).
        std::vector<std::pair<std::string, std::string>> old;  // rank and stamp, id
        const std::string ending = "-" + hash_ + kStateSuffix;
        for (const std::string& name : platform::folderNames(folders_[f].path, kMaxNames)) {
            if (!name.starts_with("ocs-") || !name.ends_with(ending)) continue;
            std::optional<std::string> id;
            try {
                id = readId(at(name));
            } catch (const std::exception&) {
                continue;  // someone else's mistake need not stop this run
            }
            if (!id) continue;
            const char rank = name.starts_with(filePrefix_) ? '2' : name.starts_with(serverPrefix_) ? '0' : '1';
            old.emplace_back(rank + id->substr(id->size() - kStampSize), *id);
        }
        std::sort(old.begin(), old.end());
        for (const auto& [order, id] : old) ids.emplace_back(id, "");
        // The single file per server of early versions, when its id carries
        // this machine's name.
        if (std::optional<std::string> legacy = readId(at(legacyFile_))) {
            const std::string name = makeDeviceId(machine_.name, std::tm{});
            if (folded(legacy->substr(0, legacy->size() - kStampSize)) ==
                folded(name.substr(0, name.size() - kStampSize)))
                ids.emplace_back(*legacy, f == home_ ? at(legacyFile_) : "");
        }
    }
    return ids;
}

bool DeviceIdState::claim(const std::string& id) {
    // Folded: the server compares ids regardless of letter case.
    const std::string name = "id-" + hex(fnv1a(folded(id))) + ".taken";
    const std::string file = path(name);
    const std::string content = id + "\n" + hash_ + "\n";
    platform::HeldFile held = platform::HeldFile::createShared(file, content);
    // A claim of this machine's own (a run at the same time) is shared.
    if (!held && takenBy(file, name) == std::pair{id, hash_}) held = platform::HeldFile::joinShared(file);
    if (!held) return false;
    claim_ = std::move(held);
    claimPath_ = file;
    id_ = id;
    return true;
}

std::string DeviceIdState::reserve(const std::tm& now) {
    if (!id_.empty()) return id_;
    for (std::size_t f = 0; f <= home_; ++f) {
        if (std::optional<std::string> kept = readId(platform::joinPath(folders_[f].path, machineFile_))) {
            known_ = true;
            return id_ = *kept;
        }
    }
    const platform::HeldFile lock = lockFolder();
    removeLeftovers();
    // Again under the lock: a run at the same time may have kept one.
    if (std::optional<std::string> kept = readId(path(machineFile_))) {
        known_ = true;
        return id_ = *kept;
    }
    // A run of this machine that is reserving an id now.
    for (const std::string& name : platform::folderNames(folders_[home_].path, kMaxNames)) {
        const auto claimed = takenBy(path(name), name);
        if (claimed && claimed->second == hash_ && claim(claimed->first)) return id_;
    }
    for (const auto& [id, legacy] : adoptable()) {
        if (claim(id)) {
            adoptedLegacy_ = legacy;
            return id_;
        }
    }
    for (int step = 0; id_.empty() && step < kMaxSteps; ++step) claim(makeDeviceId(machine_.name, later(now, step)));
    if (id_.empty()) throw std::runtime_error("no free device id in " + folders_[home_].path);
    return id_;
}

void DeviceIdState::commit() {
    if (known_ || committed_ || id_.empty()) return;
    const platform::HeldFile lock = lockFolder();
    // A run at the same time may have kept it already (in a shared folder,
    // as another user whose file this run may not replace).
    if (readId(path(machineFile_)) != id_) platform::replaceFile(path(machineFile_), id_ + "\n");
    committed_ = true;
    claim_.release();  // the claim stays with the kept id
    if (!adoptedLegacy_.empty()) platform::removeQuietly(adoptedLegacy_);
}

void DeviceIdState::rollback() noexcept {
    if (!claim_ && madeFolders_.empty()) return;
    try {
        platform::HeldFile lock = lockFolder();
        claim_.releaseAndRemoveIfLast(claimPath_);
        if (madeFolders_.empty()) return;
        // This run made the folder: it goes again when nothing else is in it.
        if (platform::folderNames(folders_[home_].path, 2).size() == 1) platform::removeQuietly(path(kLockName));
        lock.release();
        for (auto f = madeFolders_.rbegin(); f != madeFolders_.rend(); ++f) platform::removeQuietly(*f);
    } catch (const std::exception&) {
    }
}

}  // namespace tq::ocs
