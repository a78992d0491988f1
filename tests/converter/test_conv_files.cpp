// Kavconv's readers and writer: the output byte for byte, the part list's
// edge cases, and conversions that must not carry anything over.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "conv.h"
#include "conv_fixture.h"

using namespace convtest;

namespace {

class ConvFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        kavconv::ConvReset();
        kavconv::CurrentPath = dir.path();
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Runs the three steps of "合成" on files in the temporary folder.
    bool Convert(const char* motion, const char* parts, const char* out, QString* why) {
        kavconv::textFullFileName = Path(motion);
        kavconv::prtFullFileName = Path(parts);
        kavconv::FullFileName = Path(out);
        kavconv::FileName = QFileInfo(Path(out)).fileName();
        return kavconv::TextRead(why) && kavconv::PrtRead(why) && kavconv::FileSave(why);
    }

    QTemporaryDir dir;
};

TEST_F(ConvFiles, OutputHoldsEveryLegacyFieldInTheFixedTree) {
    // Bytes after the 100 blocks are not motion data; an 18th list line is unused.
    ASSERT_TRUE(WriteBytes(Path("m.txt"), DistinctLegacy() + QByteArray(37, '\x7f')));
    ASSERT_TRUE(WriteBytes(Path("p.prt"), NumberedPartList() + "line18.x\n"));
    QString why;
    ASSERT_TRUE(Convert("m.txt", "p.prt", "out.mod", &why)) << why.toStdString();
    QByteArray f = ReadBytes(Path("out.mod"));
    ASSERT_EQ(f.size(), kOutputBytes);

    QByteArray header(255, '\0');
    std::memcpy(header.data(), "zamoriko", 8);
    EXPECT_EQ(f.left(255), header);
    EXPECT_EQ(IntAt(f, 255), 18);

    for (int r = 0; r < 18; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        const TreeRow& row = kTree[r];
        const int p = row.part;
        const qsizetype rec = 259 + qsizetype(r) * kRecord;
        int bad = 0;  // keep the failure output short: count mismatching fields
        for (int n = 0; n < 200; ++n) {
            qsizetype s = rec + qsizetype(n) * 80;
            for (int i = 0; i < 16; ++i) {
                float want = n < 100 ? Value(n, p, i) : (i % 5 == 0 ? 1.0f : 0.0f);
                bad += FloatAt(f, s + 4 * i) != want;
            }
            for (int k = 0; k < 3; ++k)
                bad += FloatAt(f, s + 64 + 4 * k) != (n < 100 ? Value(n, p, 16 + k) : 0.0f);
            bad += FloatAt(f, s + 76) != (n < 100 ? Speed(n) : 0.0f);
        }
        EXPECT_EQ(bad, 0);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(FloatAt(f, rec + 16000 + 4 * k), Value(99, p, 19 + k));

        QByteArray name = f.mid(rec + 16012, 255), xname = f.mid(rec + 16267, 255);
        EXPECT_EQ(FromCp932(name.constData(), std::strlen(name.constData())), row.name);
        EXPECT_EQ(name.mid(qsizetype(std::strlen(name.constData()))),
                  QByteArray(255 - std::strlen(name.constData()), '\0'));
        QByteArray wantX = p == 0 ? QByteArray() : LinePath(p);
        EXPECT_EQ(xname, wantX + QByteArray(255 - wantX.size(), '\0'));

        EXPECT_EQ(IntAt(f, rec + 16522) != 0, row.parentRecord >= 0);
        EXPECT_EQ(IntAt(f, rec + 16526) != 0, row.child != 0);
        EXPECT_EQ(IntAt(f, rec + 16530) != 0, row.sibling != 0);
    }
}

TEST_F(ConvFiles, ConvertingTwiceGivesTheSameFile) {
    ASSERT_TRUE(WriteBytes(Path("m.txt"), DistinctLegacy()));
    ASSERT_TRUE(WriteBytes(Path("p.prt"), NumberedPartList("\r\n")));
    QString why;
    ASSERT_TRUE(Convert("m.txt", "p.prt", "a.mod", &why));
    ASSERT_TRUE(Convert("m.txt", "p.prt", "b.mod", &why));
    EXPECT_EQ(ReadBytes(Path("a.mod")), ReadBytes(Path("b.mod")));
}

