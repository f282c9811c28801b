#include "platform/NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace vrel {

namespace {

// More significant digits than a double holds only shows its exact binary
// value; 30 is plenty and keeps the buffers small.
constexpr int kMaxPrecision = 30;
// Enough places to show the smallest subnormal at the largest precision.
constexpr int kMaxDecimals = 360;
// The exact decimal expansion of any double has at most 767 significant digits.
constexpr int kExactDigits = 780;

// A finite value as sign, significant digits and the power of ten of the
// first digit: value = d0.d1d2... * 10^exponent. Zero has no digits.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// Splits to_chars' scientific output "d.ddde+XX" into digits and exponent.
void ReadScientific(const char* first, const char* last, std::string& digits, int& exponent) {
  digits.clear();
  const char* p = first;
  for (; p != last && *p != 'e'; ++p) {
    if (*p != '.')
      digits.push_back(*p);
  }
  exponent = 0;
  if (p != last) {
    ++p;
    if (p != last && *p == '+')
      ++p;
    std::from_chars(p, last, exponent);
  }
}

// Adds one unit in the last place; a carry out of the first digit ("999" ->
// "1000") moves the exponent up and keeps the digit count.
void IncrementLastDigit(DecimalDigits& d) {
  for (std::size_t i = d.digits.size(); i-- > 0;) {
    if (d.digits[i] != '9') {
      ++d.digits[i];
      return;
    }
    d.digits[i] = '0';
  }
  d.digits.insert(d.digits.begin(), '1');
  d.digits.pop_back();
  ++d.exponent;
}

// True when the exact value of `magnitude`, beyond its first `precision`
// significant digits, is at least half a unit of the last kept digit.
bool ExactTailReachesHalf(double magnitude, int precision) {
  std::array<char, kExactDigits + 16> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                    std::chars_format::scientific, kExactDigits);
  std::string digits;
  int exponent = 0;
  ReadScientific(buffer.data(), result.ptr, digits, exponent);
  return digits.size() > static_cast<std::size_t>(precision) && digits[static_cast<std::size_t>(precision)] >= '5';
}

// The finite value v taken to `precision` significant digits, half away from
// zero on its exact binary value.
DecimalDigits ToSignificantDigits(double v, int precision) {
  DecimalDigits d;
  d.negative = std::signbit(v);
  if (v == 0)
    return d;
  const double magnitude = std::fabs(v);

  // Three guard digits, correctly rounded, settle the direction unless they
  // read exactly "500": then the exact value is below or at/above the half.
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                    std::chars_format::scientific, precision + 2);
  ReadScientific(buffer.data(), result.ptr, d.digits, d.exponent);
  const std::string guard = d.digits.substr(static_cast<std::size_t>(precision));
  d.digits.resize(static_cast<std::size_t>(precision));
  const bool up = guard == "500" ? ExactTailReachesHalf(magnitude, precision) : guard > "500";
  if (up)
    IncrementLastDigit(d);
  return d;
}

