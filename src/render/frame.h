// One frame of the 3-D view: camera, guide lines, the parts pass with toon
// shading and outline, status text, markers and the light for the next frame.
//
// DrawFrame runs with the device's target current (inside the view's paint).
// The state here is read by picking (mView, mProj) and the panels (Red,
// Green, Blue).
#pragma once

#include <cstdint>

#include "model/motion.h"
#include "platform/d3d9.h"
#include "platform/d3dx_math.h"

// The 3-D view: the back buffer, shown at the left of the client area with
// the panel's 260 pixels to its right.
constexpr int kViewWidth = 780;
constexpr int kViewHeight = 640;

// Display switches of the menu.
extern int32_t Lineflg;  // 1 = grid, axes, markers and the selected part's box
extern int32_t STRflg;   // 1 = status text
extern int32_t TOONflg;  // 1 = toon shading with outline
extern int32_t cflg;     // 0 = follow camera (orbits the selected part), 1 = fixed camera

// Background colour components 0..255, edited in the pose panel; 100 each at start.
extern int32_t Red, Green, Blue;

extern D3DXMATRIX mCamera;     // camera turn of the current frame
extern D3DXVECTOR3 CameraPos;  // eye in world space
extern D3DXMATRIX mSiten;      // selected part's world matrix as the last marker pass left it
extern D3DXMATRIX mView, mProj;

// The one light: directional, white; aimed from the camera after every frame.
extern D3DLIGHT9 Light;
extern D3DXVECTOR3 LightVec;  // its direction at start, (0, 0, 1)

// Coloured line vertex, 16 bytes.
struct COLOR_LINE {
    D3DXVECTOR3 vPos;
    DWORD dwColor;
};

// The states every pass relies on at its start, and light 0 along LightVec
// (start-up sets them once; each frame restores what it changes).
void InitFrameStates(IDirect3DDevice9* device);
void DrawFrame(_MOTIONDATA* data);
// The parts pass over `node`, its subtree and its later siblings.
void Parts(MOTIONOBJ* node, MOTIONOBJ* parent);
// Draws the part's outline hull and sets the states for its toon-shaded body.
void TOON(MOTIONOBJ* part);
// Floor grid and world axes.
void DrawLine();
// Markers, the selected part's axes and box over everything; keeps mSiten.
void CharaLine(_MOTIONDATA* data);
void DrawSphere(MOTIONOBJ* node, MOTIONOBJ* parent);
// The 12 edges of the box with opposite corners a and b, into PLINE.
void BBOXLINE(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
extern COLOR_LINE PLINE[24];
// The four blocks of status text.
void Debug(_MOTIONDATA* data);
