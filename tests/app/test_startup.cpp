// The editor from start-up to shutdown on the real window and device: the
// window, the grey view with grid and status text, opening a choreography
// given at start, frames, and a shutdown that leaves nothing behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QWindow>

#include "app/main_window.h"
#include "app/shell.h"
#include "input/input.h"
#include "platform/d3d9.h"
#include "platform/d3dx_mesh.h"
#include "platform/gl_view.h"
#include "platform/paths.h"
#include "playback/anime.h"
#include "recorders.h"
#include "render/frame.h"
#include "qt_app_environment.h"

namespace {

KAV_QT_TEST_APPLICATION(true);

TEST(StartUp, ShowsTheViewOpensTheFileAndShutsDownWithoutLeaks) {
    const long live = KavUnknown::Live();
    ScriptedPrompter prompter;
    const QString start = QDir::currentPath();
    ASSERT_TRUE(StartUp());
    EXPECT_EQ(startflg, 1);
    ASSERT_NE(lpD3DDevice, nullptr);
    ASSERT_NE(g_hwnd, nullptr);
    EXPECT_EQ(g_hwnd->windowTitle(), QStringLiteral("Kavelin ver1.17"));
    EXPECT_FALSE(g_hwnd->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(QString::fromLocal8Bit(CurrentPath), start);
    EXPECT_NE(g_pMouseDevice, nullptr);

    // A file given at start opens quietly from its own folder, which becomes
    // the start directory, so its meshes are found; the figure stands at its
    // initial placement.
    OpenAtStart(KAV_SOURCE_DIR "/samples/demo.mod");
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    EXPECT_EQ(CountParts(Cha.pTop), 18);
    const QString samples = QDir(QStringLiteral(KAV_SOURCE_DIR "/samples")).canonicalPath();
    EXPECT_EQ(QDir::current().canonicalPath(), samples);
    EXPECT_EQ(QDir(QString::fromLocal8Bit(CurrentPath)).canonicalPath(), samples);
    for (MOTIONOBJ* p = Cha.pTop->pChild; p; p = NextInWalk(p, Cha.pTop)) {
        EXPECT_NE(p->Mesh.lpMesh, nullptr) << p->XName;
        EXPECT_EQ(p->vOffset, p->vHome);
    }

    // Play the dance as the animation panel does, and find the figure: its
    // red shirt in the middle of the view.
    Cha.StartNo = 0;
    Cha.EndNo = 7;
    Cha.StartReq = 1;
    Btflg = 3;
    // As the loop does: pending events (the window being mapped), then a frame;
    // on a busy machine the mapping may take a while.
    QElapsedTimer waited;
    waited.start();
    while (!(g_hwnd->windowHandle() && g_hwnd->windowHandle()->isExposed()) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (int i = 0; i < 12; ++i) {
        QCoreApplication::processEvents();
        RunFrame();
    }
    EXPECT_EQ(Cha.Playing, 1);
    EXPECT_GT(Cha.AnimeFrame, 0.0f);
    const QImage img = g_view->grabFramebuffer();
    ASSERT_EQ(img.size(), QSize(780, 640));
    EXPECT_EQ(img.pixel(2, 639) & 0xFFFFFF, 0x646464u);
    EXPECT_EQ(img.pixel(770, 630) & 0xFFFFFF, 0x646464u);
    int shirt = 0;
    for (int y = 100; y < 400; ++y)
        for (int x = 250; x < 550; ++x) {
            const QRgb c = img.pixel(x, y);
            shirt += qRed(c) > 120 && qGreen(c) < 70 && qBlue(c) < 70;
        }
    EXPECT_GT(shirt, 500) << "no figure in the view";
    Cha.Playing = 0;
    Btflg = 0;

    GameEnd(&Cha);
    ShutDown();
    EXPECT_EQ(Cha.pTop, nullptr);
    EXPECT_EQ(lpD3DDevice, nullptr);
    EXPECT_EQ(g_hwnd, nullptr);
    EXPECT_EQ(KavUnknown::Live(), live) << "meshes, textures or markers left behind";
}

}  // namespace
