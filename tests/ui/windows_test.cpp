// The six windows on the offscreen platform: start-up, panels, check boxes,
// the report-name and comment dialogs, a whole run, the progress bar and the
// about box.
#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/qtestspontaneevent.h>

#include <fstream>
#include <sstream>

#include "platform/install.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "tests/ui/recorder.h"
#include "ui/frmdialogs.h"
#include "ui/frmmain.h"
#include "ui/frmupdate.h"
#include "ui/qtui.h"
#include "ui/widgets.h"
#include "wmi/trap.h"

using namespace tq;

namespace {

const char* const kBoard = R"({
  "Win32_ComputerSystemProduct": [{"Name": "H370 HD3", "Vendor": "Gigabyte"}],
  "Win32_Bios": [{"Manufacturer": "AMI", "Description": "F14", "SMBIOSBIOSVersion": "F14"}],
  "Win32_OnBoardDevice": [{"DeviceType": 3}, {"DeviceType": 7}],
  "Win32_PnPSignedDriver": [{"DeviceName": "SMBus", "DeviceClass": "SYSTEM", "DeviceID": "PCI\\VEN_8086&DEV_A323&REV_10\\3&1"}],
  "Win32_VideoController": [{"Name": "UHD 630", "Description": "UHD 630", "PNPDeviceID": "PCI\\VEN_8086&DEV_3E92&REV_00\\3&1",
                             "CurrentBitsPerPixel": 32}],
  "Win32_SoundDevice": [{"Caption": "Realtek Audio", "Description": "Realtek Audio", "Manufacturer": "Realtek",
                         "DeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1", "PNPDeviceID": "HDAUDIO\\FUNC_01&VEN_10EC&REV_1003\\4&1"}],
  "Win32_NetworkAdapter": [{"Description": "I211", "PNPDeviceID": "PCI\\VEN_8086&DEV_1539&REV_03\\1",
                            "MACAddress": "AA:BB:CC:DD:EE:FF", "NetConnectionID": "Ethernet"}]
})";

// The fakes of the seams, the windows' user interface and a record of the
// message boxes, for one test.
struct Windows {
    testing::PlatformScope scope;
    ui::QtUserInterface ui;
    std::vector<testing::Message> messages;
    std::function<void(const testing::Message&)> onMessage;

    Windows() {
        platform::current().ui = &ui;
        ui.setMessageHook([this](const std::string& p, int s, const std::string& t) {
            messages.push_back({p, s, t});
            if (onMessage) onMessage(messages.back());
        });
    }
    ~Windows() { flush(); }

    std::vector<std::string> prompts() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.prompt);
        return out;
    }
    // Lets windows that were closed be destroyed.
    static void flush() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

QString label(QWidget* w, const char* name) { return child<QLabel>(w, name)->text(); }

// Answers the next message box that opens with the Enter key, recording it.
struct BoxAnswerer {
    struct Seen {
        QString text, title;
        QMessageBox::Icon icon;
    };
    std::vector<Seen> seen;
    QTimer timer;
    BoxAnswerer() {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen.push_back({box->text(), box->windowTitle(), box->icon()});
            QTest::keyClick(box, Qt::Key_Return);
        });
        timer.start();
    }
};

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void startupWithUnreachableService();
    void boardWithOnBoardVideoAndSound();
    void panelSwitchingFetchesOnce();
    void checkBoxRebuild();
    void designationKeyFilterAndPaste();
    void emptyDesignationIsRefused();
    void commentDialog();
    void wholeRunByKeyboard();
    void secondStartIsRefusedDuringARun();
    void progressBarPixels();
    void progressWindowRefusesUserClose();
    void aboutBoxRegistryOutcomes();
    void realMessageBoxes();
};

