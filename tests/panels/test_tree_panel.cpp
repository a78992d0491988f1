// The part tree panel: context menu, adding with the name dialog and the mesh
// dialog, renaming in place, changing the X file, deleting, and the
// operations that keep tree, lists and current part in step.
#include <QLineEdit>
#include <QProgressDialog>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include "panel_fixture.h"

namespace {

class TreePanel : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        WriteBytes(QStringLiteral("a.x"), TriangleX());
        WriteBytes(QStringLiteral("b.x"), TriangleX(2.0));
        WriteBytes(QStringLiteral("a.txt"), TriangleX());
        static_cast<QTabBar*>(g_hwnd_Tab)->setCurrentIndex(1);
        g_hwnd_Static->repaint();
        Settle();
        ASSERT_TRUE(treePage()->isVisible());
    }
    // The open label editor (closed ones linger hidden until deleted).
    static QLineEdit* Editor() {
        for (QLineEdit* e : static_cast<QTreeWidget*>(hTree)->findChildren<QLineEdit*>())
            if (!e->isHidden()) return e;
        return nullptr;
    }
    MOTIONOBJ* Part(const char* name) {
        std::string sjis;
        TypedName(U(name), &sjis);
        return FindPart(sjis.c_str());
    }
    void Rename(const QString& label, const QString& typed, bool escape = false) {
        Menu(label, ID_RENAME);
        QLineEdit* edit = Editor();
        ASSERT_NE(edit, nullptr);
        edit->setText(typed);
        QTest::keyClick(edit, escape ? Qt::Key_Escape : Qt::Key_Return);
        Settle();
    }
    // Types into the editor already open and presses Enter.
    void TypeAgain(const QString& typed) {
        QLineEdit* edit = Editor();
        ASSERT_NE(edit, nullptr) << "the label editor reopened";
        EXPECT_EQ(edit->text(), PartText(pGet)) << "showing the part's name";
        edit->setText(typed);
        QTest::keyClick(edit, Qt::Key_Return);
        Settle();
    }
};

TEST_F(TreePanel, TheMenuShowsOverItemsOnly) {
    const QPoint empty = static_cast<QTreeWidget*>(hTree)->viewport()->mapToGlobal(QPoint(200, 300));
    SendPageMessage(treePage(), WM_CONTEXTMENU, WPARAM(hTree), MAKELPARAM(empty.x(), empty.y()));
    EXPECT_TRUE(prompter.menus.empty());
    Menu(U("全身"), 0);
    ASSERT_EQ(prompter.menus.size(), 1u);
    QStringList texts;
    std::vector<int> ids;
    for (const MenuEntry& e : prompter.menus[0]) {
        texts << e.text;
        ids.push_back(e.id);
    }
    EXPECT_EQ(texts, (QStringList{U("選択"), U("パーツを追加"), U("Xファイルを変更"), U("名前を変更"),
                                  U("パーツを削除")}));
    EXPECT_EQ(ids, (std::vector<int>{40003, 40024, 40020, 40025, 40022}));
    EXPECT_EQ(TreeGetItemText(hTree, TreeGetSelection(hTree)), U("全身"));
}

TEST_F(TreePanel, AddingAppendsTheNamedPartAsTheLastChild) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("b.x"));
    WriteBytes(QStringLiteral("B.X"), TriangleX());
    AddPart(QStringLiteral("A"), QStringLiteral("A2"),
            QStringLiteral("B.X"));  // the kind is judged case-blind
    EXPECT_EQ(TreeShape(), U("全身(A(A1,A2),B)"));
    EXPECT_EQ(PartShape(Cha.pTop), U("全身(A(A1,A2),B)"));
    const QStringList names = {U("全身"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A1"),
                               QStringLiteral("A2")};
    EXPECT_EQ(Entries(pose()), names);
    EXPECT_EQ(Entries(treePage()), names);
    EXPECT_EQ(PartText(pGet), QStringLiteral("A2"));
    EXPECT_EQ(Shown(pose()), QStringLiteral("A2"));
    EXPECT_EQ(Shown(treePage()), QStringLiteral("A2"));
    EXPECT_EQ(pGet->pParent, Part("A"));
    EXPECT_NE(pGet->Mesh.lpMesh, nullptr);
    EXPECT_STREQ(pGet->XName, ".\\B.X");
    for (MOTIONOBJ* p = Cha.pTop; p; p = NextInWalk(p, Cha.pTop)) EXPECT_EQ(p->NextIsSibling, 0);
    const FileQuestion& q = prompter.files.back();
    EXPECT_EQ(q.title, U("ファイル選択"));
    EXPECT_EQ(q.filters, (QStringList{U("xファイル (*.x)"), U("全てのファイル (*)")}));
    EXPECT_FALSE(q.save);
}

