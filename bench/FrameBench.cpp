// Whole frames of the 3D view, drawn offscreen at 1280 x 800 into a framebuffer object: the panorama
// cube with six 2048 x 2048 face textures, every view toggle on (cube points, borders and faces; axis,
// start direction, start point, plane mark; blade points, borders and surfaces), and 100, 1,000 or
// 5,000 blades drawn layer by layer, pass by pass, as the view draws them.
//
// Each blade count has two baselines measured in the same run: the same frame with the blades'
// triangles (both sides) sent in one draw call instead of the layer passes, and the same triangles,
// edges and corners in one call per kind. The goal: within 1.3 times the first at 1,000 and 5,000
// blades on Mesa's software renderer with 2 cores (taskset -c on two cores, LP_NUM_THREADS=2).
//
// Counters per frame: the draw calls and GL draws, the bytes of the blades' buffers copied to GL (0
// once the layer's buffers are filled: nothing changes between these frames), the bytes of draws from
// memory sent to GL, and the CPU time of all threads (the software renderer's included), which varies
// less than the wall-clock time on a busy machine.
//
// Runs under an X server (xvfb-run) with whatever GL driver the display offers. Times are wall-clock
// times: the software renderer works on threads of its own.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench/DemoScene.h"
#include "imaging/FaceImages.h"
#include "imaging/qt/QtImageFormats.h"
#include "platform/PixelRatioDevice.h"
#include "platform/qt/GLDevice.h"
#include "scene/DX9Materials.h"
#include "tests/platform_gl/OffscreenGL.h"

namespace vrel {
namespace {

// Milliseconds of CPU time used by every thread of the process so far.
double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kFaceSize = 2048;
constexpr ArgbColor kBackground = 0xFF184059;

// A context, a framebuffer, the view's device and the scene, made once for all frame benchmarks.
struct FrameStage {
  std::unique_ptr<QOpenGLContext> context;
  std::unique_ptr<QOffscreenSurface> surface;
  std::unique_ptr<QOpenGLFramebufferObject> fbo;
  std::unique_ptr<PixelRatioDevice> device;
  GLDevice* gl = nullptr;
  std::unique_ptr<DemoScene> scene;
  std::string error;

  static FrameStage& Get() {
    static FrameStage stage;
    return stage;
  }

  bool MakeCurrent() { return context && surface && context->makeCurrent(surface.get()) && fbo && fbo->bind(); }

  ~FrameStage() {
    // The GL objects go while their context is current.
    if (MakeCurrent()) {
      scene.reset();
      device.reset();
      fbo.reset();
      context->doneCurrent();
    }
  }

