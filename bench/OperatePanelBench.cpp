// The operate panel's drag over a large selection: a 100 x 100 grid of blades (10,000 blades on
// 10,201 shared vertices), every vertex selected, dragged one pixel at a time along an axis as the
// panel does it: the main window's step (the selection transformed, a redraw requested, for moves
// the selection's centre into the status bar) and the running amount as the label shows it. The
// frame that the redraw request leads to is measured apart: the same document drawn by the view's
// frame handler into an offscreen framebuffer at 1280 x 800 on the GL device.
//
// The goal: each step, without the frame, under 16 ms on two cores.
//
// Runs under an X server (xvfb-run); the steps themselves need no drawing.

#include <benchmark/benchmark.h>

#include <QOpenGLFunctions>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "app/OperateDrag.h"
#include "bench/MainFormStage.h"
#include "files/ObjectFiles.h"
#include "scene/DX9Edit.h"
#include "scene/DX9Render.h"
#include "scene/DX9Square.h"
#include "tests/platform_gl/OffscreenGL.h"

namespace vrel {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kGrid = 100;

// The operate panel's steps are scaled by the screen's width: a 1920-pixel screen, as on a desktop.
struct WideWindow : bench::NoWindow {
  int ScreenWidth() const override { return 1920; }
};

// The main form with the selected grid, made once.
struct OperateStage {
  OffscreenTarget target;
  bench::OffscreenHost host;
  WideWindow window;
  std::unique_ptr<TDX9Render> render;
  std::unique_ptr<TMainForm> form;
  std::string error;

  static OperateStage& Get() {
    static OperateStage stage;
    return stage;
  }

  ~OperateStage() {
    if (target.context && target.context->makeCurrent(target.surface.get())) {
      form.reset();
      render.reset();
      target.fbo.reset();
      target.context->doneCurrent();
    }
  }

 private:
  OperateStage() {
    target = MakeOffscreenTarget("vrel_gl_bench", kWidth, kHeight);
    if (!target.error.empty()) {
      error = target.error;
      return;
    }
    setenv("VREL_INI", "/tmp/vrel-operate-bench.ini", 1);
    RegisterFileClasses();
    render = bench::MakeOffscreenView(host, *target.context, kWidth, kHeight);
    form = std::make_unique<TMainForm>(*render, window);
    form->Start();
    TSquareBladeCollections& layers = *form->Collections();
    NewPolygon(layers, kGrid, kGrid, 400.0f, 400.0f, {0, 20, 0});
    form->PushHistory();
    if (layers.SelectedVertices().Count() != (kGrid + 1) * (kGrid + 1))
      error = "the grid is not selected";
    form->Render1Render(render->GetDevice());
  }
};

// One pointer step of a drag along an axis: +1 pixel, then -1, so the grid stays where it was.
void Steps(benchmark::State& state, int tag) {
  OperateStage& stage = OperateStage::Get();
  if (!stage.error.empty()) {
    state.SkipWithError(stage.error.c_str());
    return;
  }
  TOperateDrag drag(*stage.form);
  drag.Press(tag, 100);
  int x = 100;
  int direction = 1;
  for (auto _ : state) {
    x += direction;
    direction = -direction;
    drag.Move(x, false);
    benchmark::DoNotOptimize(drag.Info());
  }
  drag.Release();
  state.counters["vertices"] = static_cast<double>(stage.form->Collections()->SelectedVertices().Count());
}

void BM_OperateMoveStep(benchmark::State& state) {
  Steps(state, 3);
}
void BM_OperateScaleStep(benchmark::State& state) {
  Steps(state, 7);
}
void BM_OperateRotateStep(benchmark::State& state) {
  Steps(state, 11);
}

// The frame a step asks for, drawn apart: the view's frame handler on the GL device, finished.
void BM_OperateFrame(benchmark::State& state) {
  OperateStage& stage = OperateStage::Get();
  if (!stage.error.empty() || !stage.target.context->makeCurrent(stage.target.surface.get()) ||
      !stage.target.fbo->bind()) {
    state.SkipWithError(stage.error.empty() ? "no GL context" : stage.error.c_str());
    return;
  }
  IDevice& device = stage.render->GetDevice();
  QOpenGLFunctions& gl = *stage.target.context->functions();
  unsigned char pixel[4] = {};
  for (auto _ : state) {
    stage.form->Render1Render(device);
    device.Present();
    gl.glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    benchmark::DoNotOptimize(pixel);
  }
}

BENCHMARK(BM_OperateMoveStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperateScaleStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperateRotateStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OperateFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace vrel
