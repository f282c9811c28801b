// The maths checked against GLM, computed in double precision as the oracle. GLM works with column
// vectors (p' = G p) where ours are row vectors (p' = p M), so M is compared with the transpose of G.

#define GLM_ENABLE_EXPERIMENTAL
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtx/euler_angles.hpp>
#include <glm/gtx/intersect.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "platform/D3DMath.h"

namespace vrel {
namespace {

constexpr double kTolerance = 1e-5;
constexpr float kPi = 3.14159265f;

// Within 1e-5, relative for magnitudes above 1 (single precision keeps about seven digits).
::testing::AssertionResult Near(double actual, double expected) {
  const double allowed = kTolerance * std::max(1.0, std::abs(expected));
  if (std::abs(actual - expected) <= allowed) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " differs from " << expected << " by more than " << allowed;
}

glm::dvec3 G(const Vec3& v) { return {v.x, v.y, v.z}; }

// Our row-vector matrix as the column-vector matrix that does the same: its transpose. GLM indexes
// [column][row].
glm::dmat4 ColumnForm(const Matrix& m) {
  glm::dmat4 g(0.0);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) g[r][c] = m.m[r][c];  // element (row c, column r) of G
  }
  return g;
}

void ExpectMatrixNear(const Matrix& ours, const glm::dmat4& columnVectorOracle) {
  const glm::dmat4 t = glm::transpose(columnVectorOracle);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_TRUE(Near(ours.m[r][c], t[c][r])) << "element row " << r << " column " << c;
  }
}

void ExpectVecNear(const Vec3& ours, const glm::dvec3& expected) {
  EXPECT_TRUE(Near(ours.x, expected.x)) << "x";
  EXPECT_TRUE(Near(ours.y, expected.y)) << "y";
  EXPECT_TRUE(Near(ours.z, expected.z)) << "z";
}

class Sampler {
 public:
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
  Vec3 Point(float range = 100.0f) { return {Uniform(-range, range), Uniform(-range, range), Uniform(-range, range)}; }
  float Angle() { return Uniform(-2.0f * kPi, 2.0f * kPi); }

 private:
  std::mt19937 rng_{20240611u};
};

// An invertible, reasonably conditioned matrix: scale, three turns, a move.
Matrix WellConditioned(Sampler& s) {
  return MatrixScaling(s.Uniform(0.5f, 3.0f), s.Uniform(0.5f, 3.0f), s.Uniform(0.5f, 3.0f)) *
         MatrixRotationYawPitchRoll(s.Angle(), s.Angle(), s.Angle()) * MatrixTranslation(s.Uniform(-50, 50), s.Uniform(-50, 50), s.Uniform(-50, 50));
}

TEST(D3DMathTest, SingleAxisRotationsMatchGlmAndTheLeftHandedSense) {
  const glm::dmat4 one(1.0);
  for (float angle : {0.0f, 0.3f, -1.2f, kPi / 2, 2.5f, -3.0f, 7.0f}) {
    SCOPED_TRACE(angle);
    ExpectMatrixNear(MatrixRotationX(angle), glm::rotate(one, double(angle), glm::dvec3(1, 0, 0)));
    ExpectMatrixNear(MatrixRotationY(angle), glm::rotate(one, double(angle), glm::dvec3(0, 1, 0)));
    ExpectMatrixNear(MatrixRotationZ(angle), glm::rotate(one, double(angle), glm::dvec3(0, 0, 1)));
  }
  // A cube corner turned 90 degrees about Y: (-s, s, -s) goes to (-s, s, s).
  ExpectVecNear(Vec3TransformCoord({-1000, 1000, -1000}, MatrixRotationY(kPi / 2)), {-1000, 1000, 1000});
  // Z to X under a quarter turn about Y, Y to Z about X, X to Y about Z.
  ExpectVecNear(Vec3TransformCoord({0, 0, 1}, MatrixRotationY(kPi / 2)), {1, 0, 0});
  ExpectVecNear(Vec3TransformCoord({0, 1, 0}, MatrixRotationX(kPi / 2)), {0, 0, 1});
  ExpectVecNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationZ(kPi / 2)), {0, 1, 0});
}

