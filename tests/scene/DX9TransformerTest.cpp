// The camera, against GLM in double precision (a row-vector product A x B of ours is GLM's GB * GA).

#define GLM_ENABLE_EXPERIMENTAL
#include <gtest/gtest.h>

#include <cmath>
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "platform/ComponentStream.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
Vec3 Get(const TNotifyVector* v) {
  return v->GetVector();
}
glm::dmat4 Turn(double degrees, glm::dvec3 axis) {
  return glm::rotate(glm::dmat4(1), glm::radians(degrees), axis);
}
glm::dvec3 Along(const glm::dmat4& m, double x, double y, double z) {
  return glm::dvec3(m * glm::dvec4(x, y, z, 0));
}

::testing::AssertionResult Close(const TNotifyVector* actual, const glm::dvec3& expected, double relative) {
  const Vec3 v = actual->GetVector();
  const double off = glm::length(G(v) - expected);
  if (off <= relative * std::max(1.0, glm::length(expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << v.x << ", " << v.y << ", " << v.z << ") is " << off << " from ("
                                       << expected.x << ", " << expected.y << ", " << expected.z << ")";
}
void ExpectMatrixMatches(const Matrix& ours, const glm::dmat4& column) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(ours.m[r][c], column[r][c], 1e-4 * std::max(1.0, std::fabs(column[r][c]))) << r << c;
}

// A whole turn leaves no negative zero behind.
TEST(WorldVector3, YStaysWithinOneTurnWithTheSignOfTheValue) {
  TWorldVector3 v;
  for (auto [in, out] : {std::pair{370.f, 10.f}, {400.f, 40.f}, {-400.f, -40.f}, {720.f, 0.f}, {-359.5f, -359.5f}}) {
    v.SetY(in);
    EXPECT_EQ(v.Y(), out) << in;
  }
  v.SetY(5);
  v.SetY(-360);
  EXPECT_EQ(std::tuple(v.Y(), std::signbit(v.Y())), std::tuple(0.0f, false));
}

TEST(WorldVector3, AssignGoesThroughTheLimitsAndIgnoresWhatIsNotFinite) {
  TWorldVector3 v;
  TNotifyVector plain;
  plain.SetVector({-95, -370, 90});  // X and Z stop short of a quarter turn
  v.Assign(&plain);
  EXPECT_EQ(v.GetVector(), Vec3(-89.99f, -10, 89.99f));
  v.SetY(kInf);
  EXPECT_EQ(v.Y(), -10.0f);
}

// The zoom is no change of the camera's set-up.
TEST(Transformer, TheZoomStaysWithinItsLimitsWithoutAnnouncing) {
  TDX9Transformer camera;
  ChangeCounter changes;
  camera.OnChange = changes.Event();
  camera.SetZoom(200);
  EXPECT_EQ(camera.Zoom(), 120.0f);
  camera.SetZoom(0.5f);
  EXPECT_EQ(std::tuple(camera.Zoom(), changes.count), std::tuple(1.0f, 0));
}

TEST(Transformer, TheZoomLimitsNeverCrossAndTakeTheZoomAlong) {
  TDX9Transformer camera;
  ChangeCounter changes;
  camera.OnChange = changes.Event();
  camera.SetZoomMin(150);
  EXPECT_EQ(std::tuple(camera.ZoomMin(), camera.Zoom(), changes.count), std::tuple(120.0f, 120.0f, 1));
  camera.SetZoomMax(50);  // not below the lower limit
  EXPECT_EQ(std::pair(camera.ZoomMax(), changes.count), std::pair(120.0f, 2));
  camera.SetZoomMin(0.01f);
  camera.SetZoomMax(60);
  EXPECT_EQ(std::pair(camera.Zoom(), changes.count), std::pair(60.0f, 4));
}

TEST(Transformer, TheFarPlaneAndTheOrbitFollowTheDistance) {
  TDX9Transformer camera;
  ChangeCounter changes;
  camera.OnChange = changes.Event();
  camera.SetCameraDistance(1000);
  EXPECT_EQ(camera.Z_Far(), 3000.0f);
  camera.SetCameraDistance(2000);
  EXPECT_EQ(std::tuple(camera.Z_Far(), changes.count, Get(camera.CameraPos())), std::tuple(4e3f, 2, Vec3(0, 0, -2e3f)));
}

TEST(Transformer, AZoomOrAspectThatIsNotFiniteIsIgnored) {
  TDX9Transformer camera;
  camera.SetZoom(kNaN);
  camera.SetAspect(kInf);
  EXPECT_EQ(std::pair(camera.Zoom(), camera.Aspect()), std::pair(45.0f, 1.0f));
}

TEST(Transformer, TheAspectFollowsAControlOfSomeHeightOnly) {
  TDX9Transformer camera;
  camera.SetAspectFromControl(800, 0);
  EXPECT_EQ(camera.Aspect(), 1.0f);
  camera.SetAspectFromControl(800, 400);
  EXPECT_EQ(camera.Aspect(), 2.0f);
}

TEST(Transformer, AVectorSetterIgnoresNoiseAndMarksItsOwnMatrixDirty) {
  TDX9Transformer camera;
  RecordingDevice device;
  camera.ApplyTransforms(device);
  ChangeCounter changes;
  camera.OnChange = changes.Event();
  camera.SetLookAt({0, 0, 5e-7f});
  EXPECT_EQ(std::pair(changes.count, camera.ViewDirty()), std::pair(0, false));
  camera.SetLookAt({0, 0, 1});
  EXPECT_EQ(std::tuple(changes.count, camera.ViewDirty(), camera.WorldDirty(), camera.ProjectionDirty()),
            std::tuple(1, true, false, false));
  camera.SetWorldRotation({0, 10, 0});
  camera.SetZ_Near(1);
  EXPECT_EQ(std::tuple(changes.count, camera.WorldDirty(), camera.ProjectionDirty()), std::tuple(2, true, true));
}

TEST(Transformer, ASingleComponentOfAVectorMovesTheViewWithoutAnnouncing) {
  TDX9Transformer camera;
  RecordingDevice device;
  camera.ApplyTransforms(device);
  ChangeCounter changes;
  camera.OnChange = changes.Event();
  camera.CameraPos()->SetX(3);
  EXPECT_EQ(std::pair(changes.count, camera.ViewDirty()), std::pair(0, true));
}

TEST(Transformer, SwitchingTheModeResetsTheCameraOnlyOnARealChange) {
  TDX9Transformer camera;
  ChangeCounter changes;
  const auto vectors = [&] {
    return std::vector<Vec3>{Get(camera.CameraRotation()), Get(camera.ViewTranslation()), Get(camera.FrameUp()),
                             Get(camera.CameraPos()), Get(camera.LookAt())};
  };
  camera.SetCameraRotation({20, 30, 0});
  camera.SetViewTranslation({5, 6, 7});
  camera.SetFrameUp({0, 0, 1});
  camera.SetLookAt({1, 2, 3});
  camera.OnChange = changes.Event();
  camera.SetCameraMode(cmOrigin);  // at the origin, looking along +Z at the orbit's distance
  EXPECT_EQ(vectors(), (std::vector<Vec3>{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 100}}));
  EXPECT_GE(changes.count, 1);
  camera.SetCameraRotation({10, 10, 0});
  camera.SetCameraMode(cmFree);  // orbiting the origin from -Z
  EXPECT_EQ(vectors(), (std::vector<Vec3>{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, -100}, {0, 0, 0}}));
  changes.count = 0;
  camera.SetCameraMode(cmFree);
  EXPECT_EQ(changes.count, 0);
}

