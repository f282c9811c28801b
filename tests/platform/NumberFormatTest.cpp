#include "platform/NumberFormat.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace vrel {
namespace {

// Python's decimal module is the oracle for rounding: Decimal(float) is the
// double's exact value, so "take 15 significant digits half up, then round
// at the decimals half up" is computed there without binary error.
std::vector<std::string> RunPython(const std::string& script, const std::string& input) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "vrel-number-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary folder";
    return {};
  }
  const fs::path dir = pattern;
  std::ofstream(dir / "oracle.py") << script;
  std::ofstream(dir / "input.txt") << input;
  const std::string command = "python3 '" + (dir / "oracle.py").string() + "' '" + (dir / "input.txt").string() +
                              "' > '" + (dir / "out.txt").string() + "' 2> '" + (dir / "err.txt").string() + "'";
  const int status = std::system(command.c_str());
  std::vector<std::string> lines;
  std::ifstream out(dir / "out.txt");
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  if (status != 0) {
    std::ifstream err(dir / "err.txt");
    std::stringstream text;
    text << err.rdbuf();
    ADD_FAILURE() << "python3 (a test dependency, installed by ./dev) failed: " << text.str();
    lines.clear();
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return lines;
}

// Shortest text that reads back as the same double, for handing values to Python.
std::string Exact(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

double Parsed(const char* text) {
  double v = 0;
  EXPECT_TRUE(ParseDouble(text, v)) << text;
  return v;
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FormatFixed, RoundsTheFifteenDigitTextHalfAwayFromZero) {
  EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
  EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
  EXPECT_EQ(FormatFixed(1.005, 2), "1.01");  // the double is 1.00499999999999989...
  EXPECT_EQ(FormatFixed(2.5, 0), "3");
  EXPECT_EQ(FormatFixed(-2.5, 0), "-3");
  EXPECT_EQ(FormatFixed(0.285, 2), "0.29");
  EXPECT_EQ(FormatFixed(1.0, 3), "1.000");
  EXPECT_EQ(FormatFixed(-1234.5678, 1), "-1234.6");
  EXPECT_EQ(FormatFixed(0.1 + 0.2, 16), "0.3000000000000000");  // 15 digits first, then zeros
  // With 17 significant digits the double's own value shows: 1.0049999999999999.
  EXPECT_EQ(FormatFixed(1.005, 2, 17), "1.00");
  EXPECT_EQ(FormatFixed(123.456, 1, 2), "120.0");
}

TEST(FormatFixed, CarriesAndVanishingValues) {
  EXPECT_EQ(FormatFixed(9.995, 2), "10.00");
  EXPECT_EQ(FormatFixed(999.5, 0), "1000");
  EXPECT_EQ(FormatFixed(-0.9999999, 3), "-1.000");
  EXPECT_EQ(FormatFixed(0.005, 2), "0.01");  // only the first digit is left to decide
  EXPECT_EQ(FormatFixed(0.00499, 2), "0.00");
  EXPECT_EQ(FormatFixed(0.0005, 2), "0.00");  // below the last place altogether
  EXPECT_EQ(FormatFixed(0.5, 0), "1");
  EXPECT_EQ(FormatFixed(0.49, 0), "0");
  EXPECT_EQ(FormatFixed(5e-324, 2), "0.00");
  EXPECT_EQ(FormatFixed(12.0, -3), "12");  // negative decimals count as none
}

TEST(FormatFixed, NoNegativeZeroAndNonFiniteWords) {
  EXPECT_EQ(FormatFixed(-0.001, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.0, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.0, 0), "0");
  EXPECT_EQ(FormatFixed(-0.4, 0), "0");
  EXPECT_EQ(FormatFixed(-0.5, 0), "-1");
  EXPECT_EQ(FormatFixed(kNan, 2), "NAN");
  EXPECT_EQ(FormatFixed(-kNan, 2), "NAN");
  EXPECT_EQ(FormatFixed(kInf, 2), "INF");
  EXPECT_EQ(FormatFixed(-kInf, 2), "-INF");
}

TEST(FormatFixed, LargeValuesKeepFifteenDigitsThenZeros) {
  EXPECT_EQ(FormatFixed(1e20, 2), "100000000000000000000.00");
  EXPECT_EQ(FormatFixed(123456789012345678.0, 0), "123456789012346000");
  EXPECT_EQ(FormatFixed(-9007199254740993.0, 1), "-9007199254740990.0");
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max(), 0).size(), 309u);
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max(), 0).substr(0, 16), "1797693134862320");
}

