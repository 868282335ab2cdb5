// The main window's procedures and the dialogs' texts, without windows.
#include <gtest/gtest.h>

#include <array>
#include <map>
#ifndef _WIN32
#include <sys/stat.h>

#include "platform/posix/registry.h"
#endif
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"
#include "tests/ui/recorder.h"
#include "ui/dialoglogic.h"
#include "ui/mainlogic.h"

namespace tq {
namespace {

using platform::OnboardBox;
using Strings = std::vector<std::string>;

// The window as the procedures see it.
class FakeView final : public ui::MainView {
public:
    std::map<std::string, std::string, std::less<>> captions;
    std::array<bool, 3> boxes{false, false, true};  // VGA, audio, LAN
    std::string pnp;
    std::map<int, std::string> slots;

    void setCaption(std::string_view label, const std::string& text) override { captions[std::string(label)] = text; }
    std::string caption(std::string_view label) const override {
        auto it = captions.find(label);
        return it == captions.end() ? std::string() : it->second;
    }
    bool ticked(OnboardBox b) const override { return boxes[static_cast<int>(b)]; }
    void tick(OnboardBox b) override { boxes[static_cast<int>(b)] = true; }
    void setPnpText(const std::string& t) override { pnp = t; }
    std::string pnpText() const override { return pnp; }
    void showMultiMediaSlot(int i, const std::string& d) override { slots[i] = d; }
    void setChecksEnabled(bool) override {}
    void showFrame(ui::Panel) override {}
    void setPnpEnabled(bool) override {}
    void showStartForm() override {}
    void closeStartForm() override {}
    void showWindow() override {}
};

// The procedures on a snapshot given as the body of its JSON object.
struct Fixture {
    testing::PlatformScope scope;
    testing::QueryRecorder wmi;
    FakeView view;
    ui::MainLogic logic{scope.platform, view};
    explicit Fixture(const std::string& body) : wmi(scope.platform, "{" + body + "}") {}

    // The labels' captions, joined by "|".
    std::string captions(std::initializer_list<const char*> labels) const {
        std::string out;
        for (const char* l : labels) out += (out.empty() ? "" : "|") + view.caption(l);
        return out;
    }
};

const std::string kVideo = R"("Win32_VideoController": [
  {"Name": "Radeon RX 580", "Description": "Radeon RX 580 Series", "DeviceID": "VideoController1",
   "PNPDeviceID": "PCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\4&1B8D3E0&0&0008",
   "DriverVersion": "30.0.13025.1000", "DriverDate": "20210715000000.000000-000",
   "CurrentHorizontalResolution": 1920, "CurrentVerticalResolution": 1080,
   "CurrentBitsPerPixel": 32, "AdapterRAM": 134217728}
])";
const std::string kVideoText =
    "Radeon RX 580 "
    "Series\r\nVideoController1\r\nPCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\4&1B8D3E0&0&0008\r\n\r\n";
const auto kGraphicsLabels = {"lblVGAName",      "lblVGADriverVersion", "lblVGADriverDate",
                              "lblVGAVideoMode", "lblVGAColor",         "lblVGAVideoRam"};

