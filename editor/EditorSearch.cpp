// The editor core's search: the rows searched as one text, exactly as the text search reads a text,
// and the hit shown as HitStyle says.

#include <algorithm>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/ZTSearch.h"

namespace vrel {

// Skipping line breaks or blanks can carry a hit any distance, and whole words look at the
// characters on both sides: so the search reads the rows as one text, from a logical line's start
// (where a character and a word always begin) forwards, or the whole text backwards. Its hits are
// then the text search's own on the whole text.
bool EditorCore::Search(std::string_view findStr, uint16_t options) {
  const int count = rows_->Count();
  if (count == 0 || findStr.empty())
    return false;
  const bool marked = selection_.Marked();
  int row = selection_.Row();
  int byte = CaretByte();
  TSearchInfo info;
  int first = 0;
  std::string text;
  if ((options & soForward) != 0) {
    if (marked) {
      row = selection_.SelectionBytes().EndRow;
      byte = selection_.SelectionBytes().EndByte + 1;
    }
    if (row >= count)
      return false;
    first = rows_->LineStart(row);
    text = rows_->GetRowsText(first, count - first).Text;
  } else {
    if (marked) {
      row = selection_.SelectionBytes().StartRow;
      byte = selection_.SelectionBytes().StartByte;
    }
    text = rows_->Text();
  }
  const int64_t start = OffsetOf(first, row, byte);
  if (start > static_cast<int64_t>(text.size()))
    return false;
  info.Start = static_cast<int32_t>(start);
  info.Length = 0;
  if (!SearchText(text, info, findStr, options))
    return false;
  ShowHit(first, info.Start, info.Length);
  return true;
}

// The hit `length` bytes long at `offset` from the start of row `from`: the caret goes to it (the
// view scrolled as ScrollCaret would, a third down, when it is out of sight) and it is shown.
void EditorCore::ShowHit(int from, int64_t offset, int length) {
  BeginCaretMove();
  CancelSelection();
  const TRowPosition at = rows_->PositionAt(from, offset);
  const int col = rows_->CellColumn(at.Row, at.Byte);
  viewport_.ScrollToShow(at.Row, col);
  selection_.MoveCaretTo(at.Row, col);
  SetHitLength(length);
  EndCaretMove();
}

}  // namespace vrel
