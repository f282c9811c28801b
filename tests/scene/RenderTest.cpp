// The view control's logic without a window: a fake host hands out recording devices, and lost states come
// from the recording device's condition or the control's fault hook.
// Where the view maps logical pixels to device pixels, GLM projects the same points independently.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/PixelRatioDevice.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Render.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"
#include "scene/DXUtil.h"  // the timer commands
#include "tests/platform/Announcements.h"

namespace vrel {
namespace {

// A recording device that counts the tests and resets made while its host had no context ready.
class WatchedDevice : public RecordingDevice {
 public:
  WatchedDevice(const int& ready, int width, int height) : RecordingDevice(width, height), ready_(ready) {}
  DeviceResult TestCooperativeLevel() override {
    Watch();
    return RecordingDevice::TestCooperativeLevel();
  }
  DeviceResult DoReset(int w, int h) override {
    Watch();
    return RecordingDevice::DoReset(w, h);
  }
  int callsOutsideWork = 0;

 private:
  void Watch() { callsOutsideWork += ready_ <= 0; }
  const int& ready_;
};

struct FakeHost : TDX9RenderHost {
  bool window = true;
  std::vector<bool> kinds{true};  // which kinds of device can be made; odd ones fail by throwing
  std::vector<std::string> created;
  int ready = 0;                       // within device work or a paint
  TDX9Render* paintsAtOnce = nullptr;  // a paint follows each request at once
  WatchedDevice* device = nullptr;     // the last device made

  bool HasWindow() const override { return window; }
  int DeviceKindCount() const override { return static_cast<int>(kinds.size()); }
  std::unique_ptr<IDevice> CreateDevice(int kind, int width, int height) override {
    created.push_back(std::to_string(kind) + ": " + std::to_string(width) + " x " + std::to_string(height));
    if (!kinds.at(static_cast<std::size_t>(kind)) && kind % 2 == 1)
      throw std::runtime_error("no such device");
    if (!kinds.at(static_cast<std::size_t>(kind)))
      return nullptr;
    auto made = std::make_unique<WatchedDevice>(ready, width, height);
    device = made.get();
    return made;
  }
  void RequestPaint() override {
    if (paintsAtOnce) {
      ++ready;
      paintsAtOnce->Paint();
      --ready;
    }
  }
  void BeginDeviceWork() override { ++ready; }
  void EndDeviceWork() override { --ready; }
};

class RenderTest : public ::testing::Test {
 protected:
  // The render event of a view: clear and a scene with one point; the control presents.
  void SetUp() override {
    render_.SetTimer([this](int command) {
      timer_.push_back(command);
      return 0.0f;
    });
    render_.OnRender = [this](TObject* sender, IDevice& device) {
      EXPECT_EQ(sender, &render_);
      ++frames_;
      device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, render_.ClearColor(), 1.0f, 0);
      ASSERT_EQ(device.BeginScene(), DeviceResult::Ok);
      if (throwInScene_)
        throw std::runtime_error("drawing failed");
      device.SetFVF(VertexFormat::Xyz);
      device.DrawPrimitiveUP(PrimitiveType::PointList, 1, std::array<Vec3, 1>{{{0, 0, 0.5f}}});
      device.EndScene();
    };
  }
  // Creates the device, paints at once on every request, and forgets the calls made so far.
  void Create() {
    render_.CreateDevice();
    ASSERT_TRUE(render_.HasDevice());
    host_.paintsAtOnce = &render_;
    timer_.clear();
    Log().ClearLog();
  }
  WatchedDevice& Log() { return *host_.device; }
  int Presents() { return static_cast<int>(Log().CallsOf<PresentCall>().size()); }
  int Resets() { return render_.HasDevice() ? static_cast<int>(Log().CallsOf<ResetCall>().size()) : 0; }
  // A redraw, and then: frames drawn, whether the device is lost, resets made.
  std::string Redraw() {
    render_.Render3DEnvironment();
    return std::to_string(frames_) + (render_.DeviceLost() ? " lost " : " ok ") + std::to_string(Resets());
  }
  void ExpectOneMessage(const std::string& t) {
    ASSERT_EQ(box_.Shown.size(), 1u);
    EXPECT_EQ(box_.Shown[0].Text, t);
  }

