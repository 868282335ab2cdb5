// What the operator does in the windows and what they show afterwards, for
// both front ends (Qt and Win32): each front end's test supplies a Screen
// that clicks, types and reads its own windows, runs these scenarios on it
// and fails on any difference the run reports. Free of any toolkit and test
// framework.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "report/main.h"
#include "tests/support/fakes.h"
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
    using Name = std::string_view;
    explicit Screen(const FakeUi& ui) : ui_(ui) {}  // where the message boxes are recorded
    virtual ~Screen() = default;
    virtual void startMainWindow() = 0;
    virtual void showReportNameDialog() = 0;
    virtual void click(Name window, Name control) = 0;
    virtual void focus(Name window, Name control) = 0;
    // Keys to the focused control: "Space", "Escape", "Return", or "Alt+" and a letter.
    virtual void key(Name key) = 0;
    virtual void type(Name utf8) = 0;  // at the focused control
    virtual void selectAll(Name window, Name control) = 0;
    virtual void paste(Name window, Name control, Name text) = 0;  // over its text
    virtual void setText(Name window, Name control, Name text) = 0;
    virtual std::string text(Name window, Name control) = 0;
    virtual bool visible(Name window, Name control) = 0;
    virtual bool enabled(Name window, Name control) = 0;
    virtual bool checked(Name window, Name control) = 0;
    virtual bool hasFocus(Name window, Name control) = 0;  // within its window
    virtual bool busy() = 0;
    virtual bool isOpen(Name window) = 0;  // "frmMain", "frmCuz" or "frmAbout"
    // Runs `open`; `inside` runs from the modal comment dialog's own loop
    // once it shows ("frmComment" names it meanwhile).
    virtual void workModal(const std::function<void()>& open, const std::function<void()>& inside) = 0;
    // The texts of the message boxes shown since the last call.
    std::vector<std::string> takePrompts() {
        std::vector<std::string> fresh;
        for (; taken_ < ui_.messages.size(); ++taken_) fresh.push_back(ui_.messages[taken_].prompt);
        return fresh;
    }

private:
    const FakeUi& ui_;
    std::size_t taken_ = 0;
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
    const char* frame = nullptr;                                  // the one panel frame of the main window shown
    const char* ticked = nullptr;                                 // the on-board boxes ticked, "chkVGA chkAudio chkLan"
    int checksEnabled = -1;                                       // 0 or 1: the on-board boxes usable
    bool noQueries = false;                                       // answered without a query
    std::vector<std::pair<std::string, std::string>> texts = {};  // "window.control", its text
    std::vector<Step> modal = {};   // worked inside the comment dialog the step opens, or while `during` runs
    const char* comment = nullptr;  // the comment stored for the report
    const char* windows = nullptr;  // of frmMain, frmCuz and frmAbout, those open
    const char* focused = nullptr;  // "window.control" holding its window's focus
    const char* onboard = nullptr;  // the on-board sections the step's queries read, "audio lan"
    const char* during = nullptr;   // a query of the run the step starts
};

