#include "ocs/deviceid.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "platform/statefile.h"

namespace tq::ocs {
namespace {

constexpr std::size_t kMaxName = 200;

bool plain(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
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
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : key) h = (h ^ c) * 0x100000001b3ull;
    std::string_view rest = key;
    if (const auto scheme = rest.find("://"); scheme != std::string_view::npos) rest.remove_prefix(scheme + 3);
    std::string readable;
    for (char c : rest) {
        if (readable.size() >= 60) break;
        readable += plain(static_cast<unsigned char>(c)) && c != '.' ? c : '_';
    }
    char hash[20];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(h));
    return "ocs-" + readable + "-" + hash + ".deviceid";
}

std::string obtainDeviceId(const std::string& folder, std::string_view serverKey, std::string_view name,
                           const std::tm& now) {
    const std::string path = platform::joinPath(folder, stateFileName(serverKey));
    if (std::optional<std::string> kept = platform::readSmallFile(path, 4096)) {
        std::string id = *kept;
        while (!id.empty() && (id.back() == '\n' || id.back() == '\r' || id.back() == ' ')) id.pop_back();
        if (!isDeviceId(id))
            throw std::runtime_error(path + " does not hold a device id; remove it to register the machine anew");
        return id;
    }
    const std::string id = makeDeviceId(name, now);
    platform::replaceFile(path, id + "\n");
    return id;
}

}  // namespace tq::ocs
