// The editor's answers to what a host asks of a plain edit control (the text, the selection as byte
// offsets, rows and their offsets, points and characters, the modified flag and undo), with 64-bit
// offsets throughout. Offsets count the text as the rows joined with CR LF after each row that ends
// a line.

#include <algorithm>
#include <cstring>

#include "editor/EditorDispatch.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorUndo.h"

namespace vrel {

int64_t EditorDispatch::GetTextLen() const {
  return selection_.OffsetOf(0, context_.Rows->Count(), 0);
}

bool EditorDispatch::HasText() const {
  const TEditorScreenStrings& rows = *context_.Rows;
  const int count = rows.Count();
  return count > 1 || (count == 1 && (!rows.Get(0).empty() || rows.RowAttribute(0) == 0));
}

int64_t EditorDispatch::GetTextBuf(char* buffer, int64_t bufSize) const {
  // No room even for the terminator: nothing is written.
  if (buffer == nullptr || bufSize <= 0)
    return 0;
  const std::string text = context_.Rows->Text();
  const int64_t copied = std::min<int64_t>(bufSize - 1, static_cast<int64_t>(text.size()));
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(copied));
  buffer[copied] = '\0';
  return copied;
}

void EditorDispatch::SetTextBuf(std::string_view text) {
  if (editor_.ReadOnly())
    return;
  editor_.SetText(text);
}

void EditorDispatch::GetSel(int64_t& start, int64_t& end) const {
  start = selection_.SelStart();
  end = start + selection_.SelLength();
}

void EditorDispatch::SetSel(int64_t start, int64_t end) {
  if (start == 0 && end == -1) {
    selection_.SelectAll();
    return;
  }
  if (start == -1) {
    selection_.CancelSelection();
    return;
  }
  selection_.BeginCaretMove();
  selection_.SetSelStart(std::min(start, end));
  selection_.SetSelLength(std::max(start, end) - std::min(start, end));
  selection_.EndCaretMove();
}

int EditorDispatch::GetLineCount() const {
  return context_.Rows->Count();
}

int64_t EditorDispatch::LineIndex(int row) const {
  const TEditorScreenStrings& rows = *context_.Rows;
  if (row == -1)
    row = selection_.Row();
  const int count = rows.Count();
  if (row < 0 || row > count || (row == count && count > 0 && rows.RowAttribute(count - 1) == 2))
    return -1;
  return selection_.OffsetOf(0, row, 0);
}

int EditorDispatch::LineFromChar(int64_t offset) const {
  if (offset == -1)
    return selection_.Marked() ? selection_.SelectionBytes().StartRow : selection_.Row();
  return context_.Rows->PositionAt(0, offset).Row;
}

int64_t EditorDispatch::LineLength(int64_t offset) const {
  const TEditorScreenStrings& rows = *context_.Rows;
  const auto length = [&rows](int row) -> int64_t {
    return row >= 0 && row < rows.Count() ? static_cast<int64_t>(rows.Get(row).size()) : 0;
  };
  if (offset != -1)
    return length(rows.PositionAt(0, offset).Row);
  if (selection_.Marked()) {
    const TSelectionBytes& b = selection_.SelectionBytes();
    return std::max<int64_t>(0, length(b.EndRow) + b.StartByte - b.EndByte - 1);
  }
  return length(selection_.Row());
}

int64_t EditorDispatch::GetLine(int row, char* buffer, int64_t capacity) const {
  const TEditorScreenStrings& rows = *context_.Rows;
  if (row < 0 || row >= rows.Count() || buffer == nullptr || capacity <= 0)
    return 0;
  const std::string& text = rows.Get(row);
  const int64_t copied = std::min<int64_t>(capacity, static_cast<int64_t>(text.size()));
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(copied));
  return copied;
}

TCharFromPos EditorDispatch::CharFromPos(int x, int y) const {
  const EditorWindow* window = context_.Window;
  if (!window || x < 0 || y < 0 || x >= window->ClientWidth() || y >= window->ClientHeight())
    return {};
  const TEditorScreenStrings& rows = *context_.Rows;
  const int count = rows.Count();
  int row = std::min(viewport_.RowAt(y), count);
  if (row == count && count > 0 && rows.RowAttribute(count - 1) == 2)
    --row;
  const std::string cells = context_.RowCells(row);
  int col = viewport_.ColAt(x, true);
  if (col < static_cast<int>(cells.size()) && col > 0 && cells[static_cast<std::size_t>(col)] == '5')
    --col;
  const std::size_t length = row < count ? rows.Get(row).size() : 0;
  return {selection_.OffsetOf(0, row, CaretByteIndex(cells, length, col)), row};
}

EditorPoint EditorDispatch::PosFromChar(int64_t offset) const {
  const TRowPosition at = context_.Rows->PositionAt(0, offset);
  const int col = context_.Rows->CellColumn(at.Row, at.Byte);
  return {viewport_.ColumnLeft(col), viewport_.RowTop(at.Row)};
}

void EditorDispatch::ScrollCaret() {
  viewport_.ScrollToShow(selection_.Row(), selection_.Col());
}

void EditorDispatch::SetModify(bool value) {
  if (!editor_.ReadOnly())
    editor_.SetModified(value);
}

bool EditorDispatch::CanUndoEdit() const {
  return !editor_.ReadOnly() && editor_.CanUndo();
}

bool EditorDispatch::UndoEdit() {
  if (!CanUndoEdit())
    return false;
  editor_.Undo();
  return true;
}

void EditorDispatch::EmptyUndoBuffer() {
  if (!editor_.ReadOnly())
    context_.Rows->UndoObj()->Clear();
}

void EditorDispatch::ReplaceSel(std::string_view text) {
  if (!editor_.ReadOnly())
    editor_.InsertText(text);
}

}  // namespace vrel
