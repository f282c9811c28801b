// Editing operations at the sizes where they must still feel immediate:
// - stick and gather of 5,000 selected vertices of a welded grid (goal: at most 100 ms);
// - copy and paste of 10,000 blades through the clipboard port (goal: at most 0.5 s each);
// - 1,000 MoveBy steps (a long mouse drag) on 10,000 selected vertices.
// Each has a baseline in the same run: the bare stream write and read of the same layer for the
// clipboard, a plain loop over the positions for MoveBy, a rebuild of the selected-vertex list for
// the welds.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/ComponentStream.h"
#include "scene/DX9Clipboard.h"
#include "scene/DX9Edit.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transform.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

// 198 x 98 blades; the grid points with an even column and an even row - 100 x 50 = 5,000 - lie on
// different blades, so they can be welded.
const grid::GridShape kWeldShape{198, 98};

std::unique_ptr<TSquareBladeCollectionsContainer> WeldDocument() {
  auto document = std::make_unique<TSquareBladeCollectionsContainer>();
  TSquareBladeCollections& layers = *document->Collections();
  const auto points = grid::BuildWeldedGrid(*layers.AddLayer(), kWeldShape);
  for (int row = 0; row <= kWeldShape.Rows; row += 2)
    for (int column = 0; column <= kWeldShape.Columns; column += 2)
      points[grid::GridPointIndex(kWeldShape, column, row)]->Vertex()->SetSelect(true);
  layers.RebuildSelectedVertexList();
  layers.SetAnchor(layers.SelectedVertices().Item(layers.SelectedVertices().Count() / 2));
  return document;
}

template <class Operation>
void RunWeld(benchmark::State& state, Operation operation) {
  int selected = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto document = WeldDocument();
    selected = document->Collections()->SelectedVertices().Count();
    state.ResumeTiming();
    benchmark::DoNotOptimize(operation(*document->Collections()));
    state.PauseTiming();
    document.reset();
    state.ResumeTiming();
  }
  state.counters["selected"] = selected;
}

void BM_StickVertices(benchmark::State& state) {
  RunWeld(state, StickVertices);
}
BENCHMARK(BM_StickVertices)->Unit(benchmark::kMillisecond);

void BM_GatherVertices(benchmark::State& state) {
  RunWeld(state, GatherVertices);
}
BENCHMARK(BM_GatherVertices)->Unit(benchmark::kMillisecond);

// Baseline: one walk over the whole pool, as every weld ends with.
void BM_WeldBaselineRebuildList(benchmark::State& state) {
  auto document = WeldDocument();
  for (auto _ : state)
    document->Collections()->RebuildSelectedVertexList();
  state.counters["selected"] = document->Collections()->SelectedVertices().Count();
}
BENCHMARK(BM_WeldBaselineRebuildList)->Unit(benchmark::kMillisecond);

// 100 x 100 welded blades, all selected.
std::unique_ptr<TSquareBladeCollectionsContainer> ClipboardDocument() {
  auto document = std::make_unique<TSquareBladeCollectionsContainer>();
  grid::BuildWeldedGrid(*document->Collections()->AddLayer(), grid::GridShape{100, 100});
  RenumberVertexIDs(*document->Collections());
  document->Collections()->SelectAll();
  return document;
}

void BM_CopyToClipboard(benchmark::State& state) {
  const auto document = ClipboardDocument();
  MemoryClipboard clipboard;
  for (auto _ : state)
    benchmark::DoNotOptimize(CopyToClipboard(*document->Collections(), clipboard));
  state.counters["blades"] = document->Collections()->GetLayer(0)->Count();
  state.counters["bytes"] = static_cast<double>(clipboard.Data(BladeClipboardMimeType())->size());
}
BENCHMARK(BM_CopyToClipboard)->Unit(benchmark::kMillisecond);

void BM_PasteFromClipboard(benchmark::State& state) {
  MemoryClipboard clipboard;
  CopyToClipboard(*ClipboardDocument()->Collections(), clipboard);
  int blades = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto target = std::make_unique<TSquareBladeCollectionsContainer>();
    target->Collections()->AddLayer();
    state.ResumeTiming();
    benchmark::DoNotOptimize(PasteFromClipboard(*target->Collections(), clipboard));
    state.PauseTiming();
    blades = target->Collections()->GetLayer(0)->Count();
    target.reset();
    state.ResumeTiming();
  }
  state.counters["blades"] = blades;
}
BENCHMARK(BM_PasteFromClipboard)->Unit(benchmark::kMillisecond);

// Baselines: the component stream of the same single layer, written and read back, with nothing
// else around it.
void BM_ClipboardBaselineStreamWrite(benchmark::State& state) {
  const auto document = ClipboardDocument();
  TSquareBladeCollectionContainer layer;
  layer.Collection()->Assign(document->Collections()->GetLayer(0));
  layer.Collection()->ResolveReferences();
  for (auto _ : state)
    benchmark::DoNotOptimize(SaveComponentToBytes(layer));
}
BENCHMARK(BM_ClipboardBaselineStreamWrite)->Unit(benchmark::kMillisecond);

void BM_ClipboardBaselineStreamRead(benchmark::State& state) {
  const auto document = ClipboardDocument();
  TSquareBladeCollectionContainer layer;
  layer.Collection()->Assign(document->Collections()->GetLayer(0));
  layer.Collection()->ResolveReferences();
  const std::string bytes = SaveComponentToBytes(layer);
  for (auto _ : state) {
    state.PauseTiming();
    auto fresh = std::make_unique<TSquareBladeCollectionContainer>();
    state.ResumeTiming();
    LoadComponentFromBytes(bytes, *fresh);
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ClipboardBaselineStreamRead)->Unit(benchmark::kMillisecond);

// 99 x 99 welded blades: 10,000 vertices, all selected; each iteration is a whole drag of 1,000
// steps that ends where it began.
void BM_MoveBy1000Steps(benchmark::State& state) {
  auto document = std::make_unique<TSquareBladeCollectionsContainer>();
  TSquareBladeCollections& layers = *document->Collections();
  grid::BuildWeldedGrid(*layers.AddLayer(), grid::GridShape{99, 99});
  layers.SelectAll();
  for (auto _ : state) {
    for (int step = 0; step < 1000; ++step)
      benchmark::DoNotOptimize(MoveBy(layers, step % 2 ? Vec3{-0.25f, 0, 0.5f} : Vec3{0.25f, 0, -0.5f}));
  }
  state.counters["selected"] = layers.SelectedVertices().Count();
}
BENCHMARK(BM_MoveBy1000Steps)->Unit(benchmark::kMillisecond);

// Baseline: the same 1,000 steps over a plain array of positions.
void BM_MoveByBaselinePlainArray(benchmark::State& state) {
  std::vector<Vec3> positions(10000);
  for (auto _ : state) {
    for (int step = 0; step < 1000; ++step) {
      const Vec3 v = step % 2 ? Vec3{-0.25f, 0, 0.5f} : Vec3{0.25f, 0, -0.5f};
      for (Vec3& p : positions)
        p += v;
      benchmark::ClobberMemory();
    }
  }
}
BENCHMARK(BM_MoveByBaselinePlainArray)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
