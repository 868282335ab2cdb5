// The main window's procedures and the dialogs' logic, without windows.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>

#include "platform/posix/registry.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "tests/ui/recorder.h"
#include "ui/dialoglogic.h"
#include "ui/mainlogic.h"
#include "wmi/trap.h"

namespace tq {
namespace {

using platform::OnboardBox;
using testing::PlatformScope;
using testing::QueryRecorder;
using ui::Panel;

// The window as the procedures see it, recording what they did to it.
class FakeView final : public ui::MainView {
public:
    std::map<std::string, std::string, std::less<>> captions;
    std::array<bool, 3> boxes{false, false, true};
    bool checksEnabled = true;
    Panel frame = Panel::Motherboard;
    std::string pnp;
    bool pnpEnabled = true;
    std::map<int, std::string> slots;
    std::vector<std::string> events;

    void setCaption(std::string_view label, const std::string& text) override { captions[std::string(label)] = text; }
    std::string caption(std::string_view label) const override {
        auto it = captions.find(label);
        return it == captions.end() ? std::string() : it->second;
    }
    bool ticked(OnboardBox b) const override { return boxes[static_cast<int>(b)]; }
    void tick(OnboardBox b) override {
        boxes[static_cast<int>(b)] = true;
        events.push_back("tick");
    }
    void setChecksEnabled(bool e) override { checksEnabled = e; }
    void showFrame(Panel p) override { frame = p; }
    void setPnpText(const std::string& t) override { pnp = t; }
    std::string pnpText() const override { return pnp; }
    void setPnpEnabled(bool e) override {
        pnpEnabled = e;
        events.push_back(e ? "pnp on" : "pnp off");
    }
    void showMultiMediaSlot(int i, const std::string& d) override { slots[i] = d; }
    void showStartForm() override { events.push_back("start shown"); }
    void closeStartForm() override { events.push_back("start closed"); }
    void showWindow() override { events.push_back("window shown"); }
};

struct Fixture {
    PlatformScope scope;
    FakeView view;
    ui::MainLogic logic{view};
    std::vector<std::string> prompts() const { return scope.ui.prompts(); }
};

const char* const kVideo = R"("Win32_VideoController": [
  {"Name": "Radeon RX 580", "Description": "Radeon RX 580 Series", "DeviceID": "VideoController1",
   "PNPDeviceID": "PCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\4&1B8D3E0&0&0008",
   "DriverVersion": "30.0.13025.1000", "DriverDate": "20210715000000.000000-000",
   "CurrentHorizontalResolution": 1920, "CurrentVerticalResolution": 1080,
   "CurrentBitsPerPixel": 32, "AdapterRAM": 134217728}
])";

std::string snapshot(std::string_view body) { return "{" + std::string(body) + "}"; }

