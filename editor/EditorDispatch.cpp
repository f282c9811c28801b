// The editor's keys, typed text, mouse and scroll bars.

#include "editor/EditorDispatch.h"

#include <algorithm>
#include <cstdlib>

#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"

namespace vrel {

EditorDispatch::EditorDispatch(const EditorContext& context, EditorViewport& viewport, EditorSelection& selection,
                               Editor& editor, const Options& options,
                               const std::function<void(const std::string& utf8)>& unmappableText)
    : context_(context),
      viewport_(viewport),
      selection_(selection),
      editor_(editor),
      options_(options),
      unmappableText_(unmappableText) {}

// ---------------------------------------------------------------------------------------------
// Typed text

bool EditorDispatch::TypeUnicode(std::string_view utf8, TShiftState shift) {
  if (utf8.empty())
    return true;
  if (!Utf8FitsCp932(utf8)) {
    // A '?' in place of what was typed would change the text behind the user's back.
    if (unmappableText_)
      unmappableText_(std::string(utf8));
    return false;
  }
  KeyPress(Utf8ToCp932(utf8), shift);
  return true;
}

void EditorDispatch::KeyPress(std::string_view text, TShiftState shift) {
  if (editor_.ReadOnly() || text.empty() || dragState_ != dsNone ||
      (context_.Window && context_.Window->LeftButtonDown()))
    return;
  const bool plain = !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
  if (text.size() == 1) {
    switch (text[0]) {
      case '\b':
        if (plain)
          editor_.BackSpace();
        return;
      case '\t':
        if (editor_.WantTabs() && plain && !shift.Contains(ssShift))
          editor_.TypeTab();
        return;
      case '\r':
        if (plain)
          editor_.Enter(shift.Contains(ssShift));
        return;
      default:
        break;
    }
  }
  // Other control characters are keys of their own, not text.
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F)
      return;
  }
  selection_.FlushIme();
  editor_.InsertText(text);
}

// ---------------------------------------------------------------------------------------------
// Keys

void EditorDispatch::ScrollRows(int count) {
  const TEditorScreenStrings& rows = *context_.Rows;
  const int rowCount = rows.Count();
  const int top = viewport_.TopRow();
  if (top == 0 && count < 0) {
    selection_.SetRow(0);
    return;
  }
  if (count > 0 && top < rowCount && top == rowCount - 1 && rows.RowAttribute(top) == 2)
    return;
  const int distance = selection_.Row() - top;
  viewport_.SetTopRow(std::clamp(top + count, 0, rowCount));
  selection_.SetRow(viewport_.TopRow() + distance);
}

bool EditorDispatch::IsLastRowWithoutBreak(int row) const {
  const int count = context_.Rows->Count();
  return row == count - 1 && context_.Rows->RowAttribute(row) == 2;
}

