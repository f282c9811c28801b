#pragma once

// The main menu's shortcut gate. Every key pressed anywhere in the program passes here before the
// focused control sees it. While the main window's shortcuts are off, a key that is a main-menu
// shortcut counts as no shortcut and goes to the focused control, so text being typed keeps its
// letters, Delete, Home, End and Ctrl keys. While they are on, the key runs the item's command,
// which does nothing when its rule does not hold. While a menu (or another popup) is open, its keys
// are its own: a letter chooses the menu's item, never a single-key command.
//
// Shift with a digit is matched as Shift+digit on every keyboard layout (the window system reports the
// shifted symbol). The keypad's plane-mark keys are never shortcuts: with NumLock off keypad 7 and 1
// report Home and End, the plane mark's menu shortcuts, and fly the mark instead.
//
// The shortcuts are off while the keyboard focus is inside one of the registered text areas (the
// memo, the FMS parameter panel, the move panel's boxes): a docked panel is never the active window,
// so "the panel is active" means the focus is inside it.

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QAction;
class QKeySequence;
class QWidget;

namespace vrel {

class ShortcutGate : public QObject {
 public:
  struct Hooks {
    std::function<bool()> ShortCutEnabled;
    std::function<void(bool)> SetShortCutEnabled;
    // The main-menu item with this shortcut, or null.
    std::function<QAction*(const QKeySequence&)> FindAction;
  };

  // Watches every key and the keyboard focus of the application.
  ShortcutGate(Hooks hooks, QObject* parent);

  void AddTextArea(QWidget* area);
  bool FocusInTextArea(const QWidget* widget) const;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FocusChanged(QWidget* old, QWidget* now);

  Hooks hooks_;
  std::vector<QPointer<QWidget>> areas_;
};

}  // namespace vrel
