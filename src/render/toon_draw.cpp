// Toon shading of one part: outline hull, then the states for its body.
#include "frame.h"
#include "input/input.h"
#include "platform/d3d9.h"
#include "toon.h"

void TOON(MOTIONOBJ* part) {
    IDirect3DDevice9* d = lpD3DDevice;
    if (Shadowflg != 0) ReadTexture();

    // Only the inside of the hull is drawn: a black rim beyond the silhouette.
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    d->SetTransform(D3DTS_WORLD, &part->mWorld);
    if (part->EdgeMesh.lpMesh) {
        d->SetTexture(0, nullptr);
        d->SetTexture(1, nullptr);
        for (DWORD i = 0; i < part->EdgeMesh.dwNumMaterials; ++i) {
            d->SetMaterial(&part->EdgeMesh.pMaterials[i]);
            part->EdgeMesh.lpMesh->DrawSubset(i);
        }
    }
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    D3DXVec3Normalize(&ToonLight, &ToonLight);
    // The shade coordinate is made per vertex from the normal as the body is
    // drawn; the mesh keeps its own texture coordinates for normal mode.
    if (part->Mesh.lpMesh) d->SetShadeCoordinate(&ToonLight);

    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    d->SetTexture(1, pTex);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
}
