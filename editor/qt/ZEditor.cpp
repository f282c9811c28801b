#include "editor/qt/ZEditor.h"

#include <QClipboard>
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

#include "editor/EditorKeys.h"
#include "editor/qt/EditorLibrary.h"
#include "platform/Cp932.h"
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

void TEditor::keyPressEvent(QKeyEvent* event) {
  const TShiftState shift = ShiftOf(event->modifiers());
  const int key = VirtualKey(event->key());
  if (key != 0 && key != vkTab && KeyDown(key, shift, event->isAutoRepeat())) {
    event->accept();
    return;
  }
  if (shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
    // The popup menu's shortcuts for the clipboard.
    switch (event->key()) {
      case Qt::Key_C:
        CopyToClipboard();
        event->accept();
        return;
      case Qt::Key_X:
        CutToClipboard();
        event->accept();
        return;
      case Qt::Key_V:
        PasteFromClipboard();
        event->accept();
        return;
      default:
        break;
    }
  }
  if (event->key() == Qt::Key_Tab) {
    KeyPress("\t", shift);
    event->accept();
    return;
  }
  const QString text = event->text();
  if (!text.isEmpty() && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt) && text.at(0) >= QChar(0x20)) {
    KeyPress(QStringToCp932(text), shift);
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
  FocusLost();
}

void TEditor::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty())
    KeyPress(QStringToCp932(event->commitString()), {});
  event->accept();
}

QVariant TEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return !ReadOnly();
    case Qt::ImCursorRectangle:
      return imeRect_;
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
