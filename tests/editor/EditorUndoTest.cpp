#include "editor/EditorUndo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"
#include "tests/editor/FakeEditor.h"

namespace vrel {
namespace {

using Rows = std::vector<RowImage>;

// The rows' history.
struct Fixture : EditorRows {
  using EditorRows::EditorRows;
  TEditorUndoObj& undo() { return *rows.UndoObj(); }
};

TEST(Undo, OnlyTheLast64Of65EditsCanBeUndone) {
  Fixture f;
  for (int i = 0; i < 65; ++i)
    f.rows.ReplaceText(f.rows.Count(), 0, std::to_string(i) + "\r\n");
  EXPECT_EQ(f.undo().UndoList().size(), 64u);
  while (f.undo().CanUndo())
    f.rows.Undo();
  EXPECT_EQ(f.rows.Text(), "0\r\n");
}

TEST(Undo, DeletedLinesComeBackWithTheirAttributesAndTheirMark) {
  Fixture f("a\r\nb\r\nc");
  f.rows.SetRowMarks(1, 1 << 4);
  f.rows.SetMarksInUse(1 << 4);
  f.rows.ReplaceText(1, 2, "");
  ASSERT_EQ(RowsOf(f.rows), (Rows{{"a", 0}}));
  EXPECT_EQ(f.undo().UndoList().back().RowCount, 0);
  f.rows.Undo();
  EXPECT_EQ(std::tuple(RowsOf(f.rows), f.rows.RowMarks(0), f.rows.RowMarks(1)),
            std::tuple(Rows{{"a", 0}, {"b", 0}, {"c", 2}}, 0, 1 << 4));
}

TEST(Undo, MarksOfDeletedLinesGoBackToTheirOwnRows) {
  Fixture f("a\r\nb\r\nc\r\nd\r\n");
  f.rows.SetRowMarks(1, 1 << 4);
  f.rows.SetRowMarks(2, 1 << 5);
  f.rows.SetRowMarks(3, 1 << 4 | 1 << 9);
  f.rows.SetMarksInUse(1 << 4 | 1 << 5 | 1 << 9);
  f.rows.ReplaceText(1, 2, "");
  ASSERT_EQ(f.rows.RowMarks(1), 1 << 4 | 1 << 5 | 1 << 9);
  f.rows.Undo();
  EXPECT_EQ(std::tuple(f.rows.RowMarks(1), f.rows.RowMarks(2), f.rows.RowMarks(3)),
            std::tuple(1 << 4, 1 << 5, 1 << 4 | 1 << 9));
  f.rows.Redo();
  EXPECT_EQ(f.rows.RowMarks(1), 1 << 4 | 1 << 5 | 1 << 9);
}

TEST(Undo, ANewEditAfterAnUndoEndsRedo) {
  Fixture f("a\r\n");
  f.rows.ReplaceText(0, 1, "b\r\n");
  f.rows.Undo();
  EXPECT_TRUE(f.undo().CanRedo());
  f.rows.ReplaceText(0, 1, "c\r\n");
  EXPECT_FALSE(f.undo().CanRedo());
}

TEST(Undo, UndoRedoUndoGivesTheSameTextAndTheCaretReturnsEachTime) {
  Fixture f("line one\r\nline two\r\n");
  f.editor.SetRow(1);
  f.editor.SetCol(4);
  f.rows.ReplaceText(1, 1, "line 2\r\n");
  f.editor.SetRow(0);
  f.editor.SetCol(8);
  const auto state = [&] { return std::tuple(f.rows.Text(), f.editor.Row(), f.editor.Col()); };
  f.rows.Undo();
  EXPECT_EQ(state(), std::tuple("line one\r\nline two\r\n", 1, 4));
  f.rows.Redo();
  EXPECT_EQ(state(), std::tuple("line one\r\nline 2\r\n", 0, 8));
  f.rows.Undo();
  EXPECT_EQ(state(), std::tuple("line one\r\nline two\r\n", 1, 4));
  EXPECT_EQ(f.editor.hidden, 0);
}

TEST(Undo, EditorsSharingRowsShareTheHistoryAndTheFocusedOneGetsTheCaret) {
  Fixture f("a\r\nb\r\n");
  FakeEditor second(f.rows);
  second.focused = true;
  second.SetRow(1);
  second.SetCol(1);
  f.rows.ReplaceText(1, 1, "B\r\n");
  second.SetRow(0);
  second.focused = false;
  f.editor.focused = true;
  f.editor.SetRow(0);
  f.editor.SetCol(0);
  f.rows.Undo();
  EXPECT_EQ(std::tuple(f.rows.Text(), f.editor.Row(), f.editor.Col(), second.Row()), std::tuple("a\r\nb\r\n", 1, 1, 0));
}

TEST(Undo, AKeystrokeInALongWrappedLineKeepsAFewRowsOfText) {
  Fixture f(std::string(5000, 'a') + "\r\n", true);
  f.rows.ReplaceText(100, 1, "b" + f.rows.Get(100));
  const TUndoData& entry = f.undo().UndoList().back();
  EXPECT_TRUE(entry.Text.size() < 3u * 20u && entry.StartRow == 99) << entry.Text.size() << " " << entry.StartRow;
  f.rows.Undo();
  EXPECT_EQ(f.rows.Text(), std::string(5000, 'a') + "\r\n");
}

TEST(Undo, SwitchingWordWrapOrItsOptionsClearsTheHistory) {
  Fixture f("abc\r\n");
  f.rows.ReplaceText(0, 1, "x\r\n");
  f.rows.SetWordWrap(true);
  EXPECT_FALSE(f.undo().CanUndo());
  f.rows.ReplaceText(0, 1, "y\r\n");
  f.rows.WrapOption()->SetWrapByte(30);
  EXPECT_FALSE(f.undo().CanUndo());
}

}  // namespace
}  // namespace vrel
