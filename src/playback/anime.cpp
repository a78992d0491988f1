// Slot-to-slot playback (see anime.h).
#include "anime.h"

int32_t Btflg;

void AnimeStartInit(MOTIONOBJ* part, MOTIONOBJ* parent) {
    auto f = [](MOTIONOBJ* p, MOTIONOBJ*) {
        p->mAnimStart = p->mRot;
        p->vAnimStart = p->vOffset;
    };
    WalkTree(part, parent, f);
}

void AnimeEndInit(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent) {
    if (Btflg != 2 && Btflg != 3) return;
    const int32_t n = data->StartNo;
    auto f = [n](MOTIONOBJ* p, MOTIONOBJ*) {
        p->mAnimEnd = p->mSlotRot[n];
        p->vAnimEnd = p->vSlotOffset[n];
    };
    WalkTree(part, parent, f);
}

void AnimePlay(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent) {
    const float t = data->AnimeFrame;
    auto f = [t](MOTIONOBJ* p, MOTIONOBJ*) {
        D3DXQuaternionRotationMatrix(&p->qStart, &p->mAnimStart);
        D3DXQuaternionRotationMatrix(&p->qEnd, &p->mAnimEnd);
        D3DXQuaternionSlerp(&p->qNow, &p->qStart, &p->qEnd, t);
        D3DXMatrixRotationQuaternion(&p->mRot, &p->qNow);
        D3DXVec3Lerp(&p->vAnimNow, &p->vAnimStart, &p->vAnimEnd, t);
        p->vOffset = p->vAnimNow;
    };
    WalkTree(part, parent, f);
}

void AnimeLoop(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent) {
    const int32_t n = data->PlayNo;
    auto f = [n](MOTIONOBJ* p, MOTIONOBJ*) {
        p->mAnimStart = p->mSlotRot[n - 1];
        p->vAnimStart = p->vSlotOffset[n - 1];
        p->mAnimEnd = p->mSlotRot[n];
        p->vAnimEnd = p->vSlotOffset[n];
    };
    WalkTree(part, parent, f);
}

// Slot numbers that may index the slot arrays.
static bool InRange(int32_t n) { return n >= 0 && n < kSlotCount; }

void Anime(_MOTIONDATA* data) {
    MOTIONOBJ* top = data->pTop;
    if (data->StartReq == 1) {
        // A request with a range outside the slots would index past the arrays:
        // drop it instead of starting.
        if (!InRange(data->StartNo) || !InRange(data->EndNo)) {
            data->StartReq = 0;
            return;
        }
        data->Playing = data->Playing == 0 ? 1 : 0;
        data->AnimeFrame = 0.0f;
        data->PlayNo = data->StartNo;
        AnimeStartInit(top, top);
        AnimeEndInit(data, top, top);
        data->StartReq = 0;
    }
    if (data->Playing != 1) return;

    if (Btflg == 2) data->AnimeFrame += AnimeFramePlus;
    else if (Btflg == 3 && InRange(data->PlayNo)) data->AnimeFrame += data->Speed[data->PlayNo];
    AnimePlay(data, top, top);

    if (data->AnimeFrame >= 1.0f) {
        data->PlayNo += 1;
        data->AnimeFrame = 0.0f;
        if (data->PlayNo <= data->EndNo) {
            AnimeLoop(data, top, top);
        } else if (data->Loop == 1) {
            AnimeStartInit(top, top);
            AnimeEndInit(data, top, top);
            data->PlayNo = data->StartNo;
        } else {
            // Without looping (the editor always loops) playback ends on the
            // pose it reached.
            data->Playing = 0;
        }
    }
}
