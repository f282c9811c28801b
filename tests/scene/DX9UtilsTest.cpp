// The shared geometry helpers. Expectations come from GLM in double precision (column vectors: our row-vector
// p x M is GLM's G * p with G the transpose), or from printf for the number texts.
#define GLM_ENABLE_EXPERIMENTAL
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <glm/gtx/closest_point.hpp>
#include <glm/gtx/intersect.hpp>
#include <glm/gtx/vector_angle.hpp>
#include <limits>
#include <random>
#include <tuple>

#include "platform/RecordingDevice.h"
#include "scene/DX9Utils.h"

namespace vrel {
namespace {

constexpr double kPi = 3.14159265358979323846;
const float kNaN = std::numeric_limits<float>::quiet_NaN();
glm::dvec3 G(const Vec3& v) { return {v.x, v.y, v.z}; }

::testing::AssertionResult Close(const Vec3& actual, const glm::dvec3& expected, double relative = 1e-4) {
  const double off = glm::length(G(actual) - expected);
  if (off <= relative * std::max(1.0, glm::length(expected))) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is " << off
                                       << " from (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}
struct Sampler {
  std::mt19937 rng{4711u};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
  Vec3 Point(float r = 100.0f) { return {Uniform(-r, r), Uniform(-r, r), Uniform(-r, r)}; }
};

TEST(DX9UtilsVectors, AnglesAndNormalsAgreeWithGlmAndNothingGivesNaN) {
  Sampler s;
  for (int k = 0; k < 200; ++k) {
    const Vec3 a = s.Point(), b = s.Point();
    const TCorners q{a, b, s.Point(), s.Point()};
    EXPECT_NEAR(AngleBetween(a, b), glm::angle(glm::normalize(G(a)), glm::normalize(G(b))), 1e-3);
    EXPECT_TRUE(Close(NormalizeVector(a), glm::normalize(G(a)), 1e-5));
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_TRUE(Close(QuadNormal(q, int(i)), glm::cross(G(q[i]) - G(q[(i + 3) % 4]), G(q[(i + 1) % 4]) - G(q[i]))));
  }
  // No NaN from a zero length or from cosines a rounding step beyond 1.
  EXPECT_EQ(std::pair(NormalizeVector(ZeroVector()), Normalize2D({0, 0})), std::pair(Vec3(0, 0, 0), Vec2(0, 0)));
  EXPECT_EQ(AngleBetween({1, 2, 3}, {2, 4, 6}), 0.0f);
  EXPECT_NEAR(AngleBetween({1, 2, 3}, {-1, -2, -3}), kPi, 1e-3);
  EXPECT_FALSE(std::isnan(AngleBetween({0, 0, 0}, {1, 0, 0})));
  // Clockwise as seen from -Z (the default eye of a left-handed view): the offset goes towards -Z.
  const TCorners square{{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}}, moved = OffsetCornersAlongNormal(square, 0.03f);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(Close(moved[i], G(square[i]) + glm::dvec3(0, 0, -0.03), 1e-6));
  EXPECT_EQ(std::tuple(SameVector({}, {1e-6f, 0, 0}), SameVector({}, {0, 0, 2e-6f}),
                       SameVectorTol({}, {0, 0.0009f, 0}, 0.001f), SameVectorTol({}, {0, 0.001f, 0}, 0.001f)),
            std::tuple(true, false, true, false));
  const TTexturedVertex a{0, 2, 4, 0xFF204060u, 0, 1}, b{2, 4, 8, 0x01224466u, 1, 0}, white{0, 0, 0, ~0u, 0, 0};
  const TTexturedVertex m = MidTexturedVertex(a, b);  // colours channel by channel, no carry into the next
  EXPECT_EQ(std::tuple(m.x, m.y, m.z, m.diffuse, m.tu, m.tv), std::tuple(1.f, 3.f, 6.f, 0x80214263u, 0.5f, 0.5f));
  EXPECT_EQ(MidTexturedVertex(white, white).diffuse, ~0u);
}

TEST(DX9UtilsNumbers, RoundingColoursAndTexts) {
  // Half away from zero through 64-bit integers (300000.12346 x 10^4 wraps a 32-bit one); n <= 0 gives integers.
  const std::tuple<double, int, double> rounds[] = {{2.3456, 2, 2.35}, {-2.3456, 2, -2.35}, {0.004, 2, 0.0},
      {2.5, 0, 3.0}, {-2.5, -3, -3.0}, {300000.12346, 4, 300000.1235}, {1e300, 4, 1e300}};
  for (auto [x, n, r] : rounds) EXPECT_DOUBLE_EQ(RoundDigits(x, n), r) << x << " " << n;
  EXPECT_TRUE(std::isnan(RoundDigits(std::nan(""), 2)));
  using Limits = std::numeric_limits<std::int64_t>;
  const std::pair<double, std::int64_t> halves[] = {{0.5, 1}, {-0.5, -1}, {0.49999999999999994, 0}, {std::nan(""), 0},
                                                    {1e30, Limits::max()}, {-1e30, Limits::min()}};
  for (auto [x, r] : halves) EXPECT_EQ(RoundHalfAway(x), r) << x;
  // 5849112 is the default background, 0x594018 in the INI's order.
  for (auto [in, out] : {std::pair{0x0000FFu, 0xFFFF0000u}, {5849112u, 0xFF184059u}, {0x80123456u, 0xFF563412u}})
    EXPECT_EQ(ColorToD3DColor(in), out) << in;
  // No infinity from a number too large for a single.
  for (auto [text, value] : {std::pair{" 1.5 ", 1.5f}, {"-2e2", -200.f}, {"1,5", 7.f}, {"", 7.f}, {"1e39", 7.f}})
    EXPECT_EQ(TextToFloatDef(text, 7), value) << text;

  EXPECT_EQ(VectorToText({1, -2.5f, 10}), "x:1.00 y:-2.50 z:10.00");
  EXPECT_EQ(VectorToText({-0.001f, 0.125f, 1234.5f}), "x:0.00 y:0.13 z:1234.50");
  // The first three numbers: strings and char codes are none, a trail byte that is a letter swallows no digits,
  // a lone minus is punctuation, and a number beyond a single is skipped.
  const std::tuple<const char*, int, Vec3> reads[] = {{"x:1.00 y:-2.50 z:10.00", 3, {1, -2.5f, 10}},
      {"only 4 and -5", 2, {4, -5, 9}}, {"'12' #13 $10, 2.5e1; 3 4", 3, {16, 25, 3}},
      {"\x83\x41\x37 - 8", 2, {7, 8, 9}}, {"", 0, {9, 9, 9}}, {"1e999 2", 1, {2, 9, 9}}};
  for (const auto& [text, count, expected] : reads) {
    Vec3 v{9, 9, 9};
    EXPECT_EQ(TextToVector(text, v), count) << text;
    EXPECT_EQ(v, expected) << text;
  }
  Sampler s;  // corners: printf's text away from ties, which go away from zero as the scene files always had them
  const auto awkward = [](double x) {
    return std::fabs(x) < 0.01 || std::fabs(std::fmod(std::fabs(x * 100), 1) - 0.5) < 1e-3;
  };
  for (int k = 0; k < 100; ++k) {
    TCorners c;
    std::string expected, text = "head ";
    char buffer[128];
    for (Vec3& p : c) {
      do p = s.Point(2000);
      while (awkward(p.x) || awkward(p.y) || awkward(p.z));
      std::snprintf(buffer, sizeof buffer, "%.2f %.2f %.2f ", double(p.x), double(p.y), double(p.z));
      expected += buffer;
    }
    AppendCornersText(text, c);
    EXPECT_EQ(AppendCornersText(c), expected);
    EXPECT_EQ(text, "head " + expected);
  }
  EXPECT_EQ(AppendCornersText({{{0.125f, -0.125f, 0}, {}, {}, {}}}),
            "0.13 -0.13 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 0.00 ");
}

TEST(DX9UtilsAngles, AngleConventionsOfTheCamera) {
  EXPECT_NEAR(Angle2D({1, 0}, {0, 1}), kPi / 2, 1e-6);
  EXPECT_NEAR(Angle2D({0, 1}, {1, 0}), -kPi / 2, 1e-6);
  // +X lies a quarter turn from +Z; looking up is a negative pitch; a vertical direction has no yaw.
  const std::tuple<Vec3, double, double> directions[] = {{{1, 0, 0}, kPi / 2, 0.0}, {{-1, 0, 0}, -kPi / 2, 0.0},
      {{0, 0, -1}, kPi, 0.0}, {{0, 5, 0}, 0.0, -kPi / 2}, {{0, -1, 1}, 0.0, kPi / 4}, {{3, -3, 0}, kPi / 2, kPi / 4},
      {{0, 0, 0}, 0.0, 0.0}};
  for (auto [d, yaw, pitch] : directions) {
    EXPECT_NEAR(YawOfDirection(d), yaw, 1e-6) << d.x << " " << d.y << " " << d.z;
    EXPECT_NEAR(PitchOfDirection(d), pitch, 1e-6) << d.x << " " << d.y << " " << d.z;
  }
  EXPECT_NEAR(HeadingAngle({1, 1, 1}, {2, 1, 1}), kPi / 2, 1e-6);
  EXPECT_NEAR(ElevationAngle({1, 1, 1}, {1, 2, 1}), -kPi / 2, 1e-6);
  Sampler s;
  for (int k = 0; k < 300; ++k) {  // pitch about X first, then yaw about Y, applied to +Z gives the direction back
    const Vec3 d = s.Point();
    const glm::dmat4 look = glm::rotate(glm::dmat4(1), double(YawOfDirection(d)), glm::dvec3(0, 1, 0)) *
                            glm::rotate(glm::dmat4(1), double(PitchOfDirection(d)), glm::dvec3(1, 0, 0));
    EXPECT_LT(glm::distance(glm::dvec3(look * glm::dvec4(0, 0, 1, 0)), glm::normalize(G(d))), 1e-5);
  }
  // Identities for no turn, and straight up onto straight down: both yaws are 0, a half turn about X.
  EXPECT_EQ(RotationAboutPoint({1, 2, 3}, {0, 1, 0}, 0.0f), Matrix{});
  EXPECT_EQ(RotationOntoVector({1, 2, 3}, {2, 4, 6}, {5, 5, 5}), Matrix{});
  EXPECT_TRUE(Close(Vec3TransformCoord({0, 1, 0}, RotationOntoVector({0, 1, 0}, {0, -1, 0}, {})), {0, -1, 0}, 1e-5));
}

// A turned and scaled world, a camera looking at the origin and a viewport that does not start at the corner;
// the same transforms built in GLM as the oracle.
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
      for (int c = 0; c < 4; ++c) w.m[r][c] = float(world[r][c]);
    device.SetViewport(viewport);
    device.SetTransform(TransformState::World, w);
    device.SetTransform(TransformState::View, MatrixLookAtLH({40, 60, -150}, {0, 0, 0}, {0, 1, 0}));
    device.SetTransform(TransformState::Projection,
                        MatrixPerspectiveFovLH(DegreeToRadian(45), 640.0f / 480.0f, 0.5f, 3000.0f));
    proj = GetProjectionMatrix(device), v = GetViewMatrix(device);
  }
  glm::dvec3 Pixel(const Vec3& model, const glm::dmat4& wv) const {
    const glm::dvec4 clip = projection * wv * glm::dvec4(G(model), 1);
    return {viewport.x + (clip.x / clip.w + 1) * 320, viewport.y + (1 - clip.y / clip.w) * 240, clip.z / clip.w};
  }
  glm::dvec3 Pixel(const Vec3& model) const { return Pixel(model, view * world); }
};

TEST_F(ScreenFixture, ModelPointsToPixelsAndBackAsGlmDoes) {
  const Matrix depthRange = GetViewportMatrix(Viewport{0, 0, 2, 2, 0.25f, 0.75f});
  EXPECT_EQ(std::pair(depthRange.m[2][2], depthRange.m[3][2]), std::pair(0.5f, 0.25f));
  Sampler s;
  for (int k = 0; k < 200; ++k) {
    const Vec3 p = s.Point(60), screen = Vec3TransformCoord(p, GetScreenMatrix(device));
    const glm::dvec3 expected = Pixel(p), expectedWorld(world * glm::dvec4(G(p), 1));
    EXPECT_LT(glm::distance(glm::dvec2(screen.x, screen.y), glm::dvec2(expected)), 1e-2);
    EXPECT_NEAR(screen.z, expected.z, 1e-6);
    ASSERT_TRUE(ScreenDepth(device, p).has_value());
    EXPECT_NEAR(*ScreenDepth(device, p), expected.z, 1e-6);
    const auto unprojected = ScreenToWorld(device, screen.x, screen.y, screen.z, proj, v);
    ASSERT_TRUE(unprojected.has_value());
    EXPECT_TRUE(Close(*unprojected, expectedWorld, 1e-3));
    // The eye ray through the pixel passes the point, and its ends lie on the near and far planes.
    const auto ray = ScreenPointToLine(device, screen.x, screen.y, proj, v);
    ASSERT_TRUE(ray.has_value());
    const glm::dvec3 onLine = glm::closestPointOnLine(expectedWorld, G(ray->nearPoint), G(ray->farPoint));
    EXPECT_LT(glm::distance(onLine, expectedWorld), 1e-3 * glm::length(expectedWorld) + 1e-2);
    EXPECT_NEAR(Pixel(ray->nearPoint, view).z, 0.0, 1e-4);
    EXPECT_NEAR(Pixel(ray->farPoint, view).z, 1.0, 1e-4);
  }
}

TEST_F(ScreenFixture, ScreenPointsToWorldAtTheDepthOfTheReferenceOrAtHalfDepthAndSingularTransformsFindNothing) {
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
  // Without a depth (a NaN reference, a point on the eye plane) half depth stands in.
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

TEST(DX9UtilsLines, ConstrainLineAndPointsOnSegments) {
  const std::tuple<ScreenPoint, ScreenPoint, bool> snaps[] = {{{10, 4}, {10, 0}, true}, {{10, 7}, {7, 7}, true},
      {{10, 15}, {10, 10}, true}, {{10, 25}, {0, 25}, true}, {{10, 0}, {10, 0}, false}, {{0, 9}, {0, 9}, false},
      {{10, -7}, {7, -7}, true}, {{-10, 7}, {-7, 7}, true}, {{-10, -15}, {-10, -10}, true},
      {{10, -15}, {10, -10}, true}, {{10, 5}, {5, 5}, true}, {{10, 20}, {0, 20}, true}};
  for (auto [from, to, moved] : snaps) {
    ScreenPoint end = from;
    EXPECT_EQ(ConstrainLine(end, {0, 0}), moved) << from.x << "," << from.y;
    EXPECT_EQ(end, to) << from.x << "," << from.y;
  }
  ScreenPoint end{110, 207};  // the same about another start
  EXPECT_TRUE(ConstrainLine(end, {100, 200}));
  EXPECT_EQ(end, ScreenPoint(107, 207));
  EXPECT_EQ(ProjectOnLine({5, 5, 5}, {1, 1, 1}, {1, 1, 1}), Vec3(1, 1, 1));  // no line: no NaN

  Vec2 foot, foot2;
  EXPECT_TRUE(PointOnSegment2D({0, 5}, {0, 0}, {10, 0}, true, &foot));
  EXPECT_TRUE(PointOnSegment2D({1.5f, 4}, {0, 0}, {10, 0}, false, &foot2));
  EXPECT_EQ(std::pair(foot, foot2), std::pair(Vec2(0, 0), Vec2(1.5f, 0)));
  // Not inclusive: more than one pixel from the first end and two from the second (in space: the outer hundredths).
  const std::tuple<Vec2, bool, bool> segment[] = {{{10, -3}, true, true}, {{10.5f, 0}, true, false},
      {{1, 0}, false, false}, {{7.5f, 0}, false, true}, {{8, 0}, false, false}};
  for (auto [p, inclusive, on] : segment)
    EXPECT_EQ(PointOnSegment2D(p, {0, 0}, {10, 0}, inclusive), on) << p.x << inclusive;
  EXPECT_FALSE(PointOnSegment2D({0, 0}, {3, 3}, {3, 3}, true));
  EXPECT_EQ(std::pair(PointOnSegment3D({0, 0, 0.5f}, {0, 0, 0}, {0, 0, 100}, false),
                      PointOnSegment3D({0, 0, 0.5f}, {0, 0, 0}, {0, 0, 100}, true)),
            std::pair(false, true));
}

TEST(DX9UtilsPlanes, LinesAgainstPlanesAndPointsInTriangles) {
  const TCorners quad{{{0, 0, 10}, {0, 4, 10}, {4, 4, 10}, {4, 0, 10}}};  // normal towards -Z
  Vec3 hit, back;
  EXPECT_TRUE(LinePlaneSide({1, 1, 0}, {1, 1, 20}, quad[3], quad[0], quad[1], hit));  // front to back
  EXPECT_FALSE(LinePlaneSide({1, 1, 20}, {1, 1, 0}, quad[3], quad[0], quad[1], back));
  EXPECT_EQ(std::pair(hit, back), std::pair(Vec3(1, 1, 10), Vec3(1, 1, 10)));
  const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
  EXPECT_FALSE(SegmentCrossesPlane({0, 0, 0.00005f}, {1, 1, 0}, a, b, c, false).has_value());  // both on the plane
  EXPECT_FALSE(SegmentCrossesPlane({0, 0, 0.00005f}, {1, 1, 3}, a, b, c, true).has_value());
  const auto touching = SegmentCrossesPlane({0.5f, 0.5f, 0}, {1, 1, 3}, a, b, c, false);
  ASSERT_TRUE(touching.has_value());
  EXPECT_TRUE(Close(*touching, {0.5, 0.5, 0}, 1e-6));
  EXPECT_FALSE(SegmentCrossesPlane({0, 0, -1}, {0, 0, 1}, a, b, {2, 0, 0}, false).has_value());  // no plane at all
  Sampler s;
  for (int k = 0; k < 500; ++k) {
    const Vec3 a = s.Point(10), b = s.Point(10), c = s.Point(10), p = s.Point(10);
    const glm::dvec3 n = glm::cross(G(b) - G(a), G(c) - G(a));
    glm::dvec2 bary;
    double distance;
    // The prism over the triangle: a line along the normal through p meets the triangle.
    const bool inPrism = glm::intersectRayTriangle(G(p) - 1000.0 * n, n, G(a), G(b), G(c), bary, distance);
    EXPECT_EQ(PointInTriangle3D(p, a, b, c), inPrism);
    EXPECT_EQ(PointInTriangleTol(p, a, b, c, 0.0f, true), inPrism);
    // In the plane z = 0: the signs of the three edge crossings, in double; either winding.
    const Vec2 a2{a.x, a.y}, b2{b.x, b.y}, c2{c.x, c.y}, p2{p.x, p.y};
    const auto side = [&](Vec2 e, Vec2 f) {
      return (double(f.x) - e.x) * (double(p2.y) - e.y) - (double(f.y) - e.y) * (double(p2.x) - e.x);
    };
    const double s1 = side(a2, b2), s2 = side(b2, c2), s3 = side(c2, a2);
    EXPECT_EQ(PointInTriangle2D(p2, a2, b2, c2), (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0));
    EXPECT_EQ(PointInTriangle2D(p2, a2, c2, b2), PointInTriangle2D(p2, a2, b2, c2));
  }
  // A corner is on its edges; a triangle of no area holds nothing.
  EXPECT_EQ(std::tuple(PointInTriangle2D({0, 0}, {0, 0}, {4, 0}, {0, 4}),
                       PointInTriangle2D({1, 1}, {0, 0}, {2, 2}, {4, 4}),
                       PointInTriangle3D({1, 1, 0}, {0, 0, 0}, {2, 2, 0}, {4, 4, 0}),
                       PointInTriangleTol({1, 1, 0}, {0, 0, 0}, {2, 2, 0}, {4, 4, 0}, 1.0f, true)),
            std::tuple(true, false, false, false));
}

TEST(DX9UtilsPlanes, ToleranceAtTheEdgesOfTrianglesAndQuadsAndQuadPointCoordinates) {
  const std::tuple<Vec3, float, bool, bool> triangle[] = {{{2, 2, 0}, 0.1f, false, true},
      {{5, 0.05f, 0}, 0.1f, false, false}, {{5, 0.05f, 0}, 0.1f, true, true}, {{5, -0.05f, 0}, 0.1f, true, true},
      {{5, -0.05f, 0}, 0.01f, true, false}, {{2, 2, 50}, 0.1f, false, true}};  // the height does not matter
  for (auto [p, tol, inclusive, inside] : triangle)
    EXPECT_EQ(PointInTriangleTol(p, {0, 0, 0}, {10, 0, 0}, {0, 10, 0}, tol, inclusive), inside) << p.y << tol;
  const TCorners square{{{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}}};  // its diagonal is no edge
  // A triangle written as a quad: corner 1 halfway along 0 -> 2 makes (0, 1, 2) flat but not (3, 0, 1).
  const TCorners half{{{0, 0, 0}, {5, 5, 0}, {10, 10, 0}, {10, 0, 0}}};
  // (3, 0, 1) flat: the other triangle's normal serves for all four edges.
  const TCorners corner0OnEdge{{{0, 0, 0}, {5, 0, 0}, {10, 10, 0}, {-5, 0, 0}}};
  // (1, 2, 3) flat: the first triangle's normal guards the edges along the base.
  const TCorners flatBase{{{5, 10, 0}, {0, 0, 0}, {5, 0, 0}, {10, 0, 0}}};
  const TCorners flat{{{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}}};
  const std::tuple<const TCorners&, Vec3, float, bool, bool> quads[] = {{square, {9, 9, 0}, 0.1f, false, true},
      {square, {1, 9, 0}, 0.1f, false, true}, {square, {5, 5, 0}, 0.1f, false, true},
      {square, {10.05f, 5, 0}, 0.1f, false, false}, {square, {10.05f, 5, 0}, 0.1f, true, true},
      {square, {9.95f, 5, 0}, 0.1f, false, false}, {square, {11, 5, 0}, 0.1f, true, false},
      {half, {7, 3, 0}, 0.01f, false, true}, {half, {3, 7, 0}, 0.01f, true, false},
      {corner0OnEdge, {3, 2, 0}, 0.01f, false, true}, {corner0OnEdge, {3, -1, 0}, 0.01f, true, false},
      {flatBase, {5, 3, 0}, 0.01f, false, true}, {flatBase, {5, -1, 0}, 0.01f, false, false},
      {flat, {1, 1, 0}, 1.0f, true, false}};
  for (std::size_t i = 0; i < std::size(quads); ++i) {
    const auto& [quad, p, tol, inclusive, inside] = quads[i];
    EXPECT_EQ(PointInQuadTol(p, quad, tol, inclusive), inside) << "case " << i;
  }
  // Clamped distances along the corner edges of a 4 x 4 face, corner 0 top left.
  const TCorners face{{{-2, 2, 5}, {2, 2, 5}, {2, -2, 5}, {-2, -2, 5}}};
  const Vec2 inside = QuadPointCoordinates(face, {-1, 1, 5}, true);
  const Vec2 raw = QuadPointCoordinates(face, {1, -1.5f, 5}, false);
  EXPECT_FLOAT_EQ(inside.x, 0.25f); EXPECT_FLOAT_EQ(inside.y, 0.25f);
  EXPECT_FLOAT_EQ(raw.x, 3.0f); EXPECT_FLOAT_EQ(raw.y, 3.5f);
  EXPECT_EQ(std::tuple(QuadPointCoordinates(face, {-3, 9, 5}, true), QuadPointCoordinates(face, {3, -9, 5}, true),
                       QuadPointCoordinates({{{1, 1, 1}, {1, 1, 1}, {2, 2, 2}, {1, 1, 1}}}, {5, 5, 5}, true)),
            std::tuple(Vec2(0, 0), Vec2(1, 1), Vec2(0, 0)));
}

}  // namespace
}  // namespace vrel