  TCapturingMessageBox box_;
  TScopedMessageBox boxScope_{box_};
  FakeHost host_;
  TDX9Render render_{nullptr, &host_};
  int frames_ = 0;
  bool throwInScene_ = false;
  std::vector<int> timer_;
};

TEST_F(RenderTest, GetDeviceWithoutADeviceRaises) {
  try {
    render_.GetDevice();
    FAIL() << "GetDevice without a device";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "IDirect3DDevice9 ... Get Device Error!");
  }
}

TEST_F(RenderTest, NoDeviceIsMadeWithoutAWindow) {
  host_.window = false;
  render_.CreateDevice();
  EXPECT_EQ(std::tuple(render_.HasDevice(), host_.created.size(), render_.PauseCount(), timer_.size()),
            std::tuple(false, 0u, 1, 0u));
}

// Kinds that cannot be made give nothing or throw; the owner may draw from OnDeviceCreated on.
TEST_F(RenderTest, TheKindsAreTriedInTurnAndTheFirstDeviceMadeUnpausesTheControlOnce) {
  host_.kinds = {false, false, true};
  render_.Resize(320, 200);
  timer_.clear();
  int madeWith = 0;
  render_.OnDeviceCreated = [&](TObject*, IDevice& device) {
    ++madeWith;
    EXPECT_TRUE(render_.Active());
    EXPECT_EQ(device.GetViewport(), (Viewport{0, 0, 320, 200, 0, 1}));
  };
  render_.CreateDevice();
  render_.CreateDevice();
  EXPECT_EQ(host_.created, (std::vector<std::string>{"0: 320 x 200", "1: 320 x 200", "2: 320 x 200"}));
  EXPECT_EQ(std::tuple(render_.BackBufferWidth(), render_.BackBufferHeight(), render_.PauseCount(), madeWith),
            std::tuple(320, 200, 0, 1));
  EXPECT_EQ(timer_, (std::vector<int>{dxtStart, dxtStart}));  // the start, then the unpause's
  EXPECT_TRUE(box_.Shown.empty());
}

TEST_F(RenderTest, WhenNoKindCanBeMadeAMessageShowsAndNoFrameIsEverDrawn) {
  host_.kinds = {false, false, false};
  render_.CreateDevice();
  ExpectOneMessage("Create Device Error. Surface Error!");
  EXPECT_EQ(std::tuple(box_.Shown[0].Icon, box_.Shown[0].Buttons), std::tuple(TMsgIcon::None, TMsgButtons::OK));
  EXPECT_EQ(std::tuple(render_.HasDevice(), host_.created.size(), render_.PauseCount()), std::tuple(false, 3u, 1));
  render_.RenderFrame();
  render_.Render3DEnvironment();
  EXPECT_EQ(frames_, 0);
}

TEST_F(RenderTest, TwoPausesNeedTwoResumesAndTheTimerFollowsTheFirstAndLast) {
  Create();
  std::vector<std::string> seen;
  for (bool pause : {true, true, false, false}) {
    render_.Pause(pause);
    seen.push_back(std::to_string(timer_.size()) + " timer calls, " + Redraw());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1 timer calls, 0 ok 0", "1 timer calls, 0 ok 0", "1 timer calls, 0 ok 0",
                                            "2 timer calls, 1 ok 0"}));
  EXPECT_EQ(timer_, (std::vector<int>{dxtStop, dxtStart}));
  EXPECT_EQ(std::pair(render_.Active(), Presents()), std::pair(true, 1));
}