bool EditorDispatch::KeyDown(int key, TShiftState shift, bool autoRepeat) {
  selection_.SetKeyRepeat(autoRepeat);
  const bool ctrl = shift.Contains(ssCtrl);
  if (dragState_ == dsDragging) {
    if (key == vkControl)
      SetDragCopy(true);
    else if (key == vkEscape)
      CancelDrag();
    return true;
  }
  if (context_.Window && context_.Window->LeftButtonDown())
    return true;
  switch (key) {
    case vkPrior:
    case vkNext:
    case vkEnd:
    case vkHome:
    case vkUp:
    case vkDown:
    case vkLeft:
    case vkRight:
      break;
    case vkDelete:
      editor_.DeleteKey();
      return true;
    default:
      return false;
  }
  EditorSelection& caret = selection_;
  const TEditorScreenStrings& rows = *context_.Rows;
  const TEditorSpeed& speed = options_.Speed;
  caret.BeginCaretMove();
  const bool extend = shift.Contains(ssShift);
  if (caret.SelectionState() == sstHit)
    caret.CancelSelection();
  if (extend && !caret.Selected())
    caret.StartSelection();
  else if (!extend && caret.Selected())
    caret.CancelSelection();
  const int count = rows.Count();
  const int visibleRows = viewport_.VisibleRows();
  switch (key) {
    case vkPrior:
    case vkNext: {
      const int range = autoRepeat ? speed.PageVerticalRangeAc() : speed.PageVerticalRange();
      // Paging moves at least one row, however few rows the window shows.
      const int step = std::max(1, (visibleRows - 1) / 2 * range);
      ScrollRows(key == vkPrior ? -step : step);
      break;
    }
    case vkEnd:
      if (ctrl)
        caret.SetRow(count);
      caret.SetCol(context_.RowCellCount(caret.Row()));
      break;
    case vkHome:
      if (ctrl)
        caret.SetRow(0);
      caret.SetCol(0);
      break;
    case vkLeft:
    case vkRight:
      if (ctrl) {
        int row = caret.Row();
        int col = caret.Col();
        if (editor_.NextTokenPos(row, col, key == vkLeft ? -1 : 1))
          caret.MoveCaretTo(row, col);
        break;
      }
      if (key == vkRight) {
        const int before = caret.Col();
        caret.SetCol(before + 1);
        const int row = caret.Row();
        if (caret.Col() == before && row < count && !IsLastRowWithoutBreak(row) &&
            (options_.Caret.NextLine() || rows.RowAttribute(row) == 1)) {
          caret.SetRow(row + 1);
          caret.SetCol(0);
        }
        break;
      }
      if (caret.Col() == 0 && caret.Row() > 0 &&
          (options_.Caret.NextLine() || rows.RowAttribute(caret.Row() - 1) == 1)) {
        caret.SetRow(caret.Row() - 1);
        caret.SetCol(context_.RowCellCount(caret.Row()));
      } else {
        caret.SetCol(caret.Col() - 1);
      }
      break;
    case vkUp: {
      const int step = autoRepeat && caret.Row() == viewport_.TopRow() ? speed.CaretVerticalAc() : 1;
      if (ctrl) {
        viewport_.SetTopRow(viewport_.TopRow() - step);
        if (caret.Row() > viewport_.TopRow() + visibleRows - 1)
          caret.SetRow(viewport_.TopRow() + visibleRows - 1);
      } else if (caret.Row() > 0) {
        caret.SetRow(caret.Row() - step);
      }
      break;
    }
    case vkDown: {
      const int step = autoRepeat && caret.Row() == viewport_.TopRow() + visibleRows - 1 ? speed.CaretVerticalAc() : 1;
      if (ctrl) {
        viewport_.SetTopRow(viewport_.TopRow() + step);
        if (caret.Row() < viewport_.TopRow())
          caret.SetRow(viewport_.TopRow());
      } else if (!IsLastRowWithoutBreak(caret.Row())) {
        caret.SetRow(caret.Row() + step);
      }
      break;
    }
    default:
      break;
  }
  if (extend)
    caret.ExtendSelection();
  caret.EndCaretMove();
  return true;
}

void EditorDispatch::KeyUp(int key) {
  selection_.SetKeyRepeat(false);
  if (dragState_ == dsDragging && key == vkControl)
    SetDragCopy(false);
  selection_.FlushIme();
}

void EditorDispatch::ScrollBarMoved(EditorScrollBar bar, int position) {
  const int topRow = viewport_.TopRow();
  const int topCol = viewport_.TopCol();
  if (bar == EditorScrollBar::Vertical) {
    const int step = std::clamp(position - topRow, -topRow, viewport_.MaxTopRow() - topRow);
    if (step == 0)
      return;
    viewport_.SetTopRow(topRow + step);
    if (options_.Caret.LockScroll())
      selection_.SetRow(selection_.Row() + step);
    return;
  }
  const int step = std::clamp(position - topCol, -topCol, viewport_.VisibleCols() / 2 + kMaxCellColumn - topCol);
  if (step != 0)
    viewport_.SetTopCol(topCol + step);
}

// ---------------------------------------------------------------------------------------------
// Mouse

