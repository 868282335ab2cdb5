// Saves the program's icon for the desktop's icon theme:
// tq_icon OUTDIR writes OUTDIR/NxN/apps/tallyquest.png for each size.
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include "ui/widgets.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tq_icon OUTDIR\n");
        return 64;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int side : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(side);
        if (!QDir().mkpath(dir) || !tq::ui::programIconPixmap(side).save(dir + QStringLiteral("/tallyquest.png"))) {
            std::fprintf(stderr, "tq_icon: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