TEST_F(RenderTest, ADeviceLostAtPresentIsRepairedByTheNextRedraws) {
  Create();
  Log().SetCondition(DeviceResult::DeviceLost);
  EXPECT_EQ(Redraw(), "1 lost 0");                              // drawn; its present finds the device lost
  EXPECT_EQ(Redraw() + ", " + Redraw(), "1 lost 0, 1 lost 0");  // still lost: each call tests and gives up
  Log().SetCondition(DeviceResult::DeviceNotReset);
  EXPECT_EQ(Redraw(), "1 lost 1");  // not reset: one call resets and draws nothing
  EXPECT_EQ(Redraw(), "2 ok 1");    // the next tests again and draws
  EXPECT_EQ(std::tuple(Log().CallsOf<TestCooperativeLevelCall>().size(), box_.Shown.size(), Log().callsOutsideWork),
            std::tuple(4u, 0u, 0));
}

TEST_F(RenderTest, TheFaultHookDrivesTheSameSequenceWithoutTouchingTheDevice) {
  Create();
  using Op = TDeviceOperation;
  std::vector<Op> seen;
  std::vector<DeviceResult> answers{DeviceResult::DeviceLost, DeviceResult::DeviceLost, DeviceResult::DeviceNotReset,
                                    DeviceResult::InvalidCall};  // to each operation in turn, then Ok
  render_.SetFaultHook([&](Op op) {
    seen.push_back(op);
    return seen.size() <= answers.size() ? answers[seen.size() - 1] : DeviceResult::Ok;
  });
  EXPECT_EQ(Redraw(), "1 lost 0");                              // drawn; the present is lost
  EXPECT_EQ(Presents(), 0);                                     // the hook answered in the device's place
  EXPECT_EQ(Redraw() + ", " + Redraw(), "1 lost 0, 1 lost 0");  // lost, then not reset and the reset fails
  ExpectOneMessage("Could not reset the Direct3D device.");
  EXPECT_EQ(Redraw(), "2 ok 0");  // in order again
  EXPECT_EQ(seen, (std::vector<Op>{Op::Present, Op::TestCooperativeLevel, Op::TestCooperativeLevel, Op::Reset,
                                   Op::TestCooperativeLevel, Op::Present}));
}

// The same size resets nothing; the event fires all the same.
TEST_F(RenderTest, OnlyANewSizeResetsTheDevicePausedAround) {
  Create();
  ChangeCounter resized;
  render_.OnResize = resized.Event();
  render_.Resize(100, 100);
  EXPECT_EQ(render_.ResizeDevice(), DeviceResult::Ok);
  EXPECT_EQ(std::tuple(Resets(), timer_.size(), resized.count), std::tuple(0, 0u, 1));
  render_.Resize(640, 360);
  ASSERT_EQ(Resets(), 1);
  EXPECT_EQ(std::pair(Log().CallsOf<ResetCall>()[0]->width, Log().CallsOf<ResetCall>()[0]->height),
            std::pair(640, 360));
  EXPECT_EQ(timer_, (std::vector<int>{dxtStop, dxtStart}));
  EXPECT_EQ(std::tuple(render_.PauseCount(), resized.count, Log().callsOutsideWork), std::tuple(0, 2, 0));
}

TEST_F(RenderTest, ANewPixelRatioResetsTheDeviceOnceInDevicePixels) {
  Create();
  render_.Resize(640, 360);
  render_.Resize(640, 360, 1.5);
  render_.Resize(640, 360, 1.5);
  ASSERT_EQ(Resets(), 2);
  EXPECT_EQ(Log().CallsOf<ResetCall>()[1]->width, 960);
  EXPECT_EQ(render_.GetDevice().GetViewport(), (Viewport{0, 0, 640, 360, 0, 1}));
}

TEST_F(RenderTest, AResizeThatLosesTheDeviceMarksItLostWithoutAMessage) {
  Create();
  Log().SetCondition(DeviceResult::DeviceLost);
  render_.Resize(200, 150);
  EXPECT_EQ(std::tuple(render_.DeviceLost(), box_.Shown.size(), render_.PauseCount()), std::tuple(true, 0u, 0));
}

