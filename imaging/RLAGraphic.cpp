#include "imaging/RLAGraphic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/PlaneLoading.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kFormat = "RLA";
constexpr std::size_t kHeaderSize = 740;

// A fixed-size text field up to its first zero, in lower case.
std::string TextField(std::span<const std::uint8_t> head, std::size_t at, std::size_t size) {
  std::string text;
  for (std::size_t i = at; i < at + size && head[i] != 0; ++i)
    text += static_cast<char>(head[i] >= 'A' && head[i] <= 'Z' ? head[i] + 32 : head[i]);
  return text;
}

std::int16_t I16BE(std::span<const std::uint8_t> head, std::size_t at) {
  return static_cast<std::int16_t>(U16BE(head, at));
}

// The gamma text as a number; 1.0 when it holds none, or none above 0.
float ParseGamma(std::string text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos)
    return 1.0f;
  float value = 0;
  const auto [end, error] = std::from_chars(text.data() + first, text.data() + text.size(), value);
  (void)end;
  return error == std::errc() && std::isfinite(value) && value > 0 ? value : 1.0f;
}

}  // namespace

const TClassInfo& TRLAGraphic::StaticClass() {
  static const TClassInfo info("TRLAGraphic", &Inherited::StaticClass());
  return info;
}

bool TRLAGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 740, 740,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          if (U16BE(head, 26) != 0xFFFE)
                            return false;
                          const std::string kind = TextField(head, 580, 32);
                          return kind == "rgb" || kind == "xyz";
                        });
}

bool TRLAGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  std::vector<std::uint8_t> raw(kHeaderSize);
  stream.ReadBuffer(raw);
  const std::span<const std::uint8_t> head(raw);
  if (U16BE(head, 26) != 0xFFFE || TextField(head, 580, 32) != "rgb")
    return false;
  const int left = I16BE(head, 8), right = I16BE(head, 10), bottom = I16BE(head, 12), top = I16BE(head, 14);
  const std::uint16_t channels = U16BE(head, 20), mattes = U16BE(head, 22);
  const std::uint16_t channelBits = U16BE(head, 658), matteBits = U16BE(head, 662);
  if (right < left || channels != 3 || (channelBits != 8 && channelBits != 16))
    return false;
  // A matte of another depth than the colours is left out.
  const bool matte = mattes == 1 && matteBits == channelBits;
  TImageProperties& p = Properties();
  p.Options = ioBigEndian;
  p.Width = static_cast<std::uint32_t>(right - left + 1);
  p.Height = static_cast<std::uint32_t>(std::abs(top - bottom) + 1);
  p.BitsPerSample = static_cast<std::uint8_t>(channelBits);
  p.SamplesPerPixel = static_cast<std::uint8_t>(matte ? 4 : 3);
  p.BitsPerPixel = static_cast<std::uint8_t>(std::min(channelBits * p.SamplesPerPixel, 255));
  p.ColorScheme = matte ? TColorScheme::RGBA : TColorScheme::RGB;
  p.HasAlpha = matte;
  p.Compression = TCompressionType::ctRLE;
  p.FileGamma = ParseGamma(TextField(head, 28, 16));
  return true;
}

void TRLAGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kFormat});
  const TImageProperties& p = ImageProperties();
  const bool alpha = p.ColorScheme == TColorScheme::RGBA;
  const std::size_t width = p.Width, height = p.Height, samples = p.SamplesPerPixel;
  const std::size_t rowBytes = width * (p.BitsPerSample / 8);
  CheckImageBudget(p.Width, p.Height, p.BitsPerPixel, stream.Remaining(), MaxExpansion(p.Compression), "RLA");

  TColorManager& cm = ColorManager();
  cm.SetSourceOptions(p.BitsPerSample == 16 ? coNeedByteSwap : 0);
  cm.SetTargetOptions(0);
  cm.SetSourceBitsPerSample(p.BitsPerSample);
  cm.SetTargetBitsPerSample(8);
  cm.SetSourceSamplesPerPixel(p.SamplesPerPixel);
  cm.SetTargetSamplesPerPixel(p.SamplesPerPixel);
  cm.SetSourceColorScheme(p.ColorScheme);
  cm.SetTargetColorScheme(alpha ? TColorScheme::BGRA : TColorScheme::BGR);
  SetPixelFormat(cm.GetPixelFormat(1));
  if (alpha)
    SetAlphaFormat(TAlphaFormat::afDefined);

  const std::vector<std::uint8_t> table = ReadChecked(stream, std::uint64_t{4} * height, kFormat);
  SetSize(static_cast<int>(width), static_cast<int>(height));
  Progress(psStarting, 0, kTransfering);
  TRLADecoder decoder;
  TPlaneSet planes(samples, 1, rowBytes);
  std::span<const std::uint8_t> rows[4];
  for (std::size_t i = 0; i < height; ++i) {
    stream.SetPosition(base);
    SkipChecked(stream, U32BE(table, i * 4), kFormat);
    for (std::size_t c = 0; c < samples; ++c) {
      const std::vector<std::uint8_t> lengthBytes = ReadChecked(stream, 2, kFormat);
      const std::vector<std::uint8_t> packed = ReadChecked(stream, U16BE(lengthBytes, 0), kFormat);
      if (decoder.Decode(packed, planes.Row(c, 0)).Produced < rowBytes)
        UnexpectedEndOfInput("RLA");
      rows[c] = planes.Row(c, 0);
    }
    // The first scan line is the bottom row.
    cm.ConvertRow(TSourceRows(rows, samples), ScanLine(static_cast<int>(height - 1 - i)), p.Width, 0xFF);
    RowProgress(i + 1, height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
