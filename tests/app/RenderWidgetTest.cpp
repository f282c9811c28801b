// The 3D view's window under an X server (xvfb-run) with Mesa's software rasteriser. What reached the
// screen is read back from the X server itself (a grab of the window), and where a point should land
// is computed with GLM. The same tests run a second time at a pixel ratio of 2 (QT_SCALE_FACTOR), where
// the grab counts device pixels and the view's device keeps counting logical ones.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "app/qt/RenderWidget.h"
#include "platform/MessageBox.h"
#include "platform/qt/GLDevice.h"
#include "scene/DX9Transformer.h"
#include "tests/platform_qt/WindowWaits.h"

// Qt's D-Bus helpers and fontconfig keep a few allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}

namespace vrel {
namespace {

struct Rgb {
  int r = 0, g = 0, b = 0;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << c.r << "," << c.g << "," << c.b;
}
bool Near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
}
Rgb At(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return {qRed(p), qGreen(p), qBlue(p)};
}
// The background in the bottom-right corner and the texture in the top-left eighth of a grab.
Rgb Corner(const QImage& image) {
  return At(image, image.width() - 3, image.height() - 3);
}
Rgb Texel(const QImage& image) {
  return At(image, image.width() / 16, image.height() / 16);
}

constexpr Rgb kBackground{0x18, 0x40, 0x59}, kPointColour{255, 200, 0}, kTexel{200, 30, 160};
const glm::dvec3 kPoint{30, -20, 10};
// One texel of kTexel (blue, green, red, alpha): what matters is which context the texture lives in.
const TextureImage kTexelImage = BgraTextureImage(1, 1, {160, 30, 200, 255});

class RenderWidgetTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 240, kHeight = 180;

