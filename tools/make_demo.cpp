// Writes the demo character and its dance into a folder: one X file per body
// part (with normals and materials, the face textured), the face texture, the
// legacy motion file demo.txt with an eight-pose dance and the part list
// demo.prt. kavconv then turns the last two into demo.mod.
//
//   make_demo OUTDIR
//
// Everything is computed, so running it again gives the same bytes.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx_math.h"

namespace {

struct Vertex {
    D3DXVECTOR3 p, n;
    float u, v;
};

struct Material {
    const char* name;
    float r, g, b;
    float power;
    const char* texture;  // null: none
};

struct Mesh {
    std::vector<Vertex> verts;
    std::vector<unsigned> tris;       // three indices a face
    std::vector<unsigned> faceMaterial;
};

// An ellipsoid around `c` with radii `r`, `slices` x `stacks`, faces of
// material `mat` (or `mat2` above height `split` in the ellipsoid's own frame).
void AddEllipsoid(Mesh& m, D3DXVECTOR3 c, D3DXVECTOR3 r, unsigned mat, float split = 2, unsigned mat2 = 0,
                  int slices = 20, int stacks = 14) {
    const unsigned base = unsigned(m.verts.size());
    for (int i = 0; i <= stacks; ++i) {
        const float th = D3DX_PI * float(i) / float(stacks);
        for (int j = 0; j <= slices; ++j) {
            const float ph = 2 * D3DX_PI * float(j) / float(slices);
            // Around the y axis, seam at the back (-z) so a face texture sits in front.
            const D3DXVECTOR3 unit(std::sin(th) * std::sin(ph), std::cos(th), -std::sin(th) * std::cos(ph));
            D3DXVECTOR3 n(unit.x / r.x, unit.y / r.y, unit.z / r.z);
            D3DXVec3Normalize(&n, &n);
            m.verts.push_back({D3DXVECTOR3(c.x + r.x * unit.x, c.y + r.y * unit.y, c.z + r.z * unit.z), n,
                               float(j) / float(slices), float(i) / float(stacks)});
        }
    }
    const unsigned row = unsigned(slices + 1);
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            const unsigned a = base + unsigned(i) * row + unsigned(j), b = a + 1, cc = a + row, d = cc + 1;
            const float y = std::cos(D3DX_PI * (float(i) + 0.5f) / float(stacks));
            const unsigned fm = y > split ? mat2 : mat;
            const unsigned quads[2][3] = {{a, b, cc}, {b, d, cc}};
            for (const auto& q : quads) {
                // Skip the slivers at the poles.
                if (m.verts[q[0]].p == m.verts[q[1]].p || m.verts[q[1]].p == m.verts[q[2]].p ||
                    m.verts[q[0]].p == m.verts[q[2]].p)
                    continue;
                // Front faces turn clockwise as seen from outside.
                D3DXVECTOR3 e1 = m.verts[q[1]].p - m.verts[q[0]].p, e2 = m.verts[q[2]].p - m.verts[q[0]].p, nn;
                D3DXVec3Cross(&nn, &e1, &e2);
                const D3DXVECTOR3 out = m.verts[q[0]].p - c;
                if (D3DXVec3Dot(&nn, &out) >= 0) m.tris.insert(m.tris.end(), {q[0], q[1], q[2]});
                else m.tris.insert(m.tris.end(), {q[0], q[2], q[1]});
                m.faceMaterial.push_back(fm);
            }
        }
}

std::string Num(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", double(v) == 0.0 ? 0.0 : double(v));
    return buf;
}

