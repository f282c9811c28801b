#include "editor/EditorSelection.h"

#include <algorithm>

#include "editor/EditorProperties.h"
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

EditorSelection::EditorSelection(const EditorContext& context, EditorViewport& viewport, const Options& options,
                                 const Events& events)
    : context_(context), viewport_(viewport), options_(options), events_(events) {}

// ---------------------------------------------------------------------------------------------
// Caret position

void EditorSelection::SetRow(int value) {
  const TEditorScreenStrings& rows = *context_.Rows;
  const int count = rows.Count();
  if (value == row_ && row_ != count)
    return;
  BeginCaretMove();
  row_ = std::clamp(value, 0, count);
  if (row_ == count && count > 0 && rows.RowAttribute(count - 1) == 2)
    --row_;
  AdjustCol(Move::Vertical);
  EndCaretMove();
}

void EditorSelection::SetCol(int value) {
  const int old = col_;
  col_ = std::clamp(value, 0, kMaxCellColumn + 1);
  AdjustCol(col_ < old ? Move::Left : Move::Right);
}

void EditorSelection::MoveCaretTo(int row, int col) {
  BeginCaretMove();
  SetRow(row);
  SetCol(col);
  EndCaretMove();
}

void EditorSelection::RowsReplaced() {
  row_ = std::min(row_, context_.Rows->Count());
}

int EditorSelection::CaretByte() const {
  const TEditorScreenStrings& rows = *context_.Rows;
  if (row_ >= rows.Count())
    return 0;
  return CaretByteIndex(context_.RowCells(row_), rows.Get(row_).size(), col_);
}

void EditorSelection::StoreWanted(Move move, int value) {
  if (move != Move::Vertical || wantedValid_)
    return;
  wantedCol_ = value;
  wantedValid_ = true;
}

// Keeps the caret on a cell it may stand in: not past the row's end (unless the caret is free), not
// on the second half of a double-byte character or in a tab's fill, not past a wrapped row's end.
// A vertical move remembers the column it came from, so that moving on over short rows returns to it.
void EditorSelection::AdjustCol(Move move) {
  const TEditorScreenStrings& rows = *context_.Rows;
  const bool vertical = move == Move::Vertical;
  if (!vertical)
    wantedValid_ = false;
  else if (wantedValid_)
    col_ = wantedCol_;
  const std::string cells = context_.RowCells(row_);
  const int count = static_cast<int>(cells.size());
  const bool leftDown = context_.Window && context_.Window->LeftButtonDown();
  const TEditorCaret& caret = options_.Caret;
  if (!caret.FreeCaret() && count < col_) {
    if (caret.KeepCaret())
      StoreWanted(move, leftDown ? count : col_);
    if (!(caret.FreeRow() && vertical && !leftDown)) {
      col_ = count;
      if (!caret.KeepCaret())
        wantedValid_ = false;
    }
  }
  const auto cellAt = [&cells, count](int c) {
    return c >= 0 && c < count ? cells[static_cast<std::size_t>(c)] : '\0';
  };
  const int step = move == Move::Right ? 1 : -1;
  if (cellAt(col_) == '5') {
    StoreWanted(move, col_);
    col_ += step;
  }
  if (!caret.InTab() && cellAt(col_) == '3') {
    StoreWanted(move, col_);
    while (cellAt(col_) == '3')
      col_ += step;
  }
  if (rows.WordWrap() && col_ >= count) {
    StoreWanted(move, col_);
    const int wrapByte = rows.WrapOption()->WrapByte();
    const bool wrapped = row_ < rows.Count() && rows.RowAttribute(row_) == 1;
    if (!wrapped) {
      if (wrapByte <= col_)
        col_ = std::max(count, wrapByte - 1);
    } else {
      col_ = std::max(0, count - 1);
    }
    if (cellAt(col_) == '5')
      --col_;
    if (!caret.InTab()) {
      while (cellAt(col_) == '3')
        --col_;
    }
  }
  if (col_ > kMaxCellColumn && cellAt(kMaxCellColumn - 1) != '4')
    col_ = kMaxCellColumn;
  col_ = std::clamp(col_, 0, kMaxCellColumn + 1);
  ScrollCaretIntoView();
  SetCaretPosition();
  SyncRulerMark();
}

