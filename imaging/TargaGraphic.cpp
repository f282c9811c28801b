#include "imaging/TargaGraphic.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kTarga = "Targa";
constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kTopDown = 32;  // descriptor bit 5: the first stored row is the top one

struct TargaHeader {
  std::uint8_t IdLength = 0;
  std::uint8_t ColorMapType = 0;
  std::uint8_t ImageType = 0;
  std::uint16_t ColorMapStart = 0;
  std::uint16_t ColorMapLength = 0;
  std::uint8_t ColorMapEntrySize = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint8_t Depth = 0;
  std::uint8_t Descriptor = 0;

  static TargaHeader From(std::span<const std::uint8_t> b) {
    TargaHeader h;
    h.IdLength = b[0];
    h.ColorMapType = b[1];
    h.ImageType = b[2];
    h.ColorMapStart = U16LE(b, 3);
    h.ColorMapLength = U16LE(b, 5);
    h.ColorMapEntrySize = b[7];
    h.Width = U16LE(b, 12);
    h.Height = U16LE(b, 14);
    h.Depth = b[16];
    h.Descriptor = b[17];
    return h;
  }
  bool RunLength() const { return ImageType >= 9; }
  // 1 colour-mapped, 2 true colour, 3 grey, whether run-length encoded or not.
  unsigned Kind() const { return ImageType & 7u; }
};

bool KnownEntrySize(unsigned bits) {
  return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// Whether the header describes pixels this loader reads: a colour-mapped picture of 8-bit indexes with
// its map, an 8-bit grey one, or true colour of 15, 16, 24 or 32 bits.
bool Readable(const TargaHeader& h) {
  if (h.Width == 0 || h.Height == 0 || h.ColorMapType > 1)
    return false;
  if (h.ColorMapType == 1 && !KnownEntrySize(h.ColorMapEntrySize))
    return false;
  switch (h.ImageType) {
    case 1:
    case 9:
      return h.Depth == 8 && h.ColorMapType == 1;
    case 3:
    case 11:
      return h.Depth == 8;
    case 2:
    case 10:
      return h.Depth == 15 || h.Depth == 16 || h.Depth == 24 || h.Depth == 32;
    default:
      return false;
  }
}

// The colour map's entries at their indexes (the map may start above 0); entries beyond 256 are not
// reachable by 8-bit indexes.
TPalette MapPalette(const TargaHeader& h, std::span<const std::uint8_t> map, TColorManager& colors) {
  const std::size_t entryBytes = (h.ColorMapEntrySize + 7u) / 8u;
  const std::size_t first = std::min<std::size_t>(h.ColorMapStart, kMaxPaletteEntries);
  const std::size_t count = std::min<std::size_t>(h.ColorMapLength, kMaxPaletteEntries - first);
  TPalette palette(first + count);
  if (entryBytes == 2) {
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned v = U16LE(map, i * 2);
      palette[first + i] = {static_cast<std::uint8_t>((v & 0x7C00u) >> 7), static_cast<std::uint8_t>((v & 0x3E0u) >> 2),
                            static_cast<std::uint8_t>((v & 0x1Fu) << 3)};
    }
    return palette;
  }
  const std::span<const std::uint8_t> data[1] = {map};
  const TPalette colours =
      colors.CreateColorPalette(data, entryBytes == 4 ? 1 : 0, static_cast<std::uint32_t>(count), true);
  std::copy(colours.begin(), colours.end(), palette.begin() + static_cast<std::ptrdiff_t>(first));
  return palette;
}

}  // namespace

const TClassInfo& TTargaGraphic::StaticClass() {
  static const TClassInfo info("TTargaGraphic", &Inherited::StaticClass());
  return info;
}

bool TTargaGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, kHeaderSize, kHeaderSize,
                        [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
                          const std::uint8_t type = head[2], mapType = head[1], entryBits = head[7], depth = head[16];
                          return (type <= 3 || (type >= 9 && type <= 11)) && mapType <= 1 &&
                                 (mapType == 0 || KnownEntrySize(entryBits)) &&
                                 (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32);
                        });
}

