// What the operator does in the windows and what they show afterwards, for
// both front ends (Qt and Win32): each front end's test supplies a Screen
// that clicks, types and reads its own windows, runs these scenarios on it
// and fails on any difference the run reports. Free of any toolkit and test
// framework.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/ui/recorder.h"

namespace tq::testing::scenarios {

// A board with graphics, audio and LAN on it; the driver text blocks it
// gives ("\n" line ends here, whatever the front end's text box holds).
inline const char* const kBoard = R"({
  "Win32_ComputerSystemProduct": [{"Name": "H370 HD3", "Vendor": "Gigabyte"}, {"Name": "second", "Vendor": "second"}],
  "Win32_Bios": [{"Manufacturer": "AMI", "Description": "", "SMBIOSBIOSVersion": "F14"}],
  "Win32_OnBoardDevice": [{"DeviceType": 3}, {"DeviceType": 3}, {"DeviceType": 7}, {"DeviceType": "3"}, {"DeviceType": 5}],
  "Win32_PnPSignedDriver": [{"DeviceName": "SMBus", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_8086&DEV_A323&REV_10\\3&1"}],
  "Win32_VideoController": [{"Name": "UHD 630", "Description": "UHD 630", "PNPDeviceID": "PCI\\VEN_8086&DEV_3E92&REV_00\\3&1",
                             "CurrentBitsPerPixel": 32}],
  "Win32_SoundDevice": [{"Caption": "Realtek Audio", "Description": "Realtek Audio", "Manufacturer": "Realtek",
                         "DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1", "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1"}],
  "Win32_NetworkAdapter": [{"Description": "I211", "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1",
                            "MACAddress": "AA:BB:CC:DD:EE:FF", "NetConnectionID": "Ethernet"}]
})";
inline const std::string kSmbus = "SMBus\nPCI\\VEN_8086&DEV_A323&REV_10\n\n";
inline const std::string kVga = "UHD 630\nPCI\\VEN_8086&DEV_3E92&REV_00\\3&1\n\n";
inline const std::string kAudio = "Realtek Audio\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\n\n";
inline const std::string kLan = "I211\nPCI\\VEN_8086&DEV_1539&REV_03\nMac-Address: AA:BB:CC:DD:EE:FF\n\n";
inline const std::string kMultiMedia = "Manufacturer: Realtek\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\n";

// The windows as a front end's test works them, by the names of the layout
// tables. Texts have "\n" line ends.
class Screen {
public:
    virtual ~Screen() = default;
    virtual void startMainWindow() = 0;
    virtual void showReportNameDialog() = 0;
    virtual void click(std::string_view window, std::string_view control) = 0;
    virtual void focus(std::string_view window, std::string_view control) = 0;
    // Keys to the focused control: "Space", "Escape", "Return", or "Alt+" and a letter.
    virtual void key(std::string_view key) = 0;
    virtual void type(std::string_view utf8) = 0;                 // at the focused control
    virtual void selectAll(std::string_view window, std::string_view control) = 0;
    virtual void paste(std::string_view window, std::string_view control, std::string_view text) = 0;  // over its text
    virtual void setText(std::string_view window, std::string_view control, std::string_view text) = 0;
    virtual std::string text(std::string_view window, std::string_view control) = 0;
    virtual bool visible(std::string_view window, std::string_view control) = 0;
    virtual bool enabled(std::string_view window, std::string_view control) = 0;
    virtual bool checked(std::string_view window, std::string_view control) = 0;
    virtual bool busy() = 0;
    // The texts of the message boxes shown since the last call.
    virtual std::vector<std::string> takePrompts() = 0;
};

enum class Act { None, StartMain, ShowReportName, Click, Focus, Key, Type, SelectAll, Paste, SetText };

// One thing the operator does, and what must show afterwards (nullptr: not
// looked at). The message boxes shown are always compared, and no window
// may be left busy.
struct Step {
    const char* what;
    Act act;
    const char* window = nullptr;
    const char* control = nullptr;  // or the key
    const char* input = nullptr;    // typed, pasted or set
    const char* failing = nullptr;  // queries holding this fail while the step runs
    std::vector<std::string> prompts = {};
    const char* frame = nullptr;  // the one panel frame of the main window shown
    const char* ticked = nullptr;  // the on-board boxes ticked, "chkVGA chkAudio chkLan"
    int checksEnabled = -1;        // 0 or 1: the on-board boxes usable
    bool noQueries = false;        // answered without a query
    std::vector<std::pair<std::string, std::string>> texts = {};  // "window.control", its text
};

// The differences a run of the steps finds, one line each.
inline std::vector<std::string> run(Screen& s, const std::vector<Step>& steps, QueryRecorder* wmi = nullptr) {
    std::vector<std::string> diffs;
    auto differ = [&](const Step& st, const std::string& what, const std::string& got, const std::string& want) {
        if (got != want) diffs.push_back(std::string(st.what) + ": " + what + " is \"" + got + "\", not \"" + want + "\"");
    };
    auto join = [](const std::vector<std::string>& v) {
        std::string out;
        for (const auto& x : v) out += (out.empty() ? "" : " | ") + x;
        return out;
    };
    for (const Step& st : steps) {
        const std::size_t before = wmi ? wmi->queries.size() : 0;
        if (wmi && st.failing) wmi->failing = st.failing;
        switch (st.act) {
        case Act::None: break;
        case Act::StartMain: s.startMainWindow(); break;
        case Act::ShowReportName: s.showReportNameDialog(); break;
        case Act::Click: s.click(st.window, st.control); break;
        case Act::Focus: s.focus(st.window, st.control); break;
        case Act::Key: s.key(st.control); break;
        case Act::Type: s.type(st.input); break;
        case Act::SelectAll: s.selectAll(st.window, st.control); break;
        case Act::Paste: s.paste(st.window, st.control, st.input); break;
        case Act::SetText: s.setText(st.window, st.control, st.input); break;
        }
        if (wmi && st.failing) wmi->failing.clear();
        differ(st, "the messages", join(s.takePrompts()), join(st.prompts));
        if (s.busy()) diffs.push_back(std::string(st.what) + ": left busy");
        if (st.noQueries && wmi) differ(st, "the queries", std::to_string(wmi->queries.size() - before), "0");
        if (st.frame) {
            std::string shown;
            for (const char* f : {"F_Motherboard", "F_VGA", "F_MultiMedia"})
                if (s.visible("frmMain", f)) shown += (shown.empty() ? "" : " ") + std::string(f);
            differ(st, "the frame shown", shown, st.frame);
        }
        if (st.ticked) {
            std::string on;
            for (const char* box : {"chkVGA", "chkAudio", "chkLan"})
                if (s.checked("frmMain", box)) on += (on.empty() ? "" : " ") + std::string(box);
            differ(st, "the boxes ticked", on, st.ticked);
        }
        if (st.checksEnabled >= 0)
            differ(st, "chkLan usable", s.enabled("frmMain", "chkLan") ? "yes" : "no", st.checksEnabled ? "yes" : "no");
        for (const auto& [name, want] : st.texts) {
            const std::string_view n = name;
            const auto dot = n.find('.');
            differ(st, std::string(n), s.text(n.substr(0, dot), n.substr(dot + 1)), want);
        }
    }
    return diffs;
}

// The main window opened on a service that cannot be reached.
inline std::vector<Step> startOnUnreachableService() {
    Step start{"start without a service", Act::StartMain};
    start.prompts = {"Error: try to get vga pnp's", "Error: try to get motherboarddata in Modul 'MB'",
                     "Error: try to get motherboard pnp's"};
    start.frame = "F_Motherboard";
    start.ticked = "chkLan";
    for (const char* name : {"lblMBProduct", "lblMBDescription", "lblMBManufacturer", "lblBiosManufacturer",
                             "lblBiosDescription", "lblSMBios", "lblVGAColor", "lblVGADriverDate",
                             "lblVGADriverVersion", "lblVGAName", "lblVGAVideoMode", "lblVGAVideoRam"})
        start.texts.push_back({"frmMain." + std::string(name), "unknown"});
    start.texts.push_back({"frmMain.lblMBMacAddress", "not enable"});
    start.texts.push_back({"frmMain.txtPnP", ""});
    return {start};
}

// On kBoard: the panels by buttons and mnemonics, each text fetched once and
// kept, the on-board boxes by clicks and the space bar, fetches that fail.
inline std::vector<Step> panelsAndBoxes() {
    const char* m = "frmMain";
    return {
        {.what = "start", .act = Act::StartMain, .frame = "F_Motherboard", .ticked = "chkVGA chkAudio chkLan",
         .checksEnabled = 1,
         .texts = {{"frmMain.lblMBProduct", "H370 HD3"}, {"frmMain.lblMBDescription", "Base Board"},
                   {"frmMain.lblMBManufacturer", "Gigabyte"}, {"frmMain.lblBiosManufacturer", "AMI"},
                   {"frmMain.lblBiosDescription", "unknown"}, {"frmMain.lblSMBios", "F14"},
                   {"frmMain.lblMBMacAddress", "AA:BB:CC:DD:EE:FF"}, {"frmMain.lblVGAColor", "32 Bit"},
                   {"frmMain.txtPnP", kSmbus + kVga + kAudio + kLan}}},
        {.what = "LAN box cleared", .act = Act::Click, .window = m, .control = "chkLan",
         .texts = {{"frmMain.lblMBMacAddress", "not enable"}, {"frmMain.txtPnP", kSmbus + kVga + kAudio}}},
        {.what = "graphics box cleared", .act = Act::Click, .window = m, .control = "chkVGA", .ticked = "chkAudio",
         .texts = {{"frmMain.txtPnP", kSmbus + kAudio}}},
        {.what = "focus on the LAN box", .act = Act::Focus, .window = m, .control = "chkLan"},
        {.what = "space bar ticks it", .act = Act::Key, .control = "Space", .ticked = "chkAudio chkLan",
         .texts = {{"frmMain.txtPnP", kSmbus + kAudio + kLan}, {"frmMain.lblMBMacAddress", "AA:BB:CC:DD:EE:FF"}}},
        {.what = "multimedia fetch fails", .act = Act::Click, .window = m, .control = "btnMultiMedia",
         .failing = "FROM Win32_SoundDevice", .prompts = {"Error: try to get multi media pnp's"},
         .frame = "F_MultiMedia", .checksEnabled = 0, .texts = {{"frmMain.txtPnP", ""}}},
        {.what = "graphics panel", .act = Act::Click, .window = m, .control = "btnVGA", .frame = "F_VGA",
         .checksEnabled = 0, .noQueries = true, .texts = {{"frmMain.txtPnP", kVga}}},
        {.what = "Alt+M fetches again", .act = Act::Key, .control = "Alt+M", .frame = "F_MultiMedia",
         .texts = {{"frmMain.txtPnP", kMultiMedia}, {"frmMain.lblMMName_0", "Realtek Audio"}}},
        {.what = "Alt+B", .act = Act::Key, .control = "Alt+B", .frame = "F_Motherboard", .checksEnabled = 1,
         .noQueries = true, .texts = {{"frmMain.txtPnP", kSmbus + kAudio + kLan}}},
        {.what = "text edited", .act = Act::SetText, .window = m, .control = "txtPnP", .input = "edited"},
        {.what = "the panel shown, again", .act = Act::Click, .window = m, .control = "btnMotherboard",
         .frame = "F_Motherboard", .noQueries = true, .texts = {{"frmMain.txtPnP", "edited"}}},
        {.what = "rebuild fails", .act = Act::Click, .window = m, .control = "chkAudio",
         .failing = "Win32_PnPSignedDriver", .prompts = {"Error: try to get motherboard pnp's"}, .checksEnabled = 1,
         .texts = {{"frmMain.txtPnP", ""}}},
    };
}

// The report-name dialog's filter of reserved characters, typed or pasted;
// Escape leaves it open.
inline std::vector<Step> reportNameFilter() {
    const char* d = "frmCuz";
    return {
        {.what = "shown", .act = Act::ShowReportName, .texts = {{"frmCuz.T_cuz", ""}}},
        {.what = "focus on the field", .act = Act::Focus, .window = d, .control = "T_cuz"},
        {.what = "typed", .act = Act::Type, .input = "PC\\01/a:b*c?d<e>f|g\"h", .texts = {{"frmCuz.T_cuz", "PC01abcdefgh"}}},
        {.what = "selected", .act = Act::SelectAll, .window = d, .control = "T_cuz"},
        {.what = "typed over the selection", .act = Act::Type, .input = "/", .texts = {{"frmCuz.T_cuz", "PC01abcdefgh"}}},
        {.what = "pasted", .act = Act::Paste, .window = d, .control = "T_cuz", .input = "..\\..\\etc/passwd",
         .texts = {{"frmCuz.T_cuz", "....etcpasswd"}}},
        {.what = "Escape", .act = Act::Key, .control = "Escape", .texts = {{"frmCuz.T_cuz", "....etcpasswd"}}},
        {.what = "shown again", .act = Act::ShowReportName, .texts = {{"frmCuz.T_cuz", "....etcpasswd"}}},
    };
}

}  // namespace tq::testing::scenarios
