// Kavconv's data and conversion: the legacy motion file and the part list are
// read into fixed arrays (TextRead, PrtRead), which FileSave writes as a
// choreography file of the fixed 18-part tree.
//
// Self-contained on purpose: the converter shares nothing with the editor but
// the file format, so its types, its CP932 handling and its writer live here.
// Everything is in namespace kavconv so that a test may link the editor's file
// library beside it.
//
// Every reader and the writer refuse bad input with a Japanese message naming
// the file (returned through `why`) instead of converting from stale or
// partial data. Each read starts from cleared arrays.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

class QIODevice;

namespace kavconv {

constexpr int kParts = 18;         // legacy parts, 0 = whole body
constexpr int kSlots = 200;        // slots of a choreography file
constexpr int kLegacySlots = 100;  // slots of a legacy motion file
constexpr int kListLines = 17;     // part list lines: X files of parts 1 to 17
constexpr int kNameSize = 255;     // fixed text fields, zero-terminated
constexpr int kMaxNameBytes = kNameSize - 1;

constexpr size_t kBlockSize = 18 * 64 + 18 * 12 + 18 * 12 + 4;  // 1588
constexpr size_t kLegacySize = kBlockSize * kLegacySlots;       // 158800
constexpr size_t kHeaderSize = 255;
constexpr size_t kRecordSize = 200 * 80 + 12 + 255 + 255 + 12;          // 16534
constexpr size_t kOutputSize = kHeaderSize + 4 + kParts * kRecordSize;  // 297871

// Row-major 4x4 matrix (_11 _12 ... _44), as both files store it.
struct D3DXMATRIX {
    float m[4][4];
};
struct D3DXVECTOR3 {
    float x, y, z;
};
static_assert(sizeof(D3DXMATRIX) == 64 && sizeof(D3DXVECTOR3) == 12);

// The dialog's state; paths are the file system's, kept as QString.
extern QString CurrentPath;       // start directory, initial folder of every file dialog
extern QString textFullFileName;  // chosen legacy motion file
extern QString textFileName;      // its name without folder, lower-cased
extern QString prtFullFileName;   // chosen part list
extern QString prtFileName;       // its name without folder, lower-cased
extern QString FullFileName;      // chosen output file
extern QString FileName;          // output name in FullFileName's folder: lower-cased, maybe ".mod" added
extern int32_t flg1;              // 1 once a legacy motion file was chosen
extern int32_t flg2;              // 1 once a part list was chosen

// Conversion arrays.
extern D3DXMATRIX Data[kParts][kSlots];
extern D3DXVECTOR3 PosData[kParts][kSlots];
extern D3DXVECTOR3 StartPos[kParts];
extern float FramePlus[kParts][kSlots];
extern char pname[kParts][kNameSize];             // CP932 X file of part k + 1 in entry k
extern const char dousaparts[kParts][kNameSize];  // CP932 fixed part names

// Back to the state of a fresh start (dialog state and arrays).
void ConvReset();

// Reads textFullFileName into Data, PosData, StartPos and FramePlus.
bool TextRead(QString* why);
// Reads prtFullFileName into pname.
bool PrtRead(QString* why);
// Writes the choreography file FileName in FullFileName's folder, replacing it
// only once the whole file is written.
bool FileSave(QString* why);

// The pieces of the readers and the writer that work on bytes. `label` is the
// file name used in messages.
bool LegacyFromBytes(const char* bytes, size_t size, const QString& label, QString* why);
bool PartListFromDevice(QIODevice* in, const QString& label, QString* why);
QByteArray BuildChoreography();
// The path FileSave writes to.
QString OutputPath();

}  // namespace kavconv
