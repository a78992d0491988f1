// Second opinion: assimp reads the same files to the same triangles (positions,
// normals, UVs, winding), materials and subsets, compared as multisets.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/xfile_reader.h"
#include "xgen.h"

namespace {

// One triangle as text: its material, then its corners from the smallest
// one on, so that winding counts and the starting corner does not.
using Triangles = std::vector<std::string>;

std::string Corner(const float* p, const float* n, const float* uv) {
    char b[200];
    auto r = [](float v) { return std::fabs(v) < 5e-5f ? 0.0f : v; };  // -0 and tiny values alike
    std::snprintf(b, sizeof b, "(%.4f %.4f %.4f | %.4f %.4f %.4f | %.4f %.4f)", r(p[0]), r(p[1]), r(p[2]), r(n[0]),
                  r(n[1]), r(n[2]), r(uv[0]), r(uv[1]));
    return b;
}

std::string Triangle(const std::string& material, std::string c[3]) {
    const int first = int(std::min_element(c, c + 3) - c);
    return material + " " + c[first] + c[(first + 1) % 3] + c[(first + 2) % 3];
}

std::string Material(float r, float g, float b, float a, const std::string& texture) {
    char s[300];
    std::snprintf(s, sizeof s, "[%.4f %.4f %.4f %.4f %s]", r, g, b, a, texture.c_str());
    return s;
}

Triangles Ours(const std::string& bytes) {
    XMeshData x;
    std::string why;
    EXPECT_TRUE(ReadXFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &x, &why)) << why;
    Triangles t;
    for (size_t f = 0; f < x.attributes.size(); ++f) {
        const XMaterialData& m = x.materials[x.attributes[f]];
        const D3DCOLORVALUE& d = m.material.Diffuse;
        std::string c[3];
        for (int k = 0; k < 3; ++k) {
            const XVertex& v = x.vertices[x.indices[f * 3 + size_t(k)]];
            c[k] = Corner(v.pos, v.normal, v.uv);
        }
        t.push_back(Triangle(Material(d.r, d.g, d.b, d.a, m.texture), c));
    }
    std::sort(t.begin(), t.end());
    return t;
}

Triangles Theirs(const std::string& bytes) {
    Assimp::Importer imp;
    const aiScene* s = imp.ReadFileFromMemory(bytes.data(), bytes.size(),
                                              aiProcess_ConvertToLeftHanded | aiProcess_PreTransformVertices |
                                                  aiProcess_JoinIdenticalVertices | aiProcess_Triangulate,
                                              "x");
    EXPECT_NE(s, nullptr) << imp.GetErrorString();
    Triangles t;
    if (!s) return t;
    for (unsigned mi = 0; mi < s->mNumMeshes; ++mi) {
        const aiMesh* m = s->mMeshes[mi];
        const aiMaterial* mat = s->mMaterials[m->mMaterialIndex];
        aiColor4D d(0, 0, 0, 0);
        mat->Get(AI_MATKEY_COLOR_DIFFUSE, d);
        aiString tex;
        mat->GetTexture(aiTextureType_DIFFUSE, 0, &tex);
        const std::string material = Material(d.r, d.g, d.b, d.a, tex.C_Str());
        for (unsigned f = 0; f < m->mNumFaces; ++f) {
            if (m->mFaces[f].mNumIndices != 3) continue;
            std::string c[3];
            for (int k = 0; k < 3; ++k) {
                const unsigned i = m->mFaces[f].mIndices[k];
                const float p[3] = {m->mVertices[i].x, m->mVertices[i].y, m->mVertices[i].z};
                float n[3] = {0, 0, 0}, uv[2] = {0, 0};
                if (m->mNormals) n[0] = m->mNormals[i].x, n[1] = m->mNormals[i].y, n[2] = m->mNormals[i].z;
                if (m->mTextureCoords[0]) uv[0] = m->mTextureCoords[0][i].x, uv[1] = m->mTextureCoords[0][i].y;
                c[k] = Corner(p, n, uv);
            }
            t.push_back(Triangle(material, c));
        }
    }
    std::sort(t.begin(), t.end());
    return t;
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> Encoded(const XWriter& w) {
    // assimp takes compressed files only in the standard 32 KB blocks (ours
    // takes any size), so the blocks here are standard.
    return {w.Text(), w.Binary(), w.Binary(64), Compress(w.Text()), Compress(w.Binary())};
}

// The corners of the triangles, each once: what survives any triangulation.
std::set<std::string> Corners(const Triangles& t) {
    std::set<std::string> c;
    for (const std::string& s : t) {
        const size_t m = s.find("] ") + 2;
        for (size_t a = s.find('(', m); a != std::string::npos; a = s.find('(', a + 1))
            c.insert(s.substr(0, m) + s.substr(a, s.find(')', a) - a + 1));
    }
    return c;
}

}  // namespace

