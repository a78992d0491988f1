// kavtool mod: dump, check and resave, run as a user would run them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>

#include "files/modfile.h"
#include "tree_fixture.h"

namespace {

struct ToolRun {
    int code;
    QByteArray out, err;
};

ToolRun Kavtool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KAVTOOL_PATH), args);
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

class KavtoolMod : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Write(const char* name, const std::string& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qsizetype(bytes.size()));
        return path;
    }
    // Root, 腕 (arm) with a stored pose in slot 2, and its child "hand".
    std::string Sample() {
        FreshDocument doc;
        MOTIONOBJ* arm = AddChild(doc.root(), "\x98\x72");  // 腕
        std::strcpy(arm->XName, ".\\arm.x");
        arm->vHome = D3DXVECTOR3(1, 0.5f, 0);
        D3DXMatrixRotationZ(&arm->mSlotRot[2], 0.25f);
        arm->vSlotOffset[2] = D3DXVECTOR3(0, 1, 0);
        AddChild(arm, "hand");
        for (int i = 100; i < kSlotCount; ++i) Cha.Speed[i] = 0.1f;
        std::string img = ModBuild(&Cha, doc.root());
        // Flags as another writer may leave them: any non-zero value is a link.
        const int32_t seven = 7;
        std::memcpy(img.data() + kModRecordsStart + kModRecordSize + 16522, &seven, 4);
        return img;
    }
};

}  // namespace

TEST_F(KavtoolMod, JsonDumpShowsTheTreeSpeedsAndStoredPoses) {
    const ToolRun r = Kavtool({QStringLiteral("mod"), QStringLiteral("dump"), Write("a.mod", Sample()), QStringLiteral("--json")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonParseError e;
    const QJsonObject o = QJsonDocument::fromJson(r.out, &e).object();
    ASSERT_EQ(e.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(o[QStringLiteral("count")].toInt(), 3);
    const QJsonArray speeds = o[QStringLiteral("speeds")].toArray();
    ASSERT_EQ(speeds.size(), 200);
    EXPECT_FLOAT_EQ(float(speeds[0].toDouble()), 0.05f);
    EXPECT_FLOAT_EQ(float(speeds[199].toDouble()), 0.1f);

    const QJsonObject root = o[QStringLiteral("root")].toObject();
    EXPECT_EQ(root[QStringLiteral("name")].toString(), QStringLiteral("全身"));
    EXPECT_TRUE(root[QStringLiteral("slots")].toObject().isEmpty());
    const QJsonObject arm = root[QStringLiteral("children")].toArray()[0].toObject();
    EXPECT_EQ(arm[QStringLiteral("name")].toString(), QStringLiteral("腕"));
    EXPECT_EQ(arm[QStringLiteral("xname")].toString(), QStringLiteral(".\\arm.x"));
    EXPECT_EQ(arm[QStringLiteral("home")].toArray()[1].toDouble(), 0.5);
    const QJsonObject stored = arm[QStringLiteral("slots")].toObject();
    ASSERT_EQ(stored.keys(), QStringList{QStringLiteral("2")});
    EXPECT_EQ(stored[QStringLiteral("2")].toObject()[QStringLiteral("rot")].toArray().size(), 16);
    EXPECT_EQ(stored[QStringLiteral("2")].toObject()[QStringLiteral("offset")].toArray()[1].toDouble(), 1.0);
    const QJsonArray hands = arm[QStringLiteral("children")].toArray();
    ASSERT_EQ(hands.size(), 1);
    EXPECT_EQ(hands[0].toObject()[QStringLiteral("name")].toString(), QStringLiteral("hand"));
    EXPECT_TRUE(hands[0].toObject()[QStringLiteral("children")].toArray().isEmpty());
}

TEST_F(KavtoolMod, TextDumpIndentsAndFoldsSpeeds) {
    const ToolRun r = Kavtool({QStringLiteral("mod"), QStringLiteral("dump"), Write("a.mod", Sample())});
    ASSERT_EQ(r.code, 0);
    const QString text = QString::fromUtf8(r.out);
    EXPECT_TRUE(text.contains(QStringLiteral("slots 0-99: 0.05\n  slots 100-199: 0.1\n"))) << r.out.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n  全身\n"))) << r.out.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n    腕\n      xfile: .\\arm.x\n"))) << r.out.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n      hand\n"))) << r.out.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("slot 2: rot [")));
}

TEST_F(KavtoolMod, CheckAcceptsValidFilesAndRefusesBrokenOnesWithAReason) {
    const std::string good = Sample();
    EXPECT_EQ(Kavtool({QStringLiteral("mod"), QStringLiteral("check"), Write("good.mod", good)}).code, 0);

    std::string badHeader = good, cut = good, orphan = good;
    badHeader[3] = 'X';
    cut.resize(cut.size() - 1);
    std::memset(orphan.data() + kModRecordsStart + 2 * kModRecordSize + 16522, 0, 4);
    const struct {
        const char* name;
        std::string bytes;
    } bad[] = {{"header.mod", badHeader}, {"cut.mod", cut}, {"orphan.mod", orphan}};
    for (const auto& b : bad) {
        const ToolRun r = Kavtool({QStringLiteral("mod"), QStringLiteral("check"), Write(b.name, b.bytes)});
        EXPECT_EQ(r.code, 1) << b.name;
        EXPECT_FALSE(r.err.isEmpty()) << b.name;
    }
    const ToolRun missing = Kavtool({QStringLiteral("mod"), QStringLiteral("check"), dir.filePath(QStringLiteral("none.mod"))});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(QString::fromUtf8(missing.err).contains(QStringLiteral("ファイルが見つかりません")));
}

TEST_F(KavtoolMod, ResaveGivesTheSameBytesWithLinksAsOne) {
    std::string in = Sample();
    const QString out = dir.filePath(QStringLiteral("out.mod"));
    ASSERT_EQ(Kavtool({QStringLiteral("mod"), QStringLiteral("resave"), Write("in.mod", in), out}).code, 0);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray got = f.readAll();
    const int32_t one = 1;
    std::memcpy(in.data() + kModRecordsStart + kModRecordSize + 16522, &one, 4);
    EXPECT_TRUE(got == QByteArray(in.data(), qsizetype(in.size())));
}
