// The editor core's answers to a host's edit-control requests: the text into a buffer, the
// selection and rows as byte offsets (CR LF after each row that ends a line, nothing after a
// wrapped row), points and characters, the modified flag and undo.

#include <gtest/gtest.h>

#include <string>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "platform/Cp932.h"
#include "tests/editor/FakeWindow.h"

namespace vrel {
namespace {

std::string Sjis(const char* utf8) {
  return Utf8ToCp932(utf8);
}

// Rows: 0 "abc" (offset 0), 1 日本 (offset 5), 2 "xyz" without a line break (offset 11).
std::string Fixture() {
  return "abc\r\n" + Sjis("日本") + "\r\nxyz";
}

TEST(EditorMessages, ABufferOfNoBytesGetsNothingWritten) {
  EditorInWindow w(Fixture());
  char buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(w.editor.GetTextBuf(buffer, 0), 0);
  EXPECT_EQ(std::string(buffer, 4), "####");
}

TEST(EditorMessages, TheTextFillsTheBufferLessOneByteAndATerminator) {
  EditorInWindow w(Fixture());
  char buffer[6] = {'#', '#', '#', '#', '#', '#'};
  EXPECT_EQ(w.editor.GetTextBuf(buffer, 5), 4);
  EXPECT_EQ(std::string(buffer, 6), std::string("abc\r\0#", 6));
}

TEST(EditorMessages, TheWholeTextFitsABufferOfItsLengthAndOne) {
  EditorInWindow w(Fixture());
  const int64_t length = w.editor.GetTextLen();
  std::string buffer(static_cast<std::size_t>(length) + 1, '#');
  EXPECT_EQ(w.editor.GetTextBuf(buffer.data(), length + 1), length);
  EXPECT_EQ(buffer, Fixture() + std::string(1, '\0'));
}

TEST(EditorMessages, SettingTheTextIsRefusedWhenReadOnly) {
  EditorInWindow w(Fixture());
  w.editor.SetReadOnly(true);
  w.editor.SetTextBuf("new");
  EXPECT_EQ(w.editor.Lines()->Text(), Fixture());
  w.editor.SetReadOnly(false);
  w.editor.SetTextBuf("new");
  EXPECT_EQ(w.editor.Lines()->Text(), "new");
}

TEST(EditorMessages, SetSelZeroToMinusOneSelectsAllAndMinusOneCancels) {
  EditorInWindow w(Fixture());
  w.editor.SetSel(0, -1);
  EXPECT_EQ(w.editor.SelText(), Fixture());
  w.editor.SetSel(-1, 0);
  EXPECT_EQ(w.editor.SelectionState(), sstNone);
}

TEST(EditorMessages, TheSelectionGoesBothWaysAsOffsets) {
  EditorInWindow w(Fixture());
  w.editor.SetSel(9, 2);
  int64_t start = 0;
  int64_t end = 0;
  w.editor.GetSel(start, end);
  EXPECT_EQ(start, 2);
  EXPECT_EQ(end, 9);
  EXPECT_EQ(w.editor.SelText(), "c\r\n" + Sjis("日本"));
}

TEST(EditorMessages, RowsAndOffsetsConvertBothWays) {
  EditorInWindow w(Fixture());
  EXPECT_EQ(w.editor.GetLineCount(), 3);
  EXPECT_EQ(w.editor.LineIndex(1), 5);
  EXPECT_EQ(w.editor.LineIndex(2), 11);
  EXPECT_EQ(w.editor.LineIndex(3), -1);  // no place after a text without final line break
  EXPECT_EQ(w.editor.LineFromChar(7), 1);
  EXPECT_EQ(w.editor.LineFromChar(12), 2);
  EXPECT_EQ(w.editor.LineLength(6), 4);
}

TEST(EditorMessages, AfterAFinalLineBreakThePlaceAfterItHasAnOffset) {
  EditorInWindow w("ab\r\n");
  EXPECT_EQ(w.editor.LineIndex(1), 4);
  EXPECT_EQ(w.editor.LineIndex(2), -1);
}

TEST(EditorMessages, AWrappedRowEndsWithoutLineBreakBytes) {
  EditorInWindow w;
  w.editor.WrapOption()->SetWrapByte(20);
  w.editor.SetWordWrap(true);
  w.editor.Lines()->SetText(std::string(30, 'a') + "\r\nb");
  EXPECT_EQ(w.editor.LineIndex(1), 20);
  EXPECT_EQ(w.editor.LineIndex(2), 32);
}

TEST(EditorMessages, TheLengthAroundASelectionCountsTheBytesLeftOnItsRows) {
  EditorInWindow w(Fixture());
  w.editor.SetSel(1, 7);
  // 'a' before it on row 0, 本 after it on row 1.
  EXPECT_EQ(w.editor.LineLength(-1), 3);
}

TEST(EditorMessages, GetLineCopiesTheRowWithoutTerminator) {
  EditorInWindow w(Fixture());
  char buffer[8] = {};
  EXPECT_EQ(w.editor.GetLine(1, buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), Sjis("日本"));
  EXPECT_EQ(w.editor.GetLine(0, buffer, 2), 2);
}

TEST(EditorMessages, GetLineOnThePlaceAfterATextWithoutFinalLineBreakGivesNothing) {
  EditorInWindow w(Fixture());
  char buffer[8] = {};
  EXPECT_EQ(w.editor.GetLine(3, buffer, 8), 0);
}

TEST(EditorMessages, TheCharacterUnderAPointOnATrailCellIsItsLead) {
  EditorInWindow w(Fixture());
  // The left edge of cell 1 rounds to column 1, the second half of 日.
  const TCharFromPos at = w.editor.CharFromPos(w.EdgeX(1), w.Y(1));
  EXPECT_EQ(at.Offset, 5);
  EXPECT_EQ(at.Row, 1);
}

TEST(EditorMessages, APointOutsideTheClientAreaHasNoCharacter) {
  EditorInWindow w(Fixture());
  const TCharFromPos at = w.editor.CharFromPos(-1, 5);
  EXPECT_EQ(at.Offset, -1);
  EXPECT_EQ(at.Row, -1);
}

TEST(EditorMessages, ACharactersPointIsItsCellsCorner) {
  EditorInWindow w(Fixture());
  const EditorPoint p = w.editor.PosFromChar(7);
  EXPECT_EQ(p, (EditorPoint{w.EdgeX(2), w.editor.RowTop(1)}));
}

TEST(EditorMessages, ScrollCaretPutsAFarCaretAThirdIntoTheView) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "row\r\n";
  EditorInWindow w(text);
  w.window.focused = false;  // no scrolling with each caret move
  w.editor.SetRow(80);
  w.editor.ScrollCaret();
  EXPECT_EQ(w.editor.TopRow(), 80 - w.editor.VisibleRows() / 3);
}

TEST(EditorMessages, TheModifiedFlagAndUndoRequestsRespectReadOnly) {
  EditorInWindow w(Fixture());
  w.editor.KeyPress("x", {});
  ASSERT_TRUE(w.editor.Modified());
  w.editor.SetReadOnly(true);
  w.editor.SetModify(false);
  EXPECT_TRUE(w.editor.Modified());
  EXPECT_FALSE(w.editor.CanUndoEdit());
  EXPECT_FALSE(w.editor.UndoEdit());
  w.editor.EmptyUndoBuffer();
  EXPECT_TRUE(w.editor.CanUndo());
  w.editor.SetReadOnly(false);
  EXPECT_TRUE(w.editor.UndoEdit());
  EXPECT_EQ(w.editor.Lines()->Text(), Fixture());
}

TEST(EditorMessages, ReplaceSelTypesInPlaceOfTheSelection) {
  EditorInWindow w(Fixture());
  w.editor.SetSel(5, 7);
  w.editor.ReplaceSel(Sjis("英"));
  EXPECT_EQ(w.editor.Lines()->Text(), "abc\r\n" + Sjis("英本") + "\r\nxyz");
}

}  // namespace
}  // namespace vrel
