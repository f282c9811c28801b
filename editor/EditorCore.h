#pragma once

// The editor control without its window: everything the control knows and decides. It holds the
// display rows (shared with other editors that adopt them), Lines and the option objects, and the
// published properties; it edits through the rows' ReplaceText (typing, the selection's text moved
// or replaced, box pastes), finds text, moves by tokens and keeps the row marks, and talks to the
// clipboard. Three parts it owns do the rest: the viewport (layout in pixels, scrolling, what to
// repaint: EditorViewport.h), the caret and the selection (EditorSelection.h), and the dispatch of
// keys, the mouse, the scroll bars and edit-control requests (EditorDispatch.h). It paints nothing
// itself: it tells its window which pixels to paint again or move, and the window's painter reads
// the state back through this class. Tests drive it directly with a stand-in window.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/AttachedEditor.h"
#include "editor/EditorCells.h"
#include "editor/EditorContext.h"
#include "editor/EditorDispatch.h"
#include "editor/EditorProperties.h"
#include "editor/EditorSelection.h"
#include "editor/EditorViewport.h"
#include "editor/EditorWindow.h"
#include "platform/Classes.h"

namespace vrel {

class TEditorScreenStrings;
class TEditorStrings;
class TEditorScreen;
class TEditorImageList;

using TColor = int32_t;
inline constexpr TColor clWhite = 0xFFFFFF;

enum TBorderStyle : uint8_t { bsNone, bsSingle };

class EditorCore : public TComponent, public AttachedEditor {
  VREL_CLASS_INFO(EditorCore, TComponent)
 public:
  // The MIME type of the private clipboard format that marks a box selection, and of the block
  // that carries the text's own CP932 bytes next to the plain (UTF-8) text.
  static const std::string& BoxClipboardFormat();
  static const std::string& Cp932ClipboardFormat();
  static constexpr const char* kTextMimeType = "text/plain";

  // Row marks: bits 0-9 the digit marks 0-9, bits 10-15 the image marks.
  static constexpr int kDigitMarkCount = 10;
  static constexpr int kMarkCount = 16;
  static constexpr int kAllMarks = 0xFFFF;

  EditorCore();
  ~EditorCore() override;

  // --- The window -----------------------------------------------------------------------------
  // The window that shows the editor (null: none, as before the handle exists or after it is
  // gone). Attaching computes the metrics and scroll ranges.
  void SetWindow(EditorWindow* window);
  EditorWindow* Window() const { return context_.Window; }
  bool HandleAllocated() const { return context_.Window != nullptr; }
  // The window's size or font changed (WM_SIZE, CM_FONTCHANGED).
  void Resized();
  void FontChanged();
  void FocusGained();
  void FocusLost();
  // The window lost the mouse: a drag of the selection ends.
  void MouseCaptureLost() { dispatch_.MouseCaptureLost(); }

