#include "imaging/PCXGraphic.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kPcxName = "PCX or SCR";
constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteTail = 769;  // the marker byte 12 and 256 RGB triples at the file's end

// The standard 16 VGA colours: what a file without palette information is shown with.
constexpr std::array<TPaletteColor, 16> kSystemPalette{{{0, 0, 0},
                                                        {128, 0, 0},
                                                        {0, 128, 0},
                                                        {128, 128, 0},
                                                        {0, 0, 128},
                                                        {128, 0, 128},
                                                        {0, 128, 128},
                                                        {192, 192, 192},
                                                        {128, 128, 128},
                                                        {255, 0, 0},
                                                        {0, 255, 0},
                                                        {255, 255, 0},
                                                        {0, 0, 255},
                                                        {255, 0, 255},
                                                        {0, 255, 255},
                                                        {255, 255, 255}}};

enum class Layout { Packed, BitPlanes, ColourPlanes };

struct PcxHeader {
  std::uint8_t Manufacturer = 0;
  std::uint8_t Version = 0;
  std::uint8_t Encoding = 0;
  std::uint8_t Bits = 0;  // per pixel and plane
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint16_t XResolution = 0;
  std::uint16_t YResolution = 0;
  std::uint8_t Planes = 0;
  std::uint16_t BytesPerLine = 0;  // per plane
  std::uint16_t PaletteInfo = 0;
  std::span<const std::uint8_t> Colours;  // the header's 16 RGB triples

  static PcxHeader From(std::span<const std::uint8_t> b) {
    PcxHeader h;
    h.Manufacturer = b[0];
    h.Version = b[1];
    h.Encoding = b[2];
    h.Bits = b[3];
    const int xMin = U16LE(b, 4), yMin = U16LE(b, 6), xMax = U16LE(b, 8), yMax = U16LE(b, 10);
    h.Width = xMax >= xMin ? static_cast<std::uint32_t>(xMax - xMin + 1) : 0;
    h.Height = yMax >= yMin ? static_cast<std::uint32_t>(yMax - yMin + 1) : 0;
    h.XResolution = U16LE(b, 12);
    h.YResolution = U16LE(b, 14);
    h.Colours = b.subspan(16, 48);
    h.Planes = b[65];
    h.BytesPerLine = U16LE(b, 66);
    h.PaletteInfo = U16LE(b, 68);
    return h;
  }

  // One plane of 1, 2, 4 or 8 bits; 1-bit planes of the colours' bits; or 8-bit planes of red,
  // green, blue (and alpha). Nothing else has a bitmap format.
  std::optional<Layout> PixelLayout() const {
    if (Planes == 1 && (Bits == 1 || Bits == 2 || Bits == 4 || Bits == 8))
      return Layout::Packed;
    if (Bits == 1 && Planes >= 2 && Planes <= 4)
      return Layout::BitPlanes;
    if (Bits == 8 && (Planes == 3 || Planes == 4))
      return Layout::ColourPlanes;
    return std::nullopt;
  }
};

enum class HeaderProblem { None, Format, ColorFormat };

// What the loader refuses, and with which message; the format test accepts the rest.
HeaderProblem Check(const PcxHeader& h) {
  const bool version = h.Version == 0 || (h.Version >= 2 && h.Version <= 5);
  if ((h.Manufacturer != 10 && h.Manufacturer != 205) || !version || h.Encoding > 1 || h.Width == 0 || h.Height == 0)
    return HeaderProblem::Format;
  if (!h.PixelLayout())
    return HeaderProblem::ColorFormat;
  if (h.BytesPerLine < (std::uint64_t{h.Width} * h.Bits + 7) / 8)
    return HeaderProblem::Format;
  return HeaderProblem::None;
}

TPalette GrayPalette(unsigned bits) {
  const unsigned n = 1u << bits;
  TPalette palette(n);
  for (unsigned i = 0; i < n; ++i) {
    const auto level = static_cast<std::uint8_t>(i * 255 / (n - 1));
    palette[i] = {level, level, level};
  }
  return palette;
}

