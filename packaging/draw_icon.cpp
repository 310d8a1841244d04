// Build tool: draws the program's SVG icon as the PNG sizes of the icon
// theme.  Usage: fetchly-draw-icon SVG SIZE OUTPUT.png
#include "app/app_pictures_svg.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fetchly-draw-icon SVG SIZE OUTPUT.png\n");
        return 2;
    }
    const int side = std::atoi(argv[2]);
    const QImage image = fetchly::DrawSvg(QString::fromLocal8Bit(argv[1]), QSize(side, side));
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "fetchly-draw-icon: cannot draw %s at %d px into %s\n", argv[1], side, argv[3]);
        return 1;
    }
    return 0;
}
