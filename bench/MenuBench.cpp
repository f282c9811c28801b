// Menu commands on a large document: a 100 x 100 grid (10,000 blades on 10,201 shared vertices),
// each command run through the menu table as a click runs it: its rule, the command, the snapshot
// into the history and the redraw request. The frame the request leads to is not drawn (the view's
// frame is measured by the frame benchmarks); the document is put back between iterations, outside
// the timing, by the history or by the command that undoes it.
//
// The goal: each command within 100 ms on two cores.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/DocumentCommands.h"
#include "app/LayerCommands.h"
#include "app/LayerListRows.h"
#include "app/MainForm.h"
#include "app/MainMenu.h"
#include "app/ToolCommands.h"
#include "bench/MainFormStage.h"
#include "files/ObjectFiles.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Clipboard.h"
#include "scene/DX9Clipboard.h"
#include "scene/DX9Edit.h"
#include "scene/DX9Render.h"
#include "scene/DX9Square.h"
#include "tests/app/FakeHost.h"

namespace vrel {
namespace {

constexpr int kGrid = 100;

// The document with the selected grid and the menu's commands over it, made once.
struct MenuStage {
  apptest::FakeHost host;
  bench::NoWindow window;
  std::unique_ptr<TDX9Render> render;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TDocumentCommands> documents;
  TLayerListRows rows;
  std::unique_ptr<TLayerCommands> layers;
  std::unique_ptr<TToolCommands> tools;
  MemoryClipboard clipboard;
  TMenuWindow menuWindow;
  std::unique_ptr<TMenuCommands> menu;
  std::string error;

  static MenuStage& Get() {
    static MenuStage stage;
    return stage;
  }

 private:
  MenuStage() {
    setenv("VREL_INI", "/tmp/vrel-menu-bench.ini", 1);
    RegisterFileClasses();
    render = std::make_unique<TDX9Render>(nullptr, &host);
    render->SetTimer([](int) { return 0.0f; });
    render->Resize(1280, 800);
    render->CreateDevice();
    form = std::make_unique<TMainForm>(*render, window);
    form->Start();
    documents = std::make_unique<TDocumentCommands>(*form, TDocumentCommandPorts{});
    layers = std::make_unique<TLayerCommands>(rows, *form);
    layers->SetCollections(form->Collections());
    tools = std::make_unique<TToolCommands>(*form, *layers);
    menu = std::make_unique<TMenuCommands>(*form, *documents, *tools, clipboard, menuWindow);
    NewPolygon(*form->Collections(), kGrid, kGrid, 400.0f, 400.0f, {0, 20, 0});
    form->PushHistory();
    if (form->Collections()->SelectedVertices().Count() != (kGrid + 1) * (kGrid + 1))
      error = "the grid is not selected";
  }
};

// Runs `name` once per iteration, timed; `restore` (a menu item, or nothing) runs after each, not
// timed. `prepare` runs once before the first. A long history is emptied, so it does not grow
// without end.
void MenuCommand(benchmark::State& state, const char* name, const char* restore,
                 std::initializer_list<const char*> prepare = {}) {
  MenuStage& stage = MenuStage::Get();
  const TMenuRow* row = FindMenuRow(name);
  const TMenuRow* undo = restore ? FindMenuRow(restore) : nullptr;
  if (!stage.error.empty() || row == nullptr) {
    state.SkipWithError(stage.error.empty() ? "no such item" : stage.error.c_str());
    return;
  }
  for (const char* first : prepare)
    stage.menu->Run(*FindMenuRow(first));
  int paints = 0;
  int iterations = 0;
  for (auto _ : state) {
    const int before = stage.host.paintRequests;
    if (!stage.menu->Run(*row)) {
      state.SkipWithError("the item's rule does not hold");
      break;
    }
    paints += stage.host.paintRequests - before;
    state.PauseTiming();
    if (undo)
      stage.menu->Run(*undo);
    ++iterations;
    if (stage.form->History()->Count() > 16) {
      stage.form->History()->Clear();
      stage.form->PushHistory();
    }
    state.ResumeTiming();
  }
  state.counters["blades"] = static_cast<double>(stage.form->Collections()->GetLayer(0)->Count());
  state.counters["redraws/run"] = iterations ? static_cast<double>(paints) / static_cast<double>(iterations) : 0.0;
  // Back to the whole grid selected, for the next benchmark.
  if (!stage.form->Collections()->SelectedVertices().Count())
    stage.menu->Run(*FindMenuRow("mnuSelectAll"));
}

void BM_MenuSelectAll(benchmark::State& state) {
  MenuCommand(state, "mnuSelectAll", "mnuClearSelection", {"mnuClearSelection"});
}
void BM_MenuClearSelection(benchmark::State& state) {
  MenuCommand(state, "mnuClearSelection", "mnuSelectAll");
}
void BM_MenuHideSelected(benchmark::State& state) {
  MenuCommand(state, "mnuHideSelectedBlade", "mnuUndo");
}
void BM_MenuAttachTexture(benchmark::State& state) {
  MenuCommand(state, "mnuAttachTexture", "mnuUndo");
}
void BM_MenuFaceReverse(benchmark::State& state) {
  MenuCommand(state, "mnuFaceReverse", "mnuUndo");
}
void BM_MenuDelete(benchmark::State& state) {
  MenuCommand(state, "mnuDelete", "mnuUndo");
}
void BM_MenuCut(benchmark::State& state) {
  MenuCommand(state, "mnuCut", "mnuUndo");
}
void BM_MenuCopy(benchmark::State& state) {
  MenuCommand(state, "mnuCopy", nullptr);
}
void BM_MenuPaste(benchmark::State& state) {
  MenuCommand(state, "mnuPaste", "mnuUndo", {"mnuCopy"});
}
void BM_MenuUndo(benchmark::State& state) {
  MenuCommand(state, "mnuUndo", "mnuRedo", {"mnuAttachTexture"});
}
void BM_MenuRedo(benchmark::State& state) {
  MenuCommand(state, "mnuRedo", "mnuUndo", {"mnuAttachTexture", "mnuUndo"});
}

BENCHMARK(BM_MenuSelectAll)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuClearSelection)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuHideSelected)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuAttachTexture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuFaceReverse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuDelete)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuCut)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuPaste)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuUndo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MenuRedo)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vrel
