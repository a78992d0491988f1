// Vector, matrix and quaternion math (see d3dx_math.h for the conventions).
#include "d3dx_math.h"

#include <cmath>
#include <cstring>

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& b) const {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, this, &b);
    return r;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& b) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != b.m[i][j]) return false;
    return true;
}

bool D3DXMatrixIsIdentity(const D3DXMATRIX* m) { return *m == kIdentityMatrix; }

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float a) {
    const float c = std::cos(a), s = std::sin(a);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float a) {
    const float c = std::cos(a), s = std::sin(a);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float a) {
    const float c = std::cos(a), s = std::sin(a);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float a) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const float c = std::cos(a), s = std::sin(a), t = 1.0f - c;
    *out = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0,
                      t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0,
                      t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0,
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    D3DXMatrixMultiply(out, &rz, &rx);
    D3DXMatrixMultiply(out, out, &ry);
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

// Cofactors of the 4x4 matrix, the classic expansion by 2x2 minors.
static void Cofactors(const D3DXMATRIX* mat, float inv[16], float* det) {
    float a[16];
    std::memcpy(a, mat->m, sizeof a);
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
             a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
             a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
             a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
              a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
             a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
             a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
             a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
              a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] +
             a[5] * a[3] * a[14] + a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
             a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
              a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
              a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
             a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] +
             a[4] * a[3] * a[10] + a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] -
              a[4] * a[3] * a[9] - a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] +
              a[4] * a[2] * a[9] + a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    *det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
}

float D3DXMatrixDeterminant(const D3DXMATRIX* m) {
    float inv[16], det;
    Cofactors(m, inv, &det);
    return det;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    float inv[16], det;
    Cofactors(m, inv, &det);
    if (determinant) *determinant = det;
    if (det == 0.0f || !std::isfinite(det)) return nullptr;
    const float r = 1.0f / det;
    for (int i = 0; i < 16; ++i) out->m[i / 4][i % 4] = inv[i] * r;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 z = *at - *eye, x, y;
    D3DXVec3Normalize(&z, &z);
    D3DXVec3Cross(&x, up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    *out = D3DXMATRIX(x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0, -D3DXVec3Dot(&x, eye),
                      -D3DXVec3Dot(&y, eye), -D3DXVec3Dot(&z, eye), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovy / 2.0f);
    const float xs = ys / aspect;
    const float q = zf / (zf - zn);
    *out = D3DXMATRIX(xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
                      2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
                      2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
                      0, 0, 0, 1);
    return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3Dot(v, v)); }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const float len = D3DXVec3Length(v);
    *out = len > 0.0f ? *v * (1.0f / len) : D3DXVECTOR3(0, 0, 0);
    return out;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
    *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
    const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
    const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
    const float w = v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44;
    *out = w == 1.0f ? D3DXVECTOR3(x, y, z) : D3DXVECTOR3(x / w, y / w, z / w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    *out = D3DXVECTOR3(v->x * m->_11 + v->y * m->_21 + v->z * m->_31,
                       v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                       v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
    return out;
}

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp,
                             const D3DXMATRIX* proj, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (world) D3DXMatrixMultiply(&m, &m, world);
    if (view) D3DXMatrixMultiply(&m, &m, view);
    if (proj) D3DXMatrixMultiply(&m, &m, proj);
    D3DXVECTOR3 c;
    D3DXVec3TransformCoord(&c, v, &m);
    *out = D3DXVECTOR3(vp->X + (1.0f + c.x) * vp->Width / 2.0f, vp->Y + (1.0f - c.y) * vp->Height / 2.0f,
                       vp->MinZ + c.z * (vp->MaxZ - vp->MinZ));
    return out;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0, 0, 0, 1);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
    const float trace = m->_11 + m->_22 + m->_33;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;
        *out = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, 0.25f * s);
    } else if (m->_11 > m->_22 && m->_11 > m->_33) {
        const float s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;
        *out = D3DXQUATERNION(0.25f * s, (m->_12 + m->_21) / s, (m->_31 + m->_13) / s, (m->_23 - m->_32) / s);
    } else if (m->_22 > m->_33) {
        const float s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;
        *out = D3DXQUATERNION((m->_12 + m->_21) / s, 0.25f * s, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
    } else {
        const float s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;
        *out = D3DXQUATERNION((m->_31 + m->_13) / s, (m->_23 + m->_32) / s, 0.25f * s, (m->_12 - m->_21) / s);
    }
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const float len = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
    if (len > 0.0f) *out = D3DXQUATERNION(q->x / len, q->y / len, q->z / len, q->w / len);
    else *out = *q;
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, float t) {
    float cosom = a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
    // q and -q are the same rotation: go the short way round.
    const float sign = cosom < 0.0f ? -1.0f : 1.0f;
    cosom *= sign;
    float s0 = 1.0f - t, s1 = t;
    if (1.0f - cosom > 1e-6f) {
        const float omega = std::acos(cosom > 1.0f ? 1.0f : cosom);
        const float sinom = std::sin(omega);
        s0 = std::sin((1.0f - t) * omega) / sinom;
        s1 = std::sin(t * omega) / sinom;
    }
    s1 *= sign;
    *out = D3DXQUATERNION(s0 * a->x + s1 * b->x, s0 * a->y + s1 * b->y, s0 * a->z + s1 * b->z,
                          s0 * a->w + s1 * b->w);
    return out;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* first, DWORD count, DWORD stride,
                                  D3DXVECTOR3* center, float* radius) {
    if (!first || !center || !radius || stride < sizeof(D3DXVECTOR3)) return E_INVALIDARG;
    const auto* bytes = reinterpret_cast<const unsigned char*>(first);
    auto at = [&](DWORD i) {
        D3DXVECTOR3 v;
        std::memcpy(&v, bytes + size_t(i) * stride, sizeof v);
        return v;
    };
    D3DXVECTOR3 sum(0, 0, 0);
    for (DWORD i = 0; i < count; ++i) sum += at(i);
    *center = count ? sum * (1.0f / float(count)) : D3DXVECTOR3(0, 0, 0);
    float r2 = 0.0f;
    for (DWORD i = 0; i < count; ++i) {
        const D3DXVECTOR3 d = at(i) - *center;
        const float l2 = D3DXVec3Dot(&d, &d);
        if (l2 > r2) r2 = l2;
    }
    *radius = std::sqrt(r2);
    return S_OK;
}

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* first, DWORD count, DWORD stride,
                               D3DXVECTOR3* min, D3DXVECTOR3* max) {
    if (!first || !min || !max || stride < sizeof(D3DXVECTOR3) || count == 0) return E_INVALIDARG;
    const auto* bytes = reinterpret_cast<const unsigned char*>(first);
    for (DWORD i = 0; i < count; ++i) {
        D3DXVECTOR3 v;
        std::memcpy(&v, bytes + size_t(i) * stride, sizeof v);
        if (i == 0) {
            *min = *max = v;
            continue;
        }
        if (v.x < min->x) min->x = v.x;
        if (v.y < min->y) min->y = v.y;
        if (v.z < min->z) min->z = v.z;
        if (v.x > max->x) max->x = v.x;
        if (v.y > max->y) max->y = v.y;
        if (v.z > max->z) max->z = v.z;
    }
    return S_OK;
}
