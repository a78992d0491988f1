// Part meshes: loading with materials and textures, drawing order, stored
// relative paths, bounds and marker, reloads, refusals with notices.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstring>
#include <fstream>

#include "platform/d3d_hooks.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/sjis.h"
#include "render/meshes.h"
#include "render/outline.h"
#include "render/toon.h"
#include "xgen.h"

namespace {

struct RecordingHook : DeviceHook {
    std::vector<std::string> calls;
    void SetMaterial(const D3DMATERIAL9* m) override {
        calls.push_back("material " + std::to_string(m->Diffuse.r) + " ambient " + std::to_string(m->Ambient.r));
    }
    void SetTexture(DWORD stage, IDirect3DTexture9* t) override {
        calls.push_back("texture " + std::to_string(stage) + (t ? " set" : " none"));
    }
    void DrawSubset(ID3DXMesh*, DWORD i) override { calls.push_back("draw " + std::to_string(i)); }
};

struct RecordingPrompter : Prompter {
    QStringList texts, captions;
    int Message(const QString& text, const QString& caption, int) override {
        texts << text;
        captions << caption;
        return IDOK;
    }
};

void WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

// A triangle pair spanning x from -1 to 2, three materials; the second names
// a texture that does not exist, the others one that does.
std::string ThreeMaterials() {
    XMeshSpec m;
    m.pos = {-1, 0, 0, 0, 1, 0, 2, 0, 0, 0, -1, 3};
    m.faces = {{0, 1, 2}, {0, 2, 3}, {1, 3, 2}};
    m.normals = {0, 0, -1};
    m.normalFaces = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    m.numMaterials = 3;
    m.faceMaterials = {0, 1, 2};
    XWriter w;
    WriteMeshHead(&w, m);
    WriteMaterial(&w, {0.25, 0, 0, 1}, "skin.png");
    WriteMaterial(&w, {0.5, 0, 0, 1}, "missing.png");
    WriteMaterial(&w, {0.75, 0, 0, 1}, "SKIN.PNG");
    w.Close().Close();
    return w.Text();
}

class PartMeshes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        old_ = QDir::currentPath();
        root_ = QFileInfo(tmp_.path()).canonicalFilePath();
        ASSERT_TRUE(QDir(root_).mkpath(QStringLiteral("work")));
        ASSERT_TRUE(QDir(root_).mkpath(QStringLiteral("models")));
        QDir::setCurrent(root_ + QStringLiteral("/work"));
        RememberStartDirectory();
        QImage img(2, 2, QImage::Format_RGB32);
        img.fill(Qt::red);
        // Textures are found relative to the start directory, not the X file.
        ASSERT_TRUE(img.save(root_ + QStringLiteral("/work/skin.png")));
        WriteFile(root_ + QStringLiteral("/models/arm.x"), ThreeMaterials());
        live_ = KavUnknown::Live();
        oldPrompter_ = SetPrompter(&prompter_);
        std::memset(static_cast<void*>(&part_), 0, sizeof part_);
        D3DXMatrixIdentity(&part_.mRot);
    }
    void TearDown() override {
        ReleasePartMeshes(&part_);
        ReleaseRamp();
        EXPECT_EQ(KavUnknown::Live(), live_) << "meshes or textures left alive";
        SetPrompter(oldPrompter_);
        SetDeviceHook(nullptr);
        QDir::setCurrent(old_);
    }
    void Choose(const QString& path) {
        std::memset(FullFileName, 0, sizeof FullFileName);
        const std::string local = QStringToLocal(path);
        std::strncpy(FullFileName, local.c_str(), sizeof FullFileName - 1);
    }

    QTemporaryDir tmp_;
    QString old_, root_;
    long live_ = 0;
    RecordingPrompter prompter_;
    Prompter* oldPrompter_ = nullptr;
    MOTIONOBJ part_;
};

}  // namespace

TEST_F(PartMeshes, ThreeMaterialsWithOneMissingTextureDrawThreeSubsetsTheSecondUntextured) {
    XFILE x{};
    ASSERT_EQ(LoadMesh(&x, QStringToLocal(root_ + QStringLiteral("/models/arm.x")).c_str()), S_OK);
    ASSERT_EQ(x.dwNumMaterials, 3u);
    EXPECT_NE(x.pTextures[0], nullptr);
    EXPECT_EQ(x.pTextures[1], nullptr);
    EXPECT_NE(x.pTextures[2], nullptr);  // SKIN.PNG found case-blind
    for (DWORD i = 0; i < 3; ++i) {
        EXPECT_EQ(0, std::memcmp(&x.pMaterials[i].Ambient, &x.pMaterials[i].Diffuse, sizeof(D3DCOLORVALUE)));
    }
    RecordingHook hook;
    SetDeviceHook(&hook);
    DrawMesh(&x);
    const std::vector<std::string> want = {
        "material 0.250000 ambient 0.250000", "texture 0 set",  "draw 0",
        "material 0.500000 ambient 0.500000", "texture 0 none", "draw 1",
        "material 0.750000 ambient 0.750000", "texture 0 set",  "draw 2"};
    EXPECT_EQ(hook.calls, want);
    ReleaseMesh(&x);
    EXPECT_EQ(x.lpMesh, nullptr);
    ReleaseMesh(&x);  // an empty record is left alone
    hook.calls.clear();
    DrawMesh(&x);
    EXPECT_TRUE(hook.calls.empty());
}

