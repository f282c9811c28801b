#pragma once

// The 3D maths the scene and the view rely on, in the conventions of Direct3D 9's D3DX library:
// single precision, row vectors (a point p is transformed as p x M, so A x B applies A first),
// a left-handed frame, perspective depth mapped to 0..1, angles in radians.

#include <optional>

#include "platform/Vector3.h"

namespace vrel {

// A 4x4 single matrix addressed m[row][column]. With row vectors the translation sits in row 3
// (m[3][0..2]); the library's one-based names map as m41 == m[3][0]. A default matrix is the identity.
struct Matrix {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  bool operator==(const Matrix&) const = default;
};

// The plane a*x + b*y + c*z + d = 0; (a, b, c) is its normal.
struct Plane {
  float a = 0, b = 0, c = 0, d = 0;

  bool operator==(const Plane&) const = default;
};

// A rotation quaternion (x, y, z vector part, w scalar part); a default quaternion is the identity.
struct Quaternion {
  float x = 0, y = 0, z = 0, w = 1;

  bool operator==(const Quaternion&) const = default;
};

// ---- vectors -------------------------------------------------------------------------------------

constexpr Vec3 operator*(float s, const Vec3& v) {
  return v * s;
}

constexpr float Vec3Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
constexpr float Vec3LengthSq(const Vec3& v) {
  return Vec3Dot(v, v);
}
float Vec3Length(const Vec3& v);

// v divided by its length; the zero vector stays zero, so no NaN comes out of a degenerate direction.
Vec3 Vec3Normalize(const Vec3& v);

// (v.x, v.y, v.z, 1) x m, divided by the resulting w. A w of 0 (a point on the eye plane under a
// perspective) gives non-finite components; callers that can meet it test the result.
Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m);

// ---- matrices ------------------------------------------------------------------------------------

Matrix MatrixIdentity();

// a x b: the transformation of a followed by that of b.
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
inline Matrix operator*(const Matrix& a, const Matrix& b) {
  return MatrixMultiply(a, b);
}

Matrix MatrixTranslation(float x, float y, float z);
Matrix MatrixScaling(float x, float y, float z);

// Rotations about one axis: looking from the positive end of the axis towards the origin the turn is
// clockwise, as the left-handed frame has it. RotationY maps (x, z) to (x cos + z sin, -x sin + z cos).
Matrix MatrixRotationX(float angle);
Matrix MatrixRotationY(float angle);
Matrix MatrixRotationZ(float angle);

// Roll about Z first, then pitch about X, then yaw about Y: Rz(roll) x Rx(pitch) x Ry(yaw).
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);

// The rotation of a unit quaternion.
Matrix MatrixRotationQuaternion(const Quaternion& q);

// Scaling about a centre along axes turned by `scalingRotation`, then rotation about a centre, then a
// translation:
//   Msc^-1 x Msr^-1 x Ms x Msr x Msc x Mrc^-1 x Mr x Mrc x Mt.
// Any argument may be null and then stands for no scaling, no rotation or a zero offset. Quaternions
// are taken as unit quaternions.
Matrix MatrixTransformation(const Vec3* scalingCenter, const Quaternion* scalingRotation, const Vec3* scaling,
                            const Vec3* rotationCenter, const Quaternion* rotation, const Vec3* translation);

// A left-handed view matrix: the eye looks along +Z towards `at` with `up` roughly up.
Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);

// A left-handed perspective: vertical field of view `fovY`, aspect = width / height, view-space depth
// zNear..zFar mapped to 0..1 after the divide by w (w = view-space z).
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// The inverse, or nothing when the matrix is singular (or so near it that the inverse is not finite):
// unprojection and picking then find nothing rather than carrying NaN on. When `determinant` is given
// it receives the determinant in either case.
std::optional<Matrix> MatrixInverse(const Matrix& m, float* determinant = nullptr);

// ---- quaternions ---------------------------------------------------------------------------------

// The rotation by `angle` about `axis` (normalised here; a zero axis gives the identity rotation).
Quaternion QuaternionRotationAxis(const Vec3& axis, float angle);

// ---- planes --------------------------------------------------------------------------------------

// The plane through three points with the normal (p2 - p1) x (p3 - p1), normalised. Collinear points
// give the zero plane.
Plane PlaneFromPoints(const Vec3& p1, const Vec3& p2, const Vec3& p3);

// The plane through `point` with `normal` as given (not normalised).
Plane PlaneFromPointNormal(const Vec3& point, const Vec3& normal);

// The plane scaled so that its normal has length 1; the zero plane stays zero.
Plane PlaneNormalize(const Plane& p);

// a*x + b*y + c*z + d: the signed distance of v when the plane is normalised.
float PlaneDotCoord(const Plane& p, const Vec3& v);

// Where the line through p1 and p2 (not only the segment) meets the plane; nothing when the line is
// parallel to the plane (or the two points coincide).
std::optional<Vec3> PlaneIntersectLine(const Plane& p, const Vec3& p1, const Vec3& p2);

}  // namespace vrel
