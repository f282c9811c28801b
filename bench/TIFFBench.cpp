// The TIFF loader against libtiff reading the same files into RGBA in the same process: a 4096 x 4096
// RGB photograph-like picture with deflate and the predictor, with PackBits and with JPEG, and a
// 2,000-line fax page in Group 4. libtiff writes the files once, into a temporary folder.

#include <benchmark/benchmark.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/TIFFGraphic.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSide = 4096;
constexpr std::uint32_t kPageWidth = 1728;
constexpr std::uint32_t kPageLines = 2000;

// Smooth shading with fine noise, as a photograph has: deflate packs it about 2:1.
std::vector<std::uint8_t> Photograph() {
  std::vector<std::uint8_t> pixels(std::size_t{kSide} * kSide * 3);
  std::mt19937 random(11);
  std::uint8_t* p = pixels.data();
  for (std::uint32_t y = 0; y < kSide; ++y) {
    for (std::uint32_t x = 0; x < kSide; ++x, p += 3) {
      const double shade = 96 + 64 * std::sin(x / 300.0) * std::cos(y / 410.0);
      const int noise = static_cast<int>(random() % 9) - 4;
      p[0] = static_cast<std::uint8_t>(std::clamp(shade + x / 64.0 + noise, 0.0, 255.0));
      p[1] = static_cast<std::uint8_t>(std::clamp(shade + y / 48.0 + noise, 0.0, 255.0));
      p[2] = static_cast<std::uint8_t>(std::clamp(255 - shade + noise, 0.0, 255.0));
    }
  }
  return pixels;
}

// A page of text: lines of word-like clusters of glyph strokes on white, 1 bit a pixel (1 is black).
std::vector<std::uint8_t> FaxPage() {
  const std::size_t rowBytes = kPageWidth / 8;
  std::vector<std::uint8_t> page(rowBytes * kPageLines);
  std::mt19937 random(5);
  // The engine's numbers are 32 bits wide, held in a wider type.
  const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  const auto set = [&](std::uint32_t x, std::uint32_t y) { page[y * rowBytes + x / 8] |= 0x80 >> (x % 8); };
  for (std::uint32_t line = 100; line + 30 < kPageLines - 100; line += 36) {
    std::uint32_t x = 120;
    while (x < kPageWidth - 160) {
      const std::uint32_t letters = 2 + below(8);
      for (std::uint32_t l = 0; l < letters; ++l, x += 14) {
        const std::uint32_t height = 14 + below(10);
        for (std::uint32_t stroke = 0; stroke < 3; ++stroke) {
          const std::uint32_t sx = x + below(10), sy = line + 24 - height + below(6);
          const bool across = random() % 2;
          for (std::uint32_t k = 0; k < (across ? 9u : height); ++k) {
            for (std::uint32_t w = 0; w < 2; ++w)
              set(across ? sx + k : sx + w, across ? sy + w : sy + k);
          }
        }
      }
      x += 16;
    }
  }
  return page;
}

struct Files {
  fs::path folder;
  fs::path deflate, packbits, jpeg, fax;

  Files() {
    folder = fs::temp_directory_path() / ("vrel-tiff-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    deflate = folder / "deflate.tif";
    packbits = folder / "packbits.tif";
    jpeg = folder / "jpeg.tif";
    fax = folder / "fax.tif";
    const std::vector<std::uint8_t> photo = Photograph();
    WriteRGB(deflate, photo, COMPRESSION_ADOBE_DEFLATE);
    WriteRGB(packbits, photo, COMPRESSION_PACKBITS);
    WriteRGB(jpeg, photo, COMPRESSION_JPEG);
    WriteFax(fax, FaxPage());
  }
  ~Files() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  static void WriteRGB(const fs::path& path, const std::vector<std::uint8_t>& pixels, std::uint16_t compression) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kSide);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kSide);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    if (compression == COMPRESSION_JPEG) {
      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 90);
      TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    } else {
      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    }
    if (compression == COMPRESSION_ADOBE_DEFLATE)
      TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    std::vector<std::uint8_t> row(std::size_t{kSide} * 3);
    for (std::uint32_t y = 0; y < kSide; ++y) {
      std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(std::size_t{y} * kSide * 3), row.size(), row.begin());
      TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFClose(tiff);
  }

  static void WriteFax(const fs::path& path, const std::vector<std::uint8_t>& page) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kPageWidth);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kPageLines);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, kPageLines);
    std::vector<std::uint8_t> row(kPageWidth / 8);
    for (std::uint32_t y = 0; y < kPageLines; ++y) {
      std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(std::size_t{y} * row.size()), row.size(), row.begin());
      TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFClose(tiff);
  }

  static const Files& Get() {
    static const Files files;
    return files;
  }
};

const fs::path& FileOf(int which) {
  const Files& f = Files::Get();
  switch (which) {
    case 0:
      return f.deflate;
    case 1:
      return f.packbits;
    case 2:
      return f.jpeg;
    default:
      return f.fax;
  }
}

const char* NameOf(int which) {
  static const char* const kNames[] = {"deflate+predictor", "packbits", "jpeg", "fax g4 page"};
  return kNames[which];
}

void TIFFLoaderReads(benchmark::State& state) {
  const fs::path& path = FileOf(static_cast<int>(state.range(0)));
  state.SetLabel(NameOf(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    vrel::TTIFFGraphic graphic;
    graphic.LoadFromFile(path.string());
    benchmark::DoNotOptimize(graphic.ScanLine(0).data());
  }
}
BENCHMARK(TIFFLoaderReads)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The baseline: libtiff's RGBA reading, as an application that wants pixels uses it.
void LibtiffReadsIntoRGBA(benchmark::State& state) {
  const fs::path& path = FileOf(static_cast<int>(state.range(0)));
  state.SetLabel(NameOf(static_cast<int>(state.range(0))));
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    const std::unique_ptr<std::uint32_t[]> raster(new std::uint32_t[std::size_t{width} * height]);
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.get(), ORIENTATION_TOPLEFT, 0))
      state.SkipWithError("libtiff could not read the file");
    TIFFClose(tiff);
    benchmark::DoNotOptimize(raster.get());
  }
}
BENCHMARK(LibtiffReadsIntoRGBA)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
