#include "editor/EditorScreenStrings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/EditorProperties.h"
#include "platform/Cp932.h"
#include "tests/editor/FakeEditor.h"

namespace vrel {
namespace {

using Rows = std::vector<RowImage>;

using Fixture = EditorRows;

void SetMark(TEditorScreenStrings& rows, int row, int mark) {
  rows.SetRowMarks(row, rows.RowMarks(row) | 1 << mark);
  rows.SetMarksInUse(1 << mark);
}

// ---------------------------------------------------------------------------------------------
// Replacing text

TEST(ReplaceText, ARangeOutsideTheRowsOrAnEmptyReplacementOfNoRowsDoesNothing) {
  Fixture f("a\r\nb\r\n");
  f.rows.ReplaceText(-1, 1, "x");
  f.rows.ReplaceText(1, 2, "x");
  f.rows.ReplaceText(3, 0, "x");
  f.rows.ReplaceText(1, 0, "");
  EXPECT_EQ(f.rows.Text(), "a\r\nb\r\n");
  EXPECT_FALSE(f.rows.UndoObj()->CanUndo());
  EXPECT_TRUE(f.editor.changes.empty());
}

TEST(ReplaceText, EachEditorHearsOfAChangeOnceWithItsRecord) {
  Fixture f("a\r\nb\r\nc\r\n");
  FakeEditor second(f.rows);
  f.rows.ReplaceText(1, 1, "x\r\ny\r\n");
  ASSERT_EQ(std::tuple(f.editor.changes.size(), second.changes.size()), std::tuple(1u, 1u));
  const TEditorChange& change = f.editor.changes.front();
  EXPECT_EQ(std::tuple(change.StartRow, change.OldRowCount, change.NewRowCount, change.Modified, change.StateRows),
            std::tuple(1, 1, 2, true, 2));
  // Spent once it has gone out.
  EXPECT_EQ(std::tuple(f.rows.Change().Modified, f.rows.Change().NewRowCount), std::tuple(false, 0));
}

// The rows below fall back into step at the next line, also when it is empty: a keystroke among
// empty lines costs the same, however many follow.
TEST(ReplaceText, AKeystrokeAmongEmptyLinesReplacesOnlyItsRow) {
  Fixture f(std::string(2000, '\n'));
  f.rows.ReplaceText(1000, 1, "x\r\n");
  ASSERT_EQ(f.editor.changes.size(), 1u);
  EXPECT_EQ(f.editor.changes.front().OldRowCount, 1);
  EXPECT_EQ(f.editor.changes.front().NewRowCount, 1);
  EXPECT_EQ(f.rows.UndoObj()->UndoList().back().RowCount, 1);
}

TEST(ReplaceText, RowsWhoseStartStateChangedAreRepainted) {
  Fixture f("a\r\nb\r\nc\r\nd\r\n");
  TFountainBracketItem* bracket = f.editor.fountain.Brackets()->Add();
  bracket->SetLeftBracket("(");
  bracket->SetRightBracket(")");
  f.rows.InitRowStates();
  f.rows.ReplaceText(1, 1, "(b\r\n");
  EXPECT_EQ(std::tuple(f.editor.repainted, f.rows.BracketIndex(3)), std::tuple(std::vector<int>{1, 2, 3}, 0));
  f.editor.repainted.clear();
  f.rows.ReplaceText(2, 1, "c)\r\n");
  EXPECT_EQ(std::tuple(f.editor.repainted, f.rows.BracketIndex(3)), std::tuple(std::vector<int>{2, 3}, -1));
}

TEST(ReplaceText, StatesAreKeptTwoScreensDownAndTheRestMarkedUncomputed) {
  std::string text;
  for (int i = 0; i < 30; ++i)
    text += "row\r\n";
  Fixture f(text);
  f.editor.bracketsFull = true;
  f.rows.InitRowStates();
  ASSERT_TRUE(f.rows.RowStateComputed(29));
  TFountainBracketItem* bracket = f.editor.fountain.Brackets()->Add();
  bracket->SetLeftBracket("(");
  bracket->SetRightBracket(")");
  f.editor.screenRows = 3;
  f.rows.ReplaceText(4, 1, "(\r\n");
  EXPECT_EQ(std::tuple(f.rows.RowStateComputed(10), f.rows.BracketIndex(10), f.rows.RowStateComputed(11),
                       f.rows.RowStateComputed(29)),
            std::tuple(true, 0, false, false));
}

TEST(ReplaceText, InitRowStatesComputesTwoScreensBelowTheTopRowOrEverything) {
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += "row\r\n";
  Fixture f(text);
  f.editor.screenRows = 5;
  f.editor.SetTopRow(3);
  f.rows.InitRowStates();
  EXPECT_TRUE(f.rows.RowStateComputed(13) && !f.rows.RowStateComputed(14));
  f.editor.bracketsFull = true;
  f.rows.InitRowStates();
  EXPECT_TRUE(f.rows.RowStateComputed(39));
}

TEST(ReplaceText, CaretsPastTheRowsAreBroughtBackAfterAChange) {
  Fixture f("a\r\nb\r\nc");
  f.editor.SetRow(2);
  f.editor.SetTopRow(3);
  f.rows.ReplaceText(1, 2, "");
  // On the place after the final line break.
  EXPECT_EQ(std::tuple(f.editor.Row(), f.editor.TopRow()), std::tuple(1, 1));
}

// ---------------------------------------------------------------------------------------------
// Marks

TEST(ReplaceText, DeletingEveryRowClearsTheirMarksFromMarksInUse) {
  Fixture f("a\r\nb\r\n");
  SetMark(f.rows, 0, 3);
  SetMark(f.rows, 1, 12);
  f.rows.ReplaceText(0, 2, "");
  EXPECT_EQ(std::tuple(f.rows.Count(), f.rows.MarksInUse()), std::tuple(0, 0));
}

TEST(ReplaceText, MarksOfDeletedLinesGoToTheRowThatTakesTheirPlace) {
  Fixture f("a\r\nb\r\nc\r\n");
  SetMark(f.rows, 1, 5);
  f.rows.ReplaceText(1, 1, "");
  EXPECT_EQ(std::tuple(f.rows.Get(1), f.rows.RowMarks(1), f.rows.MarksInUse()), std::tuple("c", 1 << 5, 1 << 5));
}

TEST(ReplaceText, LinesInsertedAtColumn0OfAMarkedRowPushTheMarkDown) {
  Fixture f("a\r\nb\r\nc\r\n");
  SetMark(f.rows, 1, 2);
  f.editor.SetCol(0);
  f.rows.ReplaceText(1, 1, "new\r\nb\r\n");
  EXPECT_EQ(std::tuple(f.rows.RowMarks(1), f.rows.Get(2), f.rows.RowMarks(2)), std::tuple(0, "b", 1 << 2));
}

TEST(ReplaceText, LinesInsertedInsideAMarkedRowLeaveTheMarkOnIt) {
  Fixture f("a\r\nbb\r\nc\r\n");
  SetMark(f.rows, 1, 2);
  f.editor.SetCol(1);
  f.rows.ReplaceText(1, 1, "b\r\nnew\r\nb\r\n");
  EXPECT_EQ(std::tuple(f.rows.RowMarks(1), f.rows.RowMarks(2)), std::tuple(1 << 2, 0));
}

// ---------------------------------------------------------------------------------------------
// Word wrap, wrap options and tab width

TEST(WordWrap, SwitchingRewrapsAndUnwrapsAndMarksStayOnTheirLines) {
  Fixture f(std::string(45, 'a') + "\r\nb");
  SetMark(f.rows, 0, 1);
  SetMark(f.rows, 1, 7);
  f.rows.ReplaceText(1, 1, "bb");
  f.editor.SetCol(9);
  f.editor.selectionsCancelled = 0;
  f.rows.SetWordWrap(true);
  EXPECT_EQ(RowsOf(f.rows),
            (Rows{{std::string(20, 'a'), 1}, {std::string(20, 'a'), 1}, {std::string(5, 'a'), 0}, {"bb", 2}}));
  EXPECT_EQ(std::tuple(f.rows.RowMarks(0), f.rows.RowMarks(3), f.rows.UndoObj()->CanUndo(), f.editor.Col(),
                       f.editor.refreshes, f.editor.selectionsCancelled),
            std::tuple(1 << 1, 1 << 7, false, 0, 1, 1));
  SetMark(f.rows, 2, 4);
  f.rows.SetWordWrap(false);
  EXPECT_EQ(RowsOf(f.rows), (Rows{{std::string(45, 'a'), 0}, {"bb", 2}}));
  EXPECT_EQ(f.rows.RowMarks(0), 1 << 1 | 1 << 4);
}

TEST(WordWrap, RewrappingToFewerRowsGathersTheSurplusMarksOnTheLastRow) {
  Fixture f(std::string(60, 'a') + "\r\n", true);
  SetMark(f.rows, 1, 3);
  SetMark(f.rows, 2, 6);
  f.rows.WrapOption()->SetWrapByte(40);
  EXPECT_EQ(RowsOf(f.rows), (Rows{{std::string(40, 'a'), 1}, {std::string(20, 'a'), 0}}));
  EXPECT_EQ(f.rows.RowMarks(1), 1 << 3 | 1 << 6);
}

TEST(WordWrap, ChangingTheTabWidthRewrapsWrappedText) {
  // Three tabs fill 20 cells at tab stops of 8 (the last one stops at the wrap width), 12 at 4.
  Fixture f("\t\t\tabcdefg\r\n", true);
  ASSERT_EQ(RowsOf(f.rows), (Rows{{"\t\t\t", 1}, {"abcdefg", 0}}));
  f.rows.SetTabSpaceCount(4);
  EXPECT_EQ(RowsOf(f.rows), (Rows{{"\t\t\tabcdefg", 0}}));
}

TEST(WordWrap, WhileTheOwnerLoadsOnlyTheFlagIsStored) {
  Fixture f(std::string(30, 'a'));
  f.editor.loading = true;
  f.rows.SetWordWrap(true);
  EXPECT_EQ(std::tuple(f.rows.WordWrap(), f.rows.Count()), std::tuple(true, 1));
  f.editor.loading = false;
  f.rows.RewrapAll();
  EXPECT_EQ(f.rows.Count(), 2);
}

TEST(WordWrap, WrapRowsGivesOneEmptyRowForAnEmptyText) {
  Fixture f;
  TEditorStringList dest;
  f.rows.WrapRows("", dest);
  EXPECT_EQ(RowsOf(dest), (Rows{{"", 0}}));
  f.rows.SetWordWrap(true);
  f.rows.WrapRows(std::string(25, 'x') + "\r\ny", dest);
  EXPECT_EQ(RowsOf(dest), (Rows{{std::string(20, 'x'), 1}, {"xxxxx", 0}, {"y", 0}}));
  EXPECT_EQ(f.rows.WrapString(std::string(41, 'x')), 3);
}

// ---------------------------------------------------------------------------------------------
// Reading rows

TEST(Rows, GetRowsTextJoinsRowsWithCrLfAfterEachLineEnd) {
  Fixture f(std::string(25, 'a') + "\r\nb\r\nc", true);
  const auto line = f.rows.GetRowsText(0, -1), tail = f.rows.GetRowsText(2, 2);
  EXPECT_EQ(std::tuple(line.Text, line.RowCount, line.Kind), std::tuple(std::string(25, 'a') + "\r\n", 2, 0));
  EXPECT_EQ(std::tuple(tail.Text, tail.Kind, f.rows.GetRowsText(4, 1).Kind), std::tuple("b\r\nc", 2, 3));
}

TEST(Rows, LineStartAndLineEndWalkAWrappedLine) {
  Fixture f("x\r\n" + std::string(45, 'a') + "\r\ny", true);
  EXPECT_EQ(
      std::tuple(f.rows.LineStart(3), f.rows.LineEnd(1), f.rows.LineStart(4), f.rows.LineEnd(4), f.rows.LineEnd(-1)),
      std::tuple(1, 3, 4, 4, -1));
  EXPECT_EQ(std::tuple(f.rows.LineToRow(2), f.rows.RowToLine(3), f.rows.LineCount()), std::tuple(4, 1, 3));
}

TEST(Rows, CellColumnCountsTabsToTheirStopAndDoubleByteCharactersTwice) {
  Fixture f("a\tb" + Utf8ToCp932("あ") + "c");
  EXPECT_EQ(std::tuple(f.rows.CellColumn(0, 2), f.rows.CellColumn(0, 5)), std::tuple(8, 11));
  f.rows.SetTabSpaceCount(4);
  EXPECT_EQ(f.rows.CellColumn(0, 2), 4);
}

TEST(Rows, ClearEmptiesRowsHistoryAndMarksAndSendsCaretsHome) {
  Fixture f("a\r\nb\r\n");
  f.rows.ReplaceText(0, 1, "x\r\n");
  SetMark(f.rows, 1, 1);
  f.editor.SetRow(1);
  f.editor.SetCol(1);
  f.editor.changes.clear();
  f.rows.Clear();
  EXPECT_EQ(
      std::tuple(f.rows.Count(), f.rows.UndoObj()->CanUndo(), f.rows.MarksInUse(), f.editor.Row(), f.editor.Col()),
      std::tuple(0, false, 0, 0, 0));
  ASSERT_EQ(f.editor.changes.size(), 1u);
  EXPECT_EQ(std::tuple(f.editor.changes[0].OldRowCount, f.editor.changes[0].Modified), std::tuple(2, true));
}

}  // namespace
}  // namespace vrel
