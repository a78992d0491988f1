// The pose panel: play and its refusals, modes and axes, slot and colour
// up-downs, slot numbers across pages, the confirmations of the shared
// commands, and saving and loading the choreography file.
#include <QFileInfo>

#include "panel_fixture.h"

namespace {

using PosePanel = PanelTest;

TEST_F(PosePanel, PlayIsRefusedOrConfirmedByItsRange) {
    struct Case {
        int start, end;
        bool yes;
        const char* text;  // last message shown, "" = none
        int32_t btflg;
    };
    const Case cases[] = {
        {0, 0, true, "終了番号を開始番号より大きい数字で\n設定してください", 0},
        {5, 2, true, "終了番号を開始番号より大きい数字で\n設定してください", 0},
        {3, 7, false, "3～7までを再生しますか？", 0},
        {3, 7, true, "3～7までを再生しますか？", 2},
    };
    WriteBytes(QStringLiteral("a.x"), TriangleX());
    AddPart(U("全身"), U("腕"), QStringLiteral("a.x"));
    for (const Case& c : cases) {
        Btflg = 0;
        Cha.StartReq = 0;
        SETCURSEL(pGet);
        GoToSlot(pose(), c.start);
        Click(pose(), 1011);
        GoToSlot(pose(), c.end);
        Click(pose(), 1012);
        prompter.shown.clear();
        prompter.answers.clear();
        if (c.yes) prompter.Yes();
        Click(pose(), 1014);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, U(c.text));
        EXPECT_EQ(prompter.shown[0].caption, U(c.btflg || !c.yes ? "順番に再生" : "エラー"));
        EXPECT_EQ(Btflg, c.btflg);
        EXPECT_EQ(pGet, Cha.pTop) << "play makes the root current whatever follows";
        if (c.btflg) {
            EXPECT_EQ(Cha.StartNo, 3);
            EXPECT_EQ(Cha.EndNo, 7);
            EXPECT_EQ(Cha.StartReq, 1);
            EXPECT_EQ(Shown(pose()), U("全身"));
        }
    }
    // Playing: both play buttons do nothing, without a message.
    prompter.shown.clear();
    prompter.Yes(2);
    Click(pose(), 1014);
    Click(anime(), 1036);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(Btflg, 2);
    Cha.Playing = 1;
    Click(pose(), 1015);
    EXPECT_EQ(Btflg, 0);
    EXPECT_EQ(Cha.Playing, 0);
}

TEST_F(PosePanel, ModeAndAxisBoxesActAsExclusiveOptions) {
    struct Case {
        int id;
        int32_t mode, axis;
        std::vector<int> checked;
    };
    const Case cases[] = {
        {1021, 1, 1, {1021, 1022}}, {1021, 1, 1, {1021, 1022}}, {1024, 1, 3, {1021, 1024}},
        {1023, 1, 2, {1021, 1023}}, {1020, 0, 2, {1020, 1023}}, {1022, 0, 1, {1020, 1022}},
    };
    for (const Case& c : cases) {
        Click(pose(), c.id);
        EXPECT_EQ(Modeflg, c.mode) << c.id;
        EXPECT_EQ(Zikuflg, c.axis) << c.id;
        for (int id = 1020; id <= 1024; ++id)
            EXPECT_EQ(IsDlgButtonChecked(pose(), id), std::count(c.checked.begin(), c.checked.end(), id) == 1)
                << "after " << c.id << ", box " << id;
    }
    Click(pose(), 1016);
    EXPECT_EQ(NoChildflg, 1);
    Click(pose(), 1016);
    EXPECT_EQ(NoChildflg, 0);
}

