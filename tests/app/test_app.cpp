// The main window's commands, check marks, close question and mouse
// messages, and the frame loop's drag step and pacing (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMenuBar>
#include <QMouseEvent>
#include <vector>

#include "app/main_window.h"
#include "app/shell.h"
#include "input/input.h"
#include "platform/gl_view.h"
#include "platform/menu_resource.h"
#include "platform/mmtime.h"
#include "platform/winuser.h"
#include "recorders.h"
#include "render/frame.h"
#include "render/outline.h"
#include "render/toon.h"
#include "qt_app_environment.h"

namespace {

KAV_QT_TEST_APPLICATION(false);

void ResetFlags() {
    Lineflg = 1, STRflg = 1, TOONflg = 0, cflg = 0;
    Shadowflg = 2, LineSize = 0.05f, Sizeflg = 0;
    CameraX = 30, CameraY = 135, Mz = -10;
    Downflg = 0;
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFlags();
        window.setMenuBar(LoadMainMenu(&window));
        g_hwnd = &window;
    }
    void TearDown() override { g_hwnd = nullptr; }
    bool Checked(int id) { return GetMenuState(GetMenu(&window), id) == MF_CHECKED; }
    QMainWindow window;
};

TEST_F(MenuTest, StartsWithTheCheckMarksOfTheStartFlagsAndEditGreyed) {
    for (int id : {IDM_LINES, IDM_TEXT, IDM_SHADE_NORMAL, IDM_OUTLINE_NORMAL, IDM_FOLLOW_CAMERA})
        EXPECT_TRUE(Checked(id)) << id;
    for (int id : {IDM_TOON, IDM_SHADE_LIGHT, IDM_SHADE_DARK, IDM_SHADE_BLACK, IDM_OUTLINE_THIN,
                   IDM_OUTLINE_THICK, IDM_FIXED_CAMERA})
        EXPECT_FALSE(Checked(id)) << id;
    const QList<QAction*> top = window.menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    const char16_t* titles[] = {u"編集", u"表示", u"トゥーン", u"カメラ視点", u"ヘルプ(&H)"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(top[i]->text(), QString::fromUtf16(titles[i]));
    EXPECT_FALSE(top[0]->isEnabled());
    EXPECT_TRUE(top[1]->isEnabled());
}

TEST_F(MenuTest, TogglesFlipTheirFlagAndCheckMark) {
    struct Case {
        int id;
        int32_t* flag;
        int32_t start;
    } cases[] = {{IDM_LINES, &Lineflg, 1}, {IDM_TEXT, &STRflg, 1}, {IDM_TOON, &TOONflg, 0}};
    for (const Case& c : cases) {
        OnCommand(&window, c.id);
        EXPECT_EQ(*c.flag, 1 - c.start);
        EXPECT_EQ(Checked(c.id), c.start == 0);
        OnCommand(&window, c.id);
        EXPECT_EQ(*c.flag, c.start);
        EXPECT_EQ(Checked(c.id), c.start == 1);
    }
}

TEST_F(MenuTest, RadioEntriesSetTheirValueAndMoveTheMark) {
    const std::vector<int> shades = {IDM_SHADE_LIGHT, IDM_SHADE_NORMAL, IDM_SHADE_DARK, IDM_SHADE_BLACK};
    for (size_t i = 0; i < shades.size(); ++i) {
        Shadowflg = 0;
        OnCommand(&window, shades[i]);
        EXPECT_EQ(Shadowflg, int32_t(i + 1));
        for (int id : shades) EXPECT_EQ(Checked(id), id == shades[i]);
    }
    const std::vector<int> outlines = {IDM_OUTLINE_THIN, IDM_OUTLINE_NORMAL, IDM_OUTLINE_THICK};
    const float sizes[] = {0.02f, 0.05f, 0.09f};
    for (size_t i = 0; i < outlines.size(); ++i) {
        // The current width again still asks for a rebuild.
        for (int twice = 0; twice < 2; ++twice) {
            Sizeflg = 0;
            OnCommand(&window, outlines[i]);
            EXPECT_FLOAT_EQ(LineSize, sizes[i]);
            EXPECT_EQ(Sizeflg, 1);
            for (int id : outlines) EXPECT_EQ(Checked(id), id == outlines[i]);
        }
    }
    for (int twice = 0; twice < 2; ++twice) {
        OnCommand(&window, IDM_FIXED_CAMERA);
        EXPECT_EQ(cflg, 1);
        EXPECT_TRUE(Checked(IDM_FIXED_CAMERA));
        EXPECT_FALSE(Checked(IDM_FOLLOW_CAMERA));
    }
    OnCommand(&window, IDM_FOLLOW_CAMERA);
    EXPECT_EQ(cflg, 0);
    EXPECT_TRUE(Checked(IDM_FOLLOW_CAMERA));
    EXPECT_FALSE(Checked(IDM_FIXED_CAMERA));
}

TEST_F(MenuTest, TriggeringAnEntryFromTheMenuKeepsMarkAndFlagInStep) {
    MainWindow w;
    g_hwnd = &w;
    for (QAction* a : w.menuBar()->findChildren<QAction*>())
        if (a->property("commandId").toInt() == IDM_FIXED_CAMERA) {
            a->trigger();
            a->trigger();  // a checked entry chosen again stays checked
        }
    EXPECT_EQ(cflg, 1);
    EXPECT_EQ(GetMenuState(GetMenu(&w), IDM_FIXED_CAMERA), DWORD(MF_CHECKED));
    EXPECT_EQ(GetMenuState(GetMenu(&w), IDM_FOLLOW_CAMERA), DWORD(MF_UNCHECKED));
    g_hwnd = &window;
}

TEST_F(MenuTest, VersionBoxShowsTheVersion) {
    ScriptedPrompter prompter;
    OnCommand(&window, IDM_VERSION);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Version 1.17"));
    EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("バージョン情報"));
    EXPECT_EQ(prompter.shown[0].buttons, MB_OK);
}

