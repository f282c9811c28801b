// The editor core's Search against the text search on the same text: for every option, over
// random Shift-JIS texts shown as display rows with and without word wrap, each hit (and each
// miss) of a run of searches must be the text search's own. Then the cases that reading the rows in
// pieces would get wrong, and how a hit is shown.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "editor/ZTSearch.h"
#include "platform/Cp932.h"
#include "tests/editor/FakeWindow.h"

namespace vrel {
namespace {

// The selection as (start, end) offsets.
std::tuple<int64_t, int64_t> Selection(const EditorCore& e) {
  int64_t start = 0;
  int64_t end = 0;
  e.GetSel(start, end);
  return {start, end};
}

int64_t SelectionStart(const EditorCore& e) {
  return std::get<0>(Selection(e));
}

// Pieces of a text: words, Japanese, blanks, line breaks, and forms the folding options join.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      "cat",      "Cat",          "CAT",          "dog",        "a",        "cats",       "concat",   " ",
      "  ",       "\t",           "\r\n",         "\r\n\r\n",   ".",        ",",          "_",        "1",
      "x",        Sjis("ｃａｔ"), Sjis("ＣＡＴ"), Sjis("ｶﾞ"),   Sjis("ガ"), Sjis("カ"),   Sjis("ソ"), Sjis("表"),
      Sjis("猫"), Sjis("　"),     Sjis("日本語"), Sjis("ねこ"), Sjis("ﾈｺ"), Sjis("ネコ"), "\\",       "\x81"};
  return pieces;
}

std::string RandomText(std::mt19937& random, int pieces) {
  std::uniform_int_distribution<std::size_t> pick(0, Pieces().size() - 1);
  std::string text;
  for (int i = 0; i < pieces; ++i)
    text += Pieces()[pick(random)];
  return text;
}

// A find string: a piece of the text at character starts, perhaps without its blanks and line breaks
// (which the skipping options pass over), perhaps in the other case or width.
std::string RandomFind(std::mt19937& random, const std::string& text, std::size_t at = std::string::npos) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size();
       i += (static_cast<unsigned char>(text[i]) >= 0x81 && static_cast<unsigned char>(text[i]) <= 0x9F) ||
                    (static_cast<unsigned char>(text[i]) >= 0xE0 && static_cast<unsigned char>(text[i]) <= 0xFC)
                ? 2
                : 1)
    starts.push_back(i);
  std::uniform_int_distribution<std::size_t> from(0, starts.size() - 1);
  std::uniform_int_distribution<int> length(1, 6);
  std::size_t first = from(random);
  if (at != std::string::npos) {
    // From a given place (a row's start), where wrapping cuts words.
    first = static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.end(), at) - starts.begin());
    if (first >= starts.size())
      return {};
  }
  const std::size_t last = std::min(starts.size(), first + static_cast<std::size_t>(length(random)));
  const std::size_t end = last < starts.size() ? starts[last] : text.size();
  std::string find = text.substr(starts[first], end - starts[first]);
  switch (at != std::string::npos ? random() % 4 : random() % 6) {
    case 4:
    case 5:
      // A word or a piece of the kind the text is made of, found where it stands or not.
      find = Pieces()[random() % Pieces().size()];
      break;
    case 0: {
      std::string kept;
      for (char c : find) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
          kept += c;
      }
      find = kept;
      break;
    }
    case 1:
      for (char& c : find) {
        if (c >= 'a' && c <= 'z')
          c = static_cast<char>(c - 'a' + 'A');
      }
      break;
    case 2:
      find = ToZenkakuKana(find);
      break;
    default:
      break;
  }
  // The caret cannot stand between CR and LF: a hit that would begin on an LF or end on a CR is
  // shown with the whole line break, so such find strings are left out here.
  if (!find.empty() && (find.front() == '\n' || find.back() == '\r'))
    find.clear();
  return find;
}

// Runs `count` searches in the editor and the same run of the text search over `text`, and
// reports the first step where they differ.
void CompareRuns(EditorCore& e, const std::string& text, const std::string& find, uint16_t options, int64_t caret,
                 int count, const std::string& what) {
  e.SetSel(caret, caret);
  TSearchInfo info{static_cast<int32_t>(caret), 0};
  for (int i = 0; i < count; ++i) {
    TSearchInfo next{info.Start + ((options & soForward) != 0 ? info.Length : 0), 0};
    const bool expected = SearchText(text, next, find, options);
    const bool found = e.Search(find, options);
    ASSERT_EQ(found, expected) << what << " step " << i;
    if (!found)
      return;
    ASSERT_EQ(Selection(e), std::tuple(next.Start, next.Start + next.Length)) << what << " step " << i;
    info = next;
  }
}

