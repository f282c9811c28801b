// Random edits through ReplaceText against two plain readings: the text is the old text with the
// replaced rows' bytes (and their line breaks) swapped for the new text, all line breaks CR LF; and
// the rows are what wrapping that text afresh gives. Then undo back to the start and redo to the end.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"
#include "tests/editor/FakeEditor.h"
#include "tests/editor/FullStates.h"

namespace vrel {
namespace {

struct Options {
  bool wordWrap = false;
  int wrapByte = 20;
  int tab = 8;
  bool leading = false;
  bool followPunctuation = false;
  bool wordBreak = false;
  bool followRetMark = false;
};

void Configure(TEditorScreenStrings& rows, const Options& options) {
  TEditorWrapOption& option = *rows.WrapOption();
  option.SetWrapByte(options.wrapByte);
  option.SetLeading(options.leading);
  option.SetFollowPunctuation(options.followPunctuation);
  option.SetWordBreak(options.wordBreak);
  option.SetFollowRetMark(options.followRetMark);
  rows.SetTabSpaceCount(options.tab);
  rows.SetWordWrap(options.wordWrap);
}

// Pieces of text: letters, blanks and tabs, every kind of line break, double-byte characters among
// them the line-breaking ones, a NUL, and a lone lead byte.
using namespace std::string_view_literals;
const std::string_view kPieces[] = {"a",        "bc",       "defgh",    " ",        "\t",       "\r\n",
                                    "\r",       "\n",       "\r\n\r\n", "\x82\xa0", "\x88\x9f", "\x81\x75",
                                    "\x81\x76", "\x81\x42", "\x81\x41", ",",        "(",        ")",
                                    "\x81\x5b", "\xb1",     "\xa1",     "\0"sv,     "\x82",     "xyzxyzxyzxyz"};

std::string RandomText(std::mt19937& random, int maxPieces) {
  std::string text;
  const int pieces = std::uniform_int_distribution(0, maxPieces)(random);
  for (int i = 0; i < pieces; ++i) {
    text += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
  }
  return text;
}

// Every line break as CR LF.
std::string CrLf(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The offset in the text where `row` starts, read off the rows.
std::size_t RowOffset(const TEditorScreenStrings& rows, int row) {
  std::size_t offset = 0;
  for (int r = 0; r < row; ++r)
    offset += rows.Get(r).size() + (rows.RowAttribute(r) == 0 ? 2 : 0);
  return offset;
}

std::vector<RowImage> FreshRows(const std::string& text, const Options& options) {
  TEditorScreenStrings fresh;
  Configure(fresh, options);
  fresh.SetText(text);
  return RowsOf(fresh);
}

// Every computed start state is the one a walk from the top gives.
void ExpectStatesCurrent(const TEditorScreenStrings& rows, TEditorFountain& fountain) {
  const std::vector<TRowAttributeData> full = FullStates(rows, fountain);
  for (int r = 0; r < rows.Count(); ++r) {
    if (rows.RowStateComputed(r)) {
      ASSERT_EQ(rows.RowData(r), full[static_cast<std::size_t>(r)]) << "row " << r;
    }
  }
}

void ExpectLinesIndexed(const TEditorScreenStrings& rows) {
  int line = 0;
  for (int r = 0; r < rows.Count(); ++r) {
    ASSERT_EQ(rows.RowToLine(r), line) << r;
    if (r == 0 || rows.RowAttribute(r - 1) != 1) {
      ASSERT_EQ(rows.LineToRow(line), r) << line;
    }
    if (rows.RowAttribute(r) != 1)
      ++line;
  }
  if (rows.Count() > 0 && rows.RowAttribute(rows.Count() - 1) == 1)
    ++line;
  ASSERT_EQ(rows.LineCount(), line);
  ASSERT_EQ(rows.LineToRow(line + 1), rows.Count());
}

void RunEdits(const Options& options, unsigned seed, int edits) {
  std::mt19937 random(seed);
  TEditorScreenStrings rows;
  FakeEditor editor(rows);
  editor.screenRows = 3;
  TEditorFountain& fountain = editor.fountain;
  TFountainBracketItem* bracket = fountain.Brackets()->Add();
  bracket->SetLeftBracket("(");
  bracket->SetRightBracket(")");
  Configure(rows, options);
  rows.UndoObj()->SetLimit(edits);
  rows.SetText(CrLf(RandomText(random, 40)));
  std::vector<std::string> texts{rows.Text()};
  std::vector<std::vector<RowImage>> images{RowsOf(rows)};

  for (int i = 0; i < edits; ++i) {
    const int count = rows.Count();
    const int row = std::uniform_int_distribution(0, count)(random);
    const int most = std::min(count - row, 3);
    const int replaced = std::uniform_int_distribution(0, most)(random);
    const std::string text = RandomText(random, 8);
    const std::string before = rows.Text();
    const std::size_t from = RowOffset(rows, row);
    const std::size_t to = RowOffset(rows, row + replaced);
    const std::size_t steps = rows.UndoObj()->UndoList().size();
    rows.ReplaceText(row, replaced, text);
    const std::string expected = CrLf(before.substr(0, from) + text + before.substr(std::min(to, before.size())));
    ASSERT_EQ(rows.Text(), expected) << "edit " << i;
    ASSERT_EQ(RowsOf(rows), FreshRows(expected, options)) << "edit " << i;
    ExpectStatesCurrent(rows, fountain);
    ExpectLinesIndexed(rows);
    // An empty replacement of no rows is no step.
    ASSERT_EQ(rows.UndoObj()->UndoList().size(), steps + (replaced == 0 && text.empty() ? 0 : 1));
    if (rows.UndoObj()->UndoList().size() > steps) {
      texts.push_back(rows.Text());
      images.push_back(RowsOf(rows));
    }
    if (testing::Test::HasFatalFailure())
      return;
  }
  for (std::size_t k = texts.size() - 1; k > 0; --k) {
    ASSERT_TRUE(rows.UndoObj()->CanUndo());
    rows.Undo();
    ASSERT_EQ(rows.Text(), texts[k - 1]) << "undo to " << k - 1;
    ASSERT_EQ(RowsOf(rows), images[k - 1]) << "undo to " << k - 1;
  }
  EXPECT_FALSE(rows.UndoObj()->CanUndo());
  for (std::size_t k = 1; k < texts.size(); ++k) {
    ASSERT_TRUE(rows.UndoObj()->CanRedo());
    rows.Redo();
    ASSERT_EQ(rows.Text(), texts[k]) << "redo to " << k;
    ASSERT_EQ(RowsOf(rows), images[k]) << "redo to " << k;
  }
  EXPECT_FALSE(rows.UndoObj()->CanRedo());
  ExpectStatesCurrent(rows, fountain);
}

TEST(ReplaceTextProperty, WithoutWordWrap) {
  RunEdits({}, 1701, 300);
}

TEST(ReplaceTextProperty, WrappedAt20) {
  RunEdits({.wordWrap = true}, 1702, 300);
}

TEST(ReplaceTextProperty, WrappedWithKinsokuAndHangingPunctuation) {
  RunEdits({.wordWrap = true, .wrapByte = 21, .tab = 4, .leading = true, .followPunctuation = true}, 1703, 300);
}

TEST(ReplaceTextProperty, WrappedAtWordBreaksWithTheLineBreakOnAFullRow) {
  RunEdits({.wordWrap = true, .tab = 6, .leading = true, .wordBreak = true, .followRetMark = true}, 1704, 300);
}

}  // namespace
}  // namespace vrel
