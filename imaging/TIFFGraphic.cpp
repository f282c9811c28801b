#include "imaging/TIFFGraphic.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <span>
#include <string>

#include "imaging/CCITTDecoders.h"
#include "imaging/FormatTest.h"
#include "imaging/RasterDecoders.h"
#include "imaging/TIFFJPEGDecoder.h"
#include "platform/StreamIO.h"

namespace vrel {

namespace {

constexpr const char* kFormat = "TIF/TIFF";

[[noreturn]] void Invalid() {
  RasterFormatError(kInvalidFormatMessage, {kFormat});
}

[[noreturn]] void NotSupported(const std::string& what) {
  RasterFormatError(kNotSupportedMessage, {what, kFormat});
}

struct CompressionRow {
  std::uint32_t Tag;
  TCompressionType Type;
};

constexpr CompressionRow kCompressions[] = {
    {1, TCompressionType::ctNone},          {2, TCompressionType::ctCCITTRLE},
    {3, TCompressionType::ctCCITTFax3},     {4, TCompressionType::ctCCITTFax4},
    {5, TCompressionType::ctLZW},           {6, TCompressionType::ctOldJPEG},
    {7, TCompressionType::ctJPEG},          {8, TCompressionType::ctDeflate},
    {32766, TCompressionType::ctNeXT},      {32771, TCompressionType::ctCCITTRLEW},
    {32773, TCompressionType::ctPackBits},  {32809, TCompressionType::ctThunderScan},
    {32895, TCompressionType::ctIT8CTPAD},  {32896, TCompressionType::ctIT8LW},
    {32897, TCompressionType::ctIT8MP},     {32898, TCompressionType::ctIT8BL},
    {32908, TCompressionType::ctPixarFilm}, {32909, TCompressionType::ctPixarLog},
    {32946, TCompressionType::ctDeflate},   {32947, TCompressionType::ctDCS},
    {34661, TCompressionType::ctJBIG},
};

TCompressionType CompressionOf(std::uint32_t tag) {
  for (const CompressionRow& row : kCompressions) {
    if (row.Tag == tag)
      return row.Type;
  }
  return TCompressionType::ctUnknown;
}

TColorScheme SchemeOf(std::uint32_t photometric, std::uint32_t samples) {
  switch (photometric) {
    case 0:
    case 1:
      return TColorScheme::Gray;
    case 2:
      return samples < 4 ? TColorScheme::RGB : TColorScheme::RGBA;
    case 3:
      return TColorScheme::Indexed;
    case 5:
      return TColorScheme::CMYK;
    case 6:
      return TColorScheme::YCbCr;
    case 8:
      return TColorScheme::CIELab;
    default:
      return TColorScheme::Unknown;
  }
}

// A number from the file as a single; values beyond its range are clamped, not undefined.
float ToSingle(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  return std::isnan(value) ? 0.0f : static_cast<float>(std::clamp(value, -kMax, kMax));
}

bool IsFax(TCompressionType c) {
  return c == TCompressionType::ctCCITTRLE || c == TCompressionType::ctCCITTFax3 ||
         c == TCompressionType::ctCCITTFax4 || c == TCompressionType::ctCCITTRLEW;
}

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return (a + b - 1) / b;
}

// The samples that make the colour of a pixel in a scheme (alpha and other extra samples come after).
unsigned ColourSamples(TColorScheme scheme) {
  switch (scheme) {
    case TColorScheme::Gray:
    case TColorScheme::Indexed:
      return 1;
    case TColorScheme::CMYK:
      return 4;
    default:
      return 3;
  }
}

// Horizontal differencing undone over `count` 8-bit samples, N to a pixel: each running sum stays in
// a register, as the row is one long chain of additions.
template <unsigned N>
void Accumulate8(std::uint8_t* p, std::size_t count) {
  std::uint8_t sum[N];
  for (unsigned k = 0; k < N; ++k)
    sum[k] = p[k];
  for (std::size_t i = N; i + N <= count; i += N) {
    for (unsigned k = 0; k < N; ++k) {
      sum[k] = static_cast<std::uint8_t>(sum[k] + p[i + k]);
      p[i + k] = sum[k];
    }
  }
}

// Undoes horizontal differencing in one row of `width` pixels of `samples` samples each: every sample
// adds the restored one a pixel to its left. 16-bit samples are in the file's byte order.
void UndoHorizontalPredictor(std::span<std::uint8_t> row, std::uint32_t width, unsigned samples, unsigned bits,
                             bool bigEndian) {
  const std::size_t count = std::size_t{width} * samples;
  std::uint8_t* p = row.data();
  if (bits == 8) {
    switch (samples) {
      case 1:
        return Accumulate8<1>(p, count);
      case 2:
        return Accumulate8<2>(p, count);
      case 3:
        return Accumulate8<3>(p, count);
      case 4:
        return Accumulate8<4>(p, count);
      default:
        for (std::size_t i = samples; i < count; ++i)
          p[i] = static_cast<std::uint8_t>(p[i] + p[i - samples]);
        return;
    }
  }
  const std::size_t hi = bigEndian ? 0 : 1, lo = 1 - hi;
  for (std::size_t i = samples; i < count; ++i) {
    std::uint8_t* word = p + i * 2;
    const std::uint8_t* left = word - std::size_t{samples} * 2;
    const unsigned sum = (unsigned{word[hi]} << 8 | word[lo]) + (unsigned{left[hi]} << 8 | left[lo]);
    word[hi] = static_cast<std::uint8_t>(sum >> 8);
    word[lo] = static_cast<std::uint8_t>(sum);
  }
}

// Spreads subsampled YCbCr data units (h x v luma samples, then Cb and Cr, for each block of the
// piece) into rows of Y, Cb, Cr per pixel; each chroma pair serves its whole block.
void ExpandYCbCr(std::span<const std::uint8_t> units, std::span<std::uint8_t> out, std::uint32_t width,
                 std::uint32_t rows, unsigned h, unsigned v) {
  const std::size_t across = CeilDiv(width, h), unitBytes = std::size_t{h} * v + 2;
  const std::size_t unitRows = CeilDiv(rows, v);
  const std::uint8_t* u = units.data();
  for (std::size_t unitRow = 0; unitRow < unitRows; ++unitRow) {
    for (std::size_t c = 0; c < across; ++c, u += unitBytes) {
      const std::uint8_t cb = u[h * v], cr = u[h * v + 1];
      for (std::size_t j = 0; j < v && unitRow * v + j < rows; ++j) {
        std::uint8_t* o = out.data() + ((unitRow * v + j) * width + c * h) * 3;
        for (std::size_t i = 0; i < h && c * h + i < width; ++i, o += 3) {
          o[0] = u[j * h + i];
          o[1] = cb;
          o[2] = cr;
        }
      }
    }
  }
}

// Associated alpha: each colour sample was stored multiplied by its pixel's alpha. Divides it out in
// place, in the samples' own depth and byte order (c x max / a, at most max, and 0 where a is 0), so
// the colour manager sees straight colour. The row starts `at` in one interleaved band of four samples
// a pixel, or in four bands of one plane each.
void DivideOutAlpha(std::span<const std::span<std::uint8_t>> bands, std::size_t at, std::uint32_t width, unsigned bits,
                    bool bigEndian) {
  const std::size_t bytes = bits / 8, step = bands.size() == 1 ? 4 * bytes : bytes;
  const std::uint32_t max = bits == 16 ? 65535u : 255u;
  const std::size_t hi = bigEndian ? 0 : 1, lo = 1 - hi;
  const auto sample = [&](std::size_t x, std::size_t k) {
    return bands.size() == 1 ? bands[0].subspan(at + x * step + k * bytes, bytes)
                             : bands[k].subspan(at + x * step, bytes);
  };
  const auto get = [&](std::span<const std::uint8_t> s) {
    return bytes == 1 ? std::uint32_t{s[0]} : std::uint32_t{s[hi]} << 8 | s[lo];
  };
  for (std::size_t x = 0; x < width; ++x) {
    const std::uint32_t alpha = get(sample(x, 3));
    for (std::size_t k = 0; k < 3; ++k) {
      const std::span<std::uint8_t> s = sample(x, k);
      const std::uint32_t c = alpha == 0 ? 0 : std::min(max, get(s) * max / alpha);
      if (bytes == 1) {
        s[0] = static_cast<std::uint8_t>(c);
      } else {
        s[hi] = static_cast<std::uint8_t>(c >> 8);
        s[lo] = static_cast<std::uint8_t>(c);
      }
    }
  }
}

}  // namespace