std::string XText(const Mesh& m, const std::vector<Material>& mats) {
    std::string s = "xof 0303txt 0032\n\nMesh {\n";
    s += " " + std::to_string(m.verts.size()) + ";\n";
    for (size_t i = 0; i < m.verts.size(); ++i) {
        const auto& p = m.verts[i].p;
        s += " " + Num(p.x) + ";" + Num(p.y) + ";" + Num(p.z) + ";" + (i + 1 < m.verts.size() ? ",\n" : ";\n");
    }
    const size_t faces = m.tris.size() / 3;
    auto faceList = [&](std::string& out) {
        out += " " + std::to_string(faces) + ";\n";
        for (size_t f = 0; f < faces; ++f)
            out += " 3;" + std::to_string(m.tris[3 * f]) + "," + std::to_string(m.tris[3 * f + 1]) + "," +
                   std::to_string(m.tris[3 * f + 2]) + ";" + (f + 1 < faces ? ",\n" : ";\n");
    };
    faceList(s);
    s += "\n MeshNormals {\n  " + std::to_string(m.verts.size()) + ";\n";
    for (size_t i = 0; i < m.verts.size(); ++i) {
        const auto& n = m.verts[i].n;
        s += "  " + Num(n.x) + ";" + Num(n.y) + ";" + Num(n.z) + ";" + (i + 1 < m.verts.size() ? ",\n" : ";\n");
    }
    faceList(s);
    s += " }\n\n MeshTextureCoords {\n  " + std::to_string(m.verts.size()) + ";\n";
    for (size_t i = 0; i < m.verts.size(); ++i)
        s += "  " + Num(m.verts[i].u) + ";" + Num(m.verts[i].v) + ";" + (i + 1 < m.verts.size() ? ",\n" : ";\n");
    s += " }\n\n MeshMaterialList {\n  " + std::to_string(mats.size()) + ";\n  " + std::to_string(faces) + ";\n";
    for (size_t f = 0; f < faces; ++f) s += "  " + std::to_string(m.faceMaterial[f]) + (f + 1 < faces ? ",\n" : ";\n");
    for (const Material& mt : mats) {
        s += "\n  Material " + std::string(mt.name) + " {\n";
        s += "   " + Num(mt.r) + ";" + Num(mt.g) + ";" + Num(mt.b) + ";1.000000;;\n";
        s += "   " + Num(mt.power) + ";\n   0.300000;0.300000;0.300000;;\n   0.000000;0.000000;0.000000;;\n";
        if (mt.texture) s += "   TextureFilename {\n    \"" + std::string(mt.texture) + "\";\n   }\n";
        s += "  }\n";
    }
    s += " }\n}\n";
    return s;
}

