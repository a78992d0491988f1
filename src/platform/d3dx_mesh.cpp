// Meshes, buffers, textures and the X-file loader on top of the reader.
#include "d3dx_mesh.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3d_hooks.h"
#include "paths.h"
#include "xfile_reader.h"

// ---------------------------------------------------------------- hooks

static DeviceHook gNoDevice;
static DeviceHook* gHook = &gNoDevice;

DeviceHook* CurrentDeviceHook() { return gHook; }
DeviceHook* SetDeviceHook(DeviceHook* hook) {
    DeviceHook* old = gHook == &gNoDevice ? nullptr : gHook;
    gHook = hook ? hook : &gNoDevice;
    return old;
}

// ---------------------------------------------------------------- counting

static long gLive = 0;
KavUnknown::KavUnknown() { ++gLive; }
KavUnknown::~KavUnknown() { --gLive; }
long KavUnknown::Live() { return gLive; }

DWORD KavUnknown::Release() {
    const DWORD left = --refs_;
    if (left == 0) delete this;
    return left;
}

// ---------------------------------------------------------------- formats

DWORD D3DXGetFVFVertexSize(DWORD fvf) {
    if ((fvf & ~DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1)) || !(fvf & D3DFVF_XYZ)) return 0;
    DWORD n = 12;
    if (fvf & D3DFVF_NORMAL) n += 12;
    if (fvf & D3DFVF_DIFFUSE) n += 4;
    if (fvf & D3DFVF_TEX1) n += 8;
    return n;
}

// Byte offsets of the elements of a format (-1 = absent).
struct FvfLayout {
    int normal = -1, diffuse = -1, tex = -1;
    explicit FvfLayout(DWORD fvf) {
        int at = 12;
        if (fvf & D3DFVF_NORMAL) normal = at, at += 12;
        if (fvf & D3DFVF_DIFFUSE) diffuse = at, at += 4;
        if (fvf & D3DFVF_TEX1) tex = at;
    }
};

// ---------------------------------------------------------------- vertex buffer

IDirect3DVertexBuffer9::IDirect3DVertexBuffer9(ID3DXMesh* mesh) : mesh_(mesh) { mesh_->AddRef(); }
IDirect3DVertexBuffer9::~IDirect3DVertexBuffer9() { mesh_->Release(); }

HRESULT IDirect3DVertexBuffer9::Lock(DWORD offset, DWORD size, void** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    const DWORD total = mesh_->GetNumVertices() * mesh_->GetNumBytesPerVertex();
    if (offset > total || (size && size > total - offset)) return D3DERR_INVALIDCALL;
    void* all;
    const HRESULT hr = mesh_->LockVertexBuffer(flags, &all);
    if (FAILED(hr)) return hr;
    *data = static_cast<unsigned char*>(all) + offset;
    return S_OK;
}

HRESULT IDirect3DVertexBuffer9::Unlock() { return mesh_->UnlockVertexBuffer(); }

// ---------------------------------------------------------------- mesh

HRESULT ID3DXMesh::Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, ID3DXMesh** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    const DWORD stride = D3DXGetFVFVertexSize(fvf);
    if (!stride || numFaces == 0 || numVertices == 0) return D3DERR_INVALIDCALL;
    if (!(options & D3DXMESH_32BIT) && numVertices > 0xFFFF) return D3DERR_INVALIDCALL;
    auto* m = new ID3DXMesh;
    m->fvf_ = fvf;
    m->options_ = options;
    m->stride_ = stride;
    m->numVertices_ = numVertices;
    m->numFaces_ = numFaces;
    m->vertices_.assign(size_t(numVertices) * stride, 0);
    const size_t nIdx = size_t(numFaces) * 3;
    m->indices_.assign((options & D3DXMESH_32BIT) ? nIdx : (nIdx + 1) / 2, 0);
    m->attributes_.assign(numFaces, 0);
    m->RebuildAttributeTable();
    *out = m;
    return S_OK;
}

DWORD ID3DXMesh::Index(DWORD f, int k) const {
    const size_t i = size_t(f) * 3 + size_t(k);
    if (options_ & D3DXMESH_32BIT) return indices_[i];
    uint16_t v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(indices_.data()) + i * 2, 2);
    return v;
}

HRESULT ID3DXMesh::GetVertexBuffer(IDirect3DVertexBuffer9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = new IDirect3DVertexBuffer9(this);
    return S_OK;
}

