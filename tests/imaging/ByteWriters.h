// Numbers appended to a file being written byte by byte, in either byte order: the writers of the
// loader tests and of the fuzz seeds build their files with them. No test framework here, so the
// seed writer can take it too.
#pragma once

#include <cstdint>
#include <vector>

namespace vrel::oracle {

using Bytes = std::vector<std::uint8_t>;

inline void PutLE16(Bytes& bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutLE32(Bytes& bytes, std::uint32_t value) {
  PutLE16(bytes, value & 0xFFFF);
  PutLE16(bytes, value >> 16);
}

inline void PutBE16(Bytes& bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value));
}

inline void PutBE32(Bytes& bytes, std::uint32_t value) {
  PutBE16(bytes, value >> 16);
  PutBE16(bytes, value & 0xFFFF);
}

}  // namespace vrel::oracle