void WindowsTest::startupWithUnreachableService() {
    Windows w;
    wmi::setBinder(wmi::bindUnavailable);
    ui::FrmMain* main = w.ui.startMainWindow();
    QCOMPARE(w.prompts(), (std::vector<std::string>{"Error: try to get vga pnp's",
                                                    "Error: try to get motherboarddata in Modul 'MB'",
                                                    "Error: try to get motherboard pnp's"}));
    QCOMPARE(w.messages[1].style, 16);
    for (const char* name : {"lblMBProduct", "lblMBDescription", "lblMBManufacturer", "lblBiosManufacturer",
                             "lblBiosDescription", "lblSMBios", "lblVGAColor", "lblVGADriverDate",
                             "lblVGADriverVersion", "lblVGAName", "lblVGAVideoMode", "lblVGAVideoRam"})
        QCOMPARE(label(main, name), QStringLiteral("unknown"));
    QCOMPARE(label(main, "lblMBMacAddress"), QStringLiteral("not enable"));
    QCOMPARE(child<QPlainTextEdit>(main, "txtPnP")->toPlainText(), QString());
    QVERIFY(!child<QCheckBox>(main, "chkVGA")->isChecked());
    QVERIFY(!child<QCheckBox>(main, "chkAudio")->isChecked());
    QVERIFY(child<QCheckBox>(main, "chkLan")->isChecked());
    QVERIFY(main->isVisible());
    QVERIFY(child<QGroupBox>(main, "F_Motherboard")->isVisible());
    QVERIFY(!child<QGroupBox>(main, "F_VGA")->isVisible());
    QCOMPARE(main->windowTitle(), QStringLiteral("Tallyquest"));
    QCOMPARE(main->size(), QSize(798, 401));  // 11970 by 6015 twips at 96 dpi
    QVERIFY(!w.ui.busy());
    Windows::flush();
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY2(top->objectName() != "frmStart", "the start notice is gone");
    QCOMPARE(child<QLabel>(main, "imgInfo")->toolTip(), QStringLiteral("About Tallyquest"));
    QCOMPARE(child<QPushButton>(main, "btnCreateReport")->text(), QStringLiteral("create &report"));
    QCOMPARE(child<QPushButton>(main, "btnEnde")->geometry(), QRect(664, 360, 121, 33));
}

void WindowsTest::boardWithOnBoardVideoAndSound() {
    Windows w;
    testing::QueryRecorder wmi(kBoard);
    ui::FrmMain* main = w.ui.startMainWindow();
    QVERIFY(w.messages.empty());
    QVERIFY(child<QCheckBox>(main, "chkVGA")->isChecked());
    QVERIFY(child<QCheckBox>(main, "chkAudio")->isChecked());
    QVERIFY(child<QCheckBox>(main, "chkLan")->isChecked());
    QCOMPARE(label(main, "lblMBProduct"), QStringLiteral("H370 HD3"));
    QCOMPARE(label(main, "lblMBDescription"), QStringLiteral("Base Board"));
    QCOMPARE(label(main, "lblMBMacAddress"), QStringLiteral("AA:BB:CC:DD:EE:FF"));
    const QString text = child<QPlainTextEdit>(main, "txtPnP")->toPlainText();
    QCOMPARE(text, QStringLiteral("SMBus\nPCI\\VEN_8086&DEV_A323&REV_10\n\n"
                                  "UHD 630\nPCI\\VEN_8086&DEV_3E92&REV_00\\3&1\n\n"
                                  "Realtek Audio\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\n\n"
                                  "I211\nPCI\\VEN_8086&DEV_1539&REV_03\nMac-Address: AA:BB:CC:DD:EE:FF\n\n"));
    QCOMPARE(main->logic().varMBpnp(), ui::toCrLf(text));
}

