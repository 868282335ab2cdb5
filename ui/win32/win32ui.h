// The user-interface seam on the Win32 API: message boxes, the mouse
// pointer, the progress window and the main window as the report run sees
// them, the program's windows (each created afresh when it is next needed)
// and the message loop that ends when the last of them closes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/seams.h"
#include "ui/mainlogic.h"
#include "ui/win32/forms.h"

namespace tq::ui::win32 {

class Win32UserInterface final : public platform::UserInterface, public FormHost {
public:
    // The windows' owner, made by the program: they reach each other
    // through it, and run their reports through `platform` (whose user
    // interface the program sets to this one).
    Win32UserInterface(HINSTANCE instance, platform::Platform& platform);
    ~Win32UserInterface() override;
    HINSTANCE module() const noexcept override { return module_; }
    probes::ReportRunner& reports() noexcept override { return reports_; }

    // Replaces the message box (tests answer them this way). An empty hook
    // brings the real box back.
    using MessageHook = std::function<void(const std::string& prompt, int style, const std::string& title)>;
    void setMessageHook(MessageHook hook) { hook_ = std::move(hook); }

    // Creates frmMain and loads it; the window shows at the end of its load.
    FrmMain* startMainWindow();
    FrmMain* mainWindow() const { return live(main_); }
    FrmUpdate* progressWindow() const { return live(progress_); }
    FrmCuz* reportNameDialog() const { return live(cuz_); }
    FrmAbout* aboutBox() const { return live(about_); }
    FrmComment* commentDialog() const { return live(comment_); }
    FrmStart* startForm() const override { return live(start_); }

    // Shows frmcuz (not modal), the same one again while it is open.
    FrmCuz* showReportNameDialog() override;
    // Shows frmAbout (not modal), the same one again while it is open.
    FrmAbout* showAbout() override;
    // Shows frmComment modal, owned by the main window; returns when it closes.
    void showComment() override;
    // Gives the other windows back to the user when the modal dialog ends.
    void endModal() override;
    FrmStart* showStartForm() override;

    bool busy() const noexcept override { return busy_; }
    // How many of the program's windows are open.
    int openWindows() const noexcept { return open_; }

    // Runs the message loop until the last window has closed.
    int run();
    // Handles the messages waiting now, then returns.
    void processPending() override;
    // Deletes the windows that have closed (outside of their handlers).
    void reap();

    // Called by the windows.
    void opened(Form* form) override;
    void closed(Form* form) override;
    // The main window is going: its on-board boxes, as they stand, are what
    // a report started later from a dialog left open reads.
    void mainWindowClosing(const FrmMain& window) override { boxes_.windowClosing(window); }
    bool translate(MSG& msg);

    // platform::UserInterface
    void messageBox(const std::string& prompt, int style, const std::string& title) override;
    void setMousePointer(int pointer) override;
    void progressCreate() override;
    void progressSetCaption(const std::string& caption) override;
    void progressVisiblePicture(std::uint32_t backColor, std::uint32_t foreColor, bool bold) override;
    void progressSetStatus(const std::string& text) override;
    void progressShow() override;
    void progressUpdate(std::int32_t percent) override;
    void progressClose() override;
    std::uintptr_t mainWindowHandle() override;
    void closeMainWindow() override;
    void closeReportNameDialog() override;
    bool onboardTicked(platform::OnboardBox box) override;

private:
    template <class F>
    static F* live(F* f) {
        return f && f->alive() ? f : nullptr;
    }
    FrmUpdate& progress();

    HINSTANCE module_;
    probes::ReportRunner reports_;
    MessageHook hook_;
    FrmMain* main_ = nullptr;
    FrmUpdate* progress_ = nullptr;
    FrmCuz* cuz_ = nullptr;
    FrmAbout* about_ = nullptr;
    FrmComment* comment_ = nullptr;
    FrmStart* start_ = nullptr;
    std::vector<Form*> forms_;     // every window object not yet deleted
    std::vector<Form*> finished_;  // closed, to be deleted by reap()
    std::vector<HWND> modalDisabled_;
    int open_ = 0;
    bool busy_ = false;
    OnboardBoxes boxes_;
};

}  // namespace tq::ui::win32
