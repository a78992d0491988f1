// Takes the README's pictures of the editor: the window on the demo
// character in normal and toon mode, each page of the control panel, and a
// frame in the middle of the dance played from the animation page:
// editor.png, toon.png, tree-panel.png, dance.png, pose-panel.png.
//
//   screenshots OUTDIR        (from samples/, under a display: tools/screenshots.sh)
//
// The editor runs in this process exactly as kavelin starts it; the pictures
// are the main window as drawn (menu bar, view, panel), without the window
// manager's frame. Any message the editor would have shown is printed and
// makes the run fail, so a picture never hides a missing mesh.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTabBar>
#include <QWidget>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/shell.h"
#include "model/motion.h"
#include "panels/anime_panel.h"
#include "panels/panel_host.h"
#include "panels/pose_panel.h"
#include "panels/tree_panel.h"
#include "platform/controls.h"
#include "platform/gl_view.h"
#include "platform/prompter.h"
#include "platform/sjis.h"
#include "playback/anime.h"

namespace {

// Answers nothing: prints what would have been asked or told.
class PrintingPrompter : public Prompter {
public:
    int shown = 0;
    int Message(const QString& text, const QString& caption, int buttons) override {
        ++shown;
        std::fprintf(stderr, "screenshots: message \"%s\": %s\n", caption.toUtf8().constData(),
                     text.toUtf8().constData());
        return buttons == MB_YESNO ? IDNO : IDOK;
    }
};

// Lets pending events through (page changes paint the container), then runs frames.
void Frames(int n) {
    for (int i = 0; i < n; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        RunFrame();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ShowPage(int page) {
    static_cast<QTabBar*>(g_hwnd_Tab)->setCurrentIndex(page);
    Frames(3);
}

// The main window as drawn, the view taken from its framebuffer so that the
// status text painted over the 3-D picture is in it for certain.
bool Save(const QString& dir, const char* name) {
    QImage shot = g_hwnd->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage view = g_view->grabFramebuffer();
    QPainter p(&shot);
    p.drawImage(g_view->mapTo(g_hwnd, QPoint(0, 0)), view);
    p.end();
    const QString path = QDir(dir).filePath(QString::fromUtf8(name));
    if (!shot.save(path, "PNG", 9)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", path.toUtf8().constData());
        return false;
    }
    std::printf("%s\n", path.toUtf8().constData());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: screenshots OUTDIR   (run from samples/)\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Generic Game SDK Window"));
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    PrintingPrompter prompter;
    SetPrompter(&prompter);

    if (!StartUp()) {
        ShutDown();
        return 1;
    }
    OpenAtStart("demo.mod");
    Frames(10);

    bool ok = Save(out, "editor.png");

    // Toon mode from the menu ("トゥーン" > "有効"), then back.
    OnCommand(g_hwnd, 40049);
    Frames(5);
    ok = Save(out, "toon.png") && ok;
    OnCommand(g_hwnd, 40049);

    ShowPage(1);
    ok = Save(out, "tree-panel.png") && ok;

    // The dance, slots 0 to 7, started as the animation page's "再生" does
    // once its range is set with the two "番号セット" buttons.
    ShowPage(2);
    FNost = 0;
    FNoen = 7;
    SetDlgItemInt(g_hwnd_Dlg[2], 1009, FNost);
    SetDlgItemInt(g_hwnd_Dlg[2], 1010, FNoen);
    pGet = Cha.pTop;
    Cha.StartNo = FNost;
    Cha.EndNo = FNoen;
    Cha.StartReq = 1;
    Btflg = 3;
    Frames(75);
    ok = Save(out, "dance.png") && ok;
    Cha.Playing = 0;
    Btflg = 0;

    // The pose reached stays; the right arm picked as a click on its marker
    // would, and the Z axis chosen for dragging. The follow camera turns
    // around the part picked.
    ShowPage(0);
    std::string arm;
    QStringToSjis(QStringLiteral("右腕"), &arm);
    if (MOTIONOBJ* part = FindPart(arm.c_str())) {
        pGet = part;
        SETCURSEL(pGet);
    }
    SendPageMessage(g_hwnd_Dlg[0], WM_COMMAND, MAKEWPARAM(1024, BN_CLICKED), 0);
    Frames(5);
    ok = Save(out, "pose-panel.png") && ok;

    GameEnd(&Cha);
    ShutDown();
    SetPrompter(nullptr);
    if (prompter.shown) {
        std::fprintf(stderr, "screenshots: the editor showed %d message(s); the pictures may be wrong\n",
                     prompter.shown);
        return 1;
    }
    return ok ? 0 : 1;
}
