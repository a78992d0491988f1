// Part tree, composition and pose slots (see motion.h).
#include "motion.h"

#include <cstring>

_MOTIONDATA Cha;
MOTIONOBJ* pGet;
int32_t No;
float AnimeFramePlus = 0.05f;

// "全身" (whole body) in CP932.
static const char kRootName[] = "\x91\x53\x90\x67";

// Fresh pose, slots, links and name of a new part.
static void InitPart(MOTIONOBJ* n, const char* name, bool slots = true) {
    D3DXMatrixIdentity(&n->mWorld);
    D3DXMatrixIdentity(&n->mRot);
    for (int i = 0; slots && i < kSlotCount; ++i) {
        D3DXMatrixIdentity(&n->mSlotRot[i]);
        n->vSlotOffset[i] = D3DXVECTOR3(0, 0, 0);
    }
    n->vOffset = n->vHome = n->vWorldPos = D3DXVECTOR3(0, 0, 0);
    n->pChild = n->pNext = nullptr;
    n->Mesh.lpMesh = nullptr;
    n->EdgeMesh.lpMesh = nullptr;
    n->Sphere.lpMesh = nullptr;
    n->NextIsSibling = 0;
    n->hItem = nullptr;
    std::memset(n->Name, 0, kNameSize);
    std::memset(n->XName, 0, kNameSize);
    if (name) {
        const size_t len = strnlen(name, kNameSize - 1);
        std::memcpy(n->Name, name, len);
    }
}

void GameInit(_MOTIONDATA* data) {
    MOTIONOBJ* r = new MOTIONOBJ;
    data->pTop = r;
    InitPart(r, kRootName);
    r->pParent = nullptr;
    for (int i = 0; i < kSlotCount; ++i) data->Speed[i] = AnimeFramePlus;
    pGet = r;
    data->Playing = 0;
    data->StartReq = 0;
    data->AnimeFrame = 0.0f;
    data->Loop = 1;
}

static MOTIONOBJ* Attach(MOTIONOBJ* at) {
    MOTIONOBJ* n = new MOTIONOBJ;
    if (at->NextIsSibling == 1) {
        at->pNext = n;
        n->pParent = at->pParent;
    } else {
        at->pChild = n;
        n->pParent = at;
    }
    return n;
}

void OBJInit(MOTIONOBJ* at, const char* name) { InitPart(Attach(at), name); }

MOTIONOBJ* OBJInitForLoad(MOTIONOBJ* at) {
    MOTIONOBJ* n = Attach(at);
    InitPart(n, "", false);
    return n;
}

MOTIONOBJ* NextInWalk(MOTIONOBJ* part, const MOTIONOBJ* root) {
    if (part->pChild) return part->pChild;
    for (MOTIONOBJ* p = part; p && p != root; p = p->pParent)
        if (p->pNext) return p->pNext;
    return nullptr;
}

int64_t CountParts(const MOTIONOBJ* root) {
    int64_t n = 0;
    for (auto* p = const_cast<MOTIONOBJ*>(root); p; p = NextInWalk(p, root)) ++n;
    return n;
}

int64_t TreeDepth(const MOTIONOBJ* root) {
    int64_t depth = 1, best = 0;
    auto* p = const_cast<MOTIONOBJ*>(root);
    while (p) {
        if (depth > best) best = depth;
        if (p->pChild) {
            p = p->pChild;
            ++depth;
            continue;
        }
        while (p != root && !p->pNext) {
            p = p->pParent;
            --depth;
        }
        p = p == root ? nullptr : p->pNext;
    }
    return best;
}

void FreeSubtree(MOTIONOBJ* part, PartRelease release, void* context) {
    // Post-order without recursion: descend to a leaf, free it, climb.
    MOTIONOBJ* p = part;
    while (p) {
        if (p->pChild) {
            p = p->pChild;
            continue;
        }
        MOTIONOBJ* up = p->pParent;
        MOTIONOBJ* next = p == part ? nullptr : p->pNext;
        if (p != part && up) up->pChild = next;  // detach p; its next sibling becomes the first child
        if (release) release(p, context);
        delete p;
        if (p == part) break;
        p = next ? next : up;
    }
}

void FreeChildren(MOTIONOBJ* part, PartRelease release, void* context) {
    MOTIONOBJ* c = part->pChild;
    part->pChild = nullptr;
    while (c) {
        MOTIONOBJ* next = c->pNext;
        FreeSubtree(c, release, context);
        c = next;
    }
}

void FreeTree(_MOTIONDATA* data, PartRelease release, void* context) {
    if (!data->pTop) return;
    FreeSubtree(data->pTop, release, context);
    data->pTop = nullptr;
    pGet = nullptr;
}

void Trans(MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ* a) {
        p->vWorldPos = p->vOffset;
        for (; a; a = a->pParent) {
            if (a == p) continue;
            D3DXVec3TransformCoord(&p->vWorldPos, &p->vWorldPos, &a->mRot);
            p->vWorldPos += a->vOffset;
        }
    };
    WalkTree(part, parent, f);
}

void Gousei(MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ* a) {
        D3DXMATRIX t;
        D3DXMatrixTranslation(&t, p->vOffset.x, p->vOffset.y, p->vOffset.z);
        if (!a) return;
        D3DXMatrixMultiply(&p->mWorld, &p->mRot, &t);
        if (p->pParent) D3DXMatrixMultiply(&p->mWorld, &p->mWorld, &a->mWorld);
    };
    WalkTree(part, parent, f);
}

void YMirror(MOTIONOBJ* part) {
    D3DXMATRIX r;
    D3DXMatrixRotationY(&r, 3.1415927f);
    D3DXMatrixMultiply(&part->mRot, &r, &part->mRot);
}

void DataSave(MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ*) {
        p->mSlotRot[No] = p->mRot;
        p->vSlotOffset[No] = p->vOffset;
    };
    WalkTree(part, parent, f);
}

void DataLoad(MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ*) {
        p->mRot = p->mSlotRot[No];
        p->vOffset = p->vSlotOffset[No];
    };
    WalkTree(part, parent, f);
}

void PositionSave(MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ*) { p->vHome = p->vOffset; };
    WalkTree(part, parent, f);
}

void PartsClear(MOTIONOBJ* part) {
    D3DXMatrixIdentity(&part->mRot);
    part->vOffset = part->vHome;
}

void AllClear(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ*) { PartsClear(p); };
    WalkTree(part, parent, f);
    data->AnimeFrame = 0.0f;
}
