// Shared test material for Kavconv: a legacy motion file with a distinct value
// in every field, the expected 18-part tree, file helpers.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <cstring>
#include <iconv.h>
#include <string>

namespace convtest {

constexpr int kBlock = 1588;
constexpr int kLegacyBytes = 158800;
constexpr int kRecord = 16534;
constexpr int kOutputBytes = 297871;

// Field i of part p in slot block n: 0-15 rotation, 16-18 offset, 19-21 start
// position. Whole numbers below 2^24, so exact as floats, and all distinct.
inline float Value(int n, int p, int i) { return static_cast<float>(1 + n * 2048 + p * 32 + i); }
// Speed of slot n: negative, so it cannot be mistaken for any other field.
inline float Speed(int n) { return -static_cast<float>(1 + n); }

inline void PutFloat(QByteArray* b, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    char c[4];
    qToLittleEndian<uint32_t>(u, c);
    b->append(c, 4);
}

inline float FloatAt(const QByteArray& b, qsizetype at) {
    uint32_t u = qFromLittleEndian<uint32_t>(b.constData() + at);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

inline int32_t IntAt(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<int32_t>(b.constData() + at);
}

// The legacy motion file, laid out block by block.
inline QByteArray DistinctLegacy() {
    QByteArray b;
    for (int n = 0; n < 100; ++n) {
        for (int p = 0; p < 18; ++p)
            for (int i = 0; i < 16; ++i) PutFloat(&b, Value(n, p, i));
        for (int p = 0; p < 18; ++p)
            for (int k = 0; k < 3; ++k) PutFloat(&b, Value(n, p, 16 + k));
        for (int p = 0; p < 18; ++p)
            for (int k = 0; k < 3; ++k) PutFloat(&b, Value(n, p, 19 + k));
        PutFloat(&b, Speed(n));
    }
    return b;
}

// One row of the fixed tree in record order.
struct TreeRow {
    int part;
    const char* name;  // UTF-8
    int parentRecord;  // -1 for the root
    int child, sibling;
};
inline const TreeRow kTree[18] = {
    {0, "全身", -1, 1, 0},     {1, "上半身", 0, 1, 1},   {15, "顔", 1, 0, 1},      {3, "右肩", 1, 1, 1},
    {4, "右腕", 3, 1, 0},      {5, "右手", 4, 1, 0},     {16, "右予備", 5, 0, 0},  {6, "左肩", 1, 1, 0},
    {7, "左腕", 7, 1, 0},      {8, "左手", 8, 1, 0},     {17, "左予備", 9, 0, 0},  {2, "下半身", 0, 1, 0},
    {9, "右太もも", 11, 1, 1}, {10, "右足", 12, 1, 0},   {11, "右足首", 13, 0, 0}, {12, "左太もも", 11, 1, 0},
    {13, "左足", 15, 1, 0},    {14, "左足首", 16, 0, 0},
};

// "line01.x" ... "line17.x": the X file of part p is line p.
inline QByteArray LinePath(int line) {
    return QStringLiteral("line%1.x").arg(line, 2, 10, QLatin1Char('0')).toUtf8();
}
inline QByteArray NumberedPartList(const char* eol = "\n") {
    QByteArray b;
    for (int line = 1; line <= 17; ++line) b += LinePath(line) + eol;
    return b;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// CP932 to UTF-8 by iconv, independently of the converter.
inline std::string FromCp932(const char* s, size_t n) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(n * 3 + 4, '\0');
    char* in = const_cast<char*>(s);
    char* o = out.data();
    size_t inLeft = n, outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return "<not CP932>";
    out.resize(out.size() - outLeft);
    return out;
}

inline QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

}  // namespace convtest
