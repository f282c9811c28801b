#include "editor/qt/ZEditor.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QWheelEvent>

#include "editor/EditorMenu.h"
#include "editor/EditorScreenStrings.h"
#include "editor/qt/EditorKeymap.h"
#include "editor/qt/EditorLibrary.h"
#include "editor/qt/EditorPopupMenu.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtClipboardBlocks.h"
#include "platform/qt/QtCursors.h"

namespace vrel {

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton) {
  TShiftState shift;
  if (modifiers & Qt::ShiftModifier)
    shift.Include(ssShift);
  if (modifiers & Qt::ControlModifier)
    shift.Include(ssCtrl);
  if (modifiers & Qt::AltModifier)
    shift.Include(ssAlt);
  if (buttons & Qt::LeftButton)
    shift.Include(ssLeft);
  if (buttons & Qt::RightButton)
    shift.Include(ssRight);
  if (buttons & Qt::MiddleButton)
    shift.Include(ssMiddle);
  return shift;
}

int VirtualKey(int key) {
  switch (key) {
    case Qt::Key_PageUp:
      return vkPrior;
    case Qt::Key_PageDown:
      return vkNext;
    case Qt::Key_End:
      return vkEnd;
    case Qt::Key_Home:
      return vkHome;
    case Qt::Key_Left:
      return vkLeft;
    case Qt::Key_Up:
      return vkUp;
    case Qt::Key_Right:
      return vkRight;
    case Qt::Key_Down:
      return vkDown;
    case Qt::Key_Control:
      return vkControl;
    case Qt::Key_Shift:
      return vkShift;
    case Qt::Key_Escape:
      return vkEscape;
    case Qt::Key_Delete:
      return vkDelete;
    case Qt::Key_Insert:
      return vkInsert;
    case Qt::Key_Backspace:
      return vkBack;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vkReturn;
    case Qt::Key_Tab:
      return vkTab;
    default:
      return 0;
  }
}

