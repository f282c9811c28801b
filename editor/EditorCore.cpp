#include "editor/EditorCore.h"

#include <algorithm>
#include <cstdlib>

#include "editor/EditorImages.h"
#include "editor/EditorScreen.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "editor/zeUtils.h"
#include "platform/Clipboard.h"
#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

constexpr const char* kBorderStyleNames[] = {"bsNone", "bsSingle"};
constexpr const char* kScrollStyleNames[] = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
constexpr const char* kHitStyleNames[] = {"hsSelect", "hsDraw", "hsCaret"};

int DecimalDigits(int64_t n) {
  int digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

const std::string& EditorCore::BoxClipboardFormat() {
  static const std::string mime = MimeTypeForFormatName("TEditor Box Type");
  return mime;
}

const std::string& EditorCore::Cp932ClipboardFormat() {
  static const std::string mime = "application/x-vrel-cp932-text";
  return mime;
}

const TClassInfo& EditorCore::StaticClass() {
  using C = EditorCore;
  static const TClassInfo info(
      "TEditor", &Inherited::StaticClass(),
      {props::WithDefault(props::Enumeration<&C::BorderStyle, &C::SetBorderStyle>("BorderStyle", kBorderStyleNames),
                          bsSingle),
       props::Object<&C::Caret>("Caret"),
       props::WithDefault(props::Integer<&C::Color, &C::SetColor>("Color"), clWhite),
       props::WithDefault(props::Enumeration<&C::HitStyle, &C::SetHitStyle>("HitStyle", kHitStyleNames), hsSelect),
       props::Object<&C::Imagebar>("Imagebar"),
       props::Object<&C::Leftbar>("Leftbar"),
       props::StringList<&C::StreamedLines, &C::SetStreamedLines>("Lines"),
       props::Object<&C::Marks>("Marks"),
       props::Object<&C::Margin>("Margin"),
       props::WithDefault(props::Boolean<&C::ReadOnly, &C::SetReadOnly>("ReadOnly"), 0),
       props::StringList<&C::ReserveWordList, &C::SetReserveWordList>("ReserveWordList"),
       props::Object<&C::Ruler>("Ruler"),
       props::WithDefault(props::Enumeration<&C::ScrollBars, &C::SetScrollBars>("ScrollBars", kScrollStyleNames),
                          ssNone),
       props::Object<&C::Speed>("Speed"),
       props::WithDefault(props::Integer<&C::UndoListMax, &C::SetUndoListMax>("UndoListMax"), 64),
       props::Object<&C::View>("View"),
       props::WithDefault(props::Boolean<&C::WantReturns, &C::SetWantReturns>("WantReturns"), 1),
       props::WithDefault(props::Boolean<&C::WantTabs, &C::SetWantTabs>("WantTabs"), 1),
       props::WithDefault(props::Boolean<&C::WordWrap, &C::SetWordWrap>("WordWrap"), 0),
       props::Object<&C::WrapOption>("WrapOption")});
  return info;
}

// ---------------------------------------------------------------------------------------------
// Construction

EditorCore::EditorCore() : TComponent(nullptr) {
  const TNotifyEvent changed = TNotifyEvent::Of<&EditorCore::PropertyChanged>(this);
  rows_ = std::make_shared<TEditorScreenStrings>();
  rows_->AddEditor(*this);
  lines_ = std::make_unique<TEditorStrings>(*this);
  screen_ = std::make_unique<TEditorScreen>(*this);
  view_ = std::make_unique<TEditorViewInfo>();
  view_->OnChange = changed;
  caret_ = std::make_unique<TEditorCaret>();
  caret_->OnChange = changed;
  marks_ = std::make_unique<TEditorMarks>();
  marks_->OnChange = changed;
  margin_ = std::make_unique<TEditorMargin>();
  margin_->OnChange = changed;
  imagebar_ = std::make_unique<TEditorImagebar>();
  imagebar_->OnChange = changed;
  leftbar_ = std::make_unique<TEditorLeftbar>();
  leftbar_->OnChange = changed;
  ruler_ = std::make_unique<TEditorRuler>();
  ruler_->OnChange = changed;
  speed_ = std::make_unique<TEditorSpeed>();
  rows_->SetTabSpaceCount(caret_->TabSpaceCount());
}

EditorCore::~EditorCore() {
  destroying_ = true;
  window_ = nullptr;
  SetFountain(nullptr);
  rows_->RemoveEditor(*this);
}

void EditorCore::SetWindow(EditorWindow* window) {
  window_ = window;
  if (!window_) {
    caretCreated_ = false;
    shownCaret_ = {};
    return;
  }
  window_->SetBorder(borderStyle_ == bsSingle);
  window_->ShowScrollBars(scrollBars_ == ssVertical || scrollBars_ == ssBoth,
                          scrollBars_ == ssHorizontal || scrollBars_ == ssBoth);
  UpdateMetrics();
  UpdateScrollRanges();
  cursorApplied_ = false;
  SetCursorState(csText);
  SyncMarks();
  InvalidateAll();
}

void EditorCore::Resized() {
  if (!window_)
    return;
  UpdateMetrics();
  UpdateScrollRanges();
  InvalidateAll();
  SyncMarks();
}

void EditorCore::FontChanged() {
  if (!window_)
    return;
  if (topCol_ > 0)
    col_ = 0;
  UpdateMetrics();
  UpdateScrollRanges();
  InvalidateAll();
  UpdateCaret();
  SyncMarks();
}

void EditorCore::FocusGained() {
  UpdateCaret();
}

void EditorCore::FocusLost() {
  CancelDrag();
  HideEditorCaret();
  caretCreated_ = false;
  SyncCaret();
}

void EditorCore::MouseCaptureLost() {
  CancelDrag();
  rowSelecting_ = false;
}

void EditorCore::Loaded() {
  TComponent::Loaded();
  if (rows_->WordWrap())
    rows_->RewrapAll();
  rows_->InitRowStates();
  modified_ = false;
  RefreshView();
}

bool EditorCore::Loading() const {
  return TComponent::Loading() || destroying_;
}

bool EditorCore::Focused() const {
  return window_ && window_->Focused();
}

// ---------------------------------------------------------------------------------------------
// Properties

void EditorCore::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_)
    return;
  borderStyle_ = value;
  if (window_)
    window_->SetBorder(value == bsSingle);
  Resized();
}