TEST_F(RenderTest, AResizeWhoseResetFailsOtherwiseShowsTheDriversMessage) {
  Create();
  render_.SetFaultHook(
      [](TDeviceOperation op) { return op == TDeviceOperation::Reset ? DeviceResult::InvalidCall : DeviceResult::Ok; });
  render_.Resize(210, 150);
  ExpectOneMessage("A serious problem occured inside the display driver.");
  EXPECT_EQ(render_.PauseCount(), 0);
  EXPECT_EQ(render_.ResetDevice(), DeviceResult::InvalidCall);
}

TEST_F(RenderTest, AFailingRenderEventLeavesNoSceneOpen) {
  Create();
  throwInScene_ = true;
  EXPECT_THROW(render_.Paint(), std::runtime_error);
  EXPECT_FALSE(Log().InScene());
  throwInScene_ = false;
  render_.Paint();
  EXPECT_EQ(std::pair(Presents(), Log().CallsOf<BeginSceneCall>().back()->result), std::pair(1, DeviceResult::Ok));
}

TEST_F(RenderTest, PickingCountsLogicalPixelsWhileTheDeviceDrawsInDevicePixels) {
  render_.Resize(400, 300, 2.0);
  Create();
  EXPECT_EQ(host_.created, (std::vector<std::string>{"0: 800 x 600"}));
  IDevice& device = render_.GetDevice();
  EXPECT_EQ(std::tuple(device.GetViewport(), Log().GetViewport()),
            std::tuple(Viewport{0, 0, 400, 300, 0, 1}, Viewport{0, 0, 800, 600, 0, 1}));
  TDX9Transformer camera;
  camera.SetAspect(400.0f / 300.0f);
  camera.SetZoom(60);
  camera.SetCameraRotation({30, -40, 0});
  camera.ApplyTransforms(device);
  const glm::dvec3 eye(camera.CameraPos()->X(), camera.CameraPos()->Y(), camera.CameraPos()->Z());
  const glm::dmat4 viewProjection = glm::perspectiveLH_ZO(glm::radians(60.0), 400.0 / 300.0, 0.1, 3000.0) *
                                    glm::lookAtLH(eye, glm::dvec3(0), glm::dvec3(0, 1, 0));
  for (const glm::dvec3& p : {glm::dvec3(0, 0, 0), glm::dvec3(20, -10, 35), glm::dvec3(-40, 25, -5)}) {
    // GLM's pixel, x right and y down, the clip square's corners on the outer pixels' centres.
    const glm::dvec4 clip = viewProjection * glm::dvec4(p, 1.0);
    const glm::dvec2 logical{(clip.x / clip.w + 1.0) * 200, (1.0 - clip.y / clip.w) * 150};
    const Vec3 at{float(p.x), float(p.y), float(p.z)};
    const Vec3 ours = Vec3TransformCoord(at, GetScreenMatrix(device));
    const Vec3 drawn = Vec3TransformCoord(at, GetScreenMatrix(Log()));  // the device underneath: twice as far
    EXPECT_LT(glm::distance(glm::dvec2(ours.x, ours.y), logical), 1e-2);
    EXPECT_LT(glm::distance(glm::dvec2(drawn.x, drawn.y), 2.0 * logical), 2e-2);
    // A mouse position there reads back the ray through the point.
    const auto ray = ScreenPointToLine(device.GetViewport(), float(logical.x), float(logical.y),
                                       GetProjectionMatrix(device), GetViewMatrix(device));
    ASSERT_TRUE(ray.has_value());
    const glm::dvec3 a(ray->nearPoint.x, ray->nearPoint.y, ray->nearPoint.z);
    const glm::dvec3 b(ray->farPoint.x, ray->farPoint.y, ray->farPoint.z);
    EXPECT_LT(glm::length(glm::cross(p - a, glm::normalize(b - a))), 0.05) << "the ray misses the point";
  }
}

