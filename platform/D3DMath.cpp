#include "platform/D3DMath.h"

#include <cmath>

namespace vrel {

namespace {

bool AllFinite(const Matrix& m) {
  for (const auto& row : m.m) {
    for (float v : row) {
      if (!std::isfinite(v))
        return false;
    }
  }
  return true;
}

Matrix Transposed(const Matrix& a) {
  Matrix t;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c)
      t.m[r][c] = a.m[c][r];
  }
  return t;
}

}  // namespace

// ---- vectors -------------------------------------------------------------------------------------

float Vec3Length(const Vec3& v) {
  return std::sqrt(Vec3LengthSq(v));
}

Vec3 Vec3Normalize(const Vec3& v) {
  const float length = Vec3Length(v);
  if (length == 0.0f)
    return {};
  return {v.x / length, v.y / length, v.z / length};
}

Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m) {
  const auto& a = m.m;
  const float x = v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0] + a[3][0];
  const float y = v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1] + a[3][1];
  const float z = v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2] + a[3][2];
  const float w = v.x * a[0][3] + v.y * a[1][3] + v.z * a[2][3] + a[3][3];
  return {x / w, y / w, z / w};
}

// ---- matrices ------------------------------------------------------------------------------------

Matrix MatrixIdentity() {
  return Matrix{};
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
  Matrix out;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
    }
  }
  return out;
}

Matrix MatrixTranslation(float x, float y, float z) {
  Matrix out;
  out.m[3][0] = x;
  out.m[3][1] = y;
  out.m[3][2] = z;
  return out;
}

Matrix MatrixScaling(float x, float y, float z) {
  Matrix out;
  out.m[0][0] = x;
  out.m[1][1] = y;
  out.m[2][2] = z;
  return out;
}

Matrix MatrixRotationX(float angle) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  Matrix out;
  out.m[1][1] = c;
  out.m[1][2] = s;
  out.m[2][1] = -s;
  out.m[2][2] = c;
  return out;
}

Matrix MatrixRotationY(float angle) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  Matrix out;
  out.m[0][0] = c;
  out.m[0][2] = -s;
  out.m[2][0] = s;
  out.m[2][2] = c;
  return out;
}

Matrix MatrixRotationZ(float angle) {
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  Matrix out;
  out.m[0][0] = c;
  out.m[0][1] = s;
  out.m[1][0] = -s;
  out.m[1][1] = c;
  return out;
}

Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
  return MatrixRotationZ(roll) * MatrixRotationX(pitch) * MatrixRotationY(yaw);
}

Matrix MatrixRotationQuaternion(const Quaternion& q) {
  const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  Matrix out;
  out.m[0][0] = 1.0f - 2.0f * (yy + zz);
  out.m[0][1] = 2.0f * (xy + wz);
  out.m[0][2] = 2.0f * (xz - wy);
  out.m[1][0] = 2.0f * (xy - wz);
  out.m[1][1] = 1.0f - 2.0f * (xx + zz);
  out.m[1][2] = 2.0f * (yz + wx);
  out.m[2][0] = 2.0f * (xz + wy);
  out.m[2][1] = 2.0f * (yz - wx);
  out.m[2][2] = 1.0f - 2.0f * (xx + yy);
  return out;
}

