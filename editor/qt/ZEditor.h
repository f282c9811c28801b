#pragma once

// TEditor: the Shift-JIS text editor control as a Qt widget. Everything it knows and decides lives in
// its core (EditorCore, which it is); the widget turns Qt's events into the core's input, paints
// the core's state through TEditorPainter, and serves as the core's window: repaints, pixel moves,
// scroll bars, cursors, the caret's blink and the clipboard.

#include <QAbstractScrollArea>
#include <QRegion>
#include <QTimer>

#include <functional>
#include <memory>

#include "editor/EditorCore.h"
#include "editor/EditorWindow.h"
#include "editor/qt/EditorPainter.h"

class QContextMenuEvent;

namespace vrel {

class TEditorPopupMenu;

class TEditor : public QAbstractScrollArea, public EditorCore {
 public:
  // The editor's fixed-pitch font: IPAGothic, 14 pixels.
  static QFont DefaultFont();

  explicit TEditor(QWidget* parent = nullptr);
  ~TEditor() override;

  // The caret blinks at the desktop's rate; off, it stays on (tests, screenshots).
  void SetCaretBlinking(bool blinking);
  bool CaretBlinkOn() const { return blinkOn_; }
  // Toggles the caret's blink phase, as the blink timer does.
  void BlinkCaret();

  TEditorPainter& Painter() { return painter_; }
  // The context menu the editor made for itself.
  TEditorPopupMenu& PopupMenu() const { return *popup_; }
  // What an input method is composing (shown at the caret, not yet text of the editor).
  const TPreeditText& Preedit() const { return preedit_; }

  // The wheel turned by `notches` (positive away from the user); true when the host handled it.
  // Unhandled, the wheel scrolls the rows.
  std::function<bool(int notches)> OnMouseWheel;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  bool focusNextPrevChild(bool next) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  class WindowAdapter;
  class ClipboardAdapter;
  friend class WindowAdapter;

  void BarMoved(EditorScrollBar bar, int value);
  // A key with Ctrl that is one of the popup menu's shortcuts: runs its command when the command's
  // rule allows it now. True when the key is such a shortcut.
  bool RunShortcut(const QKeyEvent& event);
  bool IsShortcut(const QKeyEvent& event) const;
  // Keys the editor uses itself, which no shortcut of the window around it may take.
  bool WantsKey(const QKeyEvent& event) const;
  // The input method's replacement of text around the caret (UTF-16 units from the caret) selected.
  void SelectAroundCaret(int start, int length);
  void SetPreedit(const QInputMethodEvent& event);
  void ClearPreedit();
  // Repaints where the composition was drawn and where it is drawn now.
  void UpdatePreeditArea();
  // The caret row's text, and the caret's place in it, in UTF-16 units.
  QString CaretRowText() const;
  int CaretRowIndex() const;

  std::unique_ptr<ClipboardAdapter> clipboardAdapter_;
  std::unique_ptr<WindowAdapter> windowAdapter_;
  TEditorPainter painter_;
  QTimer blink_;
  bool blinking_ = true;
  bool blinkOn_ = true;
  bool settingBars_ = false;
  bool leftDown_ = false;
  bool dragCursorSet_ = false;
  // What was asked to be painted again since the last paint, so that a pixel move also moves it.
  QRegion pendingPaint_;
  QRect imeRect_;
  std::unique_ptr<TEditorPopupMenu> popup_;
  TPreeditText preedit_;
  QRect preeditShown_;
  bool preeditHidesCaret_ = false;
};

}  // namespace vrel
