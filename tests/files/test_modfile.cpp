// The choreography file: layout, round trips, what a load shows, refusals that
// leave the open document alone, and saves that never lose the old file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <optional>
#include <cstring>
#include <sys/resource.h>

#include "files/modfile.h"
#include "platform/paths.h"
#include "recorders.h"
#include "tree_fixture.h"

namespace {

const char kRoot[] = "\x91\x53\x90\x67";  // 全身

int32_t IntAt(const std::string& img, size_t off) {
    int32_t v;
    std::memcpy(&v, img.data() + off, 4);
    return v;
}

size_t RecordAt(size_t i) { return kModRecordsStart + kModRecordSize * i; }

struct Rec {
    std::string name;
    int32_t parent, child, next;
    std::string xname;
};

// A file image with the given records (count = records unless given).
std::string MakeImage(const std::vector<Rec>& recs, std::optional<int32_t> count = std::nullopt) {
    std::string img(RecordAt(recs.size()), '\0');
    std::memcpy(img.data(), "zamoriko", 8);
    const int32_t n = count ? *count : int32_t(recs.size());
    std::memcpy(img.data() + kModHeaderSize, &n, 4);
    for (size_t i = 0; i < recs.size(); ++i) {
        char* r = img.data() + RecordAt(i);
        for (int s = 0; s < kSlotCount; ++s) {
            D3DXMATRIX m;
            D3DXMatrixRotationY(&m, 0.01f * float(s));
            const float off[3] = {float(i), float(s), 1.0f};
            const float speed = 0.01f * float(i + 1);
            std::memcpy(r + 80 * s, &m, 64);
            std::memcpy(r + 80 * s + 64, off, 12);
            std::memcpy(r + 80 * s + 76, &speed, 4);
        }
        const float home[3] = {float(i), 2, 3};
        std::memcpy(r + 16000, home, 12);
        std::memcpy(r + 16012, recs[i].name.data(), recs[i].name.size());
        std::memcpy(r + 16267, recs[i].xname.data(), recs[i].xname.size());
        const int32_t flags[3] = {recs[i].parent, recs[i].child, recs[i].next};
        std::memcpy(r + 16522, flags, 12);
    }
    return img;
}

// Root, then a chain of `depth - 1` parts below it.
std::vector<Rec> Chain(int depth) {
    std::vector<Rec> recs{{kRoot, 0, depth > 1, 0, ""}};
    for (int i = 1; i < depth; ++i) recs.push_back({"c", 1, i < depth - 1, 0, ""});
    return recs;
}

// Root A(B...) from the editor's own example: root, A, A1, B.
struct FourParts : FreshDocument {
    MOTIONOBJ *a, *a1, *b;
    FourParts() {
        a = AddChild(root(), "A");
        a1 = AddChild(a, "A1");
        b = AddChild(root(), "B");
        std::strcpy(a->XName, ".\\a.x");
        std::strcpy(b->XName, "..\\models\\b.x");
        a1->vHome = D3DXVECTOR3(1, 2, 3);
        D3DXMatrixRotationX(&a1->mSlotRot[42], 0.5f);
        a1->vSlotOffset[199] = D3DXVECTOR3(-1, 0, 9);
        for (int s = 0; s < kSlotCount; ++s) Cha.Speed[s] = 0.001f * float(s);
    }
};

ModLoadResult Apply(const std::string& img, ModLoadView* view) {
    return ModApply(reinterpret_cast<const unsigned char*>(img.data()), img.size(), &Cha, view);
}

}  // namespace

TEST(ModFile, RootAloneIs16793BytesWithFlagsClear) {
    FreshDocument doc;
    const std::string img = ModBuild(&Cha, doc.root());
    ASSERT_EQ(img.size(), 16793u);
    EXPECT_EQ(std::string(img.data(), 9), std::string("zamoriko\0", 9));
    EXPECT_EQ(img.find_first_not_of('\0', 8), kModHeaderSize);  // zeros to the count
    EXPECT_EQ(IntAt(img, kModHeaderSize), 1);
    for (size_t f : {16522u, 16526u, 16530u}) EXPECT_EQ(IntAt(img, RecordAt(0) + f), 0);
    EXPECT_EQ(std::string(img.data() + RecordAt(0) + 16012), kRoot);
}