TEST_F(TreePanel, TheNameDialogRefusesUntilANewNameComes) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    struct Case {
        const char* typed;
        const char* notice;  // "" = accepted
    };
    const Case cases[] = {
        {"", "名前を入力してください"},
        {"全身", "すでに同じ名前のものが存在します"},
        {"A", "すでに同じ名前のものが存在します"},
        {"😀", "この名前にはファイルに保存できない文字が含まれています"},
        {"新しい腕", ""},
    };
    prompter.shown.clear();
    for (const Case& c : cases) prompter.names.push_back(U(c.typed));
    prompter.fileAnswers.push_back(Path(QStringLiteral("a.x")));
    Menu(U("全身"), ID_ADDPARTS);
    EXPECT_EQ(prompter.nameDialogs, 2) << "one dialog for the first add, one kept open through the refusals";
    ASSERT_EQ(prompter.shown.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(prompter.shown[i].text, U(cases[i].notice));
        EXPECT_EQ(prompter.shown[i].caption, U("エラー"));
        EXPECT_EQ(prompter.shown[i].buttons, MB_OK);
    }
    EXPECT_EQ(TreeShape(), U("全身(A,新しい腕)"));
}

TEST_F(TreePanel, ALongNameIsCutOnACharacterBoundary) {
    QString name = QStringLiteral("a");
    while (name.size() < 200) name += U("腕");  // 1 + 2 x 199 bytes in CP932
    AddPart(U("全身"), name, QStringLiteral("a.x"));
    const size_t stored = FieldLength(pGet->Name, kNameSize);
    EXPECT_EQ(stored, 253u) << "254 would split a two-byte character";
    EXPECT_EQ(PartText(pGet), name.left(127));
    EXPECT_EQ(Entries(pose()).last(), name.left(127));
    EXPECT_EQ(TreeShape(), U("全身(") + name.left(127) + U(")"));
}

TEST_F(TreePanel, AnAddWithoutAMeshPutsEverythingBack) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("a.x"));
    struct Case {
        const char* label;   // where the add starts
        const char* name;    // "<cancel>" = the name dialog is cancelled
        const char* file;    // "" = the file dialog is cancelled
        const char* notice;  // last message, "" = none
    };
    const Case cases[] = {
        {"A", "X", "", ""},        {"A", "X", "a.txt", "ファイルが開けません"},
        {"A1", "X", "", ""},       {"全身", "X", "a.txt", "ファイルが開けません"},
        {"A", "<cancel>", "", ""},
    };
    for (const Case& c : cases) {
        Choose(pose(), 0);  // the root current, then the add selects another part
        ASSERT_EQ(pGet, Cha.pTop);
        prompter.shown.clear();
        prompter.names.push_back(U(c.name));
        if (std::string(c.name) != "<cancel>")
            prompter.fileAnswers.push_back(*c.file ? Path(U(c.file)) : QString());
        Menu(U(c.label), ID_ADDPARTS);
        EXPECT_EQ(TreeShape(), U("全身(A(A1))")) << c.label << c.file;
        EXPECT_EQ(PartShape(Cha.pTop), U("全身(A(A1))")) << c.label << c.file;
        EXPECT_EQ(Entries(pose()), (QStringList{U("全身"), QStringLiteral("A"), QStringLiteral("A1")}));
        EXPECT_EQ(Entries(treePage()), Entries(pose()));
        const bool cancelledName = std::string(c.name) == "<cancel>";
        // Cancelling the name dialog restores the part current before the menu.
        EXPECT_EQ(pGet, cancelledName ? Cha.pTop : Part(c.label)) << c.label;
        if (!cancelledName) {
            EXPECT_EQ(Shown(pose()), U(c.label));
        }
        EXPECT_EQ(prompter.shown.empty() ? QString() : prompter.shown.back().text, U(c.notice));
        for (MOTIONOBJ* p = Cha.pTop; p; p = NextInWalk(p, Cha.pTop)) EXPECT_EQ(p->NextIsSibling, 0);
    }
}

