// The editor core's caret, selection and box arithmetic on rows of single- and double-byte
// characters with tabs; its layout, scrolling and repaint requests in a stand-in window.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "editor/EditorCore.h"
#include "editor/EditorFountain.h"
#include "editor/EditorImages.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "platform/ComponentStream.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"
#include "tests/editor/FakeWindow.h"

namespace vrel {
namespace {

// Six rows (tab stops of 8):
//   0 "abc\tdef"      a b c, the tab in cell 3 filling 4-7, d e f in 8-10       bytes 0-6, offset 0
//   1 "日本語ab"      日 0-1, 本 2-3, 語 4-5, a 6, b 7                            bytes 0-7, offset 9
//   2 "x\t漢字\ty"    x 0, tab 1 (fill 2-7), 漢 8-9, 字 10-11, tab 12 (13-15), y 16  bytes 0-7, offset 19
//   3 ""                                                                          offset 29
//   4 "ｱｲｳソ"        three half-width kana 0-2, ソ 3-4 (its trail byte is '\')    bytes 0-4, offset 31
//   5 "end"           the last row, without a line break                         bytes 0-2, offset 38
std::string Fixture() {
  return "abc\tdef\r\n" + Sjis("日本語ab") + "\r\n" + Sjis("x\t漢字\ty") + "\r\n\r\n" + Sjis("ｱｲｳソ") + "\r\nend";
}

class EditorCoreTest : public ::testing::Test {
 protected:
  EditorCoreTest() : e(Fixture()) {}

  EditorCore& editor() { return e.editor; }
  void Caret(int row, int col) {
    editor().SetRow(row);
    editor().SetCol(col);
  }
  // A selection from one caret place to another, made as Shift and the caret keys make it.
  void Select(int row0, int col0, int row1, int col1) {
    editor().CancelSelection();
    Caret(row0, col0);
    editor().StartSelection();
    Caret(row1, col1);
    editor().ExtendSelection();
  }