TEST(StoredRelativePath, IsWrittenWithBackslashesFromTheStartDirectory) {
    struct Case {
        const char* from;
        const char* to;
        const char* stored;
    } const cases[] = {
        {"/w/work", "/w/work/body.x", ".\\body.x"},
        {"/w/work", "/w/models/arm.x", "..\\models\\arm.x"},
        {"/w/work", "/w/work/sub/leg.x", ".\\sub\\leg.x"},
        {"/w/a/b/c", "/w/x.x", "..\\..\\..\\x.x"},
        {"/w/work", "/w/workshop/x.x", "..\\workshop\\x.x"},
        {"/", "/top.x", ".\\top.x"},
    };
    for (const Case& c : cases) {
        std::string out;
        ASSERT_TRUE(StoredRelativePath(c.from, c.to, &out)) << c.to;
        EXPECT_EQ(out, c.stored);
    }
    std::string out;
    ASSERT_TRUE(StoredRelativePath("/w", "/w/腕.x", &out));
    EXPECT_EQ(out, ".\\\x98\x72.x");  // CP932
    EXPECT_FALSE(StoredRelativePath("/w", "/w/😀.x", &out));
    EXPECT_FALSE(StoredRelativePath("/w", ("/w/" + std::string(260, 'a') + ".x").c_str(), &out));
}

TEST_F(PartMeshes, XFileLoadStoresThePathBoundsMarkerAndHull) {
    Choose(root_ + QStringLiteral("/models/arm.x"));
    XFileLoad(&part_);
    EXPECT_STREQ(part_.XName, "..\\models\\arm.x");
    ASSERT_NE(part_.Mesh.lpMesh, nullptr);
    EXPECT_EQ(part_.Mesh.lpMesh->GetFVF(), kToonFVF);
    EXPECT_EQ(part_.EdgeMesh.lpMesh->GetFVF(), kShadowFVF);
    // The largest corner first.
    EXPECT_EQ(part_.BBox.vMax.x, 2.0f);
    EXPECT_EQ(part_.BBox.vMin.x, -1.0f);
    EXPECT_EQ(part_.BBox.vMax.z, 3.0f);
    EXPECT_EQ(part_.BSphere.vCenter.x, 0.25f);
    ASSERT_NE(part_.Sphere.lpMesh, nullptr);
    EXPECT_EQ(part_.Sphere.lpMesh->GetNumVertices(), 2u + 15u * 14u);
    const D3DMATERIAL9& m = part_.Sphere.pMaterials[0];
    EXPECT_EQ(m.Diffuse.a, 0.7f);
    EXPECT_EQ(m.Ambient.a, 0.7f);
    EXPECT_EQ(m.Emissive.r, 0.1f);
    EXPECT_EQ(m.Power, 120.0f);
    EXPECT_TRUE(prompter_.texts.isEmpty());

    // A file in the start directory, loaded over the first: one marker, one
    // hull, nothing else left alive (checked when the part is released).
    WriteFile(root_ + QStringLiteral("/work/body.x"), ThreeMaterials());
    Choose(root_ + QStringLiteral("/work/body.x"));
    const long before = KavUnknown::Live();
    XFileLoad(&part_);
    EXPECT_STREQ(part_.XName, ".\\body.x");
    EXPECT_EQ(KavUnknown::Live(), before);
}

TEST_F(PartMeshes, XFileDeleteTakesTheMeshAwayAndResetsTheRotation) {
    Choose(root_ + QStringLiteral("/models/arm.x"));
    XFileLoad(&part_);
    D3DXMatrixRotationY(&part_.mRot, 1.0f);
    const BBOX box = part_.BBox;
    XFileDelete(&part_);
    EXPECT_EQ(part_.Mesh.lpMesh, nullptr);
    EXPECT_EQ(part_.EdgeMesh.lpMesh, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&part_.mRot));
    EXPECT_EQ(part_.XName[0], 0);
    EXPECT_EQ(part_.BBox.vMax.x, box.vMax.x);  // bounds and marker stay
    EXPECT_NE(part_.Sphere.lpMesh, nullptr);
}

