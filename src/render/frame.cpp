// One frame of the 3-D view and the parts pass (see frame.h).
#include "frame.h"

#include <cstring>

#include "input/input.h"
#include "meshes.h"
#include "outline.h"
#include "platform/d3d9.h"

// The follow camera's target: the selected part's origin as the last marker
// pass stored it. Before the first one stored anything (the matrix is still
// all zeros), the selected part's own origin.
static D3DXVECTOR3 FollowTarget() {
    if (mSiten._44 == 0.0f) return {pGet->mWorld._41, pGet->mWorld._42, pGet->mWorld._43};
    return {mSiten._41, mSiten._42, mSiten._43};
}

void InitFrameStates(IDirect3DDevice9* d) {
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);

    std::memset(&Light, 0, sizeof Light);
    Light.Type = D3DLIGHT_DIRECTIONAL;
    Light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    Light.Direction = LightVec;
    Light.Range = 10.0f;
    Light.Attenuation0 = 0.0f;
    Light.Attenuation1 = 1.0f;
    Light.Attenuation2 = 0.0f;
    d->SetLight(0, &Light);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DrawFrame(_MOTIONDATA* data) {
    IDirect3DDevice9* d = lpD3DDevice;
    if (!d || !data->pTop || !pGet) return;
    const D3DVIEWPORT9 vp = {0, 0, DWORD(kViewWidth), DWORD(kViewHeight), 0.0f, 1.0f};
    d->SetViewport(&vp);
    d->BeginScene();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(Red, Green, Blue), 1.0f, 0);
    GetMouse();

    constexpr float kRad = 0.01745329238474369f;
    D3DXMatrixRotationYawPitchRoll(&mCamera, CameraY * kRad, CameraX * kRad, 0.0f);
    const D3DXVECTOR3 back(0.0f, 0.0f, Mz);
    D3DXVec3TransformCoord(&CameraPos, &back, &mCamera);
    D3DXVECTOR3 target(0.0f, 0.0f, 0.0f);
    if (cflg == 0) {
        CameraPos += pGet->vWorldPos;
        target = FollowTarget();
    }
    const D3DXVECTOR3 up0(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 up;
    D3DXVec3TransformNormal(&up, &up0, &mCamera);
    D3DXMatrixLookAtLH(&mView, &CameraPos, &target, &up);
    D3DXMatrixPerspectiveFovLH(&mProj, 1.0471975803375244f, 1.3333333730697632f, 1.0f, 2000.0f);
    d->SetTransform(D3DTS_VIEW, &mView);
    d->SetTransform(D3DTS_PROJECTION, &mProj);

    if (Lineflg != 0) DrawLine();
    Parts(data->pTop, data->pTop);
    Sizeflg = 0;
    if (STRflg != 0) Debug(data);
    CharaLine(data);

    // Lights the next frame: from the eye's position vector towards the origin.
    Light.Position = CameraPos * 2.0f;
    Light.Direction = -CameraPos;
    d->SetLight(0, &Light);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->EndScene();

    const RECT dest = {0, 0, kViewWidth, kViewHeight};
    if (FAILED(d->Present(nullptr, &dest, g_hwnd, nullptr))) d->Reset(&d3dpp);
}

void Parts(MOTIONOBJ* node, MOTIONOBJ* parent) {
    IDirect3DDevice9* d = lpD3DDevice;
    for (; node; node = node->pNext) {
        // An outline width change rebuilds every hull but the root's.
        if (Sizeflg == 1 && node != parent && node->Mesh.lpMesh && node->EdgeMesh.lpMesh) CreateShadow(node);
        if (TOONflg == 1) TOON(node);
        d->SetTransform(D3DTS_WORLD, &node->mWorld);
        DrawMesh(&node->Mesh);
        d->SetRenderState(D3DRS_LIGHTING, TRUE);
        d->SetTexture(1, nullptr);
        d->SetShadeCoordinate(nullptr);
        if (node->pChild) Parts(node->pChild, node);
    }
}
