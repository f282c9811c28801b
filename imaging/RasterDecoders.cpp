#include "imaging/RasterDecoders.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace vrel {

void CompressionError(const std::string& message) {
  throw EDecodeError(message);
}

void UnexpectedEndOfInput(const char* scheme) {
  CompressionError(std::string(scheme) + " decompression error. Unexpected end of input.");
}

void TDecoder::BeginPiece(std::span<const std::uint8_t>) {
  throw std::logic_error("This decoder takes whole pieces only");
}

void TDecoder::DecodeNext(std::span<std::uint8_t>) {
  throw std::logic_error("This decoder takes whole pieces only");
}

namespace {

// The source and target of one run-length Decode, read and written only through checked steps: a
// header or value that is not there while the target still has room raises; runs and copies stop at
// the target's end.
class Packets {
 public:
  Packets(std::span<const std::uint8_t> source, std::span<std::uint8_t> target, const char* scheme)
      : source_(source), target_(target), scheme_(scheme) {}

  bool Full() const { return out_ == target_.size(); }
  bool Exhausted() const { return in_ == source_.size(); }
  TDecodeResult Result() const { return {in_, out_}; }

  std::uint8_t Next() {
    if (in_ == source_.size())
      UnexpectedEndOfInput(scheme_);
    return source_[in_++];
  }
  // The next `count` source bytes.
  std::span<const std::uint8_t> Take(std::size_t count) {
    if (source_.size() - in_ < count)
      UnexpectedEndOfInput(scheme_);
    const auto bytes = source_.subspan(in_, count);
    in_ += count;
    return bytes;
  }
  void Put(std::uint8_t value) {
    if (!Full())
      target_[out_++] = value;
  }
  void Repeat(std::uint8_t value, std::size_t count) {
    const std::size_t n = std::min(count, target_.size() - out_);
    // Short runs are the common case: where there is room, a fixed 128 bytes are written (the ones
    // past the run are written over by what follows), which the compiler does in a few wide moves.
    if (n <= kChunk && target_.size() - out_ >= kChunk)
      std::memset(target_.data() + out_, value, kChunk);
    else
      std::memset(target_.data() + out_, value, n);
    out_ += n;
  }
  // `count` copies of a value of value.size() bytes; the target takes whole values only.
  void Repeat(std::span<const std::uint8_t> value, std::size_t count) {
    const std::size_t n = std::min(count, (target_.size() - out_) / value.size());
    for (std::size_t i = 0; i < n; ++i, out_ += value.size())
      std::memcpy(target_.data() + out_, value.data(), value.size());
  }
  // Copies `count` source bytes; those beyond a full target are skipped as far as they are there.
  void Copy(std::size_t count) {
    const std::size_t n = std::min(count, target_.size() - out_);
    const auto bytes = Take(n);
    // As in Repeat: a fixed 128 bytes where both sides have them.
    if (n <= kChunk && target_.size() - out_ >= kChunk && source_.size() - (in_ - n) >= kChunk)
      std::memcpy(target_.data() + out_, bytes.data(), kChunk);
    else
      std::memcpy(target_.data() + out_, bytes.data(), n);
    out_ += n;
    in_ += std::min(count - n, source_.size() - in_);
  }

 private:
  static constexpr std::size_t kChunk = 128;

  std::span<const std::uint8_t> source_;
  std::span<std::uint8_t> target_;
  const char* scheme_;
  std::size_t in_ = 0;
  std::size_t out_ = 0;
};

}  // namespace

// ---- Targa ---------------------------------------------------------------------------------------

TTargaRLEDecoder::TTargaRLEDecoder(int colorDepth) : bytesPerPixel_(static_cast<std::size_t>(colorDepth + 1) / 8) {
  if (colorDepth != 8 && colorDepth != 15 && colorDepth != 16 && colorDepth != 24 && colorDepth != 32)
    throw std::invalid_argument("Targa colour depth must be 8, 15, 16, 24 or 32");
}

