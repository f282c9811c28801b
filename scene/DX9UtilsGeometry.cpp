#include "scene/DX9UtilsGeometry.h"

#include <algorithm>
#include <cmath>

#include "scene/DX9UtilsConvert.h"

namespace vrel {

namespace {

const Vec3& Corner(const TCorners& corners, int i) {
  return corners[static_cast<std::size_t>(((i % 4) + 4) % 4)];
}

// The rotation about a world axis through `centre`, or the identity for 0 (so an untouched axis adds
// no rounding noise).
Matrix AxisTurn(const Vec3& centre, const Vec3& axis, float angle) {
  return angle == 0.0f ? Matrix{} : RotationAboutPoint(centre, axis, angle);
}

// Whether p passes edge start -> end of a face with normal n (see PointInTriangleTol).
bool EdgeAccepts(const Vec3& p, const Vec3& start, const Vec3& end, const Vec3& n, float tol, bool inclusive) {
  const Vec3 edge = end - start;
  const Vec3 toP = p - start;
  const Vec3 across = Vec3Cross(edge, toP);
  const bool inside = Vec3Dot(across, n) >= 0.0f;
  const float edgeLength = Vec3Length(edge);
  const float distance = edgeLength > 0.0f ? Vec3Length(across) / edgeLength : Vec3Length(toP);
  const bool near = distance < tol;
  return inclusive ? (inside || near) : (inside && !near);
}

// Yaw and pitch of a direction as the camera and face-to-camera read them; yaw 0 for a vertical one.
struct YawPitch {
  float yaw = 0;
  float pitch = 0;
};

YawPitch YawPitchOf(const Vec3& direction) {
  const Vec3 n = Vec3Normalize(direction);
  YawPitch r;
  Vec3 turned = n;
  if (Vec3Length(Vec3Cross(n, {0, 1, 0})) > 1e-6f) {
    r.yaw = Angle2D({n.x, n.z}, {0, 1});
    turned = Vec3TransformCoord(n, MatrixRotationY(-r.yaw));
  }
  r.pitch = Angle2D({turned.z, turned.y}, {1, 0});
  return r;
}

}  // namespace

// ---- vectors -------------------------------------------------------------------------------------

Vec3 MakeVector3(float x, float y, float z) {
  return {x, y, z};
}
Vec3 ZeroVector() {
  return {};
}
Vec3 VectorAdd(const Vec3& a, const Vec3& b) {
  return a + b;
}
Vec3 VectorFromTo(const Vec3& a, const Vec3& b) {
  return b - a;
}
float VectorLength(const Vec3& v) {
  return Vec3Length(v);
}
float VectorDistance(const Vec3& a, const Vec3& b) {
  return Vec3Length(b - a);
}
Vec3 NormalizeVector(const Vec3& v) {
  return Vec3Normalize(v);
}
Vec3 ScaleVector(const Vec3& v, float s) {
  return v * s;
}
Vec3 MidPoint(const Vec3& a, const Vec3& b) {
  return (a + b) * 0.5f;
}

Vec3 QuadNormal(const TCorners& corners, int i) {
  const Vec3& c = Corner(corners, i);
  return Vec3Cross(c - Corner(corners, i - 1), Corner(corners, i + 1) - c);
}

bool SameVector(const Vec3& a, const Vec3& b) {
  return std::fabs(a.x - b.x) <= kSameTolerance && std::fabs(a.y - b.y) <= kSameTolerance &&
         std::fabs(a.z - b.z) <= kSameTolerance;
}

bool SameVectorTol(const Vec3& a, const Vec3& b, float tol) {
  return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol && std::fabs(a.z - b.z) < tol;
}

bool SameNotifyVector(const TNotifyVector& a, const Vec3& b) {
  return SameVector(a.GetVector(), b);
}
bool SameNotifyVector(const TNotifyVector& a, const TNotifyVector& b) {
  return SameVector(a.GetVector(), b.GetVector());
}

float AngleBetween(const Vec3& a, const Vec3& b) {
  const float cosine = Vec3Dot(Vec3Normalize(a), Vec3Normalize(b));
  if (cosine + 1e-6f > 1.0f)
    return 0.0f;
  return std::acos(std::clamp(cosine, -1.0f, 1.0f));
}

TTexturedVertex MidTexturedVertex(const TTexturedVertex& a, const TTexturedVertex& b) {
  TTexturedVertex m;
  m.x = (a.x + b.x) * 0.5f;
  m.y = (a.y + b.y) * 0.5f;
  m.z = (a.z + b.z) * 0.5f;
  m.tu = (a.tu + b.tu) * 0.5f;
  m.tv = (a.tv + b.tv) * 0.5f;
  ArgbColor colour = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const ArgbColor channel = (((a.diffuse >> shift) & 0xFFu) + ((b.diffuse >> shift) & 0xFFu)) / 2u;
    colour |= channel << shift;
  }
  m.diffuse = colour;
  return m;
}

