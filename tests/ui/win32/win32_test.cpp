// The Win32 windows on a real (virtual) display: every control by its number
// against the layout tables, the panels, keys, clicks and typed text, real
// message boxes answered from here, the modal comment dialog, a whole report
// run, the progress bar's pixels and the end of the program.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "platform/install.h"
#include "platform/windows/text.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"
#include "tests/ui/recorder.h"
#include "ui/layout.h"
#include "ui/win32/win32ui.h"
#include "wmi/trap.h"

using namespace tq;
using namespace tq::ui::win32;
namespace layout = tq::ui::layout;
using Strings = std::vector<std::string>;

namespace {

const char* const kBoard = R"({
  "Win32_ComputerSystemProduct": [{"Name": "H370 HD3", "Vendor": "Gigabyte"}],
  "Win32_Bios": [{"Manufacturer": "AMI", "Description": "", "SMBIOSBIOSVersion": "F14"}],
  "Win32_OnBoardDevice": [{"DeviceType": 3}, {"DeviceType": 7}],
  "Win32_PnPSignedDriver": [{"DeviceName": "SMBus", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_8086&DEV_A323&REV_10\\3&1"}],
  "Win32_VideoController": [{"Name": "UHD 630", "Description": "UHD 630", "PNPDeviceID": "PCI\\VEN_8086&DEV_3E92&REV_00\\3&1",
                             "CurrentBitsPerPixel": 32}],
  "Win32_SoundDevice": [{"Caption": "Realtek Audio", "Description": "Realtek Audio", "Manufacturer": "Realtek",
                         "DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1", "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1"}],
  "Win32_NetworkAdapter": [{"Description": "I211", "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1",
                            "MACAddress": "AA:BB:CC:DD:EE:FF", "NetConnectionID": "Ethernet"}]
})";

// The fakes of the seams and the Win32 user interface for one test, with
// the message boxes recorded unless a test wants the real ones.
struct Windows {
    tq::testing::PlatformScope scope;
    Win32UserInterface ui{::GetModuleHandleW(nullptr)};
    std::vector<tq::testing::Message> messages;

