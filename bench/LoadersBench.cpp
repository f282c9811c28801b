// Picture loaders on 4096 x 4096 colour pictures held in memory: PNG against libpng decoding the same
// file in the same run, run-length Targa and raw PPM against the floor, a plain copy of the same pixel
// bytes into a new bitmap.

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "imaging/PNGGraphic.h"
#include "imaging/PPMGraphic.h"
#include "imaging/Streams.h"
#include "imaging/TargaGraphic.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kSide = 4096;
constexpr std::size_t kRowBytes = kSide * 3;

// A photograph's worth of detail: smooth gradients with grain, and flat areas (sky) where run-length
// coding has runs to find. Red, green, blue. The grain of a photograph differs from channel to
// channel; with `sameGrain` it is one value for all three, so that neighbours are often equal and a
// run-length coder writes millions of packets of a few pixels (the decoders' worst case).
Bytes MakePicture(bool sameGrain) {
  Bytes rgb(kRowBytes * kSide);
  std::mt19937 random(5);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      std::uint8_t* p = &rgb[static_cast<std::size_t>(y) * kRowBytes + static_cast<std::size_t>(x) * 3];
      const bool sky = y < kSide / 3 && (x / 256 + y / 256) % 3 != 0;
      const int base[3] = {sky ? 90 : x / 16, sky ? 150 : y / 16, sky ? 230 : (x + y) / 32};
      const int shared = static_cast<int>(random() % 9) - 4;
      for (int k = 0; k < 3; ++k) {
        const int grain = sky ? 0 : sameGrain ? shared : static_cast<int>(random() % 9) - 4;
        p[k] = static_cast<std::uint8_t>(std::clamp(base[k] + grain, 0, 255));
      }
    }
  }
  return rgb;
}

const Bytes& Picture() {
  static const Bytes pixels = MakePicture(false);
  return pixels;
}

// The picture as a PNG file that libpng writes with every filter allowed and default compression.
const Bytes& PngFile() {
  static const Bytes file = [] {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
      throw std::runtime_error("libpng could not write the benchmark picture");
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
          auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
          bytes->insert(bytes->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(png, info);
    for (int y = 0; y < kSide; ++y)
      png_write_row(png, &Picture()[static_cast<std::size_t>(y) * kRowBytes]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
  }();
  return file;
}

Bytes TargaOf(const Bytes& rgb) {
  vrel::TTargaGraphic picture;
  picture.SetPixelFormat(vrel::TPixelFormat::pf24bit);
  picture.SetSize(kSide, kSide);
  for (int y = 0; y < kSide; ++y) {
    const std::span<std::uint8_t> row = picture.ScanLine(y);
    for (std::size_t i = 0; i < kRowBytes; i += 3) {
      const std::uint8_t* p = &rgb[static_cast<std::size_t>(y) * kRowBytes + i];
      row[i] = p[2], row[i + 1] = p[1], row[i + 2] = p[0];
    }
  }
  vrel::TMemoryOutputStream out;
  picture.SaveToStream(out);
  return out.Bytes();
}

const Bytes& PpmFile() {
  static const Bytes file = [] {
    const std::string header = "P6\n" + std::to_string(kSide) + " " + std::to_string(kSide) + "\n255\n";
    Bytes out(header.begin(), header.end());
    out.insert(out.end(), Picture().begin(), Picture().end());
    return out;
  }();
  return file;
}

template <class G>
void Load(benchmark::State& state, const Bytes& file) {
  vrel::TMemoryInputStream stream(file);
  for (auto _ : state) {
    stream.SetPosition(0);
    G picture;
    picture.LoadFromStream(stream);
    benchmark::DoNotOptimize(picture.ScanLine(kSide - 1).data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}

void PngLoader(benchmark::State& state) {
  Load<vrel::TPNGGraphic>(state, PngFile());
}
BENCHMARK(PngLoader)->Unit(benchmark::kMillisecond);

// libpng reading the same file from memory into blue-first rows of a new buffer.
void LibpngDecode(benchmark::State& state) {
  const Bytes& file = PngFile();
  for (auto _ : state) {
    struct Source {
      const Bytes* file;
      std::size_t at;
    } source{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes pixels;
    if (setjmp(png_jmpbuf(png)))
      throw std::runtime_error("libpng could not read the benchmark picture");
    png_set_read_fn(png, &source, [](png_structp p, png_bytep data, png_size_t size) {
      auto* s = static_cast<Source*>(png_get_io_ptr(p));
      if (s->file->size() - s->at < size)
        png_error(p, "read past the end");
      std::memcpy(data, s->file->data() + s->at, size);
      s->at += size;
    });
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    pixels.resize(png_get_rowbytes(png, info) * png_get_image_height(png, info));
    for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
      png_read_row(png, &pixels[y * png_get_rowbytes(png, info)], nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(LibpngDecode)->Unit(benchmark::kMillisecond);

void TargaRleLoader(benchmark::State& state) {
  static const Bytes file = TargaOf(Picture());
  Load<vrel::TTargaGraphic>(state, file);
}
BENCHMARK(TargaRleLoader)->Unit(benchmark::kMillisecond);

// Grain equal in all channels: 2.3 million packets, runs of two among copies of about ten pixels.
void TargaRleShortPacketsLoader(benchmark::State& state) {
  static const Bytes file = TargaOf(MakePicture(true));
  Load<vrel::TTargaGraphic>(state, file);
}
BENCHMARK(TargaRleShortPacketsLoader)->Unit(benchmark::kMillisecond);

void PpmRawLoader(benchmark::State& state) {
  Load<vrel::TPPMGraphic>(state, PpmFile());
}
BENCHMARK(PpmRawLoader)->Unit(benchmark::kMillisecond);

// The floor: a new 24-bit bitmap and the pixel bytes copied into its rows.
void PlainCopyIntoBitmap(benchmark::State& state) {
  const Bytes& rgb = Picture();
  for (auto _ : state) {
    vrel::TBitmap bitmap;
    bitmap.SetPixelFormat(vrel::TPixelFormat::pf24bit);
    bitmap.SetSize(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
      std::memcpy(bitmap.ScanLine(y).data(), &rgb[static_cast<std::size_t>(y) * kRowBytes], kRowBytes);
    benchmark::DoNotOptimize(bitmap.ScanLine(kSide - 1).data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 3);
}
BENCHMARK(PlainCopyIntoBitmap)->Unit(benchmark::kMillisecond);

}  // namespace
