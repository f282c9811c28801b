#include "imaging/PNGGraphic.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/PNGFilters.h"
#include "imaging/RasterDecoders.h"

namespace vrel {

namespace {

constexpr const char* kPng = "PNG";
constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFFu;

[[noreturn]] void InvalidFormat() {
  RasterFormatError(kInvalidFormatMessage, {kPng});
}
[[noreturn]] void TooLittleOrTooMuchData() {
  RasterFormatError("Cannot load image. Extra compressed data found in %s file.", {kPng});
}
[[noreturn]] void InvalidPalette() {
  RasterFormatError("Cannot load image. Palette in %s file is invalid.", {kPng});
}

struct ChunkHeader {
  std::uint32_t Length = 0;
  std::uint8_t Type[4] = {};

  // Case does not count in a chunk's name.
  bool Is(const char* name) const {
    for (int i = 0; i < 4; ++i) {
      if (std::toupper(Type[i]) != name[i])
        return false;
    }
    return true;
  }
  bool Critical() const { return (Type[0] & 0x20) == 0; }
};

ChunkHeader ReadChunkHeader(TInputStream& stream) {
  ChunkHeader h;
  h.Length = stream.ReadU32BE();
  stream.ReadBuffer(h.Type);
  if (h.Length > kMaxChunkLength)
    InvalidFormat();
  return h;
}

// The header's numbers, as far as the colour setup needs them.
struct ImageHeader {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint8_t Depth = 0;
  std::uint8_t ColorType = 0;
  std::uint8_t Compression = 0;
  std::uint8_t Filter = 0;
  std::uint8_t Interlace = 0;

  static ImageHeader From(std::span<const std::uint8_t> b) {
    return {U32BE(b, 0), U32BE(b, 4), b[8], b[9], b[10], b[11], b[12]};
  }
  unsigned Samples() const {
    switch (ColorType) {
      case 2:
        return 3;
      case 4:
        return 2;
      case 6:
        return 4;
      default:
        return 1;
    }
  }
  unsigned BitsPerPixel() const { return Depth * Samples(); }
  // The filters' distance to the left neighbour: the bytes of a whole pixel, at least 1.
  std::size_t FilterBytes() const { return std::max(1u, BitsPerPixel() / 8); }
  std::size_t RowBytes(std::uint32_t pixels) const { return (std::size_t{pixels} * BitsPerPixel() + 7) / 8; }
};

// One Adam7 pass (or the whole image when not interlaced): first row and column, their steps, and
// the target pixels it fills out of each eight.
struct Pass {
  std::uint32_t Row, Column, RowStep, ColumnStep;
  std::uint8_t Mask;

  std::uint32_t Columns(std::uint32_t width) const {
    return width > Column ? (width - Column + ColumnStep - 1) / ColumnStep : 0;
  }
  std::uint32_t Rows(std::uint32_t height) const { return height > Row ? (height - Row + RowStep - 1) / RowStep : 0; }
};
constexpr Pass kWholeImage{0, 0, 1, 1, 0xFF};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8, 0x80}, {0, 4, 8, 8, 0x08}, {4, 0, 8, 4, 0x88}, {0, 2, 4, 4, 0x22},
                            {2, 0, 4, 2, 0xAA}, {0, 1, 2, 2, 0x55}, {1, 0, 2, 1, 0xFF}};

// One load: the chunks as they come, with their CRCs, and the image data inflated row by row.
class PngReader {
 public:
  PngReader(TInputStream& stream) : stream_(stream) {}

  // The next chunk's header: one read ahead by the image data, or a new one.
  ChunkHeader Next() {
    if (pending_) {
      pending_ = false;
      return pendingHeader_;
    }
    return ReadChunkHeader(stream_);
  }

