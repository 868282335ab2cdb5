// Small pieces the windows share: twips to pixels, the fonts, the program's
// pictures, clickable pictures and centring on the screen.
#pragma once

#include <functional>

#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

#include "ui/layout.h"

class QWidget;

namespace tq::ui {

// Window geometry is given in twips (1/1440 inch); at 96 dots per inch 15
// twips make one pixel. Converts at the screen's logical resolution.
class Twips {
public:
    Twips();  // the primary screen's logical DPI
    Twips(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}
    int x(int twips) const;
    int y(int twips) const;
    // Edges are converted, not sizes, so that neighbouring controls keep
    // touching where they touch in twips.
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const { return {x(width), y(height)}; }
    layout::PixelRect pixels(const layout::Rect& r) const { return layout::toPixels(r, dpiX_, dpiY_); }
    double twipsPerPixelY() const { return 1440.0 / dpiY_; }

private:
    double dpiX_, dpiY_;
};

// Places a control at a twips position within its container and names it.
template <class W>
W* place(W* widget, const char* name, const Twips& t, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(t.rect(left, top, width, height));
    return widget;
}

// The font of the controls, and the named fonts of a few headings (with
// fallbacks where the named family is not installed).
QFont controlFont();
QFont namedFont(const QString& family, double points, bool bold);

// The program's icon, the 16 by 16 info picture, the logo.
QIcon programIcon();
// The program's icon drawn at one size, for the desktop's icon theme too.
QPixmap programIconPixmap(int side);
QPixmap infoPicture();
QPixmap logoPicture(QSize size);

// A picture that reacts to clicks and double clicks of the left button.
class ClickableImage : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;
    std::function<void()> onDoubleClick;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    bool pressed_ = false;
};

// Moves a top-level window so that its frame is centred on its screen.
void centreOnScreen(QWidget* window);

// Paints a window that was just shown before the thread goes on working.
void paintNow(QWidget* window);

// Text as the windows show it: CR LF line breaks become Qt's, and back.
QString fromCrLf(const std::string& text);
std::string toCrLf(const QString& text);

}  // namespace tq::ui