QRect ToQRect(const EditorRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The core's window

class TEditor::ClipboardAdapter : public EditorClipboard {
 public:
  bool HasFormat(std::string_view mimeType) const override { return QtClipboard().HasFormat(mimeType); }
  std::optional<std::string> Data(std::string_view mimeType) const override { return QtClipboard().Data(mimeType); }
  void SetBlocks(const std::vector<Block>& blocks) override {
    SetClipboardBlocks(QGuiApplication::clipboard(), ClipboardBlocks(blocks.begin(), blocks.end()));
  }
};

class TEditor::WindowAdapter : public EditorWindow {
 public:
  explicit WindowAdapter(TEditor& editor) : e_(editor) {}

  int ClientWidth() const override { return e_.viewport()->width() + VerticalScrollBarWidth(); }
  int ClientHeight() const override { return e_.viewport()->height() + HorizontalScrollBarHeight(); }
  // The viewport leaves the bars out already; the core takes them off the client area again.
  int VerticalScrollBarWidth() const override {
    return e_.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? BarExtent() : 0;
  }
  int HorizontalScrollBarHeight() const override {
    return e_.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? BarExtent() : 0;
  }
  int ScreenWidth() const override { return e_.screen() ? e_.screen()->geometry().width() : 1920; }
  int ScreenHeight() const override { return e_.screen() ? e_.screen()->geometry().height() : 1080; }
  EditorFontMetrics FontMetrics() const override {
    const QFontMetrics metrics(e_.painter_.Font());
    EditorFontMetrics m;
    m.Height = metrics.height();
    m.ExternalLeading = std::max(0, metrics.leading());
    m.Ascent = metrics.ascent();
    m.AverageWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    m.Italic = e_.painter_.Font().italic();
    return m;
  }
  bool Focused() const override { return e_.hasFocus(); }
  bool LeftButtonDown() const override { return e_.leftDown_; }
  bool CtrlDown() const override { return QGuiApplication::keyboardModifiers() & Qt::ControlModifier; }
  bool EscapeDown() const override { return false; }

  void Invalidate(const EditorRect& rect) override {
    const QRect r = ToQRect(rect);
    e_.pendingPaint_ += r;
    e_.viewport()->update(r);
  }
  void ScrollPixels(int dx, int dy, const EditorRect& area) override {
    const QRect a = ToQRect(area);
    e_.viewport()->scroll(dx, dy, a);
    // What was still to be painted inside the area moved with its pixels.
    const QRegion moved = (e_.pendingPaint_ & a).translated(dx, dy) & a;
    if (!moved.isEmpty()) {
      e_.pendingPaint_ += moved;
      e_.viewport()->update(moved);
    }
  }
  void SetRedraw(bool redraw) override {
    e_.viewport()->setUpdatesEnabled(redraw);
    if (redraw)
      e_.viewport()->update();
  }
  void SetScrollBar(EditorScrollBar bar, int maximum, int page, int position) override {
    QScrollBar* scrollBar = bar == EditorScrollBar::Vertical ? e_.verticalScrollBar() : e_.horizontalScrollBar();
    e_.settingBars_ = true;
    scrollBar->setRange(0, std::max(0, maximum));
    scrollBar->setPageStep(std::max(1, page));
    scrollBar->setSingleStep(1);
    scrollBar->setValue(position);
    e_.settingBars_ = false;
  }
  void ShowScrollBars(bool vertical, bool horizontal) override {
    e_.setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e_.setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  }
  void SetBorder(bool single) override {
    e_.setFrameStyle(single ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
  }
  void SetControlCursor(int cursorId) override { e_.viewport()->setCursor(CursorForId(cursorId)); }
  void SetDragCursor(int cursorId) override {
    if (cursorId == 0) {
      if (e_.dragCursorSet_)
        QGuiApplication::restoreOverrideCursor();
      e_.dragCursorSet_ = false;
      return;
    }
    if (e_.dragCursorSet_) {
      QGuiApplication::changeOverrideCursor(CursorForId(cursorId));
    } else {
      QGuiApplication::setOverrideCursor(CursorForId(cursorId));
      e_.dragCursorSet_ = true;
    }
  }
  void CaretChanged() override {
    e_.blinkOn_ = true;
    if (e_.blinking_ && e_.blink_.interval() > 0)
      e_.blink_.start();
  }
  void SetImePosition(int x, int y) override {
    e_.imeRect_ = QRect(x, y, e_.ColumnWidth(), e_.FontHeight());
    // A composition stands at the caret: it moves with it.
    e_.UpdatePreeditArea();
    if (e_.hasFocus())
      QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  }
  EditorClipboard& Clipboard() override { return *e_.clipboardAdapter_; }

 private:
  int BarExtent() const { return e_.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &e_); }

  TEditor& e_;
};

// ---------------------------------------------------------------------------------------------

QFont TEditor::DefaultFont() {
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(14);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

TEditor::TEditor(QWidget* parent)
    : QAbstractScrollArea(parent),
      clipboardAdapter_(std::make_unique<ClipboardAdapter>()),
      windowAdapter_(std::make_unique<WindowAdapter>(*this)),
      painter_(*this) {
  InitEditorLibrary();
  popup_ = std::make_unique<TEditorPopupMenu>(*this, this);
  painter_.SetPreedit(&preedit_);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  // The cursor follows the pointer over the margins and the selection without a button held.
  viewport()->setMouseTracking(true);
  setFont(DefaultFont());
  painter_.SetFont(font());
  resize(185, 89);
  connect(&blink_, &QTimer::timeout, this, [this] { BlinkCaret(); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { BarMoved(EditorScrollBar::Vertical, value); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { BarMoved(EditorScrollBar::Horizontal, value); });
  SetCaretBlinking(true);
  SetWindow(windowAdapter_.get());
}

TEditor::~TEditor() {
  blink_.stop();
  painter_.SetPreedit(nullptr);
  SetWindow(nullptr);
  if (dragCursorSet_)
    QGuiApplication::restoreOverrideCursor();
}

void TEditor::SetCaretBlinking(bool blinking) {
  blinking_ = blinking;
  blinkOn_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (blinking && flash > 0) {
    blink_.setInterval(flash / 2);
    blink_.start();
  } else {
    blink_.stop();
  }
  viewport()->update(ToQRect(ShownCaretRect()));
}

void TEditor::BlinkCaret() {
  blinkOn_ = !blinkOn_;
  const EditorRect caret = ShownCaretRect();
  if (!caret.Empty())
    viewport()->update(ToQRect(caret));
}

void TEditor::BarMoved(EditorScrollBar bar, int value) {
  if (!settingBars_)
    ScrollBarMoved(bar, value);
}

bool TEditor::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Keys the editor types or acts on are its own, even where the window around it has a
      // shortcut on the same key.
      if (WantsKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
      }
      break;
    case QEvent::UngrabMouse:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
      leftDown_ = false;
      MouseCaptureLost();
      break;
    default:
      break;
  }
  return QAbstractScrollArea::event(event);
}

void TEditor::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  pendingPaint_ = QRegion();
  painter_.Paint(painter, event->rect(), blinkOn_);
}

void TEditor::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Resized();
}

void TEditor::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    painter_.SetFont(font());
    FontChanged();
  }
}

