// The editor core's keys and typed characters over rows of single- and double-byte text: the text,
// the caret and the undo history after each key; Enter's indent, Backspace's unindent, Delete;
// Unicode text that CP932 cannot hold; the moves by tokens and the token under a point.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/EditorCore.h"
#include "editor/EditorKeys.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "platform/Cp932.h"
#include "tests/editor/FakeWindow.h"

namespace vrel {
namespace {

std::string Sjis(const char* utf8) {
  return Utf8ToCp932(utf8);
}

void Key(EditorCore& e, int key, TShiftState shift = {}) {
  e.KeyDown(key, shift, false);
}

void Type(EditorCore& e, const std::string& text, TShiftState shift = {}) {
  e.KeyPress(text, shift);
}

struct Place {
  int row = 0;
  int col = 0;
  bool operator==(const Place&) const = default;
};

Place CaretOf(const EditorCore& e) {
  return {e.Row(), e.Col()};
}

std::ostream& operator<<(std::ostream& out, const Place& p) {
  return out << "(" << p.row << ", " << p.col << ")";
}

// ---------------------------------------------------------------------------------------------
// A sequence of keys, each checked by its text, caret and undo state

struct Step {
  const char* name;
  std::function<void(EditorCore&)> keys;
  std::string text;
  Place caret;
};

TEST(EditorKeys, ASequenceOfKeysLeavesTheTextCaretAndHistoryAsEachKeySays) {
  // Row 0 日本語 abc (10 cells), row 1 four spaces, x and two half-width kana, row 2 "end" without
  // a line break.
  const std::string start = Sjis("日本語 abc") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend";
  EditorInWindow w(start);
  EditorCore& e = w.editor;
  const std::vector<Step> steps = {
      {"End", [](EditorCore& e) { Key(e, vkEnd); }, start, {0, 10}},
      {"type !",
       [](EditorCore& e) { Type(e, "!"); },
       Sjis("日本語 abc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {0, 11}},
      {"Ctrl+Left onto the symbol",
       [](EditorCore& e) { Key(e, vkLeft, {ssCtrl}); },
       Sjis("日本語 abc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {0, 10}},
      {"Ctrl+Left onto the word",
       [](EditorCore& e) { Key(e, vkLeft, {ssCtrl}); },
       Sjis("日本語 abc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {0, 7}},
      {"Ctrl+Left onto the kanji",
       [](EditorCore& e) { Key(e, vkLeft, {ssCtrl}); },
       Sjis("日本語 abc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {0, 0}},
      {"Ctrl+Right over the blank",
       [](EditorCore& e) { Key(e, vkRight, {ssCtrl}); },
       Sjis("日本語 abc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {0, 7}},
      {"Delete",
       [](EditorCore& e) { Key(e, vkDelete); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {0, 7}},
      {"Down",
       [](EditorCore& e) { Key(e, vkDown); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {1, 7}},
      {"Enter keeps the indent",
       [](EditorCore& e) { Type(e, "\r"); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\n    \r\nend",
       {2, 4}},
      {"type y",
       [](EditorCore& e) { Type(e, "y"); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\n    y\r\nend",
       {2, 5}},
      {"Backspace",
       [](EditorCore& e) { Type(e, "\b"); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\n    \r\nend",
       {2, 4}},
      {"Backspace unindents",
       [](EditorCore& e) { Type(e, "\b"); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\n\r\nend",
       {2, 0}},
      {"Backspace joins",
       [](EditorCore& e) { Type(e, "\b"); },
       Sjis("日本語 bc!") + "\r\n    x" + Sjis("ｶﾅ") + "\r\nend",
       {1, 7}},
  };
  int edits = 0;
  std::vector<std::string> texts = {start};
  for (const Step& step : steps) {
    step.keys(e);
    EXPECT_EQ(e.Lines()->Text(), step.text) << step.name;
    EXPECT_EQ(CaretOf(e), step.caret) << step.name;
    if (step.text != texts.back()) {
      texts.push_back(step.text);
      ++edits;
    }
    EXPECT_EQ(e.CanUndo(), edits > 0) << step.name;
  }
  // Each edit is one step of the history, back to the start and forward again.
  for (int i = edits - 1; i >= 0; --i) {
    e.Undo();
    EXPECT_EQ(e.Lines()->Text(), texts[static_cast<std::size_t>(i)]);
  }
  EXPECT_FALSE(e.CanUndo());
  for (int i = 1; i <= edits; ++i) {
    e.Redo();
    EXPECT_EQ(e.Lines()->Text(), texts[static_cast<std::size_t>(i)]);
  }
}

// ---------------------------------------------------------------------------------------------
// Typed text

TEST(EditorKeys, TypingAtAFreeCaretPastTheRowsEndFillsTheGapWithSpaces) {
  EditorInWindow w("abc\r\n");
  w.editor.SetCol(10);
  Type(w.editor, "a");
  EXPECT_EQ(w.editor.Lines()->Text(), "abc       a\r\n");
}

TEST(EditorKeys, TypingOnPastTheWrapWidthKeepsTheCaretAfterTheLastCharacter) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  for (char c = 'a'; c < 'a' + 22; ++c)
    Type(w.editor, std::string(1, c));
  EXPECT_EQ(w.editor.Lines()->Text(), "abcdefghijklmnopqrstuv");
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 2}));
}

TEST(EditorKeys, TypedUnicodeTextIsConvertedWholeAndIsOneUndoStep) {
  EditorInWindow w("ab\r\n");
  w.editor.SetCol(1);
  EXPECT_TRUE(w.editor.TypeUnicode("日本ｶﾞ"));
  EXPECT_EQ(w.editor.Lines()->Text(), "a" + Sjis("日本ｶﾞ") + "b\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 7}));
  w.editor.Undo();
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

TEST(EditorKeys, UnicodeTextWithACharacterCp932LacksIsReportedAndNothingOfItIsTyped) {
  EditorInWindow w("ab\r\n");
  std::string reported;
  w.editor.OnUnmappableText = [&reported](const std::string& text) { reported = text; };
  // Hangul has no CP932 form.
  EXPECT_FALSE(w.editor.TypeUnicode("x한y"));
  EXPECT_EQ(reported, "x한y");
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
  EXPECT_FALSE(w.editor.CanUndo());
  EXPECT_FALSE(w.editor.Modified());
}

TEST(EditorKeys, PastedTextWithACharacterCp932LacksIsReportedAndNothingIsPasted) {
  EditorInWindow w("ab\r\n");
  std::string reported;
  w.editor.OnUnmappableText = [&reported](const std::string& text) { reported = text; };
  w.window.clipboard.blocks[EditorCore::kTextMimeType] = "n€w 😀";
  w.editor.PasteFromClipboard();
  EXPECT_EQ(reported, "n€w 😀");
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

TEST(EditorKeys, ControlCharactersOtherThanTheEditingOnesTypeNothing) {
  EditorInWindow w("ab\r\n");
  Type(w.editor, "\x1b");
  Type(w.editor, "\x7f");
  Type(w.editor, "\r", {ssCtrl});
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

TEST(EditorKeys, KeysAreNotTypedWhileTheLeftButtonIsHeld) {
  EditorInWindow w("ab\r\n");
  w.window.leftDown = true;
  Type(w.editor, "x");
  Key(w.editor, vkDelete);
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

// ---------------------------------------------------------------------------------------------
// Enter

TEST(EditorKeys, EnterSplitsTheRowAndGivesTheNewRowTheIndentOfTheLine) {
  EditorInWindow w("    abc\r\n");
  w.editor.SetCol(6);
  Type(w.editor, "\r");
  EXPECT_EQ(w.editor.Lines()->Text(), "    ab\r\n    c\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 4}));
}

TEST(EditorKeys, WithTabIndentAnIndentOfTenIsATabAndTwoSpaces) {
  EditorInWindow w("          x\r\n");
  w.editor.Caret()->SetTabIndent(true);
  w.editor.SetCol(11);
  Type(w.editor, "\r");
  EXPECT_EQ(w.editor.Lines()->Text(), "          x\r\n\t  \r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 10}));
}

TEST(EditorKeys, EnterInsideTheIndentIndentsTheNewRowToTheCaret) {
  EditorInWindow w("    abc\r\n");
  w.editor.SetCol(2);
  Type(w.editor, "\r");
  EXPECT_EQ(w.editor.Lines()->Text(), "  \r\n    abc\r\n");
}

TEST(EditorKeys, EnterOnAnEmptyLineTakesTheIndentOfTheNearestLineAboveWithText) {
  EditorInWindow w("   x\r\n\r\n\r\n");
  w.editor.Caret()->SetPrevSpaceIndent(true);
  w.editor.SetRow(2);
  Type(w.editor, "\r");
  EXPECT_EQ(w.editor.Lines()->Text(), "   x\r\n\r\n\r\n   \r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{3, 3}));
}

TEST(EditorKeys, ShiftEnterOpensALineAboveTheCaretsLine) {
  EditorInWindow w("  one\r\ntwo\r\n");
  w.editor.SetCol(4);
  Type(w.editor, "\r", {ssShift});
  EXPECT_EQ(w.editor.Lines()->Text(), "  \r\n  one\r\ntwo\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 2}));
}

TEST(EditorKeys, ShiftEnterWithASelectionChangesNothing) {
  EditorInWindow w("one\r\n");
  w.editor.SelectAll();
  Type(w.editor, "\r", {ssShift});
  EXPECT_EQ(w.editor.Lines()->Text(), "one\r\n");
  EXPECT_TRUE(w.editor.Selected());
}

TEST(EditorKeys, EnterReplacesTheSelection) {
  EditorInWindow w("one two\r\n");
  w.editor.SetSel(3, 4);
  Type(w.editor, "\r");
  EXPECT_EQ(w.editor.Lines()->Text(), "one\r\ntwo\r\n");
}

TEST(EditorKeys, EnterOnThePlaceAfterTheLastLineAddsAnEmptyLine) {
  EditorInWindow w("one\r\n");
  w.editor.SetRow(1);
  Type(w.editor, "\r");
  EXPECT_EQ(w.editor.Lines()->Text(), "one\r\n\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{2, 0}));
}

// ---------------------------------------------------------------------------------------------
// Backspace

TEST(EditorKeys, BackspaceDeletesADoubleByteCharacterWhole) {
  EditorInWindow w(Sjis("日本語") + "\r\n");
  w.editor.SetCol(4);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), Sjis("日語") + "\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 2}));
}

TEST(EditorKeys, BackspaceAtColumn0OfAWrappedRowDeletesTheLastCharacterOfTheRowAbove) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  // 18 letters and a kanji fill the first row; the rest wraps.
  w.editor.Lines()->SetText("abcdefghijklmnopqr" + Sjis("漢") + "xyz\r\n");
  ASSERT_EQ(w.editor.Rows().Get(1), "xyz");
  w.editor.SetRow(1);
  w.editor.SetCol(0);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "abcdefghijklmnopqrxyz\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 18}));
}

TEST(EditorKeys, BackspaceAtTheStartOfALineJoinsItToTheLineAbove) {
  EditorInWindow w("ab\r\ncd");
  w.editor.SetRow(1);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "abcd");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 2}));
}

TEST(EditorKeys, BackspaceOnThePlaceAfterTheLastLineTakesTheFinalLineBreak) {
  EditorInWindow w("ab\r\n");
  w.editor.SetRow(1);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "ab");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 2}));
}

TEST(EditorKeys, BackspaceInATabsFillDeletesTheTab) {
  EditorInWindow w("a\tb\r\n");
  w.editor.Caret()->SetInTab(true);
  w.editor.Caret()->SetBackSpaceUnIndent(false);
  w.editor.SetCol(4);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

TEST(EditorKeys, BackspaceAtTheIndentGoesBackToTheLesserIndentAbove) {
  EditorInWindow w("  a\r\n    b\r\n      c\r\n");
  w.editor.SetRow(2);
  w.editor.SetCol(6);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "  a\r\n    b\r\n    c\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{2, 4}));
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "  a\r\n    b\r\n  c\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{2, 2}));
}

TEST(EditorKeys, UnindentThroughATabKeepsTheTextAfterItInItsColumn) {
  EditorInWindow w("    a\r\n\tb\r\n");
  w.editor.SetRow(1);
  w.editor.SetCol(8);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "    a\r\n    b\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 4}));
}

TEST(EditorKeys, UnindentOnAnEmptyRowOnlyMovesTheFreeCaret) {
  EditorInWindow w("    a\r\n\r\n");
  w.editor.SetRow(1);
  w.editor.SetCol(9);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "    a\r\n\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 4}));
  EXPECT_FALSE(w.editor.CanUndo());
}

TEST(EditorKeys, BackspaceWithAFreeCaretPastTheRowsEndOnlyMovesTheCaret) {
  EditorInWindow w("ab\r\n");
  w.editor.Caret()->SetBackSpaceUnIndent(false);
  w.editor.SetCol(5);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 4}));
}

TEST(EditorKeys, BackspaceInAReadOnlyEditorDoesNothing) {
  EditorInWindow w("ab\r\n");
  w.editor.SetReadOnly(true);
  w.editor.SetCol(2);
  Type(w.editor, "\b");
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

// ---------------------------------------------------------------------------------------------
// Delete

TEST(EditorKeys, DeleteOnALeadCellDeletesTheCharacterWhole) {
  EditorInWindow w("a" + Sjis("ソ") + "b\r\n");
  w.editor.SetCol(1);
  Key(w.editor, vkDelete);
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 1}));
}

TEST(EditorKeys, DeletePastTheRowsEndJoinsTheNextLinePaddedToTheCaret) {
  EditorInWindow w("ab\r\ncd\r\n");
  w.editor.SetCol(4);
  Key(w.editor, vkDelete);
  EXPECT_EQ(w.editor.Lines()->Text(), "ab  cd\r\n");
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 4}));
}

TEST(EditorKeys, DeleteAtTheEndOfATextWithoutFinalLineBreakDoesNothing) {
  EditorInWindow w("ab\r\ncd");
  w.editor.SetRow(1);
  w.editor.SetCol(2);
  Key(w.editor, vkDelete);
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\ncd");
  EXPECT_FALSE(w.editor.CanUndo());
}

TEST(EditorKeys, DeleteAtTheEndOfTheLastLineTakesTheFinalLineBreak) {
  EditorInWindow w("ab\r\n");
  w.editor.SetCol(2);
  Key(w.editor, vkDelete);
  EXPECT_EQ(w.editor.Lines()->Text(), "ab");
}

// ---------------------------------------------------------------------------------------------
// Tokens

TEST(EditorKeys, CtrlRightAtARowsEndGoesToTheFirstWordOfTheNextRow) {
  EditorInWindow w("ab\r\n   cd ef\r\n");
  w.editor.SetCol(2);
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 3}));
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 6}));
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 8}));
}

