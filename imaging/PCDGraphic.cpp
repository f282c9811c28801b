#include "imaging/PCDGraphic.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/PlaneLoading.h"

namespace vrel {

namespace {

constexpr const char* kFormat = "PCD";
constexpr std::uint64_t kSectorSize = 2048;
constexpr std::size_t kHeadSize = 3587;       // up to the rotation byte
constexpr std::uint64_t kMinimumSize = 6145;  // the pack's header sectors
constexpr std::uint32_t kBaseIndex = 2;

bool IsOverview(std::span<const std::uint8_t> head) {
  constexpr std::string_view kOverview = "PCD_OPA";
  return std::equal(kOverview.begin(), kOverview.end(), head.begin());
}

// The first sector of an image of a resolution index (0 to 2); an overview pack's first thumbnail.
std::uint64_t FirstSector(std::uint32_t index, bool overview) {
  if (overview)
    return 5;
  return index == 0 ? 4 : index == 1 ? 23 : 96;
}

}  // namespace

const TClassInfo& TPCDGraphic::StaticClass() {
  static const TClassInfo info("TPCDGraphic", &Inherited::StaticClass());
  return info;
}

bool TPCDGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 6144, 2051,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          constexpr std::string_view kPack = "PCD";
                          return IsOverview(head) || std::equal(kPack.begin(), kPack.end(), head.begin() + 2048);
                        });
}

bool TPCDGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kMinimumSize)
    return false;
  std::vector<std::uint8_t> head(kHeadSize);
  stream.ReadBuffer(head);
  constexpr std::string_view kPack = "PCD";
  const bool overview = IsOverview(head);
  if (!overview && !std::equal(kPack.begin(), kPack.end(), head.begin() + 2048))
    return false;
  TImageProperties& p = Properties();
  const std::uint32_t index = overview ? 0 : std::min<std::uint32_t>(imageIndex, 5);
  p.Overview = overview;
  p.Rotate = head[3586] & 3;
  p.ImageCount = static_cast<std::uint16_t>(head[10] << 8 | head[11]);
  p.Width = 192u << index;
  p.Height = 128u << index;
  if (p.Rotate == 1 || p.Rotate == 3)
    std::swap(p.Width, p.Height);
  p.ColorScheme = TColorScheme::PhotoYCC;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  p.BitsPerPixel = 24;
  p.Compression = index < 3 ? TCompressionType::ctNone : TCompressionType::ctPCDHuffman;
  p.Options = ioBigEndian;
  return true;
}

void Upsample(std::uint32_t width, std::uint32_t height, std::span<std::uint8_t> plane) {
  const std::size_t stride = std::size_t{width} * 2;
  if (width == 0 || height == 0 || plane.size() < stride * height * 2)
    throw EInvalidGraphic("Cannot upsample a plane that does not hold its samples.");
  // Rows from the last up, so no source row is overwritten before it is read.
  for (std::size_t y = height; y-- > 0;) {
    std::uint8_t* in = plane.data() + y * stride;
    std::uint8_t* out = plane.data() + y * 2 * stride;
    out[stride - 1] = out[stride - 2] = in[width - 1];
    for (std::size_t x = width - 1; x-- > 0;) {
      out[2 * x + 1] = static_cast<std::uint8_t>((in[x] + in[x + 1] + 1) >> 1);
      out[2 * x] = in[x];
    }
  }
  for (std::size_t y = 0; y + 1 < height; ++y) {
    const std::uint8_t* above = plane.data() + y * 2 * stride;
    std::uint8_t* between = plane.data() + (y * 2 + 1) * stride;
    const std::uint8_t* below = between + stride;
    for (std::size_t x = 0; x + 2 < stride; x += 2) {
      between[x] = static_cast<std::uint8_t>((above[x] + below[x] + 1) >> 1);
      between[x + 1] = static_cast<std::uint8_t>((above[x] + above[x + 2] + below[x] + below[x + 2] + 2) >> 2);
    }
    between[stride - 2] = static_cast<std::uint8_t>((above[stride - 2] + below[stride - 2] + 1) >> 1);
    between[stride - 1] = static_cast<std::uint8_t>((above[stride - 1] + below[stride - 1] + 1) >> 1);
  }
  std::memcpy(plane.data() + (std::size_t{height} * 2 - 1) * stride,
              plane.data() + (std::size_t{height} * 2 - 2) * stride, stride);
}

void TPCDGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, kBaseIndex))
    RasterFormatError(kInvalidFormatMessage, {kFormat});
  const TImageProperties& p = ImageProperties();
  const bool turned = p.Rotate == 1 || p.Rotate == 3;
  // The image as stored, before the turn.
  const std::uint32_t width = turned ? p.Height : p.Width, height = turned ? p.Width : p.Height;
  const std::size_t w = width, h = height;

  TColorManager& cm = ColorManager();
  cm.SetSourceOptions(0);
  cm.SetTargetOptions(0);
  cm.SetSourceColorScheme(TColorScheme::PhotoYCC);
  cm.SetSourceBitsPerSample(8);
  cm.SetSourceSamplesPerPixel(3);
  cm.SetTargetColorScheme(TColorScheme::BGR);
  cm.SetTargetBitsPerSample(8);
  cm.SetTargetSamplesPerPixel(3);
  const float weights[3] = {0.2125f, 0.7154f, 0.0721f};
  cm.SetYCbCrParameters(weights, 2, 2);

  stream.SetPosition(base);
  SkipChecked(stream, FirstSector(kBaseIndex, p.Overview) * kSectorSize, kFormat);
  RequireBytes(stream, w * h * 3 / 2, kFormat);
  Progress(psStarting, 0, "Loading data...");
  std::vector<std::uint8_t> luma(w * h), chroma1(w * h), chroma2(w * h);
  for (std::size_t y = 0; y < h; y += 2) {
    stream.ReadBuffer(std::span(luma).subspan(y * w, w * 2));
    stream.ReadBuffer(std::span(chroma1).subspan(y / 2 * w, w / 2));
    stream.ReadBuffer(std::span(chroma2).subspan(y / 2 * w, w / 2));
    RowProgress(y + 2, h);
  }
  Progress(psEnding, 100);
  Progress(psStarting, 0, "Upsampling...");
  Upsample(width / 2, height / 2, chroma1);
  Upsample(width / 2, height / 2, chroma2);
  Progress(psEnding, 100);

  SetPixelFormat(TPixelFormat::pf24bit);
  SetSize(static_cast<int>(p.Width), static_cast<int>(p.Height));
  Progress(psStarting, 0, kTransfering);
  std::vector<std::uint8_t> row(turned ? w * 3 : 0);
  for (std::size_t y = 0; y < h; ++y) {
    const std::span<const std::uint8_t> planes[3] = {
        std::span(luma).subspan(y * w, w), std::span(chroma1).subspan(y * w, w), std::span(chroma2).subspan(y * w, w)};
    if (!turned) {
      cm.ConvertRow(TSourceRows(planes), ScanLine(static_cast<int>(y)), width, 0xFF);
    } else {
      cm.ConvertRow(TSourceRows(planes), row, width, 0xFF);
      // Code 1 turns a quarter to the left: stored row y becomes column y, its first pixel at the
      // bottom; code 3 a quarter to the right: column h - 1 - y, its first pixel at the top.
      const std::size_t column = p.Rotate == 1 ? y : h - 1 - y;
      for (std::size_t x = 0; x < w; ++x) {
        const int target = static_cast<int>(p.Rotate == 1 ? w - 1 - x : x);
        std::memcpy(ScanLine(target).data() + column * 3, row.data() + x * 3, 3);
      }
    }
    RowProgress(y + 1, h);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
