#include "platform/Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace vrel {

namespace {

// glibc's "SHIFT_JIS" turns 0x5C into a yen sign, 0x7E into an overline and
// 0x8160 into U+301C; files written on Windows mean backslash, tilde and
// U+FF5E, which is what "CP932" gives.
constexpr const char* kCp932 = "CP932";
constexpr const char* kUtf8 = "UTF-8";
// An explicit byte order keeps iconv from writing or expecting a BOM.
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

enum Direction : std::size_t { kCp932ToUtf8, kUtf8ToCp932, kCp932ToUtf16, kUtf16ToCp932, kDirectionCount };

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

// iconv_open loads a gconv module and allocates; doing it once per thread and
// direction keeps short conversions (one label, one file name) cheap. A
// descriptor carries shift state, so it cannot be shared between threads.
class DescriptorCache {
 public:
  DescriptorCache() { descriptors_.fill(kNoDescriptor); }
  ~DescriptorCache() {
    for (iconv_t cd : descriptors_) {
      if (cd != kNoDescriptor)
        iconv_close(cd);
    }
  }
  DescriptorCache(const DescriptorCache&) = delete;
  DescriptorCache& operator=(const DescriptorCache&) = delete;

  // Returns kNoDescriptor when the system lacks the converter; callers then
  // keep ASCII and replace everything else.
  iconv_t Get(Direction d) {
    if (!tried_[d]) {
      tried_[d] = true;
      static constexpr const char* kTo[kDirectionCount] = {kUtf8, kCp932, kUtf16, kCp932};
      static constexpr const char* kFrom[kDirectionCount] = {kCp932, kUtf8, kCp932, kUtf16};
      descriptors_[d] = iconv_open(kTo[d], kFrom[d]);
    }
    return descriptors_[d];
  }

 private:
  std::array<iconv_t, kDirectionCount> descriptors_{};
  std::array<bool, kDirectionCount> tried_{};
};

thread_local DescriptorCache t_descriptors;

bool IsCp932TrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Each of the following returns how many input bytes one '?' stands for when
// iconv stops at the start of `rest` (rest is never empty). They decide what
// counts as one character, so that an unmappable character gives one '?' and
// a broken sequence does not swallow the text after it.

// A lead byte with a byte from the trail range is one (unmapped) character;
// a lead byte followed by anything else is broken alone, and the next byte is
// read again on its own.
std::size_t Cp932BadLength(std::string_view rest) {
  const auto b0 = static_cast<unsigned char>(rest[0]);
  if (IsCp932LeadByte(b0) && rest.size() >= 2 && IsCp932TrailByte(static_cast<unsigned char>(rest[1])))
    return 2;
  return 1;
}

// A well-formed sequence (an unmappable character) is skipped whole; an
// ill-formed one is skipped by its maximal valid prefix, as Unicode
// recommends for substitution, so one '?' stands for each broken piece.
std::size_t Utf8BadLength(std::string_view rest) {
  const auto b0 = static_cast<unsigned char>(rest[0]);
  std::size_t need = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
  } else if (b0 == 0xE0) {
    need = 2;
    lo = 0xA0;
  } else if (b0 == 0xED) {  // no encoded surrogates
    need = 2;
    hi = 0x9F;
  } else if (b0 >= 0xE1 && b0 <= 0xEF) {
    need = 2;
  } else if (b0 == 0xF0) {
    need = 3;
    lo = 0x90;
  } else if (b0 >= 0xF1 && b0 <= 0xF3) {
    need = 3;
  } else if (b0 == 0xF4) {  // nothing above U+10FFFF
    need = 3;
    hi = 0x8F;
  } else {
    return 1;
  }
  std::size_t n = 1;
  for (std::size_t i = 0; i < need; ++i) {
    if (n >= rest.size())
      return n;
    const auto c = static_cast<unsigned char>(rest[n]);
    const unsigned char min = i == 0 ? lo : 0x80;
    const unsigned char max = i == 0 ? hi : 0xBF;
    if (c < min || c > max)
      return n;
    ++n;
  }
  return n;
}

char16_t Utf16UnitAt(std::string_view bytes, std::size_t offset) {
  char16_t u = 0;
  std::memcpy(&u, bytes.data() + offset, sizeof u);
  return u;
}

