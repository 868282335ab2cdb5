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
    // clang-format off
    expectAnswers(t.root(), {
        {"SELECT * FROM Win32_PnPSignedDriver WHERE DeviceID LIKE 'USB_VID_1234&PID_5678%'", 3,
         {{0, "DeviceID", "USB\\VID_1234&PID_5678\\*"}, {0, "Name", "Sample Widget"}, {0, "Manufacturer", "Widget Works"},
          {1, "DeviceID", "USB\\VID_1234&PID_5678&MI_00\\*"}, {1, "Name", "Sample Widget"},
          {1, "Manufacturer", "Widget Works"}, {2, "DeviceID", "USB\\VID_1234&PID_5678&MI_01\\*"},
          {2, "Name", "Widget Control"}, {2, "Manufacturer", "Widget Works"}}},
    });
    // clang-format on
}

}  // namespace
}  // namespace tq::linuxprov
