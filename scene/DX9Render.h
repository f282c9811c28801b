#pragma once

// The control that owns the drawing device of a 3D view. It draws on demand only: whatever changes
// what is seen calls Render3DEnvironment, which repairs a lost device when it can and then asks the
// window for a frame; the frame runs OnRender (which does all the drawing) and presents. It keeps the
// device usable across resizing and device loss, and counts pauses: drawing and the frame timer run
// only while nothing holds the view paused.
//
// Failures are shown through the message-box port as plain boxes with an OK button. The control
// knows the window only through TDX9RenderHost, so its logic runs without a window system: the Qt
// widget that shows a view is a thin host around it, and tests drive it with a fake. Sizes are
// logical pixels throughout; the device handed to OnRender counts logical pixels too and scales to
// the screen's device pixels by itself (PixelRatioDevice), so picking works in mouse coordinates.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Classes.h"
#include "platform/Device.h"
#include "platform/PixelRatioDevice.h"

namespace vrel {

// What the window showing a view offers its control.
class TDX9RenderHost {
 public:
  virtual ~TDX9RenderHost() = default;

  // Whether the window exists, so that a device can be made for it.
  virtual bool HasWindow() const = 0;
  // How many kinds of device the window can try to make, best first.
  virtual int DeviceKindCount() const = 0;
  // A device of kind `kind` (0 .. DeviceKindCount() - 1) with a back buffer of the given size in
  // device pixels and its default state; null when that kind cannot be made.
  virtual std::unique_ptr<IDevice> CreateDevice(int kind, int width, int height) = 0;
  // Schedules a paint of the window, which calls the control's Paint. Requests made before that
  // paint may be served by the one paint.
  virtual void RequestPaint() = 0;
  // Brackets device calls made outside a paint (testing, resetting, releasing), so that the window
  // can make its drawing context current. They may nest.
  virtual void BeginDeviceWork() {}
  virtual void EndDeviceWork() {}
};

// Device calls outside a paint (loading textures, testing, resetting) need the window's drawing
// context: this brackets them for the life of a scope. A null host brackets nothing.
class TDeviceWork {
 public:
  explicit TDeviceWork(TDX9RenderHost* host) : host_(host) {
    if (host_)
      host_->BeginDeviceWork();
  }
  ~TDeviceWork() {
    if (host_)
      host_->EndDeviceWork();
  }
  TDeviceWork(const TDeviceWork&) = delete;
  TDeviceWork& operator=(const TDeviceWork&) = delete;

 private:
  TDX9RenderHost* host_;
};

// The device calls through which a lost device shows itself.
enum class TDeviceOperation { Present, TestCooperativeLevel, Reset };

// Consulted before each such call: Ok lets the call reach the device; any other result is the
// call's answer and the device is not called. Tests drive the lost-device handling with it, since a
// real device is seldom lost on purpose.
using TDeviceFaultHook = std::function<DeviceResult(TDeviceOperation operation)>;

// The drawing event: the control and its device, between nothing and the present.
using TDX9RenderEvent = std::function<void(TObject* sender, IDevice& device)>;

// The frame-timer commands, as DXTimer takes them.
using TDX9RenderTimer = std::function<float(int command)>;

class TDX9Render : public TComponent {
  VREL_CLASS_INFO(TDX9Render, TComponent)
 public:
  static constexpr std::uint32_t kDefaultBackgroundColor = 5849112;  // $594018: red in the low byte

  // 100 x 100 logical pixels at a pixel ratio of 1, the default background, paused once (the timer
  // stopped) until CreateDevice.
  explicit TDX9Render(TComponent* owner = nullptr, TDX9RenderHost* host = nullptr);
  ~TDX9Render() override;

  // Drawing happens here; unassigned, nothing is drawn or presented.
  TDX9RenderEvent OnRender;
  // After the client size changed and the device followed it.
  TNotifyEvent OnResize;
  // After a device was made: the first time and whenever the window's drawing context was replaced
  // (a lost GL context). Resources made with an earlier device (textures) are gone then and must be
  // made again.
  TDX9RenderEvent OnDeviceCreated;

