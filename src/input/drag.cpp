// Drag editing of the selected part (see input.h).
#include "input.h"

static D3DXMATRIX* AxisRotation(D3DXMATRIX* out, int32_t axis, float angle) {
    switch (axis) {
        case 1:
            return D3DXMatrixRotationX(out, angle);
        case 2:
            return D3DXMatrixRotationY(out, angle);
        case 3:
            return D3DXMatrixRotationZ(out, angle);
    }
    return nullptr;
}

void UpdateProc(_MOTIONDATA*) {
    if (!pGet) return;
    if (Modeflg == 0) {
        D3DXMATRIX r;
        if (!AxisRotation(&r, Zikuflg, rtXYZ * kDegToRad)) return;
        // R first: the part turns about its own axis, its subtree with it.
        pGet->mRot = r * pGet->mRot;
        if (NoChildflg == 1 && pGet->pChild) {
            // The children take R back, so they keep their world orientation.
            D3DXMATRIX inv;
            if (!D3DXMatrixInverse(&inv, nullptr, &r)) return;
            for (MOTIONOBJ* c = pGet->pChild; c; c = c->pNext) c->mRot = c->mRot * inv;
        }
    } else if (Modeflg == 1) {
        switch (Zikuflg) {
            case 1:
                pGet->vOffset.x += rtXYZ;
                break;
            case 2:
                pGet->vOffset.y += rtXYZ;
                break;
            case 3:
                pGet->vOffset.z += rtXYZ;
                break;
        }
    }
}
