// The Japanese line-breaking rules against ICU's line-break iterator for strict Japanese
// ("ja@lb=strict") and the UAX #14 classes ICU gives each character.
//
// ICU never breaks inside runs of Latin letters or digits and the wrap does, and the wrap forces a
// break at four fifths of the width and lets punctuation hang, so only breaks between CJK
// characters that the rules chose freely are compared. Where the two disagree, the reason is listed:
// the rules' sets are short of characters that strict Japanese keeps from starting or ending a line.

#include <gtest/gtest.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "editor/EditorProperties.h"
#include "editor/EditorWrap.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {
namespace {

// CJK characters of every line-breaking class that CP932 has: the rules' own sets, kanji, kana with
// the small ones, half-width kana, full-width symbols, brackets and quotes the sets leave out.
const char* const kAlphabet =
    "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』｡｣､･ｰﾞﾟ（［｛「『｢漢字日本語文章あいうえおかきぁぃぅぇぉっゃゅょゎアイウカ"
    "キァィゥェォッャュョヮヵヶｱｲｳｴｵｧｨｩｪｫｯｬｭｮ～…‥―‐／＼＆＠＃％＄￥〃仝〆〇＜＞《》【】〔〕＋－＝′″℃＊※〒→"
    "★○◎△□■“”‘’〈〉０１２ＡＢｃ：；＿";

int LineBreakClass(char16_t c) {
  return u_getIntPropertyValue(c, UCHAR_LINE_BREAK);
}

std::string ClassName(char16_t c) {
  return u_getPropertyValueName(UCHAR_LINE_BREAK, static_cast<UProperty>(LineBreakClass(c)), U_SHORT_PROPERTY_NAME);
}

// One CP932 character as its UTF-16 unit (every character here is in the BMP).
char16_t Unit(std::string_view cp932) {
  const std::u16string utf16 = Cp932ToUtf16(cp932);
  return utf16.size() == 1 ? utf16[0] : u'?';
}

std::vector<std::string> Characters(std::string_view cp932) {
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < cp932.size(); i += CharLength(cp932, i))
    characters.emplace_back(cp932.substr(i, CharLength(cp932, i)));
  return characters;
}

// ICU's answer: may a line break between `before` and `after`?
class IcuLineBreaks {
 public:
  explicit IcuLineBreaks(const std::u16string& text) : text_(text) {
    UErrorCode status = U_ZERO_ERROR;
    iterator_.reset(ubrk_open(UBRK_LINE, "ja@lb=strict", reinterpret_cast<const UChar*>(text_.data()),
                              static_cast<int32_t>(text_.size()), &status));
    if (U_FAILURE(status))
      ADD_FAILURE() << "ICU line-break iterator: " << u_errorName(status);
  }
  bool At(std::size_t offset) const {
    return iterator_ && ubrk_isBoundary(iterator_.get(), static_cast<int32_t>(offset));
  }

  static bool Between(char16_t before, char16_t after) {
    // Between ideographs, so that nothing but the pair decides.
    return IcuLineBreaks(std::u16string{u'漢', before, after, u'漢'}).At(2);
  }

 private:
  struct Close {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
  };
  std::u16string text_;
  std::unique_ptr<UBreakIterator, Close> iterator_;
};

// Why strict Japanese keeps a pair together where the rules would break it, or an empty string.
std::string KeptTogetherBecause(char16_t before, char16_t after) {
  static const std::set<int> noneBefore = {U_LB_CONDITIONAL_JAPANESE_STARTER,
                                           U_LB_CLOSE_PUNCTUATION,
                                           U_LB_CLOSE_PARENTHESIS,
                                           U_LB_EXCLAMATION,
                                           U_LB_INFIX_NUMERIC,
                                           U_LB_NONSTARTER,
                                           U_LB_INSEPARABLE,
                                           U_LB_BREAK_AFTER,
                                           U_LB_POSTFIX_NUMERIC,
                                           U_LB_QUOTATION,
                                           U_LB_GLUE};
  static const std::set<int> noneAfter = {U_LB_OPEN_PUNCTUATION, U_LB_PREFIX_NUMERIC, U_LB_QUOTATION, U_LB_GLUE};
  static const std::set<int> alphabetic = {U_LB_ALPHABETIC, U_LB_AMBIGUOUS};
  const int b = LineBreakClass(before);
  const int a = LineBreakClass(after);
  if (noneBefore.contains(a))
    return "no break before " + ClassName(after);
  if (noneAfter.contains(b))
    return "no break after " + ClassName(before);
  if (alphabetic.contains(b) && alphabetic.contains(a))
    return "alphabetic pair";
  const std::set<int> numberSigns = {U_LB_PREFIX_NUMERIC, U_LB_POSTFIX_NUMERIC};
  if ((numberSigns.contains(b) && alphabetic.contains(a)) || (alphabetic.contains(b) && numberSigns.contains(a)))
    return "number sign next to a letter";
  return {};
}

