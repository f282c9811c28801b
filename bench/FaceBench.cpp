// Face images, the way the cube reads them (ReadFaceImage: the file read, its class chosen by content,
// decoded, its rows handed over as texture pixels).
//
// Time: 4096 x 4096 faces (one a TIFF in one strip) against the same libraries decoding the same
// files straight to BGRA in this process (libjpeg-turbo, libpng's simplified API, libtiff's
// TIFFReadRGBAImageOriented; for BMP, Qt's decode and one copy of its pixels), in interleaved rounds;
// the counters are the medians and their ratio.
//
// Memory: 8192 and 16384 pixels square PNG, TIFF and JPEG faces (and an 8192 one of BMP), TIFF faces
// stored in one strip (deflate, and uncompressed at 8192) and progressive JPEG faces, each read in a
// child process that does nothing else; peak_MiB is its peak resident size less its size before the read,
// promise_MiB what the README promises (the file, 1.1 times the face's pixels at four bytes and 64 MiB).

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <QImage>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/FaceImages.h"
#include "imaging/qt/QtImageFormats.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kLargestTexture = 16384;
constexpr std::uint32_t kTimedSide = 4096;
constexpr int kRounds = 11;

enum class Format { Png, Tiff, Jpeg, Bmp };
const char* const kExtensions[] = {"png", "tif", "jpg", "bmp"};

// How the format stores the pixels: as its writer does by default, a TIFF in one strip (deflate or
// uncompressed), a JPEG in progressive scans.
enum class Storage { Usual, OneStrip, OneStripRaw, Progressive };
const char* const kStorages[] = {"", "_one_strip", "_one_strip_raw", "_progressive"};

// What a face file holds: its format, side, samples (1 grey, 3 colour, 4 colour and alpha) and whether
// it has a photograph's grain (the timed faces) or only smooth shading (the large ones, kept small).
struct Face {
  Format format;
  std::uint32_t side;
  unsigned samples;
  bool grain;
  Storage storage = Storage::Usual;

  std::string FileName() const {
    static const char* const kSamples[] = {"", "grey", "", "rgb", "rgba"};
    return std::string(kSamples[samples]) + "_" + std::to_string(side) + (grain ? "" : "_smooth") +
           kStorages[static_cast<int>(storage)] + "." + kExtensions[static_cast<int>(format)];
  }
};

// Row y: shading over the picture, a different slope for each sample, with grain where asked.
void MakeRow(const Face& face, std::uint32_t y, std::mt19937& random, std::uint8_t* row) {
  const double s = face.side;
  for (std::uint32_t x = 0; x < face.side; ++x) {
    const double shade = 96 + 64 * std::sin(x * 12.0 / s) * std::cos(y * 9.0 / s);
    for (unsigned k = 0; k < face.samples; ++k) {
      const double slope = k == 3 ? 255 - 128 * x / s : shade + (k + 1) * 40.0 * (x + y * k) / (2 * s);
      const int noise = face.grain ? static_cast<int>(random() % 9) - 4 : 0;
      row[std::size_t{x} * face.samples + k] = static_cast<std::uint8_t>(std::clamp(slope + noise, 0.0, 255.0));
    }
  }
}

void WritePng(const Face& face, const fs::path& path) {
  FILE* out = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, out);
  png_set_compression_level(png, 1);
  static const int kTypes[] = {0, PNG_COLOR_TYPE_GRAY, 0, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
  png_set_IHDR(png, info, face.side, face.side, 8, kTypes[face.samples], PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  Bytes row(std::size_t{face.side} * face.samples);
  std::mt19937 random(7);
  for (std::uint32_t y = 0; y < face.side; ++y) {
    MakeRow(face, y, random, row.data());
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}

// Deflate with the predictor, in libtiff's default strips or in one; or uncompressed in one strip.
void WriteTiff(const Face& face, const fs::path& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, face.side);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, face.side);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, face.samples);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, face.samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  if (face.storage != Storage::OneStripRaw) {
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, face.grain ? 6 : 1);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  }
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, face.storage == Storage::Usual ? TIFFDefaultStripSize(tiff, 0) : face.side);
  Bytes row(std::size_t{face.side} * face.samples);
  std::mt19937 random(7);
  for (std::uint32_t y = 0; y < face.side; ++y) {
    MakeRow(face, y, random, row.data());
    TIFFWriteScanline(tiff, row.data(), y, 0);
  }
  TIFFClose(tiff);
}