  EditorInWindow e;
};

// ---------------------------------------------------------------------------------------------
// The caret

// A horizontal move of the caret on a row of the fixture: the column it stops on.
struct ColumnMove {
  const char* name;
  int row;
  int from;
  int to;
  int stops;
  std::function<void(EditorCore&)> setup = {};
};

std::ostream& operator<<(std::ostream& out, const ColumnMove& c) {
  return out << c.name;
}

const ColumnMove kColumnMoves[] = {
    {"MovingRightOntoATrailCellStepsPastTheCharacter", 1, 0, 1, 2},
    {"MovingLeftOntoATrailCellStepsToItsLead", 1, 4, 3, 2},
    {"TabFillIsCrossedMovingRight", 0, 3, 4, 8},
    {"TabFillIsCrossedMovingLeft", 0, 8, 7, 3},
    {"InTabLetsTheCaretStandInTabFill", 0, 3, 5, 5, [](EditorCore& e) { e.Caret()->SetInTab(true); }},
    {"AFreeCaretStopsAtColumn1000", 0, 0, 5000, 1000},
    {"WithoutFreeCaretTheCaretStopsAtTheRowsEnd", 0, 0, 5000, 11,
     [](EditorCore& e) { e.Caret()->SetFreeCaret(false); }},
};

class EditorCoreColumnMove : public EditorCoreTest, public ::testing::WithParamInterface<ColumnMove> {};

TEST_P(EditorCoreColumnMove, StopsOnTheColumnItSays) {
  const ColumnMove& c = GetParam();
  if (c.setup)
    c.setup(editor());
  Caret(c.row, c.from);
  editor().SetCol(c.to);
  EXPECT_EQ(editor().Col(), c.stops);
}

INSTANTIATE_TEST_SUITE_P(EditorCore, EditorCoreColumnMove, ::testing::ValuesIn(kColumnMoves),
                         [](const ::testing::TestParamInfo<ColumnMove>& test) { return std::string(test.param.name); });

TEST_F(EditorCoreTest, AVerticalMoveReturnsToTheColumnItCameFrom) {
  Caret(0, 1);
  editor().SetRow(1);
  EXPECT_EQ(editor().Col(), 0);  // cell 1 is the second half of 日
  editor().SetRow(2);
  EXPECT_EQ(editor().Col(), 1);  // the tab's own cell
}

TEST_F(EditorCoreTest, PastTheLastRowWithoutLineBreakTheCaretStaysOnIt) {
  editor().SetRow(100);
  EXPECT_EQ(editor().Row(), 5);
}

TEST(EditorCore, PastAFinalLineBreakTheCaretStandsOnTheEmptyPlaceAfterIt) {
  EditorInWindow e("one\r\ntwo\r\n");
  e.editor.SetRow(100);
  EXPECT_EQ(e.editor.Row(), 2);
}

// ---------------------------------------------------------------------------------------------
// Byte offsets and the normal selection

TEST_F(EditorCoreTest, SelStartCountsTheBytesAndLineBreaksBeforeTheCaret) {
  Caret(2, 8);
  EXPECT_EQ(editor().SelStart(), 21);
}

TEST_F(EditorCoreTest, SetSelStartPutsTheCaretOnTheCellOfThatByte) {
  editor().SetSelStart(23);
  EXPECT_EQ(editor().Row(), 2);
  EXPECT_EQ(editor().Col(), 10);
}

TEST_F(EditorCoreTest, ANormalSelectionOverRowsTakesTheirLineBreaks) {
  Select(0, 8, 2, 10);
  EXPECT_EQ(editor().SelText(), "def\r\n" + Sjis("日本語ab") + "\r\n" + Sjis("x\t漢"));
  EXPECT_EQ(editor().SelLength(), 19);
}

TEST_F(EditorCoreTest, ASelectionMadeBackwardsIsTheSame) {
  Select(2, 10, 0, 8);
  EXPECT_EQ(editor().SelText(), "def\r\n" + Sjis("日本語ab") + "\r\n" + Sjis("x\t漢"));
  EXPECT_EQ(editor().SelStart(), 4);
}

TEST_F(EditorCoreTest, ASelectionEndingInTabFillTakesTheTab) {
  editor().Caret()->SetInTab(true);
  Select(0, 1, 0, 5);
  EXPECT_EQ(editor().SelText(), "bc");
  Select(0, 1, 0, 8);
  EXPECT_EQ(editor().SelText(), "bc\t");
}

TEST_F(EditorCoreTest, SetSelLengthSelectsThatManyBytesFromTheCaret) {
  editor().SetSelStart(31);
  editor().SetSelLength(5);
  EXPECT_EQ(editor().SelText(), Sjis("ｱｲｳソ"));
  EXPECT_EQ(editor().Row(), 4);
  EXPECT_EQ(editor().Col(), 5);
}

// ---------------------------------------------------------------------------------------------
// Box selection

TEST_F(EditorCoreTest, ABoxTakesTheCharactersThatStartBetweenItsColumns) {
  editor().SetSelectionMode(smBox);
  Select(0, 2, 2, 12);
  // Columns 2..11: row 0 from c to f; row 1 from 本 (日 starts in cell 0); row 2 漢 and 字 (the tab
  // before them starts in cell 1, the one after them in cell 12).
  EXPECT_EQ(editor().SelText(), "c\tdef\r\n" + Sjis("本語ab") + "\r\n" + Sjis("漢字"));
  EXPECT_EQ(editor().SelLength(), (5 + 2) + (6 + 2) + (4 + 2));
}

TEST_F(EditorCoreTest, ABoxKeepsItsColumnsPastTheRowsEnds) {
  editor().SetSelectionMode(smBox);
  Select(3, 9, 5, 2);
  EXPECT_EQ(editor().SelectionCells(), (TSelectionCells{3, 5, 2, 9}));
  EXPECT_EQ(editor().SelText(), "\r\n" + Sjis("ｳソ") + "\r\nd");
}

TEST_F(EditorCoreTest, DeletingABoxTakesItsCellsFromEveryRow) {
  editor().SetSelectionMode(smBox);
  Select(0, 2, 2, 12);
  editor().DeleteSelection();
  EXPECT_EQ(editor().Lines()->Get(0), "ab");
  EXPECT_EQ(editor().Lines()->Get(1), Sjis("日"));
  EXPECT_EQ(editor().Lines()->Get(2), Sjis("x\t\ty"));
  EXPECT_EQ(editor().Row(), 0);
  EXPECT_EQ(editor().Col(), 2);
}

TEST_F(EditorCoreTest, ABoxGoesInAtItsColumnOrAtTheNextCharacterStart) {
  Caret(0, 2);
  editor().InsertBox("P\r\nQ\r\nR");
  EXPECT_EQ(editor().Lines()->Get(0), "abPc\tdef");
  EXPECT_EQ(editor().Lines()->Get(1), Sjis("日Q本語ab"));
  // Cell 2 is the tab's fill: the line goes in before the next character.
  EXPECT_EQ(editor().Lines()->Get(2), Sjis("x\tR漢字\ty"));
  EXPECT_EQ(editor().Row(), 2);
}

TEST(EditorCore, ABoxOfThreeLinesOnTheLastRowAddsRowsOfSpaces) {
  EditorInWindow e("abc\r\nxy");
  e.editor.SetRow(1);
  e.editor.SetCol(10);
  e.editor.InsertBox("1\r\n2\r\n3");
  EXPECT_EQ(e.editor.Lines()->Text(), "abc\r\nxy        1\r\n          2\r\n          3");
}

TEST_F(EditorCoreTest, ABoxInsertIsOneUndoStep) {
  Caret(0, 2);
  editor().InsertBox("P\r\nQ\r\nR");
  editor().Undo();
  EXPECT_EQ(editor().Lines()->Text(), Fixture());
}

// A press on the column where a selection ends lands outside it, in either mode.
TEST_F(EditorCoreTest, TheColumnRightOfASelectionIsOutsideIt) {
  for (const TSelectionMode mode : {smNormal, smBox}) {
    editor().SetSelectionMode(mode);
    Select(0, 2, 1, 6);
    EXPECT_TRUE(editor().IsInSelection(1, 5)) << mode;
    EXPECT_FALSE(editor().IsInSelection(1, 6)) << mode;
  }
}

TEST_F(EditorCoreTest, SwitchingToBoxModeReshapesTheSelection) {
  Select(0, 8, 2, 1);
  editor().SetSelectionMode(smBox);
  EXPECT_EQ(editor().SelectionCells(), (TSelectionCells{0, 2, 1, 8}));
  EXPECT_EQ(editor().SelText(), "bc\t\r\n" + Sjis("本語ab") + "\r\n\t");
}

// ---------------------------------------------------------------------------------------------
// Typing

TEST_F(EditorCoreTest, TypingReplacesTheSelection) {
  Select(0, 1, 1, 4);
  editor().KeyPress("Z", {});
  EXPECT_EQ(editor().Lines()->Get(0), "aZ" + Sjis("語ab"));
  EXPECT_EQ(editor().SelectionState(), sstNone);
  EXPECT_EQ(editor().Col(), 2);
}

TEST_F(EditorCoreTest, SoftTabTypesSpacesToTheNextStop) {
  editor().Caret()->SetSoftTab(true);
  Caret(5, 3);
  editor().KeyPress("\t", {});
  EXPECT_EQ(editor().Lines()->Get(5), "end     ");
}

// ---------------------------------------------------------------------------------------------
// The clipboard

TEST_F(EditorCoreTest, CutWithNothingSelectedLeavesTheClipboardAndTheText) {
  e.window.clipboard.SetBlocks({{"text/plain", "kept"}});
  Caret(0, 2);
  editor().StartSelection();
  editor().CutToClipboard();
  EXPECT_EQ(e.window.clipboard.blocks.at("text/plain"), "kept");
  EXPECT_EQ(editor().Lines()->Text(), Fixture());
}

TEST_F(EditorCoreTest, PasteTakesTheCp932BlockBeforeThePlainText) {
  e.window.clipboard.SetBlocks({{"text/plain", "plain"}, {EditorCore::Cp932ClipboardFormat(), Sjis("ソ")}});
  Caret(3, 0);
  editor().PasteFromClipboard();
  EXPECT_EQ(editor().Lines()->Get(3), Sjis("ソ"));
}

// Other programs break lines with LF or CR alone: each becomes CR LF, with the caret after the text.
TEST(EditorCore, PastedOrReplacedTextWithLfOrCrBreaksLeavesTheCaretAfterIt) {
  for (const char* text : {"AAA\nBBB\nCCC", "AAA\rBBB\rCCC"})
    for (bool paste : {true, false}) {
      SCOPED_TRACE(::testing::Message() << (paste ? "paste " : "replace ") << (text[3] == '\n' ? "LF" : "CR"));
      EditorInWindow e("x\r\n\r\ny");
      e.editor.SetRow(1);
      e.window.clipboard.SetBlocks({{"text/plain", text}});
      if (paste)
        e.editor.PasteFromClipboard();
      else
        e.editor.ReplaceSel(text);
      EXPECT_EQ(e.editor.Row(), 3);
      EXPECT_EQ(e.editor.Col(), 3);
      e.editor.KeyPress("Q", {});
      EXPECT_EQ(e.editor.Lines()->Text(), "x\r\nAAA\r\nBBB\r\nCCCQ\r\ny");
    }
}

TEST_F(EditorCoreTest, ABoxCopyPastesAsABox) {
  editor().SetSelectionMode(smBox);
  Select(0, 0, 1, 2);
  editor().CopyToClipboard();
  editor().SetSelectionMode(smNormal);
  editor().CancelSelection();
  Caret(4, 1);
  editor().PasteFromClipboard();
  EXPECT_EQ(editor().Lines()->Get(4), Sjis("ｱabｲｳソ"));
  EXPECT_EQ(editor().Lines()->Get(5), Sjis("e日nd"));
}

TEST_F(EditorCoreTest, CutRemovesTheSelectionInOneUndoStep) {
  Select(0, 8, 2, 10);
  editor().CutToClipboard();
  EXPECT_EQ(editor().Lines()->Get(0), Sjis("abc\t字\ty"));
  editor().Undo();
  EXPECT_EQ(editor().Lines()->Text(), Fixture());
}

TEST_F(EditorCoreTest, AReadOnlyEditorCopiesButNeitherCutsClearsNorPastes) {
  editor().SetReadOnly(true);
  Select(0, 0, 0, 3);
  editor().CutToClipboard();
  editor().ClearSelection();
  editor().CopyToClipboard();
  editor().PasteFromClipboard();
  EXPECT_EQ(editor().Lines()->Text(), Fixture());
  EXPECT_EQ(e.window.clipboard.blocks.at("text/plain"), "abc");
}

// ---------------------------------------------------------------------------------------------
// Layout and scrolling

// It still shows one row and one column.
TEST(EditorCoreLayout, PageDownMovesAtLeastOneRowInATinyWindow) {
  EditorInWindow e("a\r\nb\r\nc\r\n");
  e.window.width = 10;
  e.window.height = 5;
  e.editor.Resized();
  EXPECT_EQ(std::pair(e.editor.VisibleRows(), e.editor.VisibleCols()), std::pair(1, 1));
  e.editor.KeyDown(vkNext, {}, false);
  EXPECT_EQ(e.editor.Row(), 1);
  EXPECT_EQ(e.editor.TopRow(), 1);
}

TEST(EditorCoreLayout, PageDownWith21VisibleRowsScrolls20Rows) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "line\r\n";
  EditorInWindow e(text);
  e.window.height = 2 + 5 + 21 * 16;
  e.editor.Resized();
  ASSERT_EQ(e.editor.VisibleRows(), 21);
  e.editor.KeyDown(vkNext, {}, false);
  EXPECT_EQ(e.editor.TopRow(), 20);
  EXPECT_EQ(e.editor.Row(), 20);
}

TEST(EditorCoreLayout, TheVerticalBarStopsWhereTheTopRowStops) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "line\r\n";
  EditorInWindow e(text);
  e.editor.SetScrollBars(ssVertical);
  EXPECT_EQ(e.window.vertical.maximum, 100);
  EXPECT_EQ(e.window.vertical.page, e.editor.VisibleRows());
  e.editor.ScrollBarMoved(EditorScrollBar::Vertical, e.window.vertical.maximum);
  EXPECT_EQ(e.editor.TopRow(), 100);
}