// A second conversion in the same run must show nothing of the first one.
TEST_F(ConvFiles, LaterConversionKeepsNothingOfAnEarlierOne) {
    ASSERT_TRUE(WriteBytes(Path("m.txt"), DistinctLegacy()));
    ASSERT_TRUE(WriteBytes(Path("p.prt"), NumberedPartList()));
    ASSERT_TRUE(WriteBytes(Path("zero.txt"), QByteArray(kLegacyBytes, '\0')));
    ASSERT_TRUE(WriteBytes(Path("two.prt"), "a.x\nb.x"));
    QString why;
    ASSERT_TRUE(Convert("m.txt", "p.prt", "first.mod", &why));
    // A refused read in between must not leave the first file's data behind either.
    EXPECT_FALSE(Convert("missing.txt", "p.prt", "never.mod", &why));
    ASSERT_TRUE(Convert("zero.txt", "two.prt", "second.mod", &why));

    kavconv::ConvReset();
    kavconv::CurrentPath = dir.path();
    ASSERT_TRUE(Convert("zero.txt", "two.prt", "fresh.mod", &why));
    EXPECT_EQ(ReadBytes(Path("second.mod")), ReadBytes(Path("fresh.mod")));
    EXPECT_FALSE(QFile::exists(Path("never.mod")));
}

TEST_F(ConvFiles, RefusalsNameTheFileAndWriteNothing) {
    ASSERT_TRUE(WriteBytes(Path("m.txt"), DistinctLegacy()));
    ASSERT_TRUE(WriteBytes(Path("short.txt"), DistinctLegacy().left(kLegacyBytes - 1)));
    ASSERT_TRUE(WriteBytes(Path("empty.txt"), QByteArray()));
    ASSERT_TRUE(WriteBytes(Path("p.prt"), NumberedPartList()));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("out/taken.mod")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("sub.txt")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("sub.prt")));
    struct Case {
        const char *motion, *parts, *out;
        std::vector<const char*> inMessage;
    } cases[] = {
        {"missing.txt", "p.prt", "out/a.mod", {"missing.txt", "開けません"}},
        {"sub.txt", "p.prt", "out/a.mod", {"sub.txt", "開けません"}},
        {"short.txt", "p.prt", "out/a.mod", {"short.txt", "158799", "158800"}},
        {"empty.txt", "p.prt", "out/a.mod", {"empty.txt", "158800"}},
        {"m.txt", "missing.prt", "out/a.mod", {"missing.prt", "開けません"}},
        {"m.txt", "sub.prt", "out/a.mod", {"sub.prt", "開けません"}},
        {"m.txt", "p.prt", "nofolder/a.mod", {"a.mod", "保存できません"}},
        {"m.txt", "p.prt", "out/taken.mod", {"taken.mod", "保存できません"}},
    };
    QStringList before = Entries(Path("out"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.motion) + " " + c.parts + " -> " + c.out);
        QString why;
        EXPECT_FALSE(Convert(c.motion, c.parts, c.out, &why));
        for (const char* part : c.inMessage)
            EXPECT_TRUE(why.contains(QString::fromUtf8(part))) << why.toStdString();
        EXPECT_EQ(Entries(Path("out")), before);
        EXPECT_FALSE(QFile::exists(Path("nofolder")));
    }
}

// Part list lines as they arrive in pname.
struct ListCase {
    const char* what;
    QByteArray file;
    std::vector<std::pair<int, QByteArray>> names;  // entries that are not empty
};

QByteArray Repeat(const QByteArray& unit, int times) { return unit.repeated(times); }

