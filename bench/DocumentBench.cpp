// Opening documents through the file commands, up to the first frame drawn by the GL device into an
// offscreen framebuffer of 1280 x 800: a scene of 1,250 blades with six 2048 x 2048 24-bit BMP faces
// (the scene file, its object file, the six faces decoded and made textures, the frame), and object
// files of 5,000 blades: a welded grid, and the frame benchmarks' scatter of separate blades (a
// quarter of them texture blades, a fifth with a selected edge and two corners). Goal for the scene:
// at most 1.5 s on 2 cores (taskset -c 0,1 with LP_NUM_THREADS=2). The files are written once per run
// by the program's own save commands into a temporary folder. The baselines in the same run: the six
// faces decoded and nothing else, and one more frame of the open object file.
//
// Counters of the opens: the command's time (read into fresh objects, taken over, the history's first
// snapshot), the first frame's (which also fills the layers' device buffers), and the bytes of those
// buffers copied to GL.
//
// Runs under an X server (xvfb-run) with whatever GL driver the display offers; wall-clock times.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QOpenGLFunctions>
#include <QTemporaryDir>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/DocumentCommands.h"
#include "app/MainForm.h"
#include "bench/DemoScene.h"
#include "bench/MainFormStage.h"
#include "files/ObjectFiles.h"
#include "imaging/FaceImages.h"
#include "imaging/qt/QtImageFormats.h"
#include "platform/FileDialogs.h"
#include "platform/qt/GLDevice.h"
#include "platform/qt/VistaTextRenderer.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "tests/platform_gl/OffscreenGL.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kFaceSize = 2048;

// Every dialog picks the one file it is set to.
struct PickedFile : IFileDialogs {
  std::string path;
  std::optional<std::string> OpenFileName(const std::string&, std::string&) override { return path; }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&, const std::string&,
                                          std::string&) override {
    return path;
  }
  std::optional<std::string> OpenPictureFileName(const std::string&, std::string&) override { return path; }
};

// The main window's logic on an offscreen GL view, with the documents saved once.
struct DocumentStage {
  OffscreenTarget target;
  std::unique_ptr<TImageFormatsRegistration> formats;
  QTemporaryDir folder;
  bench::OffscreenHost host;
  std::unique_ptr<TDX9Render> render;
  bench::NoWindow window;
  PickedFile dialogs;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TDocumentCommands> commands;
  std::string error;

  static DocumentStage& Get() {
    static DocumentStage stage;
    return stage;
  }
  std::string Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)).toStdString(); }

  bool MakeCurrent() {
    return target.context && target.surface && target.context->makeCurrent(target.surface.get()) && target.fbo &&
           target.fbo->bind();
  }

  // The first frame of what is open, waited for.
  void Frame() {
    IDevice& device = render->GetDevice();
    form->Render1Render(device);
    device.Present();
    std::array<unsigned char, 4> pixel{};
    target.context->functions()->glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    benchmark::DoNotOptimize(pixel);
  }

  ~DocumentStage() {
    // The GL objects go while their context is current.
    if (MakeCurrent()) {
      commands.reset();
      form.reset();
      render.reset();
      target.fbo.reset();
      target.context->doneCurrent();
    }
  }

 private:
  DocumentStage() : target(MakeOffscreenTarget("vrel_gl_bench", kWidth, kHeight)) {
    error = target.error;
    if (!error.empty())
      return;
    formats = RegisterImageFormats();
    InstallQtVistaTextRenderer();
    RegisterFileClasses();
    qputenv("VREL_INI", folder.filePath(QStringLiteral("vrel.ini")).toUtf8());
    render = bench::MakeOffscreenView(host, *target.context, kWidth, kHeight);
    form = std::make_unique<TMainForm>(*render, window);
    form->Start();
    TDocumentCommandPorts ports;
    ports.Dialogs = &dialogs;
    ports.DecodeFaceImage = ReadFaceImage;
    commands = std::make_unique<TDocumentCommands>(*form, std::move(ports));
    try {
      MakeFaces();
      SaveDocument("field.scn", WeldedGrid(1250), [this] { return commands->SaveSceneAs(); });
      commands->NewDocument();
      SaveDocument("grid.vro", WeldedGrid(5000), [this] { return commands->SaveObjectFileAs(); });
      commands->NewDocument();
      SaveDocument("scatter.vro", Scatter(5000), [this] { return commands->SaveObjectFileAs(); });
      commands->NewDocument();
    } catch (const std::exception& e) {
      error = e.what();
    }
  }

  // Six faces of smooth colour ramps, each its own, saved by Qt as 24-bit BMP files.
  void MakeFaces() {
    static constexpr std::array<const char*, 6> kFaces{"left", "front", "right", "back", "top", "bottom"};
    for (std::size_t f = 0; f < kFaces.size(); ++f) {
      QImage face(kFaceSize, kFaceSize, QImage::Format_RGB888);
      for (int y = 0; y < kFaceSize; ++y) {
        uchar* row = face.scanLine(y);
        for (int x = 0; x < kFaceSize; ++x) {
          row[3 * x] = static_cast<uchar>(x / 8);
          row[3 * x + 1] = static_cast<uchar>(y / 8);
          row[3 * x + 2] = static_cast<uchar>(40 * f);
        }
      }
      if (!face.save(QString::fromStdString(Path("field_") + kFaces[f] + ".bmp"), "BMP"))
        throw std::runtime_error("cannot write the face images");
    }
    dialogs.path = Path("field_front.bmp");
    commands->OpenSixImages();
    if (!form->RenderStage()->Cube()->TexturesLoaded())
      throw std::runtime_error("the face images do not load");
  }

  // A grid of welded blades, twice as wide as deep.
  static std::function<void(TSquareBladeCollection&)> WeldedGrid(int blades) {
    return [blades](TSquareBladeCollection& layer) {
      int rows = 1;
      while (rows * rows * 2 < blades)
        ++rows;
      const float left = -5.0f * static_cast<float>(blades) / static_cast<float>(rows);
      grid::BuildWeldedGrid(layer, {blades / rows, rows, 10.0f, {left, -1.7f, -5.0f * static_cast<float>(rows)}});
    };
  }

  // The frame benchmarks' scatter.
  static std::function<void(TSquareBladeCollection&)> Scatter(int blades) {
    return [blades](TSquareBladeCollection& layer) {
      DemoSceneOptions options;
      options.blades = 0;
      DemoScene scene(options);
      scene.SetBlades(blades, 7);
      AppendLayer(*scene.Layers().GetLayer(0), layer);
    };
  }

  // The document's one layer filled anew, saved under the name.
  template <class Save>
  void SaveDocument(const char* name, const std::function<void(TSquareBladeCollection&)>& fill, Save save) {
    TSquareBladeCollection& layer = *form->Collections()->GetLayer(0);
    layer.Clear();
    fill(layer);
    form->PushHistory();
    dialogs.path = Path(name);
    if (!save())
      throw std::runtime_error(std::string("cannot save ") + name);
  }
};