TEST(EditorKeys, CtrlLeftAtColumn0StopsAtTheEndOfTheLineAbove) {
  EditorInWindow w("ab cd\r\nef\r\n");
  w.editor.SetRow(1);
  Key(w.editor, vkLeft, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 5}));
  Key(w.editor, vkLeft, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 3}));
}

TEST(EditorKeys, TokenEndStopStopsAtTheEndsOfTokensToo) {
  EditorInWindow w("ab  cd\r\n");
  w.editor.Caret()->SetTokenEndStop(true);
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 2}));
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 4}));
  Key(w.editor, vkLeft, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 2}));
}

TEST(EditorKeys, CtrlMovesCountTabsAsTheirCells) {
  EditorInWindow w("a\tb" + Sjis("漢字") + "c\r\n");
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 8}));
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 9}));
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{0, 13}));
}

TEST(EditorKeys, CtrlRightOnAWrappedRowWithoutAnotherWordGoesToTheNextRow) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  w.editor.Lines()->SetText("abcdefghijklmnopqrstuvwxyz\r\n");
  Key(w.editor, vkRight, {ssCtrl});
  EXPECT_EQ(CaretOf(w.editor), (Place{1, 0}));
}

TEST(EditorKeys, ShiftCtrlRightSelectsToTheNextWord) {
  EditorInWindow w("ab cd\r\n");
  Key(w.editor, vkRight, {ssCtrl, ssShift});
  EXPECT_EQ(w.editor.SelText(), "ab ");
}

