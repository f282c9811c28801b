#pragma once

// The main form started without a window, as the input and plane-mark tests drive it: the shared
// fakes of MainFormFixture on a view of 800 x 600 logical pixels and a screen 1920 wide, and the
// keyboard a held-key set. The camera looks at the origin from `eye_`, along +Z from (0, 0, -1000)
// unless a test moves it; GLM is the oracle of where a world point shows on the screen and which
// world point lies under a pixel.

#include <gtest/gtest.h>

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_projection.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include <algorithm>
#include <cmath>

#include "app/MainForm.h"
#include "app/ViewInput.h"
#include "platform/KeyboardState.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Render.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"
#include "tests/app/MainFormFixture.h"

namespace vrel::formtest {

inline constexpr int kWidth = 800;
inline constexpr int kHeight = 600;
inline constexpr int kScreenWidth = 1920;

inline glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}
inline void ExpectNear(const Vec3& ours, const glm::dvec3& expected, double tolerance = 1e-3) {
  EXPECT_NEAR(ours.x, expected.x, tolerance);
  EXPECT_NEAR(ours.y, expected.y, tolerance);
  EXPECT_NEAR(ours.z, expected.z, tolerance);
}
// The free camera's eye: behind the look-at point along -Z, pitched by rx, then turned by ry.
inline glm::dvec3 FreeEye(const glm::dvec3& centre, double distance, double rx, double ry) {
  const glm::dmat4 turn =
      glm::rotate(glm::dmat4(1), glm::radians(ry), {0, 1, 0}) * glm::rotate(glm::dmat4(1), glm::radians(rx), {1, 0, 0});
  return centre + glm::dvec3(turn * glm::dvec4(0, 0, -distance, 0));
}
// Our row-major matrix against GLM's column-major one, relative to each element's size.
inline void ExpectMatrix(const Matrix& ours, const glm::dmat4& column, double tolerance = 2e-4) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(ours.m[r][c], column[r][c], tolerance * std::max(1.0, std::fabs(column[r][c]))) << r << c;
}

class FormTest : public apptest::MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    ASSERT_EQ(render_.Width(), kWidth);
    ASSERT_EQ(render_.Height(), kHeight);
    window_.screenWidth = kScreenWidth;
    form_->Start();
    ASSERT_TRUE(form_->Started());
    // Straight along +Z at the origin.
    form_->Transformer1().SetCameraRotation({0, 0, 0});
  }

  TSquareBladeCollections& Layers() { return *form_->Collections(); }
  TSquareBladeCollection& Layer() { return *Layers().GetLayer(0); }
  TViewInput& Input() { return form_->ViewInput(); }

  // A blade with fresh vertices at the corners.
  TSquareBlade* AddBlade(const TCorners& corners) { return scenetest::AddBlade(Layer(), corners); }
  // The square from (x0, y0) to (x1, y1) in the plane z = -100, corners clockwise as the camera sees
  // them from the top left.
  TSquareBlade* AddSquare(float x0, float y0, float x1, float y1) {
    return AddBlade({Vec3(x0, y0, kZ), Vec3(x1, y0, kZ), Vec3(x1, y1, kZ), Vec3(x0, y1, kZ)});
  }
  void SelectBlade(TSquareBlade* blade) {
    blade->SelectAll();
    Layers().RebuildSelectedVertexList();
  }

  // --- GLM: the camera as the tests expect it -----------------------------------------------------

  glm::dmat4 View() const { return glm::lookAtLH(eye_, glm::dvec3(0), glm::dvec3(0, 1, 0)); }
  glm::dmat4 Projection() const {
    const TDX9Transformer& camera = form_->Transformer1();
    return glm::perspectiveFovLH_ZO(glm::radians(static_cast<double>(camera.Zoom())), double(kWidth), double(kHeight),
                                    double(camera.Z_Near()), double(camera.Z_Far()));
  }
  // Pixel x, pixel y (downwards) and depth of a world point.
  glm::dvec3 Project(const glm::dvec3& world) const {
    const glm::dvec3 p = glm::projectZO(world, View(), Projection(), glm::dvec4(0, 0, kWidth, kHeight));
    return {p.x, kHeight - p.y, p.z};
  }
  ScreenPoint Pixel(const Vec3& world) const {
    const glm::dvec3 p = Project(G(world));
    return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
  }
  // The world point under pixel (x, y) at the screen depth of `reference`.
  glm::dvec3 Unproject(int x, int y, const Vec3& reference) const {
    const double depth = Project(G(reference)).z;
    return glm::unProjectZO(glm::dvec3(x, kHeight - y, depth), View(), Projection(), glm::dvec4(0, 0, kWidth, kHeight));
  }

  // --- the mouse ----------------------------------------------------------------------------------

  void Press(ScreenPoint p, TShiftState keys = {}) {
    Input().MouseDown(TMouseButton::Left, keys.Include(ssLeft), p.x, p.y);
  }
  void Drag(ScreenPoint p, TShiftState keys = {}) { Input().MouseMove(keys.Include(ssLeft), p.x, p.y); }
  void Release(ScreenPoint p, TShiftState keys = {}) { Input().MouseUp(TMouseButton::Left, keys, p.x, p.y); }
  void Click(ScreenPoint p, TShiftState keys = {}) {
    Press(p, keys);
    Release(p, keys);
  }
  void DragLeft(ScreenPoint from, ScreenPoint to, TShiftState keys = {}) {
    Press(from, keys);
    Drag(to, keys);
    Release(to, keys);
  }

  // One frame on a recording device of the view's size.
  RecordingDevice Frame() {
    RecordingDevice device(kWidth, kHeight);
    form_->Render1Render(device);
    return device;
  }

  static constexpr float kZ = -100.0f;

  // Where the camera the tests expect stands, looking at the origin.
  glm::dvec3 eye_{0, 0, -1000};

  TKeyboardState keys_;
  TScopedKeyboardState keyboardScope_{keys_};
};

}  // namespace vrel::formtest
