#include "fuzz/TIFFSeeds.h"

#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vrel::fuzz {

namespace {

constexpr std::uint32_t kWidth = 16;
constexpr std::uint32_t kHeight = 12;

struct Seed {
  const char* Name;
  const char* Mode;  // "wl" little-endian, "wb" big-endian
  std::uint16_t Compression;
  std::uint16_t Photometric;
  std::uint16_t Samples;
  std::uint16_t Bits;
  std::uint16_t Planar = PLANARCONFIG_CONTIG;
  std::uint16_t Predictor = 0;
  bool Tiled = false;
  std::uint16_t FillOrder = FILLORDER_MSB2LSB;
};

const Seed kSeeds[] = {
    {"grey8-none", "wl", COMPRESSION_NONE, PHOTOMETRIC_MINISBLACK, 1, 8},
    {"grey1-g3", "wl", COMPRESSION_CCITTFAX3, PHOTOMETRIC_MINISWHITE, 1, 1},
    {"grey1-g4-lsb", "wl", COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1, PLANARCONFIG_CONTIG, 0, false,
     FILLORDER_LSB2MSB},
    {"grey4-packbits", "wb", COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK, 1, 4},
    {"grey16-deflate", "wb", COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_MINISBLACK, 1, 16, PLANARCONFIG_CONTIG, 2},
    {"grey-alpha", "wl", COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK, 2, 8},
    {"palette4", "wl", COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_PALETTE, 1, 4},
    {"palette8-big", "wb", COMPRESSION_NONE, PHOTOMETRIC_PALETTE, 1, 8},
    {"rgb8-jpeg", "wl", COMPRESSION_JPEG, PHOTOMETRIC_YCBCR, 3, 8},
    {"rgb8-jpeg-tiles", "wl", COMPRESSION_JPEG, PHOTOMETRIC_RGB, 3, 8, PLANARCONFIG_CONTIG, 0, true},
    {"rgb16-deflate", "wl", COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_RGB, 3, 16, PLANARCONFIG_CONTIG, 2},
    {"rgba8-separate", "wb", COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_RGB, 4, 8, PLANARCONFIG_SEPARATE, 2},
    {"rgb8-tiles", "wl", COMPRESSION_PACKBITS, PHOTOMETRIC_RGB, 3, 8, PLANARCONFIG_CONTIG, 0, true, FILLORDER_LSB2MSB},
    {"cmyk8", "wl", COMPRESSION_NONE, PHOTOMETRIC_SEPARATED, 4, 8},
    {"ycbcr8", "wl", COMPRESSION_NONE, PHOTOMETRIC_YCBCR, 3, 8},
    {"lab8", "wl", COMPRESSION_NONE, PHOTOMETRIC_CIELAB, 3, 8},
};

void Write(const Seed& seed, const std::string& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), seed.Mode);
  if (!tiff)
    return;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, seed.Bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, seed.Samples);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, seed.Compression);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, seed.Photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, seed.Planar);
  TIFFSetField(tiff, TIFFTAG_FILLORDER, seed.FillOrder);
  if (seed.Predictor)
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, seed.Predictor);
  if (seed.Samples == 2 || (seed.Samples == 4 && seed.Photometric == PHOTOMETRIC_RGB)) {
    const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (seed.Compression == COMPRESSION_JPEG) {
    TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 75);
    if (seed.Photometric == PHOTOMETRIC_YCBCR)
      TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  } else if (seed.Photometric == PHOTOMETRIC_YCBCR) {
    TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
  }
  if (seed.Photometric == PHOTOMETRIC_PALETTE) {
    std::vector<std::uint16_t> red(1u << seed.Bits), green(red.size()), blue(red.size());
    for (std::size_t i = 0; i < red.size(); ++i) {
      red[i] = static_cast<std::uint16_t>(i * 4099);
      green[i] = static_cast<std::uint16_t>(65535 - i * 257);
      blue[i] = static_cast<std::uint16_t>(i * 9001);
    }
    TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const std::size_t planes = seed.Planar == PLANARCONFIG_SEPARATE ? seed.Samples : 1;
  const std::size_t pixelBits = seed.Bits * (planes == 1 ? seed.Samples : 1);
  if (seed.Tiled) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tiff)));
    for (std::size_t i = 0; i < tile.size(); ++i)
      tile[i] = static_cast<std::uint8_t>(i * 7 + i / 48 * 13);
    for (std::uint16_t plane = 0; plane < planes; ++plane)
      TIFFWriteTile(tiff, tile.data(), 0, 0, 0, plane);
  } else {
    // JPEG strips hold whole blocks of subsampled rows.
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, seed.Compression == COMPRESSION_JPEG ? 16 : 5);
    std::vector<std::uint8_t> row((kWidth * pixelBits + 7) / 8);
    for (std::uint16_t plane = 0; plane < planes; ++plane) {
      for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::size_t x = 0; x < row.size(); ++x)
          row[x] = static_cast<std::uint8_t>(x * 5 + y * 17 + plane * 40 + (x * y) % 7);
        TIFFWriteScanline(tiff, row.data(), y, plane);
      }
    }
  }
  TIFFClose(tiff);
}

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

void WriteTiffSeeds(const std::string& folder) {
  std::filesystem::create_directories(folder);
  TIFFSetWarningHandler(nullptr);
  for (const Seed& seed : kSeeds)
    Write(seed, folder + "/" + seed.Name + ".tif");
  // An EPS file: its 30-byte header, a line of PostScript, the preview.
  const std::vector<char> preview = ReadAll(folder + "/palette4.tif");
  const std::string postScript = "%!PS-Adobe-3.0 EPSF-3.0\n";
  const auto offset = static_cast<std::uint32_t>(30 + postScript.size());
  std::vector<std::uint8_t> header(30);
  const auto put = [&](std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
      header[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put(0, 0xC6D3D0C5u);
  put(4, 30);
  put(8, static_cast<std::uint32_t>(postScript.size()));
  put(20, offset);
  put(24, static_cast<std::uint32_t>(preview.size()));
  header[28] = header[29] = 0xFF;
  std::ofstream eps(folder + "/preview.eps", std::ios::binary);
  eps.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  eps << postScript;
  eps.write(preview.data(), static_cast<std::streamsize>(preview.size()));
}

}  // namespace vrel::fuzz