// The differences a run of the steps finds, one line each.
inline std::vector<std::string> run(Screen& s, const std::vector<Step>& steps, QueryRecorder* wmi = nullptr,
                                    bool running = false) {
    std::vector<std::string> diffs;
    auto differ = [&](const Step& st, const std::string& what, const std::string& got, const std::string& want) {
        if (got != want)
            diffs.push_back(std::string(st.what) + ": " + what + " is \"" + got + "\", not \"" + want + "\"");
    };
    auto join = [](const std::vector<std::string>& v) {
        std::string out;
        for (const auto& x : v) out += (out.empty() ? "" : " | ") + x;
        return out;
    };
    for (const Step& st : steps) {
        const std::size_t before = wmi ? wmi->queries.size() : 0;
        if (wmi && st.failing) wmi->failWith(st.failing);
        auto act = [&] {
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
        };
        if (st.during && wmi) {
            bool reached = false;
            const auto before = wmi->onQuery;
            wmi->onQuery = [&](const std::string& q) {
                if (before) before(q);
                if (reached || q.find(st.during) == std::string::npos) return;
                reached = true;
                for (auto& d : run(s, st.modal, wmi, true)) diffs.push_back(std::string(st.what) + ", " + d);
            };
            act();
            wmi->onQuery = before;
            if (!reached) diffs.push_back(std::string(st.what) + ": no query " + st.during);
        } else if (st.modal.empty()) {
            act();
        } else {
            bool shown = false;
            s.workModal(act, [&] {
                shown = true;
                for (auto& d : run(s, st.modal, wmi)) diffs.push_back(std::string(st.what) + ", " + d);
            });
            if (!shown) diffs.push_back(std::string(st.what) + ": no dialog shown");
        }
        if (wmi && st.failing) wmi->failWith("");
        differ(st, "the messages", join(s.takePrompts()), join(st.prompts));
        if (s.busy() && !running) diffs.push_back(std::string(st.what) + ": left busy");
        if (st.noQueries && wmi) differ(st, "the queries", std::to_string(wmi->queries.size() - before), "0");
        // Of these names, those that pass `in`, joined by spaces.
        auto which = [](std::initializer_list<const char*> names, auto in) {
            std::string out;
            for (const char* n : names)
                if (in(n)) out += (out.empty() ? "" : " ") + std::string(n);
            return out;
        };
        auto named = [](std::string_view n) { return std::pair{n.substr(0, n.find('.')), n.substr(n.find('.') + 1)}; };
        if (st.frame)
            differ(st, "the frame shown",
                   which({"F_Motherboard", "F_VGA", "F_MultiMedia"}, [&](auto f) { return s.visible("frmMain", f); }),
                   st.frame);
        if (st.ticked)
            differ(st, "the boxes ticked",
                   which({"chkVGA", "chkAudio", "chkLan"}, [&](auto b) { return s.checked("frmMain", b); }), st.ticked);
        if (st.checksEnabled >= 0)
            differ(st, "chkLan usable", s.enabled("frmMain", "chkLan") ? "yes" : "no", st.checksEnabled ? "yes" : "no");
        if (st.comment) differ(st, "the comment", report::gStrComment, st.comment);
        if (st.onboard && wmi) differ(st, "the on-board sections read", wmi->onboardAsked(before), st.onboard);
        if (st.windows)
            differ(st, "the windows open",
                   which({"frmMain", "frmCuz", "frmAbout"}, [&](auto w) { return s.isOpen(w); }), st.windows);
        if (st.focused && !std::apply([&](auto w, auto c) { return s.hasFocus(w, c); }, named(st.focused)))
            diffs.push_back(std::string(st.what) + ": no focus on " + st.focused);
        for (const auto& [name, want] : st.texts)
            differ(st, name, std::apply([&](auto w, auto c) { return s.text(w, c); }, named(name)), want);
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
    start.windows = "frmMain";
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
    // clang-format off
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
    // clang-format on
}

// The report-name dialog's filter of reserved characters, typed or pasted;
// Escape leaves it open; Ok on an empty field says so and keeps it open,
// the focus back in the field.
inline std::vector<Step> reportNameFilter() {
    const char* d = "frmCuz";
    // clang-format off
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
        {.what = "emptied", .act = Act::SetText, .window = d, .control = "T_cuz", .input = ""},
        {.what = "focus on Ok", .act = Act::Focus, .window = d, .control = "bb_cuzokay"},
        {.what = "Ok on the empty field", .act = Act::Click, .window = d, .control = "bb_cuzokay",
         .prompts = {"Bitte das Feld Bezeichnung ausf\xC3\xBCllen"}, .windows = "frmCuz", .focused = "frmCuz.T_cuz"},
        {.what = "Cancel", .act = Act::Click, .window = d, .control = "bb_cuzabbrechen", .windows = ""},
        {.what = "shown after Cancel", .act = Act::ShowReportName, .texts = {{"frmCuz.T_cuz", ""}}, .windows = "frmCuz"},
    };
    // clang-format on
}

