#include "ui/frmmain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "probes/reportrun.h"
#include "report/main.h"
#include "ui/frmupdate.h"
#include "ui/qtlayout.h"
#include "ui/widgets.h"

namespace tq::ui {

using platform::OnboardBox;

FrmMain::FrmMain(probes::ReportRunner& reports, MainWindowActions actions)
    : reports_(reports), actions_(std::move(actions)), logic_(reports.platform(), *this) {
    const Twips t;
    const layout::Window& design = layout::frmMain();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(programIcon());
    setFont(controlFont());
    buildWindow(this, design, t);

    btnMotherboard_ = control<QPushButton>(this, "btnMotherboard");
    btnVGA_ = control<QPushButton>(this, "btnVGA");
    btnMultiMedia_ = control<QPushButton>(this, "btnMultiMedia");
    imgInfo_ = control<ClickableImage>(this, "imgInfo");
    imgInfo_->setPixmap(infoPicture());
    imgInfo_->onClick = [this] { actions_.showAbout(); };
    imgLogo_ = control<ClickableImage>(this, "imgLogo");
    imgLogo_->setPixmap(logoPicture(imgLogo_->size()));
    imgLogo_->onDoubleClick = [this] { actions_.showComment(); };
    chkVGA_ = control<QCheckBox>(this, "chkVGA");
    chkAudio_ = control<QCheckBox>(this, "chkAudio");
    chkLan_ = control<QCheckBox>(this, "chkLan");
    txtPnP_ = control<QPlainTextEdit>(this, "txtPnP");
    F_Motherboard_ = control<QGroupBox>(this, "F_Motherboard");
    F_VGA_ = control<QGroupBox>(this, "F_VGA");
    F_MultiMedia_ = control<QGroupBox>(this, "F_MultiMedia");
    btnEnde_ = control<QPushButton>(this, "btnEnde");
    btnCreateReport_ = control<QPushButton>(this, "btnCreateReport");
    for (const layout::Control& c : design.controls)
        if (layout::isValueLabel(c)) labels_.emplace(std::string(c.name), control<QLabel>(this, c.name));
    for (int i = 0; i < kMultiMediaSlots; ++i) {
        txtMMName_[i] = control<QLabel>(this, layout::multiMediaName(false, i));
        lblMMName_[i] = control<QLabel>(this, layout::multiMediaName(true, i));
        txtMMName_[i]->setProperty("index", i);
        lblMMName_[i]->setProperty("index", i);
    }

    // User actions; a report run lets them through at its progress updates.
    auto panel = [this](Panel p) { return [this, p] { logic_.switchPanel(p); }; };
    connect(btnMotherboard_, &QPushButton::clicked, this, panel(Panel::Motherboard));
    connect(btnVGA_, &QPushButton::clicked, this, panel(Panel::Vga));
    connect(btnMultiMedia_, &QPushButton::clicked, this, panel(Panel::MultiMedia));
    for (QCheckBox* check : {chkVGA_, chkAudio_, chkLan_})
        connect(check, &QCheckBox::clicked, this, [this] { logic_.checkChanged(); });
    connect(btnEnde_, &QPushButton::clicked, this, &QWidget::close);
    connect(btnCreateReport_, &QPushButton::clicked, this, [this] { createReport(); });
}

FrmMain::~FrmMain() {
    if (start_) delete start_.data();
}

void FrmMain::load() { logic_.load(); }

void FrmMain::createReport() {
    // A run is not re-entrant: while one is in progress (its progress
    // updates let clicks through) the button does nothing.
    if (reports_.running()) return;
    actions_.showReportNameDialog();
}

void FrmMain::setCaption(std::string_view label, const std::string& text) {
    auto it = labels_.find(label);
    if (it != labels_.end()) it->second->setText(QString::fromStdString(text));
}

std::string FrmMain::caption(std::string_view label) const {
    auto it = labels_.find(label);
    return it == labels_.end() ? std::string() : it->second->text().toStdString();
}

QCheckBox* FrmMain::box(OnboardBox which) const {
    switch (which) {
    case OnboardBox::Vga: return chkVGA_;
    case OnboardBox::Audio: return chkAudio_;
    case OnboardBox::Lan: return chkLan_;
    }
    return chkLan_;
}

bool FrmMain::ticked(OnboardBox which) const { return box(which)->isChecked(); }

void FrmMain::tick(OnboardBox which) { box(which)->setChecked(true); }

void FrmMain::setChecksEnabled(bool enabled) {
    for (QCheckBox* check : {chkVGA_, chkAudio_, chkLan_}) check->setEnabled(enabled);
}

void FrmMain::showFrame(Panel panel) {
    F_Motherboard_->setVisible(panel == Panel::Motherboard);
    F_VGA_->setVisible(panel == Panel::Vga);
    F_MultiMedia_->setVisible(panel == Panel::MultiMedia);
}

void FrmMain::setPnpText(const std::string& text) { txtPnP_->setPlainText(fromCrLf(text)); }

std::string FrmMain::pnpText() const { return toCrLf(txtPnP_->toPlainText()); }

void FrmMain::setPnpEnabled(bool enabled) { txtPnP_->setEnabled(enabled); }

void FrmMain::showMultiMediaSlot(int index, const std::string& description) {
    if (index < 0 || index >= kMultiMediaSlots) return;
    lblMMName_[index]->setText(QString::fromStdString(description));
    txtMMName_[index]->show();
    lblMMName_[index]->show();
}

void FrmMain::showStartForm() {
    if (!start_) start_ = new FrmStart;
    start_->show();
    start_->raise();
    // Paint the notice before the queries keep the thread busy.
    paintNow(start_);
}

void FrmMain::closeStartForm() {
    if (!start_) return;
    start_->hide();
    start_->close();
}

void FrmMain::showWindow() {
    show();
    raise();
    activateWindow();
}

void FrmMain::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!centred_) {
        centred_ = true;
        centreOnScreen(this);
    }
}

void FrmMain::closeByProgram() { closeByProgram_ = true; }

void FrmMain::closeEvent(QCloseEvent* e) {
    // During a run the window's controls stay usable, but leaving it would
    // pull the check boxes from under the on-board section: only the run
    // itself closes it then.
    if (reports_.running() && !closeByProgram_) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
    if (e->isAccepted()) actions_.closing(*this);
}

}  // namespace tq::ui
