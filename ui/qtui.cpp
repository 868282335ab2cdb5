#include "ui/qtui.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <QWindow>

#include "ui/frmdialogs.h"
#include "ui/frmmain.h"
#include "ui/frmupdate.h"
#include "ui/widgets.h"
#include "wmi/failure.h"

namespace tq::ui {
namespace {

template <class W>
bool isOpen(const QPointer<W>& w) {
    return w && w->isVisible();
}
}  // namespace

QtUserInterface::QtUserInterface(platform::Platform& platform) : reports_(platform) {}

QtUserInterface::~QtUserInterface() {
    for (QWidget* w : std::initializer_list<QWidget*>{cuz_.data(), about_.data(), progress_.data(), main_.data()})
        delete w;
}

FrmMain* QtUserInterface::startMainWindow() {
    main_ =
        new FrmMain(reports_, {[this] { showAbout(); }, [this] { showComment(); }, [this] { showReportNameDialog(); },
                               [this](const FrmMain& window) { mainWindowClosing(window); }});
    main_->load();
    return main_.data();
}

FrmCuz* QtUserInterface::showReportNameDialog() {
    if (!isOpen(cuz_)) cuz_ = new FrmCuz(reports_);
    cuz_->show();
    cuz_->raise();
    cuz_->activateWindow();
    return cuz_.data();
}

FrmAbout* QtUserInterface::showAbout() {
    if (!isOpen(about_)) about_ = new FrmAbout(reports_.platform());
    about_->show();
    about_->raise();
    about_->activateWindow();
    return about_.data();
}

void QtUserInterface::showComment() {
    auto* dialog = new FrmComment(main_.data());
    dialog->exec();  // deletes itself on close
}

void QtUserInterface::messageBox(const std::string& prompt, int style, const std::string& title) {
    if (hook_) {
        hook_(prompt, style, title);
        return;
    }
    QMessageBox box(style == 16 ? QMessageBox::Critical : QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(prompt), QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtUserInterface::setMousePointer(int pointer) {
    if (pointer == platform::kPointerHourglass && !busy_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
    } else if (pointer == platform::kPointerDefault && busy_) {
        QApplication::restoreOverrideCursor();
        busy_ = false;
    }
}

FrmUpdate& QtUserInterface::progress() {
    if (!progress_) fail::raise(fail::kObjectRequired);
    return *progress_;
}

void QtUserInterface::progressCreate() {
    if (progress_) return;
    progress_ = new FrmUpdate;
    QCoreApplication::processEvents();
}

void QtUserInterface::progressSetCaption(const std::string& caption) {
    progress().setWindowTitle(QString::fromStdString(caption));
}

void QtUserInterface::progressVisiblePicture(std::uint32_t backColor, std::uint32_t foreColor, bool bold) {
    progress().gSubVisiblePicture(backColor, foreColor, bold);
}

void QtUserInterface::progressSetStatus(const std::string& text) {
    progress().lblHinweis()->setText(QString::fromStdString(text));
}

void QtUserInterface::progressShow() {
    progress().show();
    progress().raise();
    paintNow(&progress());
}

void QtUserInterface::progressUpdate(std::int32_t percent) { progress().gSubUpdateStatus(percent); }

void QtUserInterface::progressClose() {
    if (!progress_) return;
    FrmUpdate* window = progress_.data();
    progress_ = nullptr;
    window->close();
}

std::uintptr_t QtUserInterface::mainWindowHandle() { return main_ ? static_cast<std::uintptr_t>(main_->winId()) : 0; }

void QtUserInterface::closeMainWindow() {
    if (!main_) return;
    main_->closeByProgram();
    main_->close();
}

void QtUserInterface::closeReportNameDialog() {
    if (!cuz_) return;
    FrmCuz* dialog = cuz_.data();
    cuz_ = nullptr;
    dialog->close();
}

void QtUserInterface::mainWindowClosing(const FrmMain& window) { boxes_.windowClosing(window); }

bool QtUserInterface::onboardTicked(platform::OnboardBox box) { return boxes_.ticked(main_.data(), box); }

}  // namespace tq::ui
