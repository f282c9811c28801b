#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "editor/EditorFountain.h"
#include "editor/EditorProperties.h"
#include "editor/RowStates.h"
#include "platform/ComponentStream.h"
#include "tests/platform/Announcements.h"

namespace vrel {
namespace {

using Token = std::pair<int, std::string>;
using Tokens = std::vector<Token>;

Tokens Read(TFountainParser& parser, std::string_view text, const TRowAttributeData& data = {}) {
  Tokens tokens;
  parser.SetRowData(text, data);
  while (const int kind = parser.Next())
    tokens.emplace_back(kind, std::string(parser.TokenString()));
  return tokens;
}

Tokens Read(TEditorFountain& fountain, std::string_view text) {
  auto parser = fountain.CreateParser();
  return Read(*parser, text);
}

// Rows with their attributes, every start state computed.
struct Rows {
  TRowAttributeStringList list;
  Rows(TFountain& fountain, const std::vector<std::pair<std::string, int>>& rows) {
    for (const auto& [text, attribute] : rows)
      list.SetRowAttribute(list.Add(text), attribute);
    auto parser = fountain.CreateParser();
    InitRowStates(list, *parser, list.Count() - 1);
  }
  Tokens RowTokens(TFountain& fountain, int row) const {
    auto parser = fountain.CreateParser();
    return Read(*parser, list.Get(row), list.RowData(row));
  }
};

TFountainBracketItem* AddBracket(TFountain& fountain, const std::string& left, const std::string& right) {
  TFountainBracketItem* item = fountain.Brackets()->Add();
  item->SetLeftBracket(left);
  item->SetRightBracket(right);
  return item;
}

using Probe = ChangeCounter;

TEST(Tokeniser, NumbersTakePointsAndExponentsAsTheRulesSay) {
  TEditorFountain fountain;
  EXPECT_EQ(Read(fountain, "12.5e-3"), (Tokens{{toFloat, "12.5e-3"}}));
  EXPECT_EQ(Read(fountain, "12. x"), (Tokens{{toFloat, "12"}, {toSymbol, "."}, {toAnk, "x"}}));
  EXPECT_EQ(Read(fountain, "12"), (Tokens{{toInteger, "12"}}));
  EXPECT_EQ(Read(fountain, "3.e5+"), (Tokens{{toFloat, "3.e5"}, {toSymbol, "+"}}));
  EXPECT_EQ(Read(fountain, "1e"), (Tokens{{toFloat, "1e"}}));
}

TEST(Tokeniser, ALeadByteAtTheEndOfTheRowIsOneByteToken) {
  TEditorFountain fountain;
  EXPECT_EQ(Read(fountain, "ab\x88"), (Tokens{{toAnk, "ab"}, {toDBKanji, "\x88"}}));
  EXPECT_EQ(Read(fountain, "\x82"), (Tokens{{toDBSymbol, "\x82"}}));
  EXPECT_EQ(Read(fountain, "\x81"), (Tokens{{toDBSymbol, "\x81"}}));
}

TEST(Tokeniser, ANulByteIsAnOrdinarySymbol) {
  TEditorFountain fountain;
  EXPECT_EQ(Read(fountain, std::string("a\0b", 3)),
            (Tokens{{toAnk, "a"}, {toSymbol, std::string(1, '\0')}, {toAnk, "b"}}));
}

TEST(Tokeniser, UrlsNeedTheOptionAndAWholePrefix) {
  TEditorFountain fountain;
  fountain.SetUrl(true);
  EXPECT_EQ(Read(fountain, "see https://a.org/x?q=1 ok"),
            (Tokens{{toAnk, "see"}, {toUrl, "https://a.org/x?q=1"}, {toAnk, "ok"}}));
  EXPECT_EQ(Read(fountain, "http/x"), (Tokens{{toAnk, "http"}, {toSymbol, "/"}, {toAnk, "x"}}));
  fountain.SetUrl(false);
  EXPECT_EQ(Read(fountain, "www.a"), (Tokens{{toAnk, "www"}, {toSymbol, "."}, {toAnk, "a"}}));
}

TEST(Tokeniser, AMailAddressNeedsAPointAfterTheAt) {
  TEditorFountain fountain;
  fountain.SetMail(true);
  EXPECT_EQ(Read(fountain, "to name@host.jp now"), (Tokens{{toAnk, "to"}, {toMail, "name@host.jp"}, {toAnk, "now"}}));
  EXPECT_EQ(Read(fountain, "name@host"), (Tokens{{toAnk, "name"}, {toSymbol, "@"}, {toAnk, "host"}}));
}

// A run of mail bytes without an address used to be scanned again from every token in it, which
// made a long unwrapped row take quadratic time. 300,000 bytes read in a blink now.
TEST(Tokeniser, ALongRowOfMailBytesWithoutAnAddressIsReadOnce) {
  TEditorFountain fountain;
  fountain.SetMail(true);
  std::string row;
  for (int i = 0; i < 150000; ++i)
    row += "a.";
  auto parser = fountain.CreateParser();
  parser->SetRowData(row, {});
  int tokens = 0;
  while (parser->Next())
    ++tokens;
  EXPECT_EQ(tokens, 300000);
}

TEST(Tokeniser, CommentsQuotationsHexAndControlCodesFollowTheSettings) {
  TEditorFountain fountain;
  fountain.SetCommenter("//");
  fountain.SetQuotation("'");
  fountain.SetHexPrefix("0x");
  fountain.SetControlCode(true);
  EXPECT_EQ(Read(fountain, "a // b 'c'"), (Tokens{{toAnk, "a"}, {toComment, "// b 'c'"}}));
  EXPECT_EQ(Read(fountain, "'it''s' ''x"), (Tokens{{toQuotation, "'it''s'"}, {toQuotation, "''"}, {toAnk, "x"}}));
  EXPECT_EQ(Read(fountain, "0x1F 0X1fg"), (Tokens{{toHex, "0x1F"}, {toHex, "0X1f"}, {toAnk, "g"}}));
  EXPECT_EQ(Read(fountain, "#13#$0d#"),
            (Tokens{{toControlCode, "#13"}, {toHexControlCode, "#$0d"}, {toControlCode, "#"}}));
}

// A quote set to a lead byte would take the first half of double-byte characters and never close,
// turning all following text into one string.
TEST(Tokeniser, AQuotationSetToALeadByteQuotesNothing) {
  TEditorViewInfo view;
  view.SetQuotation("\x82\xa0");  // あ: the view keeps its first byte only
  EXPECT_EQ(view.Quotation(), "\x82");
  EXPECT_EQ(Read(*view.EditorFountain(), "\x82\xa0\x82\xa2 x"), (Tokens{{toDBHira, "\x82\xa0\x82\xa2"}, {toAnk, "x"}}));
}

TEST(Tokeniser, ABracketPairWithAnEmptySideIsSkipped) {
  TEditorFountain fountain;
  AddBracket(fountain, "", ")");
  AddBracket(fountain, "{", "");
  AddBracket(fountain, "(", ")");
  EXPECT_EQ(Read(fountain, "{a} (b) c"),
            (Tokens{{toSymbol, "{"}, {toAnk, "a"}, {toSymbol, "}"}, {toBracket, "(b)"}, {toAnk, "c"}}));
}

TEST(Tokeniser, ReservedWordsMatchInAnyCase) {
  TEditorFountain fountain;
  fountain.SetReserveWordList({"end", "Begin"});
  auto parser = fountain.CreateParser();
  parser->SetRowData("BEGIN x End", {});
  for (const bool reserved : {true, false, true}) {
    ASSERT_EQ(parser->Next(), toAnk);
    EXPECT_EQ(std::tuple(parser->IsReserveWord(), parser->TokenColor()),
              std::tuple(reserved, reserved ? fountain.Reserve() : fountain.Colors()->Ank()));
  }
}

TEST(Tokeniser, ABracketPairOpenOverSeveralRowsColoursThemAll) {
  TEditorFountain fountain;
  AddBracket(fountain, "(", ")");
  const Rows rows(fountain, {{"x ( a", 0}, {"b", 0}, {"c", 0}, {"d ) y", 0}, {"z", 0}});
  const int expected[] = {-1, 0, 0, 0, -1};
  for (int row = 0; row < 5; ++row)
    EXPECT_EQ(rows.list.BracketIndex(row), expected[row]) << row;
  EXPECT_EQ(rows.RowTokens(fountain, 0), (Tokens{{toAnk, "x"}, {toBracket, "( a"}}));
  EXPECT_EQ(rows.RowTokens(fountain, 2), (Tokens{{toBracket, "c"}}));
  EXPECT_EQ(rows.RowTokens(fountain, 3), (Tokens{{toBracket, "d )"}, {toAnk, "y"}}));
}

TEST(Tokeniser, ACommentOnAWrappedRowGoesOnToTheEndOfItsLogicalLine) {
  TEditorFountain fountain;
  fountain.SetCommenter("//");
  const Rows rows(fountain, {{"a // b", 1}, {"c d", 1}, {"e", 0}, {"f", 0}});
  EXPECT_EQ(std::tuple(rows.RowTokens(fountain, 1), rows.RowTokens(fountain, 2), rows.RowTokens(fountain, 3)),
            std::tuple(Tokens{{toComment, "c d"}}, Tokens{{toComment, "e"}}, Tokens{{toAnk, "f"}}));
}

TEST(Tokeniser, AQuotationOpenAtAWrapGoesOnInTheNextRow) {
  TEditorFountain fountain;
  fountain.SetQuotation("'");
  const Rows rows(fountain, {{"x 'abc", 1}, {"def' y", 0}, {"'g", 0}, {"h", 0}});
  EXPECT_EQ(rows.list.TokenKind(1), toQuotation);
  EXPECT_EQ(rows.RowTokens(fountain, 1), (Tokens{{toQuotation, "def'"}, {toAnk, "y"}}));
  // Without a wrap the quotation ends with its line.
  EXPECT_EQ(rows.RowTokens(fountain, 3), (Tokens{{toAnk, "h"}}));
}

TEST(Tokeniser, AWordCrossingAWrapContinuesByItsLength) {
  TEditorFountain fountain;
  fountain.SetReserveWordList({"begin"});
  const Rows rows(fountain, {{"x beg", 1}, {"in y", 0}});
  EXPECT_EQ(std::tuple(rows.list.TokenKind(1), rows.list.ParserValue2(1)), std::tuple(toReserve, 2));  // "in" is its
  EXPECT_EQ(rows.RowTokens(fountain, 1), (Tokens{{toReserve, "in"}, {toAnk, "y"}}));
}

TEST(Tokeniser, AClosingBracketSplitByTheWrapContinuesByItsLength) {
  TEditorFountain fountain;
  AddBracket(fountain, "[[", "]]");
  const Rows rows(fountain, {{"a [[b ]", 1}, {"] c", 0}});
  EXPECT_EQ(rows.list.TokenKind(1), toBracket);
  EXPECT_EQ(rows.RowTokens(fountain, 0), (Tokens{{toAnk, "a"}, {toBracket, "[[b ]"}}));
  EXPECT_EQ(rows.RowTokens(fountain, 1), (Tokens{{toBracket, "]"}, {toAnk, "c"}}));
}

// A pair still open at the end of the row after a wrap stays open: the rows after it are inside.
TEST(Tokeniser, ABracketStillOpenAfterAWrapStaysOpen) {
  TEditorFountain fountain;
  AddBracket(fountain, "(", ")");
  const Rows rows(fountain, {{"ab (cd", 1}, {"ef", 0}, {"gh) i", 0}});
  EXPECT_EQ(std::tuple(rows.list.BracketIndex(1), rows.list.BracketIndex(2)), std::tuple(0, 0));
  EXPECT_EQ(rows.RowTokens(fountain, 2), (Tokens{{toBracket, "gh)"}, {toAnk, "i"}}));
}

TEST(Fountain, AFifteenthBracketPairIsRefused) {
  TEditorFountain fountain;
  for (int i = 0; i < 14; ++i)
    AddBracket(fountain, "<" + std::to_string(i), ">");
  try {
    fountain.Brackets()->Add();
    ADD_FAILURE() << "a fifteenth pair was added";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TFountainBracketCollection\r\nYou can not add item over 14");
  }
  EXPECT_EQ(fountain.Brackets()->Count(), 14);
}

TEST(Fountain, AParserNeedsAFountain) {
  try {
    TEditorParser parser(nullptr);
    ADD_FAILURE() << "a parser without fountain was made";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TFountainParser.Create need instance of TFountain");
  }
}

TEST(Fountain, EveryChangeOfColoursBracketsOrWordsReachesEachSubscriber) {
  TEditorFountain fountain;
  Probe first;
  Probe second;
  fountain.Subscribers()->Add(first.Event());
  fountain.Subscribers()->Add(second.Event());
  fountain.Colors()->Int()->SetColor(0xFF0000);
  fountain.Reserve()->SetStyle(FontStyleBit(fsBold));
  AddBracket(fountain, "(", ")")->ItemColor()->SetColor(1);
  fountain.SetReserveWordList({"if"});
  fountain.SetCommenter("#");
  EXPECT_GE(first.senders.size(), 5u);
  EXPECT_EQ(first.senders, second.senders);
  for (TObject* sender : first.senders)
    EXPECT_EQ(sender, &fountain);
  first.senders.clear();
  fountain.Colors()->Int()->SetColor(0xFF0000);  // no change
  fountain.SetCommenter("#");
  EXPECT_TRUE(first.senders.empty());
}

TEST(Fountain, SetAllColoursLeavesSelectAndHitAndAnnouncesOnce) {
  TEditorFountain fountain;
  Probe probe;
  fountain.Subscribers()->Add(probe.Event());
  fountain.SetAllBkColor(0x123456);
  const TEditorColors& colors = *fountain.Colors();
  EXPECT_EQ(std::tuple(colors.Ank()->BkColor(), colors.Url()->BkColor(), colors.Reserve()->BkColor(),
                       colors.Select()->BkColor(), colors.Hit()->BkColor(), probe.senders.size()),
            std::tuple(0x123456, 0x123456, 0x123456, 0x800000, clNone, 1u));
  fountain.SetAllStyle(FontStyleBit(fsUnderline));
  EXPECT_EQ(std::tuple(colors.Str()->Style(), colors.Select()->Style()), std::tuple(FontStyleBit(fsUnderline), 0));
}

TEST(Fountain, HasItalicLooksIntoNestedColoursAndBrackets) {
  TEditorFountain fountain;
  EXPECT_FALSE(TFountain::HasItalic(fountain));
  TFountainBracketItem* bracket = AddBracket(fountain, "(", ")");
  bracket->ItemColor()->SetStyle(FontStyleBit(fsItalic) | FontStyleBit(fsBold));
  EXPECT_TRUE(TFountain::HasItalic(fountain));
  bracket->ItemColor()->SetStyle(0);
  fountain.Colors()->Comment()->SetStyle(FontStyleBit(fsItalic));
  EXPECT_TRUE(TFountain::HasItalic(fountain));
}

TEST(Fountain, StreamsAsAComponentAndReadsBackEqual) {
  RegisterClass(TEditorFountain::StaticClass());
  TEditorFountain fountain;
  AddBracket(fountain, "(", ")")->ItemColor()->SetColor(0x0000FF);
  AddBracket(fountain, "\x81\x75", "\x81\x76")->ItemColor()->SetStyle(FontStyleBit(fsItalic));
  fountain.Colors()->Comment()->SetColor(0x008000);
  fountain.Colors()->Select()->SetBkColor(0x112233);
  fountain.Reserve()->SetStyle(FontStyleBit(fsBold));
  fountain.SetReserveWordList({"while", "do"});
  fountain.SetCommenter("--");
  fountain.SetQuotation("\"");
  fountain.SetHexPrefix("$");
  fountain.SetMail(true);
  fountain.SetFileExtList({".txt"});
  const std::string bytes = SaveComponentToBytes(fountain);

  TEditorFountain back;
  LoadComponentFromBytes(bytes, back);
  ASSERT_EQ(back.Brackets()->Count(), 2);
  EXPECT_EQ(std::tuple(back.Brackets()->Items(1)->LeftBracket(), back.Brackets()->Items(0)->ItemColor()->Color(),
                       back.Brackets()->Items(1)->ItemColor()->Style()),
            std::tuple("\x81\x75", 0x0000FF, FontStyleBit(fsItalic)));
  EXPECT_EQ(std::tuple(back.Colors()->Comment()->Color(), back.Colors()->Select()->BkColor(),
                       back.Colors()->Select()->Color(), back.Reserve()->Style()),
            std::tuple(0x008000, 0x112233, 0xFFFFFF, FontStyleBit(fsBold)));
  EXPECT_EQ(
      std::tuple(back.ReserveWordList(), back.Commenter(), back.Quotation(), back.HexPrefix(), back.Mail(), back.Url()),
      std::tuple(std::vector<std::string>{"do", "while"}, "--", "\"", "$", true, false));
  EXPECT_EQ(SaveComponentToBytes(back), bytes);
}

TEST(Fountain, AStreamWithAFifteenthBracketPairFailsToRead) {
  const auto streamWith = [](int pairs) {
    TEditorFountain fountain;
    for (int i = 0; i < pairs; ++i)
      AddBracket(fountain, "(", ")");
    return SaveComponentToBytes(fountain);
  };
  // The items are alike, so repeating the bytes that 14 pairs have more than 13 makes 15.
  const std::string thirteen = streamWith(13);
  const std::string fourteen = streamWith(14);
  const std::size_t at = static_cast<std::size_t>(
      std::mismatch(thirteen.begin(), thirteen.end(), fourteen.begin()).first - thirteen.begin());
  std::string fifteen = fourteen;
  fifteen.insert(at, fourteen.substr(at, fourteen.size() - thirteen.size()));
  TEditorFountain back;
  EXPECT_THROW(LoadComponentFromBytes(fifteen, back), Exception);
  EXPECT_EQ(back.Brackets()->Count(), 14);
}

}  // namespace
}  // namespace vrel