bool WriteFile(const QString& path, const std::string& bytes) {
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The legacy parts, numbered as the motion file counts them.
enum Part {
    kWhole, kUpper, kLower, kRShoulder, kRArm, kRHand, kLShoulder, kLArm, kLHand,
    kRThigh, kRLeg, kRAnkle, kLThigh, kLLeg, kLAnkle, kFace, kRSpare, kLSpare, kParts
};

// Where each part sits in its parent's frame when standing.
const D3DXVECTOR3 kHome[kParts] = {
    {0, 0, 0},          // whole body: the root, at the world origin
    {0, 2.0f, 0},       // upper body, from the hips up
    {0, 2.0f, 0},       // lower body, from the hips down
    {0.48f, 1.0f, 0},   // right shoulder
    {0.08f, -0.05f, 0}, // right arm
    {0, -0.9f, 0},      // right hand
    {-0.48f, 1.0f, 0},  // left shoulder
    {-0.08f, -0.05f, 0},
    {0, -0.9f, 0},
    {0.2f, -0.25f, 0},  // right thigh
    {0, -0.85f, 0},     // right leg
    {0, -0.8f, 0},      // right ankle
    {-0.2f, -0.25f, 0},
    {0, -0.85f, 0},
    {0, -0.8f, 0},
    {0, 1.12f, 0},      // face, on the neck
    {0, -0.3f, 0},      // right spare: a pompom in the hand
    {0, -0.3f, 0},
};

const char* const kFile[kParts] = {
    nullptr, "upper_body", "lower_body", "r_shoulder", "r_arm", "r_hand", "l_shoulder", "l_arm", "l_hand",
    "r_thigh", "r_leg", "r_ankle", "l_thigh", "l_leg", "l_ankle", "face", "r_spare", "l_spare",
};

const Material kShirt{"Shirt", 0.82f, 0.16f, 0.18f, 12, nullptr};
const Material kCollar{"Collar", 0.95f, 0.93f, 0.88f, 12, nullptr};
const Material kSkin{"Skin", 0.98f, 0.80f, 0.66f, 8, nullptr};
const Material kPants{"Pants", 0.18f, 0.27f, 0.62f, 10, nullptr};
const Material kBelt{"Belt", 0.25f, 0.16f, 0.10f, 10, nullptr};
const Material kShoe{"Shoe", 0.30f, 0.18f, 0.10f, 20, nullptr};
const Material kPompom{"Pompom", 1.0f, 0.85f, 0.15f, 4, nullptr};
const Material kFaceSkin{"Face", 1.0f, 1.0f, 1.0f, 8, "parts/face.bmp"};
const Material kHair{"Hair", 0.16f, 0.10f, 0.07f, 30, nullptr};

// The mesh of each part, modelled around the part's own origin (its joint).
void PartMesh(int p, Mesh& m, std::vector<Material>& mats) {
    const float side = (p == kRShoulder || p == kRArm || p == kRHand || p == kRThigh || p == kRLeg ||
                        p == kRAnkle || p == kRSpare) ? 1.0f : -1.0f;
    switch (p) {
        case kUpper:
            mats = {kShirt, kCollar};
            AddEllipsoid(m, {0, 0.55f, 0}, {0.5f, 0.62f, 0.3f}, 0, 0.86f, 1);
            break;
        case kLower:
            mats = {kPants, kBelt};
            AddEllipsoid(m, {0, -0.12f, 0}, {0.44f, 0.3f, 0.28f}, 0, 0.55f, 1);
            break;
        case kFace:
            mats = {kFaceSkin, kHair};
            AddEllipsoid(m, {0, 0.34f, 0}, {0.3f, 0.36f, 0.3f}, 0, 0.62f, 1, 24, 16);
            break;
        case kRShoulder:
        case kLShoulder:
            mats = {kShirt};
            AddEllipsoid(m, {side * 0.05f, -0.05f, 0}, {0.19f, 0.17f, 0.19f}, 0);
            break;
        case kRArm:
        case kLArm:
            mats = {kShirt, kSkin};
            AddEllipsoid(m, {0, -0.45f, 0}, {0.12f, 0.48f, 0.12f}, 1, 0.2f, 0);
            break;
        case kRHand:
        case kLHand:
            mats = {kSkin};
            AddEllipsoid(m, {0, -0.14f, 0.02f}, {0.09f, 0.15f, 0.07f}, 0);
            break;
        case kRSpare:
        case kLSpare:
            mats = {kPompom};
            AddEllipsoid(m, {0, 0, 0.05f}, {0.16f, 0.16f, 0.16f}, 0, 2, 0, 12, 8);
            break;
        case kRThigh:
        case kLThigh:
            mats = {kPants};
            AddEllipsoid(m, {0, -0.42f, 0}, {0.17f, 0.46f, 0.17f}, 0);
            break;
        case kRLeg:
        case kLLeg:
            mats = {kPants, kSkin};
            AddEllipsoid(m, {0, -0.4f, 0}, {0.13f, 0.44f, 0.13f}, 1, -0.75f, 0);
            break;
        case kRAnkle:
        case kLAnkle:
            mats = {kShoe};
            AddEllipsoid(m, {0, -0.07f, 0.1f}, {0.13f, 0.08f, 0.24f}, 0);
            break;
    }
}

// The face texture: skin with eyes, cheeks and a smile, drawn in front (the
// middle of the texture's width) where the head mesh puts it.
QImage FaceTexture() {
    QImage img(128, 64, QImage::Format_RGB888);
    img.fill(QColor(250, 205, 170));
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing, false);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 30, 30));
    g.drawEllipse(QRect(52, 24, 6, 8));
    g.drawEllipse(QRect(70, 24, 6, 8));
    g.setBrush(QColor(240, 150, 150));
    g.drawEllipse(QRect(46, 34, 8, 4));
    g.drawEllipse(QRect(74, 34, 8, 4));
    g.setPen(QPen(QColor(150, 40, 40), 2));
    g.setBrush(Qt::NoBrush);
    g.drawArc(QRect(56, 32, 16, 10), 200 * 16, 140 * 16);
    g.end();
    return img;
}

// One key pose: joint rotations (degrees about x, y, z) and a bounce of the body.
struct Pose {
    float bounce, twist;
    float rArmZ, rArmX, lArmZ, lArmX, rElbow, lElbow;
    float rKnee, lKnee, rHipX, lHipX, head, sway;
    float speed;
};

// Eight poses of a small cheer dance; the speed is the step of the segment
// that ends at the pose.
const Pose kDance[] = {
    {0.00f, 0, 20, 0, -20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.05f},        // stand
    {-0.12f, 10, 150, 0, -30, 10, -20, 0, 30, 10, -20, 0, 10, 6, 0.06f},  // right arm up, dip
    {0.05f, 20, 170, -10, -170, -10, 0, 0, 0, 0, 0, 0, 0, 0, 0.07f},   // both up, rise
    {-0.12f, -10, 30, 10, -150, 0, 0, -20, 10, 30, 0, -20, -10, -6, 0.06f}, // left arm up, dip
    {0.00f, -20, 90, 0, -90, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.05f},        // arms out
    {-0.18f, 0, 60, -60, -60, -60, -70, -70, 45, 45, -35, -35, 15, 0, 0.05f}, // crouch, hands forward
    {0.08f, 30, 160, 20, -160, 20, 0, 0, 0, 0, 0, 0, -5, 8, 0.08f},    // jump, turn
    {0.00f, -15, 45, 40, -45, 40, -60, -60, 15, 0, -10, 0, 5, -4, 0.06f},   // clap in front
};

