// The editor core's answers to what a host asks of a plain edit control (the text, the selection
// as byte offsets, rows and their offsets, points and characters, the modified flag and undo), with
// 64-bit offsets throughout. Offsets count the text as the rows joined with CR LF after each row that
// ends a line.

#include <algorithm>
#include <cstring>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndo.h"

namespace vrel {

int64_t EditorCore::GetTextLen() const {
  return OffsetOf(0, rows_->Count(), 0);
}

bool EditorCore::HasText() const {
  const int count = rows_->Count();
  return count > 1 || (count == 1 && (!rows_->Get(0).empty() || rows_->RowAttribute(0) == 0));
}

int64_t EditorCore::GetTextBuf(char* buffer, int64_t bufSize) const {
  // No room even for the terminator: nothing is written.
  if (buffer == nullptr || bufSize <= 0)
    return 0;
  const std::string text = rows_->Text();
  const int64_t copied = std::min<int64_t>(bufSize - 1, static_cast<int64_t>(text.size()));
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(copied));
  buffer[copied] = '\0';
  return copied;
}

void EditorCore::SetTextBuf(std::string_view text) {
  if (readOnly_)
    return;
  lines_->SetText(std::string(text));
}

void EditorCore::ClearSelection() {
  DeleteSelection();
}

void EditorCore::GetSel(int64_t& start, int64_t& end) const {
  start = SelStart();
  end = start + SelLength();
}

void EditorCore::SetSel(int64_t start, int64_t end) {
  if (start == 0 && end == -1) {
    SelectAll();
    return;
  }
  if (start == -1) {
    CancelSelection();
    return;
  }
  BeginCaretMove();
  SetSelStart(std::min(start, end));
  SetSelLength(std::max(start, end) - std::min(start, end));
  EndCaretMove();
}

int EditorCore::GetLineCount() const {
  return rows_->Count();
}

int64_t EditorCore::LineIndex(int row) const {
  if (row == -1)
    row = row_;
  const int count = rows_->Count();
  if (row < 0 || row > count || (row == count && count > 0 && rows_->RowAttribute(count - 1) == 2))
    return -1;
  return OffsetOf(0, row, 0);
}

int EditorCore::LineFromChar(int64_t offset) const {
  if (offset == -1)
    return selState_ == sstSelected || selState_ == sstHit ? selBytes_.StartRow : row_;
  return rows_->PositionAt(0, offset).Row;
}

int64_t EditorCore::LineLength(int64_t offset) const {
  const auto length = [this](int row) -> int64_t {
    return row >= 0 && row < rows_->Count() ? static_cast<int64_t>(rows_->Get(row).size()) : 0;
  };
  if (offset != -1)
    return length(rows_->PositionAt(0, offset).Row);
  if (selState_ == sstSelected || selState_ == sstHit) {
    const TSelectionBytes& b = selBytes_;
    return std::max<int64_t>(0, length(b.EndRow) + b.StartByte - b.EndByte - 1);
  }
  return length(row_);
}

int64_t EditorCore::GetLine(int row, char* buffer, int64_t capacity) const {
  if (row < 0 || row >= rows_->Count() || buffer == nullptr || capacity <= 0)
    return 0;
  const std::string& text = rows_->Get(row);
  const int64_t copied = std::min<int64_t>(capacity, static_cast<int64_t>(text.size()));
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(copied));
  return copied;
}

TCharFromPos EditorCore::CharFromPos(int x, int y) const {
  if (!window_ || x < 0 || y < 0 || x >= window_->ClientWidth() || y >= window_->ClientHeight())
    return {};
  const int count = rows_->Count();
  int row = std::min(RowAt(y), count);
  if (row == count && count > 0 && rows_->RowAttribute(count - 1) == 2)
    --row;
  const std::string cells = RowCells(row);
  int col = ColAt(x, true);
  if (col < static_cast<int>(cells.size()) && col > 0 && cells[static_cast<std::size_t>(col)] == '5')
    --col;
  const std::size_t length = row < count ? rows_->Get(row).size() : 0;
  return {OffsetOf(0, row, CaretByteIndex(cells, length, col)), row};
}

EditorPoint EditorCore::PosFromChar(int64_t offset) const {
  const TRowPosition at = rows_->PositionAt(0, offset);
  const int col = rows_->CellColumn(at.Row, at.Byte);
  return {ColumnLeft(col), RowTop(at.Row)};
}

void EditorCore::ScrollCaret() {
  ScrollToShow(row_, col_);
}

void EditorCore::SetModify(bool value) {
  if (!readOnly_)
    modified_ = value;
}

bool EditorCore::CanUndoEdit() const {
  return !readOnly_ && CanUndo();
}

bool EditorCore::UndoEdit() {
  if (!CanUndoEdit())
    return false;
  Undo();
  return true;
}

void EditorCore::EmptyUndoBuffer() {
  if (!readOnly_)
    rows_->UndoObj()->Clear();
}

void EditorCore::ReplaceSel(std::string_view text) {
  if (!readOnly_)
    InsertText(text);
}

}  // namespace vrel