TEST(D3DMathTest, YawPitchRollAppliesRollThenPitchThenYaw) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const float yaw = s.Angle(), pitch = s.Angle(), roll = s.Angle();
    const Matrix ours = MatrixRotationYawPitchRoll(yaw, pitch, roll);
    // Column vectors read right to left: Z (roll) acts first.
    ExpectMatrixNear(ours, glm::eulerAngleYXZ(double(yaw), double(pitch), double(roll)));
    const glm::dmat4 one(1.0);
    ExpectMatrixNear(ours, glm::rotate(one, double(yaw), {0, 1, 0}) * glm::rotate(one, double(pitch), {1, 0, 0}) *
                               glm::rotate(one, double(roll), {0, 0, 1}));
  }
  // The origin camera: looking along +Z at distance 100, a yaw of 90 degrees looks along +X and a
  // pitch of 30 degrees looks down.
  ExpectVecNear(Vec3TransformCoord({0, 0, 100}, MatrixRotationYawPitchRoll(kPi / 2, 0, 0)), {100, 0, 0});
  ExpectVecNear(Vec3TransformCoord({0, 0, 100}, MatrixRotationYawPitchRoll(0, kPi / 6, 0)), {0, -50, 86.6025});
  // A roll of 90 then a yaw of 90: X goes to Y first, and Y stays put under the yaw.
  ExpectVecNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationYawPitchRoll(kPi / 2, 0, kPi / 2)), {0, 1, 0});
}

TEST(D3DMathTest, TranslationMultiplicationAndTransformCoordMatchGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 t = s.Point();
    ExpectMatrixNear(MatrixTranslation(t.x, t.y, t.z), glm::translate(glm::dmat4(1.0), G(t)));

    const Matrix a = WellConditioned(s);
    const Matrix b = MatrixPerspectiveFovLH(s.Uniform(0.2f, 2.0f), s.Uniform(0.5f, 2.0f), 0.1f, 3000.0f);
    // Row vectors: a x b applies a first, which for column vectors is B A.
    ExpectMatrixNear(a * b, ColumnForm(b) * ColumnForm(a));
    ExpectMatrixNear(MatrixMultiply(a, b), ColumnForm(b) * ColumnForm(a));

    const Vec3 p = s.Point(10.0f);
    const glm::dvec4 clip = ColumnForm(a * b) * glm::dvec4(G(p), 1.0);
    ExpectVecNear(Vec3TransformCoord(p, a * b), glm::dvec3(clip) / clip.w);
  }
  // Translation first, then the turn: (1, 0, 0) + (0, 0, 1), turned 90 degrees about Y.
  ExpectVecNear(Vec3TransformCoord({1, 0, 0}, MatrixTranslation(0, 0, 1) * MatrixRotationY(kPi / 2)), {1, 0, -1});
  EXPECT_EQ(MatrixIdentity(), Matrix{});
}