void EditorDispatch::MouseDown(int x, int y, TShiftState shift) {
  if (!context_.Window)
    return;
  EditorSelection& caret = selection_;
  downX_ = x;
  downY_ = y;
  const int row = viewport_.RowAt(y);
  if (shift.Contains(ssShift)) {
    caret.BeginCaretMove();
    if (!caret.Selected())
      caret.StartSelection();
    caret.SetRow(row);
    caret.SetCol(viewport_.ColAt(x, true));
    caret.ExtendSelection();
    caret.EndCaretMove();
    return;
  }
  const int exactCol = viewport_.ColAt(x, false);
  if (editor_.CanSelDrag() && x > viewport_.TextLeft() && caret.IsInSelection(row, exactCol)) {
    caret.MoveCaretTo(row, exactCol);
    // With a manual drag mode the press is an ordinary one for the host: no drag of the selection.
    if (options_.Caret.SelDragMode() == dmAutomatic)
      dragState_ = dsPending;
    return;
  }
  if (x < viewport_.TextLeft() && options_.Caret.RowSelect()) {
    StartRowSelection(row);
    return;
  }
  caret.BeginCaretMove();
  caret.SetRow(row);
  caret.SetCol(viewport_.ColAt(x, true));
  caret.StartSelection();
  caret.EndCaretMove();
}

void EditorDispatch::MouseMove(int x, int y, TShiftState shift) {
  if (!context_.Window)
    return;
  EditorSelection& caret = selection_;
  const bool held = shift.Contains(ssLeft);
  const int half = viewport_.ColumnWidth() / 2;
  const bool away = std::abs(x - downX_) >= half || std::abs(y - downY_) >= half;
  if (dragState_ == dsPending) {
    if (!held || !away)
      return;
    BeginDrag(shift.Contains(ssCtrl));
  }
  if (dragState_ == dsDragging) {
    SetDragCopy(shift.Contains(ssCtrl));
    caret.MoveCaretTo(viewport_.RowAt(y), viewport_.ColAt(x, false));
    return;
  }
  if (!held) {
    UpdateCursorState(x, y);
    return;
  }
  if (rowSelecting_) {
    SelectRows(viewport_.RowAt(y));
    return;
  }
  caret.BeginCaretMove();
  caret.SetRow(viewport_.RowAt(y));
  caret.SetCol(viewport_.ColAt(x, true));
  if ((caret.SelectionState() == sstAnchored && away) || caret.Selected())
    caret.ExtendSelection();
  caret.EndCaretMove();
}

void EditorDispatch::MouseUp(int x, int y, TShiftState shift) {
  if (dragState_ == dsDragging) {
    Drop(x, y, shift.Contains(ssCtrl));
    return;
  }
  if (dragState_ == dsPending) {
    dragState_ = dsNone;
    selection_.CancelSelection();
    if (context_.Window)
      context_.Window->SetDragCursor(0);
    SetCursorState(csText);
    return;
  }
  rowSelecting_ = false;
}

void EditorDispatch::MouseCaptureLost() {
  CancelDrag();
  rowSelecting_ = false;
}

void EditorDispatch::WindowChanged() {
  cursorApplied_ = false;
  SetCursorState(csText);
}

void EditorDispatch::SetCursorState(TCursorState state) {
  EditorWindow* window = context_.Window;
  if (!window || (cursorApplied_ && state == cursorState_))
    return;
  cursorState_ = state;
  cursorApplied_ = true;
  // The cursor of each state, in the order of TCursorState; the two of a drag are the screen's.
  using CursorOf = int16_t (TEditorCursors::*)() const;
  static constexpr CursorOf kCursors[] = {&TEditorCursors::DefaultCursor,   &TEditorCursors::LeftMarginCursor,
                                          &TEditorCursors::TopMarginCursor, &TEditorCursors::InSelCursor,
                                          &TEditorCursors::DragSelCursor,   &TEditorCursors::DragSelCopyCursor};
  const int id = (options_.Caret.Cursors()->*kCursors[state])();
  if (state >= csDragMove)
    window->SetDragCursor(id);
  else
    window->SetControlCursor(id);
}

