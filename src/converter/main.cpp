// Kavconv: converts a legacy motion file and a part list into a choreography
// file. With arguments it runs without a window (see cli.h); without, it opens
// its dialog and ends when the dialog does.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "cli.h"
#include "conv.h"
#include "dialog.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        // No display needed: batch jobs and scripts run where there is none.
        QCoreApplication app(argc, argv);
        return kavconv::ConvCommandLine(app.arguments().mid(1), stdout, stderr);
    }
    QApplication app(argc, argv);
    kavconv::ConvReset();
    kavconv::CurrentPath = QDir::currentPath();
    kavconv::ConvDialog dialog;
    dialog.exec();
    return 0;
}
