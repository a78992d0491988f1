// Records of a loaded part mesh, its materials and bounding volumes. The mesh
// and texture objects themselves belong to the mesh layer; parts only hold
// references to them.
#pragma once

#include "d3dx_math.h"

class ID3DXMesh;
class IDirect3DTexture9;

struct D3DCOLORVALUE {
    float r, g, b, a;
};

struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

// One loaded mesh. lpMesh is null while the record holds no mesh; the other
// fields mean nothing then.
struct XFILE {
    ID3DXMesh* lpMesh;
    DWORD dwNumMaterials;
    D3DMATERIAL9* pMaterials;
    IDirect3DTexture9** pTextures;
};

struct BSPHERE {
    D3DXVECTOR3 vCenter;
    float fRadius;
};

// Axis-aligned box in mesh space; the largest corner comes first.
struct BBOX {
    D3DXVECTOR3 vMax;
    D3DXVECTOR3 vMin;
};