// On kBoard: the modal comment dialog, typed, confirmed, shown again in its
// stored form, an edit cancelled, emptied.
inline std::vector<Step> commentDialog() {
    const char* c = "frmComment";
    const char* stored = "M&uuml;ller &quot;1&quot;";
    auto open = [](const char* what, std::vector<Step> inside, const char* comment) {
        // clang-format off
        return Step{.what = what, .act = Act::Click, .window = "frmMain", .control = "imgLogo",
                    .modal = std::move(inside), .comment = comment};
        // clang-format on
    };
    // clang-format off
    return {
        {.what = "start", .act = Act::StartMain},
        open("typed and confirmed",
             {{.what = "shown", .act = Act::Focus, .window = c, .control = "txtComment",
               .texts = {{"frmComment.txtComment", ""}}},
              {.what = "typed", .act = Act::Type, .input = "M\xC3\xBCller \"1\""},
              {.what = "Enter: no default button", .act = Act::Key, .control = "Return",
               .texts = {{"frmComment.txtComment", "M\xC3\xBCller \"1\""}}},
              {.what = "OK", .act = Act::Click, .window = c, .control = "cmdOK"}},
             stored),
        open("confirmed again: not encoded twice",
             {{.what = "shown", .act = Act::None, .texts = {{"frmComment.txtComment", stored}}},
              {.what = "OK", .act = Act::Click, .window = c, .control = "cmdOK"}},
             stored),
        open("an edit cancelled",
             {{.what = "focus", .act = Act::Focus, .window = c, .control = "txtComment"},
              {.what = "typed", .act = Act::Type, .input = "x"},
              {.what = "Escape", .act = Act::Key, .control = "Escape"}},
             stored),
        open("emptied",
             {{.what = "emptied", .act = Act::SetText, .window = c, .control = "txtComment", .input = ""},
              {.what = "OK", .act = Act::Click, .window = c, .control = "cmdOK"}},
             ""),
        {.what = "only the main window left", .act = Act::None, .windows = "frmMain"},
    };
    // clang-format on
}

// On kBoard, with no system information tool to be found: the about box
// from its picture, its version text; System Info says so and leaves it open;
// Enter closes it; left open, it outlives the main window.
inline std::vector<Step> aboutBox() {
    // clang-format off
    return {
        {.what = "start", .act = Act::StartMain},
        {.what = "opened", .act = Act::Click, .window = "frmMain", .control = "imgInfo",
         .texts = {{"frmAbout.txt_Versionsangabe", "Version  3.4.11                               (c) Tallyquest\n\n"
                                                   "Hardware inventory and service tools\n"
                                                   "Tallyquest project, tallyquest.invalid"}},
         .focused = "frmAbout.cmdOK"},
        {.what = "System Info", .act = Act::Click, .window = "frmAbout", .control = "cmdSysInfo",
         .prompts = {"System Information Is Unavailable At This Time"}, .windows = "frmMain frmAbout"},
        {.what = "focus on OK", .act = Act::Focus, .window = "frmAbout", .control = "cmdOK"},
        {.what = "Enter closes it", .act = Act::Key, .control = "Return", .windows = "frmMain"},
        {.what = "opened once more", .act = Act::Click, .window = "frmMain", .control = "imgInfo"},
        {.what = "Exit: it stays open", .act = Act::Click, .window = "frmMain", .control = "btnEnde", .windows = "frmAbout"},
    };
    // clang-format on
}

// On kBoard: the report-name dialog left open after Exit still starts a
// run, which reads the on-board boxes as the main window left them.
inline std::vector<Step> reportNameOutlivesMain() {
    const char* m = "frmMain";
    // clang-format off
    return {
        {.what = "start", .act = Act::StartMain},
        {.what = "graphics box cleared", .act = Act::Click, .window = m, .control = "chkVGA", .ticked = "chkAudio chkLan"},
        {.what = "create report", .act = Act::Click, .window = m, .control = "btnCreateReport",
         .windows = "frmMain frmCuz"},
        {.what = "focus on the field", .act = Act::Focus, .window = "frmCuz", .control = "T_cuz"},
        {.what = "typed", .act = Act::Type, .input = "PC"},
        {.what = "Exit", .act = Act::Click, .window = m, .control = "btnEnde", .windows = "frmCuz"},
        {.what = "Ok", .act = Act::Click, .window = "frmCuz", .control = "bb_cuzokay",
         .prompts = {"The file is saved on C:\\Tallyquest\\PC.htm"}, .windows = "", .onboard = "audio lan"},
    };
    // clang-format on
}

// A whole run from the main window's button: the focus in the name field,
// Enter presses Ok, and the run closes the main window.
inline std::vector<Step> wholeRun() {
    // clang-format off
    return {
        {.what = "start", .act = Act::StartMain},
        {.what = "create report", .act = Act::Click, .window = "frmMain", .control = "btnCreateReport",
         .windows = "frmMain frmCuz", .focused = "frmCuz.T_cuz"},
        {.what = "focus on the field", .act = Act::Focus, .window = "frmCuz", .control = "T_cuz"},
        {.what = "typed", .act = Act::Type, .input = "WS-0815"},
        {.what = "Enter", .act = Act::Key, .control = "Return",
         .prompts = {"The file is saved on C:\\Tallyquest\\WS-0815.htm"}, .windows = ""},
    };
    // clang-format on
}

