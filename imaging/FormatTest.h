#pragma once

// What every format test shares: it looks only when the stream holds more than a given number of
// bytes past its position, reads a fixed head (never past the end), puts the position back and
// judges the head. And the checked reads of multi-byte values from such a head.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "imaging/Streams.h"

namespace vrel {

// Answers false without reading unless more than `moreThan` bytes follow the position; otherwise
// reads `readCount` bytes (at most `moreThan`), restores the position and answers
// accept(head, position, bytes from the position to the end).
template <class Accept>
bool TestStreamHead(TInputStream& stream, std::uint64_t moreThan, std::size_t readCount, Accept&& accept) {
  const std::uint64_t start = stream.Position();
  const std::uint64_t available = stream.Remaining();
  if (available <= moreThan || readCount > moreThan)
    return false;
  std::vector<std::uint8_t> head(readCount);
  stream.ReadBuffer(head);
  stream.SetPosition(start);
  return accept(std::span<const std::uint8_t>(head), start, available);
}

// Values at an offset of a byte span; an offset past the span raises std::out_of_range.
inline std::uint8_t ByteAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (at >= bytes.size())
    throw std::out_of_range("read past the bytes");
  return bytes[at];
}
inline std::uint16_t U16LE(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(ByteAt(bytes, at) | ByteAt(bytes, at + 1) << 8);
}
inline std::uint16_t U16BE(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(ByteAt(bytes, at) << 8 | ByteAt(bytes, at + 1));
}
inline std::uint32_t U32LE(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{U16LE(bytes, at)} | std::uint32_t{U16LE(bytes, at + 2)} << 16;
}
inline std::uint32_t U32BE(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{U16BE(bytes, at)} << 16 | std::uint32_t{U16BE(bytes, at + 2)};
}

}  // namespace vrel