void WriteJpeg(const Face& face, const fs::path& path) {
  FILE* out = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = face.side;
  info.image_height = face.side;
  info.input_components = static_cast<int>(face.samples);
  info.in_color_space = face.samples == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (face.storage == Storage::Progressive)
    jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  Bytes row(std::size_t{face.side} * face.samples);
  std::mt19937 random(7);
  while (info.next_scanline < info.image_height) {
    MakeRow(face, info.next_scanline, random, row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(out);
}

// 24 bits, bottom row first, as Windows writes them.
void WriteBmp(const Face& face, const fs::path& path) {
  const std::uint32_t rowBytes = (face.side * 3 + 3) / 4 * 4, pixelBytes = rowBytes * face.side;
  Bytes header(54);
  const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      header[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  header[0] = 'B', header[1] = 'M';
  put(2, 54 + pixelBytes, 4), put(10, 54, 4), put(14, 40, 4), put(18, face.side, 4), put(22, face.side, 4);
  put(26, 1, 2), put(28, 24, 2), put(34, pixelBytes, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header.data()), 54);
  Bytes row(rowBytes);
  std::mt19937 random(7);
  for (std::uint32_t y = face.side; y-- > 0;) {
    MakeRow(face, y, random, row.data());
    for (std::size_t i = 0; i < std::size_t{face.side} * 3; i += 3)
      std::swap(row[i], row[i + 2]);
    out.write(reinterpret_cast<const char*>(row.data()), rowBytes);
  }
}

// The face files, written once when first asked for, in a temporary folder; the picture formats
// (Qt's BMP decoder among them) are registered while they exist.
class Faces {
 public:
  static const fs::path& Path(const Face& face) {
    static Faces faces;
    const std::string name = face.FileName();
    auto found = faces.paths_.find(name);
    if (found == faces.paths_.end()) {
      const fs::path path = faces.folder_ / name;
      static void (*const kWriters[])(const Face&, const fs::path&) = {WritePng, WriteTiff, WriteJpeg, WriteBmp};
      kWriters[static_cast<int>(face.format)](face, path);
      found = faces.paths_.emplace(name, path).first;
    }
    return found->second;
  }

 private:
  Faces() : folder_(fs::temp_directory_path() / ("vrel-face-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(folder_);
  }
  ~Faces() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path folder_;
  std::map<std::string, fs::path> paths_;
  std::unique_ptr<vrel::TImageFormatsRegistration> formats_ = vrel::RegisterImageFormats();
};

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The references: each decodes the file into BGRA (libtiff: RGBA) pixels of a new buffer.
void LibjpegToBgra(const std::string& path) {
  const Bytes file = ReadFile(path);
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  const std::size_t rowBytes = std::size_t{info.output_width} * 4;
  const std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[rowBytes * info.output_height]);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {pixels.get() + rowBytes * info.output_scanline};
    jpeg_read_scanlines(&info, rows, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  benchmark::DoNotOptimize(pixels.get());
}

void LibpngToBgra(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_file(&image, path.c_str());
  image.format = PNG_FORMAT_BGRA;
  const std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[PNG_IMAGE_SIZE(image)]);
  png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr);
  png_image_free(&image);
  benchmark::DoNotOptimize(pixels.get());
}

void LibtiffToRgba(const std::string& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  const std::unique_ptr<std::uint32_t[]> raster(new std::uint32_t[std::size_t{width} * height]);
  TIFFReadRGBAImageOriented(tiff, width, height, raster.get(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(tiff);
  benchmark::DoNotOptimize(raster.get());
}

void QtDecodeAndOneCopy(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  const QImage image = reader.read();
  const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
  const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes]);
  std::memcpy(copy.get(), image.constBits(), bytes);
  benchmark::DoNotOptimize(copy.get());
}

template <class F>
double Seconds(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void FaceAgainstItsLibrary(benchmark::State& state, Face face, void (*reference)(const std::string&)) {
  const std::string path = Faces::Path(face).string();
  for (auto _ : state) {
    std::vector<double> ours, theirs;
    for (int round = 0; round < kRounds; ++round) {
      ours.push_back(
          Seconds([&] { benchmark::DoNotOptimize(vrel::ReadFaceImage(path, kLargestTexture).pixels.data()); }));
      theirs.push_back(Seconds([&] { reference(path); }));
    }
    state.SetIterationTime(Median(ours));
    state.counters["face_ms"] = Median(ours) * 1e3;
    state.counters["library_ms"] = Median(theirs) * 1e3;
    state.counters["ratio"] = Median(ours) / Median(theirs);
  }
}

constexpr Face kTimed[] = {{Format::Jpeg, kTimedSide, 3, true},
                           {Format::Png, kTimedSide, 3, true},
                           {Format::Tiff, kTimedSide, 3, true},
                           {Format::Bmp, kTimedSide, 3, true},
                           {Format::Jpeg, kTimedSide, 1, true},
                           {Format::Png, kTimedSide, 4, true},
                           {Format::Tiff, kTimedSide, 3, true, Storage::OneStrip}};
#define VREL_FACE_TIMING(name, face, reference)                   \
  BENCHMARK_CAPTURE(FaceAgainstItsLibrary, name, face, reference) \
      ->Iterations(1)                                             \
      ->UseManualTime()                                           \
      ->Unit(benchmark::kMillisecond)
VREL_FACE_TIMING(jpeg_rgb, kTimed[0], LibjpegToBgra);
VREL_FACE_TIMING(png_rgb, kTimed[1], LibpngToBgra);
VREL_FACE_TIMING(tiff_deflate_rgb, kTimed[2], LibtiffToRgba);
VREL_FACE_TIMING(bmp_24bit, kTimed[3], QtDecodeAndOneCopy);
VREL_FACE_TIMING(jpeg_grey, kTimed[4], LibjpegToBgra);
VREL_FACE_TIMING(png_rgba, kTimed[5], LibpngToBgra);
VREL_FACE_TIMING(tiff_deflate_rgb_one_strip, kTimed[6], LibtiffToRgba);

std::uint64_t StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0)
      return std::stoull(line.substr(std::strlen(field) + 1));
  }
  return 0;
}

