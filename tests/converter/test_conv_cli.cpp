// kavconv on the command line, run as a program without a display: exit
// status, messages on stderr, and no output file after a refusal.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "conv_fixture.h"

using namespace convtest;

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

Outcome Kavconv(const QString& cwd, const QStringList& args) {
    static int argc = 1;
    static char arg0[] = "test";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    QProcess p;
    // No display at all: the command line must never need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromUtf8(var));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(cwd);
    p.start(QStringLiteral(KAVCONV_PATH), args);
    Outcome r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

class ConvCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("m.txt")), DistinctLegacy()));
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("p.prt")), NumberedPartList()));
        ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("short.txt")), DistinctLegacy().left(1588)));
    }
    QTemporaryDir dir;
};

TEST_F(ConvCli, ConvertsSilently) {
    Outcome r = Kavconv(dir.path(), {QStringLiteral("m.txt"), QStringLiteral("p.prt"), QStringLiteral("-o"),
                                     QStringLiteral("Out.MOD")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    // Written exactly as named: no lower-casing, no added extension.
    EXPECT_EQ(ReadBytes(dir.filePath(QStringLiteral("Out.MOD"))).size(), kOutputBytes);
}

TEST_F(ConvCli, FailuresExitWithOneAMessageAndNoFile) {
    struct Case {
        std::vector<const char*> args;
        const char* inMessage;
    } cases[] = {
        {{"missing.txt", "p.prt", "-o", "out.mod"}, "missing.txt"},
        {{"short.txt", "p.prt", "-o", "out.mod"}, "158800"},
        {{"m.txt", "missing.prt", "-o", "out.mod"}, "missing.prt"},
        {{"m.txt", "p.prt", "-o", "nofolder/out.mod"}, "out.mod"},
        {{"m.txt", "p.prt"}, "-o"},
        {{"m.txt", "-o", "out.mod"}, "kavconv MOTION"},
        {{"m.txt", "p.prt", "-x", "-o", "out.mod"}, "-x"},
        // Writing over an input would lose it.
        {{"m.txt", "p.prt", "-o", "m.txt"}, "m.txt"},
    };
    for (const Case& c : cases) {
        QStringList args;
        for (const char* a : c.args) args << QString::fromUtf8(a);
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        Outcome r = Kavconv(dir.path(), args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.inMessage)) << r.err.toStdString();
        EXPECT_EQ(Entries(dir.path()), (QStringList{QStringLiteral("m.txt"), QStringLiteral("p.prt"),
                                                    QStringLiteral("short.txt")}));
        EXPECT_EQ(ReadBytes(dir.filePath(QStringLiteral("m.txt"))), DistinctLegacy());
    }
}

}  // namespace
