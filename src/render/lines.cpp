// Floor grid, world axes, marker spheres and the selected part's axes and box.
#include <cstring>

#include "frame.h"
#include "platform/d3d9.h"
#include "platform/d3dx_mesh.h"

namespace {

constexpr DWORD kLineFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kGrid = 0x64C8C8C8;

COLOR_LINE xLINE[2] = {{{0, 0, 0}, kRed}, {{30, 0, 0}, kRed}};
COLOR_LINE yLINE[2] = {{{0, 0, 0}, kGreen}, {{0, 30, 0}, kGreen}};
COLOR_LINE zLINE[2] = {{{0, 0, 0}, kBlue}, {{0, 0, 30}, kBlue}};
COLOR_LINE MapXLINE[2] = {{{-25, 0, 0}, kGrid}, {{25, 0, 0}, kGrid}};
COLOR_LINE MapZLINE[2] = {{{0, 0, -25}, kGrid}, {{0, 0, 25}, kGrid}};
COLOR_LINE partsxLINE[2] = {{{0, 0, 0}, kRed}, {{3, 0, 0}, kRed}};
COLOR_LINE partsyLINE[2] = {{{0, 0, 0}, kGreen}, {{0, 3, 0}, kGreen}};
COLOR_LINE partszLINE[2] = {{{0, 0, 0}, kBlue}, {{0, 0, 3}, kBlue}};

void Lines(IDirect3DDevice9* d, const COLOR_LINE* v, unsigned segments) {
    d->SetFVF(kLineFVF);
    d->DrawPrimitiveUP(D3DPT_LINELIST, segments, v, sizeof(COLOR_LINE));
}

}  // namespace

COLOR_LINE PLINE[24];

void DrawLine() {
    IDirect3DDevice9* d = lpD3DDevice;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTexture(0, nullptr);
    D3DXMATRIX m;
    for (int z = -25; z <= 25; ++z) {
        D3DXMatrixTranslation(&m, 0.0f, 0.0f, float(z));
        d->SetTransform(D3DTS_WORLD, &m);
        Lines(d, MapXLINE, 1);
    }
    for (int x = -25; x <= 25; ++x) {
        D3DXMatrixTranslation(&m, float(x), 0.0f, 0.0f);
        d->SetTransform(D3DTS_WORLD, &m);
        Lines(d, MapZLINE, 1);
    }
    d->SetTransform(D3DTS_WORLD, &kIdentityMatrix);
    // The axes lie on grid lines. Where the near plane cuts both, their depths
    // differ by rounding; a hair of bias lets the axes, drawn later, win.
    const float bias = -2e-4f;
    DWORD bits;
    std::memcpy(&bits, &bias, sizeof bits);
    d->SetRenderState(D3DRS_DEPTHBIAS, bits);
    Lines(d, xLINE, 1);
    Lines(d, yLINE, 1);
    Lines(d, zLINE, 1);
    d->SetRenderState(D3DRS_DEPTHBIAS, 0);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void CharaLine(_MOTIONDATA* data) {
    IDirect3DDevice9* d = lpD3DDevice;
    if (Lineflg != 0) {
        // Over everything drawn so far.
        d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        d->SetTexture(0, nullptr);
        DrawSphere(data->pTop, data->pTop);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetTransform(D3DTS_WORLD, &pGet->mWorld);
        Lines(d, partsxLINE, 1);
        Lines(d, partsyLINE, 1);
        Lines(d, partszLINE, 1);
        if (pGet->Mesh.lpMesh) {
            BBOXLINE(&pGet->BBox.vMax, &pGet->BBox.vMin);
            Lines(d, PLINE, 12);
        }
    }
    mSiten = pGet->mWorld;
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DrawSphere(MOTIONOBJ* node, MOTIONOBJ* parent) {
    IDirect3DDevice9* d = lpD3DDevice;
    for (; node; node = node->pNext) {
        // A part whose bounds could not be computed has a mesh but no marker.
        if (node->Mesh.lpMesh && node->Sphere.lpMesh && node->Sphere.pMaterials) {
            d->SetTransform(D3DTS_WORLD, &node->mWorld);
            d->SetTexture(0, nullptr);
            d->SetMaterial(&node->Sphere.pMaterials[0]);
            node->Sphere.lpMesh->DrawSubset(0);
        }
        if (node->pChild) DrawSphere(node->pChild, node);
    }
    (void)parent;
}

void BBOXLINE(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    const D3DXVECTOR3 c[12][2] = {
        {{b->x, b->y, b->z}, {b->x, b->y, a->z}}, {{b->x, b->y, a->z}, {a->x, b->y, a->z}},
        {{a->x, b->y, a->z}, {a->x, b->y, b->z}}, {{a->x, b->y, b->z}, {b->x, b->y, b->z}},
        {{b->x, a->y, b->z}, {b->x, a->y, a->z}}, {{b->x, a->y, a->z}, {a->x, a->y, a->z}},
        {{a->x, a->y, a->z}, {a->x, a->y, b->z}}, {{a->x, a->y, b->z}, {b->x, a->y, b->z}},
        {{b->x, b->y, b->z}, {b->x, a->y, b->z}}, {{b->x, b->y, a->z}, {b->x, a->y, a->z}},
        {{a->x, b->y, b->z}, {a->x, a->y, b->z}}, {{a->x, b->y, a->z}, {a->x, a->y, a->z}},
    };
    for (int i = 0; i < 12; ++i)
        for (int k = 0; k < 2; ++k) PLINE[i * 2 + k] = {c[i][k], 0xFFFFFF00};
}