void WindowsTest::panelSwitchingFetchesOnce() {
    Windows w;
    testing::QueryRecorder wmi(kBoard);
    ui::FrmMain* main = w.ui.startMainWindow();
    auto* txt = child<QPlainTextEdit>(main, "txtPnP");
    const QString mb = txt->toPlainText();
    const int sound = wmi.count("SELECT * FROM Win32_SoundDevice");

    QTest::mouseClick(child<QPushButton>(main, "btnMultiMedia"), Qt::LeftButton);
    QVERIFY(child<QGroupBox>(main, "F_MultiMedia")->isVisible());
    QVERIFY(!child<QGroupBox>(main, "F_Motherboard")->isVisible());
    QVERIFY(!child<QCheckBox>(main, "chkLan")->isEnabled());
    QCOMPARE(txt->toPlainText(), QStringLiteral("Manufacturer: Realtek\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\n"));
    QVERIFY(child<QLabel>(main, "lblMMName_0")->isVisible());
    QCOMPARE(label(main, "lblMMName_0"), QStringLiteral("Realtek Audio"));
    QVERIFY(!child<QLabel>(main, "lblMMName_1")->isVisible());
    QCOMPARE(wmi.count("SELECT * FROM Win32_SoundDevice"), sound + 1);

    QTest::mouseClick(child<QPushButton>(main, "btnVGA"), Qt::LeftButton);
    QVERIFY(child<QGroupBox>(main, "F_VGA")->isVisible());
    QCOMPARE(label(main, "lblVGAColor"), QStringLiteral("32 Bit"));
    QCOMPARE(txt->toPlainText(), QStringLiteral("UHD 630\nPCI\\VEN_8086&DEV_3E92&REV_00\\3&1\n\n"));

    // Back on a panel already fetched: nothing is asked again, and the same
    // button twice changes nothing even when the field was edited meanwhile.
    const std::size_t queries = wmi.queries.size();
    QTest::mouseClick(child<QPushButton>(main, "btnMotherboard"), Qt::LeftButton);
    QCOMPARE(txt->toPlainText(), mb);
    QVERIFY(child<QCheckBox>(main, "chkVGA")->isEnabled());
    txt->setPlainText("edited");
    QTest::mouseClick(child<QPushButton>(main, "btnMotherboard"), Qt::LeftButton);
    QCOMPARE(txt->toPlainText(), QStringLiteral("edited"));
    QTest::mouseClick(child<QPushButton>(main, "btnMultiMedia"), Qt::LeftButton);
    QCOMPARE(wmi.queries.size(), queries);
}

void WindowsTest::checkBoxRebuild() {
    Windows w;
    testing::QueryRecorder wmi(kBoard);
    ui::FrmMain* main = w.ui.startMainWindow();
    auto* txt = child<QPlainTextEdit>(main, "txtPnP");
    QTest::mouseClick(child<QCheckBox>(main, "chkLan"), Qt::LeftButton);
    QVERIFY(!txt->toPlainText().contains("I211"));
    QCOMPARE(label(main, "lblMBMacAddress"), QStringLiteral("not enable"));
    QTest::mouseClick(child<QCheckBox>(main, "chkVGA"), Qt::LeftButton);
    QCOMPARE(txt->toPlainText(), QStringLiteral("SMBus\nPCI\\VEN_8086&DEV_A323&REV_10\n\n"
                                                "Realtek Audio\nHDAUDIO\\FUNC_01&VEN_10EC&REV_1003\n\n"));
    QVERIFY(txt->isEnabled());
    QVERIFY(!w.ui.busy());
    // The space bar ticks like a click.
    child<QCheckBox>(main, "chkLan")->setFocus();
    QTest::keyClick(child<QCheckBox>(main, "chkLan"), Qt::Key_Space);
    QVERIFY(txt->toPlainText().contains("Mac-Address: AA:BB:CC:DD:EE:FF"));
    QCOMPARE(main->logic().varMBpnp(), ui::toCrLf(txt->toPlainText()));
}