Matrix MatrixTransformation(const Vec3* scalingCenter, const Quaternion* scalingRotation, const Vec3* scaling,
                            const Vec3* rotationCenter, const Quaternion* rotation, const Vec3* translation) {
  Matrix out;
  if (scaling) {
    const Vec3 sc = scalingCenter ? *scalingCenter : Vec3{};
    const Matrix axes = scalingRotation ? MatrixRotationQuaternion(*scalingRotation) : Matrix{};
    // The inverse of a rotation is its transpose.
    out = MatrixTranslation(-sc.x, -sc.y, -sc.z) * Transposed(axes) *
          MatrixScaling(scaling->x, scaling->y, scaling->z) * axes * MatrixTranslation(sc.x, sc.y, sc.z);
  }
  if (rotation) {
    const Vec3 rc = rotationCenter ? *rotationCenter : Vec3{};
    out = out * MatrixTranslation(-rc.x, -rc.y, -rc.z) * MatrixRotationQuaternion(*rotation) *
          MatrixTranslation(rc.x, rc.y, rc.z);
  }
  if (translation)
    out = out * MatrixTranslation(translation->x, translation->y, translation->z);
  return out;
}

Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 zAxis = Vec3Normalize(at - eye);
  const Vec3 xAxis = Vec3Normalize(Vec3Cross(up, zAxis));
  const Vec3 yAxis = Vec3Cross(zAxis, xAxis);
  Matrix out;
  out.m[0][0] = xAxis.x;
  out.m[1][0] = xAxis.y;
  out.m[2][0] = xAxis.z;
  out.m[0][1] = yAxis.x;
  out.m[1][1] = yAxis.y;
  out.m[2][1] = yAxis.z;
  out.m[0][2] = zAxis.x;
  out.m[1][2] = zAxis.y;
  out.m[2][2] = zAxis.z;
  out.m[3][0] = -Vec3Dot(xAxis, eye);
  out.m[3][1] = -Vec3Dot(yAxis, eye);
  out.m[3][2] = -Vec3Dot(zAxis, eye);
  return out;
}

Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  const float yScale = 1.0f / std::tan(fovY / 2.0f);
  const float xScale = yScale / aspect;
  Matrix out;
  out.m[0][0] = xScale;
  out.m[1][1] = yScale;
  out.m[2][2] = zFar / (zFar - zNear);
  out.m[2][3] = 1.0f;
  out.m[3][2] = -zNear * zFar / (zFar - zNear);
  out.m[3][3] = 0.0f;
  return out;
}

std::optional<Matrix> MatrixInverse(const Matrix& m, float* determinant) {
  const auto& a = m.m;
  // 2x2 minors of the top two rows (s) and of the bottom two rows (c); the 4x4 cofactors are
  // built from them, which keeps the work at about a hundred multiplications.
  const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (determinant)
    *determinant = det;
  if (det == 0.0f || !std::isfinite(det))
    return std::nullopt;

  const float r = 1.0f / det;
  Matrix out;
  auto& b = out.m;
  b[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * r;
  b[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * r;
  b[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * r;
  b[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * r;
  b[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * r;
  b[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * r;
  b[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * r;
  b[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * r;
  b[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * r;
  b[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * r;
  b[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * r;
  b[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * r;
  b[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * r;
  b[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * r;
  b[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * r;
  b[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * r;
  // A determinant that is tiny but not zero can still overflow the reciprocal.
  if (!AllFinite(out))
    return std::nullopt;
  return out;
}

// ---- quaternions ---------------------------------------------------------------------------------

Quaternion QuaternionRotationAxis(const Vec3& axis, float angle) {
  const Vec3 n = Vec3Normalize(axis);
  const float s = std::sin(angle / 2.0f);
  return {n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f)};
}

// ---- planes --------------------------------------------------------------------------------------

Plane PlaneFromPoints(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
  const Vec3 n = Vec3Normalize(Vec3Cross(p2 - p1, p3 - p1));
  return PlaneFromPointNormal(p1, n);
}

Plane PlaneFromPointNormal(const Vec3& point, const Vec3& normal) {
  return {normal.x, normal.y, normal.z, -Vec3Dot(point, normal)};
}

Plane PlaneNormalize(const Plane& p) {
  const float length = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
  if (length == 0.0f)
    return {};
  return {p.a / length, p.b / length, p.c / length, p.d / length};
}

float PlaneDotCoord(const Plane& p, const Vec3& v) {
  return p.a * v.x + p.b * v.y + p.c * v.z + p.d;
}

std::optional<Vec3> PlaneIntersectLine(const Plane& p, const Vec3& p1, const Vec3& p2) {
  const Vec3 direction = p2 - p1;
  const Vec3 normal{p.a, p.b, p.c};
  const float along = Vec3Dot(normal, direction);
  if (along == 0.0f)
    return std::nullopt;
  const float t = -PlaneDotCoord(p, p1) / along;
  const Vec3 hit = p1 + direction * t;
  if (!std::isfinite(hit.x) || !std::isfinite(hit.y) || !std::isfinite(hit.z))
    return std::nullopt;
  return hit;
}

}  // namespace vrel
