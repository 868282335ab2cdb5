#include "ui/qtlayout.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tq::ui {
namespace {

using layout::Control;
using layout::Kind;

QWidget* defaultWidget(const Control& c, QWidget* parent) {
    switch (c.kind) {
    case Kind::Button: {
        auto* b = new QPushButton(captionOf(c), parent);
        if (c.has(layout::kDefault)) b->setDefault(true);
        return b;
    }
    case Kind::CheckBox: {
        auto* box = new QCheckBox(captionOf(c), parent);
        box->setChecked(c.has(layout::kTicked));
        return box;
    }
    case Kind::Label: {
        auto* label = new QLabel(captionOf(c), parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(c.has(layout::kWrap));
        return label;
    }
    case Kind::Edit: return new QLineEdit(parent);
    case Kind::MultiLineEdit: {
        auto* edit = new QPlainTextEdit(parent);
        edit->setVerticalScrollBarPolicy(c.has(layout::kScrolls) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setTabChangesFocus(true);
        if (c.has(layout::kReadOnlyFace)) {
            QPalette face = edit->palette();
            face.setColor(QPalette::Base, face.color(QPalette::Button));
            edit->setPalette(face);
        }
        return edit;
    }
    case Kind::Frame: {
        auto* frame = new QGroupBox(captionOf(c), parent);
        frame->setFlat(false);
        return frame;
    }
    case Kind::Container: {
        auto* box = new QFrame(parent);
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setLineWidth(2);
        return box;
    }
    case Kind::Picture: {
        auto* picture = new ClickableImage(parent);
        if (!c.toolTip.empty())
            picture->setToolTip(QString::fromUtf8(c.toolTip.data(), static_cast<int>(c.toolTip.size())));
        return picture;
    }
    case Kind::Line: {
        auto* line = new QFrame(parent);
        if (c.colour == 0) {
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Plain);
        } else {
            line->setStyleSheet(QStringLiteral("background: #%1")
                                    .arg(((c.colour & 0xFF) << 16) | (c.colour & 0xFF00) | ((c.colour >> 16) & 0xFF), 6,
                                         16, QLatin1Char('0')));
        }
        return line;
    }
    case Kind::ProgressBox: break;
    }
    return new QWidget(parent);
}

}  // namespace

void buildWindow(QWidget* window, const layout::Window& design, const Twips& t, const ControlMaker& make) {
    window->setObjectName(QString::fromLatin1(design.name.data(), static_cast<int>(design.name.size())));
    window->setWindowTitle(QString::fromUtf8(design.caption.data(), static_cast<int>(design.caption.size())));
    if (design.sizable) window->resize(t.size(design.width, design.height));
    else window->setFixedSize(t.size(design.width, design.height));

    for (const Control& c : design.controls) {
        QWidget* parent = c.parent.empty() ? window : control(window, c.parent);
        QWidget* w = make ? make(c, parent) : nullptr;
        if (!w) w = defaultWidget(c, parent);
        w->setObjectName(QString::fromLatin1(c.name.data(), static_cast<int>(c.name.size())));
        if (c.kind == Kind::Line) {
            // From one point to the other, as thick as the line is drawn.
            const int left = t.x(c.at.left);
            w->setGeometry(QRect(left, t.y(c.at.top), t.x(c.at.left + c.at.width) - left + 1, c.lineWidth));
        } else {
            const layout::PixelRect r = t.pixels(c.at);
            w->setGeometry(QRect(r.left, r.top, r.width, r.height));
        }
        if (c.font.family != layout::kControlFont.family || c.font.points != layout::kControlFont.points ||
            c.font.bold != layout::kControlFont.bold)
            w->setFont(namedFont(QString::fromLatin1(c.font.family.data(), static_cast<int>(c.font.family.size())),
                                 c.font.points, c.font.bold));
        if (c.has(layout::kHidden)) w->hide();
    }
    for (std::size_t i = 0; i + 1 < design.focus.size(); ++i)
        QWidget::setTabOrder(control(window, design.focus[i]), control(window, design.focus[i + 1]));
}

}  // namespace tq::ui
