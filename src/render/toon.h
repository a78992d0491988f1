// Toon shading's data: the vertex format and the shade ramps.
//
// A ramp is looked up along its top row by the shade coordinate tu, from 0
// (facing the light) to 1 (facing away), without filtering, so its texels
// give hard-edged bands. The four ramps go from light to pitch black; each is
// read from samples' effect/effectN.bmp, and when that file is missing or
// unreadable the same ramp built into the program is used.
#pragma once

#include <QImage>

#include "platform/d3dx_math.h"
#include "platform/d3dx_mesh.h"

// Vertex of a part's display mesh once its hull has been built: 32 bytes.
struct TOONVERTEX {
    D3DXVECTOR3 vPos;
    D3DXVECTOR3 vNormal;
    float tu;  // shade coordinate, rewritten every toon frame
    float tv;  // always 0
};
constexpr DWORD kToonFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

extern int32_t Shadowflg;        // pending ramp request 1..4, 0 = none; 2 at start
extern IDirect3DTexture9* pTex;  // the ramp in use

constexpr int kRampCount = 4;
// "effect/effect1.bmp" ... "effect/effect4.bmp" for 1..4.
const char* RampFileName(int level);
// The built-in ramp 1..4 (what tools/make_ramps writes to the files).
QImage BuiltinRamp(int level);

// Serves a pending ramp request (at most one file per call) and sets texture
// stage 1 for the ramp.
void ReadTexture();
// Frees the ramp (at exit).
void ReleaseRamp();
