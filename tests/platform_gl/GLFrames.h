#pragma once

// What the GL tests share: a GL device drawing into a framebuffer object under an X server (xvfb-run)
// with Mesa's software rasteriser, frames read back from it pixel by pixel, and GLM's matrices handed to
// the device.

#include <gtest/gtest.h>

#include <QImage>
#include <QOpenGLContext>

#include <glm/glm.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <tuple>

#include "platform/qt/GLDevice.h"
#include "tests/platform_gl/OffscreenGL.h"

namespace vrel::gltest {

struct Rgba {
  int r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Rgba& c) {
  return o << c.r << ',' << c.g << ',' << c.b << ',' << c.a;
}
// Red, green and blue each within `t`.
inline bool Near(const Rgba& a, const Rgba& b, int t = 1) {
  return std::abs(a.r - b.r) <= t && std::abs(a.g - b.g) <= t && std::abs(a.b - b.b) <= t;
}
inline const Rgba kBg{0x18, 0x40, 0x59};

// A frame read back from the framebuffer, rows from the top as the device counts them.
struct Frame {
  QImage image;
  Rgba At(int x, int y) const {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
  }
  // The pixels near a colour: how many, and their bounding box.
  using Box = std::array<int, 5>;  // count, minX, minY, maxX, maxY
  Box Find(const Rgba& c) const {
    Box b{0, 1 << 30, 1 << 30, -1, -1};
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (Near(At(x, y), c))
          b = {b[0] + 1, std::min(b[1], x), std::min(b[2], y), std::max(b[3], x), std::max(b[4], y)};
    return b;
  }
};

// GLM's column vectors are our row vectors: the same numbers, m[r][c] == g[r][c].
inline Matrix FromGlm(const glm::mat4& g) {
  Matrix m;
  for (int i = 0; i < 16; ++i)
    m.m[i / 4][i % 4] = g[i / 4][i % 4];
  return m;
}

// A device of kWidth x kHeight pixels drawing into its own framebuffer object.
class GLFrameTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 160, kHeight = 120;
  static constexpr ArgbColor kBackground = 0xFF184059;  // the view's default background

  void SetUp() override { Open({}); }
  void Open(GLDeviceOptions options) {
    OffscreenTarget target = MakeOffscreenTarget("platform_gl_tests", kWidth, kHeight);
    ASSERT_TRUE(target.error.empty()) << target.error;
    context_ = std::move(target.context), surface_ = std::move(target.surface), fbo_ = std::move(target.fbo);
    device_ = std::make_unique<GLDevice>(*context_, kWidth, kHeight, options);
  }
  void TearDown() override {
    if (context_ && surface_)
      context_->makeCurrent(surface_.get());
    device_.reset(), fbo_.reset();
  }

  // A scene begun on the view's background, and ended and read back.
  void Begin() {
    device_->Clear(ClearFlags::Target | ClearFlags::ZBuffer, kBackground, 1.0f, 0);
    ASSERT_EQ(device_->BeginScene(), DeviceResult::Ok);
  }
  Frame End() {
    EXPECT_EQ((std::tuple{device_->EndScene(), device_->Present()}), std::tuple(DeviceResult::Ok, DeviceResult::Ok));
    return Grab();
  }
  Frame Grab() { return {fbo_->toImage()}; }

  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  std::unique_ptr<GLDevice> device_;
};

}  // namespace vrel::gltest