namespace {

bool IsCtrlChord(Qt::KeyboardModifiers modifiers) {
  modifiers &= ~Qt::KeypadModifier;
  return (modifiers & Qt::ControlModifier) && !(modifiers & (Qt::AltModifier | Qt::MetaModifier));
}

// The letter or digit of a key with Ctrl, as the menu's shortcuts name it.
char ShortcutKey(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return static_cast<char>('A' + (key - Qt::Key_A));
  if (const std::optional<int> digit = DigitOfKey(event))
    return static_cast<char>('0' + *digit);
  return 0;
}

// Printable text without Ctrl or Alt: typed.
bool IsTypedText(const QKeyEvent& event) {
  const QString text = event.text();
  if (text.isEmpty() || (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
    return false;
  const char16_t first = text.at(0).unicode();
  return first >= 0x20 && first != 0x7F;
}

}  // namespace

bool TEditor::IsShortcut(const QKeyEvent& event) const {
  if (!IsCtrlChord(event.modifiers()))
    return false;
  const char key = ShortcutKey(event);
  return key != 0 && CommandForShortcut(key, event.modifiers() & Qt::ShiftModifier).has_value();
}

bool TEditor::RunShortcut(const QKeyEvent& event) {
  if (!IsShortcut(event))
    return false;
  // Keys do nothing while the button is held or a selection is dragged.
  if (leftDown_ || DragState() != dsNone)
    return true;
  const std::optional<TEditorCommandHit> hit =
      CommandForShortcut(ShortcutKey(event), event.modifiers() & Qt::ShiftModifier);
  // The command's rule is asked now, as the menu would ask it before popping up.
  RunCommand(*this, hit->Command, hit->Digit);
  return true;
}

bool TEditor::WantsKey(const QKeyEvent& event) const {
  if (IsShortcut(event) || IsTypedText(event))
    return true;
  const int key = VirtualKey(event.key());
  return key != 0 && key != vkEscape && key != vkShift && key != vkControl;
}

void TEditor::keyPressEvent(QKeyEvent* event) {
  const TShiftState shift = ShiftOf(event->modifiers());
  if (RunShortcut(*event)) {
    event->accept();
    return;
  }
  const int key = VirtualKey(event->key());
  if (key != 0 && KeyDown(key, shift, event->isAutoRepeat())) {
    event->accept();
    return;
  }
  // The keys that type a control character.
  switch (key) {
    case vkBack:
      KeyPress("\b", shift);
      event->accept();
      return;
    case vkTab:
      KeyPress("\t", shift);
      event->accept();
      return;
    case vkReturn:
      // Without WantReturns Enter belongs to the window around the editor (a dialog's button).
      if (!WantReturns())
        break;
      KeyPress("\r", shift);
      event->accept();
      return;
    default:
      break;
  }
  if (IsTypedText(*event)) {
    TypeUnicode(event->text().toStdString(), shift);
    event->accept();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void TEditor::keyReleaseEvent(QKeyEvent* event) {
  if (!event->isAutoRepeat())
    KeyUp(VirtualKey(event->key()));
  QAbstractScrollArea::keyReleaseEvent(event);
}

void TEditor::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton)
    return;
  leftDown_ = true;
  const QPoint p = event->position().toPoint();
  MouseDown(p.x(), p.y(), ShiftOf(event->modifiers(), event->buttons()));
}

void TEditor::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  MouseMove(p.x(), p.y(), ShiftOf(event->modifiers(), event->buttons()));
}

void TEditor::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton)
    return;
  leftDown_ = false;
  const QPoint p = event->position().toPoint();
  MouseUp(p.x(), p.y(), ShiftOf(event->modifiers(), event->buttons()));
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
}

void TEditor::wheelEvent(QWheelEvent* event) {
  // While the button is held or a selection is dragged the wheel does nothing.
  if (leftDown_ || DragState() != dsNone) {
    event->accept();
    return;
  }
  const int notches = event->angleDelta().y() / 120;
  if (OnMouseWheel && notches != 0 && OnMouseWheel(notches)) {
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void TEditor::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  FocusGained();
}

void TEditor::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  leftDown_ = false;
  ClearPreedit();
  FocusLost();
}

void TEditor::contextMenuEvent(QContextMenuEvent* event) {
  popup_->popup(event->globalPos());
  event->accept();
}

// ---------------------------------------------------------------------------------------------
// Input methods

QString TEditor::CaretRowText() const {
  if (Row() >= Rows().Count())
    return {};
  return Cp932ToQString(Rows().Get(Row()));
}

int TEditor::CaretRowIndex() const {
  if (Row() >= Rows().Count())
    return 0;
  return static_cast<int>(Cp932ToQString(std::string_view(Rows().Get(Row())).substr(0, CaretByte())).size());
}