TEST_F(PosePanel, UpDownsStopAtTheirEnds) {
    struct Case {
        int id;
        int32_t* value;
        int steps, expect;
    };
    const Case cases[] = {
        {1017, &No, -3, 0},     {1017, &No, 250, 199},   {1017, &No, 5, 199},
        {1050, &Red, 200, 255}, {1051, &Green, -150, 0}, {1052, &Blue, 1, 101},
    };
    for (const Case& c : cases) {
        Step(pose(), c.id, c.steps);
        EXPECT_EQ(*c.value, c.expect) << c.id;
        EXPECT_EQ(Number(pose(), c.id), c.expect) << c.id;
    }
    EXPECT_EQ(Number(anime(), 1017), 199) << "the animation page follows the slot";
    EXPECT_EQ(Number(treePage(), 1017), 0) << "the part tree page does not";
}

TEST_F(PosePanel, EachPageKeepsItsOwnSlotPosition) {
    Step(pose(), 1017, 4);
    Step(anime(), 1017, 10);
    EXPECT_EQ(No, 10);
    EXPECT_EQ(Number(pose(), 1017), 10);
    EXPECT_EQ(Number(treePage(), 1017), 0);
    Step(pose(), 1017, 1);
    EXPECT_EQ(No, 5) << "continues from this page's last position";
    EXPECT_EQ(Number(anime(), 1017), 5);
    EXPECT_EQ(Number(anime(), 1022), 5) << "1022 follows only this page's own slot changes";
    Step(treePage(), 1017, 2);
    EXPECT_EQ(No, 2);
    EXPECT_EQ(Number(pose(), 1017), 5);
    EXPECT_EQ(Number(anime(), 1017), 5);
}

TEST_F(PosePanel, SlotCommandsAskFirstAndActOnlyOnYes) {
    struct Case {
        int page;  // 0 pose, 1 part tree, 2 animation
        int id;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {0, 1001, "現在の状況を保存番号 7 番に保存しますか？", "保存確認"},
        {1, 1002, "保存番号 7 番を読み込みますか？", "読込確認"},
        {2, 1001, "現在の状況を保存番号 7 番に保存しますか？", "保存確認"},
        {1, 1025, "現在のパーツ状況を初期化しますか？", "確認"},
        {0, 1026, "全てのパーツ状況を初期化しますか？", "確認"},
        {0, 1027, "全てのパーツ座標を初期配置に変更しますか？", "確認"},
    };
    No = 7;
    MOTIONOBJ* root = Cha.pTop;
    for (const Case& c : cases) {
        for (bool yes : {false, true}) {
            root->vOffset = D3DXVECTOR3(1, 2, 3);
            root->vSlotOffset[7] = D3DXVECTOR3(9, 9, 9);
            root->vHome = D3DXVECTOR3(0, 0, 0);
            prompter.shown.clear();
            if (yes) prompter.Yes();
            Click(g_hwnd_Dlg[c.page], c.id);
            ASSERT_GE(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, U(c.text));
            EXPECT_EQ(prompter.shown[0].caption, U(c.caption));
            EXPECT_EQ(prompter.shown[0].buttons, MB_YESNO);
            const bool changed = root->vOffset != D3DXVECTOR3(1, 2, 3) ||
                                 root->vSlotOffset[7] != D3DXVECTOR3(9, 9, 9) ||
                                 root->vHome != D3DXVECTOR3(0, 0, 0);
            EXPECT_EQ(changed, yes) << c.id;
        }
    }
    EXPECT_EQ(prompter.shown.back().text, U("初期配置を変更しました"));
}

