// Checked against GLM in double precision; GLM's column vectors (p' = G p) make our row-vector M its transpose.

#define GLM_ENABLE_EXPERIMENTAL
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/gtx/euler_angles.hpp>
#include <glm/gtx/intersect.hpp>

#include <gtest/gtest.h>
#include <random>
#include "platform/D3DMath.h"

namespace vrel {
namespace {
constexpr float kPi = 3.14159265f;
const glm::dmat4 kOne(1.0);

// Within 1e-5, relative for magnitudes above 1 (single precision keeps about seven digits).
::testing::AssertionResult Near(double actual, double expected) {
  const double allowed = 1e-5 * std::max(1.0, std::abs(expected));
  if (std::abs(actual - expected) <= allowed)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " differs from " << expected << " by more than " << allowed;
}

glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}

// Our row-vector matrix as the column-vector matrix that does the same: its transpose (GLM indexes [column][row]).
glm::dmat4 ColumnForm(const Matrix& m) {
  return glm::dmat4(glm::make_mat4(&m.m[0][0]));
}

void ExpectNear(const Matrix& ours, const glm::dmat4& columnVectorOracle) {
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(Near(ours.m[i / 4][i % 4], columnVectorOracle[i / 4][i % 4])) << "element " << i;
}

void ExpectNear(const Vec3& ours, const glm::dvec3& expected) {
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(Near(G(ours)[i], expected[i])) << "coordinate " << i;
}

Vec3 Turned(const Vec3& v, const Matrix& m) {
  return Vec3TransformCoord(v, m);
}

struct Sampler {
  std::mt19937 rng{20240611u};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  Vec3 Point(float range = 100.0f) { return {Uniform(-range, range), Uniform(-range, range), Uniform(-range, range)}; }
  float Angle() { return Uniform(-2.0f * kPi, 2.0f * kPi); }
  // An invertible, reasonably conditioned matrix: scale, three turns, a move.
  Matrix WellConditioned() {
    const Vec3 s{Uniform(0.5f, 3.0f), Uniform(0.5f, 3.0f), Uniform(0.5f, 3.0f)};
    const Vec3 t = Point(50.0f);
    return MatrixScaling(s.x, s.y, s.z) * MatrixRotationYawPitchRoll(Angle(), Angle(), Angle()) *
           MatrixTranslation(t.x, t.y, t.z);
  }
};

TEST(D3DMath, AxisRotationsMatchGlm) {
  for (float angle : {0.0f, 0.3f, -1.2f, kPi / 2, 2.5f, -3.0f, 7.0f}) {
    ExpectNear(MatrixRotationX(angle), glm::rotate(kOne, double(angle), glm::dvec3(1, 0, 0)));
    ExpectNear(MatrixRotationY(angle), glm::rotate(kOne, double(angle), glm::dvec3(0, 1, 0)));
    ExpectNear(MatrixRotationZ(angle), glm::rotate(kOne, double(angle), glm::dvec3(0, 0, 1)));
  }
}

// Column vectors read right to left: Z (roll) acts first, then X (pitch), then Y (yaw).
TEST(D3DMath, YawPitchRollMatchesGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const float yaw = s.Angle();
    const float pitch = s.Angle();
    const float roll = s.Angle();
    ExpectNear(MatrixRotationYawPitchRoll(yaw, pitch, roll),
               glm::eulerAngleYXZ(double(yaw), double(pitch), double(roll)));
  }
}

TEST(D3DMath, TranslationMatchesGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 t = s.Point();
    ExpectNear(MatrixTranslation(t.x, t.y, t.z), glm::translate(kOne, G(t)));
  }
}

