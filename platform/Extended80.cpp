#include "platform/Extended80.h"

#include <bit>

namespace vrel {

namespace {

constexpr int kDoubleBias = 1023;
constexpr int kExtendedBias = 16383;
constexpr int kDoubleFractionBits = 52;
constexpr uint64_t kDoubleFractionMask = (uint64_t{1} << kDoubleFractionBits) - 1;
constexpr uint64_t kDoubleSignBit = uint64_t{1} << 63;
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
  const uint16_t sign = (bits & kDoubleSignBit) ? uint16_t{0x8000} : uint16_t{0};
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

namespace {

// The bits of the IEEE binary format with `FractionBits` and `ExponentBits` nearest to an extended:
// one rounding, to nearest with ties to even, with gradual underflow and overflow to infinity.
template <int FractionBits, int ExponentBits>
uint64_t RoundExtended(const uint8_t in[kExtendedSize]) {
  constexpr int kBias = (1 << (ExponentBits - 1)) - 1;
  constexpr uint64_t kFractionMask = (uint64_t{1} << FractionBits) - 1;
  constexpr uint64_t kSignBit = uint64_t{1} << (FractionBits + ExponentBits);
  constexpr uint64_t kInfinity = ((uint64_t{1} << ExponentBits) - 1) << FractionBits;
  constexpr uint64_t kQuietBit = uint64_t{1} << (FractionBits - 1);
  // Bits of a normal result's significand below its last place.
  constexpr int kShift = 63 - FractionBits;
  // The last place of the subnormals, a power of two.
  constexpr int kSubnormalScale = 1 - kBias - FractionBits;

  uint64_t significand = 0;
  for (int i = 0; i < 8; ++i)
    significand |= uint64_t{in[i]} << (8 * i);
  const uint16_t signAndExponent = static_cast<uint16_t>(in[8] | (in[9] << 8));
  const uint64_t sign = (signAndExponent & 0x8000) ? kSignBit : 0;
  const int exponent = signAndExponent & kExtendedMaxExponent;

  if (exponent == kExtendedMaxExponent) {
    if (significand == kIntegerBit)
      return sign | kInfinity;
    // NaN, pseudo-NaN or pseudo-infinity. Keep as much of the payload as the format holds; a payload
    // that lived only in the low bits must not turn the NaN into an infinity.
    uint64_t payload = (significand >> kShift) & kFractionMask;
    if (payload == 0)
      payload = kQuietBit;
    return sign | kInfinity | payload;
  }
  if (significand == 0)
    return sign;

  // value = significand * 2^scale; exponent 0 means the same scale as exponent 1 (denormals).
  const int unbiased = (exponent == 0 ? 1 : exponent) - kExtendedBias;
  int scale = unbiased - 63;
  const int leading = std::countl_zero(significand);
  significand <<= leading;
  scale -= leading;
  // Now significand has its top bit set and value = 1.f * 2^(scale + 63).
  const int top = scale + 63;
  if (top > kBias)
    return sign | kInfinity;

  // Bits below the result's last place: kShift for a normal result, more once it is subnormal.
  const int dropped = top >= 1 - kBias ? kShift : kSubnormalScale - scale;
  if (dropped > 64)
    return sign;  // below half the smallest subnormal
  if (dropped == 64) {
    // Between half the smallest subnormal (inclusive) and it: exactly half rounds to the even zero.
    return sign | (significand > kIntegerBit ? 1 : 0);
  }

  uint64_t kept = significand >> dropped;
  const uint64_t rest = significand & ((uint64_t{1} << dropped) - 1);
  const uint64_t half = uint64_t{1} << (dropped - 1);
  if (rest > half || (rest == half && (kept & 1)))
    ++kept;

  uint64_t magnitude;
  if (dropped == kShift) {
    // kept is in [2^F, 2^(F+1)]; adding it on top of (biased exponent - 1) lets a carry out of the
    // fraction step the exponent up, which is exactly what rounding up to the next binade needs.
    magnitude = (static_cast<uint64_t>(top + kBias - 1) << FractionBits) + kept;
    if (magnitude >= kInfinity)
      magnitude = kInfinity;
  } else {
    // Subnormal: the fraction field is the count of last places; a carry into 2^F yields the
    // smallest normal with no further work.
    magnitude = kept;
  }
  return sign | magnitude;
}

}  // namespace

double ExtendedToDouble(const uint8_t in[kExtendedSize]) {
  return std::bit_cast<double>(RoundExtended<52, 11>(in));
}

float ExtendedToSingle(const uint8_t in[kExtendedSize]) {
  return std::bit_cast<float>(static_cast<uint32_t>(RoundExtended<23, 8>(in)));
}

}  // namespace vrel
