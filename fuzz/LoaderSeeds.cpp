// Seeds of the picture loader targets: small valid files of each format and its variants (Targa from
// the writer and raw; PCX of 1, 4, 8 and 24 bits; SGI stored and run-length, 8 and 16 bits; Autodesk;
// CUT; plain and raw portable maps; PNG of several colour types, interlaced and not); and for the
// planar loaders' target, Photoshop files of five modes, a Paint Shop Pro file, a Photo-CD head and an
// RLA file with a matte, each behind the two bytes that choose the loader and the call-off point.

#include "fuzz/LoaderSeeds.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Streams.h"
#include "imaging/TargaGraphic.h"
#include "tests/imaging/ByteWriters.h"

namespace vrel::fuzz {

namespace {

using oracle::Bytes;
using oracle::PutBE16;
using oracle::PutBE32;
using oracle::PutLE16;
using oracle::PutLE32;

void Write(const std::string& folder, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
      PutLE16(file, v);
    const Bytes colours = Pattern(48, 40);
    file.insert(file.end(), colours.begin(), colours.end());
    file.push_back(0);
    file.push_back(kind.Planes);
    PutLE16(file, lineBytes);
    PutLE16(file, 1);
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
      PutBE16(file, 474);
      file.push_back(0);
      file.push_back(static_cast<std::uint8_t>(bytes));
      for (unsigned v : {3u, width, height, channels})
        PutBE16(file, v);
      file.resize(512, 0);
      const Bytes samples = Pattern(std::size_t{width} * height * channels * bytes, channels);
      file.insert(file.end(), samples.begin(), samples.end());
      Write(folder, "verbatim" + std::to_string(bytes * 8) + "-" + std::to_string(channels), file);
    }
  }
  // Run-length grey: each row one run of 4 and a copy of 2, then the end.
  Bytes rle;
  PutBE16(rle, 474);
  rle.insert(rle.end(), {1, 1});
  for (unsigned v : {2u, width, height, 1u})
    PutBE16(rle, v);
  rle.resize(512, 0);
  const std::uint32_t data = 512 + height * 8;
  for (unsigned row = 0; row < height; ++row)
    PutBE32(rle, data + row * 6);
  for (unsigned row = 0; row < height; ++row)
    PutBE32(rle, 6);
  for (unsigned row = 0; row < height; ++row)
    rle.insert(rle.end(), {4, static_cast<std::uint8_t>(row * 50), 0x82, 7, 9, 0});
  Write(folder, "rle-grey", rle);
}

