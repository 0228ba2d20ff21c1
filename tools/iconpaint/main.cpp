// tavro-iconpaint FOLDER: the window's icon as the PNG files of the hicolor
// icon theme, FOLDER/<N>x<N>/apps/tavro-decoder.png, from the same painting
// as the window's, so the menu entry and the window show the same picture.
#include <QDir>
#include <QImage>
#include <cstdio>

#include "cubesat_art.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tavro-iconpaint FOLDER\n", stderr);
        return 2;
    }
    for (int size : tavro::ui::kCubeSatIconSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QFile::decodeName(argv[1])).arg(size);
        const QString file = folder + "/tavro-decoder.png";
        if (!QDir().mkpath(folder) || !tavro::ui::CubeSatIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "tavro-iconpaint: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
