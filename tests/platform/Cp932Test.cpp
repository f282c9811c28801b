#include "platform/Cp932.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vrel {
namespace {

// Python's codecs are the oracle: they were written apart from glibc's
// converter and from this code. The script gets `input` as a file and its
// standard output comes back split into lines.
std::vector<std::string> RunPython(const std::string& script, const std::string& input) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "vrel-cp932-XXXXXX").string();
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

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static const char* kDigits = "0123456789abcdef";
  std::string hex;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 15]);
  }
  return hex;
}

std::u16string Utf16FromHexLe(const std::string& hex) {
  const std::string bytes = FromHex(hex);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return units;
}

std::string Utf8Of(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

TEST(Cp932LeadByte, ExactlyTheTwoLeadRanges) {
  for (int c = 0; c < 256; ++c) {
    const bool expected = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(IsCp932LeadByte(static_cast<unsigned char>(c)), expected) << std::hex << c;
  }
}

// Expected characters were read off Python: bytes.fromhex(code).decode("cp932").
TEST(Cp932Decode, CharactersThatShiftJisGetsWrong) {
  // The two ASCII bytes that plain Shift-JIS turns into yen and overline.
  EXPECT_EQ(Cp932ToUtf8("C:\\dir\\~x"), "C:\\dir\\~x");
  EXPECT_EQ(Cp932ToUtf8("\x82\xa0\\~"), "\xe3\x81\x82\\~");  // also when the fast path is off
  EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "\xef\xbd\x9e");        // U+FF5E fullwidth tilde, not U+301C
  EXPECT_EQ(Cp932ToUtf8("\x81\x5f"), "\xef\xbc\xbc");        // U+FF3C fullwidth reverse solidus
  EXPECT_EQ(Cp932ToUtf8("\x81\x7c"), "\xef\xbc\x8d");        // U+FF0D fullwidth hyphen-minus
}

TEST(Cp932Decode, KanaKanjiAndExtensions) {
  EXPECT_EQ(Cp932ToUtf8("\x82\xa0\x83\x41"), "\xe3\x81\x82\xe3\x82\xa2");      // あア
  EXPECT_EQ(Cp932ToUtf8("\x93\xfa\x96\x7b\x8c\xea"), "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e");  // 日本語
  EXPECT_EQ(Cp932ToUtf8("\xb1\xdf"), "\xef\xbd\xb1\xef\xbe\x9f");              // half-width ｱﾟ
  EXPECT_EQ(Cp932ToUtf8("\x87\x40"), "\xe2\x91\xa0");                          // NEC row 13: ①
  EXPECT_EQ(Cp932ToUtf8("\xed\x40"), "\xe7\xba\x8a");                          // NEC-selected IBM: U+7E8A
  EXPECT_EQ(Cp932ToUtf8("\xfa\x40"), "\xe2\x85\xb0");                          // IBM: U+2170 small roman one
  EXPECT_EQ(Cp932ToUtf8("\xf0\x40"), "\xee\x80\x80");                          // user-defined area: U+E000
}

TEST(Cp932Decode, BrokenBytesGiveOneQuestionMarkAndTheScanGoesOn) {
  EXPECT_EQ(Cp932ToUtf8("ab\x81"), "ab?");                          // lead byte cut off at the end
  EXPECT_EQ(Cp932ToUtf8("\x81"), "?");
  EXPECT_EQ(Cp932ToUtf8("\x81\x20x"), "? x");                       // a trail byte that cannot be one
  EXPECT_EQ(Cp932ToUtf8("\x82\x0a\x82\xa0"), "?\n\xe3\x81\x82");   // a line break is never eaten
  // A lead byte with a byte from the trail range is one character, even
  // where the code page has a hole: its second byte is not shown on its own.
  EXPECT_EQ(Cp932ToUtf8("\x85\x40z"), "?z");
  EXPECT_EQ(Cp932ToUtf8("\xeb\x40\x82\xa0"), "?\xe3\x81\x82");
  // Single bytes that are neither characters nor lead bytes.
  EXPECT_EQ(Cp932ToUtf8("\x80\xa0\xfd\xfe\xff."), "?????.");
  // A lead byte followed by another byte that is valid as a trail byte pairs up.
  EXPECT_EQ(Cp932ToUtf8("\x81\x81@"), "\xef\xbc\x9d@");  // U+FF1D then '@'
  EXPECT_EQ(Cp932ToUtf16("\x81\x20\x81"), u"? ?");
}