TEST(UiMotherboard, TextBlocksInOrderWithEachDriverOnceAndNoGraphicsDriver) {
    Fixture f(kVideo + R"(,
      "Win32_PnPSignedDriver": [
        {"DeviceName": "SMBus", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_8086&DEV_A323&REV_10\\3&1"},
        {"DeviceName": "SATA", "DeviceClass": "HDC", "DeviceID": "PCI\\VEN_8086&DEV_A352&REV_10\\3&1&0&B8"},
        {"DeviceName": "SATA again", "DeviceClass": "HDC", "DeviceID": "pci\\ven_8086&dev_a352&rev_10\\3&2&0&B9"},
        {"DeviceName": "Graphics", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\9"},
        {"DeviceName": "", "DeviceClass": "USB", "DeviceID": "PCI\\VEN_1&DEV_2&REV_01\\1"},
        {"DeviceName": "Display", "DeviceClass": "DISPLAY", "DeviceID": "PCI\\VEN_3&DEV_4&REV_01\\1"},
        {"DeviceName": "USB hub", "DeviceClass": "USB", "DeviceID": "USB\\ROOT_HUB30\\4&2"}],
      "Win32_NetworkAdapter": [
        {"Description": "1394 Net Adapter", "PNPDeviceID": "V1394\\NIC1394&REV_01\\1", "MACAddress": "02:00:00:00:00:01"},
        {"Description": "1394 second", "PNPDeviceID": "V1394\\NIC1394\\2"},
        {"Description": "Intel I211", "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1", "MACAddress": "AA:BB:CC:DD:EE:FF",
         "NetConnectionID": "Ethernet"}],
      "Win32_SoundDevice": [
        {"Caption": "High Definition Audio", "Description": "HD Audio", "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1"},
        {"Caption": "Speaker", "Description": "Speaker", "PNPDeviceID": "X\\Y"},
        {"Caption": "USB Audio", "PNPDeviceID": "USB\\VID_1&PID_2&REV_01\\5"}])");
    f.view.boxes = {true, true, true};
    f.logic.load();
    EXPECT_EQ(f.logic.varMBpnp(),
              "SMBus\r\nPCI\\VEN_8086&DEV_A323&REV_10\r\n\r\n"
              "SATA\r\nPCI\\VEN_8086&DEV_A352&REV_10\r\n\r\n"
              "1394 Net Adapter\r\nV1394\\NIC1394&REV_01\r\nMac-Address: 02:00:00:00:00:01\r\n\r\n" +
                  kVideoText +
                  "HD Audio\r\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\r\n\r\n"
                  "USB\\VID_1&PID_2&REV_01\r\n\r\n"
                  "Intel I211\r\nPCI\\VEN_8086&DEV_1539&REV_03\r\nMac-Address: AA:BB:CC:DD:EE:FF\r\n\r\n");
    EXPECT_EQ(f.view.pnp, f.logic.varMBpnp());
    EXPECT_EQ(f.view.caption("lblMBMacAddress"), "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(f.logic.varVGApnp(), kVideoText);  // the rebuild's own fetch leaves it alone
}

TEST(UiMotherboard, MacAddressLabelFollowsTheLanAdapters) {
    auto adapter = [](const std::string& n, const std::string& mac) {
        return R"({"Description": ")" + n + R"(", "PNPDeviceID": "PCI\\VEN_)" + n +
               R"(&REV_01\\1", "NetConnectionID": "LAN")" + (mac.empty() ? "" : R"(, "MACAddress": ")" + mac + "\"") +
               "}";
    };
    struct Case {
        std::string list, label, text;  // an empty text is not compared
    };
    const Case cases[] = {
        {adapter("A", "00:00:00:00:00:0A") + "," + adapter("B", "00:00:00:00:00:0B"), "enable", ""},
        {"", "not enable", ""},
        {adapter("C", ""), "not enable", "C\r\nPCI\\VEN_C&REV_01\r\n"},  // no address line
    };
    for (const Case& c : cases) {
        Fixture f(R"("Win32_NetworkAdapter": [)" + c.list + "]");
        f.view.setCaption("lblMBMacAddress", "Label MB MacAddress");
        f.logic.getMBinfo();
        EXPECT_EQ(f.view.caption("lblMBMacAddress"), c.label) << c.list;
        if (!c.text.empty()) {
            EXPECT_EQ(f.logic.varMBpnp(), c.text);
        }
    }
}

TEST(UiGraphics, FirstControllerWithAnIdFillsThePanel) {
    struct Case {
        std::string controllers, text, labels, prompt;
    };
    const Case cases[] = {
        {kVideo, kVideoText, "Radeon RX 580|30.0.13025.1000|7/15/2021|1920 x 1080|32 Bit|128 MB", ""},
        // One resolution only, no colour depth, memory beyond 32 bits: those labels stay.
        {R"("Win32_VideoController": [{"Name": "No id"},
           {"Name": "Big", "PNPDeviceID": "PCI\\VEN_10DE&REV_A1\\4&2", "AdapterRAM": "4293918720",
            "CurrentHorizontalResolution": 2560, "DriverDate": "20200101120000.000000-000"},
           {"Name": "Second", "Description": "Second", "PNPDeviceID": "PCI\\VEN_2\\1", "CurrentBitsPerPixel": 16}])",
         "PCI\\VEN_10DE&REV_A1\\4&2\r\n\r\nSecond\r\nPCI\\VEN_2\\1\r\n\r\n", "Big||1/1/2020 12:00:00 PM|||", ""},
        // A date that does not convert fails the fetch; the later labels are still set.
        {R"("Win32_VideoController": [
           {"Name": "Card", "PNPDeviceID": "PCI\\VEN_1\\1", "DriverDate": "2021", "CurrentBitsPerPixel": 8}])",
         "", "Card||||8 Bit|", "Error: try to get vga pnp's"},
    };
    for (const Case& c : cases) {
        Fixture f(c.controllers);
        EXPECT_EQ(f.logic.getVGApnp(), c.text);
        EXPECT_EQ(f.captions(kGraphicsLabels), c.labels);
        EXPECT_EQ(f.scope.ui.prompts(), c.prompt.empty() ? Strings{} : Strings{c.prompt});
    }
}