TEST(EditorCoreLayout, TheHorizontalBarStopsWhereTheTopColumnStops) {
  EditorInWindow e("abc");
  e.editor.SetScrollBars(ssBoth);
  EXPECT_EQ(e.window.horizontal.maximum, 1000 - e.editor.VisibleCols() / 2);
}

TEST(EditorCoreLayout, MovingOneColumnPastTheViewScrollsAQuarterOfIt) {
  EditorInWindow e("abc");
  e.window.width = 31 + 4 + 40 * 8;
  e.editor.Resized();
  ASSERT_EQ(e.editor.VisibleCols(), 40);
  e.editor.SetCol(40);
  EXPECT_EQ(e.editor.TopCol(), 10);
}

TEST(EditorCoreLayout, TheUnderlineMakesRowsOnePixelTaller) {
  EditorInWindow e("abc");
  e.editor.Marks()->Underline()->SetVisible(true);
  EXPECT_EQ(e.editor.RowHeight(), 17);
}

TEST(EditorCoreLayout, TheLineNumbersTakeFiveDigitsFor12345Rows) {
  std::string text;
  for (int i = 0; i < 12345; ++i)
    text += "x\r\n";
  EditorInWindow e(text.substr(0, text.size() - 2));
  e.editor.Leftbar()->SetVisible(true);
  EXPECT_EQ(e.editor.LeftbarDigits(), 5);
  EXPECT_EQ(e.editor.LeftbarWidth(), 8 + 5 * 8 + 4 + 2);
}