const TClassInfo& TTIFFGraphic::StaticClass() {
  static const TClassInfo info("TTIFFGraphic", &Inherited::StaticClass());
  return info;
}

bool TTIFFGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 8, 8,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position;
                          const std::uint16_t order = U16LE(head, 0);
                          if (order != 0x4949 && order != 0x4D4D)
                            return false;
                          const bool big = order == 0x4D4D;
                          const std::uint16_t version = big ? U16BE(head, 2) : U16LE(head, 2);
                          const std::uint32_t first = big ? U32BE(head, 4) : U32LE(head, 4);
                          return version == 42 && first < available;
                        });
}

bool TTIFFGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  directory_ = TTIFFDirectory();
  yCbCrPositioning_ = 1;
  yCbCrCoefficients_.clear();
  basePosition_ = stream.Position();
  TImageProperties& p = Properties();
  if (stream.Remaining() < 8)
    return false;
  std::array<std::uint8_t, 8> head{};
  stream.ReadBuffer(head);
  const std::uint16_t order = U16LE(head, 0);
  if (order != 0x4949 && order != 0x4D4D)
    return false;
  const bool big = order == 0x4D4D;
  if (big)
    p.Options |= ioBigEndian;
  p.Version = big ? U16BE(head, 2) : U16LE(head, 2);
  p.FirstIFD = big ? U32BE(head, 4) : U32LE(head, 4);
  if (p.Version != 42)
    return false;
  std::optional<TTIFFDirectory> directory = TTIFFDirectory::Read(stream, basePosition_, big, p.FirstIFD, imageIndex);
  if (!directory)
    return false;
  directory_ = std::move(*directory);
  try {
    return ReadFields(stream);
  } catch (const EInvalidGraphic&) {
    return false;  // a field whose values lie outside the stream
  }
}