// A roll tilts the up vector, once however often the camera updates.
TEST(Transformer, ARollTiltsTheUpVectorOnce) {
  TDX9Transformer camera;
  camera.SetCameraRotation({0, 0, 30});
  const Vec3 up = Get(camera.FrameUp());
  EXPECT_TRUE(Close(camera.FrameUp(), Along(Turn(30, {0, 0, 1}), 0, 1, 0), 1e-6));
  camera.UpdateCamera();
  camera.UpdateCamera();
  EXPECT_EQ(Get(camera.FrameUp()), up);
}

// Positive X looks down from above.
TEST(Transformer, TheFreeCameraOrbitsTheLookAtPoint) {
  TDX9Transformer camera;
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> angle(-89, 89);
  std::uniform_real_distribution<float> any(-300, 300);
  std::uniform_real_distribution<float> pos(-500, 500);
  std::uniform_real_distribution<float> distance(1, 1000);
  for (int k = 0; k < 200; ++k) {
    const Vec3 look{pos(rng), pos(rng), pos(rng)};
    camera.SetLookAt(look);
    camera.SetCameraRotation({angle(rng), any(rng), 0});
    camera.SetCameraDistance(distance(rng));
    const TNotifyVector& r = *camera.CameraRotation();  // X first, then Y, then Z, about the look-at point
    const glm::dmat4 orbit = Turn(r.Z(), {0, 0, 1}) * Turn(r.Y(), {0, 1, 0}) * Turn(r.X(), {1, 0, 0});
    EXPECT_TRUE(Close(camera.CameraPos(), G(look) + Along(orbit, 0, 0, -camera.CameraDistance()), 1e-4));
  }
}