TEST(EditorCoreLayout, TheCaretIsABarOfTheFontsHeight) {
  EditorInWindow e("abc");
  e.editor.SetCol(2);
  EXPECT_EQ(e.editor.CaretRect(), (EditorRect{31 + 16, 2, 31 + 18, 2 + 16}));
}

TEST(EditorCoreLayout, ABriefCaretUnderADoubleByteCharacterIsTwoCellsWide) {
  EditorInWindow e(Sjis("日本"));
  e.editor.Caret()->SetStyle(csBrief);
  EXPECT_EQ(e.editor.CaretRect(), (EditorRect{31, 2 + 14, 31 + 16, 2 + 16}));
}

TEST(EditorCoreLayout, WithoutTheFocusThereIsNoCaret) {
  EditorInWindow e("abc");
  e.window.focused = false;
  e.editor.FocusLost();
  EXPECT_TRUE(e.editor.CaretRect().Empty());
  EXPECT_TRUE(e.window.Repaints(31, 3));
}

// ---------------------------------------------------------------------------------------------
// The mouse

TEST_F(EditorCoreTest, AClickWithoutMovementAnchorsButSelectsNothing) {
  e.Press(e.EdgeX(2), e.Y(0));
  e.Release(e.EdgeX(2), e.Y(0));
  EXPECT_EQ(editor().SelectionState(), sstAnchored);
  EXPECT_EQ(editor().SelLength(), 0);
  EXPECT_EQ(editor().Col(), 2);
}

