// CP932 conversion, fixed-field copies and the lookup of paths written on Windows.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/paths.h"
#include "platform/sjis.h"

TEST(Sjis, RoundTripsJapaneseAndRefusesWhatCp932Lacks) {
    std::string sjis;
    ASSERT_TRUE(QStringToSjis(QStringLiteral("全身"), &sjis));
    EXPECT_EQ(sjis, "\x91\x53\x90\x67");
    EXPECT_EQ(SjisToQString(sjis), QStringLiteral("全身"));

    EXPECT_FALSE(QStringToSjis(QStringLiteral("😀"), &sjis));
    EXPECT_TRUE(sjis.empty());
    // A stray lead byte at the end does not swallow the text before it.
    EXPECT_EQ(SjisToQString("ab\x91"), QStringLiteral("ab\uFFFD"));
}

TEST(Sjis, FieldCopiesCutOnCharacterBoundaries) {
    std::string name(253, 'a');
    name += "\x91\x53";  // a two-byte character across byte 254
    char field[255];
    SjisCopyField(field, sizeof field, name);
    EXPECT_EQ(FieldLength(field, sizeof field), 253u);
    EXPECT_EQ(SjisPrefixLength("\x91\x53\x90\x67", 3), 2u);
    EXPECT_EQ(SjisPrefixLength("ab", 10), 2u);
}

TEST(Paths, StoredPathsFindFilesWhateverTheSeparatorAndCase) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("Models/腕")));
    QFile f(tmp.filePath(QStringLiteral("Models/腕/Arm.X")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QDir::setCurrent(tmp.path());

    std::string stored;
    ASSERT_TRUE(QStringToSjis(QStringLiteral(".\\models\\腕\\arm.x"), &stored));
    EXPECT_EQ(QFileInfo(ResolveStoredPath(stored.c_str())).canonicalFilePath(),
              QFileInfo(f.fileName()).canonicalFilePath());
    // Nothing there: the converted path comes back for the missing-file list.
    EXPECT_EQ(ResolveStoredPath("nothing\\here.x"), QStringLiteral("nothing/here.x"));
    QDir::setCurrent(old);
}