// A packet cut at the target's end is skipped as far as its bytes are there, so Consumed stands
// after it.
TDecodeResult TTargaRLEDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  const std::size_t bpp = bytesPerPixel_;
  const std::span<std::uint8_t> pixels = target.first(target.size() / bpp * bpp);
  TTargaRLEReader reader(static_cast<int>(bpp == 2 ? 16 : bpp * 8), source);
  reader.Read(pixels);
  std::size_t consumed = reader.Consumed();
  if (!reader.PendingIsRun())
    consumed += std::min(reader.PendingPixels() * bpp, source.size() - consumed);
  return {consumed, pixels.size()};
}

void TTargaRLEReader::Fail(std::size_t in) {
  in_ = in;
  pending_ = 0;
  UnexpectedEndOfInput("Targa RLE");
}

TTargaRLEReader::TTargaRLEReader(int colorDepth, std::span<const std::uint8_t> source)
    : source_(source), bytesPerPixel_(static_cast<std::size_t>(colorDepth + 1) / 8) {
  if (colorDepth != 8 && colorDepth != 15 && colorDepth != 16 && colorDepth != 24 && colorDepth != 32)
    throw std::invalid_argument("Targa colour depth must be 8, 15, 16, 24 or 32");
}

void TTargaRLEReader::Read(std::span<std::uint8_t> target) {
  switch (bytesPerPixel_) {
    case 1:
      ReadPixels<1>(target);
      break;
    case 2:
      ReadPixels<2>(target);
      break;
    case 3:
      ReadPixels<3>(target);
      break;
    default:
      ReadPixels<4>(target);
      break;
  }
}

// Pixels of a size known at compile time, the packet's state in locals: photographs give millions of
// short packets, so the copies of single pixels are plain moves.
template <std::size_t Bpp>
void TTargaRLEReader::ReadPixels(std::span<std::uint8_t> target) {
  const std::uint8_t* source = source_.data();
  const std::size_t size = source_.size();
  std::uint8_t* out = target.data();
  std::size_t left = target.size() / Bpp;
  std::size_t in = in_;
  std::size_t pending = pending_;
  bool repeating = repeating_;
  std::uint8_t value[Bpp];
  std::memcpy(value, value_, Bpp);
  while (left > 0) {
    if (pending == 0) {
      if (in == size)
        Fail(in);
      const std::uint8_t header = source[in++];
      pending = (header & 127u) + 1;
      repeating = (header & 128u) != 0;
      if (repeating) {
        if (size - in < Bpp)
          Fail(in);
        std::memcpy(value, source + in, Bpp);
        in += Bpp;
      }
    }
    const std::size_t n = pending < left ? pending : left;
    const std::size_t bytes = n * Bpp;
    if (!repeating) {
      if (size - in < bytes)
        Fail(in);
      // A short copy as one fixed move where both sides have the room: what lands beyond the packet
      // is written over by the next ones.
      const std::size_t room = std::min(size - in, static_cast<std::size_t>(target.data() + target.size() - out));
      if (bytes <= 32 && room >= 32)
        std::memcpy(out, source + in, 32);
      else
        std::memcpy(out, source + in, bytes);
      in += bytes;
    } else if constexpr (Bpp == 1) {
      std::memset(out, value[0], n);
    } else if (n < 8) {
      for (std::size_t i = 0; i < n; ++i)
        std::memcpy(out + i * Bpp, value, Bpp);
    } else {
      // Long runs: the pixels written so far copied onto the rest, doubling each time.
      std::memcpy(out, value, Bpp);
      for (std::size_t done = Bpp; done < bytes;) {
        const std::size_t step = std::min(done, bytes - done);
        std::memcpy(out + done, out, step);
        done += step;
      }
    }
    out += bytes;
    pending -= n;
    left -= n;
  }
  in_ = in;
  pending_ = pending;
  repeating_ = repeating;
  std::memcpy(value_, value, Bpp);
}

