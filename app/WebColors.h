#pragma once

// The 138 named web colours that the settings dialog's colour boxes offer, in the order the boxes
// list them. Each value is the CSS colour of the same name as a 24-bit integer with red in the low
// byte, the way the settings file stores colours.

#include <cstdint>
#include <span>

namespace vrel {

struct TWebColor {
  uint32_t Color;
  const char* Name;
};

std::span<const TWebColor> WebColors();

}  // namespace vrel
