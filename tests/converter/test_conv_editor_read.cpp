// A converted file read back by the editor's own choreography reader: the
// fixed tree, names, slots past the legacy range, and the meshes it reports
// missing.
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <map>
#include <string>
#include <vector>

#include "conv.h"
#include "conv_fixture.h"
#include "files/modfile.h"
#include "model/motion.h"
#include "platform/sjis.h"

using namespace convtest;

namespace {

// Records what the editor would put into its tree view and part lists.
class RecordingView : public ModLoadView {
public:
    std::map<const MOTIONOBJ*, const MOTIONOBJ*> itemParent;  // tree item -> parent item
    std::vector<QString> entries;
    HTREEITEM InsertItem(HTREEITEM parent, const MOTIONOBJ* part) override {
        itemParent[part] = static_cast<const MOTIONOBJ*>(parent);
        return const_cast<MOTIONOBJ*>(part);
    }
    void AddPartEntry(const MOTIONOBJ* part) override {
        entries.push_back(SjisToQString(std::string_view(part->Name, strnlen(part->Name, kNameSize))));
    }
};

QString NameOf(const MOTIONOBJ* p) {
    return SjisToQString(std::string_view(p->Name, strnlen(p->Name, kNameSize)));
}

TEST(ConvEditorRead, EditorLoadsTheFixedTree) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString oldCwd = QDir::currentPath();
    // The editor resolves X files against its start directory.
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    // Line 1 exists, line 2 is empty, line 15 is a UTF-8 name that exists; the rest are missing.
    auto line = [](int n) {
        return n == 1    ? QByteArray("body.x")
               : n == 2  ? QByteArray()
               : n == 15 ? QByteArray("部品/顔.x")
                         : LinePath(n);
    };
    QByteArray file;
    for (int n = 1; n <= 17; ++n) file += line(n) + "\r\n";
    ASSERT_TRUE(WriteBytes(QStringLiteral("m.txt"), DistinctLegacy()));
    ASSERT_TRUE(WriteBytes(QStringLiteral("p.prt"), file));
    ASSERT_TRUE(WriteBytes(QStringLiteral("body.x"), "xof "));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("部品")));
    ASSERT_TRUE(WriteBytes(QStringLiteral("部品/顔.x"), "xof "));

    kavconv::ConvReset();
    kavconv::CurrentPath = dir.path();
    kavconv::textFullFileName = QStringLiteral("m.txt");
    kavconv::prtFullFileName = QStringLiteral("p.prt");
    kavconv::FullFileName = dir.filePath(QStringLiteral("out.mod"));
    kavconv::FileName = QStringLiteral("out.mod");
    QString why;
    ASSERT_TRUE(kavconv::TextRead(&why) && kavconv::PrtRead(&why) && kavconv::FileSave(&why))
        << why.toStdString();

    _MOTIONDATA data{};
    GameInit(&data);
    RecordingView view;
    ModLoadResult r = ModReadFile(dir.filePath(QStringLiteral("out.mod")), &data, &view);
    ASSERT_EQ(r.error, ModError::None) << r.reason.toStdString();

    std::vector<const MOTIONOBJ*> parts;
    for (MOTIONOBJ* p = data.pTop; p; p = NextInWalk(p, data.pTop)) parts.push_back(p);
    ASSERT_EQ(parts.size(), 18u);
    for (int i = 0; i < 18; ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const MOTIONOBJ* p = parts[i];
        EXPECT_EQ(NameOf(p), QString::fromUtf8(kTree[i].name));
        const MOTIONOBJ* wantParent = kTree[i].parentRecord < 0 ? nullptr : parts[kTree[i].parentRecord];
        EXPECT_EQ(p->pParent, wantParent);
        EXPECT_EQ(view.itemParent[p], wantParent);
        EXPECT_EQ(view.entries.at(i), QString::fromUtf8(kTree[i].name));
        const D3DXMATRIX& m = p->mSlotRot[150];
        for (int k = 0; k < 16; ++k) EXPECT_EQ(m.m[k / 4][k % 4], k % 5 == 0 ? 1.0f : 0.0f);
        EXPECT_EQ(p->vSlotOffset[150].x, 0.0f);
        EXPECT_EQ(p->vSlotOffset[150].y, 0.0f);
        EXPECT_EQ(p->vSlotOffset[150].z, 0.0f);
        EXPECT_EQ(p->mSlotRot[42].m[3][1], Value(42, kTree[i].part, 13));
        EXPECT_EQ(p->vHome.y, Value(99, kTree[i].part, 20));
    }
    EXPECT_EQ(data.Speed[150], 0.0f);
    EXPECT_EQ(data.Speed[7], Speed(7));

    // Every path that is not there is reported; the empty line and the found files are not.
    QSet<QString> missing(r.missing.begin(), r.missing.end());
    QSet<QString> want;
    for (int n = 3; n <= 17; ++n)
        if (n != 15) want.insert(QString::fromUtf8(LinePath(n)));
    EXPECT_EQ(missing, want);

    FreeTree(&data, nullptr, nullptr);
    QDir::setCurrent(oldCwd);
}

}  // namespace