TEST(UiMultiMedia, EightSlotsAndEveryDeviceInTheText) {
    std::string devices;
    for (int i = 0; i < 10; ++i) {
        const std::string n = std::to_string(i);
        devices += R"({"DeviceID": "HDAUDIO\\FUNC_01&VEN_)" + n + R"(&REV_1000\\4&)" + n + R"(", "Manufacturer": "M)" +
                   n + "\"" + (i == 2 ? "" : R"(, "Description": "Sound )" + n + "\"") + "},";
    }
    Fixture f(R"("Win32_SoundDevice": [)" + devices + R"({"Description": "no id"}])");
    const std::string text = f.logic.getMMpnp();
    // Slot 2 has no description; devices 8 and 9 have no slot.
    // clang-format off
    EXPECT_EQ(f.view.slots, (std::map<int, std::string>{{0, "Sound 0"}, {1, "Sound 1"}, {3, "Sound 3"}, {4, "Sound 4"},
                                                        {5, "Sound 5"}, {6, "Sound 6"}, {7, "Sound 7"}}));
    // clang-format on
    std::string expected;
    for (int i = 0; i < 10; ++i) {
        const std::string n = std::to_string(i);
        expected += (i ? "\r\n" : "") + ("Manufacturer: M" + n + "\r\nHDAUDIO\\FUNC_01&VEN_" + n + "&REV_1000\r\n");
    }
    EXPECT_EQ(text, expected);
}

// One value of HKEY_LOCAL_MACHINE, opened with the about box's access;
// counts the keys left open.
struct OneValueRegistry final : platform::Registry {
    std::string key, name, data;  // data as stored: a string value with its NUL
    std::uint32_t type = 1;
    int open = 0;
    OneValueRegistry(std::string k, std::string n, std::string d, std::uint32_t t = 1)
        : key(std::move(k)), name(std::move(n)), data(std::move(d)), type(t) {}
    long openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& h) override {
        if (root != 0x80000002u || access != 0x2003F || path != key) return 2;
        h = 7;
        return ++open, 0;
    }
    long queryValue(std::uintptr_t, const std::string& n, std::uint32_t& t, std::string& buffer,
                    std::uint32_t& size) override {
        if (n != name) return 2;
        t = type;
        const bool fits = data.size() <= size;
        if (fits) buffer.replace(0, data.size(), data);
        size = static_cast<std::uint32_t>(data.size());
        return fits ? 0 : 234;  // more data
    }
    long closeKey(std::uintptr_t) override { return --open, 0; }
};

// The about box's system information tool: where the registry names it,
// else "unavailable"; every key opened is closed again.
TEST(UiDialogs, SystemInformationToolFromTheRegistry) {
    const std::string tool = "C:\\Tools\\msinfo32.exe", msinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    OneValueRegistry path(msinfo, "PATH", tool + '\0'), raw(msinfo, "PATH", tool),
        longPath(msinfo, "PATH", std::string(2000, 'x') + '\0'), emptyValue(msinfo, "PATH", ""),
        otherType(msinfo, "PATH", std::string("%x%") + '\0', 2),
        folder("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", std::string("C:\\Shared") + '\0'),
        neither("SOFTWARE\\Nothing", "PATH", "x");
    struct Case {
        const char* what;
        platform::Registry* registry;
        const char* existing;
        std::string launched;  // empty: the tool is unavailable
    };
    std::vector<Case> cases = {
        {"PATH names the tool", &path, "", tool},
        {"PATH stored without its NUL", &raw, "", tool},
        {"PATH longer than the buffer", &longPath, "", ""},
        {"PATH without any content", &emptyValue, "", ""},
        {"PATH of another type", &otherType, "", ""},
        {"the folder holds the tool", &folder, "C:\\Shared\\MSINFO32.EXE", "C:\\Shared\\MSINFO32.EXE"},
        {"the folder lacks the tool", &folder, "", ""},
        {"neither entry", &neither, "", ""},
        {"no registry", nullptr, "", ""},
    };
#ifndef _WIN32
    // The stand-in of other systems: the first program of its list that can run.
    const testing::TempDir tools, empty;
    tools.write("hardinfo2", "#!/bin/sh\n");  // cannot run: passed over
    ::chmod(tools.write("hardinfo", "#!/bin/sh\n").c_str(), 0700);
    posix::StandInRegistry standIn(empty.path + ":" + tools.path, {"hardinfo2", "hardinfo"});
    posix::StandInRegistry standInAlone(empty.path, {"hardinfo2", "hardinfo"});
    cases.push_back({"stand-in with a program on the search path", &standIn, "", tools.path + "/hardinfo"});
    cases.push_back({"stand-in without a program", &standInAlone, "", ""});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::PlatformScope scope;
        scope.platform.registry = c.registry;
        if (*c.existing) scope.shell.existing = {c.existing};
        scope.shell.failLaunch = c.registry == &otherType;  // an empty path cannot be started
        ui::StartSysInfo(scope.platform);
        EXPECT_EQ(scope.shell.launched, c.launched.empty() ? Strings{} : Strings{c.launched});
        EXPECT_EQ(scope.ui.prompts(),
                  c.launched.empty() ? Strings{"System Information Is Unavailable At This Time"} : Strings{});
        for (const auto& m : scope.ui.messages) EXPECT_TRUE(m.style == 0 && m.title == "Tallyquest");
        const auto* one = dynamic_cast<OneValueRegistry*>(c.registry);
        EXPECT_EQ(one ? one->open : 0, 0);
    }
}

}  // namespace
}  // namespace tq
