#pragma once

// What the display rows and the Lines view need from an editor that shows them. Several editors may
// share one set of rows (and so one text and one undo history); the rows tell each of them what
// changed and read the caret of the one that has the focus. The editor control implements this; the
// tests use a recording stand-in.

namespace vrel {

class TEditorScreenStrings;
class TFountain;

class AttachedEditor {
 public:
  virtual ~AttachedEditor() = default;

  // The rows the editor shows now (an editor may adopt another's rows).
  virtual TEditorScreenStrings& ScreenStrings() = 0;

  // True while the editor is being read from its form or destroyed: word-wrap changes are then
  // only stored, and nothing is re-wrapped or re-scanned.
  virtual bool Loading() const = 0;
  virtual bool Focused() const = 0;

  // The caret: display row (may equal the row count, the place after a final line break) and
  // column in display cells of that row. The setters clamp and adjust as the control does.
  virtual int Row() const = 0;
  virtual void SetRow(int row) = 0;
  virtual int Col() const = 0;
  virtual void SetCol(int col) = 0;
  virtual int TopRow() const = 0;
  virtual void SetTopRow(int row) = 0;

  // Nesting brackets around changes: the caret stays hidden, and the caret-row underline stays
  // off, until the outermost Show/End.
  virtual void HideCaretNested() = 0;
  virtual void ShowCaretNested() = 0;
  virtual void BeginCaretMove() = 0;
  virtual void EndCaretMove() = 0;
  // While a batch of changes runs through the Lines view: no repainting, and the caret is placed
  // again when it ends.
  virtual void SetUpdating(bool updating) = 0;

  // Cancels a selection or a search hit on show.
  virtual void CancelSelection() = 0;

  // The rows changed: read their change record and repaint, rescroll, report the modification.
  virtual void DoChange() = 0;
  // The tokeniser state of `row` changed: paint it again.
  virtual void InvalidateRow(int row) = 0;
  // The rows were rebuilt as a whole (word wrap switched, text loaded): metrics, scroll ranges and
  // a full repaint.
  virtual void RefreshView() = 0;

  // The colouring scheme whose tokeniser keeps the rows' start states.
  virtual TFountain& ActiveFountain() = 0;
  // Compute every row's start state at once instead of two screens' worth.
  virtual bool InitBracketsFull() const = 0;
  // Rows of the screen's height: the screen's height in pixels divided by the row height.
  virtual int ScreenRows() const = 0;
};

// Keeps an editor's caret hidden for the guard's lifetime (no editor: nothing).
class HiddenCaret {
 public:
  explicit HiddenCaret(AttachedEditor* editor) : editor_(editor) {
    if (editor_)
      editor_->HideCaretNested();
  }
  ~HiddenCaret() {
    if (editor_)
      editor_->ShowCaretNested();
  }
  HiddenCaret(const HiddenCaret&) = delete;
  HiddenCaret& operator=(const HiddenCaret&) = delete;

 private:
  AttachedEditor* editor_;
};

}  // namespace vrel
