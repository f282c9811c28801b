// The colour manager's busiest path, a 4096 x 4096 RGB image of 16-bit big-endian planes turned into
// 24-bit BGR rows, against the plain loop that does the same work inline (the floor).

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <vector>

#include "imaging/PixelColor.h"

namespace {

constexpr std::size_t kSide = 4096;

struct Planes {
  std::array<std::vector<std::uint8_t>, 3> samples;
  std::vector<std::uint8_t> target = std::vector<std::uint8_t>(kSide * kSide * 3);
  Planes() {
    std::mt19937 random(7);
    for (auto& plane : samples) {
      plane.resize(kSide * kSide * 2);
      for (auto& b : plane)
        b = static_cast<std::uint8_t>(random());
    }
  }
  static Planes& Get() {
    static Planes planes;
    return planes;
  }
};

void ColorManagerPlanarRGB16ToBGR24(benchmark::State& state) {
  Planes& p = Planes::Get();
  vrel::TColorManager manager;
  manager.SetSourceColorScheme(vrel::TColorScheme::RGB);
  manager.SetTargetColorScheme(vrel::TColorScheme::BGR);
  manager.SetSourceBitsPerSample(16);
  manager.SetTargetBitsPerSample(8);
  manager.SetSourceOptions(vrel::coNeedByteSwap);
  const std::size_t rowBytes = kSide * 2;
  for (auto _ : state) {
    for (std::size_t y = 0; y < kSide; ++y) {
      const std::array<std::span<const std::uint8_t>, 3> rows{std::span(p.samples[0]).subspan(y * rowBytes, rowBytes),
                                                              std::span(p.samples[1]).subspan(y * rowBytes, rowBytes),
                                                              std::span(p.samples[2]).subspan(y * rowBytes, rowBytes)};
      manager.ConvertRow(rows, std::span(p.target).subspan(y * kSide * 3, kSide * 3), kSide, 0xFF);
    }
    benchmark::DoNotOptimize(p.target.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSide * kSide));
}
BENCHMARK(ColorManagerPlanarRGB16ToBGR24)->Unit(benchmark::kMillisecond);

// The floor: read the three planes, swap, scale, write blue, green, red.
void PlainLoopPlanarRGB16ToBGR24(benchmark::State& state) {
  Planes& p = Planes::Get();
  const auto sample = [](const std::uint8_t* at) {
    const std::uint32_t v = static_cast<std::uint32_t>(at[0]) << 8 | at[1];
    return static_cast<std::uint8_t>(v * 255 / 65535);
  };
  for (auto _ : state) {
    const std::uint8_t *r = p.samples[0].data(), *g = p.samples[1].data(), *b = p.samples[2].data();
    std::uint8_t* out = p.target.data();
    for (std::size_t i = 0; i < kSide * kSide; ++i) {
      out[i * 3] = sample(b + i * 2);
      out[i * 3 + 1] = sample(g + i * 2);
      out[i * 3 + 2] = sample(r + i * 2);
    }
    benchmark::DoNotOptimize(p.target.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSide * kSide));
}
BENCHMARK(PlainLoopPlanarRGB16ToBGR24)->Unit(benchmark::kMillisecond);

}  // namespace
