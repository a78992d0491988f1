// Reader of DirectX X files: text and binary, 32- or 64-bit floats, plain or
// MSZIP-compressed ("tzip", "bzip").
//
// It reads Mesh, MeshNormals, MeshTextureCoords, MeshMaterialList, Material,
// TextureFilename, Frame and FrameTransformMatrix and skips everything else.
// The whole file becomes one mesh: every mesh is moved by its frames'
// matrices and appended, materials in file order with one subset each.
// Polygons become fans; a file vertex is split only where faces give it
// different normals; a mesh without normals gets smooth normals from its
// faces. Every count is checked against the bytes left, so a forged count
// cannot make it allocate more than the file could hold. A refusal always
// comes with a reason (Japanese, UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "xfile_types.h"

struct XVertex {
    float pos[3];
    float normal[3];
    float uv[2];
};

struct XMaterialData {
    D3DMATERIAL9 material;  // ambient zero: the file has none
    std::string texture;    // as written (CP932); empty = none
};

struct XMeshData {
    std::string format;  // "text", "binary", "text (compressed)", "binary (compressed)"
    int floatBits = 32;
    std::vector<XVertex> vertices;
    std::vector<uint32_t> indices;     // three per triangle
    std::vector<uint32_t> attributes;  // subset of each triangle, grouped in ascending order
    std::vector<XMaterialData> materials;
    bool hasTexCoords = false;
    bool normalsComputed = false;
    int meshCount = 0;
};

// Limits beyond those the file size implies.
constexpr int kXMaxDepth = 64;                          // nesting of objects
constexpr size_t kXMaxInflated = size_t(256) << 20;     // bytes after decompression

bool ReadXFile(const unsigned char* data, size_t size, XMeshData* out, std::string* why);