void EditorSelection::MoveIme() {
  if (keyRepeat_) {
    imePending_ = true;
    return;
  }
  imePending_ = false;
  if (context_.Window)
    context_.Window->SetImePosition(viewport_.ColumnLeft(col_), viewport_.RowTop(row_));
}

void EditorSelection::FlushIme() {
  if (!imePending_)
    return;
  keyRepeat_ = false;
  MoveIme();
}

void EditorSelection::ViewMoved() {
  MoveIme();
  SyncCaret();
}

void EditorSelection::ScrollCaretIntoView() {
  if (!context_.Focused())
    return;
  const EditorViewport& view = viewport_;
  const int visibleRows = view.VisibleRows();
  const int visibleCols = view.VisibleCols();
  if (view.TopRow() > row_)
    viewport_.SetTopRow(row_);
  else if (row_ > view.TopRow() + visibleRows - 1)
    viewport_.SetTopRow(row_ - (visibleRows - 1));
  const int quarter = visibleCols / 4;
  const int topCol = view.TopCol();
  if (topCol > col_)
    viewport_.SetTopCol(std::max(0, std::min(col_, topCol - quarter)));
  else if (col_ > topCol + visibleCols - 1)
    viewport_.SetTopCol(
        std::min(std::max(col_ - (visibleCols - 1), topCol + quarter), kMaxCellColumn - visibleCols / 2));
}

void EditorSelection::SetCaretPosition() {
  SyncCaret();
  MoveIme();
  if (events_.CaretMoved)
    events_.CaretMoved();
}

// ---------------------------------------------------------------------------------------------
// The caret as drawn

void EditorSelection::UpdateCaret() {
  CreateEditorCaret();
  ScrollCaretIntoView();
  SetCaretPosition();
  ShowEditorCaret();
}

void EditorSelection::CreateEditorCaret() {
  if (!context_.Focused())
    return;
  caretCreated_ = true;
  SyncCaret();
}

void EditorSelection::ShowEditorCaret() {
  caretShown_ = true;
  SyncCaret();
}

void EditorSelection::HideEditorCaret() {
  caretShown_ = false;
  SyncCaret();
}

void EditorSelection::CaretLost() {
  HideEditorCaret();
  caretCreated_ = false;
  SyncCaret();
}

void EditorSelection::WindowGone() {
  caretCreated_ = false;
  shownCaret_ = {};
}

bool EditorSelection::CaretOutOfView() const {
  const EditorViewport& view = viewport_;
  return view.TopRow() > row_ || row_ > view.TopRow() + view.VisibleRows() || col_ < view.TopCol() ||
         col_ > view.TopCol() + view.VisibleCols();
}

bool EditorSelection::CaretVisible() const {
  return context_.Window && caretCreated_ && caretShown_ && caretHideCount_ == 0 && !CaretOutOfView();
}

EditorRect EditorSelection::CaretRect() const {
  if (!CaretVisible())
    return {};
  const EditorViewport& view = viewport_;
  const int x = view.ColumnLeft(col_);
  const int y = view.RowTop(row_);
  const int fontHeight = view.FontHeight();
  if (selState_ == sstHit && hitStyle_ == hsCaret && hitLength_ > 0) {
    const int width = std::max(2, HitCells() * view.ColumnWidth());
    return {x, y, x + width, y + fontHeight};
  }
  if (options_.Caret.Style() == csBrief) {
    int width = view.ColumnWidth() - options_.Margin.Character();
    const std::string cells = context_.RowCells(row_);
    if (col_ < static_cast<int>(cells.size()) && cells[static_cast<std::size_t>(col_)] == '4')
      width *= 2;
    return {x, y + fontHeight - 2, x + width, y + fontHeight};
  }
  return {x, y, x + 2, y + fontHeight};
}