std::size_t TTargaRLEDecoder::Encode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) const {
  const std::size_t bpp = bytesPerPixel_;
  const std::size_t pixels = source.size() / bpp;
  if (source.size() % bpp != 0 || target.size() < MaxEncodedSize(pixels))
    throw std::invalid_argument("Targa encoding needs whole pixels and room for the worst case");
  const auto pixel = [&](std::size_t i) { return source.subspan(i * bpp, bpp); };
  const auto same = [&](std::size_t a, std::size_t b) { return std::ranges::equal(pixel(a), pixel(b)); };
  std::size_t written = 0;
  std::size_t i = 0;
  while (i < pixels) {
    // Pixels up to the first one equal to its successor go as they are; a run of equal pixels goes as
    // one. A position starts one or the other, never both.
    std::size_t differing = 0;
    while (i + differing < pixels && differing < 128 &&
           (i + differing + 1 == pixels || !same(i + differing, i + differing + 1)))
      ++differing;
    std::size_t equal = 1;
    while (i + equal < pixels && equal < 128 && same(i, i + equal))
      ++equal;
    if (differing > 0) {
      target[written++] = static_cast<std::uint8_t>(differing - 1);
      std::memcpy(target.data() + written, source.data() + i * bpp, differing * bpp);
      written += differing * bpp;
      i += differing;
    } else {
      target[written++] = static_cast<std::uint8_t>((equal - 1) | 128u);
      std::memcpy(target.data() + written, source.data() + i * bpp, bpp);
      written += bpp;
      i += equal;
    }
  }
  return written;
}

// ---- PackBits, PCX -------------------------------------------------------------------------------

// A copy cut at the target's end is skipped as far as its bytes are there, so Consumed stands after
// it.
TDecodeResult TPackbitsRLEDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  BeginPiece(source);
  DecodeNext(target);
  const std::size_t consumed = in_ + (repeating_ ? 0 : std::min(pending_, source.size() - in_));
  return {consumed, target.size()};
}

void TPackbitsRLEDecoder::BeginPiece(std::span<const std::uint8_t> source) {
  source_ = source;
  in_ = 0;
  pending_ = 0;
  repeating_ = false;
}

// The packet's state in locals, and short runs and copies as one fixed 128-byte move where both sides
// have the room (what lands beyond the packet is written over by the next ones): PackBits data is
// mostly packets of a few bytes.
void TPackbitsRLEDecoder::DecodeNext(std::span<std::uint8_t> target) {
  constexpr std::size_t kChunk = 128;
  const std::uint8_t* const source = source_.data();
  const std::size_t size = source_.size();
  std::uint8_t* out = target.data();
  std::size_t left = target.size();
  std::size_t in = in_;
  std::size_t pending = pending_;
  bool repeating = repeating_;
  std::uint8_t value = value_;
  while (left > 0) {
    if (pending == 0) {
      if (in == size)
        UnexpectedEndOfInput("PackBits");
      const auto header = static_cast<std::int8_t>(source[in++]);
      if (header == -128)
        continue;
      repeating = header < 0;
      pending = static_cast<std::size_t>(repeating ? 1 - header : header + 1);
      if (repeating) {
        if (in == size)
          UnexpectedEndOfInput("PackBits");
        value = source[in++];
      }
    }
    const std::size_t n = std::min(pending, left);
    if (repeating) {
      std::memset(out, value, n <= kChunk && left >= kChunk ? kChunk : n);
    } else {
      if (size - in < n)
        UnexpectedEndOfInput("PackBits");
      std::memcpy(out, source + in, n <= kChunk && left >= kChunk && size - in >= kChunk ? kChunk : n);
      in += n;
    }
    out += n;
    left -= n;
    pending -= n;
  }
  in_ = in;
  pending_ = pending;
  repeating_ = repeating;
  value_ = value;
}

TDecodeResult TPCXRLEDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  Packets packets(source, target, "PCX RLE");
  while (!packets.Full()) {
    const std::uint8_t header = packets.Next();
    if ((header & 0xC0u) == 0xC0u)
      packets.Repeat(packets.Next(), header & 63u);
    else
      packets.Put(header);
  }
  return packets.Result();
}

// ---- SGI, CUT ------------------------------------------------------------------------------------

TSGIRLEDecoder::TSGIRLEDecoder(int sampleSize) : sampleSize_(static_cast<std::uint8_t>(sampleSize)) {
  if (sampleSize != 8 && sampleSize != 16)
    throw std::invalid_argument("SGI sample size must be 8 or 16");
}

