// Part meshes (see meshes.h).
#include "meshes.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

#include "outline.h"
#include "platform/d3d_hooks.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/sjis.h"

HRESULT LoadMesh(XFILE* x, const char* path, QString* why) {
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    std::string reason;
    x->lpMesh = nullptr;
    const HRESULT hr = D3DXLoadMeshFromXA(path, D3DXMESH_MANAGED, CurrentDeviceHook()->Device(), nullptr, &materials,
                                          nullptr, &count, &x->lpMesh, &reason);
    if (FAILED(hr) || !x->lpMesh) {
        if (materials) materials->Release();
        x->lpMesh = nullptr;
        if (why) *why = QString::fromUtf8(reason.data(), qsizetype(reason.size()));
        return FAILED(hr) ? hr : E_FAIL;
    }
    x->dwNumMaterials = count;
    x->pMaterials = new D3DMATERIAL9[count];
    x->pTextures = new IDirect3DTexture9*[count];
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        x->pMaterials[i] = m[i].MatD3D;
        // The file's ambient colour is never used: lit parts take their diffuse colour.
        x->pMaterials[i].Ambient = x->pMaterials[i].Diffuse;
        x->pTextures[i] = nullptr;
        if (m[i].pTextureFilename && *m[i].pTextureFilename &&
            FAILED(D3DXCreateTextureFromFileA(CurrentDeviceHook()->Device(), m[i].pTextureFilename, &x->pTextures[i])))
            x->pTextures[i] = nullptr;
    }
    materials->Release();
    return S_OK;
}

void ReleaseMesh(XFILE* x) {
    if (!x->lpMesh) return;
    delete[] x->pMaterials;
    for (DWORD i = 0; i < x->dwNumMaterials; ++i)
        if (x->pTextures[i]) x->pTextures[i]->Release();
    delete[] x->pTextures;
    x->lpMesh->Release();
    x->lpMesh = nullptr;
}

void DrawMesh(XFILE* x) {
    if (!x->lpMesh) return;
    DeviceHook* d = CurrentDeviceHook();
    for (DWORD i = 0; i < x->dwNumMaterials; ++i) {
        d->SetMaterial(&x->pMaterials[i]);
        d->SetTexture(0, x->pTextures[i]);
        x->lpMesh->DrawSubset(i);
    }
}

// The marker sphere record holds a mesh and one material, nothing else.
static void ReleaseMarker(MOTIONOBJ* part) {
    if (!part->Sphere.lpMesh) return;
    part->Sphere.lpMesh->Release();
    part->Sphere.lpMesh = nullptr;
    delete[] part->Sphere.pMaterials;
    part->Sphere.pMaterials = nullptr;
}

HRESULT InitBBox(IDirect3DDevice9* device, MOTIONOBJ* part) {
    if (!part->Mesh.lpMesh) return E_FAIL;
    IDirect3DVertexBuffer9* vb = nullptr;
    if (FAILED(part->Mesh.lpMesh->GetVertexBuffer(&vb))) return E_FAIL;
    void* data = nullptr;
    if (FAILED(vb->Lock(0, 0, &data, 0))) {
        vb->Release();
        return E_FAIL;
    }
    const DWORD count = part->Mesh.lpMesh->GetNumVertices();
    const DWORD stride = D3DXGetFVFVertexSize(part->Mesh.lpMesh->GetFVF());
    const auto* first = static_cast<const D3DXVECTOR3*>(data);
    D3DXVECTOR3 center, vMin, vMax;
    float radius;
    HRESULT r = D3DXComputeBoundingSphere(first, count, stride, &center, &radius);
    const HRESULT box = D3DXComputeBoundingBox(first, count, stride, &vMin, &vMax);
    vb->Unlock();
    vb->Release();
    if (FAILED(r)) return r;
    // A box that could not be computed would leave garbage in BBox.
    if (FAILED(box)) return box;
    part->BSphere.vCenter = center;
    part->BSphere.fRadius = radius;
    part->BBox.vMax = vMax;
    part->BBox.vMin = vMin;

    ReleaseMarker(part);
    r = D3DXCreateSphere(device, 0.1f, 15, 15, &part->Sphere.lpMesh, nullptr);
    if (FAILED(r)) return r;
    D3DMATERIAL9* m = new D3DMATERIAL9[1]{};
    m->Diffuse = {1.0f, 1.0f, 1.0f, 0.7f};
    m->Ambient = m->Diffuse;
    m->Specular = {1.0f, 1.0f, 1.0f, 0.0f};
    m->Emissive = {0.1f, 0.1f, 0.1f, 0.0f};
    m->Power = 120.0f;
    part->Sphere.pMaterials = m;
    return S_OK;
}

