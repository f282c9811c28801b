// The editor core's selection: its records, the byte-offset view, the mouse (click, drag, the left
// margin's row selection, dragging a selection to move or copy it) and the cursor over the control.

#include <algorithm>
#include <cstdlib>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"

namespace vrel {

namespace {

// The cells of `row` that a selection with these records draws, given the row's cell count and
// whether it ends a line (its line break then counts as one more cell).
std::optional<TRowSelection> PieceOf(const TSelectionCells& c, TSelectionMode mode, int row, int rowCells,
                                     bool endsLine) {
  if (row < c.TopRow || row > c.BottomRow)
    return std::nullopt;
  TRowSelection piece;
  if (mode == smBox) {
    piece.From = c.LeftCol;
    piece.To = c.RightCol;
  } else {
    piece.From = row == c.TopRow ? c.LeftCol : 0;
    piece.To = row == c.BottomRow ? c.RightCol : rowCells + (endsLine ? 1 : 0);
  }
  if (piece.To <= piece.From)
    return std::nullopt;
  return piece;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Records

int EditorCore::CaretByte() const {
  if (row_ >= rows_->Count())
    return 0;
  return CaretByteIndex(RowCells(row_), rows_->Get(row_).size(), col_);
}

int EditorCore::AnchorColFor(int row, int col) const {
  return selMode_ == smBox ? col : std::min(col, RowCellCount(row));
}

void EditorCore::SetAnchor(int row, int col) {
  CancelSelection();
  if (rows_->Count() == 0)
    return;
  selState_ = sstAnchored;
  anchorRow_ = row;
  anchorCol_ = AnchorColFor(row, col);
  anchorByte_ = row < rows_->Count() ? CaretByteIndex(RowCells(row), rows_->Get(row).size(), col) : 0;
  selBytes_ = {row, row, anchorByte_, anchorByte_ - 1};
  selCells_ = {row, row, anchorCol_, anchorCol_};
}

void EditorCore::StartSelection() {
  SetAnchor(row_, col_);
}

// The records from the anchor and the caret.
void EditorCore::ApplySelection() {
  const int caretByte = CaretByte();
  const bool anchorFirst = anchorRow_ < row_ || (anchorRow_ == row_ && anchorByte_ <= caretByte);
  selBytes_.StartRow = std::min(anchorRow_, row_);
  selBytes_.EndRow = std::max(anchorRow_, row_);
  selBytes_.StartByte = anchorFirst ? anchorByte_ : caretByte;
  selBytes_.EndByte = (anchorFirst ? caretByte : anchorByte_) - 1;
  selCells_.TopRow = selBytes_.StartRow;
  selCells_.BottomRow = selBytes_.EndRow;
  if (selMode_ == smBox) {
    selCells_.LeftCol = std::min(anchorCol_, col_);
    selCells_.RightCol = std::max(anchorCol_, col_);
    return;
  }
  const int anchorCol = std::min(anchorCol_, RowCellCount(anchorRow_));
  const int caretCol = std::min(col_, RowCellCount(row_));
  if (anchorRow_ == row_) {
    selCells_.LeftCol = std::min(anchorCol, caretCol);
    selCells_.RightCol = std::max(anchorCol, caretCol);
  } else {
    selCells_.LeftCol = anchorFirst ? anchorCol : caretCol;
    selCells_.RightCol = anchorFirst ? caretCol : anchorCol;
  }
}

bool EditorCore::SelectionDrawn() const {
  return selState_ == sstSelected || (selState_ == sstHit && hitStyle_ == hsDraw);
}

std::optional<TRowSelection> EditorCore::RowSelection(int row) const {
  if (!SelectionDrawn())
    return std::nullopt;
  const bool endsLine = row < rows_->Count() && rows_->RowAttribute(row) == 0;
  auto piece = PieceOf(selCells_, selMode_, row, RowCellCount(row), endsLine);
  if (piece)
    piece->Hit = selState_ == sstHit;
  return piece;
}

// Repaints the cells whose selected state differs between the records before and now.
void EditorCore::RepaintSelectionChange(const TSelectionCells& before, TSelectionMode beforeMode, bool beforeDrawn) {
  if (!window_ || updating_)
    return;
  const bool drawn = SelectionDrawn();
  if (!beforeDrawn && !drawn)
    return;
  int first = std::min(beforeDrawn ? before.TopRow : selCells_.TopRow, drawn ? selCells_.TopRow : before.TopRow);
  int last =
      std::max(beforeDrawn ? before.BottomRow : selCells_.BottomRow, drawn ? selCells_.BottomRow : before.BottomRow);
  first = std::max(first, topRow_);
  last = std::min(last, LastRowOnScreen());
  for (int row = first; row <= last; ++row) {
    const int cells = RowCellCount(row);
    const bool endsLine = row < rows_->Count() && rows_->RowAttribute(row) == 0;
    const auto old = beforeDrawn ? PieceOf(before, beforeMode, row, cells, endsLine) : std::nullopt;
    const auto now = drawn ? PieceOf(selCells_, selMode_, row, cells, endsLine) : std::nullopt;
    if (!old && !now)
      continue;
    if (old && now && old->From == now->From && old->To == now->To && beforeMode == selMode_)
      continue;
    // The cells that changed lie between the two pieces' outer ends; repaint that stretch.
    if (old && now && beforeMode == selMode_) {
      if (old->From != now->From)
        InvalidateCells(row, std::min(old->From, now->From), std::max(old->From, now->From));
      if (old->To != now->To)
        InvalidateCells(row, std::min(old->To, now->To), std::max(old->To, now->To));
      continue;
    }
    const int from = std::min(old ? old->From : now->From, now ? now->From : old->From);
    const int to = std::max(old ? old->To : now->To, now ? now->To : old->To);
    InvalidateCells(row, from, to);
  }
}

void EditorCore::ExtendSelection() {
  if (selState_ == sstNone)
    return;
  const TSelectionCells before = selCells_;
  const bool beforeDrawn = SelectionDrawn();
  if (selState_ == sstAnchored)
    selState_ = makingHit_ ? sstHit : sstSelected;
  ApplySelection();
  RepaintSelectionChange(before, selMode_, beforeDrawn);
  SyncUnderline();
  SyncCaret();
  if (OnSelectionChange)
    OnSelectionChange(true);
}

void EditorCore::CancelSelection() {
  if (selState_ != sstSelected && selState_ != sstHit)
    return;
  const TSelectionCells before = selCells_;
  const bool beforeDrawn = SelectionDrawn();
  selState_ = sstNone;
  hitLength_ = 0;
  RepaintSelectionChange(before, selMode_, beforeDrawn);
  wantedValid_ = false;
  SyncUnderline();
  SyncCaret();
  if (OnSelectionChange)
    OnSelectionChange(false);
}

void EditorCore::SetSelectionMode(TSelectionMode value) {
  if (dragState_ != dsNone || value == selMode_)
    return;
  const TSelectionCells before = selCells_;
  const TSelectionMode beforeMode = selMode_;
  const bool beforeDrawn = SelectionDrawn();
  selMode_ = value;
  if (selState_ == sstSelected) {
    if (value == smBox)
      SetCursorState(csText);
    ApplySelection();
    RepaintSelectionChange(before, beforeMode, beforeDrawn);
  }
  if (OnSelectionModeChange)
    OnSelectionModeChange();
}

bool EditorCore::IsInSelection(int row, int col) const {
  const TSelectionCells& c = selCells_;
  if (selState_ != sstSelected || row < c.TopRow || row > c.BottomRow)
    return false;
  if (selMode_ == smBox)
    return col >= c.LeftCol && col < c.RightCol;
  if (row == c.TopRow && col < c.LeftCol)
    return false;
  if (row == c.BottomRow && col >= c.RightCol)
    return false;
  return true;
}

bool EditorCore::CanSelDrag() const {
  return !readOnly_ && selState_ == sstSelected && selMode_ == smNormal && caret_->SelMove();
}

void EditorCore::SetHitLength(int length) {
  if (length > 0) {
    if (hitStyle_ == hsSelect) {
      SetSelLength(length);
    } else {
      const int row = row_;
      const int col = col_;
      makingHit_ = true;
      SetSelLength(length);
      makingHit_ = false;
      // The block caret covers the hit from its start.
      if (hitStyle_ == hsCaret && Focused())
        MoveCaretTo(row, col);
    }
  }
  hitLength_ = length;
  SyncCaret();
}

// ---------------------------------------------------------------------------------------------
// The byte-offset view

int64_t EditorCore::OffsetOf(int fromRow, int row, int byte) const {
  int64_t offset = 0;
  row = std::min(row, rows_->Count());
  for (int r = std::max(fromRow, 0); r < row; ++r)
    offset += static_cast<int64_t>(rows_->Get(r).size()) + (rows_->RowAttribute(r) == 0 ? 2 : 0);
  return offset + byte;
}

void EditorCore::PlaceCaretAtOffset(int fromRow, int64_t offset) {
  const TRowPosition at = rows_->PositionAt(fromRow, offset);
  BeginCaretMove();
  SetRow(at.Row);
  SetCol(rows_->CellColumn(at.Row, at.Byte));
  EndCaretMove();
}

int64_t EditorCore::SelStart() const {
  if (rows_->Count() == 0)
    return 0;
  if (selState_ == sstSelected || selState_ == sstHit)
    return OffsetOf(0, selBytes_.StartRow, selBytes_.StartByte);
  return OffsetOf(0, row_, CaretByte());
}

std::vector<std::pair<int, int>> EditorCore::BoxBytes() const {
  std::vector<std::pair<int, int>> bytes;
  const int last = std::min(selCells_.BottomRow, rows_->Count() - 1);
  for (int row = selCells_.TopRow; row <= last; ++row) {
    const std::string cells = RowCells(row);
    const std::size_t length = rows_->Get(row).size();
    const int from = ByteAtOrAfterCell(cells, length, selCells_.LeftCol);
    const int to = ByteAtOrAfterCell(cells, length, selCells_.RightCol);
    bytes.emplace_back(from, std::max(from, to));
  }
  return bytes;
}

int64_t EditorCore::SelLength() const {
  if (selState_ != sstSelected && selState_ != sstHit)
    return 0;
  if (selMode_ == smBox) {
    int64_t length = 0;
    for (const auto& [from, to] : BoxBytes())
      length += to - from + 2;
    return length;
  }
  const TSelectionBytes& b = selBytes_;
  return OffsetOf(b.StartRow, b.EndRow, b.EndByte + 1) - b.StartByte;
}

std::string EditorCore::RowsText(int first, int last) const {
  if (first > last || first >= rows_->Count())
    return {};
  return rows_->GetRowsText(first, last - first + 1).Text;
}

std::string EditorCore::SelText() const {
  if (selState_ != sstSelected && selState_ != sstHit)
    return {};
  if (selMode_ == smBox) {
    std::string text;
    const auto bytes = BoxBytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (i > 0)
        text += "\r\n";
      const std::string& row = rows_->Get(selCells_.TopRow + static_cast<int>(i));
      text.append(row, static_cast<std::size_t>(bytes[i].first),
                  static_cast<std::size_t>(bytes[i].second - bytes[i].first));
    }
    return text;
  }
  const TSelectionBytes& b = selBytes_;
  const std::string block = RowsText(b.StartRow, std::min(b.EndRow, rows_->Count() - 1));
  const auto end = static_cast<std::size_t>(OffsetOf(b.StartRow, b.EndRow, b.EndByte + 1));
  const auto start = static_cast<std::size_t>(b.StartByte);
  if (start >= block.size() || end <= start)
    return {};
  return block.substr(start, std::min(end, block.size()) - start);
}

void EditorCore::SetSelStart(int64_t value) {
  CancelSelection();
  if (value < 1) {
    MoveCaretTo(0, 0);
    return;
  }
  PlaceCaretAtOffset(0, value);
}

void EditorCore::SetSelLength(int64_t value) {
  if (selMode_ == smBox)
    SetSelectionMode(smNormal);
  if (value < 1) {
    CancelSelection();
    return;
  }
  int row = row_;
  int byte = CaretByte();
  if (selState_ == sstSelected || selState_ == sstHit) {
    row = anchorRow_;
    byte = anchorByte_;
  }
  BeginCaretMove();
  CancelSelection();
  MoveCaretTo(row, rows_->CellColumn(row, byte));
  StartSelection();
  PlaceCaretAtOffset(row, byte + value);
  ScrollCaretIntoView();
  ExtendSelection();
  EndCaretMove();
}

void EditorCore::SelectAll() {
  HideCaretNested();
  SetSelStart(0);
  SetSelLength(static_cast<int64_t>(OffsetOf(0, rows_->Count(), 0)));
  ShowCaretNested();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void EditorCore::MouseDown(int x, int y, TShiftState shift) {
  if (!window_)
    return;
  downX_ = x;
  downY_ = y;
  const int row = RowAt(y);
  if (shift.Contains(ssShift)) {
    BeginCaretMove();
    if (selState_ != sstSelected)
      StartSelection();
    SetRow(row);
    SetCol(ColAt(x, true));
    ExtendSelection();
    EndCaretMove();
    return;
  }
  const int exactCol = ColAt(x, false);
  if (CanSelDrag() && x > textLeft_ && IsInSelection(row, exactCol)) {
    MoveCaretTo(row, exactCol);
    // With a manual drag mode the press is an ordinary one for the host: no drag of the selection.
    if (caret_->SelDragMode() == dmAutomatic)
      dragState_ = dsPending;
    return;
  }
  if (x < textLeft_ && caret_->RowSelect()) {
    StartRowSelection(row);
    return;
  }
  BeginCaretMove();
  SetRow(row);
  SetCol(ColAt(x, true));
  StartSelection();
  EndCaretMove();
}

void EditorCore::MouseMove(int x, int y, TShiftState shift) {
  if (!window_)
    return;
  const bool held = shift.Contains(ssLeft);
  const int half = columnWidth_ / 2;
  const bool away = std::abs(x - downX_) >= half || std::abs(y - downY_) >= half;
  if (dragState_ == dsPending) {
    if (!held || !away)
      return;
    BeginDrag(shift.Contains(ssCtrl));
  }
  if (dragState_ == dsDragging) {
    SetDragCopy(shift.Contains(ssCtrl));
    MoveCaretTo(RowAt(y), ColAt(x, false));
    return;
  }
  if (!held) {
    UpdateCursorState(x, y);
    return;
  }
  if (rowSelecting_) {
    SelectRows(RowAt(y));
    return;
  }
  BeginCaretMove();
  SetRow(RowAt(y));
  SetCol(ColAt(x, true));
  if ((selState_ == sstAnchored && away) || selState_ == sstSelected)
    ExtendSelection();
  EndCaretMove();
}

void EditorCore::MouseUp(int x, int y, TShiftState shift) {
  if (dragState_ == dsDragging) {
    Drop(x, y, shift.Contains(ssCtrl));
    return;
  }
  if (dragState_ == dsPending) {
    dragState_ = dsNone;
    CancelSelection();
    if (window_)
      window_->SetDragCursor(0);
    SetCursorState(csText);
    return;
  }
  rowSelecting_ = false;
}

void EditorCore::SetCursorState(TCursorState state) {
  if (!window_ || (cursorApplied_ && state == cursorState_))
    return;
  cursorState_ = state;
  cursorApplied_ = true;
  // The cursor of each state, in the order of TCursorState; the two of a drag are the screen's.
  using CursorOf = int16_t (TEditorCursors::*)() const;
  static constexpr CursorOf kCursors[] = {&TEditorCursors::DefaultCursor,   &TEditorCursors::LeftMarginCursor,
                                          &TEditorCursors::TopMarginCursor, &TEditorCursors::InSelCursor,
                                          &TEditorCursors::DragSelCursor,   &TEditorCursors::DragSelCopyCursor};
  const int id = (caret_->Cursors()->*kCursors[state])();
  if (state >= csDragMove)
    window_->SetDragCursor(id);
  else
    window_->SetControlCursor(id);
}

void EditorCore::UpdateCursorState(int x, int y) {
  if (!caret_->AutoCursor())
    return;
  if (x < textLeft_)
    SetCursorState(csLeftMargin);
  else if (y < textTop_)
    SetCursorState(csTopMargin);
  else if (CanSelDrag() && IsInSelection(RowAt(y), ColAt(x, false)))
    SetCursorState(csInSelection);
  else
    SetCursorState(csText);
}

void EditorCore::BeginDrag(bool copy) {
  dragState_ = dsDragging;
  cursorApplied_ = false;
  dragCopy_ = !copy;
  SetDragCopy(copy);
}

void EditorCore::SetDragCopy(bool copy) {
  if (dragState_ != dsDragging || (copy == dragCopy_ && cursorApplied_))
    return;
  dragCopy_ = copy;
  SetCursorState(copy ? csDragCopy : csDragMove);
}

// The drag ends without a drop: Esc, or the control lost the focus or the mouse.
void EditorCore::CancelDrag() {
  if (dragState_ == dsNone)
    return;
  dragState_ = dsNone;
  if (window_)
    window_->SetDragCursor(0);
  SetCursorState(csText);
}

void EditorCore::Drop(int x, int y, bool copy) {
  dragState_ = dsNone;
  if (window_)
    window_->SetDragCursor(0);
  SetCursorState(csText);
  const bool inside = window_ && x >= 0 && y >= 0 && x < window_->ClientWidth() && y < window_->ClientHeight();
  if (inside && !IsInSelection(row_, col_)) {
    if (copy)
      DropSelection(row_, col_);
    else
      MoveSelection(row_, col_);
  }
  CancelSelection();
}

// ---------------------------------------------------------------------------------------------
// Row selection from the left margin

void EditorCore::StartRowSelection(int row) {
  const int count = rows_->Count();
  int r = std::min(row, count);
  if (r == count && count > 0 && rows_->RowAttribute(count - 1) == 2)
    --r;
  rowSelecting_ = true;
  rowSelectFirst_ = r;
  BeginCaretMove();
  if (r >= count) {
    // Below the last line: nothing to take.
    CancelSelection();
    MoveCaretTo(r, 0);
    StartSelection();
  } else {
    const RowEnd end = EndOfRow(r);
    MoveCaretTo(r, 0);
    SetAnchor(end.Row, end.Col);
    ExtendSelection();
  }
  EndCaretMove();
}

// Where a row selection that takes `row` ends: the start of the next row, or the end of a last row
// without line break.
EditorCore::RowEnd EditorCore::EndOfRow(int row) const {
  const int count = rows_->Count();
  if (row == count - 1 && rows_->RowAttribute(row) == 2)
    return {row, RowCellCount(row)};
  return {std::min(row + 1, count), 0};
}

// The pointer, with the button held, over `pointerRow`: whole rows from the first one to it.
void EditorCore::SelectRows(int pointerRow) {
  const int count = rows_->Count();
  const int first = rowSelectFirst_;
  if (first >= count)
    return;
  int p = std::clamp(pointerRow, 0, count);
  if (p == count && count > 0 && rows_->RowAttribute(count - 1) == 2)
    --p;
  RowEnd anchor{first, 0};
  RowEnd caret{p, 0};
  if (p >= first) {
    caret = p < count ? EndOfRow(p) : RowEnd{count, 0};
  } else {
    anchor = EndOfRow(first);
  }
  BeginCaretMove();
  if (selState_ != sstSelected || anchorRow_ != anchor.Row || anchorCol_ != AnchorColFor(anchor.Row, anchor.Col)) {
    SetAnchor(anchor.Row, anchor.Col);
  }
  MoveCaretTo(caret.Row, caret.Col);
  ExtendSelection();
  EndCaretMove();
}

}  // namespace vrel