void EditorCore::SetColor(TColor value) {
  if (value == color_)
    return;
  color_ = value;
  InvalidateAll();
}

void EditorCore::SetFontColor(TColor value) {
  if (value == fontColor_)
    return;
  fontColor_ = value;
  InvalidateAll();
}

void EditorCore::SetFountain(TFountain* value) {
  if (value == fountain_)
    return;
  const TNotifyEvent changed = TNotifyEvent::Of<&EditorCore::PropertyChanged>(this);
  if (fountain_) {
    fountain_->Subscribers()->Remove(changed);
    RemoveFreeNotification(fountain_);
  }
  fountain_ = value;
  if (fountain_) {
    fountain_->Subscribers()->Add(changed);
    FreeNotification(fountain_);
  }
  if (!destroying_)
    PropertyChanged(fountain_);
}

void EditorCore::SetHitStyle(TEditorHitStyle value) {
  if (value == hitStyle_)
    return;
  CancelSelection();
  hitStyle_ = value;
}

void EditorCore::SetImageList(TEditorImageList*& field, TEditorImageList* value) {
  if (value == field)
    return;
  // The other list may be the same one, still wanting the notification.
  if (field && imageDigits_ != imageMarks_)
    RemoveFreeNotification(field);
  field = value;
  if (value)
    FreeNotification(value);
  if (imagebar_->Visible())
    InvalidateAll();
}

void EditorCore::SetImageDigits(TEditorImageList* value) {
  SetImageList(imageDigits_, value);
}

void EditorCore::SetImageMarks(TEditorImageList* value) {
  SetImageList(imageMarks_, value);
}

void EditorCore::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove)
    return;
  bool repaint = false;
  if (component == fountain_) {
    // Being freed: its subscriber list goes with it.
    fountain_ = nullptr;
    if (!destroying_)
      rows_->InitRowStates();
    repaint = true;
  }
  if (component == imageDigits_) {
    imageDigits_ = nullptr;
    repaint = true;
  }
  if (component == imageMarks_) {
    imageMarks_ = nullptr;
    repaint = true;
  }
  if (repaint && !destroying_)
    InvalidateAll();
}