TEST_F(ConvFiles, PartListLinesBecomeNames) {
    const QByteArray kao = "\x8A\xE7";  // 顔 in CP932
    const ListCase cases[] = {
        {"LF and a last line without break", "a.x\nb.x\nc.x", {{0, "a.x"}, {1, "b.x"}, {2, "c.x"}}},
        {"CR LF", "a.x\r\nb.x\r\n", {{0, "a.x"}, {1, "b.x"}}},
        {"empty lines keep the numbering", "\n\nc.x\n", {{2, "c.x"}}},
        {"a lone CR is part of the path", "a\rb.x\n", {{0, "a\rb.x"}}},
        {"lines 18 and later are ignored", NumberedPartList() + "line18.x\nline19.x\n",
         [] {
             std::vector<std::pair<int, QByteArray>> v;
             for (int k = 0; k < 17; ++k) v.push_back({k, LinePath(k + 1)});
             return v;
         }()},
        {"a long line is cut at 254 bytes, the next keeps its number",
         Repeat("a", 300) + "\nb.x\n",
         {{0, Repeat("a", 254)}, {1, "b.x"}}},
        {"a line of exactly 254 bytes with CR LF",
         Repeat("a", 254) + "\r\nb.x\r\n",
         {{0, Repeat("a", 254)}, {1, "b.x"}}},
        {"a long CP932 line is not cut inside a character",
         "a" + Repeat(kao, 200) + "\nb.x\n",
         {{0, "a" + Repeat(kao, 126)}, {1, "b.x"}}},
        {"a CP932 list is taken as it is",
         kao + ".x\r\n" + "\x83\x70\x81\x5B\x83\x63\\" + kao + ".x\n",
         {{0, kao + ".x"}, {1, "\x83\x70\x81\x5B\x83\x63\\" + kao + ".x"}}},
        {"UTF-8 becomes CP932",
         "パーツ/顔.x\nb.x\n",
         {{0, "\x83\x70\x81\x5B\x83\x63/" + kao + ".x"}, {1, "b.x"}}},
        {"a UTF-8 byte order mark is dropped",
         "\xEF\xBB\xBF"
         "a.x\n顔.x\n",
         {{0, "a.x"}, {1, kao + ".x"}}},
        {"a long UTF-8 line is cut on its CP932 form",
         Repeat("顔", 200) + "\nb.x\n",
         {{0, Repeat(kao, 127)}, {1, "b.x"}}},
        {"overlong UTF-8 forms are no UTF-8",
         "\xC0\xAF"
         "a\nb\xE3\x81\x82\n",
         {{0,
           "\xC0\xAF"
           "a"},
          {1, "b\xE3\x81\x82"}}},
        {"a zero byte ends the path", QByteArray("a.x\0junk\nb.x\n", 13), {{0, "a.x"}, {1, "b.x"}}},
        {"an empty list gives no meshes", "", {}},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteBytes(Path("p.prt"), c.file));
        // Names from an earlier list must not survive.
        std::memset(kavconv::pname, 'z', sizeof kavconv::pname);
        kavconv::prtFullFileName = Path("p.prt");
        QString why;
        ASSERT_TRUE(kavconv::PrtRead(&why)) << why.toStdString();
        std::vector<QByteArray> want(18);
        for (const auto& [k, name] : c.names) want[k] = name;
        for (int k = 0; k < 18; ++k) {
            const char* field = kavconv::pname[k];
            EXPECT_EQ(QByteArray(field, qsizetype(strnlen(field, 255))), want[k]) << "entry " << k;
            EXPECT_EQ(field[254], '\0') << "entry " << k;
        }
    }
}

TEST_F(ConvFiles, UtfEightPathWithoutShiftJisFormIsRefused) {
    // Hangul has no CP932 form; cutting it away would point the part at another file.
    ASSERT_TRUE(WriteBytes(Path("p.prt"), "a.x\n\xED\x95\x9C.x\n"));
    kavconv::prtFullFileName = Path("p.prt");
    QString why;
    EXPECT_FALSE(kavconv::PrtRead(&why));
    EXPECT_TRUE(why.contains(QStringLiteral("p.prt"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("2行目"))) << why.toStdString();
    // ... unless it lies beyond the 254 bytes that are kept.
    ASSERT_TRUE(WriteBytes(Path("p.prt"), Repeat("a", 254) + "\xED\x95\x9C.x\n"));
    EXPECT_TRUE(kavconv::PrtRead(&why)) << why.toStdString();
}

}  // namespace
