// Mouse polls, picking and drag editing, with the mouse fed from a script.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cmath>
#include <deque>

#include "input/input.h"
#include "platform/dinput.h"
#include "render/frame.h"
#include "qt_app_environment.h"

namespace {

// Widgets need an application; without a display the offscreen platform serves.
KAV_QT_TEST_APPLICATION(false);

struct Poll {
    int x, y, wheel;
    bool left, right, middle;
};

class ScriptedMouse : public MouseSource {
public:
    std::deque<Poll> polls;
    bool foreground = true;
    int restarts = 0;
    bool IsForeground(HWND) override { return foreground; }
    void Restart() override { ++restarts; }
    void Read(DIMOUSESTATE2* s) override {
        *s = {};
        if (polls.empty()) return;
        const Poll p = polls.front();
        polls.pop_front();
        s->lX = p.x, s->lY = p.y, s->lZ = p.wheel;
        s->rgbButtons[0] = p.left ? 0x80 : 0;
        s->rgbButtons[1] = p.right ? 0x80 : 0;
        s->rgbButtons[2] = p.middle ? 0x80 : 0;
    }
};

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMouseSource(&mouse);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        window.setFocus();
        QCoreApplication::processEvents();
        ASSERT_EQ(GetFocus(), &window);
        g_hwnd = &window;
        ASSERT_EQ(InitDinput(g_hwnd), 0);
        Modeflg = 0, rtXYZ = 0, CameraX = 30, CameraY = 135, Mz = -10;
        ToonLight = {-1, 1, 0};
    }
    void TearDown() override {
        ReleaseDinput();
        g_hwnd = nullptr;
        SetMouseSource(nullptr);
    }
    int32_t PollOnce(Poll p) {
        mouse.polls.push_back(p);
        return GetMouse();
    }
    ScriptedMouse mouse;
    QWidget window;
};

TEST_F(MouseTest, DragAmountComesFromHorizontalMotionWhileTheLeftButtonIsDown) {
    struct Case {
        int32_t mode;
        Poll poll;
        float rt;
    } cases[] = {
        {0, {10, 0, 0, true, false, false}, 2.0f},    // rotate: degrees, counts / 5
        {1, {10, 0, 0, true, false, false}, 0.1f},    // move: units, counts / 100
        {0, {-7, 40, 0, true, false, false}, -1.4f},  // vertical motion plays no part
        {0, {10, 0, 0, false, false, false}, 0.0f},   // button up
    };
    for (const Case& c : cases) {
        Modeflg = c.mode;
        rtXYZ = 99;
        EXPECT_EQ(PollOnce(c.poll), 0);
        EXPECT_FLOAT_EQ(rtXYZ, c.rt) << c.mode << " " << c.poll.x;
    }
}

TEST_F(MouseTest, RightDragOrbitsAndWrapsOnce) {
    struct Case {
        float x0, y0;
        int dx, dy;
        float x1, y1;
    } cases[] = {
        {30, 359, 8, 0, 30, 1},     // 361 wraps to 1
        {1, 100, 0, -8, 359, 100},  // -1 wraps to 359
        {30, 358, 8, 0, 30, 360},   // exactly 360 stays
        {2, 100, 0, -8, 0, 100},    // exactly 0 stays
    };
    for (const Case& c : cases) {
        CameraX = c.x0, CameraY = c.y0;
        PollOnce({c.dx, c.dy, 0, false, true, false});
        EXPECT_FLOAT_EQ(CameraX, c.x1);
        EXPECT_FLOAT_EQ(CameraY, c.y1);
    }
    CameraX = 30, CameraY = 135;
    PollOnce({50, 50, 0, false, false, false});
    EXPECT_FLOAT_EQ(CameraY, 135);  // no orbit without the right button
}

TEST_F(MouseTest, WheelZoomsInStepsOfTwoNeverAboveMinusFour) {
    struct Case {
        float from;
        int wheel;
        float to;
    } cases[] = {{-6, 1, -4},  {-4, 1, -4},    {-4, -1, -6}, {-5, 1, -4},
                 {-10, 3, -8}, {-10, -5, -12}, {-10, 0, -10}};
    for (const Case& c : cases) {
        Mz = c.from;
        PollOnce({0, 0, c.wheel, false, false, false});
        EXPECT_FLOAT_EQ(Mz, c.to) << c.from << " " << c.wheel;
    }
}