 private:
  FrameStage() {
    OffscreenTarget target = MakeOffscreenTarget("vrel_gl_bench", kWidth, kHeight);
    context = std::move(target.context), surface = std::move(target.surface), fbo = std::move(target.fbo);
    error = target.error;
    if (!error.empty())
      return;
    auto inner = std::make_unique<GLDevice>(*context, kWidth, kHeight);
    gl = inner.get();
    device = std::make_unique<PixelRatioDevice>(std::move(inner), kWidth, kHeight, 1.0);

    DemoSceneOptions options;
    options.faceSize = kFaceSize;
    options.blades = 0;
    scene = std::make_unique<DemoScene>(options);
    scene->Camera().SetAspectFromControl(kWidth, kHeight);
    const auto imageFormats = RegisterImageFormats();
    const std::string failure = scene->LoadFaceTextures(*device, ReadFaceImage);
    if (!failure.empty())
      error = failure;
  }
};

// Draws frames until the benchmark has enough; a one-pixel read at the end of each frame waits for
// the renderer, so its work is part of the time.
enum class Blades { LayerByLayer, TrianglesInOneCall, OneCallPerKind, TrianglesFromABuffer };

void Frames(benchmark::State& state, Blades mode) {
  FrameStage& stage = FrameStage::Get();
  if (!stage.error.empty() || !stage.MakeCurrent()) {
    state.SkipWithError(stage.error.empty() ? "no GL context" : stage.error.c_str());
    return;
  }
  const int blades = static_cast<int>(state.range(0));
  DemoScene& scene = *stage.scene;
  if (scene.BladeCount() != blades)
    scene.SetBlades(blades, 7);
  const std::vector<Vec3> triangles = scene.BladeTriangles();
  std::vector<Vec3> edges, corners;
  for (std::size_t t = 0; t + 12 <= triangles.size(); t += 12) {
    // The front strip's triangles are (0 1 3) and (3 1 2): corners 0, 1, 2, 3 sit at 0, 1, 5, 2.
    const Vec3 c[4] = {triangles[t], triangles[t + 1], triangles[t + 5], triangles[t + 2]};
    for (int k = 0; k < 4; ++k) {
      edges.push_back(c[k]);
      edges.push_back(c[(k + 1) % 4]);
      corners.push_back(c[k]);
    }
  }
  const TSquareBladeMaterials& materials = *scene.Layers().Materials();
  // The states the layers' translucent surfaces are drawn with.
  const auto surfaceStates = [&](IDevice& device) {
    device.SetFVF(VertexFormat::Xyz);
    device.SetRenderState(RenderState::ZEnable, 1u);
    device.SetRenderState(RenderState::Lighting, 1u);
    device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device.SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
    device.SetMaterial(materials.Surface()->DeviceMaterial());
  };
  const auto oneCall = [&](IDevice& device) {
    surfaceStates(device);
    device.DrawPrimitiveUP(PrimitiveType::TriangleList, static_cast<std::uint32_t>(triangles.size() / 3), triangles);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  };
  // The same triangles kept in a device buffer, as the layers keep theirs: no copy per frame.
  std::shared_ptr<VertexBuffer> triangleBuffer;
  const auto oneCallFromABuffer = [&](IDevice& device) {
    if (!triangleBuffer) {
      const auto bytes = std::as_bytes(std::span(triangles));
      triangleBuffer = device.CreateVertexBuffer(static_cast<std::uint32_t>(bytes.size()));
      std::ranges::copy(bytes, triangleBuffer->Lock().begin());
      triangleBuffer->Unlock();
    }
    surfaceStates(device);
    device.SetStreamSource(0, triangleBuffer, 0, sizeof(Vec3));
    device.DrawPrimitive(PrimitiveType::TriangleList, 0, static_cast<std::uint32_t>(triangles.size() / 3));
    device.SetStreamSource(0, nullptr, 0, 0);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  };
  const auto oneCallPerKind = [&](IDevice& device) {
    oneCall(device);
    device.SetMaterial(materials.Border()->DeviceMaterial());
    device.DrawPrimitiveUP(PrimitiveType::LineList, static_cast<std::uint32_t>(edges.size() / 2), edges);
    device.SetRenderState(RenderState::PointSize, std::bit_cast<std::uint32_t>(5.0f));
    device.DrawPrimitiveUP(PrimitiveType::PointList, static_cast<std::uint32_t>(corners.size()), corners);
  };

  IDevice& device = *stage.device;
  QOpenGLFunctions& gl = *stage.context->functions();
  std::array<unsigned char, 4> pixel{};
  const auto frame = [&] {
    switch (mode) {
      case Blades::LayerByLayer:
        scene.Render(device, kBackground);
        break;
      case Blades::TrianglesInOneCall:
        scene.Render(device, kBackground, oneCall);
        break;
      case Blades::OneCallPerKind:
        scene.Render(device, kBackground, oneCallPerKind);
        break;
      case Blades::TrianglesFromABuffer:
        scene.Render(device, kBackground, oneCallFromABuffer);
        break;
    }
    device.Present();
    gl.glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  };
  frame();  // the first frame uploads the textures and fills the layer's buffers
  stage.gl->ResetStatistics();
  const double cpuBefore = ProcessCpuMs();
  for (auto _ : state) {
    frame();
    benchmark::DoNotOptimize(pixel);
  }
  const double frames = static_cast<double>(state.iterations());
  const GLDeviceStatistics& statistics = stage.gl->Statistics();
  state.counters["draw_calls"] = static_cast<double>(statistics.drawCalls) / frames;
  state.counters["gl_draws"] = static_cast<double>(statistics.glDraws) / frames;
  state.counters["buffer_upload_bytes"] = static_cast<double>(statistics.bufferUploadBytes) / frames;
  state.counters["stream_bytes"] = static_cast<double>(statistics.streamUploadBytes) / frames;
  state.counters["cpu_ms"] = (ProcessCpuMs() - cpuBefore) / frames;
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}

void BM_FrameLayerByLayer(benchmark::State& state) {
  Frames(state, Blades::LayerByLayer);
}
void BM_FrameBaselineOneCall(benchmark::State& state) {
  Frames(state, Blades::TrianglesInOneCall);
}
void BM_FrameBaselineOneCallPerKind(benchmark::State& state) {
  Frames(state, Blades::OneCallPerKind);
}
void BM_FrameBaselineOneCallFromABuffer(benchmark::State& state) {
  Frames(state, Blades::TrianglesFromABuffer);
}

// Each count's baselines right after it, so that they share the scene and the machine's state.
void FrameArguments(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

BENCHMARK(BM_FrameLayerByLayer)->Arg(100)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCall)->Arg(100)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCallPerKind)->Arg(100)->Apply(FrameArguments);
BENCHMARK(BM_FrameLayerByLayer)->Arg(1000)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCall)->Arg(1000)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCallPerKind)->Arg(1000)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCallFromABuffer)->Arg(1000)->Apply(FrameArguments);
BENCHMARK(BM_FrameLayerByLayer)->Arg(5000)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCall)->Arg(5000)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCallPerKind)->Arg(5000)->Apply(FrameArguments);
BENCHMARK(BM_FrameBaselineOneCallFromABuffer)->Arg(5000)->Apply(FrameArguments);

}  // namespace
}  // namespace vrel
