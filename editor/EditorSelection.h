#pragma once

// The editor's caret and selection. The caret is a row and a column in display cells, kept on a cell
// it may stand in (with the column a vertical move came from remembered); the caret as the window
// draws it, the caret-row underline and the ruler's mark are state that each change compares with
// what is shown, repainting the difference. The selection runs from an anchor to the caret, normal
// (through the text) or box (the cells between two columns), or marks a search hit; it is kept both
// in rows and bytes and in rows and cells, and read as byte offsets of the text. It reads the display
// rows and the caret options, scrolls the caret into view through the viewport, and changes no text.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/EditorContext.h"
#include "editor/EditorViewport.h"
#include "editor/EditorWindow.h"

namespace vrel {

class TEditorCaret;

enum TEditorHitStyle : uint8_t { hsSelect, hsDraw, hsCaret };

// Selection state: nothing; anchored (a start point, nothing selected yet); selected; a search hit.
enum TSelectionState : uint8_t { sstNone, sstAnchored, sstSelected, sstHit };
// Selection mode: normal (running through the text) or box (the cells between two columns).
enum TSelectionMode : uint8_t { smNormal, smBox };

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

class EditorSelection final : public EditorViewport::CaretView {
 public:
  // The option objects the caret reads, owned by the core.
  struct Options {
    const TEditorCaret& Caret;
    const TEditorMarks& Marks;
    const TEditorRuler& Ruler;
    const TEditorMargin& Margin;
  };

  // The core's events.
  struct Events {
    const std::function<void()>& CaretMoved;
    const std::function<void(bool selected)>& SelectionChanged;
    const std::function<void()>& SelectionModeChanged;
  };

  EditorSelection(const EditorContext& context, EditorViewport& viewport, const Options& options, const Events& events);
  EditorSelection(const EditorSelection&) = delete;
  EditorSelection& operator=(const EditorSelection&) = delete;

  // --- The caret ------------------------------------------------------------------------------
  int Row() const { return row_; }
  void SetRow(int value);
  int Col() const { return col_; }
  void SetCol(int value);
  // Row and Col together, inside one caret move.
  void MoveCaretTo(int row, int col);
  // The caret's byte in its row.
  int CaretByte() const;
  // The rows were swapped for another editor's: the caret's row within them (not yet placed).
  void RowsReplaced();
  // The caret back to column 0, neither adjusted nor placed: the font is about to change.
  void ResetColumn() { col_ = 0; }

  void HideCaretNested() override;
  void ShowCaretNested() override;
  void ViewMoved() override;
  void BeginCaretMove();
  void EndCaretMove();

  // The window got the focus (the caret is made and shown) or lost it (the caret goes), or the
  // window itself went.
  void UpdateCaret();
  void CaretLost();
  void WindowGone();
  void ScrollCaretIntoView();
  // The caret's place told: the window's caret, the input method's window, OnCaretMoved.
  void SetCaretPosition();
  bool CaretOutOfView() const;
  bool CaretVisible() const;
  EditorRect CaretRect() const;
  const EditorRect& ShownCaretRect() const { return shownCaret_; }
  int UnderlineRow() const { return underlineRow_; }
  int RulerMarkCol() const { return rulerMarkCol_; }
  // The window's caret, the caret-row underline and the ruler's mark brought up to date.
  void SyncMarks();

  // Keys held down repeat: the input method's window follows the caret only when they stop.
  void SetKeyRepeat(bool repeating) { keyRepeat_ = repeating; }
  // A move of the input method's window held back during a key repeat is made now.
  void FlushIme();

  // --- The selection --------------------------------------------------------------------------
  TEditorHitStyle HitStyle() const { return hitStyle_; }
  void SetHitStyle(TEditorHitStyle value);
  TSelectionState SelectionState() const { return selState_; }
  bool Selected() const { return selState_ == sstSelected; }
  // Selected, or a search hit on show.
  bool Marked() const { return selState_ == sstSelected || selState_ == sstHit; }
  TSelectionMode SelectionMode() const { return selMode_; }
  void SetSelectionMode(TSelectionMode value);
  const TSelectionBytes& SelectionBytes() const { return selBytes_; }
  const TSelectionCells& SelectionCells() const { return selCells_; }
  int HitLength() const { return hitLength_; }
  std::optional<TRowSelection> RowSelection(int row) const;
  // The anchor at (row, col), nothing selected yet; at the caret.
  void SetAnchor(int row, int col);
  void StartSelection();
  // The anchor stands at (row, col) as SetAnchor would put it.
  bool AnchoredAt(int row, int col) const;
  void ExtendSelection();
  void CancelSelection();
  bool IsInSelection(int row, int col) const;
  void SelectAll();
  void SetHitLength(int length);

  // --- The byte-offset view -------------------------------------------------------------------
  int64_t SelStart() const;
  void SetSelStart(int64_t value);
  int64_t SelLength() const;
  void SetSelLength(int64_t value);
  std::string SelText() const;
  int64_t OffsetOf(int fromRow, int row, int byte) const;
  void PlaceCaretAtOffset(int fromRow, int64_t offset);
  // Rows first .. last as one text (CR LF after each row that ends a line).
  std::string RowsText(int first, int last) const;
  // Per row of the box (TopRow..BottomRow within the rows): its first and end byte.
  std::vector<std::pair<int, int>> BoxBytes() const;

 private:
  enum class Move { Vertical, Left, Right };
  void AdjustCol(Move move);
  void StoreWanted(Move move, int value);
  void CreateEditorCaret();
  void ShowEditorCaret();
  void HideEditorCaret();
  void MoveIme();
  int HitCells() const;
  void SyncCaret();
  void SyncUnderline();
  void SyncRulerMark();

  bool SelectionDrawn() const;
  void ApplySelection();
  void RepaintSelectionChange(const TSelectionCells& before, TSelectionMode beforeMode, bool beforeDrawn);
  int AnchorColFor(int row, int col) const;

  const EditorContext& context_;
  EditorViewport& viewport_;
  Options options_;
  Events events_;

  // The caret
  int row_ = 0;
  int col_ = 0;
  int caretMoveCount_ = 0;
  int caretHideCount_ = 0;
  int wantedCol_ = 0;
  bool wantedValid_ = false;
  bool keyRepeat_ = false;
  bool imePending_ = false;
  // The caret as the window shows it.
  bool caretCreated_ = false;
  bool caretShown_ = false;
  EditorRect shownCaret_;
  int underlineRow_ = -1;
  int rulerMarkCol_ = -1;

  // The selection
  TEditorHitStyle hitStyle_ = hsSelect;
  TSelectionState selState_ = sstNone;
  TSelectionMode selMode_ = smNormal;
  int anchorRow_ = 0;
  int anchorByte_ = 0;
  int anchorCol_ = 0;
  TSelectionBytes selBytes_;
  TSelectionCells selCells_;
  int hitLength_ = 0;
  bool makingHit_ = false;
};

}  // namespace vrel