// The UAX #14 classes of the rules' sets are all classes that strict Japanese does not break at.
TEST(KinsokuIcu, TheSetsHoldCharactersOfTheMatchingLineBreakClasses) {
  const TEditorWrapOption option;
  const std::set<int> follow = {U_LB_CLOSE_PUNCTUATION,
                                U_LB_CLOSE_PARENTHESIS,
                                U_LB_EXCLAMATION,
                                U_LB_INFIX_NUMERIC,
                                U_LB_CONDITIONAL_JAPANESE_STARTER,
                                U_LB_NONSTARTER};
  for (const std::string& c : Characters(option.FollowStr()))
    EXPECT_TRUE(follow.contains(LineBreakClass(Unit(c)))) << Cp932ToUtf8(c) << " " << ClassName(Unit(c));
  for (const std::string& c : Characters(option.LeadStr()))
    EXPECT_EQ(LineBreakClass(Unit(c)), U_LB_OPEN_PUNCTUATION) << Cp932ToUtf8(c) << " " << ClassName(Unit(c));
  const std::set<int> punctuation = {U_LB_CLOSE_PUNCTUATION, U_LB_INFIX_NUMERIC};
  for (const std::string& c : Characters(option.PunctuationStr()))
    EXPECT_TRUE(punctuation.contains(LineBreakClass(Unit(c)))) << Cp932ToUtf8(c) << " " << ClassName(Unit(c));
}

// Every pair of the alphabet: where the rules keep two characters together, so does ICU; where ICU
// keeps them together and the rules do not, the reason is one of the listed ones.
TEST(KinsokuIcu, PairsTheRulesBreakAreBrokenByIcuOrKeptForAListedReason) {
  const TEditorWrapOption option;
  const TCharacterSet follow(option.FollowStr());
  const TCharacterSet lead(option.LeadStr());
  const std::vector<std::string> alphabet = Characters(Utf8ToCp932(kAlphabet));
  std::set<std::string> reasons;
  int kept = 0;
  for (const std::string& before : alphabet) {
    for (const std::string& after : alphabet) {
      const bool rules = !lead.Contains(before) && !follow.Contains(after);
      const bool icu = IcuLineBreaks::Between(Unit(before), Unit(after));
      if (rules == icu)
        continue;
      ASSERT_TRUE(rules) << "the rules keep " << Cp932ToUtf8(before + after) << " together, ICU breaks it";
      const std::string reason = KeptTogetherBecause(Unit(before), Unit(after));
      EXPECT_FALSE(reason.empty()) << Cp932ToUtf8(before + after) << ": " << ClassName(Unit(before)) << " "
                                   << ClassName(Unit(after));
      reasons.insert(reason);
      ++kept;
    }
  }
  // The differences, by reason: small kana (CJ) and the brackets, quotes, ellipses, dashes and
  // unit signs the sets leave out; AI symbols (★ ※ → ○) held together as letters and with ＄ ￥ ％.
  EXPECT_EQ(reasons, (std::set<std::string>{"no break before CJ", "no break before CL", "no break before NS",
                                            "no break before IN", "no break before BA", "no break before PO",
                                            "no break before QU", "no break after OP", "no break after PR",
                                            "no break after QU", "alphabetic pair", "number sign next to a letter"}));
  EXPECT_GT(kept, 0);
}

// Random CJK lines wrapped with the rules: each row ends where ICU may break (or for a listed reason
// ICU would not), and no later place within the width where ICU would break was passed over.
TEST(KinsokuIcu, WrappedRowsEndWhereIcuBreaksAndNoLaterPlaceWasPassedOver) {
  const std::vector<std::string> alphabet = Characters(Utf8ToCp932(kAlphabet));
  std::mt19937 random(1717);
  int compared = 0;
  for (int width : {20, 21, 36}) {
    TEditorWrapOption option;
    option.SetWrapByte(width);
    option.SetLeading(true);
    const TLineWrapper wrapper(option, 8, true);
    const TCharacterSet follow(option.FollowStr());
    const TCharacterSet lead(option.LeadStr());
    const int floor = width / 5 * 4;
    for (int n = 0; n < 300; ++n) {
      std::vector<std::string> characters;
      for (int i = std::uniform_int_distribution(20, 120)(random); i > 0; --i)
        characters.push_back(alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)]);
      std::string line;
      std::u16string utf16;
      for (const std::string& c : characters) {
        line += c;
        utf16 += Unit(c);
      }
      const IcuLineBreaks icu(utf16);
      // Walk the rows; `first` is the index of the row's first character.
      std::size_t pos = 0;
      std::size_t first = 0;
      while (true) {
        const TLineWrapper::Cut cut = wrapper.NextRow(std::string_view(line).substr(pos));
        if (cut.lastRow)
          break;
        std::size_t last = first;
        int cells = 0;
        for (std::size_t bytes = 0; bytes < cut.length; ++last) {
          bytes += characters[last].size();
          cells += static_cast<int>(characters[last].size());
        }
        // A row that fills the width with the line's last characters: no break between two.
        if (last == characters.size())
          break;
        const std::string& before = characters[last - 1];
        const std::string& after = characters[last];
        const bool forced = lead.Contains(before) || follow.Contains(after);
        if (!forced) {
          ++compared;
          EXPECT_TRUE(icu.At(last) || !KeptTogetherBecause(Unit(before), Unit(after)).empty())
              << Cp932ToUtf8(line.substr(pos, cut.length)) << " | " << Cp932ToUtf8(after);
        }
        // Later places still within the width: ICU keeps each together (or a listed reason does).
        int later = cells;
        for (std::size_t k = last; k + 1 < characters.size(); ++k) {
          later += static_cast<int>(characters[k].size());
          if (later > width)
            break;
          if (icu.At(k + 1) && KeptTogetherBecause(Unit(characters[k]), Unit(characters[k + 1])).empty() &&
              !lead.Contains(characters[k]) && !follow.Contains(characters[k + 1]))
            ADD_FAILURE() << "passed over a break after " << Cp932ToUtf8(line.substr(pos, cut.length)) << " at "
                          << k + 1 << " (floor " << floor << ")";
        }
        pos += cut.length;
        first = last;
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace vrel