  void SetUp() override {
    static int argc = 1;
    static char name[] = "app_tests", *argv[] = {name, nullptr};
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!QCoreApplication::instance())
      new QApplication(argc, argv);  // one for the process, kept to its end
    view_ = std::make_unique<RenderWidget>();
    TDX9Render& render = view_->Render();
    camera_.SetZoom(60);
    camera_.SetCameraRotation({25, -35, 0});
    render.OnResize = TNotifyEvent::Of<&RenderWidgetTest::Resized>(this);
    render.OnDeviceCreated = [this](TObject*, IDevice& device) {
      ++devicesMade_, texture_ = device.CreateTexture(kTexelImage, "texel");
    };
    render.OnRender = [this](TObject*, IDevice& device) { Draw(device); };
    view_->resize(kWidth, kHeight);
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get(), qttest::kWindowWait));
    ASSERT_TRUE(WaitForFrameAfter(0)) << "no frame: is there an X server with GL?";
    ASSERT_NE(view_->Device(), nullptr);
    Settle();
  }
  void TearDown() override { view_.reset(), texture_.reset(); }

  void Resized(TObject*) {
    if (view_->Render().Height() > 0)
      camera_.SetAspectFromControl(view_->Render().Width(), view_->Render().Height());
  }
  // The frame: background, a 5-pixel point at kPoint, and the texture in the top-left eighth.
  void Draw(IDevice& device) {
    ++frames_;
    device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, view_->Render().ClearColor(), 1.0f, 0);
    ASSERT_EQ(device.BeginScene(), DeviceResult::Ok);
    Material material;
    material.emissive = {kPointColour.r / 255.0f, kPointColour.g / 255.0f, kPointColour.b / 255.0f, 1.0f};
    camera_.ApplyTransforms(device);
    device.SetMaterial(material);
    device.SetRenderState(RenderState::Lighting, 1u);
    device.SetRenderState(RenderState::PointSize, std::bit_cast<std::uint32_t>(5.0f));
    device.SetFVF(VertexFormat::Xyz);
    const std::array<Vec3, 1> point{{{float(kPoint.x), float(kPoint.y), float(kPoint.z)}}};
    device.DrawPrimitiveUP(PrimitiveType::PointList, 1, point);
    for (TransformState t : {TransformState::World, TransformState::View, TransformState::Projection})
      device.SetTransform(t, Matrix{});
    device.SetRenderState(RenderState::Lighting, 0u);
    device.SetFVF(VertexFormat::XyzDiffuseTex1);
    device.SetTexture(0, texture_);
    const ArgbColor c = 0xFFFFFFFF;  // TL, TR, BL, BR: clockwise on screen
    device.DrawPrimitiveUP(PrimitiveType::TriangleStrip, 2,
                           std::array<TTexturedVertex, 4>{{{-1, 1, 0.5f, c, 0, 0},
                                                           {-0.5f, 1, 0.5f, c, 1, 0},
                                                           {-1, 0.5f, 0.5f, c, 0, 1},
                                                           {-0.5f, 0.5f, 0.5f, c, 1, 1}}});
    device.SetTexture(0, nullptr);
    device.EndScene();
  }

  // Lets Qt finish whatever paints it has queued and the X server take them.
  void Settle() {
    for (int i = 0; i < 5; ++i)
      QGuiApplication::sync();
  }
  bool WaitForFrameAfter(int before) {
    return qttest::WaitUntil([&] { return frames_ > before; });
  }
  // What the X server shows of a window, in device pixels.
  QImage Grab(QWidget* window = nullptr) {
    Settle(), window = window ? window : view_.get();
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  }
  double Ratio() const { return view_->devicePixelRatioF(); }

  // The point's pixels lie where GLM puts kPoint (the clip square's corners on the outer pixels'
  // centres), and it measures 5 logical pixels.
  void ExpectPointWhereTheMathsPutsIt(const QImage& image) {
    const TDX9Render& render = view_->Render();
    const glm::dvec3 eye(camera_.CameraPos()->X(), camera_.CameraPos()->Y(), camera_.CameraPos()->Z());
    const glm::dvec4 clip = glm::perspectiveLH_ZO(glm::radians(60.0), double(render.Width()) / render.Height(),
                                                  double(camera_.Z_Near()), double(camera_.Z_Far())) *
                            glm::lookAtLH(eye, glm::dvec3(0), glm::dvec3(0, 1, 0)) * glm::dvec4(kPoint, 1.0);
    const glm::dvec2 expected{(clip.x / clip.w + 1.0) * 0.5 * render.Width() * Ratio(),
                              (1.0 - clip.y / clip.w) * 0.5 * render.Height() * Ratio()};
    int count = 0, minX = image.width(), maxX = -1, minY = image.height(), maxY = -1;
    double sumX = 0, sumY = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (Near(At(image, x, y), kPointColour))
          ++count, sumX += x, sumY += y, minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y),
                                         maxY = std::max(maxY, y);
    ASSERT_GT(count, 0) << "the point is not on the screen";
    EXPECT_NEAR(sumX / count, expected.x, 1.0 + Ratio() / 2);
    EXPECT_NEAR(sumY / count, expected.y, 1.0 + Ratio() / 2);
    EXPECT_NEAR(maxX - minX + 1, std::round(5 * Ratio()), 1);
    EXPECT_NEAR(maxY - minY + 1, std::round(5 * Ratio()), 1);
  }
  // Counts resets; the first present and the first test of the device answer as given, then Ok.
  void Hook(std::optional<DeviceResult> present = {}, std::optional<DeviceResult> level = {}) {
    present_ = present, level_ = level;
    view_->Render().SetFaultHook([this](TDeviceOperation op) {
      resets_ += op == TDeviceOperation::Reset;
      auto& next = op == TDeviceOperation::Present ? present_ : op == TDeviceOperation::Reset ? none_ : level_;
      return std::exchange(next, std::nullopt).value_or(DeviceResult::Ok);
    });
  }

  TCapturingMessageBox box_;
  TScopedMessageBox boxScope_{box_};
  TDX9Transformer camera_;
  std::unique_ptr<RenderWidget> view_;
  std::shared_ptr<Texture> texture_;
  int frames_ = 0, devicesMade_ = 0, resets_ = 0;
  std::optional<DeviceResult> present_, level_, none_;
};

TEST_F(RenderWidgetTest, ShowsTheFrameWithThePointWhereTheMathsProjectsIt) {
  const char* expectedRatio = std::getenv("VREL_EXPECT_PIXEL_RATIO");  // the second run's screen has it
  EXPECT_EQ(Ratio(), expectedRatio ? std::atof(expectedRatio) : Ratio());
  const QImage image = Grab();
  ASSERT_EQ(std::pair(image.width(), image.height()), std::pair(int(kWidth * Ratio()), int(kHeight * Ratio())));
  EXPECT_TRUE(Near(Corner(image), kBackground)) << Corner(image);
  ExpectPointWhereTheMathsPutsIt(image);
  EXPECT_TRUE(Near(Texel(image), kTexel)) << Texel(image);  // made with the device
  EXPECT_EQ(std::pair(devicesMade_, box_.Shown.size()), std::pair(1, 0ul));
  // The view's device counts logical pixels, the back buffer device pixels.
  EXPECT_EQ(view_->Render().GetDevice().GetViewport(), (Viewport{0, 0, kWidth, kHeight, 0, 1}));
  EXPECT_EQ(view_->Device()->BackBufferWidth(), int(kWidth * Ratio()));
}