Vec2 MakeVector2(float x, float y) {
  return {x, y};
}
Vec2 VectorFromTo2D(const Vec2& a, const Vec2& b) {
  return {b.x - a.x, b.y - a.y};
}
float Distance2D(const Vec2& a, const Vec2& b) {
  return std::hypot(b.x - a.x, b.y - a.y);
}

Vec2 Normalize2D(const Vec2& v) {
  const float length = std::hypot(v.x, v.y);
  if (length == 0.0f)
    return {};
  return {v.x / length, v.y / length};
}

float Cross2D(const Vec2& a, const Vec2& b) {
  return a.x * b.y - b.x * a.y;
}

// ---- corner and vertex orders --------------------------------------------------------------------

TCorners SwapCornersYZ(const TCorners& corners) {
  TCorners out;
  for (std::size_t i = 0; i < 4; ++i)
    out[i] = {corners[i].x, corners[i].z, corners[i].y};
  return out;
}

TexturedQuad SwapVerticesYZ(const TexturedQuad& vertices) {
  TexturedQuad out = vertices;
  for (TTexturedVertex& v : out)
    std::swap(v.y, v.z);
  return out;
}

TexturedQuad ReverseVertices(const TexturedQuad& vertices) {
  return {vertices[0], vertices[3], vertices[2], vertices[1]};
}

TCorners OffsetCornersAlongNormal(const TCorners& corners, float d) {
  const Vec3 n = Vec3Normalize((QuadNormal(corners, 0) + QuadNormal(corners, 2)) * 0.5f);
  TCorners out;
  for (std::size_t i = 0; i < 4; ++i)
    out[i] = corners[i] + n * d;
  return out;
}

// ---- angles --------------------------------------------------------------------------------------

float Angle2D(const Vec2& a, const Vec2& b) {
  return std::atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y);
}

float YawOfDirection(const Vec3& direction) {
  return YawPitchOf(direction).yaw;
}
float PitchOfDirection(const Vec3& direction) {
  return YawPitchOf(direction).pitch;
}
float HeadingAngle(const Vec3& a, const Vec3& b) {
  return YawOfDirection(b - a);
}
float ElevationAngle(const Vec3& a, const Vec3& b) {
  return PitchOfDirection(b - a);
}

Matrix RotationAboutPoint(const Vec3& centre, const Vec3& axis, float angle) {
  if (angle == 0.0f)
    return Matrix{};
  const Quaternion q = QuaternionRotationAxis(axis, angle);
  return MatrixTransformation(nullptr, nullptr, nullptr, &centre, &q, nullptr);
}

Matrix RotateAboutCentre(const Vec3& centre, const Vec3& anglesDegrees) {
  return AxisTurn(centre, {0, 0, 1}, DegreeToRadian(anglesDegrees.z)) *
         AxisTurn(centre, {0, 1, 0}, DegreeToRadian(anglesDegrees.y)) *
         AxisTurn(centre, {1, 0, 0}, DegreeToRadian(anglesDegrees.x));
}