TEST(FormatGeneral, ShortestFormAndExponentRule) {
  EXPECT_EQ(FormatGeneral(0.0), "0");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(1.0), "1");
  EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
  EXPECT_EQ(FormatGeneral(0.1), "0.1");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatGeneral(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FormatGeneral(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(FormatGeneral(1.5e20), "1.5E20");
  EXPECT_EQ(FormatGeneral(1e-5), "1E-5");
  EXPECT_EQ(FormatGeneral(-2.5e-7), "-2.5E-7");
  EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
  EXPECT_EQ(FormatGeneral(0.00012345), "0.00012345");
  EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatGeneral(1234567890123456.0), "1.23456789012346E15");
  EXPECT_EQ(FormatGeneral(1000.0), "1000");
  EXPECT_EQ(FormatGeneral(5e-324), "4.94065645841247E-324");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::max()), "1.79769313486232E308");
  EXPECT_EQ(FormatGeneral(kNan), "NAN");
  EXPECT_EQ(FormatGeneral(-kInf), "-INF");
}

TEST(FormatGeneral, PrecisionAndCarry) {
  EXPECT_EQ(FormatGeneral(1234.5, 3), "1.23E3");
  EXPECT_EQ(FormatGeneral(99.95, 3), "100");   // 99.95 is 99.9500000000000028...
  EXPECT_EQ(FormatGeneral(999.5, 3), "1E3");   // the carry moves the exponent past the precision
  EXPECT_EQ(FormatGeneral(2.5, 1), "3");       // an exact binary tie goes away from zero
  EXPECT_EQ(FormatGeneral(-2.5, 1), "-3");
  EXPECT_EQ(FormatGeneral(0.125, 2), "0.13");
  EXPECT_EQ(FormatGeneral(0.375, 2), "0.38");
  EXPECT_EQ(FormatGeneral(100000000000000.5), "100000000000001");  // a tie at the 16th digit
  // Doubles a hair off a 16th-digit tie, where three extra digits read "500"
  // and only the exact value tells the side: 8.02661035480187499880...e-20
  // and 4.84899024195321500397...e-17.
  EXPECT_EQ(FormatGeneral(8.026610354801875e-20), "8.02661035480187E-20");
  EXPECT_EQ(FormatGeneral(-8.026610354801875e-20), "-8.02661035480187E-20");
  EXPECT_EQ(FormatGeneral(4.848990241953215e-17), "4.84899024195322E-17");
  EXPECT_EQ(FormatFixed(4.848990241953215e-17, 30), "0.000000000000000048489902419532");
  EXPECT_EQ(FormatGeneral(0.1, 17), "0.10000000000000001");
}

TEST(FormatInt, AllOfTheRange) {
  EXPECT_EQ(FormatInt(0), "0");
  EXPECT_EQ(FormatInt(-1), "-1");
  EXPECT_EQ(FormatInt(5849112), "5849112");
  EXPECT_EQ(FormatInt(std::numeric_limits<long long>::max()), "9223372036854775807");
  EXPECT_EQ(FormatInt(std::numeric_limits<long long>::min()), "-9223372036854775808");
}

TEST(ParseDouble, AcceptsPlainDecimalNumbers) {
  EXPECT_EQ(Parsed("1.5"), 1.5);
  EXPECT_EQ(Parsed("-2"), -2.0);
  EXPECT_EQ(Parsed("+3"), 3.0);
  EXPECT_EQ(Parsed(".5"), 0.5);
  EXPECT_EQ(Parsed("-.25"), -0.25);
  EXPECT_EQ(Parsed("5."), 5.0);
  EXPECT_EQ(Parsed("1e3"), 1000.0);
  EXPECT_EQ(Parsed("1E+3"), 1000.0);
  EXPECT_EQ(Parsed("2.5e-3"), 0.0025);
  EXPECT_EQ(Parsed("  \t7.25\r\n"), 7.25);
  EXPECT_EQ(Parsed("0001000"), 1000.0);
  EXPECT_EQ(Parsed("0.1"), 0.1);
  EXPECT_EQ(Parsed("1.7976931348623157e308"), std::numeric_limits<double>::max());
  const double negativeZero = Parsed("-0");
  EXPECT_EQ(negativeZero, 0.0);
  EXPECT_TRUE(std::signbit(negativeZero));
}

TEST(ParseDouble, RefusesAnythingElseAndLeavesTheOutputAlone) {
  for (const char* text : {"", "   ", "1.2.3", "abc", "1,5", "1 2", "0x10", "0x1p3", "nan", "NAN", "inf", "-inf",
                           "infinity", "1e", "e5", ".", "-", "+", "+-1", "--1", "- 1", "1e400", "-1e400", "1e-400",
                           "1.5x", "\xef\xbc\x91"}) {
    double out = 42.0;
    EXPECT_FALSE(ParseDouble(text, out)) << text;
    EXPECT_EQ(out, 42.0) << text;
  }
}

