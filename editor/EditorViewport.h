#pragma once

// The editor's viewport: the layout in pixels of the client area (image bar, line-number bar, ruler,
// margins, rows and columns), the first row and column in view with the scroll bars' ranges, and
// what scrolling and changes ask of the window (repaint these pixels, move those). It reads the
// display rows for their count and line numbers and the layout options for the bars' sizes. Of the
// caret it knows only that it hides while pixels move and follows the view when the view scrolls.

#include <cstdint>
#include <functional>
#include <optional>

#include "editor/EditorContext.h"
#include "editor/EditorWindow.h"

namespace vrel {

class TEditorImagebar;
class TEditorLeftbar;
class TEditorMargin;
class TEditorMarks;
class TEditorRuler;

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

class EditorViewport {
 public:
  // The caret as the viewport moves it.
  class CaretView {
   public:
    virtual void HideCaretNested() = 0;
    virtual void ShowCaretNested() = 0;
    // The view scrolled: the caret (and the input method's window) go where its cell now shows.
    virtual void ViewMoved() = 0;

   protected:
    ~CaretView() = default;
  };

  // The option objects the layout reads, owned by the core.
  struct Options {
    const TEditorMargin& Margin;
    const TEditorImagebar& Imagebar;
    const TEditorLeftbar& Leftbar;
    const TEditorRuler& Ruler;
    const TEditorMarks& Marks;
  };

  // The core's events fired when the first row or column in view changes.
  struct Events {
    const std::function<void()>& TopRowChanged;
    const std::function<void()>& TopColChanged;
  };

  EditorViewport(const EditorContext& context, const Options& options, CaretView& caret, const Events& events);
  EditorViewport(const EditorViewport&) = delete;
  EditorViewport& operator=(const EditorViewport&) = delete;

  // Which scroll bars show; the client area's text part leaves them out.
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value) { scrollBars_ = value; }
  bool VerticalBar() const { return scrollBars_ == ssVertical || scrollBars_ == ssBoth; }
  bool HorizontalBar() const { return scrollBars_ == ssHorizontal || scrollBars_ == ssBoth; }

  // --- Layout ---------------------------------------------------------------------------------
  // Measures the font and the bars again (nothing without a window). `fountainItalic`: the
  // colouring scheme draws some tokens in italics.
  void UpdateMetrics(bool fountainItalic);
  // The line-number bar's digits for the present rows; true when they changed.
  bool UpdateLeftbarColumn();
  // The digit count the line-number bar would need for the present rows.
  int LeftbarColumnNeeded() const;
  // The line number shown beside a display row, or nothing.
  std::optional<int> LineNumber(int row) const;

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
  bool ItalicFlag() const { return italic_; }
  int ClientRight() const;
  int ClientBottom() const;
  int LastRowOnScreen() const;
  int RowTop(int row) const { return (row - topRow_) * rowHeight_ + textTop_; }
  int RowBottom(int row) const;
  int ColumnLeft(int col) const { return textLeft_ + (col - topCol_) * columnWidth_; }
  int RowAt(int y) const;
  int ColAt(int x, bool rounded) const;
  // The caret-row underline below a row, and the ruler cell that marks a column (empty when not in
  // view).
  EditorRect UnderlineRect(int row) const;
  EditorRect RulerMarkRect(int col) const;

  // --- Scrolling ------------------------------------------------------------------------------
  int TopRow() const { return topRow_; }
  void SetTopRow(int value);
  int TopCol() const { return topCol_; }
  void SetTopCol(int value);
  int MaxTopRow() const;
  int MaxTopCol() const;
  // Clamps the top row and column to their ranges and sets the scroll bars.
  void UpdateScrollRanges();
  // The rows were swapped for another editor's: the top row within them.
  void RowsReplaced();
  // Brings (row, col) into view, a third of the view in from the edge it was beyond.
  void ScrollToShow(int row, int col);
  // Moves the pixels of the client area (the caret hidden around it).
  void ScrollText(int dx, int dy, const EditorRect& area);

  // --- Repainting (clipped to the view; nothing while no window repaints) ---------------------
  void InvalidateRowText(int row);
  void InvalidateRows(int first, int last);
  void InvalidateLeftbar(int first, int last);
  void InvalidateImagebarRow(int row);
  void InvalidateCells(int row, int from, int to);
  void InvalidateAll();

 private:
  void UpdateImagebarWidth();
  void UpdateLeftbarWidth();
  void UpdateRulerHeight();

  const EditorContext& context_;
  Options options_;
  CaretView& caret_;
  Events events_;

  TScrollStyle scrollBars_ = ssNone;
  int topRow_ = 0;
  int topCol_ = 0;
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
};

}  // namespace vrel
