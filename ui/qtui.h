// The user-interface seam on Qt Widgets: message boxes, the mouse pointer,
// the progress window and the main window as the report run sees them, and
// the program's windows, each created afresh when it is next needed.
#pragma once

#include <functional>
#include <string>

#include <QPointer>

#include "platform/seams.h"
#include "probes/reportrun.h"
#include "ui/frmdialogs.h"
#include "ui/frmupdate.h"
#include "ui/mainlogic.h"

class QWidget;

namespace tq::ui {

class FrmMain;

class QtUserInterface final : public platform::UserInterface {
public:
    // The windows' owner, made by the program: they reach each other
    // through it, and run their reports through `platform` (whose user
    // interface the program sets to this one, or to one that wraps it).
    explicit QtUserInterface(platform::Platform& platform);
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;
    probes::ReportRunner& reports() noexcept { return reports_; }

    // Replaces the message box (tests answer them this way). An empty hook
    // brings the real box back.
    using MessageHook = std::function<void(const std::string& prompt, int style, const std::string& title)>;
    void setMessageHook(MessageHook hook) { hook_ = std::move(hook); }

    // Creates frmMain and loads it; the window shows at the end of its load.
    FrmMain* startMainWindow();
    FrmMain* mainWindow() const { return main_.data(); }
    FrmUpdate* progressWindow() const { return progress_.data(); }
    FrmCuz* reportNameDialog() const { return cuz_.data(); }
    FrmAbout* aboutBox() const { return about_.data(); }

    // Shows frmcuz (not modal), the same one again while it is open.
    FrmCuz* showReportNameDialog();
    // Shows frmAbout (not modal), the same one again while it is open.
    FrmAbout* showAbout();
    // Shows frmComment modal, owned by the main window; returns when it closes.
    void showComment();

    bool busy() const noexcept { return busy_; }

    // The main window is closing: its on-board boxes, as they stand, are
    // what a report started later from a dialog left open reads.
    void mainWindowClosing(const FrmMain& window);

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
    FrmUpdate& progress();

    probes::ReportRunner reports_;
    MessageHook hook_;
    QPointer<FrmMain> main_;
    QPointer<FrmUpdate> progress_;
    QPointer<FrmCuz> cuz_;
    QPointer<FrmAbout> about_;
    bool busy_ = false;
    OnboardBoxes boxes_;
};

}  // namespace tq::ui
