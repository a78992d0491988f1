// The outline hull: the push against its quadratic definition, the cube's
// corners, rebuilds from the unexpanded mesh, formats and black materials.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "outline_reference.h"
#include "platform/d3dx_mesh.h"
#include "platform/xfile_reader.h"
#include "render/outline.h"
#include "render/toon.h"

namespace {

std::vector<SHADOWVERTEX> Random(std::mt19937* rng, size_t n) {
    // Few distinct values, so positions repeat a lot; now and then -0 or NaN.
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, NAN};
    std::uniform_int_distribution<int> pick(0, 6), pickNoNan(0, 5);
    std::uniform_real_distribution<float> normal(-1.0f, 1.0f);
    std::vector<SHADOWVERTEX> v(n);
    for (SHADOWVERTEX& s : v) {
        const bool nan = (*rng)() % 50 == 0;
        s.vPos = D3DXVECTOR3(values[nan ? pick(*rng) : pickNoNan(*rng)], values[pickNoNan(*rng)],
                             values[pickNoNan(*rng)]);
        s.vNormal = D3DXVECTOR3(normal(*rng), normal(*rng), normal(*rng));
    }
    return v;
}

unsigned char* Bytes(std::vector<SHADOWVERTEX>* v) { return reinterpret_cast<unsigned char*>(v->data()); }

// A part whose Mesh and EdgeMesh are two loads of a 24-vertex cube (four
// vertices per face, face normals along the axes).
struct CubePart {
    MOTIONOBJ part;
    CubePart() {
        std::memset(static_cast<void*>(&part), 0, sizeof part);
        Load(&part.Mesh);
        Load(&part.EdgeMesh);
    }
    ~CubePart() {
        for (XFILE* x : {&part.Mesh, &part.EdgeMesh}) {
            x->lpMesh->Release();
            delete[] x->pMaterials;
        }
    }
    static void Load(XFILE* x) {
        ID3DXMesh* m;
        ASSERT_EQ(ID3DXMesh::Create(12, 24, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, &m), S_OK);
        float* v;
        m->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
        int i = 0;
        for (int axis = 0; axis < 3; ++axis)
            for (int sign = -1; sign <= 1; sign += 2)
                for (int corner = 0; corner < 4; ++corner, ++i) {
                    float* p = v + 8 * i;
                    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
                    p[axis] = float(sign);
                    p[a] = corner & 1 ? 1.0f : -1.0f;
                    p[b] = corner & 2 ? 1.0f : -1.0f;
                    p[3 + axis] = float(sign);
                    p[6] = float(corner);  // UVs the toon clone carries
                }
        m->UnlockVertexBuffer();
        x->lpMesh = m;
        x->dwNumMaterials = 2;
        x->pMaterials = new D3DMATERIAL9[2];
        for (int k = 0; k < 2; ++k) {
            x->pMaterials[k] = D3DMATERIAL9{};
            x->pMaterials[k].Diffuse = {0.5f, 0.6f, 0.7f, 0.8f};
            x->pMaterials[k].Power = 5;
        }
    }
    std::vector<SHADOWVERTEX> Hull() const {
        std::vector<SHADOWVERTEX> v(part.EdgeMesh.lpMesh->GetNumVertices());
        void* p;
        part.EdgeMesh.lpMesh->LockVertexBuffer(0, &p);
        std::memcpy(v.data(), p, v.size() * sizeof(SHADOWVERTEX));
        part.EdgeMesh.lpMesh->UnlockVertexBuffer();
        return v;
    }
};

}  // namespace

TEST(Outline, HashGroupingGivesExactlyTheQuadraticDefinition) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        const size_t n = 1 + rng() % 300;
        std::vector<SHADOWVERTEX> a = Random(&rng, n), b = a;
        PushOutline(Bytes(&a), DWORD(n), sizeof(SHADOWVERTEX), 0.05f);
        PushOutlineQuadratic(Bytes(&b), DWORD(n), sizeof(SHADOWVERTEX), 0.05f);
        ASSERT_EQ(0, std::memcmp(a.data(), b.data(), n * sizeof(SHADOWVERTEX))) << "round " << round;
    }
}

TEST(Outline, ZeroSignsMeetAndNaNPositionsStay) {
    std::vector<SHADOWVERTEX> v = {{{0.0f, 1, 1}, {1, 0, 0}}, {{-0.0f, 1, 1}, {0, 1, 0}}, {{NAN, 1, 1}, {1, 1, 1}}};
    PushOutline(Bytes(&v), 3, sizeof(SHADOWVERTEX), 1.0f);
    EXPECT_EQ(v[0].vPos.x, 0.5f);
    EXPECT_EQ(v[1].vPos.x, 0.5f);
    EXPECT_EQ(v[0].vPos.y, 1.5f);
    EXPECT_TRUE(std::isnan(v[2].vPos.x));
    EXPECT_EQ(v[2].vPos.y, 1.0f);
}