void EditorCore::SetLines(const TPersistent* value) {
  lines_->Assign(value);
}

std::vector<std::string> EditorCore::StreamedLines() const {
  return lines_->StreamedLines();
}

void EditorCore::SetStreamedLines(const std::vector<std::string>& lines) {
  lines_->SetStreamedLines(lines);
}

void EditorCore::SetReadOnly(bool value) {
  if (dragState_ != dsNone)
    return;
  readOnly_ = value;
}

const std::vector<std::string>& EditorCore::ReserveWordList() const {
  return view_->EditorFountain()->ReserveWordList();
}

void EditorCore::SetReserveWordList(const std::vector<std::string>& words) {
  if (words == ReserveWordList())
    return;
  // The built-in fountain tells its subscribers, the view among them: states rescanned, repainted.
  view_->EditorFountain()->SetReserveWordList(words);
}

void EditorCore::SetScrollBars(TScrollStyle value) {
  if (value == scrollBars_)
    return;
  scrollBars_ = value;
  if (window_)
    window_->ShowScrollBars(value == ssVertical || value == ssBoth, value == ssHorizontal || value == ssBoth);
  Resized();
}

int32_t EditorCore::UndoListMax() const {
  return rows_->UndoObj()->Limit();
}

void EditorCore::SetUndoListMax(int32_t value) {
  rows_->UndoObj()->SetLimit(value);
}

bool EditorCore::WordWrap() const {
  return rows_->WordWrap();
}

void EditorCore::SetWordWrap(bool value) {
  rows_->SetWordWrap(value);
}

TEditorWrapOption* EditorCore::WrapOption() const {
  return rows_->WrapOption();
}

void EditorCore::SetWrapOption(const TEditorWrapOption* value) {
  rows_->WrapOption()->Assign(value);
}

TFountain& EditorCore::ActiveFountain() {
  if (fountain_)
    return *fountain_;
  return *view_->EditorFountain();
}

bool EditorCore::InitBracketsFull() const {
  return speed_->InitBracketsFull();
}

int EditorCore::ScreenRows() const {
  if (!window_)
    return TEditorScreenStrings::kDefaultScreenRows;
  return std::max(1, window_->ScreenHeight() / std::max(rowHeight_, 1));
}

void EditorCore::ShareScreenStrings(EditorCore& editor) {
  if (editor.rows_ == rows_)
    return;
  CancelSelection();
  rows_->RemoveEditor(*this);
  rows_ = editor.rows_;
  rows_->AddEditor(*this);
  row_ = std::min(row_, rows_->Count());
  topRow_ = std::min(topRow_, rows_->Count());
  RefreshView();
  SetRow(row_);
}

bool EditorCore::CanUndo() const {
  return rows_->UndoObj()->CanUndo();
}

bool EditorCore::CanRedo() const {
  return rows_->UndoObj()->CanRedo();
}

void EditorCore::Undo() {
  CancelSelection();
  rows_->Undo();
}

void EditorCore::Redo() {
  CancelSelection();
  rows_->Redo();
}

void EditorCore::PropertyChanged(TObject* sender) {
  if (destroying_)
    return;
  if (sender == caret_.get())
    rows_->SetTabSpaceCount(caret_->TabSpaceCount());
  if (sender == view_.get() || (sender != nullptr && sender == fountain_) || sender == nullptr)
    rows_->InitRowStates();
  if (window_) {
    UpdateMetrics();
    UpdateScrollRanges();
    InvalidateAll();
  }
  if (sender == caret_.get()) {
    rows_->UndoObj()->Clear();
    UpdateCaret();
  } else {
    ScrollCaretIntoView();
    SetCaretPosition();
  }
  SyncMarks();
}

// ---------------------------------------------------------------------------------------------
// Layout

void EditorCore::UpdateImagebarWidth() {
  const TEditorImagebar& bar = *imagebar_;
  imagebarWidth_ = bar.Visible() ? bar.DigitWidth() + bar.LeftMargin() + bar.MarkWidth() + bar.RightMargin() : 0;
}

