// kavtool x FILE.x [--json]: what the editor makes of an X file, to find out
// why a part shows no mesh or no texture. Exit 0 for a file the editor reads,
// 1 with the reason for one it refuses, 2 for a wrong command line.
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx_mesh.h"
#include "platform/paths.h"
#include "platform/sjis.h"

namespace {

std::string Utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

QJsonArray Json(const D3DXVECTOR3& v) { return {double(v.x), double(v.y), double(v.z)}; }

struct Subset {
    D3DMATERIAL9 material;
    QString texture;  // converted from CP932; empty = none
    bool found = false, loads = false;
    DWORD faces = 0;
};

}  // namespace

int KavtoolXCommand(int argc, char** argv) {
    bool json = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) json = true;
        else if (!path) path = argv[i];
        else path = nullptr, argc = -1;
    }
    if (!path || argc < 0) {
        std::fputs("usage: kavtool x FILE.x [--json]\n", stderr);
        return 2;
    }
    QFile f(LocalToQString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kavtool: %s: ファイルを開けません\n", path);
        return 1;
    }
    const QByteArray bytes = f.readAll();
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    std::string why;
    XLoadFacts facts;
    if (FAILED(LoadMeshFromXMemory(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()),
                                   D3DXMESH_MANAGED, &materials, &count, &mesh, &why, &facts))) {
        std::fprintf(stderr, "kavtool: %s: %s\n", path, why.c_str());
        return 1;
    }

    std::vector<Subset> subsets(count);
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        subsets[i].material = m[i].MatD3D;
        if (!m[i].pTextureFilename) continue;
        // Looked up as the editor does: relative to the current directory.
        subsets[i].texture = SjisToQString(m[i].pTextureFilename);
        subsets[i].found = QFileInfo(ResolveStoredPath(m[i].pTextureFilename)).isFile();
        IDirect3DTexture9* t = nullptr;
        subsets[i].loads = SUCCEEDED(D3DXCreateTextureFromFileA(nullptr, m[i].pTextureFilename, &t));
        if (t) t->Release();
    }
    DWORD ranges = 0;
    mesh->GetAttributeTable(nullptr, &ranges);
    std::vector<D3DXATTRIBUTERANGE> table(ranges);
    mesh->GetAttributeTable(table.data(), &ranges);
    for (const D3DXATTRIBUTERANGE& r : table)
        if (r.AttribId < count) subsets[r.AttribId].faces += r.FaceCount;

    void* v;
    mesh->LockVertexBuffer(0, &v);
    D3DXVECTOR3 lo, hi, center;
    float radius;
    D3DXComputeBoundingBox(static_cast<const D3DXVECTOR3*>(v), mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(),
                           &lo, &hi);
    D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(v), mesh->GetNumVertices(),
                              mesh->GetNumBytesPerVertex(), &center, &radius);
    mesh->UnlockVertexBuffer();
    const DWORD vertices = mesh->GetNumVertices(), faces = mesh->GetNumFaces();
    mesh->Release();
    materials->Release();

    if (json) {
        QJsonArray subs;
        for (const Subset& s : subsets) {
            const D3DCOLORVALUE& d = s.material.Diffuse;
            QJsonObject o{{QStringLiteral("diffuse"), QJsonArray{d.r, d.g, d.b, d.a}},
                          {QStringLiteral("power"), s.material.Power},
                          {QStringLiteral("texture"), s.texture.isEmpty() ? QJsonValue() : QJsonValue(s.texture)},
                          {QStringLiteral("texture_found"), s.found},
                          {QStringLiteral("texture_loads"), s.loads},
                          {QStringLiteral("faces"), double(s.faces)}};
            subs.append(o);
        }
        const QJsonObject doc{
            {QStringLiteral("format"), QString::fromStdString(facts.format)},
            {QStringLiteral("float_bits"), facts.floatBits},
            {QStringLiteral("vertices"), double(vertices)},
            {QStringLiteral("faces"), double(faces)},
            {QStringLiteral("texture_coordinates"), facts.hasTexCoords},
            {QStringLiteral("normals_computed"), facts.normalsComputed},
            {QStringLiteral("subsets"), subs},
            {QStringLiteral("bbox"), QJsonObject{{QStringLiteral("max"), Json(hi)}, {QStringLiteral("min"), Json(lo)}}},
            {QStringLiteral("sphere"),
             QJsonObject{{QStringLiteral("center"), Json(center)}, {QStringLiteral("radius"), double(radius)}}},
        };
        std::printf("%s", QJsonDocument(doc).toJson(QJsonDocument::Indented).constData());
        return 0;
    }
    std::printf("format: %s, %d-bit floats\n", facts.format.c_str(), facts.floatBits);
    std::printf("vertices: %u\nfaces: %u (triangles)\n", vertices, faces);
    std::printf("normals: %s\n", facts.normalsComputed ? "computed from the faces" : "from the file");
    std::printf("texture coordinates: %s\n", facts.hasTexCoords ? "yes" : "no");
    std::printf("bbox: max (%g %g %g) min (%g %g %g)\n", hi.x, hi.y, hi.z, lo.x, lo.y, lo.z);
    std::printf("sphere: center (%g %g %g) radius %g\n", center.x, center.y, center.z, radius);
    std::printf("subsets: %u\n", count);
    for (DWORD i = 0; i < count; ++i) {
        const Subset& s = subsets[i];
        const D3DCOLORVALUE& d = s.material.Diffuse;
        std::printf("  %u: %u faces, diffuse (%g %g %g %g), power %g", i, s.faces, d.r, d.g, d.b, d.a,
                    s.material.Power);
        if (s.texture.isEmpty()) std::printf(", no texture\n");
        else
            std::printf(", texture %s (%s)\n", Utf8(s.texture).c_str(),
                        s.loads ? "found" : s.found ? "found, cannot be read" : "not found");
    }
    return 0;
}
