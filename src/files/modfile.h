// The choreography file (*.mod): writer and reader.
//
// Layout: a 255-byte header ("zamoriko" and zeros), a 32-bit count N, then N
// part records of 16534 bytes in walk order. A record holds the 200 slots
// (rotation, offset and the motion set's speed), the home offset, the name,
// the X-file path and three link flags (parent, child, next sibling).
//
// Reading checks the whole file before anything in memory changes; a file
// that is refused leaves the open choreography exactly as it was. Saving
// writes a temporary file beside the target and renames it into place, so an
// old file is never lost to a failed save.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/motion.h"

constexpr size_t kModHeaderSize = 255;
constexpr size_t kModSlotSize = 80;
constexpr size_t kModRecordSize = 16534;
constexpr size_t kModRecordsStart = kModHeaderSize + 4;
constexpr int kModMaxDepth = 1024;
extern const char kModSignature[];  // "zamoriko"

// What the editor shows and loads while a file rebuilds the tree. The panels
// and the mesh layer implement it; the default does nothing but tell whether
// an X file exists.
class ModLoadView {
public:
    enum MeshResult { MeshLoaded, MeshMissing, MeshUnreadable };
    virtual ~ModLoadView() = default;
    // The tree is about to be replaced: forget every tree item and part-list entry.
    virtual void ClearParts() {}
    // Free the meshes of a part that is being removed or reloaded.
    virtual void ReleaseMeshes(MOTIONOBJ*) {}
    // Load the part's X file (its XName, relative to the start directory). On
    // MeshUnreadable, *why says what is wrong with the file.
    virtual MeshResult LoadMeshes(MOTIONOBJ* part, QString* why);
    // Insert a tree item for the part under `parent` (null = top level), last.
    virtual HTREEITEM InsertItem(HTREEITEM /*parent*/, const MOTIONOBJ* /*part*/) { return nullptr; }
    // Append the part's name to the part lists.
    virtual void AddPartEntry(const MOTIONOBJ*) {}
    // Called before each part's meshes are loaded (`done` parts of `total`
    // are finished) and once more with done == total and no part at the end.
    virtual void Progress(int /*done*/, int /*total*/, const MOTIONOBJ* /*part*/) {}
};

// A view that loads no meshes and counts every part's as loaded: for looking
// at a file without the mesh layer (kavtool, fuzzing, benchmarks).
class ModSkipMeshes : public ModLoadView {
public:
    MeshResult LoadMeshes(MOTIONOBJ*, QString*) override { return MeshLoaded; }
};

// Why a file was refused.
enum class ModError { None, CannotOpen, WrongHeader, Damaged };

struct ModLoadResult {
    ModError error = ModError::None;
    QString reason;           // Japanese, for the message box
    QStringList missing;      // X files that were not found (stored form, converted)
    QStringList unreadable;   // "path: reason" for X files that exist but cannot be read
};

// Checks a whole file image. On success *parents holds, per record, the index
// of its parent record (-1 for the root).
ModError ModValidate(const unsigned char* data, size_t size, std::vector<int32_t>* parents, QString* reason);

// Replaces the tree of `data` with the file image: the root is kept and
// refilled, every other part is created anew. Nothing changes unless the
// image is valid.
ModLoadResult ModApply(const unsigned char* image, size_t size, _MOTIONDATA* data, ModLoadView* view);
// Reads `path` and applies it.
ModLoadResult ModReadFile(const QString& path, _MOTIONDATA* data, ModLoadView* view);

// The file image of the tree rooted at `root`.
std::string ModBuild(const _MOTIONDATA* data, const MOTIONOBJ* root);
// Writes `bytes` to `path` durably: temporary file, flush to disk, rename.
// On failure the old file is untouched, no temporary is left and *reason says why.
bool WriteFileAtomically(const QString& path, const std::string& bytes, QString* reason);

// The editor's commands: save to / load from FileName in the current
// directory, with their messages.
void FileSave(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent);
void FileLoad(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent);
// FileLoad that can leave out the notice of success (a file opened from the
// command line needs no confirmation); refusals and the missing-file list are
// always shown. True when the file replaced the tree.
bool LoadChosenFile(_MOTIONDATA* data, bool announce);
// The view FileLoad reports to; the panels install theirs.
ModLoadView* CurrentLoadView();
void SetLoadView(ModLoadView* view);