int EditorCore::LeftbarColumnNeeded() const {
  const TEditorLeftbar& bar = *leftbar_;
  if (!bar.Visible() || !bar.ShowNumber())
    return bar.Column();
  const int count = rows_->Count();
  int64_t n = count - 1;
  if (bar.ShowNumberMode() == nmLine && count > 0)
    n = rows_->WordWrap() ? rows_->RowToLine(count - 1) : count - 1;
  if (!bar.ZeroBase())
    ++n;
  if (count == 0 || rows_->RowAttribute(count - 1) != 2)
    ++n;
  return std::min(8, std::max(bar.Column(), DecimalDigits(std::max<int64_t>(0, n))));
}

bool EditorCore::UpdateLeftbarColumn() {
  const int digits = LeftbarColumnNeeded();
  if (digits == leftbarDigits_)
    return false;
  leftbarDigits_ = digits;
  return true;
}

void EditorCore::UpdateLeftbarWidth() {
  const TEditorLeftbar& bar = *leftbar_;
  leftbarWidth_ = bar.Visible() ? bar.LeftMargin() + leftbarDigits_ * columnWidth_ + bar.RightMargin() + 2 : 0;
}

void EditorCore::UpdateRulerHeight() {
  rulerHeight_ = ruler_->Visible() ? (ruler_->Edge() ? 11 : 10) : 0;
}

void EditorCore::UpdateMetrics() {
  if (!window_)
    return;
  const EditorFontMetrics font = window_->FontMetrics();
  fontHeight_ = std::max(1, font.Height + font.ExternalLeading);
  ascent_ = font.Ascent;
  columnWidth_ = std::max(1, font.AverageWidth + margin_->Character());
  // The bars' sizes first: the text's edges depend on them.
  UpdateRulerHeight();
  UpdateLeftbarColumn();
  UpdateLeftbarWidth();
  UpdateImagebarWidth();
  textLeft_ = margin_->Left() + (imagebar_->Visible() ? imagebarWidth_ : 0) + (leftbar_->Visible() ? leftbarWidth_ : 0);
  textTop_ = margin_->Top() + (ruler_->Visible() ? rulerHeight_ : 0);
  rowHeight_ = fontHeight_ + margin_->Line() + (marks_->Underline()->Visible() ? 1 : 0);
  const bool hbar = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
  const bool vbar = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
  const int height = window_->ClientHeight() - textTop_ - 5 - (hbar ? window_->HorizontalScrollBarHeight() : 0);
  const int width =
      window_->ClientWidth() - textLeft_ - columnWidth_ / 2 - (vbar ? window_->VerticalScrollBarWidth() : 0);
  // However small the window, one row and one column: paging and the caret's arithmetic divide by
  // these.
  visibleRows_ = std::max(1, height / rowHeight_);
  visibleCols_ = std::max(1, width / columnWidth_);
  italic_ = font.Italic || TFountain::HasItalic(ActiveFountain());
}

int EditorCore::MaxTopRow() const {
  return rows_->Count();
}

int EditorCore::MaxTopCol() const {
  return std::max(0, kMaxCellColumn - visibleCols_ / 2);
}

void EditorCore::UpdateScrollRanges() {
  topRow_ = std::min(topRow_, MaxTopRow());
  topCol_ = std::min(topCol_, MaxTopCol());
  if (!window_)
    return;
  // The ranges as a Windows scroll bar counts them (0 .. range with a page); the bar's own maximum is the
  // last position a page can start at, and never past where the top row and column stop.
  const int count = rows_->Count();
  const int largestTop = std::max(0, count + visibleRows_ - 1);
  const int vRange = std::max(visibleRows_, largestTop);
  window_->SetScrollBar(EditorScrollBar::Vertical, std::min(vRange - visibleRows_ + 1, MaxTopRow()), visibleRows_,
                        topRow_);
  const int hRange = visibleCols_ / 2 + kMaxCellColumn;
  window_->SetScrollBar(EditorScrollBar::Horizontal, std::min(hRange - visibleCols_ + 1, MaxTopCol()), visibleCols_,
                        topCol_);
}

int EditorCore::ClientRight() const {
  if (!window_)
    return 0;
  const bool vbar = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
  return window_->ClientWidth() - (vbar ? window_->VerticalScrollBarWidth() : 0);
}

