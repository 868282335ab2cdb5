// The windows on the offscreen platform: start-up, panels, check boxes, the
// report-name and comment dialogs, a whole run, the progress bar, the about
// box and the texts the user reads.
#include <QtTest>

#include <QtWidgets>
#include <QtTest/qtestspontaneevent.h>

#include "report/main.h"
#include "tests/support/fakes.h"
#include "tests/ui/recorder.h"
#include "tests/ui/scenarios.h"
#include "ui/frmmain.h"
#include "ui/layout.h"
#include "ui/qtui.h"
#include "ui/widgets.h"

using namespace tq;
using Strings = std::vector<std::string>;

namespace {

using testing::scenarios::kBoard;
namespace scenarios = testing::scenarios;

// The fakes of the seams and the windows' user interface for one test, with
// the message boxes recorded by the fake interface (scope.ui) instead of shown.
struct Windows {
    testing::PlatformScope scope;
    ui::QtUserInterface ui{scope.platform};

    Windows() {
        scope.platform.ui = &ui;
        ui.setMessageHook([this](const std::string& p, int s, const std::string& t) { scope.ui.messageBox(p, s, t); });
    }
    ~Windows() { flush(); }
    // Lets windows that were closed be destroyed.
    static void flush() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

template <class T = QWidget>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

// Works each window of type W once it has shown, from its own event loop:
// a modal dialog or a message box.
template <class W>
class WhenShown final : public QObject {
public:
    explicit WhenShown(std::function<void(W*)> act) : act_(std::move(act)) { qApp->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        // clang-format off
        if (e->type() == QEvent::Show && o->isWidgetType())
            if (auto* w = dynamic_cast<W*>(o))
                QMetaObject::invokeMethod(this, [this, p = QPointer<W>(w)] { if (p) act_(p); }, Qt::QueuedConnection);
        // clang-format on
        return false;
    }

private:
    std::function<void(W*)> act_;
};

// Answers every real message box with Enter, recording it.
struct BoxAnswerer {
    struct Seen {
        QString text, title;
        QMessageBox::Icon icon;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    WhenShown<QMessageBox> answer{[this](QMessageBox* box) {
        seen.push_back({box->text(), box->windowTitle(), box->icon()});
        QTest::keyClick(box, Qt::Key_Return);
    }};
};

// The shared scenarios' view of the Qt windows.
class QtScreen final : public scenarios::Screen {
public:
    explicit QtScreen(Windows& w) : Screen(w.scope.ui), w_(w) {}
    void startMainWindow() override { w_.ui.startMainWindow(); }
    void showReportNameDialog() override { w_.ui.showReportNameDialog(); }
    void click(Name window, Name control) override {
        const ui::layout::Control* c = window == "frmMain" ? ui::layout::frmMain().find(control) : nullptr;
        if (c && c->has(ui::layout::kDoubleClick)) QTest::mouseDClick(find(window, control), Qt::LeftButton);
        else QTest::mouseClick(find(window, control), Qt::LeftButton);
    }
    // Keys and text go to the control last focused, whether or not the
    // offscreen window is active.
    void focus(Name window, Name control) override {
        focused_ = find(window, control);
        focused_->setFocus();
    }
    void key(Name k) override {
        if (k.rfind("Alt+", 0) == 0) {
            // The offscreen windows are never active, so shortcuts do not
            // reach them: the button the mnemonic names is clicked.
            const QString mnemonic = QStringLiteral("&") + QChar(k[4]);
            for (auto* b : w_.ui.mainWindow()->findChildren<QAbstractButton*>())
                if (b->text().contains(mnemonic, Qt::CaseInsensitive)) QTest::mouseClick(b, Qt::LeftButton);
        } else {
            QTest::keyClick(focused_, k == "Space" ? Qt::Key_Space : k == "Escape" ? Qt::Key_Escape : Qt::Key_Return);
        }
    }
    // Letters beyond ASCII come as an input method inserts them.
    void type(Name utf8) override {
        for (QChar c : q(utf8)) {
            if (c.unicode() < 128) QTest::keyClick(focused_, c.toLatin1());
            else static_cast<QLineEdit*>(focused_.data())->insert(c);
        }
    }
    void selectAll(Name window, Name control) override { find<QLineEdit>(window, control)->selectAll(); }
    void paste(Name window, Name control, Name text) override {
        QApplication::clipboard()->setText(q(text));
        find<QLineEdit>(window, control)->clear();
        find<QLineEdit>(window, control)->paste();
    }
    void setText(Name window, Name control, Name text) override {
        if (auto* e = qobject_cast<QLineEdit*>(find(window, control))) e->setText(q(text));
        else static_cast<QPlainTextEdit*>(find(window, control))->setPlainText(q(text));
    }
    std::string text(Name window, Name control) override {
        QWidget* c = find(window, control);
        if (auto* l = qobject_cast<QLabel*>(c)) return l->text().toStdString();
        if (auto* e = qobject_cast<QLineEdit*>(c)) return e->text().toStdString();
        if (auto* e = qobject_cast<QPlainTextEdit*>(c)) return e->toPlainText().toStdString();
        return "?";
    }
    bool visible(Name window, Name control) override { return find(window, control)->isVisible(); }
    bool enabled(Name window, Name control) override { return find(window, control)->isEnabled(); }
    bool checked(Name window, Name control) override { return find<QCheckBox>(window, control)->isChecked(); }
    bool hasFocus(Name w, Name c) override { return find(w, c)->window()->focusWidget() == find(w, c); }
    bool busy() override { return w_.ui.busy(); }
    bool isOpen(Name window) override {
        Windows::flush();  // closed windows are gone
        QWidget* t = top(window);
        return t && t->isVisible();
    }
    void workModal(const std::function<void()>& open, const std::function<void()>& inside) override {
        WhenShown<ui::FrmComment> work([&](ui::FrmComment* d) {
            modal_ = d;
            inside();
            if (d->isVisible()) d->reject();  // a dialog left open would hold the test
        });
        open();
        modal_ = nullptr;
    }

private:
    static QString q(Name text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
    QWidget* top(Name window) {
        if (window == "frmCuz") return w_.ui.reportNameDialog();
        if (window == "frmAbout") return w_.ui.aboutBox();
        return window == "frmComment" ? modal_.data() : static_cast<QWidget*>(w_.ui.mainWindow());
    }
    template <class T = QWidget>
    T* find(Name window, Name control) {
        QWidget* t = top(window);
        if (!t) qFatal("no window %s", std::string(window).c_str());
        return child<T>(t, std::string(control).c_str());
    }
    Windows& w_;
    QPointer<QWidget> focused_, modal_;
};

// Runs a shared scenario on the windows; true when it found no difference.
bool run(Windows& w, const std::vector<scenarios::Step>& steps, testing::QueryRecorder* wmi = nullptr) {
    QtScreen screen(w);
    const auto diffs = scenarios::run(screen, steps, wmi);
    for (const auto& d : diffs) qWarning("%s", d.c_str());
    return diffs.empty();
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void sharedScenarios();
    void panelsAndBoxes();
    void messageBoxes();
    void progressBar();
    void windowsMatchTheirTables();
};

// The shared scenarios from a fresh start: a saved report opened through the
// shell for its owner; the start notice and the progress window gone.
void WindowsTest::sharedScenarios() {
    for (const scenarios::Scenario& scenario : scenarios::kScenarios) {
        Windows w;
        testing::QueryRecorder wmi(w.scope.platform, kBoard);
        if (!scenario.onBoard) w.scope.platform.binder = wmi::bindUnavailable;
        QVERIFY2(run(w, scenario.steps(), &wmi), scenario.name);
        const auto& opened = w.scope.shell.executed;
        QCOMPARE(opened.size(), std::size_t(scenario.report != scenarios::Opens::Nothing));
        for (const auto& o : opened) QCOMPARE(o.owner != 0, scenario.report == scenarios::Opens::ForMainWindow);
        QVERIFY(w.ui.progressWindow() == nullptr);
        Windows::flush();
        for (QWidget* top : QApplication::topLevelWidgets()) QVERIFY(top->objectName() != "frmStart");
    }
}

void WindowsTest::panelsAndBoxes() {
    Windows w;
    testing::QueryRecorder wmi(w.scope.platform, kBoard);
    const auto steps = scenarios::panelsAndBoxes();
    QVERIFY(run(w, {steps.front()}, &wmi));
    QCOMPARE(wmi.count("Win32_PnPSignedDriver"), 1);  // the boxes the board ticks rebuild from one query
    QVERIFY(run(w, {steps.begin() + 1, steps.end()}, &wmi));
    QVERIFY(w.ui.mainWindow()->logic().varMBpnp().empty());
}

// Real message boxes: the title, the stop icon for style 16 only.
void WindowsTest::messageBoxes() {
    Windows w;
    w.ui.setMessageHook(nullptr);
    BoxAnswerer answer;
    w.ui.messageBox("stop", 16, "Tallyquest");
    w.ui.messageBox("The file is saved on x", 0, "File is saved");
    QVERIFY(answer.seen ==
            (std::vector<BoxAnswerer::Seen>{{"stop", "Tallyquest", QMessageBox::Critical},
                                            {"The file is saved on x", "File is saved", QMessageBox::NoIcon}}));
}

void WindowsTest::progressBar() {
    Windows w;
    w.ui.progressCreate();
    w.ui.progressVisiblePicture(0xFFFFFF, 0xC00000, false);
    w.ui.progressShow();
    QPointer<ui::FrmUpdate> window(w.ui.progressWindow());
    const QImage& img = window->picture()->image();
    const auto bgr = [&](int x, int y) {
        const QRgb p = img.pixel(x, y);
        return std::uint32_t(qBlue(p) << 16 | qGreen(p) << 8 | qRed(p));
    };
    const auto diffs = scenarios::progressBar({img.width(), img.height(), bgr, [&](int f) { w.ui.progressUpdate(f); }});
    QVERIFY2(diffs.empty(), diffs.empty() ? "" : diffs.front().c_str());

    // The title bar's close button is refused; the run's own close goes through.
    QCloseEvent request;
    QSpontaneKeyEvent::setSpontaneous(&request);
    static_cast<QObject*>(window.data())->event(&request);
    QVERIFY(!request.isAccepted() && window->isVisible());
    w.ui.progressClose();
    Windows::flush();
    QVERIFY(window.isNull());
}

// What a control needs to show its whole caption, and what it has: a label
// its text (wrapped labels their lines in the height), a check box its box
// and text, a button the text inside its frame. Empty when it fits.
QString clipped(QWidget* c) {
    const QString name = c->window()->objectName() + "." + c->objectName();
    auto plain = [](QString text) { return text.remove(QRegularExpression(QStringLiteral("&(?!&)"))); };
    auto over = [&](int need, int have) {
        return need <= have ? QString() : QStringLiteral("%1 needs %2 px, has %3").arg(name).arg(need).arg(have);
    };
    if (auto* l = qobject_cast<QLabel*>(c); l && !l->text().isEmpty()) {
        if (l->wordWrap()) return over(l->heightForWidth(l->width()), l->height());
        return over(l->sizeHint().width(), l->width());
    }
    if (auto* box = qobject_cast<QCheckBox*>(c)) return over(box->sizeHint().width(), box->width());
    if (auto* b = qobject_cast<QPushButton*>(c)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QRect inside = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        return over(b->fontMetrics().horizontalAdvance(plain(b->text())), inside.width());
    }
    return {};
}

// Every window against its table: its title, each caption as the table
// gives it (the value labels, the texts and the version box are filled in
// later) and whole in its control, the tool tips.
void WindowsTest::windowsMatchTheirTables() {
    Windows w;
    w.scope.platform.binder = wmi::bindUnavailable;
    ui::FrmMain* main = w.ui.startMainWindow();
    ui::FrmStart start;
    ui::FrmUpdate progress;
    auto* comment = new ui::FrmComment(main);
    QWidget* windows[] = {main, w.ui.showReportNameDialog(), w.ui.showAbout(), comment, &start, &progress};
    // The value labels hold data that may be longer than they are; the
    // captions are what the windows were laid out for.
    const QRegularExpression data(QStringLiteral("^(lbl(MB|Bios|SMBios|VGA|MMName)|txtPnP|T_cuz|txtComment)"));
    const auto all = ui::layout::allWindows();
    QStringList clips;
    int checked = 0;
    for (QWidget* top : windows) {
        top->show();
        const auto design =
            std::find_if(all.begin(), all.end(), [&](auto* d) { return top->objectName() == d->name.data(); });
        QVERIFY2(design != all.end(), qPrintable(top->objectName()));
        QCOMPARE(top->windowTitle().toStdString(), std::string((*design)->caption));
        for (const ui::layout::Control& c : (*design)->controls) {
            QWidget* shown = child(top, std::string(c.name).c_str());
            const QString clip = data.match(shown->objectName()).hasMatch() ? QString() : clipped(shown);
            if (!clip.isEmpty()) clips << clip;
            ++checked;
            if (ui::layout::isValueLabel(c) || c.name == "txt_Versionsangabe" || c.name == "lblHinweis") continue;
            auto* button = qobject_cast<QAbstractButton*>(shown);
            auto* label = qobject_cast<QLabel*>(shown);
            auto* frame = qobject_cast<QGroupBox*>(shown);
            const QString text = button                              ? button->text()
                                 : label && label->pixmap().isNull() ? label->text()
                                 : frame                             ? frame->title()
                                         : QString::fromUtf8(c.caption.data(), qsizetype(c.caption.size()));
            QCOMPARE(text.toStdString(), std::string(c.caption));
            if (!c.toolTip.empty()) QCOMPARE(shown->toolTip().toStdString(), std::string(c.toolTip));
        }
    }
    qDebug("checked %d", checked);
    QVERIFY(checked > 40);
    QVERIFY2(clips.isEmpty(), qPrintable(clips.join(QStringLiteral("; "))));
    delete comment;
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
