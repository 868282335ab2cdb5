#include "ui/frmdialogs.h"

#include <QEventLoopLocker>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "report/main.h"
#include "ui/dialoglogic.h"
#include "ui/widgets.h"

namespace tq::ui {
namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const Twips& t, int left, int top, int width,
                  int height, bool wrap = false) {
    auto* label = place(new QLabel(text, parent), name, t, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(wrap);
    return label;
}

bool hasReserved(const QString& text) {
    for (QChar c : text)
        if (isReservedNameChar(c.unicode())) return true;
    return false;
}

}  // namespace

DesignationEdit::DesignationEdit(QWidget* parent) : QLineEdit(parent) {
    // Whatever arrives other than by a key press (pasting, dropping, an
    // input method) passes the same filter.
    connect(this, &QLineEdit::textChanged, this, [this] { dropReserved(); });
}

void DesignationEdit::keyPressEvent(QKeyEvent* e) {
    // A typed reserved character is discarded: the field does not change.
    if (hasReserved(e->text())) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void DesignationEdit::dropReserved() {
    const QString current = text();
    if (!hasReserved(current)) return;
    QString kept;
    int cursor = cursorPosition();
    for (int i = 0; i < current.size(); ++i) {
        if (isReservedNameChar(current[i].unicode())) {
            if (i < cursorPosition()) --cursor;
        } else {
            kept += current[i];
        }
    }
    const QSignalBlocker block(this);
    setText(kept);
    setCursorPosition(cursor);
}

FrmCuz::FrmCuz() {
    const Twips t;
    setObjectName(QStringLiteral("frmcuz"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Set Filename"));
    setWindowIcon(programIcon());
    setFont(controlFont());
    setFixedSize(t.size(4455, 1185));

    makeLabel(this, "Label1", QStringLiteral("Filename"), t, 240, 240, 1455, 255)
        ->setFont(namedFont(QStringLiteral("Tahoma"), 9.75, true));
    T_cuz_ = place(new DesignationEdit(this), "T_cuz", t, 1680, 240, 1935, 375);
    bb_cuzokay_ = place(new QPushButton(QStringLiteral("&Ok"), this), "bb_cuzokay", t, 480, 720, 1455, 375);
    bb_cuzabbrechen_ = place(new QPushButton(QStringLiteral("&Chancel"), this), "bb_cuzabbrechen", t, 2280, 720, 1695, 375);
    bb_cuzokay_->setDefault(true);
    bb_cuzabbrechen_->setAutoDefault(false);
    setTabOrder(T_cuz_, bb_cuzokay_);
    setTabOrder(bb_cuzokay_, bb_cuzabbrechen_);
    T_cuz_->setFocus();

    connect(bb_cuzokay_, &QPushButton::clicked, this, [this] { okay(); });
    connect(bb_cuzabbrechen_, &QPushButton::clicked, this, &QWidget::close);
}

void FrmCuz::keyPressEvent(QKeyEvent* e) {
    // The window has no cancel button: Escape does nothing.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void FrmCuz::okay() {
    if (report::reportRunning()) return;
    // This dialog may be the program's last window (Exit leaves it open):
    // the run closes it at once, and the program must live on until the
    // run has shown its last message.
    const QEventLoopLocker keepRunning;
    if (!acceptDesignation(T_cuz_->text().toStdString())) T_cuz_->setFocus();
    // The run has closed this window; nothing here may be touched any more.
}

FrmComment::FrmComment(QWidget* owner) : QDialog(owner) {
    const Twips t;
    setObjectName(QStringLiteral("frmComment"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("Comment"));
    setFont(controlFont());
    setFixedSize(t.size(6150, 3675));

    auto* box = place(new QFrame(this), "Picture1", t, 210, 240, 5685, 2700);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(2);
    makeLabel(box, "lblNotes", QStringLiteral("Enter comments to add this to the report:"), t, 120, 120, 5295, 375);
    txtComment_ = place(new QLineEdit(box), "txtComment", t, 240, 600, 5175, 1815);
    txtComment_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* ok = place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", t, 3450, 3135, 1095, 375);
    auto* cancel = place(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel", t, 4680, 3135, 1095, 375);
    // Neither button is the default one, so Enter in the field does nothing.
    for (QPushButton* b : {ok, cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    setTabOrder(txtComment_, ok);
    setTabOrder(ok, cancel);

    if (!report::gStrComment.empty()) txtComment_->setText(QString::fromStdString(report::gStrComment));
    txtComment_->setFocus();
    centreOnScreen(this);

    connect(ok, &QPushButton::clicked, this, [this] {
        storeComment(txtComment_->text().toStdString());
        close();
    });
    // Escape reaches reject(), which closes the window like Cancel.
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

FrmAbout::FrmAbout() {
    const Twips t;
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("About Tallyquest"));
    setWindowIcon(QIcon(infoPicture()));
    setFont(controlFont());
    setFixedSize(t.size(6255, 4650));

    makeLabel(this, "lblTitle",
              QStringLiteral("Get the informations of current configuration. The functions based on Windows "
                             "Management Instrumentation (WMI) from Microsoft."),
              t, 240, 360, 4965, 480, true);
    makeLabel(this, "lblMiddle",
              QStringLiteral("Display pnp ID's from motherboard, graphic device and multi media devices."), t, 240, 960,
              5055, 495, true);
    makeLabel(this, "Label2",
              QStringLiteral("The detected date of system can be exported to a html-File. This file will be saved on "
                             "the path where the program located. In addition the data of files sigverif.txt and  "
                             "systembuilder.dat and bootvis.audit.log are included."),
              t, 240, 1680, 5175, 615, true);

    // The etched separator: a white line of width 2 under a grey one.
    auto* white = new QFrame(this);
    white->setObjectName(QStringLiteral("Line1_0"));
    white->setGeometry(QRect(t.x(105), t.y(2460), t.x(5654) - t.x(105) + 1, 2));
    white->setStyleSheet(QStringLiteral("background: #ffffff"));
    auto* grey = new QFrame(this);
    grey->setObjectName(QStringLiteral("Line1_1"));
    grey->setGeometry(QRect(t.x(90), t.y(2445), t.x(5654) - t.x(90) + 1, 1));
    grey->setStyleSheet(QStringLiteral("background: #808080"));

    auto* frame = place(new QGroupBox(QStringLiteral("Versionsinformation"), this), "Frame1", t, 120, 2760, 4695, 1455);
    frame->setAutoFillBackground(true);
    txt_Versionsangabe_ = place(new QPlainTextEdit(frame), "txt_Versionsangabe", t, 240, 360, 4215, 855);
    txt_Versionsangabe_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txt_Versionsangabe_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txt_Versionsangabe_->setTabChangesFocus(true);
    // A text box's own narrow inner margin: the four lines fit its height.
    txt_Versionsangabe_->document()->setDocumentMargin(1);
    QPalette face = txt_Versionsangabe_->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    txt_Versionsangabe_->setPalette(face);
    // The copyright label lies on the dialog itself, under the frame.
    auto* copyright =
        makeLabel(this, "Label1", QStringLiteral("(c) The Tallyquest developers"), t, 360, 2880, 3615, 855);
    copyright->stackUnder(frame);

    auto* sysInfo = place(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo", t, 4920, 3360, 1245, 345);
    auto* ok = place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", t, 4920, 3840, 1260, 345);
    ok->setDefault(true);
    setTabOrder(ok, sysInfo);
    setTabOrder(sysInfo, txt_Versionsangabe_);
    ok->setFocus();
    centreOnScreen(this);

    Versionsinfo(std::string(kAboutVersion));

    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(sysInfo, &QPushButton::clicked, this, [] { StartSysInfo(); });
}

void FrmAbout::Versionsinfo(const std::string& strVersion) {
    txt_Versionsangabe_->setPlainText(fromCrLf(versionText(strVersion)));
}

}  // namespace tq::ui