int EditorCore::ClientBottom() const {
  if (!window_)
    return 0;
  const bool hbar = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
  return window_->ClientHeight() - (hbar ? window_->HorizontalScrollBarHeight() : 0);
}

int EditorCore::LastRowOnScreen() const {
  return topRow_ + std::max(0, ClientBottom() - 1 - textTop_) / rowHeight_;
}

int EditorCore::RowBottom(int row) const {
  if (row < topRow_ || row > LastRowOnScreen())
    return -1;
  return RowTop(row) + rowHeight_ - 1;
}

int EditorCore::RowAt(int y) const {
  const int offset = y - textTop_;
  const int rows = offset >= 0 ? offset / rowHeight_ : -1;
  return std::max(0, topRow_ + rows);
}

int EditorCore::ColAt(int x, bool rounded) const {
  int offset = x - textLeft_;
  if (rounded)
    offset += columnWidth_ / 2;
  const int cols = offset >= 0 ? offset / columnWidth_ : -((-offset + columnWidth_ - 1) / columnWidth_);
  return std::max(0, topCol_ + cols);
}

CellLayout EditorCore::Layout() const {
  return {rows_->TabSpaceCount(), rows_->WordWrap() ? rows_->WrapOption()->WrapByte() : 0};
}

std::string EditorCore::RowCells(int row) const {
  if (row < 0 || row >= rows_->Count())
    return {};
  return vrel::RowCells(rows_->Get(row), Layout());
}

int EditorCore::RowCellCount(int row) const {
  return static_cast<int>(RowCells(row).size());
}

int EditorCore::RowToLine(int row) const {
  return rows_->WordWrap() ? rows_->RowToLine(row) : row;
}

std::string EditorCore::ExpandTabs(std::string_view text) const {
  return vrel::ExpandTabs(text, Layout());
}

int EditorCore::TextCellWidth(std::string_view text) const {
  return vrel::TextCellWidth(text, Layout());
}

std::optional<int> EditorCore::LineNumber(int row) const {
  const TEditorLeftbar& bar = *leftbar_;
  const int count = rows_->Count();
  if (row < 0 || row > count || (row == count && count > 0 && rows_->RowAttribute(count - 1) == 2))
    return std::nullopt;
  int number = row;
  if (bar.ShowNumberMode() == nmLine && rows_->WordWrap()) {
    if (row > 0 && row < count && rows_->RowAttribute(row - 1) == 1)
      return std::nullopt;
    number = row == count ? rows_->LineCount() : rows_->RowToLine(row);
  }
  return bar.ZeroBase() ? number : number + 1;
}

void EditorCore::LeftbarWidthChanged(int oldWidth, int newWidth) {
  if (!window_)
    return;
  if (newWidth != oldWidth)
    InvalidateAll();
}

void EditorCore::RefreshView() {
  if (!window_)
    return;
  UpdateMetrics();
  UpdateScrollRanges();
  pendingRows_.clear();
  if (!updating_)
    InvalidateAll();
  SyncMarks();
}

void EditorCore::DoChange() {
  const TEditorChange change = rows_->Change();
  if (window_ && !updating_) {
    screen_->UpdateScreen();
    for (int row : pendingRows_)
      InvalidateRowText(row);
  }
  pendingRows_.clear();
  if (window_ && UpdateLeftbarColumn()) {
    const int old = leftbarWidth_;
    UpdateMetrics();
    if (!updating_)
      LeftbarWidthChanged(old, leftbarWidth_);
  }
  UpdateScrollRanges();
  if (change.Modified) {
    modified_ = true;
    if (OnChange)
      OnChange();
  }
}

void EditorCore::InvalidateRow(int row) {
  // During a change the rows' own report repaints them once it is made (and moved).
  if (rows_->UpdateCount() > 0)
    pendingRows_.push_back(row);
  else
    InvalidateRowText(row);
}

// ---------------------------------------------------------------------------------------------
// Invalidation and scrolling

void EditorCore::InvalidateRowText(int row) {
  if (!window_ || updating_ || row < topRow_ || row > LastRowOnScreen())
    return;
  window_->Invalidate({textLeft_, RowTop(row), ClientRight(), RowTop(row) + rowHeight_});
}

