// frmUpdate, the progress window of a report run, and frmStart, the notice
// shown while the main window collects its first data.
#pragma once

#include <cstdint>

#include <QFrame>
#include <QImage>
#include <QWidget>

class QLabel;

namespace tq::ui {

// Picture1: a picture box that keeps what is drawn on it in an image and
// repaints from that image by itself.
class ProgressPicture final : public QFrame {
public:
    explicit ProgressPicture(QWidget* parent);

    void setup(std::uint32_t backColor, std::uint32_t foreColor, bool bold);
    void drawStatus(std::int32_t percent);

    const QImage& image() const noexcept { return image_; }
    QColor backColor() const noexcept { return back_; }
    QColor foreColor() const noexcept { return fore_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void ensureImage();

    QImage image_;
    QColor back_ = Qt::white;
    QColor fore_ = Qt::black;
    bool bold_ = false;
};

class FrmUpdate final : public QWidget {
public:
    FrmUpdate();

    // Prepares the bar: background, bar and text colour (0x00BBGGRR), weight.
    void gSubVisiblePicture(std::uint32_t lngBackColor, std::uint32_t lngForeColor, bool lngFontBold);
    // Redraws the bar at a percentage and lets pending window events run.
    void gSubUpdateStatus(std::int32_t lngProzent);

    QLabel* lblHinweis() const noexcept { return lblHinweis_; }
    ProgressPicture* picture() const noexcept { return picture_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QLabel* lblHinweis_;
    ProgressPicture* picture_;
};

class FrmStart final : public QWidget {
public:
    FrmStart();
};

// A colour in the platform's 0x00BBGGRR form.
QColor fromBgr(std::uint32_t bgr);

}  // namespace tq::ui
