// The editor core's row marks (digit marks on one row, image marks on many, following their text
// through edits, the jump to a mark) and the popup menu's table: its rules, its check marks and its
// shortcuts, which act under the same rules without the menu ever being shown.

#include <gtest/gtest.h>

#include <string>

#include "editor/EditorCore.h"
#include "editor/EditorMenu.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"
#include "tests/editor/FakeWindow.h"

namespace vrel {
namespace {

std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += "line " + std::to_string(i) + "\r\n";
  return text;
}

// The rows that carry a mark, top to bottom.
std::vector<int> RowsWith(const EditorCore& e, int mark) {
  std::vector<int> rows;
  for (int r = 0; r < e.Rows().Count(); ++r) {
    if ((e.GetRowMarks(r) & (1 << mark)) != 0)
      rows.push_back(r);
  }
  return rows;
}

// ---------------------------------------------------------------------------------------------
// Marks

// A digit mark (0 to 9) moves to the row it is set on.
TEST(EditorMarks, ADigitMarkStandsOnOneRowAndAnImageMarkOnEveryRowItIsSetOn) {
  EditorInWindow w(Lines(12));
  for (const auto& [row, mark] : {std::pair{5, 3}, {9, 3}, {2, 12}, {4, 12}})
    w.editor.SetMark(row, mark);
  EXPECT_EQ(std::tuple(RowsWith(w.editor, 3), RowsWith(w.editor, 12)),
            std::tuple(std::vector<int>{9}, std::vector<int>{2, 4}));
}

TEST(EditorMarks, MarksInUseKeepsABitWhileAnyRowCarriesIt) {
  EditorInWindow w(Lines(12));
  w.editor.SetMark(2, 12);
  w.editor.SetMark(4, 12);
  w.editor.ClearMark(2, 12);
  EXPECT_NE(w.editor.Rows().MarksInUse() & (1 << 12), 0);
  w.editor.ClearMark(4, 12);
  EXPECT_EQ(w.editor.Rows().MarksInUse() & (1 << 12), 0);
}

TEST(EditorMarks, MarksFollowTheirRowsThroughEditsAboveThem) {
  EditorInWindow w(Lines(8));
  w.editor.SetMark(5, 1);
  w.editor.SetMark(6, 10);
  w.editor.SetRow(1);
  w.editor.KeyDown(vkEnd, {}, false);
  w.editor.KeyPress("\r", {});  // a line more above the marks
  w.editor.KeyPress("new", {});
  w.editor.SetRow(3);
  w.editor.SetCol(0);
  w.editor.KeyPress("\b", {});  // and one less
  w.editor.SetRow(0);
  w.editor.SetCol(0);
  w.editor.KeyPress(Utf8ToCp932("日本"), {});
  ASSERT_EQ(w.editor.Rows().Get(5), "line 5");
  EXPECT_EQ(std::tuple(RowsWith(w.editor, 1), RowsWith(w.editor, 10)),
            std::tuple(std::vector<int>{5}, std::vector<int>{6}));
}

// A mark in view leaves the view; one far below is brought to its middle.
TEST(EditorMarks, TheJumpToAMarkFarBelowPutsItsRowInTheMiddleOfTheView) {
  EditorInWindow w(Lines(200));
  for (const int row : {3, 150}) {
    w.editor.SetMark(row, 4);
    w.editor.GotoMark(4);
    EXPECT_EQ(std::tuple(w.editor.Row(), w.editor.TopRow()),
              std::tuple(row, row == 3 ? 0 : 150 - w.editor.VisibleRows() / 2));
  }
}

TEST(EditorMarks, SettingAMarkRepaintsItsRowsImageBarCell) {
  EditorInWindow w(Lines(5));
  w.editor.SetMark(2, 0);
  EXPECT_TRUE(w.window.Repaints(2, w.editor.RowTop(2) + 3));
  EXPECT_FALSE(w.window.Repaints(2, w.editor.RowTop(3) + 3));
}

// ---------------------------------------------------------------------------------------------
// The menu's rules

struct Enabled {
  bool undo, redo, cut, copy, paste, boxPaste, del, selectAll, marks, mode;
  bool operator==(const Enabled&) const = default;
};

Enabled EnabledItems(const EditorCore& e) {
  using C = TEditorCommand;
  return {CommandEnabled(e, C::Undo),
          CommandEnabled(e, C::Redo),
          CommandEnabled(e, C::Cut),
          CommandEnabled(e, C::Copy),
          CommandEnabled(e, C::Paste),
          CommandEnabled(e, C::BoxPaste),
          CommandEnabled(e, C::Delete),
          CommandEnabled(e, C::SelectAll),
          CommandEnabled(e, C::MarkSet) && CommandEnabled(e, C::MarkJump),
          CommandEnabled(e, C::BoxSelectionMode)};
}

TEST(EditorMenu, AReadOnlyEditorWithASelectionOffersOnlyCopySelectAllTheMarksAndTheMode) {
  EditorInWindow w("text\r\n");
  w.window.clipboard.blocks[EditorCore::kTextMimeType] = "clip";
  w.editor.KeyPress("x", {});
  w.editor.SelectAll();
  w.editor.SetReadOnly(true);
  EXPECT_EQ(EnabledItems(w.editor), (Enabled{false, false, false, true, false, false, false, true, true, true}));
}

TEST(EditorMenu, WithAnEmptyClipboardPasteAndBoxPasteAreOff) {
  EditorInWindow w("text\r\n");
  EXPECT_FALSE(CommandEnabled(w.editor, TEditorCommand::Paste) || CommandEnabled(w.editor, TEditorCommand::BoxPaste));
}

TEST(EditorMenu, AfterOneEditAndItsUndoUndoIsOffAndRedoOn) {
  EditorInWindow w("text\r\n");
  w.editor.KeyPress("x", {});
  w.editor.Undo();
  EXPECT_EQ(std::tuple(CommandEnabled(w.editor, TEditorCommand::Undo), CommandEnabled(w.editor, TEditorCommand::Redo)),
            std::tuple(false, true));
}

TEST(EditorMenu, MarksSetOnRowsAreCheckedInBothSubmenus) {
  EditorInWindow w(Lines(10));
  w.editor.SetMark(1, 3);
  w.editor.SetMark(8, 7);
  for (int digit = 0; digit < 10; ++digit) {
    const bool set = digit == 3 || digit == 7;
    EXPECT_EQ(std::tuple(CommandChecked(w.editor, TEditorCommand::MarkSet, digit),
                         CommandChecked(w.editor, TEditorCommand::MarkJump, digit)),
              std::tuple(set, set))
        << digit;
  }
}

TEST(EditorMenu, SelectAllIsOffForAnEmptyText) {
  EditorInWindow w;
  EXPECT_FALSE(CommandEnabled(w.editor, TEditorCommand::SelectAll));
  w.editor.KeyPress("\r", {});
  EXPECT_TRUE(CommandEnabled(w.editor, TEditorCommand::SelectAll));
}

// ---------------------------------------------------------------------------------------------
// Commands and shortcuts

TEST(EditorMenu, ARefusedCommandDoesNothing) {
  EditorInWindow w("text\r\n");
  w.window.clipboard.blocks[EditorCore::kTextMimeType] = "clip";
  w.editor.SetReadOnly(true);
  EXPECT_FALSE(RunCommand(w.editor, TEditorCommand::Paste));
  EXPECT_EQ(w.editor.Lines()->Text(), "text\r\n");
}

TEST(EditorMenu, BoxPastePutsTheClipboardsLinesInAColumn) {
  EditorInWindow w("abc\r\ndef\r\n");
  w.window.clipboard.blocks[EditorCore::kTextMimeType] = "1\r\n2";
  w.editor.SetCol(1);
  ASSERT_TRUE(RunCommand(w.editor, TEditorCommand::BoxPaste));
  EXPECT_EQ(w.editor.Lines()->Text(), "a1bc\r\nd2ef\r\n");
}

TEST(EditorMenu, TheBoxModeCommandTogglesTheEditorsSelectionModeAndItsCheckFollowsIt) {
  EditorInWindow w("abc\r\n");
  ASSERT_TRUE(RunCommand(w.editor, TEditorCommand::BoxSelectionMode));
  EXPECT_TRUE(w.editor.SelectionMode() == smBox && CommandChecked(w.editor, TEditorCommand::BoxSelectionMode));
  // Changed elsewhere, the check shows it.
  w.editor.SetSelectionMode(smNormal);
  EXPECT_FALSE(CommandChecked(w.editor, TEditorCommand::BoxSelectionMode));
  ASSERT_TRUE(RunCommand(w.editor, TEditorCommand::BoxSelectionMode));
  EXPECT_EQ(w.editor.SelectionMode(), smBox);
}

// And the jump command moves the caret to the mark.
TEST(EditorMenu, TheMarkCommandTogglesTheMarkOnTheCaretRow) {
  EditorInWindow w(Lines(5));
  w.editor.SetRow(2);
  RunCommand(w.editor, TEditorCommand::MarkSet, 6);
  EXPECT_EQ(RowsWith(w.editor, 6), (std::vector<int>{2}));
  w.editor.SetRow(4);
  RunCommand(w.editor, TEditorCommand::MarkJump, 6);
  EXPECT_EQ(w.editor.Row(), 2);
  RunCommand(w.editor, TEditorCommand::MarkSet, 6);
  EXPECT_TRUE(RowsWith(w.editor, 6).empty());
}

}  // namespace
}  // namespace vrel