bool TTIFFGraphic::ReadFields(TInputStream& stream) {
  TImageProperties& p = Properties();
  const TTIFFDirectory& d = directory_;
  p.Width = d.Value(stream, ttImageWidth, 0);
  p.Height = d.Value(stream, ttImageLength, 0);
  if (p.Width == 0 || p.Height == 0)
    return false;
  p.RowsPerStrip = d.List(stream, ttRowsPerStrip);
  // 0 would make strips without rows; like a missing field it means one strip of the whole image.
  if (p.RowsPerStrip.empty() || p.RowsPerStrip[0] == 0xFFFFFFFFu || p.RowsPerStrip[0] == 0)
    p.RowsPerStrip = {p.Height};
  const std::uint32_t samples = d.Value(stream, ttSamplesPerPixel, 1);
  const std::uint32_t bits = d.Value(stream, ttBitsPerSample, 1);
  p.SamplesPerPixel = static_cast<std::uint8_t>(std::min<std::uint32_t>(samples, 255));
  p.BitsPerSample = static_cast<std::uint8_t>(std::min<std::uint32_t>(bits, 255));
  p.BitsPerPixel = static_cast<std::uint8_t>(std::min<std::uint64_t>(std::uint64_t{bits} * samples, 255));
  p.TileWidth = d.Value(stream, ttTileWidth, 0);
  p.TileLength = d.Value(stream, ttTileLength, 0);
  if (p.TileWidth > 0 && p.TileLength > 0)
    p.Options |= ioTiled;
  const std::uint32_t photometric = d.Value(stream, ttPhotometric, 0);
  const std::vector<std::uint32_t> extra = d.List(stream, ttExtraSamples);
  p.HasAlpha = !extra.empty() && std::all_of(extra.begin(), extra.end(), [](std::uint32_t e) { return e <= 2; });
  // A file without the field is uncompressed, as the format has it.
  p.Compression = CompressionOf(d.Value(stream, ttCompression, 1));
  p.ColorScheme = SchemeOf(photometric, samples);
  if (photometric == 0)
    p.Options |= ioMinIsWhite;
  if (photometric == 6) {
    const std::vector<std::uint32_t> subsampling = d.List(stream, ttYCbCrSubSampling);
    p.YCbCrSubSampling = subsampling.size() >= 2 ? TByteArray{static_cast<std::uint8_t>(std::min(subsampling[0], 255u)),
                                                              static_cast<std::uint8_t>(std::min(subsampling[1], 255u))}
                                                 : TByteArray{2, 2};
    yCbCrPositioning_ = d.Value(stream, ttYCbCrPositioning, 1);
    for (const double c : d.FloatList(stream, ttYCbCrCoefficients, 0))
      yCbCrCoefficients_.push_back(ToSingle(c));
    if (yCbCrCoefficients_.empty())
      yCbCrCoefficients_ = {0.299f, 0.587f, 0.114f};
  }
  p.PlanarConfig = d.Value(stream, ttPlanarConfig, 0);
  const float unit = d.Value(stream, ttResolutionUnit, 2) == 3 ? 2.54f : 1.0f;
  p.XResolution = ToSingle(d.Float(stream, ttXResolution, 0) * unit);
  p.YResolution = ToSingle(d.Float(stream, ttYResolution, 0) * unit);
  p.Predictor = d.Value(stream, ttPredictor, 0);
  if (d.Value(stream, ttFillOrder, 1) == 2)
    p.Options |= ioReversed;
  p.JPEGColorMode = 0;
  p.JPEGTablesMode = 3;
  return true;
}

namespace {

// What the stored pieces of an image are and how they map onto it: strips of whole rows or tiles,
// one set for all samples or one per sample plane.
struct PieceLayout {
  bool Tiled = false;
  std::uint32_t Width = 0;  // pixels across a piece: the tile's width, or the image's
  std::uint32_t Rows = 0;   // rows of a full piece: the tile's length, or the rows per strip
  std::uint32_t Across = 1;
  std::uint32_t Down = 1;
  std::uint32_t Planes = 1;  // stored sets of pieces
  unsigned PlaneBits = 0;    // bits of one pixel in a piece
  // Subsampled YCbCr: data units of H x V luma samples and one chroma pair.
  bool Subsampled = false;
  unsigned H = 1;
  unsigned V = 1;