TEST_F(RenderWidgetTest, TwoPausesNeedTwoResumesAndRedrawRequestsBeforeAPaintCostOneFrame) {
  TDX9Render& render = view_->Render();
  const int before = frames_;
  for (bool pause : {true, true, false})
    render.Pause(pause), render.Render3DEnvironment(), Settle();
  EXPECT_EQ(frames_, before);
  render.Pause(false);
  for (int i = 0; i < 3; ++i)
    render.Render3DEnvironment();
  EXPECT_EQ(frames_, before);  // asked for, not drawn yet
  ASSERT_TRUE(WaitForFrameAfter(before));
  Settle();
  EXPECT_EQ(frames_, before + 1);
}

TEST_F(RenderWidgetTest, ADeviceNotResetCostsOneCallWithoutAFrame) {
  TDX9Render& render = view_->Render();
  Hook(DeviceResult::DeviceLost, DeviceResult::DeviceNotReset);
  int before = frames_;
  render.Render3DEnvironment();
  ASSERT_TRUE(qttest::WaitUntil([&] { return render.DeviceLost(); }));
  EXPECT_EQ(frames_, before + 1);
  render.SetBackgroundColor(0x0000FF);  // it shows only once the device is back
  before = frames_;
  render.Render3DEnvironment(), Settle();  // not reset: the reset, no frame
  EXPECT_EQ(std::tuple(frames_, resets_, render.DeviceLost()), std::tuple(before, 1, true));
  EXPECT_TRUE(Near(Corner(Grab()), kBackground)) << Corner(Grab());
  render.Render3DEnvironment();  // back in order: the frame
  ASSERT_TRUE(WaitForFrameAfter(before));
  EXPECT_FALSE(render.DeviceLost());
  const QImage image = Grab();
  EXPECT_TRUE(Near(Corner(image), Rgb{255, 0, 0})) << Corner(image);
  EXPECT_TRUE(Near(Texel(image), kTexel)) << "the scene's texture survives the reset";
  ExpectPointWhereTheMathsPutsIt(image);
  EXPECT_TRUE(box_.Shown.empty());
}

TEST_F(RenderWidgetTest, ASameSizeResizeDoesNotResetTheDevice) {
  Hook();
  view_->resize(kWidth, kHeight), Settle();
  EXPECT_EQ(resets_, 0);
  view_->resize(300, 150);
  ASSERT_TRUE(qttest::WaitUntil([&] { return view_->Render().Width() == 300; }));
  Settle();
  EXPECT_EQ(std::pair(resets_, long(view_->Device()->BackBufferWidth())), std::pair(1, std::lround(300 * Ratio())));
  EXPECT_EQ(view_->Render().GetDevice().GetViewport(), (Viewport{0, 0, 300, 150, 0, 1}));
  view_->Render().Render3DEnvironment();
  const QImage image = Grab();
  ASSERT_EQ(image.width(), std::lround(300 * Ratio()));
  ExpectPointWhereTheMathsPutsIt(image);  // the aspect followed through OnResize
}

TEST_F(RenderWidgetTest, ANewContextBringsANewDeviceAndTheOwnerRemakesItsTextures) {
  QWidget host;  // moving the view into another top-level window makes Qt replace its context
  auto* layout = new QVBoxLayout(&host);
  layout->setContentsMargins(0, 0, 0, 0), host.resize(kWidth, kHeight), host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host, qttest::kWindowWait));
  const int before = frames_;
  layout->addWidget(view_.get()), view_->show();
  ASSERT_TRUE(qttest::WaitUntil([&] { return view_->ContextsSeen() == 2 && frames_ > before; }));
  EXPECT_EQ(std::pair(devicesMade_, view_->Render().PauseCount()), std::pair(2, 0));
  view_->Render().Render3DEnvironment();
  ASSERT_TRUE(qttest::WaitUntil([&] { return !view_->Render().DeviceLost(); }));
  const QImage image = Grab(&host);
  EXPECT_TRUE(Near(Corner(image), kBackground)) << Corner(image);
  EXPECT_TRUE(Near(Texel(image), kTexel)) << Texel(image);
  layout->removeWidget(view_.get()), view_.reset();  // gone before the window, its context still there
}

}  // namespace
}  // namespace vrel
