// The editor core's row marks: ten digit marks, each on one row at most, and six image marks that
// may stand on many rows; the caret jumps to a digit mark. Marks belong to the rows: edits move them
// with their text (and undo puts back the marks of the lines it restores).

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"

namespace vrel {

int EditorCore::GetRowMarks(int row) const {
  if (row < 0 || row >= rows_->Count())
    return 0;
  return rows_->RowMarks(row);
}

void EditorCore::SetRowMarks(int row, int marks) {
  if (row < 0 || row >= rows_->Count())
    return;
  marks &= kAllMarks;
  if (marks == rows_->RowMarks(row))
    return;
  rows_->PutRowMarks(row, marks);
  viewport_.InvalidateImagebarRow(row);
}

void EditorCore::SetMark(int row, int mark) {
  if (mark < 0 || mark >= kMarkCount)
    return;
  const int bit = 1 << mark;
  if (mark < kDigitMarkCount && (rows_->MarksInUse() & bit) != 0) {
    for (int r = 0; r < rows_->Count(); ++r) {
      if ((rows_->RowMarks(r) & bit) != 0)
        SetRowMarks(r, rows_->RowMarks(r) & ~bit);
    }
  }
  if (row >= 0 && row < rows_->Count())
    SetRowMarks(row, rows_->RowMarks(row) | bit);
}

void EditorCore::ClearMark(int row, int mark) {
  if (mark < 0 || mark >= kMarkCount)
    return;
  SetRowMarks(row, GetRowMarks(row) & ~(1 << mark));
}

int EditorCore::MarkRow(int mark) const {
  if (mark < 0 || mark >= kMarkCount || (rows_->MarksInUse() & (1 << mark)) == 0)
    return -1;
  for (int r = 0; r < rows_->Count(); ++r) {
    if ((rows_->RowMarks(r) & (1 << mark)) != 0)
      return r;
  }
  return -1;
}

void EditorCore::GotoMark(int mark) {
  const int row = MarkRow(mark);
  if (row < 0)
    return;
  BeginCaretMove();
  CancelSelection();
  if (row < viewport_.TopRow() || row >= viewport_.TopRow() + viewport_.VisibleRows())
    SetTopRow(row - viewport_.VisibleRows() / 2);
  SetRow(row);
  EndCaretMove();
}

}  // namespace vrel
