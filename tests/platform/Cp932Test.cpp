#include "platform/Cp932.h"

#include <gtest/gtest.h>
#include <random>
#include "PythonOracle.h"

namespace vrel {
namespace {
using oracle::FromHex;
using oracle::ToHex;

// Qt's own converters, which share nothing with ours, stand in for UTF-8 and UTF-16 encoding.
std::string Utf8Of(char32_t c) {
  return QString::fromUcs4(&c, 1).toStdString();
}
std::u16string Utf16Of(const std::string& utf8) {
  return QString::fromStdString(utf8).toStdU16String();
}

// The whole table is checked against Python's codec below; a NUL inside a text ends nothing.
TEST(Cp932, ANulIsACharacterLikeAnyOther) {
  EXPECT_EQ(Cp932ToUtf8(std::string("a\0\x82\xa0\0", 5)), std::string("a\0\xe3\x81\x82\0", 6));
  EXPECT_EQ(Cp932ToUtf16(std::string_view("\0\x82\xa0", 3)), std::u16string(u"\0\u3042", 2));
}

TEST(Cp932, DecodesEachBrokenCharacterAsOneQuestionMark) {
  const std::pair<std::string, std::string> cases[] = {
      // A lead byte cut off at the end; a trail byte that cannot be one; a line break is never eaten.
      {"ab\x81", "ab?"},
      {"\x81\x20x", "? x"},
      {"\x82\x0a\x82\xa0", "?\n\xe3\x81\x82"},
  };
  for (const auto& [cp932, utf8] : cases)
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << ToHex(cp932);
  EXPECT_EQ(Cp932ToUtf16("\x81\x20\x81"), u"? ?");
}

// Half-width kana triple in size: the output outgrows any guess made from the input length.
TEST(Cp932, ConvertsTextThatOutgrowsAGuessFromItsLength) {
  std::string kana;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    kana += "\xb1\xdd";
    expected += "\xef\xbd\xb1\xef\xbe\x9d";
  }
  EXPECT_EQ(Cp932ToUtf8(kana + "\x81"), expected + "?");
  EXPECT_EQ(Utf8ToCp932(expected), kana);
  EXPECT_EQ(Cp932ToUtf16(kana).size(), kana.size());
}

TEST(Cp932, EncodesUtf8WithOneQuestionMarkPerUnmappableOrIllFormedPiece) {
  // A text fits when no '?' was substituted: the text's own '?' is none.
  // Ill-formed and unmappable pieces at large are checked against Python's codec below.
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"a?b", "a?b", true},
      {"\xe2\x82\xac 5", "? 5", false},
      {"", "", true},
      // Windows (and glibc) write look-alikes for yen, overline and em dash where Python refuses; the shared files
      // come from Windows.
      {"\xc2\xa5", "\\", true},
      {"\xe2\x80\xbe", "~", true},
      {"\xe2\x80\x94", "\x81\x5c", true},
  };
  for (const auto& [utf8, cp932, fits] : cases) {
    EXPECT_EQ(Utf8ToCp932(utf8), cp932) << ToHex(utf8);
    EXPECT_EQ(Utf8FitsCp932(utf8), fits) << ToHex(utf8);
  }
}

TEST(Cp932, EncodesUtf16WithOneQuestionMarkPerUnmappableOrBrokenPiece) {
  const std::pair<std::u16string, std::string> wide[] = {
      // One pair, one '?'; lone halves, a high half at the end, a pair in the wrong order.
      {u"a\U0001F600b", "a?b"},
      {std::u16string(u"\xD800x", 2), "?x"},
      {std::u16string(u"x\xDC00", 2), "x?"},
      {std::u16string(u"\u3042\xD83D", 2), "\x82\xa0?"},
      {std::u16string(u"\xDC00\xD800", 2), "??"},
      {u"\u65e5\u672c", "\x93\xfa\x96\x7b"},
      {u"", ""},
  };
  for (const auto& [utf16, cp932] : wide)
    EXPECT_EQ(Utf16ToCp932(utf16), cp932) << cp932;
}

