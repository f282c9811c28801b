#include "platform/Extended80.h"

#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <vector>

namespace vrel {
namespace {
using Extended = std::array<uint8_t, kExtendedSize>;
using Limits = std::numeric_limits<double>;
constexpr uint64_t kOne = uint64_t{1} << 63;  // the explicit integer bit
constexpr int kBias = 16383;
constexpr int kMinus = 0x8000;

Extended ToExtended(double v) {
  Extended out{};
  DoubleToExtended(v, out.data());
  return out;
}

Extended MakeExtended(uint64_t significand, int signAndExponent) {
  Extended out{};
  for (int i = 0; i < 10; ++i)
    out[i] = uint8_t(i < 8 ? significand >> (8 * i) : uint64_t(signAndExponent) >> (8 * i - 64));
  return out;
}

uint64_t Bits(double v) {
  return std::bit_cast<uint64_t>(v);
}

std::string Hex(const Extended& e) {
  char text[31];
  for (int i = 0; i < 10; ++i)
    std::snprintf(text + 3 * i, 4, "%02x ", e[i]);
  return text;
}

// Where `long double` is the 80-bit format, the x87 unit itself is the oracle.
constexpr bool kHardwareOracle =
#if defined(__x86_64__) || defined(__i386__)
    std::numeric_limits<long double>::digits == 64;
#else
    false;
#endif

Extended HardwareExtended(long double x) {
  Extended out{};
  std::memcpy(out.data(), &x, kExtendedSize);
  return out;
}
double HardwareDouble(const Extended& e) {
  long double x = 0;
  std::memcpy(&x, e.data(), kExtendedSize);
  return double(x);
}
float HardwareSingle(const Extended& e) {
  long double x = 0;
  std::memcpy(&x, e.data(), kExtendedSize);
  return float(x);
}
uint32_t SingleBits(float v) {
  return std::bit_cast<uint32_t>(v);
}

// A random extended with its leading bit at 2^top whose `dropped` lowest significand bits hold
// exactly half a last place of the narrower format, or one unit above or below it.
Extended NearTie(std::mt19937_64& rng, int top, int dropped) {
  uint64_t significand = ((rng() | kOne) & ~((uint64_t{1} << dropped) - 1)) | uint64_t{1} << (dropped - 1);
  significand += static_cast<uint64_t>(static_cast<int>(rng() % 3) - 1);
  return MakeExtended(significand | kOne, top + kBias);
}

// Agrees with the x87's encoding (which quiets a signaling NaN where we keep it) and reads back as the same bits.
::testing::AssertionResult RoundTrips(double d) {
  const Extended e = ToExtended(d);
  const bool signaling = std::isnan(d) && !(Bits(d) & (uint64_t{1} << 51));
  if (kHardwareOracle && !signaling && e != HardwareExtended(d)) {
    return ::testing::AssertionFailure() << std::hex << Bits(d) << ": " << Hex(e) << "; x87 "
                                         << Hex(HardwareExtended(d));
  }
  const uint64_t back = Bits(ExtendedToDouble(e.data()));
  if (back == Bits(d))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hex << Bits(d) << " came back as " << back;
}

// With bothWays, the value's own encoding, built by hand from the format.
struct GoldenCase {
  uint64_t significand;
  int signAndExponent;
  double value;
  bool bothWays = false;
};

std::vector<GoldenCase> GoldenCases() {
  const double tiny = Limits::denorm_min();
  const double inf = Limits::infinity();
  const uint64_t max = 0xFFFFFFFFFFFFF800;  // the largest double's significand
  return {
      {0xC000000000000000, kBias, 1.5, true},
      {kOne, kBias, 1.0, true},
      {kOne, kMinus | (kBias + 1), -2.0, true},
      {0xCCCCCCCCCCCCD000, kBias - 4, 0.1, true},
      {0, 0, 0.0, true},
      {0, kMinus, -0.0, true},
      {kOne, 0x7FFF, inf, true},
      {kOne, 0xFFFF, -inf, true},
      {max, kBias + 1023, Limits::max(), true},
      {kOne, kBias - 1022, Limits::min(), true},
      {kOne, kBias - 1074, tiny, true},  // a subnormal becomes normal
      {0xFFFFFFFFFFFFF000, kBias - 1023, std::bit_cast<double>(uint64_t{0x000FFFFFFFFFFFFF}), true},
      // 1 + 2^-53 ties to the even 1; 1 + 2^-52 + 2^-53 to the even 1 + 2^-51; just above and just below the tie.
      {kOne | 1u << 10, kBias, 1.0},
      {kOne | 3u << 10, kBias, 1.0 + std::ldexp(1.0, -51)},
      {kOne | 1u << 10 | 1u, kBias, 1.0 + std::ldexp(1.0, -52)},
      {kOne | 0x3FF, kBias, 1.0},
      // 64 ones carry into the next binade; the extended nearest to 0.1 reads as the double nearest to it.
      {~uint64_t{0}, kBias, 2.0},
      {~uint64_t{0}, kMinus | kBias, -2.0},
      {0xCCCCCCCCCCCCCCCD, kBias - 4, 0.1},
      // 2^1024, the largest finite extended, and the largest double plus just under / exactly half a last place.
      {kOne, kBias + 1024, inf},
      {kOne, kMinus | (kBias + 1024), -inf},
      {~uint64_t{0}, 0x7FFE, inf},
      {max | 0x3FF, kBias + 1023, Limits::max()},
      {max | 0x400, kBias + 1023, inf},
      {max | 0x400, kMinus | (kBias + 1023), -inf},
      // Half the smallest subnormal ties to the even zero; a hair above, 0.75, 0.25, 1.5 and 2.5 units.
      {kOne, kBias - 1075, 0.0},
      {kOne | 1, kBias - 1075, tiny},
      {kOne | kOne >> 1, kBias - 1075, tiny},
      {kOne, kBias - 1076, 0.0},
      {kOne | kOne >> 1, kBias - 1074, 2 * tiny},
      {kOne | kOne >> 2, kBias - 1073, 2 * tiny},
      // A subnormal keeps 44 bits of 2^-1030 * (1 + 2^-10 + 2^-53); the largest subnormal plus half a unit is odd, so
      // it rounds up into the smallest normal; far below gives zero with the sign kept, denormals included.
      {kOne, kBias - 1050, std::ldexp(1.0, -1050)},
      {kOne | kOne >> 10 | kOne >> 53, kBias - 1030, std::ldexp(1.0 + std::ldexp(1.0, -10), -1030)},
      {max | 0x400, kBias - 1023, Limits::min()},
      {kOne, 1, 0.0},
      {kOne, kMinus | 1, -0.0},
      {0x1234, kMinus, -0.0},
      // Encodings the x87 refuses still decode: a pseudo-denormal as if its exponent were 1, unnormals (integer bit
      // clear) as significand * 2^(exponent - 16383 - 63).
      {kOne, 0, 0.0},
      {uint64_t{1} << 62, kBias, 0.5},
      {uint64_t{3} << 61, kMinus | kBias, -0.75},
      {1, kBias + 63, 1.0},
      {0, 0xC123, -0.0},
  };
}

TEST(Extended80, DecodingRoundsToNearestEvenWithOverflowAndGradualUnderflow) {
  for (const GoldenCase& c : GoldenCases()) {
    const Extended e = MakeExtended(c.significand, c.signAndExponent);
    EXPECT_EQ(Bits(ExtendedToDouble(e.data())), Bits(c.value)) << Hex(e);
  }
}

TEST(Extended80, EncodingADoubleGivesItsExactExtended) {
  for (const GoldenCase& c : GoldenCases()) {
    if (c.bothWays) {
      EXPECT_EQ(Hex(ToExtended(c.value)), Hex(MakeExtended(c.significand, c.signAndExponent))) << c.value;
    }
  }
}

// With the explicit integer bit set.
TEST(Extended80, NaNsKeepSignAndPayloadBothWays) {
  for (uint64_t bits : {0x7FF8000000000000u, 0xFFF8000000000000u, 0x7FF0000000000001u, 0x7FF4000000000000u,
                        0xFFFFFFFFFFFFFFFFu, 0x7FF80000DEADBEEFu}) {
    const Extended e = ToExtended(std::bit_cast<double>(bits));
    EXPECT_EQ(e[9] & 0x7F, 0x7F);
    EXPECT_EQ(e[8], 0xFF);
    EXPECT_EQ(e[7] & 0x80, 0x80) << "explicit integer bit";
    EXPECT_EQ(Bits(ExtendedToDouble(e.data())), bits);
  }
}

// Pseudo-infinity and pseudo-NaN (integer bit clear at the top exponent) are not numbers; nor is a NaN whose payload
// lies only below what a double keeps.
TEST(Extended80, PseudoInfinitiesAndPseudoNaNsDecodeAsNaN) {
  for (const auto& [significand, signAndExponent] :
       {std::pair{uint64_t{0}, 0x7FFF}, {uint64_t{1} << 62, 0xFFFF}, {kOne | 0x7FF, 0x7FFF}, {kOne | 1, 0xFFFF}}) {
    const double v = ExtendedToDouble(MakeExtended(significand, signAndExponent).data());
    EXPECT_TRUE(std::isnan(v)) << std::hex << significand;
    EXPECT_EQ(std::signbit(v), signAndExponent > 0x7FFF) << std::hex << significand;
  }
}

TEST(Extended80, RandomDoublesRoundTripExactly) {
  std::mt19937_64 rng(777);
  for (int i = 0; i < 1'000'000; ++i)
    ASSERT_TRUE(RoundTrips(std::bit_cast<double>(rng())));
  // Subnormals are rare among random bit patterns; give them their own run.
  for (int i = 0; i < 100'000; ++i) {
    ASSERT_TRUE(RoundTrips(std::bit_cast<double>((rng() & kOne) | (rng() >> (12 + rng() % 52)))));
  }
}

TEST(Extended80, DecodingToDoublesAgreesWithTheX87) {
  std::mt19937_64 rng(778);
  if (!kHardwareOracle)
    GTEST_SKIP() << "no x87 extended type to compare with";
  // Random significands across the whole double range, subnormal results included.
  for (int i = 0; i < 500'000; ++i) {
    const int top = static_cast<int>(rng() % (1022 + 1140)) - 1140;  // [-1140, 1021]
    const Extended e = MakeExtended(rng() | kOne, ((rng() & 1) ? kMinus : 0) | (top + kBias));
    ASSERT_EQ(Bits(ExtendedToDouble(e.data())), Bits(HardwareDouble(e))) << Hex(e);
  }
  // Significands that end in a tie or one unit off it, where mistakes hide.
  for (int i = 0; i < 200'000; ++i) {
    const int top = static_cast<int>(rng() % (1022 + 1100)) - 1100;
    const Extended e = NearTie(rng, top, top >= -1022 ? 11 : std::min(63, -1074 - (top - 63)));
    ASSERT_EQ(Bits(ExtendedToDouble(e.data())), Bits(HardwareDouble(e))) << Hex(e);
  }
}

TEST(Extended80, SinglesRoundOnceAtTheEdgesOfTheirRange) {
  const float tiny = std::numeric_limits<float>::denorm_min();
  const float inf = std::numeric_limits<float>::infinity();
  const uint64_t max = 0xFFFFFF0000000000;  // the largest single's significand
  const std::pair<Extended, float> cases[] = {
      // 1 + 2^-24 + 2^-63 is above the tie between 1 and the next single; a double in between would make it one.
      {MakeExtended(kOne | uint64_t{1} << 39 | 1, kBias), std::nextafter(1.0f, 2.0f)},
      {MakeExtended(kOne | uint64_t{1} << 39, kBias), 1.0f},
      {MakeExtended(max, kBias + 127), std::numeric_limits<float>::max()},
      {MakeExtended(max | uint64_t{1} << 39, kBias + 127), inf},
      {MakeExtended(max | uint64_t{1} << 39, kMinus | (kBias + 127)), -inf},
      {MakeExtended(kOne, kBias + 128), inf},
      {MakeExtended(kOne, kBias - 149), tiny},
      {MakeExtended(kOne, kBias - 150), 0.0f},
      {MakeExtended(kOne | 1, kBias - 150), tiny},
      {MakeExtended(kOne, kMinus | (kBias - 151)), -0.0f},
  };
  for (const auto& [e, expected] : cases)
    EXPECT_EQ(SingleBits(ExtendedToSingle(e.data())), SingleBits(expected)) << Hex(e);
  EXPECT_TRUE(std::isnan(ExtendedToSingle(MakeExtended(kOne | 1, 0x7FFF).data())));
}

TEST(Extended80, DecodingToSinglesAgreesWithTheX87) {
  if (!kHardwareOracle)
    GTEST_SKIP() << "no x87 extended type to compare with";
  std::mt19937_64 rng(4242);
  // Random significands across the whole single range, subnormal results included.
  for (int i = 0; i < 300'000; ++i) {
    const int top = static_cast<int>(rng() % (128 + 190)) - 190;  // [-190, 127]
    const Extended e = MakeExtended(rng() | kOne, ((rng() & 1) ? kMinus : 0) | (top + kBias));
    ASSERT_EQ(SingleBits(ExtendedToSingle(e.data())), SingleBits(HardwareSingle(e))) << Hex(e);
  }
  // Significands that end in a tie or one unit off it.
  for (int i = 0; i < 200'000; ++i) {
    const int top = static_cast<int>(rng() % (128 + 170)) - 170;
    const Extended e = NearTie(rng, top, top >= -126 ? 40 : std::min(63, -149 - (top - 63)));
    ASSERT_EQ(SingleBits(ExtendedToSingle(e.data())), SingleBits(HardwareSingle(e))) << Hex(e);
  }
}
}  // namespace
}  // namespace vrel
