#pragma once

// What a tool window (the panels, the memo window, the numeric dialogs) reaches of the main window:
// the window it belongs to, the logic it shows, the way its buttons run a command, the gate that
// keeps the menu's single-key shortcuts out of its text boxes, and the 3D view's keyboard focus. The
// main window is the host; the tool windows know nothing more of it, so it makes them without an
// include circle.

#include <functional>

class QMainWindow;

namespace vrel {

class ShortcutGate;
class TMainForm;

class TToolWindowHost {
 public:
  // The window the tool windows stand over and belong to.
  virtual QMainWindow& OwnerWindow() = 0;
  // The logic the tool windows show and change.
  virtual TMainForm& Form() = 0;
  // A command of a button or menu item: only while the document exists, and an exception becomes
  // the error box.
  virtual void Command(const std::function<void()>& command) = 0;
  // Where a tool window registers its text boxes.
  virtual ShortcutGate& Gate() = 0;
  // Gives the keyboard back to the 3D view.
  virtual void FocusView() = 0;

 protected:
  ~TToolWindowHost() = default;
};

}  // namespace vrel
