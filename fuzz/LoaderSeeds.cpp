// Seeds of the picture loader targets: small valid files of each format and its variants (Targa from
// the writer and raw; PCX of 1, 4, 8 and 24 bits; SGI stored and run-length, 8 and 16 bits; Autodesk;
// CUT; plain and raw portable maps; PNG of several colour types, interlaced and not).

#include "fuzz/LoaderSeeds.h"

#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Streams.h"
#include "imaging/TargaGraphic.h"

namespace vrel::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

void Write(const std::string& folder, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put16LE(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put16BE(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v));
}
void Put32BE(Bytes& b, std::uint32_t v) {
  Put16BE(b, v >> 16);
  Put16BE(b, v & 0xFFFF);
}

// `count` bytes, runs and changing values.
Bytes Pattern(std::size_t count, unsigned seed) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<std::uint8_t>(i % 11 < 5 ? seed : i * 37 + seed);
  return bytes;
}

void TargaSeeds(const std::string& folder) {
  const struct {
    TPixelFormat Format;
    int Bytes;
  } kinds[] = {
      {TPixelFormat::pf8bit, 1}, {TPixelFormat::pf15bit, 2}, {TPixelFormat::pf24bit, 3}, {TPixelFormat::pf32bit, 4}};
  for (const auto& kind : kinds) {
    TTargaGraphic picture;
    picture.SetPixelFormat(kind.Format);
    picture.SetSize(9, 4);
    if (kind.Format == TPixelFormat::pf8bit)
      picture.SetPalette(TPalette(256, TPaletteColor{10, 20, 30}));
    for (int y = 0; y < 4; ++y) {
      const Bytes row = Pattern(std::size_t(9 * kind.Bytes), static_cast<unsigned>(y));
      std::copy(row.begin(), row.end(), picture.ScanLine(y).begin());
    }
    TMemoryOutputStream out;
    picture.SaveToStream(out);
    Write(folder, "rle" + std::to_string(kind.Bytes * 8), out.Bytes());
  }
  // Raw grey, rows from the bottom, with an image ID.
  Bytes grey{3, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 3, 0, 8, 0, 'i', 'd', '!'};
  const Bytes pixels = Pattern(21, 3);
  grey.insert(grey.end(), pixels.begin(), pixels.end());
  Write(folder, "grey", grey);
}

// Runs as PCX writes them: a count byte 0xC0 + n before the byte whenever n > 1 or the byte itself
// has its two top bits set.
Bytes PcxRuns(const Bytes& data) {
  Bytes out;
  for (std::size_t i = 0; i < data.size();) {
    std::size_t n = 1;
    while (i + n < data.size() && n < 63 && data[i + n] == data[i])
      ++n;
    if (n > 1 || data[i] >= 0xC0)
      out.push_back(static_cast<std::uint8_t>(0xC0 + n));
    out.push_back(data[i]);
    i += n;
  }
  return out;
}

void PcxSeeds(const std::string& folder) {
  const struct {
    const char* Name;
    std::uint8_t Bits;
    std::uint8_t Planes;
  } kinds[] = {{"bw", 1, 1}, {"planes4", 1, 4}, {"packed4", 4, 1}, {"eight", 8, 1}, {"rgb", 8, 3}};
  const unsigned width = 10, height = 3;
  for (const auto& kind : kinds) {
    const unsigned lineBytes = (width * kind.Bits + 15) / 16 * 2;
    Bytes file{10, 5, 1, kind.Bits};
    for (unsigned v : {0u, 0u, width - 1, height - 1, 72u, 72u})
      Put16LE(file, v);
    const Bytes colours = Pattern(48, 40);
    file.insert(file.end(), colours.begin(), colours.end());
    file.push_back(0);
    file.push_back(kind.Planes);
    Put16LE(file, lineBytes);
    Put16LE(file, 1);
    file.resize(128, 0);
    const Bytes packed = PcxRuns(Pattern(std::size_t{lineBytes} * kind.Planes * height, 5));
    file.insert(file.end(), packed.begin(), packed.end());
    if (kind.Bits == 8 && kind.Planes == 1) {
      file.push_back(12);
      const Bytes palette = Pattern(768, 9);
      file.insert(file.end(), palette.begin(), palette.end());
    }
    Write(folder, kind.Name, file);
  }
}

void SgiSeeds(const std::string& folder) {
  const unsigned width = 6, height = 3;
  for (const unsigned bytes : {1u, 2u}) {
    for (const unsigned channels : {1u, 3u, 4u}) {
      Bytes file;
      Put16BE(file, 474);
      file.push_back(0);
      file.push_back(static_cast<std::uint8_t>(bytes));
      for (unsigned v : {3u, width, height, channels})
        Put16BE(file, v);
      file.resize(512, 0);
      const Bytes samples = Pattern(std::size_t{width} * height * channels * bytes, channels);
      file.insert(file.end(), samples.begin(), samples.end());
      Write(folder, "verbatim" + std::to_string(bytes * 8) + "-" + std::to_string(channels), file);
    }
  }
  // Run-length grey: each row one run of 4 and a copy of 2, then the end.
  Bytes rle;
  Put16BE(rle, 474);
  rle.insert(rle.end(), {1, 1});
  for (unsigned v : {2u, width, height, 1u})
    Put16BE(rle, v);
  rle.resize(512, 0);
  const std::uint32_t data = 512 + height * 8;
  for (unsigned row = 0; row < height; ++row)
    Put32BE(rle, data + row * 6);
  for (unsigned row = 0; row < height; ++row)
    Put32BE(rle, 6);
  for (unsigned row = 0; row < height; ++row)
    rle.insert(rle.end(), {4, static_cast<std::uint8_t>(row * 50), 0x82, 7, 9, 0});
  Write(folder, "rle-grey", rle);
}

