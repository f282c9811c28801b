#include "imaging/AutodeskGraphic.h"

#include <algorithm>
#include <array>
#include <string>

#include "imaging/FormatTest.h"

namespace vrel {

namespace {

constexpr const char* kAutodesk = "Autodesk";
constexpr std::size_t kHeaderSize = 32;
constexpr std::uint16_t kMagic = 0x9119;

}  // namespace

const TClassInfo& TAutodeskGraphic::StaticClass() {
  static const TClassInfo info("TAutodeskGraphic", &Inherited::StaticClass());
  return info;
}

bool TAutodeskGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, kHeaderSize, kHeaderSize,
                        [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
                          return U16LE(head, 0) == kMagic && head[10] == 8 && head[11] == 0;
                        });
}

bool TAutodeskGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  std::uint8_t head[kHeaderSize];
  stream.ReadBuffer(head);
  const std::uint16_t width = U16LE(head, 2), height = U16LE(head, 4);
  if (U16LE(head, 0) != kMagic || head[10] != 8 || head[11] != 0 || width == 0 || height == 0)
    return false;
  SetIndexed8Properties(width, height, TCompressionType::ctNone);
  return true;
}

void TAutodeskGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kAutodesk});
  stream.SetPosition(base + kHeaderSize);
  std::array<std::uint8_t, 768> levels;
  stream.ReadBuffer(levels);
  // Levels run from 0 to 63.
  const auto level = [&](std::size_t at) { return static_cast<std::uint8_t>(std::min(levels[at] * 4, 255)); };
  TPalette palette(256);
  for (std::size_t i = 0; i < 256; ++i)
    palette[i] = {level(i * 3), level(i * 3 + 1), level(i * 3 + 2)};
  const TImageProperties& p = ImageProperties();
  CheckImageBudget(p.Width, p.Height, 8, stream.Remaining(), 1, kAutodesk);
  SetPixelFormat(TPixelFormat::pf8bit);
  SetSize(static_cast<int>(p.Width), static_cast<int>(p.Height));
  SetPalette(std::move(palette));
  Progress(psStarting, 0, kTransfering);
  for (std::uint32_t y = 0; y < p.Height; ++y) {
    stream.ReadBuffer(ScanLine(static_cast<int>(y)).first(p.Width));
    RowProgress(y + 1, p.Height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
