// The Win32 windows on a real (virtual) display: every control by its number
// against the layout tables, the panels, keys, clicks and typed text, real
// message boxes answered from here, the modal comment dialog, a whole report
// run, the progress bar's pixels and the end of the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string_view>

#include "platform/windows/text.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "tests/ui/recorder.h"
#include "tests/ui/scenarios.h"
#include "ui/layout.h"
#include "ui/win32/win32ui.h"
#include "wmi/trap.h"

using namespace tq;
using namespace tq::ui::win32;
namespace layout = tq::ui::layout;
using Strings = std::vector<std::string>;

namespace {

using tq::testing::scenarios::kBoard;
namespace scenarios = tq::testing::scenarios;

Win32UserInterface* gWindows = nullptr;  // the test's, for the helpers that pump its messages

// The fakes of the seams and the Win32 user interface for one test, with
// the message boxes recorded by the fake interface (scope.ui) unless a test wants the real ones.
struct Windows {
    tq::testing::PlatformScope scope;
    Win32UserInterface ui{::GetModuleHandleW(nullptr), scope.platform};

    Windows() {
        scope.platform.ui = gWindows = &ui;
        ui.setMessageHook([this](const std::string& p, int s, const std::string& t) { scope.ui.messageBox(p, s, t); });
    }
};

// The first window an enumeration (EnumChildWindows or EnumThreadWindows,
// bound to what it walks) gives that passes `test`.
HWND firstWindow(const std::function<void(WNDENUMPROC, LPARAM)>& enumerate, const std::function<bool(HWND)>& test) {
    struct Search {
        const std::function<bool(HWND)>& test;
        HWND found = nullptr;
    } s{test};
    enumerate(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (!s->test(h)) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The control with that number anywhere in the window (frames and boxes
// hold some of them).
HWND byId(HWND top, int id) {
    return firstWindow([top](WNDENUMPROC f, LPARAM p) { ::EnumChildWindows(top, f, p); },
                       [id](HWND h) { return ::GetDlgCtrlID(h) == id; });
}

// Whether a window is of a window class.
bool ofClass(HWND h, const wchar_t* cls) {
    wchar_t name[32] = {};
    ::GetClassNameW(h, name, 32);
    return _wcsicmp(name, cls) == 0;
}

HWND ctl(const Form& form, std::string_view name) { return byId(form.hwnd(), form.design().control(name).id); }
std::string text(const Form& form, std::string_view name) { return windowText(ctl(form, name)); }

void pump() { gWindows->processPending(); }

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
// `ready` says that it can run (one such action at a time).
class WhenReady {
public:
    WhenReady(std::function<bool()> ready, std::function<void()> act) : timer_(::SetTimer(nullptr, 0, 20, &tick)) {
        pending() = {std::move(ready), std::move(act), false};
    }
    ~WhenReady() {
        ::KillTimer(nullptr, timer_);
        pending() = {};
    }
    WhenReady(const WhenReady&) = delete;

private:
    struct Pending {
        std::function<bool()> ready;
        std::function<void()> act;
        bool busy = false;
    };
    static Pending& pending() {
        static Pending p;
        return p;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        Pending& p = pending();
        if (p.busy || !p.ready || !p.ready()) return;
        p.busy = true;
        p.act();
        p.busy = false;
    }
    UINT_PTR timer_;
};

// The first window of this thread of a window class that shows.
HWND threadWindow(const wchar_t* cls) {
    return firstWindow([](WNDENUMPROC f, LPARAM p) { ::EnumThreadWindows(::GetCurrentThreadId(), f, p); },
                       [&](HWND h) { return ofClass(h, cls) && ::IsWindowVisible(h); });
}

// Answers every real message box of this thread with its OK button,
// recording its title, text and whether it shows the stop icon.
struct BoxAnswerer {
    struct Seen {
        std::string title, text;
        bool stopIcon;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    HWND box = nullptr;
    WhenReady answer{[this] { return (box = threadWindow(L"#32770")) != nullptr; },
                     [this] {
                         seen.push_back({windowText(box), windowText(::GetDlgItem(box, 0xFFFF)), showsIcon(box)});
                         ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                     }};

    // Whether one of the box's pictures shows an icon.
    static bool showsIcon(HWND box) {
        return firstWindow([box](WNDENUMPROC f, LPARAM p) { ::EnumChildWindows(box, f, p); },
                           [](HWND h) {
                               return ofClass(h, L"Static") && ::IsWindowVisible(h) &&
                                      ::SendMessageW(h, STM_GETICON, 0, 0);
                           }) != nullptr;
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

// The shared scenarios' view of the Win32 windows.
class Win32Screen final : public scenarios::Screen {
public:
    explicit Win32Screen(Windows& w) : Screen(w.scope.ui), w_(w) {}
    void startMainWindow() override { w_.ui.startMainWindow(); }
    void showReportNameDialog() override {
        w_.ui.reap();
        w_.ui.showReportNameDialog();
    }
    void click(Name window, Name control) override { ::click(form(window), control); }
    void focus(Name window, Name control) override { ::SetFocus(at(window, control)); }
    void key(Name k) override {
        if (k.rfind("Alt+", 0) == 0) ::key(static_cast<WORD>(k[4]), true);
        else ::key(k == "Space" ? VK_SPACE : k == "Escape" ? VK_ESCAPE : VK_RETURN);
    }
    void type(Name utf8) override { ::type(std::string(utf8)); }
    void selectAll(Name window, Name control) override { ::SendMessageW(at(window, control), EM_SETSEL, 0, -1); }
    void paste(Name window, Name control, Name text) override {
        ::SetWindowTextW(at(window, control), L"");
        ::SendMessageW(at(window, control), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide(text).c_str()));
        pump();
    }
    void setText(Name w, Name c, Name text) override { ::SetWindowTextW(at(w, c), wide(text).c_str()); }
    std::string text(Name window, Name control) override {
        std::string t = ::text(form(window), control);
        for (std::size_t i; (i = t.find("\r\n")) != std::string::npos;) t.erase(i, 1);
        return t;
    }
    bool visible(Name window, Name control) override { return ::IsWindowVisible(at(window, control)) != 0; }
    bool enabled(Name window, Name control) override { return ::IsWindowEnabled(at(window, control)) != 0; }
    bool checked(Name w, Name c) override { return ::SendMessageW(at(w, c), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool hasFocus(Name window, Name control) override { return ::GetFocus() == at(window, control); }
    bool busy() override { return w_.ui.busy(); }
    bool isOpen(Name window) override { return top(window) != nullptr; }
    void workModal(const std::function<void()>& open, const std::function<void()>& inside) override {
        bool done = false;
        WhenReady work([&] { return !done && w_.ui.commentDialog() != nullptr; },
                       [&] {
                           done = true;
                           EXPECT_FALSE(::IsWindowEnabled(w_.ui.mainWindow()->hwnd()));  // the dialog is modal
                           inside();
                           // A dialog left open would hold the test.
                           if (FrmComment* d = w_.ui.commentDialog()) ::PostMessageW(d->hwnd(), WM_CLOSE, 0, 0);
                       });
        open();
        EXPECT_EQ(w_.ui.commentDialog(), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(w_.ui.mainWindow()->hwnd()));
    }

private:
    static std::wstring wide(Name text) { return win::widen(std::string(text)); }
    const Form* top(Name window) {
        if (window == "frmCuz") return w_.ui.reportNameDialog();
        if (window == "frmAbout") return w_.ui.aboutBox();
        if (window == "frmComment") return w_.ui.commentDialog();
        return w_.ui.mainWindow();
    }
    const Form& form(Name window) {
        const Form* f = top(window);
        if (!f) throw std::runtime_error("no window " + std::string(window));
        return *f;
    }
    HWND at(Name window, Name control) { return ctl(form(window), control); }
    Windows& w_;
};

}  // namespace

// Every window against its table: numbers, kinds, captions, pixels, fonts,
// what shows at start and the order of the Tab key.
TEST(Win32Windows, ControlsMatchTheirTables) {
    Windows w;
    w.scope.platform.binder = wmi::bindUnavailable;
    FrmMain* main = w.ui.startMainWindow();
    FrmStart* start = w.ui.showStartForm();
    FrmCuz* cuz = w.ui.showReportNameDialog();
    FrmAbout* about = w.ui.showAbout();
    auto* comment = new FrmComment(w.ui, main->hwnd());  // the windows belong to the user interface
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
        std::vector<std::string_view> order, expected(design.focus.begin(), design.focus.end());
        if (!expected.empty()) expected.push_back(expected.front());
        HWND h = expected.empty() ? nullptr : ctl(*form, expected.front());
        for (; h && order.size() < expected.size(); h = ::GetNextDlgTabItem(form->hwnd(), h, FALSE))
            order.push_back(design.find(::GetDlgCtrlID(h)) ? design.find(::GetDlgCtrlID(h))->name : "?");
        EXPECT_EQ(order, expected);
    }
}

// The shared panels and boxes; slots inside their hidden frame and keys in
// the identifier text.
TEST(Win32Windows, PanelsAndCheckBoxes) {
    Windows w;
    tq::testing::QueryRecorder wmi(w.scope.platform, kBoard);
    Win32Screen screen(w);
    EXPECT_EQ(scenarios::run(screen, scenarios::panelsAndBoxes(), &wmi), Strings{});
    FrmMain* main = w.ui.mainWindow();
    ASSERT_TRUE(main);
    auto shown = [&](const char* name) { return (::GetWindowLongW(ctl(*main, name), GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_TRUE(shown("lblMMName_0") && shown("txtMMName_0"));
    EXPECT_FALSE(shown("lblMMName_1"));

    // A box's click rebuilds the text and gives it back to the operator.
    click(*main, "chkLan");
    EXPECT_EQ(main->logic().varMBpnp(), text(*main, "txtPnP"));
    EXPECT_TRUE(::IsWindowEnabled(ctl(*main, "txtPnP")));

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

// The shared scenarios from a fresh start. While a run's sections go on, the
// progress window is on the screen with nothing left to paint (no blank
// frame); a saved report opens through the shell for its owner, and with
// the last window gone the message loop ends. Then real message boxes,
// the stop icon for style 16 only.
TEST(Win32Windows, SharedScenarios) {
    for (const scenarios::Scenario& scenario : scenarios::kScenarios) {
        SCOPED_TRACE(scenario.name);
        Windows w;
        tq::testing::QueryRecorder wmi(w.scope.platform, kBoard);
        if (!scenario.onBoard) w.scope.platform.binder = wmi::bindUnavailable;
        int painted = 0, sections = 0;
        wmi.onQuery = [&](const std::string&) {
            FrmUpdate* p = w.ui.progressWindow();
            if (!p) return;
            ++sections;
            painted += ::IsWindowVisible(p->hwnd()) && !::GetUpdateRect(p->hwnd(), nullptr, FALSE) &&
                       !::GetUpdateRect(ctl(*p, "Picture1"), nullptr, FALSE);
        };
        Win32Screen screen(w);
        EXPECT_EQ(scenarios::run(screen, scenario.steps(), &wmi), Strings{});
        EXPECT_EQ(w.ui.startForm(), nullptr);  // the notice is gone once loaded
        EXPECT_EQ(w.ui.progressWindow(), nullptr);
        EXPECT_EQ(painted, sections);
        ASSERT_EQ(w.scope.shell.executed.size(), scenario.report != scenarios::Opens::Nothing ? 1u : 0u);
        if (scenario.report != scenarios::Opens::Nothing) {
            EXPECT_EQ(w.scope.shell.executed[0].owner != 0, scenario.report == scenarios::Opens::ForMainWindow);
            EXPECT_GT(sections, 10);
            EXPECT_EQ(w.ui.run(), 0);
        }
    }
    Windows w;
    w.ui.setMessageHook(nullptr);
    BoxAnswerer answer;
    w.ui.messageBox("stop", 16, "Tallyquest");
    w.ui.messageBox("The file is saved on x", 0, "File is saved");
    EXPECT_TRUE(answer.seen == (std::vector<BoxAnswerer::Seen>{{"Tallyquest", "stop", true},
                                                               {"File is saved", "The file is saved on x", false}}));
}

// The progress bar's pixels at 57 and 150, and the close box refused.
TEST(Win32Windows, ProgressBar) {
    Windows w;
    w.ui.progressCreate();
    w.ui.progressVisiblePicture(0xFFFFFF, 0xC00000, false);
    w.ui.progressShow();
    FrmUpdate* window = w.ui.progressWindow();
    ASSERT_TRUE(window);
    ProgressPicture& picture = window->picture();
    EXPECT_EQ(
        scenarios::progressBar({picture.width(), picture.height(), [&](int x, int y) { return picture.pixel(x, y); },
                                [&](int figure) { w.ui.progressUpdate(figure); }}),
        Strings{});
    // The screen shows what the picture holds.
    w.ui.progressUpdate(57);
    const std::uint32_t white = 0xFFFFFF, blue = 0xC00000;
    HDC dc = ::GetDC(ctl(*window, "Picture1"));
    EXPECT_EQ(::GetPixel(dc, 1, 1) & 0xFFFFFF, blue);
    EXPECT_EQ(::GetPixel(dc, picture.width() - 2, 1) & 0xFFFFFF, white);
    ::ReleaseDC(ctl(*window, "Picture1"), dc);

    // The close box and Alt+F4 are refused; the run's own close goes through.
    ::SendMessageW(window->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(w.ui.progressWindow(), window);
    w.ui.progressClose();
    EXPECT_EQ(w.ui.progressWindow(), nullptr);
}