// A row ends with a count of 0; one that ends before the row is full is damaged like a cut-off one.
TDecodeResult TSGIRLEDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  constexpr const char* kScheme = "SGI RLE";
  if (sampleSize_ == 8) {
    Packets packets(source, target, kScheme);
    while (!packets.Full()) {
      const std::uint8_t header = packets.Next();
      const std::size_t count = header & 127u;
      if (count == 0)
        UnexpectedEndOfInput(kScheme);
      if (header & 128u)
        packets.Copy(count);
      else
        packets.Repeat(packets.Next(), count);
    }
    return packets.Result();
  }
  Packets packets(source, target.first(target.size() & ~std::size_t{1}), kScheme);
  while (!packets.Full()) {
    const auto word = packets.Take(2);
    const std::size_t count = word[1] & 127u;
    if (count == 0)
      UnexpectedEndOfInput(kScheme);
    if (word[1] & 128u)
      packets.Copy(count * 2);
    else
      packets.Repeat(packets.Take(2), count);
  }
  return packets.Result();
}

TDecodeResult TCUTRLEDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  constexpr const char* kScheme = "CUT RLE";
  Packets packets(source, target, kScheme);
  packets.Take(2);
  for (;;) {
    if (packets.Exhausted() && packets.Full())
      return packets.Result();
    const std::uint8_t header = packets.Next();
    if (header == 0) {
      if (!packets.Full())
        UnexpectedEndOfInput(kScheme);
      return packets.Result();
    }
    const std::size_t count = header & 127u;
    if (header & 128u)
      packets.Repeat(packets.Next(), count);
    else
      packets.Copy(count);
  }
}

// ---- Paint Shop Pro, RLA -------------------------------------------------------------------------

TDecodeResult TPSPRLEDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  Packets packets(source, target, "PSP RLE");
  while (!packets.Full()) {
    const std::uint8_t header = packets.Next();
    if (header < 128)
      packets.Copy(header);
    else
      packets.Repeat(packets.Next(), header - 128u);
  }
  return packets.Result();
}

TDecodeResult TRLADecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  Packets packets(source, target, "RLA RLE");
  while (!packets.Full()) {
    const auto header = static_cast<std::int8_t>(packets.Next());
    if (header >= 0)
      packets.Repeat(packets.Next(), static_cast<std::size_t>(header) + 1);
    else
      packets.Copy(static_cast<std::size_t>(-header));
  }
  return packets.Result();
}

// ---- Deflate -------------------------------------------------------------------------------------

namespace {
constexpr const char* kLZ77Error = "LZ77 decompression error.";
}

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset) : flushMode_(flushMode), autoReset_(autoReset) {}

TLZ77Decoder::~TLZ77Decoder() {
  if (initialised_)
    inflateEnd(&stream_);
  libdeflate_free_decompressor(whole_);
}

void TLZ77Decoder::DecodeInit() {
  DecodeEnd();
  stream_ = z_stream{};
  if (inflateInit(&stream_) != Z_OK)
    CompressionError(kLZ77Error);
  initialised_ = true;
  result_ = Z_OK;
  if (autoReset_ && !(whole_ = libdeflate_alloc_decompressor()))
    CompressionError(kLZ77Error);
}

void TLZ77Decoder::DecodeEnd() {
  libdeflate_free_decompressor(whole_);
  whole_ = nullptr;
  if (!initialised_)
    return;
  initialised_ = false;
  if (inflateEnd(&stream_) < 0)
    CompressionError(kLZ77Error);
}

TDecodeResult TLZ77Decoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  if (!initialised_)
    throw std::logic_error("TLZ77Decoder::Decode before DecodeInit");
  if (whole_) {
    // A whole stream that fills the target exactly is libdeflate's, which is more than twice as fast.
    // Anything else goes to zlib, which tells a cut stream from a damaged one and accepts a target
    // that fills before the stream ends.
    std::size_t consumed = 0;
    if (libdeflate_zlib_decompress_ex(whole_, source.data(), source.size(), target.data(), target.size(), &consumed,
                                      nullptr) == LIBDEFLATE_SUCCESS) {
      result_ = Z_STREAM_END;
      return {consumed, target.size()};
    }
  }
  if (autoReset_ && inflateReset(&stream_) != Z_OK)
    CompressionError(kLZ77Error);
  const TDecodeResult done = Inflate(source, target);
  if (autoReset_)
    CheckFilled(done.Produced, target.size());
  return done;
}

