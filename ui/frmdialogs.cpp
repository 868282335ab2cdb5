#include "ui/frmdialogs.h"

#include <QEventLoopLocker>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "probes/reportrun.h"
#include "report/main.h"
#include "ui/dialoglogic.h"
#include "ui/qtlayout.h"
#include "ui/widgets.h"

namespace tq::ui {
namespace {

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

FrmCuz::FrmCuz(probes::ReportRunner& reports) : reports_(reports) {
    const Twips t;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(programIcon());
    setFont(controlFont());
    buildWindow(this, layout::frmCuz(), t, [](const layout::Control& c, QWidget* parent) -> QWidget* {
        return c.name == "T_cuz" ? new DesignationEdit(parent) : nullptr;
    });
    T_cuz_ = control<DesignationEdit>(this, "T_cuz");
    bb_cuzokay_ = control<QPushButton>(this, "bb_cuzokay");
    bb_cuzabbrechen_ = control<QPushButton>(this, "bb_cuzabbrechen");
    bb_cuzabbrechen_->setAutoDefault(false);
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
    if (reports_.running()) return;
    // This dialog may be the program's last window (Exit leaves it open):
    // the run closes it at once, and the program must live on until the
    // run has shown its last message.
    const QEventLoopLocker keepRunning;
    if (!acceptDesignation(reports_, T_cuz_->text().toStdString())) T_cuz_->setFocus();
    // The run has closed this window; nothing here may be touched any more.
}

FrmComment::FrmComment(QWidget* owner) : QDialog(owner) {
    const Twips t;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setFont(controlFont());
    buildWindow(this, layout::frmComment(), t);
    txtComment_ = control<QLineEdit>(this, "txtComment");
    txtComment_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* ok = control<QPushButton>(this, "cmdOK");
    auto* cancel = control<QPushButton>(this, "cmdCancel");
    // Neither button is the default one, so Enter in the field does nothing.
    for (QPushButton* b : {ok, cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

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

FrmAbout::FrmAbout(platform::Platform& platform) {
    const Twips t;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(QIcon(infoPicture()));
    setFont(controlFont());
    buildWindow(this, layout::frmAbout(), t);
    control(this, "Frame1")->setAutoFillBackground(true);
    txt_Versionsangabe_ = control<QPlainTextEdit>(this, "txt_Versionsangabe");
    // A text box's own narrow inner margin: the four lines fit its height.
    txt_Versionsangabe_->document()->setDocumentMargin(1);
    auto* sysInfo = control<QPushButton>(this, "cmdSysInfo");
    auto* ok = control<QPushButton>(this, "cmdOK");
    ok->setFocus();
    centreOnScreen(this);

    Versionsinfo(std::string(kAboutVersion));

    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(sysInfo, &QPushButton::clicked, this, [&platform] { StartSysInfo(platform); });
}

void FrmAbout::Versionsinfo(const std::string& strVersion) {
    txt_Versionsangabe_->setPlainText(fromCrLf(versionText(strVersion)));
}

}  // namespace tq::ui
