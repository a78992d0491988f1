// A 3-D device on an offscreen 780 x 640 target with the editor's frame
// states, a fresh motion set, the font, and helpers to build small meshes and
// read pixels back. Needs OpenGL (run under Xvfb).
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <memory>
#include <vector>

#include "input/input.h"
#include "model/motion.h"
#include "platform/d3d9.h"
#include "platform/d3dx_font.h"
#include "platform/offscreen_target.h"
#include "render/frame.h"
#include "render/meshes.h"
#include "render/outline.h"
#include "render/toon.h"

namespace frametest {

// Every global the frame reads, back to its value at program start.
inline void ResetFrameGlobals() {
    Lineflg = 1, STRflg = 1, TOONflg = 0, cflg = 0;
    Red = Green = Blue = 100;
    CameraX = 30.0f, CameraY = 135.0f, Mz = -10.0f;
    ToonLight = {-1.0f, 1.0f, 0.0f};
    Modeflg = 0, Zikuflg = 1, NoChildflg = 0, rtXYZ = 0.0f, Downflg = 0;
    Shadowflg = 2, LineSize = 0.05f, Sizeflg = 0;
    mSiten = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    CameraPos = {0, 0, 0};
}

// Faces of an axis-aligned box, four vertices each with the face's normal,
// clockwise seen from outside; `subsets` > 1 gives each face pair its own
// subset in turn.
inline ID3DXMesh* MakeBox(D3DXVECTOR3 lo, D3DXVECTOR3 hi, DWORD fvf = kToonFVF, DWORD subsets = 1) {
    ID3DXMesh* mesh = nullptr;
    if (FAILED(ID3DXMesh::Create(12, 24, D3DXMESH_MANAGED, fvf, &mesh))) return nullptr;
    const DWORD stride = mesh->GetNumBytesPerVertex();
    unsigned char* v = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    uint16_t* idx = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    DWORD* attr = nullptr;
    mesh->LockAttributeBuffer(0, &attr);
    const D3DXVECTOR3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f) {
        const D3DXVECTOR3 n = normals[f];
        // Two axes across the face; corners go round it.
        const D3DXVECTOR3 a = n.x != 0 ? D3DXVECTOR3(0, 1, 0) : D3DXVECTOR3(1, 0, 0);
        D3DXVECTOR3 b;
        D3DXVec3Cross(&b, &n, &a);
        const float su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
        D3DXVECTOR3 corner[4];
        for (int k = 0; k < 4; ++k) {
            const D3DXVECTOR3 d = n + a * su[k] + b * sv[k];
            corner[k] = {d.x > 0 ? hi.x : lo.x, d.y > 0 ? hi.y : lo.y, d.z > 0 ? hi.z : lo.z};
            unsigned char* p = v + (f * 4 + k) * stride;
            std::memcpy(p, &corner[k], 12);
            if (fvf & D3DFVF_NORMAL) std::memcpy(p + 12, &n, 12);
            if (fvf & D3DFVF_TEX1) {
                const float uv[2] = {(su[k] + 1) / 2, (1 - sv[k]) / 2};
                std::memcpy(p + stride - 8, uv, 8);
            }
        }
        // Clockwise from outside: the left-handed cross product points out.
        D3DXVECTOR3 e1 = corner[1] - corner[0], e2 = corner[2] - corner[0], c;
        D3DXVec3Cross(&c, &e1, &e2);
        const bool keep = D3DXVec3Dot(&c, &n) > 0;
        const int order[2][6] = {{0, 1, 2, 0, 2, 3}, {0, 2, 1, 0, 3, 2}};
        for (int i = 0; i < 6; ++i) idx[f * 6 + i] = uint16_t(f * 4 + order[keep ? 0 : 1][i]);
        attr[f * 2] = attr[f * 2 + 1] = DWORD(f / 2) % subsets;
    }
    mesh->UnlockAttributeBuffer();
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    return mesh;
}

inline D3DMATERIAL9 Colour(float r, float g, float b, float a = 1.0f) {
    D3DMATERIAL9 m{};
    m.Diffuse = {r, g, b, a};
    m.Ambient = m.Diffuse;
    return m;
}

// Gives `part` a mesh record (and a hull and marker, as loading an X file does).
inline void GiveMesh(MOTIONOBJ* part, ID3DXMesh* mesh, std::vector<D3DMATERIAL9> materials,
                     std::vector<IDirect3DTexture9*> textures = {}) {
    auto fill = [&](XFILE* x, ID3DXMesh* m) {
        x->lpMesh = m;
        x->dwNumMaterials = DWORD(materials.size());
        x->pMaterials = new D3DMATERIAL9[materials.size()];
        x->pTextures = new IDirect3DTexture9*[materials.size()];
        for (size_t i = 0; i < materials.size(); ++i) {
            x->pMaterials[i] = materials[i];
            x->pTextures[i] = i < textures.size() ? textures[i] : nullptr;
            if (x->pTextures[i]) x->pTextures[i]->AddRef();
        }
    };
    ID3DXMesh* edge = nullptr;
    mesh->CloneMeshFVF(mesh->GetOptions(), mesh->GetFVF(), nullptr, &edge);
    fill(&part->Mesh, mesh);
    fill(&part->EdgeMesh, edge);
    InitBBox(lpD3DDevice, part);
    CreateShadow(part);
}

inline void ReleasePart(MOTIONOBJ* p, void*) { ReleasePartMeshes(p); }

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetFrameGlobals();
        target_ = std::make_unique<OffscreenTarget>(kViewWidth, kViewHeight);
        ASSERT_TRUE(target_->ok()) << "no OpenGL 3.3 core context (run under xvfb-run)";
        lpD3D = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(lpD3D, nullptr);
        ASSERT_EQ(lpD3D->CreateDevice(target_.get(), &d3dpp, &lpD3DDevice), S_OK);
        InitFrameStates(lpD3DDevice);
        D3DXCreateFontA(lpD3DDevice, 16, 0, 1000, 0, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, nullptr, &lpFont);
        GameInit(&Cha);
    }
    void TearDown() override {
        FreeTree(&Cha, &ReleasePart, nullptr);
        ReleaseRamp();
        if (lpFont) lpFont->Release();
        if (lpD3DDevice) lpD3DDevice->Release();
        if (lpD3D) lpD3D->Release();
        target_.reset();
    }
    // Composes the tree and draws `n` frames; the picture of the last.
    QImage Frames(int n = 2) {
        for (int i = 0; i < n; ++i) {
            Trans(Cha.pTop, Cha.pTop);
            Gousei(Cha.pTop, Cha.pTop);
            DrawFrame(&Cha);
        }
        return target_->Grab();
    }
    // Where a world point lands in the picture of the last frame.
    static QPoint Project(D3DXVECTOR3 p) {
        D3DVIEWPORT9 vp = {0, 0, DWORD(kViewWidth), DWORD(kViewHeight), 0, 1};
        D3DXVECTOR3 s;
        D3DXVec3Project(&s, &p, &vp, &mProj, &mView, nullptr);
        return {int(s.x), int(s.y)};
    }
    MOTIONOBJ* AddPart(MOTIONOBJ* at, const char* name, D3DXVECTOR3 offset) {
        OBJInit(at, name);
        MOTIONOBJ* p = at->NextIsSibling ? at->pNext : at->pChild;
        p->vOffset = offset;
        return p;
    }

    std::unique_ptr<OffscreenTarget> target_;
};

inline int R(QRgb c) { return qRed(c); }
inline int G(QRgb c) { return qGreen(c); }
inline int B(QRgb c) { return qBlue(c); }

}  // namespace frametest
