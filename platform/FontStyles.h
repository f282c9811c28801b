#pragma once

// The framework's font styles. A style is a set of them, stored as bits (bit i for member i): so the
// settings file keeps a font's style, and so the editor's colouring schemes keep a token's.

#include <cstdint>

namespace vrel {

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };

inline constexpr int32_t FontStyleBit(TFontStyle style) {
  return 1 << style;
}

}  // namespace vrel
