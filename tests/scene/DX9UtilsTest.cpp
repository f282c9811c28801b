// The shared helpers against GLM in double (our row-vector p x M is GLM's G * p, G transposed) and printf.
#define GLM_ENABLE_EXPERIMENTAL
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <glm/gtx/closest_point.hpp>
#include <glm/gtx/vector_angle.hpp>
#include <limits>
#include <random>
#include <tuple>

#include "platform/RecordingDevice.h"
#include "scene/DX9Utils.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

constexpr double kPi = 3.14159265358979323846;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

::testing::AssertionResult Close(const Vec3& actual, const glm::dvec3& expected, double relative = 1e-4) {
  const double off = glm::length(G(actual) - expected);
  if (off <= relative * std::max(1.0, glm::length(expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is " << off
                                       << " from (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}
struct Sampler {
  std::mt19937 rng{4711u};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  Vec3 Point(float r = 100.0f) { return {Uniform(-r, r), Uniform(-r, r), Uniform(-r, r)}; }
};

// Half away from zero through 64-bit integers (300000.12346 x 10^4 wraps a 32-bit one); n <= 0 gives integers.
TEST(DX9UtilsNumbers, RoundDigitsRoundsHalfAwayFromZero) {
  const std::tuple<double, int, double> rounds[] = {{2.3456, 2, 2.35}, {-2.3456, 2, -2.35},
                                                    {0.004, 2, 0.0},   {2.5, 0, 3.0},
                                                    {-2.5, -3, -3.0},  {300000.12346, 4, 300000.1235},
                                                    {1e300, 4, 1e300}};
  for (auto [x, n, r] : rounds)
    EXPECT_DOUBLE_EQ(RoundDigits(x, n), r) << x << " " << n;
  EXPECT_TRUE(std::isnan(RoundDigits(std::nan(""), 2)));
}

TEST(DX9UtilsNumbers, RoundHalfAwayGivesA64BitIntegerClampedToItsRange) {
  using Limits = std::numeric_limits<std::int64_t>;
  const std::pair<double, std::int64_t> halves[] = {
      {0.5, 1}, {-0.5, -1}, {0.49999999999999994, 0}, {std::nan(""), 0}, {1e30, Limits::max()}, {-1e30, Limits::min()}};
  for (auto [x, r] : halves)
    EXPECT_EQ(RoundHalfAway(x), r) << x;
}

TEST(DX9UtilsNumbers, VectorToTextWritesTwoDecimals) {
  EXPECT_EQ(VectorToText({1, -2.5f, 10}), "x:1.00 y:-2.50 z:10.00");
  EXPECT_EQ(VectorToText({-0.001f, 0.125f, 1234.5f}), "x:0.00 y:0.13 z:1234.50");
}

// Strings, char codes, lone minus signs and numbers beyond a single are skipped; trail bytes swallow no digits.
TEST(DX9UtilsNumbers, TextToVectorReadsUpToThreeNumbers) {
  const std::tuple<const char*, int, Vec3> reads[] = {{"x:1.00 y:-2.50 z:10.00", 3, {1, -2.5f, 10}},
                                                      {"only 4 and -5", 2, {4, -5, 9}},
                                                      {"'12' #13 $10, 2.5e1; 3 4", 3, {16, 25, 3}},
                                                      {"\x83\x41"
                                                       "7 - 8",
                                                       2,
                                                       {7, 8, 9}},
                                                      {"", 0, {9, 9, 9}},
                                                      {"1e999 2", 1, {2, 9, 9}}};
  for (const auto& [text, count, expected] : reads) {
    Vec3 v{9, 9, 9};
    EXPECT_EQ(TextToVector(text, v), count) << text;
    EXPECT_EQ(v, expected) << text;
  }
}

// printf's text away from ties, which go away from zero as the scene files always had them.
TEST(DX9UtilsNumbers, AppendCornersTextWritesAsPrintfWithTiesAwayFromZero) {
  Sampler s;
  const auto awkward = [](double x) {
    return std::fabs(x) < 0.01 || std::fabs(std::fmod(std::fabs(x * 100), 1) - 0.5) < 1e-3;
  };
  for (int k = 0; k < 100; ++k) {
    TCorners c;
    std::string expected;
    char buffer[128];
    for (Vec3& p : c) {
      do
        p = s.Point(2000);
      while (awkward(p.x) || awkward(p.y) || awkward(p.z));
      std::snprintf(buffer, sizeof buffer, "%.2f %.2f %.2f ", double(p.x), double(p.y), double(p.z));
      expected += buffer;
    }
    EXPECT_EQ(AppendCornersText(c), expected);
  }
  EXPECT_EQ(AppendCornersText({{{0.125f, -0.125f, 0}, {}, {}, {}}}),
            "0.13 -0.13 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 ");
}

// Pitch about X first, then yaw about Y, applied to +Z gives the direction back; straight back is a yaw of +pi, and a
// vertical direction or none has no yaw.
TEST(DX9UtilsAngles, YawAndPitchFollowTheCamerasConventions) {
  const std::tuple<Vec3, double, double> directions[] = {
      {{0, 0, -1}, kPi, 0.0}, {{0, 5, 0}, 0.0, -kPi / 2}, {{0, 0, 0}, 0.0, 0.0}};
  for (auto [d, yaw, pitch] : directions) {
    EXPECT_NEAR(YawOfDirection(d), yaw, 1e-6) << d.x << " " << d.y << " " << d.z;
    EXPECT_NEAR(PitchOfDirection(d), pitch, 1e-6) << d.x << " " << d.y << " " << d.z;
  }
  Sampler s;
  for (int k = 0; k < 300; ++k) {
    const Vec3 d = s.Point();
    const glm::dmat4 look = glm::rotate(glm::dmat4(1), double(YawOfDirection(d)), glm::dvec3(0, 1, 0)) *
                            glm::rotate(glm::dmat4(1), double(PitchOfDirection(d)), glm::dvec3(1, 0, 0));
    EXPECT_LT(glm::distance(glm::dvec3(look * glm::dvec4(0, 0, 1, 0)), glm::normalize(G(d))), 1e-5);
  }
}

// No NaN from a cosine a rounding step beyond 1.
TEST(DX9UtilsAngles, AngleBetweenMatchesGlm) {
  Sampler s;
  for (int k = 0; k < 300; ++k) {
    const Vec3 d = s.Point();
    const Vec3 e = s.Point();
    EXPECT_NEAR(AngleBetween(d, e), glm::angle(glm::normalize(G(d)), glm::normalize(G(e))), 1e-3);
  }
  EXPECT_EQ(AngleBetween({1, 2, 3}, {2, 4, 6}), 0.0f);
  EXPECT_NEAR(AngleBetween({1, 2, 3}, {-1, -2, -3}), kPi, 1e-3);
}

// Straight up onto straight down: both yaws are 0, a half turn about X.
TEST(DX9UtilsAngles, RotationOntoVectorTurnsUpOntoDown) {
  EXPECT_TRUE(Close(Vec3TransformCoord({0, 1, 0}, RotationOntoVector({0, 1, 0}, {0, -1, 0}, {})), {0, -1, 0}, 1e-5));
}

// No NaN from a zero length; no line, plane or triangle is met.
TEST(DX9UtilsAngles, DegenerateInputGivesNoNaNAndMeetsNothing) {
  EXPECT_EQ(std::pair(NormalizeVector(ZeroVector()), Normalize2D({0, 0})), std::pair(Vec3(0, 0, 0), Vec2(0, 0)));
  EXPECT_FALSE(std::isnan(AngleBetween({0, 0, 0}, {1, 0, 0})));
  EXPECT_EQ(ProjectOnLine({5, 5, 5}, {1, 1, 1}, {1, 1, 1}), Vec3(1, 1, 1));
  EXPECT_FALSE(SegmentCrossesPlane({0, 0, -1}, {0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, false).has_value());
  EXPECT_FALSE(PointInTriangleTol({1, 1, 0}, {0, 0, 0}, {2, 2, 0}, {4, 4, 0}, 1.0f, true));
  EXPECT_FALSE(PointInQuadTol({1, 1, 0}, {{{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}}}, 1.0f, true));
}

// Quads that are triangles: one triangle of a corner on an edge, or two corners in one place. The other
// triangle's normal serves; an edge of no length measures from its corner, so a point on it is near, never NaN.
TEST(DX9UtilsPlanes, PointInQuadTolOnDegenerateQuads) {
  const TCorners corner0OnEdge{{{0, 0, 0}, {5, 0, 0}, {10, 10, 0}, {-5, 0, 0}}};  // (3, 0, 1) flat
  const TCorners flatBase{{{5, 10, 0}, {0, 0, 0}, {5, 0, 0}, {10, 0, 0}}};        // (1, 2, 3) flat
  const TCorners twoIn1{{{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 10, 0}}};       // corners 2 and 3 coincide
  const TCorners pairs{{{0, 0, 0}, {0, 0, 0}, {10, 10, 0}, {10, 10, 0}}};         // no area at all
  const TCorners point{{{3, 3, 0}, {3, 3, 0}, {3, 3, 0}, {3, 3, 0}}};
  const std::tuple<const TCorners&, Vec3, float, bool, bool> cases[] = {
      {corner0OnEdge, {3, 2, 0}, 0.01f, false, true},
      {corner0OnEdge, {3, -1, 0}, 0.01f, true, false},
      {corner0OnEdge, {3, -0.005f, 0}, 0.01f, true, true},
      {corner0OnEdge, {3, 0.005f, 0}, 0.01f, false, false},
      {flatBase, {5, 3, 0}, 0.01f, false, true},
      {flatBase, {5, -1, 0}, 0.01f, true, false},
      {flatBase, {5, 0, 0}, 0.01f, true, true},
      {flatBase, {5, 0, 0}, 0.01f, false, false},
      {twoIn1, {2, 8, 0}, 0.1f, false, true},
      {twoIn1, {8, 2, 0}, 0.1f, true, false},
      {twoIn1, {10, 10, 0}, 0.01f, true, true},
      {twoIn1, {10, 10, 0}, 0.01f, false, false},
      {twoIn1, {kNaN, 5, 0}, 0.1f, true, false},
      {pairs, {5, 5, 0}, 1.0f, true, false},
      {point, {3, 3, 0}, 1.0f, true, false},
      {point, {3, 3, 0}, 1.0f, false, false}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [quad, p, tol, inclusive, inside] = cases[i];
    EXPECT_EQ(PointInQuadTol(p, quad, tol, inclusive), inside) << "case " << i;
  }
  EXPECT_EQ(QuadPointCoordinates(point, {9, 9, 9}, true), Vec2(0, 0));  // edges of no length: 0, not NaN
}

// A turned, scaled world, a camera on the origin and an offset viewport; the same transforms in GLM as the oracle.
struct ScreenFixture : ::testing::Test {
  RecordingDevice device{800, 600};
  Viewport viewport{10, 20, 640, 480, 0.0f, 1.0f};
  glm::dmat4 world = glm::translate(glm::dmat4(1), {5, -3, 2}) * glm::rotate(glm::dmat4(1), 0.4, {0, 1, 0}) *
                     glm::scale(glm::dmat4(1), {1.5, 1.5, 1.5});
  glm::dmat4 view = glm::lookAtLH(glm::dvec3(40, 60, -150), glm::dvec3(0, 0, 0), glm::dvec3(0, 1, 0));
  glm::dmat4 projection = glm::perspectiveLH_ZO(glm::radians(45.0), 640.0 / 480.0, 0.5, 3000.0);
  Matrix proj, v;
  void SetUp() override {
    Matrix w;
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        w.m[r][c] = float(world[r][c]);
    device.SetViewport(viewport);
    device.SetTransform(TransformState::World, w);
    device.SetTransform(TransformState::View, MatrixLookAtLH({40, 60, -150}, {0, 0, 0}, {0, 1, 0}));
    device.SetTransform(TransformState::Projection,
                        MatrixPerspectiveFovLH(DegreeToRadian(45), 640.0f / 480.0f, 0.5f, 3000.0f));
    proj = GetProjectionMatrix(device);
    v = GetViewMatrix(device);
  }
  glm::dvec3 Pixel(const Vec3& model, const glm::dmat4& wv) const {
    const glm::dvec4 clip = projection * wv * glm::dvec4(G(model), 1);
    return {viewport.x + (clip.x / clip.w + 1) * 320, viewport.y + (1 - clip.y / clip.w) * 240, clip.z / clip.w};
  }
  glm::dvec3 Pixel(const Vec3& model) const { return Pixel(model, view * world); }
};

TEST(DX9UtilsScreen, TheViewportMatrixMapsTheDepthRange) {
  const Matrix depthRange = GetViewportMatrix(Viewport{0, 0, 2, 2, 0.25f, 0.75f});
  EXPECT_EQ(std::pair(depthRange.m[2][2], depthRange.m[3][2]), std::pair(0.5f, 0.25f));
}

TEST_F(ScreenFixture, ModelPointsMapToThePixelsAndDepthsGlmGives) {
  Sampler s;
  for (int k = 0; k < 200; ++k) {
    const Vec3 p = s.Point(60);
    const Vec3 screen = Vec3TransformCoord(p, GetScreenMatrix(device));
    const glm::dvec3 expected = Pixel(p);
    EXPECT_LT(glm::distance(glm::dvec2(screen.x, screen.y), glm::dvec2(expected)), 1e-2);
    EXPECT_NEAR(screen.z, expected.z, 1e-6);
    ASSERT_TRUE(ScreenDepth(device, p).has_value());
    EXPECT_NEAR(*ScreenDepth(device, p), expected.z, 1e-6);
  }
}

TEST_F(ScreenFixture, APixelAndItsDepthMapBackToTheWorldPoint) {
  Sampler s;
  for (int k = 0; k < 200; ++k) {
    const Vec3 p = s.Point(60);
    const Vec3 screen = Vec3TransformCoord(p, GetScreenMatrix(device));
    const auto unprojected = ScreenToWorld(device, screen.x, screen.y, screen.z, proj, v);
    ASSERT_TRUE(unprojected.has_value());
    EXPECT_TRUE(Close(*unprojected, glm::dvec3(world * glm::dvec4(G(p), 1)), 1e-3));
  }
}

// Its ends lie on the near and far planes.
TEST_F(ScreenFixture, TheEyeRayThroughAPixelPassesThePointShownThere) {
  Sampler s;
  for (int k = 0; k < 200; ++k) {
    const Vec3 p = s.Point(60);
    const Vec3 screen = Vec3TransformCoord(p, GetScreenMatrix(device));
    const glm::dvec3 expectedWorld(world * glm::dvec4(G(p), 1));
    const auto ray = ScreenPointToLine(device, screen.x, screen.y, proj, v);
    ASSERT_TRUE(ray.has_value());
    const glm::dvec3 onLine = glm::closestPointOnLine(expectedWorld, G(ray->nearPoint), G(ray->farPoint));
    EXPECT_LT(glm::distance(onLine, expectedWorld), 1e-3 * glm::length(expectedWorld) + 1e-2);
    EXPECT_NEAR(Pixel(ray->nearPoint, view).z, 0.0, 1e-4);
    EXPECT_NEAR(Pixel(ray->farPoint, view).z, 1.0, 1e-4);
  }
}

TEST_F(ScreenFixture, ScreenPointsToWorldLieAtTheDepthOfTheReference) {
  const Vec3 reference{3, 4, -5};
  const glm::dvec3 pixel = Pixel(reference);
  const ScreenPoint at{int(std::lround(pixel.x)), int(std::lround(pixel.y))};
  const auto same = ScreenPointsToWorld(device, reference, at, at);
  const auto drag = ScreenPointsToWorld(device, reference, at, {at.x + 10, at.y});
  ASSERT_TRUE(same.has_value() && drag.has_value());
  EXPECT_EQ(same->first, same->second);
  EXPECT_LT(glm::distance(G(same->first), G(reference)), 0.5);  // within a pixel's width at its depth
  EXPECT_NEAR(Pixel(drag->second).x - Pixel(drag->first).x, 10.0, 1e-2);
  EXPECT_NEAR(Pixel(drag->second).z, pixel.z, 1e-5);
}

// A NaN reference, or a point on the eye plane.
TEST_F(ScreenFixture, WithoutADepthHalfDepthStandsIn) {
  const auto nanReference = ScreenPointsToWorld(device, {kNaN, 0, 0}, {100, 100}, {100, 100});
  ASSERT_TRUE(nanReference.has_value());
  EXPECT_TRUE(std::isfinite(nanReference->first.x + nanReference->first.y + nanReference->first.z));
  EXPECT_NEAR(Pixel(nanReference->first).z, 0.5, 1e-4);
  EXPECT_NEAR(Pixel(nanReference->first).x, 100.0, 1e-2);
  device.SetTransform(TransformState::World, Matrix{});
  device.SetTransform(TransformState::View, Matrix{});
  EXPECT_FALSE(ScreenDepth(device, {7, 3, 0}).has_value());
  const auto eyePlane = ScreenPointsToWorld(device, {7, 3, 0}, {100, 100}, {100, 100});
  ASSERT_TRUE(eyePlane.has_value());
  EXPECT_NEAR(Pixel(eyePlane->first, glm::dmat4(1)).z, 0.5, 1e-4);
  EXPECT_NEAR(Pixel(eyePlane->first, glm::dmat4(1)).x, 100.0, 1e-2);
}

TEST_F(ScreenFixture, SingularTransformsFindNothing) {
  Matrix zero;
  zero.m[0][0] = zero.m[1][1] = zero.m[2][2] = zero.m[3][3] = 0;
  EXPECT_FALSE(ScreenToWorld(Viewport{0, 0, 0, 480, 0, 1}, 5, 5, 0.5f, proj, v).has_value());
  EXPECT_FALSE(ScreenToWorld(Viewport{0, 0, 640, 480, 0.5f, 0.5f}, 5, 5, 0.5f, proj, v).has_value());
  EXPECT_FALSE(ScreenToWorld(device, 5, 5, 0.5f, zero, v).has_value());
  EXPECT_FALSE(ScreenPointToLine(device, 5, 5, proj, zero).has_value());
  device.SetTransform(TransformState::World, MatrixScaling(1, 0, 1));
  EXPECT_FALSE(ScreenPointsToWorld(device, {1, 2, 3}, {5, 5}, {6, 6}).has_value());
  device.SetTransform(TransformState::World, zero);
  EXPECT_FALSE(ScreenDepth(device, {1, 2, 3}).has_value());
}

TEST(DX9UtilsLines, ConstrainLineSnapsBySlope) {
  const std::tuple<ScreenPoint, ScreenPoint, bool> snaps[] = {
      {{10, 4}, {10, 0}, true},     {{10, 7}, {7, 7}, true},   {{10, 15}, {10, 10}, true},
      {{10, 25}, {0, 25}, true},    {{10, 0}, {10, 0}, false}, {{0, 9}, {0, 9}, false},
      {{10, -7}, {7, -7}, true},    {{-10, 7}, {-7, 7}, true}, {{-10, -15}, {-10, -10}, true},
      {{10, -15}, {10, -10}, true}, {{10, 5}, {5, 5}, true},   {{10, 20}, {0, 20}, true}};
  for (auto [from, to, moved] : snaps) {
    ScreenPoint end = from;
    EXPECT_EQ(ConstrainLine(end, {0, 0}), moved) << from.x << "," << from.y;
    EXPECT_EQ(end, to) << from.x << "," << from.y;
  }
  ScreenPoint end{110, 207};  // the same about another start
  EXPECT_TRUE(ConstrainLine(end, {100, 200}));
  EXPECT_EQ(end, ScreenPoint(107, 207));
}

}  // namespace
}  // namespace vrel