  std::uint64_t PieceCount() const { return std::uint64_t{Across} * Down * Planes; }
  std::size_t RowBytes(std::uint32_t width) const { return (std::size_t{width} * PlaneBits + 7) / 8; }
  // The bytes a piece of `rows` rows unpacks to.
  std::size_t PackedRowsBytes(std::uint32_t rows) const {
    if (Subsampled)
      return CeilDiv(rows, V) * CeilDiv(Width, H) * (std::size_t{H} * V + 2);
    return std::size_t{rows} * RowBytes(Width);
  }
  // The bytes of one row once the piece is spread out (subsampled YCbCr becomes three bytes a pixel).
  std::size_t PixelRowBytes(std::uint32_t width) const { return Subsampled ? std::size_t{width} * 3 : RowBytes(width); }
};

// Reads, unpacks and restores the pieces of one image; each piece ends as rows of pixels, handed out
// a band at a time. A piece that unpacks to more than kWholePieceBytes (a picture in one strip) goes
// through its decoder in bands of about kPartBytes, so that it is never held whole beside the
// bitmap; smaller ones are unpacked whole, which is faster. Each plane of separate planes is read in
// a slot of its own, side by side with the others.
class PieceReader {
 public:
  static constexpr std::size_t kWholePieceBytes = std::size_t{16} << 20;
  static constexpr std::size_t kPartBytes = std::size_t{1} << 20;

  // `decoder` serves the first slot; `makeDecoder` makes one for each further slot (separate planes).
  PieceReader(TInputStream& stream, std::uint64_t base, const PieceLayout& layout, TImageProperties& properties,
              std::vector<std::uint32_t> offsets, std::vector<std::uint32_t> counts, std::unique_ptr<TDecoder> decoder,
              std::function<std::unique_ptr<TDecoder>()> makeDecoder, bool predictor, unsigned predictorSamples)
      : stream_(stream),
        base_(base),
        layout_(layout),
        properties_(properties),
        offsets_(std::move(offsets)),
        counts_(std::move(counts)),
        makeDecoder_(std::move(makeDecoder)),
        predictor_(predictor),
        predictorSamples_(predictorSamples),
        compressed_(decoder != nullptr) {
    slots_.resize(1);
    slots_[0].decoder = std::move(decoder);
    if (compressed_)
      slots_[0].decoder->DecodeInit();
  }
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  // After the last piece. (A load that fails before leaves the decoders to their destructors.)
  void Finish() {
    for (Slot& slot : slots_) {
      if (slot.decoder)
        slot.decoder->DecodeEnd();
    }
  }

  // Starts piece `index` of `rows` rows whose first image row is `top` in slot `slot`; answers how
  // many of its rows each Next gives: all of them, or a band of a large piece.
  std::uint32_t Begin(std::size_t slot, std::size_t index, std::uint32_t rows, std::uint32_t top);
  // The next `rows` rows of the slot's piece, as rows of PixelRowBytes(Width).
  std::span<std::uint8_t> Next(std::size_t slot, std::uint32_t rows);

 private:
  struct Slot {
    std::unique_ptr<TDecoder> decoder;
    std::span<const std::uint8_t> packed;  // the piece's packed bytes: the stream's own, or `copy`
    std::vector<std::uint8_t> copy;
    std::vector<std::uint8_t> units;  // subsampled YCbCr as stored
    std::vector<std::uint8_t> rows;
    std::uint64_t at = 0;  // where the next rows of an uncompressed piece are
    bool inParts = false;
  };

