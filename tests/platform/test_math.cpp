// Matrix, vector and quaternion math against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx_math.h"

namespace {

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z, float eps = 1e-3f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void ExpectNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-5f) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << "at " << i << "," << j;
}

const float kQuarter = 1.5707964f;

}  // namespace

// A quarter turn about each axis, left-handed, row vectors: where the unit
// axes go.
TEST(Math, AxisRotationsTurnTheUnitAxesLeftHanded) {
    struct Case {
        D3DXMATRIX* (*rot)(D3DXMATRIX*, float);
        D3DXVECTOR3 in, out;
    } cases[] = {
        {D3DXMatrixRotationX, {0, 1, 0}, {0, 0, 1}},
        {D3DXMatrixRotationX, {0, 0, 1}, {0, -1, 0}},
        {D3DXMatrixRotationY, {1, 0, 0}, {0, 0, -1}},
        {D3DXMatrixRotationY, {0, 0, 1}, {1, 0, 0}},
        {D3DXMatrixRotationZ, {1, 0, 0}, {0, 1, 0}},
        {D3DXMatrixRotationZ, {0, 1, 0}, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        D3DXMATRIX m;
        c.rot(&m, kQuarter);
        D3DXVECTOR3 v;
        D3DXVec3TransformCoord(&v, &c.in, &m);
        ExpectNear(v, c.out.x, c.out.y, c.out.z, 1e-6f);
    }
}

TEST(Math, RotationTablesHaveTheirRows) {
    const float a = 0.3f, c = std::cos(a), s = std::sin(a);
    D3DXMATRIX m;
    ExpectNear(*D3DXMatrixRotationX(&m, a), D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1));
    ExpectNear(*D3DXMatrixRotationY(&m, a), D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1));
    ExpectNear(*D3DXMatrixRotationZ(&m, a), D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST(Math, ProductAppliesTheLeftMatrixFirst) {
    // Rotate about Z then move by (5, 0, 0): (0, 1, 0) -> (-1, 0, 0) -> (4, 0, 0).
    D3DXMATRIX r, t, m;
    D3DXMatrixRotationZ(&r, kQuarter);
    D3DXMatrixTranslation(&t, 5, 0, 0);
    D3DXMatrixMultiply(&m, &r, &t);
    D3DXVECTOR3 v(0, 1, 0);
    D3DXVec3TransformCoord(&v, &v, &m);
    ExpectNear(v, 4, 0, 0, 1e-6f);
    EXPECT_NEAR(m._41, 5.0f, 0);
}

TEST(Math, InverseUndoesAndSingularIsRefused) {
    D3DXMATRIX a, b, m, inv, id;
    D3DXMatrixRotationYawPitchRoll(&a, 0.4f, -1.1f, 2.0f);
    D3DXMatrixTranslation(&b, 1, -2, 3);
    m = a * b;
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &m), nullptr);
    ExpectNear(m * inv, *D3DXMatrixIdentity(&id));

    const D3DXMATRIX zero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    float det = 1;
    EXPECT_EQ(D3DXMatrixInverse(&inv, &det, &zero), nullptr);
    EXPECT_EQ(det, 0.0f);
}

// The editor's starting camera: pitch 30, yaw 135, distance 10.
TEST(Math, StartingCameraEyeAndUp) {
    D3DXMATRIX cam;
    D3DXMatrixRotationYawPitchRoll(&cam, 135 * 0.01745329238474369f, 30 * 0.01745329238474369f, 0);
    D3DXVECTOR3 eye(0, 0, -10), up(0, 1, 0);
    D3DXVec3TransformCoord(&eye, &eye, &cam);
    D3DXVec3TransformCoord(&up, &up, &cam);
    ExpectNear(eye, -6.124f, 5.000f, 6.124f);
    ExpectNear(up, 0.354f, 0.866f, -0.354f);

    // Looking at the origin puts it straight ahead on the view's +z axis.
    D3DXMATRIX view;
    const D3DXVECTOR3 origin(0, 0, 0);
    D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
    D3DXVECTOR3 o;
    D3DXVec3TransformCoord(&o, &origin, &view);
    ExpectNear(o, 0, 0, 10);
}

TEST(Math, PerspectiveMapsNearAndFarToZeroAndOne) {
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 1.0471975803375244f, 1.3333333730697632f, 1.0f, 2000.0f);
    const D3DXVECTOR3 nearPt(0, 0, 1), farPt(0, 0, 2000), edge(0, std::tan(0.5235988f) * 10, 10);
    D3DXVECTOR3 v;
    ExpectNear(*D3DXVec3TransformCoord(&v, &nearPt, &proj), 0, 0, 0, 1e-5f);
    ExpectNear(*D3DXVec3TransformCoord(&v, &farPt, &proj), 0, 0, 1, 1e-5f);
    EXPECT_NEAR(D3DXVec3TransformCoord(&v, &edge, &proj)->y, 1.0f, 1e-5f);

    const D3DVIEWPORT9 vp{0, 0, 780, 640, 0, 1};
    D3DXVec3Project(&v, &edge, &vp, &proj, nullptr, nullptr);
    EXPECT_NEAR(v.x, 390.0f, 1e-3f);
    EXPECT_NEAR(v.y, 0.0f, 1e-3f);
}