// Half-width kana take one byte in CP932 and three in UTF-8: the output
// outgrows any guess made from the input length.
TEST(Cp932Decode, HalfWidthKanaTripleInSize) {
  std::string kana;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    kana += "\xb1\xdd";
    expected += "\xef\xbd\xb1\xef\xbe\x9d";  // ｱﾝ
  }
  EXPECT_EQ(Cp932ToUtf8(kana), expected);
  EXPECT_EQ(Utf8ToCp932(expected), kana);
  EXPECT_EQ(Cp932ToUtf16(kana).size(), kana.size());
  EXPECT_EQ(Cp932ToUtf8(kana + "\x81"), expected + "?");
}

TEST(Cp932Decode, EmbeddedNulAndEmptyInput) {
  EXPECT_EQ(Cp932ToUtf8(""), "");
  EXPECT_EQ(Cp932ToUtf16(""), u"");
  EXPECT_EQ(Cp932ToUtf8(std::string_view("a\0\x82\xa0\0", 5)), std::string("a\0\xe3\x81\x82\0", 6));
  EXPECT_EQ(Cp932ToUtf16(std::string_view("\0\x82\xa0", 3)), std::u16string(u"\0\u3042", 2));
}

TEST(Cp932Encode, UnmappableCharactersGiveOneQuestionMarkEach) {
  EXPECT_EQ(Utf8ToCp932("caf\xc3\xa9"), "caf?");                          // é
  EXPECT_EQ(Utf8ToCp932("a\xf0\x9f\x98\x80\xf0\x9f\x98\x80z"), "a??z");  // two U+1F600
  EXPECT_EQ(Utf8ToCp932("\xe2\x82\xac 5"), "? 5");                        // euro sign
  EXPECT_EQ(Utf8ToCp932("a?b"), "a?b");
  EXPECT_EQ(Utf8ToCp932("\xef\xbd\x9e\\~"), "\x81\x60\\~");
  EXPECT_EQ(Utf8ToCp932("\xe2\x91\xa0\xef\xbd\xb1"), "\x87\x40\xb1");
}

TEST(Cp932Encode, IllFormedUtf8GivesOneQuestionMarkPerMaximalPiece) {
  EXPECT_EQ(Utf8ToCp932("\xc3"), "?");                       // cut off at the end
  EXPECT_EQ(Utf8ToCp932("\xe3\x81x"), "?x");                 // cut off before an ASCII byte
  EXPECT_EQ(Utf8ToCp932("\xc0\xaf"), "??");                  // overlong '/'
  EXPECT_EQ(Utf8ToCp932("\xed\xa0\x80"), "???");             // an encoded surrogate
  EXPECT_EQ(Utf8ToCp932("\xf4\x90\x80\x80"), "????");        // above U+10FFFF
  EXPECT_EQ(Utf8ToCp932("\x80\xe3\x81\x82"), "?\x82\xa0");   // stray continuation byte, then あ
}

TEST(Cp932Encode, Utf16SurrogatesAndLoneHalves) {
  EXPECT_EQ(Utf16ToCp932(u"a\U0001F600b"), "a?b");  // one pair, one '?'
  EXPECT_EQ(Utf16ToCp932(std::u16string(u"\xD800x", 2)), "?x");
  EXPECT_EQ(Utf16ToCp932(std::u16string(u"x\xDC00", 2)), "x?");
  EXPECT_EQ(Utf16ToCp932(std::u16string(u"\u3042\xD83D", 2)), "\x82\xa0?");  // high half at the end
  EXPECT_EQ(Utf16ToCp932(std::u16string(u"\xDC00\xD800", 2)), "??");          // pair in the wrong order
  EXPECT_EQ(Utf16ToCp932(u"\u65e5\u672c"), "\x93\xfa\x96\x7b");
  EXPECT_EQ(Utf16ToCp932(u""), "");
}

// Windows (and glibc, which follows its table) write a few characters that
// CP932 lacks as their look-alikes; Python refuses them. The files the editor
// shares were made on Windows, so glibc's choice stands.
TEST(Cp932Encode, BestFitCharactersOfTheWindowsTable) {
  EXPECT_EQ(Utf8ToCp932("\xc2\xa5"), "\\");            // yen sign: the byte Japanese fonts show as yen
  EXPECT_EQ(Utf8ToCp932("\xe2\x80\xbe"), "~");          // overline
  EXPECT_EQ(Utf8ToCp932("\xe2\x80\x94"), "\x81\x5c");  // em dash as the CP932 horizontal bar
  EXPECT_TRUE(Utf8FitsCp932("\xc2\xa5"));
}

