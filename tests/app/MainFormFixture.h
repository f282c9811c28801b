#pragma once

// The main window's logic without a window, for the tests of the main form, the panels' logic, the
// document commands, the view's input and the plane mark: a fake host hands the view a recording
// device and never paints (the tests draw frames themselves), a fake window and fake tool windows
// record what they would show, the memo is an editor without its window, and the settings file is a
// temporary one named by VREL_INI.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/ToolCommands.h"
#include "editor/EditorCore.h"
#include "files/ObjectFiles.h"
#include "platform/MessageBox.h"
#include "platform/ProgressBar.h"
#include "scene/DX9Render.h"
#include "scene/DX9Square.h"
#include "tests/app/FakeHost.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel::apptest {

struct FakeWindow : TMainFormWindow {
  std::string caption = "Vrel";
  std::array<std::string, 3> status;
  std::array<bool, kViewToggleCount> toggles{};
  int viewPointDown = -1;
  bool failViewPoint = false;
  int cursor = -1;
  int cursorChanges = 0;
  bool timerOn = false;
  int memoryChanges = 0;
  // 0: none known, the view's width serves.
  int screenWidth = 0;

  void SetCaption(const std::string& text) override { caption = text; }
  void SetStatusText(TStatusPanel panel, const std::string& text) override { status.at(panel) = text; }
  void SetViewToggleDown(int tag, bool down) override { toggles.at(static_cast<std::size_t>(tag)) = down; }
  void SetViewPointDown(TViewPoint viewPoint) override {
    if (failViewPoint)
      throw std::runtime_error("the button is gone");
    viewPointDown = viewPoint;
  }
  void SetViewCursor(int id) override {
    cursor = id;
    ++cursorChanges;
  }
  void SetTimer1Enabled(bool on) override { timerOn = on; }
  void PlaneMarkMemoryChanged() override { ++memoryChanges; }
  int ScreenWidth() const override { return screenWidth; }
};

struct FakePanels : TMainFormPanels {
  std::vector<float> ranges;
  int paramsShown = 0;
  bool lookAt = true;
  TSquareBladeCollections* layers = nullptr;
  int layerFills = 0;
  std::vector<TEditMode> modes;
  TScaleAxis scaleAxis = saEqualRatio;
  TRotationAxis rotationAxis = raViewAxis;
  Vec3 relative, absolute;

  void ShowFMSParams(const TFMSDataHolder&) override { ++paramsShown; }
  bool ParamLookAt() const override { return lookAt; }
  void SetLayerCollections(TSquareBladeCollections* collections) override {
    layers = collections;
    ++layerFills;
  }
  void SetDialogRanges(float areaRadius) override { ranges.push_back(areaRadius); }
  void EditModeChanged(TEditMode mode) override { modes.push_back(mode); }
  TScaleAxis ScaleAxis() const override { return scaleAxis; }
  TRotationAxis RotationAxis() const override { return rotationAxis; }
  void ShowMoveVectors(const Vec3& r, const Vec3& a) override {
    relative = r;
    absolute = a;
  }
};

// Tool dialogs that answer the polygon dialog as told and record what they were offered and asked.
struct FakeToolDialogs : TToolDialogs {
  std::optional<TPolygonRequest> polygon;
  Vec3 offeredStart, offeredPlaneMark;
  std::optional<Vec3> offeredSelectionCenter;
  int vertexPositions = 0;
  int polygonProperties = 0;
  std::optional<TPolygonRequest> PolygonDialog(const Vec3& start, const Vec3& planeMark,
                                               const std::optional<Vec3>& selectionCenter) override {
    offeredStart = start;
    offeredPlaneMark = planeMark;
    offeredSelectionCenter = selectionCenter;
    return polygon;
  }
  bool VertexPositionDialog(TSquareBladeCollections&) override {
    ++vertexPositions;
    return false;
  }
  void PolygonProperty() override { ++polygonProperties; }
};

// A status bar 22 pixels high that records the bars placed on it.
struct FakeStatusBar : TProgressParent {
  struct Bar : TProgressBarWidget {
    explicit Bar(FakeStatusBar& owner) : owner_(owner) { ++owner_.barsShown; }
    ~Bar() override { --owner_.barsShown; }
    void SetBounds(int left, int top, int width, int height) override { owner_.bounds = {left, top, width, height}; }
    void SetPosition(int position) override { owner_.positions.push_back(position); }
    FakeStatusBar& owner_;
  };
  int barsShown = 0;
  std::array<int, 4> bounds{};
  std::vector<int> positions;
  int ClientHeight() const override { return 22; }
  std::unique_ptr<TProgressBarWidget> CreateProgressBar() override { return std::make_unique<Bar>(*this); }
  void RepaintNow() override {}
};

// A blade right of `left` up to x, sharing left's edge 1 as its own edge 3 (welded, one winding).
inline TSquareBlade* AddWeldedRight(TSquareBladeCollection& layer, TSquareBlade* left, float x) {
  TSquareBlade* blade = layer.Add();
  const TCorners c = left->GetVertices();
  blade->SetReference(0, left->GetVertexItem(1));
  blade->SetReference(3, left->GetVertexItem(2));
  layer.VertexPool()->NewDataFor(blade, 1);
  blade->SetVertexPosition(1, Vec3(x, c[1].y, c[1].z));
  layer.VertexPool()->NewDataFor(blade, 2);
  blade->SetVertexPosition(2, Vec3(x, c[2].y, c[2].z));
  blade->UpdatePositionCache();
  return blade;
}

// A main form on a view of 800 x 600, not started.
class MainFormFixture : public scenetest::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    ini_ = PathOf("vrel.ini");
    env_ = std::make_unique<scenetest::ScopedEnv>("VREL_INI", ini_.c_str());
    RegisterFileClasses();
    render_.SetTimer([](int) { return 0.0f; });
    render_.Resize(800, 600);
    render_.CreateDevice();
    form_ = std::make_unique<TMainForm>(render_, window_, &panels_);
    form_->SetMemoEditor(&memo_);
  }
  void TearDown() override {
    form_.reset();
    TempFolder::TearDown();
  }

  std::string ini_;
  std::unique_ptr<scenetest::ScopedEnv> env_;
  FakeHost host_;
  TDX9Render render_{nullptr, &host_};
  FakeWindow window_;
  FakePanels panels_;
  TCapturingMessageBox messages_;
  TScopedMessageBox messageScope_{messages_};
  // The memo window's editor, without its window.
  EditorCore memo_;
  std::unique_ptr<TMainForm> form_;
};

// Started, and the view's device has drawn one frame, so it holds the camera's transforms.
class StartedMainForm : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    form_->Start();
    ASSERT_TRUE(form_->Started());
    form_->Render1Render(render_.GetDevice());
  }
};

}  // namespace vrel::apptest
