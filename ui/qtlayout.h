// Builds a Qt window's controls from its layout table: every control named
// and placed as the table says, the default widget for its kind unless the
// window supplies its own, and the order of focus.
#pragma once

#include <functional>
#include <string_view>

#include <QString>
#include <QWidget>

#include "ui/layout.h"
#include "ui/widgets.h"

namespace tq::ui {

// Supplies the widget of a control (nullptr: the default one for its kind).
using ControlMaker = std::function<QWidget*(const layout::Control& c, QWidget* parent)>;

// Sets the window's size (fixed unless the table makes it sizable) and
// title, then creates, names and places every control, hiding those hidden
// at start, and chains the focus order.
void buildWindow(QWidget* window, const layout::Window& design, const Twips& t, const ControlMaker& make = {});

// A built control by its name (aborts when the table has none).
template <class W = QWidget>
W* control(const QWidget* window, std::string_view name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
    if (!w) qFatal("no control %.*s", static_cast<int>(name.size()), name.data());
    return w;
}

inline QString captionOf(const layout::Control& c) {
    return QString::fromUtf8(c.caption.data(), static_cast<int>(c.caption.size()));
}

}  // namespace tq::ui
