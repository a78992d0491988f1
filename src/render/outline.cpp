// Outline hull (see outline.h).
#include "outline.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "toon.h"

float LineSize = 0.05f;
int32_t Sizeflg = 0;

namespace {

// Key of an exact position: -0 folded into +0 so that the two compare equal
// as floats do.
struct PosKey {
    uint32_t x, y, z;
    bool operator==(const PosKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

uint32_t Bits(float f) {
    if (f == 0.0f) f = 0.0f;
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

uint64_t Hash(const PosKey& k) {
    // Positions often differ only in a few mantissa bits: mix them all.
    uint64_t h = (uint64_t(k.x) | uint64_t(k.y) << 32) * 0x9E3779B97F4A7C15ull;
    h ^= (uint64_t(k.z) + (h >> 29)) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 32;
    h *= 0x165667B19E3779F9ull;
    return h ^ (h >> 29);
}

struct Group {
    D3DXVECTOR3 sum;
    float count;
};

}  // namespace

void PushOutline(unsigned char* vertices, DWORD count, DWORD stride, float lineSize) {
    if (count == 0) return;
    size_t cap = 16;
    while (cap < size_t(count) * 2) cap *= 2;
    // Scratch kept between builds: a rebuild of every hull would otherwise
    // spend more time getting fresh pages than grouping.
    thread_local std::vector<uint32_t> table;     // slot -> group index + 1 (0 = empty)
    thread_local std::vector<PosKey> keys;        // per group
    thread_local std::vector<Group> groups;
    thread_local std::vector<uint32_t> groupOf;   // per vertex; UINT32_MAX = stays put
    table.assign(cap, 0);
    keys.clear();
    groups.clear();
    groupOf.assign(count, UINT32_MAX);
    auto posAt = [&](DWORD i) {
        D3DXVECTOR3 p;
        std::memcpy(&p, vertices + size_t(i) * stride, 12);
        return p;
    };
    for (DWORD i = 0; i < count; ++i) {
        const D3DXVECTOR3 p = posAt(i);
        // A NaN component never compares equal, not even with itself.
        if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) continue;
        const PosKey k{Bits(p.x), Bits(p.y), Bits(p.z)};
        size_t s = size_t(Hash(k)) & (cap - 1);
        while (table[s] && !(keys[table[s] - 1] == k)) s = (s + 1) & (cap - 1);
        if (!table[s]) {
            keys.push_back(k);
            groups.push_back({D3DXVECTOR3(0, 0, 0), 0.0f});
            table[s] = uint32_t(keys.size());
        }
        const uint32_t g = table[s] - 1;
        groupOf[i] = g;
        D3DXVECTOR3 n;
        std::memcpy(&n, vertices + size_t(i) * stride + 12, 12);
        groups[g].sum += n;  // in vertex order, as a scan from the first vertex adds them
        groups[g].count += 1.0f;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (groupOf[i] == UINT32_MAX) continue;
        const Group& g = groups[groupOf[i]];
        const D3DXVECTOR3 avg(g.sum.x / g.count, g.sum.y / g.count, g.sum.z / g.count);
        const D3DXVECTOR3 p = posAt(i) + avg * lineSize;
        std::memcpy(vertices + size_t(i) * stride, &p, 12);
    }
}

HRESULT CreateShadow(MOTIONOBJ* part) {
    if (!part->Mesh.lpMesh || !part->EdgeMesh.lpMesh) return E_FAIL;
    ID3DXMesh* hull = nullptr;
    if (FAILED(part->Mesh.lpMesh->CloneMeshFVF(part->EdgeMesh.lpMesh->GetOptions(), kShadowFVF, nullptr, &hull)))
        return E_FAIL;
    part->EdgeMesh.lpMesh->Release();
    part->EdgeMesh.lpMesh = hull;

    ID3DXMesh* toon = nullptr;
    if (FAILED(part->Mesh.lpMesh->CloneMeshFVF(part->Mesh.lpMesh->GetOptions(), kToonFVF, nullptr, &toon)))
        return E_FAIL;
    part->Mesh.lpMesh->Release();
    part->Mesh.lpMesh = toon;

    unsigned char* v = nullptr;
    hull->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    PushOutline(v, hull->GetNumVertices(), hull->GetNumBytesPerVertex(), LineSize);
    hull->UnlockVertexBuffer();

    for (DWORD i = 0; i < part->EdgeMesh.dwNumMaterials; ++i) {
        part->EdgeMesh.pMaterials[i] = D3DMATERIAL9{};
        part->EdgeMesh.pMaterials[i].Diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
    }
    ReadTexture();
    return S_OK;
}
