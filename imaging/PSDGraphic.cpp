#include "imaging/PSDGraphic.h"

#include <algorithm>
#include <string>

#include "imaging/FormatTest.h"
#include "imaging/PlaneLoading.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kFormat = "PSD or PDD";
constexpr std::size_t kHeaderSize = 26;

enum PsdMode : std::uint16_t {
  kBitmap = 0,
  kGrayscale = 1,
  kIndexedMode = 2,
  kRGBMode = 3,
  kCMYKMode = 4,
  kMultichannel = 7,
  kDuotone = 8,
  kLab = 9
};

// The channels that make the picture: the first of a grey or indexed file, three or four of a colour one.
unsigned UsedChannels(TColorScheme scheme) {
  switch (scheme) {
    case TColorScheme::RGBA:
    case TColorScheme::CMYK:
      return 4;
    case TColorScheme::RGB:
    case TColorScheme::CIELab:
      return 3;
    default:
      return 1;
  }
}

}  // namespace

const TClassInfo& TPSDGraphic::StaticClass() {
  static const TClassInfo info("TPSDGraphic", &Inherited::StaticClass());
  return info;
}

bool TPSDGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 26, 26,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          const auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
                          return upper(head[0]) == '8' && upper(head[1]) == 'B' && upper(head[2]) == 'P' &&
                                 upper(head[3]) == 'S' && U16BE(head, 4) == 1;
                        });
}

bool TPSDGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  std::uint8_t raw[kHeaderSize];
  stream.ReadBuffer(raw);
  const std::span<const std::uint8_t> head(raw);
  const auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  if (upper(head[0]) != '8' || upper(head[1]) != 'B' || upper(head[2]) != 'P' || upper(head[3]) != 'S' ||
      U16BE(head, 4) != 1)
    return false;
  const std::uint16_t channels = U16BE(head, 12);
  const std::uint32_t height = U32BE(head, 14), width = U32BE(head, 18);
  const std::uint16_t depth = U16BE(head, 22), mode = U16BE(head, 24);
  if (channels < 1 || channels > 56 || width == 0 || height == 0)
    return false;
  TImageProperties& p = Properties();
  p.Options = ioBigEndian;
  p.Width = width;
  p.Height = height;
  p.ChannelCount = static_cast<std::uint8_t>(channels);
  p.BitsPerSample = static_cast<std::uint8_t>(depth);
  p.SamplesPerPixel = static_cast<std::uint8_t>(std::min<unsigned>(channels, 4));
  switch (mode) {
    case kBitmap:
      if (depth != 1)
        return false;
      p.ColorScheme = TColorScheme::Gray;
      p.Options |= ioMinIsWhite;
      break;
    case kGrayscale:
    case kDuotone:
      p.ColorScheme = TColorScheme::Gray;
      break;
    case kIndexedMode:
      if (depth != 8)
        return false;
      p.ColorScheme = TColorScheme::Indexed;
      break;
    case kRGBMode:
    case kMultichannel:
      p.ColorScheme = channels == 3 ? TColorScheme::RGB : TColorScheme::RGBA;
      break;
    case kCMYKMode:
      p.ColorScheme = TColorScheme::CMYK;
      break;
    case kLab:
      p.ColorScheme = TColorScheme::CIELab;
      break;
    default:
      return false;
  }
  if (mode != kBitmap && depth != 8 && depth != 16)
    return false;
  // A colour mode needs its channels; a grey or indexed one takes its first.
  if (channels < UsedChannels(p.ColorScheme))
    return false;
  p.BitsPerPixel = static_cast<std::uint8_t>(depth * p.SamplesPerPixel);
  // Colour mode data, image resources, layer and mask information.
  for (int section = 0; section < 3; ++section) {
    if (stream.Remaining() < 4)
      return false;
    const std::uint32_t length = stream.ReadU32BE();
    if (length > stream.Remaining())
      return false;
    stream.Seek(length, TSeekOrigin::soCurrent);
  }
  if (stream.Remaining() < 2)
    return false;
  switch (stream.ReadU16BE()) {
    case 0:
      p.Compression = TCompressionType::ctNone;
      break;
    case 1:
      p.Compression = TCompressionType::ctPackBits;
      break;
    case 2:
    case 3:
      p.Compression = TCompressionType::ctDeflate;
      break;
    default:
      return false;
  }
  return true;
}

void TPSDGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kFormat});
  const TImageProperties& p = ImageProperties();
  if (p.Compression == TCompressionType::ctDeflate)
    RasterFormatError(kNotSupportedMessage, {"ZIP compression is", kFormat});
  const std::uint64_t dataStart = stream.Position();
  const unsigned used = UsedChannels(p.ColorScheme);
  const unsigned depth = p.BitsPerSample;
  const std::size_t rowBytes = (std::size_t{p.Width} * depth + 7) / 8;
  CheckImageBudget(p.Width, p.Height, depth * used, stream.Remaining(), MaxExpansion(p.Compression), "Photoshop");

  TColorManager& cm = ColorManager();
  cm.SetSourceOptions(depth == 16 ? coNeedByteSwap : 0);
  cm.SetTargetOptions(0);
  cm.SetSourceBitsPerSample(static_cast<std::uint8_t>(depth));
  cm.SetTargetBitsPerSample(static_cast<std::uint8_t>(depth == 16 ? 8 : depth));
  cm.SetSourceColorScheme(p.ColorScheme);
  cm.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(used));
  switch (p.ColorScheme) {
    case TColorScheme::Gray:
    case TColorScheme::Indexed:
      cm.SetTargetColorScheme(p.ColorScheme);
      cm.SetTargetSamplesPerPixel(1);
      break;
    case TColorScheme::RGBA:
      cm.SetTargetColorScheme(TColorScheme::BGRA);
      cm.SetTargetSamplesPerPixel(4);
      break;
    case TColorScheme::CIELab:
      cm.SetSourceOptions(static_cast<TConvertOptions>(cm.SourceOptions() | coLabByteRange | coLabChromaOffset));
      [[fallthrough]];
    default:
      cm.SetTargetColorScheme(TColorScheme::BGR);
      cm.SetTargetSamplesPerPixel(3);
      break;
  }
  SetPixelFormat(cm.GetPixelFormat(1));
  if (p.ColorScheme == TColorScheme::RGBA)
    SetAlphaFormat(TAlphaFormat::afDefined);

  // The palette: 256 reds, 256 greens, 256 blues in the colour mode data.
  stream.SetPosition(base + kHeaderSize);
  const std::uint32_t modeDataLength = stream.ReadU32BE();
  if (p.ColorScheme == TColorScheme::Indexed) {
    if (modeDataLength < 768)
      RasterFormatError(kInvalidFormatMessage, {kFormat});
    const std::vector<std::uint8_t> table = ReadChecked(stream, 768, kFormat);
    const std::span<const std::uint8_t> planes[3] = {std::span(table).first(256), std::span(table).subspan(256, 256),
                                                     std::span(table).subspan(512, 256)};
    SetPalette(cm.CreateColorPalette(planes, 2, 256, false));
  } else if (p.ColorScheme == TColorScheme::Gray) {
    SetPalette(cm.CreateGrayscalePalette(p.Options & ioMinIsWhite));
  }
  stream.SetPosition(dataStart);
  SetSize(static_cast<int>(p.Width), static_cast<int>(p.Height));

  const std::size_t height = p.Height;
  const bool packed = p.Compression == TCompressionType::ctPackBits;
  // Where each row of each channel used starts, from the first packed or raw row. The channels are
  // stored one after another; a row of the picture takes one row of each, so each is sought out:
  // no plane is held, only one row of each channel.
  std::vector<std::uint64_t> rowStart(used * height + 1);
  if (packed) {
    const std::vector<std::uint8_t> table = ReadChecked(stream, std::uint64_t{2} * p.ChannelCount * height, kFormat);
    for (std::size_t i = 0; i + 1 < rowStart.size(); ++i)
      rowStart[i + 1] = rowStart[i] + U16BE(table, i * 2);
  } else {
    for (std::size_t i = 0; i + 1 < rowStart.size(); ++i)
      rowStart[i + 1] = rowStart[i] + rowBytes;
  }
  const std::uint64_t rowsAt = stream.Position();
  RequireBytes(stream, rowStart.back(), kFormat);
  TPackbitsRLEDecoder packbits;
  std::vector<std::uint8_t> packedRow;
  TPlaneSet rows(used, 1, rowBytes);
  std::span<const std::uint8_t> source[4];
  Progress(psStarting, 0, kTransfering);
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t c = 0; c < used; ++c) {
      const std::size_t i = c * height + y;
      const std::span<std::uint8_t> row = rows.Row(c, 0);
      stream.SetPosition(rowsAt + rowStart[i]);
      if (packed) {
        packedRow.resize(static_cast<std::size_t>(rowStart[i + 1] - rowStart[i]));
        stream.ReadBuffer(packedRow);
        if (packbits.Decode(packedRow, row).Produced < row.size())
          UnexpectedEndOfInput("PackBits");
      } else {
        stream.ReadBuffer(row);
      }
      // CMYK is stored as 255 - ink (65535 - ink): no ink is white.
      if (p.ColorScheme == TColorScheme::CMYK) {
        for (std::uint8_t& b : row)
          b = static_cast<std::uint8_t>(~b);
      }
      source[c] = row;
    }
    cm.ConvertRow(TSourceRows(source, used), ScanLine(static_cast<int>(y)), p.Width, 0xFF);
    RowProgress(y + 1, height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
