#pragma once

// Byte-building helpers for golden streams written out by hand.

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include "platform/StreamIO.h"

namespace vrel::bytes {

inline std::string B(std::initializer_list<int> values) {
  std::string out;
  for (int v : values)
    out.push_back(static_cast<char>(v));
  return out;
}
inline std::string S(std::string_view text) {
  return static_cast<char>(text.size()) + std::string(text);
}
inline std::string I32(uint32_t v) {
  return B({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
}
inline std::string Header(std::string_view className, std::string_view name = "") {
  return "TPF0" + S(className) + S(name);
}
inline const std::string kFalse = B({0x08}), kTrue = B({0x09}), kEnd = B({0x00});
// A record of that class, unnamed, without children.
inline std::string Record(std::string_view className, const std::string& properties) {
  return Header(className) + properties + kEnd + kEnd;
}
inline std::string Int8(int v) {
  return B({0x02, v & 0xFF});
}
inline std::string Str(std::string_view ascii) {
  return B({0x06}) + S(ascii);
}
// An x87 extended value from its fields: 8 bytes of significand with the integer bit set, sign and exponent + 16383.
inline std::string Ext(int topByte, int signAndExponent) {
  return B({0x05, 0, 0, 0, 0, 0, 0, 0, topByte, signAndExponent & 0xFF, signAndExponent >> 8});
}
inline const std::string kExt1 = Ext(0x80, 0x3FFF), kExt1_5 = Ext(0xC0, 0x3FFF), kExt2 = Ext(0x80, 0x4000),
                         kExt3 = Ext(0xC0, 0x4000), kExtMinus0_25 = Ext(0x80, 0xBFFD);
inline const std::string kReadError(kReadErrorMessage), kBadValue(kInvalidPropertyValueMessage);

inline std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes)
    out += {digits[c >> 4], digits[c & 15], ' '};
  return out;
}

// The message of the exception that `run` raised, "" when it raised none.
template <class E = std::exception>
std::string ErrorOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}

// The first `n` bytes in a heap block of exactly that size, so that AddressSanitizer sees any over-read.
struct ExactBlock {
  ExactBlock(std::string_view bytes, std::size_t n) : data(new char[n == 0 ? 1 : n]), size(n) {
    std::memcpy(data.get(), bytes.data(), n);
  }
  std::string_view View() const { return {data.get(), size}; }
  std::unique_ptr<char[]> data;
  std::size_t size;
};

}  // namespace vrel::bytes
