// Kavconv's arrays, the two readers and the writer (see conv.h).
#include "conv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <cstring>
#include <string>
#include <vector>

#include "cp932.h"

namespace kavconv {

// ---------------------------------------------------------------------------
// Globals

QString CurrentPath;
QString textFullFileName;
QString textFileName;
QString prtFullFileName;
QString prtFileName;
QString FullFileName;
QString FileName;
int32_t flg1 = 0;
int32_t flg2 = 0;

D3DXMATRIX Data[kParts][kSlots];
D3DXVECTOR3 PosData[kParts][kSlots];
D3DXVECTOR3 StartPos[kParts];
float FramePlus[kParts][kSlots];
char pname[kParts][kNameSize];

// The fixed names in CP932.
const char dousaparts[kParts][kNameSize] = {
    "\x91\x53\x90\x67",                  //  0 全身
    "\x8F\xE3\x94\xBC\x90\x67",          //  1 上半身
    "\x89\xBA\x94\xBC\x90\x67",          //  2 下半身
    "\x89\x45\x8C\xA8",                  //  3 右肩
    "\x89\x45\x98\x72",                  //  4 右腕
    "\x89\x45\x8E\xE8",                  //  5 右手
    "\x8D\xB6\x8C\xA8",                  //  6 左肩
    "\x8D\xB6\x98\x72",                  //  7 左腕
    "\x8D\xB6\x8E\xE8",                  //  8 左手
    "\x89\x45\x91\xBE\x82\xE0\x82\xE0",  //  9 右太もも
    "\x89\x45\x91\xAB",                  // 10 右足
    "\x89\x45\x91\xAB\x8E\xF1",          // 11 右足首
    "\x8D\xB6\x91\xBE\x82\xE0\x82\xE0",  // 12 左太もも
    "\x8D\xB6\x91\xAB",                  // 13 左足
    "\x8D\xB6\x91\xAB\x8E\xF1",          // 14 左足首
    "\x8A\xE7",                          // 15 顔
    "\x89\x45\x97\x5C\x94\xF5",          // 16 右予備
    "\x8D\xB6\x97\x5C\x94\xF5",          // 17 左予備
};

namespace {

// The fixed tree in record order: legacy part and the three link flags.
struct TreeRow {
    int part;
    int32_t pParent, pChild, pNext;
};
constexpr TreeRow kTree[kParts] = {
    {0, 0, 1, 0},   // 全身
    {1, 1, 1, 1},   // 上半身
    {15, 1, 0, 1},  // 顔
    {3, 1, 1, 1},   // 右肩
    {4, 1, 1, 0},   // 右腕
    {5, 1, 1, 0},   // 右手
    {16, 1, 0, 0},  // 右予備
    {6, 1, 1, 0},   // 左肩
    {7, 1, 1, 0},   // 左腕
    {8, 1, 1, 0},   // 左手
    {17, 1, 0, 0},  // 左予備
    {2, 1, 1, 0},   // 下半身
    {9, 1, 1, 1},   // 右太もも
    {10, 1, 1, 0},  // 右足
    {11, 1, 0, 0},  // 右足首
    {12, 1, 1, 0},  // 左太もも
    {13, 1, 1, 0},  // 左足
    {14, 1, 0, 0},  // 左足首
};

constexpr char kSignature[] = "zamoriko";

// Part list lines longer than this are cut before decoding: 254 CP932 bytes
// come from at most 3 * 254 UTF-8 bytes.
constexpr qint64 kRawLineCap = 1024;

float ReadFloat(const char* p) {
    uint32_t u = qFromLittleEndian<uint32_t>(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

void AppendFloat(QByteArray* out, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    char b[4];
    qToLittleEndian<uint32_t>(u, b);
    out->append(b, 4);
}

void AppendInt(QByteArray* out, int32_t v) {
    char b[4];
    qToLittleEndian<int32_t>(v, b);
    out->append(b, 4);
}

void ClearMotion() {
    std::memset(Data, 0, sizeof Data);
    std::memset(PosData, 0, sizeof PosData);
    std::memset(StartPos, 0, sizeof StartPos);
    std::memset(FramePlus, 0, sizeof FramePlus);
}

// Slots beyond the legacy range rest in the identity pose.
void IdentityFrom100() {
    for (int p = 0; p < kParts; ++p)
        for (int n = kLegacySlots; n < kSlots; ++n) {
            std::memset(&Data[p][n], 0, sizeof(D3DXMATRIX));
            for (int i = 0; i < 4; ++i) Data[p][n].m[i][i] = 1.0f;
        }
}

QString ShownName(const QString& path) { return QDir::toNativeSeparators(path); }

QString CannotOpen(const QString& label) { return QStringLiteral("%1が開けません").arg(label); }

// One line of the part list: up to kRawLineCap bytes, without its line break.
struct RawLine {
    QByteArray bytes;
    bool capped = false;  // the line went on beyond `bytes`
};

// Reads the next line; false at the end of the input.
bool ReadRawLine(QIODevice* in, RawLine* line) {
    line->bytes.clear();
    line->capped = false;
    bool any = false;
    char chunk[256];
    for (;;) {
        qint64 n = in->readLine(chunk, sizeof chunk);
        if (n <= 0) break;
        any = true;
        bool ended = chunk[n - 1] == '\n';
        qint64 room = kRawLineCap - line->bytes.size();
        if (n > room) {
            line->bytes.append(chunk, room);
            line->capped = true;
        } else {
            line->bytes.append(chunk, n);
        }
        if (ended) break;
    }
    if (!any) return false;
    if (!line->capped && line->bytes.endsWith('\n')) {
        line->bytes.chop(1);
        if (line->bytes.endsWith('\r')) line->bytes.chop(1);
    }
    // The stored path ends at a zero byte anyway.
    qsizetype nul = line->bytes.indexOf('\0');
    if (nul >= 0) {
        line->bytes.truncate(nul);
        line->capped = false;
    }
    return true;
}

// Whether the line is well-formed UTF-8 (a character cut by the cap allowed);
// *nonAscii is set when it holds any byte above 0x7F.
bool IsUtf8(const RawLine& line, bool* nonAscii) {
    const auto* s = reinterpret_cast<const unsigned char*>(line.bytes.constData());
    size_t size = static_cast<size_t>(line.bytes.size());
    for (size_t i = 0; i < size;) {
        int n = Utf8CharLength(s + i, size - i);
        if (n == -1) return line.capped;
        if (n == 0) return false;
        if (n > 1) *nonAscii = true;
        i += static_cast<size_t>(n);
    }
    return true;
}

// The CP932 form of a UTF-8 line, cut to what fits a name field. False when a
// character that would be kept has no CP932 form.
bool Utf8LineToCp932(const QByteArray& bytes, Cp932Encoder* enc, std::string* out) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    size_t size = static_cast<size_t>(bytes.size());
    out->clear();
    for (size_t i = 0; i < size;) {
        int n = Utf8CharLength(s + i, size - i);
        if (n <= 0) break;  // only a character cut by the cap gets here
        if (out->size() >= static_cast<size_t>(kMaxNameBytes)) break;
        std::string c;
        if (!enc->AppendChar(bytes.constData() + i, static_cast<size_t>(n), &c)) return false;
        if (out->size() + c.size() > static_cast<size_t>(kMaxNameBytes)) break;
        *out += c;
        i += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// State

void ConvReset() {
    CurrentPath.clear();
    textFullFileName.clear();
    textFileName.clear();
    prtFullFileName.clear();
    prtFileName.clear();
    FullFileName.clear();
    FileName.clear();
    flg1 = flg2 = 0;
    ClearMotion();
    std::memset(pname, 0, sizeof pname);
}

// ---------------------------------------------------------------------------
// Legacy motion file

bool LegacyFromBytes(const char* bytes, size_t size, const QString& label, QString* why) {
    ClearMotion();
    IdentityFrom100();
    if (size < kLegacySize) {
        *why = QStringLiteral("%1は大きさが足りません。\n%2バイトしかありませんが、%3バイト必要です。")
                   .arg(label)
                   .arg(size)
                   .arg(kLegacySize);
        return false;
    }
    for (int n = 0; n < kLegacySlots; ++n) {
        const char* p = bytes + kBlockSize * n;
        for (int part = 0; part < kParts; ++part)
            for (int i = 0; i < 16; ++i, p += 4) Data[part][n].m[i / 4][i % 4] = ReadFloat(p);
        for (int part = 0; part < kParts; ++part, p += 12)
            PosData[part][n] = {ReadFloat(p), ReadFloat(p + 4), ReadFloat(p + 8)};
        // Each block repeats the start positions; the last block's are kept.
        for (int part = 0; part < kParts; ++part, p += 12)
            StartPos[part] = {ReadFloat(p), ReadFloat(p + 4), ReadFloat(p + 8)};
        float speed = ReadFloat(p);
        for (int part = 0; part < kParts; ++part) FramePlus[part][n] = speed;
    }
    return true;
}

bool TextRead(QString* why) {
    QString label = ShownName(textFullFileName);
    QFile file(QDir(CurrentPath).absoluteFilePath(textFullFileName));
    if (QFileInfo(file.fileName()).isDir() || !file.open(QIODevice::ReadOnly)) {
        ClearMotion();
        IdentityFrom100();
        *why = CannotOpen(label);
        return false;
    }
    // Anything after the 100 blocks is not part of the motion.
    QByteArray bytes;
    while (bytes.size() < static_cast<qsizetype>(kLegacySize)) {
        QByteArray more = file.read(static_cast<qint64>(kLegacySize) - bytes.size());
        if (more.isEmpty()) break;
        bytes += more;
    }
    if (file.error() != QFileDevice::NoError) {
        ClearMotion();
        IdentityFrom100();
        *why = CannotOpen(label);
        return false;
    }
    return LegacyFromBytes(bytes.constData(), static_cast<size_t>(bytes.size()), label, why);
}

// ---------------------------------------------------------------------------
// Part list

bool PartListFromDevice(QIODevice* in, const QString& label, QString* why) {
    std::memset(pname, 0, sizeof pname);
    std::vector<RawLine> lines;
    for (int k = 0; k < kListLines; ++k) {
        RawLine line;
        if (!ReadRawLine(in, &line)) break;
        lines.push_back(line);
    }

    // Text editors on Linux write UTF-8; the legacy tools wrote CP932. A list
    // that is well-formed UTF-8 and not plain ASCII is taken for UTF-8.
    bool bom = !lines.empty() && lines[0].bytes.startsWith("\xEF\xBB\xBF");
    if (bom) lines[0].bytes.remove(0, 3);
    bool utf8 = true, nonAscii = false;
    for (const RawLine& line : lines) utf8 = utf8 && IsUtf8(line, &nonAscii);
    utf8 = utf8 && (nonAscii || bom);

    Cp932Encoder enc;
    if (utf8 && nonAscii && !enc.Usable()) {
        *why = QStringLiteral("%1を読むための文字コード変換(CP932)が使えません").arg(label);
        return false;
    }
    for (size_t k = 0; k < lines.size(); ++k) {
        const QByteArray& bytes = lines[k].bytes;
        std::string name;
        if (utf8) {
            if (!Utf8LineToCp932(bytes, &enc, &name)) {
                std::memset(pname, 0, sizeof pname);
                *why =
                    QStringLiteral("%1の%2行目に、Shift-JISで表せない文字があります").arg(label).arg(k + 1);
                return false;
            }
        } else {
            name.assign(bytes.constData(),
                        Cp932Prefix(bytes.constData(), static_cast<size_t>(bytes.size()), kMaxNameBytes));
        }
        std::memcpy(pname[k], name.data(), name.size());
    }
    return true;
}

bool PrtRead(QString* why) {
    QString label = ShownName(prtFullFileName);
    QFile file(QDir(CurrentPath).absoluteFilePath(prtFullFileName));
    if (QFileInfo(file.fileName()).isDir() || !file.open(QIODevice::ReadOnly)) {
        std::memset(pname, 0, sizeof pname);
        *why = CannotOpen(label);
        return false;
    }
    if (!PartListFromDevice(&file, label, why)) return false;
    if (file.error() != QFileDevice::NoError) {
        std::memset(pname, 0, sizeof pname);
        *why = CannotOpen(label);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Choreography file

QByteArray BuildChoreography() {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(kOutputSize));
    QByteArray header(static_cast<qsizetype>(kHeaderSize), '\0');
    std::memcpy(header.data(), kSignature, sizeof kSignature - 1);
    out += header;
    AppendInt(&out, kParts);
    static const char kNoMesh[kNameSize] = {};
    for (const TreeRow& row : kTree) {
        int p = row.part;
        for (int n = 0; n < kSlots; ++n) {
            for (int i = 0; i < 16; ++i) AppendFloat(&out, Data[p][n].m[i / 4][i % 4]);
            AppendFloat(&out, PosData[p][n].x);
            AppendFloat(&out, PosData[p][n].y);
            AppendFloat(&out, PosData[p][n].z);
            AppendFloat(&out, FramePlus[p][n]);
        }
        AppendFloat(&out, StartPos[p].x);
        AppendFloat(&out, StartPos[p].y);
        AppendFloat(&out, StartPos[p].z);
        out.append(dousaparts[p], kNameSize);
        out.append(p == 0 ? kNoMesh : pname[p - 1], kNameSize);
        AppendInt(&out, row.pParent);
        AppendInt(&out, row.pChild);
        AppendInt(&out, row.pNext);
    }
    return out;
}

QString OutputPath() {
    QFileInfo chosen(QDir(CurrentPath).absoluteFilePath(FullFileName));
    return QDir(chosen.absolutePath()).filePath(FileName);
}

bool FileSave(QString* why) {
    QString path = OutputPath();
    QString label = ShownName(path);
    QByteArray bytes = BuildChoreography();
    // QSaveFile writes beside the target and renames into place on commit,
    // so a failed save never leaves a partial file or harms an old one.
    QSaveFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("%1に保存できません").arg(label);
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *why = QStringLiteral("%1に保存できません").arg(label);
        return false;
    }
    return true;
}

}  // namespace kavconv
