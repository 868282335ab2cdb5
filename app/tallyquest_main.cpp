// tallyquest: the windows program. Starts behind the start notice, shows
// the main window and ends when its last window closes.
#include <cstdlib>
#include <exception>
#include <string>

#include <QApplication>

#include "platform/install.h"
#include "platform/seams.h"
#include "report/html.h"
#include "ui/frmmain.h"
#include "ui/qtui.h"
#include "ui/widgets.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

int main(int argc, char** argv) {
    using namespace tq;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyquest"));
    QApplication::setWindowIcon(ui::programIcon());

    const platform::InstallOptions options;
    platform::installPlatform(options);
    ui::QtUserInterface windows;
    platform::current().ui = &windows;

    // TALLYQUEST_SNAPSHOT answers the management queries from a snapshot file.
    const char* snapshot = std::getenv("TALLYQUEST_SNAPSHOT");
    if (snapshot && *snapshot) {
        try {
            wmi::setBinder(wmi::makeBinder(wmi::loadSnapshot(snapshot)));
        } catch (const std::exception& e) {
            windows.messageBox(e.what(), report::kStyleCritical, std::string(report::kAppTitle));
            return 1;
        }
    } else {
        wmi::setBinder(platform::platformBinder(options));
    }

    windows.startMainWindow();
    return QApplication::exec();
}
