#pragma once

// The decompressors the image loaders apply to one row, strip, tile or block of packed data at a
// time: the run-length schemes of Targa, PackBits, PCX, SGI, Dr. Halo CUT, Paint Shop Pro and RLA,
// deflate (zlib) and ThunderScan here; the CCITT fax schemes, JPEG inside TIFF and the Photo-CD
// Huffman scheme in their own units. Only the Targa scheme also encodes.
//
// A loader makes the decoder it needs, calls DecodeInit once, Decode for each piece and DecodeEnd
// once. Decode works on two spans, the packed bytes and the room for the unpacked ones, and never
// reads or writes outside them; it answers how many bytes it used and wrote. Where the unpacked size
// is known, a piece whose data ends before its output is full is damaged: Decode raises EDecodeError
// with "... decompression error. Unexpected end of input.". Data beyond a full output is left unread.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include <zlib.h>

#include "platform/Exceptions.h"

struct libdeflate_decompressor;

namespace vrel {

// What a decoder raises when its data is damaged or uses what it cannot decode.
class EDecodeError : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void CompressionError(const std::string& message);

// "<scheme> decompression error. Unexpected end of input."
[[noreturn]] void UnexpectedEndOfInput(const char* scheme);

struct TDecodeResult {
  std::size_t Consumed = 0;  // packed bytes used, from the start of the source
  std::size_t Produced = 0;  // unpacked bytes written, from the start of the target
};

class TDecoder {
 public:
  virtual ~TDecoder() = default;
  virtual void DecodeInit() {}
  virtual TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) = 0;
  virtual void DecodeEnd() {}

  // A piece unpacked a part at a time, so that a large one is never held whole: BeginPiece with all
  // its packed bytes (which the caller keeps until the piece is done), then DecodeNext for its
  // unpacked bytes in turn, each filling its whole target or raising as Decode does. Only where
  // DecodesInParts() is true.
  virtual bool DecodesInParts() const { return false; }
  virtual void BeginPiece(std::span<const std::uint8_t> source);
  virtual void DecodeNext(std::span<std::uint8_t> target);
};

// Targa run-length packets of whole pixels: a header h, then (h and 127) + 1 pixels as they are, or
// with h >= 128 one pixel repeated that often. The target takes target.size() / bytes-per-pixel
// pixels.
class TTargaRLEDecoder : public TDecoder {
 public:
  // Colour depth in bits: 8, 15, 16, 24 or 32.
  explicit TTargaRLEDecoder(int colorDepth);
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;

  std::size_t BytesPerPixel() const { return bytesPerPixel_; }
  // The most bytes Encode can write for `pixelCount` pixels.
  std::size_t MaxEncodedSize(std::size_t pixelCount) const { return pixelCount * (bytesPerPixel_ + 1); }
  // Encodes the pixels of `source` (a whole number of pixels) into `target`, which must hold
  // MaxEncodedSize; answers the bytes written.
  std::size_t Encode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) const;

 private:
  std::size_t bytesPerPixel_;
};

// Targa run-length data read on from one target to the next: a packet that crosses the end of one
// target (a row of a picture) goes on into the next, so rows keep every pixel their packets carry.
class TTargaRLEReader {
 public:
  // Colour depth in bits: 8, 15, 16, 24 or 32. The source must outlive the reader.
  TTargaRLEReader(int colorDepth, std::span<const std::uint8_t> source);

  // Fills the target's whole pixels; raises "Targa RLE decompression error. Unexpected end of input."
  // when the data end first.
  void Read(std::span<std::uint8_t> target);
  // Source bytes used so far; a packet's pixels not yet written are not counted.
  std::size_t Consumed() const { return in_; }
  // Pixels of the current packet still to come.
  std::size_t PendingPixels() const { return pending_; }
  // True while the current packet is a run (its pixel is read already).
  bool PendingIsRun() const { return repeating_; }

 private:
  template <std::size_t Bpp>
  void ReadPixels(std::span<std::uint8_t> target);
  // The data end at `in`, inside a packet or before one.
  [[noreturn]] void Fail(std::size_t in);

  std::span<const std::uint8_t> source_;
  std::size_t bytesPerPixel_;
  std::size_t in_ = 0;
  std::size_t pending_ = 0;
  bool repeating_ = false;
  std::uint8_t value_[4] = {};
};