TEST(ModFile, RecordsAreInWalkOrderWithPresentLinksAsOne) {
    FourParts doc;
    const std::string img = ModBuild(&Cha, doc.root());
    ASSERT_EQ(img.size(), 259u + 4 * 16534u);
    EXPECT_EQ(IntAt(img, kModHeaderSize), 4);
    const struct {
        const char* name;
        int32_t parent, child, next;
    } want[] = {{kRoot, 0, 1, 0}, {"A", 1, 1, 1}, {"A1", 1, 0, 0}, {"B", 1, 0, 0}};
    for (size_t i = 0; i < 4; ++i) {
        const size_t r = RecordAt(i);
        EXPECT_STREQ(img.data() + r + 16012, want[i].name);
        EXPECT_EQ(IntAt(img, r + 16522), want[i].parent) << i;
        EXPECT_EQ(IntAt(img, r + 16526), want[i].child) << i;
        EXPECT_EQ(IntAt(img, r + 16530), want[i].next) << i;
        float speed;
        std::memcpy(&speed, img.data() + r + 80 * 7 + 76, 4);
        EXPECT_EQ(speed, 0.007f);  // the motion set's speeds in every record
    }
    float home[3];
    std::memcpy(home, img.data() + RecordAt(2) + 16000, 12);
    EXPECT_EQ(home[2], 3.0f);
    EXPECT_STREQ(img.data() + RecordAt(3) + 16267, "..\\models\\b.x");
}

TEST(ModFile, LoadRebuildsTheTreeAndShowsItNested) {
    std::string img;
    {
        FourParts doc;
        img = ModBuild(&Cha, doc.root());
    }
    FreshDocument doc;
    MOTIONOBJ* stale = AddChild(doc.root(), "stale");
    stale->NextIsSibling = 0;
    RecordingView view;
    const ModLoadResult r = Apply(img, &view);
    ASSERT_EQ(r.error, ModError::None) << r.reason.toStdString();

    MOTIONOBJ* root = doc.root();
    MOTIONOBJ* a = root->pChild;
    ASSERT_TRUE(a && a->pChild && a->pNext);
    EXPECT_STREQ(a->Name, "A");
    EXPECT_STREQ(a->pChild->Name, "A1");
    EXPECT_STREQ(a->pNext->Name, "B");
    EXPECT_EQ(a->pNext->pParent, root);
    EXPECT_EQ(a->pChild->pParent, a);
    EXPECT_EQ(a->pNext->pNext, nullptr);
    EXPECT_EQ(a->pChild->vHome, D3DXVECTOR3(1, 2, 3));
    EXPECT_FLOAT_EQ(a->pChild->mSlotRot[42]._22, std::cos(0.5f));
    EXPECT_EQ(a->pChild->vSlotOffset[199], D3DXVECTOR3(-1, 0, 9));
    EXPECT_EQ(Cha.Speed[150], 0.15f);
    for (MOTIONOBJ* p = root; p; p = NextInWalk(p, root)) EXPECT_EQ(p->NextIsSibling, 0);

    // Tree items nest as the parts do; B goes under the root's item after A.
    EXPECT_EQ(view.clears, 1);
    ASSERT_EQ(view.items.size(), 4u);
    EXPECT_EQ(view.items[0].parent, -1);
    EXPECT_EQ(view.items[1].parent, 0);
    EXPECT_EQ(view.items[2].parent, 1);
    EXPECT_EQ(view.items[3].parent, 0);
    EXPECT_EQ(view.entries, (std::vector<QString>{QStringLiteral("全身"), QStringLiteral("A"),
                                                  QStringLiteral("A1"), QStringLiteral("B")}));
    EXPECT_EQ(view.meshLoads, (std::vector<std::string>{".\\a.x", "..\\models\\b.x"}));

    // Saving again gives the same bytes.
    EXPECT_TRUE(ModBuild(&Cha, root) == img);
}

TEST(ModFile, LoadedTreeTakesNewChildrenAsChildren) {
    std::string img;
    {
        FourParts doc;
        img = ModBuild(&Cha, doc.root());
    }
    FreshDocument doc;
    RecordingView view;
    ASSERT_EQ(Apply(img, &view).error, ModError::None);
    MOTIONOBJ* a1 = doc.root()->pChild->pChild;
    MOTIONOBJ* a = doc.root()->pChild;
    // A has a next sibling but A1 has no child: adding under A1 makes a child.
    OBJInit(a1, "new");
    EXPECT_EQ(a1->pChild->pParent, a1);
    EXPECT_STREQ(a->pNext->Name, "B");
}