  TDX9RenderHost* Host() const { return host_; }
  void SetHost(TDX9RenderHost* host) { host_ = host; }
  // The process-wide DXTimer unless replaced (tests watch the commands).
  void SetTimer(TDX9RenderTimer timer);
  void SetFaultHook(TDeviceFaultHook hook) { faultHook_ = std::move(hook); }

  bool Active() const { return active_; }
  bool DeviceLost() const { return deviceLost_; }
  int32_t PauseCount() const { return pauseCount_; }
  // The background as the device clears with it: 0xAARRGGBB.
  ArgbColor ClearColor() const { return clearColor_; }
  // The background as the settings keep it: red in the low byte.
  std::uint32_t BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(std::uint32_t color);

  // The client size in logical pixels and the device pixels per logical pixel.
  int Width() const { return width_; }
  int Height() const { return height_; }
  double PixelRatio() const { return pixelRatio_; }
  // The window was resized (or moved to a screen of another pixel ratio): ResizeDevice, then OnResize.
  void Resize(int width, int height, double pixelRatio = 1.0);
  // The back buffer as last set up, in logical pixels.
  int BackBufferWidth() const { return backBufferWidth_; }
  int BackBufferHeight() const { return backBufferHeight_; }

  // Makes the device (once, when the window is first shown): each kind the host offers in turn; when
  // none can be made the message "Create Device Error. Surface Error!" and no device. On success the
  // timer starts and the control unpauses.
  void CreateDevice();
  // The window's drawing context is going away (or is lost): the device is released and counts as
  // lost until RecreateDevice gives a new one.
  void ReleaseDevice();
  // The window has a new drawing context: a new device as CreateDevice makes it, without touching
  // the pause count. The device stays marked lost, so the next Render3DEnvironment tests it and draws.
  void RecreateDevice();
  bool HasDevice() const { return device_ != nullptr; }
  // Raises "IDirect3DDevice9 ... Get Device Error!" without a device.
  IDevice& GetDevice() const;
  // The device as the window made it (device pixels), or null.
  IDevice* InnerDevice() const { return device_ ? &device_->Inner() : nullptr; }

  // Counts pauses: True adds one, False takes one away; active while the count is below 1. The timer
  // stops when the count becomes 1 by a pause and starts when it becomes 0.
  void Pause(bool pause);
  // Follows a change of client size (or pixel ratio) with a device reset, paused around it. A lost
  // device during the reset is marked and counts as success; any other failure is reported as "A
  // serious problem occured inside the display driver.". Nothing happens for the same size.
  DeviceResult ResizeDevice();
  // The device's Reset to the back-buffer size; InvalidCall without a device.
  DeviceResult ResetDevice();
  // With a device, active and OnRender assigned: OnRender, then Present (a lost device is marked).
  void RenderFrame();
  // The redraw request. A device marked lost is tested first: back in order, it is unmarked and the
  // frame follows; not reset, it is reset (failure: "Could not reset the Direct3D device.") and this
  // call ends without a frame; still lost, the call ends. Then the host is asked for a paint (without
  // a host the frame is drawn at once).
  void Render3DEnvironment();
  // An idle-time handler: when time has passed since the last look, not done, and redraw.
  void Idle(TObject* sender, bool& done);
  // The window's paint: the frame.
  void Paint();

 private:
  DeviceResult CallDevice(TDeviceOperation operation);
  bool MakeDevice();
  float Timer(int command) const { return timer_(command); }

  TDX9RenderHost* host_;
  TDX9RenderTimer timer_;
  TDeviceFaultHook faultHook_;

  bool active_ = false;
  bool deviceLost_ = false;
  int32_t pauseCount_ = 0;
  ArgbColor clearColor_ = 0xFF184059;
  std::uint32_t backgroundColor_ = kDefaultBackgroundColor;
  std::unique_ptr<PixelRatioDevice> device_;
  int backBufferWidth_ = 0, backBufferHeight_ = 0;
  double backBufferRatio_ = 1.0;
  int lastWidth_ = 0, lastHeight_ = 0;
  double lastPixelRatio_ = 1.0;
  int width_ = 100, height_ = 100;
  double pixelRatio_ = 1.0;
};

}  // namespace vrel
