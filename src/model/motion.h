// The document of the editor: the part tree (MOTIONOBJ) and the motion set
// (_MOTIONDATA) that owns it, the pose composition over the tree and the pose
// slot operations.
//
// Every walk over the tree takes (part, parent), is called with the root as
// both, handles the part, then its first child (with the part as parent), then
// its next sibling (with the same parent). Walks recurse on children and loop
// over siblings, so the stack grows with the depth of the tree, not its size.
#pragma once

#include <cstdint>

#include "platform/d3dx_math.h"
#include "platform/xfile_types.h"

constexpr int kSlotCount = 200;
constexpr int kNameSize = 255;

// Tree-view item handle, owned by the part tree panel.
typedef void* HTREEITEM;

struct MOTIONOBJ {
    D3DXMATRIX mWorld;
    D3DXMATRIX mRot;
    D3DXVECTOR3 vOffset;
    D3DXMATRIX mSlotRot[kSlotCount];
    D3DXVECTOR3 vSlotOffset[kSlotCount];
    D3DXVECTOR3 vWorldPos;
    D3DXVECTOR3 vHome;
    D3DXQUATERNION qStart;
    D3DXQUATERNION qEnd;
    D3DXQUATERNION qNow;
    D3DXMATRIX mAnimStart;
    D3DXMATRIX mAnimEnd;
    D3DXVECTOR3 vAnimStart;
    D3DXVECTOR3 vAnimEnd;
    D3DXVECTOR3 vAnimNow;
    XFILE Mesh;
    XFILE EdgeMesh;
    BSPHERE BSphere;
    XFILE Sphere;
    BBOX BBox;
    char Name[kNameSize];   // CP932, zero-terminated
    char XName[kNameSize];  // CP932, zero-terminated; empty = no mesh
    int32_t NextIsSibling;
    HTREEITEM hItem;
    MOTIONOBJ* pParent;
    MOTIONOBJ* pChild;
    MOTIONOBJ* pNext;

    // Deliberately empty: GameInit and OBJInit initialise every part.
    MOTIONOBJ() {}
};

struct _MOTIONDATA {
    MOTIONOBJ* pTop;
    int32_t PlayNo;
    int32_t StartReq;
    int32_t Playing;
    int32_t StartNo;
    int32_t EndNo;
    uint8_t Loop;
    float AnimeFrame;
    float Speed[kSlotCount];
};

extern _MOTIONDATA Cha;
extern MOTIONOBJ* pGet;
extern int32_t No;
extern float AnimeFramePlus;

// Creates the root "全身" and the initial playback state.
void GameInit(_MOTIONDATA* data);
// Appends a new part to `at` as its first child, or as its next sibling when
// at->NextIsSibling is 1. `name` is CP932, at most 254 bytes are kept.
void OBJInit(MOTIONOBJ* at, const char* name);
// OBJInit with an empty name for the file reader, which overwrites all 200
// slots at once: they are left unset here (writing them twice made loading
// twice as slow). Returns the new part.
MOTIONOBJ* OBJInitForLoad(MOTIONOBJ* at);

// Called on every part just before it is freed, to free its meshes.
typedef void (*PartRelease)(MOTIONOBJ* part, void* context);

// Frees `part` and its whole subtree without recursion, children before their
// parents; `release` (may be null) is called on each part first. The caller
// unlinks `part` from its parent and siblings.
void FreeSubtree(MOTIONOBJ* part, PartRelease release, void* context);
// Frees every part below `part`, leaving it without children.
void FreeChildren(MOTIONOBJ* part, PartRelease release, void* context);
// Frees the whole tree of `data` (the tree half of shutting down).
void FreeTree(_MOTIONDATA* data, PartRelease release, void* context);

// Calls f(part, parent) in walk order for `part`, its subtree and its later
// siblings: siblings in a loop, children by recursion.
template <class F>
void WalkTree(MOTIONOBJ* part, MOTIONOBJ* parent, F& f) {
    for (MOTIONOBJ* p = part; p; p = p->pNext) {
        f(p, parent);
        if (p->pChild) WalkTree(p->pChild, p, f);
    }
}

// The next part after `part` in walk order within the tree rooted at `root`,
// or null after the last one. Used by the loops that must not recurse.
MOTIONOBJ* NextInWalk(MOTIONOBJ* part, const MOTIONOBJ* root);
// Number of parts of the tree rooted at `root`, in walk order.
int64_t CountParts(const MOTIONOBJ* root);
// Depth of the deepest part below `root` (the root alone is depth 1).
int64_t TreeDepth(const MOTIONOBJ* root);

// Composition, once per frame: world positions, then world matrices.
void Trans(MOTIONOBJ* part, MOTIONOBJ* parent);
void Gousei(MOTIONOBJ* part, MOTIONOBJ* parent);
// Half turn of one part about its own Y axis.
void YMirror(MOTIONOBJ* part);

// Pose slots: store and load slot No, home placement, clears.
void DataSave(MOTIONOBJ* part, MOTIONOBJ* parent);
void DataLoad(MOTIONOBJ* part, MOTIONOBJ* parent);
void PositionSave(MOTIONOBJ* part, MOTIONOBJ* parent);
void PartsClear(MOTIONOBJ* part);
void AllClear(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent);
