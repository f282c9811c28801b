#include "platform/Extended80.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

namespace vrel {
namespace {

using Extended = std::array<uint8_t, kExtendedSize>;

Extended ToExtended(double v) {
  Extended out{};
  DoubleToExtended(v, out.data());
  return out;
}

Extended MakeExtended(uint64_t significand, uint16_t signAndExponent) {
  Extended out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(significand >> (8 * i));
  out[8] = static_cast<uint8_t>(signAndExponent);
  out[9] = static_cast<uint8_t>(signAndExponent >> 8);
  return out;
}

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

std::string Hex(const Extended& e) {
  std::ostringstream s;
  s << std::hex;
  for (uint8_t b : e) s << (b < 16 ? "0" : "") << int{b} << ' ';
  return s.str();
}

// The x87 unit itself is the oracle where `long double` is the 80-bit format: loading a double is
// exact and storing to a double rounds to nearest even with gradual underflow.
constexpr bool kHardwareOracle =
#if defined(__x86_64__) || defined(__i386__)
    std::numeric_limits<long double>::digits == 64;
#else
    false;
#endif

Extended HardwareExtended(double v) {
  const long double x = v;
  Extended out{};
  std::memcpy(out.data(), &x, kExtendedSize);
  return out;
}

double HardwareDouble(const Extended& e) {
  long double x = 0;
  std::memcpy(&x, e.data(), kExtendedSize);
  return static_cast<double>(x);
}

bool IsSignalingNaN(double v) { return std::isnan(v) && !(Bits(v) & (uint64_t{1} << 51)); }

// Both directions for one double: the extended form agrees with the hardware's (a signaling NaN is
// the exception: the hardware quiets it on load, we keep the payload as it is), and reading it back
// gives the very same bits.
::testing::AssertionResult RoundTrips(double d) {
  const Extended e = ToExtended(d);
  if (kHardwareOracle && !IsSignalingNaN(d) && e != HardwareExtended(d)) {
    return ::testing::AssertionFailure() << "bits " << std::hex << Bits(d) << " -> " << Hex(e)
                                         << " but the x87 gives " << Hex(HardwareExtended(d));
  }
  const double back = ExtendedToDouble(e.data());
  if (Bits(back) != Bits(d)) {
    return ::testing::AssertionFailure() << "bits " << std::hex << Bits(d) << " came back as "
                                         << Bits(back);
  }
  return ::testing::AssertionSuccess();
}

TEST(Extended80, GoldenBytesBuiltByHandFromTheFormat) {
  struct Case {
    double value;
    Extended bytes;
  };
  const Case cases[] = {
      {1.5, {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}},
      {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {-2.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
      // 0.1 as a double is 0x3FB999999999999A: fraction 999999999999A moved up 11 bits under the
      // integer bit, exponent -4 + 16383 = 0x3FFB.
      {0.1, {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {-std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
      // Largest double: 53 ones, exponent 1023 + 16383 = 0x43FE.
      {std::numeric_limits<double>::max(), {0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}},
      // Smallest normal 2^-1022: exponent 16383 - 1022 = 0x3C01.
      {std::numeric_limits<double>::min(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x3C}},
      // Smallest subnormal 2^-1074 becomes a normal extended: exponent 16383 - 1074 = 0x3BCD.
      {std::numeric_limits<double>::denorm_min(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
      // Largest subnormal (2^52 - 1) * 2^-1074: 52 ones moved up to the integer bit, 2^-1023 scale.
      {std::bit_cast<double>(uint64_t{0x000FFFFFFFFFFFFF}),
       {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x3C}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Hex(ToExtended(c.value)), Hex(c.bytes));
    EXPECT_EQ(Bits(ExtendedToDouble(c.bytes.data())), Bits(c.value));
  }
}

TEST(Extended80, EveryClassOfFloatRoundTripsExactly) {
  std::vector<float> samples = {
      0.0f, -0.0f, 1.0f, -1.0f, 0.1f, 1.5f, 1e-30f, -3.25e12f,
      std::numeric_limits<float>::min(), std::numeric_limits<float>::max(),
      std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::epsilon(),
      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
      std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
      std::bit_cast<float>(uint32_t{0x007FFFFF}),  // largest subnormal
      std::bit_cast<float>(uint32_t{0x7FC12345}),  // NaN with a payload
  };
  // Every sign and exponent with the smallest, largest and a middling fraction.
  for (uint32_t signExp = 0; signExp < 512; ++signExp) {
    for (uint32_t fraction : {0u, 1u, 0x400000u, 0x7FFFFFu, 0x2AAAAAu}) {
      samples.push_back(std::bit_cast<float>(signExp << 23 | fraction));
    }
  }
  std::mt19937 rng(20240601);
  for (int i = 0; i < 1'000'000; ++i) samples.push_back(std::bit_cast<float>(static_cast<uint32_t>(rng())));

  for (float f : samples) {
    const double d = f;  // exact (NaNs come out quiet)
    ASSERT_TRUE(RoundTrips(d)) << "float bits " << std::hex << std::bit_cast<uint32_t>(f);
    const float back = static_cast<float>(ExtendedToDouble(ToExtended(d).data()));
    if (std::isnan(f)) {
      ASSERT_TRUE(std::isnan(back));
    } else {
      ASSERT_EQ(std::bit_cast<uint32_t>(back), std::bit_cast<uint32_t>(f));
    }
  }
}

TEST(Extended80, RandomDoublesRoundTripExactly) {
  std::mt19937_64 rng(777);
  for (int i = 0; i < 1'000'000; ++i) ASSERT_TRUE(RoundTrips(std::bit_cast<double>(rng())));
  // Subnormals are rare among random bit patterns; give them their own run.
  for (int i = 0; i < 100'000; ++i) {
    const uint64_t bits = (rng() & (uint64_t{1} << 63)) | (rng() >> (12 + rng() % 52));
    ASSERT_TRUE(RoundTrips(std::bit_cast<double>(bits)));
  }
}

TEST(Extended80, NaNsKeepSignAndPayload) {
  for (uint64_t bits : {uint64_t{0x7FF8000000000000}, uint64_t{0xFFF8000000000000},
                        uint64_t{0x7FF0000000000001}, uint64_t{0x7FF4000000000000},
                        uint64_t{0xFFFFFFFFFFFFFFFF}, uint64_t{0x7FF80000DEADBEEF}}) {
    const double d = std::bit_cast<double>(bits);
    const Extended e = ToExtended(d);
    EXPECT_EQ(e[9] & 0x7F, 0x7F);
    EXPECT_EQ(e[8], 0xFF);
    EXPECT_EQ(e[7] & 0x80, 0x80) << "explicit integer bit";
    EXPECT_EQ(Bits(ExtendedToDouble(e.data())), bits);
  }
}

TEST(Extended80, LongSignificandsRoundToNearestEven) {
  constexpr uint64_t one = uint64_t{1} << 63;
  constexpr uint16_t bias = 0x3FFF;
  // 1 + 2^-53 lies exactly between 1 and 1 + 2^-52: the even neighbour is 1.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(one | 1u << 10, bias).data()), 1.0);
  // 1 + 2^-52 + 2^-53: between an odd and an even last place, so up to 1 + 2^-51.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(one | 3u << 10, bias).data()), 1.0 + std::ldexp(1.0, -51));
  // Just above the tie: up.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(one | 1u << 10 | 1u, bias).data()), 1.0 + std::ldexp(1.0, -52));
  // Just below the tie: down.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(one | 0x3FF, bias).data()), 1.0);
  // 64 ones: rounding carries into the next binade.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(~uint64_t{0}, bias).data()), 2.0);
  EXPECT_EQ(ExtendedToDouble(MakeExtended(~uint64_t{0}, bias | 0x8000).data()), -2.0);
  // The extended nearest to 0.1 (as a compiler for the x87 would store the literal) reads as the
  // double nearest to 0.1.
  const Extended tenth = {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F};
  EXPECT_EQ(ExtendedToDouble(tenth.data()), 0.1);

  if (!kHardwareOracle) GTEST_SKIP() << "no x87 extended type to compare with";
  // Random significands across the whole double range, subnormal results included.
  std::mt19937_64 rng(4242);
  for (int i = 0; i < 500'000; ++i) {
    const int top = static_cast<int>(rng() % (1022 + 1140)) - 1140;  // [-1140, 1021]
    const uint64_t significand = rng() | one;
    const uint16_t exponent = static_cast<uint16_t>(top + 16383);
    const uint16_t sign = (rng() & 1) ? 0x8000 : 0;
    const Extended e = MakeExtended(significand, sign | exponent);
    ASSERT_EQ(Bits(ExtendedToDouble(e.data())), Bits(HardwareDouble(e))) << Hex(e);
  }
  // Significands that end in a tie or one unit off it, where mistakes hide.
  for (int i = 0; i < 200'000; ++i) {
    const int top = static_cast<int>(rng() % (1022 + 1100)) - 1100;
    const int dropped = top >= -1022 ? 11 : std::min(63, -1074 - (top - 63));
    uint64_t significand = (rng() | one) & ~((uint64_t{1} << dropped) - 1);
    significand |= uint64_t{1} << (dropped - 1);
    significand += static_cast<uint64_t>(static_cast<int>(rng() % 3) - 1);
    const Extended e = MakeExtended(significand | one, static_cast<uint16_t>(top + 16383));
    ASSERT_EQ(Bits(ExtendedToDouble(e.data())), Bits(HardwareDouble(e))) << Hex(e);
  }
}

TEST(Extended80, BeyondTheDoubleRangeGivesInfinity) {
  constexpr uint64_t one = uint64_t{1} << 63;
  const double inf = std::numeric_limits<double>::infinity();
  const double max = std::numeric_limits<double>::max();
  // 2^1024
  EXPECT_EQ(ExtendedToDouble(MakeExtended(one, 16383 + 1024).data()), inf);
  EXPECT_EQ(ExtendedToDouble(MakeExtended(one, 0x8000 | (16383 + 1024)).data()), -inf);
  // The largest finite extended.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(~uint64_t{0}, 0x7FFE).data()), inf);
  // Largest double plus just under half a last place stays the largest double...
  const uint64_t maxSignificand = 0xFFFFFFFFFFFFF800;
  EXPECT_EQ(ExtendedToDouble(MakeExtended(maxSignificand | 0x3FF, 16383 + 1023).data()), max);
  // ...and exactly half a last place ties away from the odd largest double, out of range.
  EXPECT_EQ(ExtendedToDouble(MakeExtended(maxSignificand | 0x400, 16383 + 1023).data()), inf);
  EXPECT_EQ(ExtendedToDouble(MakeExtended(maxSignificand | 0x400, 0x8000 | (16383 + 1023)).data()), -inf);
}

TEST(Extended80, BelowTheDoubleRangeUnderflowsGradually) {
  constexpr uint64_t one = uint64_t{1} << 63;
  const double tiny = std::numeric_limits<double>::denorm_min();
  auto at = [](uint64_t significand, int power) {  // significand * 2^(power - 63)
    return ExtendedToDouble(MakeExtended(significand, static_cast<uint16_t>(16383 + power)).data());
  };
  EXPECT_EQ(at(one, -1074), tiny);
  EXPECT_EQ(Bits(at(one, -1075)), 0u) << "half of the smallest subnormal ties to the even zero";
  EXPECT_EQ(at(one | 1, -1075), tiny) << "a hair above half rounds up";
  EXPECT_EQ(at(one | one >> 1, -1075), tiny) << "0.75 units";
  EXPECT_EQ(Bits(at(one, -1076)), 0u) << "0.25 units";
  EXPECT_EQ(at(one | one >> 1, -1074), 2 * tiny) << "1.5 units tie to 2";
  EXPECT_EQ(at(one | one >> 2, -1073), 2 * tiny) << "2.5 units tie to 2";
  EXPECT_EQ(at(one, -1050), std::ldexp(1.0, -1050));
  // 2^-1030 * (1 + 2^-10 + 2^-53): the subnormal keeps 44 bits, so the tail is dropped.
  EXPECT_EQ(at(one | one >> 10 | one >> 53, -1030), std::ldexp(1.0 + std::ldexp(1.0, -10), -1030));
  // Largest subnormal plus half a unit: odd, so it rounds up into the smallest normal.
  EXPECT_EQ(at(0xFFFFFFFFFFFFF800 | 0x400, -1023), std::numeric_limits<double>::min());
  // Far below: zero with the sign kept.
  EXPECT_EQ(Bits(at(one, -16382)), 0u);
  EXPECT_EQ(Bits(ExtendedToDouble(MakeExtended(one, 0x8001).data())), Bits(-0.0));
  EXPECT_EQ(Bits(ExtendedToDouble(MakeExtended(0x1234, 0x8000).data())), Bits(-0.0)) << "denormal";
}

TEST(Extended80, EncodingsTheX87RefusesStillDecodeWithoutFault) {
  // Pseudo-denormal: exponent 0 with the integer bit set is read as if the exponent were 1.
  EXPECT_EQ(Bits(ExtendedToDouble(MakeExtended(uint64_t{1} << 63, 0).data())), 0u);
  // Unnormals (integer bit clear, exponent not 0) denote significand * 2^(exponent - 16383 - 63).
  EXPECT_EQ(ExtendedToDouble(MakeExtended(uint64_t{1} << 62, 0x3FFF).data()), 0.5);
  EXPECT_EQ(ExtendedToDouble(MakeExtended(uint64_t{3} << 61, 0xBFFF).data()), -0.75);
  EXPECT_EQ(ExtendedToDouble(MakeExtended(1, 0x3FFF + 63).data()), 1.0);
  EXPECT_EQ(Bits(ExtendedToDouble(MakeExtended(0, 0xC123).data())), Bits(-0.0));
  // Pseudo-infinity and pseudo-NaN (integer bit clear at the top exponent) are not numbers.
  EXPECT_TRUE(std::isnan(ExtendedToDouble(MakeExtended(0, 0x7FFF).data())));
  EXPECT_TRUE(std::isnan(ExtendedToDouble(MakeExtended(uint64_t{1} << 62, 0xFFFF).data())));
  // A NaN whose payload lies only below what a double keeps is still a NaN, not an infinity.
  const double low = ExtendedToDouble(MakeExtended(uint64_t{1} << 63 | 0x7FF, 0x7FFF).data());
  EXPECT_TRUE(std::isnan(low));
  const double negLow = ExtendedToDouble(MakeExtended(uint64_t{1} << 63 | 1, 0xFFFF).data());
  EXPECT_TRUE(std::isnan(negLow));
  EXPECT_TRUE(std::signbit(negLow));
}

}  // namespace
}  // namespace vrel
