// Loading a 4096 x 4096 RGB Photoshop file with PackBits rows, against the floor: the same rows
// decoded with the same PackBits decoder into three planes and interleaved into blue-green-red rows
// by a plain loop, with no header, checks, bitmap or colour manager.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "imaging/PSDGraphic.h"
#include "imaging/RasterDecoders.h"
#include "imaging/Streams.h"

namespace {

constexpr std::uint32_t kSide = 4096;

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

// PackBits: runs of 3 or more as repeats, the rest as literal copies, at most 128 either way.
void PackRow(std::span<const std::uint8_t> row, std::vector<std::uint8_t>& out) {
  for (std::size_t at = 0; at < row.size();) {
    std::size_t run = 1;
    while (at + run < row.size() && row[at + run] == row[at] && run < 128)
      ++run;
    if (run >= 3) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(row[at]);
      at += run;
      continue;
    }
    std::size_t n = 0;
    while (at + n < row.size() && n < 128 &&
           !(at + n + 2 < row.size() && row[at + n] == row[at + n + 1] && row[at + n] == row[at + n + 2]))
      ++n;
    out.push_back(static_cast<std::uint8_t>(n - 1));
    out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(at),
               row.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
}

// A photograph's mix: flat sky (long runs) over the left part of each row, texture (no runs) after it.
struct PhotoshopFile {
  std::vector<std::uint8_t> bytes;
  std::size_t countsAt = 0, dataAt = 0;

  PhotoshopFile() {
    std::mt19937 random(11);
    bytes = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};  // version 1, six reserved bytes
    Put16(bytes, 3);
    for (std::uint32_t v : {kSide, kSide}) {
      Put16(bytes, v >> 16);
      Put16(bytes, v & 0xFFFF);
    }
    Put16(bytes, 8);
    Put16(bytes, 3);
    bytes.insert(bytes.end(), 12, 0);  // three empty sections
    Put16(bytes, 1);
    countsAt = bytes.size();
    bytes.resize(bytes.size() + 3 * kSide * 2);
    dataAt = bytes.size();
    std::vector<std::uint8_t> row(kSide), packed;
    for (std::uint32_t c = 0; c < 3; ++c) {
      for (std::uint32_t y = 0; y < kSide; ++y) {
        const std::uint32_t flat = kSide / 4 + (y * 7 + c * 300) % (kSide / 2);
        for (std::uint32_t x = 0; x < kSide; ++x)
          row[x] = x < flat ? static_cast<std::uint8_t>(x / 256 + c * 40 + y / 64)
                            : static_cast<std::uint8_t>(x + y + (random() & 31));
        packed.clear();
        PackRow(row, packed);
        const std::size_t i = c * kSide + y;
        bytes[countsAt + i * 2] = static_cast<std::uint8_t>(packed.size() >> 8);
        bytes[countsAt + i * 2 + 1] = static_cast<std::uint8_t>(packed.size());
        bytes.insert(bytes.end(), packed.begin(), packed.end());
      }
    }
  }
  static const PhotoshopFile& Get() {
    static const PhotoshopFile file;
    return file;
  }
};

void PhotoshopLoadRGBPackBits4096(benchmark::State& state) {
  const PhotoshopFile& file = PhotoshopFile::Get();
  vrel::TMemoryInputStream stream(file.bytes);
  for (auto _ : state) {
    vrel::TPSDGraphic graphic;
    stream.SetPosition(0);
    graphic.LoadFromStream(stream);
    benchmark::DoNotOptimize(graphic.ScanLine(kSide - 1).data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(PhotoshopLoadRGBPackBits4096)->Unit(benchmark::kMillisecond);

// The floor: the rows decoded into planes, then interleaved blue, green, red into `pixels`.
void DecodeAndInterleave(const PhotoshopFile& file, std::vector<std::uint8_t>& planes, std::uint8_t* pixels) {
  vrel::TPackbitsRLEDecoder decoder;
  std::size_t at = file.dataAt;
  for (std::size_t i = 0; i < 3 * kSide; ++i) {
    const std::size_t count =
        std::size_t{file.bytes[file.countsAt + i * 2]} << 8 | file.bytes[file.countsAt + i * 2 + 1];
    decoder.Decode(std::span(file.bytes).subspan(at, count), std::span(planes).subspan(i * kSide, kSide));
    at += count;
  }
  const std::uint8_t *r = planes.data(), *g = r + std::size_t{kSide} * kSide, *b = g + std::size_t{kSide} * kSide;
  for (std::size_t i = 0; i < std::size_t{kSide} * kSide; ++i) {
    pixels[i * 3] = b[i];
    pixels[i * 3 + 1] = g[i];
    pixels[i * 3 + 2] = r[i];
  }
}

// Into the same pixels every time: memory the system has already handed over.
void PhotoshopFloorPackBitsAndInterleave4096(benchmark::State& state) {
  const PhotoshopFile& file = PhotoshopFile::Get();
  std::vector<std::uint8_t> planes(std::size_t{3} * kSide * kSide), pixels(std::size_t{3} * kSide * kSide);
  for (auto _ : state) {
    DecodeAndInterleave(file, planes, pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(PhotoshopFloorPackBitsAndInterleave4096)->Unit(benchmark::kMillisecond);

// Into new pixels each time, as a load must give a new picture: the same work plus the cost of
// fresh memory (zeroed pages).
void PhotoshopFloorIntoNewPixels4096(benchmark::State& state) {
  const PhotoshopFile& file = PhotoshopFile::Get();
  std::vector<std::uint8_t> planes(std::size_t{3} * kSide * kSide);
  for (auto _ : state) {
    std::vector<std::uint8_t> pixels(std::size_t{3} * kSide * kSide);
    DecodeAndInterleave(file, planes, pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(PhotoshopFloorIntoNewPixels4096)->Unit(benchmark::kMillisecond);

}  // namespace