  // The data of the chunk whose header was just read, its CRC checked.
  std::span<const std::uint8_t> Data(const ChunkHeader& header) {
    // Only as much room as the file can fill.
    if (std::uint64_t{header.Length} + 4 > stream_.Remaining())
      throw EReadError(std::string(kReadErrorMessage));
    data_.resize(header.Length);
    stream_.ReadBuffer(data_);
    const std::uint32_t stored = stream_.ReadU32BE();
    const uLong crc = crc32(crc32(0, header.Type, 4), data_.data(), static_cast<uInt>(data_.size()));
    if (crc != stored)
      RasterFormatError("Cannot load image. CRC error found in %s file.", {kPng});
    return data_;
  }

  // Starts the image data with the IDAT chunk whose header was just read.
  void BeginImageData(const ChunkHeader& header) {
    decoder_.DecodeInit();
    Data(header);
    at_ = 0;
  }

  // Fills `out` with inflated bytes; the data ending first (the zlib stream or the run of IDAT
  // chunks) raises.
  void Inflate(std::span<std::uint8_t> out) {
    while (!out.empty()) {
      if (ended_)
        TooLittleOrTooMuchData();
      if (at_ == data_.size()) {
        if (!NextImageChunk())
          TooLittleOrTooMuchData();
        continue;
      }
      const TDecodeResult done = decoder_.Decode(std::span(data_).subspan(at_), out);
      at_ += done.Consumed;
      out = out.subspan(done.Produced);
      Judge();
    }
  }

  // After the last row: the stream may only end, with no data beyond it in this run of IDAT chunks.
  // A stream whose last bytes (its checksum) are missing is accepted: every row is there.
  void EndImageData() {
    while (!ended_) {
      if (at_ == data_.size()) {
        if (!NextImageChunk())
          break;
        continue;
      }
      std::uint8_t extra[1];
      const TDecodeResult done = decoder_.Decode(std::span(data_).subspan(at_), extra);
      at_ += done.Consumed;
      if (done.Produced > 0)
        TooLittleOrTooMuchData();
      Judge();
    }
    while (at_ < data_.size() || NextImageChunk()) {
      if (at_ < data_.size())
        TooLittleOrTooMuchData();
    }
    decoder_.DecodeEnd();
  }

 private:
  // The next chunk, when it is IDAT, becomes the input; any other is kept for Next().
  bool NextImageChunk() {
    if (pending_)
      return false;
    const ChunkHeader header = ReadChunkHeader(stream_);
    if (!header.Is("IDAT")) {
      pending_ = true;
      pendingHeader_ = header;
      return false;
    }
    Data(header);
    at_ = 0;
    return true;
  }

  void Judge() {
    const int result = decoder_.ZlibResult();
    if (result == Z_STREAM_END)
      ended_ = true;
    else if (result != Z_OK && result != Z_BUF_ERROR)
      RasterFormatError("Cannot load image. Compression error found in %s file.", {kPng});
  }

  TInputStream& stream_;
  std::vector<std::uint8_t> data_;
  std::size_t at_ = 0;
  bool pending_ = false;
  ChunkHeader pendingHeader_;
  TLZ77Decoder decoder_{Z_PARTIAL_FLUSH, false};
  bool ended_ = false;
};

// A 16-bit sample on the 8-bit scale; smaller depths give their low byte.
std::uint8_t Level(std::uint16_t value, unsigned depth) {
  return depth == 16 ? static_cast<std::uint8_t>(value * 255u / 65535u) : static_cast<std::uint8_t>(value);
}

// A grey value of bKGD or tRNS as the bitmap holds it: 2-bit values on the 4-bit scale.
std::uint8_t GreyIndex(std::uint16_t value, unsigned depth) {
  return depth == 2 ? static_cast<std::uint8_t>((value & 3u) * 5u) : Level(value, depth);
}

std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r | std::uint32_t{g} << 8 | std::uint32_t{b} << 16;
}

}  // namespace

const TClassInfo& TPNGGraphic::StaticClass() {
  static const TClassInfo info("TPNGGraphic", &Inherited::StaticClass());
  return info;
}

bool TPNGGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 8, 8, [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
    return std::equal(std::begin(kSignature), std::end(kSignature), head.begin());
  });
}

