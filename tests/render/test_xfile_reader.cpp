// The X-file reader: real files of other tools, every encoding of generated
// files, the merge rules, and refusals with reasons.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/xfile_reader.h"
#include "xgen.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string Shared(const char* name) { return std::string(KAV_TESTDATA_DIR) + "/x/" + name; }

bool Read(const std::string& bytes, XMeshData* out, std::string* why) {
    return ReadXFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out, why);
}

XMeshData MustRead(const std::string& bytes) {
    XMeshData x;
    std::string why;
    EXPECT_TRUE(Read(bytes, &x, &why)) << why;
    return x;
}

// Bitwise equality of geometry and subsets; materials bitwise too unless
// `colourTolerance` allows for colours a text file rounded.
void ExpectSameMesh(const XMeshData& a, const XMeshData& b, float colourTolerance = 0) {
    ASSERT_EQ(a.vertices.size(), b.vertices.size());
    EXPECT_EQ(0, std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(XVertex)));
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.attributes, b.attributes);
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (size_t i = 0; i < a.materials.size(); ++i) {
        const auto* x = reinterpret_cast<const float*>(&a.materials[i].material);
        const auto* y = reinterpret_cast<const float*>(&b.materials[i].material);
        for (size_t k = 0; k < sizeof(D3DMATERIAL9) / sizeof(float); ++k) {
            if (colourTolerance == 0) EXPECT_EQ(x[k], y[k]) << k;
            else EXPECT_NEAR(x[k], y[k], colourTolerance) << k;
        }
        EXPECT_EQ(a.materials[i].texture, b.materials[i].texture);
    }
    EXPECT_EQ(a.hasTexCoords, b.hasTexCoords);
    EXPECT_EQ(a.normalsComputed, b.normalsComputed);
}

// Every encoding of one generated file.
std::vector<std::pair<std::string, std::string>> Encodings(const XWriter& w) {
    return {{"text", w.Text()},
            {"text64", w.Text(64)},
            {"binary", w.Binary()},
            {"binary64", w.Binary(64)},
            {"tzip", Compress(w.Text(), 64)},
            {"bzip", Compress(w.Binary(), 50)}};
}

// A unit quad in z = 0 with face normals and UVs, two materials.
XMeshSpec Quads() {
    XMeshSpec m;
    m.pos = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 2, 0, 0, 2, 1, 0};
    m.faces = {{0, 1, 2, 3}, {3, 2, 5, 4}};
    m.normals = {0, 0, -1};
    m.normalFaces = {{0, 0, 0, 0}, {0, 0, 0, 0}};
    m.uv = {0, 1, 0, 0, 1, 0, 1, 1, 2, 1, 2, 0};
    m.numMaterials = 2;
    m.faceMaterials = {1, 0};
    return m;
}

XWriter QuadsFile() {
    XWriter w;
    WriteMeshHead(&w, Quads());
    WriteMaterial(&w, {1, 0, 0, 1}, "red.png");
    WriteMaterial(&w, {0, 1, 0, 0.5});
    w.Close().Close();
    return w;
}

}  // namespace

TEST(XReader, ReadsEveryFileOfOtherTools) {
    for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                             "kwxport_test_cubewithvcolors.x"}) {
        SCOPED_TRACE(name);
        const XMeshData x = MustRead(ReadAll(Shared(name)));
        EXPECT_EQ(x.vertices.size(), 24u);
        EXPECT_EQ(x.attributes.size(), 12u);
        EXPECT_FALSE(x.normalsComputed);
        EXPECT_TRUE(x.hasTexCoords);
    }
}

TEST(XReader, TheCubeGivesTheSameMeshInAllThreeEncodings) {
    const XMeshData text = MustRead(ReadAll(Shared("test_cube_text.x")));
    const XMeshData bin = MustRead(ReadAll(Shared("test_cube_binary.x")));
    const XMeshData zip = MustRead(ReadAll(Shared("test_cube_compressed.x")));
    EXPECT_EQ(text.format, "text");
    EXPECT_EQ(bin.format, "binary");
    EXPECT_EQ(zip.format, "binary (compressed)");
    // Blender wrote the text file's colours with six decimals, so they differ
    // from the binary file's floats in the seventh; the geometry is exact.
    ExpectSameMesh(text, bin, 1e-6f);
    ExpectSameMesh(bin, zip);
    // The root frame swaps Y and Z: file vertex 0 (-1, -1, 1), normal (0, -1, 0).
    EXPECT_EQ(text.vertices[0].pos[1], 1.0f);
    EXPECT_EQ(text.vertices[0].pos[2], -1.0f);
    EXPECT_EQ(text.vertices[0].normal[2], -1.0f);
}