HRESULT ID3DXMesh::LockVertexBuffer(DWORD, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    ++vertexLocks_;
    *data = vertices_.data();
    return S_OK;
}

HRESULT ID3DXMesh::UnlockVertexBuffer() {
    if (vertexLocks_ == 0) return D3DERR_INVALIDCALL;
    --vertexLocks_;
    ++version_;
    return S_OK;
}

HRESULT ID3DXMesh::LockIndexBuffer(DWORD, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = indices_.data();
    return S_OK;
}

HRESULT ID3DXMesh::UnlockIndexBuffer() {
    RebuildAttributeTable();
    ++version_;
    return S_OK;
}

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD, DWORD** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = attributes_.data();
    return S_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() {
    SortFacesByAttribute();
    ++version_;
    return S_OK;
}

void ID3DXMesh::SortFacesByAttribute() {
    if (std::is_sorted(attributes_.begin(), attributes_.end())) {
        RebuildAttributeTable();
        return;
    }
    std::vector<DWORD> order(numFaces_);
    for (DWORD f = 0; f < numFaces_; ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return attributes_[a] < attributes_[b]; });
    std::vector<DWORD> idx(size_t(numFaces_) * 3), attr(numFaces_);
    for (DWORD f = 0; f < numFaces_; ++f) {
        for (int k = 0; k < 3; ++k) idx[size_t(f) * 3 + size_t(k)] = Index(order[f], k);
        attr[f] = attributes_[order[f]];
    }
    attributes_ = std::move(attr);
    for (size_t i = 0; i < idx.size(); ++i) {
        if (options_ & D3DXMESH_32BIT) indices_[i] = idx[i];
        else {
            const uint16_t v = uint16_t(idx[i]);
            std::memcpy(reinterpret_cast<unsigned char*>(indices_.data()) + i * 2, &v, 2);
        }
    }
    RebuildAttributeTable();
}

void ID3DXMesh::RebuildAttributeTable() {
    table_.clear();
    for (DWORD f = 0; f < numFaces_;) {
        DWORD e = f;
        DWORD lo = UINT32_MAX, hi = 0;
        while (e < numFaces_ && attributes_[e] == attributes_[f]) {
            for (int k = 0; k < 3; ++k) {
                const DWORD v = Index(e, k);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            ++e;
        }
        table_.push_back({attributes_[f], f, e - f, lo, hi - lo + 1});
        f = e;
    }
}

HRESULT ID3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) const {
    if (!size) return D3DERR_INVALIDCALL;
    if (table) std::copy(table_.begin(), table_.end(), table);
    *size = DWORD(table_.size());
    return S_OK;
}

HRESULT ID3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9*, ID3DXMesh** out) const {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    ID3DXMesh* c;
    // The index size follows the vertex count, whatever the options say.
    if (numVertices_ > 0xFFFF) options |= D3DXMESH_32BIT;
    const HRESULT hr = Create(numFaces_, numVertices_, options, fvf, &c);
    if (FAILED(hr)) return hr;
    const FvfLayout from(fvf_), to(fvf);
    for (DWORD i = 0; i < numVertices_; ++i) {
        const unsigned char* s = &vertices_[size_t(i) * stride_];
        unsigned char* d = &c->vertices_[size_t(i) * c->stride_];
        std::memcpy(d, s, 12);
        if (from.normal >= 0 && to.normal >= 0) std::memcpy(d + to.normal, s + from.normal, 12);
        if (from.diffuse >= 0 && to.diffuse >= 0) std::memcpy(d + to.diffuse, s + from.diffuse, 4);
        if (from.tex >= 0 && to.tex >= 0) std::memcpy(d + to.tex, s + from.tex, 8);
    }
    for (DWORD f = 0; f < numFaces_; ++f)
        for (int k = 0; k < 3; ++k) {
            const size_t i = size_t(f) * 3 + size_t(k);
            const DWORD v = Index(f, k);
            if (options & D3DXMESH_32BIT) c->indices_[i] = v;
            else {
                const uint16_t s = uint16_t(v);
                std::memcpy(reinterpret_cast<unsigned char*>(c->indices_.data()) + i * 2, &s, 2);
            }
        }
    c->attributes_ = attributes_;
    c->table_ = table_;
    *out = c;
    return S_OK;
}

