// Writes the application icon as a PNG: coevolife-icon FILE. Run at build
// time, so the installed icon always matches the sprite tiles.
#include "desktop/AppIcon.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: coevolife-icon FILE\n");
        return 2;
    }
    if (!drawAppIcon().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
