// The demo in samples/ is what the generator and the converter make, byte for
// byte, and every file of it reads.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

int RunTool(const char* program, const QStringList& args, const QString& dir = QString(), QByteArray* out = nullptr) {
    QProcess p;
    if (!dir.isEmpty()) p.setWorkingDirectory(dir);
    p.start(QString::fromLocal8Bit(program), args);
    p.waitForFinished(120000);
    if (out) *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kSamples = QStringLiteral(KAV_SOURCE_DIR "/samples");

}  // namespace

TEST(Demo, GeneratorAndConverterReproduceTheCommittedSamples) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_EQ(RunTool(MAKE_DEMO_PATH, {tmp.path()}), 0);
    ASSERT_EQ(RunTool(KAVCONV_PATH, {tmp.filePath(QStringLiteral("demo.txt")), tmp.filePath(QStringLiteral("demo.prt")),
                                 QStringLiteral("-o"), tmp.filePath(QStringLiteral("demo.mod"))}),
              0);
    int compared = 0;
    QDirIterator it(tmp.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString made = it.next();
        const QString rel = QDir(tmp.path()).relativeFilePath(made);
        EXPECT_TRUE(Read(made) == Read(QDir(kSamples).filePath(rel))) << rel.toStdString() << " differs from samples/";
        ++compared;
    }
    EXPECT_EQ(compared, 17 + 1 + 3);  // the part meshes, the face texture, motion, part list, choreography
}

TEST(Demo, ChoreographyChecksAndEveryMeshItNamesLoads) {
    ASSERT_EQ(RunTool(KAVTOOL_PATH, {QStringLiteral("mod"), QStringLiteral("check"), QStringLiteral("demo.mod")}, kSamples), 0);
    QByteArray dump;
    ASSERT_EQ(RunTool(KAVTOOL_PATH, {QStringLiteral("mod"), QStringLiteral("dump"), QStringLiteral("demo.mod")}, kSamples, &dump), 0);
    int meshes = 0;
    for (const QByteArray& line : dump.split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.startsWith("xfile: ") || t == "xfile: -") continue;
        QByteArray info;
        const QString path = QString::fromUtf8(t.mid(7));
        EXPECT_EQ(RunTool(KAVTOOL_PATH, {QStringLiteral("x"), path}, kSamples, &info), 0) << path.toStdString();
        EXPECT_TRUE(info.contains("normals: from the file")) << path.toStdString();
        if (path.endsWith(QStringLiteral("face.x"))) {
            EXPECT_TRUE(info.contains("parts/face.bmp (found)")) << info.toStdString();
        }
        ++meshes;
    }
    EXPECT_EQ(meshes, 17);
}