TEST_F(TreePanel, RenamingAcceptsNewAndOwnNamesAndRefusesOthers) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));

    Rename(QStringLiteral("A"), QStringLiteral("A"));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(TreeShape(), U("全身(A,B)"));

    Rename(QStringLiteral("A"), U("腕"));
    EXPECT_EQ(TreeShape(), U("全身(腕,B)"));
    EXPECT_EQ(Entries(pose()), (QStringList{U("全身"), U("腕"), QStringLiteral("B")}));
    EXPECT_EQ(Entries(treePage()), Entries(pose()));
    EXPECT_EQ(Shown(pose()), U("腕"));
    EXPECT_EQ(Shown(treePage()), U("腕"));
    EXPECT_EQ(PartText(pGet), U("腕"));

    struct Case {
        const char* typed;
        const char* notice;
    };
    const Case refusals[] = {
        {"B", "すでに同じ名前のものが存在します"},
        {"全身", "すでに同じ名前のものが存在します"},
        {"", "名前を入力してください"},
        {"😀", "この名前にはファイルに保存できない文字が含まれています"},
    };
    for (const Case& c : refusals) {
        prompter.shown.clear();
        Rename(U("腕"), U(c.typed));
        ASSERT_EQ(prompter.shown.size(), 1u) << c.typed;
        EXPECT_EQ(prompter.shown[0].text, U(c.notice));
        EXPECT_EQ(prompter.shown[0].caption, U("エラー"));
        EXPECT_EQ(TreeShape(), U("全身(腕,B)"));
        EXPECT_TRUE(TreeIsEditing(hTree)) << "the editor reopens";
        // The reopened edit still belongs to the same part.
        TypeAgain(U("右腕"));
        EXPECT_EQ(TreeShape(), U("全身(右腕,B)"));
        EXPECT_EQ(Entries(pose()), (QStringList{U("全身"), U("右腕"), QStringLiteral("B")}));
        Rename(U("右腕"), U("腕"));
    }
}

TEST_F(TreePanel, EscapeKeepsTheNameButAClickedEditStillSelects) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));
    Rename(QStringLiteral("B"), QStringLiteral("C"), true);
    EXPECT_EQ(TreeShape(), U("全身(A,B)"));
    EXPECT_TRUE(prompter.shown.empty());

    // An edit begun by the tree itself: the selected item's part becomes
    // current when the edit ends, even when it is cancelled.
    Choose(pose(), 0);
    TreeSelectItem(hTree, FindItem(QStringLiteral("A")));
    TreeEditLabel(hTree, FindItem(QStringLiteral("A")));
    QLineEdit* edit = Editor();
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(pGet, Part("A"));
    EXPECT_EQ(TreeShape(), U("全身(A,B)"));
}

TEST_F(TreePanel, ChangingTheXFileReplacesTheMeshOrRefuses) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    MOTIONOBJ* a = pGet;
    struct Case {
        bool yes;
        const char* file;  // "" = cancelled
        const char* xname;
        const char* notice;
    };
    const Case cases[] = {
        {false, "b.x", ".\\a.x", "Xファイルを変更しますか？"},
        {true, "", ".\\a.x", "Xファイルを変更しますか？"},
        {true, "a.txt", ".\\a.x", "ファイルが開けません"},
        {true, "b.x", ".\\b.x", "Xファイルを変更しますか？"},
    };
    for (const Case& c : cases) {
        Choose(pose(), 0);
        prompter.shown.clear();
        prompter.fileAnswers.clear();
        if (c.yes) prompter.Yes();
        prompter.fileAnswers.push_back(*c.file ? Path(U(c.file)) : QString());
        Menu(QStringLiteral("A"), ID_XFILE);
        EXPECT_STREQ(a->XName, c.xname) << c.file;
        EXPECT_NE(a->Mesh.lpMesh, nullptr);
        EXPECT_EQ(pGet, a);
        EXPECT_EQ(prompter.shown.back().text, U(c.notice));
        EXPECT_EQ(prompter.shown[0].caption, U("読込確認"));
    }
    EXPECT_EQ(Shown(pose()), QStringLiteral("A"));
}