TEST(ParseInt, DecimalWithSignAndRangeCheck) {
  long long out = 0;
  EXPECT_TRUE(ParseInt("42", out));
  EXPECT_EQ(out, 42);
  EXPECT_TRUE(ParseInt(" -17\t", out));
  EXPECT_EQ(out, -17);
  EXPECT_TRUE(ParseInt("+5", out));
  EXPECT_EQ(out, 5);
  EXPECT_TRUE(ParseInt("9223372036854775807", out));
  EXPECT_EQ(out, std::numeric_limits<long long>::max());
  EXPECT_TRUE(ParseInt("-9223372036854775808", out));
  EXPECT_EQ(out, std::numeric_limits<long long>::min());
  for (const char* text : {"", " ", "9223372036854775808", "-9223372036854775809", "1.0", "1e3", "0x10", "12a",
                           "- 1", "+-1", "--1", "-+1", "+", "-", "1 2"}) {
    out = 7;
    EXPECT_FALSE(ParseInt(text, out)) << text;
    EXPECT_EQ(out, 7) << text;
  }
}

TEST(RoundHalfAway, RoundsTheDoubleItself) {
  EXPECT_EQ(RoundHalfAway(0.125, 2), 0.13);
  EXPECT_EQ(RoundHalfAway(-0.125, 2), -0.13);
  EXPECT_EQ(RoundHalfAway(2.5, 0), 3.0);
  EXPECT_EQ(RoundHalfAway(-2.5, 0), -3.0);
  EXPECT_EQ(RoundHalfAway(1.005, 2), 1.0);  // numerically below the half, unlike FormatFixed
  EXPECT_EQ(RoundHalfAway(1.25, 1), 1.3);
  EXPECT_EQ(RoundHalfAway(1234.5, -1), 1230.0);
  EXPECT_EQ(RoundHalfAway(1250.0, -2), 1300.0);
  EXPECT_EQ(RoundHalfAway(-1250.0, -2), -1300.0);
  // Adding 0.5 and truncating would get these two wrong.
  EXPECT_EQ(RoundHalfAway(0.49999999999999994, 0), 0.0);
  EXPECT_EQ(RoundHalfAway(4503599627370497.0, 0), 4503599627370497.0);
}

TEST(RoundHalfAway, ZeroLimitsAndNonFinite) {
  const double zero = RoundHalfAway(-0.001, 2);
  EXPECT_EQ(zero, 0.0);
  EXPECT_FALSE(std::signbit(zero));
  EXPECT_EQ(RoundHalfAway(1e300, 2), 1e300);
  EXPECT_EQ(RoundHalfAway(1e19, 0), 1e19);  // above 2^62: left as it is
  EXPECT_EQ(RoundHalfAway(123456789.123456789, 12), 123456789.123456789);
  EXPECT_EQ(RoundHalfAway(4611686018427387904.0, 0), 4611686018427387904.0);  // 2^62 itself
  EXPECT_EQ(RoundHalfAway(1.5, 400), 1.5);
  EXPECT_EQ(RoundHalfAway(1.5, -400), 0.0);
  EXPECT_TRUE(std::isnan(RoundHalfAway(kNan, 2)));
  EXPECT_EQ(RoundHalfAway(-kInf, 2), -kInf);
}

// Values whose 15-digit text ends in a 5 at the rounding place, at magnitudes
// from 1e-9 to 1e14, plus random doubles, all against Python's decimal.
TEST(FormatFixed, TiesAndRandomValuesAgainstPython) {
  std::mt19937_64 random(15);
  std::string input;
  std::vector<std::pair<double, int>> cases;
  for (int decimals = 0; decimals <= 9; ++decimals) {
    for (int integerDigits = 0; integerDigits <= 14 - decimals; ++integerDigits) {
      for (int n = 0; n < 6; ++n) {
        std::string text = integerDigits == 0 ? "0" : std::to_string(random() % 9 + 1);
        for (int i = 1; i < integerDigits; ++i) text += static_cast<char>('0' + random() % 10);
        text += '.';
        for (int i = 0; i < decimals; ++i) text += static_cast<char>('0' + random() % 10);
        text += '5';
        const double v = Parsed(text.c_str()) * (n % 2 == 0 ? 1 : -1);
        cases.emplace_back(v, decimals);
      }
    }
  }
  for (int n = 0; n < 2000; ++n) {
    const double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
    const double v = mantissa * std::pow(10.0, static_cast<double>(random() % 30) - 15);
    cases.emplace_back(v, static_cast<int>(random() % 12));
  }
  for (const auto& [v, decimals] : cases) input += Exact(v) + " " + std::to_string(decimals) + "\n";

  const auto lines = RunPython(R"(
import sys
from decimal import Decimal, Context, ROUND_HALF_UP
wide = Context(prec=2000)
for line in open(sys.argv[1]):
    text, decimals = line.split()
    fifteen = Context(prec=15, rounding=ROUND_HALF_UP).plus(Decimal(float(text)))
    q = fifteen.quantize(Decimal(1).scaleb(-int(decimals), context=wide), rounding=ROUND_HALF_UP, context=wide)
    s = format(q, 'f')
    if q == 0:
        s = s.lstrip('-')
    print(s)
)",
                               input);
  ASSERT_EQ(lines.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(FormatFixed(cases[i].first, cases[i].second), lines[i])
        << Exact(cases[i].first) << " decimals " << cases[i].second;
  }
}

