// Globals of the viewport input (see input.h).
#include "input.h"

int32_t Modeflg = 0;
int32_t Zikuflg = 1;
int32_t NoChildflg = 0;

float rtXYZ = 0.0f;
float CameraX = 30.0f;
float CameraY = 135.0f;
float Mz = -10.0f;
D3DXVECTOR3 ToonLight(-1.0f, 1.0f, 0.0f);

int32_t Downflg = 0;
POINT pt = {0, 0};
POINT checkpt = {0, 0};

void (*g_SelectInLists)(MOTIONOBJ* part) = nullptr;