TEST(D3DMathTest, LookAtAndPerspectiveMatchGlmLeftHandedZeroToOne) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 eye = s.Point(), at = s.Point();
    const Vec3 up = Vec3Normalize(Vec3{s.Uniform(-0.3f, 0.3f), 1.0f, s.Uniform(-0.3f, 0.3f)});
    ExpectMatrixNear(MatrixLookAtLH(eye, at, up), glm::lookAtLH(G(eye), G(at), G(up)));

    const float fov = s.Uniform(0.1f, 2.5f), aspect = s.Uniform(0.3f, 3.0f);
    const float zNear = s.Uniform(0.01f, 5.0f), zFar = zNear + s.Uniform(10.0f, 5000.0f);
    ExpectMatrixNear(MatrixPerspectiveFovLH(fov, aspect, zNear, zFar),
                     glm::perspectiveLH_ZO(double(fov), double(aspect), double(zNear), double(zFar)));
  }
  // The camera's view of its look-at point lies on +Z at the eye distance.
  ExpectVecNear(Vec3TransformCoord({0, 0, 0}, MatrixLookAtLH({0, 0, -100}, {0, 0, 0}, {0, 1, 0})), {0, 0, 100});
  // Depth: the near plane maps to 0, the far plane to 1; +X stays to the right.
  const Matrix proj = MatrixPerspectiveFovLH(kPi / 4, 1.0f, 0.1f, 3000.0f);
  EXPECT_TRUE(Near(Vec3TransformCoord({0, 0, 0.1f}, proj).z, 0.0));
  EXPECT_TRUE(Near(Vec3TransformCoord({0, 0, 3000.0f}, proj).z, 1.0));
  EXPECT_GT(Vec3TransformCoord({1, 0, 10}, proj).x, 0.0f);
}

TEST(D3DMathTest, InverseMatchesGlmAndReportsSingularMatrices) {
  Sampler s;
  // Unprojection inverts the viewport, projection and view matrices one by one, each well within
  // what single precision can invert.
  for (int i = 0; i < 60; ++i) {
    Matrix m;
    switch (i % 4) {
      case 0:
        m = WellConditioned(s);
        break;
      case 1:
        m = MatrixLookAtLH(s.Point(1000.0f), s.Point(1000.0f), {0, 1, 0});
        break;
      case 2:
        m = MatrixPerspectiveFovLH(s.Uniform(0.3f, 2.0f), s.Uniform(0.5f, 2.0f), 0.1f, s.Uniform(100.0f, 3000.0f));
        break;
      default: {
        const float width = s.Uniform(1.0f, 2000.0f), height = s.Uniform(1.0f, 2000.0f);
        m.m[0][0] = width / 2;
        m.m[1][1] = -height / 2;
        m.m[3][0] = s.Uniform(0.0f, 100.0f) + width / 2;
        m.m[3][1] = s.Uniform(0.0f, 100.0f) + height / 2;
      }
    }
    float det = 0;
    const auto inverse = MatrixInverse(m, &det);
    ASSERT_TRUE(inverse.has_value());
    ExpectMatrixNear(*inverse, glm::inverse(ColumnForm(m)));
    EXPECT_TRUE(Near(det, glm::determinant(ColumnForm(m))));
  }

  // Singular: two equal rows (small integers, so single precision holds every product exactly), a
  // zero scale as a viewport of width 0 gives, a camera whose eye sits on its look-at point, the zero
  // matrix. Nothing comes back and the determinant reads 0.
  const Matrix equalRows{{{2, -3, 5, 1}, {4, 7, -1, 2}, {4, 7, -1, 2}, {9, 0, 3, 1}}};
  Matrix zero;
  for (auto& row : zero.m) {
    for (float& v : row) v = 0;
  }
  const Matrix eyeOnTarget = MatrixLookAtLH({5, 5, 5}, {5, 5, 5}, {0, 1, 0});
  for (const Matrix& singular : {equalRows, MatrixScaling(0, -240, 1), eyeOnTarget, zero}) {
    float det = 123;
    EXPECT_FALSE(MatrixInverse(singular).has_value());
    EXPECT_FALSE(MatrixInverse(singular, &det).has_value());
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(glm::determinant(ColumnForm(singular)), 0.0);
  }
  // A determinant that is not zero but whose reciprocal overflows a single gives no inverse either,
  // rather than one full of infinities and NaN.
  float det = 0;
  EXPECT_FALSE(MatrixInverse(MatrixScaling(1e-20f, 1e-20f, 1.0f), &det).has_value());
  EXPECT_GT(det, 0.0f);
  // A NaN element gives no inverse.
  Matrix withNan;
  withNan.m[0][1] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(MatrixInverse(withNan).has_value());
}