TEST_F(PartMeshes, AnUnreadableFileLeavesThePartWithoutAMeshAndSaysWhichAndWhy) {
    Choose(root_ + QStringLiteral("/models/arm.x"));
    XFileLoad(&part_);
    WriteFile(root_ + QStringLiteral("/work/broken.x"), "xof 0303txt 0032\nMesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,9;; }");
    Choose(root_ + QStringLiteral("/work/broken.x"));
    XFileLoad(&part_);
    EXPECT_EQ(part_.Mesh.lpMesh, nullptr);
    EXPECT_EQ(part_.EdgeMesh.lpMesh, nullptr);
    EXPECT_EQ(part_.XName[0], 0);
    ASSERT_EQ(prompter_.texts.size(), 1);
    EXPECT_TRUE(prompter_.texts[0].contains(QStringLiteral("broken.x")));
    EXPECT_TRUE(prompter_.texts[0].contains(QStringLiteral("頂点番号 9")));
    EXPECT_EQ(prompter_.captions[0], QStringLiteral("読込失敗"));
}

TEST_F(PartMeshes, APathThatCannotBeStoredChangesNothing) {
    Choose(root_ + QStringLiteral("/models/arm.x"));
    XFileLoad(&part_);
    ID3DXMesh* before = part_.Mesh.lpMesh;
    const QString odd = root_ + QStringLiteral("/work/😀.x");
    WriteFile(odd, ThreeMaterials());
    Choose(odd);
    XFileLoad(&part_);
    EXPECT_EQ(part_.Mesh.lpMesh, before);
    EXPECT_STREQ(part_.XName, "..\\models\\arm.x");
    ASSERT_EQ(prompter_.texts.size(), 1);
}

TEST_F(PartMeshes, LoadPartMeshesTellsLoadedMissingAndUnreadableApart) {
    WriteFile(root_ + QStringLiteral("/work/bad.x"), "xof 0303bin 0032\x01\x00");
    struct Case {
        const char* xname;
        ModLoadView::MeshResult result;
        bool hasMesh;
    } const cases[] = {
        {"..\\MODELS\\Arm.X", ModLoadView::MeshLoaded, true},
        {".\\nothing.x", ModLoadView::MeshMissing, false},
        {".\\bad.x", ModLoadView::MeshUnreadable, false},
        {"", ModLoadView::MeshLoaded, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xname);
        SjisCopyField(part_.XName, sizeof part_.XName, c.xname);
        QString why;
        EXPECT_EQ(LoadPartMeshes(&part_, &why), c.result);
        EXPECT_EQ(part_.Mesh.lpMesh != nullptr, c.hasMesh);
        EXPECT_EQ(part_.EdgeMesh.lpMesh != nullptr, c.hasMesh);
        EXPECT_EQ(why.isEmpty(), c.result != ModLoadView::MeshUnreadable) << why.toStdString();
        if (c.hasMesh) {
            EXPECT_EQ(part_.Mesh.lpMesh->GetFVF(), kToonFVF);
        }
    }
    EXPECT_TRUE(prompter_.texts.isEmpty());  // the file reader reports these in its own message
}

TEST(MarkerSphere, HasOutwardNormalsAndClockwiseFrontFaces) {
    ID3DXMesh* m;
    ASSERT_EQ(D3DXCreateSphere(nullptr, 0.1f, 15, 15, &m, nullptr), S_OK);
    EXPECT_EQ(m->GetNumFaces(), 2u * 15u * 14u);
    float* v;
    m->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    for (DWORD f = 0; f < m->GetNumFaces(); ++f) {
        const float* a = v + 6 * m->Index(f, 0);
        const float* b = v + 6 * m->Index(f, 1);
        const float* c = v + 6 * m->Index(f, 2);
        const D3DXVECTOR3 pa(a[0], a[1], a[2]), u = D3DXVECTOR3(b[0], b[1], b[2]) - pa,
            w = D3DXVECTOR3(c[0], c[1], c[2]) - pa;
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &u, &w);  // towards the viewer for clockwise faces
        EXPECT_GT(D3DXVec3Dot(&n, &pa), 0.0f) << f;
    }
    for (DWORD i = 0; i < m->GetNumVertices(); ++i) {
        const D3DXVECTOR3 p(v[6 * i], v[6 * i + 1], v[6 * i + 2]);
        EXPECT_NEAR(D3DXVec3Length(&p), 0.1f, 1e-6f);
    }
    m->UnlockVertexBuffer();
    m->Release();
}
