#include "editor/EditorWrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/EditorProperties.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"
#include "tests/editor/FakeEditor.h"

namespace vrel {
namespace {

std::string Sjis(const char* utf8) {
  return Utf8ToCp932(utf8);
}

std::vector<RowImage> Wrap(const TEditorWrapOption& option, const std::string& line, int tab = 8) {
  std::vector<RowImage> rows;
  TLineWrapper(option, tab, true).WrapLine(line, [&rows](std::string_view text, int attribute) {
    rows.push_back({std::string(text), attribute});
  });
  return rows;
}

// The width the line-breaking examples are given for.
struct Width20 : TEditorWrapOption {
  Width20() { SetWrapByte(20); }
};

// ---------------------------------------------------------------------------------------------
// The cell cursor

TEST(AttributeArray, StepsOverATabAndBackCoveringItsByteOnce) {
  // "\tab": the tab, three fill cells up to the stop at 4, then "a" and "b".
  const std::string text = "\tab";
  const std::string kinds = CellString(text, 4, 0, 100);
  ASSERT_EQ(kinds,
            "2333"
            "11");
  TEditorAttributeArray a(text, kinds);
  std::vector<int> forward{a.TextIndex()};
  for (int i = 0; i < 5; ++i) {
    a.Next();
    forward.push_back(a.TextIndex());
  }
  EXPECT_EQ(forward, (std::vector<int>{1, 1, 1, 1, 2, 3}));
  std::vector<int> backward{a.TextIndex()};
  for (int i = 0; i < 5; ++i) {
    a.Prior();
    backward.push_back(a.TextIndex());
  }
  EXPECT_EQ(backward, (std::vector<int>{3, 2, 1, 1, 1, 1}));
}

TEST(AttributeArray, CurrentCharIsTheWholeDoubleByteCharacterFromEitherHalf) {
  const std::string text = "a" + Sjis("あ");
  const std::string kinds = CellString(text, 8, 0, 100);
  TEditorAttributeArray a(text, kinds);
  EXPECT_EQ(a.CurrentChar(), "a");
  EXPECT_EQ(a.NextChar(), Sjis("あ"));
  a.Next();
  EXPECT_EQ(a.CurrentChar(), Sjis("あ"));
  a.Next();
  EXPECT_EQ(a.Kind(), '5');
  EXPECT_EQ(a.CurrentChar(), Sjis("あ"));
  EXPECT_EQ(a.NextChar(), "");
  a.Next();
  EXPECT_EQ(a.Kind(), '0');
  EXPECT_EQ(a.NextChar(), "");
  EXPECT_EQ(a.Position(), 4);
}

// ---------------------------------------------------------------------------------------------
// The option object

TEST(WrapOption, SettersAnnounceRealChangesAndAssignAnnouncesOnce) {
  struct Counter {
    int count = 0;
    void Changed(TObject*) { ++count; }
  } counter;
  TEditorWrapOption option;
  option.OnChange = TNotifyEvent::Of<&Counter::Changed>(&counter);
  option.SetWrapByte(80);
  option.SetLeading(false);
  EXPECT_EQ(counter.count, 0);
  option.SetLeading(true);
  option.SetFollowStr("x");
  EXPECT_EQ(counter.count, 2);
  TEditorWrapOption other;
  other.SetWrapByte(33);
  other.SetWordBreak(true);
  option.Assign(&other);
  EXPECT_EQ(counter.count, 3);
  EXPECT_EQ(option.WrapByte(), 33);
  EXPECT_TRUE(option.WordBreak());
  EXPECT_FALSE(option.Leading());
  EXPECT_EQ(option.FollowStr(), TEditorWrapOption::kDefaultFollowStr);
}

// ---------------------------------------------------------------------------------------------
// Cutting rows

// Each line cut at 20 cells with the options the case turns on.
TEST(Wrap, RowsAreCutAtTheWidthAsTheOptionsSay) {
  struct Case {
    const char* name;
    bool retMark, wordBreak, punctuation;
    std::string line;
    std::vector<RowImage> rows;
  };
  const std::string a19(19, 'a'), a20(20, 'a'), w6(6, 'w'), w18(18, 'w'), kana = Sjis("あ") + "bc";
  const std::string dot = Sjis("。");
  const Case cases[] = {
      {"a full row ends with an empty one", false, false, false, a20, {{a20, 1}, {"", 0}}},
      {"unless the return mark may follow", true, false, false, a20, {{a20, 0}}},
      {"a shorter line", false, false, false, a19, {{a19, 0}}},
      {"an empty line", false, false, false, "", {{"", 0}}},
      {"a double-byte character on 20 and 21", false, false, false, a19 + kana, {{a19, 1}, {kana, 0}}},
      {"a long word at a third of the width", false, true, false, w6 + w6 + w18, {{w6, 1}, {w6, 1}, {w18, 0}}},
      {"after the last space", false, true, false, "hello world and moon!", {{"hello world and ", 1}, {"moon!", 0}}},
      {"punctuation hanging", false, false, true, a20 + dot + "b", {{a20 + dot, 1}, {"b", 0}}},
      {"two half-width marks hanging", false, false, true, a20 + ",.b", {{a20 + ",.", 1}, {"b", 0}}},
      {"punctuation not hanging", false, false, false, a20 + dot + "b", {{a20, 1}, {dot + "b", 0}}},
  };
  for (const Case& c : cases) {
    Width20 option;
    option.SetFollowRetMark(c.retMark);
    option.SetWordBreak(c.wordBreak);
    option.SetFollowPunctuation(c.punctuation);
    EXPECT_EQ(Wrap(option, c.line), c.rows) << c.name;
  }
}

// The rules move the cut back no further than (W div 5) * 4 cells: a row of nothing but opening
// brackets is cut at 16 cells.
TEST(Wrap, KinsokuNeverShortensARowBelowFourFifthsOfTheWidth) {
  Width20 option;
  option.SetLeading(true);
  std::string line;
  for (int i = 0; i < 12; ++i)
    line += Sjis("「");
  const std::vector<RowImage> rows = Wrap(option, line);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].text.size(), 16u);
}