TEST_F(PosePanel, HalfTurnTwiceBringsTheBodyBack) {
    const D3DXMATRIX before = Cha.pTop->mRot;
    Click(pose(), 1032);
    EXPECT_NEAR(Cha.pTop->mRot._11, -before._11, 1e-5f);
    Click(pose(), 1032);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR((&Cha.pTop->mRot._11)[i], (&before._11)[i], 1e-5f);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(PosePanel, SaveNamesTheFileByFilterAndCase) {
    struct Case {
        const char* typed;
        int filter;
        const char* written;
    };
    const Case cases[] = {
        {"dance", 0, "dance.mod"},
        {"Dance.MOD", 0, "dance.mod"},
        {"dance", 1, "dance"},
        {"sub/Walk.Mod", 0, "sub/walk.mod"},
    };
    ASSERT_TRUE(QDir(root_).mkpath(QStringLiteral("sub")));
    for (const Case& c : cases) {
        QDir::setCurrent(root_);
        QFile::remove(Path(U(c.written)));
        prompter.Yes();
        prompter.fileAnswers.push_back(Path(U(c.typed)));
        prompter.filterAnswers.push_back(c.filter);
        prompter.shown.clear();
        prompter.files.clear();
        Click(pose(), 1003);
        EXPECT_TRUE(QFileInfo::exists(Path(U(c.written)))) << c.typed;
        EXPECT_EQ(QFileInfo(Path(U(c.written))).size(), 16793) << c.typed;
        ASSERT_EQ(prompter.files.size(), 1u);
        const FileQuestion& q = prompter.files[0];
        EXPECT_EQ(q.title, U("ファイル選択"));
        EXPECT_TRUE(q.save);
        EXPECT_EQ(q.filters, (QStringList{U("*.mod (*.mod)"), U("全てのファイル (*)")}));
        EXPECT_EQ(q.startDir, root_);
        EXPECT_EQ(prompter.shown[0].text, U("現在の状況をファイルに保存しますか？"));
        EXPECT_EQ(prompter.shown.back().caption, U("確認"));
    }
    // The next dialog opens with the last chosen path filled in.
    prompter.Yes();
    Click(pose(), 1003);
    EXPECT_EQ(prompter.files.back().startFile, Path(QStringLiteral("sub/Walk.Mod")));
}

TEST_F(PosePanel, SavingOverAFileAsksAboutTheFileReallyWritten) {
    WriteBytes(QStringLiteral("dance.mod"), "old");
    // Typed "dance": the file written is dance.mod, which exists.
    prompter.answers = {IDYES, IDNO};
    prompter.fileAnswers = {Path(QStringLiteral("dance")), QString()};
    Click(pose(), 1003);
    EXPECT_EQ(prompter.files.size(), 2u) << "No goes back to the dialog";
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("dance.mod"))).size(), 3);
    ASSERT_GE(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, U("dance.mod は既に存在します。\n上書きしますか？"));

    prompter.answers = {IDYES, IDYES};
    prompter.fileAnswers = {Path(QStringLiteral("dance"))};
    Click(pose(), 1003);
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("dance.mod"))).size(), 16793);
}

TEST_F(PosePanel, CancelledQuestionsChangeNothing) {
    for (int id : {1003, 1004}) {
        for (bool reachDialog : {false, true}) {
            prompter.files.clear();
            if (reachDialog) prompter.Yes();
            Click(pose(), id);
            EXPECT_EQ(prompter.files.size(), reachDialog ? 1u : 0u);
        }
    }
    EXPECT_TRUE(QDir(root_).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(Entries(pose()), QStringList{U("全身")});
}

class PoseFiles : public PanelTest {
protected:
    // Builds 全身(A(A1),B) with meshes, saves it under `name` and empties the tree again.
    void SaveSample(const QString& name) {
        WriteBytes(QStringLiteral("a.x"), TriangleX());
        AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
        AddPart(QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("a.x"));
        AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));
        ASSERT_EQ(TreeShape(), U("全身(A(A1),B)"));
        Cha.Speed[3] = 0.2f;
        prompter.Yes();
        prompter.fileAnswers.push_back(Path(name));
        prompter.filterAnswers.push_back(1);
        Click(pose(), 1003);
        ASSERT_TRUE(QFileInfo::exists(Path(name)));
        Cha.Speed[3] = 0.05f;
        prompter.Yes();
        Menu(QStringLiteral("A"), ID_DELETE);
        prompter.Yes();
        Menu(QStringLiteral("B"), ID_DELETE);
        ASSERT_EQ(TreeShape(), U("全身"));
    }
    void Load(const QString& name, int filter) {
        prompter.shown.clear();
        prompter.Yes();
        prompter.fileAnswers.push_back(Path(name));
        prompter.filterAnswers.push_back(filter);
        Click(anime(), 1004);
    }
};