TEST(XReader, KeepsMaterialsTexturesAndFrameTranslationOfKwXport) {
    const XMeshData x = MustRead(ReadAll(Shared("kwxport_test_cubewithvcolors.x")));
    ASSERT_EQ(x.materials.size(), 3u);
    EXPECT_EQ(x.materials[1].texture, "C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\top.tga");
    EXPECT_FLOAT_EQ(x.materials[1].material.Power, 52.999996f);
    EXPECT_EQ(x.attributes, (std::vector<uint32_t>{0, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2}));
    // y runs from 0 to 0.984252 in the file; the frame moves it down by 0.492126.
    float lo = 1e9f, hi = -1e9f;
    for (const XVertex& v : x.vertices) lo = std::min(lo, v.pos[1]), hi = std::max(hi, v.pos[1]);
    EXPECT_FLOAT_EQ(lo, -0.492126f);
    EXPECT_NEAR(hi, 0.492126f, 1e-6);
}

TEST(XReader, EveryEncodingOfAGeneratedFileGivesTheSameMesh) {
    const auto enc = Encodings(QuadsFile());
    const XMeshData first = MustRead(enc[0].second);
    for (const auto& [name, bytes] : enc) {
        SCOPED_TRACE(name);
        ExpectSameMesh(first, MustRead(bytes));
    }
    EXPECT_EQ(MustRead(enc[3].second).floatBits, 64);
}

TEST(XReader, PolygonsBecomeFansGroupedBySubsetWithWindingKept) {
    const XMeshData x = MustRead(QuadsFile().Text());
    // Face 1 (material 0) comes first, face 0 (material 1) after it.
    EXPECT_EQ(x.indices, (std::vector<uint32_t>{3, 2, 5, 3, 5, 4, 0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(x.attributes, (std::vector<uint32_t>{0, 0, 1, 1}));
    ASSERT_EQ(x.materials.size(), 2u);
    EXPECT_EQ(x.materials[0].texture, "red.png");
    EXPECT_EQ(x.materials[1].material.Diffuse.a, 0.5f);
    EXPECT_EQ(x.materials[0].material.Ambient.r, 0.0f);  // the file has no ambient colour
    EXPECT_EQ(x.vertices[4].uv[0], 2.0f);
}

TEST(XReader, SplitsAVertexOnlyWhereFacesGiveItDifferentNormals) {
    XMeshSpec m;
    m.pos = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    m.faces = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}};
    // Three normals, the first and third equal in value: vertex 0 splits once.
    m.normals = {0, 0, -1, -1, 0, 0, 0, 0, -1};
    m.normalFaces = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
    XWriter w;
    WriteMeshHead(&w, m);
    w.Close();
    const XMeshData x = MustRead(w.Text());
    // The file's vertices keep their places with the normal of their first
    // use; vertices 0 and 2 again with (-1, 0, 0), vertex 3 again with
    // (0, 0, -1) follow. Face 2 reuses vertex 0: normal 2 equals normal 0.
    ASSERT_EQ(x.vertices.size(), 7u);
    EXPECT_EQ(x.indices, (std::vector<uint32_t>{0, 1, 2, 4, 5, 3, 0, 6, 1}));
    EXPECT_EQ(x.vertices[4].normal[0], -1.0f);
    EXPECT_EQ(x.vertices[4].pos[0], 0.0f);
    EXPECT_EQ(x.vertices[5].pos[1], 1.0f);
    EXPECT_EQ(x.vertices[3].normal[0], -1.0f);
    EXPECT_EQ(x.vertices[6].pos[2], 1.0f);
    EXPECT_EQ(x.vertices[6].normal[2], -1.0f);
}

TEST(XReader, ComputesSmoothNormalsForAMeshWithoutThem) {
    XMeshSpec m;
    // Two triangles folded along the y axis; the shared edge gets the mean.
    m.pos = {0, 0, 0, 0, 1, 0, 1, 0, 0, -1, 0, -1};
    m.faces = {{0, 1, 2}, {0, 3, 1}};
    XWriter w;
    WriteMeshHead(&w, m);
    w.Close();
    const XMeshData x = MustRead(w.Text());
    EXPECT_TRUE(x.normalsComputed);
    // Face 0 clockwise seen from -z faces -z.
    EXPECT_FLOAT_EQ(x.vertices[2].normal[2], -1.0f);
    for (const XVertex& v : x.vertices)
        EXPECT_NEAR(std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]), 1.0,
                    1e-6);
    EXPECT_GT(x.vertices[0].normal[0], 0.0f);  // the mean leans towards face 1's normal
}

