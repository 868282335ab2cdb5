// tallyquest: the windows program. Starts behind the start notice, shows
// the main window and ends when its last window closes. Reports go beside
// the program, or into the user's documents folder when the program is
// installed (its folder is a system one or not writable for the user).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "platform/install.h"
#include "platform/seams.h"
#include "report/html.h"
#include "ui/frmmain.h"
#include "ui/qtui.h"
#include "ui/widgets.h"
#include "wmi/repository.h"
#include "wmi/snapshot.h"

namespace {

const char* const kUsageText = "usage: tallyquest [--help | --version]\n"
                               "Shows a summary of this machine in a window and writes its inventory as the\n"
                               "HTML report DESIGNATION.htm, beside the program or, when it is installed, in\n"
                               "the user's documents folder. tallyquest-report writes it without windows.\n"
                               "\n"
                               "Without a display it says so and ends with status 1. Run by a user other\n"
                               "than root it cannot read the firmware table and says on standard error what\n"
                               "the report lacks (memory modules, slots, serial numbers: run with sudo).\n"
                               "\n"
                               "options:\n"
                               "  -h, --help     print this help\n"
                               "  -V, --version  print the program's version\n"
                               "\n"
                               "environment:\n"
                               "  TALLYQUEST_SNAPSHOT  answer the management queries from a snapshot file\n";

// Where the reports of an installed program go: the user's documents folder
// (the home folder when the desktop names none), made when it is missing.
std::string documentsFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty()) docs = QDir::homePath();
    QDir().mkpath(docs);
    return QDir::toNativeSeparators(docs).toStdString();
}

// The windows as the report run sees them, with the progress window's
// status telling what the report lacks when this user could not read the
// whole machine.
class StatusNotingUi final : public tq::platform::UserInterface {
public:
    StatusNotingUi(tq::platform::UserInterface& inner, const tq::platform::ReadingLimits& limits)
        : inner_(inner), limits_(limits) {}
    void messageBox(const std::string& prompt, int style, const std::string& title) override {
        inner_.messageBox(prompt, style, title);
    }
    void setMousePointer(int pointer) override { inner_.setMousePointer(pointer); }
    void progressCreate() override { inner_.progressCreate(); }
    void progressSetCaption(const std::string& caption) override { inner_.progressSetCaption(caption); }
    void progressVisiblePicture(std::uint32_t back, std::uint32_t fore, bool bold) override {
        inner_.progressVisiblePicture(back, fore, bold);
    }
    void progressSetStatus(const std::string& text) override {
        // What is lacking, without the source's path: "memory modules ...
        // need root: run with sudo".
        std::string note = limits_.sentence();
        if (const auto cut = note.find("): "); cut != std::string::npos) note.erase(0, cut + 3);
        inner_.progressSetStatus(note.empty() ? text : text + " - " + note);
    }
    void progressShow() override { inner_.progressShow(); }
    void progressUpdate(std::int32_t percent) override { inner_.progressUpdate(percent); }
    void progressClose() override { inner_.progressClose(); }
    std::uintptr_t mainWindowHandle() override { return inner_.mainWindowHandle(); }
    void closeMainWindow() override { inner_.closeMainWindow(); }
    void closeReportNameDialog() override { inner_.closeReportNameDialog(); }
    bool onboardTicked(tq::platform::OnboardBox box) override { return inner_.onboardTicked(box); }

private:
    tq::platform::UserInterface& inner_;
    const tq::platform::ReadingLimits& limits_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace tq;
    // Answered on the terminal, before anything needs a display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") return std::fputs(kUsageText, stdout), 0;
        if (a == "--version" || a == "-V") return std::printf("tallyquest %s\n", TQ_VERSION), 0;
    }
    // Without a display Qt ends with its advice to reinstall: one line of
    // ours instead, and status 1. What Qt says while it starts is held
    // until then.
    static QStringList held;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
            std::fputs("tallyquest: no display to show the windows on (DISPLAY or WAYLAND_DISPLAY); "
                       "tallyquest-report writes the report without windows\n",
                       stderr);
            std::_Exit(1);
        }
        held << text;
        if (type == QtFatalMsg) {
            for (const QString& line : held) std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
            std::abort();
        }
    });
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    for (const QString& line : held) std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    QApplication::setApplicationName(QStringLiteral("Tallyquest"));
    QApplication::setWindowIcon(ui::programIcon());

    platform::InstallOptions options;
    if (!platform::fitForUserFiles(platform::programFolder())) options.applicationFolder = documentsFolder();
    platform::Platform platform;
    const auto seams = platform::installPlatform(platform, options);
    ui::QtUserInterface windows(platform);
    options.limits = std::make_shared<platform::ReadingLimits>();
    StatusNotingUi noting(windows, *options.limits);
    platform.ui = &noting;

    // TALLYQUEST_SNAPSHOT answers the management queries from a snapshot file.
    const char* snapshot = std::getenv("TALLYQUEST_SNAPSHOT");
    wmi::Binder binder;
    if (snapshot && *snapshot) {
        try {
            binder = wmi::makeBinder(wmi::loadSnapshot(snapshot));
        } catch (const std::exception& e) {
            windows.messageBox(e.what(), report::kStyleCritical, std::string(report::kAppTitle));
            return 1;
        }
    }
    platform.binder = platform::tracedProgramBinder(std::move(binder), options);

    windows.startMainWindow();
    const int status = QApplication::exec();
    // What this user could not read of the machine, said once.
    if (const std::string note = options.limits->sentence(); !note.empty())
        std::fprintf(stderr, "tallyquest: %s\n", note.c_str());
    return status;
}
