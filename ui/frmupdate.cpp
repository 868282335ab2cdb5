#include "ui/frmupdate.h"

#include <cmath>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

#include "ui/dialoglogic.h"
#include "ui/qtlayout.h"
#include "ui/widgets.h"

namespace tq::ui {

QColor fromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

ProgressPicture::ProgressPicture(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

void ProgressPicture::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    ensureImage();
}

void ProgressPicture::ensureImage() {
    const QSize inner = contentsRect().size();
    if (image_.size() == inner) return;
    QImage next(inner.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    next.fill(back_);
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = next;
}

void ProgressPicture::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    p.drawImage(contentsRect().topLeft(), image_);
}

void ProgressPicture::setup(std::uint32_t backColor, std::uint32_t foreColor, bool bold) {
    ensureImage();
    bold_ = bold;
    back_ = fromBgr(backColor);
    image_.fill(back_);
    fore_ = fromBgr(foreColor);
    update();
}

void ProgressPicture::drawStatus(std::int32_t percent) {
    const ProgressFigure figure = progressFigure(percent);
    const QString text = QString::fromStdString(figure.text);
    ensureImage();
    const double widthPx = image_.width();
    const double heightPx = image_.height();

    image_.fill(back_);
    QPainter p(&image_);
    QFont f = font();
    f.setBold(bold_);
    // Crisp glyphs, so that the bar inverts them exactly.
    f.setStyleStrategy(QFont::NoAntialias);
    p.setFont(f);
    const QFontMetrics fm(f);

    // Horizontally the box measures 100 units; vertically it keeps twips.
    const Twips t;
    const double textWidth = fm.horizontalAdvance(text) * 100.0 / widthPx;
    const double scaleHeight = heightPx * t.twipsPerPixelY();
    const double textHeight = fm.height() * t.twipsPerPixelY();
    const long x = std::lround(std::nearbyint(100 - textWidth)) / 2;
    const long y = std::lround(std::nearbyint(scaleHeight - textHeight)) / 2;
    p.setPen(fore_);
    p.drawText(QPointF(x * widthPx / 100.0, y / t.twipsPerPixelY() + fm.ascent()), text);

    // The bar goes over the text with NOT(pen XOR destination): fore colour
    // on the background, background colour where the text already is.
    const int barWidth = static_cast<int>(std::lround(figure.percent * widthPx / 100.0));
    if (barWidth > 0) {
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        p.fillRect(QRect(0, 0, barWidth, image_.height()), fore_);
    }
    p.end();
    update();
}

FrmUpdate::FrmUpdate() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowIcon(programIcon());
    setFont(controlFont());
    buildWindow(this, layout::frmUpdate(), Twips(), [](const layout::Control& c, QWidget* parent) -> QWidget* {
        return c.kind == layout::Kind::ProgressBox ? new ProgressPicture(parent) : nullptr;
    });
    lblHinweis_ = control<QLabel>(this, "lblHinweis");
    picture_ = control<ProgressPicture>(this, "Picture1");
    lblHinweis_->setText(QString());
}

void FrmUpdate::gSubVisiblePicture(std::uint32_t lngBackColor, std::uint32_t lngForeColor, bool lngFontBold) {
    picture_->setup(lngBackColor, lngForeColor, lngFontBold);
}

void FrmUpdate::gSubUpdateStatus(std::int32_t lngProzent) {
    picture_->drawStatus(lngProzent);
    QCoreApplication::processEvents();
    // The run goes straight on with its next section: paint the window now
    // rather than when the toolkit's next update would come round.
    if (isVisible()) {
        repaint();
        QGuiApplication::sync();
    }
}

void FrmUpdate::closeEvent(QCloseEvent* e) {
    // The user cannot close the window while the run goes on; the program can.
    if (e->spontaneous()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

FrmStart::FrmStart() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(programIcon());
    setFont(controlFont());
    buildWindow(this, layout::frmStart(), Twips());
    centreOnScreen(this);
}

}  // namespace tq::ui