// A surrogate pair is one character; a lone surrogate is broken on its own.
std::size_t Utf16BadLength(std::string_view rest) {
  if (rest.size() < 2)
    return rest.size();
  const char16_t u0 = Utf16UnitAt(rest, 0);
  if (u0 >= 0xD800 && u0 <= 0xDBFF && rest.size() >= 4) {
    const char16_t u1 = Utf16UnitAt(rest, 2);
    if (u1 >= 0xDC00 && u1 <= 0xDFFF)
      return 4;
  }
  return 2;
}

struct Route {
  Direction direction;
  std::size_t inUnit;   // bytes per input code unit
  std::size_t outUnit;  // bytes per output code unit
  std::size_t (*badLength)(std::string_view);
};

constexpr Route kRoutes[kDirectionCount] = {
    {kCp932ToUtf8, 1, 1, Cp932BadLength},
    {kUtf8ToCp932, 1, 1, Utf8BadLength},
    {kCp932ToUtf16, 1, 2, Cp932BadLength},
    {kUtf16ToCp932, 2, 1, Utf16BadLength},
};

// Five bytes that glibc refuses but Windows (and Python's cp932 codec) read as characters: 0x80 as
// U+0080, 0xA0 as U+F8F0 and 0xFD-0xFF as U+F8F1-U+F8F3. Text from Windows may hold them, and a text
// read and written back must keep them.
constexpr std::pair<unsigned char, char16_t> kSingleByteExtras[] = {
    {0x80, u'\u0080'}, {0xA0, u'\uF8F0'}, {0xFD, u'\uF8F1'}, {0xFE, u'\uF8F2'}, {0xFF, u'\uF8F3'}};

// The first character of `rest` in the route's source encoding, when it is a whole character;
// 0 otherwise. Only decodes what the extras need (code points up to U+FFFF).
char16_t FirstCharacter(Direction direction, std::string_view rest, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
  if (direction == kUtf16ToCp932) {
    length = 2;
    return rest.size() >= 2 ? Utf16UnitAt(rest, 0) : 0;
  }
  if (rest.size() >= 2 && byte(0) >= 0xC2 && byte(0) <= 0xDF && (byte(1) & 0xC0) == 0x80) {
    length = 2;
    return static_cast<char16_t>((byte(0) & 0x1F) << 6 | (byte(1) & 0x3F));
  }
  if (rest.size() >= 3 && (byte(0) & 0xF0) == 0xE0 && (byte(1) & 0xC0) == 0x80 && (byte(2) & 0xC0) == 0x80) {
    length = 3;
    return static_cast<char16_t>((byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F));
  }
  return 0;
}

void AppendBytes(std::string& out, std::size_t& used, std::string_view bytes) {
  if (out.size() - used < bytes.size())
    out.resize(out.size() * 2 + 16);
  std::memcpy(out.data() + used, bytes.data(), bytes.size());
  used += bytes.size();
}

// When `rest` starts with one of the extras, writes its counterpart and returns the input bytes it
// took; 0 when it does not.
std::size_t ConvertExtra(Direction direction, std::string_view rest, std::string& out, std::size_t& used) {
  if (direction == kCp932ToUtf8 || direction == kCp932ToUtf16) {
    const auto b = static_cast<unsigned char>(rest[0]);
    for (const auto& [code, unit] : kSingleByteExtras) {
      if (code != b)
        continue;
      if (direction == kCp932ToUtf16) {
        AppendBytes(out, used, std::string_view(reinterpret_cast<const char*>(&unit), sizeof unit));
      } else {
        const char utf8[3] = {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                              static_cast<char>(0x80 | (unit & 0x3F))};
        // U+0080 takes two bytes, the private-use characters three.
        AppendBytes(out, used, unit < 0x800 ? std::string_view("\xC2\x80", 2) : std::string_view(utf8, 3));
      }
      return 1;
    }
    return 0;
  }
  std::size_t length = 0;
  const char16_t c = FirstCharacter(direction, rest, length);
  for (const auto& [code, unit] : kSingleByteExtras) {
    if (unit != c)
      continue;
    const char b = static_cast<char>(code);
    AppendBytes(out, used, std::string_view(&b, 1));
    return length;
  }
  return 0;
}

void AppendUnit(std::string& out, std::size_t& used, std::size_t outUnit, char16_t value) {
  if (out.size() - used < outUnit)
    out.resize(out.size() * 2 + 16);
  if (outUnit == 1) {
    out[used] = static_cast<char>(value);
  } else {
    std::memcpy(out.data() + used, &value, sizeof value);
  }
  used += outUnit;
}