  TInputStream& stream_;
  std::uint64_t base_;
  const PieceLayout& layout_;
  TImageProperties& properties_;
  std::vector<std::uint32_t> offsets_;
  std::vector<std::uint32_t> counts_;
  std::function<std::unique_ptr<TDecoder>()> makeDecoder_;
  bool predictor_;
  unsigned predictorSamples_;
  bool compressed_;
  std::vector<Slot> slots_;
};

std::uint32_t PieceReader::Begin(std::size_t slotIndex, std::size_t index, std::uint32_t rows, std::uint32_t top) {
  if (slots_.size() <= slotIndex)
    slots_.resize(slotIndex + 1);
  Slot& slot = slots_[slotIndex];
  if (compressed_ && !slot.decoder) {
    slot.decoder = makeDecoder_();
    slot.decoder->DecodeInit();
  }
  const std::size_t unpacked = layout_.PackedRowsBytes(rows);
  const std::uint64_t at = base_ + offsets_[index];
  slot.inParts = unpacked > kWholePieceBytes && (!compressed_ || slot.decoder->DecodesInParts());
  if (!compressed_) {
    // Uncompressed: the piece's own rows, however many bytes its count claims beyond them.
    if (index < counts_.size() && counts_[index] < unpacked)
      Invalid();
    slot.at = at;
  } else {
    const std::uint32_t count = counts_[index];
    if (at > stream_.Size() || count > stream_.Size() - at)
      throw EReadError(std::string(kReadErrorMessage));
    // JPEG data are bytes and markers: their order of bits is fixed whatever the field says.
    const bool reversed =
        (properties_.Options & ioReversed) != 0 && properties_.Compression != TCompressionType::ctJPEG;
    stream_.SetPosition(at);
    const std::span<const std::uint8_t> view = stream_.MemoryView();
    if (!reversed && view.size() >= count) {
      slot.packed = view.first(count);
    } else {
      slot.copy.resize(count);
      stream_.ReadBuffer(slot.copy);
      if (reversed)
        ReverseBits(slot.copy);
      slot.packed = slot.copy;
    }
    properties_.CurrentRow = top;
    if (slot.inParts)
      slot.decoder->BeginPiece(slot.packed);
  }
  if (!slot.inParts)
    return rows;
  // Bands of whole data units, the first rows of the next band never among those of this one.
  const std::size_t unitRows = std::max<std::size_t>(1, kPartBytes / layout_.PackedRowsBytes(layout_.V));
  return static_cast<std::uint32_t>(std::min<std::size_t>(rows, unitRows * layout_.V));
}

std::span<std::uint8_t> PieceReader::Next(std::size_t slotIndex, std::uint32_t rows) {
  Slot& slot = slots_[slotIndex];
  const std::size_t unpacked = layout_.PackedRowsBytes(rows);
  std::vector<std::uint8_t>& pixels = layout_.Subsampled ? slot.units : slot.rows;
  if (pixels.size() < unpacked)
    pixels.resize(unpacked);
  const std::span<std::uint8_t> target = std::span(pixels).first(unpacked);
  if (!compressed_) {
    stream_.SetPosition(slot.at);
    stream_.ReadBuffer(target);
    slot.at += unpacked;
    if (properties_.Options & ioReversed)
      ReverseBits(target);
  } else if (slot.inParts) {
    slot.decoder->DecodeNext(target);
  } else {
    const TDecodeResult result = slot.decoder->Decode(slot.packed, target);
    if (result.Produced < unpacked)
      UnexpectedEndOfInput("TIFF");
  }
  if (predictor_) {
    const std::size_t rowBytes = layout_.RowBytes(layout_.Width);
    for (std::uint32_t y = 0; y < rows; ++y)
      UndoHorizontalPredictor(target.subspan(y * rowBytes, rowBytes), layout_.Width, predictorSamples_,
                              properties_.BitsPerSample, (properties_.Options & ioBigEndian) != 0);
  }
  if (!layout_.Subsampled)
    return target;
  const std::size_t spread = std::size_t{rows} * layout_.PixelRowBytes(layout_.Width);
  if (slot.rows.size() < spread)
    slot.rows.resize(spread);
  ExpandYCbCr(target, slot.rows, layout_.Width, rows, layout_.H, layout_.V);
  return std::span(slot.rows).first(spread);
}

// The decoder of the image's compression, for pieces `width` pixels wide; none for uncompressed data.
std::unique_ptr<TDecoder> MakeDecoder(TInputStream& stream, const TTIFFDirectory& d, TImageProperties& p,
                                      std::uint32_t width) {
  switch (p.Compression) {
    case TCompressionType::ctNone:
      return nullptr;
    case TCompressionType::ctCCITTRLE:
    case TCompressionType::ctCCITTRLEW:
      // The strip's bits are put in order before any decoder sees them, so none swaps them again.
      return std::make_unique<TCCITTMHDecoder>(d.Value(stream, ttT4Options, 0), false, width,
                                               p.Compression == TCompressionType::ctCCITTRLEW);
    case TCompressionType::ctCCITTFax3:
      return std::make_unique<TCCITTFax3Decoder>(d.Value(stream, ttT4Options, 0), false, width, false);
    case TCompressionType::ctCCITTFax4:
      return std::make_unique<TCCITTFax4Decoder>(d.Value(stream, ttT6Options, 0), false, width, false);
    case TCompressionType::ctDeflate:
      return std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, true);
    case TCompressionType::ctPackBits:
      return std::make_unique<TPackbitsRLEDecoder>();
    case TCompressionType::ctJPEG:
      p.JPEGTables = d.Bytes(stream, ttJPEGTables);
      return std::make_unique<TTIFFJPEGDecoder>(p);
    case TCompressionType::ctThunderScan:
      return std::make_unique<TThunderDecoder>(width);
    default:
      NotSupported("The compression scheme is");
  }
}

// Raises, saying why, when the samples are of a kind the colour manager cannot take, or do not fit
// their compression.
void CheckSamples(TInputStream& stream, const TTIFFDirectory& d, const TImageProperties& p, std::uint32_t samples,
                  bool planar) {
  const std::uint32_t bits = d.Value(stream, ttBitsPerSample, 1);
  const TCompressionType compression = p.Compression;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)
    NotSupported(std::to_string(bits) + "-bit samples are");
  const std::vector<std::uint32_t> sizes = d.List(stream, ttBitsPerSample);
  if (std::any_of(sizes.begin(), sizes.end(), [&](std::uint32_t b) { return b != bits; }))
    NotSupported("Samples of different sizes are");
  for (const std::uint32_t format : d.List(stream, ttSampleFormat)) {
    if (format == 3)
      NotSupported("Floating point samples are");
    if (format == 2)
      NotSupported("Signed samples are");
  }
  // The predictor belongs to deflate (and LZW); other compressions leave the field unread.
  if (compression == TCompressionType::ctDeflate) {
    if (p.Predictor == 3)
      NotSupported("The floating point predictor is");
    if (p.Predictor > 3)
      NotSupported("Predictor " + std::to_string(p.Predictor) + " is");
    if (p.Predictor == 2 && bits != 8 && bits != 16)
      NotSupported("The horizontal predictor on " + std::to_string(bits) + "-bit samples is");
  }
  if ((IsFax(compression) && (bits != 1 || samples != 1)) ||
      (compression == TCompressionType::ctThunderScan && (bits != 4 || samples != 1)) ||
      (compression == TCompressionType::ctJPEG && bits != 8))
    Invalid();
  const TColorScheme scheme = p.ColorScheme;
  if (scheme == TColorScheme::Unknown)
    NotSupported("The photometric interpretation " + std::to_string(d.Value(stream, ttPhotometric, 0)) + " is");
  // Interleaved pixels can carry one sample beyond their colour where the colour manager steps over
  // it (grey and palette) or keeps it as alpha (RGB); separate planes need only theirs.
  const unsigned colour = ColourSamples(scheme);
  const bool oneExtra = scheme == TColorScheme::Gray || scheme == TColorScheme::Indexed ||
                        scheme == TColorScheme::RGB || scheme == TColorScheme::RGBA;
  if (samples < colour || (!planar && samples > colour + (oneExtra ? 1u : 0u)) || samples > 8)
    NotSupported(std::to_string(samples) + " samples per pixel are");
  if (scheme == TColorScheme::Indexed && bits == 16)
    NotSupported("A palette of 16-bit indices is");
}