TEST(Outline, CubeCornersMoveByAThirdOfTheWidthPerAxisAndTheHullStaysClosed) {
    LineSize = 0.05f;
    CubePart cube;
    ASSERT_EQ(CreateShadow(&cube.part), S_OK);
    const std::vector<SHADOWVERTEX> hull = cube.Hull();
    ASSERT_EQ(hull.size(), 24u);
    const float moved = 1.0f + 0.05f / 3.0f;
    for (const SHADOWVERTEX& v : hull) {
        EXPECT_FLOAT_EQ(std::fabs(v.vPos.x), moved);
        EXPECT_FLOAT_EQ(std::fabs(v.vPos.y), moved);
        EXPECT_FLOAT_EQ(std::fabs(v.vPos.z), moved);
        EXPECT_EQ(std::fabs(v.vNormal.x) + std::fabs(v.vNormal.y) + std::fabs(v.vNormal.z), 1.0f);  // unchanged
    }
    // Every copy of a corner lands on the very same point.
    for (const SHADOWVERTEX& a : hull)
        for (const SHADOWVERTEX& b : hull)
            if ((a.vPos.x > 0) == (b.vPos.x > 0) && (a.vPos.y > 0) == (b.vPos.y > 0) && (a.vPos.z > 0) == (b.vPos.z > 0)) {
                EXPECT_TRUE(a.vPos == b.vPos);
            }
}

TEST(Outline, SmoothVerticesMoveByTheWholeWidthAlongTheirNormal) {
    std::vector<SHADOWVERTEX> v;
    for (int i = 0; i < 20; ++i) {
        const float t = float(i) * 0.3f;
        v.push_back({{std::cos(t), std::sin(t), 0}, {std::cos(t), std::sin(t), 0}});
    }
    const std::vector<SHADOWVERTEX> before = v;
    PushOutline(Bytes(&v), DWORD(v.size()), sizeof(SHADOWVERTEX), 0.09f);
    for (size_t i = 0; i < v.size(); ++i) {
        const D3DXVECTOR3 d = v[i].vPos - before[i].vPos;
        EXPECT_NEAR(D3DXVec3Length(&d), 0.09f, 1e-6f);
        EXPECT_NEAR(D3DXVec3Dot(&d, &before[i].vNormal), 0.09f, 1e-6f);
    }
}

TEST(Outline, ARebuildStartsFromTheUnexpandedMesh) {
    CubePart twice, once;
    LineSize = 0.09f;
    CreateShadow(&twice.part);
    LineSize = 0.02f;
    CreateShadow(&twice.part);
    CreateShadow(&once.part);
    LineSize = 0.05f;
    const auto a = twice.Hull(), b = once.Hull();
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(SHADOWVERTEX)));
}

TEST(Outline, BuildMakesTheHullBlackAndTheDisplayMeshToonVertices) {
    CubePart cube;
    ASSERT_EQ(CreateShadow(&cube.part), S_OK);
    EXPECT_EQ(cube.part.EdgeMesh.lpMesh->GetFVF(), kShadowFVF);
    EXPECT_EQ(cube.part.EdgeMesh.lpMesh->GetNumBytesPerVertex(), sizeof(SHADOWVERTEX));
    EXPECT_EQ(cube.part.EdgeMesh.lpMesh->GetOptions(), DWORD(D3DXMESH_MANAGED));
    EXPECT_EQ(cube.part.EdgeMesh.lpMesh->GetNumFaces(), 12u);
    for (DWORD i = 0; i < 2; ++i) {
        const D3DMATERIAL9& m = cube.part.EdgeMesh.pMaterials[i];
        D3DMATERIAL9 black{};
        black.Diffuse = {0, 0, 0, 1};
        EXPECT_EQ(0, std::memcmp(&m, &black, sizeof m));
    }
    ID3DXMesh* toon = cube.part.Mesh.lpMesh;
    EXPECT_EQ(toon->GetFVF(), kToonFVF);
    ASSERT_EQ(toon->GetNumBytesPerVertex(), sizeof(TOONVERTEX));
    TOONVERTEX* v;
    toon->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    EXPECT_EQ(v[5].vPos, D3DXVECTOR3(1, 1, -1));  // positions as loaded
    EXPECT_EQ(v[5].vNormal, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(v[5].tu, 1.0f);  // texture coordinates carried over
    toon->UnlockVertexBuffer();
    EXPECT_NE(pTex, nullptr);  // the build served the pending ramp request
    ReleaseRamp();
}