TEST(FormatGeneral, RandomValuesAgainstPython) {
  std::mt19937_64 random(16);
  std::vector<std::pair<double, int>> cases;
  for (int n = 0; n < 3000; ++n) {
    const double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
    const double v = mantissa * std::pow(10.0, static_cast<double>(random() % 60) - 30);
    cases.emplace_back(v, n % 3 == 0 ? static_cast<int>(random() % 15 + 1) : 15);
  }
  // Short decimals that the double misses by a hair just past the 15th digit,
  // some of them (found with Python's Decimal) within 5e-4 units of the tie.
  for (const char* text : {"1.000000000000005", "2.000000000000005", "0.1000000000000005", "123.4567890123455",
                           "9.999999999999995", "5.000000000000005e-10", "100000000000000.5", "8.026610354801875e-20",
                           "1.783140740569445e-20", "2.439075521767395e-20", "1.162138576088325e-20",
                           "3.211836902564515e-19", "3.901812573069635e-16"}) {
    cases.emplace_back(Parsed(text), 15);
  }
  std::string input;
  for (const auto& [v, precision] : cases) input += Exact(v) + " " + std::to_string(precision) + "\n";

  // The rounded decimal has at most 15 digits, so going through a float and
  // Python's own 'g' keeps it intact; only the exponent's spelling differs.
  const auto lines = RunPython(R"(
import sys
from decimal import Decimal, Context, ROUND_HALF_UP
for line in open(sys.argv[1]):
    text, precision = line.split()
    p = int(precision)
    d = Context(prec=p, rounding=ROUND_HALF_UP).plus(Decimal(float(text)))
    s = format(float(d), '.%dg' % p).upper()
    if 'E' in s:
        mantissa, exponent = s.split('E')
        s = mantissa + 'E' + str(int(exponent))
    print(s)
)",
                               input);
  ASSERT_EQ(lines.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(FormatGeneral(cases[i].first, cases[i].second), lines[i])
        << Exact(cases[i].first) << " precision " << cases[i].second;
  }
}

TEST(FormatGeneral, SeventeenDigitsReadBackExactly) {
  std::mt19937_64 random(17);
  for (int n = 0; n < 20000; ++n) {
    double v = 0;
    const std::uint64_t bits = random();
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    double back = 0;
    const std::string text = FormatGeneral(v, 17);
    ASSERT_TRUE(ParseDouble(text, back)) << text;
    EXPECT_EQ(back, v) << text;
  }
}

// Qt applies the environment's locale; under a German one C's printf writes
// "1,5". Nothing here may follow it.
TEST(NumberFormatLocale, IgnoresADecimalCommaLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  struct Restore {
    std::string name;
    ~Restore() { std::setlocale(LC_ALL, name.c_str()); }
  } restore{previous};

  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << chosen;
  char printed[32];
  std::snprintf(printed, sizeof printed, "%.1f", 1.5);
  ASSERT_STREQ(printed, "1,5");  // the locale is really in force

  EXPECT_EQ(FormatFixed(1234.5, 2), "1234.50");
  EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
  EXPECT_EQ(FormatGeneral(0.25), "0.25");
  EXPECT_EQ(FormatGeneral(1.5e20), "1.5E20");
  EXPECT_EQ(FormatInt(-1234567), "-1234567");
  double v = 0;
  EXPECT_TRUE(ParseDouble("1.5", v));
  EXPECT_EQ(v, 1.5);
  EXPECT_FALSE(ParseDouble("1,5", v));
  long long i = 0;
  EXPECT_TRUE(ParseInt("1234567", i));
  EXPECT_EQ(i, 1234567);
}

}  // namespace
}  // namespace vrel