TEST_F(EditorCoreTest, AClickRoundsToTheNearestCellBoundary) {
  e.Press(e.EdgeX(2) + 5, e.Y(0));
  EXPECT_EQ(editor().Col(), 3);
}

TEST_F(EditorCoreTest, DraggingLessThanHalfAColumnSelectsNothing) {
  e.Press(e.EdgeX(1), e.Y(0));
  e.Drag(e.EdgeX(1) + 3, e.Y(0));
  EXPECT_EQ(editor().SelectionState(), sstAnchored);
}

TEST_F(EditorCoreTest, DraggingOverRowsSelectsFromTheDownPoint) {
  e.Press(e.EdgeX(1), e.Y(0));
  e.Drag(e.EdgeX(4), e.Y(1));
  e.Release(e.EdgeX(4), e.Y(1));
  EXPECT_EQ(editor().SelText(), "bc\tdef\r\n" + Sjis("日本"));
}

TEST_F(EditorCoreTest, ShiftClickExtendsFromTheCaret) {
  Caret(1, 2);
  e.Press(e.EdgeX(6), e.Y(1), {ssShift});
  EXPECT_EQ(editor().SelText(), Sjis("本語"));
}

TEST_F(EditorCoreTest, TheLeftMarginSelectsARowWithItsLineBreak) {
  e.Press(5, e.Y(1));
  e.Release(5, e.Y(1));
  EXPECT_EQ(editor().SelText(), Sjis("日本語ab") + "\r\n");
  EXPECT_EQ(editor().Row(), 1);
  EXPECT_EQ(editor().Col(), 0);
}

TEST_F(EditorCoreTest, TheLeftMarginSelectsJustTheTextOfALastRowWithoutLineBreak) {
  e.Press(5, e.Y(5));
  EXPECT_EQ(editor().SelText(), "end");
}

TEST_F(EditorCoreTest, DraggingInTheLeftMarginSelectsWholeRowsBothWays) {
  e.Press(5, e.Y(2));
  e.Drag(5, e.Y(3));
  EXPECT_EQ(editor().SelText(), Sjis("x\t漢字\ty") + "\r\n\r\n");
  e.Drag(5, e.Y(1));
  EXPECT_EQ(editor().SelText(), Sjis("日本語ab\r\nx\t漢字\ty") + "\r\n");
}