void WindowsTest::designationKeyFilterAndPaste() {
    Windows w;
    wmi::setBinder(wmi::bindUnavailable);
    ui::FrmCuz* cuz = w.ui.showReportNameDialog();
    QCOMPARE(cuz->windowTitle(), QStringLiteral("Set Filename"));
    QCOMPARE(cuz->size(), QSize(297, 79));
    QLineEdit* field = cuz->T_cuz();
    QCOMPARE(field->objectName(), QStringLiteral("T_cuz"));
    QTest::keyClicks(field, "PC\\01/a:b*c?d<e>f|g\"h");
    QCOMPARE(field->text(), QStringLiteral("PC01abcdefgh"));

    // A typed reserved character leaves the field alone, selection included.
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Slash);
    QCOMPARE(field->text(), QStringLiteral("PC01abcdefgh"));
    QCOMPARE(field->selectedText(), QStringLiteral("PC01abcdefgh"));

    // Pasted text passes the same filter.
    QApplication::clipboard()->setText(QStringLiteral("..\\..\\etc/passwd"));
    field->clear();
    field->paste();
    QCOMPARE(field->text(), QStringLiteral("....etcpasswd"));
    field->setCursorPosition(2);
    field->insert(QStringLiteral("<x>"));
    QCOMPARE(field->text(), QStringLiteral("..x..etcpasswd"));
    QCOMPARE(field->cursorPosition(), 3);

    // The same dialog comes to the front again, with its text as typed.
    QCOMPARE(w.ui.showReportNameDialog(), cuz);
    QCOMPARE(cuz->T_cuz()->text(), QStringLiteral("..x..etcpasswd"));
    // Escape does nothing here; Cancel closes.
    QTest::keyClick(cuz, Qt::Key_Escape);
    QVERIFY(cuz->isVisible());
    QTest::mouseClick(child<QPushButton>(cuz, "bb_cuzabbrechen"), Qt::LeftButton);
    QVERIFY(!cuz->isVisible());
    Windows::flush();
    QVERIFY(w.ui.reportNameDialog() == nullptr);
}

void WindowsTest::emptyDesignationIsRefused() {
    Windows w;
    report::gStrFileName = "kept.htm";
    ui::FrmCuz* cuz = w.ui.showReportNameDialog();
    auto* ok = child<QPushButton>(cuz, "bb_cuzokay");
    QVERIFY(ok->isDefault());
    ok->setFocus();
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(w.prompts(), std::vector<std::string>{"Bitte das Feld Bezeichnung ausf\xC3\xBCllen"});
    QCOMPARE(w.messages[0].style, 16);
    QCOMPARE(w.messages[0].title, std::string("Tallyquest"));
    QVERIFY(cuz->isVisible());
    QCOMPARE(cuz->focusWidget(), static_cast<QWidget*>(cuz->T_cuz()));
    QCOMPARE(report::gStrFileName, std::string("kept.htm"));
    QVERIFY(w.scope.files.content("C:\\Tallyquest\\.htm").empty());
    QVERIFY(w.scope.files.find("C:\\Tallyquest\\.htm") == nullptr);
}