TEST(XReader, MergesMeshesThroughTheirFramesWithMaterialsInFileOrder) {
    XMeshSpec a;
    a.pos = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    a.faces = {{0, 1, 2}};
    a.normals = {0, 0, -1};
    a.normalFaces = {{0, 0, 0}};
    a.numMaterials = 1;
    a.faceMaterials = {0};
    XWriter w;
    WriteMaterial(&w, {0, 0, 1, 1}, "", "Blue");
    w.Open("Frame", "outer").Open("FrameTransformMatrix").Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1}).Close();
    w.Open("Frame", "inner").Open("FrameTransformMatrix").Floats({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 5, 0, 1}).Close();
    WriteMeshHead(&w, a, "first");
    w.Ref("Blue").Close().Close();
    w.Close().Close();
    XMeshSpec b = a;
    b.numMaterials = 2;
    b.faceMaterials = {1};
    WriteMeshHead(&w, b, "second");
    WriteMaterial(&w, {1, 0, 0, 1});
    w.Ref("Blue").Close().Close();
    for (const auto& [name, bytes] : Encodings(w)) {
        SCOPED_TRACE(name);
        const XMeshData x = MustRead(bytes);
        ASSERT_EQ(x.materials.size(), 3u);
        EXPECT_EQ(x.materials[0].material.Diffuse.b, 1.0f);
        EXPECT_EQ(x.materials[1].material.Diffuse.r, 1.0f);
        EXPECT_EQ(x.materials[2].material.Diffuse.b, 1.0f);
        EXPECT_EQ(x.attributes, (std::vector<uint32_t>{0, 2}));
        // Inner frame first (scale 2, up 5), then the outer one (right 10).
        EXPECT_EQ(x.vertices[1].pos[0], 10.0f);
        EXPECT_EQ(x.vertices[1].pos[1], 7.0f);
        EXPECT_EQ(x.vertices[1].normal[2], -1.0f);  // length kept under scaling
        EXPECT_EQ(x.vertices[4].pos[1], 1.0f);      // the second mesh has no frame
        EXPECT_EQ(x.meshCount, 2);
    }
}