TEST_F(EditorCoreTest, DraggingASelectionMovesItInOneUndoStep) {
  Select(0, 0, 0, 3);  // "abc"
  e.Press(e.X(1), e.Y(0));
  EXPECT_EQ(editor().DragState(), dsPending);
  e.Drag(e.EdgeX(3), e.Y(5));
  EXPECT_EQ(editor().DragState(), dsDragging);
  EXPECT_EQ(e.window.dragCursor, crDrag);
  e.Release(e.EdgeX(3), e.Y(5));
  EXPECT_EQ(editor().Lines()->Get(0), "\tdef");
  EXPECT_EQ(editor().Lines()->Get(5), "endabc");
  EXPECT_EQ(editor().SelectionState(), sstNone);
  EXPECT_EQ(e.window.dragCursor, 0);
  editor().Undo();
  EXPECT_EQ(editor().Lines()->Text(), Fixture());
}

TEST_F(EditorCoreTest, DroppingOnTheSameRowAfterTheSelectionLandsWhereTheCaretWas) {
  Select(0, 0, 0, 2);  // "ab"
  e.Press(e.X(0), e.Y(0));
  e.Drag(e.EdgeX(10), e.Y(0));
  e.Release(e.EdgeX(10), e.Y(0));
  EXPECT_EQ(editor().Lines()->Get(0), "c\tdeabf");
}

TEST_F(EditorCoreTest, CtrlDraggingASelectionCopiesIt) {
  Select(1, 0, 1, 4);  // 日本
  e.Press(e.X(1), e.Y(1));
  e.Drag(e.EdgeX(0), e.Y(3), {ssCtrl});
  EXPECT_EQ(e.window.dragCursor, crEditorDragSelCopy);
  e.Release(e.EdgeX(0), e.Y(3), {ssCtrl});
  EXPECT_EQ(editor().Lines()->Get(1), Sjis("日本語ab"));
  EXPECT_EQ(editor().Lines()->Get(3), Sjis("日本"));
}

TEST_F(EditorCoreTest, DroppingASelectionOntoItselfLeavesTheText) {
  Select(0, 0, 0, 3);
  e.Press(e.X(0), e.Y(0));
  e.Drag(e.X(2) + 4, e.Y(0) + 6);
  e.Release(e.X(2) + 4, e.Y(0) + 6);
  EXPECT_EQ(editor().Lines()->Text(), Fixture());
  EXPECT_EQ(editor().SelectionState(), sstNone);
}

TEST_F(EditorCoreTest, AClickInsideASelectionWithoutDraggingCancelsIt) {
  Select(0, 0, 0, 3);
  e.Press(e.X(1), e.Y(0));
  e.Release(e.X(1), e.Y(0));
  EXPECT_EQ(editor().SelectionState(), sstNone);
  EXPECT_EQ(editor().Col(), 1);
}

// Nothing is dropped where the mouse is released afterwards. The focus goes last.
TEST_F(EditorCoreTest, EscapeOrLosingTheMouseOrTheFocusEndsADragAndItsCursor) {
  const std::function<void()> endings[] = {[this] { editor().KeyDown(vkEscape, {}, false); },
                                           [this] { editor().MouseCaptureLost(); },
                                           [this] {
                                             e.window.focused = false;
                                             editor().FocusLost();
                                           }};
  for (const auto& end : endings) {
    Select(0, 0, 0, 3);
    e.Press(e.X(1), e.Y(0));
    e.Drag(e.X(1), e.Y(4));
    end();
    EXPECT_EQ(std::tuple(editor().DragState(), e.window.dragCursor), std::tuple(dsNone, 0));
    e.Release(e.X(1), e.Y(4));
    EXPECT_EQ(editor().Lines()->Text(), Fixture());
  }
}

TEST_F(EditorCoreTest, TheCursorTellsTheMarginsAndADraggableSelection) {
  Select(0, 0, 0, 3);
  editor().MouseMove(5, e.Y(2), {});
  EXPECT_EQ(e.window.cursor, crEditorRightArrow);
  editor().MouseMove(e.X(1), e.Y(0), {});
  EXPECT_EQ(e.window.cursor, crDefault);
  editor().MouseMove(e.X(5), e.Y(0), {});
  EXPECT_EQ(e.window.cursor, crIBeam);
}

// ---------------------------------------------------------------------------------------------
// Selection by keys

TEST_F(EditorCoreTest, ShiftWithTheCaretKeysSelectsAndPlainKeysCancel) {
  Caret(1, 0);
  editor().KeyDown(vkRight, {ssShift}, false);
  editor().KeyDown(vkRight, {ssShift}, false);
  editor().KeyDown(vkDown, {ssShift}, false);
  // Cell 4 of row 2 is the tab's fill: a vertical move stops on the tab itself.
  EXPECT_EQ(editor().SelText(), Sjis("日本語ab") + "\r\nx");
  editor().KeyDown(vkLeft, {}, false);
  EXPECT_EQ(editor().SelectionState(), sstNone);
}