// a x b applies a first, which for column vectors is B A; a transformed point is divided by w.
TEST(D3DMath, AProductAppliesItsLeftMatrixFirst) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Matrix a = s.WellConditioned();
    const Matrix b = MatrixPerspectiveFovLH(s.Uniform(0.2f, 2.0f), s.Uniform(0.5f, 2.0f), 0.1f, 3000.0f);
    const Vec3 p = s.Point(10.0f);
    ExpectNear(a * b, ColumnForm(b) * ColumnForm(a));
    const glm::dvec4 clip = ColumnForm(a * b) * glm::dvec4(G(p), 1.0);
    ExpectNear(Turned(p, a * b), glm::dvec3(clip) / clip.w);
  }
}

TEST(D3DMath, LookAtAndPerspectiveMatchGlmsLeftHandedForms) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 eye = s.Point();
    const Vec3 at = s.Point();
    const Vec3 up = Vec3Normalize(Vec3{s.Uniform(-0.3f, 0.3f), 1.0f, s.Uniform(-0.3f, 0.3f)});
    ExpectNear(MatrixLookAtLH(eye, at, up), glm::lookAtLH(G(eye), G(at), G(up)));
    const float fov = s.Uniform(0.1f, 2.5f);
    const float aspect = s.Uniform(0.3f, 3.0f);
    const float zNear = s.Uniform(0.01f, 5.0f);
    const float zFar = zNear + s.Uniform(10.0f, 5000.0f);
    ExpectNear(MatrixPerspectiveFovLH(fov, aspect, zNear, zFar),
               glm::perspectiveLH_ZO(double(fov), double(aspect), double(zNear), double(zFar)));
  }
}

// Unprojection inverts the viewport, projection and view matrices one by one.
TEST(D3DMath, InverseAndDeterminantMatchGlm) {
  Sampler s;
  for (int i = 0; i < 60; ++i) {
    Matrix m = i % 4 == 0   ? s.WellConditioned()
               : i % 4 == 1 ? MatrixLookAtLH(s.Point(1000.0f), s.Point(1000.0f), {0, 1, 0})
               : i % 4 == 2 ? MatrixPerspectiveFovLH(s.Uniform(.3f, 2), s.Uniform(.5f, 2), .1f, s.Uniform(100, 3000))
                            : Matrix{};
    if (i % 4 == 3) {  // a viewport
      const float width = s.Uniform(1.0f, 2000.0f);
      const float height = s.Uniform(1.0f, 2000.0f);
      m.m[0][0] = width / 2;
      m.m[1][1] = -height / 2;
      m.m[3][0] = s.Uniform(0.0f, 100.0f) + width / 2;
      m.m[3][1] = s.Uniform(0.0f, 100.0f) + height / 2;
    }
    float det = 0;
    const auto inverse = MatrixInverse(m, &det);
    ASSERT_TRUE(inverse.has_value());
    ExpectNear(*inverse, glm::inverse(ColumnForm(m)));
    EXPECT_TRUE(Near(det, glm::determinant(ColumnForm(m))));
  }
}

// Two equal rows (small integers, so every product is exact), a zero scale as a viewport of width 0 gives, a camera
// whose eye sits on its look-at point, the zero matrix.
TEST(D3DMath, ASingularMatrixHasNoInverseAndADeterminantOfZero) {
  const Matrix equalRows{{{2, -3, 5, 1}, {4, 7, -1, 2}, {4, 7, -1, 2}, {9, 0, 3, 1}}};
  const Matrix zero{{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}};
  for (const Matrix& m :
       {equalRows, MatrixScaling(0, -240, 1), MatrixLookAtLH({5, 5, 5}, {5, 5, 5}, {0, 1, 0}), zero}) {
    float det = 123;
    EXPECT_FALSE(MatrixInverse(m).has_value());
    EXPECT_FALSE(MatrixInverse(m, &det).has_value());
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(glm::determinant(ColumnForm(m)), 0.0);
  }
}

TEST(D3DMath, AnInverseThatWouldOverflowOrHoldANaNIsNone) {
  float det = 0;
  EXPECT_FALSE(MatrixInverse(MatrixScaling(1e-20f, 1e-20f, 1.0f), &det).has_value());
  EXPECT_GT(det, 0.0f);
  Matrix withNan;
  withNan.m[0][1] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(MatrixInverse(withNan).has_value());
}

