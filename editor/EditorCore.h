#pragma once

// The editor control without its window: everything the control knows and decides. It holds the
// display rows (shared with other editors that adopt them), Lines and the option objects; it keeps
// the caret (row and column in display cells), the scroll position, the selection (normal or box,
// by keys, mouse and left margin, dragged to move or copy) and the layout of the bars, ruler and
// rows in pixels; it edits through the rows' ReplaceText and talks to the clipboard. It paints
// nothing itself: it tells its window which pixels to paint again or move, and the window's painter
// reads the state back. Tests drive it directly with a stand-in window.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/AttachedEditor.h"
#include "editor/EditorCells.h"
#include "editor/EditorProperties.h"
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
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TEditorHitStyle : uint8_t { hsSelect, hsDraw, hsCaret };

// Selection state: nothing; anchored (a start point, nothing selected yet); selected; a search hit.
enum TSelectionState : uint8_t { sstNone, sstAnchored, sstSelected, sstHit };
// Selection mode: normal (running through the text) or box (the cells between two columns).
enum TSelectionMode : uint8_t { smNormal, smBox };
// Dragging a selection: none; pending (the button went down inside it); dragging.
enum TDragState : uint8_t { dsNone, dsPending, dsDragging };

// The selection in rows and bytes; EndByte is the last selected byte (-1 when the selection ends at
// the start of EndRow).
struct TSelectionBytes {
  int StartRow = 0;
  int EndRow = 0;
  int StartByte = 0;
  int EndByte = -1;
  bool operator==(const TSelectionBytes&) const = default;
};

// The selection in rows and display columns. Normal mode: the selection runs from LeftCol on
// TopRow to RightCol on BottomRow; box mode: the cells LeftCol .. RightCol - 1 of every row.
struct TSelectionCells {
  int TopRow = 0;
  int BottomRow = 0;
  int LeftCol = 0;
  int RightCol = 0;
  bool operator==(const TSelectionCells&) const = default;
};

// Cells of one row that are drawn selected: From .. To - 1.
struct TRowSelection {
  int From = 0;
  int To = 0;
  bool Hit = false;  // drawn in the hit colours
};

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

