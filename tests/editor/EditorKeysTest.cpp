// The editor core's keys and typed characters over rows of single- and double-byte text: the text,
// the caret and the undo history after each key; Enter's indent, Backspace's unindent, Delete;
// Unicode text that CP932 cannot hold; the moves by tokens and the token under a point.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"
#include "tests/editor/FakeWindow.h"

namespace vrel {
namespace {

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

// A key, or characters typed, with the shift state.
struct Stroke {
  std::string typed;
  int key = 0;
  TShiftState shift = {};
};

const Stroke kEnter{"\r"};
const Stroke kShiftEnter{"\r", 0, {ssShift}};
const Stroke kBackspace{"\b"};
const Stroke kDelete{"", vkDelete};

void Press(EditorCore& e, const Stroke& stroke) {
  if (stroke.key != 0)
    Key(e, stroke.key, stroke.shift);
  else
    Type(e, stroke.typed, stroke.shift);
}

// ---------------------------------------------------------------------------------------------
// One key on a text: the text and the caret after it. A key that changed the text is undone (in one
// step when nothing was selected) and redone; a key that changes nothing leaves no undo step and
// keeps the selection.

void WrapAt20(EditorInWindow& w) {
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
}

// Where the caret is not placed by the case (the setup placed it or the selection) or not checked.
constexpr Place kAsItIs{-1, -1};

using Setup = std::function<void(EditorInWindow&)>;

struct KeyEdit {
  const char* name;
  std::string text;
  Place at;
  Stroke stroke;
  std::string after;
  Place caret;
  Setup setup;
};

std::ostream& operator<<(std::ostream& out, const KeyEdit& c) {
  return out << c.name;
}

KeyEdit Edit(const char* name, std::string text, Place at, Stroke stroke, std::string after, Place caret = kAsItIs,
             Setup setup = {}) {
  return {name, std::move(text), at, std::move(stroke), std::move(after), caret, std::move(setup)};
}

const KeyEdit kKeyEdits[] = {
    Edit("TypingAtAFreeCaretPastTheRowsEndFillsTheGapWithSpaces", "abc\r\n", {0, 10}, {"a"}, "abc       a\r\n",
         {0, 11}),
    Edit("EscapeTypesNothing", "ab\r\n", {0, 0}, {"\x1b"}, "ab\r\n"),
    Edit("DelCharacterTypesNothing", "ab\r\n", {0, 0}, {"\x7f"}, "ab\r\n"),
    Edit("CtrlEnterTypesNothing", "ab\r\n", {0, 0}, {"\r", 0, {ssCtrl}}, "ab\r\n"),
    Edit("KeysAreNotTypedWhileTheLeftButtonIsHeld", "ab\r\n", {0, 0}, {"x"}, "ab\r\n", kAsItIs,
         [](EditorInWindow& w) { w.window.leftDown = true; }),
    Edit("DeleteIsNotDoneWhileTheLeftButtonIsHeld", "ab\r\n", {0, 0}, kDelete, "ab\r\n", kAsItIs,
         [](EditorInWindow& w) { w.window.leftDown = true; }),
    // Enter
    Edit("EnterSplitsTheRowAndGivesTheNewRowTheIndentOfTheLine", "    abc\r\n", {0, 6}, kEnter, "    ab\r\n    c\r\n",
         {1, 4}),
    Edit("WithTabIndentAnIndentOfTenIsATabAndTwoSpaces", "          x\r\n", {0, 11}, kEnter, "          x\r\n\t  \r\n",
         {1, 10}, [](EditorInWindow& w) { w.editor.Caret()->SetTabIndent(true); }),
    Edit("EnterInsideTheIndentIndentsTheNewRowToTheCaret", "    abc\r\n", {0, 2}, kEnter, "  \r\n    abc\r\n"),
    Edit("EnterOnAnEmptyLineTakesTheIndentOfTheNearestLineAboveWithText", "   x\r\n\r\n\r\n", {2, 0}, kEnter,
         "   x\r\n\r\n\r\n   \r\n", {3, 3}, [](EditorInWindow& w) { w.editor.Caret()->SetPrevSpaceIndent(true); }),
    Edit("ShiftEnterOpensALineAboveTheCaretsLine", "  one\r\ntwo\r\n", {0, 4}, kShiftEnter, "  \r\n  one\r\ntwo\r\n",
         {0, 2}),
    Edit("ShiftEnterWithASelectionChangesNothing", "one\r\n", kAsItIs, kShiftEnter, "one\r\n", kAsItIs,
         [](EditorInWindow& w) { w.editor.SelectAll(); }),
    Edit("EnterReplacesTheSelection", "one two\r\n", kAsItIs, kEnter, "one\r\ntwo\r\n", kAsItIs,
         [](EditorInWindow& w) { w.editor.SetSel(3, 4); }),
    Edit("EnterOnThePlaceAfterTheLastLineAddsAnEmptyLine", "one\r\n", {1, 0}, kEnter, "one\r\n\r\n", {2, 0}),
    // Backspace
    Edit("BackspaceDeletesADoubleByteCharacterWhole", Sjis("日本語") + "\r\n", {0, 4}, kBackspace,
         Sjis("日語") + "\r\n", {0, 2}),
    Edit("BackspaceAtColumn0OfAWrappedRowDeletesTheLastCharacterOfTheRowAbove",
         "abcdefghijklmnopqr" + Sjis("漢") + "xyz\r\n", {1, 0}, kBackspace, "abcdefghijklmnopqrxyz\r\n", {0, 18},
         WrapAt20),
    Edit("BackspaceAtTheStartOfALineJoinsItToTheLineAbove", "ab\r\ncd", {1, 0}, kBackspace, "abcd", {0, 2}),
    Edit("BackspaceOnThePlaceAfterTheLastLineTakesTheFinalLineBreak", "ab\r\n", {1, 0}, kBackspace, "ab", {0, 2}),
    Edit("BackspaceInATabsFillDeletesTheTab", "a\tb\r\n", {0, 4}, kBackspace, "ab\r\n", kAsItIs,
         [](EditorInWindow& w) {
           w.editor.Caret()->SetInTab(true);
           w.editor.Caret()->SetBackSpaceUnIndent(false);
         }),
    Edit("BackspaceAtTheIndentGoesBackToTheLesserIndentAbove", "  a\r\n    b\r\n      c\r\n", {2, 6}, kBackspace,
         "  a\r\n    b\r\n    c\r\n", {2, 4}),
    Edit("BackspaceAtAnIndentEqualToTheOneAboveGoesFurtherBack", "  a\r\n    b\r\n    c\r\n", {2, 4}, kBackspace,
         "  a\r\n    b\r\n  c\r\n", {2, 2}),
    Edit("UnindentThroughATabKeepsTheTextAfterItInItsColumn", "    a\r\n\tb\r\n", {1, 8}, kBackspace,
         "    a\r\n    b\r\n", {1, 4}),
    Edit("UnindentOnAnEmptyRowOnlyMovesTheFreeCaret", "    a\r\n\r\n", {1, 9}, kBackspace, "    a\r\n\r\n", {1, 4}),
    Edit("BackspaceWithAFreeCaretPastTheRowsEndOnlyMovesTheCaret", "ab\r\n", {0, 5}, kBackspace, "ab\r\n", {0, 4},
         [](EditorInWindow& w) { w.editor.Caret()->SetBackSpaceUnIndent(false); }),
    Edit("BackspaceInAReadOnlyEditorDoesNothing", "ab\r\n", {0, 2}, kBackspace, "ab\r\n", kAsItIs,
         [](EditorInWindow& w) { w.editor.SetReadOnly(true); }),
    // Delete
    Edit("DeleteOnALeadCellDeletesTheCharacterWhole", "a" + Sjis("ソ") + "b\r\n", {0, 1}, kDelete, "ab\r\n", {0, 1}),
    Edit("DeletePastTheRowsEndJoinsTheNextLinePaddedToTheCaret", "ab\r\ncd\r\n", {0, 4}, kDelete, "ab  cd\r\n", {0, 4}),
    Edit("DeleteAtTheEndOfATextWithoutFinalLineBreakDoesNothing", "ab\r\ncd", {1, 2}, kDelete, "ab\r\ncd"),
    Edit("DeleteAtTheEndOfTheLastLineTakesTheFinalLineBreak", "ab\r\n", {0, 2}, kDelete, "ab"),
};

class EditorKeyEdit : public ::testing::TestWithParam<KeyEdit> {};

TEST_P(EditorKeyEdit, LeavesTheTextAndTheCaretItSays) {
  const KeyEdit& c = GetParam();
  EditorInWindow w(c.text);
  if (c.setup)
    c.setup(w);
  if (c.at != kAsItIs) {
    w.editor.SetRow(c.at.row);
    w.editor.SetCol(c.at.col);
  }
  const bool selected = w.editor.Selected();
  Press(w.editor, c.stroke);
  EXPECT_EQ(w.editor.Lines()->Text(), c.after);
  if (c.caret != kAsItIs) {
    EXPECT_EQ(CaretOf(w.editor), c.caret);
  }
  if (c.after == c.text) {
    EXPECT_FALSE(w.editor.CanUndo());
    EXPECT_EQ(w.editor.Selected(), selected);
  } else {
    w.editor.Undo();
    EXPECT_TRUE(selected || !w.editor.CanUndo()) << "a key without a selection is more than one step";
    while (w.editor.CanUndo())
      w.editor.Undo();
    EXPECT_EQ(w.editor.Lines()->Text(), c.text);
    while (w.editor.CanRedo())
      w.editor.Redo();
    EXPECT_EQ(w.editor.Lines()->Text(), c.after);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorKeys, EditorKeyEdit, ::testing::ValuesIn(kKeyEdits),
                         [](const ::testing::TestParamInfo<KeyEdit>& test) { return std::string(test.param.name); });

TEST(EditorKeys, TypingOnPastTheWrapWidthKeepsTheCaretAfterTheLastCharacter) {
  EditorInWindow w;
  WrapAt20(w);
  for (char c = 'a'; c < 'a' + 22; ++c)
    Type(w.editor, std::string(1, c));
  EXPECT_EQ(std::tuple(w.editor.Lines()->Text(), CaretOf(w.editor)), std::tuple("abcdefghijklmnopqrstuv", Place{1, 2}));
}

TEST(EditorKeys, TypedUnicodeTextIsConvertedWholeAndIsOneUndoStep) {
  EditorInWindow w("ab\r\n");
  w.editor.SetCol(1);
  EXPECT_TRUE(w.editor.TypeUnicode("日本ｶﾞ"));
  EXPECT_EQ(std::tuple(w.editor.Lines()->Text(), CaretOf(w.editor)),
            std::tuple("a" + Sjis("日本ｶﾞ") + "b\r\n", Place{0, 7}));
  w.editor.Undo();
  EXPECT_EQ(w.editor.Lines()->Text(), "ab\r\n");
}

TEST(EditorKeys, UnicodeTextWithACharacterCp932LacksIsReportedAndNothingOfItIsTyped) {
  EditorInWindow w("ab\r\n");
  std::string reported;
  w.editor.OnUnmappableText = [&reported](const std::string& text) { reported = text; };
  // Hangul has no CP932 form.
  EXPECT_FALSE(w.editor.TypeUnicode("x한y"));
  EXPECT_EQ(std::tuple(reported, w.editor.Lines()->Text(), w.editor.CanUndo(), w.editor.Modified()),
            std::tuple("x한y", "ab\r\n", false, false));
}

TEST(EditorKeys, PastedTextWithACharacterCp932LacksIsReportedAndNothingIsPasted) {
  EditorInWindow w("ab\r\n");
  std::string reported;
  w.editor.OnUnmappableText = [&reported](const std::string& text) { reported = text; };
  w.window.clipboard.blocks[EditorCore::kTextMimeType] = "n€w 😀";
  w.editor.PasteFromClipboard();
  EXPECT_EQ(std::tuple(reported, w.editor.Lines()->Text()), std::tuple("n€w 😀", "ab\r\n"));
}

// ---------------------------------------------------------------------------------------------
// Tokens

// Ctrl with Left or Right, pressed in turn from the start of a text: the caret after each press.
struct CtrlWalk {
  const char* name;
  std::string text;
  Place from;
  std::vector<std::pair<int, Place>> moves;
  Setup setup = {};
};

std::ostream& operator<<(std::ostream& out, const CtrlWalk& c) {
  return out << c.name;
}

const CtrlWalk kCtrlWalks[] = {
    {"CtrlLeftStopsAtEachKindOfTokenAndCtrlRightStepsOverTheBlank",
     Sjis("日本語 abc!") + "\r\n",
     {0, 11},
     {{vkLeft, {0, 10}}, {vkLeft, {0, 7}}, {vkLeft, {0, 0}}, {vkRight, {0, 7}}}},
    {"CtrlRightAtARowsEndGoesToTheFirstWordOfTheNextRow",
     "ab\r\n   cd ef\r\n",
     {0, 2},
     {{vkRight, {1, 3}}, {vkRight, {1, 6}}, {vkRight, {1, 8}}}},
    {"CtrlLeftAtColumn0StopsAtTheEndOfTheLineAbove", "ab cd\r\nef\r\n", {1, 0}, {{vkLeft, {0, 5}}, {vkLeft, {0, 3}}}},
    {"TokenEndStopStopsAtTheEndsOfTokensToo",
     "ab  cd\r\n",
     {0, 0},
     {{vkRight, {0, 2}}, {vkRight, {0, 4}}, {vkLeft, {0, 2}}},
     [](EditorInWindow& w) { w.editor.Caret()->SetTokenEndStop(true); }},
    {"CtrlMovesCountTabsAsTheirCells",
     "a\tb" + Sjis("漢字") + "c\r\n",
     {0, 0},
     {{vkRight, {0, 8}}, {vkRight, {0, 9}}, {vkRight, {0, 13}}}},
    {"CtrlRightOnAWrappedRowWithoutAnotherWordGoesToTheNextRow",
     "abcdefghijklmnopqrstuvwxyz\r\n",
     {0, 0},
     {{vkRight, {1, 0}}},
     WrapAt20},
};

class EditorCtrlWalk : public ::testing::TestWithParam<CtrlWalk> {};

TEST_P(EditorCtrlWalk, StopsWhereItSays) {
  const CtrlWalk& c = GetParam();
  EditorInWindow w(c.text);
  if (c.setup)
    c.setup(w);
  w.editor.SetRow(c.from.row);
  w.editor.SetCol(c.from.col);
  for (const auto& [key, to] : c.moves) {
    Key(w.editor, key, {ssCtrl});
    EXPECT_EQ(CaretOf(w.editor), to);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorKeys, EditorCtrlWalk, ::testing::ValuesIn(kCtrlWalks),
                         [](const ::testing::TestParamInfo<CtrlWalk>& test) { return std::string(test.param.name); });

TEST(EditorKeys, ShiftCtrlRightSelectsToTheNextWord) {
  EditorInWindow w("ab cd\r\n");
  Key(w.editor, vkRight, {ssCtrl, ssShift});
  EXPECT_EQ(w.editor.SelText(), "ab ");
}

// A point past the row's text has no byte.
TEST(EditorKeys, ThePlaceUnderAPointInATabsFillIsTheTab) {
  EditorInWindow w("a\tb\r\n");
  for (const auto& [column, found, at] : {std::tuple{5, true, 1}, {11, false, -1}}) {
    int row = 9;
    int byte = 9;
    EXPECT_EQ(std::tuple(w.editor.PosToCharPos(w.X(column), w.Y(0), row, byte), row, byte), std::tuple(found, 0, at));
  }
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
  EXPECT_EQ(std::tuple(token, kind), std::tuple("abcdefghijklmnop", toAnk));
}

TEST(EditorKeys, TheTokenUnderABlankIsNothing) {
  EditorInWindow w("ab  cd\r\n");
  std::string token = "x";
  int kind = 1;
  w.editor.GetTokenAt(w.EdgeX(3), w.Y(0), true, token, kind);
  EXPECT_EQ(std::tuple(token, kind), std::tuple("", 0));
}

TEST(EditorKeys, SelectingTheTokenUnderAPointSelectsItsBytes) {
  EditorInWindow w("ab " + Sjis("日本語") + " cd\r\n");
  w.editor.SelectTokenAt(w.EdgeX(4), w.Y(0), true);
  EXPECT_EQ(std::tuple(w.editor.SelText(), w.editor.SelStart()), std::tuple(Sjis("日本語"), 3));
}

}  // namespace
}  // namespace vrel
