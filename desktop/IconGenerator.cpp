// Writes the application icon as a PNG: coevolife-icon SIZE FILE. Run at
// build time, so the installed icons always match the sprite tiles.
#include "desktop/AppIcon.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: coevolife-icon SIZE FILE (SIZE from 16 to 1024)\n");
        return 2;
    }
    if (!drawAppIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