// Where the cursor is: over the text, the left margin, the top margin, a selection that can be
// dragged; and the two cursors of a drag.
enum TCursorState : int8_t { csText, csLeftMargin, csTopMargin, csInSelection, csDragMove, csDragCopy };

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
  EditorWindow* Window() const { return window_; }
  bool HandleAllocated() const { return window_ != nullptr; }
  // The window's size or font changed (WM_SIZE, CM_FONTCHANGED).
  void Resized();
  void FontChanged();
  void FocusGained();
  void FocusLost();
  // The window lost the mouse: a drag of the selection ends.
  void MouseCaptureLost();

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
  TEditorHitStyle HitStyle() const { return hitStyle_; }
  void SetHitStyle(TEditorHitStyle value);
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
  TScrollStyle ScrollBars() const { return scrollBars_; }
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
  bool Focused() const override;
  int Row() const override { return row_; }
  void SetRow(int value) override;
  int Col() const override { return col_; }
  void SetCol(int value) override;
  int TopRow() const override { return topRow_; }
  void SetTopRow(int value) override;
  int TopCol() const { return topCol_; }
  void SetTopCol(int value);
  void HideCaretNested() override;
  void ShowCaretNested() override;
  void BeginCaretMove() override;
  void EndCaretMove() override;
  void SetUpdating(bool updating) override;
  void CancelSelection() override;
  void DoChange() override;
  void InvalidateRow(int row) override;
  void RefreshView() override;
  bool InitBracketsFull() const override;
  int ScreenRows() const override;

  // --- Layout (pixels of the client area) -----------------------------------------------------
  int FontHeight() const { return fontHeight_; }
  int Ascent() const { return ascent_; }
  int ColumnWidth() const { return columnWidth_; }
  int RowHeight() const { return rowHeight_; }
  int TextLeft() const { return textLeft_; }
  int TextTop() const { return textTop_; }
  int VisibleRows() const { return visibleRows_; }
  int VisibleCols() const { return visibleCols_; }
  int ImagebarWidth() const { return imagebarWidth_; }
  int LeftbarDigits() const { return leftbarDigits_; }
  int LeftbarWidth() const { return leftbarWidth_; }
  int RulerHeight() const { return rulerHeight_; }
  // The font or the colouring scheme uses italics: tokens are drawn over one background fill.
  bool ItalicFlag() const { return italic_; }
  // The width of the client area without the vertical scroll bar, and its height without the
  // horizontal one.
  int ClientRight() const;
  int ClientBottom() const;
  // The last row the client area shows, if only in part (the visible rows count whole rows only,
  // and keep a few pixels free below them).
  int LastRowOnScreen() const;
  // The top pixel of a display row, and its bottom pixel (-1 when the row is not on screen).
  int RowTop(int row) const { return (row - topRow_) * rowHeight_ + textTop_; }
  int RowBottom(int row) const;
  // The left pixel of a display column.
  int ColumnLeft(int col) const { return textLeft_ + (col - topCol_) * columnWidth_; }
  // The row under a client y (one less above the text, not below 0) and the column under a
  // client x, with or without rounding to the nearest cell boundary.
  int RowAt(int y) const;
  int ColAt(int x, bool rounded) const;
  // The largest top row the scroll range holds (the bar stops at the row count).
  int MaxTopRow() const;
  int MaxTopCol() const;
  // The rows and cells of one row, as the caret and the painting lay them out.
  CellLayout Layout() const;
  std::string RowCells(int row) const;
  int RowCellCount(int row) const;
  // The logical line of a row (with word wrap; without it, the row itself).
  int RowToLine(int row) const;
  // A text laid out as the rows are: its tabs expanded, and its width in cells.
  std::string ExpandTabs(std::string_view text) const;
  int TextCellWidth(std::string_view text) const;
  // The digit count the line-number bar would need for the present rows (see UpdateLeftbarColumn).
  int LeftbarColumnNeeded() const;
  // The line number shown beside a display row, or nothing.
  std::optional<int> LineNumber(int row) const;

  // --- The caret as drawn -----------------------------------------------------------------------
  // The caret exists (the window has the focus), is shown, and stands in the view.
  bool CaretVisible() const;
  // Its rectangle in client pixels (empty without a caret), and the one the window shows now.
  EditorRect CaretRect() const;
  const EditorRect& ShownCaretRect() const { return shownCaret_; }
  // The caret-row underline is shown (at RowBottom of this row), or -1.
  int UnderlineRow() const { return underlineRow_; }
  // The ruler marks this column, or -1.
  int RulerMarkCol() const { return rulerMarkCol_; }
  // The ruler cell that marks a column (empty when it is not in view).
  EditorRect RulerMarkRect(int col) const;
  bool CaretOutOfView() const;
  void UpdateCaret();
  void ScrollCaretIntoView();

  // --- Selection --------------------------------------------------------------------------------
  TSelectionState SelectionState() const { return selState_; }
  bool Selected() const { return selState_ == sstSelected; }
  TSelectionMode SelectionMode() const { return selMode_; }
  void SetSelectionMode(TSelectionMode value);
  const TSelectionBytes& SelectionBytes() const { return selBytes_; }
  const TSelectionCells& SelectionCells() const { return selCells_; }
  TDragState DragState() const { return dragState_; }
  int HitLength() const { return hitLength_; }
  // The cells of `row` drawn selected (or as a hit), if any.
  std::optional<TRowSelection> RowSelection(int row) const;
  void StartSelection();
  void ExtendSelection();
  bool IsInSelection(int row, int col) const;
  bool CanSelDrag() const;
  void SelectAll();
  // Shows a search hit of `length` bytes from the caret as HitStyle says.
  void SetHitLength(int length);

  // The byte-offset view: the rows joined with CR LF after each row that ends a line.
  int64_t SelStart() const;
  void SetSelStart(int64_t value);
  int64_t SelLength() const;
  void SetSelLength(int64_t value);
  std::string SelText() const;
  // The offset of (row, byte) from the start of `fromRow`, and back.
  int64_t OffsetOf(int fromRow, int row, int byte) const;
  void PlaceCaretAtOffset(int fromRow, int64_t offset);
  // The caret's byte in its row.
  int CaretByte() const;

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
  void ClearSelection();
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
  bool KeyDown(int key, TShiftState shift, bool autoRepeat);
  void KeyUp(int key);
  // A typed character or text (CP932 bytes): "\b" Backspace, "\t" Tab, "\r" Enter (with Shift: a
  // new line above), other control characters nothing, anything else typed text.
  void KeyPress(std::string_view text, TShiftState shift);
  // Typed or committed text as Unicode (UTF-8), converted to CP932 whole and typed. When a character
  // has no CP932 form nothing is typed, OnUnmappableText is told, and the result is false.
  bool TypeUnicode(std::string_view utf8, TShiftState shift = {});
  void MouseDown(int x, int y, TShiftState shift);
  void MouseMove(int x, int y, TShiftState shift);
  void MouseUp(int x, int y, TShiftState shift);
  // A scroll bar was moved to `position` (line, page or thumb).
  void ScrollBarMoved(EditorScrollBar bar, int position);
  // Scrolls by whole rows as PageUp and PageDown do: the caret keeps its distance from the top.
  void ScrollRows(int count);
  TCursorState CursorState() const { return cursorState_; }

  // --- Edit-control requests (64-bit offsets) --------------------------------------------------
  // The text's length; the text copied into `buffer` (at most bufSize - 1 bytes and a terminating
  // zero; nothing for a buffer of no bytes), returning the bytes copied; the text replaced (unless
  // read-only).
  int64_t GetTextLen() const;
  int64_t GetTextBuf(char* buffer, int64_t bufSize) const;
  void SetTextBuf(std::string_view text);
  bool HasText() const;
  // The selection as offsets; setting (0, -1) selects all, a start of -1 cancels the selection.
  void GetSel(int64_t& start, int64_t& end) const;
  void SetSel(int64_t start, int64_t end);
  int GetLineCount() const;
  // The offset of a row's start (-1: the caret's row); -1 for a row past the text.
  int64_t LineIndex(int row) const;
  // The row that holds an offset (-1: the selection's start row, or the caret's).
  int LineFromChar(int64_t offset) const;
  // The length of the row that holds an offset; -1: the caret row's, or with a selection the bytes
  // left unselected on its first and last rows.
  int64_t LineLength(int64_t offset) const;
  // Copies at most `capacity` bytes of a row (no terminator); returns the bytes copied.
  int64_t GetLine(int row, char* buffer, int64_t capacity) const;
  // The character nearest a client point, and the client point of a character's cell.
  TCharFromPos CharFromPos(int x, int y) const;
  EditorPoint PosFromChar(int64_t offset) const;
  // Brings the caret into view, a third of the view in from the edge it was beyond.
  void ScrollCaret();
  // The modified flag (unless read-only), undo as a request (false when nothing was undone), and
  // forgetting the history (unless read-only); typed text in place of the selection.
  void SetModify(bool value);
  bool CanUndoEdit() const;
  bool UndoEdit();
  void EmptyUndoBuffer();
  void ReplaceSel(std::string_view text);

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
  void InvalidateRowText(int row);
  void InvalidateRows(int first, int last);
  void InvalidateLeftbar(int first, int last);
  void InvalidateAll();
  // Moves the pixels of the client area (the caret hidden around it).
  void ScrollText(int dx, int dy, const EditorRect& area);

  // The change handler of every option object.
  void PropertyChanged(TObject* sender);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Where a row selection that takes a row ends.
  struct RowEnd {
    int Row = 0;
    int Col = 0;
  };
  // Rows First..Last as one text (CR LF after each row that ends a line) with the selection taken
  // out and a text put in its place, which starts At bytes into it.
  struct Splice {
    int First = 0;
    int Last = -1;
    std::string Text;
    int64_t At = 0;
  };

  void SetImageList(TEditorImageList*& field, TEditorImageList* value);

  // Layout
  void UpdateMetrics();
  void UpdateScrollRanges();
  void UpdateImagebarWidth();
  bool UpdateLeftbarColumn();
  void UpdateLeftbarWidth();
  void UpdateRulerHeight();
  void LeftbarWidthChanged(int oldWidth, int newWidth);
  void InvalidateCells(int row, int from, int to);

  // Caret, and what the window draws outside the text: the caret, the caret-row underline and the
  // ruler's mark are state; each Sync compares it with what is shown and repaints the difference.
  enum class Move { Vertical, Left, Right };
  void AdjustCol(Move move);
  void StoreWanted(Move move, int value);
  void SetCaretPosition();
  void CreateEditorCaret();
  void ShowEditorCaret();
  void HideEditorCaret();
  void MoveIme();
  int HitCells() const;
  EditorRect UnderlineRect(int row) const;
  void SyncCaret();
  void SyncUnderline();
  void SyncRulerMark();
  void SyncMarks();
  // Row and Col together, inside one caret move.
  void MoveCaretTo(int row, int col);
  bool IsLastRowWithoutBreak(int row) const;

  // Selection
  bool SelectionDrawn() const;
  void ApplySelection();
  void RepaintSelectionChange(const TSelectionCells& before, TSelectionMode beforeMode, bool beforeDrawn);
  int AnchorColFor(int row, int col) const;
  void SetAnchor(int row, int col);
  RowEnd EndOfRow(int row) const;
  void SelectRows(int pointerRow);
  void StartRowSelection(int row);
  void SetCursorState(TCursorState state);
  void UpdateCursorState(int x, int y);
  void BeginDrag(bool copy);
  void SetDragCopy(bool copy);
  void CancelDrag();
  void Drop(int x, int y, bool copy);
  std::string RowsText(int first, int last) const;
  // Per row of the box (TopRow..BottomRow within the rows): its first and end byte.
  std::vector<std::pair<int, int>> BoxBytes() const;
  Splice SelectionRemoved(std::string_view insert) const;

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
  void ScrollToShow(int row, int col);

  // Editing
  // Replaces rows first .. first + count - 1 by `text` and places the caret `offset` bytes after the
  // start of `anchor` (a row that starts a logical line at or above the change).
  void ReplaceAndPlace(int first, int count, std::string_view text, int anchor, int64_t offset);
  void PutOnClipboard(const std::string& text, bool box);

  std::vector<std::string> StreamedLines() const;
  void SetStreamedLines(const std::vector<std::string>& lines);

  EditorWindow* window_ = nullptr;
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
  TEditorHitStyle hitStyle_ = hsSelect;
  bool modified_ = false;
  bool readOnly_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = true;

  // Caret and view
  int row_ = 0;
  int col_ = 0;
  int topRow_ = 0;
  int topCol_ = 0;
  int caretMoveCount_ = 0;
  int caretHideCount_ = 0;
  bool updating_ = false;
  int wantedCol_ = 0;
  bool wantedValid_ = false;
  bool suppressPlacement_ = false;
  bool keyRepeat_ = false;
  bool imePending_ = false;
  // The caret as the window shows it.
  bool caretCreated_ = false;
  bool caretShown_ = false;
  EditorRect shownCaret_;
  int underlineRow_ = -1;
  int rulerMarkCol_ = -1;

  // Metrics
  int fontHeight_ = 16;
  int ascent_ = 13;
  int columnWidth_ = 8;
  int rowHeight_ = 16;
  int textLeft_ = 0;
  int textTop_ = 0;
  int visibleRows_ = 1;
  int visibleCols_ = 1;
  int imagebarWidth_ = 0;
  int leftbarDigits_ = 4;
  int leftbarWidth_ = 0;
  int rulerHeight_ = 0;
  bool italic_ = false;

  // Selection
  TSelectionState selState_ = sstNone;
  TSelectionMode selMode_ = smNormal;
  int anchorRow_ = 0;
  int anchorByte_ = 0;
  int anchorCol_ = 0;
  TSelectionBytes selBytes_;
  TSelectionCells selCells_;
  int hitLength_ = 0;
  bool makingHit_ = false;
  TDragState dragState_ = dsNone;
  bool dragCopy_ = false;
  int downX_ = 0;
  int downY_ = 0;
  bool rowSelecting_ = false;
  int rowSelectFirst_ = 0;
  TCursorState cursorState_ = csText;
  bool cursorApplied_ = false;
  // Rows whose token state changed during a change that is still being made.
  std::vector<int> pendingRows_;
};

}  // namespace vrel