void EditorCore::InvalidateRows(int first, int last) {
  if (!window_ || updating_)
    return;
  first = std::max(first, topRow_);
  last = std::min(last, LastRowOnScreen());
  if (last < first)
    return;
  window_->Invalidate({0, RowTop(first), ClientRight(), std::min(RowTop(last + 1), ClientBottom())});
}

void EditorCore::InvalidateLeftbar(int first, int last) {
  if (!window_ || updating_ || !leftbar_->Visible())
    return;
  first = std::max(first, topRow_);
  last = std::min(last, LastRowOnScreen());
  if (last < first)
    return;
  window_->Invalidate(
      {imagebarWidth_, RowTop(first), imagebarWidth_ + leftbarWidth_, std::min(RowTop(last + 1), ClientBottom())});
}

void EditorCore::InvalidateAll() {
  if (!window_ || updating_)
    return;
  window_->Invalidate({0, 0, window_->ClientWidth(), window_->ClientHeight()});
}

void EditorCore::InvalidateCells(int row, int from, int to) {
  if (!window_ || updating_ || row < topRow_ || row > LastRowOnScreen() || to <= from)
    return;
  const int left = std::max(ColumnLeft(from), textLeft_);
  const int right = std::min(ColumnLeft(to), ClientRight());
  if (right <= left)
    return;
  window_->Invalidate({left, RowTop(row), right, RowTop(row) + rowHeight_});
}

void EditorCore::ScrollText(int dx, int dy, const EditorRect& area) {
  if (!window_ || updating_ || area.Empty())
    return;
  HideCaretNested();
  window_->ScrollPixels(dx, dy, area);
  ShowCaretNested();
}

// ---------------------------------------------------------------------------------------------
// Caret position

void EditorCore::SetRow(int value) {
  const int count = rows_->Count();
  if (value == row_ && row_ != count)
    return;
  BeginCaretMove();
  row_ = std::clamp(value, 0, count);
  if (row_ == count && count > 0 && rows_->RowAttribute(count - 1) == 2)
    --row_;
  AdjustCol(Move::Vertical);
  EndCaretMove();
}

void EditorCore::SetCol(int value) {
  const int old = col_;
  col_ = std::clamp(value, 0, kMaxCellColumn + 1);
  AdjustCol(col_ < old ? Move::Left : Move::Right);
}

void EditorCore::MoveCaretTo(int row, int col) {
  BeginCaretMove();
  SetRow(row);
  SetCol(col);
  EndCaretMove();
}

void EditorCore::StoreWanted(Move move, int value) {
  if (move != Move::Vertical || wantedValid_)
    return;
  wantedCol_ = value;
  wantedValid_ = true;
}

// Keeps the caret on a cell it may stand in: not past the row's end (unless the caret is free), not
// on the second half of a double-byte character or in a tab's fill, not past a wrapped row's end.
// A vertical move remembers the column it came from, so that moving on over short rows returns to it.
void EditorCore::AdjustCol(Move move) {
  const bool vertical = move == Move::Vertical;
  if (!vertical)
    wantedValid_ = false;
  else if (wantedValid_)
    col_ = wantedCol_;
  const std::string cells = RowCells(row_);
  const int count = static_cast<int>(cells.size());
  const bool leftDown = window_ && window_->LeftButtonDown();
  const TEditorCaret& caret = *caret_;
  if (!caret.FreeCaret() && count < col_) {
    if (caret.KeepCaret())
      StoreWanted(move, leftDown ? count : col_);
    if (!(caret.FreeRow() && vertical && !leftDown)) {
      col_ = count;
      if (!caret.KeepCaret())
        wantedValid_ = false;
    }
  }
  const auto cellAt = [&cells, count](int c) {
    return c >= 0 && c < count ? cells[static_cast<std::size_t>(c)] : '\0';
  };
  const int step = move == Move::Right ? 1 : -1;
  if (cellAt(col_) == '5') {
    StoreWanted(move, col_);
    col_ += step;
  }
  if (!caret.InTab() && cellAt(col_) == '3') {
    StoreWanted(move, col_);
    while (cellAt(col_) == '3')
      col_ += step;
  }
  if (rows_->WordWrap() && col_ >= count) {
    StoreWanted(move, col_);
    const int wrapByte = rows_->WrapOption()->WrapByte();
    const bool wrapped = row_ < rows_->Count() && rows_->RowAttribute(row_) == 1;
    if (!wrapped) {
      if (wrapByte <= col_)
        col_ = std::max(count, wrapByte - 1);
    } else {
      col_ = std::max(0, count - 1);
    }
    if (cellAt(col_) == '5')
      --col_;
    if (!caret.InTab()) {
      while (cellAt(col_) == '3')
        --col_;
    }
  }
  if (col_ > kMaxCellColumn && cellAt(kMaxCellColumn - 1) != '4')
    col_ = kMaxCellColumn;
  col_ = std::clamp(col_, 0, kMaxCellColumn + 1);
  if (!suppressPlacement_) {
    ScrollCaretIntoView();
    SetCaretPosition();
  }
  SyncRulerMark();
}