TEST(Transformer, TheOriginCameraTurnsTheLookAtPointAboutItself) {
  TDX9Transformer origin;
  origin.SetCameraMode(cmOrigin);
  std::mt19937 rng(98);
  std::uniform_real_distribution<float> angle(-89, 89);
  std::uniform_real_distribution<float> any(-300, 300);
  for (int k = 0; k < 200; ++k) {
    origin.SetCameraRotation({angle(rng), any(rng), 0});
    const TNotifyVector& o = *origin.CameraRotation();
    EXPECT_TRUE(Close(origin.LookAt(), Along(Turn(o.Y(), {0, 1, 0}) * Turn(o.X(), {1, 0, 0}), 0, 0, 100), 1e-5));
    EXPECT_EQ(Get(origin.CameraPos()), Vec3(0, 0, 0));
  }
}

TEST(Transformer, RotationFromDirectionLooksAlongTheDirection) {
  TDX9Transformer camera;
  const TNotifyVector& r = *camera.CameraRotation();
  camera.SetRotationFromDirection({1, 0, 0});
  EXPECT_EQ(r.GetVector(), Vec3(0, 0, 0));  // the free camera ignores it
  camera.SetCameraMode(cmOrigin);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> coordinate(-50, 50);
  for (int k = 0; k < 300; ++k) {
    const Vec3 d{coordinate(rng), coordinate(rng), coordinate(rng)};
    if (std::fabs(d.y) > 0.99 * glm::length(G(d)))
      continue;  // near the pole the pitch limit holds it back
    camera.SetRotationFromDirection(d);
    EXPECT_TRUE(Close(camera.LookAt(), 100.0 * glm::normalize(G(d)), 1e-4));
  }
}

// The camera of the matrix tests, applied.
struct Applied {
  TDX9Transformer camera;
  RecordingDevice device;
  Applied() {
    camera.SetWorldRotation({10, 20, 30});
    camera.SetLookAt({3, 4, 5});
    camera.SetCameraRotation({25, -40, 0});
    camera.SetViewTranslation({2, -1, 3});
    camera.SetZoomMin(0.01f);
    camera.SetZoom(60);
    camera.SetAspect(4.0f / 3.0f);
    camera.SetZ_Near(0.05f);
    camera.ApplyTransforms(device);
  }
  glm::dmat4 View() const {
    return glm::translate(glm::dmat4(1), glm::dvec3(2, -1, 3)) *
           glm::lookAtLH(G(Get(camera.CameraPos())), glm::dvec3(3, 4, 5), glm::dvec3(0, 1, 0));
  }
  static glm::dmat4 Projection() { return glm::perspectiveLH_ZO(glm::radians(60.0), 4.0 / 3.0, 0.05, 3000.0); }
};

// Roll about Z, pitch about X, yaw about Y.
TEST(Transformer, AppliedMatricesMatchGlm) {
  const Applied a;
  ExpectMatrixMatches(a.device.GetTransform(TransformState::World),
                      Turn(20, {0, 1, 0}) * Turn(10, {1, 0, 0}) * Turn(30, {0, 0, 1}));
  ExpectMatrixMatches(a.device.GetTransform(TransformState::View), a.View());
  ExpectMatrixMatches(a.device.GetTransform(TransformState::Projection), Applied::Projection());
  EXPECT_FALSE(a.camera.WorldDirty() || a.camera.ViewDirty() || a.camera.ProjectionDirty());
}

