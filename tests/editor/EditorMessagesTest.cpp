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

// Rows: 0 "abc" (offset 0), 1 日本 (offset 5), 2 "xyz" without a line break (offset 11).
std::string Fixture() {
  return "abc\r\n" + Sjis("日本") + "\r\nxyz";
}

// A buffer of n bytes takes the first n - 1 bytes of the text and a terminator; one of no bytes
// takes nothing.
TEST(EditorMessages, GetTextBufFillsTheBufferLessOneByteAndATerminator) {
  EditorInWindow w(Fixture());
  const int64_t length = w.editor.GetTextLen();
  for (const int64_t size : {int64_t{0}, int64_t{5}, length + 1}) {
    std::string buffer(static_cast<std::size_t>(length) + 2, '#');
    const int64_t copied = size == 0 ? 0 : size - 1;
    EXPECT_EQ(w.editor.GetTextBuf(buffer.data(), size), copied) << size;
    std::string expected =
        Fixture().substr(0, static_cast<std::size_t>(copied)) + (size == 0 ? "" : std::string(1, '\0'));
    expected.resize(buffer.size(), '#');
    EXPECT_EQ(buffer, expected) << size;
  }
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

// 0 to -1 selects all; a start of -1 cancels.
TEST(EditorMessages, TheSelectionGoesBothWaysAsOffsets) {
  EditorInWindow w(Fixture());
  w.editor.SetSel(9, 2);
  int64_t start = 0;
  int64_t end = 0;
  w.editor.GetSel(start, end);
  EXPECT_EQ(std::tuple(start, end, w.editor.SelText()), std::tuple(2, 9, "c\r\n" + Sjis("日本")));
  w.editor.SetSel(0, -1);
  EXPECT_EQ(w.editor.SelText(), Fixture());
  w.editor.SetSel(-1, 0);
  EXPECT_EQ(w.editor.SelectionState(), sstNone);
}

// No place after a text without a final line break; after one, the place after it has an offset. A wrapped row ends
// without line break bytes.
TEST(EditorMessages, RowsAndOffsetsConvertBothWays) {
  EditorInWindow w(Fixture());
  EXPECT_EQ(std::tuple(w.editor.GetLineCount(), w.editor.LineIndex(1), w.editor.LineIndex(2), w.editor.LineIndex(3)),
            std::tuple(3, 5, 11, -1));
  EXPECT_EQ(std::tuple(w.editor.LineFromChar(7), w.editor.LineFromChar(12), w.editor.LineLength(6)),
            std::tuple(1, 2, 4));
  EditorInWindow ended("ab\r\n");
  EXPECT_EQ(std::tuple(ended.editor.LineIndex(1), ended.editor.LineIndex(2)), std::tuple(4, -1));
  EditorInWindow wrapped;
  wrapped.editor.WrapOption()->SetWrapByte(20);
  wrapped.editor.SetWordWrap(true);
  wrapped.editor.Lines()->SetText(std::string(30, 'a') + "\r\nb");
  EXPECT_EQ(std::tuple(wrapped.editor.LineIndex(1), wrapped.editor.LineIndex(2)), std::tuple(20, 32));
}

TEST(EditorMessages, TheLengthAroundASelectionCountsTheBytesLeftOnItsRows) {
  EditorInWindow w(Fixture());
  w.editor.SetSel(1, 7);
  // 'a' before it on row 0, 本 after it on row 1.
  EXPECT_EQ(w.editor.LineLength(-1), 3);
}

// The place after a text without final line break is no row: it gives nothing.
TEST(EditorMessages, GetLineCopiesTheRowWithoutTerminator) {
  EditorInWindow w(Fixture());
  char buffer[8] = {};
  EXPECT_EQ(w.editor.GetLine(1, buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), Sjis("日本"));
  EXPECT_EQ(std::tuple(w.editor.GetLine(0, buffer, 2), w.editor.GetLine(3, buffer, 8)), std::tuple(2, 0));
}

// The left edge of cell 1 rounds to column 1, the second half of 日: its character is 日; a point outside the client
// area has none; a character's point is its cell's corner.
TEST(EditorMessages, PointsAndCharactersConvertBothWays) {
  EditorInWindow w(Fixture());
  const TCharFromPos at = w.editor.CharFromPos(w.EdgeX(1), w.Y(1)), outside = w.editor.CharFromPos(-1, 5);
  EXPECT_EQ(std::tuple(at.Offset, at.Row, outside.Offset, outside.Row), std::tuple(5, 1, -1, -1));
  EXPECT_EQ(w.editor.PosFromChar(7), (EditorPoint{w.EdgeX(2), w.editor.RowTop(1)}));
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
  EXPECT_TRUE(w.editor.Modified() && !w.editor.CanUndoEdit() && !w.editor.UndoEdit());
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