void EditorCore::SetTopRow(int value) {
  value = std::clamp(value, 0, MaxTopRow());
  if (value == topRow_)
    return;
  const int old = topRow_;
  topRow_ = value;
  if (window_ && !updating_) {
    const int rows = old - value;
    if (std::abs(rows) <= visibleRows_ + 1)
      ScrollText(0, rows * rowHeight_, {0, textTop_, ClientRight(), ClientBottom()});
    else
      InvalidateRows(topRow_, LastRowOnScreen());
  }
  UpdateScrollRanges();
  MoveIme();
  SyncCaret();
  if (OnTopRowChange)
    OnTopRowChange();
}

void EditorCore::SetTopCol(int value) {
  value = std::clamp(value, 0, MaxTopCol());
  if (value == topCol_)
    return;
  const int old = topCol_;
  topCol_ = value;
  if (window_ && !updating_) {
    const int dx = (old - value) * columnWidth_;
    if (std::abs(dx) < ClientRight() - textLeft_)
      ScrollText(dx, 0, {textLeft_, 0, ClientRight(), ClientBottom()});
    else
      window_->Invalidate({textLeft_, 0, ClientRight(), ClientBottom()});
  }
  UpdateScrollRanges();
  MoveIme();
  SyncCaret();
  if (OnTopColChange)
    OnTopColChange();
}

void EditorCore::MoveIme() {
  if (keyRepeat_) {
    imePending_ = true;
    return;
  }
  imePending_ = false;
  if (window_)
    window_->SetImePosition(ColumnLeft(col_), RowTop(row_));
}

void EditorCore::ScrollCaretIntoView() {
  if (!window_ || !window_->Focused())
    return;
  if (topRow_ > row_)
    SetTopRow(row_);
  else if (row_ > topRow_ + visibleRows_ - 1)
    SetTopRow(row_ - (visibleRows_ - 1));
  const int quarter = visibleCols_ / 4;
  if (topCol_ > col_)
    SetTopCol(std::max(0, std::min(col_, topCol_ - quarter)));
  else if (col_ > topCol_ + visibleCols_ - 1)
    SetTopCol(std::min(std::max(col_ - (visibleCols_ - 1), topCol_ + quarter), kMaxCellColumn - visibleCols_ / 2));
}

void EditorCore::SetCaretPosition() {
  SyncCaret();
  MoveIme();
  if (OnCaretMoved)
    OnCaretMoved();
}

void EditorCore::UpdateCaret() {
  CreateEditorCaret();
  ScrollCaretIntoView();
  SetCaretPosition();
  ShowEditorCaret();
}

void EditorCore::CreateEditorCaret() {
  if (!window_ || !window_->Focused())
    return;
  caretCreated_ = true;
  SyncCaret();
}

void EditorCore::ShowEditorCaret() {
  caretShown_ = true;
  SyncCaret();
}

void EditorCore::HideEditorCaret() {
  caretShown_ = false;
  SyncCaret();
}

bool EditorCore::CaretOutOfView() const {
  return topRow_ > row_ || row_ > topRow_ + visibleRows_ || col_ < topCol_ || col_ > topCol_ + visibleCols_;
}

bool EditorCore::CaretVisible() const {
  return window_ && caretCreated_ && caretShown_ && caretHideCount_ == 0 && !CaretOutOfView();
}

