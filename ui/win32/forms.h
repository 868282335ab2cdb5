// The six windows on the Win32 API (user32, gdi32, comctl32), each built
// from its layout table: Form builds any table, the classes below add each
// window's behaviour.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <windows.h>

#include "probes/reportrun.h"
#include "ui/layout.h"
#include "ui/mainlogic.h"

namespace tq::ui::win32 {

// UTF-8 text of a window, and setting it.
std::string windowText(HWND hwnd);
void setWindowText(HWND hwnd, const std::string& utf8);

class Form;
class FrmAbout;
class FrmCuz;
class FrmMain;
class FrmStart;

// What the windows ask of the object that owns them all (the user
// interface), which each of them is given when it is made.
class FormHost {
public:
    virtual HINSTANCE module() const noexcept = 0;
    // The program's reports, and through them its platform.
    virtual probes::ReportRunner& reports() noexcept = 0;
    virtual bool busy() const noexcept = 0;
    // A window has been created, or has closed.
    virtual void opened(Form* form) = 0;
    virtual void closed(Form* form) = 0;
    virtual FrmCuz* showReportNameDialog() = 0;
    virtual FrmAbout* showAbout() = 0;
    virtual void showComment() = 0;
    virtual void endModal() = 0;
    virtual FrmStart* showStartForm() = 0;
    virtual FrmStart* startForm() const = 0;
    virtual void processPending() = 0;
    virtual void mainWindowClosing(const FrmMain& window) = 0;

protected:
    FormHost() = default;
    virtual ~FormHost() = default;
    FormHost(const FormHost&) = delete;
    FormHost& operator=(const FormHost&) = delete;
};

// A window built from a layout table. Destroying its window (DestroyWindow,
// or a close the window allows) ends it; the object itself is deleted later
// by the user interface, never while one of its handlers runs.
class Form {
public:
    Form(FormHost& host, const layout::Window& design, HWND owner);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    bool alive() const noexcept { return hwnd_ != nullptr; }
    const layout::Window& design() const noexcept { return design_; }
    // The control of that name (or number); nullptr when the table has none.
    HWND control(std::string_view name) const;
    HWND control(int id) const;
    double dpiX() const noexcept { return dpiX_; }
    double dpiY() const noexcept { return dpiY_; }

    void setText(std::string_view name, const std::string& utf8) { setWindowText(control(name), utf8); }
    std::string text(std::string_view name) const { return windowText(control(name)); }

    // Moves the window so that its frame stands in the middle of its screen.
    void centre();
    // Shows the window and gives it the focus.
    void showActive();
    // Asks the window to close as its close box does (it may refuse).
    void requestClose();
    // Closes it whatever it would say to a user.
    void destroy();

    // Tab, Enter, Escape and mnemonics for this window and its controls.
    bool translate(MSG& msg);

    // The font of a control as the table names it (the system's dialog font
    // when the family is not installed).
    HFONT font(const layout::Font& f);

protected:
    FormHost& host() const noexcept { return host_; }
    HINSTANCE module() const noexcept { return host_.module(); }

    // Handlers; the default ones do nothing.
    virtual void onCommand(int id, int code) {}
    // The close box, Alt+F4 or WM_CLOSE: true lets the window close.
    virtual bool onClose(bool fromUser) { return true; }
    virtual void onDestroy() {}
    virtual LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Draws an owner-drawn control (pictures, lines, containers).
    virtual void drawItem(const layout::Control& c, const DRAWITEMSTRUCT& item);

    // Builds the window and its controls; the derived class calls it last in
    // its constructor so that its handlers are in place.
    void create();
    const layout::Control* focusedControl() const;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void createControls();
    void placeControls();
    void readDpi();

    FormHost& host_;
    const layout::Window& design_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    std::vector<HWND> controls_;  // parallel to design_.controls
    HWND lastFocus_ = nullptr;
    HWND toolTip_ = nullptr;
    double dpiX_ = 96, dpiY_ = 96;
    std::map<std::tuple<std::string, int, bool>, HFONT> fonts_;
};

// Picture1 of frmUpdate: keeps what is drawn on it in a bitmap and repaints
// from it by itself.
class ProgressPicture {
public:
    explicit ProgressPicture(HWND hwnd);
    ~ProgressPicture();
    void setup(std::uint32_t backColor, std::uint32_t foreColor, bool bold, HFONT font);
    void drawStatus(std::int32_t percent, double dpiY);
    // A pixel of the kept picture (0x00BBGGRR).
    std::uint32_t pixel(int x, int y) const;
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    void paint(HDC dc) const;

private:
    void ensureBitmap();

    HWND hwnd_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    int width_ = 0, height_ = 0;
    COLORREF back_ = RGB(255, 255, 255), fore_ = RGB(0, 0, 0);
    bool bold_ = false;
    HFONT font_ = nullptr;  // owned
};

class FrmStart final : public Form {
public:
    explicit FrmStart(FormHost& host);
};

class FrmMain final : public Form, public MainView {
public:
    explicit FrmMain(FormHost& host);
    void load() { logic_.load(); }
    MainLogic& logic() { return logic_; }
    // Lets the report run's own close through while the run is in progress.
    void closeByProgram();

    // MainView
    void setCaption(std::string_view label, const std::string& text) override;
    std::string caption(std::string_view label) const override;
    bool ticked(platform::OnboardBox box) const override;
    void tick(platform::OnboardBox box) override;
    void setChecksEnabled(bool enabled) override;
    void showFrame(Panel panel) override;
    void setPnpText(const std::string& text) override;
    std::string pnpText() const override;
    void setPnpEnabled(bool enabled) override;
    void showMultiMediaSlot(int index, const std::string& description) override;
    void showStartForm() override;
    void closeStartForm() override;
    void showWindow() override;

protected:
    void onCommand(int id, int code) override;
    bool onClose(bool fromUser) override;
    void onDestroy() override;
    void drawItem(const layout::Control& c, const DRAWITEMSTRUCT& item) override;

private:
    HWND box(platform::OnboardBox which) const;

    MainLogic logic_;
    bool centred_ = false;
    bool closeByProgram_ = false;
    HBITMAP logo_ = nullptr;
};

class FrmCuz final : public Form {
public:
    explicit FrmCuz(FormHost& host);
    HWND T_cuz() const { return control("T_cuz"); }

protected:
    void onCommand(int id, int code) override;

private:
    void okay();
    void dropReserved();
};

class FrmComment final : public Form {
public:
    FrmComment(FormHost& host, HWND owner);
    HWND txtComment() const { return control("txtComment"); }

protected:
    void onCommand(int id, int code) override;
    bool onClose(bool fromUser) override;
};

class FrmAbout final : public Form {
public:
    explicit FrmAbout(FormHost& host);
    // Fills the version text; "Version  4" when `strVersion` is empty.
    void Versionsinfo(const std::string& strVersion = {});

protected:
    void onCommand(int id, int code) override;
};

class FrmUpdate final : public Form {
public:
    explicit FrmUpdate(FormHost& host);
    ~FrmUpdate() override;
    void gSubVisiblePicture(std::uint32_t lngBackColor, std::uint32_t lngForeColor, bool lngFontBold);
    void gSubUpdateStatus(std::int32_t lngProzent);
    ProgressPicture& picture() { return *picture_; }

protected:
    bool onClose(bool fromUser) override;

private:
    ProgressPicture* picture_ = nullptr;
};

}  // namespace tq::ui::win32