TEST(EditorSearch, EveryOptionFindsWhatTheTextSearchFindsInTheSameText) {
  std::mt19937 random(1901);
  const uint16_t flags[] = {soForward, soMatchCase, soWholeWord, soFoldWidth, soSkipLineBreaks, soSkipBlanks};
  int runs = 0;
  int hits = 0;
  for (int round = 0; round < 16; ++round) {
    const std::string text = RandomText(random, 50);
    for (const bool wrap : {false, true}) {
      EditorInWindow w;
      w.editor.WrapOption()->SetWrapByte(20);
      w.editor.SetWordWrap(wrap);
      w.editor.Lines()->SetText(text);
      // The rows hold the text with its line breaks as CR LF.
      ASSERT_EQ(w.editor.Lines()->Text(), text);
      for (int options = 0; options < 64; ++options) {
        uint16_t bits = 0;
        for (int b = 0; b < 6; ++b) {
          if ((options & (1 << b)) != 0)
            bits = static_cast<uint16_t>(bits | flags[b]);
        }
        // The caret at a row's start (often a wrapped row's), so that offsets and its place agree;
        // half the find strings start there.
        std::uniform_int_distribution<int> row(0, w.editor.GetLineCount());
        const int64_t caret = std::max<int64_t>(0, w.editor.LineIndex(row(random)));
        const std::string find =
            RandomFind(random, text, random() % 2 == 0 ? static_cast<std::size_t>(caret) : std::string::npos);
        if (find.empty())
          continue;
        CompareRuns(w.editor, text, find, bits, caret, 4,
                    "round " + std::to_string(round) + (wrap ? " wrapped" : "") + " options " + std::to_string(bits) +
                        " find \"" + Cp932ToUtf8(find) + "\"");
        if (::testing::Test::HasFatalFailure())
          return;
        ++runs;
        TSearchInfo any{0, 0};
        hits += SearchText(text, any, find, static_cast<uint16_t>(bits | soForward)) ? 1 : 0;
      }
    }
  }
  // Many runs find something: the comparison is not one of misses only.
  EXPECT_GT(hits, runs / 3);
}

TEST(EditorSearch, ARunOfSkippedLineBreaksLongerThanAChunkStillJoinsAHit) {
  std::string text = "a";
  for (int i = 0; i < 6000; ++i)
    text += "\r\n";
  text += "b\r\n";
  EditorInWindow w(text);
  ASSERT_TRUE(w.editor.Search("ab", soForward | soSkipLineBreaks));
  EXPECT_EQ(Selection(w.editor), std::tuple(0, static_cast<int64_t>(text.size()) - 2));
}

TEST(EditorSearch, AWordAcrossAnEightKilobyteBoundaryIsFound) {
  // Rows of 82 bytes, so that "word" runs from offset 8191 to 8194.
  std::string text;
  for (int i = 0; i < 99; ++i)
    text += std::string(80, 'x') + "\r\n";
  text += std::string(72, 'x') + " word\r\n";
  EditorInWindow w(text);
  ASSERT_TRUE(w.editor.Search("word", soForward | soWholeWord));
  EXPECT_EQ(SelectionStart(w.editor), 8191);
}

TEST(EditorSearch, AWholeWordAtTheStartOfAWrappedRowSeesTheRowBeforeIt) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  w.editor.Lines()->SetText(std::string(20, 'x') + "cat cat\r\n");
  ASSERT_EQ(w.editor.Rows().Get(1), "cat cat");
  w.editor.SetRow(1);
  ASSERT_TRUE(w.editor.Search("cat", soForward | soWholeWord));
  EXPECT_EQ(SelectionStart(w.editor), 24);
}

TEST(EditorSearch, ABackwardWholeWordAtTheEndOfAWrappedRowSeesTheRowAfterIt) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  w.editor.Lines()->SetText("cat " + std::string(13, 'y') + "cat" + "s\r\n");
  ASSERT_EQ(w.editor.Rows().Get(1), "s");
  w.editor.SetRow(2);
  ASSERT_TRUE(w.editor.Search("cat", soWholeWord));
  EXPECT_EQ(SelectionStart(w.editor), 0);
}

TEST(EditorSearch, AdjacentHitsAreFoundOneAfterTheOtherInEveryHitStyle) {
  for (const TEditorHitStyle style : {hsSelect, hsDraw, hsCaret}) {
    EditorInWindow w("abcabc\r\n");
    w.editor.SetHitStyle(style);
    ASSERT_TRUE(w.editor.Search("abc", soForward));
    EXPECT_EQ(SelectionStart(w.editor), 0) << style;
    ASSERT_TRUE(w.editor.Search("abc", soForward));
    EXPECT_EQ(SelectionStart(w.editor), 3) << style;
    EXPECT_FALSE(w.editor.Search("abc", soForward)) << style;
  }
}

TEST(EditorSearch, NothingIsFoundForAnEmptyFindStringOrInAnEmptyText) {
  EditorInWindow w("abc\r\n");
  EXPECT_FALSE(w.editor.Search("", soForward));
  EditorInWindow empty;
  EXPECT_FALSE(empty.editor.Search("a", soForward));
}

TEST(EditorSearch, AHitIsShownAsHitStyleSays) {
  EditorInWindow w(Sjis("猫と犬と猫") + "\r\n");
  w.editor.SetHitStyle(hsDraw);
  ASSERT_TRUE(w.editor.Search(Sjis("犬"), soForward));
  EXPECT_EQ(std::tuple(w.editor.SelectionState(), w.editor.HitLength()), std::tuple(sstHit, 2));
  EXPECT_TRUE(w.editor.RowSelection(0).has_value() && w.editor.RowSelection(0)->Hit);
  w.editor.SetHitStyle(hsCaret);
  ASSERT_TRUE(w.editor.Search(Sjis("猫"), soForward));
  // The caret stands on the hit as a block over its two cells.
  EXPECT_EQ(std::tuple(w.editor.Col(), w.editor.CaretRect().Width(), w.editor.RowSelection(0).has_value()),
            std::tuple(8, 2 * w.editor.ColumnWidth(), false));
}

TEST(EditorSearch, AHitOutOfViewIsScrolledToAThirdOfTheView) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += i == 70 ? "needle\r\n" : "hay\r\n";
  EditorInWindow w(text);
  ASSERT_TRUE(w.editor.Search("needle", soForward));
  EXPECT_EQ(std::tuple(w.editor.Row(), w.editor.TopRow()), std::tuple(70, 70 - w.editor.VisibleRows() / 3));
}

}  // namespace
}  // namespace vrel