EditorRect EditorCore::CaretRect() const {
  if (!CaretVisible())
    return {};
  const int x = ColumnLeft(col_);
  const int y = RowTop(row_);
  if (selState_ == sstHit && hitStyle_ == hsCaret && hitLength_ > 0) {
    const int width = std::max(2, HitCells() * columnWidth_);
    return {x, y, x + width, y + fontHeight_};
  }
  if (caret_->Style() == csBrief) {
    int width = columnWidth_ - margin_->Character();
    const std::string cells = RowCells(row_);
    if (col_ < static_cast<int>(cells.size()) && cells[static_cast<std::size_t>(col_)] == '4')
      width *= 2;
    return {x, y + fontHeight_ - 2, x + width, y + fontHeight_};
  }
  return {x, y, x + 2, y + fontHeight_};
}

int EditorCore::HitCells() const {
  const TSelectionBytes& b = selBytes_;
  if (b.StartRow >= rows_->Count())
    return 0;
  const int from = rows_->CellColumn(b.StartRow, b.StartByte);
  const int to = b.EndRow == b.StartRow ? rows_->CellColumn(b.StartRow, b.EndByte + 1) : RowCellCount(b.StartRow);
  return std::max(0, to - from);
}

// The caret is state: what the window shows follows it, one repaint of the old and the new cells.
void EditorCore::SyncCaret() {
  const EditorRect wanted = CaretRect();
  if (wanted == shownCaret_)
    return;
  if (window_) {
    if (!shownCaret_.Empty())
      window_->Invalidate(shownCaret_);
    if (!wanted.Empty())
      window_->Invalidate(wanted);
    window_->CaretChanged();
  }
  shownCaret_ = wanted;
}

void EditorCore::HideCaretNested() {
  if (caretHideCount_++ == 0)
    SyncCaret();
}

void EditorCore::ShowCaretNested() {
  if (caretHideCount_ == 0)
    return;
  if (--caretHideCount_ == 0)
    SyncCaret();
}

void EditorCore::BeginCaretMove() {
  if (caretMoveCount_++ == 0)
    SyncUnderline();
}

void EditorCore::EndCaretMove() {
  if (caretMoveCount_ == 0)
    return;
  if (--caretMoveCount_ == 0)
    SyncUnderline();
}

void EditorCore::SetUpdating(bool updating) {
  updating_ = updating;
  if (window_)
    window_->SetRedraw(!updating);
  if (!updating) {
    ScrollCaretIntoView();
    SetCaretPosition();
  }
}

// ---------------------------------------------------------------------------------------------
// Underline and ruler mark

EditorRect EditorCore::UnderlineRect(int row) const {
  const int y = RowBottom(row);
  if (y < 0 || !window_)
    return {};
  return {textLeft_, y, ClientRight(), y + 1};
}

void EditorCore::SyncUnderline() {
  int wanted = -1;
  if (marks_->Underline()->Visible() && caretMoveCount_ == 0 && selState_ != sstSelected && selState_ != sstHit)
    wanted = row_;
  if (wanted == underlineRow_)
    return;
  if (window_ && !updating_) {
    for (int row : {underlineRow_, wanted}) {
      const EditorRect rect = UnderlineRect(row);
      if (row >= 0 && !rect.Empty())
        window_->Invalidate(rect);
    }
  }
  underlineRow_ = wanted;
}

EditorRect EditorCore::RulerMarkRect(int col) const {
  if (!ruler_->Visible() || col < topCol_ || col > topCol_ + visibleCols_)
    return {};
  const int x = ColumnLeft(col) + 1;
  const int height = rulerHeight_ - 1 - (ruler_->Edge() ? 1 : 0);
  return {x, 0, x + columnWidth_ - 1, height};
}

void EditorCore::SyncRulerMark() {
  const int wanted = ruler_->Visible() ? col_ : -1;
  if (wanted == rulerMarkCol_)
    return;
  if (window_ && !updating_) {
    for (int col : {rulerMarkCol_, wanted}) {
      const EditorRect rect = col >= 0 ? RulerMarkRect(col) : EditorRect{};
      if (!rect.Empty())
        window_->Invalidate(rect);
    }
  }
  rulerMarkCol_ = wanted;
}

void EditorCore::SyncMarks() {
  SyncCaret();
  SyncUnderline();
  SyncRulerMark();
}

}  // namespace vrel