void AutodeskSeeds(const std::string& folder) {
  Bytes file;
  for (unsigned v : {0x9119u, 8u, 3u, 0u, 0u})
    Put16LE(file, v);
  file.insert(file.end(), {8, 0, 24, 0, 0, 0});
  file.resize(32, 0);
  const Bytes levels = Pattern(768, 1);
  for (const std::uint8_t level : levels)
    file.push_back(level & 63);
  const Bytes pixels = Pattern(24, 2);
  file.insert(file.end(), pixels.begin(), pixels.end());
  Write(folder, "cel", file);
}

void CutSeeds(const std::string& folder) {
  Bytes file;
  for (unsigned v : {8u, 3u, 0u})
    Put16LE(file, v);
  for (unsigned row = 0; row < 3; ++row) {
    // A run of 5, a copy of 3, the end.
    const Bytes packets{0x85, static_cast<std::uint8_t>(row * 60), 3, 1, 2, 3, 0};
    Put16LE(file, static_cast<unsigned>(packets.size()));
    file.insert(file.end(), packets.begin(), packets.end());
  }
  Write(folder, "cut", file);
}

void PpmSeeds(const std::string& folder) {
  const auto text = [](std::string_view s) { return Bytes(s.begin(), s.end()); };
  Write(folder, "p1", text("P1\n# bits\n5 2\n0 1 0 1 1\n10010\n"));
  Write(folder, "p2", text("P2 3 2 15\n0 7 15\n1 2 3\n"));
  Write(folder, "p3", text("P3\n2 1\n65535\n0 1000 65535 7 8 9\n"));
  Bytes p4 = text("P4\n10 2\n");
  p4.insert(p4.end(), {0xA5, 0xC0, 0x5A, 0x40});
  Write(folder, "p4", p4);
  Bytes p5 = text("P5 4 2 255\n");
  const Bytes grey = Pattern(8, 4);
  p5.insert(p5.end(), grey.begin(), grey.end());
  Write(folder, "p5", p5);
  Bytes p6 = text("P6\n3 2\n1000\n");
  const Bytes wide = Pattern(36, 6);
  p6.insert(p6.end(), wide.begin(), wide.end());
  Write(folder, "p6-16", p6);
}

void AddChunk(Bytes& png, std::string_view type, const Bytes& data) {
  Put32BE(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  Put32BE(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A PNG of `rows` (filter bytes included) with the header's depth, colour type and interlace.
Bytes Png(unsigned width, unsigned height, std::uint8_t depth, std::uint8_t colourType, std::uint8_t interlace,
          const Bytes& rows, const Bytes& palette) {
  Bytes png{137, 80, 78, 71, 13, 10, 26, 10};
  Bytes header;
  Put32BE(header, width);
  Put32BE(header, height);
  header.insert(header.end(), {depth, colourType, 0, 0, interlace});
  AddChunk(png, "IHDR", header);
  AddChunk(png, "gAMA", {0, 0, 0xB1, 0x8F});
  if (!palette.empty()) {
    AddChunk(png, "PLTE", palette);
    AddChunk(png, "tRNS", {0, 128});
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  Bytes packed(size);
  compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
  packed.resize(size);
  AddChunk(png, "IDAT", packed);
  AddChunk(png, "IEND", {});
  return png;
}

// Rows of `bytes` each, their filter types 0 to 4 in turn.
Bytes Rows(unsigned count, std::size_t bytes) {
  Bytes rows;
  for (unsigned r = 0; r < count; ++r) {
    rows.push_back(static_cast<std::uint8_t>(r % 5));
    const Bytes row = Pattern(bytes, r);
    rows.insert(rows.end(), row.begin(), row.end());
  }
  return rows;
}

void PngSeeds(const std::string& folder) {
  Write(folder, "rgb8", Png(7, 5, 8, 2, 0, Rows(5, 21), {}));
  Write(folder, "rgba16", Png(3, 4, 16, 6, 0, Rows(4, 24), {}));
  Write(folder, "grey2", Png(9, 3, 2, 0, 0, Rows(3, 3), {}));
  Write(folder, "palette4", Png(5, 5, 4, 3, 0, Rows(5, 3), Pattern(48, 3)));
  // The Adam7 passes of a 3 x 3 picture: the second and third are empty, the others have 1, 1, 1, 2
  // and 1 rows of 1, 1, 2, 1 and 3 pixels.
  Bytes adam7;
  for (const auto& [rows, bytes] :
       {std::pair{1u, 1u}, std::pair{1u, 1u}, std::pair{1u, 2u}, std::pair{2u, 1u}, std::pair{1u, 3u}}) {
    const Bytes pass = Rows(rows, bytes);
    adam7.insert(adam7.end(), pass.begin(), pass.end());
  }
  Write(folder, "adam7-grey8", Png(3, 3, 8, 0, 1, adam7, {}));
}

}  // namespace

void WriteLoaderSeeds(const std::string& root) {
  TargaSeeds(root + "/targa_fuzz");
  PcxSeeds(root + "/pcx_fuzz");
  SgiSeeds(root + "/sgi_fuzz");
  AutodeskSeeds(root + "/autodesk_fuzz");
  CutSeeds(root + "/cut_fuzz");
  PpmSeeds(root + "/ppm_fuzz");
  PngSeeds(root + "/png_fuzz");
}

}  // namespace vrel::fuzz