TEST(D3DMath, RotationQuaternionsMatchGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 axis = s.Point(5.0f);
    const float angle = s.Angle();
    const glm::dquat g = glm::angleAxis(double(angle), glm::normalize(G(axis)));
    ExpectNear(MatrixRotationQuaternion(QuaternionRotationAxis(axis, angle)), glm::mat4_cast(g));
  }
  ExpectNear(MatrixRotationQuaternion(QuaternionRotationAxis({0, 0, 0}, 1.0f)), kOne);  // a zero axis turns nothing
}

// A turn about a centre, as the camera orbit and the selection rotation use it; then everything at once: scale about
// a centre along turned axes, turn about a centre, move.
TEST(D3DMath, TransformationsComposeAsGlmComposesThem) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Quaternion q = QuaternionRotationAxis(s.Point(5.0f), s.Angle());
    const glm::dquat g(q.w, q.x, q.y, q.z);
    const Vec3 centre = s.Point();
    const Vec3 scalingCentre = s.Point();
    const Vec3 scaling{s.Uniform(0.5f, 2), s.Uniform(0.5f, 2), s.Uniform(0.5f, 2)};
    const Vec3 move = s.Point();
    const glm::dmat4 aboutCentre =
        glm::translate(kOne, G(centre)) * glm::mat4_cast(g) * glm::translate(kOne, -G(centre));
    ExpectNear(MatrixTransformation(nullptr, nullptr, nullptr, &centre, &q, nullptr), aboutCentre);
    const Quaternion axes = QuaternionRotationAxis(s.Point(1.0f), s.Angle());
    const glm::dquat gAxes(axes.w, axes.x, axes.y, axes.z);
    const glm::dmat4 expected = glm::translate(kOne, G(move)) * aboutCentre * glm::translate(kOne, G(scalingCentre)) *
                                glm::mat4_cast(gAxes) * glm::scale(kOne, G(scaling)) *
                                glm::mat4_cast(glm::conjugate(gAxes)) * glm::translate(kOne, -G(scalingCentre));
    ExpectNear(MatrixTransformation(&scalingCentre, &axes, &scaling, &centre, &q, &move), expected);
  }
  EXPECT_EQ(MatrixTransformation(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), Matrix{});
}

// Where the line p1 p2 meets the plane, by GLM's ray test tried in both directions.
std::optional<glm::dvec3> GlmLineHit(const glm::dvec3& p1, const glm::dvec3& p2, const glm::dvec3& onPlane,
                                     const glm::dvec3& normal) {
  double t = 0;
  if (glm::intersectRayPlane(p1, p2 - p1, onPlane, normal, t))
    return p1 + (p2 - p1) * t;
  if (glm::intersectRayPlane(p1, p1 - p2, onPlane, normal, t))
    return p1 - (p2 - p1) * t;
  return std::nullopt;
}

TEST(D3DMath, CrossProductAndNormalizeMatchGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 a = s.Point();
    const Vec3 b = s.Point();
    ExpectNear(Vec3Cross(a, b), glm::cross(G(a), G(b)));
    ExpectNear(Vec3Normalize(a), glm::normalize(G(a)));
  }
  EXPECT_EQ(Vec3Normalize({0, 0, 0}), (Vec3{0, 0, 0}));
  EXPECT_EQ(Vec3Normalize({0, -4, 0}), (Vec3{0, -1, 0}));
}