void AutodeskSeeds(const std::string& folder) {
  Bytes file;
  for (unsigned v : {0x9119u, 8u, 3u, 0u, 0u})
    PutLE16(file, v);
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
    PutLE16(file, v);
  for (unsigned row = 0; row < 3; ++row) {
    // A run of 5, a copy of 3, the end.
    const Bytes packets{0x85, static_cast<std::uint8_t>(row * 60), 3, 1, 2, 3, 0};
    PutLE16(file, static_cast<unsigned>(packets.size()));
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
  PutBE32(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutBE32(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A PNG of `rows` (filter bytes included) with the header's depth, colour type and interlace.
Bytes Png(unsigned width, unsigned height, std::uint8_t depth, std::uint8_t colourType, std::uint8_t interlace,
          const Bytes& rows, const Bytes& palette) {
  Bytes png{137, 80, 78, 71, 13, 10, 26, 10};
  Bytes header;
  PutBE32(header, width);
  PutBE32(header, height);
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

// The planar loaders' target reads byte 0 as the loader and byte 1 as the call-off point (0: never).
void WritePlanar(const std::string& folder, const std::string& name, std::uint8_t kind, const Bytes& file) {
  Bytes input{kind, 0};
  input.insert(input.end(), file.begin(), file.end());
  Write(folder, name, input);
}

// 4 x 3 RGB, PackBits rows as one literal run each.
Bytes Photoshop(std::uint16_t mode, std::uint16_t channels, std::uint16_t depth) {
  Bytes out = {'8', 'B', 'P', 'S'};
  PutBE16(out, 1);
  out.insert(out.end(), 6, 0);
  PutBE16(out, channels);
  PutBE32(out, 3);
  PutBE32(out, 4);
  PutBE16(out, depth);
  PutBE16(out, mode);
  PutBE32(out, mode == 2 ? 768 : 0);
  for (int i = 0; i < (mode == 2 ? 768 : 0); ++i)
    out.push_back(static_cast<std::uint8_t>(i));
  PutBE32(out, 0);
  PutBE32(out, 0);
  PutBE16(out, 1);
  const unsigned rowBytes = (4u * depth + 7) / 8;
  for (unsigned i = 0; i < channels * 3u; ++i)
    PutBE16(out, rowBytes + 1);
  for (unsigned i = 0; i < channels * 3u; ++i) {
    out.push_back(static_cast<std::uint8_t>(rowBytes - 1));
    for (unsigned b = 0; b < rowBytes; ++b)
      out.push_back(static_cast<std::uint8_t>(i * 40 + b * 7));
  }
  return out;
}

Bytes PspBlock(std::uint16_t id, const Bytes& data) {
  Bytes out = {'~', 'B', 'K', 0};
  PutLE16(out, id);
  PutLE32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// Version 5, 4 x 3, 24-bit, run-length channels.
Bytes PaintShopPro() {
  Bytes out(32, 0);
  const char* signature = "Paint Shop Pro Image File\n\x1a";
  std::memcpy(out.data(), signature, std::strlen(signature));
  PutLE16(out, 5);
  PutLE16(out, 0);
  Bytes attributes;
  PutLE32(attributes, 46);
  PutLE32(attributes, 4);
  PutLE32(attributes, 3);
  attributes.insert(attributes.end(), 8, 0);
  attributes.push_back(0);
  PutLE16(attributes, 1);
  PutLE16(attributes, 24);
  PutLE16(attributes, 1);
  PutLE32(attributes, 0);
  attributes.push_back(0);
  PutLE32(attributes, 0);
  PutLE32(attributes, 0);
  PutLE16(attributes, 1);
  PutLE32(attributes, 0);
  Bytes layer;
  PutLE32(layer, 4 + 2 + 115);
  PutLE16(layer, 0);
  Bytes info(115, 0);
  info[9] = 4;
  info[13] = 3;
  layer.insert(layer.end(), info.begin(), info.end());
  PutLE32(layer, 8);  // the chunk of the bitmap and channel counts
  PutLE16(layer, 1);
  PutLE16(layer, 3);
  for (std::uint16_t c = 1; c <= 3; ++c) {
    Bytes channel;
    PutLE32(channel, 16);
    const Bytes packed = {130, static_cast<std::uint8_t>(c * 50), 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    PutLE32(channel, static_cast<std::uint32_t>(packed.size()));
    PutLE32(channel, 12);
    PutLE16(channel, 0);
    PutLE16(channel, c);
    channel.insert(channel.end(), packed.begin(), packed.end());
    const Bytes block = PspBlock(5, channel);
    layer.insert(layer.end(), block.begin(), block.end());
  }
  for (const Bytes& block : {PspBlock(0, attributes), PspBlock(3, PspBlock(4, layer))})
    out.insert(out.end(), block.begin(), block.end());
  return out;
}

// 4 x 3 RGB with a matte, 8 bits, one literal run per channel row.
Bytes Rla() {
  Bytes out(740, 0);
  const auto put16 = [&](std::size_t at, unsigned v) {
    out[at] = static_cast<std::uint8_t>(v >> 8);
    out[at + 1] = static_cast<std::uint8_t>(v);
  };
  put16(10, 3);
  put16(14, 2);
  put16(20, 3);
  put16(22, 1);
  put16(26, 0xFFFE);
  std::memcpy(out.data() + 580, "rgb", 3);
  put16(658, 8);
  put16(662, 8);
  const std::size_t table = out.size();
  out.resize(out.size() + 12);
  for (int line = 0; line < 3; ++line) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    for (int k = 0; k < 4; ++k)
      out[table + static_cast<std::size_t>(line * 4 + k)] = static_cast<std::uint8_t>(offset >> (24 - 8 * k));
    for (int c = 0; c < 4; ++c) {
      PutBE16(out, 5);
      out.insert(out.end(), {0xFC, static_cast<std::uint8_t>(c * 60), 20, 40, static_cast<std::uint8_t>(line * 90)});
    }
  }
  return out;
}

void PlanarSeeds(const std::string& folder) {
  WritePlanar(folder, "psd-rgb", 0, Photoshop(3, 3, 8));
  WritePlanar(folder, "psd-cmyk16", 0, Photoshop(4, 4, 16));
  WritePlanar(folder, "psd-lab", 0, Photoshop(9, 3, 8));
  WritePlanar(folder, "psd-bitmap", 0, Photoshop(0, 1, 1));
  WritePlanar(folder, "psd-indexed", 0, Photoshop(2, 1, 8));
  WritePlanar(folder, "psp-rgb", 1, PaintShopPro());
  Bytes pcd(6200, 0xFF);
  std::memcpy(pcd.data() + 2048, "PCD_IPI", 7);
  WritePlanar(folder, "pcd-head", 2, pcd);
  WritePlanar(folder, "rla-rgba", 3, Rla());
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
  PlanarSeeds(root + "/planar_loaders_fuzz");
}

}  // namespace vrel::fuzz
