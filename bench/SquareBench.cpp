// The blade model's whole-document operations on a large welded layer: a 200 x 200 grid of blades
// (40,000 blades over 40,401 shared vertices), the size at which an edit that walks the document
// must still feel immediate. Goal: each at most 50 ms.

#include <benchmark/benchmark.h>

#include <memory>

#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

constexpr int kSide = 200;

std::unique_ptr<TSquareBladeCollectionsContainer> MakeDocument() {
  auto document = std::make_unique<TSquareBladeCollectionsContainer>();
  grid::BuildWeldedGrid(*document->Collections()->AddLayer(), grid::GridShape{kSide, kSide});
  RenumberVertexIDs(*document->Collections());
  return document;
}

void Describe(benchmark::State& state, const TSquareBladeCollectionsContainer& document) {
  const TSquareBladeCollection* layer = document.Collections()->GetLayer(0);
  state.counters["blades"] = layer->Count();
  state.counters["vertices"] = layer->VertexPool()->Count();
}

void ResolveAll(TSquareBladeCollections& layers) {
  for (int i = 0; i < layers.Count(); ++i)
    layers.GetLayer(i)->ResolveReferences();
}

// Undo and redo: a live document is replaced by a copy of a snapshot, then every corner is bound
// again. The old document's blades and vertices are freed inside the timed region.
void BM_AssignResolve(benchmark::State& state) {
  const auto snapshot = MakeDocument();
  TSquareBladeCollectionsContainer live;
  live.Assign(snapshot.get());
  live.Loaded();
  for (auto _ : state) {
    live.Assign(snapshot.get());
    ResolveAll(*live.Collections());
    benchmark::ClobberMemory();
  }
  Describe(state, live);
}
BENCHMARK(BM_AssignResolve)->Unit(benchmark::kMillisecond);

// Opening: the copy goes into an empty container (made and freed outside the timed region).
void BM_AssignResolveIntoEmpty(benchmark::State& state) {
  const auto snapshot = MakeDocument();
  for (auto _ : state) {
    state.PauseTiming();
    auto fresh = std::make_unique<TSquareBladeCollectionsContainer>();
    state.ResumeTiming();
    fresh->Assign(snapshot.get());
    ResolveAll(*fresh->Collections());
    benchmark::ClobberMemory();
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
  Describe(state, *snapshot);
}
BENCHMARK(BM_AssignResolveIntoEmpty)->Unit(benchmark::kMillisecond);

// After a knife or scissors edit every number changes; the pool is scrambled outside the timed
// region so that each renumbering really rewrites every item and every corner.
void BM_RenumberVertexIDs(benchmark::State& state) {
  const auto document = MakeDocument();
  TVertexItemCollection* pool = document->Collections()->GetLayer(0)->VertexPool();
  for (auto _ : state) {
    state.PauseTiming();
    for (int k = 0; k < pool->Count(); ++k)
      pool->Item(k)->SetItemID(pool->Count() + k);
    state.ResumeTiming();
    RenumberVertexIDs(*document->Collections());
  }
  Describe(state, *document);
}
BENCHMARK(BM_RenumberVertexIDs)->Unit(benchmark::kMillisecond);

// Before saving, with the numbers already in order: only the walk is paid.
void BM_RenumberVertexIDsUnchanged(benchmark::State& state) {
  const auto document = MakeDocument();
  for (auto _ : state)
    RenumberVertexIDs(*document->Collections());
  Describe(state, *document);
}
BENCHMARK(BM_RenumberVertexIDsUnchanged)->Unit(benchmark::kMillisecond);

// Loaded on a document read from a stream: the copy is made outside the timed region, so the
// timing covers binding every corner, both caches of every blade and the selected-vertex list.
void BM_LoadedAfterAssign(benchmark::State& state) {
  const auto snapshot = MakeDocument();
  TSquareBladeCollectionsContainer live;
  for (auto _ : state) {
    state.PauseTiming();
    live.Assign(snapshot.get());
    state.ResumeTiming();
    live.Loaded();
  }
  Describe(state, live);
}
BENCHMARK(BM_LoadedAfterAssign)->Unit(benchmark::kMillisecond);

// Loaded again on a document that is already bound (every corner re-binds to the item it holds).
void BM_LoadedBound(benchmark::State& state) {
  const auto document = MakeDocument();
  for (auto _ : state)
    document->Loaded();
  Describe(state, *document);
}
BENCHMARK(BM_LoadedBound)->Unit(benchmark::kMillisecond);

// Select all (which rebuilds the selected-vertex list) from an empty selection.
void BM_SelectAll(benchmark::State& state) {
  const auto document = MakeDocument();
  TSquareBladeCollections& layers = *document->Collections();
  for (auto _ : state) {
    state.PauseTiming();
    layers.ClearSelection();
    state.ResumeTiming();
    layers.SelectAll();
    layers.RebuildSelectedVertexList();
  }
  Describe(state, *document);
  state.counters["selected"] = layers.SelectedVertices().Count();
}
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond);

void BM_RebuildSelectedVertexList(benchmark::State& state) {
  const auto document = MakeDocument();
  TSquareBladeCollections& layers = *document->Collections();
  layers.SelectAll();
  for (auto _ : state)
    layers.RebuildSelectedVertexList();
  Describe(state, *document);
  state.counters["selected"] = layers.SelectedVertices().Count();
}
BENCHMARK(BM_RebuildSelectedVertexList)->Unit(benchmark::kMillisecond);

// Clear selection from everything selected.
void BM_ClearSelection(benchmark::State& state) {
  const auto document = MakeDocument();
  TSquareBladeCollections& layers = *document->Collections();
  for (auto _ : state) {
    state.PauseTiming();
    layers.SelectAll();
    state.ResumeTiming();
    layers.ClearSelection();
  }
  Describe(state, *document);
}
BENCHMARK(BM_ClearSelection)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
