// Monitors' EDIDs from the display devices' registry keys, over a service
// and a registry made up for the test.
#include <gtest/gtest.h>

#include <map>

#include "platform/monitors.h"

namespace tq::platform {
namespace {

const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";
const std::string kMonitorClass = "{4d36e96e-e325-11ce-bfc1-08002be10318}";

// Keys by path, each with its EDID value (type and bytes).
class FakeRegistry final : public Registry {
public:
    std::map<std::string, std::pair<std::uint32_t, std::string>> edids;
    int open = 0;

    long openKey(std::uint32_t root, const std::string& path, std::uint32_t, std::uintptr_t& h) override {
        auto it = edids.find(path);
        if (root != 0x80000002u || it == edids.end()) return 2;
        h = reinterpret_cast<std::uintptr_t>(&*it);
        ++open;
        return 0;
    }
    long queryValue(std::uintptr_t h, const std::string& name, std::uint32_t& type, std::string& buffer,
                    std::uint32_t& size) override {
        const auto& v =
            reinterpret_cast<const std::pair<const std::string, std::pair<std::uint32_t, std::string>>*>(h)->second;
        if (name != "EDID") return 2;
        type = v.first;
        if (v.second.size() > size) {
            size = static_cast<std::uint32_t>(v.second.size());
            return 234;
        }
        buffer.replace(0, v.second.size(), v.second);
        size = static_cast<std::uint32_t>(v.second.size());
        return 0;
    }
    long closeKey(std::uintptr_t) override {
        --open;
        return 0;
    }
};

TEST(RegistryMonitors, PresentMonitorsWithTheirEdid) {
    auto devices = std::make_shared<wmi::Repository>();
    auto device = [&](const std::string& id, const std::string& cls) {
        auto& o = devices->add("Win32_PnPEntity");
        o.set("DeviceID", Value::text(id));
        o.set("ClassGuid", Value::text(cls));
    };
    const std::string big(600, '\x5a');  // larger than the first read
    device("DISPLAY\\DEL4071\\5&1A2B3C&0&UID4352", kMonitorClass);
    device("DISPLAY\\SAM0091\\5&1A2B3C&0&UID4353", kMonitorClass);  // no EDID in its key
    device("DISPLAY\\GSM0001\\5&1A2B3C&0&UID4354", kMonitorClass);  // EDID of another type
    device("DISPLAY\\DEL4071\\5&1A2B3C&0&UID4352", kMonitorClass);  // listed twice
    device("PCI\\VEN_8086&DEV_9A49\\3&11583659&0&10", "{4d36e968-e325-11ce-bfc1-08002be10318}");
    device("ROOT\\ODD\\0000", kMonitorClass);  // not a display device
    FakeRegistry reg;
    reg.edids[kEnum + "DISPLAY\\DEL4071\\5&1A2B3C&0&UID4352\\Device Parameters"] = {
        3, std::string("\x00\xff\x10", 3) + big};
    reg.edids[kEnum + "DISPLAY\\GSM0001\\5&1A2B3C&0&UID4354\\Device Parameters"] = {1, "text"};
    reg.edids[kEnum + "ROOT\\ODD\\0000\\Device Parameters"] = {3, "zz"};

    auto inner = wmi::makeService(devices);
    auto repo = registryMonitors(*inner, reg);
    const auto monitors = repo->objectsOf("Tallyquest_MonitorEDID");
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0]->get("DeviceID").rawText(), "DISPLAY\\DEL4071\\5&1A2B3C&0&UID4352");
    const std::string hex = monitors[0]->get("EDID").rawText();
    EXPECT_EQ(hex.size(), 2 * (3 + big.size()));
    EXPECT_EQ(hex.substr(0, 8), "00FF105A");
    EXPECT_EQ(reg.open, 0);  // every key closed

    // Through the wrapping service, other queries reach the inner one.
    auto service = withRegistryMonitors(wmi::makeService(devices), reg);
    const auto count = [&](const char* wql) {
        int n = 0;
        for (auto r = service->execQuery(wql, "WQL", wmi::kProbeFlags); r->next();) ++n;
        return n;
    };
    EXPECT_EQ(count("SELECT * FROM Tallyquest_MonitorEDID"), 1);
    EXPECT_EQ(count("SELECT DeviceID FROM Win32_PnPEntity"), 6);
}

}  // namespace
}  // namespace tq::platform
