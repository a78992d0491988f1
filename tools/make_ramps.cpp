// Writes the four shade ramps, light to pitch black, as the editor reads them:
//   make_ramps DIR   ->  DIR/effect1.bmp ... DIR/effect4.bmp
// They are the ramps built into the editor, so a missing file looks the same.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "render/toon.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("samples/effect");
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
        return 1;
    }
    for (int level = 1; level <= kRampCount; ++level) {
        const QString path = QDir(dir).filePath(QStringLiteral("effect%1.bmp").arg(level));
        if (!BuiltinRamp(level).save(path, "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