void WindowsTest::commentDialog() {
    Windows w;
    wmi::setBinder(wmi::bindUnavailable);
    ui::FrmMain* main = w.ui.startMainWindow();
    auto* logo = child<QLabel>(main, "imgLogo");

    // The dialog is modal: it is worked from a timer while it runs.
    auto work = [](std::function<void(ui::FrmComment*)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = dynamic_cast<ui::FrmComment*>(QApplication::activeModalWidget());
            if (!dialog) qFatal("the comment dialog is not open");
            act(dialog);
        });
    };
    QString shown;
    work([&](ui::FrmComment* d) {
        shown = d->txtComment()->text();
        QCOMPARE(d->windowTitle(), QStringLiteral("Comment"));
        QCOMPARE(d->parentWidget(), static_cast<QWidget*>(main));
        QTest::keyClicks(d->txtComment(), "M");
        d->txtComment()->insert(QString::fromUtf8("\xC3\xBC"));  // typed through an input method
        QTest::keyClicks(d->txtComment(), "ller \"1\"");
        QTest::keyClick(d->txtComment(), Qt::Key_Return);  // no default button: stays open
        QVERIFY(d->isVisible());
        QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
    });
    QTest::mouseDClick(logo, Qt::LeftButton);
    QCOMPARE(shown, QString());
    QCOMPARE(report::gStrComment, std::string("M&uuml;ller &quot;1&quot;"));

    work([&](ui::FrmComment* d) {
        shown = d->txtComment()->text();
        d->txtComment()->setText("changed");
        QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::mouseDClick(logo, Qt::LeftButton);
    QCOMPARE(shown, QStringLiteral("M&uuml;ller &quot;1&quot;"));
    QCOMPARE(report::gStrComment, std::string("M&uuml;ller &quot;1&quot;"));

    work([&](ui::FrmComment* d) {
        d->txtComment()->clear();
        QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
    });
    QTest::mouseDClick(logo, Qt::LeftButton);
    QCOMPARE(report::gStrComment, std::string());
}

void WindowsTest::wholeRunByKeyboard() {
    testing::PlatformScope base;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    platform::InstallOptions options;
    options.applicationFolder = folder.path().toStdString();
    platform::installPlatform(options);
    testing::FakeShell shell;
    platform::current().shell = &shell;
    ui::QtUserInterface windows;
    platform::current().ui = &windows;
    wmi::setBinder(wmi::makeBinder(wmi::loadSnapshot(TQ_SOURCE_DIR "/tests/data/realistic-machine.json")));

    ui::FrmMain* main = windows.startMainWindow();
    QPointer<ui::FrmMain> alive(main);
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));

    // Alt+R, the designation, Enter; Enter again on "File is saved".
    // Keys go to the active window as the window system delivers them.
    QTest::keyClick(main->windowHandle(), Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY(windows.reportNameDialog() != nullptr);  // a mnemonic clicks a moment later
    ui::FrmCuz* cuz = windows.reportNameDialog();
    QVERIFY(cuz->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(cuz));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cuz->T_cuz()));
    for (char c : std::string("WS-0815")) QTest::keyClick(cuz->windowHandle(), c);
    QCOMPARE(cuz->T_cuz()->text(), QStringLiteral("WS-0815"));
    BoxAnswerer answer;
    QTest::keyClick(cuz->windowHandle(), Qt::Key_Return);

    const std::string path = platform::files().applicationFolder() + "\\WS-0815.htm";
    QCOMPARE(answer.seen.size(), std::size_t(1));
    QCOMPARE(answer.seen[0].text, QString::fromStdString("The file is saved on " + path));
    QCOMPARE(answer.seen[0].title, QStringLiteral("File is saved"));
    QCOMPARE(answer.seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(shell.executed.size(), std::size_t(1));
    QCOMPARE(shell.executed[0].verb, std::string("Open"));
    QCOMPARE(shell.executed[0].file, path);
    QVERIFY(shell.executed[0].owner != 0);
    QVERIFY(windows.progressWindow() == nullptr);
    Windows::flush();
    QVERIFY(alive.isNull());  // the run closed the main window
    QVERIFY(!windows.busy());

    const std::string html = readFile(folder.filePath("WS-0815.htm"));
    QVERIFY(html.rfind("<html>", 0) == 0 || html.find("<html") != std::string::npos);
    QVERIFY(html.find("WS-0815") != std::string::npos);
    QVERIFY(html.find("H370 HD3") != std::string::npos);
    QVERIFY(html.find("</html>") != std::string::npos);
    QCOMPARE(html.substr(html.size() - 2), std::string("\r\n"));
}

void WindowsTest::secondStartIsRefusedDuringARun() {
    Windows w;
    testing::QueryRecorder wmi(kBoard);
    ui::FrmMain* main = w.ui.startMainWindow();
    bool tried = false;
    wmi.onQuery = [&](const std::string& q) {
        // Between two sections of the run the user tries again and leaves.
        if (tried || q.find("Win32_Processor") == std::string::npos) return;
        tried = true;
        QVERIFY(report::reportRunning());
        QTest::mouseClick(child<QPushButton>(main, "btnCreateReport"), Qt::LeftButton);
        QVERIFY(w.ui.reportNameDialog() == nullptr);
        QTest::mouseClick(child<QPushButton>(main, "btnEnde"), Qt::LeftButton);
        QVERIFY(main->isVisible());
        // A panel whose fetch fails leaves the run's pending failure as it was.
        const Failure runs{-7, "the run's own"};
        trap::setPending(runs);
        wmi.failing = "SELECT * FROM Win32_SoundDevice";
        QTest::mouseClick(child<QPushButton>(main, "btnMultiMedia"), Qt::LeftButton);
        wmi.failing.clear();
        QCOMPARE(trap::pending(), runs);
    };
    w.scope.files.add("C:\\Tallyquest\\PC.htm");
    ui::FrmCuz* cuz = w.ui.showReportNameDialog();
    cuz->T_cuz()->setText("PC");
    QTest::mouseClick(child<QPushButton>(cuz, "bb_cuzokay"), Qt::LeftButton);
    QVERIFY(tried);
    QCOMPARE(w.prompts().front(), std::string("Error: try to get multi media pnp's"));
    QCOMPARE(w.prompts().back(), std::string("The file is saved on C:\\Tallyquest\\PC.htm"));
    QCOMPARE(w.scope.shell.executed.size(), std::size_t(1));
}

