#pragma once

// What the loaders of planar formats (Photoshop, Paint Shop Pro, Photo-CD, RLA) share: reads that
// fail with the format's own message when the file has fewer bytes than its header promised, and
// the rows of one sample plane.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/Streams.h"

namespace vrel {

// Raises "Cannot load image. Invalid or unexpected <format> image format." unless `count` bytes
// follow the stream's position.
void RequireBytes(const TInputStream& stream, std::uint64_t count, const char* format);
// Exactly `count` bytes, or the message above with nothing allocated.
std::vector<std::uint8_t> ReadChecked(TInputStream& stream, std::uint64_t count, const char* format);
void SkipChecked(TInputStream& stream, std::uint64_t count, const char* format);

// Planes of `rows` rows of `rowBytes` bytes, one after another in one buffer.
class TPlaneSet {
 public:
  TPlaneSet(std::size_t planes, std::size_t rows, std::size_t rowBytes)
      : rows_(rows), rowBytes_(rowBytes), bytes_(planes * rows * rowBytes) {}

  std::size_t RowBytes() const { return rowBytes_; }
  std::span<std::uint8_t> Plane(std::size_t plane) {
    return std::span(bytes_).subspan(plane * rows_ * rowBytes_, rows_ * rowBytes_);
  }
  std::span<std::uint8_t> Row(std::size_t plane, std::size_t row) {
    return Plane(plane).subspan(row * rowBytes_, rowBytes_);
  }
  std::span<std::uint8_t> Bytes() { return bytes_; }

 private:
  std::size_t rows_;
  std::size_t rowBytes_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace vrel