// ---------------------------------------------------------------- window messages

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFlags();
        GameInit(&Cha);
        w = new MainWindow;
    }
    void TearDown() override {
        delete w;
        g_hwnd = nullptr;
        FreeTree(&Cha, nullptr, nullptr);
    }
    void Send(QEvent::Type type, Qt::MouseButton button, QPoint at) {
        QMouseEvent e(type, QPointF(at), QPointF(w->View()->mapToGlobal(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QCoreApplication::sendEvent(w->View(), &e);
    }
    MainWindow* w = nullptr;
};

TEST_F(WindowTest, CloseAnsweredNoKeepsEverythingAndYesEndsTheLoop) {
    ScriptedPrompter prompter;
    prompter.answers = {IDNO, IDYES};
    Lineflg = 0;
    w->close();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("終了しますか？"));
    EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("終了確認"));
    EXPECT_EQ(prompter.shown[0].buttons, MB_YESNO);
    EXPECT_FALSE(QuitRequested());
    EXPECT_EQ(Lineflg, 0);
    EXPECT_NE(Cha.pTop, nullptr);
    w->close();
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_TRUE(QuitRequested());
}

TEST_F(WindowTest, RightDoubleClickResetsOnlyTheCameraAngles) {
    CameraX = 80, CameraY = 10, Mz = -20, cflg = 1;
    Send(QEvent::MouseButtonDblClick, Qt::RightButton, {100, 100});
    EXPECT_FLOAT_EQ(CameraX, 30);
    EXPECT_FLOAT_EQ(CameraY, 135);
    EXPECT_FLOAT_EQ(Mz, -20);
    EXPECT_EQ(cflg, 1);
}

