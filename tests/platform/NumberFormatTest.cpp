#include "platform/NumberFormat.h"

#include <gtest/gtest.h>
#include <charconv>
#include <cstring>
#include <random>
#include "PythonOracle.h"

namespace vrel {
namespace {
// Shortest text that reads back as the same double, for handing values to Python.
std::string Exact(double v) {
  char text[64];
  return std::string(text, std::to_chars(text, text + 64, v).ptr);
}

double Parsed(const char* text) {
  double v = 0;
  EXPECT_TRUE(ParseDouble(text, v)) << text;
  return v;
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr long long kMaxInt = std::numeric_limits<long long>::max();
constexpr long long kMinInt = std::numeric_limits<long long>::min();

// What Python's decimal cannot check: words, no "-0", negative decimals; the rest is checked against it below.
TEST(NumberFormat, FormatFixedWritesWordsAndNoNegativeZero) {
  const std::tuple<double, int, const char*> fixed[] = {{-0.001, 2, "0.00"}, {-0.0, 0, "0"},     {-0.4, 0, "0"},
                                                        {-0.5, 0, "-1"},     {kNan, 2, "NAN"},   {-kNan, 2, "NAN"},
                                                        {kInf, 2, "INF"},    {-kInf, 2, "-INF"}, {12.0, -3, "12"}};
  for (const auto& [value, decimals, text] : fixed)
    EXPECT_EQ(FormatFixed(value, decimals), text) << value;
}

TEST(NumberFormat, FormatFixedRoundsToTheSignificantDigitsGivenFirst) {
  EXPECT_EQ(FormatFixed(1.005, 2, 17), "1.00");  // 17 digits show the double's own value, 1.00499999999999989...
  EXPECT_EQ(FormatFixed(123.456, 1, 2), "120.0");
  EXPECT_EQ(FormatFixed(kMax, 0).size(), 309u);
  EXPECT_EQ(FormatFixed(kMax, 0).substr(0, 16), "1797693134862320");
}

// Zeroes, words, the ends of the range and carries; the shapes at large are checked against Python below.
TEST(NumberFormat, FormatGeneralTakesTheShorterOfThePlainAndTheExponentShape) {
  const std::tuple<double, int, const char*> general[] = {
      {0.0, 15, "0"},
      {-0.0, 15, "0"},
      {5e-324, 15, "4.94065645841247E-324"},
      {kNan, 15, "NAN"},
      {kMax, 15, "1.79769313486232E308"},
      {-kInf, 15, "-INF"},
      {99.95, 3, "100"},
      {999.5, 3, "1E3"},
      {0.1, 17, "0.10000000000000001"}};  // a carry may move the exponent past the precision
  for (const auto& [value, precision, text] : general)
    EXPECT_EQ(FormatGeneral(value, precision), text) << value;
}

TEST(NumberFormat, ParseDoubleReadsPlainDecimalNumbers) {
  const std::pair<const char*, double> good[] = {{"1.5", 1.5},
                                                 {"-2", -2.0},
                                                 {"+3", 3.0},
                                                 {".5", 0.5},
                                                 {"-.25", -0.25},
                                                 {"5.", 5.0},
                                                 {"1e3", 1000.0},
                                                 {"1E+3", 1000.0},
                                                 {"2.5e-3", 0.0025},
                                                 {"  \t7.25\r\n", 7.25},
                                                 {"0001000", 1000.0},
                                                 {"0.1", 0.1},
                                                 {"1.7976931348623157e308", kMax},
                                                 {"-0", 0.0}};
  for (const auto& [text, value] : good)
    EXPECT_EQ(Parsed(text), value) << text;
  EXPECT_TRUE(std::signbit(Parsed("-0")));
}

TEST(NumberFormat, ParseDoubleRefusesAnythingElseAndLeavesTheOutputAlone) {
  for (const char* text : {"",    "   ", "1.2.3", "abc",      "1,5",    "1 2",    "0x10", "0x1p3",       "nan",
                           "NAN", "inf", "-inf",  "infinity", "1e",     "e5",     ".",    "-",           "+",
                           "+-1", "--1", "- 1",   "1e400",    "-1e400", "1e-400", "1.5x", "\xef\xbc\x91"}) {
    double out = 42.0;
    EXPECT_FALSE(ParseDouble(text, out)) << text;
    EXPECT_EQ(out, 42.0) << text;
  }
}

TEST(NumberFormat, ParseIntReadsTheWholeRange) {
  const std::pair<const char*, long long> ints[] = {
      {"42", 42}, {" -17\t", -17}, {"+5", 5}, {"9223372036854775807", kMaxInt}, {"-9223372036854775808", kMinInt}};
  for (const auto& [text, value] : ints) {
    long long out = 0;
    EXPECT_TRUE(ParseInt(text, out)) << text;
    EXPECT_EQ(out, value) << text;
  }
}

TEST(NumberFormat, ParseIntRefusesAnythingElseAndLeavesTheOutputAlone) {
  for (const char* text : {"", " ", "9223372036854775808", "-9223372036854775809", "1.0", "1e3", "0x10", "12a", "- 1",
                           "+-1", "--1", "-+1", "+", "-", "1 2"}) {
    long long out = 7;
    EXPECT_FALSE(ParseInt(text, out)) << text;
    EXPECT_EQ(out, 7) << text;
  }
}

TEST(NumberFormat, RoundHalfAwayRoundsTheDoubleItself) {
  const std::tuple<double, int, double> cases[] = {
      {0.125, 2, 0.13},
      {-0.125, 2, -0.13},
      {2.5, 0, 3.0},
      {-2.5, 0, -3.0},
      {1.25, 1, 1.3},
      {-0.001, 2, 0.0},
      {1.005, 2, 1.0},  // numerically below the half, unlike FormatFixed
      {1234.5, -1, 1230.0},
      {1250.0, -2, 1300.0},
      {-1250.0, -2, -1300.0},
      {1.5, 400, 1.5},
      {1.5, -400, 0.0},
      {0.49999999999999994, 0, 0.0},
      {4503599627370497.0, 0, 4503599627370497.0},  // adding 0.5 gets these wrong
      {1e300, 2, 1e300},
      {1e19, 0, 1e19},
      {4611686018427387904.0, 0, 4611686018427387904.0},  // from 2^62 as it is
      {123456789.123456789, 12, 123456789.123456789},
      {-kInf, 2, -kInf}};
  for (const auto& [value, decimals, expected] : cases)
    EXPECT_EQ(RoundHalfAway(value, decimals), expected) << value;
  EXPECT_FALSE(std::signbit(RoundHalfAway(-0.001, 2)));
  EXPECT_TRUE(std::isnan(RoundHalfAway(kNan, 2)));
}

// Decimal(float) is the double's exact value: 15 digits half up, then the decimals (or precision) half up.
TEST(NumberFormat, TiesAndRandomValuesAreFormattedAsPythonsDecimalFormatsThem) {
  std::mt19937_64 random(15);
  std::vector<std::tuple<char, double, int>> cases;  // 'f' or 'g', value, decimals or precision
  // Texts ending in a 5 at the rounding place, at magnitudes from 1e-9 to 1e14.
  for (int decimals = 0; decimals <= 9; ++decimals) {
    for (int integerDigits = 0; integerDigits <= 14 - decimals; ++integerDigits) {
      for (int n = 0; n < 6; ++n) {
        std::string text = integerDigits == 0 ? "0" : std::to_string(random() % 9 + 1);
        for (int i = 1; i < integerDigits; ++i)
          text += static_cast<char>('0' + random() % 10);
        text += '.';
        for (int i = 0; i < decimals; ++i)
          text += static_cast<char>('0' + random() % 10);
        cases.emplace_back('f', Parsed((text + '5').c_str()) * (n % 2 == 0 ? 1 : -1), decimals);
      }
    }
  }
  for (int n = 0; n < 5000; ++n) {
    const double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
    if (n < 2000) {
      cases.emplace_back('f', mantissa * std::pow(10.0, double(random() % 30) - 15), static_cast<int>(random() % 12));
    } else {
      const double v = mantissa * std::pow(10.0, double(random() % 60) - 30);
      cases.emplace_back('g', v, n % 3 == 0 ? static_cast<int>(random() % 15 + 1) : 15);
    }
  }
  // Ties, carries, vanishing values, large values; decimals the double misses by a hair just past the 15th digit,
  // some within 5e-4 units of the tie (8.02661035480187499880...e-20, 4.84899024195321500397...e-17).
  const std::pair<double, int> ties[] = {{0.125, 2},
                                         {-0.125, 2},
                                         {2.5, 0},
                                         {-2.5, 0},
                                         {0.285, 2},
                                         {1.0, 3},
                                         {-1234.5678, 1},
                                         {999.5, 0},
                                         {-0.9999999, 3},
                                         {0.005, 2},
                                         {0.00499, 2},
                                         {0.5, 0},
                                         {0.49, 0},
                                         {-0.0, 2},
                                         {123456789012345678.0, 0},
                                         {-9007199254740993.0, 1},
                                         {4.848990241953215e-17, 30}};
  for (const auto& [value, decimals] : ties)
    cases.emplace_back('f', value, decimals);
  const char* const texts[] = {"-2.5",
                               "0.1",
                               "0.6666666666666666",
                               "0.00012345",
                               "1000",
                               "1234567890123456",
                               "100000000000000.5",
                               "1.000000000000005",
                               "2.000000000000005",
                               "0.1000000000000005",
                               "123.4567890123455",
                               "9.999999999999995",
                               "5.000000000000005e-10",
                               "8.026610354801875e-20",
                               "-8.026610354801875e-20",
                               "4.848990241953215e-17",
                               "1.783140740569445e-20",
                               "2.439075521767395e-20",
                               "1.162138576088325e-20",
                               "3.211836902564515e-19",
                               "3.901812573069635e-16"};
  for (const char* text : texts)
    cases.emplace_back('g', Parsed(text), 15);
  for (const auto& [value, precision] : {std::pair{2.5, 1}, {-2.5, 1}, {0.125, 2}, {0.375, 2}})
    cases.emplace_back('g', value, precision);
  std::string input;
  for (const auto& [kind, v, places] : cases)
    input += kind + (" " + Exact(v)) + " " + std::to_string(places) + "\n";
  const auto lines = oracle::RunPython(R"(
import sys
from decimal import Decimal, Context, ROUND_HALF_UP
for line in open(sys.argv[1]):
    kind, text, places = line.split()
    p, d, wide = int(places), Decimal(float(text)), Context(prec=2000)
    if kind == 'f':
        q = Context(prec=15, rounding=ROUND_HALF_UP).plus(d)
        q = q.quantize(Decimal(1).scaleb(-p, context=wide), rounding=ROUND_HALF_UP, context=wide)
        print(format(q, 'f').lstrip('-') if q == 0 else format(q, 'f'))
    else:
        m, e, x = format(float(Context(prec=p, rounding=ROUND_HALF_UP).plus(d)), '.%dg' % p).upper().partition('E')
        print(m + (e + str(int(x)) if e else ''))
)",
                                       input);
  ASSERT_EQ(lines.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& [kind, v, places] = cases[i];
    EXPECT_EQ(kind == 'f' ? FormatFixed(v, places) : FormatGeneral(v, places), lines[i]) << Exact(v) << " " << places;
  }
}  // namespace vrel

TEST(NumberFormat, SeventeenDigitsReadBackExactly) {
  std::mt19937_64 random(17);
  for (int n = 0; n < 20000; ++n) {
    double v = 0;
    double back = 0;
    const std::uint64_t bits = random();
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v))
      continue;
    const std::string text = FormatGeneral(v, 17);
    ASSERT_TRUE(ParseDouble(text, back)) << text;
    EXPECT_EQ(back, v) << text;
  }
}

