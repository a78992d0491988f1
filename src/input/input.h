// Viewport input: the polled mouse, picking parts in the view and drag
// editing of the selected part.
//
// Once per drawn frame GetMouse turns the mouse's motion since the last poll
// into the drag amount rtXYZ, the camera orbit and zoom, and the toon light.
// A left press in the view picks the part whose origin lies within 10 pixels
// and starts a drag; the frame loop then calls UpdateProc in every frame in
// which the cursor moved until the release.
#pragma once

#include <cstdint>

#include "model/motion.h"
#include "platform/d3dx_math.h"
#include "platform/dinput.h"
#include "platform/hwnd.h"
#include "platform/winuser.h"

// Edit mode, set by the pose panel.
extern int32_t Modeflg;     // 0 rotate, 1 move
extern int32_t Zikuflg;     // axis: 1 X, 2 Y, 3 Z
extern int32_t NoChildflg;  // 1 = rotating a part leaves its children's world orientation alone

extern float rtXYZ;  // drag amount of the latest poll: degrees (rotate) or units (move); 0 with the button up
extern float CameraX;          // camera pitch, degrees in [0, 360]; 30 at start
extern float CameraY;          // camera yaw, degrees in [0, 360]; 135 at start
extern float Mz;               // eye z before the camera turn; -10 at start, never above -4
extern D3DXVECTOR3 ToonLight;  // towards the toon light, world space; (-1, 1, 0) at start

extern int32_t Downflg;  // 1 from a left press in the view until the release
extern POINT pt;         // cursor (client) at the press and after every drag step
extern POINT checkpt;    // cursor sampled by the drag step

// The mouse device; null when it could not be opened.
extern IDirectInput8* g_pDInput;
extern IDirectInputDevice8* g_pMouseDevice;

// Selects a picked part in the panels' part lists; null until the panels set it.
extern void (*g_SelectInLists)(MOTIONOBJ* part);

// Opens the system mouse for `window`: 0, or E_FAIL at the first failing step.
int32_t InitDinput(HWND window);
// Unacquires and releases the mouse (at exit).
void ReleaseDinput();
// One poll: 0, or E_FAIL when the device cannot be read (nothing changes then).
int32_t GetMouse();

// Picks among `part`, its subtree and its later siblings at client point (x, y);
// the root (called with itself as parent) is never picked.
void SelectParts(MOTIONOBJ* part, MOTIONOBJ* parent, int32_t x, int32_t y);
// Selects `part` when its origin projects less than 10 pixels from (x, y).
void Parts2D(MOTIONOBJ* part, D3DXVECTOR3 worldPos, int32_t x, int32_t y);

// One drag edit step on pGet with the current rtXYZ.
void UpdateProc(_MOTIONDATA* data);
