// Meshes, buffers and textures of the 3-D layer, kept as CPU data.
//
// A mesh holds its vertices in one flexible vertex format (position first,
// then normal, diffuse colour and 2-D texture coordinates as the format code
// says), 16- or 32-bit triangle indices and one attribute (subset number) per
// face. Faces are kept grouped by subset, so a subset is one index range.
// Locking hands out the CPU copy; every unlock bumps a version number so that
// the device can upload the data again before it draws. Textures are QImages.
//
// Objects are reference counted like the interfaces they stand for: Release
// frees the object when the last reference goes.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "d3dx_math.h"
#include "wintypes.h"
#include "xfile_types.h"

class IDirect3DDevice9;  // the 3-D device; meshes and textures do not need it

// Vertex format bits.
enum : DWORD {
    D3DFVF_XYZ = 0x002,
    D3DFVF_NORMAL = 0x010,
    D3DFVF_DIFFUSE = 0x040,
    D3DFVF_TEX1 = 0x100,
};

// Mesh options. Every mesh is CPU data, so the pool bits are only carried along.
enum : DWORD {
    D3DXMESH_32BIT = 0x001,
    D3DXMESH_VB_MANAGED = 0x020,
    D3DXMESH_IB_MANAGED = 0x200,
    D3DXMESH_MANAGED = D3DXMESH_VB_MANAGED | D3DXMESH_IB_MANAGED,
};

constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

// Bytes per vertex of a format code; 0 for a code this layer cannot hold.
DWORD D3DXGetFVFVertexSize(DWORD fvf);

// One subset as a contiguous range of faces and the vertices they use.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

// A material of a loaded X file: colours and the texture file name as the file
// writes it (CP932 bytes; null when the material names no texture).
struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    char* pTextureFilename;
};

// Counted base of the objects below.
class KavUnknown {
public:
    DWORD AddRef() { return ++refs_; }
    DWORD Release();
    // Objects alive right now (meshes, buffers, textures), to find leaks.
    static long Live();

protected:
    KavUnknown();
    virtual ~KavUnknown();

private:
    DWORD refs_ = 1;
};

// A block of bytes handed out by the loader (materials).
class ID3DXBuffer : public KavUnknown {
public:
    explicit ID3DXBuffer(size_t size) : bytes_(size) {}
    void* GetBufferPointer() { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() const { return DWORD(bytes_.size()); }

private:
    std::vector<unsigned char> bytes_;
};

class ID3DXMesh;

// The vertex data of a mesh, as a separate reference.
class IDirect3DVertexBuffer9 : public KavUnknown {
public:
    explicit IDirect3DVertexBuffer9(ID3DXMesh* mesh);
    // Offset and size in bytes; size 0 means to the end.
    HRESULT Lock(DWORD offset, DWORD size, void** data, DWORD flags);
    HRESULT Unlock();

private:
    ~IDirect3DVertexBuffer9() override;
    ID3DXMesh* mesh_;
};

class ID3DXMesh : public KavUnknown {
public:
    // An empty mesh of `numFaces` faces and `numVertices` vertices, all zero.
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, ID3DXMesh** out);

    DWORD GetFVF() const { return fvf_; }
    DWORD GetOptions() const { return options_; }
    DWORD GetNumVertices() const { return numVertices_; }
    DWORD GetNumFaces() const { return numFaces_; }
    DWORD GetNumBytesPerVertex() const { return stride_; }

    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** out);
    HRESULT LockVertexBuffer(DWORD flags, void** data);
    HRESULT UnlockVertexBuffer();
    // Three indices per face, 16-bit unless the mesh has D3DXMESH_32BIT.
    HRESULT LockIndexBuffer(DWORD flags, void** data);
    HRESULT UnlockIndexBuffer();
    // One subset number per face. Unlocking regroups the faces by subset.
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data);
    HRESULT UnlockAttributeBuffer();
    // With `table` null, only the number of entries is returned.
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) const;

    // A copy in another vertex format: shared elements are copied, new ones
    // are zero; faces and subsets stay.
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out) const;
    // Draws the faces of one subset on the current device (see d3d_hooks.h).
    HRESULT DrawSubset(DWORD attribId);

    // For the device: the data and its version, bumped by every unlock.
    const unsigned char* VertexData() const { return vertices_.data(); }
    const void* IndexData() const { return indices_.data(); }
    uint64_t Version() const { return version_; }
    // The index of corner `k` of face `f`.
    DWORD Index(DWORD f, int k) const;

private:
    ID3DXMesh() = default;
    void RebuildAttributeTable();
    void SortFacesByAttribute();

    DWORD fvf_ = 0, options_ = 0, stride_ = 0, numVertices_ = 0, numFaces_ = 0;
    std::vector<unsigned char> vertices_;
    std::vector<uint32_t> indices_;  // 16-bit meshes pack two indices per element
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
    uint64_t version_ = 1;
    int vertexLocks_ = 0;
};

class IDirect3DTexture9 : public KavUnknown {
public:
    explicit IDirect3DTexture9(QImage image) : image_(std::move(image)) {}
    const QImage& Image() const { return image_; }
    unsigned GetWidth() const { return unsigned(image_.width()); }
    unsigned GetHeight() const { return unsigned(image_.height()); }

private:
    QImage image_;  // RGBA8888
};

// Texture from an image file (BMP, PNG, JPEG, TGA). The name is CP932 as files
// store it; it is looked up like every stored path (see paths.h), relative to
// the current directory.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* file, IDirect3DTexture9** out);
// The same from an image already in memory.
HRESULT CreateTextureFromImage(const QImage& image, IDirect3DTexture9** out);

// Sphere centred on the origin, poles on the z axis, outward normals, faces
// clockwise seen from outside: 2 + slices * (stacks - 1) vertices.
HRESULT D3DXCreateSphere(IDirect3DDevice9* device, float radius, unsigned slices, unsigned stacks,
                         ID3DXMesh** mesh, ID3DXBuffer** adjacency);

// Loads an X file (path in the file system's encoding) as one mesh with one
// subset per material. On failure *why (when given) says what is wrong.
HRESULT D3DXLoadMeshFromXA(const char* filename, DWORD options, IDirect3DDevice9* device,
                           ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effects,
                           DWORD* numMaterials, ID3DXMesh** mesh, std::string* why = nullptr);

// Extra facts about the last successful load, for the diagnostics of kavtool.
struct XLoadFacts {
    std::string format;       // "text", "binary", "text (compressed)", ...
    int floatBits = 32;
    bool normalsComputed = false;
    bool hasTexCoords = false;
};
HRESULT LoadMeshFromXMemory(const unsigned char* data, size_t size, DWORD options, ID3DXBuffer** materials,
                            DWORD* numMaterials, ID3DXMesh** mesh, std::string* why, XLoadFacts* facts);
