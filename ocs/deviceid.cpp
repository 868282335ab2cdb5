#include "ocs/deviceid.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/statefile.h"

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
std::string folded(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    s = s.substr(first, s.find_last_not_of(" \t") - first + 1);
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

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

DeviceIdState::DeviceIdState(std::string folder, std::string_view serverKey, std::string_view legacyKey,
                             Machine machine)
    : folder_(std::move(folder)),
      legacyFile_(stateFileName(legacyKey)),
      machine_(std::move(machine)) {
    prefix_ = readablePrefix(serverKey) + "-" + hex(fnv1a(serverKey));
}

DeviceIdState::~DeviceIdState() {
    if (!committed_) rollback();
}

std::string DeviceIdState::path(const std::string& name) const { return platform::joinPath(folder_, name); }

bool DeviceIdState::claim(const std::string& id) {
    if (!folderReady_) madeFolders_ = platform::makeFolders(folder_), folderReady_ = true;
    // Folded: the server compares ids regardless of letter case.
    const std::string file = path(prefix_ + "-" + hex(fnv1a(folded(id))) + ".taken");
    if (!platform::createNewFile(file, id + "\n")) return false;
    claim_ = file;
    id_ = id;
    return true;
}

std::string DeviceIdState::reserve(const std::tm& now) {
    if (!id_.empty()) return id_;
    const std::string key = folded(machine_.uuid) + "\n" + folded(machine_.serial) + "\n" + folded(machine_.name);
    const std::string mine = path(prefix_ + "-" + hex(fnv1a(key)) + ".deviceid");
    if (std::optional<std::string> kept = readId(mine)) {
        known_ = true;
        return id_ = *kept;
    }
    // An earlier version's file, when its id carries this machine's name
    // and no other machine of the folder has taken it over.
    const std::string legacy = path(legacyFile_);
    if (std::optional<std::string> old = readId(legacy)) {
        const std::string name = makeDeviceId(machine_.name, now);
        if (folded(old->substr(0, old->size() - kStampSize)) == folded(name.substr(0, name.size() - kStampSize)) &&
            claim(*old))
            adopted_ = legacy;
    }
    for (int step = 0; id_.empty() && step < kMaxSteps; ++step) claim(makeDeviceId(machine_.name, later(now, step)));
    if (id_.empty()) throw std::runtime_error("no free device id in " + folder_);
    mine_ = mine;
    return id_;
}

void DeviceIdState::commit() {
    if (known_ || committed_ || id_.empty()) return;
    platform::replaceFile(mine_, id_ + "\n");
    committed_ = true;
    if (!adopted_.empty()) platform::removeQuietly(adopted_);
}

void DeviceIdState::rollback() noexcept {
    if (!claim_.empty()) platform::removeQuietly(claim_);
    for (auto f = madeFolders_.rbegin(); f != madeFolders_.rend(); ++f) platform::removeQuietly(*f);
}

}  // namespace tq::ocs