bool StoredRelativePath(const char* fromDir, const char* toFile, std::string* out) {
    out->clear();
    auto canonical = [](const QString& p) {
        const QString c = QFileInfo(p).canonicalFilePath();
        return QDir::cleanPath(c.isEmpty() ? QDir(p).absolutePath() : c);
    };
    const QString from = canonical(LocalToQString(fromDir));
    // The file's folder, so that a file not yet written still gets a path.
    const QFileInfo fi(LocalToQString(toFile));
    const QString to = QDir::cleanPath(canonical(fi.absolutePath()) + QLatin1Char('/') + fi.fileName());
    const QStringList a = from.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList b = to.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < a.size() && common + 1 < b.size() && a[common] == b[common]) ++common;
    QString rel = common == a.size() ? QStringLiteral(".\\") : QString();
    for (qsizetype i = common; i < a.size(); ++i) rel += QStringLiteral("..\\");
    rel += b.mid(common).join(QLatin1Char('\\'));
    std::string sjis;
    if (!QStringToSjis(rel, &sjis) || sjis.size() > size_t(kNameSize - 1)) return false;
    *out = sjis;
    return true;
}

static void Notice(const QString& text) { MessageBoxA(text, QStringLiteral("読込失敗"), MB_OK); }

void XFileLoad(MOTIONOBJ* part) {
    SetCurrentDirectoryA(CurrentPath);
    const QString shown = LocalToQString(FullFileName);
    // Know first whether the choice can be stored, so a refusal changes nothing.
    std::string rel;
    if (!StoredRelativePath(CurrentPath, FullFileName, &rel)) {
        Notice(QStringLiteral("このファイルの場所はファイルに記録できません\n") + shown +
               QStringLiteral("\n(パスが長すぎるか、Shift-JIS にない文字を含みます)"));
        return;
    }
    ReleaseMesh(&part->Mesh);
    ReleaseMesh(&part->EdgeMesh);
    QString why;
    if (FAILED(LoadMesh(&part->Mesh, FullFileName, &why)) || FAILED(LoadMesh(&part->EdgeMesh, FullFileName, &why))) {
        ReleaseMesh(&part->Mesh);
        part->XName[0] = 0;
        Notice(QStringLiteral("Xファイルを読み込めません\n") + shown + QStringLiteral("\n") + why);
        return;
    }
    SjisCopyField(part->XName, sizeof part->XName, rel);
    InitBBox(CurrentDeviceHook()->Device(), part);
    CreateShadow(part);
}

void XFileDelete(MOTIONOBJ* part) {
    ReleaseMesh(&part->Mesh);
    ReleaseMesh(&part->EdgeMesh);
    D3DXMatrixIdentity(&part->mRot);
    part->XName[0] = 0;
}

ModLoadView::MeshResult LoadPartMeshes(MOTIONOBJ* part, QString* why) {
    SetCurrentDirectoryA(CurrentPath);
    ReleaseMesh(&part->Mesh);
    ReleaseMesh(&part->EdgeMesh);
    if (part->XName[0] == 0) return ModLoadView::MeshLoaded;
    const QString path = ResolveStoredPath(part->XName);
    if (!QFileInfo(path).isFile()) return ModLoadView::MeshMissing;
    const std::string local = QStringToLocal(path);
    QString reason;
    if (FAILED(LoadMesh(&part->Mesh, local.c_str(), &reason)) ||
        FAILED(LoadMesh(&part->EdgeMesh, local.c_str(), &reason))) {
        ReleaseMesh(&part->Mesh);
        if (why) *why = reason;
        return ModLoadView::MeshUnreadable;
    }
    InitBBox(CurrentDeviceHook()->Device(), part);
    CreateShadow(part);
    return ModLoadView::MeshLoaded;
}

void ReleasePartMeshes(MOTIONOBJ* part) {
    ReleaseMesh(&part->Mesh);
    ReleaseMesh(&part->EdgeMesh);
    ReleaseMarker(part);
}