D3DXMATRIX Rot(float xDeg, float yDeg, float zDeg) {
    D3DXMATRIX rx, ry, rz, m;
    D3DXMatrixRotationX(&rx, xDeg * kDegToRad);
    D3DXMatrixRotationY(&ry, yDeg * kDegToRad);
    D3DXMatrixRotationZ(&rz, zDeg * kDegToRad);
    m = rz * rx;
    return m * ry;
}

void PoseOf(const Pose& k, D3DXMATRIX rot[kParts], D3DXVECTOR3 off[kParts]) {
    for (int p = 0; p < kParts; ++p) {
        D3DXMatrixIdentity(&rot[p]);
        off[p] = kHome[p];
    }
    off[kWhole] = D3DXVECTOR3(0, k.bounce, 0);
    rot[kWhole] = Rot(0, k.twist, 0);
    rot[kUpper] = Rot(0, 0, k.sway);
    rot[kLower] = Rot(0, 0, -k.sway * 0.5f);
    // Arms hang down; z lifts them sideways (right arm to +x), x swings them forward.
    rot[kRArm] = Rot(-k.rArmX, 0, k.rArmZ);
    rot[kLArm] = Rot(-k.lArmX, 0, k.lArmZ);
    rot[kRHand] = Rot(k.rElbow, 0, 0);
    rot[kLHand] = Rot(k.lElbow, 0, 0);
    rot[kRThigh] = Rot(k.rHipX, 0, 0);
    rot[kLThigh] = Rot(k.lHipX, 0, 0);
    rot[kRLeg] = Rot(k.rKnee, 0, 0);
    rot[kLLeg] = Rot(k.lKnee, 0, 0);
    rot[kRAnkle] = Rot(-k.rKnee * 0.5f - k.rHipX * 0.5f, 0, 0);
    rot[kLAnkle] = Rot(-k.lKnee * 0.5f - k.lHipX * 0.5f, 0, 0);
    rot[kFace] = Rot(0, 0, k.head);
}

std::string LegacyMotion() {
    constexpr size_t kBlock = 1588;
    std::string out(100 * kBlock, '\0');
    const int poses = int(sizeof kDance / sizeof kDance[0]);
    for (int n = 0; n < 100; ++n) {
        const Pose& k = kDance[n < poses ? n : 0];
        D3DXMATRIX rot[kParts];
        D3DXVECTOR3 off[kParts];
        PoseOf(k, rot, off);
        char* b = out.data() + kBlock * size_t(n);
        for (int p = 0; p < kParts; ++p) {
            std::memcpy(b + 64 * p, &rot[p], 64);
            std::memcpy(b + 1152 + 12 * p, &off[p], 12);
            std::memcpy(b + 1368 + 12 * p, &kHome[p], 12);
        }
        const float speed = n < poses ? k.speed : 0.05f;
        std::memcpy(b + 1584, &speed, 4);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("parts"))) {
        std::fprintf(stderr, "make_demo: cannot create %s/parts\n", argv[1]);
        return 1;
    }
    bool ok = true;
    std::string prt;
    for (int p = 1; p < kParts; ++p) {
        Mesh m;
        std::vector<Material> mats;
        PartMesh(p, m, mats);
        const QString name = QStringLiteral("parts/%1.x").arg(QString::fromLatin1(kFile[p]));
        ok &= WriteFile(out.filePath(name), XText(m, mats));
        prt += name.toStdString() + "\r\n";
    }
    ok &= FaceTexture().save(out.filePath(QStringLiteral("parts/face.bmp")), "BMP");
    ok &= WriteFile(out.filePath(QStringLiteral("demo.prt")), prt);
    ok &= WriteFile(out.filePath(QStringLiteral("demo.txt")), LegacyMotion());
    if (!ok) {
        std::fprintf(stderr, "make_demo: could not write every file in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
