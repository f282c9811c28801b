// Snapshots and object files of documents of 1,000, 10,000 and 50,000 welded blades in four layers.
// Goal at 10,000 blades: a snapshot written in at most 15 ms and restored (read, Loaded and taken
// over by the live document) in at most 30 ms.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "files/ComponentStateHolder.h"
#include "files/ComponentTransaction.h"
#include "files/ObjectFiles.h"
#include "platform/ComponentStream.h"
#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

// Four layers of blades x blades / 4 as a grid about twice as wide as deep.
std::unique_ptr<TSquareBladeCollectionsContainer> MakeDocument(int blades) {
  RegisterFileClasses();
  auto document = std::make_unique<TSquareBladeCollectionsContainer>();
  const int perLayer = blades / 4;
  int rows = 1;
  while (rows * rows * 2 < perLayer)
    ++rows;
  const int columns = perLayer / rows;
  for (int layer = 0; layer < 4; ++layer) {
    grid::GridShape shape{columns, rows};
    shape.Origin = {0, 0, static_cast<float>(layer * (rows + 2))};
    grid::BuildWeldedGrid(*document->Collections()->AddLayer(), shape);
  }
  RenumberVertexIDs(*document->Collections());
  document->Collections()->RebuildSelectedVertexList();
  return document;
}

int BladeCount(const TSquareBladeCollectionsContainer& document) {
  int n = 0;
  for (int i = 0; i < document.Collections()->Count(); ++i)
    n += document.Collections()->GetLayer(i)->Count();
  return n;
}

// Resident memory of the process in bytes, from the kernel's own accounting.
double ResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::stod(line.substr(6)) * 1024.0;
  return 0;
}

void BM_SnapshotWrite(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  std::size_t size = 0;
  for (auto _ : state) {
    std::string bytes = SaveComponentToBytes(*document);
    size = bytes.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["blades"] = BladeCount(*document);
  state.counters["bytes"] = static_cast<double>(size);
  state.counters["bytes_per_blade"] = static_cast<double>(size) / BladeCount(*document);
}
BENCHMARK(BM_SnapshotWrite)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Undo: the live document (as large as the snapshot) takes the snapshot back.
void BM_SnapshotRestore(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  const std::string bytes = SaveComponentToBytes(*document);
  TSquareBladeCollectionsContainer live;
  LoadComponentTransactional(bytes, live);
  for (auto _ : state) {
    LoadComponentTransactional(bytes, live);
    benchmark::ClobberMemory();
  }
  state.counters["blades"] = BladeCount(live);
}
BENCHMARK(BM_SnapshotRestore)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The parts of a restore: the read with Loaded into a fresh document, then the take-over alone.
void BM_SnapshotReadOnly(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  const std::string bytes = SaveComponentToBytes(*document);
  for (auto _ : state) {
    TSquareBladeCollectionsContainer fresh;
    LoadComponentFromBytes(bytes, fresh);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SnapshotReadOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_TakeOverOnly(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  TSquareBladeCollectionsContainer live;
  TakeOverComponent(live, *document);
  for (auto _ : state) {
    TakeOverComponent(live, *document);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TakeOverOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ObjectFileSave(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  TMenuItem memory;
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.vro").toStdString();
  for (auto _ : state)
    SaveObjectFileRecords(path, *document, &memory);
}
BENCHMARK(BM_ObjectFileSave)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ObjectFileLoad(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  TMenuItem memory;
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.vro").toStdString();
  SaveObjectFileRecords(path, *document, &memory);
  TSquareBladeCollectionsContainer live;
  TMenuItem liveMemory;
  for (auto _ : state)
    LoadObjectFileRecords(path, live, &liveMemory);
  state.counters["blades"] = BladeCount(live);
}
BENCHMARK(BM_ObjectFileLoad)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// 200 pushes of a document that changes a little between them: how much the history holds and how
// far the process's resident memory grew.
void BM_History200Pushes(benchmark::State& state) {
  const auto document = MakeDocument(static_cast<int>(state.range(0)));
  double grown = 0;
  uint64_t held = 0;
  for (auto _ : state) {
    const double before = ResidentBytes();
    TComponentStateHolder history;
    history.SetComponent(document.get());
    for (int i = 0; i < 200; ++i) {
      TVertex* v = document->Collections()->GetLayer(i % 4)->VertexPool()->Item(i)->Vertex();
      v->SetY(v->Y() + 0.25f);
      history.PushState();
    }
    grown = ResidentBytes() - before;
    held = history.HistorySize();
  }
  state.counters["history_MiB"] = static_cast<double>(held) / 1048576.0;
  state.counters["rss_growth_MiB"] = grown / 1048576.0;
}
BENCHMARK(BM_History200Pushes)->Arg(1000)->Arg(10000)->Arg(50000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