void WindowsTest::progressBarPixels() {
    ui::FrmUpdate window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(window.size(), QSize(542, 115));
    QCOMPARE(window.lblHinweis()->text(), QString());
    window.gSubVisiblePicture(0xFFFFFF, 0xC00000, false);
    const QColor blue(0, 0, 192);
    const QImage& img = window.picture()->image();
    const int width = img.width();
    QCOMPARE(img.pixelColor(width / 2, 0), QColor(Qt::white));

    auto columnsOf = [&](const QColor& c, int row) {
        int n = 0;
        for (int x = 0; x < width; ++x) n += img.pixelColor(x, row) == c;
        return n;
    };
    window.gSubUpdateStatus(57);
    const int bar = int(std::lround(57 * width / 100.0));
    // The top row holds no text: the bar alone, 57 of 100 units.
    QCOMPARE(columnsOf(blue, 0), bar);
    QCOMPARE(img.pixelColor(bar - 1, 0), blue);
    QCOMPARE(img.pixelColor(bar, 0), QColor(Qt::white));
    // The text lies inside the bar, white on blue; nothing blue right of it.
    int whiteInBar = 0, blueOutside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < width; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (x < bar && c == QColor(Qt::white)) ++whiteInBar;
            if (x >= bar && c != QColor(Qt::white)) ++blueOutside;
        }
    QVERIFY(whiteInBar > 10);
    QCOMPARE(blueOutside, 0);

    // The same text drawn alone is where the bar shows white.
    window.gSubUpdateStatus(150);
    QCOMPARE(columnsOf(blue, 0), width);
    QCOMPARE(columnsOf(blue, img.height() - 1), width);
    int whiteAt100 = 0;
    for (int y = 0; y < img.height(); ++y) whiteAt100 += columnsOf(QColor(Qt::white), y);
    window.gSubUpdateStatus(100);
    int whiteAgain = 0;
    for (int y = 0; y < img.height(); ++y) whiteAgain += columnsOf(QColor(Qt::white), y);
    QCOMPARE(whiteAt100, whiteAgain);  // 150 draws exactly as 100
    QVERIFY(whiteAt100 > whiteInBar);  // "100%" has more ink than "57%"
}

void WindowsTest::progressWindowRefusesUserClose() {
    Windows w;
    w.ui.progressCreate();
    w.ui.progressShow();
    QPointer<ui::FrmUpdate> window(w.ui.progressWindow());
    QVERIFY(window);
    // The title bar's close button: a close request from the window system.
    QCloseEvent request;
    QSpontaneKeyEvent::setSpontaneous(&request);
    static_cast<QObject*>(window.data())->event(&request);  // as delivered, flag kept
    QVERIFY(!request.isAccepted());
    QVERIFY(window && window->isVisible());
    w.ui.progressClose();
    Windows::flush();
    QVERIFY(window.isNull());
}