// PackBits (TIFF, Photoshop): a signed header h; 0 to 127 copy h + 1 bytes, -1 to -127 repeat the
// next byte 1 - h times, -128 is skipped.
class TPackbitsRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
  bool DecodesInParts() const override { return true; }
  void BeginPiece(std::span<const std::uint8_t> source) override;
  void DecodeNext(std::span<std::uint8_t> target) override;

 private:
  std::span<const std::uint8_t> source_;
  std::size_t in_ = 0;
  std::size_t pending_ = 0;  // bytes of the current packet still to come
  bool repeating_ = false;
  std::uint8_t value_ = 0;
};

// PCX: a byte with its two top bits set repeats the next byte (h and 63) times; any other byte is
// itself.
class TPCXRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

// SGI, one channel row: count = h and 127, 0 ends the row; h >= 128 copies count samples, else the
// next sample is repeated count times. 16-bit samples and their headers are big-endian words, copied
// as stored; the loader swaps them.
class TSGIRLEDecoder : public TDecoder {
 public:
  // Sample size in bits: 8 or 16.
  explicit TSGIRLEDecoder(int sampleSize);
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;

 private:
  std::uint8_t sampleSize_;
};

// Dr. Halo CUT, one row: a 16-bit length (not needed), packets until a byte 0; count = h and 127,
// h >= 128 repeats the next byte count times, else count bytes are copied. Consumed ends after the
// end byte, where the next row begins.
class TCUTRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

// Paint Shop Pro: h < 128 copies h bytes, else the next byte is repeated h - 128 times.
class TPSPRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

// RLA: a signed header h; h >= 0 repeats the next byte h + 1 times, h < 0 copies -h bytes.
class TRLADecoder : public TDecoder {
 public:
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

// Deflate through zlib. With auto-reset every piece is a stream of its own (a TIFF strip or tile):
// Decode then raises "LZ77 decompression error." when the data is damaged, or when the stream ends
// or its data runs out before the target is full; a target that fills before the stream ends is
// accepted. A piece that fills its target exactly goes through libdeflate, which decodes whole
// streams more than twice as fast. Without auto-reset one stream spans many pieces (PNG's chunks, a
// Paint Shop Pro channel): Decode takes what each piece gives and raises nothing; the caller judges
// ZlibResult().
class TLZ77Decoder : public TDecoder {
 public:
  // The zlib flush mode of each inflate (Z_PARTIAL_FLUSH, Z_FINISH, ...).
  TLZ77Decoder(int flushMode, bool autoReset);
  ~TLZ77Decoder() override;
  TLZ77Decoder(const TLZ77Decoder&) = delete;
  TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

  void DecodeInit() override;
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
  void DecodeEnd() override;
  // With auto-reset a piece can go in parts, through zlib alone.
  bool DecodesInParts() const override { return autoReset_; }
  void BeginPiece(std::span<const std::uint8_t> source) override;
  void DecodeNext(std::span<std::uint8_t> target) override;

  // zlib's answer to the last inflate: Z_OK, Z_STREAM_END, Z_BUF_ERROR (no progress possible), or an
  // error code.
  int ZlibResult() const { return result_; }

 private:
  // Inflates from the source into the target until either is used up or the stream ends.
  TDecodeResult Inflate(std::span<const std::uint8_t> source, std::span<std::uint8_t> target);
  // With auto-reset: raises unless the inflate that wrote `produced` bytes filled the target.
  void CheckFilled(std::size_t produced, std::size_t target) const;

  z_stream stream_{};
  libdeflate_decompressor* whole_ = nullptr;  // with auto-reset, for pieces that are whole streams
  std::span<const std::uint8_t> piece_;       // the piece going in parts, and how much of it is used
  std::size_t pieceIn_ = 0;
  int flushMode_;
  bool autoReset_;
  bool initialised_ = false;
  int result_ = Z_OK;
};

// ThunderScan 4-bit: rows of `width` pixels, two to a byte (the first in the high half), each row
// starting on a byte with the last pixel 0. A code byte by its two top bits: 00 a run of the last
// pixel, 01 three 2-bit deltas, 10 two 3-bit deltas, 11 one raw pixel.
class TThunderDecoder : public TDecoder {
 public:
  explicit TThunderDecoder(std::uint32_t width);
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;

 private:
  std::uint32_t width_;
};

// Reverses the bit order of every byte (TIFF FillOrder 2).
void ReverseBits(std::span<std::uint8_t> bytes);
std::uint8_t ReversedBits(std::uint8_t byte);

}  // namespace vrel