TEST(Transformer, EveryApplySetsAllThreeMatricesRebuiltOrNot) {
  Applied a;
  a.device.SetTransform(TransformState::World, Matrix{});
  a.device.ClearLog();
  a.camera.ApplyTransforms(a.device);
  EXPECT_EQ(std::tuple(a.device.CallsOf<SetTransformCall>().size(), a.device.GetTransform(TransformState::World)),
            std::tuple(3u, a.camera.WorldMatrix()));
}

TEST(Transformer, TheCombinedTransformIsTheDevicesNotTheCamerasOwn) {
  Applied a;
  a.device.SetTransform(TransformState::World, MatrixScaling(2, 2, 2));
  Matrix combined;
  a.camera.GetCombinedTransform(a.device, combined);
  ExpectMatrixMatches(combined, Applied::Projection() * a.View() * glm::scale(glm::dmat4(1), glm::dvec3(2, 2, 2)));
}

// Both clip planes at 3000.
TEST(Transformer, ADegenerateProjectionKeepsTheLastGoodOne) {
  Applied a;
  const Matrix good = a.device.GetTransform(TransformState::Projection);
  a.camera.SetZ_Near(3000);
  a.camera.ApplyTransforms(a.device);
  EXPECT_EQ(a.device.GetTransform(TransformState::Projection), good);
  a.camera.SetZ_Near(1);
  a.camera.ApplyTransforms(a.device);
  EXPECT_NE(a.device.GetTransform(TransformState::Projection), good);
}

// A camera set up as the editor's free view would leave it.
void Customise(TDX9Transformer& camera) {
  camera.SetZoomMin(0.01f);
  camera.SetZoom(0.5f);
  camera.SetAspect(1.5f);
  camera.SetZ_Near(0.05f);
  camera.SetWorldRotation({0, 15, 0});
  camera.SetLookAt({10, 20, 30});
  camera.SetCameraDistance(1200);
  camera.SetCameraRotation({45, -45, 0});
  camera.SetViewTranslation({3, 4, 0});
}
void ExpectSameCamera(const TDX9Transformer& a, const TDX9Transformer& b) {
  const auto state = [](const TDX9Transformer& c) {
    std::vector<float> s{float(c.CameraMode()), c.Zoom(), c.ZoomMin(), c.ZoomMax(), c.Aspect(), c.Z_Near(), c.Z_Far(),
                         c.CameraDistance()};
    for (const TNotifyVector* v : std::initializer_list<const TNotifyVector*>{
             c.WorldRotation(), c.CameraRotation(), c.LookAt(), c.ViewTranslation(), c.FrameUp()})
      s.insert(s.end(), {v->X(), v->Y(), v->Z()});
    return s;
  };
  EXPECT_EQ(state(a), state(b));
  EXPECT_TRUE(SameVectorTol(Get(a.CameraPos()), Get(b.CameraPos()), 1e-3f));
}

TEST(Transformer, AssignCopiesACameraAcrossModesAndZoomLimits) {
  TNotifyVector notCamera;
  TDX9Transformer origin;
  TDX9Transformer live;
  origin.SetCameraMode(cmOrigin);
  origin.SetZoomMax(170);
  origin.SetZoomMin(150);  // above the other camera's range
  origin.SetCameraRotation({-20, 200, 0});
  live.Assign(&origin);
  ExpectSameCamera(live, origin);
  EXPECT_THROW(live.Assign(&notCamera), EConvertError);
}

// The zoom is streamed before its lower limit, and kept.
TEST(Transformer, AStreamCopiesACameraOfEitherMode) {
  RegisterTransformerClasses();
  ASSERT_NE(FindClass("TDX9Transformer"), nullptr);
  for (TDX9TransformerCameraMode mode : {cmFree, cmOrigin}) {
    TDX9Transformer original;
    TDX9Transformer copy;
    original.SetName("Transformer1");
    original.SetCameraMode(mode);
    Customise(original);
    LoadComponentFromBytes(SaveComponentToBytes(original), copy);
    SCOPED_TRACE(mode);
    ExpectSameCamera(copy, original);
    EXPECT_EQ(std::tuple(copy.Loading(), copy.Zoom()), std::tuple(false, 0.5f));
  }
}

}  // namespace
}  // namespace vrel