TEST_F(TreePanel, TheRootRefusesDeleteAndChangeAndIsOnlySelected) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    for (int command : {ID_DELETE, ID_XFILE, ID_SELECT}) {
        prompter.shown.clear();
        prompter.files.clear();
        prompter.Yes(2);
        Menu(U("全身"), command);
        EXPECT_TRUE(prompter.shown.empty()) << command;
        EXPECT_TRUE(prompter.files.empty()) << command;
        EXPECT_EQ(pGet, Cha.pTop);
        EXPECT_EQ(Shown(pose()), U("全身"));
        EXPECT_EQ(Shown(treePage()), U("全身"));
        EXPECT_EQ(TreeShape(), U("全身(A)"));
        prompter.answers.clear();
        Choose(treePage(), 1);
        EXPECT_EQ(PartText(pGet), QStringLiteral("A"));
        EXPECT_EQ(Shown(pose()), QStringLiteral("A")) << "the pose list follows";
    }
}

TEST_F(TreePanel, DeletingRemovesTheWholeSubtreeEverywhere) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A1"), QStringLiteral("A11"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A1"), QStringLiteral("A12"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A"), QStringLiteral("A2"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("C"), QStringLiteral("a.x"));

    prompter.shown.clear();
    Menu(QStringLiteral("A1"), ID_DELETE);  // answered No
    EXPECT_EQ(prompter.shown[0].text, U("パーツを削除しますか？"));
    EXPECT_EQ(prompter.shown[0].caption, U("確認"));
    EXPECT_EQ(TreeShape(), U("全身(A(A1(A11,A12),A2),B,C)"));

    struct Case {
        const char* label;
        const char* shape;
        const char* current;
        QStringList entries;
    };
    const Case cases[] = {
        {"A1", "全身(A(A2),B,C)", "A", {U("全身"), U("A"), U("A2"), U("B"), U("C")}},
        {"B", "全身(A(A2),C)", "全身", {U("全身"), U("A"), U("A2"), U("C")}},
        {"A", "全身(C)", "全身", {U("全身"), U("C")}},
        {"C", "全身", "全身", {U("全身")}},
    };
    for (const Case& c : cases) {
        prompter.Yes();
        Menu(U(c.label), ID_DELETE);
        EXPECT_EQ(TreeShape(), U(c.shape)) << c.label;
        EXPECT_EQ(PartShape(Cha.pTop), U(c.shape)) << c.label;
        EXPECT_EQ(Entries(pose()), c.entries) << c.label;
        EXPECT_EQ(Entries(treePage()), c.entries) << c.label;
        EXPECT_EQ(PartText(pGet), U(c.current)) << c.label;
        EXPECT_EQ(Shown(pose()), U(c.current)) << c.label;
        EXPECT_EQ(Shown(treePage()), U(c.current)) << c.label;
    }
}

TEST_F(TreePanel, WholeTreeModeLeavesTheRootAlone) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));
    Cha.pTop->NextIsSibling = 1;
    TreeDelete(Cha.pTop, Cha.pTop, Cha.pTop);
    Cha.pTop->NextIsSibling = 0;
    EXPECT_EQ(Cha.pTop->pChild, nullptr);
    EXPECT_EQ(pGet, Cha.pTop);
    EXPECT_TRUE(Entries(pose()).isEmpty());
    EXPECT_TRUE(Entries(treePage()).isEmpty());
}

TEST_F(TreePanel, PickingInTheViewSelectsInBothLists) {
    AddPart(U("全身"), QStringLiteral("A"), QStringLiteral("a.x"));
    AddPart(U("全身"), QStringLiteral("B"), QStringLiteral("a.x"));
    ASSERT_NE(g_SelectInLists, nullptr);
    g_SelectInLists(Part("A"));
    EXPECT_EQ(Shown(pose()), QStringLiteral("A"));
    EXPECT_EQ(Shown(treePage()), QStringLiteral("A"));
}

// A load whose meshes take long shows which part is being loaded, and the
// window goes when the load is done; a quick one shows nothing.
TEST_F(TreePanel, SlowMeshLoadsShowProgressNamingThePart) {
    ModLoadView* view = PanelLoadView();
    auto progress = [this] { return window_->findChild<QProgressDialog*>(); };
    view->Progress(0, 3, Cha.pTop);
    EXPECT_TRUE(progress() == nullptr || !progress()->isVisible());
    QTest::qWait(700);
    view->Progress(1, 3, Cha.pTop);
    QTest::qWait(50);
    ASSERT_NE(progress(), nullptr);
    EXPECT_TRUE(progress()->isVisible());
    EXPECT_TRUE(progress()->labelText().contains(QStringLiteral("全身"))) << progress()->labelText().toStdString();
    view->Progress(3, 3, nullptr);
    QTest::qWait(50);
    EXPECT_EQ(progress(), nullptr);
}

}  // namespace