// The child reads the face and writes how much its resident size grew at the peak, in KiB (or 0
// when the face did not load).
std::uint64_t PeakGrowthKiB(const std::string& path) {
  int pipe[2];
  if (::pipe(pipe) != 0)
    return 0;
  const pid_t child = ::fork();
  if (child == 0) {
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts at the present size
    std::uint64_t grown = 0;
    const std::uint64_t before = StatusKiB("VmRSS:");
    try {
      const vrel::TextureImage face = vrel::ReadFaceImage(path, kLargestTexture);
      grown = StatusKiB("VmHWM:") - before;
    } catch (...) {
    }
    (void)!::write(pipe[1], &grown, sizeof grown);
    ::_exit(0);
  }
  ::close(pipe[1]);
  std::uint64_t grown = 0;
  (void)!::read(pipe[0], &grown, sizeof grown);
  ::close(pipe[0]);
  ::waitpid(child, nullptr, 0);
  return grown;
}

void FacePeakMemory(benchmark::State& state, Format format, unsigned samples, Storage storage = Storage::Usual) {
  const Face face{format, static_cast<std::uint32_t>(state.range(0)), samples, false, storage};
  const std::string path = Faces::Path(face).string();
  constexpr double kMiB = 1 << 20;
  for (auto _ : state) {
    const std::uint64_t grown = PeakGrowthKiB(path);
    if (grown == 0)
      state.SkipWithError("the face did not load");
    state.counters["peak_MiB"] = static_cast<double>(grown) / 1024;
  }
  const double pixels = 4.0 * face.side * face.side;
  state.counters["file_MiB"] = static_cast<double>(fs::file_size(path)) / kMiB;
  state.counters["promise_MiB"] = static_cast<double>(fs::file_size(path)) / kMiB + 1.1 * pixels / kMiB + 64;
}
BENCHMARK_CAPTURE(FacePeakMemory, png_grey, Format::Png, 1)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, png_rgb, Format::Png, 3)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, png_rgba, Format::Png, 4)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, tiff_grey, Format::Tiff, 1)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, tiff_rgb, Format::Tiff, 3)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, jpeg_grey, Format::Jpeg, 1)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, jpeg_rgb, Format::Jpeg, 3)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, tiff_rgb_one_strip, Format::Tiff, 3, Storage::OneStrip)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, tiff_rgb_one_strip_raw, Format::Tiff, 3, Storage::OneStripRaw)
    ->Arg(8192)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, jpeg_rgb_progressive, Format::Jpeg, 3, Storage::Progressive)
    ->Arg(8192)
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FacePeakMemory, bmp_24bit, Format::Bmp, 3)->Arg(8192)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