void EditorDispatch::UpdateCursorState(int x, int y) {
  if (!options_.Caret.AutoCursor())
    return;
  if (x < viewport_.TextLeft())
    SetCursorState(csLeftMargin);
  else if (y < viewport_.TextTop())
    SetCursorState(csTopMargin);
  else if (editor_.CanSelDrag() && selection_.IsInSelection(viewport_.RowAt(y), viewport_.ColAt(x, false)))
    SetCursorState(csInSelection);
  else
    SetCursorState(csText);
}

void EditorDispatch::BeginDrag(bool copy) {
  dragState_ = dsDragging;
  cursorApplied_ = false;
  dragCopy_ = !copy;
  SetDragCopy(copy);
}

void EditorDispatch::SetDragCopy(bool copy) {
  if (dragState_ != dsDragging || (copy == dragCopy_ && cursorApplied_))
    return;
  dragCopy_ = copy;
  SetCursorState(copy ? csDragCopy : csDragMove);
}

void EditorDispatch::CancelDrag() {
  if (dragState_ == dsNone)
    return;
  dragState_ = dsNone;
  if (context_.Window)
    context_.Window->SetDragCursor(0);
  SetCursorState(csText);
}

void EditorDispatch::Drop(int x, int y, bool copy) {
  EditorWindow* window = context_.Window;
  dragState_ = dsNone;
  if (window)
    window->SetDragCursor(0);
  SetCursorState(csText);
  const bool inside = window && x >= 0 && y >= 0 && x < window->ClientWidth() && y < window->ClientHeight();
  const int row = selection_.Row();
  const int col = selection_.Col();
  if (inside && !selection_.IsInSelection(row, col)) {
    if (copy)
      editor_.DropSelection(row, col);
    else
      editor_.MoveSelection(row, col);
  }
  selection_.CancelSelection();
}

// ---------------------------------------------------------------------------------------------
// Row selection from the left margin

void EditorDispatch::StartRowSelection(int row) {
  EditorSelection& caret = selection_;
  const int count = context_.Rows->Count();
  int r = std::min(row, count);
  if (r == count && count > 0 && context_.Rows->RowAttribute(count - 1) == 2)
    --r;
  rowSelecting_ = true;
  rowSelectFirst_ = r;
  caret.BeginCaretMove();
  if (r >= count) {
    // Below the last line: nothing to take.
    caret.CancelSelection();
    caret.MoveCaretTo(r, 0);
    caret.StartSelection();
  } else {
    const RowEnd end = EndOfRow(r);
    caret.MoveCaretTo(r, 0);
    caret.SetAnchor(end.Row, end.Col);
    caret.ExtendSelection();
  }
  caret.EndCaretMove();
}

// Where a row selection that takes `row` ends: the start of the next row, or the end of a last row
// without line break.
EditorDispatch::RowEnd EditorDispatch::EndOfRow(int row) const {
  const int count = context_.Rows->Count();
  if (row == count - 1 && context_.Rows->RowAttribute(row) == 2)
    return {row, context_.RowCellCount(row)};
  return {std::min(row + 1, count), 0};
}

// The pointer, with the button held, over `pointerRow`: whole rows from the first one to it.
void EditorDispatch::SelectRows(int pointerRow) {
  EditorSelection& caret = selection_;
  const int count = context_.Rows->Count();
  const int first = rowSelectFirst_;
  if (first >= count)
    return;
  int p = std::clamp(pointerRow, 0, count);
  if (p == count && count > 0 && context_.Rows->RowAttribute(count - 1) == 2)
    --p;
  RowEnd anchor{first, 0};
  RowEnd end{p, 0};
  if (p >= first) {
    end = p < count ? EndOfRow(p) : RowEnd{count, 0};
  } else {
    anchor = EndOfRow(first);
  }
  caret.BeginCaretMove();
  if (!caret.Selected() || !caret.AnchoredAt(anchor.Row, anchor.Col))
    caret.SetAnchor(anchor.Row, anchor.Col);
  caret.MoveCaretTo(end.Row, end.Col);
  caret.ExtendSelection();
  caret.EndCaretMove();
}

}  // namespace vrel
