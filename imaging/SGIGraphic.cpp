#include "imaging/SGIGraphic.h"

#include <array>
#include <string>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kSgiName = "sgi, bw or rgb(a)";
constexpr std::size_t kHeaderSize = 512;

struct SgiHeader {
  std::uint16_t Magic = 0;
  std::uint8_t Storage = 0;
  std::uint8_t BytesPerChannel = 0;
  std::uint16_t Dimension = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint16_t Channels = 0;

  static SgiHeader From(std::span<const std::uint8_t> b) {
    SgiHeader h;
    h.Magic = U16BE(b, 0);
    h.Storage = b[2];
    h.BytesPerChannel = b[3];
    h.Dimension = U16BE(b, 4);
    h.Width = U16BE(b, 6);
    // A one-dimensional image is one row, a two-dimensional one a single channel.
    h.Height = h.Dimension == 1 ? 1 : U16BE(b, 8);
    h.Channels = h.Dimension < 3 ? 1 : U16BE(b, 10);
    return h;
  }
  bool Readable() const {
    return Magic == 474 && Storage <= 1 && (BytesPerChannel == 1 || BytesPerChannel == 2) && Dimension >= 1 &&
           Dimension <= 3 && Width > 0 && Height > 0 && Channels >= 1 && Channels <= 4;
  }
};

}  // namespace

const TClassInfo& TSGIGraphic::StaticClass() {
  static const TClassInfo info("TSGIGraphic", &Inherited::StaticClass());
  return info;
}

bool TSGIGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(
      stream, kHeaderSize, kHeaderSize, [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
        const std::uint16_t dimension = U16BE(head, 4);
        return U16BE(head, 0) == 474 && (head[3] == 1 || head[3] == 2) && dimension >= 1 && dimension <= 3;
      });
}

bool TSGIGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  std::vector<std::uint8_t> bytes(kHeaderSize);
  stream.ReadBuffer(bytes);
  const SgiHeader h = SgiHeader::From(bytes);
  if (!h.Readable())
    return false;
  TImageProperties& p = Properties();
  p.Width = h.Width;
  p.Height = h.Height;
  p.ColorScheme = h.Channels == 3 ? TColorScheme::RGB : h.Channels == 4 ? TColorScheme::RGBA : TColorScheme::Indexed;
  p.HasAlpha = h.Channels == 4;
  p.BitsPerSample = static_cast<std::uint8_t>(h.BytesPerChannel * 8);
  p.SamplesPerPixel = static_cast<std::uint8_t>(h.Channels);
  p.BitsPerPixel = static_cast<std::uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = h.Storage == 1 ? TCompressionType::ctRLE : TCompressionType::ctNone;
  p.Options = ioBigEndian;
  return true;
}

void TSGIGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kSgiName});
  stream.SetPosition(base);
  const TRestOfStream rest(stream);
  const std::span<const std::uint8_t> file = rest.Bytes();
  const SgiHeader h = SgiHeader::From(file);
  const TImageProperties& p = ImageProperties();
  const bool grey = p.ColorScheme == TColorScheme::Indexed;
  // A grey image with a second channel shows its grey; the alpha is passed over.
  const unsigned used = grey ? 1u : h.Channels;

  TColorManager& colors = ColorManager();
  colors.SetSourceColorScheme(p.ColorScheme);
  colors.SetSourceBitsPerSample(p.BitsPerSample);
  colors.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(used));
  colors.SetTargetColorScheme(grey ? TColorScheme::Indexed : p.HasAlpha ? TColorScheme::BGRA : TColorScheme::BGR);
  colors.SetTargetBitsPerSample(8);
  colors.SetTargetSamplesPerPixel(static_cast<std::uint8_t>(used));
  // Sixteen-bit samples are big-endian.
  colors.SetSourceOptions(h.BytesPerChannel == 2 ? coNeedByteSwap : 0);
  colors.SetTargetOptions(0);

  const std::size_t rows = std::size_t{h.Height} * h.Channels;
  const std::size_t rowBytes = std::size_t{h.Width} * h.BytesPerChannel;
  std::vector<std::uint32_t> starts, sizes;
  if (p.Compression == TCompressionType::ctRLE) {
    if ((file.size() - kHeaderSize) / 8 < rows)
      throw EReadError(std::string(kReadErrorMessage));
    starts.resize(rows);
    sizes.resize(rows);
    for (std::size_t i = 0; i < rows; ++i) {
      starts[i] = U32BE(file, kHeaderSize + i * 4);
      sizes[i] = U32BE(file, kHeaderSize + (rows + i) * 4);
      if (starts[i] > file.size() || sizes[i] > file.size() - starts[i])
        RasterFormatError(kInvalidFormatMessage, {kSgiName});
    }
  } else if ((file.size() - kHeaderSize) / rowBytes < rows) {
    throw EReadError(std::string(kReadErrorMessage));
  }
  CheckImageBudget(h.Width, h.Height, p.BitsPerPixel, file.size() - kHeaderSize, MaxExpansion(p.Compression), "SGI");
  SetPixelFormat(colors.GetPixelFormat(1));
  SetSize(h.Width, h.Height);
  if (grey)
    SetPalette(colors.CreateGrayscalePalette(false));
  if (p.HasAlpha)
    SetAlphaFormat(TAlphaFormat::afDefined);

  TSGIRLEDecoder decoder(p.BitsPerSample);
  std::vector<std::uint8_t> planes(rowBytes * used);
  std::array<std::span<const std::uint8_t>, 4> sources;
  for (unsigned c = 0; c < used; ++c)
    sources[c] = std::span(planes).subspan(c * rowBytes, rowBytes);
  Progress(psStarting, 0, kTransfering);
  for (std::size_t row = 0; row < h.Height; ++row) {
    for (unsigned c = 0; c < used; ++c) {
      const std::size_t index = c * std::size_t{h.Height} + row;
      const std::span<std::uint8_t> plane = std::span(planes).subspan(c * rowBytes, rowBytes);
      if (p.Compression == TCompressionType::ctRLE) {
        decoder.Decode(std::span(file).subspan(starts[index], sizes[index]), plane);
      } else {
        const auto at = file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + index * rowBytes);
        std::copy(at, at + static_cast<std::ptrdiff_t>(rowBytes), plane.begin());
      }
    }
    const int y = h.Height - 1 - static_cast<int>(row);
    colors.ConvertRow(std::span(sources).first(used == 1 ? 1 : used), ScanLine(y), h.Width, 0xFF);
    RowProgress(row + 1, h.Height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
