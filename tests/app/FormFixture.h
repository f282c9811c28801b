#pragma once

// The main form started without a window, as the input tests drive it: a fake host hands the view a
// recording device of 800 x 600 logical pixels, a recording window and recording panels stand in for
// the widgets, the keyboard is a held-key set, and the settings file is a temporary one. The camera
// looks along +Z at the origin from (0, 0, -1000); GLM is the oracle of where a world point shows
// on the screen and which world point lies under a pixel.

#include <gtest/gtest.h>

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_projection.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "files/ObjectFiles.h"
#include "platform/KeyboardState.h"
#include "platform/MessageBox.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Render.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel::formtest {

inline constexpr int kWidth = 800;
inline constexpr int kHeight = 600;
inline constexpr int kScreenWidth = 1920;

// Asks for paints but never paints: the tests draw frames themselves.
struct FakeHost : TDX9RenderHost {
  bool HasWindow() const override { return true; }
  int DeviceKindCount() const override { return 1; }
  std::unique_ptr<IDevice> CreateDevice(int, int width, int height) override {
    return std::make_unique<RecordingDevice>(width, height);
  }
  void RequestPaint() override {}
};

struct RecordingWindow : TMainFormWindow {
  std::array<std::string, 3> status;
  int cursor = -1;
  int cursorChanges = 0;
  bool timerOn = false;
  int memoryChanges = 0;

  void SetCaption(const std::string&) override {}
  void SetStatusText(TStatusPanel panel, const std::string& text) override { status.at(panel) = text; }
  void SetViewToggleDown(int, bool) override {}
  void SetViewPointDown(TViewPoint) override {}
  void SetViewCursor(int id) override {
    cursor = id;
    ++cursorChanges;
  }
  void SetTimer1Enabled(bool on) override { timerOn = on; }
  void PlaneMarkMemoryChanged() override { ++memoryChanges; }
  int ScreenWidth() const override { return kScreenWidth; }
};

struct RecordingPanels : TMainFormPanels {
  TSquareBladeCollections* layers = nullptr;
  int layerFills = 0;
  std::vector<TEditMode> modes;
  TScaleAxis scaleAxis = saEqualRatio;
  TRotationAxis rotationAxis = raViewAxis;
  Vec3 relative, absolute;

  void SetLayerCollections(TSquareBladeCollections* collections) override {
    layers = collections;
    ++layerFills;
  }
  void EditModeChanged(TEditMode mode) override { modes.push_back(mode); }
  TScaleAxis ScaleAxis() const override { return scaleAxis; }
  TRotationAxis RotationAxis() const override { return rotationAxis; }
  void ShowMoveVector(const Vec3& r, const Vec3& a) override {
    relative = r;
    absolute = a;
  }
};

inline glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}

class FormTest : public scenetest::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    ini_ = PathOf("vrel.ini");
    env_ = std::make_unique<scenetest::ScopedEnv>("VREL_INI", ini_.c_str());
    RegisterFileClasses();
    render_.SetTimer([](int) { return 0.0f; });
    render_.Resize(kWidth, kHeight);
    render_.CreateDevice();
    form_ = std::make_unique<TMainForm>(render_, window_, &panels_);
    form_->Start();
    ASSERT_TRUE(form_->Started());
    // Straight along +Z at the origin.
    form_->Transformer1().SetCameraRotation({0, 0, 0});
  }
  void TearDown() override {
    form_.reset();
    TempFolder::TearDown();
  }

  TSquareBladeCollections& Layers() { return *form_->Collections(); }
  TSquareBladeCollection& Layer() { return *Layers().GetLayer(0); }
  TViewInput& Input() { return form_->ViewInput(); }

  // A blade with fresh vertices at the corners.
  TSquareBlade* AddBlade(const TCorners& corners) {
    TSquareBlade* blade = Layer().Add();
    for (int i = 0; i < 4; ++i) {
      Layer().VertexPool()->NewDataFor(blade, i);
      blade->SetVertexPosition(i, corners[static_cast<std::size_t>(i)]);
    }
    blade->UpdatePositionCache();
    return blade;
  }
  // The square from (x0, y0) to (x1, y1) in the plane z = -100, corners clockwise as the camera sees
  // them from the top left.
  TSquareBlade* AddSquare(float x0, float y0, float x1, float y1) {
    return AddBlade({Vec3(x0, y0, kZ), Vec3(x1, y0, kZ), Vec3(x1, y1, kZ), Vec3(x0, y1, kZ)});
  }
  // A square right of `left` up to x, sharing left's edge 1 as its own edge 3 (welded, one winding).
  TSquareBlade* AddWeldedRight(TSquareBlade* left, float x) {
    TSquareBlade* blade = Layer().Add();
    const TCorners c = left->GetVertices();
    blade->SetReference(0, left->GetVertexItem(1));
    blade->SetReference(3, left->GetVertexItem(2));
    Layer().VertexPool()->NewDataFor(blade, 1);
    blade->SetVertexPosition(1, Vec3(x, c[1].y, kZ));
    Layer().VertexPool()->NewDataFor(blade, 2);
    blade->SetVertexPosition(2, Vec3(x, c[2].y, kZ));
    blade->UpdatePositionCache();
    return blade;
  }
  void SelectBlade(TSquareBlade* blade) {
    blade->SelectAll();
    Layers().RebuildSelectedVertexList();
  }

  // --- GLM: the camera as the tests expect it -----------------------------------------------------

  glm::dvec3 Eye() const { return {0, 0, -1000}; }
  glm::dmat4 View() const { return glm::lookAtLH(Eye(), glm::dvec3(0), glm::dvec3(0, 1, 0)); }
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

  std::string ini_;
  std::unique_ptr<scenetest::ScopedEnv> env_;
  FakeHost host_;
  TDX9Render render_{nullptr, &host_};
  RecordingWindow window_;
  RecordingPanels panels_;
  TCapturingMessageBox messages_;
  TScopedMessageBox messageScope_{messages_};
  TKeyboardState keys_;
  TScopedKeyboardState keyboardScope_{keys_};
  std::unique_ptr<TMainForm> form_;
};

}  // namespace vrel::formtest
