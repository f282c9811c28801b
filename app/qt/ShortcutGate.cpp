#include "app/qt/ShortcutGate.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

#include "app/PlaneMarkControl.h"
#include "platform/qt/QtKeyboardState.h"

namespace vrel {

ShortcutGate::ShortcutGate(Hooks hooks, QObject* parent) : QObject(parent), hooks_(std::move(hooks)) {
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) { FocusChanged(old, now); });
}

void ShortcutGate::AddTextArea(QWidget* area) {
  if (area)
    areas_.emplace_back(area);
}

bool ShortcutGate::FocusInTextArea(const QWidget* widget) const {
  for (const QPointer<QWidget>& area : areas_) {
    if (area && widget && (widget == area || area->isAncestorOf(widget)))
      return true;
  }
  return false;
}

void ShortcutGate::FocusChanged(QWidget* old, QWidget* now) {
  const bool into = FocusInTextArea(now);
  if (into || FocusInTextArea(old))
    hooks_.SetShortCutEnabled(!into);
}

bool ShortcutGate::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride)
    return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  // The keypad's flight keys fly the plane mark whatever NumLock says. With NumLock off keypad 7 and
  // 1 carry Home and End, the plane mark's own menu shortcuts: here they are not shortcuts, so the
  // key reaches the view.
  if (key->modifiers().testFlag(Qt::KeypadModifier) && IsPlaneMarkKey(VirtualKeyOf(*key))) {
    event->accept();
    return true;
  }
  // Shift with a digit arrives as the digit's shifted symbol.
  QAction* action = hooks_.FindAction(QKeySequence(ShortcutCombination(*key)));
  if (action == nullptr)
    action = hooks_.FindAction(QKeySequence(key->keyCombination()));
  if (action == nullptr)
    return false;
  // While a menu is open its letters choose its items (C is copy in "編集", not the rotation mode).
  if (!hooks_.ShortCutEnabled() || QApplication::activePopupWidget() != nullptr) {
    // Accepted, the override sends the key to the focused control instead of the shortcut.
    event->accept();
    return true;
  }
  return false;
}

}  // namespace vrel
