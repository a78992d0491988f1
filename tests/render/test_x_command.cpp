// kavtool x: reads every file of other tools, reports subsets and bounds in
// JSON, and refuses broken files with exit 1 and the reader's reason.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <string>
#include <vector>

int KavtoolXCommand(int argc, char** argv);

namespace {

int RunX(std::vector<std::string> args, std::string* out, std::string* err) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int rc = KavtoolXCommand(int(argv.size()), argv.data());
    *out = testing::internal::GetCapturedStdout();
    *err = testing::internal::GetCapturedStderr();
    return rc;
}

}  // namespace

TEST(KavtoolX, DescribesEveryFileOfOtherToolsInJson) {
    for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                             "kwxport_test_cubewithvcolors.x"}) {
        SCOPED_TRACE(name);
        std::string out, err;
        ASSERT_EQ(RunX({"x", std::string(KAV_TESTDATA_DIR) + "/x/" + name, "--json"}, &out, &err), 0) << err;
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
        EXPECT_EQ(o[QStringLiteral("vertices")].toInt(), 24);
        EXPECT_EQ(o[QStringLiteral("faces")].toInt(), 12);
        EXPECT_FALSE(o[QStringLiteral("normals_computed")].toBool());
        const QJsonArray subsets = o[QStringLiteral("subsets")].toArray();
        int faces = 0;
        for (const auto& s : subsets) {
            faces += s.toObject()[QStringLiteral("faces")].toInt();
            EXPECT_EQ(s.toObject()[QStringLiteral("diffuse")].toArray().size(), 4);
            EXPECT_FALSE(s.toObject()[QStringLiteral("texture_found")].toBool());
        }
        EXPECT_EQ(faces, 12);
        const QJsonArray max = o[QStringLiteral("bbox")].toObject()[QStringLiteral("max")].toArray();
        const QJsonArray min = o[QStringLiteral("bbox")].toObject()[QStringLiteral("min")].toArray();
        EXPECT_GT(max[1].toDouble(), min[1].toDouble());
        EXPECT_GT(o[QStringLiteral("sphere")].toObject()[QStringLiteral("radius")].toDouble(), 0.8);
        EXPECT_FALSE(o[QStringLiteral("format")].toString().isEmpty());
    }
    std::string out, err;
    ASSERT_EQ(RunX({"x", std::string(KAV_TESTDATA_DIR) + "/x/kwxport_test_cubewithvcolors.x"}, &out, &err), 0);
    EXPECT_NE(out.find("top.tga (not found)"), std::string::npos) << out;
}

TEST(KavtoolX, RefusesBrokenFilesWithTheReasonAndExitOne) {
    QTemporaryDir tmp;
    const std::string bad = tmp.filePath(QStringLiteral("bad.x")).toStdString();
    FILE* f = std::fopen(bad.c_str(), "wb");
    std::fputs("xof 0303txt 0032\nMesh { 2; 0;0;0;, 1;1;1;; 1; 3;0,1,5;; }", f);
    std::fclose(f);
    std::string out, err;
    EXPECT_EQ(RunX({"x", bad}, &out, &err), 1);
    EXPECT_NE(err.find("頂点番号 5"), std::string::npos) << err;
    EXPECT_EQ(RunX({"x", tmp.filePath(QStringLiteral("none.x")).toStdString()}, &out, &err), 1);
    EXPECT_EQ(RunX({"x"}, &out, &err), 2);
}
