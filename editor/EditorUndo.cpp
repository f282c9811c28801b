#include "editor/EditorUndo.h"

#include <algorithm>
#include <utility>

#include "editor/EditorScreenStrings.h"
#include "platform/UpdateGuard.h"

namespace vrel {

void TEditorUndoObj::SetLimit(int32_t value) {
  limit_ = std::max(kDefaultLimit, value);
}

void TEditorUndoObj::TakeCaret(TUndoData& entry) const {
  if (const AttachedEditor* editor = owner_.FocusedEditor()) {
    entry.Row = editor->Row();
    entry.Col = editor->Col();
  }
}

TUndoData& TEditorUndoObj::AddUndo() {
  TUndoData& entry = undoList_.emplace_back();
  TakeCaret(entry);
  while (undoList_.size() > static_cast<std::size_t>(limit_))
    undoList_.pop_front();
  if (!locked_)
    redoList_.clear();
  return entry;
}

void TEditorUndoObj::AddRedo(const TUndoData& entry) {
  TUndoData& redo = redoList_.emplace_back();
  redo.TakeReplacement(entry);
  TakeCaret(redo);
}

void TEditorUndoObj::Clear() {
  undoList_.clear();
  redoList_.clear();
}

void TEditorUndoObj::Undo() {
  PlayBack(Direction::Undo);
}

void TEditorUndoObj::Redo() {
  PlayBack(Direction::Redo);
}

// The entry's text goes back in place of the rows it names; the replacement that undoes this goes to
// the other list, with the caret from before. The caret then returns to where the entry was made.
void TEditorUndoObj::PlayBack(Direction direction) {
  TUndoDataList& from = direction == Direction::Undo ? undoList_ : redoList_;
  if (from.empty())
    return;
  const TUndoData entry = std::move(from.back());
  from.pop_back();
  AttachedEditor* editor = owner_.FocusedEditor();
  const HiddenCaret hidden(editor);
  {
    UpdateGuard<TzeStringList> batch(owner_);
    TUndoData reverse;
    if (!owner_.ReplaceTextUnrecorded(entry.StartRow, entry.RowCount, entry.Text, reverse))
      return;
    if (!entry.DeletedMarks.empty())
      owner_.RestoreDeletedMarks(entry.StartRow, entry.DeletedMarks, entry.JoinedMarks);
    if (direction == Direction::Undo) {
      AddRedo(reverse);
    } else {
      locked_ = true;
      AddUndo().TakeReplacement(std::move(reverse));
      locked_ = false;
    }
  }
  if (editor) {
    editor->SetRow(entry.Row);
    editor->SetCol(entry.Col);
  }
}

}  // namespace vrel
