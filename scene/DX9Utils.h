#pragma once

// Free functions the geometry, the view and the dialogs share: vector arithmetic on the 3D library's
// three-single vector, tolerant comparisons, angles of directions, the way between screen pixels and
// world points through the device's transforms, plane/segment/triangle tests, knife-line snapping and
// the small number and text conversions of the scene writer and the dialogs.
//
// Everything is a pure function of its arguments except the matrix getters, which read the device's
// current transforms and viewport. No NaN leaves these helpers: a zero-length direction normalises
// to zero, cosines are clamped before acos, and anything that needs the inverse of a singular matrix
// (or meets a point on the eye plane) answers "nothing" through std::optional.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// A pixel, y downwards.
struct ScreenPoint {
  int x = 0, y = 0;

  constexpr ScreenPoint() = default;
  constexpr ScreenPoint(int x_, int y_) : x(x_), y(y_) {}
  constexpr bool operator==(const ScreenPoint&) const = default;
};

// The camera's eye position, as turning blades to face the camera takes it: a type of its own, so
// that the point the camera looks at cannot be passed in its place.
struct EyePoint {
  Vec3 v;
  constexpr EyePoint() = default;
  constexpr explicit EyePoint(const Vec3& p) : v(p) {}
};

// The four textured vertices of a texture polygon.
using TexturedQuad = std::array<TTexturedVertex, 4>;

// Two points of the eye ray through a pixel: on the near plane (depth 0) and on the far plane (depth 1).
struct EyeRay {
  Vec3 nearPoint;
  Vec3 farPoint;
};

// pi as the single the angle conversions have always used.
inline constexpr float kSinglePi = 3.1415927f;
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

// ---- numbers, colours and text -------------------------------------------------------------------

float DegreeToRadian(float degrees);
float RadianToDegree(float radians);

// The nearest integer, halves away from zero. NaN gives 0; values beyond the 64-bit range saturate.
std::int64_t RoundHalfAway(double x);
// x rounded to n decimals (n <= 0: to an integer) half away from zero, through a 64-bit integer.
// A value too large for that, NaN or an infinity comes back unchanged.
double RoundDigits(double x, int n);

// The text as a number (blanks around it allowed, "." as decimal point whatever the locale); the
// default when it is not one or does not fit a finite single.
float TextToFloatDef(std::string_view text, float defaultValue);

// A colour with red in the low byte (as settings keep it) to 0xAARRGGBB with alpha 0xFF.
ArgbColor ColorToD3DColor(std::uint32_t color);
// The colour with its top byte (the system-colour flag) cleared.
std::uint32_t ColorRGB(std::uint32_t color);
// Equal bit for bit, so 0 and -0 differ and a NaN equals the same NaN.
bool SameColorValue(const ColorValue& a, const ColorValue& b);
// The bits of a single, for render states that take a float.
std::uint32_t SingleBits(float value);

// "x:1.00 y:-2.50 z:10.00": two decimals, "." whatever the locale.
std::string VectorToText(const Vec3& v);
// Takes the first three numbers (integer or float tokens) of the text as x, y and z, in order; words
// and punctuation between them are skipped, so VectorToText's output reads back. Components without
// a number keep their value. Returns how many components were read.
int TextToVector(std::string_view text, Vec3& v);
// "%.2f %.2f %.2f " of each corner, concatenated: twelve numbers, each followed by a blank.
std::string AppendCornersText(const TCorners& corners);
// The same text appended to `text`.
void AppendCornersText(std::string& text, const TCorners& corners);

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

// ---- device matrices and the screen --------------------------------------------------------------

Matrix GetWorldMatrix(const IDevice& device);
Matrix GetViewMatrix(const IDevice& device);
Matrix GetProjectionMatrix(const IDevice& device);
// world x view x projection.
Matrix GetWorldViewProjection(const IDevice& device);
// Clip space to pixels: x and y to the viewport (y downwards), depth to MinZ..MaxZ.
Matrix GetViewportMatrix(const Viewport& viewport);
Matrix GetViewportMatrix(const IDevice& device);
// world x view x projection x viewport: a model point to pixel x, pixel y and depth.
Matrix GetScreenMatrix(const IDevice& device);
// The depth of model point p after the screen matrix; nothing when p lies on the eye plane.
std::optional<float> ScreenDepth(const IDevice& device, const Vec3& p);
// The world point (before any world transform) at pixel (x, y) and the given depth: the pixel point
// times inverse viewport x inverse projection x inverse view. Nothing when one of them is singular.
std::optional<Vec3> ScreenToWorld(const Viewport& viewport, float x, float y, float depth, const Matrix& projection,
                                  const Matrix& view);
std::optional<Vec3> ScreenToWorld(const IDevice& device, float x, float y, float depth, const Matrix& projection,
                                  const Matrix& view);
// The eye ray through a pixel.
std::optional<EyeRay> ScreenPointToLine(const Viewport& viewport, float x, float y, const Matrix& projection,
                                        const Matrix& view);
std::optional<EyeRay> ScreenPointToLine(const IDevice& device, float x, float y, const Matrix& projection,
                                        const Matrix& view);
// Pixels a and b as model points at the screen depth of `reference` (0.5 when that depth cannot be
// had), with the device's transforms. Their difference turns a mouse drag into a displacement at the
// depth of what is dragged.
std::optional<std::pair<Vec3, Vec3>> ScreenPointsToWorld(const IDevice& device, const Vec3& reference, ScreenPoint a,
                                                         ScreenPoint b);

// ---- planes, lines and segments ------------------------------------------------------------------

// The point of line ab closest to p; a itself when a and b coincide.
Vec3 ProjectOnLine(const Vec3& p, const Vec3& a, const Vec3& b);
// The indices i < j of the two points farthest apart, the first of equal pairs; (0, 0) for fewer
// than two points.
std::pair<int, int> FarthestPair(const TVector3List& list);
// Snaps the line from `start` to `end` to horizontal, 45 degrees or vertical by its slope, moving
// `end`. False, and nothing moved, when the line is already horizontal or vertical.
bool ConstrainLine(ScreenPoint& end, const ScreenPoint& start);
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