TEST_F(EditorCoreTest, ShiftEndAndShiftHomeSelectTheRowsTextBothWays) {
  Caret(2, 8);
  editor().KeyDown(vkEnd, {ssShift}, false);
  EXPECT_EQ(editor().SelText(), Sjis("漢字\ty"));
  editor().KeyDown(vkHome, {ssShift}, false);
  EXPECT_EQ(editor().SelText(), "x\t");
}

TEST_F(EditorCoreTest, CtrlShiftEndSelectsToTheEndOfTheText) {
  Caret(4, 3);
  editor().KeyDown(vkEnd, {ssShift, ssCtrl}, false);
  EXPECT_EQ(editor().SelText(), Sjis("ソ") + "\r\nend");
}

TEST_F(EditorCoreTest, ABoxGrowsWithShiftAndTheCaretKeys) {
  editor().SetSelectionMode(smBox);
  Caret(0, 1);
  editor().KeyDown(vkDown, {ssShift}, false);
  editor().KeyDown(vkRight, {ssShift}, false);
  editor().KeyDown(vkRight, {ssShift}, false);
  // Down lands on 日's second half and steps back to column 0; each Right then crosses a
  // double-byte character.
  EXPECT_EQ(editor().SelectionCells(), (TSelectionCells{0, 1, 1, 4}));
}

// ---------------------------------------------------------------------------------------------
// Repainting

TEST_F(EditorCoreTest, TypingInARowRepaintsThatRowAndMovesNoPixels) {
  Caret(1, 2);
  e.window.ClearRecords();
  editor().KeyPress("x", {});
  EXPECT_TRUE(e.window.scrolls.empty());
  EXPECT_TRUE(e.window.Repaints(e.X(3), e.Y(1)));
  EXPECT_FALSE(e.window.Repaints(e.X(3), e.Y(3)));
}

TEST_F(EditorCoreTest, InsertingALineMovesTheRowsBelowItDownOneRow) {
  Caret(1, 0);
  e.window.ClearRecords();
  editor().InsertText("new\r\n");
  ASSERT_EQ(e.window.scrolls.size(), 2u);  // the text, and the image bar beside it
  // Row 1 became rows 1 and 2 (both painted anew); what stood from row 2 down moves one row.
  EXPECT_EQ(e.window.scrolls[0].dy, 16);
  EXPECT_EQ(e.window.scrolls[0].area.Top, editor().RowTop(2));
  EXPECT_EQ(e.window.scrolls[0].area.Left, editor().TextLeft());
  EXPECT_TRUE(e.window.Repaints(e.X(0), e.Y(1)));
  EXPECT_TRUE(e.window.Repaints(e.X(0), e.Y(2)));
  EXPECT_FALSE(e.window.Repaints(e.X(0), e.Y(4)));
}

TEST_F(EditorCoreTest, ExtendingASelectionByOneColumnRepaintsThatCell) {
  Select(0, 0, 0, 1);
  e.window.ClearRecords();
  editor().KeyDown(vkRight, {ssShift}, false);
  EXPECT_TRUE(e.window.Repaints(e.X(1), e.Y(0)));
  EXPECT_FALSE(e.window.Repaints(e.X(0), e.Y(0)));
  EXPECT_FALSE(e.window.Repaints(e.X(3), e.Y(0)));
}

TEST_F(EditorCoreTest, ScrollingOneRowMovesThePixelsAndRepaintsNothingElse) {
  std::string text;
  for (int i = 0; i < 60; ++i)
    text += "line\r\n";
  editor().Lines()->SetText(text);
  e.window.ClearRecords();
  editor().SetTopRow(1);
  ASSERT_EQ(e.window.scrolls.size(), 1u);
  EXPECT_EQ(e.window.scrolls[0].dy, -16);
  EXPECT_EQ(e.window.scrolls[0].area, (EditorRect{0, 2, 400, 300}));
}

// ---------------------------------------------------------------------------------------------
// Search hits, shared rows, references and streaming

TEST_F(EditorCoreTest, AHitDrawnAsSuchUsesTheHitColours) {
  editor().SetHitStyle(hsDraw);
  Caret(0, 1);
  editor().SetHitLength(2);
  EXPECT_EQ(editor().SelectionState(), sstHit);
  ASSERT_TRUE(editor().RowSelection(0).has_value());
  EXPECT_TRUE(editor().RowSelection(0)->Hit);
  EXPECT_EQ(editor().SelText(), "bc");
}

