// The cube riders over a scene of 1,250 textured blades, the work behind every scene save and every
// texture-polygon preview. The blades stand in a ring around the pilot, either flat (parallel to the
// face behind them, so no piece needs slicing) or turned 45 degrees about the vertical, so that every
// piece stands oblique to its face and is cut into slices. Goal: each at most 0.5 s.

#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
#include <vector>

#include "scene/DX9CubeRiders.h"

namespace vrel {
namespace {

constexpr int kBlades = 1250;
constexpr float kCubeSize = 1000.0f;

// Blade i: a 60 x 60 square 600 units out, spread over the horizon by the golden angle and up to
// 25 degrees above or below it, facing the pilot; `turn` turns it about its own vertical axis.
std::vector<TCorners> MakeScene(float turnDegrees) {
  std::vector<TCorners> blades;
  blades.reserve(kBlades);
  const float golden = 2.39996323f;
  const float turn = turnDegrees * 3.14159265f / 180.0f;
  for (int i = 0; i < kBlades; ++i) {
    const float heading = golden * static_cast<float>(i);
    const float elevation = (static_cast<float>(i % 11) / 10.0f - 0.5f) * 0.87f;
    // The face the blade stands in front of: the side face nearest its heading.
    const float faceHeading = std::round(heading / 1.5707963f) * 1.5707963f;
    const Vec3 outward{std::sin(faceHeading), 0, std::cos(faceHeading)};
    const Vec3 centre = Vec3{std::sin(heading), std::tan(elevation), std::cos(heading)} * 600.0f;
    // In the face's plane, turned about the vertical by `turn`.
    const Vec3 across{std::cos(faceHeading + turn), 0, -std::sin(faceHeading + turn)};
    const Vec3 up{0, 1, 0};
    const float h = 30.0f;
    TCorners q{centre - across * h + up * h, centre + across * h + up * h, centre + across * h - up * h,
               centre - across * h - up * h};
    // Face the pilot: the corner-0 normal must point back towards the centre.
    const Vec3 n = Vec3Cross(q[0] - q[3], q[1] - q[0]);
    if (Vec3Dot(n, outward) > 0)
      std::swap(q[1], q[3]);
    blades.push_back(q);
  }
  return blades;
}

void RunRiders(benchmark::State& state, float turnDegrees) {
  const std::vector<TCorners> scene = MakeScene(turnDegrees);
  TCubeSquareBladeCollection cube;
  cube.SetSize(kCubeSize);
  int pieces = 0;
  int slices = 0;
  for (auto _ : state) {
    TCubeRider rider;
    rider.Clone()->Assign(&cube);
    for (const TCorners& blade : scene)
      rider.AddQuad(blade);
    rider.Finish();
    pieces = rider.Pieces()->TotalCount();
    slices = rider.Slices()->TotalCount();
    benchmark::DoNotOptimize(pieces);
  }
  state.counters["blades"] = kBlades;
  state.counters["pieces"] = pieces;
  state.counters["slices"] = slices;
}

void BM_RidersFlat(benchmark::State& state) {
  RunRiders(state, 0.0f);
}
BENCHMARK(BM_RidersFlat)->Unit(benchmark::kMillisecond);

void BM_RidersAt45Degrees(benchmark::State& state) {
  RunRiders(state, 45.0f);
}
BENCHMARK(BM_RidersAt45Degrees)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