// The two sides of the colour manager, and the planes a row takes its samples from.
struct ColourPlan {
  TColorScheme Source = TColorScheme::Unknown;
  TColorScheme Target = TColorScheme::Unknown;
  unsigned SourceSamples = 1;
  unsigned TargetSamples = 1;
  unsigned TargetBits = 8;
  std::vector<std::uint32_t> Planes{0};
  bool AssociatedAlpha = false;  // colour stored multiplied by alpha
};

// Source as stored (JPEG's colour comes out blue first, subsampled YCbCr spread out), target what a
// bitmap holds: palette indices and greys of 1, 4 or 8 bits, colour as blue, green, red (and alpha).
ColourPlan PlanColours(const TImageProperties& p, std::uint32_t samples, bool planar) {
  ColourPlan plan;
  plan.Source = p.ColorScheme;
  plan.Target = p.ColorScheme;
  switch (p.ColorScheme) {
    case TColorScheme::Indexed:
    case TColorScheme::Gray:
      // One sample beyond the grey or the index (alpha, mostly) is stepped over.
      if (!planar && samples > 1)
        plan.Source = TColorScheme::GrayAlpha;
      break;
    case TColorScheme::RGBA:
      plan.Target = TColorScheme::BGRA;
      break;
    default:
      plan.Target = TColorScheme::BGR;
      break;
  }
  if (p.Compression == TCompressionType::ctJPEG && !planar && samples == 3)
    plan.Source = TColorScheme::BGR;
  plan.SourceSamples = plan.Source == TColorScheme::GrayAlpha ? 2u
                       : plan.Source == TColorScheme::RGBA    ? 4u
                                                              : ColourSamples(plan.Source);
  if (planar) {
    plan.Planes.resize(plan.SourceSamples);
    for (std::uint32_t k = 0; k < plan.SourceSamples; ++k)
      plan.Planes[k] = k;
  }
  const bool colour = plan.Target == TColorScheme::BGR || plan.Target == TColorScheme::BGRA;
  plan.TargetSamples = plan.Target == TColorScheme::BGRA ? 4u : colour ? 3u : 1u;
  // A bitmap has pixels of 1, 4 and 8 bits: 2-bit ones are widened, 16-bit ones narrowed.
  const unsigned bits = p.BitsPerSample;
  plan.TargetBits = colour || bits >= 8 ? 8u : bits == 1 ? 1u : 4u;
  return plan;
}

// The palette of a palette or grey target: the colour map's 16-bit values (already in host order, so
// they are not swapped again) or evenly spaced greys.
TPalette MakePalette(TInputStream& stream, const TTIFFDirectory& d, const TImageProperties& p, const ColourPlan& plan,
                     const TColorManager& cm) {
  if (plan.Target == TColorScheme::Gray)
    return cm.CreateGrayscalePalette((p.Options & ioMinIsWhite) != 0);
  if (plan.Target != TColorScheme::Indexed)
    return {};
  const std::vector<std::uint32_t> map = d.List(stream, ttColorMap);
  const std::size_t third = map.size() / 3;
  const std::size_t colours = std::min<std::size_t>(third, std::size_t{1} << p.BitsPerSample);
  if (colours == 0)
    Invalid();
  std::array<std::vector<std::uint8_t>, 3> channels;
  for (std::size_t c = 0; c < 3; ++c) {
    channels[c].resize(colours * 2);
    for (std::size_t i = 0; i < colours; ++i) {
      const auto value = static_cast<std::uint16_t>(map[c * third + i]);
      std::memcpy(channels[c].data() + i * 2, &value, 2);
    }
  }
  const std::array<std::span<const std::uint8_t>, 3> data{channels[0], channels[1], channels[2]};
  return cm.CreateColorPalette(data, 6, static_cast<std::uint32_t>(colours), true);
}