void TLZ77Decoder::BeginPiece(std::span<const std::uint8_t> source) {
  if (!initialised_ || !autoReset_)
    throw std::logic_error("TLZ77Decoder::BeginPiece before DecodeInit or without auto-reset");
  if (inflateReset(&stream_) != Z_OK)
    CompressionError(kLZ77Error);
  piece_ = source;
  pieceIn_ = 0;
}

void TLZ77Decoder::DecodeNext(std::span<std::uint8_t> target) {
  const TDecodeResult done = Inflate(piece_.subspan(pieceIn_), target);
  pieceIn_ += done.Consumed;
  CheckFilled(done.Produced, target.size());
}

void TLZ77Decoder::CheckFilled(std::size_t produced, std::size_t target) const {
  if (result_ != Z_OK && result_ != Z_STREAM_END && result_ != Z_BUF_ERROR)
    CompressionError(kLZ77Error);
  if (produced < target)
    UnexpectedEndOfInput("LZ77");
}

TDecodeResult TLZ77Decoder::Inflate(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  TDecodeResult done;
  // zlib counts in 32 bits; a larger piece goes in slices.
  do {
    const std::size_t in = std::min<std::size_t>(source.size() - done.Consumed, UINT_MAX);
    const std::size_t out = std::min<std::size_t>(target.size() - done.Produced, UINT_MAX);
    stream_.next_in = const_cast<Bytef*>(source.data() + done.Consumed);
    stream_.avail_in = static_cast<uInt>(in);
    stream_.next_out = target.data() + done.Produced;
    stream_.avail_out = static_cast<uInt>(out);
    result_ = inflate(&stream_, flushMode_);
    done.Consumed += in - stream_.avail_in;
    done.Produced += out - stream_.avail_out;
  } while (result_ == Z_OK && done.Consumed < source.size() && done.Produced < target.size());
  return done;
}

// ---- ThunderScan ---------------------------------------------------------------------------------

TThunderDecoder::TThunderDecoder(std::uint32_t width) : width_(width) {}

TDecodeResult TThunderDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  static constexpr int kTwoBitDeltas[4] = {0, 1, 0, -1};
  static constexpr int kThreeBitDeltas[8] = {0, 1, 2, 3, 0, -3, -2, -1};
  const std::size_t rowBytes = (std::size_t{width_} + 1) / 2;
  std::size_t in = 0;
  std::size_t out = 0;
  while (rowBytes > 0 && out < target.size()) {
    const auto row = target.subspan(out, std::min(rowBytes, target.size() - out));
    const std::size_t rowPixels = std::min<std::size_t>(width_, row.size() * 2);
    std::uint8_t last = 0;
    std::size_t pixels = 0;
    const auto set = [&](int value) {
      last = static_cast<std::uint8_t>(value & 15);
      if (pixels >= rowPixels)
        return;
      std::uint8_t& byte = row[pixels / 2];
      byte = pixels % 2 == 0 ? static_cast<std::uint8_t>(last << 4) : static_cast<std::uint8_t>(byte | last);
      ++pixels;
    };
    while (pixels < rowPixels) {
      if (in == source.size())
        UnexpectedEndOfInput("ThunderScan");
      const std::uint8_t code = source[in++];
      switch (code >> 6) {
        case 0:
          for (int n = code & 63; n > 0 && pixels < rowPixels; --n)
            set(last);
          break;
        case 1:
          for (const int shift : {4, 2, 0})
            if (const int delta = (code >> shift) & 3; delta != 2)
              set(last + kTwoBitDeltas[delta]);
          break;
        case 2:
          for (const int shift : {3, 0})
            if (const int delta = (code >> shift) & 7; delta != 4)
              set(last + kThreeBitDeltas[delta]);
          break;
        default:
          set(code & 15);
          break;
      }
    }
    out += row.size();
  }
  return {in, out};
}

// ---- Fill order ----------------------------------------------------------------------------------

namespace {
constexpr std::array<std::uint8_t, 256> kReversedBits = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned value = 0; value < 256; ++value) {
    unsigned reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
      reversed |= ((value >> bit) & 1u) << (7 - bit);
    table[value] = static_cast<std::uint8_t>(reversed);
  }
  return table;
}();
}  // namespace

std::uint8_t ReversedBits(std::uint8_t byte) {
  return kReversedBits[byte];
}

void ReverseBits(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& byte : bytes)
    byte = kReversedBits[byte];
}

}  // namespace vrel
