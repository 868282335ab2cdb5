// frmMain: the start-up window with the motherboard, graphics and multimedia
// panels, the identifier text and the on-board check boxes. Its procedures
// live in MainLogic; this class is their view.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>

#include <QPointer>
#include <QWidget>

#include "probes/reportrun.h"
#include "ui/mainlogic.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tq::ui {

class ClickableImage;

class FrmMain;

// What the main window asks of the program's other windows.
struct MainWindowActions {
    std::function<void()> showAbout;              // a click on imgInfo
    std::function<void()> showComment;            // a double-click on imgLogo
    std::function<void()> showReportNameDialog;   // btnCreateReport
    std::function<void(const FrmMain&)> closing;  // the window is closing
};

class FrmMain final : public QWidget, public MainView {
public:
    // Runs its logic through the reports' platform, and asks them whether
    // a run is in progress.
    FrmMain(probes::ReportRunner& reports, MainWindowActions actions);
    ~FrmMain() override;

    // Loads the window: runs MainLogic::load, which shows the window at its end.
    void load();
    MainLogic& logic() { return logic_; }

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

    // Lets the report run's own close through while the run is in progress.
    void closeByProgram();

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QCheckBox* box(platform::OnboardBox which) const;
    void createReport();

    probes::ReportRunner& reports_;
    MainWindowActions actions_;
    MainLogic logic_;
    QPushButton* btnMotherboard_ = nullptr;
    QPushButton* btnVGA_ = nullptr;
    QPushButton* btnMultiMedia_ = nullptr;
    ClickableImage* imgInfo_ = nullptr;
    ClickableImage* imgLogo_ = nullptr;
    QCheckBox* chkVGA_ = nullptr;
    QCheckBox* chkAudio_ = nullptr;
    QCheckBox* chkLan_ = nullptr;
    QPlainTextEdit* txtPnP_ = nullptr;
    QGroupBox* F_Motherboard_ = nullptr;
    QGroupBox* F_VGA_ = nullptr;
    QGroupBox* F_MultiMedia_ = nullptr;
    QPushButton* btnEnde_ = nullptr;
    QPushButton* btnCreateReport_ = nullptr;
    std::array<QLabel*, kMultiMediaSlots> txtMMName_{};
    std::array<QLabel*, kMultiMediaSlots> lblMMName_{};
    std::map<std::string, QLabel*, std::less<>> labels_;
    QPointer<QWidget> start_;
    bool centred_ = false;
    bool closeByProgram_ = false;
};

}  // namespace tq::ui