HRESULT ID3DXMesh::DrawSubset(DWORD attribId) {
    CurrentDeviceHook()->DrawSubset(this, attribId);
    return S_OK;
}

// ---------------------------------------------------------------- textures

HRESULT CreateTextureFromImage(const QImage& image, IDirect3DTexture9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (image.isNull()) return D3DXERR_INVALIDDATA;
    *out = new IDirect3DTexture9(image.convertToFormat(QImage::Format_RGBA8888));
    return S_OK;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9*, const char* file, IDirect3DTexture9** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!file || !*file || std::strlen(file) >= 255) return D3DERR_INVALIDCALL;
    const QString path = ResolveStoredPath(file);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // Bound what a forged header can make the decoder allocate.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > (qint64(1) << 26)) return D3DXERR_INVALIDDATA;
    return CreateTextureFromImage(reader.read(), out);
}

// ---------------------------------------------------------------- sphere

HRESULT D3DXCreateSphere(IDirect3DDevice9*, float radius, unsigned slices, unsigned stacks, ID3DXMesh** mesh,
                         ID3DXBuffer** adjacency) {
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (adjacency) *adjacency = nullptr;
    if (!(radius >= 0) || slices < 2 || stacks < 2 || slices > 4096 || stacks > 4096) return D3DERR_INVALIDCALL;
    const DWORD nv = 2 + slices * (stacks - 1);
    const DWORD nf = 2 * slices * (stacks - 1);
    ID3DXMesh* m;
    HRESULT hr = ID3DXMesh::Create(nf, nv, DWORD(D3DXMESH_MANAGED) | (nv > 0xFFFF ? DWORD(D3DXMESH_32BIT) : 0u),
                                   D3DFVF_XYZ | D3DFVF_NORMAL, &m);
    if (FAILED(hr)) return hr;
    float* v;
    m->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    auto put = [&](DWORD i, float x, float y, float z) {
        float* p = v + size_t(i) * 6;
        p[0] = x * radius, p[1] = y * radius, p[2] = z * radius;
        p[3] = x, p[4] = y, p[5] = z;
    };
    put(0, 0, 0, 1);
    for (unsigned st = 1; st < stacks; ++st) {
        const float phi = D3DX_PI * float(st) / float(stacks);
        for (unsigned sl = 0; sl < slices; ++sl) {
            const float theta = 2.0f * D3DX_PI * float(sl) / float(slices);
            put(1 + (st - 1) * slices + sl, std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta),
                std::cos(phi));
        }
    }
    put(nv - 1, 0, 0, -1);
    m->UnlockVertexBuffer();
    std::vector<DWORD> idx;
    idx.reserve(size_t(nf) * 3);
    auto ring = [&](unsigned st, unsigned sl) { return DWORD(1 + (st - 1) * slices + sl % slices); };
    // Front faces are clockwise seen from outside (left-handed axes).
    for (unsigned sl = 0; sl < slices; ++sl) idx.insert(idx.end(), {0, ring(1, sl), ring(1, sl + 1)});
    for (unsigned st = 1; st + 1 < stacks; ++st)
        for (unsigned sl = 0; sl < slices; ++sl) {
            idx.insert(idx.end(), {ring(st, sl), ring(st + 1, sl), ring(st, sl + 1)});
            idx.insert(idx.end(), {ring(st, sl + 1), ring(st + 1, sl), ring(st + 1, sl + 1)});
        }
    for (unsigned sl = 0; sl < slices; ++sl) idx.insert(idx.end(), {nv - 1, ring(stacks - 1, sl + 1), ring(stacks - 1, sl)});
    void* ib;
    m->LockIndexBuffer(0, &ib);
    for (size_t i = 0; i < idx.size(); ++i) {
        if (m->GetOptions() & D3DXMESH_32BIT) static_cast<uint32_t*>(ib)[i] = idx[i];
        else static_cast<uint16_t*>(ib)[i] = uint16_t(idx[i]);
    }
    m->UnlockIndexBuffer();
    *mesh = m;
    return S_OK;
}

// ---------------------------------------------------------------- X files