float PointSize(const IDevice& device) {
  return std::bit_cast<float>(device.GetRenderState(RenderState::PointSize));
}

TEST(PixelRatioDevice, DevicePixelsAreRoundedLogicalPixelsTimesTheRatio) {
  for (auto [logical, ratio, pixels] : {std::tuple{301, 1.5, 452}, {201, 1.5, 302}, {100, 1.25, 125}, {0, 2.0, 0}})
    EXPECT_EQ(PixelRatioDevice::DevicePixels(logical, ratio), pixels) << logical << " x " << ratio;
}

// 301 x 201 logical pixels at 1.5 are 452 x 302 device pixels, rounded.
struct RatioDevice {
  std::unique_ptr<RecordingDevice> owned = std::make_unique<RecordingDevice>(452, 302);
  RecordingDevice& inner = *owned;
  PixelRatioDevice device{std::move(owned), 301, 201, 1.5};
};

// Edges at 10 and 110 of 301 logical pixels are at 10 x 452/301 = 15.0 and 110 x 452/301 = 165.2; the whole view
// is the whole back buffer, however it rounded.
TEST(PixelRatioDevice, AViewportTakesTheSameShareOfTheBackBuffer) {
  RatioDevice r;
  r.device.SetViewport({10, 20, 100, 50, 0.25f, 0.75f});
  EXPECT_EQ(r.inner.GetViewport(), (Viewport{15, 30, 150, 75, 0.25f, 0.75f}));
  r.device.SetViewport({0, 0, 301, 201, 0, 1});
  EXPECT_EQ(r.inner.GetViewport(), (Viewport{0, 0, 452, 302, 0, 1}));
}

// The far corner stays the far corner, and nothing else changes.
TEST(PixelRatioDevice, ScreenVerticesTakeTheSameShareOfTheBackBuffer) {
  RatioDevice r;
  r.device.SetFVF(VertexFormat::XyzRhwDiffuse);
  const std::array<ScreenVertex, 2> line{{{0, 0, 0.5f, 1, 0xFF00FF00}, {301, 201, 0.25f, 1, 0xFFFF0000}}};
  r.device.DrawPrimitiveUP(PrimitiveType::LineList, 1, line);
  const auto drawn = r.inner.Draws().back()->VerticesAs<ScreenVertex>();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(std::tuple(drawn[1].x, drawn[1].y, drawn[1].z, drawn[1].rhw, drawn[1].diffuse, line[1].x),
            std::tuple(452.0f, 302.0f, 0.25f, 1.0f, 0xFFFF0000u, 301.0f));
  EXPECT_THROW(r.device.DrawPrimitiveUP(PrimitiveType::LineList, 2, line), std::invalid_argument);  // short data
}

// A reset takes logical sizes; point sizes scale with the ratio.
TEST(PixelRatioDevice, ANewRatioWaitsForAReset) {
  RatioDevice r;
  r.device.SetPixelRatio(2.0);
  EXPECT_EQ(r.device.PixelRatio(), 1.5);
  ASSERT_EQ(r.device.Reset(320, 240), DeviceResult::Ok);
  EXPECT_EQ(std::pair(r.inner.CallsOf<ResetCall>().back()->width, r.inner.CallsOf<ResetCall>().back()->height),
            std::pair(640, 480));
  EXPECT_EQ(r.device.GetViewport(), (Viewport{0, 0, 320, 240, 0, 1}));
  EXPECT_EQ(std::tuple(r.device.PixelRatio(), PointSize(r.device), PointSize(r.inner)), std::tuple(2.0, 1.0f, 2.0f));
}

TEST(PixelRatioDevice, AFailedResetKeepsAllAsItWas) {
  RatioDevice r;
  r.inner.SetCondition(DeviceResult::DeviceLost);
  r.device.SetPixelRatio(1.0);
  EXPECT_EQ(r.device.Reset(50, 50), DeviceResult::DeviceLost);
  EXPECT_EQ(std::pair(r.device.LogicalWidth(), r.device.PixelRatio()), std::pair(301, 1.5));
}

