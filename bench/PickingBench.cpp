// Picking, rubber-band selection, the knife and the scissors highlight on a 200 x 200 welded grid
// (40,000 blades) seen whole from above by a fixed perspective camera in an 800 x 600 view: the
// largest document these mouse-driven operations must still answer without a visible delay.
// Goals: PickAt at most 5 ms, a full-screen SelectInRect at most 50 ms, a knife stroke across the
// grid at most 200 ms, ScissorsEdgeAt at most 5 ms.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/RecordingDevice.h"
#include "scene/DX9Knife.h"
#include "scene/DX9Picking.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

constexpr int kSide = 200;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// Straight down onto the grid's centre; the look-at point sits just below the lowest grid point, so
// every corner faces the eye, also for the rubber band's strict test.
struct Camera {
  RecordingDevice device{kWidth, kHeight};
  Vec3 eye{100, 179, 100};
  Vec3 lookAt{100, -1, 100};
  Camera() {
    device.SetTransform(TransformState::View, MatrixLookAtLH(eye, lookAt, {0, 0, 1}));
    device.SetTransform(TransformState::Projection,
                        MatrixPerspectiveFovLH(1.0471976f, float(kWidth) / float(kHeight), 1.0f, 1000.0f));
  }
  ScreenPoint PixelOf(const Vec3& world) const {
    const Vec3 s = Vec3TransformCoord(world, GetScreenMatrix(device));
    return {static_cast<int>(s.x), static_cast<int>(s.y)};
  }
};

std::unique_ptr<TSquareBladeCollections> MakeGrid() {
  auto layers = std::make_unique<TSquareBladeCollections>();
  grid::BuildWeldedGrid(*layers->AddLayer(), grid::GridShape{kSide, kSide});
  return layers;
}

std::vector<ScreenPoint> RandomPixels(int count) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1);
  std::vector<ScreenPoint> points;
  for (int i = 0; i < count; ++i)
    points.push_back({x(rng), y(rng)});
  return points;
}

// Per call, not per iteration: each iteration makes `calls` calls.
void PerCall(benchmark::State& state, int calls) {
  state.counters["per_call"] = benchmark::Counter(static_cast<double>(state.iterations()) * calls,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PickAt(benchmark::State& state) {
  const Camera camera;
  const auto layers = MakeGrid();
  const std::vector<ScreenPoint> points = RandomPixels(100);
  int hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const ScreenPoint& p : points)
      hits += PickAt(*layers, camera.device, p.x, p.y);
    benchmark::DoNotOptimize(hits);
  }
  PerCall(state, static_cast<int>(points.size()));
  state.counters["hits"] = hits;
}
BENCHMARK(BM_PickAt)->Unit(benchmark::kMillisecond);

// A band over the whole view: the old selection (everything, from the previous iteration) is cleared
// and all 40,401 vertices with their borders and faces are selected again.
void BM_SelectInRectFullScreen(benchmark::State& state) {
  const Camera camera;
  const auto layers = MakeGrid();
  for (auto _ : state) {
    SelectInRect(*layers, camera.device, {0, 0}, {kWidth - 1, kHeight - 1}, true, {});
    benchmark::ClobberMemory();
  }
  state.counters["selected"] = layers->SelectedVertices().Count();
}
BENCHMARK(BM_SelectInRectFullScreen)->Unit(benchmark::kMillisecond);

// One stroke from corner to corner, a little off the grid's diagonal so that it does not run through
// grid points; with the diagonal knife on, as most blades are crossed on two adjacent edges.
void BM_KnifeCutDiagonal(benchmark::State& state) {
  const Camera camera;
  const ScreenPoint from = camera.PixelOf({-5, 0, 3.3f});
  const ScreenPoint to = camera.PixelOf({205, 0, 196.7f});
  int blades = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto layers = MakeGrid();
    layers->SetDiagonalKnife(true);
    state.ResumeTiming();
    benchmark::DoNotOptimize(KnifeCut(*layers, camera.device, from, to));
    state.PauseTiming();
    blades = layers->GetLayer(0)->Count();
    layers.reset();
    state.ResumeTiming();
  }
  state.counters["blades_after"] = blades;
}
BENCHMARK(BM_KnifeCutDiagonal)->Unit(benchmark::kMillisecond);

// The highlight follows the mouse: 100 positions on shared edges of random blades.
void BM_ScissorsEdgeAt(benchmark::State& state) {
  const Camera camera;
  const auto layers = MakeGrid();
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> cell(1, kSide - 2);
  std::vector<ScreenPoint> points;
  for (int i = 0; i < 100; ++i) {
    const float x = static_cast<float>(cell(rng)) + 1.0f;
    const float z = static_cast<float>(cell(rng)) + 0.5f;
    points.push_back(
        camera.PixelOf({x, grid::GridPoint({kSide, kSide}, static_cast<int>(x), static_cast<int>(z)).y, z}));
  }
  int found = 0;
  for (auto _ : state) {
    found = 0;
    for (const ScreenPoint& p : points)
      found += ScissorsEdgeAt(*layers, camera.device, p.x, p.y).has_value();
    benchmark::DoNotOptimize(found);
  }
  PerCall(state, static_cast<int>(points.size()));
  state.counters["edges_found"] = found;
}
BENCHMARK(BM_ScissorsEdgeAt)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
