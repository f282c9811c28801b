#include "scene/DX9Render.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/MessageBox.h"
#include "scene/DX9Utils.h"
#include "scene/DXUtil.h"

namespace vrel {

namespace {

constexpr const char* kCreateDeviceError = "Create Device Error. Surface Error!";
constexpr const char* kGetDeviceError = "IDirect3DDevice9 ... Get Device Error!";
constexpr const char* kDisplayDriverError = "A serious problem occured inside the display driver.";
constexpr const char* kResetError = "Could not reset the Direct3D device.";

void ShowMessage(const char* text) {
  ShowMessageBox("Vrel", text, TMsgIcon::None, TMsgButtons::OK);
}

}  // namespace

const TClassInfo& TDX9Render::StaticClass() {
  static const TClassInfo info(
      "TDX9Render", &Inherited::StaticClass(),
      {props::WithDefault(
          props::Integer<&TDX9Render::BackgroundColor, &TDX9Render::SetBackgroundColor>("BackgroundColor"),
          kDefaultBackgroundColor)});
  return info;
}

TDX9Render::TDX9Render(TComponent* owner, TDX9RenderHost* host) : TComponent(owner), host_(host), timer_(DXTimer) {
  clearColor_ = ColorToD3DColor(backgroundColor_);
  Pause(true);
}

// The window host releases the device with its context current before it goes; whatever is left
// here goes without the host, which may be half destroyed by now.
TDX9Render::~TDX9Render() = default;

void TDX9Render::SetTimer(TDX9RenderTimer timer) {
  timer_ = timer ? std::move(timer) : TDX9RenderTimer(DXTimer);
}

void TDX9Render::SetBackgroundColor(std::uint32_t color) {
  if (color == backgroundColor_)
    return;
  backgroundColor_ = color;
  clearColor_ = ColorToD3DColor(color);
}

void TDX9Render::Resize(int width, int height, double pixelRatio) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixelRatio_ = std::isfinite(pixelRatio) && pixelRatio > 0.0 ? pixelRatio : 1.0;
  ResizeDevice();
  if (OnResize)
    OnResize(this);
}

bool TDX9Render::MakeDevice() {
  backBufferWidth_ = lastWidth_ = width_;
  backBufferHeight_ = lastHeight_ = height_;
  backBufferRatio_ = lastPixelRatio_ = pixelRatio_;
  const int deviceWidth = PixelRatioDevice::DevicePixels(width_, pixelRatio_);
  const int deviceHeight = PixelRatioDevice::DevicePixels(height_, pixelRatio_);
  TDeviceWork work(host_);
  std::unique_ptr<IDevice> inner;
  for (int kind = 0; kind < host_->DeviceKindCount() && !inner; ++kind) {
    try {
      inner = host_->CreateDevice(kind, deviceWidth, deviceHeight);
    } catch (const std::exception&) {
      inner.reset();  // this kind cannot be made here; the next one may
    }
  }
  if (!inner) {
    ShowMessage(kCreateDeviceError);
    return false;
  }
  device_ = std::make_unique<PixelRatioDevice>(std::move(inner), width_, height_, pixelRatio_);
  return true;
}

void TDX9Render::CreateDevice() {
  if (device_ || !host_ || !host_->HasWindow())
    return;
  if (!MakeDevice())
    return;
  Timer(dxtStart);
  Pause(false);
  if (OnDeviceCreated) {
    const TDX9RenderEvent handler = OnDeviceCreated;
    handler(this, *device_);
  }
}

void TDX9Render::ReleaseDevice() {
  if (!device_)
    return;
  {
    TDeviceWork work(host_);
    device_.reset();
  }
  deviceLost_ = true;
}

void TDX9Render::RecreateDevice() {
  if (!host_ || !host_->HasWindow())
    return;
  ReleaseDevice();
  if (!MakeDevice())
    return;
  if (OnDeviceCreated) {
    const TDX9RenderEvent handler = OnDeviceCreated;
    handler(this, *device_);
  }
}

IDevice& TDX9Render::GetDevice() const {
  if (!device_)
    throw Exception(kGetDeviceError);
  return *device_;
}

void TDX9Render::Pause(bool pause) {
  pauseCount_ += pause ? 1 : -1;
  active_ = pauseCount_ < 1;
  if (pause && pauseCount_ == 1)
    Timer(dxtStop);
  if (pauseCount_ == 0)
    Timer(dxtStart);
}

DeviceResult TDX9Render::CallDevice(TDeviceOperation operation) {
  if (faultHook_) {
    const DeviceResult injected = faultHook_(operation);
    if (injected != DeviceResult::Ok)
      return injected;
  }
  switch (operation) {
    case TDeviceOperation::Present:
      return device_->Present();
    case TDeviceOperation::TestCooperativeLevel:
      return device_->TestCooperativeLevel();
    case TDeviceOperation::Reset:
      device_->SetPixelRatio(backBufferRatio_);
      return device_->Reset(backBufferWidth_, backBufferHeight_);
  }
  return DeviceResult::InvalidCall;
}

DeviceResult TDX9Render::ResizeDevice() {
  if (width_ == lastWidth_ && height_ == lastHeight_ && pixelRatio_ == lastPixelRatio_)
    return DeviceResult::Ok;
  Pause(true);
  DeviceResult result = DeviceResult::Ok;
  try {
    backBufferWidth_ = lastWidth_ = width_;
    backBufferHeight_ = lastHeight_ = height_;
    backBufferRatio_ = lastPixelRatio_ = pixelRatio_;
    if (device_) {
      result = ResetDevice();
      if (result == DeviceResult::DeviceLost) {
        // The device comes back through Render3DEnvironment.
        deviceLost_ = true;
        result = DeviceResult::Ok;
      } else if (result != DeviceResult::Ok) {
        ShowMessage(kDisplayDriverError);
      }
    }
  } catch (...) {
    Pause(false);
    throw;
  }
  Pause(false);
  return result;
}

DeviceResult TDX9Render::ResetDevice() {
  if (!device_)
    return DeviceResult::InvalidCall;
  TDeviceWork work(host_);
  return CallDevice(TDeviceOperation::Reset);
}

void TDX9Render::RenderFrame() {
  if (!device_ || !active_ || !OnRender)
    return;
  const TDX9RenderEvent handler = OnRender;  // the handler may rebind the event
  try {
    handler(this, *device_);
  } catch (...) {
    // A scene left open would refuse every later frame's BeginScene; outside a scene this answers
    // InvalidCall and changes nothing.
    if (device_)
      device_->EndScene();
    throw;
  }
  if (device_ && CallDevice(TDeviceOperation::Present) == DeviceResult::DeviceLost)
    deviceLost_ = true;
}

void TDX9Render::Render3DEnvironment() {
  if (deviceLost_) {
    if (!device_)
      return;
    TDeviceWork work(host_);
    const DeviceResult level = CallDevice(TDeviceOperation::TestCooperativeLevel);
    if (level == DeviceResult::DeviceNotReset) {
      // The reset costs this call its frame: the next call tests again and then draws.
      if (ResetDevice() != DeviceResult::Ok)
        ShowMessage(kResetError);
      return;
    }
    if (level != DeviceResult::Ok)
      return;
    deviceLost_ = false;
  }
  if (host_) {
    host_->RequestPaint();
  } else {
    RenderFrame();
  }
}

void TDX9Render::Idle(TObject*, bool& done) {
  if (Timer(dxtElapsedTime) == 0.0f)
    return;
  done = false;
  Render3DEnvironment();
}

void TDX9Render::Paint() {
  RenderFrame();
}

}  // namespace vrel
