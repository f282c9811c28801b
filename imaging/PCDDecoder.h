#pragma once

// The Photo-CD Huffman scheme: the residuals that correct the upsampled planes of the 4Base and
// 16Base resolutions. The decoder reads its stream itself, from the position it is given, through a
// 32-bit window refilled byte by byte from 2048-byte blocks:
// - the Huffman tables: one for widths up to 1536, else three (luma, then each chroma plane); each a
//   count - 1 (8 bits), then per entry a code length - 1 (8 bits), the code (16 bits, from its high
//   bit) and a signed value (8 bits). A code length above 16 ends decoding;
// - rows, each behind a sync: whole bytes are skipped until the window's low 24 bits are FF F0 00,
//   then single bits until its high 24 bits are 23 ones and a zero; after those 24 bits a 24-bit row
//   header holds the plane in its top two bits (0 luma, 2 and 3 chroma) and the row number in bits
//   21 to 9 of the window; the row's codes follow, each adding its value to the next sample,
//   clamped to 0..255. A code no entry matches, or a row that is full, leads to the next sync. A row
//   number equal to the height ends decoding.
//
// The stream ending before that raises EDecodeError, as do a plane number 1 and a row number beyond
// the height.

#include <cstdint>
#include <span>

#include "imaging/RasterDecoders.h"
#include "imaging/Streams.h"

namespace vrel {

// Luma rows of `width` samples; chroma rows of width / 2 samples at a stride of `width`, one for
// every two luma rows.
struct TPCDPlanes {
  std::span<std::uint8_t> Luma;
  std::span<std::uint8_t> Chroma1;
  std::span<std::uint8_t> Chroma2;
};

class TPCDDecoder {
 public:
  explicit TPCDDecoder(TInputStream& stream) : stream_(stream) {}

  // Adds the residuals to the planes of a `width` x `height` image: Luma holds width x height
  // samples, each chroma plane width x (height + 1) / 2.
  void Decode(const TPCDPlanes& planes, std::uint32_t width, std::uint32_t height);

 private:
  TInputStream& stream_;
};

}  // namespace vrel
