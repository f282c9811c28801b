#pragma once

// Saves a bitmap as an uncompressed little-endian TIFF file in one strip: two-level, palette or RGB
// by the bitmap's depth. Every value and the directory start on an even offset, ASCII values end
// with their NUL, and no column is dropped at any depth.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exceptions.h"

namespace vrel {

struct TPaletteEntry {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  bool operator==(const TPaletteEntry&) const = default;
};

// A bitmap as the writer takes it. Rows come top row first; each holds at least
// BitmapRowBytes(Width, BitsPerPixel) bytes, packed as a device-independent bitmap packs them:
// at 1, 4 and 8 bits palette indices with the leftmost pixel in the high bits, at 24 bits blue,
// green, red, and at 32 bits blue, green, red and an unused byte.
struct TBitmapData {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerPixel = 24;
  std::vector<TPaletteEntry> Palette;  // 1, 4 and 8 bits; missing entries are black
  std::vector<std::vector<uint8_t>> Rows;
};

// The bytes of one row of `width` pixels at that depth, without padding; 0 for other depths.
std::size_t BitmapRowBytes(int32_t width, int32_t bitsPerPixel);

// The resolution every file states: 87.7 pixels per inch.
inline constexpr uint32_t kTiffResolutionNumerator = 877;
inline constexpr uint32_t kTiffResolutionDenominator = 10;

// Appends the TIFF file of `bitmap` to `stream`; offsets inside count from the file's first byte.
// Depths other than 1, 4, 8, 24 and 32 bits write nothing and answer false. A bitmap without pixels,
// or with fewer rows or row bytes than its size needs, raises Exception, as does a file beyond the
// 4 GB that TIFF offsets reach.
bool WriteTiffToStream(std::string& stream, const TBitmapData& bitmap);
// Writes the file through a temporary file renamed over it. Answers false, and leaves any file of
// that name alone, when the depth is not one of those; raises Exception when the file cannot be
// written.
bool WriteTiffToFile(const std::string& fileName, const TBitmapData& bitmap);

}  // namespace vrel