TEST(ModFile, ReaderKeepsLastSpeedsIgnoresBytesAfterTerminatorsAndTrailingData) {
    std::vector<Rec> recs{{kRoot, 0, 1, 0, ""}, {std::string("arm\0junk", 8), 7, 0, 0, ""}};
    std::string img = MakeImage(recs);
    img += "trailing bytes are not records";
    std::memcpy(img.data() + 9, "anything", 8);  // after "zamoriko\0"
    FreshDocument doc;
    RecordingView view;
    ASSERT_EQ(Apply(img, &view).error, ModError::None);
    EXPECT_STREQ(doc.root()->pChild->Name, "arm");
    EXPECT_EQ(Cha.Speed[0], 0.02f);  // second record's speeds
    // The bytes after the terminator come back on a resave, as the flags do as 1.
    const std::string again = ModBuild(&Cha, doc.root());
    EXPECT_EQ(std::memcmp(again.data() + RecordAt(1) + 16012, "arm\0junk", 8), 0);
    EXPECT_EQ(IntAt(again, RecordAt(1) + 16522), 1);
}

TEST(ModFile, UnterminatedNamesAreCutOnACharacterBoundary) {
    std::string name(253, 'n');
    name += std::string("\x91\x53", 2);  // straddles byte 254
    std::vector<Rec> recs{{kRoot, 0, 1, 0, ""}, {name, 1, 0, 0, std::string(255, 'x')}};
    FreshDocument doc;
    RecordingView view;
    ASSERT_EQ(Apply(MakeImage(recs), &view).error, ModError::None);
    EXPECT_EQ(std::strlen(doc.root()->pChild->Name), 253u);
    EXPECT_EQ(std::strlen(doc.root()->pChild->XName), 254u);
}

// Every kind of damage is refused and the open document stays exactly as it was.
TEST(ModFile, DamagedFilesAreRefusedAndChangeNothing) {
    const std::vector<Rec> four{{kRoot, 0, 1, 0, ""}, {"A", 1, 1, 1, ""}, {"A1", 1, 0, 0, ""}, {"B", 1, 0, 0, ""}};
    std::string shortFile = MakeImage(four);
    shortFile.resize(shortFile.size() - 1);
    std::string wrongHeader = MakeImage(four);
    wrongHeader[0] = 'Z';
    struct Case {
        const char* what;
        std::string image;
        ModError error;
    } cases[] = {
        {"wrong header", wrongHeader, ModError::WrongHeader},
        {"empty file", std::string(), ModError::WrongHeader},
        {"header only", std::string("zamoriko\0", 9), ModError::Damaged},
        {"ends early", shortFile, ModError::Damaged},
        {"no records", MakeImage({}, 0), ModError::Damaged},
        {"negative count", MakeImage(four, -3), ModError::Damaged},
        {"forged huge count", MakeImage(four, 0x7fffffff), ModError::Damaged},
        {"count below the links", MakeImage(four, 3), ModError::Damaged},
        {"count above the links", MakeImage({{kRoot, 0, 1, 0, ""}, {"A", 1, 0, 0, ""}, {"B", 1, 0, 0, ""}}), ModError::Damaged},
        {"part without a parent", MakeImage({{kRoot, 0, 1, 0, ""}, {"A", 0, 0, 0, ""}}), ModError::Damaged},
        {"root with a parent", MakeImage({{kRoot, 1, 0, 0, ""}}), ModError::Damaged},
        {"root with a sibling", MakeImage({{kRoot, 0, 0, 1, ""}, {"A", 1, 0, 0, ""}}), ModError::Damaged},
        {"one level too deep", MakeImage(Chain(kModMaxDepth + 1)), ModError::Damaged},
    };
    FourParts doc;
    const std::string before = ModBuild(&Cha, doc.root());
    MOTIONOBJ* const a = doc.a;
    for (const Case& c : cases) {
        RecordingView view;
        const ModLoadResult r = Apply(c.image, &view);
        EXPECT_EQ(r.error, c.error) << c.what;
        if (c.error == ModError::Damaged) {
            EXPECT_FALSE(r.reason.isEmpty()) << c.what;
        }
        EXPECT_EQ(view.clears, 0) << c.what;
        EXPECT_TRUE(view.items.empty()) << c.what;
        EXPECT_EQ(doc.root()->pChild, a) << c.what;
        EXPECT_TRUE(ModBuild(&Cha, doc.root()) == before) << c.what;
    }
}

TEST(ModFile, DeepChainsAndWideFansLoad) {
    FreshDocument doc;
    RecordingView view;
    ASSERT_EQ(Apply(MakeImage(Chain(kModMaxDepth)), &view).error, ModError::None);
    EXPECT_EQ(TreeDepth(doc.root()), kModMaxDepth);

    std::vector<Rec> fan{{kRoot, 0, 1, 0, ""}};
    for (int i = 0; i < 3000; ++i) fan.push_back({"f", 1, 0, i < 2999, ""});
    ASSERT_EQ(Apply(MakeImage(fan), &view).error, ModError::None);
    EXPECT_EQ(CountParts(doc.root()), 3001);
    EXPECT_EQ(TreeDepth(doc.root()), 2);
}