void TEditor::SelectAroundCaret(int start, int length) {
  if (Row() >= Rows().Count())
    return;
  const QString text = CaretRowText();
  const auto from = std::clamp<qsizetype>(CaretRowIndex() + start, 0, text.size());
  const auto to = std::clamp<qsizetype>(from + length, from, text.size());
  const int row = Row();
  const auto byteOf = [&](qsizetype index) { return static_cast<int>(QStringToCp932(text.left(index)).size()); };
  BeginCaretMove();
  CancelSelection();
  SetRow(row);
  SetCol(Rows().CellColumn(row, byteOf(from)));
  StartSelection();
  SetCol(Rows().CellColumn(row, byteOf(to)));
  ExtendSelection();
  EndCaretMove();
}

void TEditor::inputMethodEvent(QInputMethodEvent* event) {
  if (!ReadOnly()) {
    const bool replaces = event->replacementLength() > 0;
    if (replaces)
      SelectAroundCaret(event->replacementStart(), event->replacementLength());
    // The committed text is typed whole; what the method is still composing is only shown.
    if (!event->commitString().isEmpty())
      TypeUnicode(event->commitString().toStdString());
    else if (replaces)
      ClearSelection();
  }
  SetPreedit(*event);
  event->accept();
}

void TEditor::SetPreedit(const QInputMethodEvent& event) {
  TPreeditText preedit;
  if (!ReadOnly()) {
    preedit.Text = event.preeditString();
    preedit.Cursor = static_cast<int>(preedit.Text.size());
    for (const QInputMethodEvent::Attribute& attribute : event.attributes()) {
      if (attribute.type == QInputMethodEvent::Cursor) {
        preedit.Cursor = attribute.start;
        preedit.CursorVisible = attribute.length != 0;
      } else if (attribute.type == QInputMethodEvent::TextFormat) {
        const QTextCharFormat format = attribute.value.value<QTextFormat>().toCharFormat();
        preedit.Formats.push_back({attribute.start, attribute.length, format});
      }
    }
  }
  preedit_ = std::move(preedit);
  // While a composition is shown, the editor's caret is not (the composition has its own).
  if (!preedit_.Empty() && !preeditHidesCaret_) {
    preeditHidesCaret_ = true;
    HideCaretNested();
  } else if (preedit_.Empty() && preeditHidesCaret_) {
    preeditHidesCaret_ = false;
    ShowCaretNested();
  }
  UpdatePreeditArea();
  if (hasFocus())
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TEditor::ClearPreedit() {
  if (preedit_.Empty() && !preeditHidesCaret_)
    return;
  SetPreedit(QInputMethodEvent());
}

void TEditor::UpdatePreeditArea() {
  const QRect now = painter_.PreeditRect();
  if (now == preeditShown_)
    return;
  viewport()->update(preeditShown_);
  viewport()->update(now);
  preeditShown_ = now;
}

QVariant TEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return !ReadOnly();
    case Qt::ImReadOnly:
      return ReadOnly();
    case Qt::ImCursorRectangle: {
      if (preedit_.Empty())
        return imeRect_;
      // The candidate window goes to the composition's cursor.
      const std::vector<int> cells = TEditorPainter::PreeditCells(preedit_.Text);
      int cell = 0;
      for (int i = 0; i < preedit_.Cursor && i < static_cast<int>(cells.size()); ++i)
        cell += cells[static_cast<std::size_t>(i)];
      return imeRect_.translated(cell * ColumnWidth(), 0);
    }
    case Qt::ImFont:
      return painter_.Font();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImSurroundingText:
      return CaretRowText();
    case Qt::ImCursorPosition:
      return CaretRowIndex();
    case Qt::ImAnchorPosition: {
      const TSelectionBytes& b = SelectionBytes();
      if (SelectionState() == sstSelected && b.StartRow == b.EndRow && b.StartRow == Row()) {
        const std::string& row = Rows().Get(Row());
        const int anchor = b.StartByte == CaretByte() ? b.EndByte + 1 : b.StartByte;
        return static_cast<int>(
            Cp932ToQString(std::string_view(row).substr(0, static_cast<std::size_t>(anchor))).size());
      }
      return CaretRowIndex();
    }
    case Qt::ImCurrentSelection:
      return SelectionState() == sstSelected ? Cp932ToQString(SelText()) : QString();
    case Qt::ImTextBeforeCursor:
      return CaretRowText().left(CaretRowIndex());
    case Qt::ImTextAfterCursor:
      return CaretRowText().mid(CaretRowIndex());
    case Qt::ImMaximumTextLength:
      return QVariant();
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

// With WantTabs the Tab key is typed, not used to move the focus.
bool TEditor::focusNextPrevChild(bool next) {
  if (WantTabs())
    return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

void TEditor::scrollContentsBy(int /*dx*/, int /*dy*/) {}

}  // namespace vrel
