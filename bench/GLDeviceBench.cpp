// The GL device drawing many small quads, as the layers draw their blades: 1,000 quads as 1,000
// separate DrawPrimitiveUP calls against the same quads in one call. The separate calls should cost
// little more than the single one, since the device merges calls of equal state into one GL draw.
// Runs under an X server (xvfb-run) with whatever GL driver the display offers.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/qt/GLDevice.h"
#include "tests/platform_gl/OffscreenGL.h"

namespace vrel {
namespace {

constexpr int kQuads = 1000;
constexpr int kSize = 512;

// A context, a framebuffer and a device, made once for all benchmarks.
struct Stage {
  std::unique_ptr<QOpenGLContext> context;
  std::unique_ptr<QOffscreenSurface> surface;
  std::unique_ptr<QOpenGLFramebufferObject> fbo;
  std::unique_ptr<GLDevice> device;

  static Stage& Get() {
    static Stage stage;
    return stage;
  }

 private:
  Stage() {
    OffscreenTarget target = MakeOffscreenTarget("vrel_gl_bench", kSize, kSize);
    context = std::move(target.context), surface = std::move(target.surface), fbo = std::move(target.fbo);
    if (!target.error.empty())
      return;
    device = std::make_unique<GLDevice>(*context, kSize, kSize);
  }
};

// 1,000 small quads on a grid, each as a list of two triangles (6 vertices).
std::vector<Vec3> Quads() {
  std::vector<Vec3> v;
  v.reserve(kQuads * 6);
  for (int i = 0; i < kQuads; ++i) {
    const float x0 = float(i % 40) / 20.0f - 1.0f, y0 = float(i / 40) / 20.0f - 1.0f, s = 0.04f;
    const Vec3 a{x0, y0 + s, 0.5f}, b{x0 + s, y0 + s, 0.5f}, c{x0, y0, 0.5f}, d{x0 + s, y0, 0.5f};
    for (const Vec3& p : {a, b, c, c, b, d})
      v.push_back(p);
  }
  return v;
}

// Finishing the frame with a pixel read makes the GL work part of the measurement.
void Frame(benchmark::State& state, const std::function<void(GLDevice&)>& draw) {
  Stage& stage = Stage::Get();
  if (!stage.device) {
    state.SkipWithError("no OpenGL 3.3 core context (run under xvfb-run)");
    return;
  }
  GLDevice& device = *stage.device;
  std::array<unsigned char, 4> pixel{};
  for (auto _ : state) {
    device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, 0xFF184059, 1.0f, 0);
    device.BeginScene();
    device.SetMaterial(Material{{0, 0, 0, 0.3f}, {}, {}, {1, 0, 0, 1}, 0});
    device.SetFVF(VertexFormat::Xyz);
    draw(device);
    device.EndScene();
    device.Present();
    stage.context->functions()->glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    benchmark::DoNotOptimize(pixel);
  }
  state.SetItemsProcessed(state.iterations() * kQuads);
}

void BM_QuadsAsSeparateCalls(benchmark::State& state) {
  const std::vector<Vec3> quads = Quads();
  Frame(state, [&](GLDevice& device) {
    for (int i = 0; i < kQuads; ++i) {
      device.DrawPrimitiveUP(PrimitiveType::TriangleList, 2, std::span(quads).subspan(std::size_t(i) * 6, 6));
    }
  });
}
BENCHMARK(BM_QuadsAsSeparateCalls)->Unit(benchmark::kMicrosecond);

void BM_QuadsAsOneCall(benchmark::State& state) {
  const std::vector<Vec3> quads = Quads();
  Frame(state, [&](GLDevice& device) { device.DrawPrimitiveUP(PrimitiveType::TriangleList, 2 * kQuads, quads); });
}
BENCHMARK(BM_QuadsAsOneCall)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vrel