template <class Open>
void OpenToFirstFrame(benchmark::State& state, const char* name, Open open) {
  DocumentStage& stage = DocumentStage::Get();
  if (!stage.error.empty() || !stage.MakeCurrent()) {
    state.SkipWithError(stage.error.empty() ? "no GL context" : stage.error.c_str());
    return;
  }
  auto* gl = dynamic_cast<GLDevice*>(stage.render->InnerDevice());
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
  };
  double openMs = 0, frameMs = 0, uploaded = 0;
  stage.dialogs.path = stage.Path(name);
  for (auto _ : state) {
    state.PauseTiming();
    stage.commands->NewDocument();
    if (gl)
      gl->ResetStatistics();
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    open(*stage.commands);
    const Clock::time_point opened = Clock::now();
    stage.Frame();
    const Clock::time_point drawn = Clock::now();
    openMs += ms(start, opened);
    frameMs += ms(opened, drawn);
    if (gl)
      uploaded += static_cast<double>(gl->Statistics().bufferUploadBytes);
  }
  int blades = 0;
  for (int i = 0; i < stage.form->Collections()->Count(); ++i)
    blades += stage.form->Collections()->GetLayer(i)->Count();
  const double rounds = static_cast<double>(state.iterations());
  state.counters["blades"] = blades;
  state.counters["textures"] = stage.form->RenderStage()->Cube()->TexturesLoaded() ? 6 : 0;
  state.counters["open_ms"] = openMs / rounds;
  state.counters["frame_ms"] = frameMs / rounds;
  state.counters["buffer_upload_bytes"] = uploaded / rounds;
}

void BM_OpenSceneWithSixFacesToFirstFrame(benchmark::State& state) {
  OpenToFirstFrame(state, "field.scn", [](TDocumentCommands& commands) { commands.OpenScene(); });
}

void BM_OpenObjectFileToFirstFrame(benchmark::State& state, const char* name) {
  OpenToFirstFrame(state, name, [](TDocumentCommands& commands) { commands.OpenObjectFile(); });
}

// The baseline: the six faces decoded, nothing else; what opening the scene adds is the rest.
void BM_DecodeSixFacesBaseline(benchmark::State& state) {
  DocumentStage& stage = DocumentStage::Get();
  if (!stage.error.empty()) {
    state.SkipWithError(stage.error.c_str());
    return;
  }
  for (auto _ : state) {
    for (const char* face : {"left", "front", "right", "back", "top", "bottom"})
      benchmark::DoNotOptimize(ReadFaceImage(stage.Path("field_") + face + ".bmp", 16384));
  }
}

// The baseline of the object file: one more frame of the open document, nothing else.
void BM_FrameOfObjectFileBaseline(benchmark::State& state, const char* name) {
  DocumentStage& stage = DocumentStage::Get();
  if (!stage.error.empty() || !stage.MakeCurrent()) {
    state.SkipWithError(stage.error.empty() ? "no GL context" : stage.error.c_str());
    return;
  }
  stage.dialogs.path = stage.Path(name);
  stage.commands->NewDocument();
  stage.commands->OpenObjectFile();
  for (auto _ : state)
    stage.Frame();
}

BENCHMARK(BM_DecodeSixFacesBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_OpenSceneWithSixFacesToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(BM_OpenObjectFileToFirstFrame, welded_grid, "grid.vro")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_FrameOfObjectFileBaseline, welded_grid, "grid.vro")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_OpenObjectFileToFirstFrame, scatter, "scatter.vro")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_FrameOfObjectFileBaseline, scatter, "scatter.vro")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

}  // namespace
}  // namespace vrel
