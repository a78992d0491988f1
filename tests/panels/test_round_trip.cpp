// A whole session through the panels' controls: build a three-part character
// from X files, pose it, store slots 0 to 3, play from both panels, save,
// quit, start again and load it back.
#include <QFileInfo>
#include <QTabBar>

#include "panel_fixture.h"

namespace {

class RoundTrip : public PanelTest {
protected:
    struct PartState {
        QString name, parent;
        std::string xname;
        bool hasMesh;
        D3DXVECTOR3 home;
        std::vector<D3DXVECTOR3> offsets;
        std::vector<D3DXMATRIX> rotations;
    };
    static std::vector<PartState> Snapshot() {
        std::vector<PartState> all;
        for (MOTIONOBJ* p = Cha.pTop; p; p = NextInWalk(p, Cha.pTop)) {
            PartState s{PartText(p), p->pParent ? PartText(p->pParent) : QString(),
                        p->XName,    p->Mesh.lpMesh != nullptr,
                        p->vHome,    {},
                        {}};
            for (int i = 0; i < kSlotCount; ++i) {
                s.offsets.push_back(p->vSlotOffset[i]);
                s.rotations.push_back(p->mSlotRot[i]);
            }
            all.push_back(std::move(s));
        }
        return all;
    }
    static void Play(HWND page, int playId, int frames) {
        GoToSlot(page, 1);
        GoToSlot(page, 0);
        Click(page, 1011);
        GoToSlot(page, 3);
        Click(page, 1012);
        Click(page, playId);
        for (int i = 0; i < frames; ++i) {
            Trans(Cha.pTop, Cha.pTop);
            Gousei(Cha.pTop, Cha.pTop);
            Anime(&Cha);
        }
        Click(page, 1015);
    }
};

TEST_F(RoundTrip, ACharacterBuiltInThePanelsComesBackFromItsFile) {
    WriteBytes(QStringLiteral("body.x"), TriangleX(1.0));
    WriteBytes(QStringLiteral("head.x"), TriangleX(0.5));
    WriteBytes(QStringLiteral("arm.x"), TriangleX(0.7));
    static_cast<QTabBar*>(g_hwnd_Tab)->setCurrentIndex(1);
    AddPart(U("全身"), U("胴"), QStringLiteral("body.x"));
    AddPart(U("胴"), U("頭"), QStringLiteral("head.x"));
    AddPart(U("胴"), U("右腕"), QStringLiteral("arm.x"));
    ASSERT_EQ(TreeShape(), U("全身(胴(頭,右腕))"));

    // Pose each slot: the drag edits stand in as direct changes of the current pose.
    static_cast<QTabBar*>(g_hwnd_Tab)->setCurrentIndex(0);
    for (int slot = 0; slot < 4; ++slot) {
        GoToSlot(pose(), slot);
        int k = 1;
        for (MOTIONOBJ* p = Cha.pTop->pChild; p; p = NextInWalk(p, Cha.pTop), ++k) {
            D3DXMatrixRotationY(&p->mRot, 0.1f * float(slot * k));
            p->vOffset = D3DXVECTOR3(float(slot), float(k), 0.5f * float(slot));
        }
        prompter.Yes();
        Click(pose(), 1001);
    }
    Click(pose(), 1021);  // move mode, to see it is not saved
    // Slot 2 twice as fast, from the animation page.
    GoToSlot(anime(), 2);
    Click(anime(), 1020);
    Click(anime(), 1021);
    Drag(Slider(anime()), 10);
    Click(anime(), 1024);
    ASSERT_FLOAT_EQ(Cha.Speed[2], 0.10f);

    prompter.Yes(2);
    Play(pose(), 1014, 30);
    Play(anime(), 1036, 30);
    EXPECT_EQ(Btflg, 0);
    EXPECT_NE(Cha.pTop->pChild->vOffset, D3DXVECTOR3(0, 0, 0)) << "playback moved the parts";

    const std::vector<PartState> before = Snapshot();
    std::vector<float> speeds(Cha.Speed, Cha.Speed + kSlotCount);
    prompter.Yes();
    prompter.fileAnswers.push_back(Path(QStringLiteral("Dance")));
    Click(pose(), 1003);
    ASSERT_TRUE(QFileInfo::exists(Path(QStringLiteral("dance.mod"))));

    QuitEditor();
    StartEditor();
    EXPECT_EQ(TreeShape(), U("全身"));
    EXPECT_EQ(Modeflg, 0);

    prompter.shown.clear();
    prompter.Yes();
    prompter.fileAnswers.push_back(Path(QStringLiteral("dance.mod")));
    Click(pose(), 1004);
    EXPECT_EQ(prompter.Texts(),
              (QStringList{U("ファイルを読み込みますか？"), U("dance.modをよみこみました")}));
    EXPECT_EQ(TreeShape(), U("全身(胴(頭,右腕))"));
    const QStringList names = {U("全身"), U("胴"), U("頭"), U("右腕")};
    EXPECT_EQ(Entries(pose()), names);
    EXPECT_EQ(Entries(treePage()), names);
    EXPECT_EQ(Shown(pose()), U("全身"));
    EXPECT_EQ(Shown(treePage()), U("全身"));

    const std::vector<PartState> after = Snapshot();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_EQ(after[i].parent, before[i].parent);
        EXPECT_EQ(after[i].xname, before[i].xname);
        EXPECT_EQ(after[i].hasMesh, before[i].hasMesh);
        EXPECT_EQ(after[i].home, before[i].home);
        for (int s = 0; s < kSlotCount; ++s) {
            EXPECT_EQ(after[i].offsets[size_t(s)], before[i].offsets[size_t(s)]);
            EXPECT_EQ(0, std::memcmp(&after[i].rotations[size_t(s)], &before[i].rotations[size_t(s)],
                                     sizeof(D3DXMATRIX)));
        }
    }
    EXPECT_TRUE(after[1].hasMesh && after[2].hasMesh && after[3].hasMesh);
    EXPECT_EQ(std::vector<float>(Cha.Speed, Cha.Speed + kSlotCount), speeds);

    // The loaded slots restore the poses.
    GoToSlot(pose(), 3);
    prompter.Yes();
    Click(pose(), 1002);
    EXPECT_EQ(Cha.pTop->pChild->vOffset, D3DXVECTOR3(3, 1, 1.5f));
}

}  // namespace