TEST(Cp932QString, ConvertsBothWays) {
  EXPECT_EQ(Cp932ToQString("\x93\xfa\x96\x7b abc"), QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac abc"));
  EXPECT_EQ(Cp932ToQString("plain"), QStringLiteral("plain"));
  EXPECT_EQ(QStringToCp932(QString::fromUtf8("\xe2\x91\xa0x\xf0\x9f\x98\x80")), "\x87\x40x?");
  EXPECT_EQ(QStringToCp932(QString()), "");
  EXPECT_EQ(Cp932ToQString("\x82"), QStringLiteral("?"));
}

TEST(Cp932Fits, TellsWhetherASubstitutionWouldHappen) {
  EXPECT_TRUE(Utf8FitsCp932(""));
  EXPECT_TRUE(Utf8FitsCp932("layer 1"));
  EXPECT_TRUE(Utf8FitsCp932("who?"));  // a '?' of the text's own is no substitution
  EXPECT_TRUE(Utf8FitsCp932("\xe3\x83\xac\xe3\x82\xa4\xe3\x83\xa4 \xe2\x91\xa0"));  // レイヤ ①
  EXPECT_FALSE(Utf8FitsCp932("caf\xc3\xa9"));
  EXPECT_FALSE(Utf8FitsCp932("\xf0\x9f\x98\x80"));
  EXPECT_FALSE(Utf8FitsCp932("ok\xc3"));  // ill-formed text does not fit either
}

TEST(Cp932Decode, SingleBytesAgreeWithPython) {
  const auto lines = RunPython(R"(
import sys
for b in range(256):
    try:
        print(bytes([b]).decode('cp932').encode('utf-8').hex())
    except UnicodeDecodeError:
        print('-')
)",
                               "");
  ASSERT_EQ(lines.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    // Python maps 0x80, 0xA0 and 0xFD-0xFF (Microsoft's table leaves them to
    // private use); glibc does not, and a stray byte there is shown as '?'.
    const bool unassigned = b == 0x80 || b == 0xA0 || b >= 0xFD;
    const std::string expected =
        IsCp932LeadByte(static_cast<unsigned char>(b)) || unassigned ? "?" : FromHex(lines[static_cast<std::size_t>(b)]);
    EXPECT_EQ(Cp932ToUtf8(byte), expected) << std::hex << b;
  }
}

// Every lead/trail pair against Python's codec, both ways and through UTF-16.
TEST(Cp932Table, AllDoubleByteCodesAgainstPython) {
  const auto lines = RunPython(R"(
for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
    for trail in range(0x40, 0xFD):
        if trail == 0x7F:
            continue
        b = bytes([lead, trail])
        try:
            ch = b.decode('cp932')
        except UnicodeDecodeError:
            print(b.hex(), '-', '-', '-')
            continue
        print(b.hex(), ch.encode('utf-8').hex(), ch.encode('utf-16-le').hex(), ch.encode('cp932').hex())
)",
                               "");
  ASSERT_EQ(lines.size(), 60u * 188u);

  struct Row {
    std::string code, utf8, utf16, pythonCode;
  };
  std::vector<Row> rows;
  std::map<std::string, std::string> ibmCodeOf;  // character -> its code in the IBM rows 0xFA-0xFC
  for (const auto& line : lines) {
    std::istringstream fields(line);
    std::string code, utf8, utf16, python;
    fields >> code >> utf8 >> utf16 >> python;
    rows.push_back({FromHex(code), utf8 == "-" ? "" : FromHex(utf8), utf16, python == "-" ? "" : FromHex(python)});
    const auto lead = static_cast<unsigned char>(rows.back().code[0]);
    if (lead >= 0xFA && lead <= 0xFC && utf8 != "-") ibmCodeOf.emplace(rows.back().utf8, rows.back().code);
  }

  std::string allCodes;
  std::string allUtf8;
  std::size_t decodable = 0;
  std::size_t roundTrips = 0;
  for (const auto& row : rows) {
    const auto lead = static_cast<unsigned char>(row.code[0]);
    if (row.utf8.empty()) {
      EXPECT_EQ(Cp932ToUtf8(row.code), "?") << ToHex(row.code);
      continue;
    }
    ++decodable;
    allCodes += row.code;
    allUtf8 += row.utf8;
    EXPECT_EQ(Cp932ToUtf8(row.code), row.utf8) << ToHex(row.code);
    EXPECT_EQ(Cp932ToUtf16(row.code), Utf16FromHexLe(row.utf16)) << ToHex(row.code);

    // Characters with a code both in the NEC-selected rows 0xED/0xEE and in
    // the IBM rows: Python writes the former, Windows the latter.
    std::string expected = row.pythonCode;
    const auto pythonLead = static_cast<unsigned char>(row.pythonCode[0]);
    if ((pythonLead == 0xED || pythonLead == 0xEE) && ibmCodeOf.count(row.utf8) != 0) expected = ibmCodeOf[row.utf8];
    EXPECT_EQ(Utf8ToCp932(row.utf8), expected) << ToHex(row.code);
    EXPECT_EQ(Utf16ToCp932(Utf16FromHexLe(row.utf16)), expected) << ToHex(row.code);
    if (expected == row.code) ++roundTrips;
    if (row.pythonCode == row.code && lead != 0xED && lead != 0xEE) {
      EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(row.code)), row.code) << ToHex(row.code);
    }
  }
  EXPECT_EQ(decodable, 9604u);
  // As many codes as in Python round-trip: for each character with two codes
  // the other one of the pair does.
  EXPECT_EQ(roundTrips, 9206u);

  // One long call: the output buffer has to grow many times.
  EXPECT_EQ(Cp932ToUtf8(allCodes), allUtf8);
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(allUtf8)), allUtf8);
}

