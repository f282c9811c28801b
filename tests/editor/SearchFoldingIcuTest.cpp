// The search's case and width folding tables against ICU's case mapping and NFKC.

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>

#include <algorithm>
#include <string>

#include "editor/ZTSearch.h"
#include "platform/Cp932.h"

namespace vrel {
namespace {

std::u16string Nfkc(const std::u16string& text) {
  UErrorCode error = U_ZERO_ERROR;
  const UNormalizer2* nfkc = unorm2_getNFKCInstance(&error);
  std::u16string out(text.size() * 4 + 8, u'\0');
  const int32_t length =
      unorm2_normalize(nfkc, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                       reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &error);
  EXPECT_TRUE(U_SUCCESS(error));
  out.resize(static_cast<std::size_t>(length));
  return out;
}

std::string Bytes(uint16_t code) {
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

// The CP932 form of a text, or empty when some character has none (each becomes a '?').
std::string Encode(const std::u16string& text) {
  const std::string bytes = Utf16ToCp932(text);
  const auto marks = std::count(bytes.begin(), bytes.end(), '?');
  return marks == std::count(text.begin(), text.end(), u'?') ? bytes : std::string();
}

TEST(SearchFoldingAgainstIcu, DoubleByteUpperCaseIsIcusWhereCp932HasTheCapital) {
  int folded = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const auto code = static_cast<uint16_t>(lead << 8 | trail);
      const std::u16string c = Cp932ToUtf16(Bytes(code));
      if (c.size() != 1 || c == u"?" || (lead > 0x9F && lead < 0xE0))
        continue;
      const auto upper = static_cast<char16_t>(u_toupper(c[0]));
      const std::string capital = upper != c[0] ? Encode(std::u16string(1, upper)) : std::string();
      if (capital.empty()) {
        EXPECT_EQ(UpperCaseOf(code), code) << std::hex << code;
        continue;
      }
      ++folded;
      EXPECT_EQ(Cp932ToUtf16(Bytes(UpperCaseOf(code))), std::u16string(1, upper)) << std::hex << code;
    }
  }
  // 26 full-width Latin, 24 Greek, 33 Cyrillic letters and ten small Roman numerals under two codes.
  EXPECT_EQ(folded, 26 + 24 + 33 + 20);
}

TEST(SearchFoldingAgainstIcu, SingleByteUpperCaseIsAsciiOnly) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const char16_t expected = b < 0x80 ? static_cast<char16_t>(u_toupper(b)) : static_cast<char16_t>(b);
    EXPECT_EQ(static_cast<char16_t>(UpperCaseOf(byte)), expected) << b;
  }
}

// NFKC takes each full-width form back to the single byte it widens, with the old table's two
// deliberate exceptions: '~' widens to ￣ (U+FFE3, which NFKC reads as a space and a macron), and
// the half-width voiced marks widen to the spacing marks ゛゜ (NFKC gives the combining ones).
TEST(SearchFoldingAgainstIcu, EveryFullWidthFormNormalisesBackToItsByte) {
  int widened = 0;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const uint16_t wide = FullWidthOf(byte);
    const std::u16string single = Cp932ToUtf16(std::string(1, static_cast<char>(b)));
    if (wide == 0) {
      // Kept as they are: no full-width form exists in CP932.
      EXPECT_TRUE(b < 0x20 || b == 0x7F || b == 0x80 || b == 0xA0 || b >= 0xFD || (b >= 0x81 && b <= 0x9F) ||
                  (b >= 0xE0 && b <= 0xFC))
          << b;
      continue;
    }
    ++widened;
    const std::u16string normalised = Nfkc(Cp932ToUtf16(Bytes(wide)));
    if (b == 0x7E) {
      EXPECT_EQ(normalised, u" \u0304");
    } else if (b == 0xDE || b == 0xDF) {
      EXPECT_EQ(normalised, std::u16string(u" ") + (b == 0xDE ? u'\u3099' : u'\u309A'));
    } else {
      EXPECT_EQ(normalised, Nfkc(single)) << std::hex << b;
    }
  }
  EXPECT_EQ(widened, 95 + 63);
}

// The four bytes the old table leaves open widen to the forms NFKC maps back to them, which are also
// what the system writes for the full-width characters typed.
TEST(SearchFoldingAgainstIcu, QuoteBackslashAndGraveWidenToTheirCompatibilityForms) {
  const std::pair<unsigned char, char16_t> choices[] = {
      {0x22, u'\uFF02'}, {0x27, u'\uFF07'}, {0x5C, u'\uFF3C'}, {0x60, u'\uFF40'}};
  for (const auto& [byte, form] : choices) {
    EXPECT_EQ(Cp932ToUtf16(Bytes(FullWidthOf(byte))), std::u16string(1, form)) << byte;
    EXPECT_EQ(Encode(std::u16string(1, form)), Bytes(FullWidthOf(byte))) << byte;
  }
}

// Every character of CP932 among Unicode's full-width forms of ASCII (U+FF01-U+FF5E and the
// ideographic space) is the full-width form of the byte NFKC takes it to, but for the listed ones:
// ～ (0x8160, where '~' widens to ￣) and the second codes of ＇ and ＂ among the NEC-selected IBM
// extensions (0xEEFB, 0xEEFC).
TEST(SearchFoldingAgainstIcu, EachFullWidthAsciiFormIsTheWidenedByte) {
  int forms = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const auto code = static_cast<uint16_t>(lead << 8 | trail);
      const std::u16string c = Cp932ToUtf16(Bytes(code));
      if (c.size() != 1 || (lead > 0x9F && lead < 0xE0) || !(c[0] == u'\u3000' || (c[0] >= 0xFF01 && c[0] <= 0xFF5E)))
        continue;
      ++forms;
      const std::string narrow = Encode(Nfkc(c));
      ASSERT_EQ(narrow.size(), 1u) << std::hex << code;
      if (code == 0x8160 || code == 0xEEFB || code == 0xEEFC)
        EXPECT_NE(FullWidthOf(static_cast<unsigned char>(narrow[0])), code) << std::hex << code;
      else
        EXPECT_EQ(FullWidthOf(static_cast<unsigned char>(narrow[0])), code) << std::hex << code;
    }
  }
  EXPECT_EQ(forms, 95 + 2);
}

// A half-width katakana and a mark NFKC composes into one character become that character when CP932
// has it; otherwise the katakana and the spacing mark stay two characters (ﾜﾞ and ｦﾞ compose in
// Unicode to ヷ and ヺ, which CP932 lacks).
TEST(SearchFoldingAgainstIcu, VoicedKatakanaComposeAsNfkcDoes) {
  int composed = 0;
  for (int kana = 0xA6; kana <= 0xDD; ++kana) {
    for (const int mark : {0xDE, 0xDF}) {
      const std::string pair{static_cast<char>(kana), static_cast<char>(mark)};
      const std::string ours = ToZenkakuKana(pair);
      const std::string nfkc = Encode(Nfkc(Cp932ToUtf16(pair)));
      if (nfkc.size() == 2) {
        ++composed;
        EXPECT_EQ(ours, nfkc) << std::hex << kana << " " << int(mark);
      } else {
        EXPECT_EQ(ours, Bytes(FullWidthOf(static_cast<unsigned char>(kana))) +
                            Bytes(FullWidthOf(static_cast<unsigned char>(mark))))
            << std::hex << kana;
      }
    }
  }
  // 20 voiced (ｶ-ﾄ, ﾊ-ﾎ), 5 semi-voiced (ﾊ-ﾎ) and ｳﾞ.
  EXPECT_EQ(composed, 26);
}

}  // namespace
}  // namespace vrel