bool TTargaGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  std::uint8_t bytes[kHeaderSize];
  stream.ReadBuffer(bytes);
  const TargaHeader h = TargaHeader::From(bytes);
  if (!Readable(h))
    return false;
  TImageProperties& p = Properties();
  p.Width = h.Width;
  p.Height = h.Height;
  switch (h.Depth) {
    case 8:
      p.ColorScheme = h.Kind() == 3 ? TColorScheme::Gray : TColorScheme::Indexed;
      p.BitsPerSample = 8;
      p.SamplesPerPixel = 1;
      break;
    case 15:
    case 16:
      p.ColorScheme = TColorScheme::RGB;
      p.BitsPerSample = 5;
      p.SamplesPerPixel = 3;
      break;
    case 24:
      p.ColorScheme = TColorScheme::RGB;
      p.BitsPerSample = 8;
      p.SamplesPerPixel = 3;
      break;
    default:
      p.ColorScheme = TColorScheme::RGBA;
      p.BitsPerSample = 8;
      p.SamplesPerPixel = 4;
      p.HasAlpha = (h.Descriptor & 15u) != 0;
      break;
  }
  p.BitsPerPixel = static_cast<std::uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = h.RunLength() ? TCompressionType::ctRLE : TCompressionType::ctNone;
  return true;
}

void TTargaGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kTarga});
  stream.SetPosition(base);
  std::uint8_t bytes[kHeaderSize];
  stream.ReadBuffer(bytes);
  const TargaHeader h = TargaHeader::From(bytes);
  stream.Seek(h.IdLength, TSeekOrigin::soCurrent);

  const TImageProperties& p = ImageProperties();
  TColorManager& colors = ColorManager();
  colors.SetSourceSamplesPerPixel(p.SamplesPerPixel);
  colors.SetTargetSamplesPerPixel(p.SamplesPerPixel);
  colors.SetSourceBitsPerSample(p.BitsPerSample);
  colors.SetTargetBitsPerSample(p.BitsPerSample);
  colors.SetSourceColorScheme(p.ColorScheme);
  colors.SetTargetColorScheme(TColorScheme::BGR);
  colors.SetSourceOptions(0);

  // The map is read whenever there is one, so that the pixels are found after it.
  TPalette palette;
  if (h.ColorMapType == 1) {
    const std::vector<std::uint8_t> map =
        stream.ReadBytes(std::size_t{h.ColorMapLength} * ((h.ColorMapEntrySize + 7u) / 8u));
    if (h.Kind() == 1)
      palette = MapPalette(h, map, colors);
  }
  if (h.Kind() == 3) {
    colors.SetTargetColorScheme(TColorScheme::Gray);
    palette = colors.CreateGrayscalePalette(false);
  }

  const std::size_t bytesPerPixel = (h.Depth + 1u) / 8u;
  const std::size_t rowBytes = std::size_t{h.Width} * bytesPerPixel;
  CheckImageBudget(h.Width, h.Height, static_cast<unsigned>(bytesPerPixel * 8), stream.Remaining(),
                   MaxExpansion(p.Compression), kTarga);
  SetPixelFormat(colors.GetPixelFormat(1));
  SetSize(h.Width, h.Height);
  SetPalette(std::move(palette));
  if (p.HasAlpha)
    SetAlphaFormat(TAlphaFormat::afDefined);

  const bool topDown = (h.Descriptor & kTopDown) != 0;
  const auto row = [&](std::size_t i) {
    const int y = topDown ? static_cast<int>(i) : h.Height - 1 - static_cast<int>(i);
    return ScanLine(y).first(rowBytes);
  };
  Progress(psStarting, 0, kTransfering);
  if (!h.RunLength()) {
    for (std::size_t i = 0; i < h.Height; ++i) {
      stream.ReadBuffer(row(i));
      RowProgress(i + 1, h.Height);
    }
    Progress(psEnding, 100);
    return;
  }
  // Packets may run on from one row into the next: the whole stream is decoded in row order.
  const std::uint64_t start = stream.Position();
  const TRestOfStream packed(stream);
  TTargaRLEReader reader(h.Depth, packed.Bytes());
  // Each row is decoded in a buffer that stays in the cache, then copied in one go: millions of
  // small writes straight into a large picture cost more than the copy.
  std::vector<std::uint8_t> line(rowBytes);
  for (std::size_t i = 0; i < h.Height; ++i) {
    reader.Read(line);
    std::copy(line.begin(), line.end(), row(i).begin());
    RowProgress(i + 1, h.Height);
  }
  stream.SetPosition(start + reader.Consumed());
  Progress(psEnding, 100);
}