int EditorSelection::HitCells() const {
  const TEditorScreenStrings& rows = *context_.Rows;
  const TSelectionBytes& b = selBytes_;
  if (b.StartRow >= rows.Count())
    return 0;
  const int from = rows.CellColumn(b.StartRow, b.StartByte);
  const int to =
      b.EndRow == b.StartRow ? rows.CellColumn(b.StartRow, b.EndByte + 1) : context_.RowCellCount(b.StartRow);
  return std::max(0, to - from);
}

// The caret is state: what the window shows follows it, one repaint of the old and the new cells.
void EditorSelection::SyncCaret() {
  const EditorRect wanted = CaretRect();
  if (wanted == shownCaret_)
    return;
  if (EditorWindow* window = context_.Window) {
    if (!shownCaret_.Empty())
      window->Invalidate(shownCaret_);
    if (!wanted.Empty())
      window->Invalidate(wanted);
    window->CaretChanged();
  }
  shownCaret_ = wanted;
}

void EditorSelection::HideCaretNested() {
  if (caretHideCount_++ == 0)
    SyncCaret();
}

void EditorSelection::ShowCaretNested() {
  if (caretHideCount_ == 0)
    return;
  if (--caretHideCount_ == 0)
    SyncCaret();
}

void EditorSelection::BeginCaretMove() {
  if (caretMoveCount_++ == 0)
    SyncUnderline();
}

void EditorSelection::EndCaretMove() {
  if (caretMoveCount_ == 0)
    return;
  if (--caretMoveCount_ == 0)
    SyncUnderline();
}

void EditorSelection::SyncUnderline() {
  int wanted = -1;
  if (options_.Marks.Underline()->Visible() && caretMoveCount_ == 0 && selState_ != sstSelected && selState_ != sstHit)
    wanted = row_;
  if (wanted == underlineRow_)
    return;
  if (context_.Painting()) {
    for (int row : {underlineRow_, wanted}) {
      const EditorRect rect = viewport_.UnderlineRect(row);
      if (row >= 0 && !rect.Empty())
        context_.Window->Invalidate(rect);
    }
  }
  underlineRow_ = wanted;
}

void EditorSelection::SyncRulerMark() {
  const int wanted = options_.Ruler.Visible() ? col_ : -1;
  if (wanted == rulerMarkCol_)
    return;
  if (context_.Painting()) {
    for (int col : {rulerMarkCol_, wanted}) {
      const EditorRect rect = col >= 0 ? viewport_.RulerMarkRect(col) : EditorRect{};
      if (!rect.Empty())
        context_.Window->Invalidate(rect);
    }
  }
  rulerMarkCol_ = wanted;
}

void EditorSelection::SyncMarks() {
  SyncCaret();
  SyncUnderline();
  SyncRulerMark();
}

// ---------------------------------------------------------------------------------------------
// Selection records

void EditorSelection::SetHitStyle(TEditorHitStyle value) {
  if (value == hitStyle_)
    return;
  CancelSelection();
  hitStyle_ = value;
}

int EditorSelection::AnchorColFor(int row, int col) const {
  return selMode_ == smBox ? col : std::min(col, context_.RowCellCount(row));
}

void EditorSelection::SetAnchor(int row, int col) {
  const TEditorScreenStrings& rows = *context_.Rows;
  CancelSelection();
  if (rows.Count() == 0)
    return;
  selState_ = sstAnchored;
  anchorRow_ = row;
  anchorCol_ = AnchorColFor(row, col);
  anchorByte_ = row < rows.Count() ? CaretByteIndex(context_.RowCells(row), rows.Get(row).size(), col) : 0;
  selBytes_ = {row, row, anchorByte_, anchorByte_ - 1};
  selCells_ = {row, row, anchorCol_, anchorCol_};
}

void EditorSelection::StartSelection() {
  SetAnchor(row_, col_);
}

bool EditorSelection::AnchoredAt(int row, int col) const {
  return anchorRow_ == row && anchorCol_ == AnchorColFor(row, col);
}

// The records from the anchor and the caret.
void EditorSelection::ApplySelection() {
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
  const int anchorCol = std::min(anchorCol_, context_.RowCellCount(anchorRow_));
  const int caretCol = std::min(col_, context_.RowCellCount(row_));
  if (anchorRow_ == row_) {
    selCells_.LeftCol = std::min(anchorCol, caretCol);
    selCells_.RightCol = std::max(anchorCol, caretCol);
  } else {
    selCells_.LeftCol = anchorFirst ? anchorCol : caretCol;
    selCells_.RightCol = anchorFirst ? caretCol : anchorCol;
  }
}

