// Shade ramps (see toon.h).
#include "toon.h"

#include <QColor>

#include "platform/d3d_hooks.h"

int32_t Shadowflg = 2;
IDirect3DTexture9* pTex = nullptr;

const char* RampFileName(int level) {
    static const char* const names[kRampCount] = {"effect/effect1.bmp", "effect/effect2.bmp", "effect/effect3.bmp",
                                                  "effect/effect4.bmp"};
    return level >= 1 && level <= kRampCount ? names[level - 1] : nullptr;
}

QImage BuiltinRamp(int level) {
    // Three bands along tu: lit (facing the light), half shade, full shade.
    // The shades darken with the level; the last is pitch black.
    static const int shades[kRampCount][2] = {{224, 192}, {176, 128}, {112, 64}, {0, 0}};
    const int* s = shades[(level >= 1 && level <= kRampCount ? level : 2) - 1];
    constexpr int kWidth = 32, kHeight = 4;
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (int x = 0; x < kWidth; ++x) {
        const int v = x < kWidth / 2 ? 255 : x < kWidth * 3 / 4 ? s[0] : s[1];
        for (int y = 0; y < kHeight; ++y) img.setPixel(x, y, qRgb(v, v, v));
    }
    return img;
}

void ReadTexture() {
    if (Shadowflg >= 1 && Shadowflg <= kRampCount) {
        IDirect3DTexture9* t = nullptr;
        // A missing or unreadable file falls back to the same ramp built in,
        // so toon mode works from any start directory.
        if (FAILED(D3DXCreateTextureFromFileA(CurrentDeviceHook()->Device(), RampFileName(Shadowflg), &t)))
            CreateTextureFromImage(BuiltinRamp(Shadowflg), &t);
        if (t) {
            if (pTex) pTex->Release();
            pTex = t;
        }
        Shadowflg = 0;
    }
    CurrentDeviceHook()->SetRampStageStates();
}

void ReleaseRamp() {
    if (pTex) pTex->Release();
    pTex = nullptr;
}