void TTargaGraphic::SaveToStream(TOutputStream& stream) const {
  const TPixelFormat format = PixelFormat();
  std::size_t bytesPerPixel = 0;
  switch (format) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
      bytesPerPixel = 1;
      break;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
      bytesPerPixel = 2;
      break;
    case TPixelFormat::pf24bit:
      bytesPerPixel = 3;
      break;
    default:
      bytesPerPixel = 4;
      break;
  }
  const bool mapped = bytesPerPixel == 1;
  // The descriptor says how the pixels are stored: rows from the top, and 8 bits of alpha in 32-bit
  // pixels whose alpha counts.
  const std::uint8_t alphaBits = bytesPerPixel == 4 && AlphaFormat() == TAlphaFormat::afDefined ? 8 : 0;
  const auto width = static_cast<std::uint16_t>(Width()), height = static_cast<std::uint16_t>(Height());
  if (Width() > 0xFFFF || Height() > 0xFFFF)
    RasterFormatError("A Targa file holds at most 65535 x 65535 pixels.");
  const std::uint8_t header[kHeaderSize] = {0,
                                            mapped ? std::uint8_t{1} : std::uint8_t{0},
                                            mapped ? std::uint8_t{9} : std::uint8_t{10},
                                            0,
                                            0,
                                            0,
                                            1,  // 256 entries
                                            24,
                                            0,
                                            0,
                                            0,
                                            0,
                                            static_cast<std::uint8_t>(width),
                                            static_cast<std::uint8_t>(width >> 8),
                                            static_cast<std::uint8_t>(height),
                                            static_cast<std::uint8_t>(height >> 8),
                                            static_cast<std::uint8_t>(bytesPerPixel * 8),
                                            static_cast<std::uint8_t>(kTopDown | alphaBits)};
  stream.Write(header);
  if (mapped) {
    std::array<std::uint8_t, 256 * 3> map{};
    const TPalette& palette = Palette();
    for (std::size_t i = 0; i < palette.size(); ++i) {
      map[i * 3] = palette[i].Blue;
      map[i * 3 + 1] = palette[i].Green;
      map[i * 3 + 2] = palette[i].Red;
    }
    stream.Write(map);
  }
  const TTargaRLEDecoder encoder(static_cast<int>(bytesPerPixel * 8));
  const auto w = static_cast<std::size_t>(Width());
  std::vector<std::uint8_t> pixels(w * bytesPerPixel);
  std::vector<std::uint8_t> packed(encoder.MaxEncodedSize(w));
  const unsigned indexBits = format == TPixelFormat::pf1bit ? 1 : format == TPixelFormat::pf4bit ? 4 : 0;
  for (int y = 0; y < Height(); ++y) {
    const std::span<const std::uint8_t> line = ScanLine(y);
    if (indexBits != 0) {
      // Widened to one index a byte.
      for (std::size_t x = 0; x < w; ++x) {
        const std::size_t bit = x * indexBits;
        pixels[x] = static_cast<std::uint8_t>((line[bit / 8] >> (8 - indexBits - bit % 8)) & ((1u << indexBits) - 1));
      }
    } else if (format == TPixelFormat::pf16bit) {
      // 5-6-5 becomes Targa's 5-5-5, green losing its lowest bit.
      for (std::size_t x = 0; x < w; ++x) {
        const unsigned v = line[x * 2] | unsigned{line[x * 2 + 1]} << 8;
        const unsigned t = (v >> 11) << 10 | ((v >> 6) & 31u) << 5 | (v & 31u);
        pixels[x * 2] = static_cast<std::uint8_t>(t);
        pixels[x * 2 + 1] = static_cast<std::uint8_t>(t >> 8);
      }
    } else {
      std::copy_n(line.begin(), pixels.size(), pixels.begin());
    }
    stream.Write(std::span(packed).first(encoder.Encode(pixels, packed)));
  }
}

}  // namespace vrel