// Keeps ASCII and replaces the rest, for a system without the converter.
std::size_t ConvertWithoutIconv(const Route& route, std::string_view in, std::string& out) {
  std::size_t used = 0;
  std::size_t replaced = 0;
  std::size_t pos = 0;
  while (pos + route.inUnit <= in.size()) {
    const char16_t unit = route.inUnit == 1 ? static_cast<unsigned char>(in[pos]) : Utf16UnitAt(in, pos);
    if (unit < 0x80) {
      AppendUnit(out, used, route.outUnit, unit);
      pos += route.inUnit;
    } else {
      AppendUnit(out, used, route.outUnit, u'?');
      pos += route.badLength(in.substr(pos));
      ++replaced;
    }
  }
  out.resize(used);
  return replaced;
}

// Converts `in` (raw bytes in the route's source encoding) into `out` (raw
// bytes in its target encoding) and returns how many '?' were substituted.
std::size_t Convert(Direction direction, std::string_view in, std::string& out) {
  const Route& route = kRoutes[direction];
  out.assign(std::max<std::size_t>(16, in.size() / route.inUnit * route.outUnit * 2), '\0');

  iconv_t cd = t_descriptors.Get(direction);
  if (cd == kNoDescriptor)
    return ConvertWithoutIconv(route, in, out);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a previous call may have stopped mid-sequence

  std::size_t used = 0;
  std::size_t replaced = 0;
  std::size_t pos = 0;
  while (pos < in.size()) {
    // iconv's prototype takes char** although it never writes through the input.
    char* inPtr = const_cast<char*>(in.data()) + pos;
    std::size_t inLeft = in.size() - pos;
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    pos = static_cast<std::size_t>(inPtr - in.data());
    used = static_cast<std::size_t>(outPtr - out.data());
    if (result != static_cast<std::size_t>(-1))
      break;
    if (error == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    if (pos >= in.size())
      break;
    if (const std::size_t taken = ConvertExtra(direction, in.substr(pos), out, used)) {
      pos += taken;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    // EILSEQ (unmappable or invalid) or EINVAL (truncated at the end): replace
    // one character's worth and carry on after it.
    const std::size_t skip = std::min(in.size() - pos, std::max<std::size_t>(1, route.badLength(in.substr(pos))));
    AppendUnit(out, used, route.outUnit, u'?');
    pos += skip;
    ++replaced;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return replaced;
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(std::u16string_view units) {
  return std::all_of(units.begin(), units.end(), [](char16_t u) { return u < 0x80; });
}

std::string_view AsBytes(std::u16string_view units) {
  return {reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t)};
}

std::u16string BytesToUtf16(const std::string& bytes) {
  std::u16string units(bytes.size() / sizeof(char16_t), u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * sizeof(char16_t));
  return units;
}

}  // namespace

bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932))
    return std::string(cp932);
  std::string out;
  Convert(kCp932ToUtf8, cp932, out);
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8))
    return std::string(utf8);
  std::string out;
  Convert(kUtf8ToCp932, utf8, out);
  return out;
}

std::u16string Cp932ToUtf16(std::string_view cp932) {
  if (IsAscii(cp932))
    return std::u16string(cp932.begin(), cp932.end());
  std::string bytes;
  Convert(kCp932ToUtf16, cp932, bytes);
  return BytesToUtf16(bytes);
}

std::string Utf16ToCp932(std::u16string_view utf16) {
  if (IsAscii(utf16)) {
    std::string out(utf16.size(), '\0');
    std::transform(utf16.begin(), utf16.end(), out.begin(), [](char16_t u) { return static_cast<char>(u); });
    return out;
  }
  std::string out;
  Convert(kUtf16ToCp932, AsBytes(utf16), out);
  return out;
}

QString Cp932ToQString(std::string_view cp932) {
  if (IsAscii(cp932))
    return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
  return QString::fromStdU16String(Cp932ToUtf16(cp932));
}

std::string QStringToCp932(const QString& text) {
  return Utf16ToCp932(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

bool Utf8FitsCp932(std::string_view utf8) {
  if (IsAscii(utf8))
    return true;
  std::string out;
  return Convert(kUtf8ToCp932, utf8, out) == 0;
}

}  // namespace vrel
