#pragma once

// What the main window's benchmarks put around the main form's logic: a window that shows nothing,
// and a host whose view draws with the GL device on an offscreen context and whose paints are only
// counted.

#include <QOpenGLContext>

#include <memory>
#include <string>

#include "app/MainForm.h"
#include "platform/qt/GLDevice.h"
#include "scene/DX9Render.h"

namespace vrel::bench {

struct NoWindow : TMainFormWindow {
  void SetCaption(const std::string&) override {}
  void SetStatusText(TStatusPanel, const std::string&) override {}
  void SetViewToggleDown(int, bool) override {}
  void SetViewPointDown(TViewPoint) override {}
};

// The context is the caller's, set before the device is made.
struct OffscreenHost : TDX9RenderHost {
  QOpenGLContext* context = nullptr;
  int paintRequests = 0;
  bool HasWindow() const override { return true; }
  int DeviceKindCount() const override { return 1; }
  std::unique_ptr<IDevice> CreateDevice(int, int width, int height) override {
    return std::make_unique<GLDevice>(*context, width, height);
  }
  void RequestPaint() override { ++paintRequests; }
};

// The view on `host` drawing into `context`, at this size, with its device made.
inline std::unique_ptr<TDX9Render> MakeOffscreenView(OffscreenHost& host, QOpenGLContext& context, int width,
                                                     int height) {
  host.context = &context;
  auto render = std::make_unique<TDX9Render>(nullptr, &host);
  render->Resize(width, height);
  render->CreateDevice();
  return render;
}

}  // namespace vrel::bench