TEST(XReader, AcceptsWhatExportersWrite) {
    const std::string head = "xof 0303txt 0032\n";
    const std::string tri = "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;\n";
    struct Case {
        const char* what;
        std::string file;
        std::function<void(const XMeshData&)> check;
    };
    const Case cases[] = {
        {"texture tag in any letter case",
         head + tri + "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TEXTUREFILENAME { \"a.bmp\"; } } } }",
         [](const XMeshData& x) { EXPECT_EQ(x.materials[0].texture, "a.bmp"); }},
        {"fewer face indexes than faces repeat the last",
         head + "Mesh { 4; 0;0;0;, 0;1;0;, 1;0;0;, 1;1;0;; 2; 3;0,1,2;, 3;1,3,2;;\n"
                "MeshMaterialList { 2; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material { 0;0;0;1;; 0; 0;0;0;; 0;0;0;; } } }",
         [](const XMeshData& x) { EXPECT_EQ(x.attributes, (std::vector<uint32_t>{1, 1})); }},
        {"comments, Visual C++ NaN and a top-level reference",
         head + "// made by hand\n# and this\n{ Nothing }\nMesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;\n"
                "MeshNormals { 1; 1.#QNAN0;0;-1;; 1; 3;0,0,0;; } }",
         [](const XMeshData& x) { EXPECT_TRUE(std::isnan(x.vertices[0].normal[0])); }},
        {"escaped backslashes and a CP932 name whose second byte is a backslash",
         head + tri + "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"C:\\\\\x95\\\\x.bmp\"; } } } }",
         [](const XMeshData& x) { EXPECT_EQ(x.materials[0].texture, "C:\\\x95\\\\x.bmp"); }},
        {"unknown objects, vertex colours and duplication indices are skipped",
         head + "Unknown { 1; \"}\"; Inner { 2; } }\n" + tri +
             "MeshVertexColors { 1; 0;1;0;0;1;;; } VertexDuplicationIndices { 3; 3; 0,1,2; } DeclData { 1; 2;0;3;0;; 1; 7; } }",
         [](const XMeshData& x) { EXPECT_EQ(x.vertices.size(), 3u); }},
        {"a mesh without a material list gets one white material",
         head + tri + "}",
         [](const XMeshData& x) {
             ASSERT_EQ(x.materials.size(), 1u);
             EXPECT_EQ(x.materials[0].material.Diffuse.g, 1.0f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XMeshData x;
        std::string why;
        ASSERT_TRUE(Read(c.file, &x, &why)) << why;
        c.check(x);
    }
}

TEST(XReader, RefusesBrokenFilesWithAReason) {
    const std::string head = "xof 0303txt 0032\n";
    std::string zipBad = Compress(QuadsFile().Text());
    zipBad[24] = 'X';  // the block signature
    std::string zipShort = Compress(QuadsFile().Text());
    zipShort[20] += 1;  // one byte more than the block holds
    std::string deep = head;
    for (int i = 0; i < 100; ++i) deep += "Frame {";
    std::string hugeBin = "xof 0303bin 0032";
    const uint16_t name = 1, list = 6;
    hugeBin.append(reinterpret_cast<const char*>(&name), 2);
    const uint32_t four = 4, huge = 0x3FFFFFFF;
    hugeBin.append(reinterpret_cast<const char*>(&four), 4);
    hugeBin += "Mesh";
    hugeBin += std::string("\x0a\x00", 2);
    hugeBin.append(reinterpret_cast<const char*>(&list), 2);
    hugeBin.append(reinterpret_cast<const char*>(&huge), 4);
    // A material whose reference brace holds a name token cut off two bytes
    // into it (found by the fuzzer: the reader used to spin on it).
    const std::string cutName(
        "xof 0303bin 0032\x01\x00\x08\x00\x00\x00Material\x01\x00\x04\x00\x00\x00"
        "Blue\x0a\x00\x07\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x3f\x00\x00"
        "\x80\x3f\x07\x00\x01\x00\x00\x00\x00\x00\x20\x41\x07\x00\x03\x00\x00\x00\x00\x00\x00\x3f\x00"
        "\x00\x00\x3f\x00\x00\x00\x3b\x07\x00\x03\x00\x00\x00\x61\x6d\x65\x01\x00\x01\x00\x00\x33\x00\x00"
        "\x66\x0a\x00\x01\x00\x14\x78",
        116);
    struct Case {
        const char* what;
        std::string file;
        const char* reason;  // a piece of the message
    } const cases[] = {
        {"binary name cut off in a reference", cutName, "参照が閉じていません"},
        {"not an X file", "PK\x03\x04 something else entirely", "xof"},
        {"unknown format", "xof 0303abcd0032", "abcd"},
        {"odd float size", "xof 0303txt 0016", "0016"},
        {"no mesh at all", head + "Frame { }", "メッシュがありません"},
        {"vertex index beyond the vertices", head + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,7;; }", "7"},
        {"forged vertex count", head + "Mesh { 4000000000; 0;0;0;; }", "4000000000"},
        {"forged list in a binary file", hugeBin, "超えて"},
        {"cut short", head + "Mesh { 3; 0;0;0;, 0;1;", "数値"},
        {"unknown material reference",
         head + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Nope } } }", "Nope"},
        {"material index beyond the materials",
         head + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 3;; } }", "材料番号"},
        {"normals for other faces",
         head + "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }", "法線"},
        {"nesting without end", deep, "入れ子"},
        {"damaged compressed block", zipBad, "圧縮"},
        {"compressed block shorter than it says", zipShort, "展開"},
        {"stray closing brace", head + "}", "}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XMeshData x;
        std::string why;
        EXPECT_FALSE(Read(c.file, &x, &why));
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_TRUE(x.vertices.empty());
    }
}

TEST(XReader, EveryCutOfAFileIsReadOrRefusedWithAReason) {
    const XWriter w = QuadsFile();
    for (const std::string& whole : {w.Text(), w.Binary(), Compress(w.Binary(), 40)}) {
        for (size_t n = 0; n < whole.size(); ++n) {
            XMeshData x;
            std::string why;
            if (!Read(whole.substr(0, n), &x, &why)) {
                EXPECT_FALSE(why.empty()) << n;
            }
        }
    }
}
