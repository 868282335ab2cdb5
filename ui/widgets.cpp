#include "ui/widgets.h"

#include <cmath>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QWindow>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace tq::ui {

Twips::Twips() : dpiX_(96), dpiY_(96) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        dpiX_ = screen->logicalDotsPerInchX();
        dpiY_ = screen->logicalDotsPerInchY();
    }
}

int Twips::x(int twips) const { return layout::toPixels(twips, dpiX_); }
int Twips::y(int twips) const { return layout::toPixels(twips, dpiY_); }

QRect Twips::rect(int left, int top, int width, int height) const {
    const layout::PixelRect r = pixels({left, top, width, height});
    return {r.left, r.top, r.width, r.height};
}

namespace {
// The first of the families that is installed; the font system would
// otherwise substitute a wide default for a missing one. Among the
// stand-ins, a family with the metrics of the Windows sans serif fonts comes
// first, since the captions were laid out for those widths; the condensed
// and the wide DejaVu only where nothing else is installed.
QString installedFamily(const QString& wanted) {
    static const QStringList installed = QFontDatabase::families();
    const QStringList candidates = {wanted,
                                    QStringLiteral("Microsoft Sans Serif"),
                                    QStringLiteral("Tahoma"),
                                    QStringLiteral("Liberation Sans"),
                                    QStringLiteral("Arial"),
                                    QStringLiteral("Arimo"),
                                    QStringLiteral("DejaVu Sans Condensed"),
                                    QStringLiteral("DejaVu Sans")};
    for (const QString& family : candidates)
        if (installed.contains(family, Qt::CaseInsensitive)) return family;
    return QFont().family();
}
}  // namespace

QFont namedFont(const QString& family, double points, bool bold) {
    const QString chosen = installedFamily(family);
    QFont f(chosen);
    f.setPointSizeF(points);
    f.setBold(bold);
    if (chosen.compare(family, Qt::CaseInsensitive) == 0) return f;
    // A stand-in is sized so that its letters are no wider on average than
    // those of the Windows sans serif fonts the captions were laid out with
    // (about 0.53 of the em at these sizes); a wider face at the named size
    // would clip the captions. The em is kept as long as the face allows.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    const double em = points * dpi / 72.0;
    const double widest = 0.53 * em;
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (int px = static_cast<int>(std::lround(em)); px > 6; --px) {
        f.setPixelSize(px);
        if (QFontMetricsF(f).horizontalAdvance(letters) / letters.size() <= widest) break;
    }
    return f;
}

QFont controlFont() { return namedFont(QStringLiteral("MS Sans Serif"), 8.25, false); }

QPixmap programIconPixmap(int side) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, side, side);
    g.setColorAt(0, QColor(0x30, 0x60, 0xC0));
    g.setColorAt(1, QColor(0x00, 0x20, 0x70));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, side - 1, side - 1), side / 6.0, side / 6.0);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(side * 3 / 4);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("T"));
    return pm;
}

QIcon programIcon() {
    QIcon icon;
    for (int side : {16, 32, 48}) icon.addPixmap(programIconPixmap(side));
    return icon;
}

QPixmap infoPicture() { return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16); }

QPixmap logoPicture(QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    QLinearGradient band(r.topLeft(), r.bottomLeft());
    band.setColorAt(0, QColor(0x1F, 0x4E, 0xA8));
    band.setColorAt(1, QColor(0x0B, 0x24, 0x5E));
    p.fillRect(r, band);
    // A few board traces behind the name.
    p.setPen(QPen(QColor(0x6A, 0x9C, 0xE8), 1.5));
    for (int i = 0; i < 4; ++i) {
        const double y = r.height() * (0.2 + 0.2 * i);
        QPainterPath trace;
        trace.moveTo(0, y);
        trace.lineTo(r.width() * (0.15 + 0.1 * i), y);
        trace.lineTo(r.width() * (0.22 + 0.1 * i), y + r.height() * 0.1);
        p.drawPath(trace);
        p.drawEllipse(QPointF(r.width() * (0.22 + 0.1 * i), y + r.height() * 0.1), 2.5, 2.5);
    }
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(std::max(10, size.height() / 4));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r.adjusted(0, 0, -6, -r.height() * 0.25), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Tallyquest"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(std::max(8, size.height() / 9));
    p.setFont(small);
    p.setPen(QColor(0xC8, 0xDA, 0xF8));
    p.drawText(r.adjusted(0, r.height() * 0.45, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("hardware inventory"));
    return pm;
}

void ClickableImage::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) pressed_ = true;
    QLabel::mousePressEvent(e);
}

void ClickableImage::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(e);
    if (click && onClick) onClick();
}

void ClickableImage::mouseDoubleClickEvent(QMouseEvent* e) {
    pressed_ = false;
    QLabel::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QRect frame = window->frameGeometry();
    // The frame may not be known before the window first shows; its size
    // then counts as the client size.
    const QSize outer = window->isVisible() ? frame.size() : window->size();
    // move() places the frame's top-left corner.
    window->move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}

QString fromCrLf(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

std::string toCrLf(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return s.toStdString();
}

void paintNow(QWidget* window) {
    // A window is painted only once the display server has exposed it,
    // which a window manager may do a while after the window was shown; the
    // work that follows would leave an empty frame until then. Wait for it,
    // a bounded while, then paint at once and hand the pixels over.
    constexpr qint64 kExposeWaitMs = 2000;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QWindow* handle = window->windowHandle();
        if (!window->isVisible() || !handle || handle->isExposed() || clock.elapsed() >= kExposeWaitMs) break;
        QThread::msleep(5);
    }
    window->repaint();
    QGuiApplication::sync();
}

}  // namespace tq::ui