// On kBoard: between two sections of a run the operator tries another run
// and to leave, both refused, and opens a panel whose fetch fails, which
// leaves nothing for the run's final check.
inline std::vector<Step> duringARun() {
    const char* m = "frmMain";
    // clang-format off
    return {
        {.what = "start", .act = Act::StartMain},
        {.what = "create report", .act = Act::Click, .window = m, .control = "btnCreateReport"},
        {.what = "focus on the field", .act = Act::Focus, .window = "frmCuz", .control = "T_cuz"},
        {.what = "typed", .act = Act::Type, .input = "PC"},
        {.what = "Ok", .act = Act::Click, .window = "frmCuz", .control = "bb_cuzokay",
         .prompts = {"The file is saved on C:\\Tallyquest\\PC.htm"},
         .modal = {{.what = "create report", .act = Act::Click, .window = m, .control = "btnCreateReport",
                    .windows = "frmMain"},
                   {.what = "Exit", .act = Act::Click, .window = m, .control = "btnEnde", .windows = "frmMain"},
                   {.what = "multimedia fetch fails", .act = Act::Click, .window = m, .control = "btnMultiMedia",
                    .failing = "SELECT * FROM Win32_SoundDevice", .prompts = {"Error: try to get multi media pnp's"}}},
         .windows = "", .during = "Win32_Processor"},
    };
    // clang-format on
}

// The scenarios above that run from a fresh start: whether on kBoard or on
// a service that cannot be reached, and whether a saved report opens, for
// the main window or, that one gone, for none.
enum class Opens { Nothing, ForNoWindow, ForMainWindow };
struct Scenario {
    const char* name;
    std::vector<Step> (*steps)();
    bool onBoard;
    Opens report;
};
inline const Scenario kScenarios[] = {
    {"start on an unreachable service", startOnUnreachableService, false, Opens::Nothing},
    {"report-name filter", reportNameFilter, true, Opens::Nothing},
    {"comment dialog", commentDialog, true, Opens::Nothing},
    {"about box", aboutBox, true, Opens::Nothing},
    {"report-name dialog outlives the main window", reportNameOutlivesMain, true, Opens::ForNoWindow},
    {"whole run", wholeRun, true, Opens::ForMainWindow},
    {"during a run", duringARun, true, Opens::ForMainWindow},
};

// The progress bar's picture as a front end draws it, its pixels as
// 0xBBGGRR, and what moves it.
struct BarPicture {
    int width, height;
    std::function<std::uint32_t(int, int)> pixel;
    std::function<void(int)> update;
};

// Blank at first; at 57 the bar's 57 units blue with the figure white inside
// it, nothing right of it; beyond 100 full and the same as at 100, with more
// ink than "57%". The checks that fail.
inline std::vector<std::string> progressBar(const BarPicture& p) {
    const std::uint32_t white = 0xFFFFFF, blue = 0xC00000;
    std::vector<std::string> diffs;
    auto count = [&](auto counted) {
        int n = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) n += counted(x, y, p.pixel(x, y)) ? 1 : 0;
        return n;
    };
    auto all = [&] {
        std::vector<std::uint32_t> v;
        count([&](int, int, std::uint32_t c) { return v.push_back(c), false; });
        return v;
    };
    auto expect = [&](bool ok, const char* what) {
        if (!ok) diffs.push_back(what);
    };
    expect(count([&](int, int, std::uint32_t c) { return c != white; }) == 0, "blank at first");
    p.update(57);
    const int bar = static_cast<int>(std::lround(57 * p.width / 100.0));
    expect(count([&](int, int y, std::uint32_t c) { return y == 0 && c == blue; }) == bar, "57: the top row's blue");
    expect(count([&](int x, int, std::uint32_t c) { return x >= bar && c != white; }) == 0, "57: right of the bar");
    const int ink57 = count([&](int x, int, std::uint32_t c) { return x < bar && c == white; });
    expect(ink57 > 10, "57: the figure inside the bar");
    p.update(150);
    expect(
        count([&](int, int y, std::uint32_t c) { return (y == 0 || y == p.height - 1) && c == blue; }) == 2 * p.width,
        "150: the bar full");
    const auto at150 = all();
    p.update(100);
    expect(all() == at150, "150 reads as 100");
    expect(count([&](int, int, std::uint32_t c) { return c == white; }) > ink57, "100: more ink than at 57");
    return diffs;
}

}  // namespace tq::testing::scenarios