namespace {
class OneValueRegistry final : public platform::Registry {
public:
    std::string key, name, value;
    std::uint32_t type = 1;
    long openKey(std::uint32_t, const std::string& path, std::uint32_t, std::uintptr_t& h) override {
        if (path != key) return 2;
        h = 7;
        return 0;
    }
    long queryValue(std::uintptr_t, const std::string& n, std::uint32_t& t, std::string& buffer,
                    std::uint32_t& size) override {
        if (n != name) return 2;
        t = type;
        buffer.replace(0, value.size() + 1, value + '\0');
        size = static_cast<std::uint32_t>(value.size() + 1);
        return 0;
    }
    long closeKey(std::uintptr_t) override { return 0; }
};
}  // namespace

void WindowsTest::aboutBoxRegistryOutcomes() {
    struct Case {
        const char* key;
        const char* name;
        std::uint32_t type;
        const char* value;
        std::vector<std::string> existing;
        std::vector<std::string> launched;
    };
    const Case cases[] = {
        {"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", 1, "/usr/bin/hardinfo", {}, {"/usr/bin/hardinfo"}},
        {"SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", 1, "C:\\Tools", {"C:\\Tools\\MSINFO32.EXE"},
         {"C:\\Tools\\MSINFO32.EXE"}},
        {"SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", 1, "C:\\Empty", {}, {}},
        {"SOFTWARE\\Nothing", "PATH", 1, "x", {}, {}},
    };
    for (const Case& c : cases) {
        Windows w;
        OneValueRegistry registry;
        registry.key = c.key;
        registry.name = c.name;
        registry.type = c.type;
        registry.value = c.value;
        platform::current().registry = &registry;
        w.scope.shell.existing = c.existing;
        ui::FrmAbout* about = w.ui.showAbout();
        QTest::mouseClick(child<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
        QCOMPARE(w.scope.shell.launched, c.launched);
        if (c.launched.empty())
            QCOMPARE(w.prompts(), std::vector<std::string>{"System Information Is Unavailable At This Time"});
        else
            QVERIFY(w.messages.empty());
        QVERIFY(about->isVisible());  // the about box stays open either way
    }

    Windows w;
    wmi::setBinder(wmi::bindUnavailable);
    ui::FrmMain* main = w.ui.startMainWindow();
    w.messages.clear();
    QTest::mouseClick(child<QLabel>(main, "imgInfo"), Qt::LeftButton);
    ui::FrmAbout* about = w.ui.aboutBox();
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Tallyquest"));
    QCOMPARE(about->size(), QSize(417, 310));
    QVERIFY(child<QPlainTextEdit>(about, "txt_Versionsangabe")->toPlainText().startsWith("Version  3.4.11" + QString(31, ' ')));
    QVERIFY(child<QPushButton>(about, "cmdOK")->isDefault());
    QCOMPARE(about->focusWidget(), static_cast<QWidget*>(child<QPushButton>(about, "cmdOK")));
    QTest::keyClick(about, Qt::Key_Escape);
    QVERIFY(!about->isVisible());
    Windows::flush();
    about = w.ui.showAbout();
    QTest::keyClick(child<QPushButton>(about, "cmdOK"), Qt::Key_Return);
    QVERIFY(!about->isVisible());
    // The main window closing first leaves an open about box alone.
    about = w.ui.showAbout();
    QTest::mouseClick(child<QPushButton>(main, "btnEnde"), Qt::LeftButton);
    Windows::flush();
    QVERIFY(w.ui.mainWindow() == nullptr);
    QVERIFY(about->isVisible());
}

void WindowsTest::realMessageBoxes() {
    Windows w;
    w.ui.setMessageHook(nullptr);
    BoxAnswerer answer;
    w.ui.messageBox("Error: try to get motherboarddata in Modul 'MB'", 16, "Tallyquest");
    w.ui.messageBox("System Information Is Unavailable At This Time", 0, "Tallyquest");
    QCOMPARE(answer.seen.size(), std::size_t(2));
    QCOMPARE(answer.seen[0].icon, QMessageBox::Critical);
    QCOMPARE(answer.seen[0].title, QStringLiteral("Tallyquest"));
    QCOMPARE(answer.seen[1].icon, QMessageBox::NoIcon);
    QCOMPARE(answer.seen[1].text, QStringLiteral("System Information Is Unavailable At This Time"));
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
