// Kavelin, the choreography editor: `kavelin [file.mod]`.
#include <QApplication>

#include "platform/qt_prompter.h"
#include "shell.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The window system's class of the main window (WM_CLASS on X11).
    QCoreApplication::setApplicationName(QStringLiteral("Generic Game SDK Window"));
    QtPrompter prompter;
    SetPrompter(&prompter);
    const int code = WinMain(argc > 1 ? argv[1] : nullptr);
    SetPrompter(nullptr);
    return code;
}