TEST(D3DMathTest, QuaternionsAndTransformationMatchGlm) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 axis = s.Point(5.0f);
    const float angle = s.Angle();
    const Quaternion q = QuaternionRotationAxis(axis, angle);
    const glm::dquat g = glm::angleAxis(double(angle), glm::normalize(G(axis)));
    EXPECT_TRUE(Near(q.x, g.x));
    EXPECT_TRUE(Near(q.y, g.y));
    EXPECT_TRUE(Near(q.z, g.z));
    EXPECT_TRUE(Near(q.w, g.w));
    ExpectMatrixNear(MatrixRotationQuaternion(q), glm::mat4_cast(g));

    // A turn about a centre, as the camera orbit and the selection rotation use it.
    const Vec3 centre = s.Point();
    const glm::dmat4 aboutCentre = glm::translate(glm::dmat4(1.0), G(centre)) * glm::mat4_cast(g) *
                                   glm::translate(glm::dmat4(1.0), -G(centre));
    ExpectMatrixNear(MatrixTransformation(nullptr, nullptr, nullptr, &centre, &q, nullptr), aboutCentre);

    // Everything at once: scale about a centre along turned axes, turn about a centre, move.
    const Vec3 scalingCentre = s.Point(), scaling{s.Uniform(0.5f, 2), s.Uniform(0.5f, 2), s.Uniform(0.5f, 2)};
    const Vec3 move = s.Point();
    const Quaternion axes = QuaternionRotationAxis(s.Point(1.0f), s.Angle());
    const glm::dquat gAxes(axes.w, axes.x, axes.y, axes.z);
    const glm::dmat4 one(1.0);
    const glm::dmat4 expected = glm::translate(one, G(move)) * aboutCentre * glm::translate(one, G(scalingCentre)) *
                                glm::mat4_cast(gAxes) * glm::scale(one, G(scaling)) *
                                glm::mat4_cast(glm::conjugate(gAxes)) * glm::translate(one, -G(scalingCentre));
    ExpectMatrixNear(MatrixTransformation(&scalingCentre, &axes, &scaling, &centre, &q, &move), expected);
  }
  // Missing parts stand for nothing; a zero axis turns nothing.
  EXPECT_EQ(MatrixTransformation(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), Matrix{});
  const Quaternion still = QuaternionRotationAxis({0, 0, 0}, 1.0f);
  ExpectMatrixNear(MatrixRotationQuaternion(still), glm::dmat4(1.0));
  // The orbit of the free camera: (0, 0, -100) turned 90 degrees about Y around the origin.
  const Quaternion yaw = QuaternionRotationAxis({0, 1, 0}, kPi / 2);
  const Vec3 origin{};
  ExpectVecNear(Vec3TransformCoord({0, 0, -100}, MatrixTransformation(nullptr, nullptr, nullptr, &origin, &yaw, nullptr)),
                {-100, 0, 0});
}

TEST(D3DMathTest, VectorOperationsMatchGlmAndZeroStaysZero) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 a = s.Point(), b = s.Point();
    ExpectVecNear(Vec3Cross(a, b), glm::cross(G(a), G(b)));
    EXPECT_TRUE(Near(Vec3Dot(a, b), glm::dot(G(a), G(b))));
    EXPECT_TRUE(Near(Vec3Length(a), glm::length(G(a))));
    ExpectVecNear(Vec3Normalize(a), glm::normalize(G(a)));
    ExpectVecNear(2.5f * a - b, 2.5 * G(a) - G(b));
  }
  EXPECT_EQ(Vec3Normalize({0, 0, 0}), (Vec3{0, 0, 0}));
  EXPECT_EQ(Vec3Normalize({0, -4, 0}), (Vec3{0, -1, 0}));
}