    Windows() {
        platform::current().ui = &ui;
        ui.setMessageHook([this](const std::string& p, int s, const std::string& t) { messages.push_back({p, s, t}); });
    }
    Strings prompts() const { return tq::testing::prompts(messages); }
};

// The control with that number anywhere in the window (frames and boxes
// hold some of them).
HWND byId(HWND top, int id) {
    struct Search {
        int id;
        HWND found = nullptr;
    } s{id};
    ::EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (::GetDlgCtrlID(h) != s->id) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND ctl(const Form& form, std::string_view name) { return byId(form.hwnd(), form.design().control(name).id); }
std::string text(const Form& form, std::string_view name) { return windowText(ctl(form, name)); }
bool visible(const Form& form, std::string_view name) { return ::IsWindowVisible(ctl(form, name)) != 0; }
bool enabled(const Form& form, std::string_view name) { return ::IsWindowEnabled(ctl(form, name)) != 0; }
bool checked(const Form& form, std::string_view name) {
    return ::SendMessageW(ctl(form, name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
std::string ticked(const Form& main) {
    std::string on;
    for (const char* name : {"chkVGA", "chkAudio", "chkLan"})
        if (checked(main, name)) on += (on.empty() ? "" : " ") + std::string(name);
    return on;
}

void pump() { Win32UserInterface::instance().processPending(); }

// A click as the control's own window procedure sees it.
void click(const Form& form, std::string_view name) {
    HWND h = ctl(form, name);
    const layout::Control& c = form.design().control(name);
    if (c.kind == layout::Kind::Picture) {
        const int code = c.has(layout::kDoubleClick) ? STN_DBLCLK : STN_CLICKED;
        ::SendMessageW(::GetParent(h), WM_COMMAND, MAKEWPARAM(c.id, code), reinterpret_cast<LPARAM>(h));
    } else {
        ::SendMessageW(h, BM_CLICK, 0, 0);
    }
    pump();
}

// Keys as the keyboard sends them to the focused control, through the
// program's own message handling.
void key(WORD vk, bool alt = false) {
    HWND focus = ::GetFocus();
    if (alt) {
        ::PostMessageW(focus, WM_SYSKEYDOWN, vk, 1 | (1 << 29));
        ::PostMessageW(focus, WM_SYSCHAR, ::tolower(vk), 1 | (1 << 29));
        ::PostMessageW(focus, WM_SYSKEYUP, vk, 1 | (1 << 29) | (3u << 30));
    } else {
        ::PostMessageW(focus, WM_KEYDOWN, vk, 1);
        ::PostMessageW(focus, WM_KEYUP, vk, 1 | (3u << 30));
    }
    pump();
}
void type(const std::string& utf8) {
    for (wchar_t c : win::widen(utf8)) ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
    pump();
}

// Runs an action from inside whatever modal loop is running whenever
// `ready` says that it can run.
class WhenReady {
public:
    WhenReady(std::function<bool()> ready, std::function<void()> act) : ready_(std::move(ready)), act_(std::move(act)) {
        timer_ = ::SetTimer(nullptr, 0, 20, &WhenReady::tick);
        live()[timer_] = this;
    }
    ~WhenReady() {
        ::KillTimer(nullptr, timer_);
        live().erase(timer_);
    }
    WhenReady(const WhenReady&) = delete;
    int runs = 0;

private:
    static std::map<UINT_PTR, WhenReady*>& live() {
        static std::map<UINT_PTR, WhenReady*> timers;
        return timers;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
        auto it = live().find(id);
        if (it == live().end()) return;
        WhenReady* self = it->second;
        if (self->busy_ || !self->ready_()) return;
        self->busy_ = true;
        ++self->runs;
        self->act_();
        self->busy_ = false;
    }
    std::function<bool()> ready_;
    std::function<void()> act_;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
};

// The first window of this thread of a window class, or of those shown.
HWND threadWindow(const wchar_t* cls, bool shownOnly) {
    struct Search {
        const wchar_t* cls;
        bool shownOnly;
        HWND found = nullptr;
    } s{cls, shownOnly};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t name[32] = {};
            ::GetClassNameW(h, name, 32);
            if (_wcsicmp(name, s->cls) != 0 || (s->shownOnly && !::IsWindowVisible(h))) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Answers every real message box of this thread with its OK button,
// recording its title, text and whether it shows the stop icon.
struct BoxAnswerer {
    struct Seen {
        std::string title, text;
        bool stopIcon;
    };
    std::vector<Seen> seen;
    HWND box = nullptr;
    WhenReady answer{[this] { return (box = threadWindow(L"#32770", true)) != nullptr; },
                     [this] {
                         seen.push_back({windowText(box), windowText(::GetDlgItem(box, 0xFFFF)), showsIcon(box)});
                         ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                     }};

    // Whether one of the box's pictures shows an icon.
    static bool showsIcon(HWND box) {
        bool icon = false;
        ::EnumChildWindows(
            box,
            [](HWND h, LPARAM p) -> BOOL {
                wchar_t cls[16] = {};
                ::GetClassNameW(h, cls, 16);
                if (_wcsicmp(cls, L"Static") == 0 && ::IsWindowVisible(h) && ::SendMessageW(h, STM_GETICON, 0, 0))
                    *reinterpret_cast<bool*>(p) = true;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&icon));
        return icon;
    }
};

// The control's rectangle in its window's client area.
layout::PixelRect clientRect(const Form& form, HWND h) {
    RECT r;
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, form.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// Captions that the window replaces when it is created or loaded.
bool replacedAtStart(const layout::Window& w, const layout::Control& c) {
    return layout::isValueLabel(c) || c.name == "lblHinweis" ||
           (w.name == "frmAbout" && c.name == "txt_Versionsangabe");
}

}  // namespace

// Every window against its table: numbers, kinds, captions, pixels, fonts,
// what shows at start and the order of the Tab key.
TEST(Win32Windows, ControlsMatchTheirTables) {
    Windows w;
    wmi::setBinder(wmi::bindUnavailable);
    FrmMain* main = w.ui.startMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(w.ui.startForm(), nullptr);  // the notice is gone once loaded
    FrmStart* start = w.ui.showStartForm();
    FrmCuz* cuz = w.ui.showReportNameDialog();
    FrmAbout* about = w.ui.showAbout();
    auto* comment = new FrmComment(main->hwnd());  // the windows belong to the user interface
    w.ui.progressCreate();
    FrmUpdate* update = w.ui.progressWindow();
    for (const Form* f : {static_cast<const Form*>(comment), static_cast<const Form*>(update)})
        ::ShowWindow(f->hwnd(), SW_SHOWNOACTIVATE);
    const Form* forms[] = {main, start, cuz, about, comment, update};
    for (const Form* form : forms) {
        const layout::Window& design = form->design();
        SCOPED_TRACE(std::string(design.name));
        EXPECT_EQ(windowText(form->hwnd()), std::string(design.caption));
        RECT client;
        ::GetClientRect(form->hwnd(), &client);
        EXPECT_EQ(client.right, layout::toPixels(design.width, form->dpiX()));
        EXPECT_EQ(client.bottom, layout::toPixels(design.height, form->dpiY()));
        EXPECT_EQ((::GetWindowLongW(form->hwnd(), GWL_STYLE) & WS_THICKFRAME) != 0, design.sizable);
        for (const layout::Control& c : design.controls) {
            SCOPED_TRACE(std::string(c.name));
            HWND h = byId(form->hwnd(), c.id);
            ASSERT_TRUE(h);
            EXPECT_EQ(h, form->control(c.name));
            if (c.kind != layout::Kind::Line) {
                EXPECT_EQ(clientRect(*form, h), design.clientPixels(c, form->dpiX(), form->dpiY()));
            }
            if (!replacedAtStart(design, c) && c.kind != layout::Kind::MultiLineEdit && c.kind != layout::Kind::Edit) {
                EXPECT_EQ(windowText(h), std::string(c.caption));
            }
            // Shown at start unless hidden, or inside a hidden frame.
            const layout::Control* parent = design.find(c.parent);
            const bool shows = !c.has(layout::kHidden) && !(parent && parent->has(layout::kHidden));
            EXPECT_EQ(::IsWindowVisible(h) != 0, shows);
            EXPECT_EQ((::GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) != 0,
                      std::find(design.focus.begin(), design.focus.end(), c.name) != design.focus.end());
            if (c.kind == layout::Kind::ProgressBox) continue;  // draws with its own font
            LOGFONTW lf{};
            ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
            EXPECT_EQ(lf.lfWeight >= FW_BOLD, c.font.bold);
            EXPECT_EQ(-lf.lfHeight, static_cast<LONG>(std::lround(c.font.points * form->dpiY() / 72)));
        }
        // Tab walks the focus order and comes back round.
        if (!design.focus.empty()) {
            std::vector<std::string> order;
            HWND h = ctl(*form, design.focus.front());
            for (std::size_t i = 0; i <= design.focus.size(); ++i) {
                const layout::Control* c = design.find(::GetDlgCtrlID(h));
                order.push_back(c ? std::string(c->name) : "?");
                h = ::GetNextDlgTabItem(form->hwnd(), h, FALSE);
            }
            std::vector<std::string> expected(design.focus.begin(), design.focus.end());
            expected.push_back(expected.front());
            EXPECT_EQ(order, expected);
        }
    }
    // The about picture's tool tip, as the tool tip window holds it.
    HWND tips = threadWindow(TOOLTIPS_CLASSW, false);
    ASSERT_TRUE(tips);
    wchar_t tip[80] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = main->hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(ctl(*main, "imgInfo"));
    tool.lpszText = tip;
    ::SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(win::narrow(tip), "About Tallyquest");
    // The manifest brings the common controls of version 6, which live in
    // the side-by-side store, not in the system folder.
    wchar_t comctl[MAX_PATH] = {};
    ::GetModuleFileNameW(::GetModuleHandleW(L"comctl32.dll"), comctl, MAX_PATH);
    EXPECT_NE(win::narrow(comctl).find("6.0."), std::string::npos) << win::narrow(comctl);
    // The window opened on an unreachable service: "unknown" and the three messages.
    EXPECT_EQ(w.prompts(), (Strings{"Error: try to get vga pnp's", "Error: try to get motherboarddata in Modul 'MB'",
                                    "Error: try to get motherboard pnp's"}));
    EXPECT_EQ(text(*main, "lblMBProduct"), "unknown");
    EXPECT_EQ(text(*main, "lblMBMacAddress"), "not enable");
    EXPECT_EQ(ticked(*main), "chkLan");
    EXPECT_FALSE(w.ui.busy());
}

// Panels, check boxes, mnemonics and the hourglass, by clicks and keys.
TEST(Win32Windows, PanelsAndCheckBoxes) {
    Windows w;
    tq::testing::QueryRecorder wmi(kBoard);
    FrmMain* main = w.ui.startMainWindow();
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(ticked(*main), "chkVGA chkAudio chkLan");
    EXPECT_EQ(text(*main, "lblMBProduct") + "|" + text(*main, "lblMBMacAddress"), "H370 HD3|AA:BB:CC:DD:EE:FF");
    const std::string mb = text(*main, "txtPnP");
    EXPECT_EQ(mb.substr(0, 42), "SMBus\r\nPCI\\VEN_8086&DEV_A323&REV_10\r\n\r\nUHD");
    auto shows = [&](const char* frame) {
        for (const char* f : {"F_Motherboard", "F_VGA", "F_MultiMedia"})
            if (visible(*main, f) != (std::string_view(f) == frame)) return false;
        return true;
    };
    EXPECT_TRUE(shows("F_Motherboard"));

    struct Step {
        const char* what;
        std::function<void()> act;
        const char* frame;
        bool checksEnabled;
        std::string pnp;  // "" : not checked
    };
    const Step steps[] = {
        {"click VGA", [&] { click(*main, "btnVGA"); }, "F_VGA", false, "UHD 630\r\nPCI\\VEN_8086&DEV_3E92&REV_00\\3&1\r\n\r\n"},
        {"Alt+M", [&] { key('M', true); }, "F_MultiMedia", false, "Manufacturer: Realtek\r\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\r\n"},
        {"Alt+B", [&] { key('B', true); }, "F_Motherboard", true, mb},
        {"click Motherboard again", [&] { click(*main, "btnMotherboard"); }, "F_Motherboard", true, mb},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_TRUE(shows(s.frame));
        EXPECT_EQ(enabled(*main, "chkLan"), s.checksEnabled);
        EXPECT_EQ(text(*main, "txtPnP"), s.pnp);
    }
    EXPECT_EQ(text(*main, "lblMMName_0"), "Realtek Audio");
    // Shown slots stay shown inside their hidden frame.
    auto shown = [&](const char* name) { return (::GetWindowLongW(ctl(*main, name), GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_TRUE(shown("lblMMName_0") && shown("txtMMName_0"));
    EXPECT_FALSE(shown("lblMMName_1"));
    EXPECT_EQ(text(*main, "lblVGAColor"), "32 Bit");

    // A box's click rebuilds the text, the space bar ticks like a click; the
    // hourglass shows meanwhile and is gone afterwards.
    bool busyDuring = false;
    wmi.onQuery = [&](const std::string&) { busyDuring = busyDuring || w.ui.busy(); };
    click(*main, "chkLan");
    EXPECT_TRUE(busyDuring);
    EXPECT_FALSE(w.ui.busy());
    EXPECT_EQ(text(*main, "lblMBMacAddress"), "not enable");
    EXPECT_EQ(text(*main, "txtPnP").find("I211"), std::string::npos);
    ::SetFocus(ctl(*main, "chkLan"));
    key(VK_SPACE);
    EXPECT_TRUE(checked(*main, "chkLan"));
    EXPECT_NE(text(*main, "txtPnP").find("I211"), std::string::npos);
    EXPECT_EQ(main->logic().varMBpnp(), text(*main, "txtPnP"));
    EXPECT_TRUE(enabled(*main, "txtPnP"));

    // In the identifier text Enter starts a line, Escape leaves the window
    // open and Tab goes on to the next control.
    ::SetFocus(ctl(*main, "txtPnP"));
    ::SendMessageW(ctl(*main, "txtPnP"), EM_SETSEL, 0, 0);
    key(VK_RETURN);
    EXPECT_EQ(text(*main, "txtPnP").substr(0, 7), "\r\nSMBus");
    key(VK_ESCAPE);
    EXPECT_EQ(w.ui.mainWindow(), main);
    key(VK_TAB);
    EXPECT_EQ(::GetFocus(), ctl(*main, "btnEnde"));
}

// The report-name dialog: its filter for typed and pasted text, Escape, the
// empty-field message in a real box, Cancel, and one window at a time.
TEST(Win32Windows, ReportNameDialog) {
    Windows w;
    w.ui.setMessageHook(nullptr);
    report::gStrFileName = "kept.htm";
    FrmCuz* cuz = w.ui.showReportNameDialog();
    EXPECT_EQ(::GetFocus(), cuz->T_cuz());

    {
        BoxAnswerer answer;
        key(VK_RETURN);  // Enter presses Ok, on an empty field
        ASSERT_EQ(answer.seen.size(), 1u);
        EXPECT_EQ(answer.seen[0].text, "Bitte das Feld Bezeichnung ausf\xC3\xBCllen");
        EXPECT_EQ(answer.seen[0].title, "Tallyquest");
        EXPECT_TRUE(answer.seen[0].stopIcon);
    }
    EXPECT_TRUE(w.ui.reportNameDialog());
    EXPECT_EQ(::GetFocus(), cuz->T_cuz());
    EXPECT_EQ(report::gStrFileName, "kept.htm");

    struct Case {
        const char* what;
        std::function<void()> act;
        std::string expected;
    };
    const Case cases[] = {
        {"typed", [] { type("PC\\01/a:b*c?d<e>f|g\"h"); }, "PC01abcdefgh"},
        {"typed over a selection",
         [&] {
             ::SendMessageW(cuz->T_cuz(), EM_SETSEL, 0, -1);
             type("/");
         },
         "PC01abcdefgh"},
        {"pasted",
         [&] {
             ::SetWindowTextW(cuz->T_cuz(), L"");
             ::SendMessageW(cuz->T_cuz(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"..\\..\\etc/passwd"));
             pump();
         },
         "....etcpasswd"},
        {"Escape does nothing", [] { key(VK_ESCAPE); }, "....etcpasswd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        EXPECT_EQ(windowText(cuz->T_cuz()), c.expected);
        EXPECT_EQ(w.ui.reportNameDialog(), cuz);
    }
    DWORD caret = 0;
    ::SendMessageW(cuz->T_cuz(), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(caret, 13u);  // after the text that was kept

    EXPECT_EQ(w.ui.showReportNameDialog(), cuz);  // the same one again, as typed
    EXPECT_EQ(windowText(cuz->T_cuz()), "....etcpasswd");
    click(*cuz, "bb_cuzabbrechen");
    EXPECT_EQ(w.ui.reportNameDialog(), nullptr);
    w.ui.reap();
    FrmCuz* fresh = w.ui.showReportNameDialog();
    EXPECT_EQ(windowText(fresh->T_cuz()), "");
}

// Left open after Exit, the report-name dialog still starts a run, which
// reads the on-board boxes as the main window left them.
TEST(Win32Windows, ReportNameDialogOutlivesTheMainWindow) {
    Windows w;
    tq::testing::QueryRecorder wmi(kBoard);
    FrmMain* main = w.ui.startMainWindow();
    click(*main, "chkVGA");  // the user clears the graphics box the board ticked
    EXPECT_EQ(ticked(*main), "chkAudio chkLan");
    click(*main, "btnCreateReport");
    FrmCuz* cuz = w.ui.reportNameDialog();
    ASSERT_TRUE(cuz);
    type("PC");
    click(*main, "btnEnde");
    EXPECT_EQ(w.ui.mainWindow(), nullptr);
    ASSERT_EQ(w.ui.reportNameDialog(), cuz);
    w.messages.clear();
    const std::size_t before = wmi.queries.size();
    click(*cuz, "bb_cuzokay");
    EXPECT_EQ(w.prompts(), Strings{"The file is saved on C:\\Tallyquest\\PC.htm"});
    EXPECT_EQ(wmi.onboardAsked(before), "audio lan");
    EXPECT_EQ(w.ui.openWindows(), 0);
}

// The comment dialog is modal: it is worked from inside its own loop.
TEST(Win32Windows, CommentDialog) {
    Windows w;
    wmi::setBinder(wmi::bindUnavailable);
    FrmMain* main = w.ui.startMainWindow();
    w.messages.clear();
    std::string shown;
    bool mainEnabled = true;
    std::function<void(FrmComment&)> step;
    WhenReady work([&] { return w.ui.commentDialog() != nullptr; },
                   [&] {
                       FrmComment& d = *w.ui.commentDialog();
                       shown = windowText(d.txtComment());
                       mainEnabled = ::IsWindowEnabled(main->hwnd()) != 0;
                       step(d);
                   });
    auto open = [&](std::function<void(FrmComment&)> s) {
        step = std::move(s);
        click(*main, "imgLogo");  // a double click
        EXPECT_EQ(w.ui.commentDialog(), nullptr);
    };
    const std::string stored = "M&uuml;ller &quot;1&quot;";

    open([&](FrmComment& d) {
        type("M\xC3\xBCller \"1\"");
        key(VK_RETURN);  // no default button: it stays open
        ASSERT_TRUE(w.ui.commentDialog());
        click(d, "cmdOK");
    });
    EXPECT_EQ(shown, "");
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(report::gStrComment, stored);
    EXPECT_TRUE(::IsWindowEnabled(main->hwnd()));

    // Shown again in its stored form; Escape cancels an edit.
    open([&](FrmComment&) {
        type("x");
        key(VK_ESCAPE);
    });
    EXPECT_EQ(shown, stored);
    EXPECT_EQ(report::gStrComment, stored);
    // OK on an emptied field removes the comment.
    open([&](FrmComment& d) {
        ::SetWindowTextW(d.txtComment(), L"");
        click(d, "cmdOK");
    });
    EXPECT_EQ(report::gStrComment, "");
    EXPECT_EQ(work.runs, 3);
}

// From btnCreateReport to "File is saved": the real file, a real box, the
// report opened through the shell, the windows gone.
TEST(Win32Windows, WholeReportRun) {
    tq::testing::PlatformScope base;
    const tq::testing::TempDir folder;
    platform::InstallOptions options;
    options.applicationFolder = folder.path;
    platform::installPlatform(options);
    tq::testing::FakeShell shell;
    platform::current().shell = &shell;
    Win32UserInterface windows(::GetModuleHandleW(nullptr));
    platform::current().ui = &windows;
    tq::testing::QueryRecorder wmi(tq::testing::readFile(TQ_SOURCE_DIR "/tests/data/realistic-machine.json"));
    BoxAnswerer answer;

    FrmMain* main = windows.startMainWindow();
    ASSERT_TRUE(main);
    // While the sections run, the progress window is on the screen with
    // nothing left to paint: no blank frame.
    int painted = 0, sections = 0;
    wmi.onQuery = [&](const std::string&) {
        FrmUpdate* p = windows.progressWindow();
        if (!p) return;
        ++sections;
        painted += ::IsWindowVisible(p->hwnd()) && !::GetUpdateRect(p->hwnd(), nullptr, FALSE) &&
                   !::GetUpdateRect(ctl(*p, "Picture1"), nullptr, FALSE);
    };
    click(*main, "btnCreateReport");
    FrmCuz* cuz = windows.reportNameDialog();
    ASSERT_TRUE(cuz);
    type("WS-0815");
    key(VK_RETURN);

    const std::string path = platform::files().applicationFolder() + "\\WS-0815.htm";
    ASSERT_EQ(answer.seen.size(), 1u);
    EXPECT_EQ(answer.seen[0].text, "The file is saved on " + path);
    EXPECT_EQ(answer.seen[0].title, "File is saved");
    EXPECT_FALSE(answer.seen[0].stopIcon);
    ASSERT_EQ(shell.executed.size(), 1u);
    EXPECT_EQ(shell.executed[0].verb, "Open");
    EXPECT_EQ(shell.executed[0].file, path);
    EXPECT_NE(shell.executed[0].owner, 0u);
    EXPECT_EQ(windows.progressWindow(), nullptr);
    EXPECT_EQ(windows.mainWindow(), nullptr);  // the run closed it
    EXPECT_EQ(windows.openWindows(), 0);
    EXPECT_FALSE(windows.busy());
    EXPECT_GT(sections, 10);
    EXPECT_EQ(painted, sections);

    const std::string html = folder.read("WS-0815.htm");
    for (const char* part : {"<html", "WS-0815", "H370 HD3", "</html>"}) EXPECT_NE(html.find(part), std::string::npos) << part;
    EXPECT_EQ(html.substr(html.size() - 2), "\r\n");
    // The last window gone, the message loop ends.
    EXPECT_EQ(windows.run(), 0);
}

// A name the system cannot take (too long, a control character no file
// name may hold) ends at "Could not create the file..." before anything is read,
// and the windows stay; then a designation and a comment in German and
// Chinese give a report named as typed, in a folder named so too.
TEST(Win32Windows, RefusedNamesAndNamesInAnyLanguage) {
    tq::testing::PlatformScope base;
    const tq::testing::TempDir temp;
    const std::string folder = temp.path + "\\J\u00FCrgen \u738B";
    ASSERT_TRUE(::CreateDirectoryW(win::widen(folder).c_str(), nullptr));
    platform::InstallOptions options;
    options.applicationFolder = folder;
    platform::installPlatform(options);
    tq::testing::FakeShell shell;
    platform::current().shell = &shell;
    Win32UserInterface windows(::GetModuleHandleW(nullptr));
    platform::current().ui = &windows;
    tq::testing::QueryRecorder wmi(kBoard);
    BoxAnswerer answer;
    FrmMain* main = windows.startMainWindow();
    report::gStrComment = "Gr&uuml;\u00DFe \u4E2D";  // as the comment dialog stores it

    for (const std::string& name : {std::string(252, 'x'), std::string("a\tb"), std::string("B\u00FCro \u4E2D\u6587")}) {
        click(*main, "btnCreateReport");
        FrmCuz* cuz = windows.reportNameDialog();
        ASSERT_TRUE(cuz);
        ::SetWindowTextW(cuz->T_cuz(), win::widen(name).c_str());
        const std::size_t asked = wmi.queries.size();
        answer.seen.clear();
        click(*cuz, "bb_cuzokay");
        ASSERT_EQ(answer.seen.size(), 1u) << name;
        if (windows.mainWindow()) {
            EXPECT_EQ(answer.seen[0].text, "Could not create the file...") << name;
            EXPECT_EQ(wmi.queries.size(), asked) << name;
            continue;
        }
        EXPECT_EQ(answer.seen[0].text, "The file is saved on " + folder + "\\" + name + ".htm");
        EXPECT_EQ(shell.executed.at(0).file, folder + "\\" + name + ".htm");
    }
    EXPECT_EQ(windows.openWindows(), 0);
    std::ifstream in(win::widen(folder + "\\B\u00FCro \u4E2D\u6587.htm").c_str(), std::ios::binary);
    const std::string html{std::istreambuf_iterator<char>(in), {}};
    if (::GetACP() == 1252) {
        for (const char* part : {"Designation: B\xFCro ?" "?</font>", "&nbsp; Gr&uuml;\xDF" "e ?<br>"})
            EXPECT_NE(html.find(part), std::string::npos) << part;
    }
    EXPECT_NE(html.find("</html>"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(win::widen(folder)), {}), 1);
}

// The progress bar's pixels at 57 and 150, and the close box refused.
TEST(Win32Windows, ProgressBar) {
    Windows w;
    w.ui.progressCreate();
    w.ui.progressVisiblePicture(0xFFFFFF, 0xC00000, false);
    w.ui.progressShow();
    FrmUpdate* window = w.ui.progressWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(text(*window, "lblHinweis"), "");
    ProgressPicture& picture = window->picture();
    const std::uint32_t white = 0xFFFFFF, blue = 0xC00000;
    auto count = [&](auto pixel) {
        int n = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) n += pixel(x, y, picture.pixel(x, y));
        return n;
    };
    EXPECT_EQ(count([&](int, int, std::uint32_t c) { return c != white; }), 0);

    // 57 of the bar's 100 units; the text inside it white on blue, nothing right of it.
    w.ui.progressUpdate(57);
    const int bar = static_cast<int>(std::lround(57 * picture.width() / 100.0));
    EXPECT_EQ(count([&](int, int y, std::uint32_t c) { return y == 0 && c == blue; }), bar);
    EXPECT_EQ(count([&](int x, int, std::uint32_t c) { return x >= bar && c != white; }), 0);
    const int ink57 = count([&](int x, int, std::uint32_t c) { return x < bar && c == white; });
    EXPECT_GT(ink57, 10);
    // Only the two colours: no smoothing at the glyphs' edges.
    EXPECT_EQ(count([&](int, int, std::uint32_t c) { return c != white && c != blue; }), 0);
    // The screen shows what the picture holds.
    HDC dc = ::GetDC(ctl(*window, "Picture1"));
    EXPECT_EQ(::GetPixel(dc, 1, 1) & 0xFFFFFF, blue);
    EXPECT_EQ(::GetPixel(dc, picture.width() - 2, 1) & 0xFFFFFF, white);
    ::ReleaseDC(ctl(*window, "Picture1"), dc);

    // Beyond 100 the bar fills the box and reads as at 100, with more ink than "57%".
    w.ui.progressUpdate(150);
    EXPECT_EQ(count([&](int, int y, std::uint32_t c) { return (y == 0 || y == picture.height() - 1) && c == blue; }),
              2 * picture.width());
    std::vector<std::uint32_t> at150;
    count([&](int, int, std::uint32_t c) { return at150.push_back(c), 0; });
    w.ui.progressUpdate(100);
    std::vector<std::uint32_t> at100;
    count([&](int, int, std::uint32_t c) { return at100.push_back(c), 0; });
    EXPECT_EQ(at150, at100);
    EXPECT_GT(count([&](int, int, std::uint32_t c) { return c == white; }), ink57);

    // The close box and Alt+F4 are refused; the run's own close goes through.
    ::SendMessageW(window->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(w.ui.progressWindow(), window);
    w.ui.progressClose();
    EXPECT_EQ(w.ui.progressWindow(), nullptr);
}

// The about box: its texts, Enter and Escape, and the system information
// tool through the registry seam.
TEST(Win32Windows, AboutBox) {
    struct Case {
        const char* what;
        WORD key;  // 0: the System Info button
        bool staysOpen;
    };
    const Case cases[] = {{"Enter", VK_RETURN, false}, {"Escape", VK_ESCAPE, false}, {"System Info", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Windows w;
        platform::current().registry = nullptr;  // no tool to be found
        wmi::setBinder(wmi::bindUnavailable);
        FrmMain* main = w.ui.startMainWindow();
        w.messages.clear();
        click(*main, "imgInfo");
        FrmAbout* about = w.ui.aboutBox();
        ASSERT_TRUE(about);
        EXPECT_EQ(text(*about, "txt_Versionsangabe"),
                  "Version  3.4.11                               (c) Tallyquest\r\n\r\n"
                  "Hardware inventory and service tools\r\nTallyquest project, tallyquest.invalid");
        EXPECT_EQ(::GetFocus(), ctl(*about, "cmdOK"));
        if (c.key) key(c.key);
        else click(*about, "cmdSysInfo");
        EXPECT_EQ(w.ui.aboutBox() != nullptr, c.staysOpen);
        EXPECT_EQ(w.prompts(), c.key ? Strings{} : Strings{"System Information Is Unavailable At This Time"});
        // An about box left open keeps the program running after the main window.
        click(*main, "btnEnde");
        EXPECT_EQ(w.ui.openWindows(), c.staysOpen ? 1 : 0);
    }
}
