#pragma once

// Conversion between IEEE binary64 and the x87 80-bit extended format in which component streams
// store floating-point values. Done on integers so that the result never depends on what
// `long double` means on the machine that builds the program.
//
// Layout (10 bytes, little-endian): bytes 0..7 hold the 64-bit significand with an explicit integer
// bit (bit 63); bytes 8..9 hold the 15-bit biased exponent (bias 16383) with the sign in bit 15.

#include <cstdint>

namespace vrel {

inline constexpr int kExtendedSize = 10;

// Exact for every double: zeros keep their sign, subnormal doubles become normal extendeds, infinities
// stay infinite and a NaN keeps its sign and payload (shifted into the extended fraction).
void DoubleToExtended(double value, uint8_t out[kExtendedSize]);

// Rounds to nearest, ties to even, with gradual underflow; values beyond the double range become
// signed infinities. Encodings that a current x87 refuses are still given a meaning instead of
// failing: a pseudo-denormal (exponent 0, integer bit set) and an unnormal (integer bit clear) are read
// as the number their fields denote; a pseudo-infinity and a pseudo-NaN read as NaN.
double ExtendedToDouble(const uint8_t in[kExtendedSize]);

// The same rounding straight to single precision: one rounding, never through a double, which
// would round twice and miss the nearest single when the first rounding lands on a tie.
float ExtendedToSingle(const uint8_t in[kExtendedSize]);

}  // namespace vrel