bool IsAllZero(const std::string& digits) {
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

std::string NonFinite(double v) {
  if (std::isnan(v))
    return "NAN";
  return v < 0 ? "-INF" : "INF";
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

double PowerOfTen(int n) {
  // Up to 10^22 a power of ten is exact in a double.
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (n >= 0 && n <= 22)
    return kExact[n];
  return std::pow(10.0, n);
}

}  // namespace

std::string FormatFixed(double v, int decimals, int precision) {
  if (!std::isfinite(v))
    return NonFinite(v);
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  precision = std::clamp(precision, 1, kMaxPrecision);

  DecimalDigits d = ToSignificantDigits(v, precision);
  if (!d.digits.empty()) {
    // Digit i stands for 10^(exponent - i); places down to 10^-decimals stay.
    const long kept = static_cast<long>(d.exponent) + decimals + 1;
    if (kept < 0) {
      d.digits.clear();
    } else if (kept == 0) {
      // Only the first digit decides: 0.5 units of the last place or more
      // becomes one unit.
      const bool up = d.digits[0] >= '5';
      d.digits = up ? "1" : "";
      d.exponent = -decimals;
    } else if (static_cast<std::size_t>(kept) < d.digits.size()) {
      const bool up = d.digits[static_cast<std::size_t>(kept)] >= '5';
      d.digits.resize(static_cast<std::size_t>(kept));
      if (up)
        IncrementLastDigit(d);
    }
  }

  const auto digitAt = [&d](long place) -> char {
    // place is the power of ten; digit index is exponent - place.
    const long i = static_cast<long>(d.exponent) - place;
    if (i < 0 || i >= static_cast<long>(d.digits.size()))
      return '0';
    return d.digits[static_cast<std::size_t>(i)];
  };

  std::string out;
  if (d.negative && !IsAllZero(d.digits))
    out.push_back('-');
  if (d.digits.empty() || d.exponent < 0) {
    out.push_back('0');
  } else {
    for (long place = d.exponent; place >= 0; --place)
      out.push_back(digitAt(place));
  }
  if (decimals > 0) {
    out.push_back('.');
    for (long place = -1; place >= -static_cast<long>(decimals); --place)
      out.push_back(digitAt(place));
  }
  return out;
}

std::string FormatGeneral(double v, int precision) {
  if (!std::isfinite(v))
    return NonFinite(v);
  precision = std::clamp(precision, 1, kMaxPrecision);
  if (v == 0)
    return "0";

  DecimalDigits d = ToSignificantDigits(v, precision);
  while (d.digits.size() > 1 && d.digits.back() == '0')
    d.digits.pop_back();

  std::string out;
  if (d.negative)
    out.push_back('-');
  if (d.exponent < -4 || d.exponent >= precision) {
    out.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
      out.push_back('.');
      out.append(d.digits, 1);
    }
    out.push_back('E');
    out += std::to_string(d.exponent);
  } else if (d.exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += d.digits;
  } else {
    const auto integerDigits = static_cast<std::size_t>(d.exponent) + 1;
    if (d.digits.size() <= integerDigits) {
      out += d.digits;
      out.append(integerDigits - d.digits.size(), '0');
    } else {
      out.append(d.digits, 0, integerDigits);
      out.push_back('.');
      out.append(d.digits, integerDigits);
    }
  }
  return out;
}

std::string FormatInt(long long v) {
  std::array<char, 24> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  return std::string(buffer.data(), result.ptr);
}

bool ParseDouble(std::string_view text, double& out) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would also take "inf", "nan" and a second sign; a number here
  // starts with a digit or a point.
  if (text.empty() || !(IsDigit(text.front()) || text.front() == '.'))
    return false;
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size())
    return false;
  out = negative ? -value : value;
  return true;
}

bool ParseInt(std::string_view text, long long& out) {
  text = TrimBlanks(text);
  // from_chars takes '-' itself (so the most negative value parses) but not '+'.
  std::string_view digits = text;
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    digits = text;
  } else if (!text.empty() && text.front() == '-') {
    digits = text.substr(1);
  }
  if (digits.empty() || !IsDigit(digits.front()))
    return false;
  long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size())
    return false;
  out = value;
  return true;
}

double RoundHalfAway(double v, int decimals) {
  if (!std::isfinite(v))
    return v;
  // Past 10^+-330 every finite double either overflows or vanishes.
  decimals = std::clamp(decimals, -400, 400);
  // Dividing by an exact power of ten rounds once; multiplying by 10^-n
  // would round the factor first.
  const double scaled = decimals >= 0 ? v * PowerOfTen(decimals) : v / PowerOfTen(-decimals);
  constexpr double kLimit = 4611686018427387904.0;  // 2^62
  if (!(std::fabs(scaled) <= kLimit))
    return v;
  const long long units = std::llround(scaled);
  if (units == 0)
    return 0.0;
  const auto asDouble = static_cast<double>(units);
  return decimals >= 0 ? asDouble / PowerOfTen(decimals) : asDouble * PowerOfTen(-decimals);
}

}  // namespace vrel
