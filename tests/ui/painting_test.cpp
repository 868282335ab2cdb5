// The start notice and the progress window on a real display server: while
// the program is busy (a slow management service), what the server shows of
// each window is read back and must be the window as painted, not an empty
// frame. A window manager that takes its time to map windows runs alongside,
// as a desktop's does.
#include <QtTest>

#include <QtWidgets>

#include <poll.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/install.h"
#include "report/main.h"
#include "tests/support/fakes.h"
#include "tests/ui/recorder.h"
#include "ui/dialoglogic.h"
#include "ui/frmmain.h"
#include "ui/frmupdate.h"
#include "ui/qtui.h"

using namespace tq;

namespace {

const char* const kMachine = R"({
  "Win32_ComputerSystemProduct": [{"Name": "H370 HD3", "Vendor": "Gigabyte"}],
  "Win32_Bios": [{"Manufacturer": "AMI", "SMBIOSBIOSVersion": "F14"}],
  "Win32_Processor": [{"Name": "Core i5"}],
  "Win32_VideoController": [{"Name": "UHD 630", "PNPDeviceID": "PCI\\VEN_8086&DEV_3E92&REV_00\\3&1"}]
})";

// A visible top-level window by name, or none.
QWidget* shown(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
    return nullptr;
}

// The window's client area as the display server holds it, taken without
// letting the program handle a single event.
QImage onScreen(QWidget* w) {
    return w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of a part of an image that pass a test.
template <class Test>
int count(const QImage& img, const QRect& part, Test test) {
    int n = 0;
    const QRect r = part.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += test(img.pixelColor(x, y));
    return n;
}
// Text pixels: clearly darker than any window's face.
bool ink(QColor c) { return qGray(c.rgb()) < 96; }

// The part of a window manager that matters here: it takes over mapping the
// windows of the display and maps each one a while after it was asked to, on
// a connection and a thread of its own. (Moves and resizes it drops.)
class SlowWindowManager {
public:
    explicit SlowWindowManager(std::chrono::milliseconds delay) : delay_(delay) {
        c_ = xcb_connect(std::getenv("DISPLAY"), nullptr);
        if (xcb_connection_has_error(c_)) return;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        xcb_generic_error_t* error =
            xcb_request_check(c_, xcb_change_window_attributes_checked(c_, root, XCB_CW_EVENT_MASK, &mask));
        running_ = !error;  // else another manager runs already
        if (running_) thread_ = std::thread([this] { run(); });
        std::free(error);
    }
    ~SlowWindowManager() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        xcb_disconnect(c_);
    }

private:
    void run() {
        pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
        while (running_) {
            xcb_generic_event_t* e = xcb_poll_for_event(c_);
            if (!e) {
                poll(&fd, 1, 20);
                continue;
            }
            if ((e->response_type & 0x7F) == XCB_MAP_REQUEST) {
                std::this_thread::sleep_for(delay_);
                xcb_map_window(c_, reinterpret_cast<xcb_map_request_event_t*>(e)->window);
            }
            std::free(e);
            xcb_flush(c_);
        }
    }

    std::chrono::milliseconds delay_;
    xcb_connection_t* c_ = nullptr;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace

class PaintingTest : public QObject {
    Q_OBJECT

private slots:
    void windowsPaintedWhileBusy();
};

// Frozen in a query: the start notice in the first one, the progress window
// right after a section; each has its text, the notice its face throughout,
// the bar its blue at the percentage last set.
void PaintingTest::windowsPaintedWhileBusy() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (the test runs under xvfb-run)");
    SlowWindowManager manager(std::chrono::milliseconds(100));
    testing::PlatformScope scope;
    ui::QtUserInterface windows(scope.platform);
    scope.platform.ui = &windows;
    windows.setMessageHook([](const std::string&, int, const std::string&) {});
    testing::QueryRecorder wmi(scope.platform, kMachine);
    struct Seen {
        const char *window, *query, *text;
        int percent;  // the bar's, or none
        QImage image;
        QRect status, bar;
        QColor face;
    };
    Seen checks[] = {{"frmStart", "", "lblCenter", -1, {}, {}, {}, {}},
                     {"frmUpdate", "Win32_Processor", "lblHinweis", 10, {}, {}, {}, {}},
                     {"frmUpdate", "Win32_OperatingSystem", "lblHinweis", 70, {}, {}, {}, {}}};
    wmi.onQuery = [&](const std::string& q) {
        for (Seen& c : checks) {
            if (!c.image.isNull() || q.find(c.query) == std::string::npos) continue;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));  // a slow service
            QWidget* window = shown(c.window);
            QVERIFY2(window, c.window);
            c.image = onScreen(window);
            c.status = window->findChild<QLabel*>(c.text)->geometry();
            if (c.percent >= 0) c.bar = dynamic_cast<ui::FrmUpdate*>(window)->picture()->geometry();
            c.face = window->palette().color(QPalette::Window);
            return;
        }
    };
    windows.startMainWindow();
    scope.files.add("C:\\Tallyquest\\PC.htm");
    QVERIFY(ui::acceptDesignation(windows.reports(), "PC"));
    const QColor blue(0, 0, 192);
    for (const Seen& c : checks) {
        QVERIFY2(!c.image.isNull(), c.window);
        QVERIFY2(count(c.image, c.status, ink) > 30, c.window);
        if (c.percent < 0) {
            QVERIFY2(count(c.image, c.image.rect(), [&](QColor p) { return p == c.face; }) >
                         c.image.width() * c.image.height() * 9 / 10,
                     "the notice is not painted");
            continue;
        }
        // The bar's middle row: blue from the left to the percentage, then
        // white; the percentage's digits may cross it.
        const int y = c.bar.center().y();
        const int blueRow =
            count(c.image, QRect(c.bar.left(), y, c.bar.width(), 1), [&](QColor p) { return p == blue; });
        const int expected = c.bar.width() * c.percent / 100;
        QVERIFY2(std::abs(blueRow - expected) <= 12,
                 qPrintable(QStringLiteral("%1: %2 blue pixels, %3 expected").arg(c.query).arg(blueRow).arg(expected)));
    }
}

QTEST_MAIN(PaintingTest)
#include "painting_test.moc"
