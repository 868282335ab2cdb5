// The interfaces of a composite USB device: an interface without a label of
// its own or a class the provider knows by name is named after its device.
#include <gtest/gtest.h>

#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;

TEST(UsbInterfaces, UnnamedVendorInterfacesTakeTheDevicesName) {
    Tree t;
    t.load("usb");

    // The device and its interfaces, by what follows "USB\\VID_1234&PID_5678" in their ids.
    const std::string prefix = "USB\\VID_1234&PID_5678";
    std::map<std::string, Row> byInterface;
    for (auto& r : query(t.root(), "SELECT * FROM Win32_PnPSignedDriver")) {
        const std::string id = text(r, "DeviceID");
        if (id.rfind(prefix, 0) == 0)
            byInterface[id.substr(prefix.size(), id.find('\\', prefix.size()) - prefix.size())] = r;
    }
    ASSERT_EQ(byInterface.size(), 3u);
    const struct {
        const char *mi, *name;
    } want[] = {{"", "Sample Widget"}, {"&MI_00", "Sample Widget"}, {"&MI_01", "Widget Control"}};
    for (const auto& w : want) {
        SCOPED_TRACE(w.mi);
        ASSERT_TRUE(byInterface.count(w.mi));
        EXPECT_EQ(text(byInterface[w.mi], "Name"), w.name);
        EXPECT_EQ(text(byInterface[w.mi], "Manufacturer"), "Widget Works");
    }
}

}  // namespace
}  // namespace tq::linuxprov
