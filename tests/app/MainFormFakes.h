#pragma once

// What the main window's logic talks to, faked for tests without a window: a host that hands the
// view a recording device and asks for paints without painting, a window that records what it would
// show, and tool panels that record what they are given; and a fixture that makes the form over them
// with a settings file of its own (VREL_INI) and the message boxes captured.

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "files/ObjectFiles.h"
#include "files/SimFilers.h"
#include "platform/MessageBox.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Render.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel {

// Asks for paints but never paints: the tests draw frames themselves.
struct FakeHost : TDX9RenderHost {
  int paintRequests = 0;
  bool HasWindow() const override { return true; }
  int DeviceKindCount() const override { return 1; }
  std::unique_ptr<IDevice> CreateDevice(int, int width, int height) override {
    return std::make_unique<RecordingDevice>(width, height);
  }
  void RequestPaint() override { ++paintRequests; }
};

struct FakeWindow : TMainFormWindow {
  std::string caption = "Vrel";
  std::array<std::string, 3> status;
  std::array<bool, kViewToggleCount> toggles{};
  int viewPointDown = -1;
  bool failViewPoint = false;

  void SetCaption(const std::string& text) override { caption = text; }
  void SetStatusText(TStatusPanel panel, const std::string& text) override { status.at(panel) = text; }
  void SetViewToggleDown(int tag, bool down) override { toggles.at(static_cast<std::size_t>(tag)) = down; }
  void SetViewPointDown(TViewPoint viewPoint) override {
    if (failViewPoint)
      throw std::runtime_error("the button is gone");
    viewPointDown = viewPoint;
  }
};

struct FakePanels : TMainFormPanels {
  std::vector<float> ranges;
  int paramsShown = 0;
  bool lookAt = true;
  TSquareBladeCollections* layers = nullptr;
  void ShowFMSParams(const TFMSDataHolder&) override { ++paramsShown; }
  bool ParamLookAt() const override { return lookAt; }
  void SetLayerCollections(TSquareBladeCollections* collections) override { layers = collections; }
  void SetDialogRanges(float areaRadius) override { ranges.push_back(areaRadius); }
};

// The form, not yet started, on an 800 x 600 view with a recording device.
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
  std::unique_ptr<TMainForm> form_;
};

}  // namespace vrel