// Random mixes of good characters, cut-off sequences and stray bytes: the
// '?' count and the text around them must match Python's
// decode('utf-8', 'replace').encode('cp932', 'replace'), which replaces each
// maximal ill-formed piece once as we do.
TEST(Cp932Encode, RandomUtf8AgainstPython) {
  std::mt19937 random(932);
  const auto pick = [&random](std::uint32_t lo, std::uint32_t hi) {
    return std::uniform_int_distribution<std::uint32_t>(lo, hi)(random);
  };
  // Ranges where Windows and Python agree: kana, a block of kanji, Latin-1
  // without the yen sign, and emoji outside the BMP.
  const auto goodCharacter = [&]() -> char32_t {
    switch (pick(0, 5)) {
      case 0: return pick(0x3041, 0x3093);
      case 1: return pick(0x30A1, 0x30F6);
      case 2: return pick(0xFF61, 0xFF9F);
      case 3: return pick(0x4E00, 0x4E27);
      case 4: { char32_t c = pick(0xA0, 0xFF); return c == 0xA5 ? 0xA6 : c; }
      default: return pick(0x1F300, 0x1F64F);
    }
  };
  std::vector<std::string> inputs;
  std::string input;
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    const auto pieces = pick(0, 12);
    for (std::uint32_t p = 0; p < pieces; ++p) {
      switch (pick(0, 5)) {
        case 0: text += static_cast<char>(pick(0x20, 0x7E)); break;
        case 1:
        case 2: text += Utf8Of(goodCharacter()); break;
        case 3: text += static_cast<char>(pick(0x80, 0xFF)); break;
        case 4: {  // a sequence cut short
          const std::string whole = Utf8Of(goodCharacter());
          if (whole.size() > 1) text += whole.substr(0, pick(1, static_cast<std::uint32_t>(whole.size()) - 1));
          break;
        }
        default: {  // forms that look right but are not
          static const char* kBad[] = {"\xc0\x80", "\xe0\x80\xaf", "\xed\xa0\x80", "\xed\xbf\xbf", "\xf4\x90\x80\x80",
                                       "\xf8\x88\x80\x80\x80", "\xfe", "\xef\xbf"};
          text += kBad[pick(0, 7)];
        }
      }
    }
    inputs.push_back(text);
    input += ToHex(text) + "\n";
  }
  const auto lines = RunPython(R"(
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

TEST(Cp932State, AFailedCallDoesNotSpoilTheNext) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Cp932ToUtf8("\x82"), "?");
    EXPECT_EQ(Cp932ToUtf8("\xa0\x82\xa0"), "?\xe3\x81\x82");
    EXPECT_EQ(Utf8ToCp932("\xe3\x81"), "?");
    EXPECT_EQ(Utf8ToCp932("\x82\xa0"), "??");
    EXPECT_EQ(Utf16ToCp932(std::u16string(1, u'\xD800')), "?");
    EXPECT_EQ(Utf16ToCp932(std::u16string(1, u'\xDC00')), "?");
  }
}

// Each thread has its own converters; results must not mix.
TEST(Cp932State, ThreadsConvertIndependently) {
  const std::string japanese = "\x93\xfa\x96\x7b\x8c\xea\x87\x40\xb1";
  const std::string japaneseUtf8 = Cp932ToUtf8(japanese);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        if (Cp932ToUtf8(japanese) != japaneseUtf8) ++failures[static_cast<std::size_t>(t)];
        if (Utf8ToCp932(japaneseUtf8) != japanese) ++failures[static_cast<std::size_t>(t)];
        if (Cp932ToUtf8("\x81") != "?") ++failures[static_cast<std::size_t>(t)];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace vrel
