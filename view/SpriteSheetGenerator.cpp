// Writes our sprite sheet as a PNG: coevolife-sprites [FILE], default pix.png.
// The committed view/pix.png is this program's output.
#include "view/SpriteTiles.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("pix.png");
    if (!drawSpriteTiles().save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