TEST_F(MouseTest, MiddleButtonTakesTheEyeAsToonLight) {
    CameraPos = {-6, 5, 6};
    PollOnce({0, 0, 0, false, false, true});
    EXPECT_TRUE(ToonLight == CameraPos);
}

TEST_F(MouseTest, WithoutTheKeyboardFocusThePollChangesNothing) {
    QWidget other(&window);
    other.show();
    other.setFocus();
    ASSERT_NE(GetFocus(), g_hwnd);
    rtXYZ = 3;
    EXPECT_EQ(PollOnce({10, 10, 1, true, true, true}), 0);
    EXPECT_FLOAT_EQ(rtXYZ, 3);
    EXPECT_FLOAT_EQ(CameraY, 135);
    EXPECT_FLOAT_EQ(Mz, -10);
    EXPECT_FLOAT_EQ(ToonLight.x, -1);
}

TEST_F(MouseTest, OutOfTheForegroundPollsFailAndAcquireAgainOnReturn) {
    mouse.foreground = false;
    rtXYZ = 3;
    EXPECT_EQ(PollOnce({10, 0, 1, true, false, false}), E_FAIL);
    EXPECT_FLOAT_EQ(rtXYZ, 3);
    EXPECT_FLOAT_EQ(Mz, -10);
    EXPECT_EQ(PollOnce({10, 0, 0, true, false, false}), E_FAIL);  // re-acquiring fails too
    mouse.foreground = true;
    const int restarts = mouse.restarts;
    EXPECT_EQ(PollOnce({10, 0, 0, true, false, false}), E_FAIL);  // this one acquires
    EXPECT_EQ(mouse.restarts, restarts + 1);                      // motion from before is dropped
    EXPECT_EQ(PollOnce({10, 0, 0, true, false, false}), 0);
    EXPECT_FLOAT_EQ(rtXYZ, 2.0f);
}

TEST(MouseWithoutDevice, PollDoesNothingAndNeverCrashes) {
    ReleaseDinput();
    rtXYZ = 1, Mz = -10;
    EXPECT_EQ(GetMouse(), E_FAIL);
    EXPECT_FLOAT_EQ(rtXYZ, 1);
    EXPECT_FLOAT_EQ(Mz, -10);
}

// ---------------------------------------------------------------- picking

class PickTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Identity camera: world (x, y) lands at pixel (390 + 390 x, 320 - 320 y).
        mView = mProj = kIdentityMatrix;
        GameInit(&Cha);
        root = Cha.pTop;
        a = Add(root, "a");
        root->pChild->NextIsSibling = 1;
        b = Add(a, "b");
        g_SelectInLists = [](MOTIONOBJ* p) { picked.push_back(p); };
        picked.clear();
    }
    void TearDown() override {
        FreeTree(&Cha, nullptr, nullptr);
        g_SelectInLists = nullptr;
    }
    static MOTIONOBJ* Add(MOTIONOBJ* at, const char* name) {
        OBJInit(at, name);
        return at->NextIsSibling ? at->pNext : at->pChild;
    }
    // Puts a part's origin at pixel (px, py).
    static void At(MOTIONOBJ* p, float px, float py) {
        p->vWorldPos = {(px - 390) / 390, (320 - py) / 320, 0.5f};
    }

    MOTIONOBJ *root, *a, *b;
    static inline std::vector<MOTIONOBJ*> picked;
};

TEST_F(PickTest, WithinTenPixelsTheLaterPartInWalkOrderWins) {
    At(root, 100, 100);
    At(a, 106, 100);
    At(b, 100, 108);
    pGet = root;
    SelectParts(root, root, 100, 100);
    EXPECT_EQ(pGet, b);
    // Every hit is shown in the lists in turn; the root is never a candidate.
    EXPECT_EQ(picked, (std::vector<MOTIONOBJ*>{a, b}));
}

TEST_F(PickTest, TenPixelsOrMoreSelectsNothing) {
    // The world origin lands exactly on pixel (390, 320).
    a->vWorldPos = {0, 0, 0.5f};
    At(b, 100, 100);
    pGet = root;
    for (QPoint click : {QPoint(400, 320), QPoint(390, 330), QPoint(380, 320), QPoint(396, 328)}) {
        SelectParts(root, root, click.x(), click.y());
        EXPECT_EQ(pGet, root) << click.x() << "," << click.y();
    }
    EXPECT_TRUE(picked.empty());
    SelectParts(root, root, 399, 320);
    EXPECT_EQ(pGet, a);
}

