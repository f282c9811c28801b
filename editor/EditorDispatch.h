#pragma once

// The editor's input and requests: keys (the caret keys, paging, Ctrl with the arrows, Delete), typed
// text, the mouse (placing the caret, selecting, the left margin's row selection, dragging a
// selection to move or copy it, with the cursor over the control), the scroll bars, and the requests
// a host makes of a plain edit control (the text and selection as 64-bit byte offsets, rows and
// their offsets, points and characters, the modified flag and undo). It turns each into moves of
// the caret and selection, scrolls of the viewport, and edits that it asks of the core.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "editor/EditorContext.h"
#include "editor/EditorSelection.h"
#include "editor/EditorViewport.h"
#include "platform/Classes.h"

namespace vrel {

class TEditorCaret;
class TEditorSpeed;

// Dragging a selection: none; pending (the button went down inside it); dragging.
enum TDragState : uint8_t { dsNone, dsPending, dsDragging };

// Where the cursor is: over the text, the left margin, the top margin, a selection that can be
// dragged; and the two cursors of a drag.
enum TCursorState : int8_t { csText, csLeftMargin, csTopMargin, csInSelection, csDragMove, csDragCopy };

// The answer to "which character is at this point": its offset in the text and its row; both -1
// for a point outside the client area.
struct TCharFromPos {
  int64_t Offset = -1;
  int Row = -1;
};

struct EditorPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const EditorPoint&) const = default;
};

class EditorDispatch {
 public:
  // The edits that input runs and what decides them: the core's.
  class Editor {
   public:
    virtual bool ReadOnly() const = 0;
    virtual bool WantTabs() const = 0;
    virtual bool CanSelDrag() const = 0;
    virtual void InsertText(std::string_view text) = 0;
    virtual void DeleteSelection() = 0;
    virtual void MoveSelection(int row, int col) = 0;
    virtual void DropSelection(int row, int col) = 0;
    virtual void TypeTab() = 0;
    virtual void Enter(bool shift) = 0;
    virtual void BackSpace() = 0;
    virtual void DeleteKey() = 0;
    virtual bool NextTokenPos(int& row, int& col, int direction) = 0;
    virtual void SetText(std::string_view text) = 0;
    virtual void SetModified(bool value) = 0;
    virtual bool CanUndo() const = 0;
    virtual void Undo() = 0;

   protected:
    ~Editor() = default;
  };

  // The option objects input reads, owned by the core.
  struct Options {
    const TEditorCaret& Caret;
    const TEditorSpeed& Speed;
  };

  EditorDispatch(const EditorContext& context, EditorViewport& viewport, EditorSelection& selection, Editor& editor,
                 const Options& options, const std::function<void(const std::string& utf8)>& unmappableText);
  EditorDispatch(const EditorDispatch&) = delete;
  EditorDispatch& operator=(const EditorDispatch&) = delete;

  // --- Keys and typed text --------------------------------------------------------------------
  bool KeyDown(int key, TShiftState shift, bool autoRepeat);
  void KeyUp(int key);
  void KeyPress(std::string_view text, TShiftState shift);
  bool TypeUnicode(std::string_view utf8, TShiftState shift);

  // --- The mouse and the scroll bars ----------------------------------------------------------
  void MouseDown(int x, int y, TShiftState shift);
  void MouseMove(int x, int y, TShiftState shift);
  void MouseUp(int x, int y, TShiftState shift);
  // The window lost the mouse: a drag of the selection, or the left margin's row selection, ends.
  void MouseCaptureLost();
  // The drag ends without a drop: Esc, or the control lost the focus or the mouse.
  void CancelDrag();
  void ScrollBarMoved(EditorScrollBar bar, int position);
  void ScrollRows(int count);
  TDragState DragState() const { return dragState_; }
  TCursorState CursorState() const { return cursorState_; }
  void SetCursorState(TCursorState state);
  // The window is new: its cursor is set afresh.
  void WindowChanged();

  // --- Edit-control requests ------------------------------------------------------------------
  int64_t GetTextLen() const;
  int64_t GetTextBuf(char* buffer, int64_t bufSize) const;
  void SetTextBuf(std::string_view text);
  bool HasText() const;
  void GetSel(int64_t& start, int64_t& end) const;
  void SetSel(int64_t start, int64_t end);
  int GetLineCount() const;
  int64_t LineIndex(int row) const;
  int LineFromChar(int64_t offset) const;
  int64_t LineLength(int64_t offset) const;
  int64_t GetLine(int row, char* buffer, int64_t capacity) const;
  TCharFromPos CharFromPos(int x, int y) const;
  EditorPoint PosFromChar(int64_t offset) const;
  void ScrollCaret();
  void SetModify(bool value);
  bool CanUndoEdit() const;
  bool UndoEdit();
  void EmptyUndoBuffer();
  void ReplaceSel(std::string_view text);

 private:
  // Where a row selection that takes a row ends.
  struct RowEnd {
    int Row = 0;
    int Col = 0;
  };

  bool IsLastRowWithoutBreak(int row) const;
  void UpdateCursorState(int x, int y);
  void BeginDrag(bool copy);
  void SetDragCopy(bool copy);
  void Drop(int x, int y, bool copy);
  RowEnd EndOfRow(int row) const;
  void StartRowSelection(int row);
  void SelectRows(int pointerRow);

  const EditorContext& context_;
  EditorViewport& viewport_;
  EditorSelection& selection_;
  Editor& editor_;
  Options options_;
  const std::function<void(const std::string& utf8)>& unmappableText_;

  TDragState dragState_ = dsNone;
  bool dragCopy_ = false;
  int downX_ = 0;
  int downY_ = 0;
  bool rowSelecting_ = false;
  int rowSelectFirst_ = 0;
  TCursorState cursorState_ = csText;
  bool cursorApplied_ = false;
};

}  // namespace vrel
