// Mouse polling and picking (see input.h).
#include <cmath>

#include "input.h"
#include "platform/d3d9.h"
#include "platform/dinput.h"
#include "render/frame.h"

IDirectInput8* g_pDInput = nullptr;
IDirectInputDevice8* g_pMouseDevice = nullptr;

int32_t InitDinput(HWND window) {
    if (FAILED(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, &g_pDInput, nullptr))) return E_FAIL;
    if (FAILED(g_pDInput->CreateDevice(GUID_SysMouse, &g_pMouseDevice, nullptr))) return E_FAIL;
    if (FAILED(g_pMouseDevice->SetDataFormat(&c_dfDIMouse2))) return E_FAIL;
    if (FAILED(g_pMouseDevice->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND)))
        return E_FAIL;
    // Not in the foreground yet is no loss: every failed poll acquires again.
    if (FAILED(g_pMouseDevice->Acquire())) return E_FAIL;
    return 0;
}

void ReleaseDinput() {
    if (g_pMouseDevice) g_pMouseDevice->Unacquire();
    if (g_pDInput) {
        g_pDInput->Release();
        g_pDInput = nullptr;
    }
    if (g_pMouseDevice) {
        g_pMouseDevice->Release();
        g_pMouseDevice = nullptr;
    }
}

static bool Down(const DIMOUSESTATE2& s, int button) { return s.rgbButtons[button] & 0x80; }

static void Wrap(float* angle) {
    if (*angle > 360.0f)
        *angle -= 360.0f;
    else if (*angle < 0.0f)
        *angle += 360.0f;
}

int32_t GetMouse() {
    // Without a mouse the view simply gets no input.
    if (!g_pMouseDevice) return E_FAIL;
    DIMOUSESTATE2 s{};
    if (FAILED(g_pMouseDevice->GetDeviceState(sizeof s, &s))) {
        g_pMouseDevice->Acquire();
        return E_FAIL;
    }
    if (!g_hwnd || GetFocus() != g_hwnd) return 0;

    if (Down(s, 0))
        rtXYZ = Modeflg == 0 ? float(s.lX) / 5.0f : Modeflg == 1 ? float(s.lX) / 100.0f : rtXYZ;
    else
        rtXYZ = 0.0f;
    if (Down(s, 1)) {
        CameraY += float(s.lX) / 4.0f;
        CameraX += float(s.lY) / 4.0f;
        Wrap(&CameraY);
        Wrap(&CameraX);
    }
    if (Down(s, 2)) ToonLight = CameraPos;
    if (s.lZ > 0) {
        Mz += 2.0f;
        if (Mz >= -4.0f) Mz = -4.0f;
    } else if (s.lZ < 0) {
        Mz -= 2.0f;
    }
    return 0;
}

void SelectParts(MOTIONOBJ* part, MOTIONOBJ* parent, int32_t x, int32_t y) {
    for (; part; part = part->pNext) {
        if (part != parent) Parts2D(part, part->vWorldPos, x, y);
        if (part->pChild) SelectParts(part->pChild, part, x, y);
    }
}

void Parts2D(MOTIONOBJ* part, D3DXVECTOR3 worldPos, int32_t x, int32_t y) {
    // Without a device the view's own viewport (what every frame sets).
    D3DVIEWPORT9 vp = {0, 0, DWORD(kViewWidth), DWORD(kViewHeight), 0.0f, 1.0f};
    if (lpD3DDevice) lpD3DDevice->GetViewport(&vp);
    D3DXVECTOR3 s;
    D3DXVec3Project(&s, &worldPos, &vp, &mProj, &mView, nullptr);
    const float dx = s.x - float(x), dy = s.y - float(y);
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d < 10.0f) {
        pGet = part;
        if (g_SelectInLists) g_SelectInLists(part);
    }
}