// Band after band (a strip, or a row of tiles), each plane's rows from its pieces; then row by row
// through the colour manager into the bitmap, `rowsDone(n)` told after each. A large strip comes in
// parts, each converted before the next is unpacked.
template <class RowsDone>
void TransferPieces(PieceReader& reader, const PieceLayout& layout, const ColourPlan& plan, TColorManager& cm,
                    TBitmap& bitmap, TImageProperties& p, RowsDone rowsDone) {
  const std::vector<std::uint32_t>& planes = plan.Planes;
  const std::size_t pieces = std::size_t{layout.Across} * layout.Down;
  std::vector<std::vector<std::uint8_t>> bands(layout.Tiled ? planes.size() : 0);
  std::vector<std::span<std::uint8_t>> rows(planes.size());
  std::vector<std::span<const std::uint8_t>> sources(planes.size());
  const std::size_t bandRowBytes = layout.PixelRowBytes(p.Width);
  const std::size_t pieceRowBytes = layout.PixelRowBytes(layout.Width);
  const std::size_t stride = layout.Tiled ? bandRowBytes : pieceRowBytes;
  p.CurrentRow = 0;
  for (std::uint32_t band = 0; band < layout.Down; ++band) {
    const std::uint32_t top = band * layout.Rows;
    const std::uint32_t bandRows = std::min(layout.Rows, p.Height - top);
    std::uint32_t partRows = bandRows;
    for (std::size_t k = 0; k < planes.size(); ++k) {
      const std::size_t first = planes[k] * pieces + std::size_t{band} * layout.Across;
      p.CurrentStrip = static_cast<std::uint32_t>(first);
      if (!layout.Tiled) {
        partRows = reader.Begin(k, first, bandRows, top);
        continue;
      }
      // A row of tiles, each put at its column; what hangs over the image's edges is dropped.
      bands[k].resize(bandRowBytes * bandRows);
      for (std::uint32_t column = 0; column < layout.Across; ++column) {
        reader.Begin(k, first + column, layout.Rows, top);
        const std::span<const std::uint8_t> tile = reader.Next(k, layout.Rows);
        const std::size_t left = layout.PixelRowBytes(column * layout.Width);
        const std::size_t bytes = std::min(pieceRowBytes, bandRowBytes - left);
        for (std::uint32_t y = 0; y < bandRows; ++y)
          std::memcpy(bands[k].data() + y * bandRowBytes + left, tile.data() + y * pieceRowBytes, bytes);
      }
      rows[k] = bands[k];
    }
    for (std::uint32_t part = 0; part < bandRows; part += partRows) {
      const std::uint32_t count = std::min(partRows, bandRows - part);
      if (!layout.Tiled) {
        for (std::size_t k = 0; k < planes.size(); ++k)
          rows[k] = reader.Next(k, count);
      }
      for (std::uint32_t y = 0; y < count; ++y) {
        if (plan.AssociatedAlpha)
          DivideOutAlpha(rows, y * stride, p.Width, p.BitsPerSample, (p.Options & ioBigEndian) != 0);
        for (std::size_t k = 0; k < planes.size(); ++k)
          sources[k] = rows[k].subspan(y * stride, bandRowBytes);
        cm.ConvertRow(sources, bitmap.ScanLine(static_cast<int>(top + part + y)), p.Width, 0xFF);
        p.CurrentRow = top + part + y + 1;
        rowsDone(p.CurrentRow);
      }
    }
  }
}

}  // namespace