TEST(EditorKeys, ThePlaceUnderAPointInATabsFillIsTheTab) {
  EditorInWindow w("a\tb\r\n");
  int row = 0;
  int byte = 0;
  EXPECT_TRUE(w.editor.PosToCharPos(w.X(5), w.Y(0), row, byte));
  EXPECT_EQ(row, 0);
  EXPECT_EQ(byte, 1);
}

TEST(EditorKeys, APointPastTheRowsTextHasNoByte) {
  EditorInWindow w("ab\r\n");
  int row = 0;
  int byte = 0;
  EXPECT_FALSE(w.editor.PosToCharPos(w.X(7), w.Y(0), row, byte));
  EXPECT_EQ(row, 0);
  EXPECT_EQ(byte, -1);
}

TEST(EditorKeys, TheTokenUnderAPointIsReadFromItsWholeLogicalLine) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  w.editor.Lines()->SetText("0123456789 abcdefghijklmnop\r\n");
  ASSERT_EQ(w.editor.Rows().Count(), 2);
  std::string token;
  int kind = 0;
  w.editor.GetTokenAt(w.EdgeX(2), w.Y(1), false, token, kind);
  EXPECT_EQ(token, "abcdefghijklmnop");
  EXPECT_EQ(kind, toAnk);
}

TEST(EditorKeys, TheTokenUnderABlankIsNothing) {
  EditorInWindow w("ab  cd\r\n");
  std::string token = "x";
  int kind = 1;
  w.editor.GetTokenAt(w.EdgeX(3), w.Y(0), true, token, kind);
  EXPECT_EQ(token, "");
  EXPECT_EQ(kind, 0);
}

TEST(EditorKeys, SelectingTheTokenUnderAPointSelectsItsBytes) {
  EditorInWindow w("ab " + Sjis("日本語") + " cd\r\n");
  w.editor.SelectTokenAt(w.EdgeX(4), w.Y(0), true);
  EXPECT_EQ(w.editor.SelText(), Sjis("日本語"));
  EXPECT_EQ(w.editor.SelStart(), 3);
}

}  // namespace
}  // namespace vrel
