#pragma once

// The CCITT fax decoders of TIFF: Group 3 with end-of-line codes, one- or two-dimensional (ITU-T T.4),
// Group 4 (T.6), and modified Huffman rows without end-of-line codes, each starting on a byte, or on a
// 16-bit word of the strip (TIFF compressions 3, 4, 2 and 32771). The target takes rows of
// (width + 7) / 8 bytes, one bit per pixel from the high bit, black runs as 1 bits.
//
// Group 3 resynchronises at the next end-of-line code after a row with a code it does not know (the
// rest of that row stays white), as the format intends; a row ended early by an end-of-line code is
// white from there. Modified Huffman and Group 4 data cannot resynchronise, so an unknown code raises
// EDecodeError. Every decoder raises when its data ends before the target's rows are decoded, and
// when the data switches to uncompressed mode, which it cannot decode.

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/RasterDecoders.h"

namespace vrel {

// TIFF T4Options bits.
inline constexpr std::uint32_t kT4TwoDimensional = 1;
inline constexpr std::uint32_t kT4Uncompressed = 2;
inline constexpr std::uint32_t kT4FillBits = 4;

class TCCITTDecoder : public TDecoder {
 public:
  // `options` are T4Options (T6Options for Group 4); `swapBits` reads every byte from its low bit
  // (FillOrder 2); `width` is the row's width in pixels.
  TCCITTDecoder(std::uint32_t options, bool swapBits, std::uint32_t width, bool wordAligned);

  std::size_t RowBytes() const { return (std::size_t{width_} + 7) / 8; }

 protected:
  // Clears the target (white); the number of whole rows it holds.
  std::size_t ClearRows(std::span<std::uint8_t> target) const;

  std::uint32_t options_;
  bool swapBits_;
  std::uint32_t width_;
  bool wordAligned_;
  // Changing elements of the previous row (the reference of two-dimensional coding) and of the row
  // being decoded.
  std::vector<std::uint32_t> reference_;
  std::vector<std::uint32_t> current_;
};

// Group 3: every row after an end-of-line code; with kT4TwoDimensional a tag bit after it says
// whether the row is coded alone or against the row above.
class TCCITTFax3Decoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

// Modified Huffman: one-dimensional rows without end-of-line codes, each starting on a byte (on an
// even byte of the strip when word aligned).
class TCCITTMHDecoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

// Group 4: every row coded against the row above, the first against a white row, no end-of-line
// codes and no padding.
class TCCITTFax4Decoder : public TCCITTDecoder {
 public:
  using TCCITTDecoder::TCCITTDecoder;
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
};

}  // namespace vrel