TEST_F(WindowTest, LeftPressPicksAndStartsADragReleaseEndsIt) {
    // An identity camera puts the world origin on pixel (390, 320).
    mView = mProj = kIdentityMatrix;
    OBJInit(Cha.pTop, "a");
    MOTIONOBJ* a = Cha.pTop->pChild;
    a->vWorldPos = {0, 0, 0.5f};
    Send(QEvent::MouseButtonPress, Qt::LeftButton, {395, 322});
    EXPECT_EQ(pGet, a);
    EXPECT_EQ(Downflg, 1);
    EXPECT_EQ(pt.x, 395);
    EXPECT_EQ(pt.y, 322);
    Send(QEvent::MouseButtonRelease, Qt::LeftButton, {395, 322});
    EXPECT_EQ(Downflg, 0);

    // The second press of a double-click neither picks nor drags.
    pGet = Cha.pTop;
    Send(QEvent::MouseButtonDblClick, Qt::LeftButton, {390, 320});
    EXPECT_EQ(pGet, Cha.pTop);
    EXPECT_EQ(Downflg, 0);
}

TEST_F(WindowTest, ViewSitsAtTheLeftAndThePanelAlongTheRightEdge) {
    EXPECT_EQ(w->View()->geometry(), QRect(0, 0, 780, 640));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Kavelin ver1.17"));
    EXPECT_EQ(w->centralWidget()->size(), QSize(1040, 640));
    ASSERT_NE(w->Panel(), nullptr);
    EXPECT_EQ(w->Panel()->geometry(), QRect(780, 0, 260, 640));
}

// ---------------------------------------------------------------- frame loop

class ScriptedClock : public Clock {
public:
    std::vector<DWORD> times;
    std::vector<DWORD> sleeps;
    size_t next = 0;
    DWORD Now() override { return next < times.size() ? times[next++] : times.back(); }
    void Sleep(DWORD ms) override { sleeps.push_back(ms); }
};

TEST(FrameLoop, PadsEachFrameToSeventeenMillisecondsAcrossAClockWrap) {
    GameInit(&Cha);
    struct Case {
        DWORD start, end;
        std::vector<DWORD> sleeps;
    } cases[] = {
        {1000, 1005, {12}},   {1000, 1017, {}},       {1000, 1030, {}},
        {1000, 1000, {17}},   {0xFFFFFFFEu, 3, {12}},  // 5 ms across the wrap
        {0xFFFFFFF0u, 1, {}},                          // 17 ms across the wrap
    };
    for (const Case& c : cases) {
        ScriptedClock clock;
        clock.times = {c.start, c.end};
        SetClock(&clock);
        RunFrame();
        SetClock(nullptr);
        EXPECT_EQ(clock.sleeps, c.sleeps) << c.start << " -> " << c.end;
    }
    FreeTree(&Cha, nullptr, nullptr);
}

TEST(FrameLoop, DragStepRunsOnlyInFramesInWhichTheCursorMoved) {
    ResetFlags();
    GameInit(&Cha);
    QMainWindow window;
    window.setCentralWidget(new QWidget);
    window.resize(400, 300);
    window.show();
    g_hwnd = &window;
    OBJInit(Cha.pTop, "a");
    MOTIONOBJ* a = Cha.pTop->pChild;
    a->vOffset = {1, 2, 3};
    pGet = a;
    Modeflg = 0, Zikuflg = 2, rtXYZ = 10;
    GetCursorPos(&pt);
    ScreenToClient(g_hwnd, &pt);
    Downflg = 1;

    ScriptedClock clock;
    clock.times = {0};
    SetClock(&clock);
    RunFrame();
    // Composition ran, the drag did not.
    EXPECT_TRUE(a->vWorldPos == D3DXVECTOR3(1, 2, 3));
    EXPECT_TRUE(a->mRot == kIdentityMatrix);

    QCursor::setPos(QCursor::pos() + QPoint(5, 0));
    POINT moved;
    GetCursorPos(&moved);
    ScreenToClient(g_hwnd, &moved);
    ASSERT_NE(moved.x, pt.x) << "the platform cannot move the cursor";
    {
        RunFrame();
        EXPECT_FALSE(a->mRot == kIdentityMatrix);
        EXPECT_EQ(pt.x, moved.x);
        const D3DXMATRIX once = a->mRot;
        RunFrame();
        EXPECT_TRUE(a->mRot == once);
    }
    SetClock(nullptr);
    Downflg = 0;
    g_hwnd = nullptr;
    FreeTree(&Cha, nullptr, nullptr);
}

}  // namespace
