#include "platform/monitors.h"

#include <algorithm>
#include <set>

#include "wmi/failure.h"
#include "wmi/wql.h"

namespace tq::platform {
namespace {

constexpr std::uint32_t kLocalMachine = 0x80000002u, kRead = 0x20019u, kBinary = 3;
constexpr long kMoreData = 234;
constexpr std::uint32_t kMaxEdid = 256 * 128;
constexpr const char* kClass = "Tallyquest_MonitorEDID";
// The device setup class of monitors.
constexpr const char* kPresentMonitors =
    "SELECT DeviceID FROM Win32_PnPEntity WHERE ClassGuid = '{4d36e96e-e325-11ce-bfc1-08002be10318}'";

// The binary value EDID of the device's key; empty when there is none.
std::string readEdid(Registry& registry, const std::string& deviceId) {
    std::uintptr_t key = 0;
    const std::string path = "SYSTEM\\CurrentControlSet\\Enum\\" + deviceId + "\\Device Parameters";
    if (registry.openKey(kLocalMachine, path, kRead, key) != 0) return {};
    std::string out;
    std::uint32_t size = 256, type = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string buffer(size, '\0');
        std::uint32_t got = size;
        const long status = registry.queryValue(key, "EDID", type, buffer, got);
        if (status == 0) {
            if (type == kBinary) out = buffer.substr(0, std::min(got, size));
            break;
        }
        if (status != kMoreData || got <= size || got > kMaxEdid) break;
        size = got;
    }
    registry.closeKey(key);
    return out;
}

std::string hexDigits(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 0xF]);
    }
    return out;
}

bool asksForMonitors(std::string_view query) {
    try {
        return wmi::text::iequals(wmi::wql::parse(query).className, kClass);
    } catch (const Error&) {
        return false;
    }
}

class MonitorsService final : public wmi::Service {
public:
    MonitorsService(wmi::ServicePtr inner, Registry& registry) : inner_(std::move(inner)), registry_(registry) {}

    wmi::CollectionPtr execQuery(std::string_view query, std::string_view language, int flags) override {
        if (!asksForMonitors(query)) return inner_->execQuery(query, language, flags);
        if (!answers_) answers_ = registryMonitors(*inner_, registry_);
        return wmi::makeService(answers_)->execQuery(query, language, flags);
    }

private:
    wmi::ServicePtr inner_;
    Registry& registry_;
    std::shared_ptr<wmi::Repository> answers_;
};

}  // namespace

std::shared_ptr<wmi::Repository> registryMonitors(wmi::Service& service, Registry& registry) {
    auto repo = std::make_shared<wmi::Repository>();
    std::set<std::string> seen;
    try {
        auto result = service.execQuery(kPresentMonitors, "WQL", wmi::kProbeFlags);
        while (const wmi::Object* o = result ? result->next() : nullptr) {
            const Value& id = o->get("DeviceID");
            if (!id.isText() || id.rawText().empty() || id.rawText().size() > 512) continue;
            const std::string deviceId = id.rawText();
            // Only the display devices' keys, and each once.
            if (deviceId.rfind("DISPLAY\\", 0) != 0 || deviceId.find("..") != std::string::npos ||
                !seen.insert(deviceId).second)
                continue;
            const std::string edid = readEdid(registry, deviceId);
            if (edid.empty()) continue;
            auto& m = repo->add(kClass);
            m.set("DeviceID", Value::text(deviceId));
            m.set("EDID", Value::text(hexDigits(edid)));
        }
    } catch (const Error&) {
        // A service that cannot list the devices has no monitors to give.
    }
    return repo;
}

wmi::ServicePtr withRegistryMonitors(wmi::ServicePtr inner, Registry& registry) {
    return std::make_unique<MonitorsService>(std::move(inner), registry);
}

}  // namespace tq::platform
