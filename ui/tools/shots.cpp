// Draws every window of the program on a snapshot and saves each as a PNG,
// for looking at the layouts: tq_ui_shots SNAPSHOT OUTDIR. With --screen
// FILE it saves the whole screen instead (under a display server, where it
// shows the windows of other programs too).
#include <cstdio>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "platform/install.h"
#include "report/main.h"
#include "ui/frmdialogs.h"
#include "ui/frmmain.h"
#include "ui/frmupdate.h"
#include "ui/qtui.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

int main(int argc, char** argv) {
    using namespace tq;
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--screen") {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen && screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: tq_ui_shots SNAPSHOT OUTDIR\n");
        return 64;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    auto save = [&](QWidget* w, const char* name) {
        QApplication::processEvents();
        w->grab().save(out + "/" + name + ".png");
        std::printf("%s: %dx%d\n", name, w->width(), w->height());
    };

    platform::InstallOptions options;
    options.applicationFolder = out.toStdString();
    platform::Platform platform;
    const auto seams = platform::installPlatform(platform, options);
    ui::QtUserInterface windows(platform);
    platform.ui = &windows;
    windows.setMessageHook(
        [](const std::string& p, int, const std::string&) { std::printf("message: %s\n", p.c_str()); });
    platform.binder = wmi::makeBinder(wmi::loadSnapshot(argv[1]));

    ui::FrmMain* main = windows.startMainWindow();
    save(main, "main-motherboard");
    main->findChild<QPushButton*>("btnVGA")->click();
    save(main, "main-vga");
    main->findChild<QPushButton*>("btnMultiMedia")->click();
    save(main, "main-multimedia");
    main->findChild<QPushButton*>("btnMotherboard")->click();

    ui::FrmCuz* cuz = windows.showReportNameDialog();
    cuz->T_cuz()->setText("WS-0815");
    save(cuz, "frmcuz");
    cuz->close();

    report::gStrComment = "Pr&uuml;fplatz 3";
    auto* comment = new ui::FrmComment(main);
    comment->show();
    save(comment, "frmComment");
    comment->close();

    windows.progressCreate();
    windows.progressVisiblePicture(0xFFFFFF, 0xC00000, false);
    windows.progressSetStatus("Scan is running, please wait...");
    windows.progressShow();
    windows.progressUpdate(57);
    save(windows.progressWindow(), "frmUpdate-57");
    windows.progressUpdate(150);
    save(windows.progressWindow(), "frmUpdate-150");
    windows.progressClose();

    auto* start = new ui::FrmStart;
    start->show();
    save(start, "frmStart");
    start->close();

    save(windows.showAbout(), "frmAbout");

    main->show();
    QApplication::processEvents();
    if (QScreen* screen = QGuiApplication::primaryScreen()) screen->grabWindow(0).save(out + "/screen.png");
    return 0;
}
