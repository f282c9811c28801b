#include "imaging/PSPGraphic.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"
#include "imaging/PlaneLoading.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kFormat = "PSP";
constexpr std::string_view kSignature = "Paint Shop Pro Image File";
constexpr std::size_t kFileHeaderSize = 36;
constexpr std::size_t kAttributesSize = 42;
constexpr std::size_t kLayerInfoSize = 115;

enum BlockId : std::uint16_t { kImageAttributes = 0, kPalette = 2, kLayerBank = 3, kLayer = 4, kChannel = 5 };
enum BitmapType : std::uint16_t { kImageBitmap = 0, kTransparencyMask = 1 };

struct BlockHeader {
  std::uint16_t Id = 0;
  std::uint64_t DataStart = 0;  // just after the header
  std::uint64_t End = 0;        // where the next block starts
};

// The block header at the stream's position, or nothing when no block starts there. Major version 3
// has an initial-header length before the total length.
std::optional<BlockHeader> ReadBlockHeader(TInputStream& stream, std::uint32_t version) {
  const std::size_t size = version == 3 ? 14 : 10;
  if (stream.Remaining() < size)
    return std::nullopt;
  std::uint8_t raw[14];
  stream.ReadBuffer(std::span(raw, size));
  if (raw[0] != '~')
    return std::nullopt;
  BlockHeader header;
  header.Id = static_cast<std::uint16_t>(raw[4] | raw[5] << 8);
  const std::uint32_t length = U32LE(std::span<const std::uint8_t>(raw, size), size - 4);
  header.DataStart = stream.Position();
  header.End = header.DataStart + length;
  return header;
}

[[noreturn]] void Invalid() {
  RasterFormatError(kInvalidFormatMessage, {kFormat});
}

// From major version 4 on, each chunk of a block's data opens with its length (counted in), and the
// next chunk starts at its end, past any fields a later version added. Version 3 stores the fields
// alone. Answers where the chunk at the stream's position ends (0 for version 3).
std::uint64_t OpenChunk(TInputStream& stream, std::uint32_t version, std::uint64_t blockEnd) {
  if (version == 3)
    return 0;
  const std::uint64_t end = stream.Position() + U32LE(ReadChecked(stream, 4, kFormat), 0);
  if (end > blockEnd)
    Invalid();
  return end;
}

// Continues at the chunk's end; a chunk shorter than the fields read from it is damaged.
void CloseChunk(TInputStream& stream, std::uint64_t end) {
  if (end == 0)
    return;
  if (stream.Position() > end)
    Invalid();
  stream.SetPosition(end);
}

std::uint32_t I32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return U32LE(bytes, at);
}

}  // namespace

const TClassInfo& TPSPGraphic::StaticClass() {
  static const TClassInfo info("TPSPGraphic", &Inherited::StaticClass());
  return info;
}

bool TPSPGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 36, 36,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          return std::equal(kSignature.begin(), kSignature.end(), head.begin()) && U16LE(head, 32) >= 3;
                        });
}

bool TPSPGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kFileHeaderSize)
    return false;
  std::uint8_t head[kFileHeaderSize];
  stream.ReadBuffer(head);
  const std::uint16_t major = U16LE(head, 32);
  if (!std::equal(kSignature.begin(), kSignature.end(), head) || major < 3)
    return false;
  const std::optional<BlockHeader> block = ReadBlockHeader(stream, major);
  if (!block || block->Id != kImageAttributes)
    return false;
  if (major > 3 && stream.Remaining() >= 4)
    stream.Seek(4, TSeekOrigin::soCurrent);
  if (stream.Remaining() < kAttributesSize)
    return false;
  std::uint8_t raw[kAttributesSize];
  stream.ReadBuffer(raw);
  const std::span<const std::uint8_t> a(raw);
  const auto width = static_cast<std::int32_t>(I32(a, 0)), height = static_cast<std::int32_t>(I32(a, 4));
  double resolution = 0;
  std::memcpy(&resolution, raw + 8, 8);
  const std::uint8_t unit = a[16];
  const std::uint16_t compression = U16LE(a, 17), depth = U16LE(a, 19);
  const bool greyscale = a[27] != 0;
  if (width <= 0 || height <= 0)
    return false;
  TImageProperties& p = Properties();
  p.Version = major;
  p.Width = static_cast<std::uint32_t>(width);
  p.Height = static_cast<std::uint32_t>(height);
  if (depth == 24) {
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 3;
    p.ColorScheme = TColorScheme::RGB;
  } else {
    p.BitsPerSample = static_cast<std::uint8_t>(std::min<unsigned>(depth, 255));
    p.SamplesPerPixel = 1;
    p.ColorScheme = greyscale ? TColorScheme::Gray : TColorScheme::Indexed;
  }
  p.BitsPerPixel = static_cast<std::uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  switch (compression) {
    case 0:
      p.Compression = TCompressionType::ctNone;
      break;
    case 1:
      p.Compression = TCompressionType::ctRLE;
      break;
    case 2:
      p.Compression = TCompressionType::ctDeflate;
      break;
    case 3:
      p.Compression = TCompressionType::ctJPEG;
      break;
    default:
      p.Compression = TCompressionType::ctUnknown;
      break;
  }
  const double dpi = unit == 2 ? resolution * 2.54 : resolution;
  p.XResolution = p.YResolution = std::isfinite(dpi) ? static_cast<float>(dpi) : 0.0f;
  p.Options = 0;
  stream.SetPosition(block->End);
  return true;
}

void TPSPGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  if (!ReadImageProperties(stream, 0))
    Invalid();
  const TImageProperties& p = ImageProperties();
  const std::uint32_t version = p.Version;
  const unsigned bits = p.BitsPerSample;
  if (bits != 1 && bits != 4 && bits != 8)
    RasterFormatError(kInvalidColorFormatMessage, {kFormat});
  if (p.Compression == TCompressionType::ctJPEG)
    RasterFormatError(kNotSupportedMessage, {"JPEG compression is", kFormat});
  if (p.Compression == TCompressionType::ctUnknown)
    RasterFormatError(kNotSupportedMessage, {"This compression is", kFormat});
  // Rows of at least this many bytes; a channel's rows may be padded beyond them.
  const std::size_t minimumRowBytes = (std::size_t{p.Width} * bits + 7) / 8;
  const std::size_t height = p.Height;
  CheckImageBudget(p.Width, p.Height, p.BitsPerPixel, stream.Remaining(), MaxExpansion(p.Compression),
                   "Paint Shop Pro");

  TColorManager& cm = ColorManager();
  cm.SetSourceOptions(0);
  cm.SetTargetOptions(0);
  cm.SetSourceBitsPerSample(static_cast<std::uint8_t>(bits));
  cm.SetTargetBitsPerSample(static_cast<std::uint8_t>(bits));
  cm.SetSourceSamplesPerPixel(p.SamplesPerPixel);
  cm.SetTargetSamplesPerPixel(p.SamplesPerPixel);
  cm.SetSourceColorScheme(p.ColorScheme);
  cm.SetTargetColorScheme(p.ColorScheme == TColorScheme::RGB ? TColorScheme::BGR : p.ColorScheme);
  if (p.ColorScheme == TColorScheme::Gray) {
    SetPixelFormat(cm.GetPixelFormat(1));
    SetPalette(cm.CreateGrayscalePalette(false));
  }

  // Channel buffers by channel type (composite or index, red, green, blue), then the transparency mask.
  std::array<std::vector<std::uint8_t>, 5> buffers;
  std::size_t rowBytes = 0;
  bool withAlpha = false, haveBitmap = false;
  TPSPRLEDecoder rle;
  TLZ77Decoder deflate(Z_FINISH, false);

  const auto readChannel = [&](const BlockHeader& block) {
    const std::uint64_t infoEnd = OpenChunk(stream, version, block.End);
    const std::vector<std::uint8_t> head = ReadChecked(stream, 12, kFormat);
    CloseChunk(stream, infoEnd);
    const std::uint32_t packedLength = U32LE(head, 0), length = U32LE(head, 4);
    const std::uint16_t bitmapType = U16LE(head, 8), channelType = U16LE(head, 10);
    std::size_t slot = 0;
    if (bitmapType == kImageBitmap && channelType <= 3)
      slot = channelType;
    else if (bitmapType == kTransparencyMask)
      slot = 4;
    else
      return;  // user masks, selections, alpha masks, thumbnails
    // Rows of one length, at least the pixels' bytes and at most a word's padding more.
    if (length % height != 0 || length / height < minimumRowBytes || length / height > minimumRowBytes + 4 ||
        (rowBytes != 0 && length / height != rowBytes) || stream.Position() + packedLength > block.End)
      Invalid();
    rowBytes = length / height;
    const std::vector<std::uint8_t> packed = ReadChecked(stream, packedLength, kFormat);
    std::vector<std::uint8_t>& target = buffers[slot];
    target.assign(length, 0);
    switch (p.Compression) {
      case TCompressionType::ctNone:
        if (packed.size() < length)
          Invalid();
        std::copy_n(packed.begin(), length, target.begin());
        break;
      case TCompressionType::ctRLE:
        rle.Decode(packed, target);
        break;
      default: {
        deflate.DecodeInit();
        const TDecodeResult result = deflate.Decode(packed, target);
        const int status = deflate.ZlibResult();
        deflate.DecodeEnd();
        if (status != Z_STREAM_END || result.Produced != target.size())
          CompressionError("LZ77 decompression error.");
        break;
      }
    }
  };

  // The layers of the bank up to the first that holds a bitmap: its channels.
  const auto readLayerBank = [&](const BlockHeader& bank) {
    while (stream.Position() < bank.End) {
      const std::optional<BlockHeader> layer = ReadBlockHeader(stream, version);
      if (!layer || layer->End > bank.End)
        Invalid();
      if (layer->Id == kLayer) {
        // The layer's information (its name: 256 bytes in version 3, else a length and the
        // characters), then the counts of its bitmaps and channels, each a chunk of its own.
        const std::uint64_t infoEnd = OpenChunk(stream, version, layer->End);
        SkipChecked(stream, version == 3 ? 256 : U16LE(ReadChecked(stream, 2, kFormat), 0), kFormat);
        const std::vector<std::uint8_t> info = ReadChecked(stream, kLayerInfoSize, kFormat);
        CloseChunk(stream, infoEnd);
        const std::uint64_t countsEnd = OpenChunk(stream, version, layer->End);
        const std::vector<std::uint8_t> counts = ReadChecked(stream, 4, kFormat);
        CloseChunk(stream, countsEnd);
        const std::uint16_t bitmaps = U16LE(counts, 0), channels = U16LE(counts, 2);
        // The image rectangle (left, top, right, bottom) after the layer type.
        const auto left = static_cast<std::int32_t>(U32LE(info, 1)), top = static_cast<std::int32_t>(U32LE(info, 5));
        const auto right = static_cast<std::int32_t>(U32LE(info, 9)),
                   bottom = static_cast<std::int32_t>(U32LE(info, 13));
        if (bitmaps > 0 && channels > 0 && right > left && bottom > top) {
          withAlpha = p.ColorScheme == TColorScheme::RGB && channels > 3;
          Progress(psStarting, 0, "Loading data...");
          for (unsigned c = 0; c < channels && stream.Position() < layer->End; ++c) {
            const std::optional<BlockHeader> channel = ReadBlockHeader(stream, version);
            if (!channel || channel->End > layer->End)
              Invalid();
            if (channel->Id == kChannel)
              readChannel(*channel);
            stream.SetPosition(channel->End);
            RowProgress(c + 1, channels);
          }
          Progress(psEnding, 100);
          haveBitmap = true;
          return;
        }
      }
      stream.SetPosition(layer->End);
    }
  };

  while (!haveBitmap) {
    const std::optional<BlockHeader> block = ReadBlockHeader(stream, version);
    if (!block)
      break;
    if (block->End > stream.Size())
      Invalid();
    if (block->Id == kPalette) {
      const std::uint64_t infoEnd = OpenChunk(stream, version, block->End);
      const std::uint32_t count = U32LE(ReadChecked(stream, 4, kFormat), 0);
      CloseChunk(stream, infoEnd);
      const std::uint32_t entries = std::min<std::uint32_t>(count, 256);
      const std::vector<std::uint8_t> data = ReadChecked(stream, std::uint64_t{entries} * 4, kFormat);
      const std::span<const std::uint8_t> planes[1] = {data};
      // Entries blue, green, red and a spare byte.
      const TPalette palette = cm.CreateColorPalette(planes, 1, entries, true);
      if (p.ColorScheme != TColorScheme::RGB)
        SetPalette(palette);
    } else if (block->Id == kLayerBank) {
      readLayerBank(*block);
    }
    stream.SetPosition(block->End);
  }
  const bool colour = p.ColorScheme == TColorScheme::RGB;
  if (!haveBitmap || (colour ? buffers[1].empty() || buffers[2].empty() || buffers[3].empty() : buffers[0].empty()))
    Invalid();
  if (withAlpha) {
    cm.SetSourceColorScheme(TColorScheme::RGBA);
    cm.SetSourceSamplesPerPixel(4);
    cm.SetTargetColorScheme(TColorScheme::BGRA);
    cm.SetTargetSamplesPerPixel(4);
    if (buffers[4].empty())
      buffers[4].assign(rowBytes * height, 255);
  }
  SetPixelFormat(cm.GetPixelFormat(1));
  if (withAlpha)
    SetAlphaFormat(TAlphaFormat::afDefined);
  SetSize(static_cast<int>(p.Width), static_cast<int>(p.Height));

  Progress(psStarting, 0, kTransfering);
  const std::size_t order[4] = {1, 2, 3, 4};
  std::span<const std::uint8_t> rows[4];
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t at = y * rowBytes;
    if (colour) {
      const std::size_t planes = withAlpha ? 4 : 3;
      for (std::size_t k = 0; k < planes; ++k)
        rows[k] = std::span<const std::uint8_t>(buffers[order[k]]).subspan(at, rowBytes);
      cm.ConvertRow(TSourceRows(rows, planes), ScanLine(static_cast<int>(y)), p.Width, 0xFF);
    } else {
      cm.ConvertRow(std::span<const std::uint8_t>(buffers[0]).subspan(at, rowBytes), ScanLine(static_cast<int>(y)),
                    p.Width, 0xFF);
    }
    RowProgress(y + 1, height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
