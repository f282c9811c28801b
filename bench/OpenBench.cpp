// Opening an object file of 5,000 blades to the first frame that shows them, as the main window's open
// command does it: the file is read into the document's layer set (all or nothing), the history is
// cleared and takes its first snapshot, the view toggles reach the new layers, and the view draws a
// frame at 1280 x 800 with six 2048 x 2048 faces and every toggle on; a one-pixel read waits for the
// renderer. The first frame of the new layers also fills their device buffers.
//
// The blades are the frame benchmark's scatter; the file is written once, outside the timing. Until
// the main window's own command exists, this drives the classes it is made of.

#include <benchmark/benchmark.h>

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "bench/DemoScene.h"
#include "files/ComponentStateHolder.h"
#include "files/ObjectFiles.h"
#include "imaging/FaceImages.h"
#include "platform/PixelRatioDevice.h"
#include "platform/qt/GLDevice.h"
#include "platform/qt/QtImageFormats.h"
#include "tests/platform_gl/OffscreenGL.h"

namespace vrel {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr ArgbColor kBackground = 0xFF184059;

struct OpenStage {
  OffscreenTarget target;
  std::unique_ptr<PixelRatioDevice> device;
  GLDevice* gl = nullptr;
  std::unique_ptr<DemoScene> scene;
  QTemporaryDir folder;
  std::string file;
  std::string error;

  explicit OpenStage(int blades) {
    target = MakeOffscreenTarget("vrel_gl_bench", kWidth, kHeight);
    if (!(error = target.error).empty())
      return;
    auto inner = std::make_unique<GLDevice>(*target.context, kWidth, kHeight);
    gl = inner.get();
    device = std::make_unique<PixelRatioDevice>(std::move(inner), kWidth, kHeight, 1.0);
    DemoSceneOptions options;
    options.faceSize = 2048;
    options.blades = 0;
    scene = std::make_unique<DemoScene>(options);
    scene->Camera().SetAspectFromControl(kWidth, kHeight);
    const auto imageFormats = RegisterImageFormats();
    if (!(error = scene->LoadFaceTextures(*device, ReadFaceImage)).empty())
      return;
    // The scatter of the frame benchmark, as a document saved to a file.
    scene->SetBlades(blades, 7);
    RegisterFileClasses();
    TSquareBladeCollectionsContainer document;
    AppendLayers(scene->Layers(), *document.Collections());
    RenumberVertexIDs(*document.Collections());
    file = folder.filePath("scatter.vro").toStdString();
    SaveObjectFileRecords(file, document, nullptr);
  }

  ~OpenStage() {
    if (target.context && target.surface && target.context->makeCurrent(target.surface.get())) {
      scene.reset();
      device.reset();
      target.fbo.reset();
      target.context->doneCurrent();
    }
  }
};

void BM_OpenObjectFileToFirstFrame(benchmark::State& state) {
  const int blades = static_cast<int>(state.range(0));
  OpenStage stage(blades);
  if (!stage.error.empty() || !stage.target.context->makeCurrent(stage.target.surface.get()) ||
      !stage.target.fbo->bind()) {
    state.SkipWithError(stage.error.empty() ? "no GL context" : stage.error.c_str());
    return;
  }
  QOpenGLFunctions& gl = *stage.target.context->functions();
  std::array<unsigned char, 4> pixel{};
  std::uint64_t uploaded = 0;
  // Where the time goes: reading the file, the history's first snapshot, the frame.
  using Clock = std::chrono::steady_clock;
  double readMs = 0, snapshotMs = 0, frameMs = 0;
  const auto ms = [](Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
  };
  // The document's objects as the main window keeps them, made before the command runs.
  auto document = std::make_unique<TSquareBladeCollectionsContainer>();
  auto history = std::make_unique<TComponentStateHolder>();
  history->SetComponent(document.get());
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    if (!LoadObjectFileRecords(stage.file, *document, nullptr)) {
      state.SkipWithError("the object file is missing");
      return;
    }
    const Clock::time_point read = Clock::now();
    history->Clear();
    history->PushState();
    const Clock::time_point snapshot = Clock::now();
    document->Collections()->SetDrawFlags(stage.scene->Layers().DrawFlags());
    stage.scene->Render(*stage.device, kBackground, [&](IDevice& device) { document->Collections()->Draw(device); });
    stage.device->Present();
    gl.glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    benchmark::DoNotOptimize(pixel);
    const Clock::time_point drawn = Clock::now();
    readMs += ms(start, read);
    snapshotMs += ms(read, snapshot);
    frameMs += ms(snapshot, drawn);

    // A new empty document for the next round, outside the timing.
    state.PauseTiming();
    uploaded += stage.gl->Statistics().bufferUploadBytes;
    stage.gl->ResetStatistics();
    history.reset();
    document = std::make_unique<TSquareBladeCollectionsContainer>();
    history = std::make_unique<TComponentStateHolder>();
    history->SetComponent(document.get());
    state.ResumeTiming();
  }
  const double rounds = static_cast<double>(state.iterations());
  state.counters["buffer_upload_bytes"] = static_cast<double>(uploaded) / rounds;
  state.counters["read_ms"] = readMs / rounds;
  state.counters["snapshot_ms"] = snapshotMs / rounds;
  state.counters["frame_ms"] = frameMs / rounds;
}

BENCHMARK(BM_OpenObjectFileToFirstFrame)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace vrel
