#include "platform/Extended80.h"

#include <bit>

namespace vrel {

namespace {

constexpr int kDoubleBias = 1023;
constexpr int kExtendedBias = 16383;
constexpr int kDoubleFractionBits = 52;
constexpr uint64_t kDoubleFractionMask = (uint64_t{1} << kDoubleFractionBits) - 1;
constexpr uint64_t kDoubleSignBit = uint64_t{1} << 63;
constexpr uint64_t kDoubleInfinity = uint64_t{0x7FF} << kDoubleFractionBits;
constexpr uint64_t kDoubleQuietBit = uint64_t{1} << (kDoubleFractionBits - 1);
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
constexpr uint16_t kExtendedMaxExponent = 0x7FFF;
// A double's fraction sits below the extended's explicit integer bit, 11 bits further up.
constexpr int kFractionShift = 63 - kDoubleFractionBits;

void Store(uint64_t significand, uint16_t signAndExponent, uint8_t out[kExtendedSize]) {
  for (int i = 0; i < 8; ++i)
    out[i] = static_cast<uint8_t>(significand >> (8 * i));
  out[8] = static_cast<uint8_t>(signAndExponent);
  out[9] = static_cast<uint8_t>(signAndExponent >> 8);
}

}  // namespace

void DoubleToExtended(double value, uint8_t out[kExtendedSize]) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const uint16_t sign = (bits & kDoubleSignBit) ? 0x8000 : 0;
  const int exponent = static_cast<int>((bits >> kDoubleFractionBits) & 0x7FF);
  const uint64_t fraction = bits & kDoubleFractionMask;

  if (exponent == 0x7FF) {
    Store(kIntegerBit | (fraction << kFractionShift), sign | kExtendedMaxExponent, out);
  } else if (exponent == 0) {
    if (fraction == 0) {
      Store(0, sign, out);
      return;
    }
    // value = fraction * 2^-1074; normalise so that the integer bit is set.
    const int shift = std::countl_zero(fraction);
    const int biased = kExtendedBias + 63 - 1074 - shift;
    Store(fraction << shift, static_cast<uint16_t>(sign | biased), out);
  } else {
    const int biased = exponent - kDoubleBias + kExtendedBias;
    Store(kIntegerBit | (fraction << kFractionShift), static_cast<uint16_t>(sign | biased), out);
  }
}

double ExtendedToDouble(const uint8_t in[kExtendedSize]) {
  uint64_t significand = 0;
  for (int i = 0; i < 8; ++i)
    significand |= uint64_t{in[i]} << (8 * i);
  const uint16_t signAndExponent = static_cast<uint16_t>(in[8] | (in[9] << 8));
  const uint64_t sign = (signAndExponent & 0x8000) ? kDoubleSignBit : 0;
  const int exponent = signAndExponent & kExtendedMaxExponent;

  if (exponent == kExtendedMaxExponent) {
    if (significand == kIntegerBit)
      return std::bit_cast<double>(sign | kDoubleInfinity);
    // NaN, pseudo-NaN or pseudo-infinity. Keep as much of the payload as a double holds; a payload
    // that lived only in the low bits must not turn the NaN into an infinity.
    uint64_t payload = (significand >> kFractionShift) & kDoubleFractionMask;
    if (payload == 0)
      payload = kDoubleQuietBit;
    return std::bit_cast<double>(sign | kDoubleInfinity | payload);
  }
  if (significand == 0)
    return std::bit_cast<double>(sign);

  // value = significand * 2^scale; exponent 0 means the same scale as exponent 1 (denormals).
  const int unbiased = (exponent == 0 ? 1 : exponent) - kExtendedBias;
  int scale = unbiased - 63;
  const int leading = std::countl_zero(significand);
  significand <<= leading;
  scale -= leading;
  // Now significand has its top bit set and value = 1.f * 2^(scale + 63).
  const int top = scale + 63;
  if (top > kDoubleBias)
    return std::bit_cast<double>(sign | kDoubleInfinity);

  // Bits below the double's last place: 11 for a normal result, more once the result is subnormal
  // (whose last place is 2^-1074).
  const int dropped = top >= 1 - kDoubleBias ? kFractionShift : -1074 - scale;
  if (dropped > 64)
    return std::bit_cast<double>(sign);  // below half the smallest subnormal
  if (dropped == 64) {
    // Between 2^-1075 (inclusive) and 2^-1074: exactly half rounds to the even zero.
    return std::bit_cast<double>(sign | (significand > kIntegerBit ? 1 : 0));
  }

  uint64_t kept = significand >> dropped;
  const uint64_t rest = significand & ((uint64_t{1} << dropped) - 1);
  const uint64_t half = uint64_t{1} << (dropped - 1);
  if (rest > half || (rest == half && (kept & 1)))
    ++kept;

  uint64_t magnitude;
  if (dropped == kFractionShift) {
    // kept is in [2^52, 2^53]; adding it on top of (biased exponent - 1) lets a carry out of the
    // fraction step the exponent up, which is exactly what rounding up to the next binade needs.
    magnitude = (static_cast<uint64_t>(top + kDoubleBias - 1) << kDoubleFractionBits) + kept;
    if (magnitude >= kDoubleInfinity)
      magnitude = kDoubleInfinity;
  } else {
    // Subnormal: the fraction field is the count of 2^-1074 units; a carry into 2^52 yields the
    // smallest normal with no further work.
    magnitude = kept;
  }
  return std::bit_cast<double>(sign | magnitude);
}

}  // namespace vrel
