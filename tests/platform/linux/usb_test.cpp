// The interfaces of a composite USB device: an interface without a label of
// its own or a class the provider knows by name is named after its device.
#include <gtest/gtest.h>

#include "tree.h"

namespace tq::linuxprov {
namespace {

using namespace testing;

TEST(UsbInterfaces, UnnamedVendorInterfacesTakeTheDevicesName) {
    Tree t;
    const std::string hub = "/sys/devices/pci0000:00/0000:00:14.0/usb1", dev = hub + "/1-2";
    t.attrs(hub, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"bDeviceClass", "09"}, {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/usb1", hub);
    t.attrs(dev, {{"idVendor", "1234"}, {"idProduct", "5678"}, {"product", "Sample Widget"},
                  {"manufacturer", "Widget Works"}, {"bDeviceClass", "00"}, {"busnum", "1"}});
    t.linkTo("/sys/bus/usb/devices/1-2", dev);
    t.linkTo(dev + "/driver", "/sys/bus/usb/drivers/usb");
    // Two vendor-specific interfaces, the second with a label.
    for (int i = 0; i < 2; ++i) {
        const std::string n = std::to_string(i), ifc = dev + "/1-2:1." + n;
        t.attrs(ifc, {{"bInterfaceNumber", "0" + n}, {"bInterfaceClass", "ff"}, {"bInterfaceSubClass", "00"}});
        if (i == 1) t.attrs(ifc, {{"interface", "Widget Control"}});
        t.linkTo("/sys/bus/usb/devices/1-2:1." + n, ifc);
        t.linkTo(ifc + "/driver", "/sys/bus/usb/drivers/widget");
    }

    // The device and its interfaces, by what follows "USB\\VID_1234&PID_5678" in their ids.
    const std::string prefix = "USB\\VID_1234&PID_5678";
    std::map<std::string, Row> byInterface;
    for (auto& r : query(t.root(), "SELECT * FROM Win32_PnPSignedDriver")) {
        const std::string id = text(r, "DeviceID");
        if (id.rfind(prefix, 0) == 0) byInterface[id.substr(prefix.size(), id.find('\\', prefix.size()) - prefix.size())] = r;
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