TEST_F(PoseFiles, LoadAcceptsModFilesWhateverTheCaseAndRefusesOthers) {
    SaveSample(QStringLiteral("walk.mod"));
    // Saving lower-cases the name; a file from elsewhere may not be.
    ASSERT_TRUE(QFile::rename(Path(QStringLiteral("walk.mod")), Path(QStringLiteral("walk.MOD"))));
    QFile::copy(Path(QStringLiteral("walk.MOD")), Path(QStringLiteral("walk.txt")));
    // Something to lose: C under the root, selected.
    AddPart(U("全身"), QStringLiteral("C"), QStringLiteral("a.x"));

    Load(QStringLiteral("walk.txt"), 1);
    EXPECT_EQ(prompter.Texts(), QStringList{U("ファイルを読み込みますか？")} << U("ファイルが開けません"));
    EXPECT_EQ(TreeShape(), U("全身(C)"));
    EXPECT_EQ(Shown(pose()), QStringLiteral("C"));

    Load(QStringLiteral("walk.MOD"), 0);
    EXPECT_EQ(prompter.shown.back().text, U("walk.MODをよみこみました"));
    EXPECT_EQ(TreeShape(), U("全身(A(A1),B)"));
    EXPECT_EQ(PartShape(Cha.pTop), U("全身(A(A1),B)"));
    EXPECT_EQ(Entries(pose()),
              (QStringList{U("全身"), QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("B")}));
    EXPECT_EQ(Entries(treePage()), Entries(pose()));
    EXPECT_EQ(ComboCurSel(pose(), 1005), 0);
    EXPECT_EQ(ComboCurSel(treePage(), 1005), 0);
    EXPECT_EQ(pGet, Cha.pTop);
    EXPECT_FLOAT_EQ(Cha.Speed[3], 0.2f);
    for (MOTIONOBJ* p = Cha.pTop->pChild; p; p = NextInWalk(p, Cha.pTop))
        EXPECT_NE(p->Mesh.lpMesh, nullptr) << PartText(p).toStdString();
}

TEST_F(PoseFiles, ADamagedFileLeavesTheChoreographyAsItWas) {
    SaveSample(QStringLiteral("good.mod"));
    QFile f(Path(QStringLiteral("good.mod")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    f.close();
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray header = good;
    header[0] = 'Z';
    const Case cases[] = {
        {"cut.mod", good.left(good.size() - 100)},
        {"header.mod", header},
        {"empty.mod", QByteArray()},
    };
    AddPart(U("全身"), QStringLiteral("C"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("C"), QStringLiteral("C1"), QStringLiteral("a.x"));
    Cha.pTop->pChild->vSlotOffset[4] = D3DXVECTOR3(4, 4, 4);
    MOTIONOBJ* c1 = pGet;
    for (const Case& c : cases) {
        WriteBytes(U(c.name), std::string(c.bytes.constData(), size_t(c.bytes.size())));
        Load(U(c.name), 0);
        EXPECT_EQ(TreeShape(), U("全身(C(C1))")) << c.name;
        EXPECT_EQ(PartShape(Cha.pTop), U("全身(C(C1))")) << c.name;
        EXPECT_EQ(Entries(pose()), (QStringList{U("全身"), QStringLiteral("C"), QStringLiteral("C1")}))
            << c.name;
        EXPECT_EQ(Entries(treePage()), Entries(pose())) << c.name;
        EXPECT_EQ(Shown(pose()), QStringLiteral("C1")) << c.name;
        EXPECT_EQ(pGet, c1) << c.name;
        EXPECT_NE(c1->Mesh.lpMesh, nullptr) << c.name;
        EXPECT_EQ(Cha.pTop->pChild->vSlotOffset[4], D3DXVECTOR3(4, 4, 4)) << c.name;
        EXPECT_EQ(prompter.shown.back().caption, U("エラー")) << c.name;
    }
}

}  // namespace