TEST(PixelRatioDevice, NeedsADeviceAndAFiniteRatio) {
  EXPECT_THROW(PixelRatioDevice(nullptr, 1, 1, 1.0), std::invalid_argument);
  EXPECT_THROW(PixelRatioDevice(std::make_unique<RecordingDevice>(), 1, 1, std::nan("")), std::invalid_argument);
}

// Buffers belong to the inner device; draws from them pass through, but for screen vertices, which
// are scaled as those from memory are (drawn from memory, then the buffers are set again).
TEST(PixelRatioDevice, DrawsFromBuffersPassThroughAndScreenVerticesInThemScaleToo) {
  auto owned = std::make_unique<RecordingDevice>(640, 480);
  RecordingDevice& inner = *owned;
  PixelRatioDevice device(std::move(owned), 320, 240, 2.0);
  const std::vector<ScreenVertex> screen{{10, 20, 0, 1, 1}, {30, 40, 0, 1, 2}, {50, 60, 0, 1, 3}};
  const auto vertices = device.CreateVertexBuffer(3 * sizeof(ScreenVertex));
  const auto indices = device.CreateIndexBuffer(4 * 4, IndexFormat::Index32);
  std::ranges::copy(std::as_bytes(std::span(screen)), vertices->Lock().begin());
  vertices->Unlock();
  const std::vector<std::uint32_t> order{2, 0, 1, 2};
  std::ranges::copy(std::as_bytes(std::span(order)), indices->Lock().begin());
  indices->Unlock();
  device.SetFVF(VertexFormat::XyzRhwDiffuse);
  device.SetStreamSource(0, vertices, 0, sizeof(ScreenVertex));
  device.SetIndices(indices);
  device.DrawIndexedPrimitive(PrimitiveType::LineStrip, 0, 0, 3, 1, 2);  // through vertices 0, 1, 2
  device.DrawPrimitive(PrimitiveType::PointList, 2, 1);
  const auto draws = inner.Draws();
  ASSERT_EQ(draws.size(), 2u);
  const auto strip = draws[0]->VerticesAs<ScreenVertex>(), point = draws[1]->VerticesAs<ScreenVertex>();
  EXPECT_EQ(std::tuple(draws[0]->fromBuffers, draws[0]->type, draws[0]->primitiveCount),
            std::tuple(false, PrimitiveType::LineStrip, 2u));
  ASSERT_EQ(strip.size(), 3u);
  EXPECT_EQ(std::tuple(strip[0].x, strip[1].y, strip[2].x, strip[2].diffuse), std::tuple(20.0f, 80.0f, 100.0f, 3u));
  EXPECT_EQ(std::tuple(point.at(0).x, point.at(0).y), std::tuple(100.0f, 120.0f));
  EXPECT_EQ(std::tuple(device.GetStreamSource(0), device.GetIndices()), std::tuple(vertices, indices));
  // Anything but screen vertices is the inner device's own draw from the buffers.
  device.SetFVF(VertexFormat::XyzDiffuse);
  device.SetStreamSource(0, vertices, 0, sizeof(ColoredVertex));
  device.DrawIndexedPrimitive(PrimitiveType::LineList, 0, 0, 3, 0, 1);
  EXPECT_EQ(std::tuple(inner.Draws().back()->fromBuffers, inner.Draws().back()->indices),
            std::tuple(true, std::vector<std::uint32_t>{2, 0}));
  device.SetFVF(VertexFormat::XyzRhwDiffuse);  // a bad draw is refused by the inner device, as from memory
  device.SetStreamSource(0, vertices, 0, sizeof(ScreenVertex));
  EXPECT_THROW(device.DrawPrimitive(PrimitiveType::PointList, 2, 2), std::invalid_argument);
  EXPECT_THROW(device.DrawIndexedPrimitive(PrimitiveType::LineList, 0, 1, 2, 0, 1), std::invalid_argument);
}

}  // namespace
}  // namespace vrel