Matrix RotationOntoVector(const Vec3& from, const Vec3& to, const Vec3& centre) {
  if (Vec3Dot(Vec3Normalize(from), Vec3Normalize(to)) >= 0.999999f)
    return Matrix{};
  const YawPitch a = YawPitchOf(from);
  const YawPitch b = YawPitchOf(to);
  return AxisTurn(centre, {0, 1, 0}, -a.yaw) * AxisTurn(centre, {1, 0, 0}, b.pitch - a.pitch) *
         AxisTurn(centre, {0, 1, 0}, b.yaw);
}

// ---- planes, lines and segments ------------------------------------------------------------------

Vec3 ProjectOnLine(const Vec3& p, const Vec3& a, const Vec3& b) {
  const Vec3 d = Vec3Normalize(b - a);
  return a + d * Vec3Dot(p - a, d);
}

std::pair<int, int> FarthestPair(const TVector3List& list) {
  const std::vector<Vec3>& points = list.Items();
  const int count = static_cast<int>(points.size());
  std::pair<int, int> best{0, 0};
  float bestDistance = -1.0f;
  for (int i = 0; i < count; ++i) {
    for (int j = i + 1; j < count; ++j) {
      const float d = VectorDistance(points[static_cast<std::size_t>(i)], points[static_cast<std::size_t>(j)]);
      if (d > bestDistance) {
        bestDistance = d;
        best = {i, j};
      }
    }
  }
  return best;
}

bool PointOnSegment2D(const Vec2& p, const Vec2& a, const Vec2& b, bool inclusive, Vec2* foot) {
  const float length = Distance2D(a, b);
  const Vec2 direction = Normalize2D(VectorFromTo2D(a, b));
  const float t = (p.x - a.x) * direction.x + (p.y - a.y) * direction.y;
  if (foot)
    *foot = {a.x + direction.x * t, a.y + direction.y * t};
  if (length == 0.0f)
    return false;
  return inclusive ? (t >= 0.0f && t <= length) : (t > 1.0f && t < length - 2.0f);
}

bool PointOnSegment3D(const Vec3& p, const Vec3& a, const Vec3& b, bool inclusive, Vec3* foot) {
  const float length = VectorDistance(a, b);
  const Vec3 direction = Vec3Normalize(b - a);
  const float t = Vec3Dot(p - a, direction);
  if (foot)
    *foot = a + direction * t;
  if (length == 0.0f)
    return false;
  return inclusive ? (t >= 0.0f && t <= length) : (t > 0.01f * length && t < 0.99f * length);
}

bool LinePlaneSide(const Vec3& p0, const Vec3& p1, const Vec3& a, const Vec3& b, const Vec3& c, Vec3& intersection) {
  const Plane plane = PlaneFromPoints(a, b, c);
  const auto hit = PlaneIntersectLine(plane, p0, p1);
  if (!hit)
    return false;
  intersection = *hit;
  return PlaneDotCoord(plane, p0) > PlaneDotCoord(plane, p1);
}

std::optional<Vec3> QuadLineIntersect(const Vec3& p0, const Vec3& p1, const TCorners& corners) {
  Vec3 hit;
  if (LinePlaneSide(p0, p1, corners[3], corners[0], corners[1], hit))
    return hit;
  if (LinePlaneSide(p0, p1, corners[1], corners[2], corners[3], hit))
    return hit;
  return std::nullopt;
}