// Qt applies the environment's locale; under a German one C's printf writes "1,5". Nothing here may follow it.
TEST(NumberFormat, IgnoresADecimalCommaLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if ((chosen = std::setlocale(LC_ALL, name)) != nullptr)
      break;
  }
  if (chosen == nullptr)
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  struct Restore {
    std::string name;
    ~Restore() { std::setlocale(LC_ALL, name.c_str()); }
  } restore{previous};
  char printed[32];
  std::snprintf(printed, sizeof printed, "%.1f", 1.5);
  ASSERT_STREQ(printed, "1,5");  // the locale is really in force
  EXPECT_EQ(FormatFixed(1234.5, 2), "1234.50");
  EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
  EXPECT_EQ(FormatGeneral(0.25), "0.25");
  EXPECT_EQ(FormatGeneral(1.5e20), "1.5E20");
  EXPECT_EQ(FormatInt(-1234567), "-1234567");
  double v = 0;
  long long i = 0;
  EXPECT_TRUE(ParseDouble("1.5", v));
  EXPECT_EQ(v, 1.5);
  EXPECT_FALSE(ParseDouble("1,5", v));
  EXPECT_TRUE(ParseInt("1234567", i));
  EXPECT_EQ(i, 1234567);
}
}  // namespace
}  // namespace vrel