bool TPNGGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  std::uint8_t head[8 + 8 + 13];
  if (stream.Remaining() < sizeof head)
    return false;
  stream.ReadBuffer(head);
  const std::span<const std::uint8_t> bytes(head);
  if (!std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()) || U32BE(bytes, 8) != 13 ||
      !std::equal(bytes.begin() + 12, bytes.begin() + 16, "IHDR"))
    return false;
  const ImageHeader h = ImageHeader::From(bytes.subspan(16));
  if (h.Width == 0 || h.Height == 0 || h.Width > kMaxChunkLength || h.Height > kMaxChunkLength || h.Filter != 0 ||
      h.Interlace > 1)
    return false;
  TImageProperties& p = Properties();
  p.Options = ioBigEndian;
  p.Width = h.Width;
  p.Height = h.Height;
  p.Compression = h.Compression == 0 ? TCompressionType::ctDeflate : TCompressionType::ctUnknown;
  p.BitsPerSample = h.Depth;
  switch (h.ColorType) {
    case 0:
      p.ColorScheme = TColorScheme::Gray;
      break;
    case 2:
      p.ColorScheme = TColorScheme::RGB;
      break;
    case 3:
      p.ColorScheme = TColorScheme::Indexed;
      break;
    case 4:
      p.ColorScheme = TColorScheme::GrayAlpha;
      break;
    case 6:
      p.ColorScheme = TColorScheme::RGBA;
      break;
    default:
      p.ColorScheme = TColorScheme::Unknown;
      break;
  }
  p.SamplesPerPixel = h.ColorType == 2 ? 3 : h.ColorType == 6 ? 4 : 1;
  p.BitsPerPixel = static_cast<std::uint8_t>(p.SamplesPerPixel * p.BitsPerSample);
  p.FilterMode = h.Filter;
  p.Interlaced = h.Interlace != 0;
  p.HasAlpha = p.ColorScheme == TColorScheme::GrayAlpha || p.ColorScheme == TColorScheme::RGBA;
  // The file's gamma, when a gAMA chunk comes before the end; a damaged tail just ends the search.
  stream.Seek(4, TSeekOrigin::soCurrent);
  while (stream.Remaining() >= 8) {
    const std::uint32_t length = stream.ReadU32BE();
    std::uint8_t type[4];
    stream.ReadBuffer(type);
    const ChunkHeader chunk{length, {type[0], type[1], type[2], type[3]}};
    if (chunk.Is("IEND"))
      break;
    if (chunk.Is("GAMA") && length == 4 && stream.Remaining() >= 4) {
      const std::uint32_t gamma = stream.ReadU32BE();
      if (gamma > 0)
        p.FileGamma = static_cast<float>(gamma / 100000.0);
      break;
    }
    if (std::uint64_t{length} + 4 > stream.Remaining())
      break;
    stream.Seek(std::int64_t{length} + 4, TSeekOrigin::soCurrent);
  }
  return true;
}

void TPNGGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  paletteAlpha_.fill(255);
  hasPaletteAlpha_ = false;
  backgroundColor_ = 0xFFFFFF;
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    InvalidFormat();
  stream.SetPosition(base + 8);
  PngReader reader(stream);
  const ChunkHeader first = reader.Next();
  const ImageHeader h = ImageHeader::From(reader.Data(first));
  const TImageProperties& p = ImageProperties();
  if (p.Compression != TCompressionType::ctDeflate)
    RasterFormatError(kNotSupportedMessage, {"The compression scheme is", kPng});

  TColorManager& colors = ColorManager();
  colors.SetSourceOptions(coNeedByteSwap);
  colors.SetTargetOptions(0);
  float fileGamma = 0;
  bool colorsReady = false;
  TPalette palette;
  // The source and target of the conversion, the bitmap's format and its palette for grey images,
  // by colour type and depth.
  const auto setUpColors = [&] {
    const unsigned d = h.Depth;
    const auto depthIn = [d](std::initializer_list<unsigned> allowed) {
      return std::find(allowed.begin(), allowed.end(), d) != allowed.end();
    };
    TColorScheme source = TColorScheme::Unknown, target = TColorScheme::Unknown;
    unsigned sourceSamples = 1, targetSamples = 1, targetBits = 8;
    switch (h.ColorType) {
      case 0:
        if (!depthIn({1, 2, 4, 8, 16}))
          RasterFormatError(kInvalidColorFormatMessage, {kPng});
        source = target = TColorScheme::Gray;
        targetBits = d == 2 ? 4 : d == 16 ? 8 : d;
        break;
      case 2:
        if (!depthIn({8, 16}))
          RasterFormatError(kInvalidColorFormatMessage, {kPng});
        source = TColorScheme::RGB;
        target = TColorScheme::BGR;
        sourceSamples = targetSamples = 3;
        break;
      case 3:
        if (!depthIn({1, 2, 4, 8}))
          RasterFormatError(kInvalidColorFormatMessage, {kPng});
        source = target = TColorScheme::Indexed;
        targetBits = d == 2 ? 4 : d;
        break;
      case 4:
        if (!depthIn({8, 16}))
          RasterFormatError(kInvalidColorFormatMessage, {kPng});
        source = TColorScheme::GrayAlpha;
        target = TColorScheme::Indexed;
        sourceSamples = 2;
        break;
      case 6:
        if (!depthIn({8, 16}))
          RasterFormatError(kInvalidColorFormatMessage, {kPng});
        source = TColorScheme::RGBA;
        target = TColorScheme::BGRA;
        sourceSamples = targetSamples = 4;
        break;
      default:
        RasterFormatError(kInvalidColorFormatMessage, {kPng});
    }
    colors.SetSourceColorScheme(source);
    colors.SetTargetColorScheme(target);
    colors.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(sourceSamples));
    colors.SetTargetSamplesPerPixel(static_cast<std::uint8_t>(targetSamples));
    // The gamma table maps 8-bit levels: samples are reduced before it, palettes are 8-bit.
    colors.SetSourceBitsPerSample(8);
    colors.SetTargetBitsPerSample(8);
    if (fileGamma > 0) {
      colors.SetGamma(fileGamma, 2.2f);
      colors.SetTargetOptions(coApplyGamma);
    }
    colors.SetSourceBitsPerSample(h.Depth);
    colors.SetTargetBitsPerSample(static_cast<std::uint8_t>(targetBits));
    if (h.ColorType == 0 || h.ColorType == 4)
      palette = colors.CreateGrayscalePalette(false);
    colorsReady = true;
  };

  bool imageDone = false;
  for (;;) {
    const ChunkHeader chunk = reader.Next();
    if (chunk.Is("IEND")) {
      reader.Data(chunk);
      break;
    }
    if (chunk.Is("IDAT")) {
      if (imageDone) {
        // Empty chunks after the image say nothing; any data would be more than the image holds.
        if (!reader.Data(chunk).empty())
          TooLittleOrTooMuchData();
        continue;
      }
      if (!colorsReady) {
        if (h.ColorType == 3)
          InvalidPalette();
        setUpColors();
      }
      CheckImageBudget(h.Width, h.Height, h.BitsPerPixel(), stream.Remaining(),
                       MaxExpansion(TCompressionType::ctDeflate), kPng);
      SetPixelFormat(colors.GetPixelFormat(1));
      SetSize(static_cast<int>(h.Width), static_cast<int>(h.Height));
      SetPalette(palette);
      if (h.ColorType == 6)
        SetAlphaFormat(TAlphaFormat::afDefined);

      reader.BeginImageData(chunk);
      const std::size_t filterBytes = h.FilterBytes();
      std::vector<std::uint8_t> current(h.RowBytes(h.Width) + 1), previous(current.size());
      const std::span<const Pass> passes =
          h.Interlace ? std::span<const Pass>(kAdam7) : std::span<const Pass>(&kWholeImage, 1);
      // Progress counts the rows of every pass.
      std::uint64_t passRows = 0, rowsDone = 0;
      for (const Pass& pass : passes)
        passRows += pass.Columns(h.Width) == 0 ? 0 : pass.Rows(h.Height);
      Progress(psStarting, 0, kTransfering);
      for (const Pass& pass : passes) {
        const std::uint32_t columns = pass.Columns(h.Width), rows = pass.Rows(h.Height);
        // An empty pass has no rows in the data, not even filter bytes.
        if (columns == 0 || rows == 0)
          continue;
        const std::size_t rowBytes = h.RowBytes(columns);
        std::fill_n(previous.begin(), rowBytes + 1, 0);
        for (std::uint32_t r = 0; r < rows; ++r) {
          const std::span<std::uint8_t> line = std::span(current).first(rowBytes + 1);
          reader.Inflate(line);
          const std::span<std::uint8_t> samples = line.subspan(1);
          if (!UnfilterPngRow(line[0], samples, std::span(previous).subspan(1, rowBytes), filterBytes))
            InvalidFormat();
          const int y = static_cast<int>(pass.Row + r * pass.RowStep);
          colors.ConvertRow(samples, ScanLine(y), h.Width, pass.Mask);
          std::swap(current, previous);
          RowProgress(++rowsDone, passRows);
        }
      }
      Progress(psEnding, 100);
      reader.EndImageData();
      imageDone = true;
      continue;
    }
    const std::span<const std::uint8_t> data = reader.Data(chunk);
    if (chunk.Is("PLTE")) {
      if (data.empty() || data.size() % 3 != 0 || data.size() > 256 * 3)
        InvalidPalette();
      if (h.ColorType == 3 && !imageDone) {
        setUpColors();
        const std::span<const std::uint8_t> triples[1] = {data};
        palette = colors.CreateColorPalette(triples, 0, static_cast<std::uint32_t>(data.size() / 3), false);
      }
    } else if (chunk.Is("GAMA")) {
      if (data.size() == 4 && U32BE(data, 0) > 0 && !colorsReady) {
        fileGamma = static_cast<float>(U32BE(data, 0) / 100000.0);
        Properties().Options |= ioUseGamma;
      }
    } else if (chunk.Is("BKGD")) {
      if (h.ColorType == 3 && data.size() == 1)
        backgroundColor_ = data[0];
      else if ((h.ColorType == 0 || h.ColorType == 4) && data.size() == 2)
        backgroundColor_ = Rgb(GreyIndex(U16BE(data, 0), h.Depth), GreyIndex(U16BE(data, 0), h.Depth),
                               GreyIndex(U16BE(data, 0), h.Depth));
      else if ((h.ColorType == 2 || h.ColorType == 6) && data.size() == 6)
        backgroundColor_ =
            Rgb(Level(U16BE(data, 0), h.Depth), Level(U16BE(data, 2), h.Depth), Level(U16BE(data, 4), h.Depth));
    } else if (chunk.Is("TRNS")) {
      if (h.ColorType == 3 && data.size() <= 256) {
        std::copy(data.begin(), data.end(), paletteAlpha_.begin());
        hasPaletteAlpha_ = true;
      } else if (h.ColorType == 0 && data.size() == 2) {
        const std::uint8_t g = GreyIndex(U16BE(data, 0), h.Depth);
        SetTransparentColor(Rgb(g, g, g));
        SetTransparent(true);
      } else if (h.ColorType == 2 && data.size() == 6) {
        SetTransparentColor(
            Rgb(Level(U16BE(data, 0), h.Depth), Level(U16BE(data, 2), h.Depth), Level(U16BE(data, 4), h.Depth)));
        SetTransparent(true);
      }
    } else if (chunk.Critical()) {
      RasterFormatError("Cannot load PNG image. Unexpected but critical chunk detected.");
    }
  }
  if (!imageDone)
    InvalidFormat();
}

}  // namespace vrel