std::optional<Vec3> SegmentCrossesPlane(const Vec3& p, const Vec3& q, const Vec3& a, const Vec3& b, const Vec3& c,
                                        bool strict) {
  constexpr float kOnPlane = 0.0001f;
  const Plane plane = PlaneFromPoints(a, b, c);
  const float dp = PlaneDotCoord(plane, p);
  const float dq = PlaneDotCoord(plane, q);
  const bool pOn = std::fabs(dp) <= kOnPlane;
  const bool qOn = std::fabs(dq) <= kOnPlane;
  if (pOn && qOn)
    return std::nullopt;
  if (!pOn && !qOn && (dp > 0) == (dq > 0))
    return std::nullopt;
  if (strict && (pOn || qOn))
    return std::nullopt;
  if (const auto hit = PlaneIntersectLine(plane, p, q))
    return hit;
  return pOn ? p : q;
}

bool PointInTriangle2D(const Vec2& p, const Vec2& a, const Vec2& b, const Vec2& c) {
  const float area = Cross2D(VectorFromTo2D(a, b), VectorFromTo2D(a, c));
  if (area == 0.0f || !std::isfinite(area))
    return false;
  const float sense = area > 0 ? 1.0f : -1.0f;
  return Cross2D(VectorFromTo2D(a, b), VectorFromTo2D(a, p)) * sense >= 0.0f &&
         Cross2D(VectorFromTo2D(b, c), VectorFromTo2D(b, p)) * sense >= 0.0f &&
         Cross2D(VectorFromTo2D(c, a), VectorFromTo2D(c, p)) * sense >= 0.0f;
}

bool PointInTriangle3D(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 n = Vec3Cross(b - a, c - a);
  return Vec3Dot(Vec3Cross(b - a, p - a), n) > 0.0f && Vec3Dot(Vec3Cross(c - b, p - b), n) > 0.0f &&
         Vec3Dot(Vec3Cross(a - c, p - c), n) > 0.0f;
}

bool PointOnRay(const Vec3& a, const Vec3& b, const Vec3& p) {
  const Vec3 ab = b - a;
  const Vec3 ap = p - a;
  return Vec3Dot(Vec3Normalize(ab), Vec3Normalize(ap)) >= 0.999999f && Vec3Length(ap) <= Vec3Length(ab);
}

bool PointInTriangleTol(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, float tol, bool inclusive) {
  const Vec3 n = Vec3Cross(b - a, c - a);
  if (Vec3LengthSq(n) == 0.0f)
    return false;
  return EdgeAccepts(p, a, b, n, tol, inclusive) && EdgeAccepts(p, b, c, n, tol, inclusive) &&
         EdgeAccepts(p, c, a, n, tol, inclusive);
}

bool PointInQuadTol(const Vec3& p, const TCorners& corners, float tol, bool inclusive) {
  const Vec3& c0 = corners[0];
  const Vec3& c1 = corners[1];
  const Vec3& c2 = corners[2];
  const Vec3& c3 = corners[3];
  Vec3 first = Vec3Cross(c0 - c3, c1 - c3);
  Vec3 second = Vec3Cross(c2 - c1, c3 - c1);
  const bool firstFlat = Vec3LengthSq(first) == 0.0f;
  const bool secondFlat = Vec3LengthSq(second) == 0.0f;
  if (firstFlat && secondFlat)
    return false;
  if (firstFlat)
    first = second;
  if (secondFlat)
    second = first;
  return EdgeAccepts(p, c3, c0, first, tol, inclusive) && EdgeAccepts(p, c0, c1, first, tol, inclusive) &&
         EdgeAccepts(p, c1, c2, second, tol, inclusive) && EdgeAccepts(p, c2, c3, second, tol, inclusive);
}

Vec2 QuadPointCoordinates(const TCorners& corners, const Vec3& p, bool normalised) {
  const Vec3 toP = p - corners[0];
  auto along = [&](const Vec3& edge) {
    const float length = Vec3Length(edge);
    if (length == 0.0f)
      return 0.0f;
    const float d = std::clamp(Vec3Dot(toP, edge / length), 0.0f, length);
    return normalised ? d / length : d;
  };
  return {along(corners[1] - corners[0]), along(corners[3] - corners[0])};
}

}  // namespace vrel
