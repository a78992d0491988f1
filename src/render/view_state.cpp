// The frame's switches, colours and camera state (see frame.h). Kept apart
// from the drawing so that the panels and input can use them without OpenGL.
#include "frame.h"

int32_t Lineflg = 1;
int32_t STRflg = 1;
int32_t TOONflg = 0;
int32_t cflg = 0;
int32_t Red = 100, Green = 100, Blue = 100;

D3DXMATRIX mCamera = kIdentityMatrix;
D3DXVECTOR3 CameraPos(0.0f, 0.0f, 0.0f);
// All zeros until the first marker pass stores the selected part's matrix.
D3DXMATRIX mSiten(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
D3DXMATRIX mView = kIdentityMatrix;
D3DXMATRIX mProj = kIdentityMatrix;

D3DLIGHT9 Light{};
D3DXVECTOR3 LightVec(0.0f, 0.0f, 1.0f);