TEST_F(EditorCoreTest, AHitShownByTheCaretIsABlockOverIt) {
  editor().SetHitStyle(hsCaret);
  Caret(1, 2);
  editor().SetHitLength(4);  // 本語
  EXPECT_FALSE(editor().RowSelection(1).has_value());
  EXPECT_EQ(editor().Col(), 2);
  const EditorRect caret = editor().CaretRect();
  EXPECT_EQ(caret.Width(), 4 * 8);
  EXPECT_EQ(caret.Height(), 16);
  editor().KeyDown(vkRight, {}, false);
  EXPECT_EQ(editor().SelectionState(), sstNone);
  EXPECT_EQ(editor().CaretRect().Width(), 2);
}

TEST(EditorCoreShared, EditorsSharingRowsShareTheTextAndTheHistory) {
  EditorInWindow a("first\r\n");
  EditorCore b;
  b.ShareScreenStrings(a.editor);
  a.editor.InsertText("x");
  EXPECT_EQ(b.Lines()->Text(), "xfirst\r\n");
  b.Undo();
  EXPECT_EQ(a.editor.Lines()->Text(), "first\r\n");
}

TEST(EditorCoreShared, AFountainThatIsFreedIsForgotten) {
  EditorInWindow e("a");
  auto fountain = std::make_unique<TEditorFountain>();
  e.editor.SetFountain(fountain.get());
  EXPECT_EQ(&e.editor.ActiveFountain(), fountain.get());
  fountain.reset();
  EXPECT_EQ(e.editor.Fountain(), nullptr);
  EXPECT_EQ(&e.editor.ActiveFountain(), e.editor.View()->EditorFountain());
}

TEST(EditorCoreShared, AnImageListThatIsFreedIsForgotten) {
  EditorCore editor;
  auto digits = std::make_unique<TEditorImageList>(8, 11, 0x0000FF);
  editor.SetImageDigits(digits.get());
  editor.SetImageMarks(digits.get());
  digits.reset();
  EXPECT_EQ(editor.ImageDigits(), nullptr);
  EXPECT_EQ(editor.ImageMarks(), nullptr);
}

TEST(EditorCoreShared, TheOptionsAndTheLinesGoThroughTheComponentStream) {
  EditorCore source;
  source.Lines()->SetText("one\r\n" + Sjis("二") + "\r\n");
  source.SetReadOnly(true);
  source.SetScrollBars(ssVertical);
  source.SetUndoListMax(100);
  source.Ruler()->SetVisible(true);
  source.Caret()->SetTabSpaceCount(4);
  EditorCore copy;
  LoadComponentFromBytes(SaveComponentToBytes(source), copy);
  EXPECT_EQ(copy.Lines()->Text(), "one\r\n" + Sjis("二") + "\r\n");
  EXPECT_TRUE(copy.ReadOnly());
  EXPECT_EQ(copy.ScrollBars(), ssVertical);
  EXPECT_EQ(copy.UndoListMax(), 100);
  EXPECT_TRUE(copy.Ruler()->Visible());
  EXPECT_EQ(copy.Rows().TabSpaceCount(), 4);
}

TEST(EditorCoreLayout, LogicalLineNumbersStandOnTheFirstRowOfEachLine) {
  EditorInWindow e(std::string(30, 'a') + "\r\nb\r\n");
  e.editor.WrapOption()->SetWrapByte(20);
  e.editor.SetWordWrap(true);
  e.editor.Leftbar()->SetShowNumberMode(nmLine);
  EXPECT_EQ(e.editor.LineNumber(0), 1);
  EXPECT_EQ(e.editor.LineNumber(1), std::nullopt);
  EXPECT_EQ(e.editor.LineNumber(2), 2);
  EXPECT_EQ(e.editor.LineNumber(3), 3);  // the place after the final line break
}

TEST(EditorCoreLayout, WithLockScrollTheScrollBarTakesTheCaretAlong) {
  std::string text;
  for (int i = 0; i < 50; ++i)
    text += "line\r\n";
  EditorInWindow e(text);
  e.editor.Caret()->SetLockScroll(true);
  e.editor.SetRow(3);
  e.editor.ScrollBarMoved(EditorScrollBar::Vertical, 10);
  EXPECT_EQ(e.editor.TopRow(), 10);
  EXPECT_EQ(e.editor.Row(), 13);
}

}  // namespace
}  // namespace vrel
