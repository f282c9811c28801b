#pragma once

// The geometry part of DX9Utils: vector arithmetic on the 3D library's three-single vector and on
// two-single plane vectors, tolerant comparisons, the scene file's corner orders, angles of
// directions and rotations about a point, and the plane, line, segment and triangle tests of picking
// and the knife. Pure functions of their arguments; no NaN leaves them (a zero-length direction
// normalises to zero, cosines are clamped before acos).

#include <array>
#include <optional>
#include <utility>

#include "platform/D3DMath.h"
#include "platform/Device.h"
#include "platform/Vector3.h"
#include "scene/DX9Classes.h"
#include "scene/DX9Square.h"

namespace vrel {

// Two singles: a direction or point in a plane (screen pixels as floats, or two coordinates of a 3D
// vector).
struct Vec2 {
  float x = 0, y = 0;

  constexpr Vec2() = default;
  constexpr Vec2(float x_, float y_) : x(x_), y(y_) {}
  constexpr bool operator==(const Vec2&) const = default;
};

// The four textured vertices of a texture polygon.
using TexturedQuad = std::array<TTexturedVertex, 4>;

// What the tolerant comparisons allow when no tolerance is given.
inline constexpr float kSameTolerance = 1e-6f;

// ---- vectors -------------------------------------------------------------------------------------

Vec3 MakeVector3(float x, float y, float z);
Vec3 ZeroVector();
Vec3 VectorAdd(const Vec3& a, const Vec3& b);
// b - a: the vector that leads from a to b.
Vec3 VectorFromTo(const Vec3& a, const Vec3& b);
float VectorLength(const Vec3& v);
float VectorDistance(const Vec3& a, const Vec3& b);
// v / |v|; the zero vector stays zero.
Vec3 NormalizeVector(const Vec3& v);
Vec3 ScaleVector(const Vec3& v, float s);
Vec3 MidPoint(const Vec3& a, const Vec3& b);
// The cross product of the two edges that meet at corner i (taken mod 4), not normalised:
// (c[i] - c[i-1]) x (c[i+1] - c[i]). For corners clockwise on screen it points at the viewer, the side
// the default culling keeps.
Vec3 QuadNormal(const TCorners& corners, int i);
// Every component differs by at most 1e-6.
bool SameVector(const Vec3& a, const Vec3& b);
// Every component differs by strictly less than tol.
bool SameVectorTol(const Vec3& a, const Vec3& b, float tol);
bool SameNotifyVector(const TNotifyVector& a, const Vec3& b);
bool SameNotifyVector(const TNotifyVector& a, const TNotifyVector& b);
// The angle between two directions in radians; 0 when they point the same way within 1e-6. A zero
// vector has no direction and counts as square to everything (pi / 2).
float AngleBetween(const Vec3& a, const Vec3& b);
// Position and texture coordinates averaged; the colour averaged channel by channel.
TTexturedVertex MidTexturedVertex(const TTexturedVertex& a, const TTexturedVertex& b);

Vec2 MakeVector2(float x, float y);
Vec2 VectorFromTo2D(const Vec2& a, const Vec2& b);
float Distance2D(const Vec2& a, const Vec2& b);
// The zero vector stays zero.
Vec2 Normalize2D(const Vec2& v);
// a.x * b.y - b.x * a.y: positive when b lies counter-clockwise of a in a y-up frame.
float Cross2D(const Vec2& a, const Vec2& b);

// ---- corner and vertex orders --------------------------------------------------------------------

// The scene file's axes have Y and Z exchanged.
TCorners SwapCornersYZ(const TCorners& corners);
TexturedQuad SwapVerticesYZ(const TexturedQuad& vertices);
// The vertices in the order 0, 3, 2, 1: the other winding, same first vertex.
TexturedQuad ReverseVertices(const TexturedQuad& vertices);
// Every corner moved by d along the unit mean of the normals at corners 0 and 2.
TCorners OffsetCornersAlongNormal(const TCorners& corners, float d);

// ---- angles (radians) ----------------------------------------------------------------------------

// The signed angle that turns a onto b: atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y).
float Angle2D(const Vec2& a, const Vec2& b);
// The turn about Y from +Z towards the direction (positive towards +X); 0 for a vertical direction.
float YawOfDirection(const Vec3& direction);
// The turn about X that tilts +Z to the direction once its yaw is taken out; positive looks down.
float PitchOfDirection(const Vec3& direction);
// YawOfDirection(b - a).
float HeadingAngle(const Vec3& a, const Vec3& b);
// PitchOfDirection(b - a).
float ElevationAngle(const Vec3& a, const Vec3& b);
// The rotation by `angle` about `axis` (not necessarily unit) through `centre`; the identity for an
// angle of exactly 0.
Matrix RotationAboutPoint(const Vec3& centre, const Vec3& axis, float angle);
// Rotations about Z, then Y, then X (angles in degrees, as x, y, z of `anglesDegrees`), each about
// `centre`.
Matrix RotateAboutCentre(const Vec3& centre, const Vec3& anglesDegrees);
// The rotation about `centre` that turns direction `from` onto direction `to` by yaw and pitch only
// (no roll): out of from's yaw, through the pitch difference, into to's yaw. The identity when they
// already agree (cosine 0.999999 or more).
Matrix RotationOntoVector(const Vec3& from, const Vec3& to, const Vec3& centre);

// ---- planes, lines and segments ------------------------------------------------------------------

// The point of line ab closest to p; a itself when a and b coincide.
Vec3 ProjectOnLine(const Vec3& p, const Vec3& a, const Vec3& b);
// The indices i < j of the two points farthest apart, the first of equal pairs; (0, 0) for fewer
// than two points.
std::pair<int, int> FarthestPair(const TVector3List& list);
// Whether p's foot point on segment ab lies on it: within 0..|ab| when inclusive, otherwise more than
// one pixel from a and more than two from b. `foot` (when given) receives the foot point. A segment of
// length 0 holds nothing.
bool PointOnSegment2D(const Vec2& p, const Vec2& a, const Vec2& b, bool inclusive, Vec2* foot = nullptr);
// The same in space; not inclusive keeps clear of the outer hundredths of the segment at each end.
bool PointOnSegment3D(const Vec3& p, const Vec3& a, const Vec3& b, bool inclusive, Vec3* foot = nullptr);
// Where line p0 p1 meets the plane through a, b, c (written to `intersection` when it does); true
// when it meets it and p0 lies farther on the plane's normal side than p1.
bool LinePlaneSide(const Vec3& p0, const Vec3& p1, const Vec3& a, const Vec3& b, const Vec3& c, Vec3& intersection);
// LinePlaneSide against the triangles (3, 0, 1) and then (1, 2, 3) of the quad; the point of the first
// that answers true.
std::optional<Vec3> QuadLineIntersect(const Vec3& p0, const Vec3& p1, const TCorners& corners);
// Where segment pq crosses the plane through a, b, c. An end within 0.0001 of the plane counts as on
// it: both on it, or both on one side, is no crossing; with `strict` an end on the plane is none either.
std::optional<Vec3> SegmentCrossesPlane(const Vec3& p, const Vec3& q, const Vec3& a, const Vec3& b, const Vec3& c,
                                        bool strict);
// p inside triangle abc or on its edges; a triangle of no area holds nothing. Either winding.
bool PointInTriangle2D(const Vec2& p, const Vec2& a, const Vec2& b, const Vec2& c);
// p strictly inside the prism that triangle abc sweeps along its normal.
bool PointInTriangle3D(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c);
// p lies on the way from a towards b (cosine at least 0.999999) and no farther than b.
bool PointOnRay(const Vec3& a, const Vec3& b, const Vec3& p);
// p on the inner side of every edge (with respect to the triangle's normal). A point nearer than `tol`
// to an edge's line is accepted for that edge when `inclusive`, even from outside, and rejected when
// not, even from inside. A triangle of no area holds nothing.
bool PointInTriangleTol(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, float tol, bool inclusive);
// The same over the quad's four edges: (3, 0) and (0, 1) against the normal of triangle (3, 0, 1),
// (1, 2) and (2, 3) against that of (1, 2, 3). When one of the triangles has no area, the other's
// normal serves for all four edges; a quad of no area holds nothing.
bool PointInQuadTol(const Vec3& p, const TCorners& corners, float tol, bool inclusive);
// The distances of p's projections along the edges corner 0 -> 1 (x) and corner 0 -> 3 (y), each
// clamped to 0 .. that edge's length; with `normalised`, divided by the edge lengths (texture
// coordinates; 0 along an edge of no length).
Vec2 QuadPointCoordinates(const TCorners& corners, const Vec3& p, bool normalised);

}  // namespace vrel
