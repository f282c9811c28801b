#pragma once

#include <memory>

#include "platform/RecordingDevice.h"
#include "scene/DX9Render.h"

namespace vrel::apptest {

// Hands the view a recording device and counts the paints it asks for, never painting.
struct FakeHost : TDX9RenderHost {
  int paintRequests = 0;
  bool HasWindow() const override { return true; }
  int DeviceKindCount() const override { return 1; }
  std::unique_ptr<IDevice> CreateDevice(int, int width, int height) override {
    return std::make_unique<RecordingDevice>(width, height);
  }
  void RequestPaint() override { ++paintRequests; }
};

}  // namespace vrel::apptest