TEST(XAgainstAssimp, FilesOfOtherToolsGiveTheSameTriangles) {
    for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                             "kwxport_test_cubewithvcolors.x"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadAll(std::string(KAV_TESTDATA_DIR) + "/x/" + name);
        EXPECT_EQ(Ours(bytes), Theirs(bytes));
    }
}

TEST(XAgainstAssimp, GeneratedFilesGiveTheSameTriangles) {
    // Split normals, UVs, two materials, a turned and moved frame.
    XMeshSpec m;
    m.pos = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 2, 0, 0, 2, 1, 0};
    m.faces = {{0, 1, 2}, {0, 2, 3}, {3, 2, 5}, {3, 5, 4}};
    m.normals = {0, 0, -1, 0.6, 0, -0.8};
    m.normalFaces = {{0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}};
    m.uv = {0, 1, 0, 0, 1, 0, 1, 1, 2, 1, 2, 0};
    m.numMaterials = 2;
    m.faceMaterials = {1, 1, 0, 0};
    XWriter w;
    w.Open("Frame", "f").Open("FrameTransformMatrix").Floats({0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 3, 2, 1, 1}, 16).Close();
    WriteMeshHead(&w, m);
    WriteMaterial(&w, {1, 0, 0, 1}, "red.png");
    WriteMaterial(&w, {0, 1, 0, 0.5});
    w.Close().Close().Close();
    // A wavy grid with unit normals (assimp normalises them, we keep what the
    // file says), big enough for several compressed blocks. In a file of its
    // own: assimp puts top-level meshes that follow a frame under that frame.
    XWriter big;
    XMeshSpec g;
    const int n = 60;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double h = std::sin(x * 0.3) * std::cos(y * 0.2);
            g.pos.insert(g.pos.end(), {x * 0.1, h, y * 0.1});
            const double nx = -0.3 * std::cos(x * 0.3), nz = 0.2 * std::sin(y * 0.2), l = std::sqrt(nx * nx + 1 + nz * nz);
            g.normals.insert(g.normals.end(), {nx / l, 1 / l, nz / l});
            g.uv.insert(g.uv.end(), {x / double(n), y / double(n)});
        }
    for (uint32_t y = 0; y + 1 < n; ++y)
        for (uint32_t x = 0; x + 1 < n; ++x) {
            const uint32_t a = y * n + x;
            g.faces.push_back({a, a + n, a + n + 1});
            g.faces.push_back({a, a + n + 1, a + 1});
        }
    g.normalFaces = g.faces;
    g.numMaterials = 1;
    g.faceMaterials = {0};
    WriteMeshHead(&big, g, "grid");
    WriteMaterial(&big, {0.2, 0.4, 0.6, 1});
    big.Close().Close();
    for (const XWriter* file : {&w, &big})
        for (const std::string& bytes : Encoded(*file)) {
            SCOPED_TRACE(bytes.substr(0, 16));
            const Triangles ours = Ours(bytes), theirs = Theirs(bytes);
            EXPECT_EQ(ours.size(), theirs.size());
            EXPECT_TRUE(ours == theirs) << "first difference: "
                                        << *std::mismatch(ours.begin(), ours.end(), theirs.begin(), theirs.end()).first;
        }
}

TEST(XAgainstAssimp, PolygonsKeepTheirCornersHoweverTheyAreCut) {
    // assimp cuts polygons by ear clipping, the editor's loader fans them from
    // the first corner; both keep every corner with its normal and UV.
    XMeshSpec m;
    m.pos = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 3, 0.5, 0};
    m.faces = {{0, 1, 2, 3}, {3, 2, 4}, {0, 3, 4, 2, 1}};
    m.normals = {0, 0, -1};
    m.normalFaces = {{0, 0, 0, 0}, {0, 0, 0}, {0, 0, 0, 0, 0}};
    m.uv = {0, 1, 0, 0, 1, 0, 1, 1, 2, 1};
    // With a material of its own: the default material is each program's choice.
    m.numMaterials = 1;
    m.faceMaterials = {0, 0, 0};
    XWriter w;
    WriteMeshHead(&w, m);
    WriteMaterial(&w, {0.2, 0.4, 0.6, 1});
    w.Close().Close();
    for (const std::string& bytes : Encoded(w)) {
        SCOPED_TRACE(bytes.substr(0, 16));
        const Triangles ours = Ours(bytes), theirs = Theirs(bytes);
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_EQ(Corners(ours), Corners(theirs));
    }
}