HRESULT LoadMeshFromXMemory(const unsigned char* data, size_t size, DWORD options, ID3DXBuffer** materials,
                            DWORD* numMaterials, ID3DXMesh** mesh, std::string* why, XLoadFacts* facts) {
    if (materials) *materials = nullptr;
    if (mesh) *mesh = nullptr;
    if (!mesh) return D3DERR_INVALIDCALL;
    XMeshData x;
    std::string reason;
    if (!ReadXFile(data, size, &x, &reason)) {
        if (why) *why = reason;
        return D3DXERR_INVALIDDATA;
    }
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | (x.hasTexCoords ? DWORD(D3DFVF_TEX1) : 0);
    if (x.vertices.size() > 0xFFFF) options |= D3DXMESH_32BIT;
    if (x.vertices.size() >= 0xFFFFFFFFu || x.attributes.size() >= 0xFFFFFFFFu / 3) {
        if (why) *why = "メッシュが大きすぎます";
        return D3DXERR_INVALIDDATA;
    }
    ID3DXMesh* m;
    HRESULT hr = ID3DXMesh::Create(DWORD(x.attributes.size()), DWORD(x.vertices.size()), options, fvf, &m);
    if (FAILED(hr)) {
        if (why) *why = "メッシュを作れません";
        return hr;
    }
    unsigned char* vb;
    m->LockVertexBuffer(0, reinterpret_cast<void**>(&vb));
    const DWORD stride = m->GetNumBytesPerVertex();
    for (size_t i = 0; i < x.vertices.size(); ++i) std::memcpy(vb + i * stride, &x.vertices[i], stride);
    m->UnlockVertexBuffer();
    void* ib;
    m->LockIndexBuffer(0, &ib);
    for (size_t i = 0; i < x.indices.size(); ++i) {
        if (options & D3DXMESH_32BIT) static_cast<uint32_t*>(ib)[i] = x.indices[i];
        else static_cast<uint16_t*>(ib)[i] = uint16_t(x.indices[i]);
    }
    DWORD* ab;
    m->LockAttributeBuffer(0, &ab);
    std::copy(x.attributes.begin(), x.attributes.end(), ab);
    m->UnlockAttributeBuffer();  // also rebuilds the subset table over the new indices
    m->UnlockIndexBuffer();

    if (materials) {
        size_t names = 0;
        for (const XMaterialData& d : x.materials) names += d.texture.empty() ? 0 : d.texture.size() + 1;
        const size_t head = x.materials.size() * sizeof(D3DXMATERIAL);
        auto* buf = new ID3DXBuffer(head + names);
        auto* mats = static_cast<D3DXMATERIAL*>(buf->GetBufferPointer());
        char* text = reinterpret_cast<char*>(mats) + head;
        for (size_t i = 0; i < x.materials.size(); ++i) {
            mats[i].MatD3D = x.materials[i].material;
            mats[i].pTextureFilename = nullptr;
            const std::string& t = x.materials[i].texture;
            if (t.empty()) continue;
            std::memcpy(text, t.c_str(), t.size() + 1);
            mats[i].pTextureFilename = text;
            text += t.size() + 1;
        }
        *materials = buf;
    }
    if (numMaterials) *numMaterials = DWORD(x.materials.size());
    if (facts) {
        facts->format = x.format;
        facts->floatBits = x.floatBits;
        facts->normalsComputed = x.normalsComputed;
        facts->hasTexCoords = x.hasTexCoords;
    }
    *mesh = m;
    return S_OK;
}

HRESULT D3DXLoadMeshFromXA(const char* filename, DWORD options, IDirect3DDevice9*, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effects, DWORD* numMaterials, ID3DXMesh** mesh,
                           std::string* why) {
    if (adjacency) *adjacency = nullptr;
    if (effects) *effects = nullptr;
    if (mesh) *mesh = nullptr;
    if (!filename) return D3DERR_INVALIDCALL;
    QFile f(LocalToQString(filename));
    if (!f.open(QIODevice::ReadOnly)) {
        if (why) *why = "ファイルを開けません";
        return E_FAIL;
    }
    // The reader keeps its own limits; this one keeps a mistaken choice of a
    // huge file from taking the machine's memory.
    if (f.size() > (qint64(1) << 30)) {
        if (why) *why = "ファイルが大きすぎます";
        return E_FAIL;
    }
    const QByteArray bytes = f.readAll();
    if (bytes.size() != f.size()) {
        if (why) *why = "ファイルを最後まで読めません";
        return E_FAIL;
    }
    return LoadMeshFromXMemory(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()), options,
                               materials, numMaterials, mesh, why, nullptr);
}