void TTIFFGraphic::LoadFromStream(TInputStream& stream) {
  if (!ReadImageProperties(stream, 0)) {
    // Version 43 is BigTIFF, whose offsets are 64 bits: a format of its own, not a damaged file.
    if (Properties().Version == 43)
      NotSupported("The BigTIFF format is");
    Invalid();
  }
  TImageProperties& p = Properties();
  const TTIFFDirectory& d = directory_;
  const std::uint32_t samples = d.Value(stream, ttSamplesPerPixel, 1);
  const bool planar = p.PlanarConfig == 2 && samples > 1;
  const bool jpeg = p.Compression == TCompressionType::ctJPEG;
  const std::uint32_t width = p.Width;
  const std::uint32_t bits = p.BitsPerSample;

  std::unique_ptr<TDecoder> decoder = MakeDecoder(stream, d, p, (p.Options & ioTiled) ? p.TileWidth : width);
  CheckSamples(stream, d, p, samples, planar);
  const bool predictor = p.Compression == TCompressionType::ctDeflate && p.Predictor == 2;

  PieceLayout layout;
  layout.Tiled = (p.Options & ioTiled) != 0;
  layout.Width = layout.Tiled ? p.TileWidth : width;
  layout.Rows = layout.Tiled ? p.TileLength : std::min(p.RowsPerStrip[0], p.Height);
  layout.Across = layout.Tiled ? static_cast<std::uint32_t>(CeilDiv(width, p.TileWidth)) : 1;
  layout.Down = static_cast<std::uint32_t>(CeilDiv(p.Height, layout.Rows));
  layout.Planes = planar ? samples : 1;
  layout.PlaneBits = bits * (planar ? 1 : samples);
  TColorManager& cm = ColorManager();
  if (p.ColorScheme == TColorScheme::YCbCr && !jpeg) {
    layout.H = p.YCbCrSubSampling[0];
    layout.V = p.YCbCrSubSampling[1];
    layout.Subsampled = layout.H != 1 || layout.V != 1;
    // Luma weights the chroma tables can divide by, and subsampling the format allows (the colour
    // manager refuses any other).
    if (std::any_of(yCbCrCoefficients_.begin(), yCbCrCoefficients_.end(), [](float c) { return !(c > 0 && c < 1); }))
      Invalid();
    cm.SetYCbCrParameters(yCbCrCoefficients_, static_cast<std::uint8_t>(layout.H), static_cast<std::uint8_t>(layout.V));
  }
  if (layout.Subsampled && (bits != 8 || planar || predictor))
    NotSupported(std::string("Subsampled YCbCr ") +
                 (planar      ? "in separate planes"
                  : predictor ? "with the horizontal predictor"
                              : "of 16-bit samples") +
                 " is");
  if (layout.Tiled && layout.RowBytes(p.TileWidth) * 8 != std::uint64_t{p.TileWidth} * layout.PlaneBits)
    Invalid();  // tiles that do not start on a byte

  std::vector<std::uint32_t> offsets = d.List(stream, layout.Tiled ? ttTileOffsets : ttStripOffsets);
  std::vector<std::uint32_t> counts = d.List(stream, layout.Tiled ? ttTileByteCounts : ttStripByteCounts);
  if (layout.Tiled && offsets.empty()) {
    offsets = d.List(stream, ttStripOffsets);
    counts = d.List(stream, ttStripByteCounts);
  }
  p.StripCount = static_cast<std::uint32_t>(offsets.size());
  // Uncompressed pieces may come without counts: their rows say how long they are.
  if (offsets.size() < layout.PieceCount() || (decoder && counts.size() < layout.PieceCount()))
    Invalid();

  // The image against its data, before anything is allocated.
  std::uint64_t dataBytes = stream.Size() - std::min(stream.Size(), basePosition_);
  if (counts.size() >= layout.PieceCount())
    dataBytes = std::min(
        dataBytes, std::accumulate(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(layout.PieceCount()),
                                   std::uint64_t{0}));
  std::uint64_t expansion = MaxExpansion(p.Compression);
  if (IsFax(p.Compression))
    expansion = std::max<std::uint64_t>(expansion, CeilDiv(layout.Width, 8) * 8);  // a blank row takes a bit
  // h x v luma samples share a chroma pair: subsampled YCbCr takes fewer bits a pixel than its samples.
  const unsigned storedBits =
      layout.Subsampled ? 8 * (layout.H * layout.V + 2) / (layout.H * layout.V) : unsigned{p.BitsPerPixel};
  CheckImageBudget(width, p.Height, storedBits, dataBytes, expansion, kFormat);
  // Whole tiles may reach past the picture: only the budget holds them (the size check is the picture's).
  if (layout.Tiled)
    vrel::CheckImageBudget(std::uint64_t{layout.Across} * p.TileWidth, std::uint64_t{layout.Down} * p.TileLength,
                           storedBits, dataBytes, expansion, kFormat);

  ColourPlan plan = PlanColours(p, samples, planar);
  const std::vector<std::uint32_t> extra = d.List(stream, ttExtraSamples);
  plan.AssociatedAlpha =
      plan.Source == TColorScheme::RGBA && (bits == 8 || bits == 16) && !extra.empty() && extra[0] == 1;
  cm.SetSourceOptions(0);
  cm.SetTargetOptions(0);
  cm.SetSourceColorScheme(plan.Source);
  cm.SetTargetColorScheme(plan.Target);
  cm.SetSourceBitsPerSample(static_cast<std::uint8_t>(bits));
  cm.SetTargetBitsPerSample(static_cast<std::uint8_t>(plan.TargetBits));
  cm.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(plan.SourceSamples));
  cm.SetTargetSamplesPerPixel(static_cast<std::uint8_t>(plan.TargetSamples));
  TPalette palette = MakePalette(stream, d, p, plan, cm);
  TConvertOptions options = p.Options & ioBigEndian ? coNeedByteSwap : 0;
  if (plan.Source == TColorScheme::CIELab)
    options |= coLabByteRange;
  cm.SetSourceOptions(options);
  cm.PrepareConversion();

  SetPixelFormat(cm.GetPixelFormat(1));
  SetSize(static_cast<int>(width), static_cast<int>(p.Height));
  SetPalette(std::move(palette));
  SetAlphaFormat(plan.Target == TColorScheme::BGRA ? TAlphaFormat::afDefined : TAlphaFormat::afIgnored);
  p.BytesPerLine = static_cast<std::uint32_t>(layout.RowBytes(width));

  const std::uint32_t pieceWidth = layout.Width;
  PieceReader reader(
      stream, basePosition_, layout, p, std::move(offsets), std::move(counts), std::move(decoder),
      [&stream, &d, &p, pieceWidth] { return MakeDecoder(stream, d, p, pieceWidth); }, predictor,
      planar ? 1u : samples);
  Progress(psStarting, 0, kTransfering);
  TransferPieces(reader, layout, plan, cm, *this, p,
                 [this, height = p.Height](std::uint32_t rows) { RowProgress(rows, height); });
  Progress(psEnding, 100);
  reader.Finish();
}

}  // namespace vrel
