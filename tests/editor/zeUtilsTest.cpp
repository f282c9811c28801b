#include "editor/zeUtils.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "editor/zeStringList.h"
#include "tests/platform/Announcements.h"

namespace vrel {
namespace {

// "aア" then "bソ": ア is 0x83 0x41 ("A" as its trail), ソ is 0x83 0x5C (a backslash as its trail).
const std::string kMixed =
    "a\x83\x41"
    "b\x83\x5c";

std::vector<std::string> Lines(const TzeStringList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i)
    lines.push_back(list.Get(i));
  return lines;
}

TEST(ByteHelpers, LeadAndTrailIndexesFollowTheCharactersFromTheStart) {
  const bool lead[] = {false, true, false, false, true, false};
  const bool trail[] = {false, false, true, false, false, true};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(IsDBCSLeadIndex(kMixed, i), lead[i]) << i;
    EXPECT_EQ(IsDBCSTrailIndex(kMixed, i), trail[i]) << i;
  }
  EXPECT_FALSE(IsDBCSLeadIndex(kMixed, -1));
  EXPECT_FALSE(IsDBCSTrailIndex(kMixed, 6));
}

TEST(ByteHelpers, ALeadByteAtTheEndIsACharacterOfItsOwn) {
  const std::string cut = "ab\x82";
  EXPECT_EQ(std::tuple(CharLength(cut, 2), IsDBCSLeadIndex(cut, 2), CharLength(cut, 3)), std::tuple(1u, false, 0u));
  EXPECT_EQ(CellString(cut, 8, 0, 1000), "111");
  EXPECT_EQ(CellString(std::string("\x82\xa0\x82", 3), 8, 0, 1000), "451");
}

TEST(ByteHelpers, CharAtIndexAnswersZeroOutsideTheString) {
  EXPECT_EQ(std::tuple(CharAtIndex(kMixed, 0), CharAtIndex(kMixed, 5), CharAtIndex(kMixed, -1), CharAtIndex(kMixed, 6),
                       CharAtIndex("", 0)),
            std::tuple('a', 0x5C, 0, 0, 0));
}

TEST(ByteHelpers, CountCharCountsOnlyTheFirstBytesAndToleratesLongLengths) {
  EXPECT_EQ(std::tuple(CountChar("a\nb\n\n", '\n', 100), CountChar("a\nb\n\n", '\n', 2), CountChar("a\nb", '\n', 0),
                       CountChar("a\nb", '\n', -5), CountChar(std::string("\0x\0", 3), '\0', 3)),
            std::tuple(3u, 1u, 0u, 0u, 2u));
}

TEST(ByteHelpers, IncludeCharacterNeverMatchesOnATrailByte) {
  EXPECT_FALSE(IncludeCharacter("A", "\x83\x41"));  // ア's trail is "A"
  EXPECT_TRUE(IncludeCharacter("A",
                               "\x83\x41"
                               "A"));
  EXPECT_FALSE(IncludeCharacter("\\", "\x83\x5c"));
  EXPECT_TRUE(IncludeCharacter("\x83\x5c", "x\x83\x5c"));
  // A lead byte alone does not take half of a character.
  EXPECT_FALSE(IncludeCharacter("\x83", "\x83\x41"));
  EXPECT_FALSE(IncludeCharacter("", "abc"));
  EXPECT_FALSE(IncludeCharacter("abcd", "abc"));
  EXPECT_FALSE(IncludeCharacter("a", ""));
}

TEST(ByteHelpers, SplitTextToStringsEndsLinesAtCrLfCrOrLf) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\n", {"one"}},
      {"one\r\rtwo", {"one", "", "two"}},
      {"one\n\n", {"one", ""}},
      {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},
      {"\n", {""}},
      {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
  };
  for (const auto& [text, lines] : cases) {
    TzeStringList list;
    list.Add("old");
    SplitTextToStrings(text, list);
    EXPECT_EQ(Lines(list), lines) << text;
  }
}

TEST(ByteHelpers, SplitTextToStringsAnnouncesOnceAroundTheWholeJob) {
  TzeStringList list;
  ChangeCounter changing, changed;
  list.OnChanging = changing.Event();
  list.OnChange = changed.Event();
  SplitTextToStrings("a\nb\nc", list);
  EXPECT_EQ(std::tuple(changing.count, changed.count), std::tuple(1, 1));
}

// Whole (blocks of vectors, then a tail) or in two pieces split anywhere (between a CR and its LF
// too), a text's line breaks are its LFs and the CRs that no LF follows.
TEST(ByteHelpers, LineBreaksCountTheSameWholeAndInPieces) {
  std::mt19937 random(3);
  std::string text(1000, 'a');
  for (char& c : text)
    c = "a\r\n"[random() % 3];
  std::size_t expected = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    expected += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
  EXPECT_EQ(CountLineBreaks(text), expected);
  for (std::size_t split = 0; split <= text.size(); ++split) {
    LineBreakCounter counter;
    counter.Add(std::string_view(text).substr(0, split));
    counter.Add(std::string_view(text).substr(split));
    ASSERT_EQ(counter.Count(), expected) << split;
  }
}

TEST(ByteHelpers, CompareTextFoldsSingleByteLettersOnly) {
  EXPECT_EQ(CompareText("Begin", "bEGIN"), 0);
  EXPECT_TRUE(CompareText("abc", "abd") < 0 && CompareText("ab", "abc") < 0);
  // ヂ (0x83 0x61) and ア (0x83 0x41) differ only in a trail byte that looks like a letter.
  EXPECT_TRUE(CompareText("\x83\x61", "\x83\x41") != 0 && CompareText("\x83", "\x83\x41") != 0);
}

TEST(ByteHelpers, CellStringFillsTabsToTheNextStopAndWithWrapNotPastTheWrapColumn) {
  EXPECT_EQ(CellString("\tab", 4, 0, 1000), "233311");
  EXPECT_EQ(CellString("ab\tc", 4, 0, 1000), "11231");
  EXPECT_EQ(CellString("abc\td", 4, 0, 1000), "11121");
  EXPECT_EQ(CellString("a b_\x82\xa0", 8, 0, 1000), "121145");
  // A tab at cell 19 of a 20-cell row fills only to the row's end.
  EXPECT_EQ(CellString(std::string(18, 'x') + "\tz", 8, 20, 23), std::string(18, '1') + "231");
  EXPECT_EQ(CellString(std::string(30, 'x'), 8, 20, 23), std::string(23, '1'));
}

}  // namespace
}  // namespace vrel