// The editor's commands, with their messages, on real files.
class ModFileCommands : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    ScriptedPrompter prompter;
    RecordingView view;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
        RememberStartDirectory();
        SetLoadView(&view);
    }
    void TearDown() override {
        SetLoadView(nullptr);
        QDir::setCurrent(oldCwd);
    }
    static void Choose(const char* name) {
        std::memset(FileName, 0, sizeof FileName);
        std::strcpy(FileName, name);
    }
    static QByteArray Read(const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(ModFileCommands, SaveThenLoadWithMessagesAndTheMissingFileList) {
    FourParts doc;
    Choose("dance.mod");
    FileSave(&Cha, doc.root(), doc.root());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("dance.modを保存しました"));
    EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[0].buttons, MB_OK);
    EXPECT_EQ(Read(QStringLiteral("dance.mod")).size(), 259 + 4 * 16534);
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{QStringLiteral("dance.mod")});

    view.missingNames = {".\\a.x", "..\\models\\b.x"};
    pGet = doc.a1;
    FileLoad(&Cha, doc.root(), doc.root());
    EXPECT_EQ(pGet, doc.root());
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[1].text, QStringLiteral("dance.modをよみこみました"));
    EXPECT_EQ(prompter.shown[1].caption, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[2].text, QStringLiteral(".\\a.x\n..\\models\\b.x\n上記のファイルが見つかりません"));
    EXPECT_EQ(prompter.shown[2].caption, QStringLiteral("読込失敗"));
    EXPECT_EQ(QDir::currentPath(), QString::fromLocal8Bit(CurrentPath));
}

TEST_F(ModFileCommands, UnreadableMeshesAreListedWithTheirReason) {
    FourParts doc;
    Choose("m.mod");
    FileSave(&Cha, doc.root(), doc.root());
    view.unreadableNames = {".\\a.x"};
    FileLoad(&Cha, doc.root(), doc.root());
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[2].text, QStringLiteral(".\\a.x（壊れています）\n上記のファイルは読み込めません"));
}

TEST_F(ModFileCommands, RefusedLoadsSayWhyAndKeepTheDocument) {
    FourParts doc;
    const std::string before = ModBuild(&Cha, doc.root());
    struct Case {
        const char* file;
        QByteArray bytes;  // null: the file does not exist
        QString text;
    } cases[] = {
        {"other.mod", QByteArray("not a choreography"), QStringLiteral("ファイルが違います。")},
        {"cut.mod", QByteArray(before.data(), qsizetype(before.size() - 10)), QString()},
        {"absent.mod", QByteArray(), QStringLiteral("absent.modを開けませんでした。\nファイルが見つかりません。")},
    };
    for (const Case& c : cases) {
        if (!c.bytes.isNull()) {
            QFile f(QString::fromLatin1(c.file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        Choose(c.file);
        prompter.shown.clear();
        FileLoad(&Cha, doc.root(), doc.root());
        ASSERT_EQ(prompter.shown.size(), 1u) << c.file;
        EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("エラー")) << c.file;
        if (!c.text.isEmpty()) {
            EXPECT_EQ(prompter.shown[0].text, c.text) << c.file;
        } else {
            EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("cut.modは壊れているため読み込めません。\n")))
                << prompter.shown[0].text.toStdString();
        }
        EXPECT_TRUE(ModBuild(&Cha, doc.root()) == before) << c.file;
        EXPECT_EQ(view.clears, 0);
    }
}

TEST_F(ModFileCommands, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    FourParts doc;
    Choose("keep.mod");
    QFile old(QStringLiteral("keep.mod"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the user's previous work");
    old.close();

    // The disk fills up in the middle of the write.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    FileSave(&Cha, doc.root(), doc.root());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(Read(QStringLiteral("keep.mod")), QByteArray("the user's previous work"));
    EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{QStringLiteral("keep.mod")});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("keep.modを保存できませんでした。\n")));
    EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("エラー"));

    // A folder that does not exist is reported the same way.
    Choose("no/such/folder.mod");
    prompter.shown.clear();
    FileSave(&Cha, doc.root(), doc.root());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("no/such/folder.modを保存できませんでした。\n保存先のフォルダが見つかりません。"));
}