TEST(UiLoading, UnreachableServiceShowsThreeMessagesAndKeepsUnknown) {
    Fixture f;
    wmi::setBinder(wmi::bindUnavailable);
    f.logic.load();
    EXPECT_EQ(f.prompts(), (std::vector<std::string>{"Error: try to get vga pnp's",
                                                     "Error: try to get motherboarddata in Modul 'MB'",
                                                     "Error: try to get motherboard pnp's"}));
    EXPECT_EQ(f.scope.ui.messages[0].style, 0);
    EXPECT_EQ(f.scope.ui.messages[1].style, 16);
    EXPECT_EQ(f.scope.ui.messages[2].style, 0);
    for (const auto& m : f.scope.ui.messages) EXPECT_EQ(m.title, "Tallyquest");
    for (const char* label : {"lblMBProduct", "lblMBDescription", "lblMBManufacturer", "lblBiosManufacturer",
                              "lblBiosDescription", "lblSMBios", "lblVGAColor", "lblVGADriverDate",
                              "lblVGADriverVersion", "lblVGAName", "lblVGAVideoMode", "lblVGAVideoRam"})
        EXPECT_EQ(f.view.caption(label), "unknown") << label;
    EXPECT_EQ(f.view.caption("lblMBMacAddress"), "not enable");
    EXPECT_EQ(f.view.pnp, "");
    EXPECT_EQ(f.view.boxes, (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(f.view.events, (std::vector<std::string>{"start shown", "start closed", "window shown"}));
    EXPECT_EQ(f.scope.ui.pointers, (std::vector<int>{11, 0}));
    EXPECT_EQ(f.logic.strView(), "MB");
}

TEST(UiLoading, FetchesGraphicsAndMotherboardButNotMultiMedia) {
    Fixture f;
    QueryRecorder wmi(snapshot(std::string(kVideo) + R"(,
      "Win32_SoundDevice": [{"DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0887&REV_1003\\4&1", "Caption": "Audio"}])"));
    f.logic.load();
    EXPECT_TRUE(f.prompts().empty());
    EXPECT_EQ(wmi.count("Win32_VideoController"), 1);
    EXPECT_EQ(wmi.count("SELECT * FROM Win32_SoundDevice"), 0);
    EXPECT_EQ(f.view.caption("lblVGAName"), "Radeon RX 580");
    EXPECT_TRUE(f.logic.varMMpnp().empty());
}

TEST(UiMotherboardInfo, FirstObjectsFillThePanel) {
    Fixture f;
    QueryRecorder wmi(snapshot(R"(
      "Win32_ComputerSystemProduct": [{"Vendor": "ACME"}, {"Name": "second", "Vendor": "second"}],
      "Win32_Bios": [{"Manufacturer": "AMI", "Description": "", "SMBIOSBIOSVersion": "F14"}],
      "Win32_OnBoardDevice": [])"));
    f.logic.load();
    EXPECT_EQ(f.view.caption("lblMBProduct"), "unknown");
    EXPECT_EQ(f.view.caption("lblMBDescription"), "Base Board");
    EXPECT_EQ(f.view.caption("lblMBManufacturer"), "ACME");
    EXPECT_EQ(f.view.caption("lblBiosManufacturer"), "AMI");
    EXPECT_EQ(f.view.caption("lblBiosDescription"), "unknown");
    EXPECT_EQ(f.view.caption("lblSMBios"), "F14");
    EXPECT_EQ(f.view.boxes, (std::array<bool, 3>{false, false, true}));
    EXPECT_TRUE(f.prompts().empty());
}

TEST(UiMotherboardInfo, OnBoardVideoAndSoundTickTheirBoxesAndRebuildOnce) {
    Fixture f;
    QueryRecorder wmi(snapshot(std::string(kVideo) + R"(,
      "Win32_OnBoardDevice": [{"DeviceType": 3}, {"DeviceType": 3}, {"DeviceType": 7}, {"DeviceType": "3"},
                              {"DeviceType": 5}])"));
    f.logic.load();
    EXPECT_EQ(f.view.boxes, (std::array<bool, 3>{true, true, true}));
    // One tick per box, each followed at once by its rebuild.
    EXPECT_EQ(f.view.events, (std::vector<std::string>{"start shown", "tick", "pnp off", "pnp on", "tick", "pnp off",
                                                       "pnp on", "start closed", "window shown"}));
    // The two rebuilds; the text they left is kept, so no third fetch.
    EXPECT_EQ(wmi.count("Win32_PnPSignedDriver"), 2);
    EXPECT_NE(f.logic.varMBpnp().find("Radeon RX 580 Series"), std::string::npos);
}

TEST(UiMotherboardPnp, DriversAreListedOnceAndNotWhenTheyAreGraphics) {
    Fixture f;
    QueryRecorder wmi(snapshot(std::string(kVideo) + R"(,
      "Win32_PnPSignedDriver": [
        {"DeviceName": "SATA", "DeviceClass": "HDC", "DeviceID": "PCI\\VEN_8086&DEV_A352&REV_10\\3&1&0&B8"},
        {"DeviceName": "SATA again", "DeviceClass": "HDC", "DeviceID": "pci\\ven_8086&dev_a352&rev_10\\3&2&0&B9"},
        {"DeviceName": "Graphics", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\9"},
        {"DeviceName": "", "DeviceClass": "USB", "DeviceID": "PCI\\VEN_1&DEV_2&REV_01\\1"},
        {"DeviceName": "Display", "DeviceClass": "DISPLAY", "DeviceID": "PCI\\VEN_3&DEV_4&REV_01\\1"},
        {"DeviceName": "USB hub", "DeviceClass": "USB", "DeviceID": "USB\\ROOT_HUB30\\4&2"}
      ])"));
    f.view.boxes = {false, false, false};
    f.logic.load();
    EXPECT_EQ(f.logic.varMBpnp(), "SATA\r\nPCI\\VEN_8086&DEV_A352&REV_10\r\n\r\n");
    EXPECT_EQ(f.view.pnp, f.logic.varMBpnp());
}

TEST(UiMotherboardPnp, BlocksFollowInTheirOrder) {
    Fixture f;
    QueryRecorder wmi(snapshot(std::string(kVideo) + R"(,
      "Win32_PnPSignedDriver": [{"DeviceName": "SMBus", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_8086&DEV_A323&REV_10\\3&1"}],
      "Win32_NetworkAdapter": [
        {"Description": "1394 Net Adapter", "PNPDeviceID": "V1394\\NIC1394&REV_01\\1", "MACAddress": "02:00:00:00:00:01"},
        {"Description": "1394 second", "PNPDeviceID": "V1394\\NIC1394\\2"},
        {"Description": "Intel I211", "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1", "MACAddress": "AA:BB:CC:DD:EE:FF",
         "NetConnectionID": "Ethernet"}
      ],
      "Win32_SoundDevice": [
        {"Caption": "High Definition Audio", "Description": "HD Audio", "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1"},
        {"Caption": "Speaker", "Description": "Speaker", "PNPDeviceID": "X\\Y"},
        {"Caption": "USB Audio", "PNPDeviceID": "USB\\VID_1&PID_2&REV_01\\5"}
      ])"));
    f.view.boxes = {true, true, true};
    f.logic.load();
    const std::string expected =
        "SMBus\r\nPCI\\VEN_8086&DEV_A323&REV_10\r\n\r\n"
        "1394 Net Adapter\r\nV1394\\NIC1394&REV_01\r\nMac-Address: 02:00:00:00:00:01\r\n\r\n"
        "Radeon RX 580 Series\r\nVideoController1\r\nPCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\4&1B8D3E0&0&0008\r\n\r\n"
        "HD Audio\r\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\r\n\r\n"
        "USB\\VID_1&PID_2&REV_01\r\n\r\n"
        "Intel I211\r\nPCI\\VEN_8086&DEV_1539&REV_03\r\nMac-Address: AA:BB:CC:DD:EE:FF\r\n\r\n";
    EXPECT_EQ(f.logic.varMBpnp(), expected);
    EXPECT_EQ(f.view.caption("lblMBMacAddress"), "AA:BB:CC:DD:EE:FF");
    // The graphics text kept from loading is not changed by the rebuild's fresh fetch.
    EXPECT_EQ(f.logic.varVGApnp(),
              "Radeon RX 580 Series\r\nVideoController1\r\nPCI\\VEN_1002&DEV_67DF&SUBSYS_E3661DA2&REV_E7\\4&1B8D3E0&0&0008\r\n\r\n");
}

TEST(UiMotherboardPnp, MacAddressLabelFollowsTheLanAdapters) {
    const char* const adapters[] = {
        R"({"Description": "A", "PNPDeviceID": "PCI\\VEN_1&DEV_1&REV_01\\1", "MACAddress": "00:00:00:00:00:0A", "NetConnectionID": "LAN 1"})",
        R"({"Description": "B", "PNPDeviceID": "PCI\\VEN_2&DEV_2&REV_01\\1", "MACAddress": "00:00:00:00:00:0B", "NetConnectionID": "LAN 2"})",
        R"({"Description": "C", "PNPDeviceID": "PCI\\VEN_3&DEV_3&REV_01\\1", "NetConnectionID": "LAN 3"})",
    };
    struct Case {
        std::string list;
        bool lan;
        std::string label;
        std::string text;
    };
    const Case cases[] = {
        {adapters[0], true, "00:00:00:00:00:0A", "A\r\nPCI\\VEN_1&DEV_1&REV_01\r\nMac-Address: 00:00:00:00:00:0A\r\n\r\n"},
        {std::string(adapters[0]) + "," + adapters[1], true, "enable", ""},
        {"", true, "not enable", ""},
        {adapters[0], false, "not enable", ""},
        // Without an address the adapter gives no address line and leaves the label.
        {adapters[2], true, "not enable", "C\r\nPCI\\VEN_3&DEV_3&REV_01\r\n"},
    };
    for (const Case& c : cases) {
        Fixture f;
        QueryRecorder wmi(snapshot(R"("Win32_NetworkAdapter": [)" + c.list + "]"));
        f.view.boxes = {false, false, c.lan};
        f.view.setCaption("lblMBMacAddress", "Label MB MacAddress");
        f.logic.getMBinfo();
        EXPECT_EQ(f.view.caption("lblMBMacAddress"), c.label) << c.list;
        if (!c.text.empty()) EXPECT_EQ(f.logic.varMBpnp(), c.text);
    }
}

TEST(UiGraphicsPnp, FillsTheGraphicsPanelFromTheFirstController) {
    Fixture f;
    QueryRecorder wmi(snapshot(R"("Win32_VideoController": [
      {"Name": "No id"},
      {"Name": "Big", "PNPDeviceID": "PCI\\VEN_10DE&REV_A1\\4&2", "AdapterRAM": "4293918720",
       "CurrentHorizontalResolution": 2560, "DriverDate": "20200101120000.000000-000"},
      {"Name": "Second", "Description": "Second", "PNPDeviceID": "PCI\\VEN_2\\1", "CurrentBitsPerPixel": 16}
    ])"));
    const std::string text = f.logic.getVGApnp();
    EXPECT_EQ(text, "PCI\\VEN_10DE&REV_A1\\4&2\r\n\r\nSecond\r\nPCI\\VEN_2\\1\r\n\r\n");
    EXPECT_EQ(f.view.caption("lblVGAName"), "Big");
    EXPECT_EQ(f.view.caption("lblVGADriverDate"), "1/1/2020 12:00:00 PM");
    // Only one resolution, no colour depth, memory not a 32-bit number: kept.
    EXPECT_EQ(f.view.caption("lblVGAVideoMode"), "");
    EXPECT_EQ(f.view.caption("lblVGAColor"), "");
    EXPECT_EQ(f.view.caption("lblVGAVideoRam"), "");
    EXPECT_TRUE(f.prompts().empty());
}

TEST(UiGraphicsPnp, ModeColourAndMemory) {
    Fixture f;
    QueryRecorder wmi(snapshot(kVideo));
    f.logic.getVGApnp();
    EXPECT_EQ(f.view.caption("lblVGAVideoMode"), "1920 x 1080");
    EXPECT_EQ(f.view.caption("lblVGAColor"), "32 Bit");
    EXPECT_EQ(f.view.caption("lblVGAVideoRam"), "128 MB");
    EXPECT_EQ(f.view.caption("lblVGADriverDate"), "7/15/2021");
    EXPECT_EQ(f.view.caption("lblVGADriverVersion"), "30.0.13025.1000");
}

TEST(UiGraphicsPnp, ADateThatDoesNotConvertFailsTheFetch) {
    Fixture f;
    QueryRecorder wmi(snapshot(R"("Win32_VideoController": [
      {"Name": "Card", "PNPDeviceID": "PCI\\VEN_1\\1", "DriverDate": "2021", "CurrentBitsPerPixel": 8}])"));
    f.view.setCaption("lblVGADriverDate", "unknown");
    EXPECT_EQ(f.logic.getVGApnp(), "");
    EXPECT_EQ(f.prompts(), std::vector<std::string>{"Error: try to get vga pnp's"});
    EXPECT_EQ(f.view.caption("lblVGADriverDate"), "unknown");
    EXPECT_EQ(f.view.caption("lblVGAColor"), "8 Bit");  // later labels are still set
}

TEST(UiMultiMediaPnp, EightSlotsAndEveryDeviceInTheText) {
    std::string devices;
    for (int i = 0; i < 10; ++i) {
        if (i) devices += ",";
        devices += R"({"DeviceID": "HDAUDIO\\FUNC_01&VEN_)" + std::to_string(i) + R"(&REV_1000\\4&)" + std::to_string(i) +
                   R"(", "Manufacturer": "M)" + std::to_string(i) + "\"" +
                   (i == 2 ? std::string() : R"(, "Description": "Sound )" + std::to_string(i) + "\"") + "}";
    }
    devices += R"(,{"Description": "no id"})";
    Fixture f;
    QueryRecorder wmi(snapshot(R"("Win32_SoundDevice": [)" + devices + "]"));
    const std::string text = f.logic.getMMpnp();
    EXPECT_EQ(f.view.slots.size(), 7u);  // slot 2 stays hidden, 8 and 9 have none
    EXPECT_EQ(f.view.slots[0], "Sound 0");
    EXPECT_EQ(f.view.slots.count(2), 0u);
    EXPECT_EQ(f.view.slots[7], "Sound 7");
    const std::string head = "Manufacturer: M0\r\nHDAUDIO\\FUNC_01&VEN_0&REV_1000\r\n\r\nManufacturer: M1\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string tail = "\r\n\r\nManufacturer: M9\r\nHDAUDIO\\FUNC_01&VEN_9&REV_1000\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);  // no break after the last block
    std::size_t blocks = 0;
    for (std::size_t p = text.find("Manufacturer:"); p != std::string::npos; p = text.find("Manufacturer:", p + 1)) ++blocks;
    EXPECT_EQ(blocks, 10u);
}

TEST(UiPanels, SwitchingFetchesEachTextOnceAndRetriesAFailure) {
    Fixture f;
    QueryRecorder wmi(snapshot(std::string(kVideo) + R"(,
      "Win32_PnPSignedDriver": [{"DeviceName": "SMBus", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_8086&DEV_A323&REV_10\\3&1"}],
      "Win32_SoundDevice": [{"DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1", "Description": "HD"}])"));
    f.logic.load();
    const std::string mb = f.logic.varMBpnp();

    wmi.failing = "FROM Win32_SoundDevice";
    f.logic.switchPanel(Panel::MultiMedia);
    EXPECT_EQ(f.prompts(), std::vector<std::string>{"Error: try to get multi media pnp's"});
    EXPECT_EQ(f.view.pnp, "");
    EXPECT_FALSE(f.view.checksEnabled);
    EXPECT_EQ(f.view.frame, Panel::MultiMedia);

    wmi.failing.clear();
    f.logic.switchPanel(Panel::MultiMedia);  // already shown: nothing at all
    EXPECT_EQ(wmi.count("SELECT * FROM Win32_SoundDevice"), 1);
    f.logic.switchPanel(Panel::Vga);
    EXPECT_EQ(f.view.pnp, f.logic.varVGApnp());
    f.logic.switchPanel(Panel::MultiMedia);  // the failed fetch is tried again
    EXPECT_EQ(wmi.count("SELECT * FROM Win32_SoundDevice"), 2);
    EXPECT_EQ(f.view.pnp, f.logic.varMMpnp());
    EXPECT_FALSE(f.logic.varMMpnp().empty());

    const std::size_t before = wmi.queries.size();
    f.logic.switchPanel(Panel::Motherboard);
    f.logic.switchPanel(Panel::Vga);
    f.logic.switchPanel(Panel::Motherboard);
    EXPECT_EQ(wmi.queries.size(), before);  // every text is kept
    EXPECT_EQ(f.view.pnp, mb);
    EXPECT_TRUE(f.view.checksEnabled);
    EXPECT_EQ(f.logic.strView(), "MB");
}

TEST(UiPanels, CheckBoxRebuildReplacesTheMotherboardText) {
    Fixture f;
    QueryRecorder wmi(snapshot(R"("Win32_NetworkAdapter": [
        {"Description": "LAN", "PNPDeviceID": "PCI\\VEN_1&DEV_1&REV_01\\1", "MACAddress": "00:11:22:33:44:55", "NetConnectionID": "LAN"}],
      "Win32_SoundDevice": [{"Caption": "Audio", "PNPDeviceID": "HDAUDIO\\A&REV_1\\2"}])"));
    f.logic.load();
    EXPECT_NE(f.view.pnp.find("LAN"), std::string::npos);
    f.view.boxes = {false, true, false};
    f.view.events.clear();
    f.scope.ui.pointers.clear();
    f.logic.checkChanged();
    EXPECT_EQ(f.view.pnp, "HDAUDIO\\A&REV_1\r\n\r\n");
    EXPECT_EQ(f.logic.varMBpnp(), f.view.pnp);
    EXPECT_EQ(f.view.caption("lblMBMacAddress"), "not enable");
    EXPECT_EQ(f.view.events, (std::vector<std::string>{"pnp off", "pnp on"}));
    EXPECT_EQ(f.scope.ui.pointers, (std::vector<int>{11, 0}));

    // A failed rebuild empties both.
    wmi.failing = "Win32_SoundDevice";
    f.logic.checkChanged();
    EXPECT_EQ(f.view.pnp, "");
    EXPECT_EQ(f.logic.varMBpnp(), "");
    EXPECT_EQ(f.prompts().back(), "Error: try to get motherboard pnp's");
}

TEST(UiReportName, ReservedCharactersAreDropped) {
    EXPECT_EQ(ui::withoutReservedNameChars("a\\b/c:d*e?f<g>h|i\"j"), "abcdefghij");
    EXPECT_EQ(ui::withoutReservedNameChars("M\xC3\xBCller ..\\..\\x"), "M\xC3\xBCller ....x");
    EXPECT_EQ(ui::withoutReservedNameChars("   "), "   ");
    EXPECT_TRUE(ui::isReservedNameChar(U'|'));
    EXPECT_FALSE(ui::isReservedNameChar(U'.'));
    EXPECT_FALSE(ui::isReservedNameChar(U'\u00DF'));
}

TEST(UiReportName, EmptyDesignationIsRefusedAndAnyOtherStartsTheRun) {
    PlatformScope scope;
    report::gStrFileName = "old.htm";
    EXPECT_FALSE(ui::acceptDesignation(""));
    ASSERT_EQ(scope.ui.messages.size(), 1u);
    EXPECT_EQ(scope.ui.messages[0].prompt, "Bitte das Feld Bezeichnung ausf\xC3\xBCllen");
    EXPECT_EQ(scope.ui.messages[0].style, 16);
    EXPECT_EQ(scope.ui.messages[0].title, "Tallyquest");
    EXPECT_EQ(report::gStrFileName, "old.htm");
    EXPECT_EQ(scope.ui.dialogCloses, 0);

    scope.files.add("C:\\Tallyquest\\ .htm", "old content");
    EXPECT_TRUE(ui::acceptDesignation(" "));
    EXPECT_EQ(report::gStrFileName, " .htm");
    EXPECT_EQ(scope.ui.dialogCloses, 1);
    EXPECT_TRUE(scope.ui.mainClosed);
    EXPECT_EQ(scope.ui.messages.back().prompt, "The file is saved on C:\\Tallyquest\\ .htm");
    EXPECT_EQ(scope.files.content("C:\\Tallyquest\\ .htm").find("old content"), std::string::npos);
}

TEST(UiComment, StoredConverted) {
    PlatformScope scope;
    ui::storeComment("M\xC3\xBCller \"\xC3\x84rger\"");
    EXPECT_EQ(report::gStrComment, "M&uuml;ller &quot;&Auml;rger&quot;");
    ui::storeComment(report::gStrComment);
    EXPECT_EQ(report::gStrComment, "M&uuml;ller &quot;&Auml;rger&quot;");
    ui::storeComment("");
    EXPECT_EQ(report::gStrComment, "");
}

TEST(UiProgress, PercentageIsClampedAndWritten) {
    EXPECT_EQ(ui::progressFigure(57).percent, 57);
    EXPECT_EQ(ui::progressFigure(57).text, "57%");
    EXPECT_EQ(ui::progressFigure(150).percent, 100);
    EXPECT_EQ(ui::progressFigure(150).text, "100%");
    EXPECT_EQ(ui::progressFigure(-3).percent, -3);
    EXPECT_EQ(ui::progressFigure(-3).text, "-3%");
    EXPECT_EQ(ui::progressFigure(0).text, "0%");
}

TEST(UiAbout, VersionText) {
    const std::string text = ui::versionText("Version  3.4.11");
    EXPECT_EQ(text.rfind("Version  3.4.11" + std::string(31, ' '), 0), 0u);
    EXPECT_EQ(text.find("\r\n"), text.find("\r\n\r\n"));
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(ui::versionText("").rfind("Version  4 ", 0), 0u);
}

// A registry that holds a few values, for the about box's lookups.
class FakeRegistry final : public platform::Registry {
public:
    struct Entry {
        std::uint32_t type;
        std::string data;  // as stored, a string value with its NUL
    };
    std::map<std::string, std::map<std::string, Entry>> keys;
    int openKeys = 0;

    long openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& handle) override {
        if (root != 0x80000002u || access != 0x2003F) return 5;
        auto it = keys.find(path);
        if (it == keys.end()) return 2;
        handle = reinterpret_cast<std::uintptr_t>(&it->second);
        ++openKeys;
        return 0;
    }
    long queryValue(std::uintptr_t handle, const std::string& name, std::uint32_t& type, std::string& buffer,
                    std::uint32_t& size) override {
        auto& values = *reinterpret_cast<std::map<std::string, Entry>*>(handle);
        auto it = values.find(name);
        if (it == values.end()) return 2;
        type = it->second.type;
        if (it->second.data.size() > size) {
            size = static_cast<std::uint32_t>(it->second.data.size());
            return 234;
        }
        buffer.replace(0, it->second.data.size(), it->second.data);
        size = static_cast<std::uint32_t>(it->second.data.size());
        return 0;
    }
    long closeKey(std::uintptr_t) override {
        --openKeys;
        return 0;
    }
};

constexpr const char* kMsinfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocation = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct RegistryScope {
    PlatformScope scope;
    FakeRegistry registry;
    RegistryScope() { platform::current().registry = &registry; }
};

TEST(UiAbout, GetKeyValueCutsAndConverts) {
    RegistryScope r;
    r.registry.keys[kMsinfo] = {{"PATH", {1, std::string("C:\\msinfo32.exe") + '\0'}},
                                {"RAW", {1, "no terminator"}},
                                {"NUMBER", {4, std::string("\x01\x02\x00\x00", 4)}},
                                {"EXPAND", {2, std::string("%x%") + '\0'}},
                                {"LONG", {1, std::string(2000, 'x') + '\0'}},
                                {"EMPTY", {1, ""}}};
    std::string v = "before";
    EXPECT_TRUE(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "PATH", v));
    EXPECT_EQ(v, "C:\\msinfo32.exe");
    EXPECT_TRUE(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "RAW", v));
    EXPECT_EQ(v, "no terminator");
    EXPECT_TRUE(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "NUMBER", v));
    EXPECT_EQ(v, "513");
    v = "kept";
    EXPECT_TRUE(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "EXPAND", v));
    EXPECT_EQ(v, "kept");
    EXPECT_FALSE(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "LONG", v));
    EXPECT_EQ(v, "");
    v = "x";
    EXPECT_FALSE(ui::GetKeyValue(ui::kHkeyLocalMachine, "SOFTWARE\\None", "PATH", v));
    EXPECT_EQ(v, "");
    EXPECT_THROW(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "EMPTY", v), Error);
    EXPECT_EQ(r.registry.openKeys, 0);  // every key opened was closed
}

TEST(UiAbout, StartSysInfoByEachRegistryOutcome) {
    const std::string unavailable = "System Information Is Unavailable At This Time";
    struct Case {
        const char* what;
        std::map<std::string, std::map<std::string, FakeRegistry::Entry>> keys;
        std::vector<std::string> existing;
        std::vector<std::string> launched;
        bool message;
    };
    const Case cases[] = {
        {"PATH names the tool", {{kMsinfo, {{"PATH", {1, std::string("C:\\Tools\\msinfo32.exe") + '\0'}}}}}, {},
         {"C:\\Tools\\msinfo32.exe"}, false},
        {"folder holds the tool", {{kLocation, {{"MSINFO", {1, std::string("C:\\Shared") + '\0'}}}}},
         {"C:\\Shared\\MSINFO32.EXE"}, {"C:\\Shared\\MSINFO32.EXE"}, false},
        {"folder without the tool", {{kLocation, {{"MSINFO", {1, std::string("C:\\Shared") + '\0'}}}}}, {}, {}, true},
        {"neither entry", {}, {}, {}, true},
        {"PATH of another type", {{kMsinfo, {{"PATH", {2, std::string("%x%") + '\0'}}}}}, {}, {}, true},
    };
    for (const Case& c : cases) {
        RegistryScope r;
        r.registry.keys = c.keys;
        r.scope.shell.existing = c.existing;
        // An empty path cannot be started.
        r.scope.shell.failLaunch = c.what == std::string("PATH of another type");
        ui::StartSysInfo();
        EXPECT_EQ(r.scope.shell.launched, c.launched) << c.what;
        EXPECT_EQ(r.scope.ui.prompts(), c.message ? std::vector<std::string>{unavailable} : std::vector<std::string>{})
            << c.what;
        if (c.message) {
            EXPECT_EQ(r.scope.ui.messages[0].style, 0);
            EXPECT_EQ(r.scope.ui.messages[0].title, "Tallyquest");
        }
    }
}

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/tq-ui-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
    void program(const std::string& name, mode_t mode = 0755) const {
        const std::string p = path + "/" + name;
        std::ofstream(p) << "#!/bin/sh\n";
        ::chmod(p.c_str(), mode);
    }
    std::string path;
};

TEST(UiStandInRegistry, AnswersBothLookupsWithTheToolOnThePath) {
    TempFolder empty, tools;
    tools.program("hardinfo");
    tools.program("hardinfo2", 0644);  // not executable: passed over
    posix::StandInRegistry registry(empty.path + ":" + tools.path, {"hardinfo2", "hardinfo"});
    EXPECT_EQ(registry.findProgram(), tools.path + "/hardinfo");

    PlatformScope scope;
    platform::current().registry = &registry;
    std::string v;
    EXPECT_TRUE(ui::GetKeyValue(ui::kHkeyLocalMachine, "software\\microsoft\\shared tools\\msinfo", "PATH", v));
    EXPECT_EQ(v, tools.path + "/hardinfo");
    EXPECT_TRUE(ui::GetKeyValue(ui::kHkeyLocalMachine, kLocation, "MSINFO", v));
    EXPECT_EQ(v, tools.path);
    EXPECT_FALSE(ui::GetKeyValue(ui::kHkeyLocalMachine, kMsinfo, "OTHER", v));
    EXPECT_FALSE(ui::GetKeyValue(0x80000001u, kMsinfo, "PATH", v));
    ui::StartSysInfo();
    EXPECT_EQ(scope.shell.launched, std::vector<std::string>{tools.path + "/hardinfo"});

    std::uintptr_t key = 0;
    ASSERT_EQ(registry.openKey(ui::kHkeyLocalMachine, kMsinfo, 0x2003F, key), 0);
    std::string small(4, '\0');
    std::uint32_t type = 0, size = 4;
    EXPECT_EQ(registry.queryValue(key, "PATH", type, small, size), 234);
    EXPECT_EQ(size, (tools.path + "/hardinfo").size() + 1);
    EXPECT_EQ(registry.closeKey(key), 0);
    EXPECT_NE(registry.closeKey(key), 0);
}

TEST(UiStandInRegistry, WithoutToolTheAboutBoxSaysSo) {
    TempFolder empty;
    posix::StandInRegistry registry(empty.path, {"hardinfo2", "hardinfo"});
    PlatformScope scope;
    platform::current().registry = &registry;
    ui::StartSysInfo();
    EXPECT_TRUE(scope.shell.launched.empty());
    EXPECT_EQ(scope.ui.prompts(), std::vector<std::string>{"System Information Is Unavailable At This Time"});
}

}  // namespace
}  // namespace tq