TEST(D3DMath, APlaneThroughThreePointsMatchesGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 p1 = s.Point();
    const Vec3 p2 = s.Point();
    const Vec3 p3 = s.Point();
    const Plane plane = PlaneFromPoints(p1, p2, p3);
    const glm::dvec3 n = glm::normalize(glm::cross(G(p2) - G(p1), G(p3) - G(p1)));
    ExpectNear({plane.a, plane.b, plane.c}, n);
    EXPECT_TRUE(Near(plane.d, -glm::dot(n, G(p1))));
    for (const Vec3& p : {p1, p2, p3})
      EXPECT_NEAR(PlaneDotCoord(plane, p), 0.0f, 1e-3f);
  }
}

// A plane from a point and a long normal keeps the normal's length until normalised.
TEST(D3DMath, APlaneFromAPointAndANormalKeepsTheNormalUntilNormalised) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 p1 = s.Point();
    const Vec3 normal = s.Point(10.0f);
    const Plane raw = PlaneFromPointNormal(p1, normal);
    const Plane unit = PlaneNormalize(raw);
    EXPECT_EQ((Vec3{raw.a, raw.b, raw.c}), normal);
    const double len = glm::length(G(normal));
    ExpectNear({unit.a, unit.b, unit.c}, G(normal) / len);
    EXPECT_TRUE(Near(unit.d, -glm::dot(G(p1), G(normal)) / len));
  }
}

// The whole line counts, also beyond either end.
TEST(D3DMath, ALineMeetsAPlaneWhereGlmFindsTheMeeting) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 p1 = s.Point();
    const Vec3 normal = s.Point(10.0f);
    const Vec3 a = s.Point();
    const Vec3 b = s.Point();
    const Plane raw = PlaneFromPointNormal(p1, normal);
    const auto hit = PlaneIntersectLine(raw, a, b);
    const auto expected = GlmLineHit(G(a), G(b), G(p1), G(normal));
    ASSERT_EQ(hit.has_value(), expected.has_value());
    // Single precision places the meeting to a few units in the last place of the inputs, and worse the more
    // nearly the line runs along the plane.
    const double slant = std::abs(glm::dot(glm::normalize(G(b) - G(a)), glm::normalize(G(normal))));
    const double scale =
        glm::length(G(a)) + glm::length(G(b)) + glm::length(G(p1)) + glm::length(expected.value_or(glm::dvec3(0)));
    if (hit) {
      EXPECT_LE(glm::distance(G(*hit), *expected), 2e-7 * scale / slant) << i;
      EXPECT_NEAR(PlaneDotCoord(PlaneNormalize(raw), *hit), 0.0f, 1e-2f);
    }
  }
  EXPECT_EQ(PlaneIntersectLine(PlaneFromPointNormal({0, 2, 0}, {0, 1, 0}), {1, 10, 1}, {1, 9, 1}), (Vec3{1, 2, 1}));
}

// Parallel to the plane y = 2, in it, or no line at all: nothing, and no NaN.
TEST(D3DMath, ALineParallelToAPlaneMeetsNothing) {
  const Plane y2 = PlaneFromPointNormal({0, 2, 0}, {0, 1, 0});
  EXPECT_FALSE(PlaneIntersectLine(y2, {0, 5, 0}, {3, 5, -1}).has_value());
  EXPECT_FALSE(GlmLineHit({0, 5, 0}, {3, 5, -1}, {0, 2, 0}, {0, 1, 0}).has_value());
  EXPECT_FALSE(PlaneIntersectLine(y2, {0, 2, 0}, {3, 2, -1}).has_value());
  EXPECT_FALSE(PlaneIntersectLine(y2, {1, 1, 1}, {1, 1, 1}).has_value());
}

TEST(D3DMath, DegenerateInputsGiveTheZeroPlaneRatherThanNaN) {
  EXPECT_EQ(PlaneFromPoints({0, 0, 0}, {1, 1, 1}, {2, 2, 2}), Plane{});
  EXPECT_EQ(PlaneNormalize(Plane{0, 0, 0, 5}), Plane{});
  EXPECT_FALSE(PlaneIntersectLine(Plane{}, {0, 0, 0}, {1, 2, 3}).has_value());
}
}  // namespace
}  // namespace vrel
