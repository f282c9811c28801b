#include "editor/EditorViewport.h"

#include <algorithm>
#include <cstdlib>

#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"

namespace vrel {

namespace {

int DecimalDigits(int64_t n) {
  int digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

EditorViewport::EditorViewport(const EditorContext& context, const Options& options, CaretView& caret,
                               const Events& events)
    : context_(context), options_(options), caret_(caret), events_(events) {}

// ---------------------------------------------------------------------------------------------
// Layout

void EditorViewport::UpdateImagebarWidth() {
  const TEditorImagebar& bar = options_.Imagebar;
  imagebarWidth_ = bar.Visible() ? bar.DigitWidth() + bar.LeftMargin() + bar.MarkWidth() + bar.RightMargin() : 0;
}

int EditorViewport::LeftbarColumnNeeded() const {
  const TEditorLeftbar& bar = options_.Leftbar;
  if (!bar.Visible() || !bar.ShowNumber())
    return bar.Column();
  const TEditorScreenStrings& rows = *context_.Rows;
  const int count = rows.Count();
  int64_t n = count - 1;
  if (bar.ShowNumberMode() == nmLine && count > 0)
    n = rows.WordWrap() ? rows.RowToLine(count - 1) : count - 1;
  if (!bar.ZeroBase())
    ++n;
  if (count == 0 || rows.RowAttribute(count - 1) != 2)
    ++n;
  return std::min(8, std::max(bar.Column(), DecimalDigits(std::max<int64_t>(0, n))));
}

bool EditorViewport::UpdateLeftbarColumn() {
  const int digits = LeftbarColumnNeeded();
  if (digits == leftbarDigits_)
    return false;
  leftbarDigits_ = digits;
  return true;
}

void EditorViewport::UpdateLeftbarWidth() {
  const TEditorLeftbar& bar = options_.Leftbar;
  leftbarWidth_ = bar.Visible() ? bar.LeftMargin() + leftbarDigits_ * columnWidth_ + bar.RightMargin() + 2 : 0;
}

void EditorViewport::UpdateRulerHeight() {
  const TEditorRuler& ruler = options_.Ruler;
  rulerHeight_ = ruler.Visible() ? (ruler.Edge() ? 11 : 10) : 0;
}

void EditorViewport::UpdateMetrics(bool fountainItalic) {
  EditorWindow* window = context_.Window;
  if (!window)
    return;
  const TEditorMargin& margin = options_.Margin;
  const EditorFontMetrics font = window->FontMetrics();
  fontHeight_ = std::max(1, font.Height + font.ExternalLeading);
  ascent_ = font.Ascent;
  columnWidth_ = std::max(1, font.AverageWidth + margin.Character());
  // The bars' sizes first: the text's edges depend on them.
  UpdateRulerHeight();
  UpdateLeftbarColumn();
  UpdateLeftbarWidth();
  UpdateImagebarWidth();
  textLeft_ = margin.Left() + (options_.Imagebar.Visible() ? imagebarWidth_ : 0) +
              (options_.Leftbar.Visible() ? leftbarWidth_ : 0);
  textTop_ = margin.Top() + (options_.Ruler.Visible() ? rulerHeight_ : 0);
  rowHeight_ = fontHeight_ + margin.Line() + (options_.Marks.Underline()->Visible() ? 1 : 0);
  const int height =
      window->ClientHeight() - textTop_ - 5 - (HorizontalBar() ? window->HorizontalScrollBarHeight() : 0);
  const int width =
      window->ClientWidth() - textLeft_ - columnWidth_ / 2 - (VerticalBar() ? window->VerticalScrollBarWidth() : 0);
  // However small the window, one row and one column: paging and the caret's arithmetic divide by
  // these.
  visibleRows_ = std::max(1, height / rowHeight_);
  visibleCols_ = std::max(1, width / columnWidth_);
  italic_ = font.Italic || fountainItalic;
}

std::optional<int> EditorViewport::LineNumber(int row) const {
  const TEditorLeftbar& bar = options_.Leftbar;
  const TEditorScreenStrings& rows = *context_.Rows;
  const int count = rows.Count();
  if (row < 0 || row > count || (row == count && count > 0 && rows.RowAttribute(count - 1) == 2))
    return std::nullopt;
  int number = row;
  if (bar.ShowNumberMode() == nmLine && rows.WordWrap()) {
    if (row > 0 && row < count && rows.RowAttribute(row - 1) == 1)
      return std::nullopt;
    number = row == count ? rows.LineCount() : rows.RowToLine(row);
  }
  return bar.ZeroBase() ? number : number + 1;
}

int EditorViewport::ClientRight() const {
  if (!context_.Window)
    return 0;
  return context_.Window->ClientWidth() - (VerticalBar() ? context_.Window->VerticalScrollBarWidth() : 0);
}

int EditorViewport::ClientBottom() const {
  if (!context_.Window)
    return 0;
  return context_.Window->ClientHeight() - (HorizontalBar() ? context_.Window->HorizontalScrollBarHeight() : 0);
}

int EditorViewport::LastRowOnScreen() const {
  return topRow_ + std::max(0, ClientBottom() - 1 - textTop_) / rowHeight_;
}

int EditorViewport::RowBottom(int row) const {
  if (row < topRow_ || row > LastRowOnScreen())
    return -1;
  return RowTop(row) + rowHeight_ - 1;
}

int EditorViewport::RowAt(int y) const {
  const int offset = y - textTop_;
  const int rows = offset >= 0 ? offset / rowHeight_ : -1;
  return std::max(0, topRow_ + rows);
}

int EditorViewport::ColAt(int x, bool rounded) const {
  int offset = x - textLeft_;
  if (rounded)
    offset += columnWidth_ / 2;
  const int cols = offset >= 0 ? offset / columnWidth_ : -((-offset + columnWidth_ - 1) / columnWidth_);
  return std::max(0, topCol_ + cols);
}

EditorRect EditorViewport::UnderlineRect(int row) const {
  const int y = RowBottom(row);
  if (y < 0 || !context_.Window)
    return {};
  return {textLeft_, y, ClientRight(), y + 1};
}

EditorRect EditorViewport::RulerMarkRect(int col) const {
  const TEditorRuler& ruler = options_.Ruler;
  if (!ruler.Visible() || col < topCol_ || col > topCol_ + visibleCols_)
    return {};
  const int x = ColumnLeft(col) + 1;
  const int height = rulerHeight_ - 1 - (ruler.Edge() ? 1 : 0);
  return {x, 0, x + columnWidth_ - 1, height};
}

// ---------------------------------------------------------------------------------------------
// Scrolling

int EditorViewport::MaxTopRow() const {
  return context_.Rows->Count();
}

int EditorViewport::MaxTopCol() const {
  return std::max(0, kMaxCellColumn - visibleCols_ / 2);
}

void EditorViewport::UpdateScrollRanges() {
  topRow_ = std::min(topRow_, MaxTopRow());
  topCol_ = std::min(topCol_, MaxTopCol());
  EditorWindow* window = context_.Window;
  if (!window)
    return;
  // The ranges count 0 .. range with a page, as a Windows scroll bar does; the bar's own maximum is
  // the last position a page can start at, and never past where the top row and column stop.
  const int count = context_.Rows->Count();
  const int largestTop = std::max(0, count + visibleRows_ - 1);
  const int vRange = std::max(visibleRows_, largestTop);
  window->SetScrollBar(EditorScrollBar::Vertical, std::min(vRange - visibleRows_ + 1, MaxTopRow()), visibleRows_,
                       topRow_);
  const int hRange = visibleCols_ / 2 + kMaxCellColumn;
  window->SetScrollBar(EditorScrollBar::Horizontal, std::min(hRange - visibleCols_ + 1, MaxTopCol()), visibleCols_,
                       topCol_);
}

void EditorViewport::RowsReplaced() {
  topRow_ = std::min(topRow_, context_.Rows->Count());
}

void EditorViewport::SetTopRow(int value) {
  value = std::clamp(value, 0, MaxTopRow());
  if (value == topRow_)
    return;
  const int old = topRow_;
  topRow_ = value;
  if (context_.Painting()) {
    const int rows = old - value;
    if (std::abs(rows) <= visibleRows_ + 1)
      ScrollText(0, rows * rowHeight_, {0, textTop_, ClientRight(), ClientBottom()});
    else
      InvalidateRows(topRow_, LastRowOnScreen());
  }
  UpdateScrollRanges();
  caret_.ViewMoved();
  if (events_.TopRowChanged)
    events_.TopRowChanged();
}

void EditorViewport::SetTopCol(int value) {
  value = std::clamp(value, 0, MaxTopCol());
  if (value == topCol_)
    return;
  const int old = topCol_;
  topCol_ = value;
  if (context_.Painting()) {
    const int dx = (old - value) * columnWidth_;
    if (std::abs(dx) < ClientRight() - textLeft_)
      ScrollText(dx, 0, {textLeft_, 0, ClientRight(), ClientBottom()});
    else
      context_.Window->Invalidate({textLeft_, 0, ClientRight(), ClientBottom()});
  }
  UpdateScrollRanges();
  caret_.ViewMoved();
  if (events_.TopColChanged)
    events_.TopColChanged();
}

void EditorViewport::ScrollToShow(int row, int col) {
  if (row < topRow_ || row > topRow_ + visibleRows_ - 1)
    SetTopRow(row - visibleRows_ / 3);
  if (col < topCol_ || col > topCol_ + visibleCols_ - 1)
    SetTopCol(col - visibleCols_ / 3);
}

void EditorViewport::ScrollText(int dx, int dy, const EditorRect& area) {
  if (!context_.Painting() || area.Empty())
    return;
  caret_.HideCaretNested();
  context_.Window->ScrollPixels(dx, dy, area);
  caret_.ShowCaretNested();
}

// ---------------------------------------------------------------------------------------------
// Repainting

void EditorViewport::InvalidateRowText(int row) {
  if (!context_.Painting() || row < topRow_ || row > LastRowOnScreen())
    return;
  context_.Window->Invalidate({textLeft_, RowTop(row), ClientRight(), RowTop(row) + rowHeight_});
}

void EditorViewport::InvalidateRows(int first, int last) {
  if (!context_.Painting())
    return;
  first = std::max(first, topRow_);
  last = std::min(last, LastRowOnScreen());
  if (last < first)
    return;
  context_.Window->Invalidate({0, RowTop(first), ClientRight(), std::min(RowTop(last + 1), ClientBottom())});
}

void EditorViewport::InvalidateLeftbar(int first, int last) {
  if (!context_.Painting() || !options_.Leftbar.Visible())
    return;
  first = std::max(first, topRow_);
  last = std::min(last, LastRowOnScreen());
  if (last < first)
    return;
  context_.Window->Invalidate(
      {imagebarWidth_, RowTop(first), imagebarWidth_ + leftbarWidth_, std::min(RowTop(last + 1), ClientBottom())});
}

// A mark changed on the row: its image-bar cell shows it at once, batch or not.
void EditorViewport::InvalidateImagebarRow(int row) {
  if (context_.Window && options_.Imagebar.Visible() && row >= topRow_ && row <= LastRowOnScreen())
    context_.Window->Invalidate({0, RowTop(row), imagebarWidth_, RowTop(row) + rowHeight_});
}

void EditorViewport::InvalidateCells(int row, int from, int to) {
  if (!context_.Painting() || row < topRow_ || row > LastRowOnScreen() || to <= from)
    return;
  const int left = std::max(ColumnLeft(from), textLeft_);
  const int right = std::min(ColumnLeft(to), ClientRight());
  if (right <= left)
    return;
  context_.Window->Invalidate({left, RowTop(row), right, RowTop(row) + rowHeight_});
}

void EditorViewport::InvalidateAll() {
  if (!context_.Painting())
    return;
  context_.Window->Invalidate({0, 0, context_.Window->ClientWidth(), context_.Window->ClientHeight()});
}

}  // namespace vrel