bool EditorSelection::SelectionDrawn() const {
  return selState_ == sstSelected || (selState_ == sstHit && hitStyle_ == hsDraw);
}

std::optional<TRowSelection> EditorSelection::RowSelection(int row) const {
  if (!SelectionDrawn())
    return std::nullopt;
  const TEditorScreenStrings& rows = *context_.Rows;
  const bool endsLine = row < rows.Count() && rows.RowAttribute(row) == 0;
  auto piece = PieceOf(selCells_, selMode_, row, context_.RowCellCount(row), endsLine);
  if (piece)
    piece->Hit = selState_ == sstHit;
  return piece;
}

// Repaints the cells whose selected state differs between the records before and now.
void EditorSelection::RepaintSelectionChange(const TSelectionCells& before, TSelectionMode beforeMode,
                                             bool beforeDrawn) {
  if (!context_.Painting())
    return;
  const bool drawn = SelectionDrawn();
  if (!beforeDrawn && !drawn)
    return;
  const TEditorScreenStrings& rows = *context_.Rows;
  int first = std::min(beforeDrawn ? before.TopRow : selCells_.TopRow, drawn ? selCells_.TopRow : before.TopRow);
  int last =
      std::max(beforeDrawn ? before.BottomRow : selCells_.BottomRow, drawn ? selCells_.BottomRow : before.BottomRow);
  first = std::max(first, viewport_.TopRow());
  last = std::min(last, viewport_.LastRowOnScreen());
  for (int row = first; row <= last; ++row) {
    const int cells = context_.RowCellCount(row);
    const bool endsLine = row < rows.Count() && rows.RowAttribute(row) == 0;
    const auto old = beforeDrawn ? PieceOf(before, beforeMode, row, cells, endsLine) : std::nullopt;
    const auto now = drawn ? PieceOf(selCells_, selMode_, row, cells, endsLine) : std::nullopt;
    if (!old && !now)
      continue;
    if (old && now && old->From == now->From && old->To == now->To && beforeMode == selMode_)
      continue;
    // The cells that changed lie between the two pieces' outer ends; repaint that stretch.
    if (old && now && beforeMode == selMode_) {
      if (old->From != now->From)
        viewport_.InvalidateCells(row, std::min(old->From, now->From), std::max(old->From, now->From));
      if (old->To != now->To)
        viewport_.InvalidateCells(row, std::min(old->To, now->To), std::max(old->To, now->To));
      continue;
    }
    const int from = std::min(old ? old->From : now->From, now ? now->From : old->From);
    const int to = std::max(old ? old->To : now->To, now ? now->To : old->To);
    viewport_.InvalidateCells(row, from, to);
  }
}

void EditorSelection::ExtendSelection() {
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
  if (events_.SelectionChanged)
    events_.SelectionChanged(true);
}

void EditorSelection::CancelSelection() {
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
  if (events_.SelectionChanged)
    events_.SelectionChanged(false);
}

void EditorSelection::SetSelectionMode(TSelectionMode value) {
  if (value == selMode_)
    return;
  const TSelectionCells before = selCells_;
  const TSelectionMode beforeMode = selMode_;
  const bool beforeDrawn = SelectionDrawn();
  selMode_ = value;
  if (selState_ == sstSelected) {
    ApplySelection();
    RepaintSelectionChange(before, beforeMode, beforeDrawn);
  }
  if (events_.SelectionModeChanged)
    events_.SelectionModeChanged();
}

bool EditorSelection::IsInSelection(int row, int col) const {
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

void EditorSelection::SetHitLength(int length) {
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
      if (hitStyle_ == hsCaret && context_.Focused())
        MoveCaretTo(row, col);
    }
  }
  hitLength_ = length;
  SyncCaret();
}

// ---------------------------------------------------------------------------------------------
// The byte-offset view