// Where the line p1 p2 meets the plane, by GLM's ray test tried in both directions.
std::optional<glm::dvec3> GlmLineHit(const glm::dvec3& p1, const glm::dvec3& p2, const glm::dvec3& onPlane,
                                     const glm::dvec3& normal) {
  const glm::dvec3 dir = p2 - p1;
  double t = 0;
  if (glm::intersectRayPlane(p1, dir, onPlane, normal, t)) return p1 + dir * t;
  if (glm::intersectRayPlane(p1, -dir, onPlane, normal, t)) return p1 - dir * t;
  return std::nullopt;
}

TEST(D3DMathTest, PlanesMatchGlmAndAParallelLineFindsNothing) {
  Sampler s;
  for (int i = 0; i < 50; ++i) {
    const Vec3 p1 = s.Point(), p2 = s.Point(), p3 = s.Point();
    const Plane plane = PlaneFromPoints(p1, p2, p3);
    const glm::dvec3 n = glm::normalize(glm::cross(G(p2) - G(p1), G(p3) - G(p1)));
    ExpectVecNear({plane.a, plane.b, plane.c}, n);
    EXPECT_TRUE(Near(plane.d, -glm::dot(n, G(p1))));
    for (const Vec3& p : {p1, p2, p3}) EXPECT_NEAR(PlaneDotCoord(plane, p), 0.0f, 1e-3f);

    // A plane from a point and a long normal keeps the normal's length until normalised.
    const Vec3 normal = s.Point(10.0f);
    const Plane raw = PlaneFromPointNormal(p1, normal);
    EXPECT_EQ((Vec3{raw.a, raw.b, raw.c}), normal);
    const Plane unit = PlaneNormalize(raw);
    const double len = glm::length(G(normal));
    ExpectVecNear({unit.a, unit.b, unit.c}, G(normal) / len);
    EXPECT_TRUE(Near(unit.d, -glm::dot(G(p1), G(normal)) / len));

    // The whole line counts, also beyond either end.
    const Vec3 a = s.Point(), b = s.Point();
    const auto hit = PlaneIntersectLine(raw, a, b);
    const auto expected = GlmLineHit(G(a), G(b), G(p1), G(normal));
    ASSERT_EQ(hit.has_value(), expected.has_value());
    if (hit) {
      ExpectVecNear(*hit, *expected);
      EXPECT_NEAR(PlaneDotCoord(unit, *hit), 0.0f, 1e-2f);
    }
  }
  // Parallel to the plane y = 2, in it, or no line at all: nothing, and no NaN.
  const Plane y2 = PlaneFromPointNormal({0, 2, 0}, {0, 1, 0});
  EXPECT_FALSE(PlaneIntersectLine(y2, {0, 5, 0}, {3, 5, -1}).has_value());
  EXPECT_FALSE(PlaneIntersectLine(y2, {0, 2, 0}, {3, 2, -1}).has_value());
  EXPECT_FALSE(PlaneIntersectLine(y2, {1, 1, 1}, {1, 1, 1}).has_value());
  EXPECT_FALSE(GlmLineHit({0, 5, 0}, {3, 5, -1}, {0, 2, 0}, {0, 1, 0}).has_value());
  const auto down = PlaneIntersectLine(y2, {1, 10, 1}, {1, 9, 1});
  ASSERT_TRUE(down.has_value());
  EXPECT_EQ(*down, (Vec3{1, 2, 1}));

  // Degenerate inputs give the zero plane rather than NaN.
  EXPECT_EQ(PlaneFromPoints({0, 0, 0}, {1, 1, 1}, {2, 2, 2}), Plane{});
  EXPECT_EQ(PlaneNormalize(Plane{0, 0, 0, 5}), Plane{});
  EXPECT_FALSE(PlaneIntersectLine(Plane{}, {0, 0, 0}, {1, 2, 3}).has_value());
}

}  // namespace
}  // namespace vrel
