// The outline hull: a copy of a part's mesh pushed outwards along averaged
// normals, drawn black with front faces culled so that a rim stays visible
// around the silhouette.
#pragma once

#include "model/motion.h"
#include "platform/d3dx_math.h"
#include "platform/d3dx_mesh.h"

// Vertex of the hull: position and normal, 24 bytes.
struct SHADOWVERTEX {
    D3DXVECTOR3 vPos;
    D3DXVECTOR3 vNormal;
};
constexpr DWORD kShadowFVF = D3DFVF_XYZ | D3DFVF_NORMAL;

extern float LineSize;  // outline width in mesh units, 0.05 at start
extern int32_t Sizeflg; // 1 = rebuild every hull in the next parts pass

// Builds the part's hull into EdgeMesh (black materials) and turns Mesh into
// the toon vertex format. Needs a mesh in both records. S_OK, or E_FAIL when a
// clone fails.
HRESULT CreateShadow(MOTIONOBJ* part);

// The push itself: every vertex moves by the mean normal of all vertices at
// exactly its position (-0 equal to +0; a position with a NaN matches nothing
// and stays) times `lineSize`. Positions at offset 0, normals at offset 12.
// Linear time: positions are grouped through a hash of their values, and each
// group's normals are summed in vertex order.
void PushOutline(unsigned char* vertices, DWORD count, DWORD stride, float lineSize);