TEST(Math, QuaternionRoundTripsEveryBranchOfTheConversion) {
    // Angles that put the largest term in w, x, y and z in turn.
    const float angles[][3] = {{0.1f, 0.2f, 0.3f}, {0, 3.0f, 0}, {3.0f, 0, 0}, {0, 0, 3.0f}, {2.5f, -2.9f, 1.7f}};
    for (const auto& a : angles) {
        D3DXMATRIX m, back;
        D3DXMatrixRotationYawPitchRoll(&m, a[0], a[1], a[2]);
        D3DXQUATERNION q;
        D3DXQuaternionRotationMatrix(&q, &m);
        EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-5f);
        ExpectNear(*D3DXMatrixRotationQuaternion(&back, &q), m);
    }
}

TEST(Math, SlerpEndsMiddleAndExtrapolation) {
    // From identity to a quarter turn about Y.
    D3DXMATRIX m;
    D3DXQUATERNION a, b, q;
    D3DXQuaternionRotationMatrix(&a, D3DXMatrixIdentity(&m));
    D3DXQuaternionRotationMatrix(&b, D3DXMatrixRotationY(&m, kQuarter));
    struct Case {
        float t, angle;
    } cases[] = {{0, 0}, {1, kQuarter}, {0.5f, kQuarter / 2}, {1.05f, kQuarter * 1.05f}};
    for (const Case& c : cases) {
        D3DXQuaternionSlerp(&q, &a, &b, c.t);
        D3DXMATRIX got, want;
        ExpectNear(*D3DXMatrixRotationQuaternion(&got, &q), *D3DXMatrixRotationY(&want, c.angle));
    }
}

TEST(Math, SlerpTakesTheShortArcAcrossOppositeSigns) {
    // b and -b are the same rotation; both must give the same path.
    D3DXMATRIX m;
    D3DXQUATERNION a, b, nb, q1, q2;
    D3DXQuaternionRotationMatrix(&a, D3DXMatrixRotationZ(&m, 0.2f));
    D3DXQuaternionRotationMatrix(&b, D3DXMatrixRotationZ(&m, 1.0f));
    nb = D3DXQUATERNION(-b.x, -b.y, -b.z, -b.w);
    D3DXQuaternionSlerp(&q1, &a, &b, 0.5f);
    D3DXQuaternionSlerp(&q2, &a, &nb, 0.5f);
    D3DXMATRIX r1, r2, want;
    D3DXMatrixRotationQuaternion(&r1, &q1);
    D3DXMatrixRotationQuaternion(&r2, &q2);
    ExpectNear(r1, *D3DXMatrixRotationZ(&want, 0.6f));
    ExpectNear(r2, want);
}

TEST(Math, SlerpOfEqualRotationsStaysPut) {
    D3DXMATRIX m;
    D3DXQUATERNION a, q;
    D3DXQuaternionRotationMatrix(&a, D3DXMatrixRotationX(&m, 0.7f));
    D3DXQuaternionSlerp(&q, &a, &a, 0.37f);
    EXPECT_FLOAT_EQ(q.x, a.x);
    EXPECT_FLOAT_EQ(q.w, a.w);
}

TEST(Math, LerpAndBounds) {
    const D3DXVECTOR3 a(0, 2, -4), b(10, 4, 4);
    D3DXVECTOR3 v;
    ExpectNear(*D3DXVec3Lerp(&v, &a, &b, 0.25f), 2.5f, 2.5f, -2, 0);

    struct V { D3DXVECTOR3 p; float pad; } verts[] = {{{1, 2, 3}, 9}, {{-1, 0, 5}, 9}, {{3, -2, 4}, 9}};
    D3DXVECTOR3 lo, hi, c;
    float r;
    ASSERT_EQ(D3DXComputeBoundingBox(&verts[0].p, 3, sizeof(V), &lo, &hi), S_OK);
    ExpectNear(lo, -1, -2, 3, 0);
    ExpectNear(hi, 3, 2, 5, 0);
    ASSERT_EQ(D3DXComputeBoundingSphere(&verts[0].p, 3, sizeof(V), &c, &r), S_OK);
    ExpectNear(c, 1, 0, 4, 1e-6f);
    EXPECT_NEAR(r, std::sqrt(8.0f), 1e-5f);
}
