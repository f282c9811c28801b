#include "scene/DX9UtilsConvert.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

#include "platform/NumberFormat.h"

namespace vrel {

namespace {

// A single from a double without the undefined conversion of an out-of-range value.
std::optional<float> ToFiniteSingle(double d) {
  if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(FLT_MAX))
    return std::nullopt;
  return static_cast<float>(d);
}

// ---- a small reader of number tokens ---------------------------------------------------------------

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsIdentStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || IsDigit(c);
}
bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Walks the text as the framework's token parser splits it (blanks, identifiers, quoted strings and
// #char codes, $hex and decimal numbers, single-character symbols) and hands every number on.
template <class OnNumber>
void ScanNumbers(std::string_view text, OnNumber onNumber) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  auto digitsFrom = [&](std::size_t j) {
    while (j < n && IsDigit(text[j]))
      ++j;
    return j;
  };
  while (i < n) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ') {
      ++i;
    } else if (IsLeadByte(u)) {
      // A double-byte character: its trail byte may look like a letter but belongs to it.
      i += (i + 1 < n) ? 2 : 1;
    } else if (IsIdentStart(c)) {
      while (i < n && IsIdentChar(text[i]))
        ++i;
    } else if (c == '\'' || c == '#') {
      // 'text', '' inside for a quote, #65 for a character code, in any sequence.
      while (i < n && (text[i] == '\'' || text[i] == '#')) {
        if (text[i] == '#') {
          ++i;
          if (i < n && text[i] == '$') {
            ++i;
            while (i < n && IsHexDigit(text[i]))
              ++i;
          } else {
            i = digitsFrom(i);
          }
        } else {
          ++i;
          for (;;) {
            if (i >= n)
              break;  // unterminated: the rest is the string
            if (text[i] == '\'') {
              if (i + 1 < n && text[i + 1] == '\'') {
                i += 2;
                continue;
              }
              ++i;
              break;
            }
            ++i;
          }
        }
      }
    } else if (c == '$' && i + 1 < n && IsHexDigit(text[i + 1])) {
      std::size_t j = i + 1;
      std::uint64_t value = 0;
      bool fits = true;
      while (j < n && IsHexDigit(text[j])) {
        const char h = text[j];
        const unsigned digit = IsDigit(h) ? unsigned(h - '0') : unsigned((h | 0x20) - 'a' + 10);
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
          fits = false;
        value = (value << 4) | digit;
        ++j;
      }
      if (fits)
        onNumber(static_cast<double>(static_cast<std::int64_t>(value)));
      i = j;
    } else if (IsDigit(c) || (c == '-' && i + 1 < n && IsDigit(text[i + 1]))) {
      const std::size_t start = i;
      if (c == '-')
        ++i;
      i = digitsFrom(i);
      if (i + 1 < n && text[i] == '.' && IsDigit(text[i + 1]))
        i = digitsFrom(i + 1);
      if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
          ++j;
        if (j < n && IsDigit(text[j]))
          i = digitsFrom(j);
      }
      double value = 0;
      if (ParseDouble(text.substr(start, i - start), value))
        onNumber(value);
    } else {
      ++i;
    }
  }
}

}  // namespace

// ---- numbers, colours and text -------------------------------------------------------------------

float DegreeToRadian(float degrees) {
  return degrees * kSinglePi / 180.0f;
}
float RadianToDegree(float radians) {
  return radians * 180.0f / kSinglePi;
}

std::int64_t RoundHalfAway(double x) {
  if (std::isnan(x))
    return 0;
  // 2^63 is exact as a double; anything at or beyond it does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  const double r = std::round(x);
  if (r >= kLimit)
    return std::numeric_limits<std::int64_t>::max();
  if (r < -kLimit)
    return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(r);
}

double RoundDigits(double x, int n) {
  if (!std::isfinite(x))
    return x;
  double p = 1.0;
  // Past 10^308 the power is infinite and the value cannot be rounded through an integer anyway.
  for (int i = 0; i < std::min(n, 309); ++i)
    p *= 10.0;
  const double scaled = x * p;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9223372036854775808.0)
    return x;
  return static_cast<double>(RoundHalfAway(scaled)) / p;
}

float TextToFloatDef(std::string_view text, float defaultValue) {
  double value = 0;
  if (!ParseDouble(text, value))
    return defaultValue;
  return ToFiniteSingle(value).value_or(defaultValue);
}

ArgbColor ColorToD3DColor(std::uint32_t color) {
  const std::uint32_t red = color & 0xFFu;
  const std::uint32_t green = (color >> 8) & 0xFFu;
  const std::uint32_t blue = (color >> 16) & 0xFFu;
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

std::uint32_t ColorRGB(std::uint32_t color) {
  return color & 0x00FFFFFFu;
}

bool SameColorValue(const ColorValue& a, const ColorValue& b) {
  return std::bit_cast<std::uint32_t>(a.r) == std::bit_cast<std::uint32_t>(b.r) &&
         std::bit_cast<std::uint32_t>(a.g) == std::bit_cast<std::uint32_t>(b.g) &&
         std::bit_cast<std::uint32_t>(a.b) == std::bit_cast<std::uint32_t>(b.b) &&
         std::bit_cast<std::uint32_t>(a.a) == std::bit_cast<std::uint32_t>(b.a);
}

std::uint32_t SingleBits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

std::string VectorToText(const Vec3& v) {
  // At least four characters per number, as the caption format has always had.
  auto number = [](float f) {
    std::string s = FormatFixed(f, 2);
    if (s.size() < 4)
      s.insert(0, 4 - s.size(), ' ');
    return s;
  };
  return "x:" + number(v.x) + " y:" + number(v.y) + " z:" + number(v.z);
}

int TextToVector(std::string_view text, Vec3& v) {
  float* components[3] = {&v.x, &v.y, &v.z};
  int count = 0;
  ScanNumbers(text, [&](double value) {
    if (count >= 3)
      return;
    if (const auto single = ToFiniteSingle(value))
      *components[count++] = *single;
  });
  return count;
}

void AppendCornersText(std::string& text, const TCorners& corners) {
  for (const Vec3& c : corners) {
    text += FormatFixed(c.x, 2);
    text += ' ';
    text += FormatFixed(c.y, 2);
    text += ' ';
    text += FormatFixed(c.z, 2);
    text += ' ';
  }
}

std::string AppendCornersText(const TCorners& corners) {
  std::string text;
  AppendCornersText(text, corners);
  return text;
}

}  // namespace vrel