// With tabs and word wrap the walker's byte count stayed right, so each row takes at least one
// character and a line of tabs is wrapped to its end.
TEST(Wrap, ALineOfTabsEndsAndEveryRowHoldsACharacter) {
  for (bool wordBreak : {false, true}) {
    Width20 option;
    option.SetWordBreak(wordBreak);
    option.SetLeading(true);
    const std::string line = std::string(25, '\t') + "x";
    std::string joined;
    const std::vector<RowImage> rows = Wrap(option, line, 8);
    for (const RowImage& row : rows) {
      EXPECT_FALSE(row.text.empty() && &row != &rows.back());
      joined += row.text;
    }
    EXPECT_EQ(joined, line);
  }
}

TEST(Wrap, RowCountMatchesTheRowsOfTheLine) {
  Width20 option;
  const std::string line(45, 'a');
  TLineWrapper wrapper(option, 8, true);
  EXPECT_EQ(wrapper.RowCount(line), 3);
  EXPECT_EQ(wrapper.RowCount(std::string(40, 'a')), 3);
  option.SetFollowRetMark(true);
  EXPECT_EQ(TLineWrapper(option, 8, true).RowCount(std::string(40, 'a')), 2);
  EXPECT_EQ(TLineWrapper(option, 8, false).RowCount(line), 1);
}

// The cut reads no more than the look-ahead: a rest cut short there gives the same row.
TEST(Wrap, ACutReadsNoFurtherThanTheLookAhead) {
  Width20 option;
  option.SetLeading(true);
  option.SetFollowPunctuation(true);
  option.SetWordBreak(true);
  const TLineWrapper wrapper(option, 4, true);
  const std::string line = Sjis("日本語の文章、（括弧）と\tタブ。」「ａｂ」。、ー") + "x y,z" + Sjis("。。。「「");
  for (std::size_t start = 0; start < line.size(); start += CharLength(line, start)) {
    const std::string_view rest = std::string_view(line).substr(start);
    const TLineWrapper::Cut full = wrapper.NextRow(rest);
    if (rest.size() < wrapper.LookAhead())
      continue;
    const TLineWrapper::Cut shortened = wrapper.NextRow(rest.substr(0, wrapper.LookAhead()));
    EXPECT_FALSE(full.lastRow);
    EXPECT_EQ(shortened.length, full.length) << start;
    EXPECT_EQ(shortened.lastRow, full.lastRow) << start;
  }
}

}  // namespace
}  // namespace vrel