TPalette HeaderPalette(const PcxHeader& h, std::size_t count) {
  TPalette palette(count);
  for (std::size_t i = 0; i < count; ++i)
    palette[i] = {h.Colours[i * 3], h.Colours[i * 3 + 1], h.Colours[i * 3 + 2]};
  return palette;
}

}  // namespace

const TClassInfo& TPCXGraphic::StaticClass() {
  static const TClassInfo info("TPCXGraphic", &Inherited::StaticClass());
  return info;
}

bool TPCXGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, kHeaderSize, kHeaderSize,
                        [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
                          return Check(PcxHeader::From(head)) == HeaderProblem::None;
                        });
}

bool TPCXGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  std::uint8_t bytes[kHeaderSize];
  stream.ReadBuffer(bytes);
  const PcxHeader h = PcxHeader::From(bytes);
  TImageProperties& p = Properties();
  p.Version = h.Version;
  p.Width = h.Width;
  p.Height = h.Height;
  p.BitsPerSample = h.Bits;
  p.SamplesPerPixel = h.Planes;
  p.BitsPerPixel = static_cast<std::uint8_t>(h.Bits * h.Planes);
  p.ColorScheme = p.BitsPerPixel > 8 ? (h.Planes == 4 ? TColorScheme::RGBA : TColorScheme::RGB) : TColorScheme::Indexed;
  p.HasAlpha = p.ColorScheme == TColorScheme::RGBA;
  p.Compression = h.Encoding == 1 ? TCompressionType::ctRLE : TCompressionType::ctNone;
  p.XResolution = h.XResolution;
  p.YResolution = h.YResolution;
  return true;
}

void TPCXGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kPcxName});
  stream.SetPosition(base);
  std::uint8_t bytes[kHeaderSize];
  stream.ReadBuffer(bytes);
  const PcxHeader h = PcxHeader::From(bytes);
  switch (Check(h)) {
    case HeaderProblem::Format:
      RasterFormatError(kInvalidFormatMessage, {kPcxName});
    case HeaderProblem::ColorFormat:
      RasterFormatError(kInvalidColorFormatMessage, {"PCX"});
    case HeaderProblem::None:
      break;
  }
  const Layout layout = *h.PixelLayout();
  const TImageProperties& p = ImageProperties();
  TColorManager& colors = ColorManager();
  colors.SetSourceOptions(0);
  colors.SetTargetOptions(0);
  colors.SetSourceColorScheme(p.ColorScheme);
  colors.SetSourceBitsPerSample(p.BitsPerSample);
  colors.SetSourceSamplesPerPixel(p.SamplesPerPixel);
  TPixelFormat format = TPixelFormat::pf4bit;
  if (layout == Layout::ColourPlanes) {
    colors.SetTargetColorScheme(p.HasAlpha ? TColorScheme::BGRA : TColorScheme::BGR);
    colors.SetTargetBitsPerSample(8);
    colors.SetTargetSamplesPerPixel(p.SamplesPerPixel);
    format = colors.GetPixelFormat(1);
  } else if (layout == Layout::Packed) {
    colors.SetTargetColorScheme(TColorScheme::Indexed);
    colors.SetTargetBitsPerSample(h.Bits == 2 ? 4 : h.Bits);
    colors.SetTargetSamplesPerPixel(1);
    format = colors.GetPixelFormat(1);
  }

  // The pixel data are the rest of the file, less the 256-colour palette when one ends it.
  const TRestOfStream rest(stream);
  std::span<const std::uint8_t> data = rest.Bytes();
  std::span<const std::uint8_t> tailPalette;
  if (format == TPixelFormat::pf8bit && data.size() >= kPaletteTail && data[data.size() - kPaletteTail] == 12) {
    tailPalette = data.last(kPaletteTail - 1);
    data = data.first(data.size() - kPaletteTail);
  }

  // Version 3 files carry no palette: the system's colours stand in.
  TPalette palette;
  const bool gray = h.PaletteInfo == 2;
  if (format == TPixelFormat::pf1bit) {
    const TPalette colours = HeaderPalette(h, 2);
    palette = h.Version != 3 && colours[0] != colours[1] ? colours : GrayPalette(1);
  } else if (h.Version == 3 && layout != Layout::ColourPlanes) {
    palette.assign(kSystemPalette.begin(), kSystemPalette.end());
  } else if (format == TPixelFormat::pf4bit) {
    if (gray) {
      palette = GrayPalette(4);
    } else if (layout == Layout::Packed) {
      // Through the colour manager, which spreads 2-bit indexes over the 4-bit range.
      const std::span<const std::uint8_t> header[1] = {h.Colours};
      palette = colors.CreateColorPalette(header, 0, 1u << h.Bits, false);
    } else {
      palette = HeaderPalette(h, 16);
    }
  } else if (format == TPixelFormat::pf8bit) {
    if (!tailPalette.empty()) {
      const std::span<const std::uint8_t> tail[1] = {tailPalette};
      palette = colors.CreateColorPalette(tail, 0, 256, false);
    } else if (gray) {
      palette = GrayPalette(8);
    } else {
      // A colour picture whose palette is not there: cut off or damaged.
      RasterFormatError("Cannot load image. Palette in %s file is invalid.", {"PCX"});
    }
  }

  const std::size_t lineBytes = std::size_t{h.BytesPerLine} * h.Planes;
  const std::uint64_t pixelBytes = std::uint64_t{lineBytes} * h.Height;
  const std::uint64_t expansion = MaxExpansion(p.Compression);
  CheckImageBudget(h.Width, h.Height, p.BitsPerPixel, data.size(), expansion, "PCX");
  // Lines may be padded far beyond their pixels.
  if (pixelBytes / expansion > data.size())
    RasterFormatError("Cannot load image. The PCX file is too short for its lines.");
  std::vector<std::uint8_t> pixels;
  if (p.Compression == TCompressionType::ctRLE) {
    pixels.resize(static_cast<std::size_t>(pixelBytes));
    TPCXRLEDecoder().Decode(data, pixels);
  } else {
    if (data.size() < pixelBytes)
      throw EReadError(std::string(kReadErrorMessage));
    pixels.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pixelBytes));
  }

  SetPixelFormat(format);
  SetSize(static_cast<int>(h.Width), static_cast<int>(h.Height));
  SetPalette(std::move(palette));
  if (p.HasAlpha)
    SetAlphaFormat(TAlphaFormat::afDefined);
  const std::size_t planeBytes = h.BytesPerLine;
  Progress(psStarting, 0, kTransfering);
  for (std::uint32_t y = 0; y < h.Height; ++y) {
    const std::span<const std::uint8_t> line = std::span(pixels).subspan(y * lineBytes, lineBytes);
    const std::span<std::uint8_t> target = ScanLine(static_cast<int>(y));
    switch (layout) {
      case Layout::Packed:
        colors.ConvertRow(line, target, h.Width, 0xFF);
        break;
      case Layout::BitPlanes:
        // Plane k gives bit k of each 4-bit index.
        for (std::uint32_t x = 0; x < h.Width; ++x) {
          unsigned index = 0;
          for (unsigned k = 0; k < h.Planes; ++k)
            index |= ((line[k * planeBytes + x / 8] >> (7 - x % 8)) & 1u) << k;
          std::uint8_t& pair = target[x / 2];
          pair = x % 2 == 0 ? static_cast<std::uint8_t>(index << 4) : static_cast<std::uint8_t>(pair | index);
        }
        break;
      case Layout::ColourPlanes: {
        std::array<std::span<const std::uint8_t>, 4> planes;
        for (unsigned k = 0; k < h.Planes; ++k)
          planes[k] = line.subspan(k * planeBytes, planeBytes);
        colors.ConvertRow(std::span(planes).first(h.Planes), target, h.Width, 0xFF);
        break;
      }
    }
    RowProgress(y + 1, h.Height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
