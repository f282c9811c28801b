#pragma once

// One image file directory of a TIFF file: its 12-byte entries sorted by tag, and the reads of their
// values in the file's byte order. Offsets count from the base position, where the TIFF data begin
// (0 in a plain file, the preview's start inside an EPS file). A value too long for its entry lies at
// its offset; every such read is checked against the stream first, so a list that points outside the
// file raises instead of being read or allocated.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/Streams.h"

namespace vrel {

// The tags the loader reads.
enum TTIFFTag : std::uint16_t {
  ttImageWidth = 256,
  ttImageLength = 257,
  ttBitsPerSample = 258,
  ttCompression = 259,
  ttPhotometric = 262,
  ttFillOrder = 266,
  ttStripOffsets = 273,
  ttSamplesPerPixel = 277,
  ttRowsPerStrip = 278,
  ttStripByteCounts = 279,
  ttXResolution = 282,
  ttYResolution = 283,
  ttPlanarConfig = 284,
  ttT4Options = 292,
  ttT6Options = 293,
  ttResolutionUnit = 296,
  ttPredictor = 317,
  ttColorMap = 320,
  ttTileWidth = 322,
  ttTileLength = 323,
  ttTileOffsets = 324,
  ttTileByteCounts = 325,
  ttExtraSamples = 338,
  ttSampleFormat = 339,
  ttJPEGTables = 347,
  ttYCbCrCoefficients = 529,
  ttYCbCrSubSampling = 530,
  ttYCbCrPositioning = 531,
};

struct TTIFFEntry {
  std::uint16_t Tag = 0;
  std::uint16_t Type = 0;
  std::uint32_t Count = 0;
  std::array<std::uint8_t, 4> Value{};  // the value itself when it fits, else its offset; as stored
};

class TTIFFDirectory {
 public:
  // The directory of image `imageIndex`, walking from the one at `firstOffset`; nothing when a
  // directory lies outside the stream or the chain ends before the image.
  static std::optional<TTIFFDirectory> Read(TInputStream& stream, std::uint64_t base, bool bigEndian,
                                            std::uint32_t firstOffset, std::uint32_t imageIndex);

  const std::vector<TTIFFEntry>& Entries() const { return entries_; }
  // The entry of `tag`, or null.
  const TTIFFEntry* Find(std::uint16_t tag) const;
  bool Has(std::uint16_t tag) const { return Find(tag) != nullptr; }

  // The first value of an integer field; `fallback` when the tag is absent, empty or of a type that
  // holds no integers.
  std::uint32_t Value(TInputStream& stream, std::uint16_t tag, std::uint32_t fallback) const;
  // Every value, in host order (rationals as numerator / denominator, 0 for a zero denominator).
  // Raises EInvalidGraphic when the values lie outside the stream.
  std::vector<std::uint32_t> List(TInputStream& stream, std::uint16_t tag) const;
  // Every value as a number: rationals divided (`fallback` for a zero denominator), floats as stored.
  std::vector<double> FloatList(TInputStream& stream, std::uint16_t tag, double fallback) const;
  // The first value as a number, or `fallback`.
  double Float(TInputStream& stream, std::uint16_t tag, double fallback) const;
  // The bytes of a field (JPEGTables), as stored.
  std::vector<std::uint8_t> Bytes(TInputStream& stream, std::uint16_t tag) const;

  // Bytes of one value of a field type; 0 for types this reader does not know.
  static unsigned TypeSize(std::uint16_t type);

 private:
  // The stored bytes of the entry's values: from the entry or from its offset.
  std::vector<std::uint8_t> Raw(TInputStream& stream, const TTIFFEntry& entry) const;
  // One value of an integer field at `p`.
  std::uint32_t Element(const std::uint8_t* p, std::uint16_t type) const;
  std::uint32_t U16(const std::uint8_t* p) const;
  std::uint32_t U32(const std::uint8_t* p) const;

  std::uint64_t base_ = 0;
  bool bigEndian_ = false;
  std::vector<TTIFFEntry> entries_;
};

}  // namespace vrel