  // --- Published properties -------------------------------------------------------------------
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TEditorCaret* Caret() const { return caret_.get(); }
  void SetCaret(const TEditorCaret* value) { caret_->Assign(value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
  TFountain* Fountain() const { return fountain_; }
  void SetFountain(TFountain* value);
  TEditorHitStyle HitStyle() const { return selection_.HitStyle(); }
  void SetHitStyle(TEditorHitStyle value) { selection_.SetHitStyle(value); }
  TEditorImagebar* Imagebar() const { return imagebar_.get(); }
  void SetImagebar(const TEditorImagebar* value) { imagebar_->Assign(value); }
  TEditorImageList* ImageDigits() const { return imageDigits_; }
  void SetImageDigits(TEditorImageList* value);
  TEditorImageList* ImageMarks() const { return imageMarks_; }
  void SetImageMarks(TEditorImageList* value);
  TEditorLeftbar* Leftbar() const { return leftbar_.get(); }
  void SetLeftbar(const TEditorLeftbar* value) { leftbar_->Assign(value); }
  TEditorStrings* Lines() const { return lines_.get(); }
  void SetLines(const TPersistent* value);
  TEditorMarks* Marks() const { return marks_.get(); }
  void SetMarks(const TEditorMarks* value) { marks_->Assign(value); }
  TEditorMargin* Margin() const { return margin_.get(); }
  void SetMargin(const TEditorMargin* value) { margin_->Assign(value); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  const std::vector<std::string>& ReserveWordList() const;
  void SetReserveWordList(const std::vector<std::string>& words);
  TEditorRuler* Ruler() const { return ruler_.get(); }
  void SetRuler(const TEditorRuler* value) { ruler_->Assign(value); }
  TScrollStyle ScrollBars() const { return viewport_.ScrollBars(); }
  void SetScrollBars(TScrollStyle value);
  TEditorSpeed* Speed() const { return speed_.get(); }
  void SetSpeed(const TEditorSpeed* value) { speed_->Assign(value); }
  int32_t UndoListMax() const;
  void SetUndoListMax(int32_t value);
  TEditorViewInfo* View() const { return view_.get(); }
  void SetView(const TEditorViewInfo* value) { view_->Assign(value); }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value) { wantReturns_ = value; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool value) { wantTabs_ = value; }
  bool WordWrap() const;
  void SetWordWrap(bool value);
  TEditorWrapOption* WrapOption() const;
  void SetWrapOption(const TEditorWrapOption* value);

  // --- Events ---------------------------------------------------------------------------------
  std::function<void()> OnCaretMoved;
  std::function<void()> OnChange;
  std::function<void()> OnSelectionModeChange;
  std::function<void()> OnTopColChange;
  std::function<void()> OnTopRowChange;
  // Once for each painted row: its text, the pixel origin, its index, its rectangle, selected.
  std::function<void(const std::string& line, int x, int y, int index, const EditorRect& rect, bool selected)>
      OnDrawLine;
  std::function<void(bool selected)> OnSelectionChange;
  // Typed, committed or pasted text (UTF-8) held a character that CP932 cannot hold: nothing of it
  // was inserted. The host tells the user.
  std::function<void(const std::string& utf8)> OnUnmappableText;

  // --- State ----------------------------------------------------------------------------------
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  TEditorScreenStrings& Rows() const { return *rows_; }
  // The colouring scheme in use: Fountain when set, else the built-in one.
  TFountain& ActiveFountain() override;
  // Adopts another editor's rows: the two then share the text, word wrap, its options and the undo
  // history.
  void ShareScreenStrings(EditorCore& editor);
  bool CanUndo() const;
  bool CanRedo() const;
  void Undo();
  void Redo();
  // Called once streaming has set every property: re-wraps, rescans the token states.
  void Loaded() override;

  // --- Caret and scrolling (AttachedEditor) ---------------------------------------------------
  TEditorScreenStrings& ScreenStrings() override { return *rows_; }
  bool Loading() const override;
  bool Focused() const override { return context_.Focused(); }
  int Row() const override { return selection_.Row(); }
  void SetRow(int value) override { selection_.SetRow(value); }
  int Col() const override { return selection_.Col(); }
  void SetCol(int value) override { selection_.SetCol(value); }
  int TopRow() const override { return viewport_.TopRow(); }
  void SetTopRow(int value) override { viewport_.SetTopRow(value); }
  int TopCol() const { return viewport_.TopCol(); }
  void SetTopCol(int value) { viewport_.SetTopCol(value); }
  void HideCaretNested() override { selection_.HideCaretNested(); }
  void ShowCaretNested() override { selection_.ShowCaretNested(); }
  void BeginCaretMove() override { selection_.BeginCaretMove(); }
  void EndCaretMove() override { selection_.EndCaretMove(); }
  void SetUpdating(bool updating) override;
  void CancelSelection() override { selection_.CancelSelection(); }
  void DoChange() override;
  void InvalidateRow(int row) override;
  void RefreshView() override;
  bool InitBracketsFull() const override;
  int ScreenRows() const override;

  // --- Layout (pixels of the client area) -----------------------------------------------------
  int FontHeight() const { return viewport_.FontHeight(); }
  int Ascent() const { return viewport_.Ascent(); }
  int ColumnWidth() const { return viewport_.ColumnWidth(); }
  int RowHeight() const { return viewport_.RowHeight(); }
  int TextLeft() const { return viewport_.TextLeft(); }
  int TextTop() const { return viewport_.TextTop(); }
  int VisibleRows() const { return viewport_.VisibleRows(); }
  int VisibleCols() const { return viewport_.VisibleCols(); }
  int ImagebarWidth() const { return viewport_.ImagebarWidth(); }
  int LeftbarDigits() const { return viewport_.LeftbarDigits(); }
  int LeftbarWidth() const { return viewport_.LeftbarWidth(); }
  int RulerHeight() const { return viewport_.RulerHeight(); }
  // The font or the colouring scheme uses italics: tokens are drawn over one background fill.
  bool ItalicFlag() const { return viewport_.ItalicFlag(); }
  // The width of the client area without the vertical scroll bar, and its height without the
  // horizontal one.
  int ClientRight() const { return viewport_.ClientRight(); }
  int ClientBottom() const { return viewport_.ClientBottom(); }
  // The last row the client area shows, if only in part (the visible rows count whole rows only,
  // and keep a few pixels free below them).
  int LastRowOnScreen() const { return viewport_.LastRowOnScreen(); }
  // The top pixel of a display row, and its bottom pixel (-1 when the row is not on screen).
  int RowTop(int row) const { return viewport_.RowTop(row); }
  int RowBottom(int row) const { return viewport_.RowBottom(row); }
  // The left pixel of a display column.
  int ColumnLeft(int col) const { return viewport_.ColumnLeft(col); }
  // The row under a client y (one less above the text, not below 0) and the column under a
  // client x, with or without rounding to the nearest cell boundary.
  int RowAt(int y) const { return viewport_.RowAt(y); }
  int ColAt(int x, bool rounded) const { return viewport_.ColAt(x, rounded); }
  // The largest top row the scroll range holds (the bar stops at the row count).
  int MaxTopRow() const { return viewport_.MaxTopRow(); }
  int MaxTopCol() const { return viewport_.MaxTopCol(); }
  // The rows and cells of one row, as the caret and the painting lay them out.
  CellLayout Layout() const { return context_.Layout(); }
  std::string RowCells(int row) const { return context_.RowCells(row); }
  int RowCellCount(int row) const { return context_.RowCellCount(row); }
  // The logical line of a row (with word wrap; without it, the row itself).
  int RowToLine(int row) const;
  // A text laid out as the rows are: its tabs expanded, and its width in cells.
  std::string ExpandTabs(std::string_view text) const;
  int TextCellWidth(std::string_view text) const;
  // The digit count the line-number bar would need for the present rows (see UpdateLeftbarColumn).
  int LeftbarColumnNeeded() const { return viewport_.LeftbarColumnNeeded(); }
  // The line number shown beside a display row, or nothing.
  std::optional<int> LineNumber(int row) const { return viewport_.LineNumber(row); }

  // --- The caret as drawn -----------------------------------------------------------------------
  // The caret exists (the window has the focus), is shown, and stands in the view.
  bool CaretVisible() const { return selection_.CaretVisible(); }
  // Its rectangle in client pixels (empty without a caret), and the one the window shows now.
  EditorRect CaretRect() const { return selection_.CaretRect(); }
  const EditorRect& ShownCaretRect() const { return selection_.ShownCaretRect(); }
  // The caret-row underline is shown (at RowBottom of this row), or -1.
  int UnderlineRow() const { return selection_.UnderlineRow(); }
  // The ruler marks this column, or -1.
  int RulerMarkCol() const { return selection_.RulerMarkCol(); }
  // The ruler cell that marks a column (empty when it is not in view).
  EditorRect RulerMarkRect(int col) const { return viewport_.RulerMarkRect(col); }
  bool CaretOutOfView() const { return selection_.CaretOutOfView(); }
  void UpdateCaret() { selection_.UpdateCaret(); }
  void ScrollCaretIntoView() { selection_.ScrollCaretIntoView(); }

  // --- Selection --------------------------------------------------------------------------------
  TSelectionState SelectionState() const { return selection_.SelectionState(); }
  bool Selected() const { return selection_.Selected(); }
  TSelectionMode SelectionMode() const { return selection_.SelectionMode(); }
  void SetSelectionMode(TSelectionMode value);
  const TSelectionBytes& SelectionBytes() const { return selection_.SelectionBytes(); }
  const TSelectionCells& SelectionCells() const { return selection_.SelectionCells(); }
  TDragState DragState() const { return dispatch_.DragState(); }
  int HitLength() const { return selection_.HitLength(); }
  // The cells of `row` drawn selected (or as a hit), if any.
  std::optional<TRowSelection> RowSelection(int row) const { return selection_.RowSelection(row); }
  void StartSelection() { selection_.StartSelection(); }
  void ExtendSelection() { selection_.ExtendSelection(); }
  bool IsInSelection(int row, int col) const { return selection_.IsInSelection(row, col); }
  bool CanSelDrag() const;
  void SelectAll() { selection_.SelectAll(); }
  // Shows a search hit of `length` bytes from the caret as HitStyle says.
  void SetHitLength(int length) { selection_.SetHitLength(length); }

  // The byte-offset view: the rows joined with CR LF after each row that ends a line.
  int64_t SelStart() const { return selection_.SelStart(); }
  void SetSelStart(int64_t value) { selection_.SetSelStart(value); }
  int64_t SelLength() const { return selection_.SelLength(); }
  void SetSelLength(int64_t value) { selection_.SetSelLength(value); }
  std::string SelText() const { return selection_.SelText(); }
  // The offset of (row, byte) from the start of `fromRow`, and back.
  int64_t OffsetOf(int fromRow, int row, int byte) const { return selection_.OffsetOf(fromRow, row, byte); }
  void PlaceCaretAtOffset(int fromRow, int64_t offset) { selection_.PlaceCaretAtOffset(fromRow, offset); }
  // The caret's byte in its row.
  int CaretByte() const { return selection_.CaretByte(); }

  // --- Editing and the clipboard ----------------------------------------------------------------
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // Text that the clipboard offers (CP932 bytes), preferring this program's own block.
  std::optional<std::string> ClipboardText() const;
  bool CanPaste() const;
  // The clipboard's text put in as a box at the caret.
  void PasteBoxFromClipboard();
  // Deletes the selection (unless read-only).
  void ClearSelection() { DeleteSelection(); }
  // Both take LF and lone CR as CR LF. InsertText puts the text in place of the selection or at the
  // caret and leaves the caret after it; InsertBox puts one line per row, at the same column.
  void InsertText(std::string_view text);
  void InsertBox(std::string_view text);
  void DeleteSelection();
  void MoveSelection(int row, int col);
  void DropSelection(int row, int col);

  // --- Input ------------------------------------------------------------------------------------
  // Keys with a Windows virtual-key code (see platform/KeyboardState.h): the caret keys, Ctrl with Left and
  // Right by tokens, Delete. Returns whether the key was used.
  bool KeyDown(int key, TShiftState shift, bool autoRepeat) { return dispatch_.KeyDown(key, shift, autoRepeat); }
  void KeyUp(int key) { dispatch_.KeyUp(key); }
  // A typed character or text (CP932 bytes): "\b" Backspace, "\t" Tab, "\r" Enter (with Shift: a
  // new line above), other control characters nothing, anything else typed text.
  void KeyPress(std::string_view text, TShiftState shift) { dispatch_.KeyPress(text, shift); }
  // Typed or committed text as Unicode (UTF-8), converted to CP932 whole and typed. When a character
  // has no CP932 form nothing is typed, OnUnmappableText is told, and the result is false.
  bool TypeUnicode(std::string_view utf8, TShiftState shift = {}) { return dispatch_.TypeUnicode(utf8, shift); }
  void MouseDown(int x, int y, TShiftState shift) { dispatch_.MouseDown(x, y, shift); }
  void MouseMove(int x, int y, TShiftState shift) { dispatch_.MouseMove(x, y, shift); }
  void MouseUp(int x, int y, TShiftState shift) { dispatch_.MouseUp(x, y, shift); }
  // A scroll bar was moved to `position` (line, page or thumb).
  void ScrollBarMoved(EditorScrollBar bar, int position) { dispatch_.ScrollBarMoved(bar, position); }
  // Scrolls by whole rows as PageUp and PageDown do: the caret keeps its distance from the top.
  void ScrollRows(int count) { dispatch_.ScrollRows(count); }
  TCursorState CursorState() const { return dispatch_.CursorState(); }

  // --- Edit-control requests (64-bit offsets) --------------------------------------------------
  // The text's length; the text copied into `buffer` (at most bufSize - 1 bytes and a terminating
  // zero; nothing for a buffer of no bytes), returning the bytes copied; the text replaced (unless
  // read-only).
  int64_t GetTextLen() const { return dispatch_.GetTextLen(); }
  int64_t GetTextBuf(char* buffer, int64_t bufSize) const { return dispatch_.GetTextBuf(buffer, bufSize); }
  void SetTextBuf(std::string_view text) { dispatch_.SetTextBuf(text); }
  bool HasText() const { return dispatch_.HasText(); }
  // The selection as offsets; setting (0, -1) selects all, a start of -1 cancels the selection.
  void GetSel(int64_t& start, int64_t& end) const { dispatch_.GetSel(start, end); }
  void SetSel(int64_t start, int64_t end) { dispatch_.SetSel(start, end); }
  int GetLineCount() const { return dispatch_.GetLineCount(); }
  // The offset of a row's start (-1: the caret's row); -1 for a row past the text.
  int64_t LineIndex(int row) const { return dispatch_.LineIndex(row); }
  // The row that holds an offset (-1: the selection's start row, or the caret's).
  int LineFromChar(int64_t offset) const { return dispatch_.LineFromChar(offset); }
  // The length of the row that holds an offset; -1: the caret row's, or with a selection the bytes
  // left unselected on its first and last rows.
  int64_t LineLength(int64_t offset) const { return dispatch_.LineLength(offset); }
  // Copies at most `capacity` bytes of a row (no terminator); returns the bytes copied.
  int64_t GetLine(int row, char* buffer, int64_t capacity) const { return dispatch_.GetLine(row, buffer, capacity); }
  // The character nearest a client point, and the client point of a character's cell.
  TCharFromPos CharFromPos(int x, int y) const { return dispatch_.CharFromPos(x, y); }
  EditorPoint PosFromChar(int64_t offset) const { return dispatch_.PosFromChar(offset); }
  // Brings the caret into view, a third of the view in from the edge it was beyond.
  void ScrollCaret() { dispatch_.ScrollCaret(); }
  // The modified flag (unless read-only), undo as a request (false when nothing was undone), and
  // forgetting the history (unless read-only); typed text in place of the selection.
  void SetModify(bool value) { dispatch_.SetModify(value); }
  bool CanUndoEdit() const { return dispatch_.CanUndoEdit(); }
  bool UndoEdit() { return dispatch_.UndoEdit(); }
  void EmptyUndoBuffer() { dispatch_.EmptyUndoBuffer(); }
  void ReplaceSel(std::string_view text) { dispatch_.ReplaceSel(text); }

  // --- Tokens -----------------------------------------------------------------------------------
  // The place of the next (direction 1) or previous (-1) token from (row, col), as Ctrl+Right and
  // Ctrl+Left move: false when the place stays.
  bool NextTokenPos(int& row, int& col, int direction);
  // The row and byte under a client point: false (both -1, or the row alone) off the text.
  bool PosToCharPos(int x, int y, int& row, int& byte) const;
  // The token of the logical line under a client point and its kind (empty and 0 on no token); by
  // the colouring scheme (from the line's state, or afresh) or by the plain tokeniser. Selecting it
  // puts the caret at its start.
  void GetTokenAt(int x, int y, bool byFountain, std::string& token, int& kind, bool freshStart = false);
  void SelectTokenAt(int x, int y, bool byFountain, bool freshStart = false);

  // --- Search -----------------------------------------------------------------------------------
  // Finds `findStr` from the selection, hit or caret with the text search's options (soForward
  // ...); a hit is shown as HitStyle says and scrolled into view. False when nothing is found.
  bool Search(std::string_view findStr, uint16_t options);

  // --- Marks ------------------------------------------------------------------------------------
  // A digit mark (0-9) leaves any other row when it is set; image marks (10-15) stand on any rows.
  void SetMark(int row, int mark);
  void ClearMark(int row, int mark);
  // The caret goes to the first row with the mark (the row to the middle of the view when it is
  // out of it).
  void GotoMark(int mark);
  // The first row with the mark, -1 for none.
  int MarkRow(int mark) const;
  int GetRowMarks(int row) const;
  void SetRowMarks(int row, int marks);

  // --- Painting support -------------------------------------------------------------------------
  // Invalidates rows (clipped to the view): their text part only, or their whole width.
  void InvalidateRowText(int row) { viewport_.InvalidateRowText(row); }
  void InvalidateRows(int first, int last) { viewport_.InvalidateRows(first, last); }
  void InvalidateLeftbar(int first, int last) { viewport_.InvalidateLeftbar(first, last); }
  void InvalidateAll() { viewport_.InvalidateAll(); }
  // Moves the pixels of the client area (the caret hidden around it).
  void ScrollText(int dx, int dy, const EditorRect& area) { viewport_.ScrollText(dx, dy, area); }

  // The change handler of every option object.
  void PropertyChanged(TObject* sender);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Rows First..Last as one text (CR LF after each row that ends a line) with the selection taken
  // out and a text put in its place, which starts At bytes into it.
  struct Splice {
    int First = 0;
    int Last = -1;
    std::string Text;
    int64_t At = 0;
  };

  // What input asks of the core: its edits and the settings that decide them.
  class DispatchEditor final : public EditorDispatch::Editor {
   public:
    explicit DispatchEditor(EditorCore& core) : core_(core) {}
    bool ReadOnly() const override { return core_.readOnly_; }
    bool WantTabs() const override { return core_.wantTabs_; }
    bool CanSelDrag() const override { return core_.CanSelDrag(); }
    void InsertText(std::string_view text) override { core_.InsertText(text); }
    void DeleteSelection() override { core_.DeleteSelection(); }
    void MoveSelection(int row, int col) override { core_.MoveSelection(row, col); }
    void DropSelection(int row, int col) override { core_.DropSelection(row, col); }
    void TypeTab() override { core_.TypeTab(); }
    void Enter(bool shift) override { core_.Enter(shift); }
    void BackSpace() override { core_.BackSpace(); }
    void DeleteKey() override { core_.DeleteKey(); }
    bool NextTokenPos(int& row, int& col, int direction) override { return core_.NextTokenPos(row, col, direction); }
    void SetText(std::string_view text) override;
    void SetModified(bool value) override { core_.modified_ = value; }
    bool CanUndo() const override { return core_.CanUndo(); }
    void Undo() override { core_.Undo(); }

   private:
    EditorCore& core_;
  };

  void SetImageList(TEditorImageList*& field, TEditorImageList* value);
  // The viewport's metrics and scroll ranges measured again.
  void UpdateMetrics();

  // Typing
  // Replaces the caret row's text (its line break stays) and puts the caret `caretByte` bytes into
  // the new text (past its end: on the rows the text wrapped into).
  void ReplaceCaretRow(std::string text, std::size_t caretByte);
  // Backspace and Delete delete the selection instead (true); a search hit on show goes.
  bool DeletingKeyTakesSelection();
  void TypeTab();
  void Enter(bool shift);
  void BackSpace();
  void UnIndent(const std::string& text, int cellCount);
  void DeleteKey();
  // The width of a row's leading blanks in cells, -1 for an empty row; the blanks that make an
  // indent; the indent a new line gets.
  int IndentWidth(int row) const;
  std::string IndentText(int width) const;
  int NewLineIndent() const;

  // Tokens, search
  struct TTokenAt {
    std::string Token;
    int Kind = 0;
    int FirstRow = 0;  // the logical line's first row
    int Cell = 0;      // where the token starts in the line's cells
  };
  std::vector<int> TokenStops(int row);
  TTokenAt TokenAt(int x, int y, bool byFountain, bool freshStart);
  void ShowHit(int from, int64_t offset, int length);

  // Editing
  // Replaces rows first .. first + count - 1 by `text` and places the caret `offset` bytes after the
  // start of `anchor` (a row that starts a logical line at or above the change).
  void ReplaceAndPlace(int first, int count, std::string_view text, int anchor, int64_t offset);
  Splice SelectionRemoved(std::string_view insert) const;
  void PutOnClipboard(const std::string& text, bool box);

  std::vector<std::string> StreamedLines() const;
  void SetStreamedLines(const std::vector<std::string>& lines);

  // The window, the rows and the repainting, as the parts below see them.
  EditorContext context_;
  bool destroying_ = false;

  std::shared_ptr<TEditorScreenStrings> rows_;
  std::unique_ptr<TEditorStrings> lines_;
  std::unique_ptr<TEditorScreen> screen_;
  std::unique_ptr<TEditorViewInfo> view_;
  std::unique_ptr<TEditorCaret> caret_;
  std::unique_ptr<TEditorMarks> marks_;
  std::unique_ptr<TEditorMargin> margin_;
  std::unique_ptr<TEditorImagebar> imagebar_;
  std::unique_ptr<TEditorLeftbar> leftbar_;
  std::unique_ptr<TEditorRuler> ruler_;
  std::unique_ptr<TEditorSpeed> speed_;
  TFountain* fountain_ = nullptr;
  TEditorImageList* imageDigits_ = nullptr;
  TEditorImageList* imageMarks_ = nullptr;

  TBorderStyle borderStyle_ = bsSingle;
  TColor color_ = clWhite;
  TColor fontColor_ = clBlack;
  bool modified_ = false;
  bool readOnly_ = false;
  bool wantReturns_ = true;
  bool wantTabs_ = true;
  // Rows whose token state changed during a change that is still being made.
  std::vector<int> pendingRows_;

  // The parts. The selection is made before the viewport, which keeps it as the caret it moves.
  DispatchEditor dispatchEditor_{*this};
  EditorSelection selection_;
  EditorViewport viewport_;
  EditorDispatch dispatch_;
};

}  // namespace vrel