int64_t EditorSelection::OffsetOf(int fromRow, int row, int byte) const {
  const TEditorScreenStrings& rows = *context_.Rows;
  int64_t offset = 0;
  row = std::min(row, rows.Count());
  for (int r = std::max(fromRow, 0); r < row; ++r)
    offset += static_cast<int64_t>(rows.Get(r).size()) + (rows.RowAttribute(r) == 0 ? 2 : 0);
  return offset + byte;
}

void EditorSelection::PlaceCaretAtOffset(int fromRow, int64_t offset) {
  const TEditorScreenStrings& rows = *context_.Rows;
  const TRowPosition at = rows.PositionAt(fromRow, offset);
  BeginCaretMove();
  SetRow(at.Row);
  SetCol(rows.CellColumn(at.Row, at.Byte));
  EndCaretMove();
}

int64_t EditorSelection::SelStart() const {
  if (context_.Rows->Count() == 0)
    return 0;
  if (Marked())
    return OffsetOf(0, selBytes_.StartRow, selBytes_.StartByte);
  return OffsetOf(0, row_, CaretByte());
}

std::vector<std::pair<int, int>> EditorSelection::BoxBytes() const {
  const TEditorScreenStrings& rows = *context_.Rows;
  std::vector<std::pair<int, int>> bytes;
  const int last = std::min(selCells_.BottomRow, rows.Count() - 1);
  for (int row = selCells_.TopRow; row <= last; ++row) {
    const std::string cells = context_.RowCells(row);
    const std::size_t length = rows.Get(row).size();
    const int from = ByteAtOrAfterCell(cells, length, selCells_.LeftCol);
    const int to = ByteAtOrAfterCell(cells, length, selCells_.RightCol);
    bytes.emplace_back(from, std::max(from, to));
  }
  return bytes;
}

int64_t EditorSelection::SelLength() const {
  if (!Marked())
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

std::string EditorSelection::RowsText(int first, int last) const {
  if (first > last || first >= context_.Rows->Count())
    return {};
  return context_.Rows->GetRowsText(first, last - first + 1).Text;
}

std::string EditorSelection::SelText() const {
  if (!Marked())
    return {};
  const TEditorScreenStrings& rows = *context_.Rows;
  if (selMode_ == smBox) {
    std::string text;
    const auto bytes = BoxBytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (i > 0)
        text += "\r\n";
      const std::string& row = rows.Get(selCells_.TopRow + static_cast<int>(i));
      text.append(row, static_cast<std::size_t>(bytes[i].first),
                  static_cast<std::size_t>(bytes[i].second - bytes[i].first));
    }
    return text;
  }
  const TSelectionBytes& b = selBytes_;
  const std::string block = RowsText(b.StartRow, std::min(b.EndRow, rows.Count() - 1));
  const auto end = static_cast<std::size_t>(OffsetOf(b.StartRow, b.EndRow, b.EndByte + 1));
  const auto start = static_cast<std::size_t>(b.StartByte);
  if (start >= block.size() || end <= start)
    return {};
  return block.substr(start, std::min(end, block.size()) - start);
}

void EditorSelection::SetSelStart(int64_t value) {
  CancelSelection();
  if (value < 1) {
    MoveCaretTo(0, 0);
    return;
  }
  PlaceCaretAtOffset(0, value);
}

void EditorSelection::SetSelLength(int64_t value) {
  if (selMode_ == smBox)
    SetSelectionMode(smNormal);
  if (value < 1) {
    CancelSelection();
    return;
  }
  int row = row_;
  int byte = CaretByte();
  if (Marked()) {
    row = anchorRow_;
    byte = anchorByte_;
  }
  BeginCaretMove();
  CancelSelection();
  MoveCaretTo(row, context_.Rows->CellColumn(row, byte));
  StartSelection();
  PlaceCaretAtOffset(row, byte + value);
  ScrollCaretIntoView();
  ExtendSelection();
  EndCaretMove();
}

void EditorSelection::SelectAll() {
  HideCaretNested();
  SetSelStart(0);
  SetSelLength(static_cast<int64_t>(OffsetOf(0, context_.Rows->Count(), 0)));
  ShowCaretNested();
}

}  // namespace vrel
