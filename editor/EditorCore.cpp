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

EditorCore::EditorCore()
    : TComponent(nullptr),
      rows_(std::make_shared<TEditorScreenStrings>()),
      view_(std::make_unique<TEditorViewInfo>()),
      caret_(std::make_unique<TEditorCaret>()),
      marks_(std::make_unique<TEditorMarks>()),
      margin_(std::make_unique<TEditorMargin>()),
      imagebar_(std::make_unique<TEditorImagebar>()),
      leftbar_(std::make_unique<TEditorLeftbar>()),
      ruler_(std::make_unique<TEditorRuler>()),
      speed_(std::make_unique<TEditorSpeed>()),
      selection_(context_, viewport_, {*caret_, *marks_, *ruler_, *margin_},
                 {OnCaretMoved, OnSelectionChange, OnSelectionModeChange}),
      viewport_(context_, {*margin_, *imagebar_, *leftbar_, *ruler_, *marks_}, selection_,
                {OnTopRowChange, OnTopColChange}),
      dispatch_(context_, viewport_, selection_, dispatchEditor_, {*caret_, *speed_}, OnUnmappableText) {
  context_.Rows = rows_.get();
  const TNotifyEvent changed = TNotifyEvent::Of<&EditorCore::PropertyChanged>(this);
  rows_->AddEditor(*this);
  lines_ = std::make_unique<TEditorStrings>(*this);
  screen_ = std::make_unique<TEditorScreen>(*this);
  view_->OnChange = changed;
  caret_->OnChange = changed;
  marks_->OnChange = changed;
  margin_->OnChange = changed;
  imagebar_->OnChange = changed;
  leftbar_->OnChange = changed;
  ruler_->OnChange = changed;
  rows_->SetTabSpaceCount(caret_->TabSpaceCount());
}

EditorCore::~EditorCore() {
  destroying_ = true;
  context_.Window = nullptr;
  SetFountain(nullptr);
  rows_->RemoveEditor(*this);
}

void EditorCore::SetWindow(EditorWindow* window) {
  context_.Window = window;
  if (!window) {
    selection_.WindowGone();
    return;
  }
  window->SetBorder(borderStyle_ == bsSingle);
  window->ShowScrollBars(viewport_.VerticalBar(), viewport_.HorizontalBar());
  UpdateMetrics();
  viewport_.UpdateScrollRanges();
  dispatch_.WindowChanged();
  selection_.SyncMarks();
  viewport_.InvalidateAll();
}

void EditorCore::Resized() {
  if (!context_.Window)
    return;
  UpdateMetrics();
  viewport_.UpdateScrollRanges();
  viewport_.InvalidateAll();
  selection_.SyncMarks();
}

void EditorCore::FontChanged() {
  if (!context_.Window)
    return;
  if (viewport_.TopCol() > 0)
    selection_.ResetColumn();
  UpdateMetrics();
  viewport_.UpdateScrollRanges();
  viewport_.InvalidateAll();
  selection_.UpdateCaret();
  selection_.SyncMarks();
}

void EditorCore::FocusGained() {
  selection_.UpdateCaret();
}

void EditorCore::FocusLost() {
  dispatch_.CancelDrag();
  selection_.CaretLost();
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

// ---------------------------------------------------------------------------------------------
// Properties

void EditorCore::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_)
    return;
  borderStyle_ = value;
  if (context_.Window)
    context_.Window->SetBorder(value == bsSingle);
  Resized();
}

void EditorCore::SetColor(TColor value) {
  if (value == color_)
    return;
  color_ = value;
  viewport_.InvalidateAll();
}

void EditorCore::SetFontColor(TColor value) {
  if (value == fontColor_)
    return;
  fontColor_ = value;
  viewport_.InvalidateAll();
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
    viewport_.InvalidateAll();
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
    viewport_.InvalidateAll();
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
  if (dispatch_.DragState() != dsNone)
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
  if (value == viewport_.ScrollBars())
    return;
  viewport_.SetScrollBars(value);
  if (context_.Window)
    context_.Window->ShowScrollBars(viewport_.VerticalBar(), viewport_.HorizontalBar());
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
  if (!context_.Window)
    return TEditorScreenStrings::kDefaultScreenRows;
  return std::max(1, context_.Window->ScreenHeight() / std::max(viewport_.RowHeight(), 1));
}

void EditorCore::ShareScreenStrings(EditorCore& editor) {
  if (editor.rows_ == rows_)
    return;
  CancelSelection();
  rows_->RemoveEditor(*this);
  rows_ = editor.rows_;
  context_.Rows = rows_.get();
  rows_->AddEditor(*this);
  selection_.RowsReplaced();
  viewport_.RowsReplaced();
  RefreshView();
  SetRow(Row());
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
  if (context_.Window) {
    UpdateMetrics();
    viewport_.UpdateScrollRanges();
    viewport_.InvalidateAll();
  }
  if (sender == caret_.get()) {
    rows_->UndoObj()->Clear();
    selection_.UpdateCaret();
  } else {
    selection_.ScrollCaretIntoView();
    selection_.SetCaretPosition();
  }
  selection_.SyncMarks();
}

bool EditorCore::CanSelDrag() const {
  return !readOnly_ && selection_.Selected() && selection_.SelectionMode() == smNormal && caret_->SelMove();
}

void EditorCore::SetSelectionMode(TSelectionMode value) {
  if (dispatch_.DragState() != dsNone || value == selection_.SelectionMode())
    return;
  // A box cannot be dragged: the cursor over it is the text's.
  if (value == smBox && selection_.Selected())
    dispatch_.SetCursorState(csText);
  selection_.SetSelectionMode(value);
}

void EditorCore::DispatchEditor::SetText(std::string_view text) {
  core_.lines_->SetText(std::string(text));
}

// ---------------------------------------------------------------------------------------------
// Layout and repainting

void EditorCore::UpdateMetrics() {
  if (context_.Window)
    viewport_.UpdateMetrics(TFountain::HasItalic(ActiveFountain()));
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

void EditorCore::RefreshView() {
  if (!context_.Window)
    return;
  UpdateMetrics();
  viewport_.UpdateScrollRanges();
  pendingRows_.clear();
  viewport_.InvalidateAll();
  selection_.SyncMarks();
}

void EditorCore::DoChange() {
  const TEditorChange change = rows_->Change();
  if (context_.Painting()) {
    screen_->UpdateScreen();
    for (int row : pendingRows_)
      viewport_.InvalidateRowText(row);
  }
  pendingRows_.clear();
  if (context_.Window && viewport_.UpdateLeftbarColumn()) {
    // The line numbers grew or lost a digit: the text moves with the bar's edge.
    const int old = viewport_.LeftbarWidth();
    UpdateMetrics();
    if (viewport_.LeftbarWidth() != old)
      viewport_.InvalidateAll();
  }
  viewport_.UpdateScrollRanges();
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
    viewport_.InvalidateRowText(row);
}

void EditorCore::SetUpdating(bool updating) {
  context_.Updating = updating;
  if (context_.Window)
    context_.Window->SetRedraw(!updating);
  if (!updating) {
    selection_.ScrollCaretIntoView();
    selection_.SetCaretPosition();
  }
}

}  // namespace vrel
