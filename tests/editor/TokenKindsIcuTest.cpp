// Token kinds of Japanese text against ICU's script and general category of each character.

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <set>
#include <string>
#include <vector>

#include "editor/EditorFountain.h"
#include "platform/Cp932.h"

namespace vrel {
namespace {

// The kind ICU's view of a double-byte character suggests: kanji, hiragana, katakana, full-width
// digits and Latin letters run together; everything else is a symbol of its own.
int IcuKind(char32_t c) {
  UErrorCode error = U_ZERO_ERROR;
  const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &error);
  const auto category = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(c)));
  if (script == USCRIPT_HAN)
    return toDBKanji;
  if (script == USCRIPT_HIRAGANA)
    return toDBHira;
  if (script == USCRIPT_KATAKANA)
    return toDBKana;
  if (category == U_DECIMAL_DIGIT_NUMBER)
    return toDBInt;
  if (script == USCRIPT_LATIN && (category == U_UPPERCASE_LETTER || category == U_LOWERCASE_LETTER))
    return toDBAlph;
  return toDBSymbol;
}

char32_t Decode(const std::string& cp932) {
  const std::u16string utf16 = Cp932ToUtf16(cp932);
  if (utf16.size() == 1 && utf16 != u"?")
    return utf16[0];
  if (utf16.size() == 2 && utf16[0] >= 0xD800 && utf16[0] <= 0xDBFF)
    return 0x10000 + ((utf16[0] - 0xD800) << 10) + (utf16[1] - 0xDC00);
  return 0;
}

int KindOf(TFountainParser& parser, const std::string& text) {
  parser.SetRowData(text, {});
  const int kind = parser.Next();
  EXPECT_EQ(parser.TokenLength(), text.size()) << std::hex << static_cast<int>(static_cast<unsigned char>(text[0]));
  return kind;
}

bool InRange(int code, int from, int to) {
  return code >= from && code <= to;
}

// Where the rules and ICU part, on purpose:
// - 仝々〇 (Han) and ヽヾゝゞ (kana iteration marks) sit among the symbols of lead 0x81: kind 12
//   (〆 is Common in ICU too);
// - so do Å (0x81F0, a Latin capital in ICU) and the squared katakana words of NEC row 13 (㍉ ㌔ ...,
//   0x875F-0x876E, Katakana in ICU);
// - the leads 0xF0-0xF9 (user-defined characters, private use in Unicode) and the IBM extension
//   symbols at 0xEEEF-0xEEFC and 0xFA40-0xFA5B (Roman numerals, ￢ ￤ ＇ ＂ ㈱ № ℡ ∵) share their
//   leads with kanji: kind 18.
bool ExpectedDifference(int code) {
  return InRange(code, 0x8152, 0x8155) || code == 0x8157 || code == 0x8158 || code == 0x815A || code == 0x81F0 ||
         InRange(code, 0x875F, 0x876E) || InRange(code, 0xF040, 0xF9FC) || InRange(code, 0xEEEF, 0xEEFC) ||
         InRange(code, 0xFA40, 0xFA5B);
}

TEST(TokenKindsAgainstIcu, EveryDoubleByteCharacterHasTheKindOfItsScript) {
  TEditorFountain fountain;
  auto parser = fountain.CreateParser();
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0)
      continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F)
        continue;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const char32_t c = Decode(bytes);
      if (c == 0)
        continue;
      const int code = lead << 8 | trail;
      const int kind = KindOf(*parser, bytes);
      ++checked;
      if (ExpectedDifference(code))
        EXPECT_NE(kind, IcuKind(c)) << std::hex << code << " agrees with ICU now";
      else
        EXPECT_EQ(kind, IcuKind(c)) << std::hex << code << " U+" << static_cast<uint32_t>(c);
    }
  }
  EXPECT_GT(checked, 9000);
}

TEST(TokenKindsAgainstIcu, HalfWidthKatakanaRunAndPunctuationStandsAlone) {
  TEditorFountain fountain;
  auto parser = fountain.CreateParser();
  for (int b = 0xA1; b <= 0xDF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const char32_t c = Decode(byte);
    UErrorCode error = U_ZERO_ERROR;
    const bool katakana = uscript_getScript(static_cast<UChar32>(c), &error) == USCRIPT_KATAKANA;
    // ｰ, ﾞ and ﾟ are Common in Unicode but belong to the half-width katakana runs.
    const bool mark = b == 0xB0 || b == 0xDE || b == 0xDF;
    EXPECT_EQ(KindOf(*parser, byte), katakana || mark ? toKana : toKanaSymbol) << std::hex << b;
    EXPECT_EQ(katakana, b >= 0xA6 && !mark) << std::hex << b;
  }
}

// Real sentences: every character of a run token has the run's script in ICU (the prolonged sound
// mark and the minus sign inside kana runs, the full-width comma and point inside digit runs are
// Common there), and a run does not stop before a character ICU would put in it.
TEST(TokenKindsAgainstIcu, RunsInJapaneseTextFollowTheScripts) {
  const char* const sentences[] = {
      "ファイルを開くには、メニューから「開く」を選んでください。",
      "テキストエディタは１２，３４５．６行まで扱えます（ＡＢＣ　ａｂｃ）。",
      "漢字とひらがな、カタカナ、ｶﾀｶﾅが混ざった文章です。ーから始まる行もある。",
      "スーパーコンピューターの計算結果は３．１４でした",
  };
  TEditorFountain fountain;
  auto parser = fountain.CreateParser();
  const auto code = [](std::string_view s, std::size_t p) {
    return static_cast<unsigned char>(s[p]) << 8 | static_cast<unsigned char>(s[p + 1]);
  };
  const std::set<int> runs = {toDBInt, toDBAlph, toDBHira, toDBKana, toDBKanji};
  int runTokens = 0;
  for (const char* utf8 : sentences) {
    const std::string text = Utf8ToCp932(utf8);
    ASSERT_EQ(text.find('?'), std::string::npos) << utf8;
    parser->SetRowData(text, {});
    while (const int kind = parser->Next()) {
      if (!runs.count(kind))
        continue;
      ++runTokens;
      const std::string token(parser->TokenString());
      for (std::size_t p = 0; p < token.size(); p += 2) {
        const int c = code(token, p);
        const bool inside = c == 0x815B || c == 0x817C || c == 0x8143 || c == 0x8144;
        if (p > 0 && inside)
          continue;
        EXPECT_EQ(IcuKind(Decode(token.substr(p, 2))), kind) << utf8 << " at " << p;
      }
      const std::size_t end = parser->TokenOffset() + token.size();
      if (end + 1 < text.size()) {
        EXPECT_NE(IcuKind(Decode(text.substr(end, 2))), kind) << utf8 << " after " << end;
      }
    }
  }
  EXPECT_GT(runTokens, 20);
}

}  // namespace
}  // namespace vrel
