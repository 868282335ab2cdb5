#include "ui/frmmain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "report/main.h"
#include "ui/frmupdate.h"
#include "ui/qtui.h"
#include "ui/widgets.h"

namespace tq::ui {

using platform::OnboardBox;

namespace {

QGroupBox* makeFrame(QWidget* parent, const char* name, const char* title, const Twips& t) {
    auto* frame = place(new QGroupBox(QString::fromLatin1(title), parent), name, t, 360, 1560, 4335, 3615);
    frame->setFlat(false);
    return frame;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* text, const Twips& t, int left, int top, int width,
                  int height) {
    auto* label = place(new QLabel(QString::fromLatin1(text), parent), name, t, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

FrmMain::FrmMain() : logic_(*this) {
    const Twips t;
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tallyquest"));
    setWindowIcon(programIcon());
    setFont(controlFont());
    resize(t.size(11970, 6015));

    btnMotherboard_ = place(new QPushButton(QStringLiteral("Mother&board"), this), "btnMotherboard", t, 120, 120, 1335, 375);
    btnVGA_ = place(new QPushButton(QStringLiteral("&VGA"), this), "btnVGA", t, 1560, 120, 1335, 375);
    btnMultiMedia_ = place(new QPushButton(QStringLiteral("&Multi Media"), this), "btnMultiMedia", t, 3000, 120, 1335, 375);

    imgInfo_ = place(new ClickableImage(this), "imgInfo", t, 4600, 120, 240, 240);
    imgInfo_->setPixmap(infoPicture());
    imgInfo_->setToolTip(QStringLiteral("About Tallyquest"));
    imgInfo_->onClick = [] { QtUserInterface::instance().showAbout(); };

    imgLogo_ = place(new ClickableImage(this), "imgLogo", t, 9240, 120, 2580, 1260);
    imgLogo_->setPixmap(logoPicture(imgLogo_->size()));
    imgLogo_->onDoubleClick = [] { QtUserInterface::instance().showComment(); };

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setGeometry(QRect(t.x(120), t.y(720), t.x(4800) - t.x(120) + 1, 1));

    const QFont heading = namedFont(QStringLiteral("MS Sans Serif"), 9.75, true);
    makeLabel(this, "lblInformation", "Information", t, 360, 1080, 1455, 375)->setFont(heading);

    chkVGA_ = place(new QCheckBox(QStringLiteral("Graphic on Board"), this), "chkVGA", t, 7440, 360, 1575, 255);
    chkAudio_ = place(new QCheckBox(QStringLiteral("Audio on Board"), this), "chkAudio", t, 7440, 720, 1455, 255);
    chkLan_ = place(new QCheckBox(QStringLiteral("LAN on Board"), this), "chkLan", t, 7440, 1080, 1335, 255);
    chkLan_->setChecked(true);

    makeLabel(this, "Label1", "Plug and Play ID's", t, 5160, 1080, 1935, 375)->setFont(heading);

    txtPnP_ = place(new QPlainTextEdit(this), "txtPnP", t, 5160, 1560, 6615, 3615);
    txtPnP_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtPnP_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtPnP_->setTabChangesFocus(true);

    F_Motherboard_ = makeFrame(this, "F_Motherboard", "Motherboard", t);
    addPair(F_Motherboard_, "txtMBProduct", "Product:", "lblMBProduct", "Label MB Product", 360);
    addPair(F_Motherboard_, "txtMBDescription", "Description:", "lblMBDescription", "Label MB Description", 675, 855);
    addPair(F_Motherboard_, "txtMBManufacturer", "Manufacturer:", "lblMBManufacturer", "Label MB Manufacturer", 990);
    makeLabel(F_Motherboard_, "lblBios", "Bios", t, 120, 1440, 615, 255);
    addPair(F_Motherboard_, "txtBiosManufacturer", "Manufacturer:", "lblBiosManufacturer", "Label Bios Manufacturer",
            1680);
    addPair(F_Motherboard_, "txtBiosDescription", "Description:", "lblBiosDescription", "Label Bios Description",
            1995, 1095, 2535, 615)
        ->setWordWrap(true);
    addPair(F_Motherboard_, "txtSMBios", "SMBios:", "lblSMBios", "Label SMBios", 2520, 975);
    makeLabel(F_Motherboard_, "txtMBLanOnBoard", "LAN on Board", t, 120, 2970, 1095, 255);
    addPair(F_Motherboard_, "txtMBMacAddress", "MAC-Address:", "lblMBMacAddress", "Label MB MacAddress", 3240);

    F_VGA_ = makeFrame(this, "F_VGA", "VGA", t);
    addPair(F_VGA_, "txtVGAName", "Name:", "lblVGAName", "Label VGA Name", 360);
    addPair(F_VGA_, "txtVGADriverVersion", "Driver Version:", "lblVGADriverVersion", "Label VGA Driver Version", 675);
    addPair(F_VGA_, "txtVGADriverDate", "Driver Date:", "lblVGADriverDate", "Label VGA Driver Date", 990);
    addPair(F_VGA_, "txtVGAVideoMode", "Video Mode:", "lblVGAVideoMode", "Label VGA Video Mode", 1305);
    addPair(F_VGA_, "txtVGAColor", "Color:", "lblVGAColor", "Label VGA Color", 1620);
    addPair(F_VGA_, "txtVGAVideoRam", "Video Ram:", "lblVGAVideoRam", "Label VGA Video Ram", 1935);
    F_VGA_->hide();

    F_MultiMedia_ = makeFrame(this, "F_MultiMedia", "Multi Media", t);
    for (int i = 0; i < kMultiMediaSlots; ++i) {
        const int top = 360 + 435 * i;
        const QByteArray txtName = "txtMMName_" + QByteArray::number(i);
        const QByteArray lblName = "lblMMName_" + QByteArray::number(i);
        txtMMName_[i] = makeLabel(F_MultiMedia_, txtName.constData(), "Name:", t, 240, top, 1095, 255);
        lblMMName_[i] = makeLabel(F_MultiMedia_, lblName.constData(), "Label MM Name", t, 840, top, 3375, 255);
        txtMMName_[i]->setProperty("index", i);
        lblMMName_[i]->setProperty("index", i);
        txtMMName_[i]->hide();
        lblMMName_[i]->hide();
    }
    F_MultiMedia_->hide();

    btnEnde_ = place(new QPushButton(QStringLiteral("E&xit"), this), "btnEnde", t, 9960, 5400, 1815, 495);
    btnCreateReport_ = place(new QPushButton(QStringLiteral("create &report"), this), "btnCreateReport", t, 8040, 5400,
                             1815, 495);

    QWidget* order[] = {btnMotherboard_, btnVGA_, btnMultiMedia_, chkVGA_, chkAudio_,
                        chkLan_,         txtPnP_, btnEnde_,       btnCreateReport_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    // User actions; a report run lets them through at its progress updates,
    // so none of them may leave a failure for the run's final check.
    auto panel = [this](Panel p) {
        return [this, p] {
            RunFailureGuard keep;
            logic_.switchPanel(p);
        };
    };
    connect(btnMotherboard_, &QPushButton::clicked, this, panel(Panel::Motherboard));
    connect(btnVGA_, &QPushButton::clicked, this, panel(Panel::Vga));
    connect(btnMultiMedia_, &QPushButton::clicked, this, panel(Panel::MultiMedia));
    for (QCheckBox* check : {chkVGA_, chkAudio_, chkLan_})
        connect(check, &QCheckBox::clicked, this, [this] {
            RunFailureGuard keep;
            logic_.checkChanged();
        });
    connect(btnEnde_, &QPushButton::clicked, this, &QWidget::close);
    connect(btnCreateReport_, &QPushButton::clicked, this, [this] { createReport(); });
}

FrmMain::~FrmMain() {
    if (start_) delete start_.data();
}

QLabel* FrmMain::addPair(QWidget* frame, const char* captionName, const char* captionText, const char* valueName,
                         const char* valueText, int top, int captionWidth, int valueWidth, int valueHeight) {
    const Twips t;
    makeLabel(frame, captionName, captionText, t, 240, top, captionWidth, 255);
    QLabel* value = makeLabel(frame, valueName, valueText, t, 1440, top, valueWidth, valueHeight);
    labels_.emplace(valueName, value);
    return value;
}

void FrmMain::load() { logic_.load(); }

void FrmMain::createReport() {
    // A run is not re-entrant: while one is in progress (its progress
    // updates let clicks through) the button does nothing.
    if (report::reportRunning()) return;
    QtUserInterface::instance().showReportNameDialog();
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
    QtUserInterface::paintNow(start_);
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
    if (report::reportRunning() && !closeByProgram_) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
    if (e->isAccepted()) QtUserInterface::instance().mainWindowClosing(*this);
}

}  // namespace tq::ui