// ---------------------------------------------------------------- drag editing

class DragTest : public PickTest {
protected:
    void SetUp() override {
        PickTest::SetUp();
        Modeflg = 0, Zikuflg = 1, NoChildflg = 0, rtXYZ = 0;
    }
    void Compose() {
        Trans(root, root);
        Gousei(root, root);
    }
};

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5);
    EXPECT_NEAR(v.y, y, 1e-5);
    EXPECT_NEAR(v.z, z, 1e-5);
}

TEST_F(DragTest, RotateModeTurnsThePartAboutItsOwnAxis) {
    pGet = a;
    Zikuflg = 2;
    rtXYZ = 90;
    UpdateProc(&Cha);
    const D3DXVECTOR3 x(1, 0, 0);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &x, &a->mRot);
    ExpectNear(out, 0, 0, -1);

    const D3DXMATRIX before = a->mRot;
    rtXYZ = 0;
    for (int32_t axis : {1, 2, 3}) {
        Zikuflg = axis;
        UpdateProc(&Cha);
    }
    EXPECT_TRUE(a->mRot == before);
    Zikuflg = 4;
    rtXYZ = 30;
    UpdateProc(&Cha);
    EXPECT_TRUE(a->mRot == before);
}

TEST_F(DragTest, MoveModeShiftsAlongTheParentsAxis) {
    D3DXMatrixRotationY(&root->mRot, D3DX_PI / 2);
    root->pChild->NextIsSibling = 0;
    Compose();
    const D3DXVECTOR3 start = a->vWorldPos;
    pGet = a;
    Modeflg = 1, Zikuflg = 3, rtXYZ = 0.1f;
    UpdateProc(&Cha);
    Compose();
    ExpectNear(a->vWorldPos - start, 0.1f, 0, 0);
    EXPECT_FLOAT_EQ(a->vOffset.z, 0.1f);
}

TEST_F(DragTest, ChildCompensationKeepsEveryDescendantsWorldOrientation) {
    // a with children b and c, and c with a child d.
    a->NextIsSibling = 0;
    b->pParent = a;  // b moves under a
    root->pChild = a, a->pNext = nullptr, a->pChild = b;
    b->NextIsSibling = 1;
    MOTIONOBJ* c = Add(b, "c");
    c->vOffset = {1, 0, 0};
    MOTIONOBJ* d = Add(c, "d");
    d->vOffset = {0, 1, 0};
    auto orientation = [](MOTIONOBJ* p) {
        D3DXMATRIX m = p->mWorld;
        m._41 = m._42 = m._43 = 0;
        return m;
    };
    auto same = [](const D3DXMATRIX& x, const D3DXMATRIX& y) {
        for (int i = 0; i < 16; ++i)
            if (std::fabs((&x._11)[i] - (&y._11)[i]) > 1e-5f) return false;
        return true;
    };
    for (int32_t keep : {1, 0}) {
        for (MOTIONOBJ* p : {a, b, c, d}) D3DXMatrixIdentity(&p->mRot);
        Compose();
        const D3DXMATRIX b0 = orientation(b), c0 = orientation(c), d0 = orientation(d);
        pGet = a, NoChildflg = keep;
        for (int32_t axis : {1, 2, 3, 2}) {
            Zikuflg = axis, rtXYZ = 25;
            UpdateProc(&Cha);
        }
        Compose();
        EXPECT_EQ(same(orientation(b), b0), keep == 1);
        EXPECT_EQ(same(orientation(c), c0), keep == 1);
        EXPECT_EQ(same(orientation(d), d0), keep == 1);
        EXPECT_TRUE(d->mRot == kIdentityMatrix) << "grandchildren are never touched";
    }
}

TEST_F(DragTest, ChildCompensationOnALeafChangesOnlyThePart) {
    pGet = b;
    NoChildflg = 1, Zikuflg = 3, rtXYZ = 10;
    UpdateProc(&Cha);
    EXPECT_FALSE(b->mRot == kIdentityMatrix);
    EXPECT_TRUE(a->mRot == kIdentityMatrix);
    EXPECT_TRUE(root->mRot == kIdentityMatrix);
}

}  // namespace
