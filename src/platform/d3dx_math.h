// Vector, matrix and quaternion math for the editor.
//
// Single precision throughout. Points are row vectors multiplied on the left of
// a matrix, so A * B applies A first; translation sits in the fourth row.
// Rotations are left-handed. Angles are radians.
#pragma once

#include <cstddef>

#include "wintypes.h"

struct D3DXVECTOR3 {
    float x, y, z;

    D3DXVECTOR3() = default;
    constexpr D3DXVECTOR3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
};

struct D3DXVECTOR4 {
    float x, y, z, w;
};

struct D3DXQUATERNION {
    float x, y, z, w;

    D3DXQUATERNION() = default;
    constexpr D3DXQUATERNION(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

struct D3DXMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };

    D3DXMATRIX() {}  // left uninitialised, like the other math types
    constexpr D3DXMATRIX(float a11, float a12, float a13, float a14, float a21, float a22, float a23,
                         float a24, float a31, float a32, float a33, float a34, float a41, float a42,
                         float a43, float a44)
        : _11(a11), _12(a12), _13(a13), _14(a14), _21(a21), _22(a22), _23(a23), _24(a24), _31(a31),
          _32(a32), _33(a33), _34(a34), _41(a41), _42(a42), _43(a43), _44(a44) {}

    float& operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& b) const;
    bool operator==(const D3DXMATRIX& b) const;
};

// The 3-D device's viewport: pixel rectangle and depth range.
struct D3DVIEWPORT9 {
    DWORD X, Y, Width, Height;
    float MinZ, MaxZ;
};

// Degrees to radians in single precision, as the user interface converts them.
constexpr float kDegToRad = 0.017453292f;
constexpr float D3DX_PI = 3.14159265f;

constexpr D3DXMATRIX kIdentityMatrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = kIdentityMatrix;
    return out;
}
bool D3DXMatrixIsIdentity(const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// Rotation about an arbitrary axis (normalised here).
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
// Roll about Z first, then pitch about X, then yaw about Y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
// out = a * b (a applied first). out may alias a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
float D3DXMatrixDeterminant(const D3DXMATRIX* m);
// Returns null (and leaves out alone) when m is singular.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
float D3DXVec3Length(const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// A zero vector stays zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// out = a + s * (b - a), component by component.
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s);
// (v, 1) * m, divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (v, 0) * m: directions, no translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// World to viewport pixels: (v, 1) * world * view * proj, divided by w, then
// mapped to the viewport with y downwards and z into [MinZ, MaxZ]. Null
// matrices count as identity.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* proj, const D3DXMATRIX* view, const D3DXMATRIX* world);

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
// Rotation part of m as a unit quaternion.
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// Spherical interpolation along the shorter arc; nearly equal rotations blend
// linearly; weights outside [0, 1] extrapolate.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, float t);

// Bounding volumes of a vertex array whose positions start every `stride` bytes.
// The sphere is centred on the mean position and reaches the farthest vertex.
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* first, DWORD count, DWORD stride,
                                  D3DXVECTOR3* center, float* radius);
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* first, DWORD count, DWORD stride,
                               D3DXVECTOR3* min, D3DXVECTOR3* max);