TEST(Cp932, ConvertsToAndFromQString) {
  EXPECT_EQ(Cp932ToQString("\x93\xfa\x96\x7b a\x82"), QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac a?"));
  EXPECT_EQ(QStringToCp932(QString::fromUtf8("\xe2\x91\xa0x\xf0\x9f\x98\x80")), "\x87\x40x?");
}

// Every code both ways and through UTF-16; for NEC-selected rows 0xED/0xEE vs IBM 0xFA-0xFC Windows writes the latter.
TEST(Cp932, EveryCodeConvertsAsPythonsCodecConvertsIt) {
  const auto lines = oracle::RunPython(R"(
codes = [bytes([b]) for b in range(256)]
codes += [bytes([l, t]) for l in [*range(0x81, 0xA0), *range(0xE0, 0xFD)] for t in range(0x40, 0xFD) if t != 0x7F]
def char(b):
    try:
        return b.decode('cp932')
    except UnicodeDecodeError:
        return None
ibm = {char(b): b for b in reversed(codes) if b[0] >= 0xFA and char(b)}
for b in codes:
    c = char(b)
    w = c.encode('cp932') if c else b''
    w = ibm[c] if w[:1] in (b'\xed', b'\xee') and c in ibm else w
    print(b.hex(), c.encode('utf-8').hex() if c else '-', w.hex())
)",
                                       "");
  ASSERT_EQ(lines.size(), 256u + 60u * 188u);
  std::string allCodes, allUtf8;
  std::size_t decodable = 0, roundTrips = 0;
  for (const auto& line : lines) {
    std::istringstream fields(line);
    std::string code, utf8, windows;
    fields >> code >> utf8 >> windows;
    code = FromHex(code);
    windows = FromHex(windows);
    utf8 = utf8 == "-" ? "?" : FromHex(utf8);
    if (code.size() == 1) {
      const int b = static_cast<unsigned char>(code[0]);
      const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
      EXPECT_EQ(IsCp932LeadByte(static_cast<unsigned char>(b)), lead) << b;
      // A lead byte alone is a broken character; every other byte decodes as Python's codec reads it.
      EXPECT_EQ(Cp932ToUtf8(code), lead ? "?" : utf8) << b;
      if (!lead && b >= 0x80) {
        EXPECT_EQ(Utf8ToCp932(utf8), code) << b;
        EXPECT_EQ(Cp932ToUtf16(code), Utf16Of(utf8)) << b;
        EXPECT_EQ(Utf16ToCp932(Utf16Of(utf8)), code) << b;
      }
      continue;
    }
    EXPECT_EQ(Cp932ToUtf8(code), utf8) << line;
    if (utf8 == "?")
      continue;
    ++decodable;
    roundTrips += windows == code;
    allCodes += code;
    allUtf8 += utf8;
    EXPECT_EQ(Cp932ToUtf16(code), Utf16Of(utf8)) << line;
    EXPECT_EQ(Utf8ToCp932(utf8), windows) << line;
    EXPECT_EQ(Utf16ToCp932(Utf16Of(utf8)), windows) << line;
  }
  EXPECT_EQ(decodable, 9604u);
  EXPECT_EQ(roundTrips, 9206u);  // as in Python: of each character's two codes, one round-trips
  // One long call: the output buffer has to grow many times.
  EXPECT_EQ(Cp932ToUtf8(allCodes), allUtf8);
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(allUtf8)), allUtf8);
}

// Random mixes of characters, cut-off sequences and stray bytes; Python also replaces each ill-formed piece once.
TEST(Cp932, RandomUtf8EncodesAsPythonsCodecEncodesIt) {
  std::mt19937 random(932);
  const auto pick = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution(lo, hi)(random); };
  // Where Windows and Python agree: kana, a block of kanji, Latin-1 without the yen sign, emoji outside the BMP.
  const auto goodCharacter = [&]() -> char32_t {
    const std::uint32_t ranges[][2] = {{0x3041, 0x3093}, {0x30A1, 0x30F6}, {0xFF61, 0xFF9F},
                                       {0x4E00, 0x4E27}, {0xA0, 0xFF},     {0x1F300, 0x1F64F}};
    const auto& range = ranges[pick(0, 5)];
    const char32_t c = pick(range[0], range[1]);
    return c == 0xA5 ? 0xA6 : c;
  };
  static const char* kBad[] = {"\xc0\x80",     "\xe0\x80\xaf",     "\xed\xa0\x80",
                               "\xed\xbf\xbf", "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80",
                               "\xfe",         "\xef\xbf"};  // look right but are not
  std::vector<std::string> inputs;
  std::string input;
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    for (std::uint32_t p = 0, pieces = pick(0, 12); p < pieces; ++p) {
      const std::uint32_t kind = pick(0, 5);
      const std::string good = kind == 1 || kind == 2 || kind == 4 ? Utf8Of(goodCharacter()) : "";
      if (kind == 0)
        text += static_cast<char>(pick(0x20, 0x7E));
      if (kind == 1 || kind == 2)
        text += good;
      if (kind == 3)
        text += static_cast<char>(pick(0x80, 0xFF));
      if (kind == 4 && good.size() > 1)
        text += good.substr(0, pick(1, static_cast<std::uint32_t>(good.size()) - 1));
      if (kind == 5)
        text += kBad[pick(0, 7)];
    }
    inputs.push_back(text);
    input += ToHex(text) + "\n";
  }
  const auto lines = oracle::RunPython(R"(
import sys
for line in open(sys.argv[1]):
    print(bytes.fromhex(line.strip()).decode('utf-8', 'replace').encode('cp932', 'replace').hex())
)",
                                       input);
  ASSERT_EQ(lines.size(), inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string expected = FromHex(lines[i]);
    EXPECT_EQ(Utf8ToCp932(inputs[i]), expected) << ToHex(inputs[i]);
    EXPECT_EQ(Utf8FitsCp932(inputs[i]), expected.find('?') == std::string::npos) << ToHex(inputs[i]);
  }
}

// A failed call must not leave the cached converters in a state that spoils the next.
TEST(Cp932, FailedCallsLeaveNoState) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Cp932ToUtf8("\x82"), "?");
    EXPECT_EQ(Cp932ToUtf8("\x85\x40\x82\xa0"), "?\xe3\x81\x82");
    EXPECT_EQ(Cp932ToUtf8("\xa0\x82\xa0"), "\xef\xa3\xb0\xe3\x81\x82");
    EXPECT_EQ(Utf8ToCp932("\xe3\x81"), "?");
    EXPECT_EQ(Utf8ToCp932("\x82\xa0"), "??");
    EXPECT_EQ(Utf16ToCp932(std::u16string(1, u'\xD800')), "?");
    EXPECT_EQ(Utf16ToCp932(std::u16string(1, u'\xDC00')), "?");
  }
}
}  // namespace
}  // namespace vrel
